#include "editor/schematic_editor.h"

#include "afx/user_script.h"

#include <cstdio>
#include <cstring>

namespace qv {

class SchematicEditor::ReceiverWindow : public CWnd {
public:
    explicit ReceiverWindow(SchematicEditor& editor) : m_editor(editor) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kRequestMessage) return m_editor.OnRequest(message, wParam, lParam);
        return CWnd::WindowProc(message, wParam, lParam);
    }

private:
    SchematicEditor& m_editor;
};

SchematicEditor::SchematicEditor() : m_document("Untitled.qsc", "Untitled") {
    m_firstShown = UserScript::Instance().Shown().size();
    m_receiver = std::make_unique<ReceiverWindow>(*this);
    m_receiver->CreateMessageWindow();
}

SchematicEditor::~SchematicEditor() {
    CheckAllReturned();
    if (m_receiver->GetSafeHwnd() != nullptr) m_receiver->DestroyWindow();
}

DWORD SchematicEditor::AddElement(std::unique_ptr<ParamHolder> holder) {
    if (!holder) return 0;
    // Handles count from 1 and are never reused, also after an element was removed.
    const DWORD handle = ++m_lastHandle;
    m_handleOfHolder[holder.get()] = handle;
    m_elements[handle].holder = std::move(holder);
    return handle;
}

ParamHolder* SchematicEditor::Holder(DWORD element) const {
    auto it = m_elements.find(element);
    return it == m_elements.end() ? nullptr : it->second.holder.get();
}

void SchematicEditor::RemoveElement(DWORD element) {
    auto it = m_elements.find(element);
    if (it == m_elements.end()) return;
    if (it->second.cookiesOut > 0)
        Breach("element " + std::to_string(element) + ": removed with " + std::to_string(it->second.cookiesOut) +
               " cookie(s) of code 23 never given back with code 24");
    // The set's address may be given to a later set: it must no longer find this element.
    m_handleOfHolder.erase(it->second.holder.get());
    m_elements.erase(it);
}

CWizardSchematicDataExchange3* SchematicEditor::Exchange(DWORD element) const {
    return dynamic_cast<CWizardSchematicDataExchange3*>(Holder(element));
}

void SchematicEditor::SetNameParts(DWORD element, std::vector<std::string> parts) {
    if (Element* found = FindElement(element)) {
        found->hasNameParts = true;
        found->nameParts = std::move(parts);
    }
}

void SchematicEditor::Attach(CWizardBase3& wizard, DWORD element) {
    wizard.SetCommandReceiver(Receiver());
    wizard.m_nMessageNumber = kRequestMessage;
    wizard.m_dwElementHandle = element;
    wizard.SetDocument(&m_document);
    const CWizardSchematicDataExchange3* exchange = Exchange(element);
    if (exchange != nullptr && exchange->GetAdditionalDataSize() > 0) {
        const size_t size = exchange->GetAdditionalDataSize();
        BYTE* copy = new BYTE[size];
        std::memcpy(copy, exchange->GetAdditionalData(), size);
        wizard.SetAdditionalWizardData(copy, static_cast<DWORD>(size));
    }
}

void SchematicEditor::KeepAdditionalData(CWizardBase3& wizard, DWORD element) {
    CWizardSchematicDataExchange3* exchange = Exchange(element);
    if (exchange == nullptr) return;
    BYTE* data = nullptr;
    const DWORD size = wizard.GetAdditionalWizardData(eSheetVersion4, &data);
    exchange->SetAdditionalData(data, size);
}

void SchematicEditor::Attach(CWizardBase4& wizard, DWORD element) {
    wizard.SetCommandReceiver(Receiver());
    wizard.m_nMessageNumber = kRequestMessage;
    wizard.m_dwElementHandle = element;
    wizard.SetDocument(&m_document);
}

CWnd* SchematicEditor::Receiver() { return m_receiver.get(); }

