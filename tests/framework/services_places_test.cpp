#include "framework/data_file_places.h"

#include "editor/schematic_editor.h"
#include "win32/win32.h"
#include "wizard/wizard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// An installation folder with its "Lumo70.ini", a document folder and a wizard whose
// document lives there.
class PlacesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("parvel_places_" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "install");
        fs::create_directories(root / "docs");
        fs::create_directories(root / "base" / "rel");
        install = root.string() + "/install/";
        docs = root.string() + "/docs/";
        qv::SetQuorvatixPath(install.c_str());
        qv::SetProfileFolder(install);
        document.SetPathName((docs + "a.b.qsc").c_str());
        document.SetTitle("a.b");
        wizard.SetDocument(&document);
    }
    void TearDown() override {
        qv::SetProfileFolder("");
        g_CharacteristicSearchDirs.RemoveAll();
        g_DocumentDir.Empty();
        fs::remove_all(root);
    }
    void WriteIni(const std::string& text) { std::ofstream(install + "Lumo70.ini") << text; }
    void Touch(const std::string& path) { std::ofstream(path) << "x"; }

    fs::path root;
    std::string install;
    std::string docs;
    CQuorvatixDocument document;
    CWizardBase4 wizard;
};

TEST_F(PlacesTest, SearchDirectoriesFromTheIniFile) {
    WriteIni("[Directories]\nDefaultDir=" + root.string() + "/base/\n[SearchPathCharateristics]\n"
             "NumOfSearchDirs=3\nDir0=rel\nDir1=\nDir2=/abs/dir\n");
    BuildCharacteristicSearchDirs(&wizard);
    EXPECT_EQ(CString(docs.c_str()), g_DocumentDir);
    ASSERT_EQ(3, g_CharacteristicSearchDirs.GetSize());
    EXPECT_EQ(CString((root.string() + "/base/rel/").c_str()), g_CharacteristicSearchDirs[0]);
    EXPECT_EQ(CString(), g_CharacteristicSearchDirs[1]);
    // Every search directory ends with a separator.
    EXPECT_EQ(CString("/abs/dir/"), g_CharacteristicSearchDirs[2]);

    fs::remove(install + "Lumo70.ini");
    BuildCharacteristicSearchDirs(&wizard);
    EXPECT_EQ(0, g_CharacteristicSearchDirs.GetSize());
    // A huge count reads no more than the limit.
    WriteIni("[SearchPathCharateristics]\nNumOfSearchDirs=4000000000\n");
    BuildCharacteristicSearchDirs(&wizard);
    EXPECT_EQ(static_cast<int>(kMaxSearchDirs), g_CharacteristicSearchDirs.GetSize());
}

TEST_F(PlacesTest, FindsCharacteristicFilesInOrder) {
    const std::string search = root.string() + "/base/rel/";
    WriteIni("[SearchPathCharateristics]\nNumOfSearchDirs=1\nDir0=" + search + "\n");
    BuildCharacteristicSearchDirs(&wizard);
    const std::string own = root.string() + "/base/";
    Touch(own + "both.mdx");
    Touch(docs + "both.mdx");
    Touch(docs + "plain.mdx");
    Touch(search + "far.tbl");

    CString name("both.mdx");
    CString directory(own.c_str());
    EXPECT_TRUE(FindCharacteristicFile(name, directory));
    EXPECT_EQ(CString(own.c_str()), directory);
    EXPECT_EQ(CString("both.mdx"), name);

    directory.Empty();
    EXPECT_TRUE(FindCharacteristicFile(name, directory));
    EXPECT_EQ(CString(docs.c_str()), directory);

    name = "far.tbl";
    EXPECT_TRUE(FindCharacteristicFile(name, directory));
    EXPECT_EQ(CString(search.c_str()), directory);

    // Without extension ".mdx" is added and the document folder tried.
    name = "plain";
    EXPECT_TRUE(FindCharacteristicFile(name, directory));
    EXPECT_EQ(CString("plain.mdx"), name);
    EXPECT_EQ(CString(docs.c_str()), directory);

    // A full path that does not exist: no search directory is tried.
    name = (search + "both.mdx").c_str();
    directory = "x/";
    EXPECT_FALSE(FindCharacteristicFile(name, directory));
    EXPECT_TRUE(directory.IsEmpty());
    name = (docs + "plain.mdx").c_str();
    EXPECT_TRUE(FindCharacteristicFile(name, directory));

    name = ".mdx";
    EXPECT_FALSE(FindCharacteristicFile(name, directory));
}

