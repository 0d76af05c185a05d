#include "framework/point_table_list.h"

#include "framework/byte_cursor.h"
#include "framework/data_file_places.h"
#include "framework/module.h"
#include "framework/param_access.h"
#include "framework/snapshot_lists.h"
#include "framework/string_ids.h"
#include "toolkit/read_write_files.h"
#include "toolkit/tb_numbers.h"
#include "win32/paths.h"

#include <memory>
#include <new>
#include <vector>

namespace qv::pointtable {

namespace {
using namespace qv::strings;
constexpr char kOnlyTwoChannels[] = "Only 2 channels allowed!";
} // namespace

UINT CheckTableOrder(const CPtrArray& points) {
    if (points.GetSize() < 2) return 0;
    const double x0 = PointAt(points, 0)->x;
    const double x1 = PointAt(points, 1)->x;
    if (x1 == x0) return kStrConstantX;
    const bool rising = x1 > x0;
    for (int i = 1; i < points.GetSize(); ++i) {
        const double previous = PointAt(points, i - 1)->x;
        const double x = PointAt(points, i)->x;
        if (rising && !(x > previous)) return kStrXNotRising;
        if (!rising && !(x < previous)) return kStrXNotFalling;
    }
    return 0;
}

namespace {
// Whether the point at `row` is there and its x does not rise above the one before.
bool NotRisingAt(const CPtrArray& points, int row) {
    const CDataPoint* before = PointAt(points, row - 1);
    const CDataPoint* point = PointAt(points, row);
    return before != nullptr && point != nullptr && !(point->x > before->x);
}
} // namespace

CString ColumnUnitOfLabel(const CString& label) {
    const int open = label.ReverseFind('[');
    const int close = label.ReverseFind(']');
    if (open < 0 || close < open) return NumberCellUnit("", "");
    CString unit = label.Mid(open + 1, close - open - 1);
    unit.Trim();
    return NumberCellUnit("", unit);
}

bool IsNotRising(const CPtrArray& points) {
    for (int i = 1; i < points.GetSize(); ++i)
        if (NotRisingAt(points, i)) return true;
    return false;
}

void RisingCheck::Recount(const CPtrArray& points) {
    m_notRising = 0;
    for (int i = 1; i < points.GetSize(); ++i) m_notRising += NotRisingAt(points, i) ? 1 : 0;
    m_countedRows = points.GetSize();
}

int RisingCheck::NotRisingAround(const CPtrArray& points, int row) {
    return (NotRisingAt(points, row) ? 1 : 0) + (NotRisingAt(points, row + 1) ? 1 : 0);
}

void RisingCheck::BeforeRowChange(const CPtrArray& points, int row) {
    // A table changed since the last count is counted whole after the edit.
    if (m_countedRows != points.GetSize()) {
        m_countedRows = -1;
        return;
    }
    m_notRising -= NotRisingAround(points, row);
}

void RisingCheck::AfterRowChange(const CPtrArray& points, int row) {
    // The edit may append the row, and change the length by nothing else.
    const INT_PTR length = points.GetSize();
    if (m_countedRows < 0 || (length != m_countedRows && length != m_countedRows + 1)) {
        Recount(points);
        return;
    }
    m_notRising += NotRisingAround(points, row);
    m_countedRows = length;
    if (m_notRising < 0) Recount(points);
}

void DeletePoints(CPtrArray& points) {
    for (int i = 0; i < points.GetSize(); ++i) delete static_cast<CDataPoint*>(points[i]);
    points.RemoveAll();
}

void DeleteSnapshots(CPtrArray& snapshots) {
    for (int i = 0; i < snapshots.GetSize(); ++i) delete static_cast<CCopaObjectCompare*>(snapshots[i]);
    snapshots.RemoveAll();
}

void CopyPoints(CPtrArray& to, const CPtrArray& from) {
    while (to.GetSize() > from.GetSize()) {
        delete static_cast<CDataPoint*>(to[to.GetUpperBound()]);
        to.RemoveAt(to.GetUpperBound());
    }
    while (to.GetSize() < from.GetSize()) to.Add(new CDataPoint);
    for (int i = 0; i < from.GetSize(); ++i) {
        PointAt(to, i)->SetX(PointAt(from, i)->x);
        PointAt(to, i)->SetY(PointAt(from, i)->y);
    }
}

void CopySnapshots(CPtrArray& to, const CPtrArray& from) {
    DeleteSnapshots(to);
    for (int i = 0; i < from.GetSize(); ++i)
        to.Add(new CCopaObjectCompare(*static_cast<const CCopaObjectCompare*>(from[i])));
}

void SplitAxisText(const CString& text, CString& name, CString& unit) {
    const int open = text.Find('[');
    if (open < 0) {
        name = text;
        unit.Empty();
        return;
    }
    name = text.Left(open);
    unit = text.Mid(open + 1);
    const int close = unit.Find(']');
    if (close >= 0) unit = unit.Left(close);
}

CString AxisText(const CExImPortChannel* channel) {
    const CString name = channel->GetChannelName();
    const CString unit = channel->GetUnitName();
    if (unit.IsEmpty()) return name;
    if (name.IsEmpty()) return unit;
    return name + "[" + unit + "]";
}

bool TakeOldFlag(CWizardCopaObject3* param, BOOL& on) {
    if (param == nullptr) return false;
    const int value = TBExtended_atoi(param->GetValue());
    if (value < 0) return false;
    on = value != 0 ? TRUE : FALSE;
    param->SetValue("-1");
    return true;
}

bool ReadChannelColumns(CReadAndWriteFiles& reader, int n, std::span<std::vector<double>> columns) {
    if (n < 0) return false;
    for (size_t c = 0; c < columns.size(); ++c) {
        columns[c].assign(static_cast<size_t>(n) + 1, 0.0);
        reader.GetChannel(static_cast<int>(c))->SetSampleBuffer(columns[c].data(), n);
    }
    const BOOL read = reader.ReadDataFile();
    // The buffers are the caller's: the channels let go of them before they go.
    for (size_t c = 0; c < columns.size(); ++c) reader.GetChannel(static_cast<int>(c))->SetSampleBuffer(nullptr, 0);
    return read != FALSE;
}

bool ReadPointChannels(CReadAndWriteFiles& reader, int n, CPtrArray& points) {
    std::vector<double> columns[2];
    if (!ReadChannelColumns(reader, n, columns)) return false;
    CPtrArray read_points;
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) read_points.Add(new CDataPoint(columns[0][i], columns[1][i]));
    CopyPoints(points, read_points);
    DeletePoints(read_points);
    return true;
}

