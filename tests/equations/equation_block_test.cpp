// The equation block's wizard: model text (golden, also in convert mode written twice), the
// archive block byte for byte, and the block of the older wizard generation.
#include "equations_support.h"

#include "afx/archive.h"
#include "afx/file.h"

#include <optional>

using namespace equations_test;
using namespace qv::equations;

namespace {

using EquationBlock = EquationsTest;

constexpr char kTemplate[] = "IMMANENT EQUBLOCK @NAME ( @INPUTLIST ) { @EXPRESSLIST } MAX @MAXINDEX";

TEST_F(EquationBlock, ModelTextOfInputsEquationsAndOutputCount) {
    DWORD element = 0;
    auto wizard = NewWizard<CEquationBlockWizard4>(BlockRows(), &element);
    wizard->SetSettings(FALSE, FALSE, 2);
    CString text = kTemplate;
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, kTemplate, text));
    // One "\n" for the output parameter that stands after the equations. The count is that of
    // the outputs the set holds (VAL[1]), as the page counts them, not the one the wizard kept.
    EXPECT_EQ("IMMANENT EQUBLOCK @NAME ( INPUT[1] := u,INPUT[2] := v ) { OUT[1]:=INPUT[1]*2;\nOUT[2]:=INPUT[2];\n } MAX 1",
              text.str());
}

TEST_F(EquationBlock, WhatTheModelTextLeavesOut) {
    struct Case {
        const char* what;
        std::vector<ParamRow> rows;
        const char* templ;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"no IMMANENT", BlockRows(), "EQUBLOCK @INPUTLIST", "EQUBLOCK @INPUTLIST"},
        {"inputs without index",
         {{.id = 2278, .name = "IN", .value = "a"}, {.id = 2278, .name = "IN[%]", .value = "b"},
          {.id = 2278, .name = "IN[3]", .value = "c"}},
         "IMMANENT @INPUTLIST|@EXPRESSLIST|@MAXINDEX", "IMMANENT IN[3] := c||0"},
        {"deleted members",
         {{.id = 2278, .name = "IN[1]", .value = "a", .deletable = TRUE},
          {.id = 2279, .name = "E", .value = "x:=1", .deletable = TRUE}},
         "IMMANENT @INPUTLIST|@EXPRESSLIST", "IMMANENT |"},
        {"no expressions", {}, "IMMANENT [@EXPRESSLIST]", "IMMANENT []"},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CEquationBlockWizard4>(c.rows, &element);
        if (std::string(c.what) == "deleted members")
            for (int i = 0; i < editor->Holder(element)->GetParamCount(); ++i) editor->Holder(element)->GetParam(i)->Delete();
        CString text = c.templ;
        EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, c.templ, text)) << c.what;
        EXPECT_EQ(c.expected, text.str()) << c.what;
    }
}

// The older form (an equation holding only an expression, an output with its expression) is
// converted once: the first write makes the new equations, the second writes them again
// without making more.
TEST_F(EquationBlock, ConvertModeWrittenTwiceMakesTheEquationsOnce) {
    DWORD element = 0;
    std::vector<ParamRow> rows = {
        {.id = 2279, .name = "EQU", .value = "", .type = 0x6},
        {.id = 2279, .name = "y", .value = "a+b", .deletable = TRUE},
        {.id = 2279, .name = "z", .value = "z := 3", .deletable = TRUE},
        {.id = 2056, .name = "VAL[1]", .value = "2*c", .type = 0x8, .deletable = TRUE},
    };
    auto wizard = NewWizard<CEquationBlockWizard4>(rows, &element);
    wizard->SetSettings(FALSE, TRUE, 1);
    ParamHolder* holder = editor->Holder(element);
    CString first = "IMMANENT @EXPRESSLIST";
    wizard->WriteSimDescr(nullptr, "IMMANENT", first);
    EXPECT_EQ("IMMANENT y:=a+b;\nz := 3;\nVAL[1]:=2*c;", first.str());
    EXPECT_FALSE(wizard->GetConvertFlag());
    EXPECT_EQ((std::vector<std::string>{"EQU", "EQU", "EQU", "EQU"}), Names(Live(holder, 2279)));
    EXPECT_EQ((std::vector<std::string>{"", "y:=a+b", "z := 3", "VAL[1]:=2*c"}), Values(Live(holder, 2279)));
    // The editor removed the old equation once the set was given back; the output stays.
    EXPECT_EQ(nullptr, Named(holder, "y"));
    ASSERT_NE(nullptr, Named(holder, "VAL[1]"));
    CString second = "IMMANENT @EXPRESSLIST";
    wizard->WriteSimDescr(nullptr, "IMMANENT", second);
    EXPECT_EQ("IMMANENT \ny:=a+b;\nz := 3;\nVAL[1]:=2*c;", second.str());
    EXPECT_EQ(4u, Live(holder, 2279).size());
}

