#include "framework/snapshot_lists.h"

#include "framework/data_classes.h"
#include "framework/page_steps.h"

namespace qv::snapshots {

void DeleteSnapshots(CPtrArray& list) {
    for (INT_PTR i = 0; i < list.GetSize(); ++i) delete static_cast<CCopaObjectCompare*>(list.GetAt(i));
    list.RemoveAll();
}

void CopySnapshots(CPtrArray& to, const CPtrArray* from) {
    DeleteSnapshots(to);
    if (from == nullptr) return;
    for (INT_PTR i = 0; i < from->GetSize(); ++i) {
        const auto* source = static_cast<const CCopaObjectCompare*>(from->GetAt(i));
        to.Add(source ? new CCopaObjectCompare(*source) : new CCopaObjectCompare);
    }
}

void StoreSnapshots(CArchive& ar, const CPtrArray& list) {
    ar << static_cast<DWORD>(list.GetSize());
    for (INT_PTR i = 0; i < list.GetSize(); ++i) {
        auto* snapshot = static_cast<CCopaObjectCompare*>(list.GetAt(i));
        if (snapshot != nullptr) {
            snapshot->Serialize(ar);
        } else {
            // The count is already written: a missing entry is stored as an empty snapshot.
            CCopaObjectCompare empty;
            empty.Serialize(ar);
        }
    }
}

void ReadSnapshots(CArchive& ar, DWORD count, CPtrArray& list) {
    for (DWORD i = 0; i < count; ++i) {
        auto* snapshot = new CCopaObjectCompare;
        try {
            snapshot->Serialize(ar);
        } catch (...) {
            delete snapshot;
            throw;
        }
        list.Add(snapshot);
    }
}

void LoadSnapshots(CArchive& ar, CPtrArray& list) {
    DeleteSnapshots(list);
    DWORD count = 0;
    ar >> count;
    if (count > kMaxArchivedSnapshots) AfxThrowArchiveException(CArchiveException::badIndex);
    ReadSnapshots(ar, count, list);
}

void ReadSnapshotBlock(qv::bytes::Reader& in, DWORD count, DWORD blockLength, CPtrArray& list) {
    if (count <= kMaxArchivedSnapshots && count <= blockLength)
        qv::pages::ReadArchivedBlock(in.Position(), blockLength,
                                     [count, &list](CArchive& ar) { ReadSnapshots(ar, count, list); });
    in.SkipBytes(blockLength);
}

} // namespace qv::snapshots