std::string SchematicEditor::NameInUseLike(const std::string& name, const std::string& except) const {
    auto key = [](std::string text) {
        for (char& c : text)
            if (c == '.') c = '_';
        return text;
    };
    const std::string wanted = key(name);
    for (const auto& used : m_namesInUse) {
        const std::string text(used.data(), used.size());
        if (text != except && key(text) == wanted) return text;
    }
    return std::string();
}

void SchematicEditor::ClearNamesInUse() {
    // Nothing refers to the blocks any more once the set is replaced by an empty one.
    std::pmr::unordered_set<std::pmr::string>(&m_namesArena).swap(m_namesInUse);
    m_namesArena.release();
}

size_t SchematicEditor::CountRequests(UINT code) const {
    size_t count = 0;
    for (const Request& request : m_requests)
        if (request.code == code) ++count;
    return count;
}

std::vector<std::string> SchematicEditor::MessageBoxTexts() const {
    std::vector<std::string> texts;
    const auto& shown = UserScript::Instance().Shown();
    // The record may have been cleared since: then everything in it is newer.
    const size_t first = m_firstShown <= shown.size() ? m_firstShown : 0;
    for (size_t i = first; i < shown.size(); ++i)
        if (shown[i].kind == InteractionKind::MessageBox) texts.push_back(shown[i].text);
    return texts;
}

int SchematicEditor::OutstandingCookies() const {
    int count = 0;
    for (const auto& [handle, element] : m_elements) count += element.cookiesOut;
    return count;
}

unsigned SchematicEditor::AcceptedCommits(DWORD element) const {
    auto it = m_elements.find(element);
    return it == m_elements.end() ? 0 : it->second.commits;
}

void SchematicEditor::WithdrawCommits(DWORD element, unsigned kept) {
    if (Element* found = FindElement(element); found != nullptr && found->commits > kept) found->commits = kept;
}

void SchematicEditor::CheckAllReturned() {
    for (auto& [handle, element] : m_elements) {
        if (element.cookiesOut > 0) {
            Breach("element " + std::to_string(handle) + ": " + std::to_string(element.cookiesOut) +
                   " cookie(s) of code 23 never given back with code 24");
            element.cookiesOut = 0;
        }
    }
}

SchematicEditor::Element* SchematicEditor::FindElement(DWORD element) {
    auto it = m_elements.find(element);
    return it == m_elements.end() ? nullptr : &it->second;
}

DWORD SchematicEditor::ElementOfHolder(const ParamHolder* holder) const {
    if (holder == nullptr) return 0;
    auto it = m_handleOfHolder.find(holder);
    return it == m_handleOfHolder.end() ? 0 : it->second;
}

void SchematicEditor::Breach(const std::string& what) {
    m_breaches.push_back(what);
    if (m_breachHandler)
        m_breachHandler(what);
    else
        std::fprintf(stderr, "editor: request protocol breach: %s\n", what.c_str());
}

