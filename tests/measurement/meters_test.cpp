// The meter pages (ammeter, voltmeter, single-output meter), driven as a user drives them.
#include "tests/blocks_linear/blocks_support.h"

#include "framework/param_access.h"
#include "measurement/meters.h"

using namespace blocks_test;

namespace {

const std::vector<ParamRow> kMeterRows = {
    {.id = 2074, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A", .description = "Current"},
    {.id = 2076, .name = "P", .value = "", .type = 0x8, .quantity = "Power", .unit = "W", .description = "Power"},
    {.id = 2096, .name = "X0", .value = "0.5", .type = 0x4, .quantity = "Time", .unit = "s",
     .description = "Initial Position"},
};

template <class Wizard>
using OpenMeter = OpenPage<Wizard>;

class Meters : public OlderBlocksTest {
protected:
    template <class Wizard>
    std::unique_ptr<Wizard> New(const char* name, const std::vector<ParamRow>& rows = kMeterRows) {
        return NewOlder<Wizard>(rows, name);
    }
};

struct ShownCase {
    int id;
    const char* name;
    bool second;
    bool initialValue;
};

// What the page shows for a name, read off the page that a wizard of the ID opens.
template <class Wizard>
void ExpectShown(Meters& test, const ShownCase& c, std::unique_ptr<Wizard> wizard, CWizardSchematicDataExchange3* exchange) {
    OpenMeter open(*wizard, exchange);
    CPropMeters* page = open.Page();
    ASSERT_NE(nullptr, page);
    SCOPED_TRACE(::testing::Message() << "ID " << c.id << " name \"" << c.name << "\"");
    EXPECT_TRUE(Visible(page, 2074));
    EXPECT_EQ("Current [A]", Text(page, 2074));
    EXPECT_EQ(c.second, Visible(page, 2076));
    if (c.second) {
        EXPECT_EQ("Power [W]", Text(page, 2076));
    }
    for (int id : {2095, 2096, 2097, 2510}) EXPECT_EQ(c.initialValue, Visible(page, id)) << id;
    (void)test;
}

TEST_F(Meters, NamesDecideWhichOutputsAndRowsShow) {
    const ShownCase cases[] = {
        {5, "AM1", true, false},       {5, "AMx", true, false},        {5, "AM12", false, false},
        {5, "am1", false, false},      {5, "A", false, false},         {5, "", false, false},
        {5, "VM1", false, false},      {5, "SM_TR1", false, false},    {6, "VM1", true, false},
        {6, "VM", false, false},       {6, "VM12", false, false},      {6, "SM_TR1", false, true},
        {6, "SM_ROT7", false, true},   {6, "SM_TR12", false, false},   {6, "sm_tr1", false, false},
        {6, "AM1", false, false},      {6, "V", false, false},         {7, "AM1", false, false},
        {7, "VM1", false, false},      {7, "SM_TR1", false, false},    {7, "", false, false},
    };
    for (const ShownCase& c : cases) {
        // The wizard first: it adds the element whose exchange object the page edits.
        switch (c.id) {
        case 5: {
            auto wizard = New<CAmmeterWizard>(c.name);
            ExpectShown(*this, c, std::move(wizard), Exchange());
            break;
        }
        case 6: {
            auto wizard = New<CVoltmeterWizard>(c.name);
            ExpectShown(*this, c, std::move(wizard), Exchange());
            break;
        }
        default: {
            auto wizard = New<CSingleOutputMeterWizard>(c.name);
            ExpectShown(*this, c, std::move(wizard), Exchange());
            break;
        }
        }
    }
}

TEST_F(Meters, PrefixRulesAsData) {
    using qv::measurement::MeterKind;
    struct Case {
        MeterKind kind;
        const char* name;
        bool second;
        bool initialValue;
    } cases[] = {
        {MeterKind::Ammeter, "AM9", true, false},      {MeterKind::Ammeter, "AM", false, false},
        {MeterKind::Voltmeter, "SM_ROT", false, false}, {MeterKind::Voltmeter, "SM_ROTX", false, true},
        {MeterKind::SingleOutput, "VM1", false, false},
    };
    for (const Case& c : cases) {
        const auto rows = qv::measurement::MeterRowsFor(c.kind, c.name);
        EXPECT_EQ(c.second, rows.second) << c.name;
        EXPECT_EQ(c.initialValue, rows.initialValue) << c.name;
    }
}

TEST_F(Meters, OutputSwitchesActAtOnceAndSurviveCancel) {
    struct Case {
        int control;
        int clicks;
        BOOL expected;
    } cases[] = {{2074, 1, TRUE}, {2074, 2, FALSE}, {2074, 3, TRUE}, {2076, 1, TRUE}, {2076, 2, FALSE}};
    for (const Case& c : cases) {
        auto wizard = New<CAmmeterWizard>("AM1");
        {
            OpenMeter open(*wizard, Exchange());
            for (int i = 0; i < c.clicks; ++i) ASSERT_TRUE(qv::ui::Click(open.Page(), c.control));
            EXPECT_EQ(c.expected ? BST_CHECKED : BST_UNCHECKED, open.Page()->IsDlgButtonChecked(c.control))
                << "the box shows only on or off";
            ASSERT_TRUE(qv::ui::Cancel(&open.Sheet()));
        }
        BOOL on = !c.expected;
        ASSERT_TRUE(GetSDBOutput(Exchange(), static_cast<WORD>(c.control), &on));
        EXPECT_EQ(c.expected, on) << c.control << " after " << c.clicks << " clicks";
    }
}

TEST_F(Meters, PinBoxesSetTheirBitsAtOnce) {
    struct Case {
        int box;
        WORD valueID;
    } cases[] = {{2071, 2074}, {2097, 2096}};
    for (const Case& c : cases) {
        auto wizard = New<CVoltmeterWizard>("SM_TR1");
        OpenMeter open(*wizard, Exchange());
        ASSERT_TRUE(qv::ui::Click(open.Page(), c.box));
        EXPECT_TRUE(Live(Exchange(), c.valueID).front()->HasPin()) << c.box;
        ASSERT_TRUE(qv::ui::Click(open.Page(), c.box));
        EXPECT_FALSE(Live(Exchange(), c.valueID).front()->HasPin()) << c.box;
    }
}

TEST_F(Meters, ValuePinIsReappliedWhenThePageBecomesActive) {
    auto wizard = New<CAmmeterWizard>("AM1");
    OpenMeter open(*wizard, Exchange());
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2071));
    CWizardCopaObject3* first = Live(Exchange(), 2074).front();
    ASSERT_TRUE(first->HasPin());
    // Something else clears the bit behind the page's back; showing the page again reads the
    // element's bit, so the box follows the element and the bit stays as the element has it.
    SetParamUsePin(Exchange(), 2074, FALSE);
    open.Page()->OnSetActive();
    EXPECT_EQ(BST_UNCHECKED, open.Page()->IsDlgButtonChecked(2071));
    EXPECT_FALSE(first->HasPin());
    SetParamUsePin(Exchange(), 2074, TRUE);
    open.Page()->OnSetActive();
    EXPECT_EQ(BST_CHECKED, open.Page()->IsDlgButtonChecked(2071));
    EXPECT_TRUE(first->HasPin());
}

