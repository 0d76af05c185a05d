#include "framework/table_writers.h"

#include "afx/user_script.h"
#include "editor/schematic_editor.h"
#include "framework/data_classes.h"
#include "framework/data_file_places.h"
#include "framework/module.h"
#include "win32/win32.h"
#include "services_support.h"
#include "toolkit/read_write_files.h"

#include "framework/path_parts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace services_test;

namespace {

class WritersTest : public ::testing::Test {
protected:
    void SetUp() override {
        qv::UserScript::Instance().Reset();
        qv::UserScript::Instance().SetFailureHandler([](const std::string& m) { ADD_FAILURE() << m; });
        root = fs::temp_directory_path() / ("parvel_writers_" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "docs");
        fs::create_directories(root / "out");
        docs = root.string() + "/docs/";
        out = root.string() + "/out/";
        g_DocumentDir = docs.c_str();
        g_CharacteristicSearchDirs.RemoveAll();
        g_ModelOutputDir.Empty();
        points.Add(new CDataPoint(1.0, 10.0));
        points.Add(new CDataPoint(2.0, 20.0));
    }
    void TearDown() override {
        for (int i = 0; i < points.GetSize(); ++i) delete static_cast<CDataPoint*>(points.GetAt(i));
        EXPECT_EQ(0u, qv::UserScript::Instance().Pending()) << qv::UserScript::Instance().DescribePending();
        qv::UserScript::Instance().SetFailureHandler(nullptr);
        g_DocumentDir.Empty();
        g_ModelOutputDir.Empty();
        fs::remove_all(root);
    }
    // The channels of a written file, channel by channel.
    std::vector<std::vector<double>> ReadBack(const std::string& path) {
        CReadAndWriteFiles file;
        EXPECT_TRUE(file.ReadInfoFile(path.c_str())) << path << ": " << static_cast<LPCTSTR>(file.GetLastError());
        std::vector<std::vector<double>> channels(static_cast<size_t>(file.GetNrChannels()));
        for (int c = 0; c < file.GetNrChannels(); ++c) {
            channels[c].resize(static_cast<size_t>(file.GetNrItems()));
            file.GetChannel(c)->SetSampleBuffer(channels[c].data(), file.GetNrItems());
        }
        EXPECT_TRUE(file.ReadDataFile());
        return channels;
    }
    fs::path root;
    std::string docs;
    std::string out;
    CPtrArray points;
};

TEST_F(WritersTest, BareNamesGoToTheFirstKnownFolder) {
    ASSERT_TRUE(WriteCharacteristicMdx("curve", &points, "x", "y", "V", "A"));
    const std::vector<std::vector<double>> expected = {{1.0, 2.0}, {10.0, 20.0}};
    EXPECT_EQ(expected, ReadBack(docs + "curve.mdx"));

    g_DocumentDir.Empty();
    g_CharacteristicSearchDirs.Add("");
    g_CharacteristicSearchDirs.Add(out.c_str());
    ASSERT_TRUE(WriteCharacteristicMdx("second.mdx", &points, "x", "y", "", ""));
    EXPECT_TRUE(fs::exists(out + "second.mdx"));

    g_CharacteristicSearchDirs.RemoveAll();
    g_ModelOutputDir = (root.string() + "/out").c_str();  // a folder without its separator
    ASSERT_TRUE(WriteCharacteristicMdx("third", &points, "x", "y", "", ""));
    EXPECT_TRUE(fs::exists(out + "third.mdx"));

    g_ModelOutputDir.Empty();
    EXPECT_FALSE(WriteCharacteristicMdx("nowhere", &points, "x", "y", "", ""));
    EXPECT_FALSE(WriteCharacteristicMdx(CString(), nullptr, "", "", "", ""));
}

TEST_F(WritersTest, ExtensionsAndRefusedNames) {
    const struct {
        const char* name;
        const char* file;
    } cases[] = {{"a.tbl", "a.tbl"}, {"b.long", "b.mdx"}, {"c.xy", "c.mdx"}, {"d", "d.mdx"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteCharacteristicMdx(c.name, &points, "x", "y", "", "")) << c.name;
        EXPECT_TRUE(fs::exists(docs + c.file)) << c.name;
    }
    EXPECT_FALSE(WriteCharacteristicMdx("st*r.mdx", &points, "x", "y", "", ""));
    EXPECT_FALSE(WriteCharacteristicMdx(".mdx", &points, "x", "y", "", ""));
    EXPECT_FALSE(fs::exists(docs + "st*r.mdx"));
}

TEST_F(WritersTest, ReadOnlyFormatsBecomeMdxAndOverlongNamesAreRefusedWhole) {
    const struct {
        const char* name;
        const char* file;
    } cases[] = {{"x.txt", "x.mdx"}, {"y.CSV", "y.mdx"}, {"z.Mdx", "z.Mdx"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteCharacteristicMdx(c.name, &points, "x", "y", "", "")) << c.name;
        EXPECT_TRUE(fs::exists(docs + c.file)) << c.name;
        EXPECT_TRUE(std::string(c.name) == c.file || !fs::exists(docs + c.name)) << c.name;
    }
    // A name the file system cannot hold fails; no file with a shortened name appears.
    const std::string longName(300, 'N');
    qv::UserScript::Instance().ExpectMessageBox(IDOK);
    EXPECT_FALSE(WriteCharacteristicMdx((longName + ".mdx").c_str(), &points, "x", "y", "", ""));
    for (const auto& entry : fs::directory_iterator(docs))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find("NNNN")) << entry.path();
}

