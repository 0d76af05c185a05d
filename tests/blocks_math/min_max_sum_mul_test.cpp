// The minimum/maximum/sum/product block: "@PARAMLIST", the input list driven as a user drives
// it, the archive, and the conversions of older data.
#include "../blocks_linear/blocks_support.h"

#include "blocks_math/min_max_sum_mul.h"

#include <cstring>

using namespace blocks_test;
using namespace qv::blocks;

namespace {

std::vector<ParamRow> SumRows() {
    return {
        {.id = 2132, .name = "INPUT", .value = "0", .type = 0x6, .description = "Input %d"},
        {.id = 2132, .name = "INPUT[0]", .value = "a"},
        {.id = 2132, .name = "INPUT[1]", .value = "- b+c"},
        {.id = 2132, .name = "INPUT[2]", .value = "- sin(d)"},
        {.id = 2183, .name = "TS", .value = "0", .quantity = "Time", .unit = "s"},
        {.id = 2056, .name = "OUT", .value = "", .type = 0x8},
    };
}

using SumBlock = OnePageTest<CMinMaxSumMulBlockWizard4, BlocksTest>;

TEST_F(SumBlock, ParamListOfSignedInputsAndTheSampleTime) {
    DWORD element = 0;
    auto wizard = NewWizard<CMinMaxSumMulBlockWizard4>(SumRows(), &element);
    wizard->SetSignMask(0x6);
    CString text = "SUM @NAME ( @PARAMLIST );";
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", text));
    EXPECT_EQ("SUM @NAME ( INPUT[0] := a,INPUT[1] := - (b+c),INPUT[2] := - sin(d),TS := 0 );", text.str());
    CString untouched = "@PARAMLIST";
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "SUM", untouched));
    EXPECT_EQ("@PARAMLIST", untouched.str());
}

TEST_F(SumBlock, ListTextSkipsTemplatesOutputsAndDeletedInputs) {
    ParamHolder holder;
    struct Row {
        WORD id;
        const char* name;
        const char* value;
        DWORD type;
        bool deleted;
    };
    for (const Row& r : {Row{2132, "INPUT", "0", 0x6, false}, Row{2132, "INPUT[0]", "", 0x4, false},
                         Row{2132, "INPUT[1]", "  -x", 0x4, false}, Row{2132, "INPUT[2]", "gone", 0x4, true},
                         Row{2132, "INPUT[3]", "out", 0x8, false}, Row{2202, "TSF", " 1m ", 0x4, false},
                         Row{2186, "IN", "other", 0x4, false}}) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(r.id);
        param->SetName(r.name);
        param->SetValue(r.value);
        param->SetType(r.type);
        param->SetDeletable(TRUE);
        if (r.deleted) param->Delete();
        holder.AddParam(param);
    }
    // An empty value stays empty even when negated; an unmarked "-x" is written as it is.
    EXPECT_EQ("INPUT[0] := ,INPUT[1] := -x,TSF :=  1m ", BuildInputListText(&holder, 0x1).str());
    EXPECT_EQ("INPUT[0] := ,INPUT[1] := - (x),TSF :=  1m ", BuildInputListText(&holder, 0x3).str());
    EXPECT_EQ("", BuildInputListText(nullptr, 0).str());
}

TEST_F(SumBlock, NegatedValuesAndFactorOperands) {
    struct Case {
        const char* value;
        const char* negated;
    };
    for (const Case& c : {Case{"+x", "- (x)"}, Case{"-x", "- (x)"}, Case{"-(x+y)", "- (x+y)"},
                          Case{"f(x)+y", "- (f(x)+y)"}, Case{"sin(d)", "- sin(d)"}, Case{"(b)", "- (b)"},
                          Case{"(a)+(b)", "- ((a)+(b))"}, Case{"b", "- (b)"}, Case{"", ""}, Case{"- ", ""}})
        EXPECT_EQ(c.negated, NegatedInputText(c.value).str()) << c.value;
    for (const Case& c : {Case{"u", "u"}, Case{"2.5", "2.5"}, Case{"a+b", "(a+b)"}, Case{"f(x)", "f(x)"},
                          Case{"(a+b)", "(a+b)"}, Case{"-u", "(-u)"}})
        EXPECT_EQ(c.negated, FactorOperand(c.value).str()) << c.value;
    struct Sign {
        DWORD mask;
        int index;
        const char* value;
        bool negated;
    };
    for (const Sign& s : {Sign{0x2, 1, "u", true}, Sign{0x2, 2, "u", false}, Sign{0xFFFFFFFF, 33, "u", false},
                          Sign{0, 33, " -u", true}, Sign{0xFFFFFFFF, -1, "u", false}})
        EXPECT_EQ(s.negated, IsInputNegated(s.mask, s.index, s.value)) << s.index;
}

