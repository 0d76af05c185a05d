// The nonlinear transformer: model text with its characteristic, the archive block it
// shares with the resistor, conversions of older data, and its page driven as a user.
#include "passive_support.h"
#include "tests/support/characteristic_sheet.h"
#include "tests/support/edit_cycle_checks.h"
#include "tests/support/text_files.h"

#include "framework/param_access.h"
#include "framework/placeholders.h"
#include "passive/nonlinear_transformer.h"

#include <fstream>
#include <sstream>

using namespace passive_test;

namespace {

using qv_test::NamedFile;
using qv_test::ReadFile;

constexpr DWORD kIn = 0x4;
constexpr DWORD kPin = 0x80000000u;

const std::vector<ParamRow> kRows = {
    {.id = 2477, .name = "LS1", .value = "1m", .type = kIn, .quantity = "Inductance", .unit = "H"},
    {.id = 2479, .name = "LS2", .value = "2m", .type = kIn, .quantity = "Inductance", .unit = "H"},
    {.id = 2483, .name = "RCU1", .value = "0.1", .type = kIn, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2485, .name = "RCU2", .value = "0.2", .type = kIn, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2112, .name = "RFE", .value = "1k", .type = kIn, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2486, .name = "KTR", .value = "2", .type = kIn},
    {.id = 2016, .name = "CH", .value = "", .type = kIn},
    {.id = 1006, .name = "CH_FILE", .value = "", .type = kIn},
    {.id = 1007, .name = "CH_STRG", .value = "", .type = kIn},
    {.id = 2371, .name = "V1", .value = "", .type = 0x8, .unit = "V", .description = "Voltage Primary Side"},
    {.id = 2372, .name = "I1", .value = "", .type = 0x8, .unit = "A", .description = "Current Primary Side"},
    {.id = 2373, .name = "V2", .value = "", .type = 0x8, .unit = "V", .description = "Voltage Secondary Side"},
    {.id = 2374, .name = "I2", .value = "", .type = 0x8, .unit = "A", .description = "Current Secondary Side"},
};

const std::vector<const char*> kRest = {"LS1", "LS2", "RCU1", "RCU2", "RFE", "KTR"};

std::vector<const char*> With(const char* first) {
    std::vector<const char*> names = {first};
    names.insert(names.end(), kRest.begin(), kRest.end());
    return names;
}

class NonlinearTransformer : public PassiveTest {
protected:
    std::string Write(CNonlinearTransformerWizard4& wizard, const char* model, const char* templ = "IMMANENT") {
        CString text = model;
        NamedFile file((root / "model" / "d.qvm").string());
        EXPECT_EQ(4, wizard.WriteSimDescr(&file, templ, text));
        return text.str();
    }
};

constexpr char kModel[] = "TRNL TN1 ( @PARAMLIST);";
const std::string kList = "LS1 := @LS1, LS2 := @LS2, RCU1 := @RCU1, RCU2 := @RCU2, RFE := @RFE, KTR := @KTR ";

// ---------------------------------------------------------------------------------------
// Model text.

TEST_F(NonlinearTransformer, DataPairsWriteTheTableNameTheDeclarationAndTheDataFile) {
    DWORD element = 0;
    auto wizard = NewWizard<CNonlinearTransformerWizard4>(kRows, "TN1", &element);
    LoadTable(wizard->GetCharacteristic(), TableBytes(1, ".mdx", 0, {{0.0, 0.01}, {1.0, 0.005}}, 1, ""));
    StoreState(*wizard, 1, 0, "i [A]", "L [H]", With("@CH"));
    const std::string text = Write(*wizard, kModel);
    EXPECT_EQ("TRNL TN1 ( XY_TN1_CH, " + kList + ");\nINTERN\tXY XY_TN1_CH( FILE := \"Demo__TN1.mdx\" );", text);
    EXPECT_EQ("Demo__TN1.mdx", Param(editor->Holder(element), 1006)->GetValue().str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_TRUE(fs::exists(root / "model" / "Demo__TN1.mdx"));
    EXPECT_NE(std::string::npos, ReadFile(root / "model" / "Demo__TN1.mdx").find("channel \"i [A]\""));
    EXPECT_EQ(0, g_PlaceholderList.GetSize());
}

TEST_F(NonlinearTransformer, OtherWaysOfGivingTheCharacteristic) {
    struct Case {
        const char* what;
        DWORD mode;
        DWORD lookUp;
        const char* first;
        DWORD chType;
        const char* userFile;
        const char* model;
        const char* templ;
        std::string expected;
        size_t commits;
        bool fileWritten;
    };
    const Case cases[] = {
        {"file reference", kModeFileReference, 1, "@CH", kIn, "", kModel, "IMMANENT",
         "TRNL TN1 ( XY_TN1_CH, " + kList + ");\nINTERN\tXY XY_TN1_CH( FILE := LTAB );", 0, false},
        {"pin", 0, 0, "CH", kIn | kPin, "", kModel, "IMMANENT", "TRNL TN1 ( CH := @CH, " + kList + ");", 0, false},
        {"user file", kModeUserFile, 1, "@CH", kIn, "mine.mdx", kModel, "IMMANENT",
         "TRNL TN1 ( XY_TN1_CH, " + kList + ");\nINTERN\tXY XY_TN1_CH( FILE := \"mine.mdx\" );", 0, true},
        {"no parameter list", 0, 1, "@CH", kIn, "", "TRNL TN1;", "IMMANENT",
         "TRNL TN1;\nINTERN\tXY XY_TN1_CH( FILE := \"Demo__TN1.mdx\" );", 1, true},
        {"no IMMANENT", 0, 1, "@CH", kIn, "", kModel, "", kModel, 0, false},
    };
    for (const Case& c : cases) {
        std::vector<ParamRow> rows = kRows;
        rows[6].type = c.chType;
        rows[7].value = c.userFile;
        DWORD element = 0;
        auto wizard = NewWizard<CNonlinearTransformerWizard4>(rows, "TN1", &element);
        LoadTable(wizard->GetCharacteristic(),
                  TableBytes(1, ".mdx", 0, {{0.0, 0.01}, {1.0, 0.005}}, (c.mode & kModeFileReference) ? 0 : 1, "LTAB"));
        StoreState(*wizard, c.lookUp, c.mode, "", "", With(c.first));
        wizard->SetVariableName("LTAB");
        fs::remove_all(root / "model");
        fs::create_directories(root / "model");
        editor->ClearRequests();
        EXPECT_EQ(c.expected, Write(*wizard, c.model, c.templ)) << c.what;
        EXPECT_EQ(c.commits, editor->CountRequests(WIZREQ_COMMIT_PARAMS)) << c.what;
        const bool written = fs::exists(root / "model" / "Demo__TN1.mdx") || fs::exists(root / "model" / "mine.mdx");
        EXPECT_EQ(c.fileWritten, written) << c.what;
        EXPECT_EQ(0, g_PlaceholderList.GetSize()) << c.what;
    }
}

// ---------------------------------------------------------------------------------------
// Archive: the resistor's block byte for byte.

TEST_F(NonlinearTransformer, ArchiveBlockEqualsTheResistorsForTheSameState) {
    const Bytes table = TableBytes(1, "x.mdx", 1, {{0.0, 0.0}, {2.0, 0.5}}, 1, "");
    CNonlinearTransformerWizard4 transformer;
    CResistorWizard4 resistor;
    for (CPassiveResAndConWizardBase4* wizard : {static_cast<CPassiveResAndConWizardBase4*>(&transformer),
                                                 static_cast<CPassiveResAndConWizardBase4*>(&resistor)}) {
        LoadTable(wizard->GetCharacteristic(), table);
        StoreState(*wizard, 1, kModeUserFile, "i", "L", With("@CH"));
        wizard->SetXSecondText("x2");
    }
    transformer.SetVariableName("not archived");
    transformer.SetFileName("not archived");
    const Bytes bytes = Stored([&](CArchive& ar) { transformer.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(Stored([&](CArchive& ar) { resistor.Serialize(ar, eSheetVersion4); }), bytes);

    CNonlinearTransformerWizard4 loaded;
    Loaded(bytes, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(bytes, Stored([&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); }));
    EXPECT_TRUE(loaded.GetVariableName().IsEmpty());
    std::unique_ptr<CWizardBase4> clone(transformer.Clone());
    auto* copy = dynamic_cast<CNonlinearTransformerWizard4*>(clone.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_TRUE(copy->GetFileName().IsEmpty()) << "names are not cloned";
    EXPECT_EQ(bytes, Stored([&](CArchive& ar) { copy->Serialize(ar, eSheetVersion4); }));
}

// ---------------------------------------------------------------------------------------
// Older data.

Bytes NonlinearPageBlock(const std::string& ktr, DWORD kind, const std::string& variable, const std::string& file) {
    Bytes out;
    NewClass(out, "CPropPassive2WTrafoNonLinear");
    Dword(out, 10);
    Str(out, ktr);
    Dword(out, kind);
    Str(out, variable);
    Str(out, file);
    return out;
}

TEST_F(NonlinearTransformer, ConversionTakesModePageTableAndTexts) {
    Bytes snapshots;
    NewClass(snapshots, "CCopaObjectCompare");
    Dword(snapshots, 10);
    Str(snapshots, "@CH");
    Dword(snapshots, 0x4);
    Dword(snapshots, 0);
    const Bytes page = NonlinearPageBlock("3", 1, "VAR", "old.mdx");
    const Bytes table = TableBytes(1, "old.mdx", 1, {{0.0, 0.02}, {1.0, 0.01}}, 1, "");
    const Bytes texts = OlderPointBlock({{0.0, 0.0}}, {"i [A]", "L [H]", "x2", "y2"});
    Bytes data = Dwords({kModeUserFile, 1, static_cast<DWORD>(snapshots.size())});
    Append(data, snapshots);
    for (const Bytes* part : {&page, &table, &texts}) {
        Dword(data, static_cast<DWORD>(part->size()));
        Append(data, *part);
    }
    auto wizard = NewWizard<CNonlinearTransformerWizard4>(kRows, "TN1");
    ConvertOlder(*wizard, data);
    EXPECT_EQ(kModeUserFile, wizard->GetModeWord());
    EXPECT_EQ(1u, wizard->GetLookUpFlag());
    EXPECT_EQ(std::vector<std::string>{"@CH"}, SnapshotNames(wizard->GetSnapshots()));
    EXPECT_EQ("VAR", wizard->GetVariableName().str());
    EXPECT_EQ("old.mdx", wizard->GetFileName().str());
    EXPECT_EQ("i [A]", wizard->GetXAxisLabel().str());
    EXPECT_EQ("y2", wizard->GetYSecondText().str());
    CPtrArray* points = nullptr;
    wizard->GetCharacteristic().GetPoints(&points);
    ASSERT_NE(nullptr, points);
    EXPECT_EQ(2, points->GetSize());

    // The same data cut at every length converts without reading past its end.
    for (size_t cut = 0; cut < data.size(); cut += 3) {
        auto other = NewWizard<CNonlinearTransformerWizard4>(kRows, "TN2");
        std::vector<BYTE> exact(data.begin(), data.begin() + static_cast<long>(cut));
        ConvertOlder(*other, exact);
    }
    EXPECT_EQ(0, editor->OutstandingCookies());
}

// ---------------------------------------------------------------------------------------
// The page.

TEST_F(NonlinearTransformer, NewElementShowsAReference) {
    std::vector<ParamRow> rows = kRows;
    rows[6].value = "CURVE";  // OK refuses a reference without a value
    auto wizard = NewWizard<CNonlinearTransformerWizard4>(rows, "TN1");
    wizard->Initialize(0);
    EXPECT_EQ(1u, wizard->GetLookUpFlag());
    EXPECT_EQ("@CH", SnapshotNames(wizard->GetSnapshots())[0]);
    OpenPage open(*wizard);
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0u, wizard->GetLookUpFlag()) << "the table's new kind is a Reference";
    EXPECT_EQ("CH", SnapshotNames(wizard->GetSnapshots())[0]);
}

TEST_F(NonlinearTransformer, PinGivesCHAndFileReferenceToDataPairsClearsItsBit) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CNonlinearTransformerWizard4>(kRows, "TN1", &element));
    // File Reference.
    qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { EnterReference(inner, "LTAB"); });
    ASSERT_TRUE(qv::ui::Click(page, 2016));
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(2u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_EQ(kModeFileReference, wizard->GetModeWord());
    EXPECT_EQ(1u, wizard->GetLookUpFlag());
    EXPECT_EQ("LTAB", wizard->GetVariableName().str());
    EXPECT_EQ(With("@CH").size(), static_cast<size_t>(wizard->GetSnapshots().GetSize()));
    // Data Pairs: the bit goes and the file name comes from the document.
    qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) { TypeTwoPairs(inner.GetActivePage(), "1", "1m"); });
    ASSERT_TRUE(qv::ui::Click(page, 2016));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0u, wizard->GetModeWord() & kModeFileReference);
    EXPECT_EQ("Demo__TN1.mdx", wizard->GetFileName().str());
    // On a pin: the button is disabled and the list starts with "CH".
    ASSERT_TRUE(qv::ui::Click(page, 2075));
    EXPECT_FALSE(page->GetDlgItem(2016)->IsWindowEnabled());
    EXPECT_TRUE(Param(editor->Holder(element), 2016)->HasPin());
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0u, wizard->GetLookUpFlag());
    EXPECT_EQ(std::vector<std::string>({"CH", "LS1", "LS2", "RCU1", "RCU2", "RFE", "KTR"}),
              SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(NonlinearTransformer, PageSharesTheLinearPageSteps) {
    DWORD element = 0;
    std::vector<ParamRow> rows = kRows;
    rows[5].type = kIn | kPin;  // KTR on a pin
    rows[6].type = kIn | kPin;  // CH on a pin, but marked unused: not a pin for the page
    rows[6].value = "CURVE";    // so the page's reference, which OK refuses blank
    auto wizard = NewWizard<CNonlinearTransformerWizard4>(rows, "TN1", &element);
    Param(editor->Holder(element), 2016)->SetExtType(0x20000);
    wizard->Initialize(0);
    OpenPage open(*wizard);
    CWnd* page = open.Page();
    EXPECT_FALSE(page->GetDlgItem(2486)->IsWindowEnabled());
    EXPECT_TRUE(page->GetDlgItem(2016)->IsWindowEnabled());
    CString caption;
    page->GetDlgItem(2373)->GetWindowText(caption);
    EXPECT_EQ("Voltage Secondary Side [V]", caption.str());
    ASSERT_TRUE(qv::ui::Click(page, 2374));
    BOOL on = FALSE;
    GetSDBOutput(editor->Holder(element), 2374, &on);
    EXPECT_TRUE(on);
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2479), "4m"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "TNX"));
    editor->SetNextCommitAnswers({1});
    EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("TNX", editor->Holder(element)->m_strElementName.str());
    EXPECT_EQ("2m", Param(editor->Holder(element), 2479)->GetValue().str()) << "a refused first commit writes no value";
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("4m", Param(editor->Holder(element), 2479)->GetValue().str());
    EXPECT_EQ("2", Param(editor->Holder(element), 2486)->GetValue().str());

    // A page without a parameter set writes nothing, not even into its wizard.
    const std::vector<std::string> before = SnapshotNames(wizard->GetSnapshots());
    wizard->SetFileName("kept");
    editor->ClearRequests();
    CPropPassive2WTrafoNonLinear orphan(wizard.get(), nullptr);
    EXPECT_FALSE(orphan.OnApply());
    EXPECT_EQ(before, SnapshotNames(wizard->GetSnapshots()));
    EXPECT_EQ("kept", wizard->GetFileName().str());
    EXPECT_TRUE(editor->Requests().empty());
}

TEST_F(NonlinearTransformer, EveryEditMakesAFreshPageAndGivesTheOldCookieBack) {
    auto wizard = NewWizard<CNonlinearTransformerWizard4>(kRows, "TN1");
    wizard->Initialize(0);
    // The editor closes a sheet before it opens the next; the wizard keeps its page.
    ExpectSecondEditGivesTheFirstSetBack(*wizard, *editor, true);
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

} // namespace
