// The diode page and the page of the six driven as a user drives them.
#include "power_support.h"
#include "tests/support/characteristic_sheet.h"

#include "framework/param_access.h"

using namespace power_test;

namespace {

int Selected(CWnd* page, int id) { return static_cast<CComboBox*>(page->GetDlgItem(id))->GetCurSel(); }
bool Choose(CWnd* page, const char* entry) { return qv::ui::ChooseEntry(page->GetDlgItem(2080), entry); }

// Enters two data pairs in the table's sheet, as a user does.
void EnterTwoPairs(CPropertySheet& inner) {
    CPropertyPage* table = inner.GetActivePage();
    ASSERT_NE(nullptr, table);
    TypeTwoPairs(table, "0.7", "1");
}

class PowerPage : public PowerTest {};

TEST_F(PowerPage, NewElementShowsTheEquivalentLine) {
    DWORD element = 0;
    auto wizard = NewWizard<CDiodeWizard4>(kDiodeRows, "D1", &element);
    ASSERT_TRUE(wizard->Initialize(0));
    EXPECT_EQ(0, wizard->GetModeWord());
    OpenPage<CDiodeWizard4> open(*wizard);
    CWnd* page = open.Page();
    EXPECT_TRUE(Checked(page, 2078));
    EXPECT_FALSE(Checked(page, 2081));
    EXPECT_EQ(0, Selected(page, 2080));
    for (int id : {2058, 2061, 2069, 2508, 2509, 2510}) EXPECT_TRUE(Visible(page, id)) << id;
    for (int id : {2066, 2068, 2016, 2015, 2511, 2512}) EXPECT_FALSE(Visible(page, id)) << id;
    EXPECT_FALSE(Enabled(page, 2013));
    EXPECT_FALSE(Enabled(page, 2071));
    ExpectTexts(page, {{2058, "0.7"}, {2018, "Voltage [V]"}, {2019, "Current [A]"}});
    EXPECT_EQ(0, Selected(page, 2508)) << "the used unit is selected";
}

// Each entry of the kind list shows its own value fields.
TEST_F(PowerPage, KindListShowsTheFieldsOfTheKind) {
    struct Case {
        const char* entry;
        std::vector<int> shown;
        std::vector<int> hidden;
    };
    const Case cases[] = {
        {"Exponential Function", {2066, 2068, 2069, 2511, 2512, 2510}, {2058, 2061, 2016, 2015}},
        {"XY-Data Pairs", {2016, 2015}, {2058, 2061, 2066, 2068, 2069, 2510}},
        {"Equivalent Line", {2058, 2061, 2069}, {2066, 2068, 2016, 2015}},
    };
    auto [wizard, open, page] = OpenedWizard(NewWizard<CDiodeWizard4>(kDiodeRows, "D1"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        ASSERT_TRUE(Choose(page, c.entry));
        for (int id : c.shown) EXPECT_TRUE(Visible(page, id)) << id;
        for (int id : c.hidden) EXPECT_FALSE(Visible(page, id)) << id;
    }
}

TEST_F(PowerPage, DataPairsPinDisablesTheTableAndSetsTheFlag) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CDiodeWizard4>(kDiodeRows, "D1", &element));
    ASSERT_TRUE(Choose(page, "XY-Data Pairs"));
    EXPECT_TRUE(Enabled(page, 2016));
    ASSERT_TRUE(qv::ui::Click(page, 2015));
    EXPECT_FALSE(Enabled(page, 2016));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_TRUE(Param(holder, 1012)->HasPin());
    EXPECT_FALSE(Param(holder, 2016)->HasPin()) << "the diode pins the variable alone";
    ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    EXPECT_EQ(static_cast<LONG>(2 | kSemiNoTableFile), wizard->GetModeWord());
    EXPECT_FALSE(Unused(holder, 1012));
    EXPECT_TRUE(Unused(holder, 2016));
    for (WORD id : {2013, 2058, 2061, 2066, 2068, 2069}) EXPECT_TRUE(Unused(holder, id)) << id;
}

