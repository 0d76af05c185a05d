// Nonlinear characteristic block: the model text of its three forms and of a pinned
// characteristic with the data file it writes, its archive bytes, older data, and the page and
// the characteristic sheet as a user drives them.
#include "tests/blocks_linear/blocks_support.h"
#include "tests/passive/passive_support.h"
#include "tests/support/characteristic_sheet.h"
#include "tests/support/profiled_host.h"

#include "blocks_math/nonlinear_characteristic.h"
#include "framework/data_file_places.h"
#include "framework/factories.h"
#include "framework/param_list.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace blocks_test;
using namespace qv::blocks;
namespace pt = passive_test;

namespace {

namespace fs = std::filesystem;
using qv_test::NamedFile;
using qv_test::ReadFile;

const std::vector<ParamRow> kRows = {
    {.id = 2186, .name = "INPUT", .value = "W"},
    {.id = 2016, .name = "CH", .value = ""},
    {.id = 1006, .name = "CH_FILE", .value = "", .type = 0x4},
    {.id = 1007, .name = "CH_STRG", .value = "", .type = 0x4},
    {.id = 2183, .name = "TS", .value = "0", .quantity = "Time", .unit = "s"},
    {.id = 2056, .name = "OUT", .value = "", .type = 0x8},
};

constexpr char kModel[] = "NLCHAR K1 ( @PARAMLIST);";

bool Unused(ParamHolder* holder, WORD id) { return (Live(holder, id)[0]->GetExtType() & 0x20000) != 0; }

// The table's user steps in the characteristic sheet: the reference is "XY1.VAL", the inline
// variable "GTABLE".
using Form = qv_test::CharacteristicForm;
void EnterTable(CPropertySheet& inner, Form form) {
    qv_test::EnterCharacteristic(inner, form, form == Form::Reference ? "XY1.VAL" : "GTABLE");
}

class NonlinearCharacteristic : public BlocksTest {
protected:
    void SetUp() override {
        BlocksTest::SetUp();
        editor->Document().SetTitle("demo");
        UseScratchFolder("nlchar");
        g_PlaceholderList.DeleteAll();
    }
    void TearDown() override {
        g_PlaceholderList.DeleteAll();
        g_ModelOutputDir.Empty();
        BlocksTest::TearDown();
    }
    std::unique_ptr<CNonlinearCharacteristicWizard4> New(const std::vector<ParamRow>& rows = kRows) {
        return Attached<CNonlinearCharacteristicWizard4>(MakeHolder(rows, "K1"), &element);
    }
    ParamHolder* Holder() { return editor->Holder(element); }
    std::string Write(CNonlinearCharacteristicWizard4& wizard, const char* templ = "IMMANENT") {
        NamedFile description((root / "model" / "desc.qvm").string());
        CString text = kModel;
        EXPECT_EQ(4, wizard.WriteSimDescr(&description, templ, text));
        return text.str();
    }
    // Opens the page, enters the characteristic through its sheet, applies and leaves.
    void EnterAndApply(CNonlinearCharacteristicWizard4& wizard, Form form) {
        OpenPage<CNonlinearCharacteristicWizard4> open(wizard);
        qv::UserScript::Instance().ExpectSheet([form](CPropertySheet& inner) { EnterTable(inner, form); });
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2016));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }

    DWORD element = 0;
};

const char kGoldenDataFile[] =
    "MDX 1\n"
    "channels 2\n"
    "items 2\n"
    "channel \"\" \"\"\n"
    "channel \"\" \"\"\n"
    "data\n"
    "0 0\n"
    "1 0.001\n"
    "end\n";

