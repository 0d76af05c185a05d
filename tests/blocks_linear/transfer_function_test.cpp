// The continuous transfer function: coefficient families on the page, in the model-text run,
// after order changes elsewhere and in the conversions of older data.
#include "blocks_support.h"

#include "blocks_linear/gain_block.h"
#include "blocks_linear/transfer_function.h"
#include "framework/factories.h"
#include "framework/indexed_family.h"
#include "framework/prefixed_numbers.h"
#include "framework/module.h"
#include "editor/param_list_fill.h"

#include <algorithm>

#include <random>

using namespace blocks_test;

namespace {

std::vector<ParamRow> TransferRows(const char* n, const char* m, const char* numList = "1",
                                   const char* denList = "1") {
    return WithSampleTimeInputAndOutput(
        {
            {.id = 2188, .name = "N", .value = n},
            {.id = 2193, .name = "M", .value = m},
            {.id = 2194, .name = "Q", .value = numList, .type = 0x6, .description = "Numerator coefficient %d"},
            {.id = 2195, .name = "P", .value = denList, .type = 0x6, .description = "Denominator coefficient %d"},
        },
        2183, "0");
}

std::vector<int> Indexes(const std::vector<CWizardCopaObject3*>& params) {
    std::vector<int> out;
    for (const CWizardCopaObject3* p : params)
        if ((p->GetType() & 0x2) == 0) out.push_back(GetBracketIndex(p->GetName()));
    std::sort(out.begin(), out.end());
    return out;
}
std::vector<int> Range(int last) {
    std::vector<int> out;
    for (int i = 0; i <= last; ++i) out.push_back(i);
    return out;
}

using TransferFunction = BlocksTest;

TEST_F(TransferFunction, ModelTextRunCreatesMissingCoefficientsAndCommitsOnce) {
    DWORD element = 0;
    auto wizard = NewWizard<CTransferFunctionWizard4>(TransferRows("2", "3", "7"), &element, 1);
    CString text = "TF @NAME ( @PARAMLIST);";
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", text));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ((std::vector<std::string>{"Q", "Q[0]", "Q[1]", "Q[2]"}), Names(Live(holder, 2194)));
    EXPECT_EQ((std::vector<std::string>{"P", "P[0]", "P[1]", "P[2]", "P[3]"}), Names(Live(holder, 2195)));
    EXPECT_EQ("7", Named(holder, "Q[1]")->GetValue().str());
    EXPECT_EQ(0x4u, Named(holder, "Q[1]")->GetType());
    EXPECT_TRUE(Named(holder, "Q[1]")->IsDeletable());
    EXPECT_EQ("Numerator coefficient 1", Named(holder, "Q[1]")->GetDescriptionByLangID(kLanguageEnglish).str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_EQ("TF @NAME ( @PARAMLIST);", text.str());

    // A second run finds everything present and creates nothing.
    wizard->WriteSimDescr(nullptr, "IMMANENT", text);
    EXPECT_EQ(4u, Live(holder, 2194).size());
}

TEST_F(TransferFunction, ModelTextRunCountsLiveMembersAndRespectsTheLimit) {
    struct Case {
        const char* n;
        std::vector<int> expected;  // numerator indexes live afterwards
    };
    const Case cases[] = {{"1", {0, 1}}, {"2.9", {0, 1, 2}}, {"-1", {}}, {"9999", Range(9999)}, {"10000", {}}};
    for (const Case& c : cases) {
        DWORD element = 0;
        std::vector<ParamRow> rows = TransferRows(c.n, "0");
        rows.push_back({.id = 2194, .name = "Q[0]", .value = "a", .deletable = TRUE});
        auto wizard = NewWizard<CTransferFunctionWizard4>(rows, &element, 1);
        // A deleted member holds no index.
        auto* gone = new CWizardCopaObject3;
        gone->SetValueID(2194);
        gone->SetName("Q[1]");
        gone->SetType(0x4);
        gone->SetDeletable(TRUE);
        gone->Delete();
        editor->Holder(element)->AddParam(gone);
        CString text;
        wizard->WriteSimDescr(nullptr, "IMMANENT", text);
        std::vector<int> expected = c.expected;
        if (expected.empty()) expected = {0};  // the member already there stays
        EXPECT_EQ(expected, Indexes(Live(editor->Holder(element), 2194))) << c.n;
    }
}

TEST_F(TransferFunction, WithoutImmanentOrTemplatesNothingHappens) {
    DWORD element = 0;
    auto wizard = NewWizard<CTransferFunctionWizard4>(TransferRows("2", "2"), &element, 0);
    CString text = "x";
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "TF", text));
    EXPECT_TRUE(editor->Requests().empty());
    Named(editor->Holder(element), "P")->SetType(0x4);
    wizard->WriteSimDescr(nullptr, "IMMANENT", text);
    EXPECT_EQ(1u, Live(editor->Holder(element), 2194).size());
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(TransferFunction, FourXListsSplitLikeStrtok) {
    struct Case {
        const char* list;
        const char* order;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"1,,2", "2", {"1", "2", "0"}},
        {"5", "2", {"5", "0", "0"}},
        {"a, b", "1", {"a", " b"}},
        {"1,2,3,4", "1", {"1", "2"}},
        {",,", "0", {"0"}},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        std::vector<ParamRow> rows = TransferRows(c.order, "0", c.list, "4");
        rows.push_back({.id = 2194, .name = "Q[0]", .value = "old", .deletable = TRUE});
        auto wizard = NewWizard<CTransferFunctionWizard4>(rows, &element, 1);
        editor->ClearRequests();
        EXPECT_TRUE(wizard->DoConversionFrom4x());
        std::vector<CWizardCopaObject3*> members;
        for (CWizardCopaObject3* p : Live(editor->Holder(element), 2194))
            if ((p->GetType() & 0x2) == 0) members.push_back(p);
        EXPECT_EQ(c.values, Values(members)) << c.list;
        EXPECT_EQ(std::vector<std::string>{"4"}, Values({Named(editor->Holder(element), "P[0]")}));
        EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    }
}

