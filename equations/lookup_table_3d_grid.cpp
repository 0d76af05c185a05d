#include "equations/lookup_table_3d_grid.h"

#include "framework/control_layout.h"
#include "framework/data_classes.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/table_memory.h"
#include "toolkit/tb_numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

IMPLEMENT_SERIAL(CDlgSweepData, CTBDialog, VERSIONABLE_SCHEMA | 10)
PARVEL_VERSIONED_CLASS(CDlgSweepData)

namespace qv::lookup3d {

namespace {

const C3DDataPoint* At(const CPtrArray& points, INT_PTR i) {
    return static_cast<const C3DDataPoint*>(points.GetAt(i));
}

// Strict monotony of one axis; constant, notRising, notFalling are the axis' string IDs.
UINT CheckAxis(const std::vector<std::unique_ptr<double>>& values, UINT constant, UINT notRising,
               UINT notFalling) {
    if (values.size() < 2) return 0;
    for (const auto& value : values)
        if (!value) return kStrInternal;
    if (*values[1] == *values[0]) return constant;
    const bool rising = *values[1] > *values[0];
    for (size_t i = 2; i < values.size(); ++i) {
        if (rising && *values[i] <= *values[i - 1]) return notRising;
        if (!rising && *values[i] >= *values[i - 1]) return notFalling;
    }
    return 0;
}

} // namespace

bool Grid::Z(size_t i, size_t j, double* z) const {
    if (i >= m_x.size() || j >= m_y.size()) return false;
    const auto row = m_z.find(m_y[j].get());
    if (row == m_z.end()) return false;
    const auto cell = row->second.find(m_x[i].get());
    if (cell == row->second.end()) return false;
    if (z) *z = cell->second;
    return true;
}

void Grid::SetZ(size_t i, size_t j, double z) {
    if (i >= m_x.size() || j >= m_y.size()) return;
    m_z[m_y[j].get()][m_x[i].get()] = z;
}

void Grid::EraseZ(size_t i, size_t j) {
    if (i >= m_x.size() || j >= m_y.size()) return;
    const auto row = m_z.find(m_y[j].get());
    if (row != m_z.end()) row->second.erase(m_x[i].get());
}

std::uint64_t Grid::PointsWith(Axis axis, std::uint64_t values) const {
    // An axis without values still holds its values in the other's lists: counted as one.
    const std::uint64_t other = std::max<size_t>(axis == Axis::X ? m_y.size() : m_x.size(), 1);
    const std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
    return values != 0 && other > limit / values ? limit : values * other;
}

// The value goes into its list first; when a z map cannot take it, what it was given is taken
// back, so that running out of memory leaves the grid as it was.
void Grid::Insert(Axis axis, size_t position, double value) {
    auto& list = axis == Axis::X ? m_x : m_y;
    position = std::min(position, list.size());
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(position), std::make_unique<double>(value));
    const double* key = list[position].get();
    try {
        if (axis == Axis::X) {
            for (const auto& y : m_y) m_z[y.get()][key] = 0.0;
        } else {
            ZRow row;
            row.reserve(m_x.size());
            for (const auto& x : m_x) row[x.get()] = 0.0;
            m_z[key] = std::move(row);
        }
    } catch (...) {
        if (axis == Axis::X)
            for (auto& row : m_z) row.second.erase(key);
        else
            m_z.erase(key);
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(position));
        throw;
    }
}

bool Grid::Erase(Axis axis, size_t index) {
    if (axis == Axis::X) {
        if (index >= m_x.size()) return false;
        for (auto& row : m_z) row.second.erase(m_x[index].get());
        m_x.erase(m_x.begin() + static_cast<std::ptrdiff_t>(index));
    } else {
        if (index >= m_y.size()) return false;
        m_z.erase(m_y[index].get());
        m_y.erase(m_y.begin() + static_cast<std::ptrdiff_t>(index));
    }
    return true;
}

void Grid::Clear(Axis axis) {
    if (axis == Axis::X) {
        for (auto& row : m_z) row.second.clear();
        m_x.clear();
    } else {
        m_z.clear();
        m_y.clear();
    }
}

