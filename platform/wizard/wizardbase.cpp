#include "wizard/wizardbase.h"

#include "wizard/requests.h"

#include <cstring>
#include <string>

// ---------------------------------------------------------------------------------------
// Shared part

CWizardBaseCommon::CWizardBaseCommon(const CWizardBaseCommon* other) {
    if (other == nullptr) return;
    m_pCommandReceiver = other->m_pCommandReceiver;
    m_nMessageNumber = other->m_nMessageNumber;
    m_dwElementHandle = other->m_dwElementHandle;
    m_pModel = other->m_pModel;
    m_pDocument = other->m_pDocument;
    m_pDatabase = other->m_pDatabase;
}

CWizardBaseCommon::~CWizardBaseCommon() {
    DeleteOwnedObjects();
}

void CWizardBaseCommon::SetCommandReceiver(CWnd* receiver) { m_pCommandReceiver = receiver; }
CWnd* CWizardBaseCommon::GetCommandReceiver() { return m_pCommandReceiver; }
void CWizardBaseCommon::SetModel(CObject* model) { m_pModel = model; }
CObject* CWizardBaseCommon::GetModel() { return m_pModel; }

CString CWizardBaseCommon::GetQuorvatixPath() const {
    return ::GetQuorvatixPath();
}

WORD CWizardBaseCommon::GetLangDependentString(const CMap<WORD, WORD, CString, LPCTSTR>& map, CString& out) const {
    return qv::LanguageDependentText(map, out);
}

BOOL CWizardBaseCommon::ReplacePlaceHolders(CString* text) const {
    if (text == nullptr) return FALSE;
    static const char kFile[] = "@DocumentFile";
    static const char kName[] = "@DocumentName";
    const std::string source(static_cast<LPCTSTR>(*text));
    std::string result;
    result.reserve(source.size());
    bool replaced = false;
    size_t pos = 0;
    while (pos < source.size()) {
        size_t at = source.find('@', pos);
        if (at == std::string::npos) {
            result.append(source, pos, std::string::npos);
            break;
        }
        result.append(source, pos, at - pos);
        if (source.compare(at, sizeof kFile - 1, kFile) == 0) {
            if (m_pDocument != nullptr) result += static_cast<LPCTSTR>(m_pDocument->GetPathName());
            pos = at + sizeof kFile - 1;
            replaced = true;
        } else if (source.compare(at, sizeof kName - 1, kName) == 0) {
            if (m_pDocument != nullptr) result += static_cast<LPCTSTR>(m_pDocument->GetTitle());
            pos = at + sizeof kName - 1;
            replaced = true;
        } else {
            result += '@';
            pos = at + 1;
        }
    }
    if (replaced) *text = CString(result.data(), static_cast<int>(result.size()));
    return replaced ? TRUE : FALSE;
}

void CWizardBaseCommon::DeleteOwnedObjects() {
    for (CObject*& object : m_pOwnedObject) {
        delete object;
        object = nullptr;
    }
}

// ---------------------------------------------------------------------------------------
// CWizardBase3

IMPLEMENT_DYNAMIC(CWizardBase3, CWnd)

CWizardBase3::CWizardBase3() = default;

CWizardBase3::CWizardBase3(const CWizardBase3* other) : CWizardBaseCommon(other) {
    if (other != nullptr && other->m_pAdditionalData != nullptr && other->m_dwAdditionalDataSize > 0) {
        m_pAdditionalData = new BYTE[other->m_dwAdditionalDataSize];
        std::memcpy(m_pAdditionalData, other->m_pAdditionalData, other->m_dwAdditionalDataSize);
        m_dwAdditionalDataSize = other->m_dwAdditionalDataSize;
    }
}

CWizardBase3::~CWizardBase3() {
    delete[] m_pAdditionalData;
}


void CWizardBase3::SetAdditionalWizardData(BYTE* data, DWORD size) {
    if (data == m_pAdditionalData) {
        m_dwAdditionalDataSize = data != nullptr ? size : 0;
        return;
    }
    delete[] m_pAdditionalData;
    m_pAdditionalData = nullptr;
    m_dwAdditionalDataSize = 0;
    if (data == nullptr) return;
    if (size == 0) {
        delete[] data;
        return;
    }
    m_pAdditionalData = data;
    m_dwAdditionalDataSize = size;
}

DWORD CWizardBase3::GetAdditionalWizardData(ESheetVersion, BYTE** data) {
    return GetAdditionalWizardData(data);
}

DWORD CWizardBase3::GetAdditionalWizardData(BYTE** data) {
    if (data != nullptr) *data = m_pAdditionalData;
    return m_dwAdditionalDataSize;
}