TEST_F(NonlinearCharacteristic, EachFormWritesItsWholeModelTextAsTheUserEnteredIt) {
    struct Case {
        const char* what;
        Form form;
        bool pin;
        const char* text;
        const char* dataFile;  // nullptr: none written
        DWORD modeWord;
        std::vector<std::string> snapshots;
        std::vector<bool> unused;  // 2016, 1006, 1007
    };
    const Case cases[] = {
        {"file", Form::DataPairs, false,
         "NLCHAR K1 ( INPUT := @INPUT, CH := XY_K1_CH.VAL, TS := @TS );\nINTERN\tXY XY_K1_CH( FILE := \"demo__K1.mdx\" );",
         "demo__K1.mdx", 0, {"INPUT", "@CH", "TS"}, {true, false, true}},
        {"inline", Form::Inline, false,
         "NLCHAR K1 ( INPUT := @INPUT, CH := XY_K1_CH.VAL, TS := @TS );\nINTERN\tXY XY_K1_CH( FILE := GTABLE );",
         nullptr, kModeInlineTable, {"INPUT", "@CH", "TS"}, {true, true, false}},
        {"reference", Form::Reference, false, "NLCHAR K1 ( INPUT := @INPUT, CH := @CH, TS := @TS );", nullptr, 0,
         {"INPUT", "CH", "TS"}, {false, true, true}},
        // A pinned characteristic is a reference, whatever the table holds.
        {"pin", Form::DataPairs, true, "NLCHAR K1 ( INPUT := @INPUT, CH := @CH, TS := @TS );", nullptr, 0,
         {"INPUT", "CH", "TS"}, {false, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto wizard = New();
        ASSERT_TRUE(wizard->Initialize(0));
        {
            OpenPage<CNonlinearCharacteristicWizard4> open(*wizard);
            qv::UserScript::Instance().ExpectSheet([&c](CPropertySheet& inner) { EnterTable(inner, c.form); });
            ASSERT_TRUE(qv::ui::Click(open.Page(), 2016));
            if (c.pin) {
                ASSERT_TRUE(qv::ui::Click(open.Page(), 2075));
                EXPECT_FALSE(Enabled(open.Page(), 2016));
            }
            // Applying leaves the page first, which marks the form's unused parameters.
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        }
        EXPECT_EQ(c.modeWord, wizard->GetModeWord());
        EXPECT_EQ(c.snapshots, SnapshotNames(wizard->GetSnapshots()));
        EXPECT_EQ(c.unused, (std::vector<bool>{Unused(Holder(), 2016), Unused(Holder(), 1006), Unused(Holder(), 1007)}));
        editor->ClearRequests();
        EXPECT_EQ(c.text, Write(*wizard));
        if (c.dataFile != nullptr) {
            EXPECT_EQ(kGoldenDataFile, ReadFile(root / "model" / c.dataFile));
            EXPECT_EQ(c.dataFile, Live(Holder(), 1006)[0]->GetValue().str());
            EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS)) << "the default name is committed";
        } else {
            EXPECT_TRUE(fs::is_empty(root / "model"));
            EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
        }
        EXPECT_EQ(0, g_PlaceholderList.GetSize()) << "the processed snapshot leaves the pending list";
        fs::remove_all(root / "model");
        fs::create_directories(root / "model");
    }
}

