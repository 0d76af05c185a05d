// Owned lists of parameter snapshots (CCopaObjectCompare*): the list of parameters a wizard's
// chosen form writes into its model text. Wizards and pages of every family keep one, copy it
// from one to the other, archive it and read it from older element data.
#pragma once

#include "afx/afx.h"
#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "wizard/paramholder.h"

// Archived snapshot lists are refused beyond this many entries.
constexpr DWORD kMaxArchivedSnapshots = 10000;

namespace qv::snapshots {
// Deletes every entry and empties the list.
void DeleteSnapshots(CPtrArray& list);
// Empties `to` and appends a copy of every entry of `from` (nothing for a null list).
void CopySnapshots(CPtrArray& to, const CPtrArray* from);
// Appends a snapshot of the parameter named `name` (an empty one when the set has none),
// renamed to `rename` unless that is null.
void AppendSnapshotOf(CPtrArray& list, ParamHolder* params, const char* name, const char* rename);
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
