// 3D lookup table z = f(x, y): the sweep-data dialog (dialog 2605 "Sweep Data") and the two
// forms of the table with the checks and conversions between them.
//
// The point list holds the grid in grid order: for y value j and x value i the point has the
// index j * (number of x values) + i. The editing form holds an x list, a y list and a z table
// keyed by the identity of each value (not its number): two equal x values are two keys, and
// editing a number keeps the z values attached to it.
//
// Sweep-data archive: class record, DWORD version 10, CString start, step, number of
// samples; data without a class record has no version DWORD. The closing mode is not stored.
#pragma once

#include "afx/afxwin.h"
#include "framework/string_ids.h"
#include "toolkit/tb_dialog.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace qv::lookup3d {
constexpr UINT kSweepTemplate = 2605;
using namespace qv::strings;
// The grid has no count limit of its own: a table read from a file is bounded by the file's
// bytes, a swept one by memory. Before a table is built, its points are checked against the
// memory the process may take at this many bytes per point, an upper estimate of what the
// editing form, the page's and the wizard's point lists, the lists' rows and the columns of a
// file being read take together (measured: about 200 bytes per point of a grid read from a
// file, 450 per value of a swept axis, whose list shows every value). Running out of memory
// while a grid is built raises std::bad_alloc and leaves the grid as it was.
constexpr size_t kBytesPerPoint = 512;
constexpr char kInvalidValue[] = "Invalid value!";

enum class Axis { X, Y };

// The editing form. Values are heap doubles owned by the lists; the z table maps each y
// value's address to a map from each x value's address to its z.
class Grid {
public:
    using ZRow = std::unordered_map<const double*, double>;

    size_t CountX() const { return m_x.size(); }
    size_t CountY() const { return m_y.size(); }
    double X(size_t i) const { return *m_x[i]; }
    double Y(size_t j) const { return *m_y[j]; }
    void SetX(size_t i, double value) { *m_x[i] = value; }
    void SetY(size_t j, double value) { *m_y[j] = value; }
    // The z of x value i under y value j; false when the map has no entry for it.
    bool Z(size_t i, size_t j, double* z) const;
    void SetZ(size_t i, size_t j, double z);
    // Drops the z entry of x value i under y value j (a grid edited by other means).
    void EraseZ(size_t i, size_t j);

    // Inserts a value at position (clamped to the end); a new x gets z 0 under every y, a new
    // y a map with z 0 for every x.
    void Insert(Axis axis, size_t position, double value);
    // Deletes value i of an axis with its z entries; false for a bad index.
    bool Erase(Axis axis, size_t index);
    void Clear(Axis axis);
    void Clear();
    // Moves value i one place up (delta -1) or down (+1); its z values stay attached.
    bool Move(Axis axis, size_t index, int delta);
    // Appends count values start + k * step (k = 0 .. count-1); replace empties the axis
    // first. A count below 1 adds nothing. False (nothing changed) for non-finite values;
    // std::bad_alloc (nothing changed) for a grid that does not fit in memory.
    bool Sweep(Axis axis, double start, double step, long long count, bool replace);
    // The number of points of the grid once `axis` holds `values` values.
    std::uint64_t PointsWith(Axis axis, std::uint64_t values) const;

    const std::vector<std::unique_ptr<double>>& XList() const { return m_x; }
    const std::vector<std::unique_ptr<double>>& YList() const { return m_y; }

private:
    size_t Count(Axis axis) const { return axis == Axis::X ? m_x.size() : m_y.size(); }
    // Deletes the first `count` values of an axis with their z entries, in one pass.
    void EraseFirst(Axis axis, size_t count);

    std::vector<std::unique_ptr<double>> m_x;
    std::vector<std::unique_ptr<double>> m_y;
    std::unordered_map<const double*, ZRow> m_z;
};

// Both axes strictly monotonic (zero or one value passes). Returns 0 or the string ID of the
// first failure: 8009/8012 constant, 8010/8013 not rising, 8011/8014 not falling.
UINT CheckXYValues(const Grid& grid);
// Checks a point list (C3DDataPoint pointers) in grid order and finds its block length
// (x values per y value). Returns 0 or the string ID of the failure; fewer than two points
// fail with 8015.
UINT CheckBlocks(const CPtrArray& points, int* blockLength);
// Builds the editing form from the points. On a failed check the grid stays as it was, the
// points are rebuilt from it, and the string ID of the failure is returned; a grid that does
// not fit in memory raises std::bad_alloc and leaves grid and points as they were.
UINT BuildListsFromPoints(Grid& grid, CPtrArray& points);
// Builds the points from the editing form; with check, a failed CheckXYValues leaves the
// points unchanged and returns its string ID. A missing z leaves (0, 0, 0) at the block's end.
// Running out of memory raises std::bad_alloc and leaves the points as they were.
UINT BuildPointsFromLists(const Grid& grid, CPtrArray& points, bool check);
void DeletePoints(CPtrArray& points);
} // namespace qv::lookup3d

class CDlgSweepData : public CTBDialog {
    DECLARE_SERIAL(CDlgSweepData)
public:
    explicit CDlgSweepData(CWnd* parent = nullptr);
    ~CDlgSweepData() override = default;

    void Serialize(CArchive& ar) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    CString GetStart() const { return m_strStart; }
    CString GetStep() const { return m_strStep; }
    CString GetCount() const { return m_strCount; }
    void SetTexts(const CString& start, const CString& step, const CString& count) {
        m_strStart = start;
        m_strStep = step;
        m_strCount = count;
    }
    // 0 after "Set", 1 after "Append".
    DWORD GetMode() const { return m_dwMode; }
    // Fills an axis of the grid from the texts and the mode; false ("Invalid value!") when
    // the values are not finite. A grid that does not fit in memory raises std::bad_alloc.
    bool ApplyTo(qv::lookup3d::Grid& grid, qv::lookup3d::Axis axis) const;

    void OnSet();
    void OnAppend();
    // Whether start, step and count read as numbers; "Invalid value!" for the first that does not.
    bool TextsAreNumbers();

protected:
    DECLARE_MESSAGE_MAP()

    CString m_strCount = "10";
    CString m_strStart = "0";
    CString m_strStep = "1";
    DWORD m_dwMode = 0;
};
