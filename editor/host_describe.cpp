// The describe command: the plan of its outputs, the description and the data files the
// element pages write beside it.

#include "editor/host_shared.h"
#include "editor/journal_format.h"
#include "editor/output_files.h"

#include "afx/dc.h"
#include "afx/module_state.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"
#include "editor/characteristic_forms.h"
#include "editor/model_text_check.h"
#include "editor/param_list_fill.h"
#include "editor/text_codec.h"
#include "framework/combo_entries.h"
#include "framework/data_file_identity.h"
#include "framework/data_file_names.h"
#include "framework/param_access.h"
#include "toolkit/read_write_files.h"
#include "toolkit/shortest_number.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"
#include "win32/win32.h"
#include "wizard/environment.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory_resource>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <sys/stat.h>
#include <cerrno>
#include <unistd.h>

namespace qv {

using namespace host_detail;

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Whether `line` says `heard` already: its words, or the text of the message box it is about.
bool AlreadySays(const std::string& line, const std::string& heard) {
    if (line.find(heard) != std::string::npos) return true;
    static const std::string box = "unexpected message box \"";
    if (!heard.starts_with(box)) return false;
    const size_t end = heard.find("\": ", box.size());
    return end != std::string::npos && line.find(heard.substr(box.size() - 1, end - box.size() + 2)) != std::string::npos;
}

// How a fault names a parameter's value that cannot stand in the model text: the parameter and
// its value as typed, on one line (control characters written as escapes, a long value cut).
std::string ParamValueFault(const CWizardCopaObject3& param, const std::string& fault) {
    constexpr size_t kShown = 60;
    const std::string_view value = param.GetValue().view();
    std::string shown;
    for (size_t at = 0; at < value.size() && at < kShown; ++at) {
        const unsigned char c = static_cast<unsigned char>(value[at]);
        if (c == '\n') shown += "\\n";
        else if (c == '\t') shown += "\\t";
        else if (c < 0x20 || c == 0x7F) shown += '?';
        else shown += static_cast<char>(c);
    }
    if (value.size() > kShown) shown += "...";
    return "parameter " + Quoted(param.GetName().str()) + ": its value " + Quoted(shown) + " " + fault;
}

// The default data-file name of an element, as its page names it.
std::string DefaultDataFileName(const std::string& document, const std::string& element) {
    return MakeDocumentFileName(CString(std::string_view(document)), CString(std::string_view(element)), CString()).str();
}

} // namespace

std::string OutputNameFault(const std::string& path, const std::string& what) {
    // The system's calls end a path at its first NUL byte: such a path would name another file.
    if (path.find('\0') != std::string::npos) return what + ": the path holds a NUL byte";
    const std::string name = std::filesystem::path(path).filename().string();
    // A path from the schematic may be of any length: its messages show it cut short.
    const std::string where = what + " " + ShownPath(path);
    if (name.empty() || name == "." || name == "..") return where + ": not a file path";
    if (name.size() > kMaxOutputNameBytes)
        return where + ": the file name has " + std::to_string(name.size()) + " bytes, more than the " +
               std::to_string(kMaxOutputNameBytes) + " a file name may have";
    return std::string();
}

namespace {

// False with a message when the file cannot be written as a regular file in an existing folder
// under a name the file system holds. `folders` holds the folders already found to exist, so
// that the many data files of one folder look at it once.
// As CheckOutputPath, with what a look at the path found: `seen` is null when nothing is there.
bool CheckSeenOutputPath(const std::string& path, const std::string& what, std::unordered_set<std::string>& folders,
                         std::string& error, const struct stat* seen, PlannedFile* found = nullptr) {
    namespace fs = std::filesystem;
    std::error_code code;
    if (error = OutputNameFault(path, what); !error.empty()) return false;
    const fs::path target(path);
    const std::string where = what + " " + ShownPath(path);
    if (seen != nullptr && !S_ISREG(seen->st_mode)) {
        error = where + ": is " + (S_ISDIR(seen->st_mode) ? "a folder" : "not a regular file") +
                " and is not replaced";
        return false;
    }
    if (found != nullptr) {
        found->existed = seen != nullptr;
        found->device = seen != nullptr ? seen->st_dev : 0;
        found->inode = seen != nullptr ? seen->st_ino : 0;
    }
    const std::string folder = target.parent_path().string();
    if (folders.count(folder) != 0) return true;
    if (!fs::is_directory(target.parent_path(), code)) {
        error = where + ": the folder " + ShownPath(folder) + " does not exist";
        return false;
    }
    folders.insert(folder);
    return true;
}

// Whether an output can be written at the path; `found` (when given) learns what is there now.
bool CheckOutputPath(const std::string& path, const std::string& what, std::unordered_set<std::string>& folders,
                     std::string& error, PlannedFile* found = nullptr) {
    struct stat status {};
    // A path with a NUL byte is refused before anything looks at it.
    const bool exists = path.find('\0') == std::string::npos && ::stat(path.c_str(), &status) == 0;
    return CheckSeenOutputPath(path, what, folders, error, exists ? &status : nullptr, found);
}


} // namespace

std::string DataFileEntry(const std::string& file, const std::string& documentFolder) {
    namespace fs = std::filesystem;
    if (std::none_of(file.begin(), file.end(), IsSeparator)) return file;
    std::string slashed = file;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const fs::path path(slashed);
    if (path.is_absolute()) return file;
    // The entry is a text of the system, in its code page, as the typed name is: the folder
    // (UTF-8, from the command line) is converted when the code page can hold it.
    std::string folder;
    std::string unused;
    if (!Utf8ToCp1252(documentFolder, folder, unused)) folder = documentFolder;
    return (fs::path(folder) / path).lexically_normal().string();
}

std::string UserDataFilePath(const std::string& file, const std::string& element, const std::string& documentFolder,
                             bool leadingDotRule) {
    std::string entry = DataFileEntry(file, documentFolder);
    std::replace(entry.begin(), entry.end(), '\\', '/');
    // The name the table gives the file, by the rules the table applies (data_file_names.h).
    const CString elementName{std::string_view(element)};
    const PathParts parts = SplitPath(WritableDataFileName(ReplaceDataFileWildcards(CString(std::string_view(entry)), elementName)));
    std::string dir = parts.dir.str();
    std::string folder = documentFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    // A file in the document's folder is kept by its bare name, to which the leading-dot rule
    // applies where the family's table has it.
    if (dir == folder) dir.clear();
    CString bare = parts.name + parts.ext;
    if (dir.empty() && leadingDotRule) bare = PrefixDotFileName(bare, elementName);
    return (dir.empty() ? folder : dir) + bare.str();
}

