// Dialogs and pages from the resource script's test page 30000, driven as a user would;
// sheets, data exchange, message boxes, menus and file dialogs through the user script.
#include "afx/afxwin.h"
#include "tests/afx/win_user_script_guard.h"
#include "win32/module.h"

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT kTestPage = 30000;
constexpr int kEdit = 30001, kCheck = 30002, kThreeState = 30003, kRadio1 = 30004, kRadio2 = 30005,
              kRadio3 = 30006, kCombo = 30007, kStatic = 30008, kButton = 30009, kList = 30010;
constexpr UINT kListMenu = 2547;

class CTestPage : public CPropertyPage {
public:
    explicit CTestPage(std::vector<std::string>* journal = nullptr, const char* name = "page")
        : CPropertyPage(kTestPage), m_journal(journal), m_name(name)
    {
    }

    CString m_text = "initial";
    int m_number = 0;
    bool m_numberField = false; // exchange the edit as an int instead of a text
    int m_check = BST_CHECKED;
    int m_three = BST_INDETERMINATE;
    int m_radio = 2;
    int m_combo = 1;
    CEdit m_edit;
    CListCtrl m_list;

    int initCalls = 0;
    int changes = 0;
    int clicks = 0;
    BOOL refuseKill = FALSE;
    BOOL refuseApply = FALSE;

    BOOL OnInitDialog()
    {
        ++initCalls;
        return CPropertyPage::OnInitDialog();
    }
    void DoDataExchange(CDataExchange* pDX)
    {
        DDX_Control(pDX, kEdit, m_edit);
        DDX_Control(pDX, kList, m_list);
        if (m_numberField)
            DDX_Text(pDX, kEdit, m_number);
        else
            DDX_Text(pDX, kEdit, m_text);
        DDX_Check(pDX, kCheck, m_check);
        DDX_Check(pDX, kThreeState, m_three);
        DDX_Radio(pDX, kRadio1, m_radio);
        DDX_CBIndex(pDX, kCombo, m_combo);
    }
    BOOL OnSetActive()
    {
        Log("set-active");
        return CPropertyPage::OnSetActive();
    }
    BOOL OnKillActive()
    {
        Log("kill-active");
        return refuseKill ? FALSE : CPropertyPage::OnKillActive();
    }
    BOOL OnApply()
    {
        Log("apply");
        return refuseApply ? FALSE : CPropertyPage::OnApply();
    }
    void OnReset()
    {
        Log("reset");
        CPropertyPage::OnReset();
    }
    void OnEditChange()
    {
        ++changes;
        SetModified(TRUE);
    }
    void OnEditKillFocus() { Log("edit kill-focus"); }
    void OnButton() { ++clicks; }

private:
    void Log(const char* what)
    {
        if (m_journal)
            m_journal->push_back(m_name + " " + what);
    }
    std::vector<std::string>* m_journal;
    std::string m_name;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestPage, CPropertyPage)
    ON_EN_CHANGE(kEdit, &CTestPage::OnEditChange)
    ON_EN_KILLFOCUS(kEdit, &CTestPage::OnEditKillFocus)
    ON_BN_CLICKED(kButton, &CTestPage::OnButton)
END_MESSAGE_MAP()

class Templates : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_module = LoadLibraryA(PARVEL_MODULE_DIR "/ParvelEnu.dll"); }
    static void TearDownTestSuite()
    {
        if (s_module)
            FreeLibrary(s_module);
        s_module = nullptr;
    }
    void SetUp() override
    {
        ASSERT_NE(s_module, nullptr);
        m_previous = AfxGetResourceHandle();
        AfxSetResourceHandle(s_module);
    }
    void TearDown() override { AfxSetResourceHandle(m_previous); }

    static HMODULE s_module;
    HINSTANCE m_previous = nullptr;
    qv::test::UserScriptGuard guard;
};

HMODULE Templates::s_module = nullptr;

int Checked(CWnd& w, int id) { return static_cast<int>(w.IsDlgButtonChecked(id)); }