TEST_F(TransferFunction, LeavingTheOrderFieldResizesTheFamilyAndItsRows) {
    DWORD element = 0;
    WizardOnSheet wizard(NewWizard<CTransferFunctionWizard4>(TransferRows("3", "1"), &element, 1));
    CWnd* page = wizard.Page();
    auto* list = static_cast<CTBEditListCtrl*>(page->GetDlgItem(2194));
    EXPECT_EQ(4, list->GetItemCount());
    EXPECT_EQ("Q[3]", list->GetItemText(3, 0).str());
    struct Step {
        const char* order;
        int rows;
    };
    // A text that is no order ("2.9", "-1"), which OK refuses, leaves the family and its rows.
    for (const Step& step : {Step{"1", 2}, Step{"2.9", 2}, Step{"-1", 2}, Step{"0", 1}, Step{"x", 1}, Step{"2", 3}}) {
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2188), step.order));
        ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2186)));
        EXPECT_EQ(step.rows, list->GetItemCount()) << step.order;
        EXPECT_EQ(Range(step.rows - 1), Indexes(Live(editor->Holder(element), 2194))) << step.order;
    }
    EXPECT_FALSE(Visible(page, 2196));
    EXPECT_FALSE(Visible(page, 2197));
    EXPECT_FALSE(Visible(page, 2200));
}

TEST_F(TransferFunction, RandomOrderSequencesLeaveExactlyTheRangeLive) {
    DWORD element = 0;
    WizardOnSheet wizard(NewWizard<CTransferFunctionWizard4>(TransferRows("0", "0"), &element, 1));
    CWnd* page = wizard.Page();
    std::mt19937 random(13);
    std::uniform_int_distribution<int> orders(-2, 12);
    int live = 0;
    for (int step = 0; step < 40; ++step) {
        const int order = orders(random);
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2193), std::to_string(order).c_str()));
        ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2186)));
        // A negative order is no order: the family stays as it was.
        if (order >= 0) live = order;
        EXPECT_EQ(Range(live), Indexes(Live(editor->Holder(element), 2195))) << order;
    }
}