TEST(PathParts, SplitAndJoinKeepEveryCharacter) {
    const std::string longName(400, 'n');
    const struct {
        std::string path, dir, name, ext;
    } cases[] = {
        {"/a/b/name.mdx", "/a/b/", "name", ".mdx"},
        {"name", "", "name", ""},
        {".hidden.mdx", "", ".hidden", ".mdx"},
        {"./dot.mdx", "./", "dot", ".mdx"},
        {"a\\b.c\\d", "a\\b.c\\", "d", ""},
        {"/x/" + longName + ".mdx", "/x/", longName, ".mdx"},
        {"/" + longName + "/" + longName + "." + longName, "/" + longName + "/", longName, "." + longName},
    };
    for (const auto& c : cases) {
        const PathParts parts = SplitPath(c.path.c_str());
        EXPECT_TRUE(parts.drive.IsEmpty());
        EXPECT_EQ(c.dir, std::string(parts.dir)) << c.path;
        EXPECT_EQ(c.name, std::string(parts.name)) << c.path;
        EXPECT_EQ(c.ext, std::string(parts.ext)) << c.path;
        EXPECT_EQ(c.path, std::string(JoinPath(parts))) << "joined again";
    }
    EXPECT_EQ("/a/b.mdx", std::string(JoinPath(PathParts{"", "/a", "b", "mdx"}))) << "separator and dot are added";
}

TEST(DataFileExtensions, OnlyWritableFourCharacterExtensionsStay) {
    const struct {
        const char* ext;
        bool writable;
    } cases[] = {{".mdx", true}, {".tbl", true}, {".MDX", true}, {".txt", false}, {".TXT", false}, {".csv", false},
                 {".Csv", false}, {"", false}, {".", false}, {".xy", false}, {".long", false}};
    for (const auto& c : cases) EXPECT_EQ(c.writable, IsWritableDataFileExtension(c.ext)) << c.ext;
}

TEST_F(WritersTest, ThreeChannelWriters) {
    CDoubleColumn columns[3];
    for (int i = 0; i < 5; ++i) columns[0].Add(i);
    for (int i = 0; i < 4; ++i) columns[1].Add(10 + i);
    for (int i = 0; i < 6; ++i) columns[2].Add(20 + i);
    CPtrArray table;
    CStringArray names;
    CStringArray units;
    for (int c = 0; c < 3; ++c) {
        table.Add(&columns[c]);
        names.Add(CString('n', c + 1));
        units.Add("");
    }
    ASSERT_TRUE(WriteTableMdx3("table", &table, &names, &units));
    const auto read = ReadBack(docs + "table.mdx");
    ASSERT_EQ(3u, read.size());
    EXPECT_EQ((std::vector<double>{20, 21, 22, 23}), read[2]);
    names.RemoveAt(2);
    EXPECT_FALSE(WriteTableMdx3("table", &table, &names, &units));

    CPtrArray points3;
    points3.Add(new C3DDataPoint(1.0, 2.0, 3.0));
    ASSERT_TRUE(WriteTableMdx3D("space", &points3, "x", "y", "z", "", "", ""));
    delete static_cast<C3DDataPoint*>(points3.GetAt(0));
    const std::vector<std::vector<double>> expected = {{1.0}, {3.0}, {2.0}};
    EXPECT_EQ(expected, ReadBack(docs + "space.mdx"));
}