TEST_F(NonlinearCharacteristic, OwnFileNameIsKeptAndOlderElementsKeepTheNameInTheCharacteristic) {
    // The user's file name: no default name, no commit.
    auto wizard = New();
    ASSERT_TRUE(wizard->Initialize(0));
    {
        OpenPage<CNonlinearCharacteristicWizard4> open(*wizard);
        qv::UserScript::Instance().ExpectSheet([](CPropertySheet& inner) {
            EnterTable(inner, Form::DataPairs);
            CPropertyPage* table = inner.GetActivePage();
            ASSERT_TRUE(qv::ui::Click(table, 2116));
            ASSERT_TRUE(qv::ui::TypeText(table->GetDlgItem(2117), "mine.mdx"));
        });
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2016));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }
    EXPECT_EQ(kModeOwnFileName, wizard->GetModeWord());
    EXPECT_EQ("mine.mdx", Live(Holder(), 1006)[0]->GetValue().str());
    editor->ClearRequests();
    EXPECT_EQ("NLCHAR K1 ( INPUT := @INPUT, CH := XY_K1_CH.VAL, TS := @TS );\nINTERN\tXY XY_K1_CH( FILE := \"mine.mdx\" );",
              Write(*wizard));
    EXPECT_EQ(kGoldenDataFile, ReadFile(root / "model" / "mine.mdx"));
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));

    // An element without 1006 keeps the default file name in "CH" and lists it as "@CH".
    std::vector<ParamRow> rows;
    for (const ParamRow& row : kRows)
        if (row.id != 1006) rows.push_back(row);
    auto older = New(rows);
    ASSERT_TRUE(older->Initialize(0));
    EnterAndApply(*older, Form::DataPairs);
    EXPECT_EQ((std::vector<std::string>{"INPUT", "@CH", "TS"}), SnapshotNames(older->GetSnapshots()));
    Live(Holder(), 2016)[0]->SetExtType(0x20000);
    EXPECT_EQ("NLCHAR K1 ( INPUT := @INPUT, CH := XY_K1_CH.VAL, TS := @TS );\nINTERN\tXY XY_K1_CH( FILE := \"demo__K1.mdx\" );",
              Write(*older));
    EXPECT_EQ("demo__K1.mdx", Live(Holder(), 2016)[0]->GetValue().str());
}

TEST_F(NonlinearCharacteristic, TextStaysWithoutImmanentOrWithoutParameters) {
    auto wizard = New();
    EXPECT_EQ(kModel, Write(*wizard, "NLCHAR"));
    EXPECT_TRUE(editor->Requests().empty());

    // Without an editor there is no parameter set: the text stays as it is.
    CNonlinearCharacteristicWizard4 alone;
    CString text = kModel;
    EXPECT_EQ(4, alone.WriteSimDescr(nullptr, "IMMANENT", text));
    EXPECT_EQ(kModel, text.str());
    EXPECT_EQ(0, alone.GetSnapshots().GetSize());
    EXPECT_EQ(CPropCharacteristicXYTable::kKindLookUp, alone.GetKind());
}

TEST_F(NonlinearCharacteristic, InitializeGivesTheReferenceFormAndAnEmptyListInitialisesFirst) {
    auto wizard = New();
    wizard->SetChannelTexts("a", "b");
    ASSERT_TRUE(wizard->Initialize(0));
    EXPECT_EQ(0u, wizard->GetKind());
    EXPECT_EQ(0u, wizard->GetModeWord());
    EXPECT_EQ("", wizard->GetThirdText().str());
    EXPECT_EQ((std::vector<std::string>{"INPUT", "CH", "TS"}), SnapshotNames(wizard->GetSnapshots()));
    EXPECT_TRUE(wizard->Initialize(1));
    EXPECT_EQ(3, wizard->GetSnapshots().GetSize());

    auto fresh = New();
    editor->ClearRequests();
    EXPECT_EQ("NLCHAR K1 ( INPUT := @INPUT, CH := @CH, TS := @TS );", Write(*fresh));
    EXPECT_EQ(2u, editor->CountRequests(WIZREQ_GET_PARAMS));
    EXPECT_EQ(2u, editor->CountRequests(WIZREQ_RELEASE_PARAMS));

    // An element set to a table keeps its form when the list is rebuilt for the text.
    auto table = New();
    pt::LoadTable(table->GetCharacteristic(), pt::TableBytes(1, ".mdx", 0, {}, 0, "GTABLE"));
    Live(Holder(), 1007)[0]->SetValue("GTABLE");
    Live(Holder(), 2016)[0]->SetExtType(0x20000);
    table->SetData(1, kModeInlineTable, "", "", nullptr);
    EXPECT_EQ("NLCHAR K1 ( INPUT := @INPUT, CH := XY_K1_CH.VAL, TS := @TS );\nINTERN\tXY XY_K1_CH( FILE := GTABLE );",
              Write(*table));
}

// ---------------------------------------------------------------------------------------
// Archive