TEST_F(TransferFunction, AnOrderBeyondTheLimitIsRefusedOnThePage) {
    DWORD element = 0;
    WizardOnSheet wizard(NewWizard<CTransferFunctionWizard4>(TransferRows("1", "1"), &element, 1));
    CWnd* page = wizard.Page();
    // Leaving the field changes nothing; OK refuses the order.
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2188), "1e6"));
    ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2186)));
    EXPECT_EQ(Range(1), Indexes(Live(editor->Holder(element), 2194)));
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
    EXPECT_FALSE(wizard.Page()->OnApply());
}

TEST_F(TransferFunction, ApplyWritesNewCoefficientsAndRefusesAZeroLeadingDenominator) {
    struct Case {
        int row;
        const char* value;
        bool refused;
    };
    const Case cases[] = {{2, "0", true}, {2, "0.0", true}, {2, "0m", true}, {2, "0*a", false},
                          {1, "0", false}, {2, "3", false}};
    for (const Case& c : cases) {
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CTransferFunctionWizard4>(TransferRows("1", "2"), &element, 1));
        CWnd* page = wizard.Page();
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2186), "u"));
        ASSERT_TRUE(qv::ui::EditListCell(page->GetDlgItem(2195), c.row, 1, c.value));
        ASSERT_TRUE(qv::ui::EditListCell(page->GetDlgItem(2194), 0, 1, "5"));
        if (c.refused) qv::UserScript::Instance().ExpectMessageBox(IDOK, "Error : The value of P[2] should not be 0!");
        EXPECT_EQ(!c.refused, wizard.Page()->OnApply() != FALSE) << c.value;
        ParamHolder* holder = editor->Holder(element);
        // A refused apply writes nothing at all.
        EXPECT_EQ(c.refused ? "x" : "u", Named(holder, "IN")->GetValue().str());
        EXPECT_EQ(c.refused ? "1" : "5", Named(holder, "Q[0]")->GetValue().str());
        if (!c.refused) {
            EXPECT_EQ(c.value, Named(holder, c.row == 2 ? "P[2]" : "P[1]")->GetValue().str());
        }
    }
}

TEST_F(TransferFunction, SampleTimeRuleOfTheTransferFunctionPage) {
    const SampleTimeCase cases[] = {
        {"0", "System", "0"}, {"0.0", "System", "0"}, {"1m", "1m", "1m"}, {"0.00", "0.00", "0.00"}, {"Ts", "Ts", "Ts"},
        {"SYSTEM", "System", "0"}, {"0*K", "0*K", "0*K"}};
    for (const SampleTimeCase& c : cases) {
        DWORD element = 0;
        std::vector<ParamRow> rows = TransferRows("0", "0");
        rows[4].value = c.stored;
        WizardOnSheet wizard(NewWizard<CTransferFunctionWizard4>(rows, &element, 1));
        EXPECT_EQ(c.shown, Text(wizard.Page(), 2183)) << c.stored;
        ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
        EXPECT_EQ(c.written, Named(editor->Holder(element), "TS")->GetValue().str()) << c.stored;
    }
}