namespace {

// What planning the outputs needs of an element whose characteristic is a table of data pairs.
struct DataPairsOutput {
    std::string element;
    std::string file;     // the user's file name ("" = the default name)
    bool empty = false;   // the table has no rows
    bool leadingDotRule = true;   // the family's table names a bare ".x.mdx" after the element
};

DataPairsOutput DataPairsOutputOf(const SchematicElement& element, bool leadingDotRule = true) {
    return {element.name, element.characteristic.file, element.characteristic.points.empty(), leadingDotRule};
}

// The value ID of the file-name edit of the pages that keep their table under a name of their
// own (the 2D and 3D tables, the data pairs, the Fourier source, the dead time), which write a
// bare name beginning with "." as it stands. The characteristic table's pages put the
// element's name in front of it.
constexpr WORD kOwnTableFileValueId = 2117;

bool HasLeadingDotRule(const CatalogueElement* type) {
    if (type == nullptr) return true;
    return std::none_of(type->params.begin(), type->params.end(),
                        [](const CatalogueParam& param) { return param.valueId == kOwnTableFileValueId; });
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The one line for a file that one element read and another wrote (or would write) in one
// describe run, whichever came first.
std::string ReadAndWritten(const std::string& path, const std::string& reader, const std::string& writer) {
    return ShownPath(path) + " is read by " + ElementLabel(reader) + " and written by " +
           (reader == writer ? std::string("it too") : ElementLabel(writer)) +
           "; describe writes no file that its run reads";
}

// Whether a link at `path` leads to a name of the kind qvhost gives its own files: the owner
// of the output files refuses that write in its own words.
bool LeadsToHostsOwnName(const std::string& path) {
    std::string target;
    std::string unused;
    return OutputFiles::ResolveTarget(path, target, unused) &&
           std::filesystem::path(target).filename().string().rfind(journal::kOwnPrefix, 0) == 0;
}

// The file two outputs would share, as their paths name it: one path, or both where a link or
// another spelling leads both to one file.
std::string OneFile(const std::string& first, const std::string& second) {
    return first == second ? ShownPath(first)
                           : "one file, named " + ShownPath(first) + " and " + ShownPath(second);
}

bool PlanOutputs(const std::string& document, const std::vector<DataPairsOutput>& tables,
                 const std::string& descriptionPath, std::vector<PlannedFile>& planned, std::string& error) {
    namespace fs = std::filesystem;
    if (!OutputFiles::HasUtf8Name(descriptionPath, error)) return false;
    std::error_code code;
    const fs::path target = fs::absolute(fs::path(descriptionPath), code).lexically_normal();
    if (code || target.filename().empty()) {
        error = ShownPath(descriptionPath) + ": not a file path";
        return false;
    }
    std::vector<PlannedFile> files;
    files.reserve(tables.size() + 1);
    files.push_back({target.string(), "the model description"});
    const std::string folder = target.parent_path().string() + "/";
    for (const DataPairsOutput& table : tables) {
        const std::string what = "the data file of " + ElementLabel(table.element);
        const std::string path =
            PathToUtf8(table.file.empty() ? folder + DefaultDataFileName(document, table.element)
                                          : UserDataFilePath(table.file, table.element, folder, table.leadingDotRule));
        if (table.empty) {
            error = ElementLabel(table.element) + ": its table of data pairs is empty; nothing can be written to " +
                    ShownPath(path);
            return false;
        }
        files.push_back({fs::path(path).lexically_normal().string(), what});
    }
    // Each file once, whatever names it (a link to it, another spelling of its folder): the
    // first output that claimed it, by index.
    std::unordered_map<std::string_view, size_t> claimed;
    claimed.reserve(files.size());
    std::unordered_set<std::string> folders;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!CheckOutputPath(files[i].path, files[i].what, folders, error, &files[i])) return false;
        files[i].identity = DataFileIdentity(files[i].path);
        const auto [at, fresh] = claimed.emplace(files[i].identity, i);
        if (!fresh) {
            error = files[at->second].what + " and " + files[i].what + " would both be written to " +
                    OneFile(files[at->second].path, files[i].path);
            return false;
        }
    }
    planned = std::move(files);
    return true;
}

} // namespace

bool PlanDescribeOutputs(const Schematic& schematic, const std::string& descriptionPath,
                         std::vector<PlannedFile>& planned, std::string& error) {
    std::vector<DataPairsOutput> tables;
    for (const SchematicElement& element : schematic.elements)
        if (element.characteristic.kind == SchematicCharacteristic::Kind::DataPairs)
            tables.push_back(DataPairsOutputOf(element));
    return PlanOutputs(schematic.document, tables, descriptionPath, planned, error);
}


struct Host::DescriptionSink : ElementSink {
    Host& host;
    DescriptionJob& job;
    DescriptionSink(Host& h, DescriptionJob& j) : host(h), job(j) {}
    bool Begin(size_t, std::string&) override { return true; }
    bool Take(Element& element, std::string& error) override {
        host.DescribeElement(element, job);
        if (!job.ok) error = job.error;
        madeShown = job.shownErrors.size();
        return job.ok;
    }
    // How many of the boxes the job heard of were shown by elements made completely.
    size_t madeShown = 0;
};

bool Host::PlanDescription(const std::string& text, const std::string& descriptionPath, DescribePlan& plan,
                           std::string& error, bool* textFault) {
    // Of the elements only those with a table of data pairs are noted: their data files are
    // named after the document, whose name may follow the elements.
    std::vector<DataPairsOutput> tables;
    DescribePlan result;
    const auto note = [this, &tables](const SchematicElement& element) {
        if (element.characteristic.kind == SchematicCharacteristic::Kind::DataPairs)
            tables.push_back(DataPairsOutputOf(element, HasLeadingDotRule(TypeOf(element))));
    };
    std::string checkError;
    const bool read = CheckSchematicText(text, note, result.document, result.elements, checkError, error);
    if (textFault != nullptr) *textFault = !read;
    if (!read) return false;
    // The outputs are refused before the elements, as for a schematic read whole.
    if (!PlanOutputs(result.document, tables, descriptionPath, result.files, error)) return false;
    if (!checkError.empty()) {
        error = checkError;
        return false;
    }
    // The plan stays while the description is written: without the room it grew into.
    result.files.shrink_to_fit();
    plan = std::move(result);
    return true;
}


bool Host::MayWriteDataFiles(const SchematicElement& source) const {
    const CatalogueElement* type = TypeOf(source);
    if (type == nullptr) return false;
    bool characteristicFile = false;
    for (const CatalogueParam& param : type->params) {
        std::string upper = param.name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper.find("FILE") == std::string::npos) continue;
        // A file parameter of its own: the wizard may write a table whatever the schematic says.
        if (param.valueId != kCharacteristicFileValueId) return true;
        characteristicFile = true;
    }
    // The characteristic's file is written only for a characteristic the element was given.
    return (characteristicFile || type->HasCharacteristic()) &&
           (source.characteristic.kind != SchematicCharacteristic::Kind::None || !source.script.empty() ||
            source.hasWizardData);
}

