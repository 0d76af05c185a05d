// The characteristic table's state: construction, the archive form, the saved block, copies
// and the relative data-file name. The page side is in xy_table_page.cpp.
//
// Archive form, little-endian, in this order:
//   class record of CPropCharacteristicXYTable (first time: WORD 0xFFFF, WORD schema 10,
//   WORD 26, the name; later the archive's back-reference), DWORD page version 10,
//   DWORD kind (1 look-up table, 0 reference), CString reference, CString file name,
//   DWORD write-file flag, DWORD n, n CDataPoint records, DWORD table source (1 data pairs,
//   0 file reference), CString variable name.
// Data of version 2 and older ends after the points; data without a class record is read
// as version 0.
#include "framework/xy_table.h"

#include "framework/characteristic_preview.h"
#include "framework/control_layout.h"
#include "framework/data_file_places.h"
#include "framework/module.h"
#include "framework/xy_table_controls.h"
#include "wizard/wizardbase.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

IMPLEMENT_SERIAL(CPropCharacteristicXYTable, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropCharacteristicXYTable)

using namespace qv::xytable;

namespace {

// Every data point takes at least its two doubles in the archive (a point without class
// record); a count that needs more bytes than remain cannot be genuine.
constexpr DWORD kMinPointBytes = 16;

// Control IDs and their resize codes.
constexpr qv::pages::ControlLayout kLayout[] = {
    {2389, 15}, {2111, 5},  {2390, 5},  {2113, 7},  {2391, 5},  {2392, 15}, {2114, 5},
    {2393, 15}, {2330, 5},  {2394, 5},  {2395, 7},  {2396, 15}, {2397, 5},  {2121, 15},
    {1122, 6},  {1123, 6},  {1124, 6},  {1125, 6},  {1126, 6},  {2116, 6},  {2117, 6},
    {2118, 6},  {2119, 6},  {2217, 6},  {2120, 6},
};

} // namespace

CPropCharacteristicXYTable::CPropCharacteristicXYTable() : CTBPropertyPage(IDD) {
    qv::pages::RegisterLayout(*this, kLayout);
}

CPropCharacteristicXYTable::CPropCharacteristicXYTable(const BYTE* block, int length, CWizardBase3* owner)
    : CPropCharacteristicXYTable() {
    if (length > 0) SetData(block, length);
    m_pOwner3 = owner;
}

CPropCharacteristicXYTable::~CPropCharacteristicXYTable() {
    // The window goes first, while this object can still handle its messages; that also
    // closes an open preview.
    if (GetSafeHwnd() != nullptr) DestroyWindow();
    ClosePreview();
    DeletePoints();
    delete[] m_pBlock;
    m_pBlock = nullptr;
}

void CPropCharacteristicXYTable::DeletePoints() {
    for (INT_PTR i = 0; i < m_points.GetSize(); ++i) delete static_cast<CDataPoint*>(m_points.GetAt(i));
    m_points.RemoveAll();
}

void CPropCharacteristicXYTable::StorePoint(int index, CDataPoint* point) {
    if (index < 0) {
        delete point;
        return;
    }
    // Rows past the end never leave holes: every index before the new one holds a point.
    while (m_points.GetSize() < index) m_points.Add(new CDataPoint(0.0, 0.0));
    if (index < m_points.GetSize()) {
        CDataPoint* old = static_cast<CDataPoint*>(m_points.GetAt(index));
        if (old == point) return;
        delete old;
        m_points.SetAt(index, point);
    } else {
        m_points.Add(point);
    }
}

// ---------------------------------------------------------------------------------------
// Archive

void CPropCharacteristicXYTable::FollowRenamedElement() {
    if (m_bWriteFile || m_strComponentName.IsEmpty()) return;
    const CWizardBaseCommon* owner = m_pOwner4 != nullptr ? static_cast<const CWizardBaseCommon*>(m_pOwner4)
                                                          : static_cast<const CWizardBaseCommon*>(m_pOwner3);
    if (owner == nullptr) return;
    const CString name = ComponentNameOf(owner);
    if (name.IsEmpty() || name == m_strComponentName) return;
    CString document = "@DocumentName";
    owner->ReplacePlaceHolders(&document);
    // Only the two names a page derives are followed; any other name is left as it stands.
    if (m_strFileName == m_strComponentName + kDataFileExtension)
        m_strFileName = name + kDataFileExtension;
    else if (m_strFileName == MakeDocumentFileName(document, m_strComponentName, m_strFileNameSuffix))
        m_strFileName = MakeDocumentFileName(document, name, m_strFileNameSuffix);
    else
        return;
    m_strComponentName = name;
}