TEST_F(TransferFunction, OrderChangedElsewhereResizesOnAPageOfItsOwn) {
    DWORD element = 0;
    WizardOnSheet wizard(NewWizard<CTransferFunctionWizard4>(TransferRows("0", "0"), &element, 0));
    auto* shown = wizard.Page();
    const DWORD_PTR shownCookie = shown->GetCookie();
    ParamHolder* holder = editor->Holder(element);
    Named(holder, "N")->SetValue("2");
    wizard->NotifyChanged(3, Named(holder, "N"));
    EXPECT_EQ(Range(2), Indexes(Live(holder, 2194)));
    EXPECT_EQ(shown, wizard->GetPage());
    EXPECT_EQ(shownCookie, shown->GetCookie());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    // Other changes and other parameters are ignored.
    wizard->NotifyChanged(2, Named(holder, "N"));
    wizard->NotifyChanged(3, Named(holder, "IN"));
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(TransferFunction, BothIdsMakeTheSameParametersAndRequests) {
    std::vector<std::vector<std::string>> names;
    std::vector<std::vector<UINT>> codes;
    for (unsigned id : {33u, 330u}) {
        const DWORD element = editor->AddElement(MakeHolder(TransferRows("1", "1"), "G1"));
        std::unique_ptr<CWizardBase4> wizard(CreateWizard4Instance(id));
        ASSERT_NE(nullptr, wizard);
        editor->Attach(*wizard, element);
        editor->ClearRequests();
        CString text;
        wizard->WriteSimDescr(nullptr, "IMMANENT", text);
        wizard->NotifyChanged(3, Named(editor->Holder(element), "M"));
        names.push_back(Names(Live(editor->Holder(element), 2195)));
        std::vector<UINT> sent;
        for (const auto& request : editor->Requests()) sent.push_back(request.code);
        codes.push_back(sent);
    }
    EXPECT_EQ(names[0], names[1]);
    EXPECT_EQ(codes[0], codes[1]);
    EXPECT_EQ((std::vector<UINT>{23, 25, 24, 23, 25, 24}), codes[0]);
}

TEST_F(TransferFunction, ReopeningGivesTheOldCookieBackAndCloneKeepsTheMode) {
    DWORD element = 0;
    auto wizard = NewWizard<CTransferFunctionWizard4>(TransferRows("0", "0"), &element, 0);
    CPropertySheet first("A");
    ASSERT_TRUE(wizard->DoEditProperties(first, 1));
    CPropertySheet second("B");
    first.RemovePage(wizard->GetPage());
    ASSERT_TRUE(wizard->DoEditProperties(second, 1));
    EXPECT_EQ(1, editor->OutstandingCookies());
    second.RemovePage(wizard->GetPage());
    wizard->EndEditProperties();
    EXPECT_EQ(0, editor->OutstandingCookies());
    std::unique_ptr<CWizardBase4> copy(wizard->Clone());
    EXPECT_EQ(0u, static_cast<CTransferFunctionWizard4*>(copy.get())->GetMode());
    std::unique_ptr<CWizardBase4> made33(CreateWizard4Instance(33));
    std::unique_ptr<CWizardBase4> made330(CreateWizard4Instance(330));
    EXPECT_EQ(1u, static_cast<CTransferFunctionWizard4*>(made33.get())->GetMode());
    EXPECT_EQ(0u, static_cast<CTransferFunctionWizard4*>(made330.get())->GetMode());
    EXPECT_EQ(3, made330->GetWizardKind());
}

TEST_F(TransferFunction, APageShownAgainReadsOnlyTheSetItNowHolds) {
    DWORD element = 0;
    std::vector<ParamRow> rows = TransferRows("2", "0");
    auto wizard = NewWizard<CTransferFunctionWizard4>(rows, &element, 1);
    CString text;
    wizard->WriteSimDescr(nullptr, "IMMANENT", text);
    {
        CPropertySheet sheet("A");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
        ASSERT_TRUE(sheet.Create());
        ASSERT_TRUE(qv::ui::TypeText(wizard->GetPage()->GetDlgItem(2188), "0"));
        ASSERT_TRUE(qv::ui::SetFocusTo(wizard->GetPage()->GetDlgItem(2186)));
        ASSERT_TRUE(qv::ui::Apply(&sheet));
        sheet.DestroyWindow();
        sheet.RemovePage(wizard->GetPage());
    }
    // The order changed elsewhere before the page is shown again: the page sizes the family
    // from what the set holds now, past the members it retired before.
    Named(editor->Holder(element), "N")->SetValue("3");
    CPropertySheet sheet("B");
    ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
    EXPECT_EQ(1, editor->OutstandingCookies());
    ASSERT_TRUE(sheet.Create());
    auto* list = static_cast<CTBEditListCtrl*>(wizard->GetPage()->GetDlgItem(2194));
    EXPECT_EQ(4, list->GetItemCount());
    EXPECT_EQ(Range(3), Indexes(Live(editor->Holder(element), 2194)));
    sheet.DestroyWindow();
    sheet.RemovePage(wizard->GetPage());
    wizard->EndEditProperties();
}

TEST_F(TransferFunction, OldDataKeepsOnlyTheThirdBlockAndNeverReadsPastTheEnd) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::string kept;
    };
    auto block = [](DWORD a, DWORD b, DWORD c, const std::string& cBytes) {
        Bytes out = Dwords({1, 2, a});
        out.insert(out.end(), a < 16 ? a : 0, 'a');
        Dword(out, b);
        out.insert(out.end(), b < 16 ? b : 0, 'b');
        Dword(out, c);
        out.insert(out.end(), cBytes.begin(), cBytes.end());
        return out;
    };
    const Case cases[] = {
        {"whole", block(2, 3, 4, "keep"), "keep"},
        {"empty parts", block(0, 0, 2, "ok"), "ok"},
        {"A wraps", block(0xFFFFFFFFu, 0, 2, "no"), ""},
        {"B wraps", block(1, 0xFFFFFFFCu, 2, "no"), ""},
        {"C too long", block(1, 1, 9, "short"), ""},
        {"C wraps", block(1, 1, 0xFFFFFFFFu, "x"), ""},
        {"cut short", Bytes{1, 0, 0}, ""},
    };
    for (const Case& c : cases) {
        CPropTransferFunctionBlockS page(nullptr, 0, 1);
        page.ConvertWizard3Data(c.bytes.data(), static_cast<long>(c.bytes.size()));
        EXPECT_EQ(c.kept, std::string(page.GetOldData().begin(), page.GetOldData().end())) << c.what;
    }
    CPropTransferFunctionBlockS page(nullptr, 0, 1);
    page.ConvertWizard3Data(nullptr, 10);
    EXPECT_TRUE(page.GetOldData().empty());

    DWORD element = 0;
    auto wizard = NewWizard<CTransferFunctionWizard4>(TransferRows("1", "0"), &element, 1);
    const Bytes whole = block(2, 3, 4, "keep");
    EXPECT_TRUE(ConvertOlder(*wizard, whole));
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_EQ(Range(1), Indexes(Live(editor->Holder(element), 2194)));
}