std::vector<std::string> Host::OwnDataFiles(const SchematicElement& source) const {
    if (!MayWriteDataFiles(source)) return {};
    // Each family names its files by its own table's rules: the leading-dot rule is the
    // characteristic table's alone.
    const bool leadingDot = HasLeadingDotRule(TypeOf(source));
    std::vector<std::string> names{DefaultDataFileName(m_document, source.name)};
    for (const SchematicParam& param : source.params) {
        if (param.hasValue && !param.value.empty() && Upper(param.name).find("FILE") != std::string::npos)
            names.push_back(UserDataFilePath(param.value, source.name, m_documentFolder, leadingDot));
    }
    if (const std::string& file = TableFileWritten(source.characteristic); !file.empty())
        names.push_back(UserDataFilePath(file, source.name, m_documentFolder, leadingDot));
    for (std::string& name : names) name = OutputFiles::PathInFolder(name, m_documentFolder);
    return names;
}

bool Host::MayPagesFind(const std::string& given) const {
    if (m_ownDataFiles.empty()) return true;
    // A page looks for its file in the folder it names, relative to the current folder as the
    // system opens it.
    std::error_code code;
    const std::string path = std::filesystem::absolute(PathToUtf8(given), code).lexically_normal().string();
    if (m_ownDataFiles.count(path) == 0) return true;
    const std::string element = m_inSession != nullptr ? m_inSession->source.name : CurrentElementName();
    struct stat seen {};
    return ::lstat(path.c_str(), &seen) != 0 || !IsElementsOwnFile(path, element);
}

CReadAndWriteFiles::Writer Host::WriterOf(const std::string& element) const {
    return {ToCString(m_document), ToCString(element)};
}

bool Host::IsElementsOwnFile(const std::string& path, const std::string& element) const {
    // The look opens the file by the name the system gives it, in its code page.
    std::string named;
    std::string unused;
    if (!Utf8ToCp1252(path, named, unused)) named = path;
    return CReadAndWriteFiles::MayReplaceWithoutAsking(named.c_str(), WriterOf(element));
}

bool Host::KeepDataFilesUnderName(const Element& element, const std::string& name, std::string& why) {
    SchematicElement renamed = WithFileParamsOfSet(element);
    renamed.name = name;
    const std::vector<std::string> before = OwnDataFiles(WithFileParamsOfSet(element));
    const std::string defaultName = OutputFiles::PathInFolder(DefaultDataFileName(m_document, element.source.name), m_documentFolder);
    const std::string defaultStem = defaultName.substr(0, defaultName.size() - std::strlen(kDataFileExtension));
    const CReadAndWriteFiles::Writer from = WriterOf(element.source.name);
    const CReadAndWriteFiles::Writer to = WriterOf(name);
    // The files are written as a session's files are, so that one that cannot be written takes
    // back those written before it.
    OutputFiles::Current().BeginSession();
    bool kept = true;
    for (const std::string& path : OwnDataFiles(renamed)) {
        // A name made of the element's name names another file now; a file outside the
        // document's folder is none that describe wrote, and no command writes there.
        struct stat seen {};
        if (std::find(before.begin(), before.end(), path) == before.end() || path == defaultName ||
            path.starts_with(defaultStem + "__") || ::lstat(path.c_str(), &seen) != 0 ||
            !OutputFiles::IsInsideFolder(path, m_documentFolder))
            continue;
        std::string named;
        std::string unused;
        if (!Utf8ToCp1252(path, named, unused)) named = path;
        CString failed;
        if (CReadAndWriteFiles::Remark(named.c_str(), from, to, failed) != CReadAndWriteFiles::RemarkResult::Failed)
            continue;
        why = "its data file " + ShownPath(path) + " cannot be given the new name's mark: " + ToString(failed);
        kept = false;
        break;
    }
    if (kept) OutputFiles::Current().CommitSession();
    std::string notPutBack;
    if (!OutputFiles::Current().EndSession(!kept, notPutBack) && kept) {
        why = notPutBack;
        kept = false;
    }
    return kept;
}

