// The linear machines: their one page in every variant, the cells a user edits, and the
// conversion of older additional data on the page and at description time.
#include "machines_support.h"

#include <algorithm>
#include <deque>
#include <map>

using namespace machines_test;
using namespace qv::power;

namespace {

// Every row and output of a machine as an element parameter: inputs carry their ID as value,
// outputs a unit of their own so the captions show it.
std::vector<ParamRow> MachineRows(unsigned id, bool withLoad = true) {
    const MachineShape* shape = MachineShapeOf(id);
    std::vector<ParamRow> rows;
    static std::deque<std::string> names;  // the rows keep pointers to the texts
    auto add = [&](WORD valueID, DWORD type, const char* quantity, const char* unit) {
        for (const ParamRow& row : rows)
            if (row.id == valueID) return;
        if (valueID == 7000 && !withLoad) return;
        names.push_back("P" + std::to_string(valueID));
        const char* name = names.back().c_str();
        names.push_back(std::to_string(valueID));
        rows.push_back({.id = valueID, .name = name, .value = names.back().c_str(), .type = type,
                        .quantity = quantity, .unit = unit});
    };
    for (WORD row : shape->parameterRows) add(row, 0x4, "Resistance", row == 7000 ? "Nm" : "Ohm");
    for (WORD row : shape->initialRows) add(row, 0x4, row == 7057 ? "Angle" : "Current", row == 7057 ? "deg" : "A");
    for (WORD output : shape->outputs)
        if (output != 0) add(output, 0x8, "Current", "A");
    return rows;
}

// Old additional data: two DWORDs, a skipped block, then the page archive of the phase unit.
Bytes OldMachineData(const Bytes& skipped, const Bytes& archive) {
    Bytes out = Dwords({7, 0, static_cast<DWORD>(skipped.size())});
    Append(out, skipped);
    Dword(out, static_cast<DWORD>(archive.size()));
    Append(out, archive);
    Dword(out, 0);
    Dword(out, 0);
    return out;
}
Bytes PageArchive(DWORD unit) {
    Bytes out;
    NewClass(out, "CPropMachine");
    Dword(out, 10);
    Dword(out, unit);
    return out;
}

// The labels and captions the machines show, by ID.
const std::map<WORD, std::string> kLabels = {
    {7000, "Load Torque"},
    {7001, "Stator Resistance"},
    {7002, "Rotor Resistance"},
    {7003, "Stator Leakage Inductance"},
    {7004, "Rotor Leakage Inductance"},
    {7005, "Main Inductance"},
    {7006, "Number Of Pole Pairs"},
    {7007, "Moment Of Inertia"},
    {7008, "Stator Inductance d-Axis"},
    {7009, "Stator Inductance q-Axis"},
    {7010, "Mutual Inductance stator-exciter d-Axis"},
    {7011, "Excitation Resistance"},
    {7012, "Excitation Inductance d-Axis"},
    {7013, "Damper Inductance d-Axis"},
    {7014, "Damper Resistance"},
    {7015, "Damper Inductance q-Axis"},
    {7016, "Mutual Inductance stator-damper d-Axis"},
    {7017, "Mutual Inductance stator-damper q-Axis"},
    {7018, "Mutual Inductance damper-exciter q-Axis"},
    {7019, "Rotor Flux [Vs]"},
    {7020, "Armature Resistance"},
    {7021, "Armature Inductance"},
    {7022, "Rotor Moment of Inertia"},
    {7023, "Excitation Current-Flux Rate"},
    {7100, "Rotor Speed"},
    {7101, "Rotor Torque"},
    {7102, "Rotor Position"},
    {7103, "Current Stator Phase a"},
    {7104, "Current Stator Phase b"},
    {7105, "Current Stator Phase c"},
    {7106, "Armature Current"},
    {7107, "Armature Voltage"},
};

std::unique_ptr<CWizardBase3> MakeMachine(unsigned id) { return std::unique_ptr<CWizardBase3>(CreateWizardInstance(id)); }

class MachinePage : public MachinesTest {
protected:
    // Opens the page of a machine made by the factory.
    std::unique_ptr<CWizardBase3> wizard;
    std::unique_ptr<CPropertySheet> sheet;
    CPropMachine* Open(unsigned id, const std::vector<ParamRow>& rows) {
        element = editor->AddElement(MakeExchange(rows, "M1"));
        wizard = MakeMachine(id);
        EXPECT_NE(nullptr, wizard);
        editor->Attach(*wizard, element);
        sheet = std::make_unique<CPropertySheet>("Element");
        EXPECT_TRUE(wizard->DoEditProperties(*sheet, Exchange(), 1));
        EXPECT_TRUE(sheet->Create());
        return static_cast<CPropMachine*>(sheet->GetPage(0));
    }
    void Close() {
        if (sheet) sheet->DestroyWindow();
        if (wizard) wizard->EndEditProperties();
        sheet.reset();
    }
    void TearDown() override {
        Close();
        wizard.reset();
        MachinesTest::TearDown();
    }
};

std::string Cell(CTBEditListCtrl& list, int row, int column) { return list.GetItemText(row, column).str(); }

} // namespace

