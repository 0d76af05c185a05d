// Shared set-up of the characteristic-table tests: the plug-in loaded by path (so its
// resources are installed), a user script that fails the test on anything unexpected, and
// helpers for archive bytes.
#pragma once

#include "afx/afx.h"
#include "afx/user_script.h"
#include "framework/data_file_places.h"
#include "framework/xy_table.h"
#include "tests/support/archive_bytes.h"
#include "win32/win32.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace xytable_test {

using qv_test::Bytes;
using qv_test::Double;
using qv_test::Dword;
using qv_test::NewClass;
using qv_test::Str;
using qv_test::Word;

inline void LoadPlugin() {
    static HMODULE plugin = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.so");
    ASSERT_NE(nullptr, plugin);
}

inline Bytes Store(CPropCharacteristicXYTable& table) {
    return qv_test::Stored([&](CArchive& ar) { table.Serialize(ar); });
}

// Loads the bytes into the table; FALSE when the archive refused them.
inline BOOL Load(CPropCharacteristicXYTable& table, const Bytes& bytes) {
    try {
        qv_test::Loaded(bytes, [&](CArchive& ar) { table.Serialize(ar); });
    } catch (CArchiveException* e) {
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

// The table under test with a way to put points in without the page.
class TestTable : public CPropCharacteristicXYTable {
public:
    void Add(double x, double y) { m_points.Add(new CDataPoint(x, y)); }
};

inline std::vector<std::pair<double, double>> PointsOf(const CPropCharacteristicXYTable& table) {
    std::vector<std::pair<double, double>> out;
    for (INT_PTR i = 0; i < table.Points().GetSize(); ++i) {
        const CDataPoint* p = static_cast<const CDataPoint*>(table.Points().GetAt(i));
        out.emplace_back(p->x, p->y);
    }
    return out;
}

// A temporary folder tree for documents and data files; the places globals point into it.
class TempFolders {
public:
    TempFolders() {
        root = std::filesystem::temp_directory_path() / ("parvel_xytable_" + std::to_string(getpid()));
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "docs");
        std::filesystem::create_directories(root / "search");
        std::filesystem::create_directories(root / "other");
        docs = root.string() + "/docs/";
        search = root.string() + "/search/";
        other = root.string() + "/other/";
        g_DocumentDir = docs.c_str();
        g_CharacteristicSearchDirs.RemoveAll();
        g_CharacteristicSearchDirs.Add(search.c_str());
    }
    ~TempFolders() {
        g_DocumentDir.Empty();
        g_CharacteristicSearchDirs.RemoveAll();
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::filesystem::path root;
    std::string docs;
    std::string search;
    std::string other;
};

// Every test: the plug-in's resources, and a user script that fails the test on a message
// box or dialog it did not expect (and on an expected one that never came).
class ScriptedTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadPlugin();
        script().Reset();
        script().SetFailureHandler([](const std::string& what) { ADD_FAILURE() << what; });
    }
    void TearDown() override {
        EXPECT_EQ(0u, script().Pending()) << script().DescribePending();
        script().Reset();
        script().SetFailureHandler(nullptr);
    }
    static qv::UserScript& script() { return qv::UserScript::Instance(); }
    std::vector<std::string> MessageBoxes() const {
        std::vector<std::string> texts;
        for (const auto& shown : qv::UserScript::Instance().Shown())
            if (shown.kind == qv::InteractionKind::MessageBox) texts.push_back(shown.text);
        return texts;
    }
};

} // namespace xytable_test