TEST_F(Templates, PageCreatedHiddenHasRunOnInitDialogWithTemplateState)
{
    CTestPage page;
    ASSERT_TRUE(page.Create(kTestPage));
    EXPECT_EQ(page.initCalls, 1);
    EXPECT_FALSE(page.IsWindowVisible());

    // Controls of the right kinds, with their initial state and list entries.
    auto* combo = DYNAMIC_DOWNCAST(CComboBox, page.GetDlgItem(kCombo));
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->GetCount(), 3);
    CString text;
    combo->GetLBText(2, text);
    EXPECT_STREQ(text, "Three");
    page.GetDlgItemText(kStatic, text);
    EXPECT_STREQ(text, "Static Text");
    EXPECT_NE(DYNAMIC_DOWNCAST(CSpinButtonCtrl, page.GetDlgItem(30011)), nullptr);
    EXPECT_NE(DYNAMIC_DOWNCAST(CButton, page.GetDlgItem(kButton)), nullptr);

    // DDX_Control attached the members: the member and GetDlgItem are one control.
    EXPECT_EQ(page.GetDlgItem(kEdit), &page.m_edit);
    EXPECT_EQ(page.GetDlgItem(kList), &page.m_list);
    page.m_list.InsertColumn(0, "c", LVCFMT_LEFT, 40);
    page.m_list.InsertItem(0, "row");
    EXPECT_EQ(static_cast<CListCtrl*>(page.GetDlgItem(kList))->GetItemCount(), 1);

    // OnInitDialog moved the members into the controls.
    page.GetDlgItemText(kEdit, text);
    EXPECT_STREQ(text, "initial");
    EXPECT_EQ(Checked(page, kCheck), BST_CHECKED);
    EXPECT_EQ(Checked(page, kThreeState), BST_INDETERMINATE);
    EXPECT_EQ(page.GetCheckedRadioButton(kRadio1, kRadio3), kRadio3);
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(page.changes, 0); // filling fields from code notifies nobody

    page.DestroyWindow();
    EXPECT_EQ(page.m_edit.GetSafeHwnd(), nullptr);
    // The page can be made again.
    ASSERT_TRUE(page.Create(kTestPage));
    EXPECT_EQ(page.initCalls, 2);
}

TEST_F(Templates, TemplatesComeFromTheResourceHandleAtCreation)
{
    AfxSetResourceHandle(nullptr);
    CTestPage page;
    EXPECT_FALSE(page.Create(kTestPage));
    EXPECT_EQ(page.initCalls, 0);
    AfxSetResourceHandle(s_module);
    CDialog unknown;
    EXPECT_FALSE(unknown.Create(29999u));
    EXPECT_TRUE(page.Create(kTestPage));
}

TEST_F(Templates, SheetPagesKeepTheResourcesTheyWereConstructedWith)
{
    // A module constructs its page under its own resources and switches back before the
    // sheet shows it; the page must still find its template.
    CTestPage page;
    AfxSetResourceHandle(nullptr);
    CPropertySheet sheet("Element");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    EXPECT_NE(page.GetSafeHwnd(), nullptr);
    EXPECT_EQ(page.initCalls, 1);
}

TEST_F(Templates, TypingNotifiesButSettingFromCodeDoesNot)
{
    CTestPage page;
    ASSERT_TRUE(page.Create(kTestPage));
    page.SetDlgItemText(kEdit, "from code");
    page.m_edit.SetWindowText("again");
    EXPECT_EQ(page.changes, 0);
    EXPECT_FALSE(page.IsPageModified());

    ASSERT_TRUE(qv::ui::TypeText(page.GetDlgItem(kEdit), "typed"));
    EXPECT_EQ(page.changes, 1);
    EXPECT_TRUE(page.IsPageModified());
    ASSERT_TRUE(qv::ui::Click(&page, kButton));
    EXPECT_EQ(page.clicks, 1);
}

TEST_F(Templates, RadioGroupsAndThreeStateBoxesBehaveAsTheOriginal)
{
    CTestPage page;
    ASSERT_TRUE(page.Create(kTestPage));
    ASSERT_TRUE(qv::ui::Click(&page, kRadio2));
    EXPECT_EQ(Checked(page, kRadio1), 0);
    EXPECT_EQ(Checked(page, kRadio2), 1);
    EXPECT_EQ(Checked(page, kRadio3), 0);
    // A radio button clicked twice stays checked.
    ASSERT_TRUE(qv::ui::Click(&page, kRadio2));
    EXPECT_EQ(page.GetCheckedRadioButton(kRadio1, kRadio3), kRadio2);
    // Checking from code touches only the one button.
    page.CheckDlgButton(kRadio1, BST_CHECKED);
    EXPECT_EQ(Checked(page, kRadio2), 1);
    page.CheckRadioButton(kRadio1, kRadio3, kRadio3);
    EXPECT_EQ(page.GetCheckedRadioButton(kRadio1, kRadio3), kRadio3);
    EXPECT_EQ(Checked(page, kRadio1), 0);

    // The auto three-state box cycles unchecked -> checked -> indeterminate -> unchecked.
    page.CheckDlgButton(kThreeState, BST_UNCHECKED);
    std::vector<int> states;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(qv::ui::Click(&page, kThreeState));
        states.push_back(Checked(page, kThreeState));
    }
    EXPECT_EQ(states, (std::vector<int>{BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}));
    // A two-state box never shows the third state.
    page.CheckDlgButton(kCheck, BST_INDETERMINATE);
    EXPECT_EQ(Checked(page, kCheck), BST_CHECKED);
    ASSERT_TRUE(qv::ui::Click(&page, kCheck));
    EXPECT_EQ(Checked(page, kCheck), BST_UNCHECKED);

    // A disabled button cannot be clicked.
    page.GetDlgItem(kRadio1)->EnableWindow(FALSE);
    const auto failures = qv::test::UserScriptGuard::CollectFailures([&] { EXPECT_FALSE(qv::ui::Click(&page, kRadio1)); });
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_EQ(Checked(page, kRadio1), 0);
}