// Every machine ID: its rows in order with their labels, values and units, the hidden boxes
// and the captions with units.
TEST_F(MachinePage, EveryMachineShowsItsRowsOutputsAndUnits) {
    struct Case {
        unsigned id;
        std::vector<int> hidden;
    };
    const Case cases[] = {{21, {}}, {22, {}}, {23, {}}, {24, {}}, {25, {}}, {26, {2139}}, {27, {2139}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const MachineShape* shape = MachineShapeOf(c.id);
        ASSERT_NE(nullptr, shape);
        CPropMachine* page = Open(c.id, MachineRows(c.id));
        ASSERT_NE(nullptr, page);
        CTBEditListCtrl& params = page->ParameterList();
        CTBEditListCtrl& initial = page->InitialValueList();
        ASSERT_EQ(static_cast<int>(shape->parameterRows.size()), params.GetItemCount());
        ASSERT_EQ(static_cast<int>(shape->initialRows.size()), initial.GetItemCount());
        for (size_t i = 0; i < shape->parameterRows.size(); ++i) {
            const WORD id = shape->parameterRows[i];
            EXPECT_EQ(kLabels.at(id), Cell(params, static_cast<int>(i), 0));
            EXPECT_EQ(std::to_string(id), Cell(params, static_cast<int>(i), 1));
            EXPECT_EQ(id == 7000 ? "Nm" : "Ohm", Cell(params, static_cast<int>(i), 2));
            EXPECT_EQ(TB_EDIT_TEXT, params.GetEditItemType(static_cast<int>(i), 1));
            EXPECT_EQ(TB_EDIT_UNIT, params.GetEditItemType(static_cast<int>(i), 2));
            EXPECT_EQ("Resistance", params.GetEditItemExtra(static_cast<int>(i), 2).str());
        }
        for (size_t i = 0; i < shape->initialRows.size(); ++i)
            EXPECT_EQ(std::to_string(shape->initialRows[i]), Cell(initial, static_cast<int>(i), 1));
        for (int box = 2136; box <= 2142; ++box) {
            const bool hidden = std::find(c.hidden.begin(), c.hidden.end(), box) != c.hidden.end();
            EXPECT_EQ(!hidden, Visible(page, box)) << box;
            const WORD output = shape->outputs[box - 2136];
            if (hidden) continue;
            const std::string unit = output == 7000 ? "Nm" : "A";
            EXPECT_EQ(kLabels.at(output) + " [" + unit + "]", Text(page, box)) << box;
        }
        Close();
    }
}

TEST_F(MachinePage, InductionMachineWithoutLoadHidesItsBox) {
    CPropMachine* page = Open(21, MachineRows(21, false));
    EXPECT_FALSE(Visible(page, 2138));
    EXPECT_TRUE(Visible(page, 2139));
    EXPECT_EQ("", Cell(page->ParameterList(), 0, 1)) << "a row without its parameter stays empty";
    EXPECT_EQ("Load Torque", Cell(page->ParameterList(), 0, 0));
}

// Values and units typed into the cells reach the parameters; empty cells change nothing; a
// parameter that is not an input is never written.
TEST_F(MachinePage, CellsWriteValuesAndUnitsAndBlankCellsAreRefused) {
    std::vector<ParamRow> rows = MachineRows(27);
    for (ParamRow& row : rows)
        if (row.id == 7022) row.type = 0x8;  // an output that carries a row's ID
    CPropMachine* page = Open(27, rows);
    CWnd* list = page->GetDlgItem(2132);
    // Row 1: armature resistance; row 2: armature inductance; row 5: inertia (no input).
    ASSERT_TRUE(qv::ui::EditListCell(list, 1, 1, "0.5"));
    ASSERT_TRUE(qv::ui::EditListCell(list, 1, 2, "mOhm"));
    ASSERT_TRUE(qv::ui::EditListCell(list, 2, 1, ""));
    EXPECT_EQ("", Cell(page->ParameterList(), 5, 1)) << "no input, no value shown";
    ASSERT_TRUE(qv::ui::EditListCell(page->GetDlgItem(2134), 0, 1, "3"));
    editor->ClearRequests();
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
    EXPECT_FALSE(qv::ui::PressOK(sheet.get())) << "a blank cell is refused, not read as the stored value";
    EXPECT_EQ(0u, editor->CountRequests(0));
    ASSERT_TRUE(qv::ui::EditListCell(list, 2, 1, "7021"));
    ASSERT_TRUE(qv::ui::PressOK(sheet.get()));
    EXPECT_EQ("0.5", P(7020)->GetValue().str());
    EXPECT_EQ("mOhm", P(7020)->GetUsedUnit().str());
    EXPECT_EQ("7021", P(7021)->GetValue().str());
    ExpectValues(editor->Holder(element), {{7059, "3"}, {7022, "7022"}});
    EXPECT_EQ("Ohm", P(7021)->GetUsedUnit().str());
    EXPECT_EQ(1u, editor->CountRequests(0)) << "apply commits the exchange object";
}

TEST_F(MachinePage, RefusedCommitKeepsApplyFromSucceeding) {
    CPropMachine* page = Open(22, MachineRows(22));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "M7"));
    editor->SetCommitAnswer(1);
    EXPECT_FALSE(page->OnApply());
    editor->SetCommitAnswer(0);
    EXPECT_TRUE(page->OnApply());
    EXPECT_EQ("M7", Exchange()->m_strElementName.str());
}