TEST_F(TransferFunction, InitialValuesDialogListsExistingValuesOnly) {
    CWizardCopaObject3 x1;
    x1.SetName("X_FIRST");
    x1.SetValue("1");
    CWizardCopaObject3 y2;
    y2.SetName("Y_SECOND");
    y2.SetValue("2");
    CPtrArray xs;
    xs.Add(&x1);
    CPtrArray ys;
    ys.Add(nullptr);
    ys.Add(&y2);
    struct Case {
        int endCode;
        bool reset;
        const char* x;
        const char* y;
    };
    for (const Case& c : {Case{IDOK, false, "7", "2"}, Case{IDOK, true, "0", "2"}, Case{IDCANCEL, false, "1", "2"}}) {
        x1.SetValue("1");
        qv::UserScript::Instance().ExpectDialog(
            2543,
            [&](CDialog& dialog) {
                auto* listX = static_cast<CTBEditListCtrl*>(dialog.GetDlgItem(2198));
                auto* listY = static_cast<CTBEditListCtrl*>(dialog.GetDlgItem(2199));
                ASSERT_EQ(1, listX->GetItemCount());
                ASSERT_EQ(1, listY->GetItemCount());
                EXPECT_EQ("Q0[1]", listX->GetItemText(0, 0).str());
                EXPECT_EQ("P0[2]", listY->GetItemText(0, 0).str());
                ASSERT_TRUE(qv::ui::EditListCell(listX, 0, 1, "7"));
                if (c.reset) {
                    ASSERT_TRUE(qv::ui::Click(&dialog, 2200));
                }
            },
            c.endCode);
        CResourceSwitch resources;
        CDlgInitialValuesXY dialog;
        dialog.SetArrays(&xs, &ys);
        dialog.DoModal();
        EXPECT_EQ(c.x, x1.GetValue().str());
        EXPECT_EQ(c.y, y2.GetValue().str());
    }
}