void Host::WatchDataFiles(DescriptionJob& job) {
    typedef CReadAndWriteFiles::WriteDecision Decision;
    // The files this command writes are not its inputs: before an element is made, the data
    // files it may write that an earlier run left (its default name, the names its file
    // parameters and characteristic give) are set aside, so that a page that reads its data
    // file when it opens sees none, as in a clean run. A file set aside comes back when the
    // run fails or does not write it again.
    job.finalIdentity = DataFileIdentity(job.finalPath);
    m_setAside = [this, &job](const SchematicElement& source) {
        // Only an element that may write a data file is looked at: a few calls per name.
        if (job.dry) return;
        for (const std::string& path : OwnDataFiles(source)) {
            if (job.setAside.count(path) != 0 || (!job.wroteAt.empty() && job.wroteAt.count(DataFileIdentity(path)) != 0))
                continue;
            // An input stays where it is: the run refuses to write over it later. So does a
            // file that is not the element's own: describe replaces no file of the user's.
            struct stat seen {};
            if (::lstat(path.c_str(), &seen) != 0 || !InputAt(path).empty() || !IsElementsOwnFile(path, source.name))
                continue;
            if (OutputFiles::Current().SetAside(path)) job.setAside.insert(path);
        }
    };
    CReadAndWriteFiles::SetWriteWatcher([this, &job](const std::string& given, int items, std::string& refusal) {
        namespace fs = std::filesystem;
        std::error_code code;
        // A name a page was given lies in the output folder, also with a folder part of its own:
        // a command writes nowhere else.
        const std::string path = OutputFiles::PathInFolder(PathToUtf8(given), m_documentFolder);
        const std::string element = CurrentElementName();
        const std::string who = ElementLabel(element);
        // A file refused or not written is noted before the page hears of it (see Echoes and
        // EchoesRefusal).
        const auto noteRefused = [&] {
            job.refusedFiles.push_back(given);
            if (path != given) job.refusedFiles.push_back(path);
            job.refusalBox = UserScript::Instance().ShownCount();
        };
        if (items < 0) {
            noteRefused();
            // The file could not be written: one line that names the element, the file and
            // the system's reason takes the place of what the page then shows.
            job.writeFailures.push_back(who + ": its data file " + ShownPath(path) + " cannot be written: " + refusal);
            job.ok = false;
            return Decision::Write;
        }
        const auto refuse = [&](const std::string& why) {
            refusal = why;
            noteRefused();
            // A page that writes its file again is refused again, in the same words.
            if (job.error.find(why) == std::string::npos) job.error += (job.error.empty() ? "" : "\n") + why;
            job.ok = false;
            return Decision::Refuse;
        };
        const Decision written = job.dry ? Decision::TakeAsWritten : path == given ? Decision::Write : Decision::WriteElsewhere;
        const Decision noted = written;
        if (items == 0) return refuse(who + ": its table is empty; nothing can be written to " + ShownPath(path));
        if (!OutputFiles::IsInsideFolder(path, m_documentFolder))
            return refuse(who + ": its data file " + ShownPath(path) + " would lie outside the output folder " + ShownPath(m_documentFolder) +
                          ", and a command writes only into its output folder");
        if (written == Decision::WriteElsewhere) refusal = path;
        // Two names of one file (a link to it, another spelling of its folder) are one output.
        const std::string identity = DataFileIdentity(path);
        if (path == job.NormalFinalPath().string() || identity == job.finalIdentity)
            return refuse(who + ": its data file and the model description share the path " + ShownPath(path));
        // One look at the file tells both whether it is an input and whether it is there.
        struct stat found {};
        const bool exists = ::stat(path.c_str(), &found) == 0;
        const std::string input = exists ? InputWithIdentity(path, found.st_dev, found.st_ino) : std::string();
        if (!input.empty())
            return refuse(who + ": its data file " + ShownPath(path) + " is the input " + ShownPath(input) + ", which is not written over");
        // Whatever the order of the elements, no file is both read and written in one run.
        if (const auto reader = job.readBy.find(identity); reader != job.readBy.end() && reader->second != element)
            return refuse(ReadAndWritten(path, reader->second, element));
        if (const auto at = job.wroteAt.find(identity); at != job.wroteAt.end()) {
            const DescriptionJob::WrittenFile& first = job.wrote[at->second];
            if (first.element == element) return noted;
            return refuse("the data file of " + ElementLabel(first.element) + " and the data file of " + who +
                          " would both be written to " + OneFile(first.path, path));
        }
        // A file that is there is replaced only when the element wrote it and nobody changed it
        // since; any other is the user's, whatever it holds and whatever names it. (A link to a
        // name of the host's own is refused by the owner of the output files, in its words.)
        if (exists && !LeadsToHostsOwnName(path) && !IsElementsOwnFile(path, element))
            return refuse(who + ": its data file " + ShownPath(path) +
                          " already exists and is not a file it wrote; describe replaces no file of the user's "
                          "(rename or remove it, describe into another folder, or give the element another file name)");
        const std::string what = "the data file of " + who;
        if (job.checkPaths && job.pathFault.empty()) {
            // A file that cannot go where the wizard puts it: the run fails, but the faults of
            // the elements that follow come first, so it goes on without writing.
            std::string fault;
            const auto owner = job.planned.find(identity);
            if (owner != job.planned.end() && owner->second->what != what)
                fault = owner->second->what + " and " + what + " would both be written to " + OneFile(owner->second->path, path);
            else if (owner == job.planned.end())
                CheckSeenOutputPath(path, what, job.folders, fault, exists ? &found : nullptr);
            if (!fault.empty()) {
                job.pathFault = fault;
                job.StopWriting();
            }
        }
        const Decision go = job.dry ? Decision::TakeAsWritten : written;
        // The owner of the files keeps the earlier contents of a file written (or set aside)
        // until the command ends; a file that is not written keeps what it holds.
        if (!job.dry) job.setAside.erase(path);
        job.wrote.push_back({path, element, identity});
        job.wroteAt.emplace(job.wrote.back().identity, job.wrote.size() - 1);
        return go;
    });
    // The schematic's own page runs let a page's question through to the write, which is
    // refused above in describe's words.
    m_writingDescription = true;
    CReadAndWriteFiles::SetReadWatcher([this, &job](const std::string& given) {
        // A page opens a relative name from the current folder.
        std::error_code code;
        const std::string path = std::filesystem::absolute(PathToUtf8(given), code).lexically_normal().string();
        const std::string identity = DataFileIdentity(path);
        const std::string element = CurrentElementName();
        if (const auto at = job.wroteAt.find(identity); at != job.wroteAt.end() && job.wrote[at->second].element != element) {
            const std::string why = ReadAndWritten(path, element, job.wrote[at->second].element);
            if (job.error.find(why) == std::string::npos) job.error += (job.error.empty() ? "" : "\n") + why;
            job.ok = false;
        }
        job.readBy.emplace(identity, element);
    });
}

std::string Host::CurrentElementName() const {
    return m_describing != nullptr ? m_describing->source.name
           : m_elements.empty()     ? std::string()
                                    : m_elements.back()->source.name;
}

void Host::StopWatchingDataFiles() {
    CReadAndWriteFiles::SetWriteWatcher(nullptr);
    CReadAndWriteFiles::SetReadWatcher(nullptr);
    m_setAside = nullptr;
    m_writingDescription = false;
}

bool Host::BuildingDescription(const std::string& path, const std::function<bool()>& build) {
    struct Building {
        Host& host;
        ~Building() {
            host.m_descriptionPath.clear();
            host.m_checkedDescription.reset();
        }
    } building{*this};
    m_descriptionPath = path;
    return build();
}

bool Host::DescribeSchematic(const Schematic& schematic, const std::string& documentFolder, const std::string& path,
                             std::vector<std::string>& written, std::string& error) {
    if (!CheckSchematic(schematic, error)) return false;
    DescriptionJob job;
    if (!BeginDescription(path, job, error)) return false;
    DescriptionSink sink(*this, job);
    m_sink = &sink;
    std::string buildError;
    const bool built = BuildingDescription(job.finalPath, [&] { return Build(schematic, documentFolder, buildError); });
    m_sink = nullptr;
    DropAllElements();
    if (!built) {
        // The description stays unwritten; the first fault is the one to report. What the
        // pages of the element that could not be made showed on their own belongs to its line.
        job.ok = false;
        for (size_t at = sink.madeShown; at < job.shownErrors.size(); ++at)
            if (!AlreadySays(buildError, job.shownErrors[at])) buildError += "; " + job.shownErrors[at];
        job.shownErrors.resize(std::min(job.shownErrors.size(), sink.madeShown));
        if (job.error.empty()) job.error = buildError;
    }
    return FinishDescription(job, written, error);
}

