// Lists of parameter snapshots (CCopaObjectCompare, owned by the list) that wizards keep
// between edits: deleting, copying, archiving and reading them back from archives and from
// blocks of older element data.
#pragma once

#include "afx/afx.h"
#include "framework/byte_cursor.h"

// Archived snapshot lists are refused beyond this many entries.
constexpr DWORD kMaxArchivedSnapshots = 10000;

namespace qv::snapshots {
// Owned snapshot lists: deletes every entry and empties the list.
void DeleteSnapshots(CPtrArray& list);
// Empties `to` and appends a copy of every entry of `from` (nothing for a null list).
void CopySnapshots(CPtrArray& to, const CPtrArray* from);
// Writes the count and every snapshot by its own Serialize.
void StoreSnapshots(CArchive& ar, const CPtrArray& list);
// Appends `count` snapshots, each read by its own Serialize; a snapshot that cannot be read
// is deleted and the archive exception travels on (those read before it stay in the list).
void ReadSnapshots(CArchive& ar, DWORD count, CPtrArray& list);
// Empties the list, then reads a count and that many snapshots. A count above
// kMaxArchivedSnapshots is refused (bad index) before anything is read; a snapshot that
// cannot be read is deleted and the archive exception travels on.
void LoadSnapshots(CArchive& ar, CPtrArray& list);
// Older element data: a block of `count` archived snapshots, `blockLength` bytes at the
// reader's position (the caller has checked that they fit), appended to `list`; the reader
// moves past the block. A count above kMaxArchivedSnapshots, or one the block's bytes could
// not hold, reads none; a snapshot that cannot be read ends the reading and keeps those
// before it.
void ReadSnapshotBlock(qv::bytes::Reader& in, DWORD count, DWORD blockLength, CPtrArray& list);
} // namespace qv::snapshots