void CPropCharacteristicXYTable::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
        FollowRenamedElement();
        // The look-up variant archives under this class's name as well.
        ar.SerializeClass(RUNTIME_CLASS(CPropCharacteristicXYTable));
        ar << static_cast<DWORD>(g_dwPageVersion);
        ar << static_cast<DWORD>(m_dwKind == kKindLookUp ? 1 : 0);
        ar << m_strReference;
        ar << m_strFileName;
        ar << static_cast<DWORD>(m_bWriteFile);
        ar << static_cast<DWORD>(m_points.GetSize());
        for (INT_PTR i = 0; i < m_points.GetSize(); ++i)
            static_cast<CDataPoint*>(m_points.GetAt(i))->Serialize(ar);
        ar << static_cast<DWORD>(m_dwTableSource != 0 ? 1 : 0);
        ar << m_strVariableName;
        return;
    }

    // Everything is read into locals first and taken over only when the whole record was
    // read, so a damaged record leaves the table as it was.
    const UINT schema = ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CPropCharacteristicXYTable));
    DWORD version = schema;
    if (schema >= 1) ar >> version;

    DWORD rawKind = 0;
    ar >> rawKind;
    CString first;
    CString second;
    ar >> first;
    ar >> second;
    DWORD writeFile = 0;
    ar >> writeFile;
    DWORD count = 0;
    ar >> count;
    CFile* file = ar.GetFile();
    const ULONGLONG remaining =
        file->GetLength() > file->GetPosition() ? static_cast<ULONGLONG>(file->GetLength() - file->GetPosition()) : 0;
    if (static_cast<ULONGLONG>(count) * kMinPointBytes > remaining)
        AfxThrowArchiveException(CArchiveException::endOfFile);
    std::vector<std::unique_ptr<CDataPoint>> loaded;
    loaded.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        auto point = std::make_unique<CDataPoint>();
        point->Serialize(ar);
        loaded.push_back(std::move(point));
    }
    const bool hasSource = version >= 3;
    DWORD source = m_dwTableSource;
    CString variable;
    if (hasSource) {
        ar >> source;
        ar >> variable;
    }

    m_dwKind = rawKind == 1 ? kKindLookUp : kKindReference;
    // A record of either kind gives back both texts it stored, so that loading and storing
    // again keeps the bytes (a reference keeps the file name its pages formed). A kind value
    // other than 0 and 1 is damaged data and takes neither text.
    if (rawKind == 0 || rawKind == 1) {
        m_strReference = first;
        m_strFileName = second;
    }
    m_bWriteFile = static_cast<BOOL>(writeFile);
    DeletePoints();
    for (auto& point : loaded) m_points.Add(point.release());
    if (hasSource) {
        m_dwTableSource = source;
        m_strVariableName = variable;
    }

    if (GetSafeHwnd() != nullptr) {
        // The buttons show the kind as it was taken (a raw value other than 0 and 1 is a
        // reference), so that the page and the state agree.
        const bool lookUp = m_dwKind == kKindLookUp;
        CheckDlgButton(kRadioReference, lookUp ? BST_UNCHECKED : BST_CHECKED);
        CheckDlgButton(kRadioLookUp, lookUp ? BST_CHECKED : BST_UNCHECKED);
        const bool dataPairs = !hasSource || source != 0;
        CheckDlgButton(kRadioDataPairs, dataPairs ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(kRadioFileReference, dataPairs ? BST_UNCHECKED : BST_CHECKED);
        ShowFields();
        if (GetDlgItem(kRadioReference) && GetDlgItem(kRadioLookUp) && GetDlgItem(kRadioFileReference) &&
            GetDlgItem(kRadioDataPairs))
            ApplyKindRule();
    }
}

// ---------------------------------------------------------------------------------------
// Saved block

void CPropCharacteristicXYTable::SetData(const BYTE* block, int length) {
    delete[] m_pBlock;
    m_pBlock = nullptr;
    m_nBlockLength = length;
    if (block != nullptr && length > 0) {
        m_pBlock = new BYTE[static_cast<size_t>(length)];
        std::memcpy(m_pBlock, block, static_cast<size_t>(length));
    }
}

