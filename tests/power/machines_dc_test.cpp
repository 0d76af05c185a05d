// The nonlinear DC machine: whole model texts with their data files, the archive bytes, the
// older data, and the page with its two characteristic sheets and pins.
#include "machines_support.h"
#include "tests/support/characteristic_sheet.h"
#include "tests/support/edit_cycle_checks.h"

#include <functional>

using namespace machines_test;
using namespace qv::power;

namespace {

const std::vector<ParamRow> kDcRows = {
    {.id = 7000, .name = "LOAD", .value = "1", .type = 0x4},
    {.id = 7020, .name = "RA", .value = "0.5", .type = 0x4, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 7021, .name = "LA", .value = "1m", .type = 0x4, .quantity = "Inductance", .unit = "H"},
    {.id = 7011, .name = "RE", .value = "20", .type = 0x4, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 7022, .name = "J", .value = "0.1", .type = 0x4},
    {.id = 7059, .name = "IA0", .value = "0", .type = 0x4, .quantity = "Current", .unit = "A"},
    {.id = 7058, .name = "IE0", .value = "0", .type = 0x4, .quantity = "Current", .unit = "A"},
    {.id = 7056, .name = "N0", .value = "0", .type = 0x4},
    {.id = 7057, .name = "PHI0", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg"},
    {.id = 2157, .name = "CHLE", .value = "", .type = 0x4},
    {.id = 1008, .name = "CHLE_FILE", .value = "", .type = 0x100004},
    {.id = 1009, .name = "CHLE_STRG", .value = "", .type = 0x4},
    {.id = 2159, .name = "CHM", .value = "", .type = 0x4},
    {.id = 1010, .name = "CHM_FILE", .value = "", .type = 0x100004},
    {.id = 1011, .name = "CHM_STRG", .value = "", .type = 0x4},
    {.id = 7100, .name = "N", .value = "", .type = 0x8, .unit = "rpm"},
    {.id = 7101, .name = "T", .value = "", .type = 0x8, .unit = "Nm"},
    {.id = 7102, .name = "PHI", .value = "", .type = 0x8},
    {.id = 7106, .name = "IA", .value = "", .type = 0x8, .unit = "A"},
    {.id = 7107, .name = "VA", .value = "", .type = 0x8, .unit = "V"},
};

// The list of the nine parameters; the last entry of a list ends with a blank of its own.
constexpr char kList[] = "LOAD := @LOAD, RA := @RA, LA := @LA, RE := @RE, J := @J, IA0 := @IA0, IE0 := @IE0, "
                         "N0 := @N0, PHI0 := @PHI0, ";

class DcMachine : public MachinesTest {
protected:
    std::unique_ptr<CDCMachineNonlinearWizard4> MakeWizard(const std::vector<ParamRow>& rows = kDcRows) {
        auto wizard = NewWizard<CDCMachineNonlinearWizard4>(rows, "M1", &element);
        EXPECT_TRUE(wizard->Initialize(0));
        return wizard;
    }
    // Two data pairs in `table`: OK refuses a characteristic table of data pairs without one.
    static void GivePairs(CPropCharacteristicXYTable& table) {
        LoadTable(table, TableBytes(1, "", 0, {{0, 0.1}, {1, 0.2}}, ""));
    }
    std::string Write(CDCMachineNonlinearWizard4& wizard) {
        CString model = "DCM ( @PARAMLIST )";
        NamedFile file(Description());
        EXPECT_EQ(4, wizard.WriteSimDescr(&file, "IMMANENT", model));
        return model.str();
    }
    fs::path ModelFile(const char* name) const { return root / "model" / name; }
};

} // namespace

// Both characteristics as data pairs: two tables, two default file names, two data files.
TEST_F(DcMachine, TwoDataPairTablesAndTheirFiles) {
    auto wizard = MakeWizard();
    {
        OpenPage<CDCMachineNonlinearWizard4> open(*wizard);
        CWnd* page = open.Page();
        std::string xLabel;
        qv::UserScript::Instance().ExpectSheet([&](CPropertySheet& inner) {
            xLabel = static_cast<CPropCharacteristicXYTable*>(inner.GetActivePage())->GetXAxisLabel().str();
            EnterPairs(inner, "0.2");
        });
        ASSERT_TRUE(qv::ui::Click(page, 2157));
        EXPECT_EQ("i [A]", xLabel);
        qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { EnterPairs(inner, "0.9"); });
        ASSERT_TRUE(qv::ui::Click(page, 2159));
        ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    }
    EXPECT_EQ(0u, wizard->GetFlags());
    EXPECT_EQ("Demo__M1__CHLE.mdx", P(1008)->GetValue().str()) << "the default name after apply";
    EXPECT_EQ(std::string("DCM ( ") + kList +
                  "CHLE := XY_M1_CHLE.VAL, CHM := XY_M1_CHM.VAL  )"
                  "\nINTERN\tXY XY_M1_CHM( FILE := \"Demo__M1__CHM.mdx\" );"
                  "\nINTERN\tXY XY_M1_CHLE( FILE := \"Demo__M1__CHLE.mdx\" );",
              Write(*wizard));
    const std::string excitation = ReadFile(ModelFile("Demo__M1__CHLE.mdx"));
    const std::string magnetization = ReadFile(ModelFile("Demo__M1__CHM.mdx"));
    EXPECT_NE(std::string::npos, excitation.find("L [H]")) << excitation;
    EXPECT_NE(std::string::npos, excitation.find("i [A]"));
    EXPECT_NE(std::string::npos, excitation.find("0.2"));
    EXPECT_NE(std::string::npos, magnetization.find("psi [Vs]")) << magnetization;
    EXPECT_NE(std::string::npos, magnetization.find("0.9"));
}

