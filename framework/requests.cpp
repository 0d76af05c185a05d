#include "framework/requests.h"

#include "afx/afxwin.h"
#include "framework/module.h"

namespace {
// "Error while writing <%s>!"
constexpr UINT kIdsErrorWriting = 8005;
} // namespace

RequestTarget::RequestTarget(const CWizardBaseCommon* wizard) {
    if (wizard == nullptr) return;
    pReceiver = wizard->m_pCommandReceiver;
    nMessageNumber = wizard->m_nMessageNumber;
    dwElementHandle = wizard->m_dwElementHandle;
}

LRESULT RequestTarget::Send(WPARAM code, LPARAM lParam) const {
    if (pReceiver == nullptr) return 0;
    return pReceiver->SendMessage(nMessageNumber, code, lParam);
}

DWORD_PTR FetchParamSet(const RequestTarget& target) {
    WizReqCookieRecord record{target.dwElementHandle, 0};
    if (!target.HasReceiver()) return 0;
    target.Send(WIZREQ_GET_PARAMS, reinterpret_cast<LPARAM>(&record));
    return record.dwCookie;
}

void ReleaseParamSet(const RequestTarget& target, DWORD_PTR cookie) {
    if (!target.HasReceiver() || cookie == 0) return;
    WizReqCookieRecord record{target.dwElementHandle, cookie};
    target.Send(WIZREQ_RELEASE_PARAMS, reinterpret_cast<LPARAM>(&record));
}

BOOL CommitParamSet(const RequestTarget& target, DWORD_PTR cookie) {
    if (!target.HasReceiver() || cookie == 0) return FALSE;
    return target.Send(WIZREQ_COMMIT_PARAMS, static_cast<LPARAM>(cookie)) == 0 ? TRUE : FALSE;
}

BOOL CommitExchange(const RequestTarget& target, CWizardSchematicDataExchange3* exchange) {
    if (!target.HasReceiver() || exchange == nullptr) return FALSE;
    return target.Send(WIZREQ_COMMIT_EXCHANGE, reinterpret_cast<LPARAM>(exchange)) == 0 ? TRUE : FALSE;
}

void AnnounceFileWritten(const RequestTarget& target, const CString& fullPath) {
    if (!target.HasReceiver() || target.dwElementHandle == 0) return;
    WizReqFileRecord record{target.dwElementHandle, fullPath};
    target.Send(WIZREQ_FILE_WRITTEN, reinterpret_cast<LPARAM>(&record));
}

void ReportWriteError(const RequestTarget& target, const CString& fileName) {
    if (!target.HasReceiver() || target.dwElementHandle == 0) return;
    // The string is a format with one %s; the file name is an argument, never part of it.
    const CString format = LoadLibraryString(kIdsErrorWriting);
    CString text;
    const int at = format.Find("%s");
    if (at >= 0)
        text = format.Left(at) + fileName + format.Mid(at + 2);
    else
        text = format;
    ReportErrorText(target, text);
}

void ReportErrorText(const RequestTarget& target, const CString& text) {
    if (!target.HasReceiver() || target.dwElementHandle == 0) return;
    WizReqTextRecord record{target.dwElementHandle, text};
    target.Send(WIZREQ_ERROR_TEXT, reinterpret_cast<LPARAM>(&record));
}

void RequestElementHelp(const RequestTarget& target) {
    if (!target.HasReceiver()) return;
    target.Send(WIZREQ_HELP, static_cast<LPARAM>(target.dwElementHandle));
}

BOOL RequestNameParts(const RequestTarget& target, CStringArray& parts) {
    if (!target.HasReceiver()) return FALSE;
    WizReqNamePartsRecord record{target.dwElementHandle, &parts, CString("_")};
    target.Send(WIZREQ_NAME_PARTS, reinterpret_cast<LPARAM>(&record));
    return TRUE;
}

void MakeUniqueName(const RequestTarget& target, CString& name) {
    if (!target.HasReceiver()) return;
    const CString first = name;
    CString candidate = first;
    // Bounded: an editor that refuses every candidate cannot hold the wizard forever; after
    // the last refusal the last candidate is taken.
    for (int refusals = 0; refusals < kMaxUniqueNameRefusals; ++refusals) {
        WizReqTextRecord record{target.dwElementHandle, candidate};
        if (target.Send(WIZREQ_UNIQUE_NAME, reinterpret_cast<LPARAM>(&record)) != 0) break;
        if (refusals + 1 == kMaxUniqueNameRefusals) break;
        candidate.Format("%s%i", static_cast<LPCTSTR>(first), refusals + 2);
        // A receiver whose window is gone answers nobody: the current candidate stands.
        if (!IsWindow(target.pReceiver->GetSafeHwnd())) break;
    }
    name = candidate;
}