BOOL CPropCharacteristicXYTable::LoadFromData() {
    if (m_pBlock == nullptr || m_nBlockLength <= 0) return FALSE;
    CMemFile file(m_pBlock, static_cast<UINT>(m_nBlockLength), 0);
    BOOL ok = TRUE;
    {
        CArchive ar(&file, CArchive::load, 4096);
        try {
            Serialize(ar);
        } catch (CException* e) {
            e->Delete();
            ok = FALSE;
        }
        ar.Close();
    }
    // The block stays this object's.
    file.Detach();
    return ok;
}

void CPropCharacteristicXYTable::SaveBlock() {
    CMemFile file(1024);
    try {
        CArchive ar(&file, CArchive::store, 4096);
        Serialize(ar);
        ar.Close();
    } catch (CException* e) {
        // The earlier block stays when the image cannot be made.
        e->Delete();
        return;
    }
    const DWORD length = file.GetLength();
    delete[] m_pBlock;
    m_pBlock = nullptr;
    m_nBlockLength = 0;
    if (length > 0 && length <= static_cast<DWORD>(INT32_MAX)) {
        m_pBlock = new BYTE[length];
        std::memcpy(m_pBlock, file.Data(), length);
        m_nBlockLength = static_cast<int>(length);
    }
}

void CPropCharacteristicXYTable::GetPoints(CPtrArray** out) {
    if (out == nullptr) return;
    if (m_points.GetSize() > 0) {
        *out = &m_points;
        return;
    }
    if (m_pBlock != nullptr && m_nBlockLength > 0) {
        LoadFromData();
        *out = &m_points;
    }
}

void CPropCharacteristicXYTable::CopyFrom(const CPropCharacteristicXYTable* other) {
    if (other == nullptr || other == this) return;
    m_bWriteFile = other->m_bWriteFile;
    m_strFileName = other->m_strFileName;
    m_strReference = other->m_strReference;
    m_dwKind = other->m_dwKind;
    m_dwTableSource = other->m_dwTableSource;
    m_strXAxisLabel = other->m_strXAxisLabel;
    m_strYAxisLabel = other->m_strYAxisLabel;
    SetData(other->m_pBlock, other->m_pBlock != nullptr ? other->m_nBlockLength : 0);
    m_strVariableName = other->m_strVariableName;
    m_strComponentName = other->m_strComponentName;
    m_strFileNameInfix = other->m_strFileNameInfix;
    m_strFileNameSuffix = other->m_strFileNameSuffix;
    m_strParameterName = other->m_strParameterName;
    m_nFileSaveVersion = other->m_nFileSaveVersion;
    DeletePoints();
    for (INT_PTR i = 0; i < other->m_points.GetSize(); ++i) {
        const CDataPoint* point = static_cast<const CDataPoint*>(other->m_points.GetAt(i));
        m_points.Add(new CDataPoint(point->x, point->y));
    }
}

// ---------------------------------------------------------------------------------------
// File name

void CPropCharacteristicXYTable::MakeFileNameRelative() {
    // Folders compare exactly (see MakeCharacteristicPathRelative): on this system a folder
    // that differs only in letter case is another folder.
    MakeCharacteristicPathRelative(m_strFileDirectory, m_strFileName);
    if (GetSafeHwnd() != nullptr && GetDlgItem(kEditFileName) != nullptr) SetDlgItemText(kEditFileName, m_strFileName);
}

void CPropCharacteristicXYTable::LinkPointArray() {
    if (m_pPreview != nullptr) m_pPreview->SetPointArray(&m_points);
}

UINT CPropCharacteristicXYTable::CheckMonotonic(const CPtrArray& points) {
    const INT_PTR n = points.GetSize();
    if (n < 2) return 0;
    const double x0 = static_cast<const CDataPoint*>(points.GetAt(0))->x;
    const double x1 = static_cast<const CDataPoint*>(points.GetAt(1))->x;
    if (x0 == x1) return 8009;
    const bool rising = x1 > x0;
    double previous = x0;
    for (INT_PTR i = 1; i < n; ++i) {
        const double x = static_cast<const CDataPoint*>(points.GetAt(i))->x;
        if (rising && !(x > previous)) return 8010;
        if (!rising && !(x < previous)) return 8011;
        previous = x;
    }
    return 0;
}
