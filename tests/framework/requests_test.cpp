#include "editor/schematic_editor.h"
#include "framework/module.h"
#include "framework/requests.h"
#include "win32/win32.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// An editor whose protocol breaches fail the test, and a wizard of each base attached to
// one element.
class RequestsTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor.SetBreachHandler([](const std::string& what) { ADD_FAILURE() << "protocol breach: " << what; });
        auto holder = std::make_unique<ParamHolder>();
        holder->m_strElementName = "R1";
        element = editor.AddElement(std::move(holder));
        editor.Attach(wizard4, element);
        editor.Attach(wizard3, element);
    }
    void TearDown() override { editor.CheckAllReturned(); }

    qv::SchematicEditor editor;
    DWORD element = 0;
    CWizardBase4 wizard4;
    CWizardBase3 wizard3;
};

TEST_F(RequestsTest, UniqueNameRetriesWithCountingSuffixes) {
    editor.AddNameInUse("T");
    editor.AddNameInUse("T2");
    CString name("T");
    MakeUniqueName(&wizard4, name);
    EXPECT_EQ(CString("T3"), name);
    ASSERT_EQ(3u, editor.CountRequests(WIZREQ_UNIQUE_NAME));
    EXPECT_EQ("T", editor.Requests()[0].text);
    EXPECT_EQ("T2", editor.Requests()[1].text);
    EXPECT_EQ("T3", editor.Requests()[2].text);
    EXPECT_EQ(element, editor.Requests()[2].element);
}

TEST_F(RequestsTest, UniqueNameSuffixesAlwaysStartFromTheFirstCandidate) {
    editor.AddNameInUse("XY_R1");
    for (int i = 2; i <= 11; ++i) editor.AddNameInUse("XY_R1" + std::to_string(i));
    CString name("XY_R1");
    MakeUniqueName(&wizard3, name);
    EXPECT_EQ(CString("XY_R112"), name);
    EXPECT_EQ(12u, editor.CountRequests(WIZREQ_UNIQUE_NAME));
}

TEST_F(RequestsTest, UniqueNameGivesUpAfterAThousandRefusals) {
    // An editor that refuses everything: every candidate is "in use".
    class RefusingReceiver : public CWnd {
    public:
        RefusingReceiver() { CreateMessageWindow(); }
        ~RefusingReceiver() override { DestroyWindow(); }
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (wParam == WIZREQ_UNIQUE_NAME) {
                ++count;
                last = reinterpret_cast<WizReqTextRecord*>(lParam)->strText;
                return 0;
            }
            return CWnd::WindowProc(message, wParam, lParam);
        }
        int count = 0;
        CString last;
    } refusing;
    CString name("T");
    MakeUniqueName(RequestTarget(&refusing, 1, 5), name);
    EXPECT_EQ(kMaxUniqueNameRefusals, refusing.count);
    EXPECT_EQ(CString("T1000"), name) << "the last candidate is taken";
    EXPECT_EQ(refusing.last, name);
}

TEST_F(RequestsTest, UniqueNameStopsWhenTheReceiverWindowIsGone) {
    class VanishingReceiver : public CWnd {
    public:
        VanishingReceiver() { CreateMessageWindow(); }
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (wParam == WIZREQ_UNIQUE_NAME) {
                ++count;
                DestroyWindow();
                return 0;
            }
            return CWnd::WindowProc(message, wParam, lParam);
        }
        int count = 0;
    } vanishing;
    CString name("T");
    MakeUniqueName(RequestTarget(&vanishing, 1, 5), name);
    EXPECT_EQ(1, vanishing.count);
    EXPECT_EQ(CString("T2"), name);
}

TEST_F(RequestsTest, NothingIsSentWithoutReceiver) {
    CWizardBase4 lonely;
    lonely.m_dwElementHandle = element;
    lonely.m_nMessageNumber = qv::SchematicEditor::kRequestMessage;
    CString name("T");
    MakeUniqueName(&lonely, name);
    EXPECT_EQ(CString("T"), name) << "without a receiver the candidate counts as accepted";
    EXPECT_EQ(0u, FetchParamSet(&lonely));
    ReleaseParamSet(&lonely, reinterpret_cast<DWORD_PTR>(editor.Holder(element)));
    EXPECT_FALSE(CommitParamSet(&lonely, reinterpret_cast<DWORD_PTR>(editor.Holder(element))));
    EXPECT_FALSE(CommitExchange(&lonely, nullptr));
    AnnounceFileWritten(&lonely, "/tmp/x.mdx");
    ReportWriteError(&lonely, "/tmp/x.mdx");
    RequestElementHelp(&lonely);
    CStringArray parts;
    EXPECT_FALSE(RequestNameParts(&lonely, parts));
    EXPECT_FALSE(RequestNameParts(static_cast<const CWizardBase4*>(nullptr), parts));
    EXPECT_TRUE(editor.Requests().empty());
}

TEST_F(RequestsTest, FetchGiveBackAndCommit) {
    DWORD_PTR cookie = FetchParamSet(&wizard4);
    ASSERT_NE(0u, cookie);
    EXPECT_EQ(editor.Holder(element), HolderFromCookie(cookie));
    EXPECT_EQ(1, editor.OutstandingCookies());
    EXPECT_TRUE(CommitParamSet(&wizard4, cookie));
    editor.SetCommitAnswer(1);
    EXPECT_FALSE(CommitParamSet(&wizard4, cookie)) << "a non-zero answer is a refusal";
    EXPECT_FALSE(CommitParamSet(&wizard4, 0)) << "no commit without a cookie";
    ReleaseParamSet(&wizard4, cookie);
    ReleaseParamSet(&wizard4, 0);
    EXPECT_EQ(0, editor.OutstandingCookies());
    EXPECT_EQ(1u, editor.CountRequests(WIZREQ_GET_PARAMS));
    EXPECT_EQ(2u, editor.CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_EQ(1u, editor.CountRequests(WIZREQ_RELEASE_PARAMS)) << "24 only for a non-zero cookie";
}

TEST_F(RequestsTest, ScopedParamSetGivesBackOnEveryPath) {
    {
        ScopedParamSet set(&wizard4);
        ASSERT_NE(nullptr, set.Holder());
        EXPECT_EQ(1, editor.OutstandingCookies());
    }
    EXPECT_EQ(0, editor.OutstandingCookies());
    try {
        ScopedParamSet set(&wizard4);
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(0, editor.OutstandingCookies());
    DWORD_PTR handedOver = 0;
    {
        ScopedParamSet set(&wizard4);
        handedOver = set.Detach();
    }
    EXPECT_EQ(1, editor.OutstandingCookies());
    ReleaseParamSet(&wizard4, handedOver);
    EXPECT_EQ(0, editor.OutstandingCookies());
    EXPECT_EQ(3u, editor.CountRequests(WIZREQ_RELEASE_PARAMS));
}

TEST_F(RequestsTest, FileAndErrorReportsNeedReceiverAndElementHandle) {
    CWizardBase4 noElement;
    editor.Attach(noElement, 0);
    AnnounceFileWritten(&noElement, "/tmp/a.mdx");
    ReportWriteError(&noElement, "/tmp/a.mdx");
    EXPECT_TRUE(editor.Requests().empty());

    AnnounceFileWritten(&wizard4, "/tmp/a.mdx");
    ASSERT_EQ(1u, editor.CountRequests(WIZREQ_FILE_WRITTEN));
    EXPECT_EQ("/tmp/a.mdx", editor.Requests()[0].text);
    EXPECT_EQ(element, editor.Requests()[0].element);
}

} // namespace