TEST_F(SumBlock, MoveUpEditAndNegationGiveTheGoldenText) {
    DWORD element = 0;
    std::vector<ParamRow> rows = SumRows();
    rows.insert(rows.begin() + 4, ParamRow{.id = 2132, .name = "INPUT[33]", .value = "-w"});
    auto wizard = NewWizard<CMinMaxSumMulBlockWizard4>(rows, &element);
    wizard->SetSignMask(0x6);
    {
        OpenPage<CMinMaxSumMulBlockWizard4> open(*wizard);
        CWnd* page = open.Page();
        CWnd* list = page->GetDlgItem(2132);
        auto* inputs = static_cast<CTBEditListCtrl*>(list);
        ASSERT_EQ(4, inputs->GetItemCount());
        EXPECT_EQ("-", inputs->GetItemText(1, 2).str());
        EXPECT_EQ("b+c", inputs->GetItemText(1, 4).str());
        ASSERT_TRUE(qv::ui::EditListCell(list, 0, 4, "f(x)+y"));
        ASSERT_TRUE(qv::ui::EditListCell(list, 0, 2, "-"));
        ASSERT_TRUE(qv::ui::ClickListItem(list, 2));
        ASSERT_TRUE(qv::ui::Click(page, 1125));
        EXPECT_EQ("INPUT[2]", inputs->GetItemText(1, 0).str());
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }
    EXPECT_EQ(0x7u, wizard->GetSignMask());
    CString text = "@PARAMLIST";
    wizard->WriteSimDescr(nullptr, "IMMANENT", text);
    EXPECT_EQ("INPUT[0] := - (f(x)+y),INPUT[2] := - sin(d),INPUT[1] := - (b+c),INPUT[33] := - (w),TS := 0",
              text.str());
}

TEST_F(SumBlock, NewDeleteAndPinsOnTheList) {
    std::vector<ParamRow> rows = SumRows();
    rows[3].deletable = TRUE;
    rows.push_back({.id = 2132, .name = "INPUT[7]", .value = "kept", .deletable = FALSE});
    CWnd* page = OpenWizardPage(rows);
    CWnd* list = page->GetDlgItem(2132);
    auto* inputs = static_cast<CTBEditListCtrl*>(list);
    ParamHolder* holder = editor->Holder(element);
    ASSERT_TRUE(qv::ui::Click(page, 1122));
    EXPECT_EQ("INPUT[8]", inputs->GetItemText(4, 0).str());
    EXPECT_EQ("Input 8", Named(holder, "INPUT[8]")->GetDescriptionByLangID(kLanguageEnglish).str());
    ASSERT_TRUE(qv::ui::Click(page, 1123));
    EXPECT_TRUE(Named(holder, "INPUT[8]")->IsDeleted());
    ASSERT_TRUE(qv::ui::Click(page, 1122));
    EXPECT_EQ("INPUT[8]", inputs->GetItemText(4, 0).str());
    EXPECT_EQ(5, inputs->GetItemCount());

    // Inputs 0 and 1 stay whatever is deleted.
    ASSERT_TRUE(qv::ui::ClickListItem(list, 1));
    ASSERT_TRUE(qv::ui::Click(page, 1123));
    EXPECT_EQ(5, inputs->GetItemCount());
    ASSERT_TRUE(qv::ui::Click(page, 1124));
    EXPECT_EQ(2, inputs->GetItemCount());
    // Only inputs that may be deleted leave the set; their rows go in every case.
    EXPECT_EQ((std::vector<std::string>{"INPUT", "INPUT[0]", "INPUT[1]", "INPUT[7]"}), Names(Live(holder, 2132)));

    // The pin cell switches the input's pin at once.
    ASSERT_TRUE(qv::ui::EditListCell(list, 1, 3, "1"));
    EXPECT_TRUE(Named(holder, "INPUT[1]")->HasPin());
    EXPECT_EQ(TB_EDIT_NONE, inputs->GetEditItemType(1, 4));
    ASSERT_TRUE(qv::ui::EditListCell(list, 1, 3, "0"));
    EXPECT_FALSE(Named(holder, "INPUT[1]")->HasPin());
    EXPECT_EQ(TB_EDIT_TEXT, inputs->GetEditItemType(1, 4));
}

TEST_F(SumBlock, NewBeyondTheLimitIsRefused) {
    std::vector<ParamRow> rows = SumRows();
    rows.push_back({.id = 2132, .name = "INPUT[9999]", .value = "z"});
    OpenWizardPage(rows);
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
    ASSERT_TRUE(qv::ui::Click(open->Page(), 1122));
    EXPECT_EQ(5u, Live(editor->Holder(element), 2132).size());
}