TEST_F(PowerPage, ElementNameEnablesItsEditAndItsPin) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CDiodeWizard4>(kDiodeRows, "D1", &element));
    ASSERT_TRUE(qv::ui::Click(page, 2081));
    for (int id : {2080, 2058, 2061, 2069, 2508}) EXPECT_FALSE(Enabled(page, id)) << id;
    EXPECT_TRUE(Enabled(page, 2013));
    EXPECT_TRUE(Enabled(page, 2071));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2013), "DCHAR"));
    ASSERT_TRUE(qv::ui::Click(page, 2071));
    EXPECT_FALSE(Enabled(page, 2013));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_TRUE(Param(holder, 2013)->HasPin());
    ASSERT_TRUE(qv::ui::Click(page, 2078));
    ASSERT_TRUE(qv::ui::Click(page, 2081));
    EXPECT_FALSE(Enabled(page, 2013)) << "a pinned element name stays disabled";
    ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    EXPECT_EQ(-1, wizard->GetModeWord());
    EXPECT_EQ("DCHAR", Param(holder, 2013)->GetValue().str());
    EXPECT_FALSE(Unused(holder, 2013));
    for (WORD id : {2058, 2061, 2066, 2068, 2069, 2016, 1012}) EXPECT_TRUE(Unused(holder, id)) << id;

    CString text = "@TYPE@NAME ( @PARAMLIST);";
    NamedFile description(Description());
    wizard->WriteSimDescr(&description, "IMMANENT", text);
    EXPECT_EQ("D @NAME ( @PARAMLIST);", text.str());
}

// The user opens the table, enters two pairs and presses OK: the page names the default
// file, the wizard takes the default labels.
TEST_F(PowerPage, DataPairsThroughTheTableSheetWithOk) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CDiodeWizard4>(kDiodeRows, "D1", &element));
    ASSERT_TRUE(Choose(page, "XY-Data Pairs"));
    std::string caption;
    std::string xLabel;
    qv::UserScript::Instance().ExpectSheet([&](CPropertySheet& inner) {
        CString title;
        inner.GetWindowText(title);
        caption = title.str();
        xLabel = static_cast<CPropCharacteristicXYTable*>(inner.GetActivePage())->GetXAxisLabel().str();
        EnterTwoPairs(inner);
    });
    ASSERT_TRUE(qv::ui::Click(page, 2016));
    EXPECT_EQ("D1", caption);
    EXPECT_EQ("v [V]", xLabel);
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ("Demo__D1.mdx", Param(holder, 2016)->GetValue().str());
    EXPECT_EQ(2, wizard->GetModeWord());
    EXPECT_EQ("v [V]", wizard->State().GetXAxisLabel().str());
    EXPECT_EQ("i [A]", wizard->State().GetYAxisLabel().str());
    EXPECT_EQ(2, wizard->State().Table().Points().GetSize());
}

TEST_F(PowerPage, CancelledTableSheetKeepsTheNames) {
    DWORD element = 0;
    auto wizard = NewWizard<CDiodeWizard4>(kDiodeRows, "D1", &element);
    ParamHolder* holder = editor->Holder(element);
    Param(holder, 1012)->SetValue("OLDVAR");
    wizard->Initialize(0);
    // Pairs the data-pairs kind gives the model text: OK refuses an empty table.
    LoadTable(wizard->State().Table(), TableBytes(1, "", 0, {{0.0, 0.0}, {0.7, 1.0}}, ""));
    OpenPage<CDiodeWizard4> open(*wizard);
    CWnd* page = open.Page();
    ASSERT_TRUE(Choose(page, "XY-Data Pairs"));
    qv::UserScript::Instance().ExpectSheet(
        [](CPropertySheet& inner) {
            CPropertyPage* table = inner.GetActivePage();
            ASSERT_TRUE(qv::ui::Click(table, 2330));
            ASSERT_TRUE(qv::ui::TypeText(table->GetDlgItem(2395), "NEWVAR"));
        },
        IDCANCEL);
    ASSERT_TRUE(qv::ui::Click(page, 2016));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("OLDVAR", Param(holder, 1012)->GetValue().str());
}

TEST_F(PowerPage, FileReferenceSetsTheNoTableFileFlagAndTakesTheVariable) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CBjtWizard4>(PowerRows(), "Q1", &element));
    ASSERT_TRUE(Choose(page, "XY-Data Pairs"));
    qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) {
        CPropertyPage* table = inner.GetActivePage();
        ASSERT_TRUE(qv::ui::Click(table, 2330));
        ASSERT_TRUE(qv::ui::TypeText(table->GetDlgItem(2395), "QTABLE"));
    });
    ASSERT_TRUE(qv::ui::Click(page, 2016));
    // OK takes no blank control signal.
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2084), "B1"));
    ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ(static_cast<LONG>(2 | kSemiNoTableFile), wizard->GetModeWord());
    EXPECT_EQ("QTABLE", Param(holder, 1012)->GetValue().str());
    EXPECT_FALSE(Unused(holder, 1012));
    EXPECT_TRUE(Unused(holder, 2016));
}