TEST_F(Templates, DataExchangeMovesValuesBothWays)
{
    CTestPage page;
    ASSERT_TRUE(page.Create(kTestPage));
    ASSERT_TRUE(qv::ui::TypeText(page.GetDlgItem(kEdit), "R1"));
    ASSERT_TRUE(qv::ui::Click(&page, kCheck));
    ASSERT_TRUE(qv::ui::Click(&page, kRadio1));
    ASSERT_TRUE(qv::ui::ChooseEntry(page.GetDlgItem(kCombo), "Three"));
    ASSERT_TRUE(page.UpdateData(TRUE));
    EXPECT_STREQ(page.m_text, "R1");
    EXPECT_EQ(page.m_check, BST_UNCHECKED);
    EXPECT_EQ(page.m_radio, 0);
    EXPECT_EQ(page.m_combo, 2);

    page.m_text = "back";
    page.m_radio = 1;
    page.m_combo = -1;
    page.m_three = BST_UNCHECKED;
    ASSERT_TRUE(page.UpdateData(FALSE));
    CString text;
    page.GetDlgItemText(kEdit, text);
    EXPECT_STREQ(text, "back");
    EXPECT_EQ(page.GetCheckedRadioButton(kRadio1, kRadio3), kRadio2);
    EXPECT_EQ(static_cast<CComboBox*>(page.GetDlgItem(kCombo))->GetCurSel(), CB_ERR);
    EXPECT_EQ(Checked(page, kThreeState), BST_UNCHECKED);

    // No radio checked reads as -1.
    page.CheckRadioButton(kRadio1, kRadio3, 0);
    ASSERT_TRUE(page.UpdateData(TRUE));
    EXPECT_EQ(page.m_radio, -1);
}

TEST_F(Templates, NumbersThatDoNotParseShowTheMessageAndFailTheExchange)
{
    CTestPage page;
    page.m_numberField = true;
    page.m_number = 5;
    ASSERT_TRUE(page.Create(kTestPage));
    CString text;
    page.GetDlgItemText(kEdit, text);
    EXPECT_STREQ(text, "5");

    for (const char* bad : {"12a", "", "2147483648", "1.5"}) {
        guard.Script().ExpectMessageBox(IDOK, "Please enter an integer.");
        page.SetDlgItemText(kEdit, bad);
        EXPECT_FALSE(page.UpdateData(TRUE)) << bad;
        EXPECT_EQ(page.m_number, 5) << bad;
    }
    page.SetDlgItemText(kEdit, " -2147483648 ");
    EXPECT_TRUE(page.UpdateData(TRUE));
    EXPECT_EQ(page.m_number, -2147483647 - 1);
    // The field in error got the focus back.
    guard.Script().ExpectMessageBox(IDOK);
    page.SetDlgItemText(kEdit, "x");
    EXPECT_FALSE(page.UpdateData(TRUE));
    EXPECT_EQ(CWnd::GetFocus(), &page.m_edit);
    EXPECT_EQ(guard.Script().Shown().back().type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST_F(Templates, DoublesUseTheCLocaleAndRefuseNonNumbers)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateMessageWindow());
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD, CRect(0, 0, 10, 10), &parent, 1));
    double value = 0.1;
    CDataExchange load(&parent, FALSE);
    DDX_Text(&load, 1, value);
    CString text;
    edit.GetWindowText(text);
    EXPECT_STREQ(text, "0.1");
    value = 1e21;
    DDX_Text(&load, 1, value);
    edit.GetWindowText(text);
    EXPECT_STREQ(text, "1e+21");

    CDataExchange save(&parent, TRUE);
    // Whether saving the edit's text into the value is refused with a user exception.
    auto refused = [&](auto& target) {
        try {
            DDX_Text(&save, 1, target);
        } catch (CUserException* e) {
            e->Delete();
            return true;
        }
        return false;
    };
    edit.SetWindowText(" 2.5e-3 ");
    DDX_Text(&save, 1, value);
    EXPECT_DOUBLE_EQ(value, 2.5e-3);
    for (const char* bad : {"1e999", "nan", "inf", "0x10", "1,5", "--1"}) {
        guard.Script().ExpectMessageBox(IDOK, "Please enter a number.");
        edit.SetWindowText(bad);
        EXPECT_TRUE(refused(value)) << bad;
        EXPECT_DOUBLE_EQ(value, 2.5e-3) << bad;
    }
    UINT positive = 3;
    guard.Script().ExpectMessageBox(IDOK, "Please enter a positive integer.");
    edit.SetWindowText("-1");
    EXPECT_TRUE(refused(positive));
    EXPECT_EQ(positive, 3u);
}