// The second table's sheet refuses the first table's file, whatever names it (the first table's
// default name too, a symbolic link to it), and takes a file of its own; the first table's file
// keeps its table.
TEST_F(DcMachine, ASheetRefusesTheOtherTablesFile) {
    editor->Document().SetPathName((root / "doc.qsc").c_str());
    fs::create_symlink("M1.mdx", root / "link.mdx");
    const struct {
        const char* first;  // null: the first table keeps no file of its own
        const char* second;
        const char* shared;
    } cases[] = {{"*.mdx", "*.mdx", "M1.mdx"},
                 {"*.mdx", "M1.mdx", "M1.mdx"},
                 {"*.mdx", "M1.txt", "M1.mdx"},
                 {"*.mdx", "link.mdx", "link.mdx"},
                 {nullptr, "Demo__M1__CHLE.mdx", "Demo__M1__CHLE.mdx"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        fs::remove(root / "M1.mdx");
        // The file the case before wrote: without an element to mark it, it would be the user's.
        fs::remove(root / "M2.mdx");
        auto wizard = MakeWizard();
        OpenPage<CDCMachineNonlinearWizard4> open(*wizard);
        const auto enter = [](CPropertySheet& inner, const char* y, const char* file) {
            EnterPairs(inner, y);
            if (file == nullptr) return;
            ASSERT_TRUE(qv::ui::Click(inner.GetActivePage(), 2116));
            ASSERT_TRUE(qv::ui::TypeText(inner.GetActivePage()->GetDlgItem(2117), file));
        };
        auto& script = qv::UserScript::Instance();
        script.ExpectSheet([&](CPropertySheet& inner) { enter(inner, "0.2", c.first); });
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2157));
        const std::string first = c.first != nullptr ? ReadFile(root / "M1.mdx") : std::string();
        script.ExpectSheet(
            [&](CPropertySheet& inner) {
                enter(inner, "0.9", c.second);
                script.ExpectMessageBox(IDOK, std::string("The tables CHLE and CHM would both be written to ") +
                                                  c.shared + ": each table needs a file of its own.");
                EXPECT_FALSE(qv::ui::PressOK(&inner));
                ASSERT_TRUE(qv::ui::TypeText(inner.GetActivePage()->GetDlgItem(2117), "M2.mdx"));
                EXPECT_TRUE(qv::ui::PressOK(&inner));
            },
            0);
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2159));
        if (c.first != nullptr) {
            EXPECT_EQ(first, ReadFile(root / "M1.mdx"));
        }
        EXPECT_FALSE(fs::exists(root / "Demo__M1__CHLE.mdx"));
        EXPECT_NE(std::string::npos, ReadFile(root / "M2.mdx").find("0.9"));
    }
}