// Every click on an output switches the output and commits at once; the answer is ignored.
TEST_F(MachinePage, OutputClicksSwitchAndCommit) {
    CPropMachine* page = Open(26, MachineRows(26));
    editor->SetCommitAnswer(5);
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Click(page, 2140));
    EXPECT_TRUE(OutputOn(Exchange(), 7102)) << "the DC machine's rotor position sits at 2140";
    ASSERT_TRUE(qv::ui::Click(page, 2142));
    EXPECT_TRUE(OutputOn(Exchange(), 7107));
    ASSERT_TRUE(qv::ui::Click(page, 2140));
    EXPECT_FALSE(OutputOn(Exchange(), 7102));
    EXPECT_EQ(3u, editor->CountRequests(0));
    editor->SetCommitAnswer(0);
}

// Older additional data: the phase unit decides the rotor position's unit, the data is
// cleared and committed, also when it holds nothing readable.
TEST_F(MachinePage, OlderDataSetsTheRotorPositionUnit) {
    struct Case {
        const char* what;
        Bytes data;
        const char* unit;
    };
    Bytes wrapping = Dwords({0, 0});
    Dword(wrapping, 0xFFFFFFF8u);  // wraps the offset when added
    Append(wrapping, PageArchive(1));
    Bytes zeroFirst = OldMachineData({}, PageArchive(1));
    Bytes shortArchive = OldMachineData({1, 2, 3}, PageArchive(1));
    shortArchive[15 + 3] = 0xFF;  // the archive's length no longer fits
    const Case cases[] = {
        {"unit 1", OldMachineData({1, 2, 3}, PageArchive(1)), "rad"},
        {"unit 0", OldMachineData({1, 2, 3}, PageArchive(0)), "deg"},
        {"unit 2", OldMachineData({}, PageArchive(2)), "deg"},
        {"empty first block", zeroFirst, "rad"},
        {"no archive", OldMachineData({9}, {}), "deg"},
        {"wrapping first length", wrapping, "deg"},
        {"archive too long", shortArchive, "deg"},
        {"two bytes", Bytes{1, 2}, "deg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        element = editor->AddElement(MakeExchange(MachineRows(21), "M1"));
        Exchange()->SetAdditionalData(c.data.data(), c.data.size());
        auto machine = MakeMachine(21);
        editor->Attach(*machine, element);
        editor->ClearRequests();
        CString model;
        NamedFile file(Description());
        EXPECT_EQ(4, machine->WriteSimDescr(&file, "IMMANENT", Exchange()));
        EXPECT_EQ(c.unit, P(7057)->GetUsedUnit().str());
        BYTE* left = nullptr;
        EXPECT_EQ(0u, machine->GetAdditionalWizardData(&left));
        EXPECT_EQ(nullptr, left);
        EXPECT_EQ(1u, editor->CountRequests(0));
        EXPECT_EQ("", Exchange()->m_strModelText.str()) << "no model text";
    }
}

TEST_F(MachinePage, DescriptionWithoutImmanentOrDataDoesNothing) {
    const Bytes data = OldMachineData({}, PageArchive(1));
    element = editor->AddElement(MakeExchange(MachineRows(24), "M1"));
    Exchange()->SetAdditionalData(data.data(), data.size());
    auto machine = MakeMachine(24);
    editor->Attach(*machine, element);
    editor->ClearRequests();
    EXPECT_EQ(4, machine->WriteSimDescr(nullptr, "EXTERN", Exchange()));
    EXPECT_EQ("deg", P(7057)->GetUsedUnit().str());
    BYTE* left = nullptr;
    EXPECT_EQ(data.size(), machine->GetAdditionalWizardData(&left));
    machine->SetAdditionalWizardData(nullptr, 0);
    EXPECT_EQ(4, machine->WriteSimDescr(nullptr, "IMMANENT", Exchange()));
    EXPECT_EQ(0u, editor->CountRequests(0));
}

// The page converts the data when it opens, once; the element without 7057 keeps its units.
TEST_F(MachinePage, PageConvertsOlderDataOnceWhenItOpens) {
    const Bytes data = OldMachineData({}, PageArchive(1));
    std::vector<ParamRow> rows = Without(MachineRows(23), 7057);
    element = editor->AddElement(MakeExchange(rows, "M1"));
    Exchange()->SetAdditionalData(data.data(), data.size());
    wizard = MakeMachine(23);
    editor->Attach(*wizard, element);
    editor->ClearRequests();
    sheet = std::make_unique<CPropertySheet>("Element");
    ASSERT_TRUE(wizard->DoEditProperties(*sheet, Exchange(), 1));
    ASSERT_TRUE(sheet->Create());
    EXPECT_EQ(1u, editor->CountRequests(0));
    EXPECT_EQ(1, static_cast<CPropMachine*>(sheet->GetPage(0))->GetPhaseUnit());
    BYTE* left = nullptr;
    EXPECT_EQ(0u, wizard->GetAdditionalWizardData(&left));
    EXPECT_EQ("Current", P(7056)->GetQuantity().str());
}

TEST_F(MachinePage, OtherModesAddNoPageAndASecondEditLosesNone) {
    element = editor->AddElement(MakeExchange(MachineRows(25), "M1"));
    auto machine = MakeMachine(25);
    editor->Attach(*machine, element);
    for (UINT mode : {0u, 2u}) {
        CPropertySheet other("Element");
        machine->DoEditProperties(other, Exchange(), mode);
        EXPECT_EQ(0, other.GetPageCount()) << mode;
    }
    {
        // The first sheet is closed before the second edit, as the editor does.
        {
            CPropertySheet first("Element");
            ASSERT_TRUE(machine->DoEditProperties(first, Exchange(), 1));
        }
        CPropertySheet second("Element");
        ASSERT_TRUE(machine->DoEditProperties(second, Exchange(), 1));  // the first page is deleted
        EXPECT_EQ(1, second.GetPageCount());
    }
    machine->EndEditProperties();
    std::unique_ptr<CWizardBase3> clone(machine->Clone());
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ(3, clone->GetWizardKind());
}

TEST(MachinePhaseUnit, ReaderNeverReadsPastTheBlock) {
    struct Case {
        Bytes data;
        LONG unit;
    };
    std::vector<Case> cases;
    Bytes good = OldMachineData({1}, PageArchive(1));
    cases.push_back({good, 1});
    for (size_t cut = 0; cut < good.size() - 8; ++cut) cases.push_back({Bytes(good.begin(), good.begin() + cut), -1});
    for (const Case& c : cases) {
        // An exact-size heap copy lets the address sanitizer catch a read past the end.
        std::unique_ptr<BYTE[]> copy(new BYTE[c.data.size() + 1]);
        std::copy(c.data.begin(), c.data.end(), copy.get());
        EXPECT_EQ(c.unit, ReadMachinePhaseUnit(copy.get(), static_cast<DWORD>(c.data.size()))) << c.data.size();
    }
    EXPECT_EQ(-1, ReadMachinePhaseUnit(nullptr, 10));
}
