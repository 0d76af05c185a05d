// The three switches: model text and archive of the controlled switch, its older data and
// symbol mask, and the three pages driven as a user drives them.
#include "machines_support.h"
#include "tests/support/edit_cycle_checks.h"

using namespace machines_test;
using namespace qv::power;

namespace {

const std::vector<ParamRow> kControlledRows = {
    {.id = 2311, .name = "RON", .value = "1m", .type = 0x4, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2314, .name = "ROFF", .value = "1meg", .type = 0x4, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2315, .name = "VTH", .value = "0.5", .type = 0x4, .quantity = "Voltage", .unit = "V"},
    {.id = 2316, .name = "VH", .value = "0.1", .type = 0x4, .quantity = "Voltage", .unit = "V"},
    {.id = 2321, .name = "ITH", .value = "2", .type = 0x4, .extType = 0x20000, .quantity = "Current", .unit = "A"},
    {.id = 2323, .name = "IH", .value = "0.2", .type = 0x4, .extType = 0x20000, .quantity = "Current", .unit = "A"},
    {.id = 2319, .name = "INIT", .value = "0", .type = 0x4},
    {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V"},
    {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A"},
};

const std::vector<ParamRow> kHysteresisRows = {
    {.id = 2028, .name = "CTRL", .value = "v1", .type = 0x4},
    {.id = 2311, .name = "RON", .value = "1m", .type = 0x4, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2314, .name = "ROFF", .value = "1meg", .type = 0x4, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2315, .name = "THR", .value = "0.5", .type = 0x4},
    {.id = 2316, .name = "HYS", .value = "0.1", .type = 0x80000004u},
    {.id = 2319, .name = "INIT", .value = "1", .type = 0x4},
    {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V"},
    {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A"},
};

const std::vector<ParamRow> kSignalRows = {
    {.id = 2028, .name = "CTRL", .value = "s1", .type = 0x4},
    {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V"},
    {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A"},
};

constexpr char kParamList[] =
    "@ListCoPa(0x00000004, 0x0000000C, 0x51030E04)@CoPaRemoveCharacters(0x00000004, 0x0000000C,0x4000000000,1,-1)";

class Switches : public MachinesTest {};

} // namespace

TEST(ControlledSwitchMask, TypeAndStateBitsOnlyInsideTheByte) {
    struct Case {
        LONG type;
        int state;
        BYTE mask;
    };
    const Case cases[] = {{0, 0, 0x05}, {1, 1, 0x0A}, {0, 1, 0x06}, {1, 0, 0x09}, {5, 7, 0x80},
                          {6, 0, 0x01}, {-3, 0, 0x01}, {0, 8, 0x04}, {0, -1, 0x04}, {-2, 1, 0x03}};
    for (const Case& c : cases) EXPECT_EQ(c.mask, ControlledSwitchMask(c.type, c.state)) << c.type << " " << c.state;
    EXPECT_EQ(1, InitialStateOf("1"));
    EXPECT_EQ(0, InitialStateOf("x"));
    EXPECT_EQ(0, InitialStateOf("1e999"));
}

// The whole model text of both types; other types write the voltage keyword.
TEST_F(Switches, ControlledSwitchModelTextOfBothTypes) {
    struct Case {
        LONG type;
        const char* keyword;
    };
    for (const Case& c : {Case{0, "CSV"}, Case{1, "CSI"}, Case{2, "CSV"}}) {
        auto wizard = NewWizard<CSwitchControlledWizard4>(kControlledRows, "S1");
        wizard->SetSwitchType(c.type);
        CString model = "SWITCH @TYPE( @PARAMLIST ) DLL @DLLNAME @TYPE";
        editor->ClearRequests();
        EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", model));
        EXPECT_EQ(std::string("SWITCH ") + c.keyword + "( " + kParamList + " ) DLL " + c.keyword + " @TYPE", model.str());
        EXPECT_EQ(1u, editor->CountRequests(23));
        EXPECT_EQ(1u, editor->CountRequests(24));
    }
    auto wizard = NewWizard<CSwitchControlledWizard4>(kControlledRows, "S1");
    editor->ClearRequests();
    EXPECT_EQ("@TYPE @PARAMLIST", WrittenAskingNothing(*wizard, *editor, "EXTERN", "@TYPE @PARAMLIST"));
}

TEST_F(Switches, ControlledSwitchArchiveBytes) {
    CSwitchControlledWizard4 wizard;
    wizard.SetSwitchType(1);
    EXPECT_EQ((Bytes{0, 0, 1, 0, 0, 0}), Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));
    EXPECT_TRUE(Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion3); }).empty());
    struct Case {
        Bytes bytes;
        LONG type;
        DWORD schema;
    };
    for (const Case& c : {Case{{0, 0, 1, 0, 0, 0}, 1, 0}, Case{{0, 0, 0, 0, 0, 0}, 0, 0}, Case{{1, 0, 1, 0, 0, 0}, 7, 1}}) {
        CSwitchControlledWizard4 loaded;
        loaded.SetSwitchType(7);
        Loaded(c.bytes, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
        EXPECT_EQ(c.type, loaded.GetSwitchType());
        EXPECT_EQ(c.schema, loaded.GetSchema());
    }
    std::unique_ptr<CWizardBase4> clone(wizard.Clone());
    EXPECT_EQ(1, static_cast<CSwitchControlledWizard4*>(clone.get())->GetSwitchType());
}

// Older data: the first DWORD is the type, read only when all four bytes are there; the
// parameters of the other type are marked unused.
TEST_F(Switches, ControlledSwitchOlderData) {
    struct Case {
        Bytes data;
        bool null;
        LONG type;
        bool voltageUnused;
    };
    const Case cases[] = {
        {{1, 0, 0, 0}, false, 1, true},
        {{0, 0, 0, 0, 9}, false, 0, false},
        {{1, 0}, false, 0, false},
        {{}, true, 0, false},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CSwitchControlledWizard4>(kControlledRows, "S1", &element);
        wizard->SetSwitchType(5);
        std::unique_ptr<BYTE[]> copy(new BYTE[c.data.size() + 1]);
        std::copy(c.data.begin(), c.data.end(), copy.get());
        EXPECT_TRUE(wizard->DoConvertWizard3Data(c.null ? nullptr : copy.get(), static_cast<long>(c.data.size())));
        EXPECT_EQ(c.type, wizard->GetSwitchType()) << c.data.size();
        ParamHolder* holder = editor->Holder(element);
        EXPECT_EQ(c.voltageUnused, Unused(holder, 2315));
        EXPECT_EQ(c.voltageUnused, Unused(holder, 2316));
        EXPECT_EQ(!c.voltageUnused, Unused(holder, 2321));
        EXPECT_EQ(!c.voltageUnused, Unused(holder, 2323));
    }
}

TEST_F(Switches, ControlledSwitchTypeChangeShowsMarksAndSetsTheMask) {
    DWORD element = 0;
    auto wizard = NewWizard<CSwitchControlledWizard4>(kControlledRows, "S1", &element);
    ASSERT_TRUE(wizard->Initialize(0));
    EXPECT_EQ(0, wizard->GetSwitchType());
    OpenPage<CSwitchControlledWizard4> open(*wizard);
    CWnd* page = open.Page();
    for (int id : {2315, 2316, 2036, 2037}) EXPECT_TRUE(Visible(page, id)) << id;
    for (int id : {2321, 2323, 2039, 2040}) EXPECT_FALSE(Visible(page, id)) << id;
    EXPECT_EQ("Voltage [V]", Text(page, 2018));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2032), "Current Controlled"));
    for (int id : {2321, 2323, 2039, 2040, 2320, 2322}) EXPECT_TRUE(Visible(page, id)) << id;
    for (int id : {2315, 2316, 2036, 2037, 2317, 2318}) EXPECT_FALSE(Visible(page, id)) << id;
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2319), "1"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2321), "3"));
    ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ(1, wizard->GetSwitchType());
    EXPECT_EQ(0x0A, holder->m_bySymbolVariant);
    EXPECT_EQ("3", Param(holder, 2321)->GetValue().str());
    EXPECT_EQ("1", Param(holder, 2319)->GetValue().str());
    EXPECT_TRUE(Unused(holder, 2315));
    EXPECT_FALSE(Unused(holder, 2321));
}

