// The stand-in schematic editor: it keeps the parameter sets of its elements, answers the
// wizards' requests through a receiver window, records every request, and checks the
// request protocol while it answers.
//
// Protocol rules checked: every cookie handed out for code 23 is given back by exactly one
// code 24 with the same element handle; codes 24 and 25 come only with a live cookie; code 0
// comes only with the data-exchange object of a known element. A breach is reported to the
// breach handler (tests turn it into a test failure) and recorded.
//
// Answers that the system leaves to the editor: code 13 gives the element's name as the one
// name part unless the element was given parts of its own; code 14 refuses exactly the names
// in its table of names in use (accepting a name does not enter it there, so writing the
// same element twice yields the same name). Parameters and output entries marked deleted are
// removed when the last cookie of their element is given back.
#pragma once

#include "afx/afx.h"
#include "afx/afxwin.h"
#include "wizard/wizard.h"

#include <functional>
#include <map>
#include <memory_resource>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qv {

class SchematicEditor {
public:
    // The message number the editor gives its wizards for their requests.
    static constexpr UINT kRequestMessage = WM_USER + 0x100;

    struct Request {
        UINT code = 0;
        DWORD element = 0;       // element handle of the record (or of the exchange / cookie)
        DWORD_PTR cookie = 0;    // codes 23 (as answered), 24, 25
        std::string text;        // codes 7 (path), 8 (error text), 14 (candidate)
        LRESULT answer = 0;
    };

    SchematicEditor();
    ~SchematicEditor();
    SchematicEditor(const SchematicEditor&) = delete;
    SchematicEditor& operator=(const SchematicEditor&) = delete;

    // Elements. The editor owns each element's parameter set. Handles count from 1.
    DWORD AddElement(std::unique_ptr<ParamHolder> holder);
    ParamHolder* Holder(DWORD element) const;
    // Forgets an element and destroys its parameter set (its wizard must be gone). A cookie
    // of it still out is a breach. The handle is not given to another element.
    void RemoveElement(DWORD element);
    // The set as the older base's data-exchange object; null when it is not one.
    CWizardSchematicDataExchange3* Exchange(DWORD element) const;
    void SetNameParts(DWORD element, std::vector<std::string> parts);

    // The document the wizards see.
    CQuorvatixDocument& Document() { return m_document; }

    // Gives a wizard its receiver, message number, element handle and document; a wizard of
    // the older base also gets a copy of the additional data kept with the element.
    void Attach(CWizardBase3& wizard, DWORD element);
    void Attach(CWizardBase4& wizard, DWORD element);
    // Keeps the older-base wizard's additional data with the element (as saving does).
    void KeepAdditionalData(CWizardBase3& wizard, DWORD element);

    // The window that answers requests.
    CWnd* Receiver();

    // Answers.
    void SetCommitAnswer(LRESULT answer) { m_commitAnswer = answer; }     // codes 0 and 25
    // Answers for the next commits (codes 0 and 25), one each, in order; afterwards the
    // answer of SetCommitAnswer holds again.
    void SetNextCommitAnswers(std::vector<LRESULT> answers) { m_nextCommitAnswers = std::move(answers); m_nextCommit = 0; }
    // A name already in use adds nothing: the arena never gives a node back, so one made only
    // to be found a duplicate would stay for good (the host names every element twice).
    void AddNameInUse(const std::string& name) {
        if (m_namesInUse.count(std::pmr::string(name, std::pmr::new_delete_resource())) == 0) m_namesInUse.emplace(name);
    }
    void ClearNamesInUse();
    // A name in use other than `except` that equals `name` once every "." became "_" in both
    // (two such elements would share a data file); "" when there is none.
    std::string NameInUseLike(const std::string& name, const std::string& except) const;

    // Records.
    const std::vector<Request>& Requests() const { return m_requests; }
    size_t CountRequests(UINT code) const;
    void ClearRequests() { m_requests.clear(); }
    const std::vector<std::string>& Breaches() const { return m_breaches; }
    // Texts of the message boxes shown since this editor was made (as the user script
    // recorded them).
    std::vector<std::string> MessageBoxTexts() const;

    // Protocol.
    void SetBreachHandler(std::function<void(const std::string&)> handler) { m_breachHandler = std::move(handler); }
    // Cookies handed out and not yet given back, over all elements.
    int OutstandingCookies() const;
    // How many commits (codes 0 and 25) of the element the editor has accepted: a sheet that
    // ends without one since it last changed gives the element back as it was.
    unsigned AcceptedCommits(DWORD element) const;
    // Takes back the commits of the element accepted after the first `kept` of them: the editor
    // refused, once the pages had applied, what those commits gave (its check of the whole
    // element), so they never made it the element's.
    void WithdrawCommits(DWORD element, unsigned kept);
    // Reports every cookie still out as a breach (the destructor does this too) and forgets them.
    void CheckAllReturned();

    // Called by the receiver window for every message.
    LRESULT OnRequest(UINT message, WPARAM code, LPARAM lParam);

private:
    struct Element {
        std::unique_ptr<ParamHolder> holder;
        int cookiesOut = 0;
        unsigned commits = 0;
        bool hasNameParts = false;
        std::vector<std::string> nameParts;
    };
    class ReceiverWindow;

    Element* FindElement(DWORD element);
    DWORD ElementOfHolder(const ParamHolder* holder) const;
    void Breach(const std::string& what);

    // The live elements by handle; removed ones are erased, so that a host that makes and
    // destroys elements one at a time keeps nothing of those gone.
    std::map<DWORD, Element> m_elements;
    DWORD m_lastHandle = 0;
    // The element of each parameter set, so that a cookie is found without a search.
    std::unordered_map<const ParamHolder*, DWORD> m_handleOfHolder;
    std::unique_ptr<ReceiverWindow> m_receiver;
    CQuorvatixDocument m_document;
    LRESULT m_commitAnswer = 0;
    std::vector<LRESULT> m_nextCommitAnswers;
    size_t m_nextCommit = 0;
    LRESULT CommitAnswer() {
        return m_nextCommit < m_nextCommitAnswers.size() ? m_nextCommitAnswers[m_nextCommit++] : m_commitAnswer;
    }
    // The names in use live in blocks of their own: a host that makes and destroys elements
    // one at a time adds one name per element, and small allocations that stay would
    // otherwise be scattered among the freed ones of every element, splitting the heap ever
    // finer (each further element then costs more). Names are only ever cleared all at once.
    std::pmr::monotonic_buffer_resource m_namesArena;
    std::pmr::unordered_set<std::pmr::string> m_namesInUse{&m_namesArena};
    std::vector<Request> m_requests;
    std::vector<std::string> m_breaches;
    size_t m_firstShown = 0;
    std::function<void(const std::string&)> m_breachHandler;
};

} // namespace qv
