#include "framework/param_list.h"

#include <functional>
#include <vector>

#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/param_access.h"
#include "framework/placeholders.h"
#include "wizard/wizardbase.h"

CPlaceholderList g_PlaceholderList;

CPlaceholderList::~CPlaceholderList() { DeleteAll(); }

void CPlaceholderList::DiscardAt(int index) {
    if (index < 0 || index >= GetSize()) return;
    CCopaObjectCompare* entry = GetEntry(index);
    RemoveAt(index);
    delete entry;
}

BOOL CPlaceholderList::Discard(CCopaObjectCompare* entry) {
    for (int i = static_cast<int>(GetSize()) - 1; i >= 0; --i) {
        if (GetAt(i) == entry) {
            DiscardAt(i);
            return TRUE;
        }
    }
    return FALSE;
}

void CPlaceholderList::DeleteAll() {
    while (GetSize() > 0) DiscardAt(static_cast<int>(GetSize()) - 1);
}

namespace {

constexpr char kParamListPlaceholder[] = "@PARAMLIST";

// The value written for an entry: the parameter's own placeholder (main form) or its
// value in the used unit (older base).
using ValueOf = std::function<CString(CCopaObjectCompare* snapshot, const CString& bare)>;

void BuildList(CString& modelText, CPtrArray* snapshots, DWORD modeWord, ParamHolder* holder,
               CCopaObjectCompare** lastPending, const ValueOf& valueOf) {
    g_PlaceholderList.DeleteAll();
    CString list;
    const int count = snapshots ? static_cast<int>(snapshots->GetSize()) : 0;
    for (int i = 0; i < count; ++i) {
        CCopaObjectCompare* snapshot = static_cast<CCopaObjectCompare*>(snapshots->GetAt(i));
        if (snapshot == nullptr || (snapshot->GetType() & kParamTypeInput) == 0) continue;

        const CString name = snapshot->GetName();
        if (name.IsEmpty()) {
            // The last snapshot has nothing to write: the previous entry's comma goes. Only
            // a comma is removed, and only where there is one.
            const int at = list.GetLength() - 2;
            if (i == count - 1 && at >= 0 && list[at] == ',') list.Delete(at);
            continue;
        }

        CString bare = name;
        bare.Remove('@');
        const CWizardCopaObject3* param = FindParamByName(holder, bare);
        if (name.Find('@') < 0) {
            const bool quoted = (snapshot->GetType() & kParamTypeText) != 0 && (modeWord & kModeNoQuotes) == 0;
            const CString value = valueOf(snapshot, bare);
            list += name + " := " + (quoted ? "\"" + value + "\"" : value);
        } else if (param != nullptr && param->HasPin()) {
            snapshot->SetName(bare);
            list += bare + " := " + valueOf(snapshot, bare);
        } else {
            list += name;
            CCopaObjectCompare* pending = new CCopaObjectCompare(*snapshot);
            g_PlaceholderList.Add(pending);
            if (lastPending != nullptr) *lastPending = pending;
        }
        if (i < count - 1) list += ",";
        list += " ";
    }
    ReplacePlaceholder(modelText, kParamListPlaceholder, list, 0);
}

bool Contains(const CUIntArray& ids, WORD id) {
    for (INT_PTR i = 0; i < ids.GetSize(); ++i)
        if (ids.GetAt(i) == id) return true;
    return false;
}

CString ListByValueID(ParamHolder* holder, const CUIntArray* valueIDs, CString& modelText, const CString& separator,
                      bool withNames) {
    CString list;
    if (valueIDs == nullptr) return list;
    bool first = true;
    const int count = holder ? holder->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted() || (param->GetType() & kParamTypeNoList) != 0) continue;
        if (!Contains(*valueIDs, param->GetValueID())) continue;
        if (!first) list += separator;
        first = false;
        if (withNames && param->GetValue().Find(":=") < 0) list += param->GetName() + " := ";
        list += param->GetValue() + " ";
    }
    ReplacePlaceholder(modelText, kParamListPlaceholder, list, 0);
    return list;
}