// Two tables in one data file would lose one of them: the description writes neither and tells
// the editor, naming both tables and the file.
TEST_F(DcMachine, TablesThatNameOneFileAreNotWritten) {
    auto wizard = MakeWizard();
    {
        OpenPage<CDCMachineNonlinearWizard4> open(*wizard);
        for (const auto& [button, file] : {std::pair{2157, "a.mdx"}, std::pair{2159, "b.mdx"}}) {
            const std::string path = (root / file).string();
            qv::UserScript::Instance().ExpectSheet([&path](CPropertySheet& inner) {
                EnterPairs(inner, "0.5");
                ASSERT_TRUE(qv::ui::Click(inner.GetActivePage(), 2116));
                ASSERT_TRUE(qv::ui::TypeText(inner.GetActivePage()->GetDlgItem(2117), path.c_str()));
            });
            ASSERT_TRUE(qv::ui::Click(open.Page(), button));
        }
        ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    }
    ASSERT_EQ(kDcmExcitationUserFile | kDcmMagnetizationUserFile, wizard->GetFlags());
    // As older data may hold them: both parameters name one file.
    const std::string shared = (root / "M1.mdx").string();
    P(1008)->SetValue(shared.c_str());
    P(1010)->SetValue(shared.c_str());
    // Or one through a symbolic link to the other.
    fs::create_symlink("M1.mdx", root / "link.mdx");
    for (const std::string& first : {shared, (root / "link.mdx").string()}) {
        SCOPED_TRACE(first);
        P(1008)->SetValue(first.c_str());
        editor->ClearRequests();
        Write(*wizard);
        ASSERT_EQ(1u, editor->CountRequests(8));
        for (const auto& request : editor->Requests()) {
            if (request.code != 8) continue;
            EXPECT_EQ("The tables CHLE and CHM would both be written to " + first + ": each table needs a file of its own.",
                      request.text);
        }
        EXPECT_FALSE(fs::exists(shared));
    }
}

// The excitation as a file reference: its variable written bare, no excitation file.
TEST_F(DcMachine, ExcitationFileReference) {
    auto wizard = MakeWizard();
    {
        OpenPage<CDCMachineNonlinearWizard4> open(*wizard);
        qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { EnterReference(inner, "EXTAB"); });
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2157));
        qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { EnterPairs(inner, "0.9"); });
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2159));
        ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    }
    EXPECT_EQ(kDcmExcitationReference, wizard->GetFlags());
    EXPECT_EQ("EXTAB", P(1009)->GetValue().str());
    EXPECT_EQ(std::string("DCM ( ") + kList +
                  "CHLE := XY_M1_CHLE.VAL, CHM := XY_M1_CHM.VAL  )"
                  "\nINTERN\tXY XY_M1_CHM( FILE := \"Demo__M1__CHM.mdx\" );"
                  "\nINTERN\tXY XY_M1_CHLE( FILE := EXTAB );",
              Write(*wizard));
    EXPECT_TRUE(fs::exists(ModelFile("Demo__M1__CHM.mdx")));
    EXPECT_FALSE(fs::exists(ModelFile("EXTAB"))) << "a reference never becomes a file";
    EXPECT_FALSE(fs::exists(ModelFile("Demo__M1__CHLE.mdx")));
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root / "model")) ++files;
    EXPECT_EQ(1u, files);
}

// Both characteristics on pins: plain names in the list, no table, no file, no folder.
TEST_F(DcMachine, BothCharacteristicsOnPins) {
    auto wizard = MakeWizard();
    {
        OpenPage<CDCMachineNonlinearWizard4> open(*wizard);
        CWnd* page = open.Page();
        ASSERT_TRUE(qv::ui::Click(page, 2158));
        EXPECT_FALSE(Enabled(page, 2157));
        EXPECT_TRUE(P(2157)->HasPin());
        ASSERT_TRUE(qv::ui::Click(page, 2160));
        EXPECT_FALSE(Enabled(page, 2159));
        ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    }
    EXPECT_EQ(0u, wizard->Settings().excitationLookUp);
    EXPECT_EQ(0u, wizard->Settings().magnetizationLookUp);
    g_ModelOutputDir.Empty();
    EXPECT_EQ(std::string("DCM ( ") + kList + "CHLE := @CHLE, CHM := @CHM  )", Write(*wizard));
    EXPECT_TRUE(fs::is_empty(root / "model"));
    EXPECT_TRUE(g_ModelOutputDir.IsEmpty());
    EXPECT_TRUE(Unused(editor->Holder(element), 1008));
    EXPECT_FALSE(Unused(editor->Holder(element), 2157));
}

