// Senders of the requests a wizard or page makes to the editor. They work for either wizard
// base: a RequestTarget carries the three members every request needs (receiver, message
// number, element handle) and is made from a wizard pointer of either base (a null wizard
// is a target without receiver). Nothing is ever sent without a receiver.
#pragma once

#include "afx/afx.h"
#include "wizard/requests.h"
#include "wizard/wizardbase.h"

struct RequestTarget {
    CWnd* pReceiver = nullptr;
    UINT nMessageNumber = 0;
    DWORD dwElementHandle = 0;

    RequestTarget() = default;
    RequestTarget(CWnd* receiver, UINT message, DWORD element)
        : pReceiver(receiver), nMessageNumber(message), dwElementHandle(element) {}
    RequestTarget(const CWizardBase3* wizard) : RequestTarget(static_cast<const CWizardBaseCommon*>(wizard)) {}
    RequestTarget(const CWizardBase4* wizard) : RequestTarget(static_cast<const CWizardBaseCommon*>(wizard)) {}
    explicit RequestTarget(const CWizardBaseCommon* wizard);

    bool HasReceiver() const { return pReceiver != nullptr; }
    LRESULT Send(WPARAM code, LPARAM lParam) const;
};

// The unique-name loop gives up after this many refusals and takes the last candidate.
constexpr int kMaxUniqueNameRefusals = 1000;

// Code 23: the element's parameter set, as a cookie (0 when there is no receiver or the
// editor has none).
DWORD_PTR FetchParamSet(const RequestTarget& target);
// The parameter set behind a cookie of code 23.
inline ParamHolder* HolderFromCookie(DWORD_PTR cookie) { return reinterpret_cast<ParamHolder*>(cookie); }
// Code 24: gives a cookie back; sent only for a non-zero cookie and with a receiver.
void ReleaseParamSet(const RequestTarget& target, DWORD_PTR cookie);
// Code 25: commits changed parameters; sent only for a non-zero cookie and with a receiver.
// TRUE when it was sent and the editor accepted it (answer 0).
BOOL CommitParamSet(const RequestTarget& target, DWORD_PTR cookie);
// Code 0: commits the data-exchange object of the older base. TRUE when it was sent and the
// editor accepted it (answer 0).
BOOL CommitExchange(const RequestTarget& target, CWizardSchematicDataExchange3* exchange);
// Code 7: a data file was written; sent only with a receiver and a non-zero element handle.
void AnnounceFileWritten(const RequestTarget& target, const CString& fullPath);
// Code 8: "Error while writing <%s>!" with the file name, from the plug-in's string table;
// sent only with a receiver and a non-zero element handle.
void ReportWriteError(const RequestTarget& target, const CString& fileName);
// Code 8 with a text of the wizard's own (a formula its page refuses).
void ReportErrorText(const RequestTarget& target, const CString& text);
// Code 11: help on the element.
void RequestElementHelp(const RequestTarget& target);
// Code 13: the name parts of the element, separator "_". FALSE when nothing was sent.
BOOL RequestNameParts(const RequestTarget& target, CStringArray& parts);
// Code 14: makes name unique: the candidate as it is, then name2, name3, ... until the
// editor accepts one. Without a receiver the candidate stands.
void MakeUniqueName(const RequestTarget& target, CString& name);

// Fetches the parameter set on construction and gives it back when the scope ends.
class ScopedParamSet {
public:
    explicit ScopedParamSet(const RequestTarget& target) : m_target(target), m_cookie(FetchParamSet(target)) {}
    ~ScopedParamSet() { Release(); }
    ScopedParamSet(const ScopedParamSet&) = delete;
    ScopedParamSet& operator=(const ScopedParamSet&) = delete;

    DWORD_PTR Cookie() const { return m_cookie; }
    ParamHolder* Holder() const { return HolderFromCookie(m_cookie); }
    // Gives the set back now (once).
    void Release() {
        ReleaseParamSet(m_target, m_cookie);
        m_cookie = 0;
    }
    // Hands the cookie over to someone who will give it back (a page); this object forgets it.
    DWORD_PTR Detach() {
        DWORD_PTR cookie = m_cookie;
        m_cookie = 0;
        return cookie;
    }

private:
    RequestTarget m_target;
    DWORD_PTR m_cookie;
};