TEST_F(Templates, MessageBoxesTakeTheQueuedAnswersAndAreRecorded)
{
    guard.Script().ExpectMessageBox(IDNO, "Overwrite?");
    guard.Script().ExpectMessageBox(IDOK);
    EXPECT_EQ(AfxMessageBox("Overwrite?", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(AfxMessageBox(8000u), IDOK); // text from the string table
    ASSERT_EQ(guard.Script().Shown().size(), 2u);
    EXPECT_EQ(guard.Script().Shown()[1].text, "Invalid value!");
    EXPECT_EQ(guard.Script().Shown()[1].answer, IDOK);

    // Unexpected, wrong text and impossible answers are failures; the box is then cancelled.
    std::vector<std::string> failures = qv::test::UserScriptGuard::CollectFailures([] {
        EXPECT_EQ(AfxMessageBox("Nobody expects this", MB_OKCANCEL), IDCANCEL);
        qv::UserScript::Instance().ExpectMessageBox(IDOK, "Something else");
        EXPECT_EQ(AfxMessageBox("Shown text"), IDOK);
        qv::UserScript::Instance().ExpectMessageBox(IDYES);
        EXPECT_EQ(AfxMessageBox("Only OK"), IDOK);
        qv::UserScript::Instance().ExpectPopupMenu(0);
        EXPECT_EQ(AfxMessageBox("Wrong kind", MB_YESNO), IDNO);
    });
    EXPECT_EQ(failures.size(), 4u);
    guard.Script().Reset(); // the popup menu entry is still queued
}

// A standing answer takes only the boxes the script has no entry for and that it answers:
// a queued entry comes first, and a box it gives no (or an impossible) answer stays unexpected.
TEST_F(Templates, AStandingAnswerTakesOnlyTheBoxesTheScriptHasNoEntryFor)
{
    guard.Script().SetStandingAnswer([](const std::string& text) { return text.starts_with("Replace") ? IDYES : 0; });
    guard.Script().ExpectMessageBox(IDNO, "Replace a?");
    EXPECT_EQ(AfxMessageBox("Replace a?", MB_YESNO), IDNO);
    EXPECT_EQ(AfxMessageBox("Replace b?", MB_YESNO), IDYES);
    std::vector<std::string> failures = qv::test::UserScriptGuard::CollectFailures([] {
        EXPECT_EQ(AfxMessageBox("Keep c?", MB_YESNO), IDNO);
        EXPECT_EQ(AfxMessageBox("Replace d.", MB_OK), IDOK);
    });
    guard.Script().SetStandingAnswer(nullptr);
    EXPECT_EQ(failures.size(), 2u);
    EXPECT_EQ(guard.Script().Shown().back().answer, IDOK);
}

TEST(UserScriptGuardTest, AnExpectedInteractionThatNeverComesFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            qv::test::UserScriptGuard guard;
            guard.Script().ExpectMessageBox(IDOK, "Error while reading file!");
        },
        "never came: message box \"Error while reading file!\"");
    EXPECT_NONFATAL_FAILURE(
        {
            qv::test::UserScriptGuard guard;
            AfxMessageBox("surprise");
        },
        "unexpected message box \"surprise\"");
}

TEST_F(Templates, ModalDialogRunsTheScriptedActionsAndEndsWithTheirCode)
{
    CDialog dialog(kTestPage);
    CString typed;
    guard.Script().ExpectDialog(
        kTestPage,
        [&](CDialog& d) {
            EXPECT_TRUE(d.IsWindowVisible());
            ASSERT_TRUE(qv::ui::TypeText(d.GetDlgItem(kEdit), "inside"));
            d.GetDlgItemText(kEdit, typed);
        },
        IDOK);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_STREQ(typed, "inside");
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    ASSERT_EQ(guard.Script().Shown().size(), 1u);
    EXPECT_EQ(guard.Script().Shown()[0].kind, qv::InteractionKind::Dialog);
    EXPECT_EQ(guard.Script().Shown()[0].text, "Test Page");
    EXPECT_EQ(guard.Script().Shown()[0].answer, IDOK);

    guard.Script().ExpectDialog(kTestPage, nullptr, IDCANCEL);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    // The close box cancels.
    guard.Script().ExpectDialog(kTestPage, [](CDialog& d) { ASSERT_TRUE(qv::ui::CloseBox(&d)); }, 0);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    // A modeless dialog is hidden by its end.
    ASSERT_TRUE(dialog.Create(kTestPage));
    dialog.ShowWindow(SW_SHOW);
    ASSERT_TRUE(qv::ui::CloseBox(&dialog));
    EXPECT_FALSE(dialog.IsWindowVisible());
    EXPECT_NE(dialog.GetSafeHwnd(), nullptr);
    dialog.DestroyWindow();

    // Ending from inside: the script leaves the ending to the actions.
    guard.Script().ExpectDialog(kTestPage, [](CDialog& d) { d.EndDialog(42); }, 0);
    EXPECT_EQ(dialog.DoModal(), 42);

    const auto failures = qv::test::UserScriptGuard::CollectFailures([&] {
        EXPECT_EQ(dialog.DoModal(), IDCANCEL); // nobody expects it
        qv::UserScript::Instance().ExpectDialog(105);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL); // another dialog is expected
        qv::UserScript::Instance().ExpectDialog(kTestPage, nullptr, 0);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL); // nothing ends it
    });
    EXPECT_EQ(failures.size(), 3u);
}

