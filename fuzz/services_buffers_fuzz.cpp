// Feeds arbitrary bytes to the readers of wizards' stored blocks: point blocks (2D and 3D),
// three-column tables, archived snapshots and points, and the older base's snapshot data.
#include "framework/data_classes.h"
#include "framework/param_list.h"
#include "framework/table_writers.h"
#include "fuzz/input_bytes.h"
#include "wizard/wizard.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void DeletePoints(CPtrArray& points) {
    for (int i = 0; i < points.GetSize(); ++i) delete static_cast<CDataPoint*>(points.GetAt(i));
    points.RemoveAll();
}

void ReadBlocks(const BYTE* data, size_t size) {
    CPtrArray points;
    CString texts[6];
    const BYTE* cursor = data;
    size_t left = size;
    ReadDataPointsFromBuffer(&cursor, &left, &points, &texts[0], &texts[1], &texts[2], &texts[3]);
    DeletePoints(points);

    cursor = data;
    left = size;
    Read3DDataPointsFromBuffer(&cursor, &left, &points, &texts[0], &texts[1], &texts[2], &texts[3], &texts[4],
                               &texts[5]);
    DeletePoints(points);

    CDoubleColumn columns[3];
    CPtrArray columnList;
    for (auto& column : columns) columnList.Add(&column);
    CStringArray textsA;
    CStringArray textsB;
    textsA.SetSize(3);
    textsB.SetSize(3);
    cursor = data;
    left = size;
    ReadThreeColumnsFromBuffer(&cursor, &left, &columnList, &textsA, &textsB);
}

void ReadArchive(const BYTE* data, size_t size) {
    CCopaObjectCompare snapshot;
    CDataPoint point;
    C3DDataPoint point3;
    fuzzsetup::ReadArchive(std::vector<BYTE>(data, data + size), [&](CArchive& ar) {
        snapshot.Serialize(ar);
        point.Serialize(ar);
        point3.Serialize(ar);
    });
}

void ReadOlderBaseData(const BYTE* data, size_t size) {
    CWizardBase3 wizard;
    wizard.SetAdditionalWizardData(fuzzsetup::ExactCopy(data, size).release(), static_cast<DWORD>(size));
    CWizardSchematicDataExchange3 exchange;
    exchange.m_strModelText = "@PARAMLIST";
    BuildPinAssignmentList(&wizard, &exchange, nullptr);
    CPtrArray* snapshots = ReadSnapshotListFromWizardData(&wizard);
    for (int i = 0; i < snapshots->GetSize(); ++i) delete static_cast<CCopaObjectCompare*>(snapshots->GetAt(i));
    delete snapshots;
    ResetPlaceholdersAndGetModeWord(&wizard);
    g_PlaceholderList.DeleteAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    ReadBlocks(data, size);
    ReadArchive(data, size);
    ReadOlderBaseData(data, size);
    return 0;
}