pt::Bytes GoldenArchive() {
    pt::Bytes out;
    pt::Word(out, 0);
    pt::Dword(out, kModeOwnFileName);
    pt::Dword(out, 1);
    for (const char* text : {"x [V]", "y [A]", "V", "A"}) pt::Str(out, text);
    pt::Append(out, pt::TableBytes(1, "mine.mdx", 1, {{0.0, 0.0}, {1.0, 0.001}}, 1, ""));
    pt::Dword(out, 3);
    pt::Append(out, pt::SnapshotBytes("INPUT"));
    pt::Append(out, pt::SnapshotBytes("@CH", 0x8003));
    pt::Append(out, pt::SnapshotBytes("TS", 0x8003, 0x4, 0x20000));
    return out;
}

TEST_F(NonlinearCharacteristic, ArchiveBytesAreBuiltFromTheRulesAndLoadBack) {
    const pt::Bytes golden = GoldenArchive();
    CNonlinearCharacteristicWizard4 loaded;
    pt::Loaded(golden, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(kModeOwnFileName, loaded.GetModeWord());
    EXPECT_EQ(1u, loaded.GetKind());
    EXPECT_EQ("A", loaded.GetFourthText().str());
    EXPECT_EQ((std::vector<std::string>{"INPUT", "@CH", "TS"}), SnapshotNames(loaded.GetSnapshots()));
    EXPECT_EQ(2, loaded.GetCharacteristic().Points().GetSize());
    EXPECT_EQ(golden, pt::Stored([&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); }));
    // Another sheet version writes and reads nothing.
    EXPECT_TRUE(pt::Stored([&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion3); }).empty());

    // A clone stores the same bytes.
    std::unique_ptr<CWizardBase4> copy(loaded.Clone());
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(golden, pt::Stored([&](CArchive& ar) { copy->Serialize(ar, eSheetVersion4); }));

    // Loading again replaces the list instead of appending to it.
    pt::Loaded(golden, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(3, loaded.GetSnapshots().GetSize());

    // Schema 1 reads nothing after the WORD.
    pt::Bytes other = golden;
    other[0] = 1;
    CNonlinearCharacteristicWizard4 untouched;
    pt::Loaded(other, [&](CArchive& ar) { untouched.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1, untouched.GetSchema());
    EXPECT_EQ(0u, untouched.GetModeWord());
    EXPECT_EQ(0, untouched.GetSnapshots().GetSize());

    // Data cut anywhere raise the archive's exception, never a read past the end.
    for (size_t cut : {size_t{1}, size_t{5}, size_t{12}, golden.size() / 2, golden.size() - 1}) {
        CNonlinearCharacteristicWizard4 partial;
        bool raised = false;
        try {
            pt::Loaded(pt::Bytes(golden.begin(), golden.begin() + static_cast<long>(cut)),
                       [&](CArchive& ar) { partial.Serialize(ar, eSheetVersion4); });
        } catch (CException* e) {
            raised = DYNAMIC_DOWNCAST(CArchiveException, e) != nullptr;
            e->Delete();
        }
        EXPECT_TRUE(raised) << cut;
    }
}

// ---------------------------------------------------------------------------------------
// Data of the older wizard generation

pt::Bytes PageBytes(DWORD version, DWORD kind, const DWORD* converted) {
    pt::Bytes out;
    pt::NewClass(out, "CPropNonlinearCharacteristicBlock");
    pt::Dword(out, version);
    pt::Dword(out, kind);
    if (converted != nullptr) pt::Dword(out, *converted);
    return out;
}

pt::Bytes PointsBlock() {
    pt::Bytes out;
    pt::Dword(out, 1);
    pt::Double(out, 9.0);
    pt::Double(out, 9.0);
    for (const char* text : {"x [V]", "y [A]", "V", "A"}) pt::OldText(out, text);
    return out;
}

struct OldBlock {
    pt::Bytes bytes;
    std::vector<size_t> ends;  // where each field ends
};

// mode word, n, S, S bytes of snapshots, P, page record, C, table record, D, point block.
OldBlock Wizard3Block(DWORD mode, const pt::Bytes& page, const pt::Bytes& table) {
    OldBlock block;
    auto field = [&](const pt::Bytes& part) {
        pt::Dword(block.bytes, static_cast<DWORD>(part.size()));
        block.ends.push_back(block.bytes.size());
        pt::Append(block.bytes, part);
        block.ends.push_back(block.bytes.size());
    };
    pt::Dword(block.bytes, mode);
    block.ends.push_back(block.bytes.size());
    pt::Dword(block.bytes, 3);
    block.ends.push_back(block.bytes.size());
    pt::Bytes snapshots = pt::SnapshotBytes("INPUT");
    // In a block of its own the snapshot class is the first one: back-reference 0x8001.
    for (const char* name : {"@CH", "TS"}) {
        pt::Word(snapshots, 0x8001);
        pt::Dword(snapshots, 10);
        pt::Str(snapshots, name);
        pt::Dword(snapshots, 0x4);
        pt::Dword(snapshots, 0);
    }
    field(snapshots);
    field(page);
    field(table);
    field(PointsBlock());
    return block;
}

TEST_F(NonlinearCharacteristic, OlderBlockCutAfterEachFieldKeepsWhatItRead) {
    const DWORD converted = 1;
    const OldBlock block = Wizard3Block(0, PageBytes(10, 1, &converted),
                                        pt::TableBytes(1, "pairs.mdx", 1, {{0.0, 0.0}, {1.0, 2.0}}, 1, ""));
    struct Expect {
        DWORD kind;
        int snapshots;
        int points;
        const char* xLabel;
        DWORD modeWord;
    };
    // By the field after which the block ends (index into block.ends, -1: empty block).
    const std::vector<std::pair<int, Expect>> cases = {
        {-1, {0, 0, 0, "", 0}},  {0, {0, 0, 0, "", 0}}, {1, {0, 0, 0, "", 0}},  {2, {0, 0, 0, "", 0}},
        // The snapshots are read only when something follows them.
        {3, {0, 0, 0, "", 0}},   {4, {0, 3, 0, "", 0}}, {5, {1, 3, 0, "", 0}},  {6, {1, 3, 0, "", 0}},
        // The table record makes the user's file name the element's.
        {7, {1, 3, 2, "", kModeOwnFileName}}, {8, {1, 3, 2, "", kModeOwnFileName}},
        {9, {1, 3, 2, "x [V]", kModeOwnFileName}},
    };
    for (const auto& [field, expect] : cases) {
        const size_t length = field < 0 ? 0 : block.ends[static_cast<size_t>(field)];
        auto wizard = New();
        static const BYTE kEmpty = 0;
        editor->ClearRequests();
        EXPECT_TRUE(wizard->DoConvertWizard3Data(length == 0 ? &kEmpty : block.bytes.data(), static_cast<long>(length)));
        EXPECT_EQ(expect.kind, wizard->GetKind()) << field;
        EXPECT_EQ(expect.snapshots, wizard->GetSnapshots().GetSize()) << field;
        EXPECT_EQ(expect.points, wizard->GetCharacteristic().Points().GetSize()) << field;
        EXPECT_EQ(expect.xLabel, wizard->GetXAxisLabel().str()) << field;
        EXPECT_EQ(expect.modeWord, wizard->GetModeWord()) << field;
        EXPECT_EQ(field == 9 ? "A" : "", wizard->GetFourthText().str()) << field;
        // The form's marks follow the kind read.
        EXPECT_EQ(expect.kind == 1, Unused(Holder(), 2016)) << field;
        EXPECT_EQ(expect.kind == 0, Unused(Holder(), 1006)) << field;
        EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS)) << field;
    }
    // A length beyond what remains, and a snapshot count beyond the limit, read nothing more.
    pt::Bytes bad = block.bytes;
    bad[8] = 0xFF;
    bad[9] = 0xFF;
    auto wizard = New();
    EXPECT_TRUE(ConvertOlder(*wizard, bad));
    EXPECT_EQ(0, wizard->GetSnapshots().GetSize());
    EXPECT_EQ(0u, wizard->GetKind());
}