TEST_F(WritersTest, FailuresShowTheFileErrorAndReportToTheEditor) {
    // The error text comes from the plug-in's string table: the plug-in is loaded by path so
    // that its start-up chooses its resources. The module globals are put back afterwards.
    const HINSTANCE savedModule = g_hModule;
    const HINSTANCE savedResources = g_hResourceModule;
    HMODULE plugin = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.so");
    ASSERT_NE(nullptr, plugin);
    struct Unload {
        HMODULE plugin;
        HINSTANCE module;
        HINSTANCE resources;
        ~Unload() {
            FreeLibrary(plugin);
            g_hModule = module;
            g_hResourceModule = resources;
        }
    } unload{plugin, savedModule, savedResources};

    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string& what) { ADD_FAILURE() << what; });
    auto owned = std::make_unique<ParamHolder>();
    ParamHolder* holder = owned.get();
    MakeParam(*holder, 1006, "CH_FILE", (root.string() + "/missing/x.mdx").c_str());
    MakeParam(*holder, 1007, "CH_OK", "ok.mdx");
    const DWORD element = editor.AddElement(std::move(owned));
    CWizardBase4 wizard;
    editor.Attach(wizard, element);
    editor.Document().SetPathName((docs + "doc.qsc").c_str());

    qv::UserScript::Instance().ExpectMessageBox(IDOK);
    WriteParamCharacteristicFile(holder, &wizard, 1006, &points, "x", "y", "", "");
    ASSERT_EQ(1u, editor.CountRequests(8));
    EXPECT_EQ("Error while writing <" + root.string() + "/missing/x.mdx>!", editor.Requests().back().text);

    WriteParamCharacteristicFile(holder, &wizard, 1007, &points, "x", "y", "", "");
    EXPECT_TRUE(fs::exists(docs + "ok.mdx"));
    WriteParamTableFile3(holder, &wizard, 1999, nullptr, nullptr, nullptr);
    ASSERT_EQ(2u, editor.CountRequests(8));
    EXPECT_EQ("Error while writing <>!", editor.Requests().back().text);
}

TEST_F(WritersTest, OlderBaseWritesTheCharacteristicsOfItsData) {
    CWizardBase3 wizard;
    CQuorvatixDocument document((docs + "doc.qsc").c_str(), "doc");
    wizard.SetDocument(&document);
    ParamHolder holder;
    MakeParam(holder, 1, "F1", "first");
    MakeParam(holder, 2, "F2", "second");
    Bytes data = Dwords({1, 2});
    for (const char* text : {"a", "", "c"}) AppendText(data, text);
    for (double y : {5.0, 6.0}) {
        Bytes block;
        Dword(block, 1);
        Double(block, 0.5);
        Double(block, y);
        Dword(data, static_cast<DWORD>(block.size()));
        data.insert(data.end(), block.begin(), block.end());
    }
    SetWizardData(wizard, data);
    WriteTwoCharacteristicFilesFromWizardData(&wizard, &holder, 1, 2);
    EXPECT_EQ((std::vector<std::vector<double>>{{0.5}, {6.0}}), ReadBack(docs + "second.mdx"));
    // A block that ends early writes nothing.
    fs::remove(docs + "first.mdx");
    data.resize(data.size() - 24);  // the second characteristic is missing
    SetWizardData(wizard, data);
    WriteCharacteristicFileFromWizardData(&wizard, &holder, 1);
    EXPECT_TRUE(fs::exists(docs + "first.mdx"));
    data.resize(44);  // the first block is cut short
    SetWizardData(wizard, data);
    fs::remove(docs + "first.mdx");
    WriteCharacteristicFileFromWizardData(&wizard, &holder, 1);
    EXPECT_FALSE(fs::exists(docs + "first.mdx"));
}

