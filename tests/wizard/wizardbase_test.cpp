#include "afx/afxwin.h"
#include "wizard/wizard.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Restores the process-wide environment a test changed.
class EnvironmentGuard {
public:
    ~EnvironmentGuard() {
        qv::SetCurrentLanguageID(kLanguageEnglish);
        qv::SetQuorvatixPath("");
        qv::SetLanguageModulePath("");
    }
};

// A window that records the requests it receives.
class RecordingReceiver : public CWnd {
public:
    struct Received {
        WPARAM code;
        DWORD element;
        DWORD_PTR cookie;
    };
    RecordingReceiver() { CreateMessageWindow(); }
    ~RecordingReceiver() override { DestroyWindow(); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kMessage) return CWnd::WindowProc(message, wParam, lParam);
        const auto* record = reinterpret_cast<const WizReqCookieRecord*>(lParam);
        received.push_back({wParam, record->dwElementHandle, record->dwCookie});
        return 0;
    }
    static constexpr UINT kMessage = WM_USER + 7;
    std::vector<Received> received;
};

class Deleted : public CObject {
public:
    explicit Deleted(int& counter) : m_counter(counter) {}
    ~Deleted() override { ++m_counter; }

private:
    int& m_counter;
};

TEST(LangDependentString, CurrentLanguageThenEnglishThenLowestThenNothing) {
    EnvironmentGuard guard;
    CWizardBase4 wizard;
    CLanguageTextMap map;
    CString out("stale");
    EXPECT_EQ(0, wizard.GetLangDependentString(map, out));
    EXPECT_TRUE(out.IsEmpty());

    map.SetAt(0x40C, "fr");
    map.SetAt(0x407, "de");
    EXPECT_EQ(0x407, wizard.GetLangDependentString(map, out)) << "no current and no English text: lowest ID";
    EXPECT_EQ(CString("de"), out);

    map.SetAt(0x409, "en");
    EXPECT_EQ(0x409, wizard.GetLangDependentString(map, out));
    EXPECT_EQ(CString("en"), out);

    qv::SetCurrentLanguageID(0x40C);
    CWizardBase3 older;
    EXPECT_EQ(0x40C, older.GetLangDependentString(map, out));
    EXPECT_EQ(CString("fr"), out);
    EXPECT_EQ(3, map.GetCount()) << "looking up adds nothing";
}

TEST(ReplaceDocumentPlaceholders, OneForwardPassWithoutRescan) {
    CQuorvatixDocument document("/work/@DocumentName.qsc", "a.b@DocumentFile");
    CWizardBase4 wizard;
    wizard.SetDocument(&document);
    CString text("@DocumentName__x|@DocumentFile|@Document|@@DocumentName");
    EXPECT_TRUE(wizard.ReplacePlaceHolders(&text));
    EXPECT_EQ(CString("a.b@DocumentFile__x|/work/@DocumentName.qsc|@Document|@a.b@DocumentFile"), text);

    CString plain("no placeholder @ here");
    EXPECT_FALSE(wizard.ReplacePlaceHolders(&plain));
    EXPECT_EQ(CString("no placeholder @ here"), plain);
    EXPECT_FALSE(wizard.ReplacePlaceHolders(nullptr));
}

TEST(ReplaceDocumentPlaceholders, WithoutDocumentTheyBecomeEmpty) {
    CWizardBase3 wizard;
    CString text("@DocumentName__R1.mdx");
    EXPECT_TRUE(wizard.ReplacePlaceHolders(&text));
    EXPECT_EQ(CString("__R1.mdx"), text);
}

TEST(Environment, InstallationFolderLanguageModuleAndRelativePaths) {
    EnvironmentGuard guard;
    qv::SetQuorvatixPath("/opt/qv");
    EXPECT_EQ(CString("/opt/qv/"), GetQuorvatixPath());
    CWizardBase4 wizard;
    EXPECT_EQ(CString("/opt/qv/"), wizard.GetQuorvatixPath());

    CString first("x");
    CString path("x");
    EXPECT_FALSE(GetQuorvatixLanguage(nullptr, first, path));
    EXPECT_TRUE(path.IsEmpty());
    qv::SetLanguageModulePath("/opt/qv/ParvelEnu.so");
    EXPECT_TRUE(GetQuorvatixLanguage(nullptr, first, path));
    EXPECT_EQ(CString("/opt/qv/ParvelEnu.so"), path);
    EXPECT_TRUE(first.IsEmpty());

    CString dir("Data\\Curves\\");
    EXPECT_EQ(1, ExpandRelativePath(&dir, "/home/u/docs"));
    EXPECT_EQ(CString("/home/u/docs/Data/Curves/"), dir);
    CString dotted("./x/");
    ExpandRelativePath(&dotted, "/base/");
    EXPECT_EQ(CString("/base/x/"), dotted);
    CString absolute("/abs/dir/");
    EXPECT_EQ(0, ExpandRelativePath(&absolute, "/base/"));
    EXPECT_EQ(CString("/abs/dir/"), absolute);
    CString empty;
    EXPECT_EQ(0, ExpandRelativePath(&empty, "/base/"));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(0, ExpandRelativePath(nullptr, "/base/"));
}

