#include "framework/data_file_table_page.h"

#include "framework/data_file_dialogs.h"
#include "framework/data_file_places.h"
#include "framework/dialog_controls.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/point_table_page.h"
#include "framework/param_access.h"
#include "framework/path_parts.h"
#include "framework/point_table_list.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"

namespace {
using namespace qv::strings;
constexpr WORD kIdFileName = 2117;
} // namespace

BEGIN_MESSAGE_MAP(CDataFileTablePage, CTBPropertyPage)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CDataFileTablePage::~CDataFileTablePage() {
    delete m_pSymbol;
    m_pSymbol = nullptr;
}

BOOL CDataFileTablePage::OnInitDialog() {
    const BOOL result = CTBPropertyPage::OnInitDialog();
    m_edtFileName.AutoComplete(1);
    return result;
}

void CDataFileTablePage::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, kIdFileName, m_edtFileName);
}

void CDataFileTablePage::LoadNameAndSymbol() {
    qv::pages::LoadNameAndSymbol(Holder(), Owner(), m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    m_strNamedFor = m_strName;
}

void CDataFileTablePage::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, qv::dialog::kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

void CDataFileTablePage::ShowMessage(const CString& text) {
    if (m_bHidden) return;
    CResourceSwitch resources;
    AfxMessageBox(text, MB_OK);
}

bool CDataFileTablePage::CommitNameFirst() {
    ParamHolder* holder = Holder();
    const RequestTarget target(Owner());
    if (holder == nullptr || !target.HasReceiver()) return false;
    // OK's rule for value fields holds on the table pages too: nothing is committed past a
    // blank one, nor past a blank reference where the table is given by reference.
    if (!qv::pages::RefuseBlankValueField(*this, holder)) return false;
    // A table of data pairs with every row deleted would be written as a data file without
    // a value: OK refuses it too.
    if (IsDlgButtonChecked(qv::pointtable::kCtlReferenceRadio) == BST_CHECKED) {
        if (!qv::pages::RefuseFileReferenceField(*this, qv::pointtable::kCtlReference)) return false;
    } else if (HasNoRows()) {
        ShowMessage(LoadLibraryString(qv::strings::kStrNoBlock));
        return false;
    }
    holder->m_strElementName = m_strName;
    holder->m_dwShowName = m_bShowName ? 1 : 0;
    return CommitParamSet(target, m_cookie);
}

void CDataFileTablePage::ResolveFileName() {
    if (!m_bFileName) {
        m_strFileName = Owner() != nullptr ? MakeDocumentFileName(Owner(), "") : m_strFileName;
    } else {
        // A chosen name that is the default name of the element as it was called (the page
        // filled it in, or the user typed it) follows the name the page gives the element now:
        // under the earlier name it would be another element's file.
        m_strFileName = FileNameFollowingRename(Owner(), m_strFileName, m_strNamedFor, m_strName, "");
        m_strFileName = ReplaceDataFileWildcards(m_strFileName, m_strName);
    }
    m_strNamedFor = m_strName;
}

bool CDataFileTablePage::WriteFileAndCommit(bool writeFile) {
    if (writeFile && m_bFileName) {
        NormalizeFileName();
        if (!ExportFile(m_strFileName, m_nFileFormat)) return false;
        SetParamValue(Holder(), kIdFileName, m_strFileName);
    }
    return CommitParamSet(RequestTarget(Owner()), m_cookie) != FALSE;
}

void CDataFileTablePage::NormalizeFileName() {
    CString folder = m_strFolder;
    MakeCharacteristicPathRelative(folder, m_strFileName);
    m_strFolder = folder;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

void CDataFileTablePage::OnFileNameTyped() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

bool CDataFileTablePage::ImportFoundFile(CString name) {
    CString folder = m_strFolder;
    if (!FindCharacteristicFile(name, folder)) return false;
    m_known.TakeOpened(folder + name, ImportFile(folder + name) != FALSE);
    return true;
}

bool CDataFileTablePage::ReadChosenDataFile() {
    SetModified(TRUE);
    CString path = m_strFileName;
    if (!qv::files::AskForFileToRead(this, m_strFolder, path)) return false;
    const bool read = ImportFile(path) != FALSE;
    m_known.TakeChosenToRead(path, read);
    if (!read) {
        ShowMessage(LoadLibraryString(qv::strings::kStrReadError));
        UpdateData(TRUE);
        return false;
    }
    if (m_bFileName) m_strFileName = path;
    UpdateData(FALSE);
    NormalizeFileName();
    return true;
}

void CDataFileTablePage::WriteChosenDataFile() {
    SetModified(TRUE);
    CString chosen = m_strFileName;
    CString answered;
    const int format = qv::files::AskForFileToWrite(this, m_strFolder, chosen, m_nFileFormat,
                                                    qv::files::NoChosenFilter::kAppendFirstFormatsExtension, &answered);
    if (format < 0) return;
    // The dialog asked before replacing the file it was answered with, but the table is written
    // under the name the writers give it; another file of that name is replaced only when the
    // user says so (the writer asks), and the name shown is the one written.
    m_known.TakeAnswered(answered);
    CString name = WrittenFileName(chosen);
    const CString earlierFolder = m_strFolder;
    MakeCharacteristicPathRelative(m_strFolder, name);
    if (!ExportFile(name, format)) {
        m_strFolder = earlierFolder;
        return;
    }
    m_strFileName = name;
    NormalizeFileName();
}

CString CDataFileTablePage::WrittenFileName(const CString& fileName) const {
    CString name = fileName;
    if (name.Find('*') >= 0) name = ReplaceDataFileWildcards(name, m_strName);
    // A table read from a text file is written as an ".mdx" file beside it.
    if (m_nFileFormat == -1) {
        PathParts parts = SplitPath(name);
        parts.ext = kDataFileExtension;
        name = JoinPath(parts);
    }
    return WritableDataFileName(name);
}

std::optional<CString> CDataFileTablePage::DataFileTarget(const CString& fileName, int format, CString& name) {
    CString folder = m_strFolder;
    name = fileName;
    if (!m_bFileName) {
        folder = g_DocumentDir;
        name = m_strName + kDataFileExtension;
    }
    if (name.Find('*') >= 0) OnWildcardsReplaced(ReplaceDataFileWildcards(name, m_strName));
    if (m_nFileFormat == -1) ShowMessage(LoadLibraryString(kStrTextCannotBeWritten));
    name = WrittenFileName(name);
    // A relative folder lies in the table's folder.
    std::optional<CString> path = qv::files::ChooseDataFileTarget(name, folder, m_known, !m_bHidden);
    if (path) m_nFileFormat = m_nFileFormat == -1 ? 0 : format;
    return path;
}