TEST(PointBlocks, ReadersCheckEveryCountAndLength) {
    CPtrArray points;
    points.Add(new CDataPoint(7.0, 8.0));
    CString label("old");

    // Only n: the old list stays, n is consumed.
    Bytes onlyCount;
    Dword(onlyCount, 3);
    const BYTE* cursor = onlyCount.data();
    size_t left = onlyCount.size();
    EXPECT_TRUE(ReadDataPointsFromBuffer(&cursor, &left, &points, &label, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, left);
    ASSERT_EQ(1, points.GetSize());

    // A count beyond the block, or a text longer than what remains: nothing changes.
    for (DWORD textLength : {0u, 0xFFFFFFFFu}) {
        Bytes bad;
        Dword(bad, textLength == 0 ? 0x40000000u : 1u);
        Double(bad, 1.0);
        Double(bad, 2.0);
        Dword(bad, textLength);
        cursor = bad.data();
        left = bad.size();
        EXPECT_FALSE(ReadDataPointsFromBuffer(&cursor, &left, &points, &label, nullptr, nullptr, nullptr));
        EXPECT_EQ(bad.data(), cursor);
        EXPECT_EQ(bad.size(), left);
        ASSERT_EQ(1, points.GetSize());
        EXPECT_EQ(7.0, static_cast<CDataPoint*>(points.GetAt(0))->x);
        EXPECT_EQ(CString("old"), label);
    }

    Bytes good;
    Dword(good, 2);
    for (double v : {1.0, 2.0, 3.0, 4.0}) Double(good, v);
    AppendText(good, "x");
    AppendText(good, "y");
    cursor = good.data();
    left = good.size();
    CString y;
    EXPECT_TRUE(ReadDataPointsFromBuffer(&cursor, &left, &points, &label, &y, nullptr, nullptr));
    ASSERT_EQ(2, points.GetSize());
    EXPECT_EQ(4.0, static_cast<CDataPoint*>(points.GetAt(1))->y);
    EXPECT_EQ(CString("x"), label);
    EXPECT_EQ(CString("y"), y);
    for (int i = 0; i < points.GetSize(); ++i) delete static_cast<CDataPoint*>(points.GetAt(i));
}

TEST(PointBlocks, ThreeDimensionalBlockRoundTrip) {
    CPtrArray points;
    points.Add(new C3DDataPoint(1.0, 2.0, 3.0));
    Bytes buffer(DataPoints3DBufferSize(&points, nullptr) + 2);
    BYTE* cursor = buffer.data();
    size_t left = buffer.size();
    ASSERT_TRUE(Write3DDataPointsToBuffer(&cursor, &left, &points, "a", "", "", "", "", "f"));
    EXPECT_EQ(0u, left);
    Bytes expected;
    Dword(expected, 1);
    for (double v : {1.0, 3.0, 2.0}) Double(expected, v);
    for (const char* t : {"a", "", "", "", "", "f"}) AppendText(expected, t);
    EXPECT_EQ(expected, buffer);
    left = 3;
    cursor = buffer.data();
    EXPECT_FALSE(Write3DDataPointsToBuffer(&cursor, &left, &points, "", "", "", "", "", ""));

    CPtrArray read;
    const BYTE* in = buffer.data();
    left = buffer.size();
    CString texts[6];
    ASSERT_TRUE(Read3DDataPointsFromBuffer(&in, &left, &read, &texts[0], &texts[1], &texts[2], &texts[3], &texts[4],
                                           &texts[5]));
    ASSERT_EQ(1, read.GetSize());
    const auto* point = static_cast<C3DDataPoint*>(read.GetAt(0));
    EXPECT_EQ(2.0, point->y);
    EXPECT_EQ(3.0, point->z);
    EXPECT_EQ(CString("f"), texts[5]);
    delete point;
    delete static_cast<C3DDataPoint*>(points.GetAt(0));
}

} // namespace