void Grid::Clear() {
    m_z.clear();
    m_x.clear();
    m_y.clear();
}

bool Grid::Move(Axis axis, size_t index, int delta) {
    auto& list = axis == Axis::X ? m_x : m_y;
    if (index >= list.size()) return false;
    if (delta < 0 && index == 0) return false;
    const size_t target = delta < 0 ? index - 1 : index + 1;
    if (target >= list.size()) return false;
    std::swap(list[index], list[target]);
    return true;
}

void Grid::EraseFirst(Axis axis, size_t count) {
    auto& list = axis == Axis::X ? m_x : m_y;
    count = std::min(count, list.size());
    for (size_t k = 0; k < count; ++k) {
        if (axis == Axis::X)
            for (auto& row : m_z) row.second.erase(list[k].get());
        else
            m_z.erase(list[k].get());
    }
    list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(count));
}

bool Grid::Sweep(Axis axis, double start, double step, long long count, bool replace) {
    // A count below 1 adds nothing and, even for "Set", keeps the axis as it is.
    if (count < 1) return true;
    const size_t before = Count(axis);
    const std::uint64_t values = static_cast<std::uint64_t>(count) + (replace ? 0 : before);
    const std::uint64_t points = PointsWith(axis, values);
    // The point list counts with int: a larger grid cannot be listed, as memory cannot hold it.
    if (points > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) throw std::bad_alloc();
    qv::tables::RequireMemoryFor(points, kBytesPerPoint);
    std::vector<double> swept;
    swept.reserve(static_cast<size_t>(count));
    for (long long k = 0; k < count; ++k) {
        const double value = start + static_cast<double>(k) * step;
        if (!std::isfinite(value)) return false;
        swept.push_back(value);
    }
    // The new values are appended first and the old ones of a "Set" go only when every new one
    // is in, so that running out of memory half-way leaves the axis as it was.
    try {
        for (const double value : swept) Insert(axis, Count(axis), value);
    } catch (...) {
        while (Count(axis) > before) Erase(axis, Count(axis) - 1);
        throw;
    }
    if (replace) EraseFirst(axis, before);
    return true;
}

UINT CheckXYValues(const Grid& grid) {
    if (const UINT id = CheckAxis(grid.XList(), kStrConstantX, kStrXNotRising, kStrXNotFalling)) return id;
    return CheckAxis(grid.YList(), kStrConstantY, kStrYNotRising, kStrYNotFalling);
}

UINT CheckBlocks(const CPtrArray& points, int* blockLength) {
    const INT_PTR n = points.GetSize();
    if (n == 0) return kStrNoBlock;
    for (INT_PTR i = 0; i < n; ++i)
        if (At(points, i) == nullptr) return kStrInternal;
    // A grid of one x value has blocks of one point; a grid of one y value is one block. Both
    // are tables the page applies, so they read back as they were written.
    bool oneX = true;
    for (INT_PTR i = 1; i < n && oneX; ++i) oneX = At(points, i)->x == At(points, 0)->x;
    INT_PTR block = oneX ? 1 : 0;
    if (!oneX) {
        if (At(points, 1)->x == At(points, 0)->x) return kStrConstantX;
        const bool rising = At(points, 1)->x > At(points, 0)->x;
        for (INT_PTR i = 2; i < n; ++i) {
            const double previous = At(points, i - 1)->x;
            const double current = At(points, i)->x;
            if (block == 0 && (rising ? current < previous : current > previous)) {
                block = i;
                continue;
            }
            if (current == previous) return kStrConstantX;
        }
        if (block == 0) block = n;
    }
    if (n % block != 0) return kStrConstantX;
    const INT_PTR blocks = n / block;
    for (INT_PTR b = 1; b < blocks; ++b)
        for (INT_PTR i = 0; i < block; ++i)
            if (At(points, b * block + i)->x != At(points, i)->x) return kStrXNotRepeated;
    INT_PTR k = 0;
    for (INT_PTR i = 1; i < n; ++i)
        if (At(points, i)->y != At(points, i - 1)->y) {
            k = i;
            break;
        }
    if (k != (blocks > 1 ? block : 0)) return kStrYBlockLength;
    if (blocks == 1) {
        if (blockLength) *blockLength = static_cast<int>(block);
        return 0;
    }
    const bool yRising = At(points, k)->y > At(points, k - 1)->y;
    for (INT_PTR b = 0; b < blocks; ++b)
        for (INT_PTR i = 1; i < block; ++i)
            if (At(points, b * block + i)->y != At(points, b * block)->y) return kStrConstantY;
    for (INT_PTR b = 1; b < blocks; ++b) {
        const double previous = At(points, (b - 1) * block)->y;
        const double current = At(points, b * block)->y;
        if (yRising && current <= previous) return kStrBlocksNotRising;
        if (!yRising && current >= previous) return kStrBlocksNotFalling;
    }
    if (blockLength) *blockLength = static_cast<int>(block);
    return 0;
}

