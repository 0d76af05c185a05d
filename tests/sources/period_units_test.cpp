// The linear sources of every domain (IDs 3, 4, 104, 105) derive the period as the time
// functions do: each value read in its own unit, the period written in the unit it is shown in.
#include "domain_sources_support.h"

#include "framework/param_access.h"

using namespace domain_test;

namespace {

// Value ID, its unit list, value and unit: 2 kHz; rise 1 ms, width 500 us, fall 0.5 ms.
using Field = std::tuple<WORD, int, const char*, const char*>;
const std::vector<Field> kSine = {{2036, 2509, "2", "kHz"}};
const std::vector<Field> kTrapezoid = {{2051, 2515, "1", "ms"}, {2055, 2517, "500", "us"}, {2053, 2516, "0.5", "ms"}};

class PeriodUnits : public SourcesTest {
protected:
    // On the page the units are chosen after the values, so each choice derives the period
    // anew; the wizard derives it from a set that holds those units as it writes the description.
    template <class Wizard>
    void Check(const std::vector<ParamRow>& rows, int form, const char* unit, const char* period) {
        const std::vector<Field>& fields = form == 3 ? kTrapezoid : kSine;
        DWORD element = 0;
        {
            auto [wizard, open, page] = OpenedWizard(NewWizard<Wizard>(rows, "X1", &element));
            ASSERT_TRUE(ChooseTimeForm(page, form == 3 ? "Trapezoidal" : "Sine"));
            for (const auto& [id, list, value, _] : fields) ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(id), value));
            for (const auto& [id, list, _, shown] : fields) ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, list), shown));
            ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2510), unit));
            EXPECT_EQ(period, Text(page, 2038));
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
            const CWizardCopaObject3* applied = Param(editor->Holder(element), 2038);
            EXPECT_EQ(std::string(period) + " " + unit, applied->GetValue().str() + " " + applied->GetUsedUnit().str());
        }
        auto wizard = NewWizard<Wizard>(rows, "X2", &element);
        ParamHolder* holder = editor->Holder(element);
        for (const auto& [id, list, value, shown] : fields) {
            Param(holder, id)->SetValue(value);
            Param(holder, id)->SetUsedUnit(shown);
        }
        Param(holder, 2038)->SetUsedUnit(unit);
        Settle(*wizard, form, {"TPERIO"});
        WriteModel(*wizard, "@TYPE@NAME ( @PARAMLIST);");
        EXPECT_EQ(period, Param(holder, 2038)->GetValue().str());
    }
};

// 2 kHz is 0.0005 s and 500 us (in ms it would read 0.5, as 1/2 does); the times sum to 2 ms.
TEST_F(PeriodUnits, EveryLinearSourceDerivesThePeriodInTheUnitsShown) {
    const std::tuple<int, const char*, const char*> forms[] = {{0, "s", "0.0005"}, {0, "us", "500"}, {3, "ms", "2"}};
    for (const auto& [form, unit, period] : forms) {
        SCOPED_TRACE(period);
        Check<CLinearVoltageSourceWizard4>(kVoltageRows, form, unit, period);
        Check<CLinearCurrentSourceWizard4>(CurrentRows(), form, unit, period);
        Check<CLinearDomainsSourceAWizard4>(kForceRows, form, unit, period);
        Check<CLinearDomainsSourceBWizard4>(TemperatureRows(), form, unit, period);
    }
}

} // namespace