TEST_F(SumBlock, DuplicateIndexesFailTheApplyAfterTheCommit) {
    std::vector<ParamRow> rows = SumRows();
    rows.push_back({.id = 2132, .name = "INPUT[2]", .value = "e"});
    OpenWizardPage(rows);
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Following indexes are more than once:\n2");
    EXPECT_FALSE(open->Page()->OnApply());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(SumBlock, ArchiveBytesAndLoading) {
    CMinMaxSumMulBlockWizard4 wizard;
    wizard.SetSignMask(0x80000005u);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        wizard.Serialize(ar, eSheetVersion3);
        wizard.Serialize(ar, eSheetVersion4);
        ar.Close();
    }
    const Bytes golden = {0x00, 0x00, 0x05, 0x00, 0x00, 0x80};
    EXPECT_EQ(golden, Bytes(file.Data(), file.Data() + file.GetLength()));

    struct Case {
        Bytes bytes;
        DWORD mask;
    };
    for (const Case& c : {Case{golden, 0x80000005u}, Case{{0x01, 0x00, 0x05, 0x00, 0x00, 0x00}, 0x11u}}) {
        CMinMaxSumMulBlockWizard4 loaded;
        loaded.SetSignMask(0x11u);
        Bytes copy = c.bytes;
        CMemFile in(copy.data(), static_cast<UINT>(copy.size()), 0);
        CArchive ar(&in, CArchive::load);
        loaded.Serialize(ar, eSheetVersion4);
        EXPECT_EQ(c.mask, loaded.GetSignMask());
    }
}

TEST_F(SumBlock, OldBlocksOfZeroToFourBytes) {
    struct Case {
        Bytes bytes;
        DWORD mask;
    };
    const Case cases[] = {{{}, 0x9}, {{0x02}, 0x9}, {{0x02, 0x00}, 0x9}, {{0x02, 0x00, 0x00}, 0x9}, {{0x06, 0x00, 0x00, 0x00}, 0x6}};
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CMinMaxSumMulBlockWizard4>(SumRows(), &element);
        wizard->SetSignMask(0x9);
        EXPECT_TRUE(wizard->DoConvertWizard3Data(c.bytes.empty() ? nullptr : c.bytes.data(),
                                                 static_cast<long>(c.bytes.size())));
        EXPECT_EQ(c.mask, wizard->GetSignMask()) << c.bytes.size();
        EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    }
}

TEST_F(SumBlock, FourXFactorIsFoldedIntoInputOneOnce) {
    struct Case {
        const char* input;
        const char* factor;
        const char* result;
    };
    for (const Case& c : {Case{"u", "2", "u * 2"}, Case{"a+b", "2", "(a+b) * 2"}, Case{"u", "k+1", "u * (k+1)"}}) {
        DWORD element = 0;
        std::vector<ParamRow> rows = SumRows();
        rows[2].value = c.input;
        rows[2].type = 0x80000004u;
        rows.push_back({.id = 1000, .name = "FACTOR", .value = c.factor});
        auto wizard = NewWizard<CMinMaxSumMulBlockWizard4>(rows, &element);
        editor->ClearRequests();
        ParamHolder* holder = editor->Holder(element);
        EXPECT_TRUE(wizard->DoConversionFrom4x());
        EXPECT_EQ(c.result, Named(holder, "INPUT[1]")->GetValue().str());
        EXPECT_FALSE(Named(holder, "INPUT[1]")->HasPin());
        EXPECT_NE(0u, Named(holder, "FACTOR")->GetExtType() & 0x20000);
        EXPECT_TRUE(wizard->DoConversionFrom4x());
        EXPECT_EQ(c.result, Named(holder, "INPUT[1]")->GetValue().str());
        EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    }
}

} // namespace

#include "editor/catalogue.h"

namespace {

TEST(SumBlockCatalogue, FourElementsShareTheWizardIdByKind) {
    qv::Catalogue catalogue;
    std::string error;
    ASSERT_TRUE(catalogue.LoadFile(PARVEL_SOURCE_DIR "/editor/catalogue/blocks_math.json", error)) << error;
    ASSERT_NE(nullptr, catalogue.Find(58));
    EXPECT_EQ("Sum", catalogue.Find(58)->kind);
    for (const char* kind : {"Sum", "Product", "Minimum", "Maximum"}) {
        const qv::CatalogueElement* element = catalogue.Find(58, kind);
        ASSERT_NE(nullptr, element) << kind;
        EXPECT_NE(std::string::npos, element->modelText.find("@PARAMLIST")) << kind;
    }
    EXPECT_EQ(nullptr, catalogue.Find(58, "Negator"));

    struct Case {
        const char* text;
        bool ok;
    };
    for (const Case& c : {Case{R"({"family":"f","elements":[{"id":1,"kind":"A"},{"id":1,"kind":"B"}]})", true},
                          Case{R"({"family":"f","elements":[{"id":1,"kind":"A"},{"id":1,"kind":"A"}]})", false},
                          Case{R"({"family":"f","elements":[{"id":1,"kind":"A"},{"id":1}]})", false}}) {
        qv::Catalogue one;
        EXPECT_EQ(c.ok, one.LoadText(c.text, "test", error)) << c.text;
    }
}

} // namespace