void DeletePoints(CPtrArray& points) {
    for (INT_PTR i = 0; i < points.GetSize(); ++i) delete static_cast<C3DDataPoint*>(points.GetAt(i));
    points.RemoveAll();
}

UINT BuildListsFromPoints(Grid& grid, CPtrArray& points) {
    int block = 0;
    if (const UINT id = CheckBlocks(points, &block)) {
        BuildPointsFromLists(grid, points, false);
        return id;
    }
    const size_t nx = static_cast<size_t>(block);
    const size_t ny = static_cast<size_t>(points.GetSize()) / nx;
    qv::tables::RequireMemoryFor(static_cast<std::uint64_t>(points.GetSize()), kBytesPerPoint);
    // Built aside and taken only when complete: running out of memory keeps the grid.
    Grid built;
    for (size_t i = 0; i < nx; ++i) built.Insert(Axis::X, i, At(points, static_cast<INT_PTR>(i))->x);
    for (size_t j = 0; j < ny; ++j) {
        built.Insert(Axis::Y, j, At(points, static_cast<INT_PTR>(j * nx))->y);
        for (size_t i = 0; i < nx; ++i) built.SetZ(i, j, At(points, static_cast<INT_PTR>(j * nx + i))->z);
    }
    grid = std::move(built);
    return 0;
}

UINT BuildPointsFromLists(const Grid& grid, CPtrArray& points, bool check) {
    if (check)
        if (const UINT id = CheckXYValues(grid)) return id;
    const size_t nx = grid.CountX();
    const size_t ny = grid.CountY();
    // The point list counts with int: a larger grid cannot be listed, as memory cannot hold it.
    if (nx * ny > static_cast<size_t>(std::numeric_limits<int>::max())) throw std::bad_alloc();
    // The point objects are reused, so that the old and the new list are never in memory
    // together: missing entries get a point and the list is grown (both taken back when memory
    // runs out, before any point has changed) or cut to the grid's size; then every point is set.
    const INT_PTR before = points.GetSize();
    const INT_PTR total = static_cast<INT_PTR>(nx * ny);
    std::vector<INT_PTR> filled;
    try {
        for (INT_PTR k = 0; k < std::min(before, total); ++k) {
            if (points.GetAt(k) != nullptr) continue;
            filled.push_back(k);
            points.SetAt(k, new C3DDataPoint());
        }
        while (points.GetSize() < total) {
            auto point = std::make_unique<C3DDataPoint>();
            points.Add(point.get());
            point.release();
        }
    } catch (...) {
        for (INT_PTR k = points.GetSize() - 1; k >= before; --k) delete static_cast<C3DDataPoint*>(points.GetAt(k));
        points.SetSize(before);
        for (const INT_PTR k : filled) {
            delete static_cast<C3DDataPoint*>(points.GetAt(k));
            points.SetAt(k, nullptr);
        }
        throw;
    }
    for (INT_PTR k = points.GetSize() - 1; k >= total; --k) delete static_cast<C3DDataPoint*>(points.GetAt(k));
    points.SetSize(total);
    for (INT_PTR k = 0; k < total; ++k) static_cast<C3DDataPoint*>(points.GetAt(k))->Set(C3DDataPoint());
    for (size_t j = 0; j < ny; ++j) {
        size_t next = j * nx;
        for (size_t i = 0; i < nx; ++i) {
            double z = 0.0;
            if (!grid.Z(i, j, &z)) continue;
            auto* point = static_cast<C3DDataPoint*>(points.GetAt(static_cast<INT_PTR>(next++)));
            point->x = grid.X(i);
            point->y = grid.Y(j);
            point->z = z;
        }
    }
    return 0;
}

} // namespace qv::lookup3d