TEST_F(Templates, SheetApplyRunsKillActiveThenEveryCreatedPageAndReportsRefusal)
{
    std::vector<std::string> journal;
    CTestPage first(&journal, "first"), second(&journal, "second");
    CPropertySheet sheet("Element");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    ASSERT_TRUE(sheet.Create());
    EXPECT_FALSE(sheet.IsWindowVisible());
    EXPECT_EQ(sheet.GetActivePage(), &first);
    EXPECT_NE(first.GetSafeHwnd(), nullptr);
    EXPECT_EQ(second.GetSafeHwnd(), nullptr); // made when first shown
    EXPECT_EQ(first.GetParent(), &sheet);

    // Only pages that have a window are applied.
    journal.clear();
    EXPECT_TRUE(qv::ui::Apply(&sheet));
    EXPECT_EQ(journal, (std::vector<std::string>{"first kill-active", "first apply"}));

    journal.clear();
    ASSERT_TRUE(qv::ui::SelectPage(&sheet, 1));
    EXPECT_EQ(journal, (std::vector<std::string>{"first kill-active", "second set-active"}));
    EXPECT_EQ(second.initCalls, 1);

    // Pressing Apply takes the focus from the field the user typed into first.
    ASSERT_TRUE(qv::ui::TypeText(second.GetDlgItem(kEdit), "typed"));
    journal.clear();
    EXPECT_TRUE(qv::ui::Apply(&sheet));
    EXPECT_EQ(journal, (std::vector<std::string>{"second edit kill-focus", "second kill-active", "first apply",
                                                  "second apply"}));

    // A refusing kill-active stops before any apply.
    journal.clear();
    second.refuseKill = TRUE;
    EXPECT_FALSE(qv::ui::Apply(&sheet));
    EXPECT_EQ(journal, (std::vector<std::string>{"second kill-active"}));
    second.refuseKill = FALSE;

    // A refusing apply stops there, and its page becomes the active one.
    journal.clear();
    first.refuseApply = TRUE;
    EXPECT_FALSE(qv::ui::Apply(&sheet));
    EXPECT_EQ(journal, (std::vector<std::string>{"second kill-active", "first apply", "first set-active"}));
    EXPECT_EQ(sheet.GetActivePage(), &first);

    // Kill-active's default takes the controls' data; a bad field refuses the page change.
    first.m_numberField = true;
    first.SetDlgItemText(kEdit, "oops");
    guard.Script().ExpectMessageBox(IDOK, "Please enter an integer.");
    EXPECT_FALSE(sheet.SetActivePage(1));
    EXPECT_EQ(sheet.GetActivePage(), &first);
}

TEST_F(Templates, ModalSheetWithScriptedActionsAppliesOnOK)
{
    std::vector<std::string> journal;
    CTestPage page(&journal, "page");
    CPropertySheet sheet("Characteristic");
    sheet.AddPage(&page);
    guard.Script().ExpectSheet(
        [](CPropertySheet& s) {
            EXPECT_TRUE(s.IsWindowVisible());
            ASSERT_TRUE(qv::ui::TypeText(s.GetActivePage()->GetDlgItem(kEdit), "typed"));
        },
        IDOK);
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_STREQ(page.m_text, "typed");
    EXPECT_EQ(journal, (std::vector<std::string>{"page set-active", "page edit kill-focus", "page kill-active",
                                                  "page apply"}));
    EXPECT_EQ(page.GetSafeHwnd(), nullptr);

    journal.clear();
    guard.Script().ExpectSheet(nullptr, IDCANCEL);
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    // The sheet on screen gave the page's first field the focus; Cancel takes it away.
    EXPECT_EQ(journal, (std::vector<std::string>{"page set-active", "page edit kill-focus", "page reset"}));
    EXPECT_EQ(guard.Script().Shown().back().text, "Characteristic");
}