TEST(WizardBases, BaseLeavesTheModelTextAsTheEditorMadeIt) {
    CWizardBase4 wizard4;
    CString text("model text");
    EXPECT_EQ(4, wizard4.WriteSimDescr(nullptr, "IMMANENT", text));
    EXPECT_EQ(CString("model text"), text);
    CWizardBase3 wizard3;
    CWizardSchematicDataExchange3 exchange;
    exchange.m_strModelText = "kept";
    EXPECT_EQ(4, wizard3.WriteSimDescr(nullptr, "IMMANENT", &exchange));
    EXPECT_EQ(CString("kept"), exchange.m_strModelText);
}

TEST(WizardBases, AdditionalDataIsTakenOverAndCleared) {
    CWizardBase3 wizard;
    BYTE* out = reinterpret_cast<BYTE*>(1);
    EXPECT_EQ(0u, wizard.GetAdditionalWizardData(&out));
    EXPECT_EQ(nullptr, out);
    BYTE* block = new BYTE[4]{1, 2, 3, 4};
    wizard.SetAdditionalWizardData(block, 4);
    EXPECT_EQ(4u, wizard.GetAdditionalWizardData(&out));
    EXPECT_EQ(block, out);
    EXPECT_EQ(4u, wizard.GetAdditionalWizardData(eSheetVersion4, &out));

    CWizardBase3 clone(&wizard);
    BYTE* cloned = nullptr;
    EXPECT_EQ(4u, clone.GetAdditionalWizardData(&cloned));
    EXPECT_NE(block, cloned) << "the copy has a block of its own";
    EXPECT_EQ(3, cloned[2]);

    wizard.SetAdditionalWizardData(nullptr, 0);
    EXPECT_EQ(0u, wizard.GetAdditionalWizardData(&out));
    EXPECT_EQ(nullptr, out);
}

TEST(WizardBases, CopyTakesEditorMembersButNotOwnedObjectsOrHandle) {
    RecordingReceiver receiver;
    CQuorvatixDocument document;
    CWizardBase4 wizard;
    wizard.SetCommandReceiver(&receiver);
    wizard.m_nMessageNumber = RecordingReceiver::kMessage;
    wizard.m_dwElementHandle = 42;
    wizard.SetDocument(&document);
    int deletions = 0;
    wizard.m_pOwnedObject[1] = new Deleted(deletions);
    wizard.m_EditorDataHandle = 0x1234;

    CWizardBase4 copy(&wizard);
    EXPECT_EQ(&receiver, copy.GetCommandReceiver());
    EXPECT_EQ(RecordingReceiver::kMessage, copy.m_nMessageNumber);
    EXPECT_EQ(42u, copy.m_dwElementHandle);
    EXPECT_EQ(&document, copy.GetDocument());
    EXPECT_EQ(nullptr, copy.m_pOwnedObject[1]);
    EXPECT_EQ(0u, copy.m_EditorDataHandle);

    wizard.EndEditProperties();
    EXPECT_EQ(1, deletions);
    EXPECT_EQ(nullptr, wizard.m_pOwnedObject[1]);
    EXPECT_EQ(0u, wizard.m_EditorDataHandle);
    ASSERT_EQ(1u, receiver.received.size());
    EXPECT_EQ(static_cast<WPARAM>(WIZREQ_RELEASE_PARAMS), receiver.received[0].code);
    EXPECT_EQ(42u, receiver.received[0].element);
    EXPECT_EQ(0x1234u, receiver.received[0].cookie);

    wizard.EndEditProperties();
    EXPECT_EQ(1u, receiver.received.size()) << "the handle is given back once";
}

TEST(WizardBases, EditorHandleWithoutReceiverIsDroppedSilently) {
    CWizardBase4 wizard;
    wizard.m_EditorDataHandle = 7;
    wizard.EndEditProperties();
    EXPECT_EQ(0u, wizard.m_EditorDataHandle);
}

} // namespace
