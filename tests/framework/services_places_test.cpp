#include "framework/data_file_places.h"

#include "editor/schematic_editor.h"
#include "toolkit/read_write_files.h"
#include "win32/win32.h"
#include "wizard/wizard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
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

    // A relative name keeps its folder: the file of that name beside the document is another.
    fs::create_directories(docs + "sub");
    Touch(docs + "sub/deep.mdx");
    Touch(docs + "deep.mdx");
    for (const char* given : {"sub/deep.mdx", "sub/deep"}) {
        SCOPED_TRACE(given);
        name = given;
        directory.Empty();
        EXPECT_TRUE(FindCharacteristicFile(name, directory));
        EXPECT_EQ(CString(docs.c_str()), directory);
        EXPECT_EQ(CString("sub/deep.mdx"), name);
    }
    name = "sub/none.mdx";
    EXPECT_FALSE(FindCharacteristicFile(name, directory));

    // A file hidden from the page (the element's own beside the document) ends the search: the
    // file of that name in a search folder is another's and is not found in its place.
    Touch(search + "both.mdx");
    CReadAndWriteFiles::SetFindWatcher([&](const std::string& path) { return path != docs + "both.mdx"; });
    name = "both.mdx";
    directory.Empty();
    EXPECT_FALSE(FindCharacteristicFile(name, directory));
    EXPECT_TRUE(directory.IsEmpty());
    name = "far.tbl";
    EXPECT_TRUE(FindCharacteristicFile(name, directory));
    EXPECT_EQ(CString(search.c_str()), directory);
    CReadAndWriteFiles::SetFindWatcher(nullptr);
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

// The page joins what MakeCharacteristicPathRelative leaves as directory + name. Over every
// combination of given directory, document directory, search directories and path, that
// join must name the file the path named (a name without a folder: the file in the document
// folder), the name must be bare exactly when the path's folder is one of the known ones, and
// relative to the document folder when its folder lies below that one.
TEST(RelativeCharacteristicPaths, DirectoryAndNameJoinBackToTheSameFile) {
    const std::string longFolder = "/" + std::string(300, 'l') + "/";
    const std::vector<std::string> directories = {
        "", "/cur", "/cur/", "/cu", "/cu/", "/curx", "/curx/", "/cur/sub", "/cur/sub/", "/", "cur", "cur/",
        "\\cur\\", "/cur\\sub", longFolder.substr(0, 256), longFolder};
    const std::vector<std::string> documentDirs = {"", "/cur/", "/cur", "/cur/sub/", "/doc/", "/curx"};
    const std::vector<std::vector<std::string>> searchLists = {{}, {"/cur"}, {"/cu/", "/curx"}, {"/cur/sub", ""}};
    const std::vector<std::string> paths = {
        "/cur/x.mdx", "/cur/sub/x.mdx", "/curx.mdx", "/curx/x.mdx", "/cu/x.mdx", "/cur/x", "x.mdx", "/x.mdx",
        "cur/x.mdx", "/cur\\x.mdx", "\\cur\\x.mdx", "/cur/sub\\x.mdx", "/cur/", longFolder + "x.mdx",
        longFolder.substr(0, 256) + "x.mdx", "/cur/../x.mdx", "/cur/sub/deep/x.mdx"};

    auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
    // The folder part of a text: everything up to its last separator.
    auto folderOf = [&](const std::string& text) {
        for (size_t i = text.size(); i > 0; --i)
            if (isSeparator(text[i - 1])) return text.substr(0, i);
        return std::string();
    };
    // Folders as this system compares them: either separator, a trailing one implied.
    auto normalised = [&](std::string text) {
        for (char& c : text)
            if (c == '\\') c = '/';
        if (!text.empty() && text.back() != '/') text += '/';
        return text;
    };
    auto sameFolder = [&](const std::string& a, const std::string& b) {
        return !a.empty() && !b.empty() && normalised(a) == normalised(b);
    };
    // The length of the document folder's spelling in `folder` when `folder` lies below it by
    // plain steps ("sub/", not "../" or "./"), else 0.
    auto belowDocument = [&](const std::string& folder, const std::string& documentDir) -> size_t {
        const std::string document = normalised(documentDir);
        const std::string wanted = normalised(folder);
        if (document.empty() || wanted.size() <= document.size() || wanted.rfind(document, 0) != 0) return 0;
        for (size_t start = document.size(); start < wanted.size();) {
            const size_t end = wanted.find('/', start);
            const std::string step = wanted.substr(start, end - start);
            if (step.empty() || step == "." || step == "..") return 0;
            start = end + 1;
        }
        return document.size();
    };

    int combinations = 0;
    for (const std::string& documentDir : documentDirs) {
        for (const auto& searchList : searchLists) {
            g_DocumentDir = documentDir.c_str();
            g_CharacteristicSearchDirs.RemoveAll();
            for (const std::string& entry : searchList) g_CharacteristicSearchDirs.Add(entry.c_str());
            for (const std::string& given : directories) {
                for (const std::string& original : paths) {
                    ++combinations;
                    CString directory(given.c_str());
                    CString path(original.c_str());
                    MakeCharacteristicPathRelative(directory, path);
                    const std::string joined = (directory + path).str();
                    SCOPED_TRACE("directory \"" + given + "\", document folder \"" + documentDir + "\", path \"" +
                                 original + "\" -> \"" + directory.str() + "\" + \"" + path.str() + "\"");

                    const std::string folder = folderOf(original);
                    if (folder.empty()) {
                        // A bare name stays bare and lives in the document folder.
                        std::string expected = documentDir;
                        if (!expected.empty() && !isSeparator(expected.back())) expected += '/';
                        EXPECT_EQ(expected + original, joined);
                        EXPECT_EQ(original, path.str());
                        continue;
                    }
                    EXPECT_EQ(original, joined);
                    bool known = sameFolder(folder, given) || sameFolder(folder, documentDir);
                    for (const std::string& entry : searchList) known = known || sameFolder(folder, entry);
                    const size_t below = belowDocument(folder, documentDir);
                    if (known) {
                        EXPECT_EQ(original.substr(folder.size()), path.str()) << "a known folder leaves the bare name";
                    } else if (below > 0) {
                        EXPECT_EQ(original.substr(below), path.str()) << "relative to the document folder";
                        EXPECT_EQ(original.substr(0, below), directory.str());
                    } else {
                        EXPECT_EQ(original, path.str()) << "an unknown folder keeps the full path";
                        EXPECT_TRUE(directory.IsEmpty());
                    }
                }
            }
        }
    }
    EXPECT_EQ(6 * 4 * 16 * 17, combinations);
    g_DocumentDir.Empty();
    g_CharacteristicSearchDirs.RemoveAll();
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

TEST(LexicallyNormalPaths, SameAsTheFileSystemsNormalForm) {
    for (const std::string path : {"", "/", "//a", "a/b/", "./a", "a/./b", "a/.", "a/../b", "..", "a//b", "a/..b/c."})
        EXPECT_EQ(fs::path(path).lexically_normal().string(), LexicallyNormalPath(path)) << path;
}