bool Host::DescribeSchematicText(const std::string& text, const DescribePlan& plan, const std::string& documentFolder,
                                 const std::string& path, std::vector<std::string>& written, std::string& error) {
    namespace fs = std::filesystem;
    // Every element is made once, and described as it is made. The faults keep the order in
    // which a run that first made every element that may write a data file (to learn its
    // files) and then described them all would find them: such an element's fault comes
    // before any other element's, and a data file that cannot be written, an output that is
    // an input or a description that cannot be opened come before an element that fails
    // without writing one. So once the run is bound to fail for a later-ranking fault it
    // writes nothing more and goes on with the elements that may write data files only, in
    // case one of them has a fault that ranks first.
    DescriptionJob job;
    DiscardFile discard(plan.files.front().path);
    job.discard = &discard;
    job.checkPaths = true;
    for (const PlannedFile& file : plan.files) job.planned.emplace(file.identity, &file);
    std::string beforeWriting;   // an output that is an input, or a description that cannot be opened
    for (const PlannedFile& file : plan.files) {
        // The plan looked at the file already.
        const std::string input = file.existed ? InputWithIdentity(file.path, file.device, file.inode) : std::string();
        if (!input.empty()) {
            beforeWriting = file.what + " " + ShownPath(file.path) + ": is the input " + ShownPath(input) + ", which is not written over";
            break;
        }
    }
    if (beforeWriting.empty()) {
        // The files the plan knows are named in their folders' journals at once: one sync of a
        // journal covers them all.
        std::vector<std::string> targets;
        targets.reserve(plan.files.size());
        for (const PlannedFile& file : plan.files) targets.push_back(file.path);
        OutputFiles::Current().Plan(targets, beforeWriting);
    }
    const bool begun = beforeWriting.empty() && BeginDescription(path, job, beforeWriting);
    if (!begun) {
        job.finalPath = plan.files.front().path;
        job.folder = fs::path(job.finalPath).parent_path().string();
        job.StopWriting();
        m_editor->ClearRequests();
        WatchDataFiles(job);
    }
    // What the user script did not foresee outside a page run is reported as it would be if
    // each element that may write data files were made first, then every element again: each
    // of those runs heard of it until its first page run, and later ones went to standard
    // error (UserScript's own report).
    struct Unforeseen {
        std::string message;
        unsigned long runsBefore;   // page runs of its element before it
    };
    std::vector<Unforeseen> unforeseen;
    const auto report = [](const std::string& message) {
        UserScript::Instance().SetFailureHandler(nullptr);
        UserScript::Instance().ReportFailure(message);
    };
    std::vector<std::string> writersShown;     // heard by the first run: the run fails
    std::vector<std::string> othersShown;      // heard by the second run
    std::vector<std::string> othersReported;   // reported by the second run, once it ends
    unsigned long writerRuns = 0;              // page runs of elements that may write data files
    m_keptFailureHandler = [&](const std::string& message) {
        if (!job.EchoesRefusal()) unforeseen.push_back({message, m_pageRuns});
    };
    struct Forget {
        std::function<void(const std::string&)>& handler;
        ~Forget() { handler = nullptr; }
    } forgetHandler{m_keptFailureHandler};
    const unsigned long runsAtStart = m_pageRuns;
    bool writerFailed = false;
    bool otherFailed = false;
    std::string otherError;
    DescriptionSink sink(*this, job);
    const SchematicElementTaker build = [&](SchematicElement& element, std::string& buildError) {
        const bool writer = MayWriteDataFiles(element);
        if (job.dry && !writer) {
            m_editor->AddNameInUse(element.name);
            return true;
        }
        const unsigned long runsBefore = m_pageRuns;
        unforeseen.clear();
        job.refusalBox = UserScript::kNoBox;
        UserScript::Instance().SetFailureHandler(m_keptFailureHandler);
        const bool built = BuildElement(element, buildError);
        // What a page showed about a data file that could not be written is said once, in the
        // run's own words.
        if (!job.writeFailures.empty()) unforeseen.clear();
        // What the pages of an element that cannot be made showed on their own (a value they
        // refuse as they open) belongs to that element's one line.
        if (!built) {
            for (const Unforeseen& heard : unforeseen)
                if (!AlreadySays(buildError, heard.message)) buildError += "; " + heard.message;
            unforeseen.clear();
        }
        for (const Unforeseen& heard : unforeseen) {
            const unsigned long runs = heard.runsBefore - runsBefore;
            if (writer && writerRuns + runs == 0)
                writersShown.push_back(heard.message);
            else if (writer)
                report(heard.message);
            if (otherFailed) continue;
            if (heard.runsBefore == runsAtStart)
                othersShown.push_back(heard.message);
            else
                othersReported.push_back(heard.message);
        }
        if (writer) writerRuns += m_pageRuns - runsBefore;
        UserScript::Instance().SetFailureHandler(m_keptFailureHandler);
        if (built) {
            if (!writersShown.empty()) job.StopWriting();
            return true;
        }
        if (job.error.empty()) job.error = buildError;
        if (writer) {
            writerFailed = true;
            return false;
        }
        otherFailed = true;
        otherError = job.error;
        // A breach of the request protocol would be charged to every element after it.
        if (!m_editor->Breaches().empty()) return false;
        job.error.clear();
        job.ok = true;
        buildError.clear();
        DropAllElements();
        m_editor->ClearRequests();
        UserScript::Instance().ClearShown();
        job.StopWriting();
        return true;
    };
    std::string readError;
    if (!BuildingDescription(job.finalPath,
                             [&] { return BuildText(text, plan.document, plan.elements, documentFolder, sink, readError, {}, build); }) &&
        !writerFailed && !otherFailed) {
        otherFailed = true;
        otherError = readError;
    }
    std::string fault;   // one that ranks before the faults of elements that write no data file
    if (writerFailed || !writersShown.empty()) {
        fault = writerFailed ? job.error : std::string();
        for (const std::string& message : writersShown) fault += (fault.empty() ? "" : "\n") + message;
    } else if (!job.pathFault.empty()) {
        fault = job.pathFault;
    } else if (!beforeWriting.empty()) {
        fault = beforeWriting;
    }
    if (!begun) {
        UserScript::Instance().SetFailureHandler(nullptr);
        StopWatchingDataFiles();
        error = fault;
        return false;
    }
    if (fault.empty())
        for (const std::string& message : othersReported) report(message);
    job.shownErrors = std::move(othersShown);
    if (otherFailed) {
        job.ok = false;
        job.error = otherError;
    }
    if (!job.writeFailures.empty()) {
        fault = job.writeFailures.front();
        for (size_t i = 1; i < job.writeFailures.size(); ++i) fault += "\n" + job.writeFailures[i];
    }
    if (fault.empty()) return FinishDescription(job, written, error);
    // Whatever was written is taken back.
    job.ok = false;
    FinishDescription(job, written, error);
    error = fault;
    return false;
}


