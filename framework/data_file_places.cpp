#include "framework/data_file_places.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>

#include "framework/path_parts.h"
#include "framework/requests.h"
#include "toolkit/read_write_files.h"
#include "win32/win32.h"
#include "wizard/wizardbase.h"

CString g_DocumentDir;
CStringArray g_CharacteristicSearchDirs;
CString g_ModelOutputDir;

namespace {

constexpr char kIniFile[] = "Lumo70.ini";

// A directory text in the one form used for comparing: '/' separators and a trailing '/'.
CString NormalisedFolder(CString folder) {
    folder.Replace('\\', '/');
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != '/') folder += '/';
    return folder;
}

// The length of the document folder at the start of `folder` (both '/'-separated, with a
// trailing '/') when `folder` lies below it by plain steps, none of them "." or ".." or empty;
// 0 otherwise. Both spellings have the same length, so the length cuts the path as written.
int BelowDocumentFolder(const CString& folder) {
    if (g_DocumentDir.IsEmpty()) return 0;
    const std::string document = NormalisedFolder(g_DocumentDir).str();
    const std::string& wanted = folder.str();
    if (wanted.size() <= document.size() || wanted.compare(0, document.size(), document) != 0) return 0;
    for (size_t start = document.size(); start < wanted.size();) {
        const size_t end = wanted.find('/', start);
        const std::string_view step(wanted.data() + start, end - start);
        if (step.empty() || step == "." || step == "..") return 0;
        start = end + 1;
    }
    return static_cast<int>(document.size());
}

bool CanOpenForReading(const CString& path) {
    if (!CReadAndWriteFiles::MayFind(path)) return false;
    std::FILE* file = std::fopen(qv::DiskPath(path).c_str(), "rb");
    if (file == nullptr) return false;
    struct stat info {};
    const bool regular = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    std::fclose(file);
    return regular;
}

} // namespace

void TakeDocumentDir(const CWizardBaseCommon* wizard) {
    CString document = "@DocumentFile";
    if (wizard != nullptr) wizard->ReplacePlaceHolders(&document);
    else document.Empty();
    g_DocumentDir = SplitPath(document).Folder();
}

void BuildCharacteristicSearchDirs(const CWizardBaseCommon* wizard) {
    g_CharacteristicSearchDirs.RemoveAll();
    TakeDocumentDir(wizard);

    char buffer[MAX_PATH] = {};
    GetPrivateProfileStringA("Directories", "DefaultDir", "", buffer, MAX_PATH, kIniFile);
    const CString defaultDir(buffer);

    UINT count = GetPrivateProfileIntA("SearchPathCharateristics", "NumOfSearchDirs", 0, kIniFile);
    if (count > kMaxSearchDirs) count = kMaxSearchDirs;
    for (UINT i = 0; i < count; ++i) {
        CString key;
        key.Format("Dir%u", i);
        buffer[0] = '\0';
        GetPrivateProfileStringA("SearchPathCharateristics", key, "", buffer, MAX_PATH, kIniFile);
        CString directory(buffer);
        ExpandRelativePath(&directory, defaultDir);
        // A directory counts with its last component only when it ends with a separator.
        if (!directory.IsEmpty() && !EndsWithSeparator(directory)) directory += '/';
        g_CharacteristicSearchDirs.Add(directory);
    }
}

BOOL FindCharacteristicFile(CString& fileName, CString& directory) {
    const PathParts parts = SplitPath(fileName);
    // Paths have no drive here; a folder from the root takes the place of drive and
    // directory together, and only such a path is a full one.
    const bool rooted = !parts.dir.IsEmpty() && IsPathSeparator(parts.dir[0]);
    if (rooted && !parts.name.IsEmpty() && !parts.ext.IsEmpty()) {
        directory.Empty();
        return CanOpenForReading(fileName) ? 1 : 0;
    }
    if (parts.name.IsEmpty()) return 0;

    // A relative name keeps its folder ("sub/t.mdx" is the file t.mdx in the folder sub of
    // wherever it is looked for): dropping it would find another file of that name.
    const CString relativeFolder = rooted ? CString() : parts.Folder();
    if (parts.ext.IsEmpty()) {
        const CString bare = relativeFolder + parts.name + kDataFileExtension;
        if (!rooted && !g_DocumentDir.IsEmpty()) {
            if (!CanOpenForReading(g_DocumentDir + bare)) return 0;
            directory = g_DocumentDir;
            fileName = bare;
            return 1;
        }
        const CString path = parts.Folder() + parts.name + kDataFileExtension;
        if (!CanOpenForReading(path)) return 0;
        directory.Empty();
        fileName = path;
        return 1;
    }

    const CString bare = relativeFolder + parts.name + parts.ext;
    // A file hidden from the page (the element's own, which its stored table already holds)
    // ends the search: a file of that name further on is another's and never takes its place.
    if (!directory.IsEmpty()) {
        if (!CReadAndWriteFiles::MayFind(SplitPath(directory).Folder() + bare)) return 0;
        if (CanOpenForReading(SplitPath(directory).Folder() + bare)) return 1;
    }
    if (!g_DocumentDir.IsEmpty()) {
        if (!CReadAndWriteFiles::MayFind(SplitPath(g_DocumentDir).Folder() + bare)) return 0;
        if (CanOpenForReading(SplitPath(g_DocumentDir).Folder() + bare)) {
            directory = g_DocumentDir;
            return 1;
        }
    }
    for (INT_PTR i = 0; i < g_CharacteristicSearchDirs.GetSize(); ++i) {
        const CString entry = g_CharacteristicSearchDirs.GetAt(i);
        // An empty entry names no folder.
        if (entry.IsEmpty()) continue;
        if (!CReadAndWriteFiles::MayFind(SplitPath(entry).Folder() + bare)) return 0;
        if (CanOpenForReading(SplitPath(entry).Folder() + bare)) {
            directory = entry;
            return 1;
        }
    }
    return 0;
}