TEST_F(Templates, PagesComeAndGoWhileTheSheetIsOpen)
{
    std::vector<std::string> journal;
    CPropertySheet sheet("Element");
    ASSERT_TRUE(sheet.Create());
    EXPECT_EQ(sheet.GetActivePage(), nullptr);
    CTestPage first(&journal, "first");
    sheet.AddPage(&first); // the first page of an open sheet is shown at once
    EXPECT_NE(first.GetSafeHwnd(), nullptr);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    {
        CTestPage second(&journal, "second");
        sheet.AddPage(&second);
        sheet.AddPage(&second); // once only
        EXPECT_EQ(sheet.GetPageCount(), 2);
        ASSERT_TRUE(sheet.SetActivePage(&second));
        // A page deleted while in the sheet leaves it.
    }
    EXPECT_EQ(sheet.GetPageCount(), 1);
    EXPECT_EQ(sheet.GetActivePage(), &first);
    EXPECT_TRUE(first.IsWindowVisible() == FALSE); // the sheet itself is hidden
    EXPECT_TRUE(first.GetStyle() & WS_VISIBLE);

    // Removing the active page destroys its window.
    sheet.RemovePage(0);
    EXPECT_EQ(first.GetSafeHwnd(), nullptr);
    EXPECT_EQ(first.GetSheet(), nullptr);
    EXPECT_EQ(sheet.GetActivePage(), nullptr);
}