std::string Host::CompleteModelText(const Element& element, const std::string& text, std::string* valueFault) const {
    const ParamHolder* holder = m_editor->Holder(element.handle);
    // Where the text stands: between the quotes of a name, and how deep in equations' braces.
    bool quoted = false;
    int braces = 0;
    // Appends the value of the first live parameter of that name to `out`; false when there is none.
    auto appendValue = [&](std::string_view name, std::string& out) {
        for (int i = 0; i < holder->GetParamCount(); ++i) {
            const CWizardCopaObject3* param = holder->GetParam(i);
            if (param == nullptr || param->IsDeleted() || param->GetName().view() != name) continue;
            // A parameter taken from a pin is the signal at the element's pin of that name.
            if (param->HasPin()) {
                out += element.source.name;
                out += '.';
                out += name;
                return true;
            }
            // A value typed in its used unit goes to the simulator in the parameter's unit: a
            // number converted, a name or an expression with the conversion around it.
            // "System" in a sample-time list is the system's own sample time, which the list
            // stores as 0, however the value reached the element (a schematic, saved data).
            const bool systemSampleTime =
                ShownInSampleTimeList(*element.type, *param) && qv::pages::NamesSystemSampleTime(param->GetValue());
            const CString converted = systemSampleTime ? CString("0") : ValueInUsedUnit(param);
            // A value is one value where it is put: it cannot add, split or end an entry, a
            // name or a statement of the text. Equations are checked as equations, as a whole.
            // A name or expression is checked as typed, before its conversion puts it in
            // parentheses; a number as converted.
            if (valueFault != nullptr && valueFault->empty() && braces == 0) {
                long double number = 0.0L;
                const std::string_view checked =
                    qv::ParsePrefixedNumberWide(param->GetValue(), &number) ? converted.view() : param->GetValue().view();
                if (const std::string fault = quoted ? QuotedValueFault(checked) : ValueFault(checked); !fault.empty())
                    *valueFault = ParamValueFault(*param, fault);
            }
            out += converted.view();
            return true;
        }
        return false;
    };
    // One forward pass; inserted values are never searched again.
    const std::string_view source = text;
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    size_t i = 0;
    while (i < source.size()) {
        if (source[i] != '@') {
            const size_t next = std::min(source.find('@', i), source.size());
            const std::string_view copied = source.substr(i, next - i);
            for (const char c : copied) {
                if (c == '"') quoted = !quoted;
                if (!quoted && c == '{') ++braces;
                if (!quoted && c == '}') --braces;
            }
            out += copied;
            i = next;
            continue;
        }
        size_t j = i + 1;
        while (j < source.size() && IsNameChar(source[j])) ++j;
        const std::string_view name = source.substr(i + 1, j - i - 1);
        // A quoted text is the user's own (a data file "run@R.mdx"), unless the quotes hold the
        // placeholder alone ("@FILE"), as the templates write it.
        if (quoted) {
            size_t end = j;
            if (end < source.size() && source[end] == '[') {
                const size_t close = source.find(']', end);
                if (close != std::string_view::npos) end = close + 1;
            }
            if (!(source[i - 1] == '"' && end < source.size() && source[end] == '"')) {
                out += '@';
                ++i;
                continue;
            }
        }
        // An indexed parameter ("A[2]") is one name: its template ("A") never stands in for a
        // member the set lacks, which stays as it is for the check of the text to find.
        if (j < source.size() && source[j] == '[') {
            const size_t close = source.find(']', j);
            if (close != std::string_view::npos) {
                if (!appendValue(source.substr(i + 1, close - i), out)) out += source.substr(i, close + 1 - i);
                i = close + 1;
                continue;
            }
        }
        if (name == "NAME")
            out += element.source.name;
        else if (name.empty() || !appendValue(name, out))
            out += source.substr(i, j - i);
        i = j;
    }
    // The result outputs switched on, one line each from their template's text.
    for (int k = 0; k < holder->GetOutputInstanceCount(); ++k) {
        const CWizardCopaObject3* entry = holder->GetOutputInstance(k);
        if (entry == nullptr || entry->IsDeleted() || entry->GetValue().IsEmpty()) continue;
        // The last parameter the entry was made from names it.
        const CWizardCopaObject3* named = nullptr;
        for (int p = 0; p < holder->GetParamCount(); ++p) {
            const CWizardCopaObject3* param = holder->GetParam(p);
            if (param != nullptr && (entry->GetTemplateObject() == param ||
                                     (param->GetCopaObject() != nullptr && entry->GetTemplateObject() == param->GetCopaObject())))
                named = param;
        }
        // An output the element's form marks unused (ExtType bit 0x20000) is no output of its
        // model: its switch is kept for the form that has it again, and nothing is written.
        if (named == nullptr || named->GetName().IsEmpty() || (named->GetExtType() & 0x20000) != 0) continue;
        const std::string_view paramName = named->GetName().view();
        const std::string_view templ = entry->GetValue().view();
        out += '\n';
        for (size_t p = 0; p < templ.size();) {
            if (templ.compare(p, 6, "@PARAM") == 0) {
                out += paramName;
                p += 6;
            } else if (templ.compare(p, 5, "@NAME") == 0) {
                out += element.source.name;
                p += 5;
            } else {
                // The text up to the next placeholder goes over in one piece.
                const size_t next = std::min(templ.find('@', p + 1), templ.size());
                out += templ.substr(p, next - p);
                p = next;
            }
        }
    }
    return out;
}

std::string Host::WrittenValueFault(const Element& element, const std::string& text) const {
    const ParamHolder* holder = m_editor->Holder(element.handle);
    // Where a value the wizard wrote into the text stands: in equations, between the quotes of
    // a name, or as a value (made once, for the first value found at fault).
    enum : char { kInEquations, kQuoted, kPlain };
    std::vector<char> where;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted() || param->HasPin()) continue;
        const std::string_view value = param->GetValue().view();
        std::string fault = ValueFault(value);
        if (fault.empty()) continue;
        // A double quote in a value the wizard wrote ends or begins a quoted name wherever it
        // stands outside equations, between quotes too: the wizard's own quotes around a file
        // name do not make it the one name they seem to hold. A value of quotes alone cannot be
        // told from the text's own, and the check of the whole text reads those.
        const bool quote = value.find('"') != std::string_view::npos && value.find_first_not_of("\" \t") != std::string_view::npos;
        if (where.empty()) {
            where.resize(text.size() + 1, kPlain);
            bool quoted = false;
            int braces = 0;
            for (size_t at = 0; at < text.size(); ++at) {
                const char c = text[at];
                // A value that begins with a quote stands where the text stood before it.
                const bool quotedBefore = quoted;
                if (c == '"') quoted = !quoted;
                if (!quoted && c == '{') ++braces;
                where[at] = braces != 0 ? kInEquations : quotedBefore && quoted ? kQuoted : kPlain;
                if (!quoted && c == '}') --braces;
            }
        }
        for (size_t at = text.find(value); at != std::string::npos; at = text.find(value, at + 1))
            if (where[at] == kPlain || (quote && where[at] == kQuoted)) return ParamValueFault(*param, fault);
    }
    return std::string();
}

std::string Host::FinishModelText(const Element& element, const std::string& text, std::string& done) const {
    // A value the wizard wrote as it stands is looked for before the editor puts in its own.
    if (std::string fault = WrittenValueFault(element, text); !fault.empty()) return fault;
    std::string valueFault;
    std::string completed = CompleteModelText(element, text, &valueFault);
    // A wizard that does not write the text itself, or writes only its type, leaves the
    // parameter list to the editor; the coupled inductors and the controlled switch leave it
    // the list macros.
    const ParamHolder& holder = *m_editor->Holder(element.handle);
    const std::string filled = ExpandListMacros(holder, FillLeftParamList(holder, text));
    if (const std::string beyond = NumberBeyondItsUnit(element, filled); !beyond.empty())
        return "parameter " + Quoted(beyond) + " is no finite number in its unit, and the model text needs it";
    // Nothing since the first completion changed the parameter set: a text the editor left as
    // it was completes as it did then.
    if (filled == text) {
        done = std::move(completed);
    } else {
        valueFault.clear();
        done = CompleteModelText(element, filled, &valueFault);
    }
    if (!valueFault.empty()) return valueFault;
    // The text as a whole is model text.
    if (std::string fault = ModelTextFault(done); !fault.empty()) return fault;
    return DeclaredNameFault(element, done);
}

