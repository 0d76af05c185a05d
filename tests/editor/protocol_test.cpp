#include "afx/msgbox.h"
#include "afx/user_script.h"
#include "editor/schematic_editor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

LRESULT Send(CWnd* receiver, UINT code, LPARAM lParam) {
    return receiver->SendMessage(qv::SchematicEditor::kRequestMessage, code, lParam);
}

DWORD_PTR Fetch(CWnd* receiver, DWORD element) {
    WizReqCookieRecord record{element, 0};
    Send(receiver, WIZREQ_GET_PARAMS, reinterpret_cast<LPARAM>(&record));
    return record.dwCookie;
}

void GiveBack(CWnd* receiver, DWORD element, DWORD_PTR cookie) {
    WizReqCookieRecord record{element, cookie};
    Send(receiver, WIZREQ_RELEASE_PARAMS, reinterpret_cast<LPARAM>(&record));
}

// The editor's breaches are collected here instead of failing the test, so each test can
// say which breach it expects.
class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor.SetBreachHandler([this](const std::string& what) { breaches.push_back(what); });
        auto holder = std::make_unique<ParamHolder>();
        holder->m_strElementName = "R1";
        element = editor.AddElement(std::move(holder));
        receiver = editor.Receiver();
    }

    // Declared before the editor: the editor reports cookies still out when it is destroyed.
    std::vector<std::string> breaches;
    qv::SchematicEditor editor;
    DWORD element = 0;
    CWnd* receiver = nullptr;
};

TEST_F(ProtocolTest, BalancedFetchAndGiveBackIsClean) {
    DWORD_PTR a = Fetch(receiver, element);
    DWORD_PTR b = Fetch(receiver, element);
    EXPECT_EQ(a, b) << "the cookie is the element's parameter set";
    EXPECT_EQ(2, editor.OutstandingCookies());
    EXPECT_EQ(0, Send(receiver, WIZREQ_COMMIT_PARAMS, static_cast<LPARAM>(a)));
    GiveBack(receiver, element, a);
    GiveBack(receiver, element, b);
    editor.CheckAllReturned();
    EXPECT_TRUE(breaches.empty());
    EXPECT_EQ(a, editor.Requests()[0].cookie);
}

TEST_F(ProtocolTest, UnknownElementGetsNoCookie) {
    EXPECT_EQ(0u, Fetch(receiver, 999));
    EXPECT_EQ(0, editor.OutstandingCookies());
    EXPECT_TRUE(breaches.empty());
}

TEST_F(ProtocolTest, CookieNeverGivenBackIsABreach) {
    Fetch(receiver, element);
    editor.CheckAllReturned();
    ASSERT_EQ(1u, breaches.size());
    EXPECT_NE(std::string::npos, breaches[0].find("never given back"));
    editor.CheckAllReturned();
    EXPECT_EQ(1u, breaches.size()) << "reported once";
}

TEST_F(ProtocolTest, GivingBackTwiceOrWithoutFetchIsABreach) {
    DWORD_PTR cookie = Fetch(receiver, element);
    GiveBack(receiver, element, cookie);
    EXPECT_TRUE(breaches.empty());
    GiveBack(receiver, element, cookie);
    ASSERT_EQ(1u, breaches.size());
    GiveBack(receiver, element, 0x1234);
    EXPECT_EQ(2u, breaches.size());
}

TEST_F(ProtocolTest, GivingBackUnderAnotherElementIsABreach) {
    DWORD other = editor.AddElement(std::make_unique<ParamHolder>());
    DWORD_PTR cookie = Fetch(receiver, element);
    GiveBack(receiver, other, cookie);
    ASSERT_EQ(1u, breaches.size());
    EXPECT_EQ(0, editor.OutstandingCookies()) << "the cookie itself did come back";
}

TEST_F(ProtocolTest, CommitNeedsALiveCookie) {
    DWORD_PTR cookie = reinterpret_cast<DWORD_PTR>(editor.Holder(element));
    EXPECT_NE(0, Send(receiver, WIZREQ_COMMIT_PARAMS, static_cast<LPARAM>(cookie)));
    ASSERT_EQ(1u, breaches.size());
    Fetch(receiver, element);
    editor.SetCommitAnswer(3);
    EXPECT_EQ(3, Send(receiver, WIZREQ_COMMIT_PARAMS, static_cast<LPARAM>(cookie))) << "the configured answer";
    GiveBack(receiver, element, cookie);
    EXPECT_EQ(1u, breaches.size());
}

TEST_F(ProtocolTest, ExchangeCommitOnlyForAnElementsExchange) {
    auto exchange = std::make_unique<CWizardSchematicDataExchange3>();
    CWizardSchematicDataExchange3* raw = exchange.get();
    DWORD old = editor.AddElement(std::move(exchange));
    EXPECT_EQ(raw, editor.Exchange(old));
    EXPECT_EQ(nullptr, editor.Exchange(element));
    EXPECT_EQ(0, Send(receiver, WIZREQ_COMMIT_EXCHANGE, reinterpret_cast<LPARAM>(raw)));
    EXPECT_TRUE(breaches.empty());
    CWizardSchematicDataExchange3 stranger;
    EXPECT_NE(0, Send(receiver, WIZREQ_COMMIT_EXCHANGE, reinterpret_cast<LPARAM>(&stranger)));
    EXPECT_EQ(1u, breaches.size());
}