void CWizardBase3::SetDocument(CQuorvatixDocument* document) { m_pDocument = document; }
CQuorvatixDocument* CWizardBase3::GetDocument() { return m_pDocument; }
void CWizardBase3::SetDatabase(CObject* database) { m_pDatabase = database; }
CObject* CWizardBase3::GetDatabase() { return m_pDatabase; }
int CWizardBase3::GetWizardKind() { return 0; }
BOOL CWizardBase3::DoEditProperties(CPropertySheet&, CWizardSchematicDataExchange3*, UINT) { return FALSE; }
void CWizardBase3::EndEditProperties() { DeleteOwnedObjects(); }
CWizardBase3* CWizardBase3::Clone() { return nullptr; }
BOOL CWizardBase3::DoPropertyDlg(CWizardSchematicDataExchange3*) { return FALSE; }
BOOL CWizardBase3::DoOutputDlg(CWizardSchematicDataExchange3*) { return FALSE; }
int CWizardBase3::WriteSimDescr(CFile*, const CString&, CWizardSchematicDataExchange3*) { return 4; }
BOOL CWizardBase3::DoConversionFrom4x(CWizardSchematicDataExchange3*) { return TRUE; }
BOOL CWizardBase3::WantChangeNotification() { return FALSE; }
void CWizardBase3::NotifyChanged(CWizardSchematicDataExchange3*, int, CWizardCopaObject3*) {}
BOOL CWizardBase3::Initialize(CWizardSchematicDataExchange3*) { return TRUE; }
BOOL CWizardBase3::AcceptConnection(CObject*) { return TRUE; }
BOOL CWizardBase3::CanHandleModelAgentRequests() { return FALSE; }
BOOL CWizardBase3::MADoEditProperties(CPropertySheet&, CWizardSchematicDataExchange3*) { return FALSE; }
void CWizardBase3::MAEndEditProperties() {}
BOOL CWizardBase3::MADoPropertyDlg(CWizardSchematicDataExchange3*) { return FALSE; }
BOOL CWizardBase3::MACopyInDB(CObject*) { return FALSE; }
int CWizardBase3::MAGetParamSets(CStringArray&) { return 0; }
BOOL CWizardBase3::MAGetValuesForParamset(const CString&, CStringArray&) { return FALSE; }
BOOL CWizardBase3::MAGetCallNameForParamset(const CString&, CString&) { return FALSE; }

// ---------------------------------------------------------------------------------------
// CWizardBase4

IMPLEMENT_DYNAMIC(CWizardBase4, CWnd)

CWizardBase4::CWizardBase4() = default;

// The copy does not take over the editor data handle: only one object may give it back.
CWizardBase4::CWizardBase4(const CWizardBase4* other) : CWizardBaseCommon(other) {}

CWizardBase4::~CWizardBase4() = default;

void CWizardBase4::SetDocument(CQuorvatixDocument* document) { m_pDocument = document; }
CQuorvatixDocument* CWizardBase4::GetDocument() { return m_pDocument; }
void CWizardBase4::SetDatabase(CObject* database) { m_pDatabase = database; }
CObject* CWizardBase4::GetDatabase() { return m_pDatabase; }
int CWizardBase4::GetWizardKind() { return 0; }
BOOL CWizardBase4::DoEditProperties(CPropertySheet&, UINT) { return FALSE; }

void CWizardBase4::EndEditProperties() {
    DeleteOwnedObjects();
    ReleaseEditorDataHandle();
}

CWizardBase4* CWizardBase4::Clone() { return nullptr; }
int CWizardBase4::WriteSimDescr(CFile*, const CString&, CString&) { return 4; }
BOOL CWizardBase4::WantChangeNotification() { return FALSE; }
void CWizardBase4::NotifyChanged(int, CWizardCopaObject3*) {}
BOOL CWizardBase4::Initialize(int) { return TRUE; }
void CWizardBase4::Serialize(CArchive&, ESheetVersion) {}
BOOL CWizardBase4::DoConvertWizard3Data(const void*, long) { return TRUE; }
BOOL CWizardBase4::DoConversionFrom4x(void*, long) { return TRUE; }
BOOL CWizardBase4::DoConversionFrom4x() { return TRUE; }
BOOL CWizardBase4::WantConnectionNotification() { return FALSE; }
BOOL CWizardBase4::AcceptConnection(CObject*) { return TRUE; }
BOOL CWizardBase4::CanHandleModelAgentRequests() { return FALSE; }
BOOL CWizardBase4::MADoPropertyDlg() { return FALSE; }

int CWizardBase4::GetPossibleNodes(CPtrArray& nodes) {
    nodes.RemoveAll();
    return 0;
}

int CWizardBase4::GetPossibleNodes(CPtrArray& nodes, int, BOOL, BOOL, BOOL) { return GetPossibleNodes(nodes); }

// Both forms fill the array with objects of the framework's object base (node wizards or
// parameters), so they are deleted through it.
void CWizardBase4::FreeNodeArray(CPtrArray& nodes) {
    for (int i = 0; i < static_cast<int>(nodes.GetSize()); ++i) delete static_cast<CObject*>(nodes.GetAt(i));
    nodes.RemoveAll();
}

void CWizardBase4::ReleaseEditorDataHandle() {
    if (m_EditorDataHandle == 0) return;
    if (m_pCommandReceiver != nullptr) {
        WizReqCookieRecord record{m_dwElementHandle, m_EditorDataHandle};
        m_pCommandReceiver->SendMessage(m_nMessageNumber, WIZREQ_RELEASE_PARAMS, reinterpret_cast<LPARAM>(&record));
    }
    m_EditorDataHandle = 0;
}