TEST_F(EquationBlock, ArchiveBytes) {
    CEquationBlockWizard4 wizard;
    wizard.SetSettings(TRUE, FALSE, 3);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        wizard.Serialize(ar, eSheetVersion4);
        ar.Close();
    }
    Bytes expected;
    Word(expected, 0);
    Dword(expected, 1);
    Dword(expected, 0);
    Dword(expected, 3);
    const ULONGLONG length = file.GetLength();
    BYTE* data = file.Detach();
    EXPECT_EQ(expected, Bytes(data, data + length));
    free(data);

    struct Load {
        const char* what;
        Bytes bytes;
        ESheetVersion version;
        BOOL show, convert;
        DWORD count;
    };
    Bytes good;
    Word(good, 0);
    Dword(good, 0);
    Dword(good, 1);
    Dword(good, 7);
    Bytes otherSchema;
    Word(otherSchema, 1);
    Dword(otherSchema, 0);
    Dword(otherSchema, 1);
    Dword(otherSchema, 7);
    const std::vector<Load> loads = {
        {"schema 0", good, eSheetVersion4, FALSE, TRUE, 7},
        {"schema 1 keeps the settings", otherSchema, eSheetVersion4, TRUE, FALSE, 3},
        {"version 3 reads nothing", good, eSheetVersion3, TRUE, FALSE, 3},
    };
    for (const Load& l : loads) {
        CEquationBlockWizard4 loaded;
        loaded.SetSettings(TRUE, FALSE, 3);
        Bytes copy = l.bytes;
        CMemFile in(copy.data(), static_cast<UINT>(copy.size()));
        CArchive ar(&in, CArchive::load);
        loaded.Serialize(ar, l.version);
        EXPECT_EQ(l.show, loaded.GetShowErrors()) << l.what;
        EXPECT_EQ(l.convert, loaded.GetConvertFlag()) << l.what;
        EXPECT_EQ(l.count, loaded.GetOutputCount()) << l.what;
    }
}

Bytes PageState(DWORD version, std::optional<DWORD> showErrors) {
    Bytes state;
    Dword(state, version);
    if (showErrors) Dword(state, *showErrors);
    return state;
}

// Older data: output count, a DWORD, n skipped bytes, m bytes of page state.
TEST_F(EquationBlock, OlderDataBlocks) {
    struct Case {
        const char* what;
        Bytes block;
        bool null;
        BOOL show, convert;
        DWORD count;
    };
    auto block = [](DWORD count, std::optional<DWORD> n, Bytes skipped, std::optional<DWORD> m, Bytes state) {
        Bytes out = Dwords({count, 0xDEADBEEF});
        if (n) Dword(out, *n);
        Append(out, skipped);
        if (m) Dword(out, *m);
        Append(out, state);
        return out;
    };
    Bytes eight = Dwords({5, 0});
    const Bytes v10 = PageState(10, 0);
    const Bytes v7 = PageState(7, std::nullopt);
    const std::vector<Case> cases = {
        {"null block keeps the page defaults", {}, true, TRUE, FALSE, 0},
        {"8 bytes: count, convert", eight, false, TRUE, TRUE, 5},
        {"state of version 10", block(2, 3, {1, 2, 3}, 8, v10), false, FALSE, FALSE, 2},
        {"state of version 7 has no flag", block(2, 0, {}, 4, v7), false, TRUE, FALSE, 2},
        {"m of 0 asks for conversion", block(4, 0, {}, 0, {}), false, TRUE, TRUE, 4},
        {"m past the end", block(6, 0, {}, 400, v10), false, TRUE, FALSE, 6},
        {"n past the end reads m from the skipped bytes", block(1, 0xFFFFFFF0u, {}, 8, v10), false, FALSE, FALSE, 1},
        {"cut page state", block(3, 0, {}, 2, {10, 0}), false, TRUE, FALSE, 3},
        {"4 bytes: count, convert", Bytes{9, 0, 0, 0}, false, TRUE, TRUE, 9},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CEquationBlockWizard4>(BlockRows(), &element);
        wizard->SetSettings(FALSE, FALSE, 99);
        EXPECT_TRUE(wizard->DoConvertWizard3Data(c.null ? nullptr : c.block.data(), static_cast<long>(c.block.size())))
            << c.what;
        EXPECT_EQ(c.show, wizard->GetShowErrors()) << c.what;
        EXPECT_EQ(c.convert, wizard->GetConvertFlag()) << c.what;
        EXPECT_EQ(c.count, wizard->GetOutputCount()) << c.what;
    }
}

TEST_F(EquationBlock, CloneCopiesTheSettings) {
    CEquationBlockWizard4 wizard;
    wizard.SetSettings(TRUE, TRUE, 12);
    std::unique_ptr<CWizardBase4> copy(wizard.Clone());
    auto* clone = dynamic_cast<CEquationBlockWizard4*>(copy.get());
    ASSERT_NE(nullptr, clone);
    EXPECT_TRUE(clone->GetShowErrors());
    EXPECT_TRUE(clone->GetConvertFlag());
    EXPECT_EQ(12u, clone->GetOutputCount());
    EXPECT_EQ(nullptr, clone->GetPage());
    EXPECT_EQ(3, clone->GetWizardKind());
}

TEST(EquationRows, CellTextOfMultiLineEquations) {
    struct Row {
        const char* text;
        const char* cell;
        BOOL single;
    };
    const Row rows[] = {
        {"a := 1\r\nb := 2", "a := 1...", FALSE},
        {"a := 1\nb := 2", "a := ...", FALSE},
        {"\na := 1", "\na := 1", TRUE},
        {"x := 1", "x := 1", TRUE},
        {"", "", TRUE},
    };
    for (const Row& r : rows) {
        BOOL single = 7;
        EXPECT_EQ(r.cell, RowCellText(r.text, &single).str()) << r.text;
        EXPECT_EQ(r.single, single) << r.text;
    }
}

} // namespace