// Answers sibling queries with the number it holds.
class CAnsweringPage : public CTestPage {
public:
    LRESULT answer = 0;
    LRESULT OnQuery(WPARAM w, LPARAM) { return answer ? answer + static_cast<LRESULT>(w) : 0; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CAnsweringPage, CTestPage)
    ON_MESSAGE(PSM_QUERYSIBLINGS, &CAnsweringPage::OnQuery)
END_MESSAGE_MAP()

TEST_F(Templates, SiblingQueriesStopAtTheFirstAnswerAndCancelBecomesClose)
{
    CAnsweringPage first, second;
    second.answer = 40;
    CPropertySheet sheet("Element");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    ASSERT_TRUE(sheet.Create());
    EXPECT_EQ(first.QuerySiblings(2, 0), 0); // the second page has no window yet
    ASSERT_TRUE(sheet.SetActivePage(1));
    EXPECT_EQ(first.QuerySiblings(2, 0), 42);
    first.answer = 7;
    EXPECT_EQ(second.QuerySiblings(1, 0), 8);

    EXPECT_FALSE(sheet.IsCancelToClose());
    first.CancelToClose();
    EXPECT_TRUE(sheet.IsCancelToClose());
    EXPECT_FALSE(sheet.IsApplyEnabled());
    ASSERT_TRUE(qv::ui::TypeText(second.GetDlgItem(kEdit), "x"));
    EXPECT_TRUE(sheet.IsApplyEnabled());
    EXPECT_TRUE(qv::ui::Cancel(&sheet));
    EXPECT_EQ(sheet.GetSafeHwnd(), nullptr);
}

TEST_F(Templates, AControlBelongsToOneProgramObjectAtATime)
{
    CTestPage page;
    ASSERT_TRUE(page.Create(kTestPage));
    CWnd* generic = page.GetDlgItem(kCheck);
    CButton mine;
    ASSERT_TRUE(mine.SubclassDlgItem(kCheck, &page));
    EXPECT_EQ(page.GetDlgItem(kCheck), &mine);
    // The object handed out before keeps working on the same control.
    generic->SendMessage(BM_SETCHECK, BST_UNCHECKED);
    EXPECT_EQ(mine.GetCheck(), BST_UNCHECKED);
    mine.SetCheck(BST_CHECKED);
    EXPECT_EQ(Checked(page, kCheck), BST_CHECKED);

    CButton other;
    EXPECT_FALSE(other.SubclassDlgItem(kCheck, &page));
    EXPECT_FALSE(other.SubclassDlgItem(29999, &page));
    EXPECT_FALSE(mine.SubclassDlgItem(kThreeState, &page)); // already attached elsewhere

    HWND h = mine.UnsubclassWindow();
    EXPECT_EQ(mine.GetSafeHwnd(), nullptr);
    EXPECT_EQ(page.GetDlgItem(kCheck)->GetSafeHwnd(), h);
    EXPECT_EQ(Checked(page, kCheck), BST_CHECKED);
}

// Logs the WM_DESTROY and WM_NCDESTROY of the control it is attached to.
class CGoneLogger : public CWnd {
public:
    std::vector<std::string>* log = nullptr;
    void OnDestroy() { log->push_back("destroy " + std::to_string(GetDlgCtrlID())); }
    LRESULT OnNcDestroy(WPARAM, LPARAM)
    {
        log->push_back("ncdestroy");
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CGoneLogger, CWnd)
    ON_WM_DESTROY()
    ON_MESSAGE(WM_NCDESTROY, &CGoneLogger::OnNcDestroy)
END_MESSAGE_MAP()

// When a page goes, a control the program attached to a class of its own still hears its
// WM_DESTROY and WM_NCDESTROY, whatever the control; and a view that only holds a control's
// handle sees no window from then on, though it looked the window up before.
TEST_F(Templates, ControlsOfAPageThatGoesHearItWhenTheProgramAttachedThem)
{
    const std::pair<const char*, int> cases[] = {
        {"check box", kCheck}, {"push button", kButton}, {"static", kStatic}, {"combo box", kCombo}};
    for (const auto& [what, id] : cases) {
        SCOPED_TRACE(what);
        std::vector<std::string> log;
        CGoneLogger logger;
        logger.log = &log;
        CTestPage page;
        ASSERT_TRUE(page.Create(kTestPage));
        ASSERT_TRUE(logger.SubclassDlgItem(id, &page));
        CWnd view;
        view.m_hWnd = page.GetDlgItem(kRadio3)->GetSafeHwnd();
        ASSERT_EQ(view.GetDlgCtrlID(), kRadio3);
        ASSERT_TRUE(view.IsWindowEnabled());
        page.DestroyWindow();
        EXPECT_EQ(log, (std::vector<std::string>{"destroy " + std::to_string(id), "ncdestroy"}));
        EXPECT_EQ(logger.GetSafeHwnd(), nullptr);
        EXPECT_EQ(view.GetDlgCtrlID(), 0);
        EXPECT_FALSE(view.IsWindowEnabled());
        EXPECT_EQ(view.GetWindowTextLength(), 0);
        view.m_hWnd = nullptr;
    }
}

class CMenuOwner : public CWnd {
public:
    std::vector<UINT> commands;
    bool rowSelected = false;
    int prepared = 0;
    void OnCommandRange(UINT id) { commands.push_back(id); }
    LRESULT OnInitMenuPopup(WPARAM menu, LPARAM)
    {
        // The owner may still change the menu when it is about to be shown.
        ++prepared;
        CMenu::FromHandle(reinterpret_cast<HMENU>(menu))->EnableMenuItem(40004, MF_GRAYED);
        return 0;
    }
    void OnUpdateRowCommand(CCmdUI* ui) { ui->Enable(rowSelected); }
    void OnUpdateNew(CCmdUI* ui) { ui->SetText("New row"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMenuOwner, CWnd)
    ON_COMMAND_RANGE(40001, 40004, &CMenuOwner::OnCommandRange)
    ON_UPDATE_COMMAND_UI(40001, &CMenuOwner::OnUpdateRowCommand)
    ON_UPDATE_COMMAND_UI_RANGE(40003, 40004, &CMenuOwner::OnUpdateRowCommand)
    ON_UPDATE_COMMAND_UI(40005, &CMenuOwner::OnUpdateNew)
    ON_MESSAGE(WM_INITMENUPOPUP, &CMenuOwner::OnInitMenuPopup)
END_MESSAGE_MAP()

TEST_F(Templates, CommandUpdateHandlersPrepareAMenuBeforeItIsShown)
{
    CMenuOwner owner;
    ASSERT_TRUE(owner.CreateMessageWindow());
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(kListMenu));
    qv::UpdateMenuCommandUI(menu, &owner);
    // No row: the row commands are disabled; "Delete All" (40002) has a command handler.
    EXPECT_EQ(qv::DescribeMenu(menu.GetSubMenu(0)->GetSafeHmenu()),
              "New row|[Delete]|Delete All|-|[Move down]|[Move up]");
    owner.rowSelected = true;
    qv::UpdateMenuCommandUI(menu, &owner);
    EXPECT_EQ(qv::DescribeMenu(menu.GetSubMenu(0)->GetSafeHmenu()), "New row|Delete|Delete All|-|Move down|Move up");
}

TEST_F(Templates, PopupMenusFromTheResourcesAreAnsweredByTheScript)
{
    CMenuOwner owner;
    ASSERT_TRUE(owner.CreateMessageWindow());
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(kListMenu));
    CMenu* popup = menu.GetSubMenu(0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetMenuItemCount(), 6);
    EXPECT_EQ(popup->GetMenuItemID(3), 0u); // separator
    EXPECT_EQ(popup->EnableMenuItem(40001, MF_GRAYED), static_cast<UINT>(MF_ENABLED));
    EXPECT_EQ(popup->EnableMenuItem(49999, MF_GRAYED), static_cast<UINT>(-1));

    guard.Script().ExpectPopupMenu(40003);
    EXPECT_TRUE(popup->TrackPopupMenu(TPM_RIGHTBUTTON, 5, 5, &owner));
    EXPECT_EQ(owner.commands, (std::vector<UINT>{40003}));
    EXPECT_EQ(guard.Script().Shown().back().text, "New|[Delete]|Delete All|-|Move down|[Move up]");
    EXPECT_EQ(owner.prepared, 1);

