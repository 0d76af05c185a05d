// Maximum and minimum over time: the type keyword in the model text, the archive bytes, older
// data, the page as a user drives it, and the example run by the host.
#include "tests/blocks_linear/blocks_support.h"
#include "tests/support/profiled_host.h"
#include "tests/support/sheet_archives.h"

#include "blocks_math/max_min_time.h"
#include "framework/factories.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace blocks_test;

namespace {

namespace fs = std::filesystem;

const std::vector<ParamRow> kRows = WithSampleTimeInputAndOutput(
    {
        {.id = 2187, .name = "Y0", .value = "0"},
        {.id = 2010, .name = "K", .value = "1"},
    },
    2183, "0");

class MaxMinTime : public BlocksTest {
protected:
    std::unique_ptr<CMaximumTMinimumTBlockWizard4> New(std::vector<ParamRow> rows = kRows) {
        return NewWizard<CMaximumTMinimumTBlockWizard4>(rows, &element);
    }
    ParamHolder* Holder() { return editor->Holder(element); }
    DWORD element = 0;
};

TEST_F(MaxMinTime, TypeKeywordReplacesTheFirstPlaceholderOnly) {
    struct Case {
        int type;
        const char* templ;
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        {0, "IMMANENT", "@TYPEMT1 ( IN := x );", "MAXT MT1 ( IN := x );"},
        {1, "IMMANENT", "@TYPEMT1 ( IN := x );", "MINT MT1 ( IN := x );"},
        {7, "IMMANENT", "@TYPE", "MAXT "},
        {1, "IMMANENT", "@TYPE @TYPE", "MINT  @TYPE"},
        {1, "IMMANENT", "no type", "no type"},
        {1, "MAXT", "@TYPE", "@TYPE"},
    };
    for (const Case& c : cases) {
        auto wizard = New();
        wizard->SetFunctionType(c.type);
        CString text = c.text;
        EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, c.templ, text));
        EXPECT_EQ(c.written, text.str()) << c.text;
    }
    // The keyword needs no parameter set.
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_GET_PARAMS));
}

TEST_F(MaxMinTime, ArchiveHoldsSchemaAndTypeForSheetVersionFourOnly) {
    CMaximumTMinimumTBlockWizard4 wizard;
    wizard.SetFunctionType(1);
    EXPECT_EQ((Bytes{0x00, 0x00, 0x01, 0x00, 0x00, 0x00}), StoredAt(wizard, eSheetVersion4));
    EXPECT_TRUE(StoredAt(wizard, eSheetVersion3).empty());

    struct Case {
        Bytes bytes;
        int type;  // the type before is 5
        WORD schema;
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x01, 0x00, 0x00, 0x00}, 1, 0},
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 0, 0},
        // Another schema reads nothing more and keeps the type.
        {{0x01, 0x00, 0x01, 0x00, 0x00, 0x00}, 5, 1},
    };
    for (const Case& c : cases) {
        CMaximumTMinimumTBlockWizard4 loaded;
        loaded.SetFunctionType(5);
        LoadedAt(loaded, c.bytes, eSheetVersion4);
        EXPECT_EQ(c.type, loaded.GetFunctionType());
        EXPECT_EQ(c.schema, loaded.GetSchema());
    }
    CMaximumTMinimumTBlockWizard4 old;
    old.SetFunctionType(1);
    LoadedAt(old, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, eSheetVersion2);
    EXPECT_EQ(1, old.GetFunctionType());
    // Data that end early raise the archive's exception, never a read past the end.
    CMaximumTMinimumTBlockWizard4 cut;
    bool raised = false;
    try {
        LoadedAt(cut, {0x00, 0x00, 0x01}, eSheetVersion4);
    } catch (CException* e) {
        raised = DYNAMIC_DOWNCAST(CArchiveException, e) != nullptr;
        e->Delete();
    }
    EXPECT_TRUE(raised);
    EXPECT_EQ(0, cut.GetFunctionType());
}

TEST_F(MaxMinTime, OlderDataGiveTheTypeWhereTheySayIt) {
    struct Case {
        Bytes block;
        bool withBlock;
        const char* param1000;  // nullptr: no such parameter
        int type;               // the type before is 1 where the data say nothing
    };
    const Case cases[] = {
        {{1, 0, 0, 0}, true, nullptr, 1},     {{0, 0, 0, 0}, true, nullptr, 0},
        {{0, 0}, true, nullptr, 1},           {{}, true, nullptr, 1},
        {{}, false, "0.9", 0},                {{}, false, "1", 1},
        {{}, false, nullptr, 1},              {{}, false, "7", 1},
        {{}, false, "-3", 1},                 {{}, false, "1.7", 1},
    };
    for (const Case& c : cases) {
        auto rows = kRows;
        if (c.param1000 != nullptr) rows.push_back({.id = 1000, .name = "FCT", .value = c.param1000});
        auto wizard = New(rows);
        wizard->SetFunctionType(1);
        static const BYTE kEmpty = 0;
        const void* data = c.withBlock ? (c.block.empty() ? &kEmpty : c.block.data()) : nullptr;
        EXPECT_TRUE(wizard->DoConvertWizard3Data(data, static_cast<long>(c.block.size())));
        EXPECT_EQ(c.type, wizard->GetFunctionType()) << c.block.size() << " " << (c.param1000 ? c.param1000 : "-");
    }
}