TEST_F(PowerPage, OutputBoxesSwitchTheOutputsInTurn) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CDiodeWizard4>(kDiodeRows, "D1", &element));
    ParamHolder* holder = editor->Holder(element);
    for (WORD id : {qv::power::kIdOutputVoltage, qv::power::kIdOutputCurrent}) {
        SCOPED_TRACE(id);
        for (BOOL expected : {TRUE, FALSE, TRUE}) {
            ASSERT_TRUE(qv::ui::Click(page, id));
            BOOL on = !expected;
            GetSDBOutput(holder, id, &on);
            EXPECT_EQ(expected, on);
            EXPECT_EQ(expected, Checked(page, id));
        }
    }
}

TEST_F(PowerPage, ApplyWritesValuesAndUsedUnits) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CDiodeWizard4>(kDiodeRows, "D1", &element));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "D7"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2058), "650"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2508), "mV"));
    ASSERT_TRUE(Choose(page, "Exponential Function"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2066), "2"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2511), "nA"));
    ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ("D7", holder->m_strElementName.str());
    ExpectValues(holder, {{2058, "650"}, {2066, "2"}});
    ExpectUsedUnits(holder, {{2058, "mV"}, {2066, "nA"}});
    EXPECT_EQ(1, wizard->GetModeWord());
    for (WORD id : {2066, 2068, 2069}) EXPECT_FALSE(Unused(holder, id)) << id;
    for (WORD id : {2013, 2058, 2061, 2016, 1012}) EXPECT_TRUE(Unused(holder, id)) << id;
}

// A value whose quantity has no units gets an empty unit list; applying keeps its used unit
// instead of writing the list's empty text.
TEST_F(PowerPage, EmptyUnitListKeepsTheUsedUnit) {
    std::vector<ParamRow> rows = kDiodeRows;
    rows[1].quantity = "";
    rows[1].unit = "V";
    DWORD element = 0;
    auto wizard = NewWizard<CDiodeWizard4>(rows, "D1", &element);
    wizard->Initialize(0);
    OpenPage<CDiodeWizard4> open(*wizard);
    EXPECT_EQ(0, static_cast<CComboBox*>(open.Page()->GetDlgItem(2508))->GetCount());
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("V", Param(editor->Holder(element), 2058)->GetUsedUnit().str());
}

// A kind the list does not offer (older data) selects nothing; applying keeps that kind.
TEST_F(PowerPage, UnknownKindSelectsNothingAndIsKept) {
    auto wizard = NewWizard<CDiodeWizard4>(kDiodeRows, "D1");
    wizard->SetModeAndAxisLabels(3, "", "");
    OpenPage<CDiodeWizard4> open(*wizard);
    CWnd* page = open.Page();
    EXPECT_TRUE(Checked(page, 2078));
    EXPECT_EQ(-1, Selected(page, 2080));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(3, wizard->GetModeWord());
}

TEST_F(PowerPage, WithoutParameterSetApplyRefusesAndWritesNothing) {
    CDiodeWizard4 wizard;
    {
        OpenPage<CDiodeWizard4> open(wizard);
        CWnd* page = wizard.GetPage();
        EXPECT_EQ(nullptr, wizard.GetPage()->GetParams());
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "D9"));
        EXPECT_FALSE(wizard.GetPage()->OnApply());
        EXPECT_EQ(0, wizard.GetModeWord());
    }
}

TEST_F(PowerPage, OpeningTwiceGivesTheFirstCookieBack) {
    auto wizard = NewWizard<CGtoWizard4>(PowerRows(), "G1");
    {
        CPropertySheet first("G1");
        ASSERT_TRUE(wizard->DoEditProperties(first, 1));
        first.RemovePage(wizard->GetPage());
        CPropertySheet second("G1");
        ASSERT_TRUE(wizard->DoEditProperties(second, 1));
        EXPECT_EQ(1, editor->OutstandingCookies());
        second.RemovePage(wizard->GetPage());
    }
    wizard->EndEditProperties();
    EXPECT_EQ(0, editor->OutstandingCookies());
}