void MakeCharacteristicPathRelative(CString& directory, CString& path) {
    // The folder is everything up to the last separator, taken from the text itself rather
    // than from a split path, which cuts long folders: folder + bare is the path again.
    int last = -1;
    for (int i = 0; i < path.GetLength(); ++i)
        if (IsPathSeparator(path[i])) last = i;
    const CString folder = path.Left(last + 1);
    const CString bare = path.Mid(last + 1);
    if (folder.IsEmpty()) {
        // A bare name lives in the document folder. Callers join directory and name as they
        // stand, so the directory carries its trailing separator.
        directory = g_DocumentDir;
        if (!directory.IsEmpty() && !EndsWithSeparator(directory)) directory += '/';
        path = bare;
        return;
    }
    // Folders compare exactly: on this system a folder that differs in letter case is
    // another folder, and a name made relative to it would name another file.
    const CString wanted = NormalisedFolder(folder);
    bool known = !directory.IsEmpty() && NormalisedFolder(directory) == wanted;
    known = known || (!g_DocumentDir.IsEmpty() && NormalisedFolder(g_DocumentDir) == wanted);
    for (INT_PTR i = 0; !known && i < g_CharacteristicSearchDirs.GetSize(); ++i) {
        const CString entry = g_CharacteristicSearchDirs.GetAt(i);
        known = !entry.IsEmpty() && NormalisedFolder(entry) == wanted;
    }
    if (!known) {
        // A folder below the document's is kept relative to it ("sub/x.mdx"), as a name typed
        // with a folder is: the name then follows the document to another folder.
        const int below = BelowDocumentFolder(wanted);
        if (below > 0) {
            directory = path.Left(below);
            path = path.Mid(below);
            return;
        }
        directory.Empty();
        return;
    }
    // Callers join directory and name as they stand ("directory + name"). The directory is
    // therefore the path's own folder as the path spells it, with its separator: a known
    // folder written without its trailing separator ("/cur" for "/cur/x.mdx") would
    // otherwise join to another file ("/curx.mdx").
    directory = folder;
    path = bare;
}

CString ComponentNameOf(const CWizardBaseCommon* wizard) {
    CString component;
    if (wizard == nullptr) return component;
    const RequestTarget target(wizard);
    if (target.HasReceiver()) {
        CStringArray parts;
        RequestNameParts(target, parts);
        if (parts.GetSize() > 0) component = parts.GetAt(0);
    }
    return component;
}

CString MakeDocumentFileName(const CWizardBaseCommon* wizard, CString suffix) {
    return MakeDocumentFileNameFor(wizard, ComponentNameOf(wizard), suffix);
}

CString MakeDocumentFileNameFor(const CWizardBaseCommon* wizard, const CString& component, const CString& suffix) {
    if (wizard == nullptr) return CString();
    CString document = "@DocumentName";
    wizard->ReplacePlaceHolders(&document);
    return MakeDocumentFileName(document, component, suffix);
}

CString FileNameFollowingRename(const CWizardBaseCommon* wizard, const CString& fileName, const CString& named,
                                const CString& name, const CString& suffix) {
    if (wizard == nullptr || named.IsEmpty() || named == name) return fileName;
    if (fileName != MakeDocumentFileNameFor(wizard, named, suffix)) return fileName;
    return MakeDocumentFileNameFor(wizard, name, suffix);
}

CString WritableDataFilePath(const CString& name, const CString& folder) {
    CString path = WritableDataFileName(name);
    path.Replace('\\', '/');
    if (path.IsEmpty()) return path;
    if (path[0] != '/' && !folder.IsEmpty()) path = folder + (EndsWithSeparator(folder) ? "" : "/") + path;
    return CString(LexicallyNormalPath(path.str()).c_str());
}

std::string LexicallyNormalPath(const std::string& path) {
    // Most paths are in that form already and are given back without being taken apart.
    for (size_t start = 0; start <= path.size();) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string_view step(path.data() + start, end - start);
        if (step == "." || step == ".." || (step.empty() && start != 0 && end != path.size()))
            return std::filesystem::path(path).lexically_normal().string();
        start = end + 1;
    }
    return path;
}

CString GetModelOutputDir() { return g_ModelOutputDir; }

void SetModelOutputDir(CString directory) { g_ModelOutputDir = directory; }

void SetModelOutputDirFromFile(const CFile* descriptionFile) {
    const CString path = descriptionFile ? descriptionFile->GetFilePath() : CString();
    int last = -1;
    for (int i = 0; i < path.GetLength(); ++i)
        if (IsPathSeparator(path[i])) last = i;
    if (last >= 0) {
        g_ModelOutputDir = path.Left(last + 1);
        return;
    }
    char buffer[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, buffer);
    g_ModelOutputDir = (length > 0 && length < MAX_PATH) ? CString(buffer) : CString();
}