TEST_F(ProtocolTest, DeletedEntriesGoWhenTheLastCookieComesBack) {
    ParamHolder* holder = editor.Holder(element);
    auto* param = new CWizardCopaObject3;
    param->SetDeletable(TRUE);
    holder->AddParam(param);
    DWORD_PTR first = Fetch(receiver, element);
    DWORD_PTR second = Fetch(receiver, element);
    param->Delete();
    GiveBack(receiver, element, first);
    EXPECT_EQ(1, holder->GetParamCount()) << "never while a wizard or page still holds the set";
    GiveBack(receiver, element, second);
    EXPECT_EQ(0, holder->GetParamCount());
}

TEST_F(ProtocolTest, NamePartsAndNamesInUse) {
    CStringArray parts;
    WizReqNamePartsRecord record{element, &parts, CString("_")};
    Send(receiver, WIZREQ_NAME_PARTS, reinterpret_cast<LPARAM>(&record));
    ASSERT_EQ(1, parts.GetSize());
    EXPECT_EQ(CString("R1"), parts[0]);

    editor.SetNameParts(element, {"Sub", "R1"});
    CStringArray more;
    WizReqNamePartsRecord second{element, &more, CString("_")};
    Send(receiver, WIZREQ_NAME_PARTS, reinterpret_cast<LPARAM>(&second));
    ASSERT_EQ(2, more.GetSize());
    EXPECT_EQ(CString("Sub"), more[0]);

    editor.AddNameInUse("XY_R1");
    WizReqTextRecord taken{element, CString("XY_R1")};
    EXPECT_EQ(0, Send(receiver, WIZREQ_UNIQUE_NAME, reinterpret_cast<LPARAM>(&taken)));
    WizReqTextRecord free{element, CString("XY_R12")};
    EXPECT_NE(0, Send(receiver, WIZREQ_UNIQUE_NAME, reinterpret_cast<LPARAM>(&free)));
    EXPECT_NE(0, Send(receiver, WIZREQ_UNIQUE_NAME, reinterpret_cast<LPARAM>(&free)))
        << "accepting a name does not take it";
}

TEST_F(ProtocolTest, OlderWizardsAdditionalDataTravelsWithTheElement) {
    auto exchange = std::make_unique<CWizardSchematicDataExchange3>();
    const BYTE saved[] = {1, 0, 0, 0};
    exchange->SetAdditionalData(saved, sizeof saved);
    DWORD old = editor.AddElement(std::move(exchange));
    CWizardBase3 wizard;
    editor.Attach(wizard, old);
    BYTE* data = nullptr;
    ASSERT_EQ(4u, wizard.GetAdditionalWizardData(&data));
    EXPECT_EQ(1, data[0]);
    EXPECT_NE(editor.Exchange(old)->GetAdditionalData(), data) << "the wizard works on its own copy";
    wizard.SetAdditionalWizardData(new BYTE[2]{7, 8}, 2);
    editor.KeepAdditionalData(wizard, old);
    ASSERT_EQ(2u, editor.Exchange(old)->GetAdditionalDataSize());
    EXPECT_EQ(8, editor.Exchange(old)->GetAdditionalData()[1]);
    wizard.SetAdditionalWizardData(nullptr, 0);
    editor.KeepAdditionalData(wizard, old);
    EXPECT_EQ(0u, editor.Exchange(old)->GetAdditionalDataSize());
}

TEST_F(ProtocolTest, RecordsTheMessageBoxesShownWhileItLives) {
    qv::UserScript& script = qv::UserScript::Instance();
    script.Reset();
    script.SetFailureHandler([](const std::string& what) { ADD_FAILURE() << what; });
    script.ExpectMessageBox(IDOK, "Invalid value!");
    AfxMessageBox("Invalid value!");
    const std::vector<std::string> texts = editor.MessageBoxTexts();
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ("Invalid value!", texts[0]);
    script.Reset();
    script.SetFailureHandler(nullptr);
}

} // namespace

namespace {

TEST_F(ProtocolTest, RemovedElementIsForgottenAndItsHandleNotReused) {
    const DWORD_PTR cookie = Fetch(receiver, element);
    ASSERT_NE(0u, cookie);
    editor.RemoveElement(element);
    ASSERT_EQ(1u, breaches.size()) << "a set removed while a wizard holds it";
    EXPECT_NE(std::string::npos, breaches[0].find("removed with 1 cookie")) << breaches[0];
    EXPECT_EQ(nullptr, editor.Holder(element));
    EXPECT_EQ(0, editor.OutstandingCookies());
    EXPECT_EQ(0u, Fetch(receiver, element)) << "a removed element hands out no cookie";
    GiveBack(receiver, element, cookie);
    EXPECT_EQ(2u, breaches.size()) << "the cookie of a removed element is not out";

    const DWORD next = editor.AddElement(std::make_unique<ParamHolder>());
    EXPECT_GT(next, element) << "handles are never given again";
    const DWORD_PTR again = Fetch(receiver, next);
    GiveBack(receiver, next, again);
    editor.RemoveElement(next);
    editor.RemoveElement(next);
    EXPECT_EQ(2u, breaches.size()) << "removing a clean element, even twice, is no breach";
}

} // namespace