TEST_F(PowerPage, InitializeFindsTheElementNameKindAndEmptiesTheTexts) {
    struct Case {
        const char* what;
        bool elementNameUsed;
        int argument;
        LONG before;
        LONG after;
    };
    const Case cases[] = {
        {"new element", false, 0, 5, 0},
        {"element name in use", true, 0, 1, -1},
        {"handed-over kind", false, 1, 1, 1},
        {"handed-over element kind", false, 1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD element = 0;
        auto wizard = NewWizard<CTriacWizard4>(PowerRows(), "T1", &element);
        if (c.elementNameUsed) Param(editor->Holder(element), 2013)->SetExtType(0);
        wizard->SetModeAndAxisLabels(c.before, "x", "y");
        wizard->SetExtraTextA("a");
        ASSERT_TRUE(wizard->Initialize(c.argument));
        EXPECT_EQ(c.after, wizard->GetModeWord());
        EXPECT_EQ("", wizard->State().GetXAxisLabel().str());
        EXPECT_EQ("", wizard->State().GetExtraTextA().str());
        EXPECT_EQ(0, editor->OutstandingCookies());
    }
}

// The page of the six: the control signal and its pin, the pinned table parameters and the
// symbol of the kind.
TEST_F(PowerPage, ControlSignalPinHoldsAcrossTheRadios) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CIgbtWizard4>(PowerRows(), "Q1", &element));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_TRUE(Enabled(page, 2084));
    ASSERT_TRUE(qv::ui::Click(page, 2073));
    EXPECT_FALSE(Enabled(page, 2084));
    EXPECT_TRUE(Param(holder, 2084)->HasPin());
    for (int radio : {2081, 2078, 2081}) {
        ASSERT_TRUE(qv::ui::Click(page, radio));
        EXPECT_FALSE(Enabled(page, 2084)) << radio;
        EXPECT_TRUE(Param(holder, 2084)->HasPin()) << radio;
    }
    EXPECT_TRUE(Enabled(page, 2086));
    EXPECT_TRUE(Enabled(page, 2013));
}

TEST_F(PowerPage, ControlSignalIsWrittenInEveryKindAndMarkedActive) {
    for (const char* entry : std::vector<const char*>{"Equivalent Line", "Exponential Function", "XY-Data Pairs", nullptr}) {
        SCOPED_TRACE(entry ? entry : "Element Name");
        DWORD element = 0;
        auto wizard = NewWizard<CThyristorWizard4>(PowerRows(), "TH1", &element);
        ParamHolder* holder = editor->Holder(element);
        Param(holder, 2084)->SetExtType(0x20000);
        wizard->Initialize(0);
        LoadTable(wizard->State().Table(), TableBytes(1, "", 0, {{0.0, 0.0}, {0.7, 1.0}}, ""));
        OpenPage<CThyristorWizard4> open(*wizard);
        CWnd* page = open.Page();
        if (entry) {
            ASSERT_TRUE(Choose(page, entry));
        } else {
            ASSERT_TRUE(qv::ui::Click(page, 2081));
            // OK takes no blank element name.
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2013), "D1"));
        }
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2084), "GATE1"));
        ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
        EXPECT_EQ("GATE1", Param(holder, 2084)->GetValue().str());
        EXPECT_FALSE(Unused(holder, 2084));
    }
}

TEST_F(PowerPage, KindChangeRedrawsTheSymbolWithItsMask) {
    auto [wizard, open, page] = OpenedWizard(NewWizard<CMosfetWizard4>(PowerRows(), "M1"));
    const struct {
        const char* entry;
        DWORD mask;
    } cases[] = {{"Exponential Function", 2}, {"XY-Data Pairs", 4}, {"Equivalent Line", 1}};
    for (const auto& c : cases) {
        ASSERT_TRUE(Choose(page, c.entry));
        ASSERT_NE(nullptr, open.Page()->GetSymbol());
        EXPECT_EQ(c.mask, open.Page()->GetSymbol()->GetCurMask()) << c.entry;
    }
}

TEST_F(PowerPage, CharacteristicPinOfTheSixPinsBothParameters) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CGtoWizard4>(PowerRows(), "G1", &element));
    ASSERT_TRUE(Choose(page, "XY-Data Pairs"));
    ASSERT_TRUE(qv::ui::Click(page, 2015));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_TRUE(Param(holder, 1012)->HasPin());
    EXPECT_TRUE(Param(holder, 2016)->HasPin());
    EXPECT_FALSE(Enabled(page, 2016));
    ASSERT_TRUE(qv::ui::Click(page, 2015));
    EXPECT_FALSE(Param(holder, 1012)->HasPin());
    EXPECT_FALSE(Param(holder, 2016)->HasPin());
    EXPECT_TRUE(Enabled(page, 2016));
}

} // namespace
