#include "framework/characteristic_page_parts.h"

#include "framework/byte_cursor.h"
#include "framework/characteristic_description.h"
#include "framework/data_classes.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/snapshot_lists.h"
#include "framework/table_writers.h"

#include <utility>

namespace qv::characteristic {

DWORD TableModeFlags(CPropCharacteristicXYTable* table) {
    DWORD flags = 0;
    if (table == nullptr) return flags;
    if (table->GetUserFileFlag()) flags |= kModeUserFile;
    if (table->GetDataPairsFlag() == CPropCharacteristicXYTable::kSourceFileReference) flags |= kModeFileReference;
    return flags;
}

bool LoadBlockIntoTable(CPropCharacteristicXYTable* table, std::vector<BYTE>& block) {
    if (table == nullptr || block.size() > 0x7FFFFFFFu) return false;
    table->SetData(block.empty() ? nullptr : block.data(), static_cast<int>(block.size()));
    table->LoadFromData();
    table->SetData(nullptr, 0);
    std::vector<BYTE>().swap(block);
    return true;
}

void MarkCharacteristicParams(ParamHolder* params, const CharacteristicParamIDs& ids, BOOL reference, BOOL file,
                              BOOL variable) {
    SetParamExtBit(params, ids.reference, reference);
    SetParamExtBit(params, ids.file, file);
    SetParamExtBit(params, ids.variable, variable);
}

void MarkCharacteristicParamsForKind(ParamHolder* params, const CharacteristicParamIDs& ids, DWORD kind,
                                     DWORD modeWord) {
    const BOOL fileReference = (modeWord & kModeFileReference) != 0;
    if (kind == 0)
        MarkCharacteristicParams(params, ids, FALSE, TRUE, TRUE);
    else
        MarkCharacteristicParams(params, ids, TRUE, fileReference, !fileReference);
}

namespace {

// The parameter `id` of the set as the model text uses it: there, an input, not on a pin and
// not marked unused; null otherwise.
const CWizardCopaObject3* UsedCharacteristicParam(const ParamHolder* params, WORD id) {
    for (int i = 0; params != nullptr && id != 0 && i < params->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = params->GetParam(i);
        if (param == nullptr || param->GetValueID() != id || !qv::pages::IsLiveInput(param)) continue;
        if (param->HasPin() || (param->GetExtType() & kParamExtUnused) != 0) return nullptr;
        return param;
    }
    return nullptr;
}

BOOL RefuseWithMessage(CWnd& page, UINT message) {
    if (page.GetParent() != nullptr) {
        CResourceSwitch resources;
        AfxMessageBox(LoadLibraryString(message), MB_OK);
    }
    return FALSE;
}

bool IsDataPairsTable(const CPropCharacteristicXYTable* table) {
    return table != nullptr && table->GetMode() == CPropCharacteristicXYTable::kKindLookUp &&
           table->GetDataPairsFlag() == CPropCharacteristicXYTable::kSourceDataPairs;
}

} // namespace

BOOL RefuseCharacteristicWithoutValue(CWnd& page, const ParamHolder* params, const CharacteristicParamIDs& ids,
                                      const CPropCharacteristicXYTable* table) {
    // The table's own mode says which of the three the model text reads: older elements
    // without a file parameter keep the table's file name in the reference parameter.
    const bool reference = table == nullptr || table->GetMode() == CPropCharacteristicXYTable::kKindReference;
    const bool fileReference = table == nullptr || (!reference && table->GetDataPairsFlag() ==
                                                                      CPropCharacteristicXYTable::kSourceFileReference);
    for (const auto& [id, read] : {std::pair{ids.reference, reference}, std::pair{ids.variable, fileReference}}) {
        const CWizardCopaObject3* param = read ? UsedCharacteristicParam(params, id) : nullptr;
        if (param != nullptr && CString(param->GetValue()).Trim().IsEmpty()) return RefuseWithMessage(page, kStrInvalidValue);
    }
    return qv::pages::RefuseEmptyTable(page, IsDataPairsTable(table) && UsedCharacteristicParam(params, ids.file) != nullptr &&
                                                 table->Points().GetSize() == 0);
}

BOOL RefuseCharacteristicWithoutValue(CWnd& page, bool onPin, DWORD kind, const CString& reference,
                                      const CString& variable, const CPropCharacteristicXYTable* table) {
    if (onPin) return TRUE;
    if (kind == 0) return CString(reference).Trim().IsEmpty() ? RefuseWithMessage(page, kStrInvalidValue) : TRUE;
    if (table == nullptr) return TRUE;
    if (table->GetDataPairsFlag() == CPropCharacteristicXYTable::kSourceFileReference)
        return CString(variable).Trim().IsEmpty() ? RefuseWithMessage(page, kStrInvalidValue) : TRUE;
    return qv::pages::RefuseEmptyTable(page, table->Points().GetSize() == 0);
}

namespace {

// Reads one length-prefixed part; false (the reading ends) when its length does not fit.
bool ReadPart(qv::bytes::Reader& in, const std::function<void(const BYTE*, size_t)>& take) {
    DWORD length = 0;
    if (!in.ReadDword(length)) return true;
    if (!in.Fits(length)) return false;
    take(in.Position(), length);
    in.SkipBytes(length);
    return true;
}

bool SnapshotBlockReadable(SnapshotBlockRule rule, DWORD count, size_t length, size_t remainingAfter) {
    if (count > kMaxArchivedSnapshots || length == 0) return false;
    switch (rule) {
    case SnapshotBlockRule::kWhenBytesFollow:
        return remainingAfter > 0;
    case SnapshotBlockRule::kWhenCountFits:
        return count <= length;
    case SnapshotBlockRule::kWhenNotEmpty:
        break;
    }
    return true;
}

} // namespace

void ReadOlderElementData(const void* data, size_t size, const OlderDataSteps& steps) {
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    DWORD mode = 0;
    if (in.ReadDword(mode)) steps.takeMode(mode);
    DWORD count = 0;
    in.ReadDword(count);
    const bool intact = ReadPart(in, [&](const BYTE* bytes, size_t length) {
        if (SnapshotBlockReadable(steps.snapshotRule, count, length, in.Remaining() - length))
            qv::pages::ReadArchivedBlock(bytes, length, [&steps, count](CArchive& ar) {
                qv::snapshots::ReadSnapshots(ar, count, steps.snapshots);
            });
    });
    if (!intact || !ReadPart(in, [&steps](const BYTE* bytes, size_t length) {
            qv::pages::ReadArchivedBlock(bytes, length, steps.readPage);
        }))
        return;
    bool pointsFollow = true;
    if (!ReadPart(in, [&](const BYTE* bytes, size_t length) { pointsFollow = steps.takeCharacteristic(bytes, length); }))
        return;
    DWORD length = 0;
    if (pointsFollow && in.ReadDword(length) && in.Fits(length)) steps.readPoints(in.Position(), length);
}

bool ReadPointBlockTexts(const BYTE** cursor, size_t* remaining, CString* x, CString* y, CString* xSecond,
                         CString* ySecond) {
    CPtrArray points;
    const BOOL read = ReadDataPointsFromBuffer(cursor, remaining, &points, x, y, xSecond, ySecond);
    for (INT_PTR i = 0; i < points.GetSize(); ++i) delete static_cast<CDataPoint*>(points.GetAt(i));
    return read != 0;
}

void SerializeKindAndConvertedFlag(CArchive& ar, CRuntimeClass* pageClass, DWORD& kind, DWORD& converted) {
    if (ar.IsStoring()) {
        ar.SerializeClass(pageClass);
        ar << g_dwPageVersion << kind << converted;
        return;
    }
    converted = 0;
    const DWORD version = ReadPageRecordVersion(ar, pageClass);
    ar >> kind;
    if (version >= 4) ar >> converted;
}

} // namespace qv::characteristic