TEST_F(Switches, ControlledSwitchPinnedFieldIsDisabledAndOutputsToggle) {
    std::vector<ParamRow> rows = kControlledRows;
    rows[2].type |= 0x80000000u;  // 2315 on a pin
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CSwitchControlledWizard4>(rows, "S1", &element));
    EXPECT_FALSE(Enabled(page, 2315));
    EXPECT_TRUE(Enabled(page, 2316));
    ASSERT_TRUE(qv::ui::Click(page, 2019));
    EXPECT_TRUE(OutputOn(editor->Holder(element), 2019));
    ASSERT_TRUE(qv::ui::Click(page, 2019));
    EXPECT_FALSE(OutputOn(editor->Holder(element), 2019));
    EXPECT_FALSE(Checked(page, 2019));
}

// "Use Pin" sets bit 31 of the control signal at once; the text is then not written back.
TEST_F(Switches, HysteresisSwitchFieldsAndPin) {
    DWORD element = 0;
    auto [wizard, open, page] = WizardOnSheet(NewWizard<CHysteresisSwitchWizard4>(kHysteresisRows, "H1", &element));
    ParamHolder* holder = editor->Holder(element);
    ExpectTexts(page, {{2028, "v1"}, {2522, "0.5"}, {2524, "0.1"}, {2319, "1"}});
    EXPECT_TRUE(Enabled(page, 2522));
    EXPECT_FALSE(Enabled(page, 2524)) << "the hysteresis comes from a pin";
    EXPECT_EQ("Current [A]", Text(page, 2019));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "v2"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2522), "0.7"));
    ASSERT_TRUE(qv::ui::Click(page, 2090));
    EXPECT_TRUE(Param(holder, 2028)->HasPin()) << "at once";
    EXPECT_FALSE(Enabled(page, 2028));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2033), "mOhm"));
    ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    ExpectValues(holder, {{2028, "v1"}, {2315, "0.7"}});
    EXPECT_EQ("mOhm", Param(holder, 2311)->GetUsedUnit().str());
}