// Unticking the pin gives the button back and the look-up flag from the table.
TEST_F(DcMachine, PinOffRestoresTheLookUpTable) {
    auto wizard = MakeWizard();
    GivePairs(wizard->ExcitationTable());
    wizard->ExcitationTable().SetReference("XY.VAL");
    GivePairs(wizard->MagnetizationTable());
    OpenPage<CDCMachineNonlinearWizard4> open(*wizard);
    CWnd* page = open.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2158));
    ASSERT_TRUE(qv::ui::Click(page, 2158));
    EXPECT_TRUE(Enabled(page, 2157));
    EXPECT_FALSE(P(2157)->HasPin());
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(1u, wizard->Settings().excitationLookUp);
    EXPECT_EQ("XY.VAL", P(2157)->GetValue().str()) << "an empty reference takes the table's";
    ASSERT_EQ(11, wizard->Snapshots().GetSize());
    EXPECT_EQ("@CHLE", static_cast<CCopaObjectCompare*>(wizard->Snapshots()[9])->GetName().str());
}

// A return from a file reference to data pairs drops the reference bit.
TEST_F(DcMachine, FlagsFollowTheTablesOnEveryApply) {
    auto wizard = MakeWizard();
    GivePairs(wizard->MagnetizationTable());
    OpenPage<CDCMachineNonlinearWizard4> open(*wizard);
    qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { EnterReference(inner, "EXTAB"); });
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2157));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(kDcmExcitationReference, wizard->GetFlags());
    qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { EnterPairs(inner, "0.3"); });
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2157));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0u, wizard->GetFlags());
}

TEST_F(DcMachine, OutputsAndCellsReachTheParameters) {
    auto wizard = MakeWizard();
    GivePairs(wizard->ExcitationTable());
    GivePairs(wizard->MagnetizationTable());
    OpenPage<CDCMachineNonlinearWizard4> open(*wizard);
    CWnd* page = open.Page();
    EXPECT_FALSE(Visible(page, 2139));
    ExpectTexts(page, {{2136, "Rotor Speed [rpm]"}, {2140, "Rotor Position"}, {2142, "Armature Voltage [V]"}});
    ASSERT_TRUE(qv::ui::Click(page, 2141));
    EXPECT_TRUE(OutputOn(editor->Holder(element), 7106));
    ASSERT_TRUE(qv::ui::EditListCell(page->GetDlgItem(2132), 1, 1, "0.7"));
    ASSERT_TRUE(qv::ui::EditListCell(page->GetDlgItem(2132), 2, 1, ""));
    ASSERT_TRUE(qv::ui::EditListCell(page->GetDlgItem(2134), 3, 2, "rad"));
    // A blank cell is refused, as a blank field is: the stored value does not stand in for it.
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
    EXPECT_FALSE(qv::ui::PressOK(&open.Sheet()));
    ExpectValues(editor->Holder(element), {{7020, "0.5"}, {7021, "1m"}});
    ASSERT_TRUE(qv::ui::EditListCell(page->GetDlgItem(2132), 2, 1, "2m"));
    ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    ExpectValues(editor->Holder(element), {{7020, "0.7"}, {7021, "2m"}});
    EXPECT_EQ("rad", P(7057)->GetUsedUnit().str());
}

TEST_F(DcMachine, DescriptionWithoutImmanentAndTheRotorPositionPlaceholder) {
    auto wizard = MakeWizard();
    editor->ClearRequests();
    EXPECT_EQ("@PARAMLIST", WrittenAskingNothing(*wizard, *editor, "EXTERN", "@PARAMLIST"));

    // A snapshot list of older data names the rotor position "@PHI0".
    CPtrArray snapshots;
    CCopaObjectCompare position;
    position.SetName("@PHI0");
    position.SetType(0x4);
    snapshots.Add(&position);
    DcmSettings settings = wizard->Settings();
    settings.excitationLookUp = settings.magnetizationLookUp = 0;
    wizard->SetCharacteristicSettings(settings, &snapshots);
    editor->ClearRequests();
    EXPECT_EQ("DCM ( PHI0  )", Write(*wizard)) << "the last entry of the list ends with a blank";
    EXPECT_EQ("rad", P(7057)->GetUsedUnit().str());
    EXPECT_EQ(1u, editor->CountRequests(25));
}