TEST_F(NonlinearCharacteristic, VersionThreePageMovesTheCharacteristicTextByForm) {
    struct Case {
        const char* what;
        DWORD mode;
        DWORD kind;
        DWORD source;  // of the table record
        bool pinned;
        const char* fileValue;
        const char* variableValue;
        std::vector<bool> unused;  // 2016, 1006, 1007
        DWORD kindAfter;
        unsigned commits;
    };
    const Case cases[] = {
        {"file", 0, 1, 1, false, "old.mdx", "", {true, false, true}, 1, 1},
        {"inline", kModeInlineTable, 1, 0, false, "", "old.mdx", {true, true, false}, 1, 1},
        {"reference", 0, 0, 1, false, "", "", {false, true, true}, 0, 0},
        {"pin", 0, 1, 1, true, "", "", {false, true, true}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto wizard = New();
        Live(Holder(), 2016)[0]->SetValue("old.mdx");
        if (c.pinned) Live(Holder(), 2016)[0]->UsePin(TRUE);
        const OldBlock block =
            Wizard3Block(c.mode, PageBytes(3, c.kind, nullptr), pt::TableBytes(c.kind, ".mdx", 0, {}, c.source, ""));
        editor->ClearRequests();
        ASSERT_TRUE(ConvertOlder(*wizard, block.bytes));
        EXPECT_EQ(c.fileValue, Live(Holder(), 1006)[0]->GetValue().str());
        EXPECT_EQ(c.variableValue, Live(Holder(), 1007)[0]->GetValue().str());
        EXPECT_EQ(c.unused, (std::vector<bool>{Unused(Holder(), 2016), Unused(Holder(), 1006), Unused(Holder(), 1007)}));
        EXPECT_EQ(c.kindAfter, wizard->GetKind());
        EXPECT_EQ(c.commits, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    }
    // A page record without class record is read as schema 0: kind only, then converted.
    auto wizard = New();
    Live(Holder(), 2016)[0]->SetValue("bare.mdx");
    pt::Bytes bare;
    pt::Dword(bare, 1);
    const OldBlock block = Wizard3Block(0, bare, pt::TableBytes(1, ".mdx", 0, {}, 1, ""));
    ASSERT_TRUE(ConvertOlder(*wizard, block.bytes));
    EXPECT_EQ(1u, wizard->GetKind());
    EXPECT_EQ("bare.mdx", Live(Holder(), 1006)[0]->GetValue().str());
}

// ---------------------------------------------------------------------------------------
// The page

TEST_F(NonlinearCharacteristic, SampleTimeInputAndOutputAsAUserSetsThem) {
    struct Case {
        const char* stored;
        const char* typed;
        int entries;
        const char* written;
    };
    const Case cases[] = {
        {"0", nullptr, 2, "0"}, {"0.0", nullptr, 3, "0.0"}, {"0.001", nullptr, 2, "1m"}, {"0", "sys", 2, "sys"},
        {"0", "T2 ", 3, "T2"},
    };
    for (const Case& c : cases) {
        auto rows = kRows;
        rows[4].value = c.stored;
        rows[1].value = "XY1.VAL";  // OK takes no characteristic without a value
        auto wizard = New(rows);
        wizard->Initialize(0);
        OpenPage<CNonlinearCharacteristicWizard4> open(*wizard);
        auto* combo = static_cast<CComboBox*>(open.Page()->GetDlgItem(2183));
        if (c.typed != nullptr) {
            ASSERT_TRUE(qv::ui::TypeText(combo, c.typed));
            ASSERT_TRUE(qv::ui::SetFocusTo(open.Page()->GetDlgItem(2186)));
        }
        EXPECT_EQ(c.entries, combo->GetCount()) << c.stored;
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(c.written, Live(Holder(), 2183)[0]->GetValue().str()) << c.stored;
    }

    auto rows = kRows;
    rows[1].value = "XY1.VAL";
    auto wizard = New(rows);
    wizard->Initialize(0);
    OpenPage<CNonlinearCharacteristicWizard4> open(*wizard);
    CWnd* page = open.Page();
    EXPECT_EQ("W", Text(page, 2186));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2186), "K0.OUT"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "K9"));
    ExpectUsePinsAct(page, Holder(), {{2073, 2186, 2186}, {2074, 2183, 2183}});
    ExpectOutputBoxSwitches(page, Holder());
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    // A pinned input keeps its text.
    EXPECT_EQ("K0.OUT", Live(Holder(), 2186)[0]->GetValue().str());
    EXPECT_EQ("K9", Holder()->m_strElementName.str());
}