TEST_F(Switches, HysteresisSwitchWithoutReceiverAppliesNothing) {
    CHysteresisSwitchWizard4 wizard;
    OpenPage<CHysteresisSwitchWizard4> open(wizard);
    EXPECT_FALSE(static_cast<CPropertyPage*>(open.Page())->OnApply());
}

// The "Control Signal" box shows and switches the control signal's own output.
TEST_F(Switches, SignalSwitchControlOutputAndPin) {
    auto wizard = NewOlder<CSwitchWizard>(kSignalRows, "SW1");
    SetSDBOutput(Exchange(), 2028, TRUE);
    OpenPage<CSwitchWizard> open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_TRUE(Checked(page, 2056));
    EXPECT_EQ("s1", Text(page, 2028));
    ASSERT_TRUE(qv::ui::Click(page, 2056));
    EXPECT_FALSE(OutputOn(Exchange(), 2028));
    ASSERT_TRUE(qv::ui::Click(page, 2056));
    EXPECT_TRUE(OutputOn(Exchange(), 2028));
    ASSERT_TRUE(qv::ui::Click(page, 2018));
    EXPECT_TRUE(OutputOn(Exchange(), 2018));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "s2"));
    ASSERT_TRUE(qv::ui::Click(page, 2090));
    EXPECT_TRUE(P(2028)->HasPin());
    EXPECT_FALSE(Enabled(page, 2028));
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    EXPECT_EQ("s1", P(2028)->GetValue().str()) << "a pinned signal keeps its text";
    EXPECT_EQ(1u, editor->CountRequests(0));
}

TEST_F(Switches, SignalSwitchRefusedCommitFailsApply) {
    auto wizard = NewOlder<CSwitchWizard>(Without(kSignalRows, 2028), "SW1");
    OpenPage<CSwitchWizard> open(*wizard, Exchange());
    CPropSwitches* page = open.Page();
    EXPECT_EQ("", Text(page, 2028));
    EXPECT_FALSE(Checked(page, 2090));
    editor->SetCommitAnswer(3);
    EXPECT_FALSE(page->OnApply());
    editor->SetCommitAnswer(0);
    EXPECT_TRUE(page->OnApply());
}

TEST_F(Switches, SecondEditOfEitherSwitchGivesTheFirstSetBack) {
    auto controlled = NewWizard<CSwitchControlledWizard4>(kControlledRows, "S1");
    auto hysteresis = NewWizard<CHysteresisSwitchWizard4>(kHysteresisRows, "H1");
    // The editor closes its sheets before it ends the edit.
    for (CWizardBase4* wizard : {static_cast<CWizardBase4*>(controlled.get()), static_cast<CWizardBase4*>(hysteresis.get())})
        ExpectSecondEditGivesTheFirstSetBack(*wizard, *editor, false);
}