// The wizard's block, byte for byte, and a load of it.
TEST_F(DcMachine, ArchiveBytes) {
    CDCMachineNonlinearWizard4 wizard;
    CPtrArray snapshots;
    CCopaObjectCompare snapshot;
    snapshot.SetName("@CHLE");
    snapshot.SetType(0x100004);
    snapshot.SetExtType(0x20000);
    snapshots.Add(&snapshot);
    wizard.SetCharacteristicSettings(DcmSettings{.excitationLookUp = 1, .magnetizationLookUp = 0, .flags = 0x8002,
                                                 .excitationX = "i [A]", .excitationY = "L [H]",
                                                 .magnetizationX = "i [A]", .magnetizationY = "psi [Vs]"},
                                     &snapshots);
    wizard.SetChannelUnits("A", "H", "", "Vs");
    Bytes expected;
    Word(expected, 0);
    Dword(expected, 0x8002);
    Dword(expected, 1);
    Dword(expected, 0);
    for (const char* text : {"i [A]", "L [H]", "A", "H", "i [A]", "psi [Vs]", "", "Vs"}) Str(expected, text);
    Append(expected, TableBytes(1, ".mdx", 0, {}, ""));
    Word(expected, 0x8001);  // the same class again
    Dword(expected, 10);
    Dword(expected, 1);
    Str(expected, "");
    Str(expected, ".mdx");
    Dword(expected, 0);
    Dword(expected, 0);
    Dword(expected, 1);
    Str(expected, "");
    Dword(expected, 1);
    NewClass(expected, "CCopaObjectCompare");
    Dword(expected, 10);
    Str(expected, "@CHLE");
    Dword(expected, 0x100004);
    Dword(expected, 0x20000);
    const Bytes stored = Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(expected, stored);

    CDCMachineNonlinearWizard4 loaded;
    Loaded(stored, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(0x8002u, loaded.GetFlags());
    EXPECT_EQ(0u, loaded.Settings().magnetizationLookUp);
    EXPECT_EQ("psi [Vs]", loaded.Settings().magnetizationY.str());
    EXPECT_EQ("H", loaded.Unit(1).str());
    ASSERT_EQ(1, loaded.Snapshots().GetSize());
    EXPECT_EQ("@CHLE", static_cast<CCopaObjectCompare*>(loaded.Snapshots()[0])->GetName().str());
    std::unique_ptr<CWizardBase4> clone(loaded.Clone());
    auto* copy = static_cast<CDCMachineNonlinearWizard4*>(clone.get());
    ASSERT_EQ(1, copy->Snapshots().GetSize());
    EXPECT_NE(loaded.Snapshots()[0], copy->Snapshots()[0]) << "a clone has its own snapshots";

    CDCMachineNonlinearWizard4 other;
    Loaded(Bytes{1, 0, 2, 0, 0, 0}, [&](CArchive& ar) { other.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1, other.GetSchema());
    EXPECT_EQ(0u, other.GetFlags());
    EXPECT_TRUE(Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion3); }).empty());
}