ReadResult ReadTwoChannels(const CString& path, int interactive, CPtrArray& points, CReadAndWriteFiles& reader) {
    if (!reader.ReadInfoFile(path, "", -1, nullptr, nullptr, interactive, 0, 2)) return ReadResult::Failed;
    if (reader.GetNrChannels() != 2) return ReadResult::WrongChannels;
    const int n = reader.GetNrItems();
    if (n < 0) return ReadResult::TooLarge;
    try {
        return ReadPointChannels(reader, n, points) ? ReadResult::Ok : ReadResult::Failed;
    } catch (const std::bad_alloc&) {
        return ReadResult::TooLarge;
    }
}

void ReadArchivedPoints(CArchive& ar, DWORD count, CPtrArray& points) {
    for (DWORD i = 0; i < count; ++i) {
        auto point = std::make_unique<CDataPoint>();
        point->Serialize(ar);
        points.Add(point.release());
    }
}

CString ImportFailureText(ReadResult result, const CReadAndWriteFiles& reader) {
    switch (result) {
    case ReadResult::WrongChannels: return kOnlyTwoChannels;
    case ReadResult::TooLarge: return LoadLibraryString(qv::strings::kStrInvalidValue);
    case ReadResult::Failed:
        return reader.GetLastErrorNumber() != CReadAndWriteFiles::errCancelled ? reader.GetLastError() : CString();
    case ReadResult::Ok: break;
    }
    return CString();
}

bool WriteTwoChannels(const CString& path, int format, const CPtrArray& points, const CString& xName,
                      const CString& xUnit, const CString& yName, const CString& yUnit, CString& error) {
    const int n = points.GetSize();
    std::vector<double> xs(static_cast<size_t>(n) + 1), ys(static_cast<size_t>(n) + 1);
    for (int i = 0; i < n; ++i) {
        xs[static_cast<size_t>(i)] = PointAt(points, i)->x;
        ys[static_cast<size_t>(i)] = PointAt(points, i)->y;
    }
    CReadAndWriteFiles writer;
    writer.SetNrChannels(2);
    writer.SetNrItems(n);
    writer.InsertChannel(0, xs.data(), xName, xUnit);
    writer.InsertChannel(1, ys.data(), yName, yUnit);
    if (writer.WriteFile(path, "", format, nullptr, nullptr, 0, 0)) return true;
    error = writer.GetLastError();
    return false;
}

bool Read4xPoints(const BYTE* data, size_t length, CPtrArray& points) {
    constexpr size_t kPointsAt = 52;
    if (data == nullptr || length < kPointsAt + 4) return false;
    auto word = [&](size_t at, size_t& out) {
        if (at > length || length - at < 2) return false;
        out = static_cast<size_t>(data[at]) | (static_cast<size_t>(data[at + 1]) << 8);
        return true;
    };
    qv::bytes::Reader in(data + kPointsAt, length - kPointsAt);
    DWORD n = 0;
    in.ReadDword(n);
    size_t a = 0, b = 0;
    if (!word(56, a) || !word(58 + a, b)) return false;
    const size_t at = 60 + a + b;
    if (at > length || static_cast<uint64_t>(n) * 16 > length - at) return false;
    qv::bytes::Reader pairs(data + at, length - at);
    for (DWORD i = 0; i < n; ++i) {
        double x = 0, y = 0;
        pairs.ReadDouble(x);
        pairs.ReadDouble(y);
        points.Add(new CDataPoint(x, y));
    }
    return true;
}

void LoadPointsAndSnapshots(CArchive& ar, CPtrArray& points, CPtrArray& snapshots) {
    DeletePoints(points);
    DeleteSnapshots(snapshots);
    DWORD count = 0;
    ar >> count;
    ReadArchivedPoints(ar, count, points);
    qv::snapshots::LoadSnapshots(ar, snapshots);
}

bool FindNamedDataFile(const CWizardBaseCommon* wizard, ParamHolder* holder, CString& path) {
    CString fileName;
    if (!GetParamValue(holder, kIdFileName, &fileName)) return false;
    BuildCharacteristicSearchDirs(wizard);
    CString folder;
    MakeCharacteristicPathRelative(folder, fileName);
    path = folder + fileName;
    return _access(path, 0) == 0 && CReadAndWriteFiles::MayFind(path);
}

} // namespace qv::pointtable