TEST_F(TransferFunction, WholeModelTextWithNewCoefficients) {
    DWORD element = 0;
    auto wizard = NewWizard<CTransferFunctionWizard4>(TransferRows("1", "2", "3"), &element, 1);
    CString text = "TF @NAME ( @PARAMLIST);";
    wizard->WriteSimDescr(nullptr, "IMMANENT", text);
    // The wizard creates the coefficients and leaves the list to the editor.
    EXPECT_EQ("TF @NAME ( N := @N, M := @M, TS := @TS, IN := @IN, Q[0] := @Q[0], Q[1] := @Q[1], "
              "P[0] := @P[0], P[1] := @P[1], P[2] := @P[2] );",
              qv::FillLeftParamList(*editor->Holder(element), text.str()));
}

TEST_F(TransferFunction, ClosingTheInitialValuesDialogMarksThePageModified) {
    for (int endCode : {IDOK, IDCANCEL}) {
        DWORD element = 0;
        std::vector<ParamRow> rows = TransferRows("0", "0");
        rows.push_back({.id = 2198, .name = "X0", .value = ""});
        rows.push_back({.id = 2198, .name = "X0[1]", .value = "5"});
        WizardOnSheet wizard(NewWizard<CTransferFunctionWizard4>(rows, &element, 1));
        CPropTransferFunctionBlock* page = wizard.Page();
        page->GetDlgItem(2197)->ShowWindow(SW_SHOW);
        page->SetModified(FALSE);
        qv::UserScript::Instance().ExpectDialog(
            2543, [](CDialog& dialog) { ASSERT_TRUE(qv::ui::EditListCell(dialog.GetDlgItem(2198), 0, 1, "6")); },
            endCode);
        ASSERT_TRUE(qv::ui::Click(page, 2197));
        EXPECT_TRUE(page->IsPageModified());
        EXPECT_EQ(endCode == IDOK ? "6" : "5", Named(editor->Holder(element), "X0[1]")->GetValue().str());
    }
}

TEST(IndexedFamily, OrdersNamesAndFields) {
    struct OrderCase {
        const char* text;
        BOOL ok;
        int order;
    };
    for (const OrderCase& c : {OrderCase{"2.9", TRUE, 2}, OrderCase{"-1", TRUE, -1}, OrderCase{"-7.5", TRUE, -1},
                               OrderCase{"abc", TRUE, 0}, OrderCase{"9999", TRUE, 9999}, OrderCase{"10000", FALSE, 0},
                               OrderCase{"1e300", FALSE, 0}, OrderCase{"-1e300", TRUE, -1}}) {
        int order = 0;
        EXPECT_EQ(c.ok, qv::family::OrderFromText(c.text, &order)) << c.text;
        if (c.ok) {
            EXPECT_EQ(c.order, order) << c.text;
        }
    }
    EXPECT_EQ("Q[3]", qv::family::IndexedName("Q", 3).str());
    EXPECT_EQ("Q0[12]", qv::family::IndexedName("Q0[%i]", 12).str());
    std::vector<std::string> fields;
    for (const CString& f : qv::family::SplitFields(",1,,2 ,")) fields.push_back(f.str());
    EXPECT_EQ((std::vector<std::string>{"1", "2 "}), fields);
}

} // namespace