// Short blocks set only what they hold; the flags stay when the set lacks the six
// characteristic parameters.
TEST_F(DcMachine, ShortOlderBlocks) {
    std::vector<ParamRow> rows;
    for (const ParamRow& row : kDcRows)
        if (row.id != 1008 && row.id != 1009 && row.id != 1010 && row.id != 1011) rows.push_back(row);
    struct Case {
        Bytes data;
        DWORD flags;
    };
    // Snapshots that end the block are not read: the older generation always wrote more.
    Bytes snapshotsLast = Dwords({2, 1});
    Bytes snapshot;
    NewClass(snapshot, "CCopaObjectCompare");
    Dword(snapshot, 10);
    Str(snapshot, "RA");
    Dword(snapshot, 4);
    Dword(snapshot, 0);
    Dword(snapshotsLast, static_cast<DWORD>(snapshot.size()));
    snapshotsLast.insert(snapshotsLast.end(), snapshot.begin(), snapshot.end());
    const Case cases[] = {
        {{}, 0},
        {{2, 0}, 0},
        {{2, 0, 0, 0}, 2},
        {{2, 0x40, 0, 0, 3, 0, 0, 0}, 0x4002},
        {{2, 0, 0, 0, 5, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 2},
        {snapshotsLast, 2},
    };
    for (const Case& c : cases) {
        auto wizard = NewWizard<CDCMachineNonlinearWizard4>(rows, "M1", &element);
        std::unique_ptr<BYTE[]> copy(new BYTE[c.data.size() + 1]);
        std::copy(c.data.begin(), c.data.end(), copy.get());
        EXPECT_TRUE(wizard->DoConvertWizard3Data(copy.get(), static_cast<long>(c.data.size())));
        EXPECT_EQ(c.flags, wizard->GetFlags()) << c.data.size();
        EXPECT_EQ(0, wizard->Snapshots().GetSize());
        EXPECT_EQ("i [A]", wizard->Settings().excitationX.str()) << "the page's labels";
    }
}

// A full older block: snapshots, page state, both table states and the label blocks.
TEST_F(DcMachine, OlderBlockWithTablesAndTexts) {
    Bytes snapshots;
    NewClass(snapshots, "CCopaObjectCompare");
    Dword(snapshots, 10);
    Str(snapshots, "RA");
    Dword(snapshots, 4);
    Dword(snapshots, 0);
    Bytes page;
    NewClass(page, "CPropDCMENLMachine", 10);
    Dword(page, 3);  // version 3: the unit, no upgraded flag
    Dword(page, 1);
    Dword(page, 1);
    Dword(page, 1);  // radian
    const Bytes excitation = TableBytes(1, "ex.mdx", 1, {{0, 0.1}, {1, 0.2}}, "");
    const Bytes magnetization = TableBytes(0, "", 0, {}, "MTAB");
    Bytes tables;
    Dword(tables, static_cast<DWORD>(excitation.size()));
    Append(tables, excitation);
    Dword(tables, static_cast<DWORD>(magnetization.size()));
    Append(tables, magnetization);
    Bytes points;
    for (const char* y : {"L [H]", "psi [Vs]"}) {
        Dword(points, 1);
        Double(points, 1);
        Double(points, 2);
        OldText(points, "i [A]");
        OldText(points, y);
        OldText(points, "A");
        OldText(points, y[0] == 'L' ? "H" : "Vs");
    }
    Bytes block = Dwords({0, 1});
    for (const Bytes* part : {&snapshots, &page, &tables, &points}) {
        Dword(block, static_cast<DWORD>(part->size()));
        Append(block, *part);
    }
    auto wizard = NewWizard<CDCMachineNonlinearWizard4>(kDcRows, "M1", &element);
    P(2157)->SetValue("old.mdx");
    ASSERT_TRUE(ConvertOlder(*wizard, block));
    ASSERT_EQ(1, wizard->Snapshots().GetSize());
    EXPECT_EQ("RA", static_cast<CCopaObjectCompare*>(wizard->Snapshots()[0])->GetName().str());
    EXPECT_EQ(2, wizard->ExcitationTable().Points().GetSize());
    EXPECT_EQ("MTAB", wizard->MagnetizationTable().GetVariableName().str());
    EXPECT_EQ(kDcmExcitationUserFile | kDcmMagnetizationReference, wizard->GetFlags());
    EXPECT_EQ("H", wizard->Unit(1).str());
    EXPECT_EQ("Vs", wizard->Unit(3).str());
    EXPECT_EQ("psi [Vs]", wizard->Settings().magnetizationY.str());
    EXPECT_EQ("rad", P(7057)->GetUsedUnit().str());
    EXPECT_EQ("old.mdx", P(1008)->GetValue().str()) << "the old value moved into the file parameter";
    EXPECT_TRUE(Unused(editor->Holder(element), 2157));

    // A snapshot count beyond 10,000 reads no snapshot; the rest of the block still counts.
    Bytes hostile = block;
    hostile[4] = hostile[5] = hostile[6] = hostile[7] = 0xFF;
    auto refused = NewWizard<CDCMachineNonlinearWizard4>(kDcRows, "M1", &element);
    ASSERT_TRUE(ConvertOlder(*refused, hostile));
    EXPECT_EQ(0, refused->Snapshots().GetSize());
    EXPECT_EQ(2, refused->ExcitationTable().Points().GetSize());

    // Every shorter cut of the block converts without reading past its end and keeps each part
    // that lies whole before the cut; the snapshots are read only when more data follows them.
    const size_t snapshotsEnd = 12 + snapshots.size();
    const size_t pageEnd = snapshotsEnd + 4 + page.size();
    const size_t tablesEnd = pageEnd + 4 + tables.size();
    for (size_t cut = 0; cut < block.size(); cut += 3) {
        SCOPED_TRACE(cut);
        auto again = NewWizard<CDCMachineNonlinearWizard4>(kDcRows, "M1", &element);
        std::unique_ptr<BYTE[]> copy(new BYTE[cut + 1]);
        std::copy(block.begin(), block.begin() + static_cast<long>(cut), copy.get());
        again->DoConvertWizard3Data(copy.get(), static_cast<long>(cut));
        EXPECT_EQ(cut > snapshotsEnd ? 1 : 0, again->Snapshots().GetSize());
        EXPECT_EQ(cut >= pageEnd, P(7057)->GetUsedUnit() == "rad");
        EXPECT_EQ(cut >= tablesEnd ? 2 : 0, again->ExcitationTable().Points().GetSize());
        EXPECT_EQ(cut >= tablesEnd ? "MTAB" : "", again->MagnetizationTable().GetVariableName().str());
    }
}

// Leaving the page marks the characteristic parameters the element does not use.
TEST_F(DcMachine, KillActiveMarksTheParametersOfEachForm) {
    struct Case {
        const char* what;
        std::function<void(CWnd*)> act;
        bool unused2157, unused1008, unused1009;
    };
    const Case cases[] = {
        {"data pairs", [](CWnd*) {}, true, false, true},
        {"pin", [](CWnd* page) { ASSERT_TRUE(qv::ui::Click(page, 2158)); }, false, true, true},
        {"file reference",
         [](CWnd* page) {
             qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { EnterReference(inner, "EX"); });
             ASSERT_TRUE(qv::ui::Click(page, 2157));
         },
         true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto wizard = MakeWizard();
        OpenPage<CDCMachineNonlinearWizard4> open(*wizard);
        c.act(open.Page());
        ASSERT_TRUE(static_cast<CPropertyPage*>(open.Page())->OnKillActive());
        ParamHolder* holder = editor->Holder(element);
        EXPECT_EQ(c.unused2157, Unused(holder, 2157));
        EXPECT_EQ(c.unused1008, Unused(holder, 1008));
        EXPECT_EQ(c.unused1009, Unused(holder, 1009));
        EXPECT_TRUE(Unused(holder, 2159)) << "the magnetisation stays a table of data pairs";
        EXPECT_FALSE(Unused(holder, 1010));
        EXPECT_TRUE(Unused(holder, 1011));
    }
}

// A wizard without snapshots is re-initialised before writing, with its own settings: the
// characteristics on pins stay on pins.
TEST_F(DcMachine, ReinitialisingKeepsTheWizardsSettings) {
    auto wizard = NewWizard<CDCMachineNonlinearWizard4>(kDcRows, "M1", &element);
    DcmSettings settings = wizard->Settings();
    settings.excitationLookUp = settings.magnetizationLookUp = 0;
    wizard->SetCharacteristicSettings(settings, nullptr);
    wizard->SetChannelUnits("A", "H", "A", "Vs");
    EXPECT_EQ(std::string("DCM ( ") + kList + "CHLE := @CHLE, CHM := @CHM  )", Write(*wizard));
    EXPECT_EQ(0u, wizard->Settings().excitationLookUp);
    EXPECT_EQ(11, wizard->Snapshots().GetSize());
    EXPECT_EQ("Vs", wizard->Unit(3).str()) << "the units are kept";
    EXPECT_TRUE(fs::is_empty(root / "model"));
}

// A second edit gives the first page's parameter set back; none is lost.
TEST_F(DcMachine, SecondEditGivesTheFirstSetBack) {
    // The editor closes its sheets before it ends the edit.
    ExpectSecondEditGivesTheFirstSetBack(*MakeWizard(), *editor, false);
}