LRESULT SchematicEditor::OnRequest(UINT, WPARAM wParam, LPARAM lParam) {
    Request request;
    request.code = static_cast<UINT>(wParam);
    LRESULT answer = 0;
    switch (request.code) {
    case WIZREQ_GET_PARAMS: {
        auto* record = reinterpret_cast<WizReqCookieRecord*>(lParam);
        if (record == nullptr) {
            Breach("code 23 without a record");
            break;
        }
        request.element = record->dwElementHandle;
        Element* element = FindElement(record->dwElementHandle);
        record->dwCookie = 0;
        if (element != nullptr) {
            record->dwCookie = reinterpret_cast<DWORD_PTR>(element->holder.get());
            ++element->cookiesOut;
        }
        request.cookie = record->dwCookie;
        break;
    }
    case WIZREQ_RELEASE_PARAMS: {
        auto* record = reinterpret_cast<WizReqCookieRecord*>(lParam);
        if (record == nullptr) {
            Breach("code 24 without a record");
            break;
        }
        request.element = record->dwElementHandle;
        request.cookie = record->dwCookie;
        const DWORD owner = ElementOfHolder(reinterpret_cast<ParamHolder*>(record->dwCookie));
        Element* element = FindElement(owner);
        if (element == nullptr || element->cookiesOut == 0) {
            Breach("code 24 with a cookie that is not out (element " + std::to_string(record->dwElementHandle) + ")");
            break;
        }
        if (owner != record->dwElementHandle)
            Breach("code 24 gives back the cookie of element " + std::to_string(owner) + " for element " +
                   std::to_string(record->dwElementHandle));
        if (--element->cookiesOut == 0) element->holder->PurgeDeleted();
        break;
    }
    case WIZREQ_COMMIT_PARAMS: {
        request.cookie = static_cast<DWORD_PTR>(lParam);
        const DWORD owner = ElementOfHolder(reinterpret_cast<ParamHolder*>(request.cookie));
        request.element = owner;
        Element* element = FindElement(owner);
        if (element == nullptr || element->cookiesOut == 0) {
            Breach("code 25 without a live cookie");
            answer = 1;
            break;
        }
        answer = CommitAnswer();
        if (answer == 0) ++element->commits;
        break;
    }
    case WIZREQ_COMMIT_EXCHANGE: {
        auto* exchange = reinterpret_cast<CWizardSchematicDataExchange3*>(lParam);
        request.element = ElementOfHolder(exchange);
        if (request.element == 0) {
            Breach("code 0 with an object that is no element's data-exchange object");
            answer = 1;
            break;
        }
        answer = CommitAnswer();
        if (Element* element = FindElement(request.element); element != nullptr && answer == 0) ++element->commits;
        break;
    }
    case WIZREQ_FILE_WRITTEN: {
        auto* record = reinterpret_cast<WizReqFileRecord*>(lParam);
        if (record == nullptr) {
            Breach("code 7 without a record");
            break;
        }
        request.element = record->dwElementHandle;
        request.text = record->strFilePath.str();
        break;
    }
    case WIZREQ_ERROR_TEXT: {
        auto* record = reinterpret_cast<WizReqTextRecord*>(lParam);
        if (record == nullptr) {
            Breach("code 8 without a record");
            break;
        }
        request.element = record->dwElementHandle;
        request.text = record->strText.str();
        break;
    }
    case WIZREQ_HELP:
        request.element = static_cast<DWORD>(lParam);
        break;
    case WIZREQ_NAME_PARTS: {
        auto* record = reinterpret_cast<WizReqNamePartsRecord*>(lParam);
        if (record == nullptr || record->pNameParts == nullptr) {
            Breach("code 13 without a record or name array");
            break;
        }
        request.element = record->dwElementHandle;
        request.text = record->strSeparator.str();
        if (Element* element = FindElement(record->dwElementHandle)) {
            if (element->hasNameParts) {
                for (const std::string& part : element->nameParts) record->pNameParts->Add(CString(part.c_str()));
            } else if (!element->holder->m_strElementName.IsEmpty()) {
                record->pNameParts->Add(element->holder->m_strElementName);
            }
        }
        break;
    }
    case WIZREQ_UNIQUE_NAME: {
        auto* record = reinterpret_cast<WizReqTextRecord*>(lParam);
        if (record == nullptr) {
            Breach("code 14 without a record");
            break;
        }
        request.element = record->dwElementHandle;
        request.text = record->strText.str();
        // The key is made on the ordinary heap: the names' own blocks never give memory back.
        answer = m_namesInUse.count(std::pmr::string(request.text, std::pmr::new_delete_resource())) != 0 ? 0 : 1;
        break;
    }
    default:
        Breach("unknown request code " + std::to_string(request.code));
        break;
    }
    request.answer = answer;
    m_requests.push_back(std::move(request));
    return answer;
}

} // namespace qv
