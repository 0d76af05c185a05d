// The derived period of the linear sources of every domain (IDs 3, 4, 104, 105), each value
// read in its own unit and the period written in the unit it is shown in.
#include "domain_sources_support.h"

#include "framework/param_access.h"

using namespace domain_test;

namespace {

struct Field {
    int id;
    int unitList;
    const char* value;
    const char* unit;
};
const std::vector<Field> kSineFields = {{2036, 2509, "2", "kHz"}};
const std::vector<Field> kTrapezoidFields = {{2051, 2515, "1", "ms"}, {2055, 2517, "500", "us"}, {2053, 2516, "0.5", "ms"}};

class PeriodUnits : public SourcesTest {
protected:
    // On the page the units are chosen after the values, so each choice derives the period
    // anew; the wizard derives it from a set that holds those units as it writes the
    // description. `settle` hands the wizard the kind.
    template <class Wizard, class Settle>
    void Check(const std::vector<ParamRow>& rows, bool trapezoid, const char* periodUnit, const char* period,
               Settle settle) {
        const std::vector<Field>& fields = trapezoid ? kTrapezoidFields : kSineFields;
        DWORD element = 0;
        {
            auto [wizard, open, page] = OpenedWizard(NewWizard<Wizard>(rows, "X1", &element));
            ASSERT_TRUE(ChooseTimeForm(page, trapezoid ? "Trapezoidal" : "Sine"));
            for (const Field& field : fields) ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(field.id), field.value));
            for (const Field& field : fields) ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, field.unitList), field.unit));
            ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2510), periodUnit));
            EXPECT_EQ(period, Text(page, 2038));
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
            EXPECT_EQ(period, Param(editor->Holder(element), 2038)->GetValue().str());
            EXPECT_EQ(periodUnit, Param(editor->Holder(element), 2038)->GetUsedUnit().str());
        }
        auto wizard = NewWizard<Wizard>(rows, "X2", &element);
        ParamHolder* holder = editor->Holder(element);
        for (const Field& field : fields) {
            Param(holder, field.id)->SetValue(field.value);
            Param(holder, field.id)->SetUsedUnit(field.unit);
        }
        Param(holder, 2038)->SetUsedUnit(periodUnit);
        settle(*wizard, trapezoid ? 3 : 0);
        WriteModel(*wizard, "@TYPE@NAME ( @PARAMLIST);");
        EXPECT_EQ(period, Param(holder, 2038)->GetValue().str());
    }
};

// The frequency 2 kHz gives 0.0005 s and 500 us (in ms it would read 0.5 as 1/2 does); rise 1 ms,
// width 500 us and fall 0.5 ms give 2 ms.
TEST_F(PeriodUnits, EveryLinearSourceDerivesThePeriodInTheUnitsShown) {
    const auto linear = [](CLinearSourceWizardBase4& wizard, int kind) { Settle(wizard, kind, {"TPERIO"}); };
    const auto domain = [](CLinearDomainsSourceWizardBase4& wizard, int form) { Settle(wizard, form, {"TPERIO"}); };
    struct Form {
        bool trapezoid;
        const char* periodUnit;
        const char* period;
    };
    for (const auto& [trapezoid, unit, period] : {Form{false, "s", "0.0005"}, Form{false, "us", "500"}, Form{true, "ms", "2"}}) {
        SCOPED_TRACE(period);
        Check<CLinearVoltageSourceWizard4>(kVoltageRows, trapezoid, unit, period, linear);
        Check<CLinearCurrentSourceWizard4>(CurrentRows(), trapezoid, unit, period, linear);
        Check<CLinearDomainsSourceAWizard4>(kForceRows, trapezoid, unit, period, domain);
        Check<CLinearDomainsSourceBWizard4>(TemperatureRows(), trapezoid, unit, period, domain);
    }
}

} // namespace