TEST_F(Meters, ApplyWritesTheInitialValueAlsoWhileItsRowIsHidden) {
    struct Case {
        const char* name;
        bool shown;
    } cases[] = {{"SM_TR1", true}, {"VM1", false}};
    for (const Case& c : cases) {
        auto wizard = New<CVoltmeterWizard>(c.name);
        OpenMeter open(*wizard, Exchange());
        CPropMeters* page = open.Page();
        EXPECT_EQ(c.shown, Visible(page, 2096));
        if (c.shown) {
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2096), "1.25"));
            ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2510), "ms"));
        }
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "SM_TR2"));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        CWizardCopaObject3* initial = Live(Exchange(), 2096).front();
        EXPECT_EQ(c.shown ? "1.25" : "0.5", initial->GetValue().str()) << c.name;
        EXPECT_EQ(c.shown ? "ms" : "s", initial->GetUsedUnit().str()) << c.name;
        EXPECT_EQ("SM_TR2", Exchange()->m_strElementName.str());
    }
}

TEST_F(Meters, AnInitialValueWithoutKnownQuantityKeepsItsUsedUnit) {
    const std::vector<ParamRow> rows = {
        kMeterRows.front(),
        {.id = 2096, .name = "X0", .value = "1", .type = 0x4, .quantity = "Nonsense", .unit = "zz"},
    };
    auto wizard = New<CVoltmeterWizard>("SM_ROT1", rows);
    OpenMeter open(*wizard, Exchange());
    EXPECT_EQ(0, static_cast<CComboBox*>(open.Page()->GetDlgItem(2510))->GetCount());
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2096), "2"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("2", Live(Exchange(), 2096).front()->GetValue().str());
    EXPECT_EQ("zz", Live(Exchange(), 2096).front()->GetUsedUnit().str());
}

TEST_F(Meters, MissingParametersLeaveTheControlsAndChangeNothing) {
    const std::vector<ParamRow> onlyFirst = {kMeterRows.front()};
    auto wizard = New<CAmmeterWizard>("AM1", onlyFirst);
    OpenMeter open(*wizard, Exchange());
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2076));
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2071));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(1u, Live(Exchange(), 2074).size());
    EXPECT_TRUE(Live(Exchange(), 2076).empty());
    EXPECT_TRUE(Live(Exchange(), 2096).empty());
}

TEST_F(Meters, ASecondEditingDeletesThePageOfTheFirst) {
    auto wizard = New<CAmmeterWizard>("AM1");
    CPropertySheet first("Element");
    ASSERT_TRUE(wizard->DoEditProperties(first, Exchange(), 1));
    CPropMeters* earlier = wizard->GetPage();
    CPropertySheet second("Element");
    ASSERT_TRUE(wizard->DoEditProperties(second, Exchange(), 1));
    EXPECT_NE(nullptr, wizard->GetPage());
    (void)earlier;  // the sanitizer build reports a leaked page
    wizard->EndEditProperties();
    EXPECT_EQ(nullptr, wizard->GetPage());
    std::unique_ptr<CWizardBase3> clone(wizard->Clone());
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ(3, clone->GetWizardKind());
}

} // namespace
