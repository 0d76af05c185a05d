#include "editor/host.h"

#include "afx/dc.h"
#include "afx/module_state.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"
#include "editor/characteristic_forms.h"
#include "editor/param_list_fill.h"
#include "editor/text_codec.h"
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
#include <map>
#include <memory_resource>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <sys/stat.h>
#include <unistd.h>

IMPLEMENT_SERIAL(CSchematicElementRecord, CObject, VERSIONABLE_SCHEMA | 2)

namespace qv {
// Members of one family an archive may list (parameters, outputs of one element).
constexpr DWORD kMaxArchivedRecordMembers = 10000;

namespace {

// Controls of the shared characteristic table page that a characteristic is entered with.
constexpr int kXyReference = 2111;
constexpr int kXyLookUp = 2114;
constexpr int kXyReferenceText = 2113;
constexpr int kXyFileReference = 2330;
constexpr int kXyDataPairs = 2397;
constexpr int kXyVariable = 2395;
constexpr int kXyList = 2121;
constexpr int kXyNewRow = 1122;
constexpr int kXyDeleteAll = 1124;
constexpr int kXyWriteFile = 2116;
constexpr int kXyFileName = 2117;
constexpr int kXyShow = 2217;
// Value IDs of the parameters that the characteristic table fills: the data file's name and
// the variable of a file reference (the characteristic itself has the ID of its button).
constexpr WORD kCharacteristicFileValueId = 1006;
constexpr WORD kCharacteristicVariableValueId = 1007;

// What one control of an open page showed.
struct ControlState {
    std::string text;
    bool checked = false;
    int selection = -1;   // the selected entry of a list
    std::vector<std::vector<std::string>> rows;
};
typedef std::map<int, ControlState> PageState;

// Copies the controls of an open window, so that they can be read after it closed.
std::function<void(CWnd*)> CapturePage(PageState& into) {
    return [&into](CWnd* window) {
        const WindowCore* core = window != nullptr ? window->Core() : nullptr;
        if (core == nullptr) return;
        for (const WindowCore* child : core->children) {
            ControlState& state = into[child->id];
            state.text = child->text;
            state.checked = child->kind == WindowKind::Button && child->check == BST_CHECKED;
            state.selection = child->curSel;
            state.rows.clear();
            for (const auto& row : child->rows) state.rows.push_back(row.cells);
            // A number cell that shows a rounded text of an exact value it keeps (the
            // characteristic table's 15 digits) is read as that value, so that nothing is lost.
            const auto* list = dynamic_cast<const CTBEditListCtrl*>(child->object);
            for (size_t r = 0; list != nullptr && r < state.rows.size(); ++r)
                for (size_t c = 0; c < state.rows[r].size(); ++c)
                    if (double exact = 0.0; list->GetEditItemNumber(static_cast<int>(r), static_cast<int>(c), exact))
                        state.rows[r][c] = ShortestNumberText(exact);
        }
    };
}

// A number as the characteristic table shows it; false for text that is no number.
bool CellNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (end != nullptr && *end == '\0' && std::isfinite(value)) return true;
    // A number with a scale prefix ("1m"), as a cell may show what was typed into it.
    return qv::ParsePrefixedNumber(text.c_str(), &value) != FALSE && std::isfinite(value);
}

// The archive of a saved schematic starts with this text and format number.
const char kArchiveMagic[] = "Quorvatix schematic wizard data";
constexpr WORD kArchiveFormat = 1;
// Additional data of one older-base wizard in an archive.
constexpr DWORD kMaxAdditionalData = 64u * 1024u * 1024u;

CString ToCString(const std::string& text) { return CString(text.c_str(), static_cast<int>(text.size())); }
std::string ToString(const CString& text) { return std::string(static_cast<LPCTSTR>(text), static_cast<size_t>(text.GetLength())); }

// The parameters that the set's live output entries were made for, in the order of the entries.
std::vector<const CWizardCopaObject3*> OutputParams(const ParamHolder* holder) {
    std::vector<const CWizardCopaObject3*> params;
    for (int k = 0; k < holder->GetOutputInstanceCount(); ++k) {
        const CWizardCopaObject3* entry = holder->GetOutputInstance(k);
        if (entry == nullptr || entry->IsDeleted()) continue;
        for (int p = 0; p < holder->GetParamCount(); ++p)
            if (holder->GetParam(p) != nullptr && entry->GetTemplateObject() == holder->GetParam(p))
                params.push_back(holder->GetParam(p));
    }
    return params;
}

// The parameter of that name in the set, deleted ones included; null when there is none.
CWizardCopaObject3* ParamNamed(ParamHolder* holder, const std::string& name) {
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param != nullptr && ToString(param->GetName()) == name) return param;
    }
    return nullptr;
}

// Whether the name is that of a family member, "X[n]" (n a whole number of at most six
// digits); `family` is then "X".
bool MemberOfFamily(const std::string& name, std::string& family) {
    const size_t open = name.find('[');
    if (open == 0 || open == std::string::npos || name.size() < open + 3 || name.size() > open + 8 || name.back() != ']')
        return false;
    for (size_t i = open + 1; i + 1 < name.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    family = name.substr(0, open);
    return true;
}

// A new parameter of that name made from the catalogue's template `templateName` (Type bit
// 0x02, not in lists) as a wizard makes its family members and list rows: a deletable copy
// without the template bit. Null when the catalogue has no such template.
CWizardCopaObject3* MadeFromTemplate(ParamHolder* holder, const CatalogueElement& type, const std::string& templateName,
                                     const std::string& name) {
    const CatalogueParam* listed = type.FindParam(templateName);
    const CWizardCopaObject3* templ = ParamNamed(holder, templateName);
    if (listed == nullptr || (listed->type & 0x2) == 0 || templ == nullptr) return nullptr;
    auto* member = new CWizardCopaObject3(templ);
    member->SetDeletable(TRUE);
    member->Undelete();
    member->SetType(member->GetType() & ~0x2ul);
    member->SetTemplateObject(templ->GetCopaObject());
    member->SetCopaObject(nullptr);
    member->SetName(ToCString(name));
    holder->AddParam(member);
    return member;
}

// The live parameter of that name, or a new member made from its family's template when the
// name is "X[n]" and the catalogue has the template "X" (Type bit 0x02, not in lists): made
// as a wizard makes the members of its families. Null when there is neither. Parameters in
// `taken` are passed over: a set may hold two parameters of one name, each given once.
CWizardCopaObject3* ParamOrMember(ParamHolder* holder, const CatalogueElement& type, const std::string& name,
                                  const std::set<const CWizardCopaObject3*>& taken = {}) {
    CWizardCopaObject3* deleted = nullptr;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || taken.count(param) != 0 || param->GetName().str() != name) continue;
        if (!param->IsDeleted()) return param;
        if (deleted == nullptr) deleted = param;
    }
    if (deleted != nullptr) return deleted;
    std::string family;
    if (!MemberOfFamily(name, family)) return nullptr;
    return MadeFromTemplate(holder, type, family, name);
}

// The catalogue's template that a parameter a page made was copied from: a parameter kept out
// of lists (Type bit 0x2) with the parameter's value ID, one of the parameter's own name first.
// Null when the catalogue has none.
const CatalogueParam* TemplateOf(const CatalogueElement& type, const CWizardCopaObject3& param) {
    const CatalogueParam* found = nullptr;
    for (const CatalogueParam& listed : type.params) {
        if ((listed.type & 0x2) == 0 || listed.valueId != param.GetValueID()) continue;
        if (listed.name == ToString(param.GetName())) return &listed;
        if (found == nullptr) found = &listed;
    }
    return found;
}

// For each parameter of the set, in order (null and deleted ones too): the name of the
// catalogue's template it was made from when a page made it, "" for the catalogue's own
// parameters and the family members "X[n]" (made again from their names). A parameter a page
// made is one whose name the catalogue does not list, or that follows a live parameter of its
// name (an equation row shares its template's name).
std::vector<std::string> PageMadeTemplates(const ParamHolder* holder, const CatalogueElement& type) {
    std::vector<std::string> templates(static_cast<size_t>(std::max(0, holder->GetParamCount())));
    std::unordered_set<std::string> seen;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        const std::string name = ToString(param->GetName());
        const bool first = seen.insert(name).second;
        std::string family;
        const bool member = MemberOfFamily(name, family) && type.FindParam(family) != nullptr;
        if (first && (type.FindParam(name) != nullptr || member)) continue;
        if (const CatalogueParam* templ = TemplateOf(type, *param)) templates[static_cast<size_t>(i)] = templ->name;
    }
    return templates;
}

// Puts the set's live parameters into the order of `names` (a name given twice takes the
// parameters of that name in turn); live parameters it does not name are marked deleted, as
// a page removes them. False with the first name the set has no parameter for.
bool ArrangeParams(ParamHolder* holder, const std::vector<std::string>& names, std::string& missing) {
    std::vector<CWizardCopaObject3*> rest;
    for (int i = 0; i < holder->GetParamCount(); ++i) rest.push_back(holder->GetParam(i));
    std::vector<CWizardCopaObject3*> arranged;
    for (const std::string& name : names) {
        auto it = std::find_if(rest.begin(), rest.end(), [&](const CWizardCopaObject3* p) {
            return p != nullptr && !p->IsDeleted() && ToString(p->GetName()) == name;
        });
        if (it == rest.end()) {
            missing = name;
            return false;
        }
        arranged.push_back(*it);
        rest.erase(it);
    }
    for (CWizardCopaObject3* param : rest) {
        if (param != nullptr && !param->IsDeleted()) param->Delete();
        arranged.push_back(param);
    }
    for (size_t i = 0; i < arranged.size(); ++i) holder->m_Params.SetAt(static_cast<int>(i), arranged[i]);
    return true;
}

// The flags a parameter of that name has when nothing changed them: the catalogue's, and for
// a family member its template's without the "not in lists" bit. False when the catalogue
// knows neither.
bool CatalogueFlags(const CatalogueElement& type, const std::string& name, DWORD& flags, DWORD& extFlags) {
    if (const CatalogueParam* listed = type.FindParam(name)) {
        flags = listed->type;
        extFlags = listed->extType;
        return true;
    }
    std::string family;
    const CatalogueParam* templ = MemberOfFamily(name, family) ? type.FindParam(family) : nullptr;
    if (templ == nullptr || (templ->type & 0x2) == 0) return false;
    flags = templ->type & ~0x2ul;
    extFlags = templ->extType;
    return true;
}


std::string ExceptionText(CException* e) {
    char buffer[256] = {};
    if (e == nullptr || !e->GetErrorMessage(buffer, sizeof buffer)) return "unknown fault";
    return buffer;
}

// Whether a model text holds an empty entry in a list ("( a, )", "a, , b", "( , a"): the
// simulator would read it as a missing value. Texts in double quotes are passed over.
bool HasEmptyListEntry(const std::string& text) {
    char last = 0;   // the last character outside quotes that is no blank
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted || c == '"' || c == ' ' || c == '\t') continue;
        if ((c == ',' || c == ')') && last == ',') return true;
        if (c == ',' && last == '(') return true;
        last = c;
    }
    return false;
}

// Whether a value is a number that is no finite number once its unit is applied ("1e306" in
// kOhm, "1e999"): the simulator could not read what would be written.
bool NoFiniteNumber(const CWizardCopaObject3& param, const std::string& text) {
    double v = 0.0;
    if (qv::ParsePrefixedNumber(text.c_str(), &v) != FALSE) {
        if (!std::isfinite(v)) return true;
        CString converted;
        const CString used = param.GetUsedUnit();
        if (used.IsEmpty() || used == param.GetUnit() ||
            TBConvertUnits(param.GetQuantity(), used, text.c_str(), param.GetUnit(), converted) != FALSE)
            return false;
        // The units themselves convert: the number overflowed.
        return TBConvertUnits(param.GetQuantity(), used, "1", param.GetUnit(), converted) != FALSE;
    }
    // A decimal number beyond the range of a double.
    char* end = nullptr;
    const double d = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0' && !std::isfinite(d);
}

// A handle value just made and gone: every window made later has a larger handle (the
// stand-in draws handles from a counter that only grows).
uintptr_t HandleProbe() {
    CWnd probe;
    probe.CreateMessageWindow();
    const uintptr_t value = reinterpret_cast<uintptr_t>(probe.GetSafeHwnd());
    probe.DestroyWindow();
    return value;
}