TEST_F(NonlinearCharacteristic, PinnedCharacteristicKeepsItsValuesAndShowsAgainOnReopening) {
    auto wizard = New();
    wizard->Initialize(0);
    EnterAndApply(*wizard, Form::Reference);
    EXPECT_EQ("XY1.VAL", Live(Holder(), 2016)[0]->GetValue().str());
    {
        OpenPage<CNonlinearCharacteristicWizard4> open(*wizard);
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2075));
        EXPECT_TRUE(Live(Holder(), 2016)[0]->HasPin());
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }
    EXPECT_EQ("XY1.VAL", Live(Holder(), 2016)[0]->GetValue().str());
    OpenPage<CNonlinearCharacteristicWizard4> again(*wizard);
    EXPECT_EQ(BST_CHECKED, again.Page()->IsDlgButtonChecked(2075));
    EXPECT_FALSE(Enabled(again.Page(), 2016));
}

TEST_F(NonlinearCharacteristic, EditingAgainGivesTheOldCookieBackAndApplyWithoutSetFails) {
    auto wizard = New();
    ExpectSecondEditRebindsThePage(*wizard, [&](auto&) { EXPECT_EQ(1u, editor->CountRequests(WIZREQ_RELEASE_PARAMS)); });
    EXPECT_EQ(nullptr, wizard->GetPage());

    CPropNonlinearCharacteristicBlock orphan(wizard.get(), 0);
    EXPECT_FALSE(orphan.OnApply());

    std::unique_ptr<CWizardBase4> made(CreateWizard4Instance(65));
    ASSERT_NE(nullptr, made);
    EXPECT_STREQ("CNonlinearCharacteristicWizard4", made->GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(3, made->GetWizardKind());
}

// ---------------------------------------------------------------------------------------
// The example, run by the host

constexpr qv_test::ProfiledHost kHost("nonlinear_characteristic_profile.ini");

TEST(NonlinearCharacteristicExample, HostDescribesTheTableFormsAndAPinAndWritesTheDataFile) {
    const fs::path folder = fs::path(qv_test::TempFolder()) / "nlchar_example";
    fs::create_directories(folder);
    EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/blocks_math/nonlinear_characteristic.desc"),
              kHost.DescribedExample("nonlinear_characteristic", folder));
    EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/blocks_math/Curves__K1.mdx"), ReadFile(folder / "Curves__K1.mdx"));
}

TEST(NonlinearCharacteristicExample, SavedElementsLoadAndSaveToTheSameBytes) {
    const std::string bytes = kHost.SavedAndReloaded(PARVEL_SOURCE_DIR "/examples/nonlinear_characteristic.json",
                                                     fs::path(qv_test::TempFolder()) / "nlchar.qva");
    // K1's table record with its two class records, the first snapshot's class record after it.
    EXPECT_NE(std::string::npos, bytes.find("CPropCharacteristicXYTable"));
    EXPECT_NE(std::string::npos, bytes.find(std::string("\x05INPUT\x04\x00\x00\x00", 10)));
}

} // namespace
