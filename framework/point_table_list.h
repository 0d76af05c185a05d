// The table of (x, y) data points that the 2D lookup table and the data-pairs time function
// edit alike: a CTBEditListCtrl with the row number in column 0 and x and y in columns 1 and
// 2, kept row for row with a CPtrArray of CDataPoint.
#pragma once

#include "afx/afxwin.h"
#include "framework/data_classes.h"
#include "framework/path_parts.h"
#include "toolkit/tb_edit_list.h"

#include <span>
#include <vector>

class CExImPortChannel;
class CReadAndWriteFiles;
class CWizardCopaObject3;
class CWizardBaseCommon;
class ParamHolder;

namespace qv::pointtable {

// The parameters that name the table's data file (typed, or given by reference), and the
// flag-word bits that say which one is used and whether the name was chosen by the user.
constexpr WORD kIdFileName = 2117;
constexpr WORD kIdReference = 1012;
constexpr DWORD kFlagReference = 0x4000;
constexpr DWORD kFlagUserFileName = 0x8000;

// The monotony check of a table: fewer than two rows pass; the first two rows decide the
// direction. Returns the string ID of the failure (8009 constant, 8010 not rising, 8011 not
// falling) or 0 when the table passes.
UINT CheckTableOrder(const CPtrArray& points);
// Whether some consecutive pair has x[i+1] <= x[i] (the page's warning label).
bool IsNotRising(const CPtrArray& points);

// IsNotRising of a table that is edited row by row, kept up to date in constant time per
// edit: a table of a million rows typed in row by row would otherwise be scanned a million
// times. It counts the consecutive pairs whose x does not rise. Recount counts the whole
// table; an edit of one row (or a row appended) is bracketed by BeforeRowChange and
// AfterRowChange, which count only the two pairs the row belongs to. A table whose length
// changed otherwise since the last count is counted whole.
class RisingCheck {
public:
    void Recount(const CPtrArray& points);
    void BeforeRowChange(const CPtrArray& points, int row);
    void AfterRowChange(const CPtrArray& points, int row);
    bool NotRising() const { return m_notRising > 0; }

private:
    // The pairs (row - 1, row) and (row, row + 1) that do not rise.
    static int NotRisingAround(const CPtrArray& points, int row);
    long long m_notRising = 0;
    INT_PTR m_countedRows = -1;   // the table's length when last counted; -1 before
};
// Deletes the points (or snapshots) of a list and empties it.
void DeletePoints(CPtrArray& points);
void DeleteSnapshots(CPtrArray& snapshots);
// Makes `to` as long as `from` (surplus deleted from the end, missing created) with the
// same x and y.
void CopyPoints(CPtrArray& to, const CPtrArray& from);
void CopySnapshots(CPtrArray& to, const CPtrArray& from);

// Axis text "name[unit]" split into channel name and unit (the unit cut at "]").
void SplitAxisText(const CString& text, CString& name, CString& unit);
// A data-file channel as axis text: its name, with "[unit]" when it has a unit; a channel
// without a name gives its unit alone. The description writes the 3D table's axis texts as
// units of unnamed channels, so that a text read back from such a file is the text written
// ("xin[V]"), not one with a pair of brackets more at every description and reading.
CString AxisText(const CExImPortChannel* channel);

// A flag parameter of older data (1001 of the point tables), whose value as an integer is -1
// once it was taken: a value of 0 or more is taken once, into `on` (0 off; 1, and the other
// non-zero values that older data may hold, on), and the parameter becomes "-1", so that a
// later opening leaves the flag as the page has it. False, changing nothing, for a missing
// parameter or a value below 0.
bool TakeOldFlag(CWizardCopaObject3* param, BOOL& on);

// Reads the n items of the first columns.size() channels of a data file whose header the
// reader has read, channel c into columns[c] (n + 1 numbers); the channels let go of the
// columns again. False when the items cannot be read.
bool ReadChannelColumns(CReadAndWriteFiles& reader, int n, std::span<std::vector<double>> columns);
// Reads the n items of the first two channels (header read) as (x, y) points that replace
// `points`; false, leaving them, when the items cannot be read.
bool ReadPointChannels(CReadAndWriteFiles& reader, int n, CPtrArray& points);
// Reads a two-channel data file into the points (cut or grown to the file's item count). A
// file of another shape, or one whose table does not fit in memory, leaves the points as they
// are; the reader has checked the item count against the file's bytes before anything is
// sized by it. `interactive` is passed to the reader, which keeps the file's channels and
// format.
enum class ReadResult { Ok, Failed, WrongChannels, TooLarge };
ReadResult ReadTwoChannels(const CString& path, int interactive, CPtrArray& points, CReadAndWriteFiles& reader);
// The message a page shows for an import that failed; none for a read the user cancelled.
CString ImportFailureText(ReadResult result, const CReadAndWriteFiles& reader);
// Writes the points as the channels x and y of a data file in `format`; false, with the
// writer's error text, when the file could not be written.
bool WriteTwoChannels(const CString& path, int format, const CPtrArray& points, const CString& xName,
                      const CString& xUnit, const CString& yName, const CString& yUnit, CString& error);

// Appends `count` points read from the archive, each through its own Serialize; an archive
// that runs out ends the reading with its exception.
void ReadArchivedPoints(CArchive& ar, DWORD count, CPtrArray& points);

// The point at `index`, or nullptr outside the list.
inline CDataPoint* PointAt(const CPtrArray& points, int index) {
    if (index < 0 || index >= points.GetSize()) return nullptr;
    return static_cast<CDataPoint*>(points[index]);
}

// A table value as the list shows it: every digit a double holds, so that a value read back
// from the cell is the value stored.
inline CString FormatNumber(double value) {
    CString text;
    text.Format("%.15g", value);
    return text;
}

// The unit of a table column's numbers, as a number cell's extra text (NumberCellUnit): the
// unit its label names in brackets ("v [V]", "t[s]"), or plain numbers for a label without.
CString ColumnUnitOfLabel(const CString& label);

// The units of a table's x and y cells (NumberCellUnit texts).
struct CellUnits {
    CString x = "|";
    CString y = "|";
};

// Shows `point` in `row` (a row past the end is appended): its number, fixed, and x and y
// as editable numbers in the columns' units.
inline void SetPointRow(CTBEditListCtrl& list, int row, const CDataPoint* point, const CellUnits& units = {}) {
    CString label;
    label.Format("%i", row + 1);
    if (row >= list.GetItemCount()) list.InsertEditItem(row, label, TB_EDIT_NONE);
    else list.SetEditItemText(row, 0, label, TB_EDIT_NONE);
    list.SetEditItemText(row, 1, FormatNumber(point->x), TB_EDIT_NUMBER, units.x);
    list.SetEditItemText(row, 2, FormatNumber(point->y), TB_EDIT_NUMBER, units.y);
}

// Fills the list with the points anew (nothing while the list has no window).
inline void FillPointList(CTBEditListCtrl& list, const CPtrArray& points, const CellUnits& units = {}) {
    if (list.GetSafeHwnd() == nullptr) return;
    list.DeleteAllItems();
    for (int i = 0; i < points.GetSize(); ++i) SetPointRow(list, i, PointAt(points, i), units);
}

// Gives the number cells of every row the columns' units (after a unit text changed).
inline void SetCellUnits(CTBEditListCtrl& list, const CellUnits& units) {
    for (int row = 0; list.GetSafeHwnd() != nullptr && row < list.GetItemCount(); ++row) {
        list.SetEditItemType(row, 1, TB_EDIT_NUMBER, units.x);
        list.SetEditItemType(row, 2, TB_EDIT_NUMBER, units.y);
    }
}

// Numbers the rows from `first` on again (after a row was removed or moved).
inline void RenumberPointRows(CTBEditListCtrl& list, int first) {
    for (int row = first < 0 ? 0 : first; row < list.GetItemCount(); ++row) {
        CString label;
        label.Format("%i", row + 1);
        list.SetItemText(row, 0, label);
    }
}

// Removes the selected row and its point, selects the row now in its place (or the last one)
// and renumbers the rows below. Returns false, changing nothing, without a selected point.
inline bool DeleteSelectedPointRow(CTBEditListCtrl& list, CPtrArray& points) {
    const int row = list.GetSelectedItem();
    if (row < 0 || row >= points.GetSize()) return false;
    delete PointAt(points, row);
    points.RemoveAt(row);
    list.DeleteEditItem(row);
    if (list.GetItemCount() > 0) list.SelectItem(row < list.GetItemCount() ? row : list.GetItemCount() - 1);
    RenumberPointRows(list, row);
    return true;
}

// Stores a wizard's table as its archive holds it: the point count and the points, then the
// snapshot count and the snapshots (each through its own Serialize).
inline void StorePointsAndSnapshots(CArchive& ar, const CPtrArray& points, const CPtrArray& snapshots) {
    ar << static_cast<DWORD>(points.GetSize());
    for (int i = 0; i < points.GetSize(); ++i) static_cast<CDataPoint*>(points[i])->Serialize(ar);
    ar << static_cast<DWORD>(snapshots.GetSize());
    for (int i = 0; i < snapshots.GetSize(); ++i) static_cast<CCopaObjectCompare*>(snapshots[i])->Serialize(ar);
}

// The points of a table's 4.x element data: 52 bytes, DWORD n, WORD a and a bytes, WORD b and
// b bytes, then n pairs of doubles (x, y). The lengths are unsigned. Points are appended
// only when all n fit in the data; false when not (the list is then left as it was).
bool Read4xPoints(const BYTE* data, size_t length, CPtrArray& points);

// Reads what StorePointsAndSnapshots wrote into emptied lists. The points are made one by
// one as the archive yields them, so that the count is believed only as far as the bytes
// go: an archive that runs out ends the reading with its exception. A snapshot count above
// kMaxArchivedSnapshots is refused (badIndex) before any snapshot is read.
void LoadPointsAndSnapshots(CArchive& ar, CPtrArray& points, CPtrArray& snapshots);

// The path of the data file that parameter 2117 names, looked up in the wizard's
// characteristic folders; false without the parameter or when no such file is there.
bool FindNamedDataFile(const CWizardBaseCommon* wizard, ParamHolder* holder, CString& path);

} // namespace qv::pointtable