// Reads up to count archived snapshots from the bytes; stops at the first one that cannot
// be read and keeps those read before it.
void LoadSnapshots(const BYTE* data, size_t size, DWORD count, CPtrArray& out) {
    if (data == nullptr || size == 0 || count == 0 || size > 0xFFFFFFFFu) return;
    std::vector<BYTE> copy(data, data + size);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    for (DWORD i = 0; i < count; ++i) {
        CCopaObjectCompare* snapshot = new CCopaObjectCompare;
        try {
            snapshot->Serialize(ar);
        } catch (CException* e) {
            e->Delete();
            delete snapshot;
            break;
        }
        out.Add(snapshot);
    }
}

void DeleteSnapshots(CPtrArray& snapshots) {
    for (INT_PTR i = 0; i < snapshots.GetSize(); ++i) delete static_cast<CCopaObjectCompare*>(snapshots.GetAt(i));
    snapshots.RemoveAll();
}

} // namespace

void BuildPinAssignmentList(CString& modelText, CPtrArray* snapshots, DWORD modeWord, ParamHolder* holder,
                            CCopaObjectCompare** lastPending) {
    BuildList(modelText, snapshots, modeWord, holder, lastPending,
              [](CCopaObjectCompare*, const CString& bare) { return "@" + bare; });
}

CString ReplaceParamList(const CWizardBaseCommon*, ParamHolder* holder, const CUIntArray* valueIDs,
                         CString& modelText, CString separator) {
    return ListByValueID(holder, valueIDs, modelText, separator, true);
}

CString ReplaceParamList2(const CWizardBaseCommon*, ParamHolder* holder, const CUIntArray* valueIDs,
                          CString& modelText, CString separator) {
    return ListByValueID(holder, valueIDs, modelText, separator, false);
}

void BuildPinAssignmentList(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange,
                            CCopaObjectCompare** lastPending) {
    if (exchange == nullptr) return;
    qv::bytes::Reader in = qv::bytes::AdditionalData(wizard);
    DWORD modeWord = 0;
    DWORD count = 0;
    DWORD length = 0;
    CPtrArray snapshots;
    if (in.ReadDword(modeWord) && in.ReadDword(count) && in.ReadDword(length) && length > 0 && in.Fits(length))
        LoadSnapshots(in.Position(), length, count, snapshots);

    CString text = exchange->m_strModelText;
    BuildList(text, &snapshots, modeWord, exchange, lastPending,
              [exchange](CCopaObjectCompare* snapshot, const CString&) {
                  return GetParamValueInUsedUnit(snapshot, exchange);
              });
    exchange->m_strModelText = text;
    DeleteSnapshots(snapshots);
}

namespace {
// Runs `replace` on the exchange's model text and keeps what it made of it; returns the list
// it wrote (empty without an exchange).
template <class Replace>
CString ReplaceInModelText(CWizardSchematicDataExchange3* exchange, Replace replace) {
    if (exchange == nullptr) return CString();
    CString text = exchange->m_strModelText;
    const CString list = replace(text);
    exchange->m_strModelText = text;
    return list;
}
} // namespace

CString ReplaceParamList(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange, const CUIntArray* valueIDs,
                         CString separator) {
    return ReplaceInModelText(exchange, [&](CString& text) {
        return ReplaceParamList(wizard, exchange, valueIDs, text, separator);
    });
}

CString ReplaceParamList2(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange, const CUIntArray* valueIDs,
                          CString separator) {
    return ReplaceInModelText(exchange, [&](CString& text) {
        return ReplaceParamList2(wizard, exchange, valueIDs, text, separator);
    });
}

CPtrArray* ReadSnapshotListFromWizardData(CWizardBase3* wizard) {
    CPtrArray* snapshots = new CPtrArray;
    qv::bytes::Reader in = qv::bytes::AdditionalData(wizard);
    DWORD modeWord = 0;
    DWORD count = 0;
    if (in.ReadDword(modeWord) && in.ReadDword(count)) LoadSnapshots(in.Position(), in.Remaining(), count, *snapshots);
    return snapshots;
}

DWORD ResetPlaceholdersAndGetModeWord(CWizardBase3* wizard) {
    g_PlaceholderList.DeleteAll();
    qv::bytes::Reader in = qv::bytes::AdditionalData(wizard);
    DWORD modeWord = 0;
    return in.ReadDword(modeWord) ? modeWord : 0xFFFFFFFFu;
}
