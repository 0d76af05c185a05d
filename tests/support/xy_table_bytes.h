// The characteristic table's archive stream, built byte by byte for golden archives and
// older data, and a table given the state of such a stream.
#pragma once

#include "framework/xy_table.h"
#include "tests/support/archive_bytes.h"

#include <gtest/gtest.h>

namespace qv_test {

struct Point {
    double x;
    double y;
};

// The table's stream up to and including its points, in any version and with a reference
// text. As the first thing of an archive its class gets index 1 and the point class index 2;
// later in the same archive both are back-references.
inline Bytes TableRecordHead(DWORD version, DWORD kind, const std::string& reference, const std::string& file,
                             DWORD writeFile, const std::vector<Point>& points, bool firstInArchive = true) {
    Bytes out;
    if (firstInArchive)
        NewClass(out, "CPropCharacteristicXYTable");
    else
        Word(out, 0x8001);
    Dword(out, version);
    Dword(out, kind);
    Str(out, reference);
    Str(out, file);
    Dword(out, writeFile);
    Dword(out, static_cast<DWORD>(points.size()));
    for (size_t i = 0; i < points.size(); ++i) {
        if (i == 0 && firstInArchive)
            NewClass(out, "CDataPoint");
        else
            Word(out, 0x8002);
        Dword(out, 10);
        Double(out, points[i].x);
        Double(out, points[i].y);
    }
    return out;
}

// The table's whole stream (version 10, no reference text), with its table source and variable.
inline Bytes TableBytes(DWORD kind, const std::string& file, DWORD writeFile, const std::vector<Point>& points,
                          DWORD source, const std::string& variable, bool firstInArchive = true) {
    Bytes out = TableRecordHead(10, kind, "", file, writeFile, points, firstInArchive);
    Dword(out, source);
    Str(out, variable);
    return out;
}

// Points and their texts as older element data keeps them: DWORD n, each point as double x,
// then double y, and each text as DWORD length and its characters.
inline Bytes OlderPointBlock(const std::vector<Point>& points, const std::vector<std::string>& texts) {
    Bytes out;
    Dword(out, static_cast<DWORD>(points.size()));
    for (const Point& p : points) {
        Double(out, p.x);
        Double(out, p.y);
    }
    for (const std::string& text : texts) OldText(out, text);
    return out;
}

// Gives a table the state of a stream, as owners take over saved data.
inline void LoadTable(CPropCharacteristicXYTable& table, const Bytes& bytes) {
    table.SetData(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_TRUE(table.LoadFromData());
    table.SetData(nullptr, 0);
}

} // namespace qv_test
