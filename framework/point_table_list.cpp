#include "framework/point_table_list.h"

namespace qv::pointtable {

namespace {
constexpr UINT kStrConstant = 8009;
constexpr UINT kStrNotRising = 8010;
constexpr UINT kStrNotFalling = 8011;
} // namespace

UINT CheckTableOrder(const CPtrArray& points) {
    if (points.GetSize() < 2) return 0;
    const double x0 = PointAt(points, 0)->x;
    const double x1 = PointAt(points, 1)->x;
    if (x1 == x0) return kStrConstant;
    const bool rising = x1 > x0;
    for (int i = 1; i < points.GetSize(); ++i) {
        const double previous = PointAt(points, i - 1)->x;
        const double x = PointAt(points, i)->x;
        if (rising && !(x > previous)) return kStrNotRising;
        if (!rising && !(x < previous)) return kStrNotFalling;
    }
    return 0;
}

bool IsNotRising(const CPtrArray& points) {
    for (int i = 1; i < points.GetSize(); ++i)
        if (!(PointAt(points, i)->x > PointAt(points, i - 1)->x)) return true;
    return false;
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

} // namespace qv::pointtable