TEST_F(MaxMinTime, PageShowsThePickedFunctionAndApplyWritesTypeAndVariant) {
    WizardOnSheet wizard(New());
    CWnd* page = wizard.Page();
    auto* list = static_cast<CComboBox*>(page->GetDlgItem(2269));
    EXPECT_EQ(0, list->GetCurSel());
    // The list alone changes only the symbol.
    ASSERT_TRUE(qv::ui::ChooseEntry(list, "MinimumT"));
    EXPECT_EQ(0, wizard->GetFunctionType());
    EXPECT_EQ(0, Holder()->m_bySymbolVariant);
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2187), "5"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2010), "k2"));
    ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
    EXPECT_EQ(1, wizard->GetFunctionType());
    EXPECT_EQ(2, Holder()->m_bySymbolVariant);
    EXPECT_EQ("5", Live(Holder(), 2187)[0]->GetValue().str());
    EXPECT_EQ("k2", Live(Holder(), 2010)[0]->GetValue().str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(MaxMinTime, UnknownStoredTypeSelectsNothingAndApplyKeepsIt) {
    auto wizard = New();
    wizard->SetFunctionType(7);
    Holder()->m_bySymbolVariant = 4;
    OpenPage<CMaximumTMinimumTBlockWizard4> open(*wizard);
    EXPECT_EQ(-1, static_cast<CComboBox*>(open.Page()->GetDlgItem(2269))->GetCurSel());
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2187), "1"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(7, wizard->GetFunctionType());
    EXPECT_EQ(4, Holder()->m_bySymbolVariant);
}

TEST_F(MaxMinTime, CloneCarriesTheTypeAndEditingAgainGivesTheOldCookieBack) {
    auto wizard = New();
    wizard->SetFunctionType(1);
    std::unique_ptr<CWizardBase4> copy(wizard->Clone());
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(1, static_cast<CMaximumTMinimumTBlockWizard4*>(copy.get())->GetFunctionType());
    EXPECT_EQ(nullptr, static_cast<CMaximumTMinimumTBlockWizard4*>(copy.get())->GetPage());

    ExpectSecondEditRebindsThePage(*wizard,
                                   [](CPropMaximumTMinimumTBlock& page) { EXPECT_EQ(1, page.GetFunctionIndex()); });
    std::unique_ptr<CWizardBase4> made(CreateWizard4Instance(71));
    ASSERT_NE(nullptr, made);
    EXPECT_STREQ("CMaximumTMinimumTBlockWizard4", made->GetRuntimeClass()->m_lpszClassName);
}

// ---------------------------------------------------------------------------------------
// The example, run by the host

constexpr qv_test::ProfiledHost kHost("function_blocks_profile.ini");

TEST(FunctionBlocksExample, HostDescribesTheShapingChain) {
    const std::vector<std::string> lines = qv_test::Lines(kHost.DescribedExample("static_function_blocks"));
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ("LIMIT LIM1 ( UL := 10, LL := -10, TS := 0, IN := W );", lines[0]);
    EXPECT_EQ("SDB ( LIM1.OUT );", lines[1]);
    EXPECT_EQ(0u, lines[2].rfind("NPOINT NP1 (", 0));
    // The fundamental frequency 50 typed on the page is stored as its period.
    EXPECT_EQ("FFT FFT1 ( FFTTYPE := 0, DELAY := 0, FC := 1000, AF := 0, WINDOW := 3, T0 := 0.02, TS := 0.0001, "
              "IN := LIM1.OUT );",
              lines[3]);
    EXPECT_EQ("ROOT ROOT1 ( N := 3, TS := 0, IN := LIM1.OUT );", lines[4]);
    EXPECT_EQ("MINT MT1 ( Y0 := 5, K := 1, TS := 0, IN := ROOT1.OUT );", lines[5]);
}

TEST(FunctionBlocksExample, SavedTypeLoadsAndSavesToTheSameBytes) {
    const fs::path folder = qv_test::TempFolder();
    const fs::path schematic = folder / "minimum.json";
    std::ofstream(schematic) << R"({"document": "Min", "elements": [
        {"id": 71, "name": "MT1", "parameters": {"IN": "x"}, "script": ["choose 2269 \"MinimumT\"", "ok"]}]})";
    const std::string bytes = kHost.SavedAndReloaded(schematic.string(), folder / "min.qva");
    // The wizard's own data: schema 0 and the type MinimumT.
    EXPECT_NE(std::string::npos, bytes.find(std::string("\x00\x00\x01\x00\x00\x00", 6)));
}

} // namespace