std::string Host::DeclaredNameFault(const Element& element, const std::string& text) const {
    const ParamHolder* holder = m_editor->Holder(element.handle);
    const auto isName = [](std::string_view name) {
        return !name.empty() && !(name.front() >= '0' && name.front() <= '9') && std::all_of(name.begin(), name.end(), IsNameChar);
    };
    const auto trimmed = [](std::string_view value) {
        const size_t begin = value.find_first_not_of(" \t");
        if (begin == std::string_view::npos) return std::string_view();
        return value.substr(begin, value.find_last_not_of(" \t") - begin + 1);
    };
    // The names the element declares: its results, and what its own equations assign.
    std::vector<std::string_view> declared;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted() || param->HasPin() || !param->IsOutput()) continue;
        if (const std::string_view name = trimmed(param->GetValue().view()); isName(name)) declared.push_back(name);
    }
    bool quoted = false;
    int braces = 0;
    bool statementStart = false;
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '{' || c == ';') statementStart = true;
        if (c == '{') ++braces;
        if (c == '}') --braces;
        if (braces <= 0 || !IsNameChar(c) || !statementStart) continue;
        statementStart = false;
        size_t end = at;
        while (end < text.size() && IsNameChar(text[end])) ++end;
        size_t assign = end;
        while (assign < text.size() && (text[assign] == ' ' || text[assign] == '\t')) ++assign;
        if (text.compare(assign, 2, ":=") == 0 && isName(std::string_view(text).substr(at, end - at)))
            declared.push_back(std::string_view(text).substr(at, end - at));
        at = end - 1;
    }
    if (declared.empty()) return std::string();
    // One name stands for one thing: two parameters that give a declared name (two results of
    // one name, or a result named as an input the element reads) would make the element
    // overwrite one with the other.
    const CWizardCopaObject3* first = nullptr;
    for (const std::string_view name : declared) {
        first = nullptr;
        for (int i = 0; i < holder->GetParamCount(); ++i) {
            const CWizardCopaObject3* param = holder->GetParam(i);
            if (param == nullptr || param->IsDeleted() || param->HasPin() || !(param->IsOutput() || param->IsInput()) ||
                trimmed(param->GetValue().view()) != name)
                continue;
            if (first == nullptr) {
                first = param;
                continue;
            }
            return "parameters " + Quoted(first->GetName().str()) + " and " + Quoted(param->GetName().str()) +
                   " both name " + Quoted(std::string(name)) + ", which the element declares: one name cannot stand for two things";
        }
    }
    return std::string();
}

std::string Host::NumberBeyondItsUnit(const Element& element, const std::string& text) const {
    const ParamHolder* holder = m_editor->Holder(element.handle);
    size_t scanned = 0;
    bool quoted = false;
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1)) {
        for (; scanned < at; ++scanned)
            if (text[scanned] == '"') quoted = !quoted;
        // A quoted text is a name of the user's ("run@R.mdx"), not a number.
        if (quoted) continue;
        size_t end = at + 1;
        while (end < text.size() && IsNameChar(text[end])) ++end;
        // A macro of the editor ("@ListCoPa(...)") names no parameter.
        if (end == at + 1 || (end < text.size() && text[end] == '(')) continue;
        // An indexed parameter ("Y0[1]") is one name, as the completion takes it.
        if (end < text.size() && text[end] == '[') {
            const size_t close = text.find(']', end);
            if (close != std::string::npos) end = close + 1;
        }
        const std::string_view name = std::string_view(text).substr(at + 1, end - at - 1);
        for (int i = 0; i < holder->GetParamCount(); ++i) {
            const CWizardCopaObject3* param = holder->GetParam(i);
            if (param == nullptr || param->IsDeleted() || param->GetName().view() != name || !param->IsInput() ||
                param->HasPin())
                continue;
            std::string_view value = param->GetValue().view();
            value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
            if (!value.empty() && NoFiniteNumber(*param, std::string(value))) return std::string(name);
        }
    }
    return std::string();
}

bool Host::Describe(const std::string& path, std::vector<std::string>& written, std::string& error) {
    DescriptionJob job;
    if (!BeginDescription(path, job, error)) return false;
    for (auto& element : m_elements) {
        DescribeElement(*element, job);
        if (!job.ok) break;
    }
    return FinishDescription(job, written, error);
}

bool Host::BeginDescription(const std::string& path, DescriptionJob& job, std::string& error) {
    namespace fs = std::filesystem;
    if (!OutputFiles::HasUtf8Name(path, error)) return false;
    std::error_code code;
    const fs::path target = fs::absolute(fs::path(path), code);
    if (code || target.filename().empty()) {
        error = ShownPath(path) + ": not a file path";
        return false;
    }
    job.finalPath = target.string();
    job.folder = target.parent_path().string();
    const int fd = OutputFiles::Current().OpenFile(job.finalPath, job.partPath, error);
    if (fd < 0) return false;
    if (!job.file.Take(fd, job.finalPath)) {
        error = OutputFiles::CannotBeWritten(job.finalPath, errno);
        return false;
    }
    // The request log holds what this description asked of the editor (it would otherwise grow
    // with every description written).
    m_editor->ClearRequests();
    UserScript::Instance().SetFailureHandler([&job](const std::string& message) {
        if (!job.EchoesRefusal()) job.shownErrors.push_back(message);
    });
    WatchDataFiles(job);
    return true;
}

namespace {
void (*g_modelTextHook)() = nullptr;
}  // namespace

void Host::SetModelTextHookForTest(void (*hook)()) { g_modelTextHook = hook; }

std::string Host::WizardModelText(Element& element, CFile* out) {
    const CString templ = ToCString(element.type->templ);
    if (element.wizard4 != nullptr) {
        CString modelText = ToCString(element.type->modelText);
        element.wizard4->WriteSimDescr(out, templ, modelText);
        if (g_modelTextHook != nullptr) g_modelTextHook();
        return ToString(modelText);
    }
    CWizardSchematicDataExchange3* exchange = m_editor->Exchange(element.handle);
    exchange->m_strModelText = ToCString(element.type->modelText);
    element.wizard3->WriteSimDescr(out, templ, exchange);
    if (g_modelTextHook != nullptr) g_modelTextHook();
    return ToString(exchange->m_strModelText);
}