// The newest visible top-level dialog that stays on top, made after `from`: the preview that
// the characteristic page opened. The page keeps it to itself, so the host looks for it as a
// window manager would.
CWnd* NewestPreviewWindow(uintptr_t from) {
    const uintptr_t to = HandleProbe();
    for (uintptr_t value = to; value > from; --value) {
        WindowCore* core = CoreFromHandle(reinterpret_cast<HWND>(value));
        if (core == nullptr || core->parent != nullptr || core->kind != WindowKind::Dialog) continue;
        if ((core->style & WS_VISIBLE) && (core->exStyle & WS_EX_TOPMOST)) return core->object;
    }
    return nullptr;
}

// False, with an error that says so, when the target is a folder, device or pipe: a file the
// host writes replaces only a regular file.
bool MayReplace(const std::string& path, std::string& error) {
    if (qv::IsReplaceableFile(path.c_str())) return true;
    error = path + ": is not a regular file and is not replaced";
    return false;
}

// Puts a completely written part file in the target's place (when MayReplace allows it). The
// part file is removed when it cannot take that place.
bool PutInPlace(const std::string& partPath, const std::string& path, std::string& error) {
    if (!MayReplace(path, error)) {
        std::remove(partPath.c_str());
        return false;
    }
    if (std::rename(partPath.c_str(), path.c_str()) != 0) {
        std::remove(partPath.c_str());
        error = path + ": cannot be written";
        return false;
    }
    return true;
}

// A file that takes the element lines of a description that no longer writes; the wizards
// see the description's path.
struct DiscardFile : CFile {
    explicit DiscardFile(const std::string& path) { m_strFileName = path.c_str(); }
    void Write(const void*, UINT) override {}
};

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error) {
    if (!MayReplace(path, error)) return false;
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.close();
        if (!out) {
            std::remove(temp.c_str());
            error = path + ": cannot be written";
            return false;
        }
    }
    return PutInPlace(temp, path, error);
}

// The archive ends with the last element's data; anything after it (elements the count
// left out, say) is refused rather than dropped.
void RefuseTrailingData(CArchive& ar) {
    BYTE chunk[4096];
    size_t trailing = 0;
    for (UINT n = ar.Read(chunk, sizeof chunk); n > 0; n = ar.Read(chunk, sizeof chunk)) trailing += n;
    if (trailing > 0)
        throw std::runtime_error("data follows the last element the archive counts (" + std::to_string(trailing) + " bytes)");
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Runs a step that writes into an archive; false with a message when writing failed.
template <typename Step>
bool Guard(Step step, const std::string& path, std::string& error) {
    try {
        step();
        return true;
    } catch (CException* e) {
        error = path + ": cannot be written (" + ExceptionText(e) + ")";
        e->Delete();
        return false;
    }
}

} // namespace

} // namespace qv

void CSchematicElementRecord::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << wizardId << base << name << showName << symbolVariant;
        ar << static_cast<DWORD>(params.size());
        for (const Param& param : params)
            ar << param.name << param.value << param.usedUnit << param.type << param.extType << param.templateName;
        ar << static_cast<DWORD>(outputs.size());
        for (const CString& output : outputs) ar << output;
        return;
    }
    // Only the record's own schemas can be read: a later one may hold members this host
    // would skip without a word. Schema 1 has no template names (its parameters were all the
    // catalogue's or family members).
    const UINT schema = ar.GetObjectSchema();
    if (schema != 1 && schema != 2) AfxThrowArchiveException(CArchiveException::badSchema);
    ar >> wizardId >> base >> name >> showName >> symbolVariant;
    DWORD count = 0;
    ar >> count;
    // Counts from the file are checked before anything is sized by them.
    if (count > qv::kMaxArchivedRecordMembers) AfxThrowArchiveException(CArchiveException::badIndex);
    params.clear();
    for (DWORD i = 0; i < count; ++i) {
        Param param;
        ar >> param.name >> param.value >> param.usedUnit >> param.type >> param.extType;
        if (schema == 2) ar >> param.templateName;
        params.push_back(param);
    }
    ar >> count;
    if (count > qv::kMaxArchivedRecordMembers) AfxThrowArchiveException(CArchiveException::badIndex);
    outputs.clear();
    for (DWORD i = 0; i < count; ++i) {
        CString output;
        ar >> output;
        outputs.push_back(output);
    }
}