namespace {
constexpr int kCtlStart = 1033;
constexpr int kCtlStep = 1034;
constexpr int kCtlCount = 1035;
constexpr int kCtlSet = 1036;
constexpr int kCtlAppend = 1037;

using qv::pages::ControlLayout;
constexpr ControlLayout kSweepLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 1030, .flags = 33}, {.id = 1031, .flags = 33}, {.id = 1032, .flags = 33},
    {.id = 1033, .flags = 35}, {.id = 1034, .flags = 35}, {.id = 1035, .flags = 35}, {.id = 1036, .flags = 9},
    {.id = 1037, .flags = 24}, {.id = 2, .flags = 10},
};
} // namespace

BEGIN_MESSAGE_MAP(CDlgSweepData, CTBDialog)
    ON_BN_CLICKED(kCtlSet, &CDlgSweepData::OnSet)
    ON_BN_CLICKED(kCtlAppend, &CDlgSweepData::OnAppend)
END_MESSAGE_MAP()

CDlgSweepData::CDlgSweepData(CWnd* parent) : CTBDialog(qv::lookup3d::kSweepTemplate, parent) {
    qv::pages::RegisterLayout(*this, kSweepLayout);
}

void CDlgSweepData::DoDataExchange(CDataExchange* pDX) {
    CTBDialog::DoDataExchange(pDX);
    DDX_Text(pDX, kCtlCount, m_strCount);
    DDX_Text(pDX, kCtlStart, m_strStart);
    DDX_Text(pDX, kCtlStep, m_strStep);
}

BOOL CDlgSweepData::OnInitDialog() {
    CTBDialog::OnInitDialog();
    return TRUE;
}

void CDlgSweepData::OnSet() {
    m_dwMode = 0;
    if (TextsAreNumbers()) OnOK();
}

void CDlgSweepData::OnAppend() {
    m_dwMode = 1;
    if (TextsAreNumbers()) OnOK();
}

bool CDlgSweepData::TextsAreNumbers() {
    // The sweep computes its values from the start and the step and counts them: a text that
    // is no such number is refused, and the dialog stays open, instead of being read as 0.
    UpdateData(TRUE);
    using qv::pages::NumberNeeded;
    if (!qv::pages::RefuseUnlessNumber(*this, kCtlStart, m_strStart, NumberNeeded::Number) ||
        !qv::pages::RefuseUnlessNumber(*this, kCtlStep, m_strStep, NumberNeeded::Number))
        return false;
    // The grid's own memory limit bounds the count, which may exceed a family's.
    double count = 0.0;
    if (qv::pages::ReadsAsNumber(m_strCount, NumberNeeded::Number, &count) && count >= 0.0 && std::trunc(count) == count)
        return true;
    return qv::pages::RefuseField(*this, kCtlCount) != FALSE;
}

void CDlgSweepData::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeClass(RUNTIME_CLASS(CDlgSweepData));
        ar << kDataClassVersion << m_strStart << m_strStep << m_strCount;
        return;
    }
    if (ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CDlgSweepData)) >= 1) {
        DWORD version = 0;
        ar >> version;
    }
    CString start, step, count;
    ar >> start >> step >> count;
    SetTexts(start, step, count);
}

bool CDlgSweepData::ApplyTo(qv::lookup3d::Grid& grid, qv::lookup3d::Axis axis) const {
    const double start = TBExtended_atof(m_strStart);
    const double step = TBExtended_atof(m_strStep);
    const int count = TBExtended_atoi(m_strCount);
    return grid.Sweep(axis, start, step, count, m_dwMode == 0);
}