std::string Host::CommitFault(Element& element) {
    // Whatever making the text changes in the element (the older base writes it into the
    // parameter set, some wizards mark members the model does not use) is put back. While a
    // description is made, the text checked is the one describe writes, if nothing changes the
    // element before (m_checkedDescription).
    m_checkedDescription.reset();
    auto checked = std::make_unique<CheckedDescription>();
    SessionKeep& before = checked->state;
    KeepForSession(element, before);
    bool touchedFiles = false;
    // No data file is written or read for it: a table the text names is taken as written.
    // The watchers of the command at work come back afterwards.
    struct Watchers {
        CReadAndWriteFiles::WriteWatcher write = CReadAndWriteFiles::GetWriteWatcher();
        CReadAndWriteFiles::ReadWatcher read = CReadAndWriteFiles::GetReadWatcher();
        ~Watchers() {
            CReadAndWriteFiles::SetWriteWatcher(std::move(write));
            CReadAndWriteFiles::SetReadWatcher(std::move(read));
        }
    } watchers;
    // Its name is one describe can write, in the words describe would refuse it with.
    std::string fileFault;
    CReadAndWriteFiles::SetWriteWatcher([this, &fileFault, &touchedFiles](const std::string& given, int, std::string&) {
        touchedFiles = true;
        if (fileFault.empty()) {
            const std::string path = OutputFiles::PathInFolder(PathToUtf8(given), m_documentFolder);
            fileFault = OutputNameFault(path, "its data file");
        }
        return CReadAndWriteFiles::WriteDecision::TakeAsWritten;
    });
    CReadAndWriteFiles::SetReadWatcher([&touchedFiles](const std::string&) { touchedFiles = true; });
    // Nobody is asked while the editor works it out: what a wizard would show is its fault.
    std::string shown;
    UserScript::Instance().SetUnattended([&shown](const std::string& what) {
        if (shown.empty()) shown = what;
    });
    // The element is described under the name its page gives it: a rename is carried out
    // once the session ends, and describe then writes that name. A name that cannot name an
    // element at all is refused then, in the words of the rename (TakeName).
    struct NameOfPage {
        std::string& name;
        std::string before;
        ~NameOfPage() { name = std::move(before); }
    } nameOfPage{element.source.name, element.source.name};
    if (const ParamHolder* holder = m_editor->Holder(element.handle)) {
        std::string why;
        if (std::string page = ToString(holder->m_strElementName); IsUsableName(page, why)) element.source.name = std::move(page);
    }
    const size_t firstRequest = m_editor->Requests().size();
    DiscardFile discard(m_descriptionPath.empty() ? m_documentFolder + "commit.desc" : m_descriptionPath);
    std::string text = WizardModelText(element, &discard);
    UserScript::Instance().SetUnattended(nullptr);
    std::string fault;
    const auto& requests = m_editor->Requests();
    for (size_t r = firstRequest; r < requests.size() && fault.empty(); ++r)
        if (requests[r].code == WIZREQ_ERROR_TEXT) fault = "its wizard reports " + Quoted(requests[r].text);
    if (fault.empty() && !shown.empty()) fault = "its wizard shows a " + shown + " while it writes its model text";
    if (fault.empty()) fault = fileFault;
    std::string done;
    if (fault.empty()) fault = FinishModelText(element, text, done);
    std::string ignored;
    const bool putBack = PutBackAfterSession(element, before, ignored);
    if (fault.empty() && putBack && !touchedFiles && !m_descriptionPath.empty()) {
        checked->handle = element.handle;
        checked->name = element.source.name;
        checked->text = std::move(text);
        checked->done = std::move(done);
        m_checkedDescription = std::move(checked);
    }
    return fault;
}

void Host::DescribeElement(Element& element, DescriptionJob& job) {
    WatchPagesFiles();
    namespace fs = std::filesystem;
    struct Describing {
        const Element*& slot;
        ~Describing() { slot = nullptr; }
    } describing{m_describing};
    m_describing = &element;
    // The text the check of the element's last OK made, when the element is still as checked
    // then: the wizard reported nothing, showed nothing and wrote no data file for it.
    const std::unique_ptr<CheckedDescription> checked = std::move(m_checkedDescription);
    const bool asChecked = checked != nullptr && checked->handle == element.handle && checked->name == element.source.name &&
                           StillAsKept(element, checked->state);
    std::string text;
    bool reported = false;
    if (asChecked) {
        text = checked->text;
    } else {
        const size_t firstRequest = m_editor->Requests().size();
        text = WizardModelText(element, job.out);
        const auto& requests = m_editor->Requests();
        for (size_t r = firstRequest; r < requests.size(); ++r)
            if (requests[r].code == WIZREQ_ERROR_TEXT && !job.Echoes(requests[r].text)) {
                job.error += (job.error.empty() ? "" : "\n") + (ElementLabel(element.source.name) + ": " + requests[r].text);
                job.ok = false;
                reported = true;
            }
    }
    // A box shown from here on is not about a file this element's pages wrote.
    job.refusalBox = UserScript::kNoBox;
    // A wizard that reported its fault wrote no text of its own: what the template is left with
    // says nothing more.
    if (reported) return;
    // The data files the text names ("FILE := "name"") are written beside the description.
    std::error_code code;
    for (size_t at = text.find("FILE := \""); at != std::string::npos; at = text.find("FILE := \"", at + 1)) {
        const size_t start = at + 9;
        const size_t end = text.find('"', start);
        if (end == std::string::npos) break;
        // A placeholder of the template ("@FILE") names no file yet: the editor fills it in below.
        if (start < end && text[start] == '@') continue;
        const fs::path name = fs::path(PathToUtf8(text.substr(start, end - start)));
        const fs::path data = (name.is_absolute() ? name : fs::path(job.folder) / name).lexically_normal();
        // The description takes its place only at the end: a data file there would be lost.
        if (data == job.NormalFinalPath()) {
            job.error += (job.error.empty() ? "" : "\n") +
                         (ElementLabel(element.source.name) + ": its data file and the model description share the path " +
                          ShownPath(job.finalPath));
            job.ok = false;
        }
    }
    // Each value is one value, and the text as a whole is model text, or nothing of the
    // element is written.
    std::string done;
    if (asChecked) {
        done = std::move(checked->done);
    } else if (const std::string fault = FinishModelText(element, text, done); !fault.empty()) {
        job.error += (job.error.empty() ? "" : "\n") + (ElementLabel(element.source.name) + ": " + fault);
        job.ok = false;
        return;
    }
    const std::string line = Cp1252ToUtf8Text(done) + "\n";
    try {
        job.out->Write(line.data(), static_cast<UINT>(line.size()));
    } catch (CException* e) {
        job.error = CannotBeWritten(job.finalPath, e);
        e->Delete();
        job.ok = false;
    }
}

bool Host::FinishDescription(DescriptionJob& job, std::vector<std::string>& written, std::string& error) {
    UserScript::Instance().SetFailureHandler(nullptr);
    StopWatchingDataFiles();
    // The files set aside that this run did not write again come back.
    for (const std::string& path : job.setAside) OutputFiles::Current().BringBack(path);
    job.setAside.clear();
    bool ok = job.ok;
    error = job.error;
    for (const std::string& message : job.shownErrors) {
        error += (error.empty() ? "" : "\n") + message;
        ok = false;
    }
    if (!m_editor->Breaches().empty()) {
        error += (error.empty() ? "" : "\n") + ("request protocol breach: " + m_editor->Breaches().front());
        ok = false;
    }
    try {
        job.file.Close();
    } catch (CException* e) {
        ok = false;
        if (error.empty()) error = CannotBeWritten(job.finalPath, e);
        e->Delete();
    }
    if (!ok) {
        // The description, every data file of this run and every file set aside go back to
        // what they were.
        OutputFiles::Current().Settle(false);
        if (error.empty()) error = ShownPath(job.finalPath) + ": cannot be written";
        return false;
    }
    // The description in place is the commit point of the run's files.
    if (!PutInPlace(job.partPath, job.finalPath, error)) return false;
    written.clear();
    written.push_back(job.finalPath);
    for (const DescriptionJob::WrittenFile& data : job.wrote) written.push_back(data.path);
    return true;
}


} // namespace qv