namespace qv {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The default data-file name of an element: "<document>__<element>.mdx", every "." of both
// names turned into "_" (as the framework names it).
std::string DefaultDataFileName(const std::string& document, const std::string& element) {
    std::string name = document + "__" + element;
    std::replace(name.begin(), name.end(), '.', '_');
    return name + ".mdx";
}

bool IsWritableExtension(const std::string& ext) {
    if (ext.size() != 4) return false;
    std::string lower = ext;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower != ".txt" && lower != ".csv";
}

// False with a message when the file cannot be written as a regular file in an existing folder
// under a name the file system holds. `folders` holds the folders already found to exist, so
// that the many data files of one folder look at it once.
// As CheckOutputPath, with what a look at the path found: `seen` is null when nothing is there.
bool CheckSeenOutputPath(const std::string& path, const std::string& what, std::unordered_set<std::string>& folders,
                         std::string& error, const struct stat* seen, PlannedFile* found = nullptr) {
    namespace fs = std::filesystem;
    std::error_code code;
    // The system's calls end a path at its first NUL byte: such a path would name another file.
    if (path.find('\0') != std::string::npos) {
        error = what + ": the path holds a NUL byte";
        return false;
    }
    const fs::path target(path);
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") {
        error = what + " " + path + ": not a file path";
        return false;
    }
    if (name.size() > kMaxOutputNameBytes) {
        error = what + " " + path + ": the file name has " + std::to_string(name.size()) + " bytes, more than the " +
                std::to_string(kMaxOutputNameBytes) + " a file name may have";
        return false;
    }
    if (seen != nullptr && !S_ISREG(seen->st_mode)) {
        error = what + " " + path + ": is " + (S_ISDIR(seen->st_mode) ? "a folder" : "not a regular file") +
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
        error = what + " " + path + ": the folder " + folder + " does not exist";
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

// How messages name an element; made only when a message needs it.
std::string ElementLabel(const std::string& name) { return "element \"" + name + "\""; }

} // namespace

std::string DataFileEntry(const std::string& file, const std::string& documentFolder) {
    namespace fs = std::filesystem;
    if (std::none_of(file.begin(), file.end(), IsSeparator)) return file;
    std::string slashed = file;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const fs::path path(slashed);
    if (path.is_absolute()) return file;
    return (fs::path(documentFolder) / path).lexically_normal().string();
}

std::string UserDataFilePath(const std::string& file, const std::string& element, const std::string& documentFolder) {
    std::string entry = DataFileEntry(file, documentFolder);
    std::replace(entry.begin(), entry.end(), '\\', '/');
    // Folder, name and extension as the table cuts them.
    const size_t slash = entry.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string() : entry.substr(0, slash + 1);
    std::string rest = slash == std::string::npos ? entry : entry.substr(slash + 1);
    const size_t dot = rest.find_last_of('.');
    std::string name = dot == std::string::npos ? rest : rest.substr(0, dot);
    std::string ext = dot == std::string::npos ? std::string() : rest.substr(dot);
    if (name.empty() || name.find('*') != std::string::npos) name = element;
    if (!IsWritableExtension(ext)) ext = ".mdx";
    std::string folder = documentFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    // A file in the document's folder is kept by its bare name; a bare name beginning with "."
    // gets the element's name in front.
    if (dir == folder) dir.clear();
    std::string bare = name + ext;
    if (dir.empty() && bare[0] == '.') bare = element + bare;
    return (dir.empty() ? folder : dir) + bare;
}

namespace {

// What planning the outputs needs of an element whose characteristic is a table of data pairs.
struct DataPairsOutput {
    std::string element;
    std::string file;     // the user's file name ("" = the default name)
    bool empty = false;   // the table has no rows
};

DataPairsOutput DataPairsOutputOf(const SchematicElement& element) {
    return {element.name, element.characteristic.file, element.characteristic.points.empty()};
}

bool PlanOutputs(const std::string& document, const std::vector<DataPairsOutput>& tables,
                 const std::string& descriptionPath, std::vector<PlannedFile>& planned, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code code;
    const fs::path target = fs::absolute(fs::path(descriptionPath), code).lexically_normal();
    if (code || target.filename().empty()) {
        error = descriptionPath + ": not a file path";
        return false;
    }
    std::vector<PlannedFile> files;
    files.reserve(tables.size() + 1);
    files.push_back({target.string(), "the model description"});
    const std::string folder = target.parent_path().string() + "/";
    for (const DataPairsOutput& table : tables) {
        const std::string what = "the data file of element \"" + table.element + "\"";
        const std::string path = table.file.empty() ? folder + DefaultDataFileName(document, table.element)
                                                    : UserDataFilePath(table.file, table.element, folder);
        if (table.empty) {
            error = "element \"" + table.element + "\": its table of data pairs is empty; nothing can be written to " + path;
            return false;
        }
        files.push_back({fs::path(path).lexically_normal().string(), what});
    }
    // Each path once: the first output that claimed it, by index.
    std::unordered_map<std::string_view, size_t> claimed;
    claimed.reserve(files.size());
    std::unordered_set<std::string> folders;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!CheckOutputPath(files[i].path, files[i].what, folders, error, &files[i])) return false;
        const auto [at, fresh] = claimed.emplace(files[i].path, i);
        if (!fresh) {
            error = files[at->second].what + " and " + files[i].what + " would both be written to " + files[i].path;
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

std::vector<std::string> CharacteristicScript(const CatalogueElement& type, const SchematicCharacteristic& ch) {
    std::vector<std::string> lines;
    const CatalogueCharacteristicControls& controls = type.characteristic;
    if (ch.kind == SchematicCharacteristic::Kind::None) return lines;
    lines.push_back("click " + std::to_string(controls.nonlinear));
    if (ch.kind == SchematicCharacteristic::Kind::Pin) {
        lines.push_back("click " + std::to_string(controls.usePin));
        lines.push_back("ok");
        return lines;
    }
    lines.push_back("sheet ok {");
    switch (ch.kind) {
    case SchematicCharacteristic::Kind::Reference:
        lines.push_back("click " + std::to_string(kXyReference));
        lines.push_back("type " + std::to_string(kXyReferenceText) + " " + QuoteScriptText(ch.reference));
        break;
    case SchematicCharacteristic::Kind::FileReference:
        lines.push_back("click " + std::to_string(kXyLookUp));
        lines.push_back("click " + std::to_string(kXyFileReference));
        lines.push_back("type " + std::to_string(kXyVariable) + " " + QuoteScriptText(ch.variable));
        break;
    case SchematicCharacteristic::Kind::DataPairs:
        lines.push_back("click " + std::to_string(kXyLookUp));
        lines.push_back("click " + std::to_string(kXyDataPairs));
        // The page may have read an earlier table from its data file: the rows start afresh.
        lines.push_back("click " + std::to_string(kXyDeleteAll));
        for (size_t row = 0; row < ch.points.size(); ++row) {
            const std::string r = std::to_string(row);
            lines.push_back("click " + std::to_string(kXyNewRow));
            lines.push_back("cell " + std::to_string(kXyList) + " " + r + " 1 " + ShortestNumberText(ch.points[row].first));
            lines.push_back("cell " + std::to_string(kXyList) + " " + r + " 2 " + ShortestNumberText(ch.points[row].second));
        }
        if (!ch.file.empty()) {
            lines.push_back("click " + std::to_string(kXyWriteFile));
            lines.push_back("type " + std::to_string(kXyFileName) + " " + QuoteScriptText(ch.file));
        }
        break;
    default:
        break;
    }
    lines.push_back("}");
    lines.push_back("click " + std::to_string(controls.button));
    lines.push_back("ok");
    return lines;
}

Host::Host() : m_editor(std::make_unique<SchematicEditor>()) {}

Host::~Host() {
    ClearElements();
    m_editor.reset();
    for (HMODULE module : m_formulaModules) FreeLibrary(module);
    if (m_plugin != nullptr) FreeLibrary(m_plugin);
}

void Host::StartSchematic() {
    ClearElements();
    // The names of the schematic before are no longer in use.
    m_editor->ClearNamesInUse();
}

void Host::ClearElements() {
    // Wizards go first: their code lives in the plug-in and they may still refer to the sets.
    for (auto& element : m_elements) {
        delete element->wizard3;
        delete element->wizard4;
        element->wizard3 = nullptr;
        element->wizard4 = nullptr;
    }
    m_elements.clear();
}

bool Host::Start(const HostOptions& options, std::string& error) {
    if (!m_catalogue.LoadFolder(options.catalogueFolder, error)) return false;
    m_plugin = LoadLibraryA(options.pluginPath.c_str());
    if (m_plugin == nullptr) {
        error = "cannot load the plug-in " + options.pluginPath;
        return false;
    }
    m_create3 = reinterpret_cast<Factory3>(GetProcAddress(m_plugin, "CreateWizardInstance"));
    m_create4 = reinterpret_cast<Factory4>(GetProcAddress(m_plugin, "CreateWizard4Instance"));
    if (m_create3 == nullptr || m_create4 == nullptr) {
        error = options.pluginPath + " does not export the wizard factories";
        return false;
    }
    // The editor keeps the formula modules of its installation folder loaded while it runs,
    // so that wizards that load them for each element (the equation blocks check their
    // formulas with them) find them loaded rather than loading and unloading them each time.
    const std::string installation = ToString(GetQuorvatixPath());
    if (!installation.empty())
        for (const char* module : {"Pravent.dll", "Ombrix.dll"})
            if (HMODULE loaded = LoadLibraryA((installation + module).c_str())) m_formulaModules.push_back(loaded);
    return true;
}

void Host::SetDocument(const std::string& folder, const std::string& name) {
    m_document = name;
    m_documentFolder = folder;
    m_editor->Document().SetPathName(ToCString(folder + name + ".qsc"));
    m_editor->Document().SetTitle(ToCString(name));
}

Host::Element* Host::FindElement(const std::string& name) {
    for (auto& element : m_elements)
        if (element->source.name == name) return element.get();
    return nullptr;
}

bool Host::CreateWizard(Element& element, std::string& error) {
    if (element.type->base == 4) {
        element.wizard4 = m_create4(element.type->id);
        if (element.wizard4 == nullptr) {
            error = ElementLabel(element.source.name) + ": the plug-in yields no wizard for ID " + std::to_string(element.type->id);
            return false;
        }
        m_editor->Attach(*element.wizard4, element.handle);
    } else {
        element.wizard3 = m_create3(static_cast<int>(element.type->id));
        if (element.wizard3 == nullptr) {
            error = ElementLabel(element.source.name) + ": the plug-in yields no wizard for ID " + std::to_string(element.type->id);
            return false;
        }
        m_editor->Attach(*element.wizard3, element.handle);
    }
    return true;
}

bool Host::ApplyValues(Element& element, std::string& error) {
    ParamHolder* holder = m_editor->Holder(element.handle);
    holder->m_dwShowName = element.source.showName ? 1 : 0;
    if (element.source.symbolVariant != 0) holder->m_bySymbolVariant = static_cast<BYTE>(element.source.symbolVariant);
    for (const SchematicParam& value : element.source.params) {
        CWizardCopaObject3* param = value.templateName.empty()
                                        ? ParamOrMember(holder, *element.type, value.name)
                                        : MadeFromTemplate(holder, *element.type, value.templateName, value.name);
        if (param == nullptr) {
            error = ElementLabel(element.source.name) + (value.templateName.empty() ? " has no parameter \"" + value.name + "\""
                                                          : " has no template \"" + value.templateName +
                                                                "\" for parameter \"" + value.name + "\"");
            return false;
        }
        if (value.hasType) param->SetType(value.type);
        if (value.hasExtType) param->SetExtType(value.extType);
        if (value.hasValue) param->SetValue(value.value.c_str());
        if (value.hasUnit) {
            CStringArray units;
            // An empty used unit is what a page leaves when its unit list has no entry; the
            // state printed from such an element names it, so it reads back.
            bool known = value.unit.empty();
            if (!known && !param->GetQuantity().IsEmpty() && UnitsOfQuantity(param->GetQuantity(), units))
                for (INT_PTR i = 0; i < units.GetSize() && !known; ++i) known = units[i] == value.unit.c_str();
            if (!known) {
                error = ElementLabel(element.source.name) + " parameter \"" + value.name + "\": \"" + value.unit + "\" is no unit of its quantity";
                return false;
            }
            param->SetUsedUnit(value.unit.c_str());
        }
        if (value.hasPin) param->UsePin(value.pin ? TRUE : FALSE);
    }
    std::string missing;
    if (!element.source.order.empty() && !ArrangeParams(holder, element.source.order, missing)) {
        error = ElementLabel(element.source.name) + ": \"order\" names \"" + missing + "\", a parameter it does not have";
        return false;
    }
    for (const std::string& name : element.source.outputs) {
        CWizardCopaObject3* param = ParamNamed(holder, name);
        if (param == nullptr) {
            error = ElementLabel(element.source.name) + " has no parameter \"" + name + "\" for an output";
            return false;
        }
        bool made = false;
        for (int t = 0; t < holder->GetOutputTemplateCount(); ++t) {
            CWizardCopaObject3* templ = holder->GetOutputTemplate(t);
            if (templ == nullptr || templ->GetName() != "SDB") continue;
            bool live = false;
            for (int k = 0; k < holder->GetOutputInstanceCount() && !live; ++k) {
                const CWizardCopaObject3* entry = holder->GetOutputInstance(k);
                live = entry != nullptr && !entry->IsDeleted() && entry->GetTemplateObject() == param &&
                       entry->GetName() == templ->GetName();
            }
            if (!live) {
                CWizardCopaObject3* entry = CWizardCopaObject3::CreateWizCopa(templ);
                entry->SetDeletable(TRUE);
                entry->SetCopaObject(nullptr);
                entry->SetTemplateObject(param);
                holder->AddOutputInstance(entry);
            }
            made = true;
        }
        if (!made) {
            error = ElementLabel(element.source.name) + ": its kind has no result outputs";
            return false;
        }
    }
    return true;
}

bool Host::ApplyValuesOnPage(Element& element, std::string& error) {
    const std::vector<SchematicParam>& given = element.source.params;
    const auto typed = [](const SchematicParam& value) { return value.hasValue || value.hasUnit || value.hasPin; };
    // An element given no values is what placing it gives: no page needs to run for it, which
    // also keeps large schematics of plain elements fast.
    if (std::none_of(given.begin(), given.end(), typed)) return true;
    // The same one action for every element: parsed once.
    static const std::vector<ScriptAction> pressOk = [] {
        std::vector<ScriptAction> actions;
        std::string never;
        ParseEditScript(std::vector<std::string>{"ok"}, actions, never);
        return actions;
    }();
    EditScriptRunner runner;
    // The listing of the page's controls serves an edit session's user, not this run.
    runner.makeListings = false;
    const std::vector<ScriptAction>& actions = pressOk;
    const size_t shownBefore = UserScript::Instance().Shown().size();
    std::string refused;
    if (!RunSession(element, actions, runner, refused)) {
        // The page's own message says what it refused; the OK the host pressed is no line of
        // the user's.
        const auto& shown = UserScript::Instance().Shown();
        std::string message;
        for (size_t i = shownBefore <= shown.size() ? shownBefore : 0; i < shown.size(); ++i)
            if (shown[i].kind == InteractionKind::MessageBox) message = shown[i].text;
        error = message.empty() ? refused
                                : "element \"" + element.source.name + "\": its page refuses the values given: \"" +
                                      message + "\"";
        return false;
    }
    // A value the page replaced (a period that follows the frequency given beside it) or
    // whose unit it does not offer could not have been typed: the element would describe
    // otherwise than the schematic says.
    ParamHolder* holder = m_editor->Holder(element.handle);
    for (const SchematicParam& value : given) {
        if (!value.templateName.empty() || !typed(value)) continue;
        const CWizardCopaObject3* param = ParamNamed(holder, value.name);
        std::string now;
        if (param == nullptr || param->IsDeleted())
            now = "removes it";
        else if (value.hasValue && ToString(param->GetValue()) != value.value)
            now = "makes it \"" + ToString(param->GetValue()) + "\"";
        else if (value.hasUnit && ToString(param->GetUsedUnit()) != value.unit)
            now = "takes it in \"" + ToString(param->GetUsedUnit()) + "\"";
        else if (value.hasPin && (param->HasPin() != FALSE) != value.pin)
            now = value.pin ? "takes it from no pin" : "takes it from a pin";
        if (now.empty()) continue;
        error = "element \"" + element.source.name + "\" parameter \"" + value.name +
                "\": the value given cannot be typed on its page (the page " + now + ")";
        return false;
    }
    return true;
}

bool Host::TakeName(Element& element, std::string& error) {
    ParamHolder* holder = m_editor->Holder(element.handle);
    const std::string name = ToString(holder->m_strElementName);
    if (name == element.source.name) return true;
    const std::string where = "element \"" + element.source.name + "\"";
    std::string why;
    bool usable = IsUsableName(name, why);
    if (!usable) {
        why = "the name \"" + name + "\" " + why;
    } else {
        // Elements made earlier may be gone already (a job that streams), but their names stay
        // in use.
        const std::string other = m_editor->NameInUseLike(name, element.source.name);
        if (!other.empty()) {
            why = "the name \"" + name + "\" is taken by element \"" + other + "\"";
            usable = false;
        }
    }
    if (!usable) {
        // The element keeps its name, on the page as in the editor.
        holder->m_strElementName = ToCString(element.source.name);
        error = where + " cannot be renamed: " + why;
        return false;
    }
    element.source.name = name;
    m_editor->AddNameInUse(name);
    return true;
}

bool Host::RunSession(Element& element, const std::vector<ScriptAction>& actions, EditScriptRunner& runner,
                      std::string& error) {
    CPropertySheet sheet(ToCString(element.source.name));
    if (element.wizard4 != nullptr)
        element.wizard4->DoEditProperties(sheet, 1);
    else
        element.wizard3->DoEditProperties(sheet, m_editor->Exchange(element.handle), 1);
    bool ok = true;
    if (sheet.GetPageCount() == 0) {
        error = ElementLabel(element.source.name) + ": its wizard shows no pages";
        ok = false;
    } else if (!sheet.Create()) {
        error = ElementLabel(element.source.name) + ": its property sheet cannot be shown";
        ok = false;
    } else {
        ok = runner.Run(actions, sheet);
        // The run leaves no one to hear of what the user script did not foresee, unless the
        // job asked to keep hearing of it (counting the runs).
        ++m_pageRuns;
        if (m_keptFailureHandler) UserScript::Instance().SetFailureHandler(m_keptFailureHandler);
        if (!ok) {
            error = ElementLabel(element.source.name) + ":";
            for (const std::string& line : runner.Errors()) error += "\n  " + line;
        }
    }
    if (sheet.GetSafeHwnd() != nullptr) sheet.DestroyWindow();
    if (element.wizard4 != nullptr) {
        element.wizard4->EndEditProperties();
    } else {
        element.wizard3->EndEditProperties();
        m_editor->KeepAdditionalData(*element.wizard3, element.handle);
    }
    return ok;
}

bool Host::AddElement(const SchematicElement& source, bool initialize, std::string& error) {
    auto element = std::make_unique<Element>();
    element->source = source;
    element->type = m_catalogue.Find(source.id);
    if (element->type == nullptr) {
        error = "element \"" + source.name + "\": wizard ID " + std::to_string(source.id) + " is not in the catalogue";
        return false;
    }
    element->handle = m_editor->AddElement(Catalogue::MakeHolder(*element->type, source.name));
    // Only elements that stay enter their names: a check makes an element and destroys it.
    if (!m_checking) m_editor->AddNameInUse(source.name);
    Element& added = *element;
    m_elements.push_back(std::move(element));
    if (!ApplyValues(added, error) || !CreateWizard(added, error)) return false;
    // A wizard saved with the element is loaded as a saved archive loads it, not initialised.
    if (source.hasWizardData && !LoadWizardData(added, error)) return false;
    if (!initialize) return true;
    if (!source.hasWizardData) {
        if (added.wizard4 != nullptr)
            added.wizard4->Initialize(0);
        else
            added.wizard3->Initialize(m_editor->Exchange(added.handle));
    }

    std::vector<std::string> lines;
    if (source.characteristic.kind != SchematicCharacteristic::Kind::None) {
        if (!added.type->HasCharacteristic()) {
            error = "element \"" + source.name + "\": its kind has no characteristic";
            return false;
        }
        SchematicCharacteristic characteristic = source.characteristic;
        // A user's file given with a relative folder lies relative to the document, not to
        // wherever the host was started.
        if (!characteristic.file.empty()) characteristic.file = DataFileEntry(characteristic.file, m_documentFolder);
        lines = CharacteristicScriptWithForms(*added.type, characteristic);
        if (source.hasWizardData && !FitToLoadedState(added, characteristic, lines, error)) return false;
    }
    for (const std::string& line : source.script) lines.push_back(line);
    // The values stand on the page when a session opens it, and its OK applies them with the
    // rest; without a session the page is run for them alone. A wizard loaded from its data
    // holds what its pages made already.
    if (lines.empty()) return source.hasWizardData || ApplyValuesOnPage(added, error);
    const std::shared_ptr<const std::vector<ScriptAction>> actions = ParsedScript(source, lines, error);
    if (actions == nullptr) return false;
    EditScriptRunner runner;
    runner.makeListings = false;
    return RunSession(added, *actions, runner, error) && TakeName(added, error);
}

namespace {

// The action read from the line (numbered from 1) among the actions and their blocks, or null.
ScriptAction* ActionOfLine(std::vector<ScriptAction>& actions, int line) {
    for (ScriptAction& action : actions) {
        if (action.line == line) return &action;
        if (ScriptAction* inner = ActionOfLine(action.block, line)) return inner;
    }
    return nullptr;
}

// The actions of a script read before, with the lines given by their indexes read again from
// `lines`; null unless each of those lines held a plain action (no block) and still does, so
// that the script's shape is the same.
std::shared_ptr<std::vector<ScriptAction>> WithLinesReadAgain(const std::vector<ScriptAction>& before,
                                                              const std::vector<std::string>& lines,
                                                              const std::vector<size_t>& changed) {
    auto actions = std::make_shared<std::vector<ScriptAction>>(before);
    for (size_t index : changed) {
        const int line = static_cast<int>(index + 1);
        ScriptAction* old = ActionOfLine(*actions, line);
        std::vector<ScriptAction> read;
        std::string error;
        if (old == nullptr || !old->block.empty() || !ParseEditScript(std::vector<std::string>{lines[index]}, read, error) ||
            read.size() != 1 || !read.front().block.empty())
            return nullptr;
        *old = std::move(read.front());
        old->line = line;
    }
    return actions;
}

} // namespace

std::shared_ptr<const std::vector<ScriptAction>> Host::ParsedScript(const SchematicElement& source,
                                                                      const std::vector<std::string>& lines,
                                                                      std::string& error) {
    // The elements of one kind in a schematic mostly carry the same script: the last one
    // parsed for each kind is kept. A script that differs from it only in lines of plain
    // actions (the name of its own data file, typed on a table page) has those lines read
    // again alone.
    ParsedScriptOfKind& last = m_parsedScripts[source.id];
    if (last.actions != nullptr && last.lines.size() == lines.size()) {
        std::vector<size_t> changed;
        for (size_t i = 0; i < lines.size(); ++i)
            if (last.lines[i] != lines[i]) changed.push_back(i);
        if (changed.empty()) return last.actions;
        if (auto actions = WithLinesReadAgain(*last.actions, lines, changed)) {
            for (size_t i : changed) last.lines[i] = lines[i];
            last.actions = actions;
            return actions;
        }
    }
    auto actions = std::make_shared<std::vector<ScriptAction>>();
    if (!ParseEditScript(lines, *actions, error)) {
        error = "element \"" + source.name + "\" script: " + error;
        return nullptr;
    }
    last.lines = lines;
    last.actions = actions;
    return actions;
}

std::string Host::CheckShape(const SchematicElement& source) {
    // Everything of the element that making it may refuse, without its name and its values'
    // texts; length-prefixed, so that no text can pass for another.
    std::string shape;
    const auto add = [&shape](const std::string& text) { shape += std::to_string(text.size()) + ':' + text; };
    const auto flag = [&shape](bool on, unsigned long value) { shape += on ? 'y' + std::to_string(value) + ';' : "n"; };
    for (const SchematicParam& param : source.params) {
        add(param.name);
        add(param.templateName);
        flag(param.hasValue, 0);
        flag(param.hasUnit, 0);
        if (param.hasUnit) add(param.unit);
        flag(param.hasPin, param.pin ? 1 : 0);
        flag(param.hasType, param.type);
        flag(param.hasExtType, param.extType);
    }
    shape += '|';
    for (const std::string& name : source.order) add(name);
    shape += '|';
    for (const std::string& name : source.outputs) add(name);
    return shape;
}

bool Host::Build(const Schematic& schematic, const std::string& documentFolder, std::string& error) {
    StartSchematic();
    SetDocument(documentFolder, schematic.document);
    if (m_sink != nullptr && !m_sink->Begin(schematic.elements.size(), error)) return false;
    for (const SchematicElement& source : schematic.elements)
        if (!BuildElement(source, error)) return false;
    return true;
}

bool Host::BuildElement(const SchematicElement& source, std::string& error) {
    if (!AddElement(source, true, error)) return false;
    if (!m_editor->Breaches().empty()) {
        error = "request protocol breach: " + m_editor->Breaches().front();
        return false;
    }
    return Stream(error);
}

void Host::DropLastElement() {
    if (m_elements.empty()) return;
    Element& element = *m_elements.back();
    // The wizard goes first: its code lives in the plug-in and it may still refer to the set.
    delete element.wizard3;
    delete element.wizard4;
    element.wizard3 = nullptr;
    element.wizard4 = nullptr;
    m_editor->RemoveElement(element.handle);
    m_elements.pop_back();
}

void Host::DropAllElements() {
    while (!m_elements.empty()) DropLastElement();
}

bool Host::Stream(std::string& error) {
    if (m_sink == nullptr || m_elements.empty()) return true;
    const bool ok = m_sink->Take(*m_elements.back(), error);
    if (m_sink->keepLast)
        m_sink->keepLast = false;
    else
        DropLastElement();
    // What the element asked of the editor and what its pages showed are done with; the logs
    // would grow with the schematic.
    m_editor->ClearRequests();
    UserScript::Instance().ClearShown();
    if (ok && !m_editor->Breaches().empty()) {
        error = "request protocol breach: " + m_editor->Breaches().front();
        return false;
    }
    return ok;
}

bool Host::CheckElement(const SchematicElement& source, std::string& error) {
    // Whether an element can be made depends on its kind and on which values it gives, not on
    // its name or the values' texts: an element of the shape that the last one of its kind
    // made without a fault is not made again. Wizard data is looked at every time.
    std::string shape;
    const auto checked = m_checkedShapes.find(source.id);
    if (!source.hasWizardData) shape = CheckShape(source);
    if (source.hasWizardData || checked == m_checkedShapes.end() || checked->second != shape) {
        m_checking = true;
        const bool made = AddElement(source, false, error);
        m_checking = false;
        DropLastElement();
        if (!made) return false;
        if (!source.hasWizardData) m_checkedShapes[source.id] = std::move(shape);
    }
    const CatalogueElement* type = m_catalogue.Find(source.id);
    std::vector<std::string> lines;
    if (source.characteristic.kind != SchematicCharacteristic::Kind::None) {
        if (!type->HasCharacteristic()) {
            error = "element \"" + source.name + "\": its kind has no characteristic";
            return false;
        }
        lines = CharacteristicScriptWithForms(*type, source.characteristic);
    }
    lines.insert(lines.end(), source.script.begin(), source.script.end());
    return lines.empty() || ParsedScript(source, lines, error) != nullptr;
}

bool Host::CheckSchematic(const Schematic& schematic, std::string& error) {
    DropAllElements();
    for (const SchematicElement& source : schematic.elements)
        if (!CheckElement(source, error)) return false;
    return CheckedAll(error);
}

bool Host::CheckedAll(std::string& error) {
    m_editor->ClearRequests();
    if (!m_editor->Breaches().empty()) {
        error = "request protocol breach: " + m_editor->Breaches().front();
        return false;
    }
    return true;
}

bool Host::CheckSchematicText(const std::string& text, const std::function<void(const SchematicElement&)>& note,
                              std::string& document, size_t& count, std::string& checkError, std::string& error) {
    DropAllElements();
    // The reading goes on past an element that fails its check: a fault of the text itself
    // is reported first, wherever it lies, as when the schematic is read whole first.
    bool checked = true;
    size_t elements = 0;
    const SchematicElementTaker take = [&](SchematicElement& element, std::string&) {
        ++elements;
        if (note) note(element);
        if (checked && !CheckElement(element, checkError)) {
            checked = false;
            if (checkError.empty()) checkError = "element \"" + element.name + "\" cannot be made";
        }
        return true;
    };
    if (!ReadSchematicElements(text, document, take, error)) {
        DropAllElements();
        return false;
    }
    count = elements;
    if (checked && !CheckedAll(checkError)) checked = false;
    if (checked) checkError.clear();
    return true;
}

struct Host::DescriptionSink : ElementSink {
    Host& host;
    DescriptionJob& job;
    DescriptionSink(Host& h, DescriptionJob& j) : host(h), job(j) {}
    bool Begin(size_t, std::string&) override { return true; }
    bool Take(Element& element, std::string& error) override {
        host.DescribeElement(element, job);
        if (!job.ok) error = job.error;
        return job.ok;
    }
};

bool Host::PlanDescription(const std::string& text, const std::string& descriptionPath, DescribePlan& plan,
                           std::string& error, bool* textFault) {
    // Of the elements only those with a table of data pairs are noted: their data files are
    // named after the document, whose name may follow the elements.
    std::vector<DataPairsOutput> tables;
    const auto note = [&tables](const SchematicElement& element) {
        if (element.characteristic.kind == SchematicCharacteristic::Kind::DataPairs)
            tables.push_back(DataPairsOutputOf(element));
    };
    DescribePlan result;
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

void Host::SetInputFiles(std::vector<std::string> paths) {
    m_inputs = std::move(paths);
    m_inputIdentities.assign(m_inputs.size(), FileIdentity{});
    for (size_t i = 0; i < m_inputs.size(); ++i) {
        struct stat in {};
        if (::stat(m_inputs[i].c_str(), &in) == 0) m_inputIdentities[i] = {true, in.st_dev, in.st_ino};
    }
}

std::string Host::InputAt(const std::string& path) const {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) return std::string();
    return InputWithIdentity(path, target.st_dev, target.st_ino);
}

std::string Host::InputWithIdentity(const std::string& path, unsigned long long device, unsigned long long inode) const {
    for (size_t i = 0; i < m_inputs.size(); ++i) {
        const FileIdentity& in = m_inputIdentities[i];
        if (in.known && in.device == device && in.inode == inode) return m_inputs[i];
        // An input that was not there when it was named is looked at now.
        if (!in.known && !InputNamedBy(path, {m_inputs[i]}).empty()) return m_inputs[i];
    }
    return std::string();
}

std::string InputNamedBy(const std::string& path, const std::vector<std::string>& inputs) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) return std::string();
    for (const std::string& input : inputs) {
        struct stat in {};
        if (::stat(input.c_str(), &in) == 0 && in.st_dev == target.st_dev && in.st_ino == target.st_ino) return input;
    }
    return std::string();
}

bool Host::MayWriteDataFiles(const SchematicElement& source) const {
    const CatalogueElement* type = m_catalogue.Find(source.id);
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

void Host::WatchDataFiles(DescriptionJob& job) {
    typedef CReadAndWriteFiles::WriteDecision Decision;
    CReadAndWriteFiles::SetWriteWatcher([this, &job](const std::string& given, int items, std::string& refusal) {
        namespace fs = std::filesystem;
        std::error_code code;
        const std::string path = fs::absolute(fs::path(given), code).lexically_normal().string();
        const std::string element = m_describing != nullptr ? m_describing->source.name
                                    : m_elements.empty()     ? std::string()
                                                             : m_elements.back()->source.name;
        const std::string who = "element \"" + element + "\"";
        const auto refuse = [&](const std::string& why) {
            refusal = why;
            job.error += (job.error.empty() ? "" : "\n") + why;
            job.ok = false;
            return Decision::Refuse;
        };
        const Decision noted = job.dry ? Decision::TakeAsWritten : Decision::Write;
        if (items == 0) return refuse(who + ": its table is empty; nothing can be written to " + path);
        if (path == job.NormalFinalPath().string())
            return refuse(who + ": its data file and the model description share the path " + path);
        // One look at the file tells both whether it is an input and whether it is there.
        struct stat found {};
        const bool exists = ::stat(path.c_str(), &found) == 0;
        const std::string input = exists ? InputWithIdentity(path, found.st_dev, found.st_ino) : std::string();
        if (!input.empty()) return refuse(who + ": its data file " + path + " is the input " + input + ", which is not written over");
        if (const auto at = job.wroteAt.find(path); at != job.wroteAt.end()) {
            const std::string& first = job.wrote[at->second].element;
            if (first == element) return noted;
            return refuse("the data file of element \"" + first + "\" and the data file of " + who +
                          " would both be written to " + path);
        }
        const std::string what = "the data file of " + who;
        if (job.checkPaths && job.pathFault.empty()) {
            // A file that cannot go where the wizard puts it: the run fails, but the faults of
            // the elements that follow come first, so it goes on without writing.
            std::string fault;
            const auto owner = job.planned.find(path);
            if (owner != job.planned.end() && owner->second->what != what)
                fault = owner->second->what + " and " + what + " would both be written to " + path;
            else if (owner == job.planned.end())
                CheckSeenOutputPath(path, what, job.folders, fault, exists ? &found : nullptr);
            if (!fault.empty()) {
                job.pathFault = fault;
                job.StopWriting();
            }
        }
        const Decision go = job.dry ? Decision::TakeAsWritten : Decision::Write;
        // A file that is not written keeps what it holds, also when the run is taken back.
        DescriptionJob::WrittenFile file{path, element, job.dry && exists, std::string()};
        if (!job.dry && exists) {
            // A second link keeps the earlier contents: the writer puts a new file in its place.
            file.existed = true;
            const fs::path at(path);
            static const std::string pid = std::to_string(::getpid());
            const fs::path backup = at.parent_path() / ("." + at.filename().string() + "." + pid + ".keep");
            // A link left by an earlier run of the same process ID is replaced.
            fs::create_hard_link(at, backup, code);
            if (code == std::errc::file_exists) {
                fs::remove(backup, code);
                fs::create_hard_link(at, backup, code);
            }
            if (!code) file.backup = backup.string();
        }
        job.wrote.push_back(std::move(file));
        job.wroteAt.emplace(job.wrote.back().path, job.wrote.size() - 1);
        return go;
    });
}

bool Host::DescribeSchematic(const Schematic& schematic, const std::string& documentFolder, const std::string& path,
                             std::vector<std::string>& written, std::string& error) {
    if (!CheckSchematic(schematic, error)) return false;
    DescriptionJob job;
    if (!BeginDescription(path, job, error)) return false;
    DescriptionSink sink(*this, job);
    m_sink = &sink;
    std::string buildError;
    const bool built = Build(schematic, documentFolder, buildError);
    m_sink = nullptr;
    DropAllElements();
    if (!built) {
        // The description stays unwritten; the first fault is the one to report.
        job.ok = false;
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
    for (const PlannedFile& file : plan.files) job.planned.emplace(file.path, &file);
    std::string beforeWriting;   // an output that is an input, or a description that cannot be opened
    for (const PlannedFile& file : plan.files) {
        // The plan looked at the file already.
        const std::string input = file.existed ? InputWithIdentity(file.path, file.device, file.inode) : std::string();
        if (!input.empty()) {
            beforeWriting = file.what + " " + file.path + ": is the input " + input + ", which is not written over";
            break;
        }
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
        unforeseen.push_back({message, m_pageRuns});
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
        UserScript::Instance().SetFailureHandler(m_keptFailureHandler);
        const bool built = BuildElement(element, buildError);
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
    if (!BuildText(text, plan.document, plan.elements, documentFolder, sink, readError, {}, build) && !writerFailed &&
        !otherFailed) {
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
        CReadAndWriteFiles::SetWriteWatcher(nullptr);
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
    if (fault.empty()) return FinishDescription(job, written, error);
    // Whatever was written is taken back.
    job.ok = false;
    FinishDescription(job, written, error);
    error = fault;
    return false;
}

bool Host::BuildText(const std::string& text, const std::string& document, size_t count,
                     const std::string& documentFolder, ElementSink& sink, std::string& error,
                     const std::function<bool(std::string&)>& afterAll, const SchematicElementTaker& build) {
    StartSchematic();
    SetDocument(documentFolder, document);
    if (!sink.Begin(count, error)) return false;
    // The sink lives on the caller's stack: the host forgets it however the reading ends.
    struct Forget {
        ElementSink*& sink;
        ~Forget() { sink = nullptr; }
    } forget{m_sink};
    m_sink = &sink;
    std::string read;
    const SchematicElementTaker take = [this](SchematicElement& element, std::string& takeError) {
        return BuildElement(element, takeError);
    };
    bool built = ReadSchematicElements(text, read, build ? build : take, error);
    m_sink = nullptr;
    if (built && afterAll) built = afterAll(error);
    DropAllElements();
    return built;
}

struct Host::ArchiveSink : ElementSink {
    Host& host;
    ArchiveJob& job;
    ArchiveSink(Host& h, ArchiveJob& j) : host(h), job(j) {}
    bool Begin(size_t count, std::string& error) override {
        return Guard([&] { host.WriteArchiveHeader(job, count); }, job.path, error);
    }
    bool Take(Element& element, std::string& error) override {
        return Guard([&] { host.SaveElement(element, job); }, job.path, error);
    }
};

bool Host::SaveSchematicText(const std::string& text, const std::string& documentFolder, const std::string& path,
                             size_t& count, std::string& error, bool* textFault) {
    std::string document;
    size_t elements = 0;
    std::string checkError;
    const bool read = CheckSchematicText(text, nullptr, document, elements, checkError, error);
    if (textFault != nullptr) *textFault = !read;
    if (!read) return false;
    if (!checkError.empty()) {
        error = checkError;
        return false;
    }
    ArchiveJob job;
    if (!BeginArchive(path, job, error)) return false;
    ArchiveSink sink(*this, job);
    const bool built = BuildText(text, document, elements, documentFolder, sink, error);
    if (!built) {
        job.archive.reset();
        job.file.Abort();
        std::remove(job.partPath.c_str());
        return false;
    }
    if (!FinishArchive(job, error)) return false;
    count = elements;
    return true;
}

bool Host::SaveSchematic(const Schematic& schematic, const std::string& documentFolder, const std::string& path,
                         std::string& error) {
    if (!CheckSchematic(schematic, error)) return false;
    ArchiveJob job;
    if (!BeginArchive(path, job, error)) return false;
    ArchiveSink sink(*this, job);
    m_sink = &sink;
    const bool built = Build(schematic, documentFolder, error);
    m_sink = nullptr;
    DropAllElements();
    if (!built) {
        job.archive.reset();
        job.file.Abort();
        std::remove(job.partPath.c_str());
        return false;
    }
    return FinishArchive(job, error);
}

bool Host::LoadArchive(const std::string& path, const std::string& documentFolder, const std::string& resavePath,
                       std::string& text, size_t& count, std::string& error) {
    std::string whole;
    if (!LoadArchive(path, documentFolder, resavePath, [&whole](const std::string& piece) { whole += piece; }, count,
                     error))
        return false;
    text = std::move(whole);
    return true;
}

bool Host::LoadArchive(const std::string& path, const std::string& documentFolder, const std::string& resavePath,
                       const std::function<void(const std::string&)>& print, size_t& count, std::string& error) {
    m_stateError.clear();
    ArchiveJob job;
    const bool resave = !resavePath.empty();
    if (resave && !BeginArchive(resavePath, job, error)) return false;
    struct Sink : ElementSink {
        Host* host;
        ArchiveJob* job;
        bool resave;
        SchematicTextWriter* writer;
        const std::function<void(const std::string&)>* print;
        size_t count = 0;
        bool Begin(size_t total, std::string& error) override {
            writer->Begin(host->m_document);
            (*print)(writer->TakeWritten());
            return !resave || Guard([&] { host->WriteArchiveHeader(*job, total); }, job->path, error);
        }
        bool Take(Element& element, std::string& error) override {
            writer->Add(host->CurrentElement(element));
            if (!host->m_stateError.empty()) {
                error = host->m_stateError;
                return false;
            }
            (*print)(writer->TakeWritten());
            ++count;
            return !resave || Guard([&] { host->SaveElement(element, *job); }, job->path, error);
        }
    } sink;
    SchematicTextWriter writer;
    sink.host = this;
    sink.job = &job;
    sink.resave = resave;
    sink.writer = &writer;
    sink.print = &print;
    m_sink = &sink;
    const bool loaded = Load(path, documentFolder, error);
    m_sink = nullptr;
    DropAllElements();
    if (!loaded) {
        if (resave) {
            job.archive.reset();
            job.file.Abort();
            std::remove(job.partPath.c_str());
        }
        return false;
    }
    if (resave && !FinishArchive(job, error)) return false;
    print(writer.Finish());
    count = sink.count;
    return true;
}

std::string Host::CompleteModelText(const Element& element, const std::string& text) const {
    const ParamHolder* holder = m_editor->Holder(element.handle);
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
            // A value typed in its used unit goes to the simulator in the parameter's unit;
            // text that is no number (a variable, an expression) goes as it stands.
            CString converted;
            TBConvertUnits(param->GetQuantity(), param->GetUsedUnit(), param->GetValue(), param->GetUnit(), converted);
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
            out += source.substr(i, next - i);
            i = next;
            continue;
        }
        size_t j = i + 1;
        while (j < source.size() && IsNameChar(source[j])) ++j;
        const std::string_view name = source.substr(i + 1, j - i - 1);
        // An indexed parameter ("A[2]") is one name.
        if (j < source.size() && source[j] == '[') {
            const size_t close = source.find(']', j);
            if (close != std::string_view::npos && appendValue(source.substr(i + 1, close - i), out)) {
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
        if (named == nullptr || named->GetName().IsEmpty()) continue;
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

std::string Host::EmptyNeededValue(const Element& element, const std::string& text, bool* noNumber) const {
    if (noNumber != nullptr) *noNumber = false;
    const ParamHolder* holder = m_editor->Holder(element.handle);
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1)) {
        size_t end = at + 1;
        while (end < text.size() && IsNameChar(text[end])) ++end;
        const std::string_view name = std::string_view(text).substr(at + 1, end - at - 1);
        if (name.empty() || name == "NAME") continue;
        for (int i = 0; i < holder->GetParamCount(); ++i) {
            const CWizardCopaObject3* param = holder->GetParam(i);
            if (param == nullptr || param->IsDeleted() || !param->IsInput() || param->HasPin() ||
                param->GetName().view() != name)
                continue;
            std::string_view value = param->GetValue().view();
            value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
            if (value.empty()) return std::string(name);
            if (NoFiniteNumber(*param, std::string(value))) {
                if (noNumber != nullptr) *noNumber = true;
                return std::string(name);
            }
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
    std::error_code code;
    const fs::path target = fs::absolute(fs::path(path), code);
    if (code || target.filename().empty()) {
        error = path + ": not a file path";
        return false;
    }
    job.finalPath = target.string();
    job.partPath = job.finalPath + ".part";
    job.folder = target.parent_path().string();
    for (const auto& entry : std::filesystem::directory_iterator(job.folder, code))
        job.before.insert(entry.path().lexically_normal().string());
    if (!job.file.Open(job.partPath.c_str(), CFile::modeCreate | CFile::modeWrite)) {
        error = job.finalPath + ": cannot be written";
        return false;
    }
    // The request log holds what this description asked of the editor (it would otherwise grow
    // with every description written).
    m_editor->ClearRequests();
    UserScript::Instance().SetFailureHandler([&job](const std::string& message) { job.shownErrors.push_back(message); });
    WatchDataFiles(job);
    return true;
}

void Host::DescribeElement(Element& element, DescriptionJob& job) {
    namespace fs = std::filesystem;
    struct Describing {
        const Element*& slot;
        ~Describing() { slot = nullptr; }
    } describing{m_describing};
    m_describing = &element;
    const size_t firstRequest = m_editor->Requests().size();
    const CString templ = ToCString(element.type->templ);
    std::string text;
    if (element.wizard4 != nullptr) {
        CString modelText = ToCString(element.type->modelText);
        element.wizard4->WriteSimDescr(job.out, templ, modelText);
        text = ToString(modelText);
    } else {
        CWizardSchematicDataExchange3* exchange = m_editor->Exchange(element.handle);
        exchange->m_strModelText = ToCString(element.type->modelText);
        element.wizard3->WriteSimDescr(job.out, templ, exchange);
        text = ToString(exchange->m_strModelText);
    }
    const auto& requests = m_editor->Requests();
    for (size_t r = firstRequest; r < requests.size(); ++r)
        if (requests[r].code == WIZREQ_ERROR_TEXT) {
            job.error += (job.error.empty() ? "" : "\n") + ("element \"" + element.source.name + "\": " + requests[r].text);
            job.ok = false;
        }
    // The data files the text names ("FILE := "name"") are written beside the description.
    std::error_code code;
    for (size_t at = text.find("FILE := \""); at != std::string::npos; at = text.find("FILE := \"", at + 1)) {
        const size_t start = at + 9;
        const size_t end = text.find('"', start);
        if (end == std::string::npos) break;
        // A placeholder of the template ("@FILE") names no file yet: the editor fills it in below.
        if (start < end && text[start] == '@') continue;
        const fs::path name = fs::path(text.substr(start, end - start));
        const fs::path data = (name.is_absolute() ? name : fs::path(job.folder) / name).lexically_normal();
        // The description takes its place only at the end: a data file there would be lost.
        if (data == job.NormalFinalPath()) {
            job.error += (job.error.empty() ? "" : "\n") +
                         ("element \"" + element.source.name + "\": its data file and the model description share the path " +
                          job.finalPath);
            job.ok = false;
        }
        // A file this run wrote is taken back through `wrote` when the run fails: no need to
        // look for it.
        std::string dataPath = data.string();
        if (job.wroteAt.count(dataPath) == 0 && fs::exists(data, code)) job.dataFiles.push_back(std::move(dataPath));
    }
    // Wizards that name their data file without quotes ("FILE := D__F1.mdx"): the file is
    // noted only to be taken back when the description fails.
    std::string completed = CompleteModelText(element, text);
    for (size_t at = completed.find("FILE := "); at != std::string::npos; at = completed.find("FILE := ", at + 1)) {
        const size_t start = at + 8;
        if (start >= completed.size() || completed[start] == '"') continue;
        const size_t end = completed.find_first_of(" ,;)\t\r\n", start);
        const fs::path name = fs::path(completed.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (name.empty()) continue;
        const fs::path data = (name.is_absolute() ? name : fs::path(job.folder) / name).lexically_normal();
        std::string dataPath = data.string();
        if (job.wroteAt.count(dataPath) == 0 && fs::exists(data, code)) job.madeFiles.push_back(std::move(dataPath));
    }
    // A wizard that does not write the text itself, or writes only its type, leaves the
    // parameter list to the editor.
    const std::string filled = FillLeftParamList(*m_editor->Holder(element.handle), text);
    bool noNumber = false;
    const std::string empty = EmptyNeededValue(element, filled, &noNumber);
    if (!empty.empty()) {
        job.error += (job.error.empty() ? "" : "\n") +
                     ("element \"" + element.source.name + "\": parameter \"" + empty +
                      (noNumber ? "\" is no finite number in its unit, and the model text needs it"
                                : "\" has no value, and the model text needs it"));
        job.ok = false;
        return;
    }
    // Nothing since the first completion changed the parameter set: a text the editor left as
    // it was completes as it did then.
    const std::string done = filled == text ? std::move(completed) : CompleteModelText(element, filled);
    if (HasEmptyListEntry(done)) {
        job.error += (job.error.empty() ? "" : "\n") +
                     ("element \"" + element.source.name + "\": its model text has an empty list entry: " + done);
        job.ok = false;
        return;
    }
    const std::string line = Cp1252ToUtf8Text(done) + "\n";
    try {
        job.out->Write(line.data(), static_cast<UINT>(line.size()));
    } catch (CException* e) {
        job.error = job.finalPath + ": cannot be written (" + ExceptionText(e) + ")";
        e->Delete();
        job.ok = false;
    }
}

bool Host::FinishDescription(DescriptionJob& job, std::vector<std::string>& written, std::string& error) {
    UserScript::Instance().SetFailureHandler(nullptr);
    CReadAndWriteFiles::SetWriteWatcher(nullptr);
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
        e->Delete();
        ok = false;
        if (error.empty()) error = job.finalPath + ": cannot be written";
    }
    if (!ok) {
        std::remove(job.partPath.c_str());
        // The data files that elements described before the fault added to the folder go
        // again; files that were there before the run stay.
        job.madeFiles.insert(job.madeFiles.end(), job.dataFiles.begin(), job.dataFiles.end());
        for (const std::string& data : job.madeFiles) {
            const std::filesystem::path path = std::filesystem::path(data).lexically_normal();
            std::error_code code;
            if (path.parent_path() == std::filesystem::path(job.folder).lexically_normal() && job.before.count(path.string()) == 0)
                std::filesystem::remove(path, code);
        }
        // Every data file of this run goes again, or gets its earlier contents back.
        for (const DescriptionJob::WrittenFile& data : job.wrote) {
            std::error_code code;
            if (!data.existed)
                std::filesystem::remove(data.path, code);
            else if (!data.backup.empty())
                std::filesystem::rename(data.backup, data.path, code);
        }
        if (error.empty()) error = job.finalPath + ": cannot be written";
        return false;
    }
    for (const DescriptionJob::WrittenFile& data : job.wrote) {
        std::error_code code;
        if (!data.backup.empty()) std::filesystem::remove(data.backup, code);
    }
    if (!PutInPlace(job.partPath, job.finalPath, error)) return false;
    written.clear();
    written.push_back(job.finalPath);
    for (const DescriptionJob::WrittenFile& data : job.wrote) written.push_back(data.path);
    return true;
}

bool Host::Edit(const std::string& name, const std::vector<std::string>& lines, EditOutcome& outcome,
                std::string& error) {
    Element* element = FindElement(name);
    if (element == nullptr) {
        error = "the schematic has no element \"" + name + "\"";
        return false;
    }
    return EditElement(*element, lines, outcome, error);
}

bool Host::EditElement(Element& element, const std::vector<std::string>& lines, EditOutcome& outcome,
                       std::string& error) {
    std::vector<ScriptAction> actions;
    if (!ParseEditScript(lines, actions, error)) {
        error = "edit script: " + error;
        return false;
    }
    if (!RunEdit(element, actions, outcome, error)) return false;
    element.source.script.insert(element.source.script.end(), lines.begin(), lines.end());
    return TakeName(element, error);
}

namespace {

// The text an `edit -o` prints while the elements are made. It goes into a part file beside
// the output that takes the output's place once the edit succeeded, so that a refused edit
// leaves no output. Where no part file can stand there (the output is a device or a folder,
// the folder takes no file, or the part file would be one of the inputs), the text gathers in
// an unnamed temporary file and is written into the output at the end, as a whole text is.
// The elements after the edited one are printed before it is edited and wait in a second
// unnamed file.
class EditedSchematicFile {
public:
    ~EditedSchematicFile() {
        for (std::FILE* file : {m_main, m_after})
            if (file != nullptr) std::fclose(file);
        if (!m_partPath.empty()) std::remove(m_partPath.c_str());
    }
    void Open(const std::string& path, const Host& host) {
        m_path = path;
        const std::string part = path + ".part";
        if (IsReplaceableFile(path.c_str()) && host.InputAt(part).empty()) {
            m_main = std::fopen(part.c_str(), "wb");
            if (m_main != nullptr) m_partPath = part;
        }
        if (m_main == nullptr) m_main = std::tmpfile();
        m_after = std::tmpfile();
        m_ok = m_main != nullptr && m_after != nullptr;
    }
    void Write(const std::string& text) { Put(m_main, text); }
    void WriteAfter(const std::string& text) { Put(m_after, text); }
    // Puts the whole text (what Write wrote, then what WriteAfter wrote, then `end`) in place.
    bool Finish(const std::string& end, std::string& error) {
        if (m_ok) Append(m_after, m_main);
        Put(m_main, end);
        const bool written = m_ok && std::fflush(m_main) == 0;
        if (written && !m_partPath.empty()) {
            std::fclose(m_main);
            m_main = nullptr;
            const std::string part = std::move(m_partPath);
            m_partPath.clear();
            return PutInPlace(part, m_path, error);
        }
        bool ok = written;
        if (ok) {
            std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
            ok = out.is_open();
            std::rewind(m_main);
            char chunk[65536];
            for (size_t n; ok && (n = std::fread(chunk, 1, sizeof chunk, m_main)) > 0;) ok = static_cast<bool>(out.write(chunk, static_cast<std::streamsize>(n)));
            out.close();
            ok = ok && !std::ferror(m_main) && static_cast<bool>(out);
        }
        if (!ok) error = m_path + ": cannot be written";
        return ok;
    }

private:
    void Put(std::FILE* file, const std::string& text) {
        if (m_ok && !text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) m_ok = false;
    }
    void Append(std::FILE* from, std::FILE* to) {
        std::rewind(from);
        char chunk[65536];
        for (size_t n; m_ok && (n = std::fread(chunk, 1, sizeof chunk, from)) > 0;) m_ok = std::fwrite(chunk, 1, n, to) == n;
        if (std::ferror(from)) m_ok = false;
    }

    std::string m_path;
    std::string m_partPath;   // "" when the text gathers in an unnamed file
    std::FILE* m_main = nullptr;
    std::FILE* m_after = nullptr;
    bool m_ok = false;
};

} // namespace

struct Host::EditSink : ElementSink {
    Host& host;
    const std::string& name;
    EditedSchematicFile* file = nullptr;   // null: nothing is printed
    SchematicTextWriter writer;
    SchematicTextWriter afterWriter;
    Element* edited = nullptr;
    // The first element whose state cannot be read, before and after the edited one.
    std::string stateBefore;
    std::string stateAfter;
    EditSink(Host& h, const std::string& n) : host(h), name(n) {}
    bool Begin(size_t, std::string&) override { return true; }
    bool Take(Element& element, std::string&) override {
        if (edited == nullptr && element.source.name == name) {
            edited = &element;
            keepLast = true;
            return true;
        }
        if (file == nullptr) return true;
        SchematicTextWriter& to = edited == nullptr ? writer : afterWriter;
        to.Add(host.CurrentElement(element));
        std::string& state = edited == nullptr ? stateBefore : stateAfter;
        if (state.empty()) state = host.m_stateError;
        host.m_stateError.clear();
        if (edited == nullptr)
            file->Write(to.TakeWritten());
        else
            file->WriteAfter(to.TakeWritten());
        return true;
    }
};

bool Host::EditSchematicText(const std::string& text, const std::string& documentFolder, const std::string& name,
                             const std::vector<std::string>& lines, const std::string& outPath,
                             const std::function<bool(std::string&)>& beforeEdit, EditOutcome& outcome,
                             std::string& error, bool* textFault) {
    // The first reading finds any fault of the text before an element is made.
    std::string document;
    size_t count = 0;
    const SchematicElementTaker counted = [&count](SchematicElement&, std::string&) {
        ++count;
        return true;
    };
    const bool read = ReadSchematicElements(text, document, counted, error);
    if (textFault != nullptr) *textFault = !read;
    if (!read) return false;
    EditSink sink(*this, name);
    EditedSchematicFile file;
    if (!outPath.empty()) {
        file.Open(outPath, *this);
        sink.file = &file;
        sink.writer.Begin(document);
        sink.afterWriter.ContinueAfterOthers();
    }
    m_stateError.clear();
    const auto edit = [&](std::string& editError) {
        if (beforeEdit && !beforeEdit(editError)) return false;
        if (sink.edited == nullptr) {
            editError = "the schematic has no element \"" + name + "\"";
            return false;
        }
        if (!EditElement(*sink.edited, lines, outcome, editError)) return false;
        if (outPath.empty()) return true;
        sink.writer.Add(CurrentElement(*sink.edited));
        // A schematic that would describe otherwise than the elements do is not written.
        for (const std::string* state : {&sink.stateBefore, &m_stateError, &sink.stateAfter})
            if (!state->empty()) {
                editError = *state;
                return false;
            }
        file.Write(sink.writer.TakeWritten());
        return file.Finish(sink.writer.Finish(), editError);
    };
    return BuildText(text, document, count, documentFolder, sink, error, edit);
}

bool Host::RunEdit(Element& element, const std::vector<ScriptAction>& actions, EditOutcome& outcome,
                   std::string& error) {
    EditScriptRunner runner;
    const uintptr_t from = HandleProbe();
    runner.savePreview = [from](const std::string& path, std::string& message) {
        CWnd* preview = NewestPreviewWindow(from);
        if (preview == nullptr) {
            message = "no characteristic preview is open";
            return false;
        }
        preview->Invalidate();
        preview->UpdateWindow();
        const DisplayList* painting = GetLastPainting(preview);
        if (painting == nullptr) {
            message = "the preview painted nothing";
            return false;
        }
        return WriteWholeFile(path, RenderSvg(*painting), message);
    };
    const bool ok = RunSession(element, actions, runner, error);
    outcome.listing = runner.FinalListing();
    outcome.printed = runner.Printed();
    if (ok && !m_editor->Breaches().empty()) {
        error = "request protocol breach: " + m_editor->Breaches().front();
        return false;
    }
    return ok;
}

bool Host::SymbolSvg(const std::string& name, const std::string& path, std::string& error) {
    Element* element = FindElement(name);
    if (element == nullptr) {
        error = "the schematic has no element \"" + name + "\"";
        return false;
    }
    const ParamHolder* holder = m_editor->Holder(element->handle);
    const std::string text = element->type->SymbolText(GetCurrentLanguageID());
    if (text.empty()) {
        error = "element \"" + name + "\": its kind has no symbol";
        return false;
    }
    constexpr int kSize = 200;
    CTBDrawSymbol symbol(CRect(0, 0, kSize, kSize));
    if (!symbol.LoadSymbols(ToCString(text))) {
        error = "element \"" + name + "\": its symbol cannot be read: " + ToString(symbol.GetErrorText());
        return false;
    }
    symbol.SetCurMask(holder->m_bySymbolVariant);
    CDC dc;
    dc.SetDeviceSize(kSize, kSize);
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* old = dc.SelectObject(&pen);
    symbol.Draw(&dc, CRect(0, 0, kSize, kSize));
    dc.SelectObject(old);
    return WriteWholeFile(path, dc.RenderSvg(), error);
}

bool Host::PreviewSvg(const std::string& name, const std::string& path, std::string& error) {
    Element* element = FindElement(name);
    if (element == nullptr) {
        error = "the schematic has no element \"" + name + "\"";
        return false;
    }
    std::vector<std::string> lines;
    if (!element->type->HasCharacteristic()) {
        // A page that draws a preview of its own (the time functions) shows it with its "Show".
        lines = {"click " + std::to_string(kXyShow), "preview " + QuoteScriptText(path), "cancel"};
    } else {
        // The characteristic of the form the element has: the second form has its own button.
        SchematicCharacteristic now;
        std::string readError;
        const bool second = ReadCharacteristic(*element, now, readError) && now.form == 2;
        const CatalogueCharacteristicControls& controls = element->type->characteristic;
        lines = {"sheet cancel {", "click " + std::to_string(kXyShow), "preview " + QuoteScriptText(path), "}",
                 "click " + std::to_string(second ? controls.button2 : controls.button), "cancel"};
    }
    std::vector<ScriptAction> actions;
    if (!ParseEditScript(lines, actions, error)) return false;
    EditOutcome outcome;
    if (!RunEdit(*element, actions, outcome, error)) {
        error += "\n(the preview needs a page with a preview of its own, or a nonlinear element whose characteristic is "
                 "a table of data pairs)";
        return false;
    }
    return true;
}

bool Host::Save(const std::string& path, std::string& error) {
    ArchiveJob job;
    if (!BeginArchive(path, job, error)) return false;
    try {
        WriteArchiveHeader(job, m_elements.size());
        for (const auto& element : m_elements) SaveElement(*element, job);
    } catch (CException* e) {
        error = path + ": cannot be written (" + ExceptionText(e) + ")";
        e->Delete();
        job.archive.reset();
        job.file.Abort();
        std::remove(job.partPath.c_str());
        return false;
    }
    return FinishArchive(job, error);
}

bool Host::BeginArchive(const std::string& path, ArchiveJob& job, std::string& error) {
    job.path = path;
    job.partPath = path + ".part";
    if (!job.file.Open(job.partPath.c_str(), CFile::modeCreate | CFile::modeWrite)) {
        error = path + ": cannot be written";
        return false;
    }
    job.archive = std::make_unique<CArchive>(&job.file, CArchive::store);
    return true;
}

void Host::WriteArchiveHeader(ArchiveJob& job, size_t count) {
    CArchive& ar = *job.archive;
    ar << CString(kArchiveMagic) << kArchiveFormat << ToCString(m_document);
    ar << static_cast<DWORD>(count);
}

void Host::SaveElement(Element& element, ArchiveJob& job) {
    CArchive& ar = *job.archive;
    const ParamHolder* holder = m_editor->Holder(element.handle);
    CSchematicElementRecord* record = &job.record;
    record->params.clear();
    record->outputs.clear();
    record->wizardId = element.type->id;
    record->base = static_cast<BYTE>(element.type->base);
    record->name = ToCString(element.source.name);
    record->showName = holder->m_dwShowName;
    record->symbolVariant = holder->m_bySymbolVariant;
    const std::vector<std::string> made = PageMadeTemplates(holder, *element.type);
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        record->params.push_back({param->GetName(), param->GetValue(), param->GetUsedUnit(), param->GetType(),
                                  param->GetExtType(), ToCString(made[static_cast<size_t>(i)])});
    }
    for (const CWizardCopaObject3* param : OutputParams(holder)) record->outputs.push_back(param->GetName());
    ar.WriteObject(record);
    // Forgotten once written, so that the next element's record, at this address again, is
    // written as an object of its own and not as a reference to this one.
    ar.ForgetObject(record);
    if (element.wizard4 != nullptr) {
        element.wizard4->Serialize(ar, eSheetVersion4);
    } else {
        BYTE* data = nullptr;
        const DWORD size = element.wizard3->GetAdditionalWizardData(eSheetVersion4, &data);
        ar << (data != nullptr ? size : 0u);
        if (data != nullptr && size > 0) ar.Write(data, size);
    }
}

bool Host::FinishArchive(ArchiveJob& job, std::string& error) {
    bool ok = true;
    try {
        job.archive->Close();
        job.file.Close();
    } catch (CException* e) {
        error = job.path + ": cannot be written (" + ExceptionText(e) + ")";
        e->Delete();
        ok = false;
    }
    job.archive.reset();
    if (!ok) {
        job.file.Abort();
        std::remove(job.partPath.c_str());
        return false;
    }
    return PutInPlace(job.partPath, job.path, error);
}

bool Host::Load(const std::string& path, const std::string& documentFolder, std::string& error) {
    StartSchematic();
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead)) {
        error = path + ": cannot be read";
        return false;
    }
    bool ok = false;
    try {
        CArchive ar(&file, CArchive::load);
        CString magic;
        WORD format = 0;
        CString document;
        ar >> magic;
        if (magic != kArchiveMagic) throw std::runtime_error("not a schematic archive");
        ar >> format;
        if (format != kArchiveFormat) throw std::runtime_error("archive format " + std::to_string(format) + " is not known");
        ar >> document;
        const std::string documentName = ToString(document);
        std::string why;
        if (!IsUsableName(documentName, why)) throw std::runtime_error("the archive's document name " + why);
        SetDocument(documentFolder, documentName);
        DWORD count = 0;
        ar >> count;
        if (count > kMaxSchematicElements) throw std::runtime_error("the archive lists too many elements");
        std::string sinkError;
        if (m_sink != nullptr && !m_sink->Begin(count, sinkError)) throw std::runtime_error(sinkError);
        // The names' collision keys, in one arena: a node of the heap for each of a million
        // names would cost more than the name itself.
        std::pmr::monotonic_buffer_resource namesArena;
        std::pmr::unordered_set<std::pmr::string> names(&namesArena);
        for (DWORD i = 0; i < count; ++i) {
            // Each record is forgotten by the archive when its element is done (below), so a
            // reference back to a record read before gives null.
            std::unique_ptr<CObject> object(ar.ReadObject(RUNTIME_CLASS(CSchematicElementRecord)));
            auto* record = static_cast<CSchematicElementRecord*>(object.get());
            if (record == nullptr)
                throw std::runtime_error("element record " + std::to_string(i + 1) + " is missing");
            SchematicElement source;
            source.id = record->wizardId;
            source.name = ToString(record->name);
            source.showName = record->showName != 0;
            if (!IsUsableName(source.name, why) || !names.insert(std::pmr::string(NameCollisionKey(source.name), &namesArena)).second)
                throw std::runtime_error("element record " + std::to_string(i + 1) + " has no usable unique name");
            const CatalogueElement* type = m_catalogue.Find(source.id);
            if (type == nullptr || type->base != record->base)
                throw std::runtime_error("element \"" + source.name + "\": wizard ID " + std::to_string(source.id) +
                                         " is not in the catalogue with this base");
            std::string addError;
            if (!AddElement(source, false, addError)) throw std::runtime_error(addError);
            Element& element = *m_elements.back();
            ParamHolder* holder = m_editor->Holder(element.handle);
            holder->m_bySymbolVariant = record->symbolVariant;
            std::set<const CWizardCopaObject3*> taken;
            std::vector<std::string> order;
            for (const auto& stored : record->params) {
                order.push_back(ToString(stored.name));
                CWizardCopaObject3* param =
                    stored.templateName.IsEmpty()
                        ? ParamOrMember(holder, *type, ToString(stored.name), taken)
                        : MadeFromTemplate(holder, *type, ToString(stored.templateName), ToString(stored.name));
                if (param == nullptr)
                    throw std::runtime_error("element \"" + source.name + "\": no parameter \"" + ToString(stored.name) + "\"");
                taken.insert(param);
                param->SetValue(stored.value);
                param->SetUsedUnit(stored.usedUnit);
                param->SetType(stored.type);
                param->SetExtType(stored.extType);
            }
            // The record lists the live parameters in the order the pages left them.
            std::string missing;
            if (!ArrangeParams(holder, order, missing))
                throw std::runtime_error("element \"" + source.name + "\": no parameter \"" + missing + "\"");
            element.source.outputs.clear();
            for (const CString& output : record->outputs) element.source.outputs.push_back(ToString(output));
            if (!ApplyValues(element, addError)) throw std::runtime_error(addError);
            element.source.outputs.clear();
            if (element.wizard4 != nullptr) {
                element.wizard4->Serialize(ar, eSheetVersion4);
            } else {
                DWORD size = 0;
                ar >> size;
                if (size > kMaxAdditionalData) throw std::runtime_error("element \"" + source.name + "\": its wizard data is too large");
                // Read in chunks, so that a size the file cannot back takes no memory.
                std::vector<BYTE> data;
                BYTE chunk[65536];
                while (data.size() < size) {
                    const UINT want = static_cast<UINT>(std::min<size_t>(sizeof chunk, size - data.size()));
                    if (ar.Read(chunk, want) != want) AfxThrowArchiveException(CArchiveException::endOfFile);
                    data.insert(data.end(), chunk, chunk + want);
                }
                BYTE* copy = size > 0 ? new BYTE[size] : nullptr;
                if (size > 0) std::memcpy(copy, data.data(), size);
                element.wizard3->SetAdditionalWizardData(copy, size);
                m_editor->KeepAdditionalData(*element.wizard3, element.handle);
            }
            if (!Stream(sinkError)) throw std::runtime_error(sinkError);
            // The record goes with this element; a fault above ends the archive, so it is
            // forgotten only here.
            ar.ForgetObject(record);
        }
        RefuseTrailingData(ar);
        ok = true;
    } catch (CException* e) {
        error = path + ": the archive is damaged (" + ExceptionText(e) + ")";
        e->Delete();
    } catch (const std::runtime_error& e) {
        error = path + ": " + e.what();
    }
    if (ok && !m_editor->Breaches().empty()) {
        error = "request protocol breach: " + m_editor->Breaches().front();
        ok = false;
    }
    if (!ok) ClearElements();
    return ok;
}

bool Host::ReadCharacteristic(Element& original, SchematicCharacteristic& ch, std::string& error, bool* fileTicked) {
    if (fileTicked != nullptr) *fileTicked = false;
    // Opening a page may set things of the wizard that a cancel does not take back (the
    // table's default file name): the pages are opened on a copy, and the element's wizard
    // stays as it is (what it saves is unchanged by looking).
    Element copy = original;
    std::unique_ptr<CWizardBase4> clone;
    if (original.wizard4 != nullptr) {
        clone.reset(original.wizard4->Clone());
        if (clone == nullptr) {
            error = "element \"" + original.source.name + "\": its wizard cannot be copied";
            return false;
        }
        m_editor->Attach(*clone, original.handle);
        copy.wizard4 = clone.get();
    }
    Element& element = copy;
    const CatalogueCharacteristicControls& controls = element.type->characteristic;
    ch = SchematicCharacteristic();
    PageState page;
    EditScriptRunner first;
    first.makeListings = false;
    first.inspect = CapturePage(page);
    std::vector<ScriptAction> actions;
    if (!ParseEditScript(std::vector<std::string>{"print", "cancel"}, actions, error) ||
        !RunSession(element, actions, first, error))
        return false;
    // The characteristic is in use when the nonlinear radio is checked, or the form list shows
    // one of the forms that use it; a page with neither always uses it.
    bool inUse = true;
    if (controls.formList != 0) {
        const int form = page[controls.formList].selection;
        inUse = std::find(controls.forms.begin(), controls.forms.end(), form) != controls.forms.end();
    } else if (controls.nonlinear != 0) {
        inUse = page[controls.nonlinear].checked;
        // A page with a second nonlinear form has its own radio, pin box and button for it.
        if (!inUse && controls.nonlinear2 != 0 && page[controls.nonlinear2].checked) {
            inUse = true;
            ch.form = 2;
        }
    }
    if (!inUse) return true;
    const int usePin = ch.form == 2 ? controls.usePin2 : controls.usePin;
    const int button = ch.form == 2 ? controls.button2 : controls.button;
    if (usePin != 0 && page[usePin].checked) {
        ch.kind = SchematicCharacteristic::Kind::Pin;
        return true;
    }
    PageState table;
    EditScriptRunner second;
    second.makeListings = false;
    second.inspect = CapturePage(table);
    const std::vector<std::string> lines = {"sheet cancel {", "print", "}", "click " + std::to_string(button),
                                            "cancel"};
    if (!ParseEditScript(lines, actions, error) || !RunSession(element, actions, second, error)) return false;
    if (table[kXyReference].checked) {
        ch.kind = SchematicCharacteristic::Kind::Reference;
        ch.reference = table[kXyReferenceText].text;
    } else if (table[kXyFileReference].checked) {
        ch.kind = SchematicCharacteristic::Kind::FileReference;
        ch.variable = table[kXyVariable].text;
    } else {
        ch.kind = SchematicCharacteristic::Kind::DataPairs;
        for (const auto& row : table[kXyList].rows) {
            std::pair<double, double> point;
            if (row.size() < 3 || !CellNumber(row[1], point.first) || !CellNumber(row[2], point.second)) {
                error = "element \"" + element.source.name + "\": its characteristic table holds a row that is no pair of numbers";
                return false;
            }
            ch.points.push_back(point);
        }
        if (table[kXyWriteFile].checked) ch.file = table[kXyFileName].text;
        if (fileTicked != nullptr) *fileTicked = table[kXyWriteFile].checked;
    }
    return true;
}

bool Host::FitToLoadedState(Element& element, const SchematicCharacteristic& wanted, std::vector<std::string>& lines,
                            std::string& error) {
    const CatalogueCharacteristicControls& controls = element.type->characteristic;
    // A loaded wizard keeps its form; picking the first form of the list could change it.
    if (controls.formList != 0 && !lines.empty()) lines.erase(lines.begin());
    SchematicCharacteristic now;
    bool haveFile = false;
    if (!ReadCharacteristic(element, now, error, &haveFile)) return false;
    auto at = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line); };
    // The pin and the data file are check boxes: a click switches them over. Ticked already
    // in the loaded state, they are left; ticked but not wanted, they are cleared.
    // Each nonlinear form has its own pin box: the loaded form's is the one ticked.
    const std::string usePin = "click " + std::to_string(now.form == 2 ? controls.usePin2 : controls.usePin);
    if (now.kind == SchematicCharacteristic::Kind::Pin) {
        if (wanted.kind == SchematicCharacteristic::Kind::Pin && wanted.form == now.form) {
            if (auto line = at(usePin); line != lines.end()) lines.erase(line);
        } else if (wanted.form != now.form) {
            // Cleared while its form is still the chosen one, before the other form is chosen.
            lines.insert(lines.begin(), usePin);
        } else if (auto sheet = at("sheet ok {"); sheet != lines.end()) {
            lines.insert(sheet, usePin);
        }
    }
    if (wanted.kind == SchematicCharacteristic::Kind::DataPairs && haveFile) {
        const std::string writeFile = "click " + std::to_string(kXyWriteFile);
        if (!wanted.file.empty()) {
            if (auto line = at(writeFile); line != lines.end()) lines.erase(line);
        } else if (auto end = at("}"); end != lines.end()) {
            lines.insert(end, writeFile);
        }
    }
    return true;
}

bool Host::SaveWizardData(Element& element, std::vector<unsigned char>& bytes, std::string& error) {
    bytes.clear();
    try {
        if (element.wizard4 != nullptr) {
            CMemFile file;
            CArchive ar(&file, CArchive::store);
            element.wizard4->Serialize(ar, eSheetVersion4);
            ar.Close();
            const BYTE* data = file.Data();
            if (data != nullptr) bytes.assign(data, data + file.GetLength());
        } else {
            BYTE* data = nullptr;
            const DWORD size = element.wizard3->GetAdditionalWizardData(eSheetVersion4, &data);
            if (data != nullptr) bytes.assign(data, data + size);
        }
    } catch (CException* e) {
        error = "element \"" + element.source.name + "\": its wizard data cannot be written (" + ExceptionText(e) + ")";
        e->Delete();
        return false;
    }
    return true;
}

bool Host::LoadWizardData(Element& element, std::string& error) {
    const std::vector<unsigned char>& bytes = element.source.wizardData;
    const std::string where = "element \"" + element.source.name + "\"";
    if (bytes.size() > kMaxAdditionalData) {
        error = where + ": its wizard data is too large";
        return false;
    }
    const DWORD size = static_cast<DWORD>(bytes.size());
    if (element.wizard3 != nullptr) {
        BYTE* copy = size > 0 ? new BYTE[size] : nullptr;
        if (size > 0) std::memcpy(copy, bytes.data(), size);
        element.wizard3->SetAdditionalWizardData(copy, size);
        m_editor->KeepAdditionalData(*element.wizard3, element.handle);
        return true;
    }
    std::vector<BYTE> buffer(bytes.begin(), bytes.end());
    try {
        CMemFile file(buffer.data(), size);
        CArchive ar(&file, CArchive::load);
        element.wizard4->Serialize(ar, eSheetVersion4);
        // The block is the wizard's data and nothing else: bytes it leaves unread are refused.
        BYTE probe = 0;
        if (ar.Read(&probe, 1) != 0) throw std::runtime_error("bytes follow the data the wizard reads");
        ar.Close();
    } catch (CException* e) {
        error = where + ": its wizard data is damaged (" + ExceptionText(e) + ")";
        e->Delete();
        return false;
    } catch (const std::runtime_error& e) {
        error = where + ": its wizard data is damaged (" + e.what() + ")";
        return false;
    }
    return true;
}

Schematic Host::CurrentSchematic() {
    m_stateError.clear();
    Schematic schematic;
    schematic.document = m_document;
    for (const auto& element : m_elements) schematic.elements.push_back(CurrentElement(*element));
    return schematic;
}

SchematicElement Host::CurrentElement(Element& element) {
    SchematicElement out = element.source;
    out.params.clear();
    out.outputs.clear();
    const ParamHolder* holder = m_editor->Holder(element.handle);
    out.showName = holder->m_dwShowName != 0;
    out.symbolVariant = holder->m_bySymbolVariant;
    const std::vector<std::string> made = PageMadeTemplates(holder, *element.type);
    // The order reading the state gives: the catalogue's, then the members and the parameters
    // the pages made, as they are listed.
    std::vector<std::string> live;
    std::vector<std::string> rebuilt;
    std::vector<std::string> madeNames;
    for (const CatalogueParam& listed : element.type->params) rebuilt.push_back(listed.name);
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        const std::string name = ToString(param->GetName());
        live.push_back(name);
        const std::string& templ = made[static_cast<size_t>(i)];
        if (!templ.empty())
            madeNames.push_back(name);
        else if (element.type->FindParam(name) == nullptr)
            rebuilt.push_back(name);
        const CatalogueParam* defaults = templ.empty() ? element.type->FindParam(name) : nullptr;
        // The characteristic's own parameters are part of the characteristic below.
        if (defaults != nullptr && element.type->HasCharacteristic() &&
            (defaults->valueId == element.type->characteristic.button || defaults->valueId == kCharacteristicFileValueId ||
             defaults->valueId == kCharacteristicVariableValueId))
            continue;
        SchematicParam value;
        value.name = name;
        value.templateName = templ;
        value.value = ToString(param->GetValue());
        value.hasValue = defaults == nullptr || value.value != defaults->defaultValue;
        value.unit = ToString(param->GetUsedUnit());
        const CatalogueParam* like = templ.empty() ? defaults : element.type->FindParam(templ);
        value.hasUnit = like != nullptr && value.unit != like->usedUnit;
        DWORD flags = 0;
        DWORD extFlags = 0;
        const bool known = CatalogueFlags(*element.type, templ.empty() ? name : templ, flags, extFlags);
        // A parameter made from a template has the template's flags without its "not in lists" bit.
        if (!templ.empty()) flags &= ~0x2ul;
        // The pin is the type's top bit; "pin" shows it, so "type" only shows the other bits.
        constexpr DWORD kPinBit = 0x80000000u;
        value.pin = param->HasPin() != FALSE;
        value.hasPin = value.pin || (known && (flags & kPinBit) != 0);
        value.type = param->GetType();
        value.hasType = !known || ((value.type ^ flags) & ~kPinBit) != 0;
        value.extType = param->GetExtType();
        value.hasExtType = !known || value.extType != extFlags;
        if (value.hasValue || value.hasUnit || value.hasPin || value.hasType || value.hasExtType) out.params.push_back(value);
    }
    rebuilt.insert(rebuilt.end(), madeNames.begin(), madeNames.end());
    if (live != rebuilt) out.order = live;
    for (const CWizardCopaObject3* param : OutputParams(holder)) {
        const std::string name = ToString(param->GetName());
        if (std::find(out.outputs.begin(), out.outputs.end(), name) == out.outputs.end()) out.outputs.push_back(name);
    }
    // The state holds what the scripts did; replaying them on it would do it twice.
    out.script.clear();
    std::string dataError;
    out.hasWizardData = SaveWizardData(element, out.wizardData, dataError);
    if (!out.hasWizardData && m_stateError.empty()) m_stateError = dataError;
    // An older-base wizard without additional data has nothing of its own to carry.
    if (out.hasWizardData && element.wizard3 != nullptr && out.wizardData.empty()) out.hasWizardData = false;
    if (element.type->HasCharacteristic()) {
        SchematicCharacteristic characteristic;
        std::string error;
        if (ReadCharacteristic(element, characteristic, error))
            out.characteristic = characteristic;
        else if (m_stateError.empty())
            m_stateError = error.empty() ? "element \"" + element.source.name + "\": its characteristic cannot be read" : error;
    }
    return out;
}

} // namespace qv
