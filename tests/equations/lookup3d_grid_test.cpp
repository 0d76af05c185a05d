// The 3D table's grid: the block check and the axis check on hand-made point lists, the two
// forms converted into each other (checked against a row-major reshape of the grid), the
// editing operations that keep every x in every y's map, sweeps with their bounds, and the
// sweep-data archive bytes.
#include "afx/archive.h"
#include "afx/file.h"
#include "equations/lookup_table_3d_grid.h"
#include "framework/data_classes.h"
#include "framework/table_writers.h"
#include "tests/support/archive_bytes.h"
#include "tests/support/sandbox.h"
#include "toolkit/read_write_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <string>
#include <vector>

using namespace qv::lookup3d;

namespace {

struct P {
    double x, y, z;
};

class Points {
public:
    explicit Points(const std::vector<P>& points) {
        for (const P& p : points) list.Add(new C3DDataPoint(p.x, p.y, p.z));
    }
    ~Points() { DeletePoints(list); }
    std::vector<P> Get() const {
        std::vector<P> out;
        for (INT_PTR i = 0; i < list.GetSize(); ++i) {
            const auto* p = static_cast<const C3DDataPoint*>(list.GetAt(i));
            out.push_back({p->x, p->y, p->z});
        }
        return out;
    }
    CPtrArray list;
};

bool operator==(const P& a, const P& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Grid order of x values xs under y values ys with z = 100 * j + i.
std::vector<P> GridOf(const std::vector<double>& xs, const std::vector<double>& ys) {
    std::vector<P> out;
    for (size_t j = 0; j < ys.size(); ++j)
        for (size_t i = 0; i < xs.size(); ++i) out.push_back({xs[i], ys[j], 100.0 * j + i});
    return out;
}

Grid MakeGrid(const std::vector<double>& xs, const std::vector<double>& ys) {
    Grid grid;
    for (double y : ys) grid.Insert(Axis::Y, grid.CountY(), y);
    for (double x : xs) grid.Insert(Axis::X, grid.CountX(), x);
    for (size_t j = 0; j < ys.size(); ++j)
        for (size_t i = 0; i < xs.size(); ++i) grid.SetZ(i, j, 100.0 * j + i);
    return grid;
}

double ZOf(const Grid& grid, size_t i, size_t j) {
    double z = -1;
    EXPECT_TRUE(grid.Z(i, j, &z)) << i << "," << j;
    return z;
}

TEST(Lookup3dGrid, CheckBlocksCases) {
    struct Case {
        const char* what;
        std::vector<P> points;
        UINT expected;
        int block;
    };
    const std::vector<Case> cases = {
        {"rising x over rising y", GridOf({1, 2, 3}, {10, 20}), 0, 3},
        {"falling x over falling y", GridOf({3, 2, 1}, {20, 10}), 0, 3},
        {"falling x over rising y", GridOf({3, 2, 1}, {10, 20, 30}), 0, 3},
        {"two by two", GridOf({1, 2}, {5, 6}), 0, 2},
        {"five points", {{1, 10, 0}, {2, 10, 0}, {3, 10, 0}, {1, 20, 0}, {2, 20, 0}}, kStrConstantX, 0},
        {"one y value", GridOf({1, 2, 3}, {10}), 0, 3},
        {"one x value", GridOf({1}, {10, 20}), 0, 1},
        {"one point", {{1, 1, 1}}, 0, 1},
        {"one x value, y not monotonic", GridOf({1}, {10, 20, 15}), kStrBlocksNotRising, 0},
        {"one block with a y change", {{1, 10, 0}, {2, 10, 0}, {3, 20, 0}}, kStrYBlockLength, 0},
        {"no point", {}, kStrNoBlock, 0},
        {"equal neighbours in the first block", {{1, 1, 0}, {2, 1, 0}, {2, 1, 0}, {1, 2, 0}}, kStrConstantX, 0},
        {"equal neighbours after the first block",
         {{1, 1, 0}, {2, 1, 0}, {1, 2, 0}, {1, 2, 0}}, kStrConstantX, 0},
        {"x not repeated", {{1, 10, 0}, {2, 10, 0}, {1, 20, 0}, {3, 20, 0}}, kStrXNotRepeated, 0},
        {"y change inside the first block",
         {{1, 10, 0}, {2, 15, 0}, {3, 10, 0}, {1, 20, 0}, {2, 20, 0}, {3, 20, 0}}, kStrYBlockLength, 0},
        {"all y equal", {{1, 10, 0}, {2, 10, 0}, {1, 10, 0}, {2, 10, 0}}, kStrYBlockLength, 0},
        {"another y in the second block",
         {{1, 10, 0}, {2, 10, 0}, {3, 10, 0}, {1, 20, 0}, {2, 25, 0}, {3, 20, 0}}, kStrConstantY, 0},
        {"y rising then falling", GridOf({1, 2}, {10, 20, 15}), kStrBlocksNotRising, 0},
        {"y falling then rising", GridOf({1, 2}, {20, 10, 15}), kStrBlocksNotFalling, 0},
        {"y falling then equal", {{1, 20, 0}, {2, 20, 0}, {1, 10, 0}, {2, 10, 0}, {1, 10, 0}, {2, 10, 0}},
         kStrBlocksNotFalling, 0},
    };
    for (const Case& c : cases) {
        Points points(c.points);
        int block = -7;
        EXPECT_EQ(c.expected, CheckBlocks(points.list, &block)) << c.what;
        EXPECT_EQ(c.expected == 0 ? c.block : -7, block) << c.what;
    }
}

TEST(Lookup3dGrid, CheckBlocksMissingPoint) {
    for (INT_PTR missing : {0, 1, 3}) {
        Points points(GridOf({1, 2}, {10, 20}));
        delete static_cast<C3DDataPoint*>(points.list[missing]);
        points.list[missing] = nullptr;
        int block = 0;
        EXPECT_EQ(kStrInternal, CheckBlocks(points.list, &block)) << missing;
    }
}

TEST(Lookup3dGrid, CheckXYValuesCases) {
    struct Case {
        std::vector<double> xs, ys;
        UINT expected;
    };
    const std::vector<Case> cases = {
        {{}, {}, 0},
        {{5}, {5}, 0},
        {{1, 2, 3}, {3, 2, 1}, 0},
        {{1, 1}, {1, 2}, kStrConstantX},
        {{1, 2, 2}, {1, 2}, kStrXNotRising},
        {{3, 2, 2}, {1, 2}, kStrXNotFalling},
        {{3, 2, 4}, {1, 2}, kStrXNotFalling},
        {{1, 2}, {7, 7}, kStrConstantY},
        {{1, 2}, {1, 2, 0}, kStrYNotRising},
        {{1, 2}, {3, 2, 2}, kStrYNotFalling},
        // The x list is checked first.
        {{1, 1}, {7, 7}, kStrConstantX},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, CheckXYValues(MakeGrid(c.xs, c.ys)));
}

TEST(Lookup3dGrid, ListsFromPointsAndBack) {
    Points points(GridOf({1, 2, 3}, {10, 20}));
    Grid grid;
    ASSERT_EQ(0u, BuildListsFromPoints(grid, points.list));
    ASSERT_EQ(3u, grid.CountX());
    ASSERT_EQ(2u, grid.CountY());
    EXPECT_EQ(2, grid.X(1));
    EXPECT_EQ(20, grid.Y(1));
    EXPECT_EQ(102, ZOf(grid, 2, 1));
    // The list rebuilt keeps its point objects; an entry without one gets one.
    Points rebuilt({{9, 9, 9}});
    rebuilt.list.Add(nullptr);
    ASSERT_EQ(0u, BuildPointsFromLists(grid, rebuilt.list, true));
    EXPECT_EQ(points.Get(), rebuilt.Get());
}

// A failed check keeps the lists and rebuilds the points from them.
TEST(Lookup3dGrid, FailedCheckKeepsTheLists) {
    Grid grid = MakeGrid({1, 2}, {5, 6});
    Points bad({{1, 10, 0}, {2, 10, 0}, {1, 20, 0}, {3, 20, 0}});
    EXPECT_EQ(kStrXNotRepeated, BuildListsFromPoints(grid, bad.list));
    EXPECT_EQ(2u, grid.CountX());
    EXPECT_EQ(GridOf({1, 2}, {5, 6}), bad.Get());
}

// A failed x/y check keeps the points.
TEST(Lookup3dGrid, FailedAxisCheckKeepsThePoints) {
    Grid grid = MakeGrid({1, 1}, {5, 6});
    Points points(GridOf({7, 8}, {1, 2}));
    EXPECT_EQ(kStrConstantX, BuildPointsFromLists(grid, points.list, true));
    EXPECT_EQ(GridOf({7, 8}, {1, 2}), points.Get());
    // Without the check the equal values pass through as two keys with their own z.
    EXPECT_EQ(0u, BuildPointsFromLists(grid, points.list, false));
    EXPECT_EQ(GridOf({1, 1}, {5, 6}), points.Get());
}

// The grid has no count limit of its own: 20,001 x values under two y values go both ways.
TEST(Lookup3dGrid, WideGridBuildsBothWays) {
    std::vector<P> wide;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i <= 20000; ++i) wide.push_back({double(i), double(j), i + 0.5 * j});
    Points points(wide);
    Grid grid = MakeGrid({1, 2}, {5, 6});
    ASSERT_EQ(0u, BuildListsFromPoints(grid, points.list));
    EXPECT_EQ(20001u, grid.CountX());
    EXPECT_EQ(20000.5, ZOf(grid, 20000, 1));
    Points rebuilt({{9, 9, 9}});
    ASSERT_EQ(0u, BuildPointsFromLists(grid, rebuilt.list, true));
    EXPECT_EQ(wide, rebuilt.Get());
}

TEST(Lookup3dGrid, MissingZLeavesZeroPointsAtTheBlockEnd) {
    Grid grid = MakeGrid({1, 2, 3}, {10, 20});
    grid.EraseZ(0, 1);
    Points points({});
    ASSERT_EQ(0u, BuildPointsFromLists(grid, points.list, true));
    const std::vector<P> expected = {{1, 10, 0}, {2, 10, 1}, {3, 10, 2}, {2, 20, 101}, {3, 20, 102}, {0, 0, 0}};
    EXPECT_EQ(expected, points.Get());
}

// Grid -> points -> lists -> points on random monotonic axes, against the row-major reshape
// of a (ny, nx) array: the point at j * nx + i is (x[i], y[j], z[j][i]).
TEST(Lookup3dGrid, RoundTripsMatchTheReshape) {
    std::mt19937 random(31);
    for (int round = 0; round < 200; ++round) {
        const size_t nx = 2 + random() % 6;
        const size_t ny = 2 + random() % 6;
        const bool xRising = random() % 2, yRising = random() % 2;
        std::vector<double> xs, ys;
        double v = static_cast<double>(random() % 100) - 50;
        for (size_t i = 0; i < nx; ++i) xs.push_back(v += (xRising ? 1 : -1) * (0.5 + random() % 5));
        v = static_cast<double>(random() % 100) - 50;
        for (size_t j = 0; j < ny; ++j) ys.push_back(v += (yRising ? 1 : -1) * (0.25 + random() % 3));
        std::vector<std::vector<double>> z(ny, std::vector<double>(nx));
        Grid grid = MakeGrid(xs, ys);
        for (size_t j = 0; j < ny; ++j)
            for (size_t i = 0; i < nx; ++i) grid.SetZ(i, j, z[j][i] = std::ldexp(double(random() % 1000), -3));
        Points points({});
        ASSERT_EQ(0u, BuildPointsFromLists(grid, points.list, true));
        const std::vector<P> got = points.Get();
        ASSERT_EQ(nx * ny, got.size());
        for (size_t k = 0; k < got.size(); ++k) {
            const size_t j = k / nx, i = k % nx;
            EXPECT_EQ((P{xs[i], ys[j], z[j][i]}), got[k]) << round << " " << k;
        }
        Grid back;
        ASSERT_EQ(0u, BuildListsFromPoints(back, points.list)) << round;
        ASSERT_EQ(nx, back.CountX());
        ASSERT_EQ(ny, back.CountY());
        for (size_t j = 0; j < ny; ++j)
            for (size_t i = 0; i < nx; ++i) EXPECT_EQ(z[j][i], ZOf(back, i, j));
        Points again({});
        BuildPointsFromLists(back, again.list, true);
        EXPECT_EQ(got, again.Get());
    }
}

// Grid -> points -> data file against numpy's row-major reshape of the (ny, nx) arrays
// (tests/equations/lookup3d_reshape_oracle.py); the file read back gives the same lists.
TEST(Lookup3dGrid, FileOrderMatchesTheNumpyReshape) {
    std::mt19937 random(103);
    struct Sample {
        std::vector<double> xs, ys, z;
    };
    std::vector<Sample> samples;
    const std::string input = qv_test::TempFolder() + "/lookup3d_oracle_in.txt";
    {
        std::ofstream out(input);
        out.precision(17);
        for (int round = 0; round < 30; ++round) {
            Sample s;
            const size_t nx = 2 + random() % 7, ny = 2 + random() % 7;
            double v = -3;
            for (size_t i = 0; i < nx; ++i) s.xs.push_back(v += 0.1 + (random() % 100) / 7.0);
            v = 100;
            for (size_t j = 0; j < ny; ++j) s.ys.push_back(v -= 0.3 + (random() % 50) / 3.0);
            for (size_t k = 0; k < nx * ny; ++k) s.z.push_back(std::ldexp(double(random() % 100000) - 50000, -7));
            out << nx << ' ' << ny << '\n';
            for (double x : s.xs) out << x << ' ';
            out << '\n';
            for (double y : s.ys) out << y << ' ';
            out << '\n';
            for (double z : s.z) out << z << ' ';
            out << '\n';
            samples.push_back(s);
        }
    }
    // Debian's interpreter, with Debian's numpy (scripts/install-deps installs both).
    const std::string command = std::string("/usr/bin/python3 '") + LOOKUP3D_ORACLE + "' '" + input + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(nullptr, pipe);
    std::vector<std::vector<P>> oracle;
    char word[64] = {0};
    double a = 0, b = 0, c = 0;
    while (std::fscanf(pipe, "%63s", word) == 1) {
        if (std::string(word) == "grid") {
            oracle.emplace_back();
            continue;
        }
        a = std::strtod(word, nullptr);
        ASSERT_EQ(2, std::fscanf(pipe, "%lf %lf", &b, &c));
        oracle.back().push_back({a, c, b});
    }
    ASSERT_EQ(0, pclose(pipe)) << "the oracle needs python3 with numpy (scripts/install-deps installs it)";
    ASSERT_EQ(samples.size(), oracle.size());
    for (size_t n = 0; n < samples.size(); ++n) {
        const Sample& s = samples[n];
        Grid grid = MakeGrid(s.xs, s.ys);
        for (size_t j = 0; j < s.ys.size(); ++j)
            for (size_t i = 0; i < s.xs.size(); ++i) grid.SetZ(i, j, s.z[j * s.xs.size() + i]);
        Points points({});
        ASSERT_EQ(0u, BuildPointsFromLists(grid, points.list, true));
        EXPECT_EQ(oracle[n], points.Get()) << n;
        const std::string file = qv_test::TempFolder() + "/lookup3d_oracle.mdx";
        ASSERT_TRUE(WriteTableMdx3D(file.c_str(), &points.list, "", "", "", "", "", ""));
        CReadAndWriteFiles reader;
        ASSERT_TRUE(reader.ReadInfoFile(file.c_str()));
        const int items = reader.GetNrItems();
        ASSERT_EQ(static_cast<int>(oracle[n].size()), items);
        std::vector<double> channels[3];
        for (int ch = 0; ch < 3; ++ch) {
            channels[ch].resize(static_cast<size_t>(items));
            reader.GetChannel(ch)->SetSampleBuffer(channels[ch].data(), items);
        }
        ASSERT_TRUE(reader.ReadDataFile());
        Points read({});
        for (int k = 0; k < items; ++k) {
            const size_t u = static_cast<size_t>(k);
            read.list.Add(new C3DDataPoint(channels[0][u], channels[2][u], channels[1][u]));
        }
        EXPECT_EQ(oracle[n], read.Get()) << n;
        Grid back;
        ASSERT_EQ(0u, BuildListsFromPoints(back, read.list)) << n;
        ASSERT_EQ(s.xs.size(), back.CountX());
        for (size_t i = 0; i < s.xs.size(); ++i) EXPECT_EQ(s.xs[i], back.X(i));
        for (size_t j = 0; j < s.ys.size(); ++j) EXPECT_EQ(s.ys[j], back.Y(j));
        std::filesystem::remove(file);
    }
    std::filesystem::remove(input);
}

TEST(Lookup3dGrid, EditingKeepsEveryXInEveryMap) {
    Grid grid = MakeGrid({1, 2, 3}, {10, 20});
    // A new x gets z 0 under every y.
    grid.Insert(Axis::X, 1, 1.5);
    EXPECT_EQ(0, ZOf(grid, 1, 0));
    EXPECT_EQ(0, ZOf(grid, 1, 1));
    EXPECT_EQ(101, ZOf(grid, 2, 1));
    // A new y gets z 0 for every x.
    grid.Insert(Axis::Y, 99, 30);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(0, ZOf(grid, i, 2));
    // Moving an x keeps its z; editing its number too.
    ASSERT_TRUE(grid.Move(Axis::X, 3, -1));
    EXPECT_EQ(3, grid.X(2));
    EXPECT_EQ(102, ZOf(grid, 2, 1));
    grid.SetX(2, 2.5);
    EXPECT_EQ(102, ZOf(grid, 2, 1));
    EXPECT_FALSE(grid.Move(Axis::X, 0, -1));
    EXPECT_FALSE(grid.Move(Axis::X, 3, 1));
    // Deleting a y drops its z; deleting an x drops it from every map.
    ASSERT_TRUE(grid.Erase(Axis::Y, 0));
    EXPECT_EQ(20, grid.Y(0));
    EXPECT_EQ(100, ZOf(grid, 0, 0));
    ASSERT_TRUE(grid.Erase(Axis::X, 0));
    EXPECT_EQ(1.5, grid.X(0));
    EXPECT_FALSE(grid.Erase(Axis::X, 3));
    Points points({});
    EXPECT_EQ(kStrXNotRising, BuildPointsFromLists(grid, points.list, true));
    ASSERT_EQ(0u, BuildPointsFromLists(grid, points.list, false));
    const std::vector<P> expected = {{1.5, 20, 0}, {2.5, 20, 102}, {2, 20, 101}, {1.5, 30, 0}, {2.5, 30, 0}, {2, 30, 0}};
    EXPECT_EQ(expected, points.Get());
    // Two equal x values stay two keys with their own z.
    Grid twins = MakeGrid({4, 4}, {1});
    EXPECT_EQ(0, ZOf(twins, 0, 0));
    EXPECT_EQ(1, ZOf(twins, 1, 0));
}

TEST(Lookup3dGrid, Sweeps) {
    struct Case {
        const char* what;
        std::vector<double> before;
        double start, step;
        long long count;
        bool replace;
        bool ok;
        std::vector<double> after;
    };
    const std::vector<Case> cases = {
        {"set 0 1 10", {7, 8}, 0, 1, 10, true, true, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"append", {7, 8}, 9, -0.5, 3, false, true, {7, 8, 9, 8.5, 8}},
        {"count 0 keeps the axis", {7, 8}, 0, 1, 0, true, true, {7, 8}},
        {"negative count", {7}, 0, 1, -5, false, true, {7}},
        {"more than 10,000 values", {7}, 0, 1, 20000, false, true, {}},
        {"overflowing values", {7}, 1e308, 1e308, 3, true, false, {7}},
    };
    for (const Case& c : cases) {
        Grid grid = MakeGrid(c.before, {1, 2});
        EXPECT_EQ(c.ok, grid.Sweep(Axis::X, c.start, c.step, c.count, c.replace)) << c.what;
        if (c.after.empty() && c.ok) {
            ASSERT_EQ(20001u, grid.CountX()) << c.what;
            EXPECT_EQ(19999, grid.X(20000)) << c.what;
            EXPECT_TRUE(grid.Z(20000, 1, nullptr)) << c.what;
            continue;
        }
        ASSERT_EQ(c.after.size(), grid.CountX()) << c.what;
        for (size_t i = 0; i < c.after.size(); ++i) {
            EXPECT_EQ(c.after[i], grid.X(i)) << c.what;
            EXPECT_TRUE(grid.Z(i, 1, nullptr)) << c.what;
        }
    }
    // Only memory bounds a sweep: one that cannot fit is refused before anything is made, and
    // the axis stays, also for "Set".
    for (const bool replace : {true, false}) {
        Grid grid = MakeGrid({7, 8}, {1});
        EXPECT_THROW(grid.Sweep(Axis::X, 0, 1, 2000000000, replace), std::bad_alloc) << replace;
        ASSERT_EQ(2u, grid.CountX()) << replace;
        EXPECT_EQ(8, grid.X(1)) << replace;
        EXPECT_EQ(1, ZOf(grid, 1, 0)) << replace;
    }
}

using qv_test::Bytes;
using qv_test::Dword;
using qv_test::NewClass;
using qv_test::Str;
using qv_test::Stored;

TEST(Lookup3dSweepData, DefaultsAndApply) {
    CDlgSweepData dialog;
    EXPECT_EQ(CString("0"), dialog.GetStart());
    EXPECT_EQ(CString("1"), dialog.GetStep());
    EXPECT_EQ(CString("10"), dialog.GetCount());
    std::vector<std::pair<WORD, WORD>> layout;
    for (const qv::TBControlInfo& info : dialog.GetControlInfos()) layout.emplace_back(info.id, info.flags);
    EXPECT_EQ((std::vector<std::pair<WORD, WORD>>{{2072, 15}, {1030, 33}, {1031, 33}, {1032, 33}, {1033, 35},
                                                  {1034, 35}, {1035, 35}, {1036, 9}, {1037, 24}, {2, 10}}),
              layout);
    Grid grid = MakeGrid({5}, {1});
    ASSERT_TRUE(dialog.ApplyTo(grid, Axis::X));
    ASSERT_EQ(10u, grid.CountX());
    EXPECT_EQ(9, grid.X(9));
    dialog.SetTexts("1k", "x", "2");
    ASSERT_TRUE(dialog.ApplyTo(grid, Axis::Y));
    ASSERT_EQ(2u, grid.CountY());
    EXPECT_EQ(1000, grid.Y(1));
}

TEST(Lookup3dSweepData, ArchiveBytesAndRoundTrip) {
    CDlgSweepData dialog;
    dialog.SetTexts("-2.5", "abc", "");
    const Bytes bytes = Stored([&](CArchive& ar) { dialog.Serialize(ar); });
    Bytes expected;
    NewClass(expected, "CDlgSweepData");
    Dword(expected, 10);
    Str(expected, "-2.5");
    Str(expected, "abc");
    Str(expected, "");
    EXPECT_EQ(expected, bytes);

    struct Case {
        const char* what;
        Bytes data;
    };
    Bytes bare;
    Str(bare, "-2.5");
    Str(bare, "abc");
    Str(bare, "");
    for (const Case& c : {Case{"with class record", bytes}, Case{"without class record", bare}}) {
        CDlgSweepData loaded;
        Bytes copy = c.data;
        CMemFile in(copy.data(), static_cast<UINT>(copy.size()));
        CArchive ar(&in, CArchive::load);
        loaded.Serialize(ar);
        EXPECT_EQ(CString("-2.5"), loaded.GetStart()) << c.what;
        EXPECT_EQ(CString("abc"), loaded.GetStep()) << c.what;
        EXPECT_EQ(CString(""), loaded.GetCount()) << c.what;
    }
}

} // namespace