    guard.Script().ExpectPopupMenu(40005);
    EXPECT_EQ(popup->TrackPopupMenu(TPM_RETURNCMD, 5, 5, &owner), 40005); // returned, not sent
    guard.Script().ExpectPopupMenu(0);
    EXPECT_FALSE(popup->TrackPopupMenu(0, 5, 5, &owner));
    EXPECT_EQ(owner.commands.size(), 1u);

    // A grayed or missing command cannot be chosen.
    const auto failures = qv::test::UserScriptGuard::CollectFailures([&] {
        qv::UserScript::Instance().ExpectPopupMenu(40001);
        EXPECT_FALSE(popup->TrackPopupMenu(0, 5, 5, &owner));
    });
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_EQ(owner.commands.size(), 1u);

    CMenu built;
    ASSERT_TRUE(built.CreatePopupMenu());
    built.AppendMenu(MF_STRING, 7, "Seven");
    built.CheckMenuItem(7, MF_CHECKED);
    EXPECT_EQ(built.GetMenuState(7, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    CMenu unknown;
    EXPECT_FALSE(unknown.LoadMenu(29999u));
}

TEST_F(Templates, ImageListsCutResourceBitmapsAndRecordTheirDrawing)
{
    CImageList images;
    ASSERT_TRUE(images.Create(138u, 16, 0, RGB(255, 0, 255)));
    EXPECT_EQ(images.GetImageCount(), 15); // 240 pixels wide
    EXPECT_EQ(images.AddBitmapResource(135), 15);
    EXPECT_EQ(images.GetImageCount(), 21);
    EXPECT_EQ(images.AddBitmapResource(29999), -1);

    CDC dc;
    EXPECT_TRUE(images.Draw(&dc, 16, CPoint(4, 2), ILD_NORMAL));
    EXPECT_FALSE(images.Draw(&dc, 21, CPoint(0, 0), ILD_NORMAL));
    ASSERT_EQ(dc.GetDisplayList().items.size(), 1u);
    const qv::DrawItem& item = dc.GetDisplayList().items[0];
    EXPECT_EQ(item.imageSource, "imagelist");
    EXPECT_EQ(item.imageId, 135);
    EXPECT_EQ(item.imageIndex, 1);
    EXPECT_EQ(CRect(item.rect), CRect(4, 2, 20, 18));

    CListCtrl list;
    CWnd parent;
    ASSERT_TRUE(parent.CreateMessageWindow());
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 100, 100), &parent, 1));
    EXPECT_EQ(list.SetImageList(&images, LVSIL_SMALL), nullptr);
    EXPECT_EQ(list.GetImageList(LVSIL_SMALL), &images);

    CImageList unknown;
    EXPECT_FALSE(unknown.Create(29999u, 16, 0, 0));
}

TEST_F(Templates, FileDialogsTakeThePathOrACancel)
{
    CFileDialog save(FALSE, "mdx", "old.mdx", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     "Data files (*.mdx)|*.mdx|Text files (*.txt)|*.txt||");
    // The filter's '|' separators become NULs, with a double NUL at the end.
    const char expected[] = "Data files (*.mdx)\0*.mdx\0Text files (*.txt)\0*.txt\0";
    EXPECT_EQ(std::string(save.m_ofn.lpstrFilter, sizeof expected), std::string(expected, sizeof expected));
    save.m_ofn.lpstrTitle = "Export";
    save.m_ofn.lpstrInitialDir = "/tmp/data/";
    guard.Script().ExpectFileDialog("/tmp/data/curve", 2);
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_STREQ(save.GetPathName(), "/tmp/data/curve.mdx"); // the default extension is added
    EXPECT_STREQ(save.GetFileName(), "curve.mdx");
    EXPECT_STREQ(save.GetFileExt(), "mdx");
    EXPECT_STREQ(save.GetFileTitle(), "curve");
    EXPECT_EQ(save.m_ofn.nFilterIndex, 2u);
    EXPECT_EQ(guard.Script().Shown().back().text, "Export");
    EXPECT_EQ(guard.Script().Shown().back().path, "/tmp/data/curve");
    EXPECT_EQ(guard.Script().Shown().back().caption, "/tmp/data/");
    EXPECT_EQ(guard.Script().Shown().back().initial, "old.mdx");

    CFileDialog open(TRUE);
    guard.Script().ExpectFileDialog("C:\\old\\name.txt");
    ASSERT_EQ(open.DoModal(), IDOK);
    EXPECT_STREQ(open.GetFileName(), "name.txt");
    EXPECT_EQ(open.m_ofn.nFilterIndex, 1u);
    guard.Script().ExpectFileDialogCancel();
    EXPECT_EQ(open.DoModal(), IDCANCEL);
}

} // namespace