TEST_F(PlacesTest, MakesPathsRelativeToKnownFolders) {
    const std::string search = root.string() + "/base/rel/";
    WriteIni("[SearchPathCharateristics]\nNumOfSearchDirs=1\nDir0=" + search + "\n");
    BuildCharacteristicSearchDirs(&wizard);

    CString directory;
    CString path((docs + "c.mdx").c_str());
    MakeCharacteristicPathRelative(directory, path);
    EXPECT_EQ(CString("c.mdx"), path);
    EXPECT_EQ(CString(docs.c_str()), directory);

    path = (search + "d.mdx").c_str();
    MakeCharacteristicPathRelative(directory, path);
    EXPECT_EQ(CString("d.mdx"), path);
    EXPECT_EQ(CString(search.c_str()), directory);

    // Folders compare exactly: another letter case is another folder here.
    CString upper(docs.c_str());
    upper.MakeUpper();
    path = upper + "c.mdx";
    MakeCharacteristicPathRelative(directory, path);
    EXPECT_EQ(upper + "c.mdx", path);
    EXPECT_TRUE(directory.IsEmpty());

    path = "bare.mdx";
    MakeCharacteristicPathRelative(directory, path);
    EXPECT_EQ(CString(docs.c_str()), directory);
    EXPECT_EQ(CString("bare.mdx"), path);
}

TEST(DocumentFileNames, NameFromDocumentAndComponent) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string& what) { ADD_FAILURE() << what; });
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "R1.x";
    const DWORD element = editor.AddElement(std::move(holder));
    editor.Document().SetTitle("a.b");
    CWizardBase4 wizard;
    editor.Attach(wizard, element);
    EXPECT_EQ(CString("a_b__R1_x.mdx"), MakeDocumentFileName(&wizard, ""));
    EXPECT_EQ(CString("a_b__R1_x__S.mdx"), MakeDocumentFileName(&wizard, "S"));
    EXPECT_EQ(1u + 1u, editor.CountRequests(13));
    editor.SetNameParts(element, {});
    EXPECT_EQ(CString("a_b__.mdx"), MakeDocumentFileName(&wizard, ""));
    EXPECT_EQ(CString(), MakeDocumentFileName(nullptr, "S"));
}

TEST(ModelOutputDir, FolderOfTheDescriptionFileOrTheTemporaryFolder) {
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const fs::path folder = fs::path(temp) / ("parvel_model_" + std::to_string(getpid()));
    fs::create_directories(folder);
    {
        CFile file((folder / "model.cir").c_str(), CFile::modeCreate | CFile::modeWrite);
        SetModelOutputDirFromFile(&file);
        EXPECT_EQ(CString((folder.string() + "/").c_str()), GetModelOutputDir());
    }
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    {
        CFile bare("bare.cir", CFile::modeCreate | CFile::modeWrite);
        SetModelOutputDirFromFile(&bare);
        EXPECT_EQ(CString(temp), GetModelOutputDir());
    }
    fs::current_path(before);
    SetModelOutputDir("/x/");
    CMemFile memory;
    SetModelOutputDirFromFile(&memory);
    EXPECT_EQ(CString(temp), GetModelOutputDir());
    SetModelOutputDir("");
    fs::remove_all(folder);
}

} // namespace
