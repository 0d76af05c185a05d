#include "editor/host_shared.h"
#include "editor/output_files.h"

#include "afx/dc.h"
#include "afx/module_state.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"
#include "editor/characteristic_forms.h"
#include "framework/combo_entries.h"
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
#include <climits>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory_resource>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace host_detail {

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

bool CellNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (end != nullptr && *end == '\0' && std::isfinite(value)) return true;
    // A number with a scale prefix ("1m"), as a cell may show what was typed into it.
    return qv::ParsePrefixedNumber(text.c_str(), &value) != FALSE && std::isfinite(value);
}

CString ToCString(const std::string& text) { return CString(text.c_str(), static_cast<int>(text.size())); }

std::string ToString(const CString& text) { return std::string(static_cast<LPCTSTR>(text), static_cast<size_t>(text.GetLength())); }

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

CWizardCopaObject3* ParamNamed(ParamHolder* holder, const std::string& name) {
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param != nullptr && ToString(param->GetName()) == name) return param;
    }
    return nullptr;
}

bool MemberOfFamily(const std::string& name, std::string& family) {
    const size_t open = name.find('[');
    if (open == 0 || open == std::string::npos || name.size() < open + 3 || name.size() > open + 8 || name.back() != ']')
        return false;
    for (size_t i = open + 1; i + 1 < name.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    family = name.substr(0, open);
    return true;
}

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

CWizardCopaObject3* ParamOrMember(ParamHolder* holder, const CatalogueElement& type, const std::string& name,
                                  const std::set<const CWizardCopaObject3*>& taken) {
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

const CatalogueParam* TemplateOf(const CatalogueElement& type, const CWizardCopaObject3& param) {
    const CatalogueParam* found = nullptr;
    for (const CatalogueParam& listed : type.params) {
        if ((listed.type & 0x2) == 0 || listed.valueId != param.GetValueID()) continue;
        if (listed.name == ToString(param.GetName())) return &listed;
        if (found == nullptr) found = &listed;
    }
    return found;
}

std::string MadeParamValueIdFault(const CatalogueElement& type, const CWizardCopaObject3& param,
                                  const std::string& elementName) {
    if (TemplateOf(type, param) != nullptr) return "";
    return ElementLabel(elementName) + ": parameter " + Quoted(ToString(param.GetName())) + " has value ID " +
           std::to_string(param.GetValueID()) + ", which no template of the catalogue has";
}

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

bool ArrangeParams(ParamHolder* holder, const std::vector<std::string>& names, std::string& missing, bool* kept) {
    if (kept != nullptr) *kept = false;
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
    // A parameter that no page can remove (the catalogue keeps it) cannot be marked deleted:
    // an order that leaves it out would leave it in use, moved to the end.
    for (const CWizardCopaObject3* param : rest) {
        if (param == nullptr || param->IsDeleted() || param->IsDeletable()) continue;
        missing = ToString(param->GetName());
        if (kept != nullptr) *kept = true;
        return false;
    }
    for (CWizardCopaObject3* param : rest) {
        if (param != nullptr && !param->IsDeleted()) param->Delete();
        arranged.push_back(param);
    }
    for (size_t i = 0; i < arranged.size(); ++i) holder->m_Params.SetAt(static_cast<int>(i), arranged[i]);
    return true;
}

bool IsUnitOf(const std::string& unit, const std::string& quantity) {
    CStringArray units;
    if (quantity.empty() || !UnitsOfQuantity(quantity.c_str(), units)) return false;
    for (INT_PTR i = 0; i < units.GetSize(); ++i)
        if (units[i] == unit.c_str()) return true;
    return false;
}

const CatalogueParam* CatalogueEntry(const CatalogueElement& type, const std::string& name) {
    if (const CatalogueParam* listed = type.FindParam(name)) return listed;
    std::string family;
    const CatalogueParam* templ = MemberOfFamily(name, family) ? type.FindParam(family) : nullptr;
    return templ != nullptr && (templ->type & 0x2) != 0 ? templ : nullptr;
}

bool CatalogueFlags(const CatalogueElement& type, const std::string& name, DWORD& flags, DWORD& extFlags,
                    WORD* valueId) {
    const CatalogueParam* entry = CatalogueEntry(type, name);
    if (entry == nullptr) return false;
    // A family member has its template's flags without the "not in lists" bit.
    flags = entry->name == name ? entry->type : entry->type & ~0x2ul;
    extFlags = entry->extType;
    if (valueId != nullptr) *valueId = static_cast<WORD>(entry->valueId);
    return true;
}

std::string ExceptionText(CException* e) {
    // Room for a reason that names a file at the deepest path the system takes, so that the
    // line is never cut.
    std::vector<char> buffer(PATH_MAX + 256, '\0');
    if (e == nullptr || !e->GetErrorMessage(buffer.data(), static_cast<UINT>(buffer.size()))) return "unknown fault";
    return buffer.data();
}

std::string CannotBeWritten(const std::string& path, CException* e) {
    if (const auto* file = dynamic_cast<CFileException*>(e); file != nullptr && file->m_lOsError > 0)
        return OutputFiles::CannotBeWritten(path, static_cast<int>(file->m_lOsError));
    return ShownPath(path) + ": cannot be written (" + ExceptionText(e) + ")";
}

std::string InfoShown(const CWizardCopaObject3& param) {
    CString text;
    LanguageDependentText(param.GetInfoMap(), text);
    return ToString(text);
}

std::string InfoShown(const LanguageTexts& texts) {
    for (WORD language : {GetCurrentLanguageID(), static_cast<WORD>(kLanguageEnglish)})
        if (auto it = texts.find(language); it != texts.end()) return it->second;
    return texts.empty() ? std::string() : texts.begin()->second;
}

void SetInfoShown(CWizardCopaObject3& param, const std::string& info) {
    if (InfoShown(param) != info) param.SetInfoByLangID(GetCurrentLanguageID(), info.c_str());
}

std::map<std::pair<std::string, int>, std::string> ParamValues(const ParamHolder* holder) {
    std::map<std::pair<std::string, int>, std::string> values;
    std::map<std::string, int> seen;
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        const std::string name = ToString(param->GetName());
        values[{name, seen[name]++}] = ToString(param->GetValue());
    }
    return values;
}

std::string DataFileShown(const std::string& file, const std::string& documentFolder) {
    namespace fs = std::filesystem;
    std::string slashed = file;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const fs::path path = fs::path(slashed).lexically_normal();
    if (!path.is_absolute() || documentFolder.empty()) return file;
    // The table holds the name in the code page, as DataFileEntry made it from the folder.
    std::string folder;
    std::string unused;
    if (!Utf8ToCp1252(documentFolder, folder, unused)) folder = documentFolder;
    const fs::path relative = path.lexically_relative(fs::path(folder).lexically_normal());
    if (relative.empty() || relative == "." || *relative.begin() == "..") return file;
    return relative.string();
}

bool NoFiniteNumber(const CWizardCopaObject3& param, const std::string& text) {
    // Read wide: a number that its prefix takes beyond a double ("1e306k") may still fit in
    // the parameter's unit ("1e308k" mOhm), and only the unit decides.
    long double v = 0.0L;
    if (qv::ParsePrefixedNumberWide(text.c_str(), &v) != FALSE) {
        CString converted;
        const CString used = param.GetUsedUnit();
        if (used.IsEmpty() || used == param.GetUnit())
            return !(std::fabs(v) <= static_cast<long double>(std::numeric_limits<double>::max()));
        if (TBConvertUnits(param.GetQuantity(), used, text.c_str(), param.GetUnit(), converted) != FALSE) return false;
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

// Whether two values of a parameter, each in its used unit, are one number once prefixes and
// units are applied, to the 15 digits with which pages write the numbers they make: a page
// that shows "0.01" where "10m" was typed keeps the value. A name or a formula is the same
// value when it is the same text in the parameter's own unit: a field without a unit list
// that shows "Q" given in mV as "((Q)*0.001)" in V keeps it.
bool SameNumberInUnits(const CWizardCopaObject3& param, const std::string& a, const std::string& aUnit,
                       const std::string& b, const std::string& bUnit) {
    const auto inUnit = [&param](const std::string& text, const std::string& unit, CString& digits) {
        CString converted;
        double v = 0.0;
        if (TBConvertUnits(param.GetQuantity(), unit.c_str(), text.c_str(), param.GetUnit(), converted) == FALSE ||
            qv::ParsePrefixedNumber(converted, &v) == FALSE)
            return false;
        digits = TBExtended_ftoa(v, -1, 0, "");
        return true;
    };
    CString first;
    CString second;
    if (inUnit(a, aUnit, first) && inUnit(b, bUnit, second)) return first == second;
    long double number = 0.0L;
    if (qv::ParsePrefixedNumberWide(a.c_str(), &number) || qv::ParsePrefixedNumberWide(b.c_str(), &number))
        return false;
    return qv::ValueInUnit(param.GetQuantity(), aUnit.c_str(), a.c_str(), param.GetUnit()) ==
           qv::ValueInUnit(param.GetQuantity(), bUnit.c_str(), b.c_str(), param.GetUnit());
}

uintptr_t HandleProbe() {
    CWnd probe;
    probe.CreateMessageWindow();
    const uintptr_t value = reinterpret_cast<uintptr_t>(probe.GetSafeHwnd());
    probe.DestroyWindow();
    return value;
}

CWnd* NewestPreviewWindow(uintptr_t from) {
    const uintptr_t to = HandleProbe();
    for (uintptr_t value = to; value > from; --value) {
        WindowCore* core = CoreFromHandle(reinterpret_cast<HWND>(value));
        if (core == nullptr || core->parent != nullptr || core->kind != WindowKind::Dialog) continue;
        if ((core->style & WS_VISIBLE) && (core->exStyle & WS_EX_TOPMOST)) return core->object;
    }
    return nullptr;
}

bool MayReplace(const std::string& path, std::string& error) {
    if (qv::IsReplaceableFile(path.c_str())) return true;
    error = ShownPath(path) + ": is not a regular file and is not replaced";
    return false;
}

bool PutInPlace(const std::string& partPath, const std::string& path, std::string& error) {
    OutputFiles& owner = OutputFiles::Current();
    if (!MayReplace(path, error)) {
        owner.Settle(false);
        return false;
    }
    if (!owner.PutInPlace(partPath, path)) {
        error = OutputFiles::CannotBeWritten(path, errno);
        owner.Settle(false);
        return false;
    }
    // The output in place is the end of the command's writing: its commit point.
    return owner.Settle(true, &error);
}

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error, bool commit) {
    if (!OutputFiles::HasUtf8Name(path, error)) return false;
    if (!MayReplace(path, error)) return false;
    std::string temp;
    const int fd = OutputFiles::Current().OpenFile(path, temp, error);
    if (fd < 0) return false;
    bool written = true;
    for (size_t done = 0; written && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) done += static_cast<size_t>(n);
    }
    int reason = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        reason = errno;
    }
    if (!written) {
        error = OutputFiles::CannotBeWritten(path, reason);
        return false;
    }
    if (commit) return PutInPlace(temp, path, error);
    if (OutputFiles::Current().PutInPlace(temp, path)) return true;
    error = OutputFiles::CannotBeWritten(path, errno);
    return false;
}

void RefuseTrailingData(CArchive& ar) {
    BYTE chunk[4096];
    size_t trailing = 0;
    for (UINT n = ar.Read(chunk, sizeof chunk); n > 0; n = ar.Read(chunk, sizeof chunk)) trailing += n;
    if (trailing > 0)
        throw std::runtime_error("data follows the last element the archive counts (" + std::to_string(trailing) + " bytes)");
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// How messages name an element; made only when a message needs it.
std::string ElementLabel(const std::string& name) { return "element " + Quoted(name); }

} // namespace host_detail

using namespace host_detail;

bool MadeFile::Take(int fd, const std::string& path) {
    Abort();
    m_pStream = ::fdopen(fd, "wb");
    if (m_pStream == nullptr) {
        const int reason = errno;
        ::close(fd);
        errno = reason;
        return false;
    }
    m_strFileName = path.c_str();
    return true;
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
    // The table's own file name, which a reference or a file reference keeps for the data
    // pairs and does not write, is typed where the page edits it: under the look-up table's
    // data pairs.
    const auto keepFile = [&] {
        lines.push_back("click " + std::to_string(kXyDataPairs));
        lines.push_back("click " + std::to_string(kXyWriteFile));
        lines.push_back("type " + std::to_string(kXyFileName) + " " + QuoteScriptText(ch.file));
    };
    switch (ch.kind) {
    case SchematicCharacteristic::Kind::Reference:
        if (!ch.file.empty()) {
            lines.push_back("click " + std::to_string(kXyLookUp));
            keepFile();
        }
        lines.push_back("click " + std::to_string(kXyReference));
        lines.push_back("type " + std::to_string(kXyReferenceText) + " " + QuoteScriptText(ch.reference));
        break;
    case SchematicCharacteristic::Kind::FileReference:
        lines.push_back("click " + std::to_string(kXyLookUp));
        if (!ch.file.empty()) keepFile();
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

Host::Host() : m_editor(std::make_unique<SchematicEditor>()) {
    // Every data file the pages write goes through the owner of output files.
    CReadAndWriteFiles::SetTemporaryFiles(
        {[](const std::string& target, std::string& temporary, std::string& error) {
             return OutputFiles::Current().OpenFile(target, temporary, error, false);
         },
         [](const std::string& temporary, const std::string& target) {
             return OutputFiles::Current().PutInPlace(temporary, target);
         },
         [](const std::string& temporary) { OutputFiles::Current().Discard(temporary); }});
}

Host::~Host() {
    CReadAndWriteFiles::SetFindWatcher(nullptr);
    CReadAndWriteFiles::SetWriterSource(nullptr);
    // A job that ended without putting its output in place takes back what it wrote.
    OutputFiles::Current().Settle(false);
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
    m_ownDataFiles.clear();
}

bool Host::Start(const HostOptions& options, std::string& error) {
    // The plug-in names its data files in the code page, with the folders the host gave it:
    // on disk every name is UTF-8, as the host's own paths and messages are.
    qv::SetDiskPathConverter(&PathToUtf8);
    WatchPagesFiles();
    if (!m_catalogue.LoadFolder(options.catalogueFolder, error)) return false;
    m_plugin = LoadLibraryA(options.pluginPath.c_str());
    if (m_plugin == nullptr) {
        error = "cannot load the plug-in " + ShownPath(options.pluginPath);
        return false;
    }
    m_create3 = reinterpret_cast<Factory3>(GetProcAddress(m_plugin, "CreateWizardInstance"));
    m_create4 = reinterpret_cast<Factory4>(GetProcAddress(m_plugin, "CreateWizard4Instance"));
    if (m_create3 == nullptr || m_create4 == nullptr) {
        error = ShownPath(options.pluginPath) + " does not export the wizard factories";
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

void Host::WatchPagesFiles() {
    CReadAndWriteFiles::SetFindWatcher([this](const std::string& path) { return MayPagesFind(path); });
    // Every data file is marked with the element at work: the one whose pages run, else the
    // one being described or made.
    CReadAndWriteFiles::SetWriterSource([this] {
        return WriterOf(m_inSession != nullptr ? m_inSession->source.name : CurrentElementName());
    });
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
            error = ElementLabel(element.source.name) + (value.templateName.empty() ? " has no parameter " + Quoted(value.name)
                                                          : " has no template " + Quoted(value.templateName) +
                                                                " for parameter " + Quoted(value.name));
            return false;
        }
        // Only an expression that the pages edit in the calculation dialog may hold several
        // lines; elsewhere a line break would start a line of its own in the description.
        if (value.hasValue && HasLineBreak(value.value)) {
            const CatalogueParam* entry =
                CatalogueEntry(*element.type, value.templateName.empty() ? value.name : value.templateName);
            if (entry == nullptr || !entry->lines) {
                error = ElementLabel(element.source.name) + " parameter " + Quoted(value.name) +
                        ControlCharacterFault(value.value);
                return false;
            }
        }
        if (value.hasType) param->SetType(value.type);
        if (value.hasExtType) param->SetExtType(value.extType);
        if (value.hasValueId) param->SetValueID(static_cast<WORD>(value.valueId));
        if (value.hasOnSheet) param->SetOnSheetMode(static_cast<char>(value.onSheet));
        if (std::string fault = value.templateName.empty() ? "" : MadeParamValueIdFault(*element.type, *param, element.source.name);
            !fault.empty()) {
            error = std::move(fault);
            return false;
        }
        if (value.hasValue) param->SetValue(value.value.c_str());
        if (value.hasUnit) {
            // An empty used unit is what a page leaves when its unit list has no entry; the
            // state printed from such an element names it, so it reads back. A parameter whose
            // quantity a switch of its page decides (a source's AC values, volts or amperes)
            // takes a unit of either quantity here: the wizard that knows which is not made yet,
            // and SwitchedUnitsFit checks the unit once it is.
            const CatalogueParam* entry =
                CatalogueEntry(*element.type, value.templateName.empty() ? value.name : value.templateName);
            const bool known = value.unit.empty() || IsUnitOf(value.unit, ToString(param->GetQuantity())) ||
                               (entry != nullptr && IsUnitOf(value.unit, entry->switchedQuantity));
            if (!known) {
                error = ElementLabel(element.source.name) + " parameter " + Quoted(value.name) + ": " + Quoted(value.unit) +
                        " is no unit of its quantity";
                return false;
            }
            param->SetUsedUnit(value.unit.c_str());
        }
        if (value.hasPin) param->UsePin(value.pin ? TRUE : FALSE);
        if (value.hasInfo) SetInfoShown(*param, value.info);
    }
    std::string missing;
    bool kept = false;
    if (!element.source.order.empty() && !ArrangeParams(holder, element.source.order, missing, &kept)) {
        error = ElementLabel(element.source.name) + ": \"order\" " +
                (kept ? "leaves out " + Quoted(missing) + ", a parameter its kind keeps (no page removes it)"
                      : "names " + Quoted(missing) + ", a parameter it does not have");
        return false;
    }
    for (const std::string& name : element.source.outputs) {
        // An output of a family member ("AMPL[1]" of the FFT) that no page made yet is made
        // from its template, as the page makes it when it opens.
        CWizardCopaObject3* param = ParamOrMember(holder, *element.type, name);
        if (param == nullptr) {
            error = ElementLabel(element.source.name) + " has no parameter " + Quoted(name) + " for an output";
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
    return KeepTableFileName(element, error);
}

bool Host::KeepTableFileName(Element& element, std::string& error) {
    const SchematicCharacteristic& ch = element.source.characteristic;
    const bool unused = ch.kind == SchematicCharacteristic::Kind::Unused;
    if ((!unused && ch.kind != SchematicCharacteristic::Kind::Pin) || ch.file.empty() || !element.type->HasCharacteristic())
        return true;
    const CatalogueCharacteristicControls& controls = element.type->characteristic;
    if (unused && controls.nonlinear == 0 && controls.formList == 0) {
        error = ElementLabel(element.source.name) + ": its page always uses its characteristic, which cannot be unused";
        return false;
    }
    // The name is that of the table's data pairs, which only the wizard's own data holds beside
    // a pin or another form: the pages would write the file of a table that holds nothing yet.
    if (!element.source.hasWizardData) {
        error = ElementLabel(element.source.name) + ": a characteristic \"" + CharacteristicKindName(ch.kind) +
                "\" keeps a \"file\" only with the element's wizard_data";
        return false;
    }
    // A page fed by a pin or in a form without the characteristic applies no file name: the
    // name stands in the parameter the page reads it from when the table is opened again.
    for (const CatalogueParam& entry : element.type->params) {
        if (entry.valueId != kCharacteristicFileValueId) continue;
        if (CWizardCopaObject3* param = ParamNamed(m_editor->Holder(element.handle), entry.name))
            param->SetValue(DataFileEntry(ch.file, m_documentFolder).c_str());
    }
    return true;
}

static SchematicCharacteristic EnteredCharacteristic(const SchematicElement& source) {
    SchematicCharacteristic ch = source.characteristic;
    // The loaded wizard keeps the table's "File Name" box and its form: the name alone is put in
    // (Host::KeepTableFileName), and an unused characteristic needs no session.
    if (ch.kind == SchematicCharacteristic::Kind::Pin) ch.file.clear();
    if (ch.kind == SchematicCharacteristic::Kind::Unused) ch = SchematicCharacteristic();
    return ch;
}

// A unit given for a parameter whose quantity follows a switch of its page fits the quantity
// the complete element gives it (its wizard's data loaded or its script run): a current
// source's AC magnitude in mA, not in mV. The page would show such a unit mapped by its scale,
// and the element would describe otherwise than the schematic says.
static bool SwitchedUnitsFit(const SchematicElement& source, const CatalogueElement& type, ParamHolder* holder,
                             std::string& error) {
    for (const SchematicParam& value : source.params) {
        if (!value.hasUnit || value.unit.empty()) continue;
        const CatalogueParam* entry = CatalogueEntry(type, value.templateName.empty() ? value.name : value.templateName);
        if (entry == nullptr || entry->switchedQuantity.empty()) continue;
        const CWizardCopaObject3* param = ParamOrMember(holder, type, value.name);
        if (param == nullptr || param->IsDeleted()) continue;
        const std::string quantity = ToString(param->GetQuantity());
        if (IsUnitOf(value.unit, quantity)) continue;
        error = ElementLabel(source.name) + " parameter " + Quoted(value.name) + ": " + Quoted(value.unit) +
                " is no unit of its quantity as the element is set up (" + Quoted(quantity) + ")";
        return false;
    }
    return true;
}

// A parameter the schematic puts on a pin that the element's pages have no pin for: they write
// the value as typed and drop the pin (qv::pages::TakeFromNoPin), and the element would describe
// otherwise than the schematic says. The element's own script runs first, as a user would.
static bool GivenPinsKept(const SchematicElement& source, ParamHolder* holder, std::string& error) {
    for (const SchematicParam& value : source.params) {
        if (!value.templateName.empty() || !value.hasPin || !value.pin) continue;
        const CWizardCopaObject3* param = ParamNamed(holder, value.name);
        if (param == nullptr || param->IsDeleted() || param->HasPin()) continue;
        error = ElementLabel(source.name) + " parameter " + Quoted(value.name) +
                ": the value given cannot be typed on its page (the page takes it from no pin)";
        return false;
    }
    return true;
}

// A parameter that saved wizard data (or the schematic beside it) puts on a pin although its
// pages take it from none: opened, the page would drop the pin and write the value as typed,
// while the stored value behind the pin is stale. Describing without the page is refused in
// the words used for a schematic's pin.
static bool StoredPinsKept(const SchematicElement& source, const CatalogueElement& type, const ParamHolder* holder,
                           std::string& error) {
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted() || !param->HasPin()) continue;
        const CatalogueParam* entry = type.FindParam(ToString(param->GetName()));
        if (entry == nullptr || !entry->noPin) continue;
        error = ElementLabel(source.name) + " parameter " + Quoted(ToString(param->GetName())) +
                ": the value given cannot be typed on its page (the page takes it from no pin)";
        return false;
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
    if (!RunSession(element, actions, runner, refused, true)) {
        // The page's own message says what it refused; the OK the host pressed is no line of
        // the user's.
        const auto& shown = UserScript::Instance().Shown();
        std::string message;
        int focus = 0;
        for (size_t i = shownBefore <= shown.size() ? shownBefore : 0; i < shown.size(); ++i)
            if (shown[i].kind == InteractionKind::MessageBox) {
                message = shown[i].text;
                focus = shown[i].focus;
            }
        // What describe would refuse is said as describe says it (RunSession); the page's own
        // refusal in the page's words.
        if (!m_commitRefusal.empty()) {
            error = refused;
            return false;
        }
        error = message.empty() ? refused
                                : ElementLabel(element.source.name) + ": its page refuses the values given: " +
                                      Quoted(message);
        if (message.empty()) return false;
        // The page gives the focus to the field it refuses: the parameter of that field (the
        // value ID of a field is its control's) is named when the schematic gave it. Else a
        // blank value of an input, what a page refuses most often, is named; an output's empty
        // value is no value the page reads.
        ParamHolder* holder = m_editor->Holder(element.handle);
        const auto blank = [](const SchematicParam& value) {
            return value.hasValue && value.value.find_first_not_of(" \t") == std::string::npos;
        };
        const auto atFault = std::find_if(given.begin(), given.end(), [&](const SchematicParam& value) {
            const CWizardCopaObject3* param = typed(value) ? ParamNamed(holder, value.name) : nullptr;
            return param != nullptr && focus > 0 && param->GetValueID() == focus;
        });
        const auto blankInput = std::find_if(given.begin(), given.end(), [&](const SchematicParam& value) {
            const CWizardCopaObject3* param = ParamNamed(holder, value.name);
            return blank(value) && param != nullptr && param->IsInput();
        });
        if (atFault != given.end() && !blank(*atFault))
            error += " (parameter " + Quoted(atFault->name) + ")";
        else if (atFault != given.end())
            error += " (parameter " + Quoted(atFault->name) + " is given no value)";
        else if (blankInput != given.end())
            error += " (parameter " + Quoted(blankInput->name) + " is given no value)";
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
        // A value the page shows otherwise ("0.01" for "10m") is kept when it is the same
        // number; that is worked out only for a value or unit the page changed.
        const auto otherNumber = [&] {
            return !SameNumberInUnits(*param, value.hasValue ? value.value : ToString(param->GetValue()),
                                      value.hasUnit ? value.unit : ToString(param->GetUsedUnit()),
                                      ToString(param->GetValue()), ToString(param->GetUsedUnit()));
        };
        // "System" given for a sample time is the system's own, which its list stores as 0.
        const auto systemSampleTime = [&] {
            return qv::pages::NamesSystemSampleTime(CString(value.value.c_str())) && param->GetValue() == "0";
        };
        if (param == nullptr || param->IsDeleted())
            now = "removes it";
        else if (value.hasValue && ToString(param->GetValue()) != value.value && otherNumber() && !systemSampleTime())
            now = "makes it " + Quoted(ToString(param->GetValue())) +
                  (value.hasUnit && !param->GetUsedUnit().IsEmpty() ? " in " + Quoted(ToString(param->GetUsedUnit())) : "");
        else if (value.hasUnit && ToString(param->GetUsedUnit()) != value.unit && otherNumber())
            now = "takes it in " + Quoted(ToString(param->GetUsedUnit()));
        else if (value.hasPin && (param->HasPin() != FALSE) != value.pin)
            now = value.pin ? "takes it from no pin" : "takes it from a pin";
        if (now.empty()) continue;
        error = ElementLabel(element.source.name) + " parameter " + Quoted(value.name) +
                ": the value given cannot be typed on its page (the page " + now + ")";
        return false;
    }
    return true;
}

bool Host::TakeName(Element& element, std::string& error, bool keepFiles) {
    ParamHolder* holder = m_editor->Holder(element.handle);
    const std::string name = ToString(holder->m_strElementName);
    if (name == element.source.name) return true;
    const std::string where = ElementLabel(element.source.name);
    std::string why;
    bool usable = IsUsableName(name, why);
    if (!usable) {
        why = "the name " + Quoted(name) + " " + why;
    } else {
        // Elements made earlier may be gone already (a job that streams), but their names stay
        // in use.
        const std::string other = m_editor->NameInUseLike(name, element.source.name);
        if (!other.empty()) {
            why = "the name " + Quoted(name) + " is taken by " + ElementLabel(other);
            usable = false;
        }
    }
    // The files it wrote under its earlier name stay its own.
    if (usable && keepFiles) usable = KeepDataFilesUnderName(element, name, why);
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

namespace {

// The element's sheet as the editor shows it: an apply that every page took is the editor's to
// look at before it counts (Host::RunSession).
class ElementSheet : public CPropertySheet {
public:
    ElementSheet(const CString& caption, std::function<bool()> applied)
        : CPropertySheet(caption), m_applied(std::move(applied)) {}
    BOOL OnPagesApplied() override { return m_applied() ? TRUE : FALSE; }

private:
    std::function<bool()> m_applied;
};

} // namespace

bool Host::RunSession(Element& element, const std::vector<ScriptAction>& actions, EditScriptRunner& runner,
                      std::string& error, bool schematicsOwn) {
    WatchPagesFiles();
    m_lastSessionNotified.clear();
    // The values as the session finds them, for the wizards that hear of changed values.
    const bool notified = element.wizard4 != nullptr ? element.wizard4->WantChangeNotification() != FALSE
                                                     : element.wizard3->WantChangeNotification() != FALSE;
    const auto before = notified ? ParamValues(m_editor->Holder(element.handle))
                                 : std::map<std::pair<std::string, int>, std::string>();
    // What the pages show while the sheet is made comes before the user script, which has no
    // answer for it yet: unless the job hears of it itself, the session fails on it as on any
    // box the script could not answer.
    std::string unanswered;
    const bool heard = UserScript::Instance().HasFailureHandler();
    if (!heard)
        UserScript::Instance().SetFailureHandler([&unanswered](const std::string& message) {
            if (unanswered.empty()) unanswered = message;
        });
    // What the element holds as the sheet opens, and again after each commit: a sheet that ends
    // otherwise than by OK gives the element back as it was then.
    SessionKeep kept;
    KeepForSession(element, kept);
    // The data files its pages write go with the same commits (OutputFiles::BeginSession).
    struct FilesOfSession {
        bool open = true;
        ~FilesOfSession() {
            std::string ignored;
            if (open) OutputFiles::Current().EndSession(true, ignored);
        }
    } filesOfSession;
    OutputFiles::Current().BeginSession();
    unsigned commits = m_editor->AcceptedCommits(element.handle);
    // A commit made while a click is handled (an output switch that is the element's as it is
    // clicked) keeps what handling the click changed, not the edits the page had made before,
    // which stay pending: the element as the click found it is kept to tell them apart.
    SessionKeep found;
    bool clickHandled = false;
    const auto chainedBefore = runner.beforeClick;
    runner.beforeClick = [&](const ScriptAction& action) {
        KeepForSession(element, found);
        clickHandled = true;
        if (chainedBefore) chainedBefore(action);
    };
    const auto chained = runner.afterAction;
    const CPropertySheet* shown = nullptr;
    runner.afterAction = [&](const ScriptAction& action, bool tookEffect) {
        const unsigned now = m_editor->AcceptedCommits(element.handle);
        if ((action.verb == "ok" || action.verb == "apply") && !tookEffect && shown != nullptr &&
            shown->GetSafeHwnd() != nullptr) {
            // An OK or apply the sheet refused is refused as a whole: what the pages before the
            // one that refused committed is not the element's either, and stays pending with the
            // rest of the page's edits.
            m_editor->WithdrawCommits(element.handle, commits);
        } else if (now != commits || (tookEffect && action.verb == "apply")) {
            commits = now;
            // A click that commits at once commits its switch alone: the files the session
            // wrote before it stay pending with the page's other edits.
            if (clickHandled) {
                KeepChangesForSession(element, found, kept);
            } else {
                KeepForSession(element, kept);
                OutputFiles::Current().CommitSession();
            }
        }
        clickHandled = false;
        if (chained) chained(action, tookEffect);
    };
    struct InSession {
        const Element*& slot;
        const Element* before;
        ~InSession() { slot = before; }
    } inSession{m_inSession, std::exchange(m_inSession, &element)};
    // An OK or apply that every page took is the element's only when describe would take the
    // element as the pages left it: otherwise the editor says why and refuses the apply, whose
    // commits then do not count (afterAction), and the sheet stays open with the pages as the
    // user left them. What the pages wrote stays pending, as any edit not yet committed: the
    // next OK takes it with the user's mending, Cancel gives back the element as it was at its
    // last commit.
    std::string& refusal = m_commitRefusal;
    refusal.clear();
    const auto checkApply = [&]() {
        if (!m_checkCommits) return true;
        const std::string fault = CommitFault(element);
        if (fault.empty()) return true;
        refusal = fault;
        AfxMessageBox(ToCString(element.source.name + " cannot be described: " + fault), MB_OK | MB_ICONEXCLAMATION);
        return false;
    };
    ElementSheet sheet(ToCString(element.source.name), checkApply);
    shown = &sheet;
    if (element.wizard4 != nullptr)
        element.wizard4->DoEditProperties(sheet, 1);
    else
        element.wizard3->DoEditProperties(sheet, m_editor->Exchange(element.handle), 1);
    bool ok = true;
    const bool created = sheet.GetPageCount() != 0 && sheet.Create();
    if (!heard) UserScript::Instance().SetFailureHandler(nullptr);
    if (sheet.GetPageCount() == 0) {
        error = ElementLabel(element.source.name) + ": its wizard shows no pages";
        ok = false;
    } else if (!created) {
        error = ElementLabel(element.source.name) + ": its property sheet cannot be shown";
        ok = false;
    } else if (!unanswered.empty()) {
        error = ElementLabel(element.source.name) + ", as its pages opened: " + unanswered;
        ok = false;
    } else {
        // A page asks before it replaces a file that is not the element's own: a user's file,
        // which only a user may give up. The schematic's own actions answer for nobody; in
        // describe the write of such a file is refused in describe's own words (WatchDataFiles).
        if (schematicsOwn && m_writingDescription)
            UserScript::Instance().SetStandingAnswer([](const std::string& text) {
                static const std::string question = " already exists.\nDo you want to replace it?";
                return text.size() > question.size() && text.ends_with(question) ? IDYES : 0;
            });
        ok = runner.Run(actions, sheet);
        UserScript::Instance().SetStandingAnswer(nullptr);
        // The run leaves no one to hear of what the user script did not foresee, unless the
        // job asked to keep hearing of it (counting the runs).
        ++m_pageRuns;
        if (m_keptFailureHandler) UserScript::Instance().SetFailureHandler(m_keptFailureHandler);
        if (!ok && schematicsOwn && !refusal.empty()) {
            // The schematic gave the element what describe refuses: said as describe says it.
            error = ElementLabel(element.source.name) + ": " + refusal;
        } else if (!ok) {
            // One line, as every fault the host reports: what the script met, in order.
            error = ElementLabel(element.source.name) + ": ";
            const std::vector<std::string>& errors = runner.Errors();
            for (size_t at = 0; at < errors.size(); ++at) error += (at == 0 ? "" : "; ") + errors[at];
        }
    }
    runner.afterAction = chained;
    runner.beforeClick = chainedBefore;
    const bool confirmed = sheet.GetEndID() == IDOK;
    if (sheet.GetSafeHwnd() != nullptr) sheet.DestroyWindow();
    if (element.wizard4 != nullptr) {
        element.wizard4->EndEditProperties();
    } else {
        element.wizard3->EndEditProperties();
        m_editor->KeepAdditionalData(*element.wizard3, element.handle);
    }
    if (!confirmed && !PutBackAfterSession(element, kept, error)) ok = false;
    // A sheet that ends without OK takes back the files written since the last commit too.
    filesOfSession.open = false;
    std::string filesError;
    if (!OutputFiles::Current().EndSession(!confirmed, filesError) && ok) {
        error = ElementLabel(element.source.name) + ": " + filesError;
        ok = false;
    }
    // What the session left changed reaches the wizard, after a Cancel has put back what it undid.
    if (ok && notified) NotifyChangedValues(element, before);
    return ok;
}

void Host::KeepForSession(Element& element, SessionKeep& kept) {
    if (const ParamHolder* holder = m_editor->Holder(element.handle)) kept.params.Take(*holder);
    std::string ignored;
    kept.hasWizardData = SaveWizardData(element, kept.wizardData, ignored);
}

bool Host::StillAsKept(Element& element, const SessionKeep& kept) {
    const ParamHolder* holder = m_editor->Holder(element.handle);
    if (holder == nullptr || !kept.params.Holds(*holder)) return false;
    std::vector<unsigned char> data;
    std::string ignored;
    return SaveWizardData(element, data, ignored) == kept.hasWizardData && data == kept.wizardData;
}

void Host::KeepChangesForSession(Element& element, const SessionKeep& before, SessionKeep& kept) {
    if (const ParamHolder* holder = m_editor->Holder(element.handle)) kept.params.TakeChanges(before.params, *holder);
    // The wizard's own data cannot be told apart by field: it is kept as it is now only where
    // handling the click changed it.
    std::vector<unsigned char> now;
    std::string ignored;
    if (SaveWizardData(element, now, ignored) && before.hasWizardData && now != before.wizardData) {
        kept.wizardData = std::move(now);
        kept.hasWizardData = true;
    }
}

bool Host::PutBackAfterSession(Element& element, const SessionKeep& kept, std::string& error) {
    // A set that holds what was kept is left as it is: putting it back would change nothing.
    if (ParamHolder* holder = m_editor->Holder(element.handle); holder != nullptr && !kept.params.Holds(*holder))
        kept.params.RestoreInto(*holder);
    if (!kept.hasWizardData) return true;
    // The wizard's own data goes back only where it changed: a sheet that changed nothing
    // leaves the wizard exactly as it was, without a load.
    std::vector<unsigned char> now;
    std::string ignored;
    if (SaveWizardData(element, now, ignored) && now == kept.wizardData) return true;
    std::string failed;
    if (LoadWizardData(element, kept.wizardData, failed)) return true;
    if (error.empty()) error = failed;
    return false;
}

void Host::NotifyChangedValues(Element& element, const std::map<std::pair<std::string, int>, std::string>& before) {
    std::vector<std::pair<std::string, int>> changed;
    for (const auto& [key, value] : ParamValues(m_editor->Holder(element.handle))) {
        auto was = before.find(key);
        if (was != before.end() && was->second != value) changed.push_back(key);
    }
    // A notification may change the set (a parameter made or removed): each changed parameter
    // is looked for again before it is named.
    for (const auto& [name, occurrence] : changed) {
        ParamHolder* holder = m_editor->Holder(element.handle);
        CWizardCopaObject3* param = nullptr;
        for (int i = 0, seen = 0; i < holder->GetParamCount() && param == nullptr; ++i) {
            CWizardCopaObject3* candidate = holder->GetParam(i);
            if (candidate != nullptr && !candidate->IsDeleted() && ToString(candidate->GetName()) == name &&
                seen++ == occurrence)
                param = candidate;
        }
        if (param == nullptr) continue;
        m_lastSessionNotified.push_back(name + "=" + ToString(param->GetValue()));
        if (element.wizard4 != nullptr)
            element.wizard4->NotifyChanged(3, param);
        else
            element.wizard3->NotifyChanged(m_editor->Exchange(element.handle), 3, param);
    }
}

const CatalogueElement* Host::TypeOf(const SchematicElement& source, std::string& error) const {
    std::string why;
    const CatalogueElement* type = m_catalogue.FindNamed(source.id, source.kind, why);
    if (type == nullptr) error = ElementLabel(source.name) + ": " + why;
    return type;
}

const CatalogueElement* Host::TypeOf(const SchematicElement& source) const {
    std::string unused;
    return m_catalogue.FindNamed(source.id, source.kind, unused);
}

bool Host::AddElement(const SchematicElement& source, bool initialize, std::string& error) {
    WatchPagesFiles();
    if (m_setAside) m_setAside(source);
    auto element = std::make_unique<Element>();
    element->source = source;
    element->type = TypeOf(source, error);
    if (element->type == nullptr) return false;
    element->handle = m_editor->AddElement(Catalogue::MakeHolder(*element->type, source.name));
    // Only elements that stay enter their names: a check makes an element and destroys it.
    if (!m_checking) m_editor->AddNameInUse(source.name);
    Element& added = *element;
    m_elements.push_back(std::move(element));
    // Its pages do not find the data files it may write (MayPagesFind).
    if (!m_loading) {
        added.ownFiles = OwnDataFiles(source);
        m_ownDataFiles.insert(added.ownFiles.begin(), added.ownFiles.end());
    }
    if (!ApplyValues(added, error) || !CreateWizard(added, error)) return false;
    // A wizard saved with the element is loaded as a saved archive loads it, not initialised.
    if (source.hasWizardData && !LoadWizardData(added, error)) return false;
    // Without a script the element is complete now: a check sees what it has, and a new element
    // is what placing it gives (Initialize keeps what the catalogue made of the values).
    const bool complete = source.script.empty();
    if (!initialize) return !complete || SwitchedUnitsFit(source, *added.type, m_editor->Holder(added.handle), error);
    if (!source.hasWizardData) {
        if (added.wizard4 != nullptr)
            added.wizard4->Initialize(0);
        else
            added.wizard3->Initialize(m_editor->Exchange(added.handle));
    }
    if (complete && !SwitchedUnitsFit(source, *added.type, m_editor->Holder(added.handle), error)) return false;

    std::vector<std::string> lines;
    if (source.characteristic.kind != SchematicCharacteristic::Kind::None && !added.type->HasCharacteristic()) {
        error = ElementLabel(source.name) + ": its kind has no characteristic";
        return false;
    }
    if (SchematicCharacteristic characteristic = EnteredCharacteristic(source);
        characteristic.kind != SchematicCharacteristic::Kind::None) {
        // The schematic's name for the table's file is typed on the page, which then writes that
        // file. A received schematic replaces no file of the user's that way: only the element's
        // own, which it wrote and nobody changed since. (Describe says so in its own words.)
        if (!characteristic.file.empty() && characteristic.kind == SchematicCharacteristic::Kind::DataPairs &&
            !m_writingDescription) {
            const std::vector<std::string> own = OwnDataFiles(source);
            const std::string path = own.empty() ? std::string() : own.back();
            if (!path.empty() && !IsElementsOwnFile(path, source.name)) {
                error = ElementLabel(source.name) + ": the schematic names " + ShownPath(path) +
                        " for its table, which already exists and is not a file the element wrote; it is not "
                        "replaced (rename or remove it, or name another file)";
                return false;
            }
        }
        // A user's file given with a relative folder lies relative to the document, not to
        // wherever the host was started.
        if (!characteristic.file.empty()) characteristic.file = DataFileEntry(characteristic.file, m_documentFolder);
        lines = CharacteristicScriptWithForms(*added.type, characteristic);
        // The script ticks the characteristic's "Use Pin" box; a characteristic parameter the
        // schematic gives on a pin already would have the box unticked by it.
        if (characteristic.kind == SchematicCharacteristic::Kind::Pin) {
            const CatalogueCharacteristicControls& controls = added.type->characteristic;
            const int button = characteristic.form == 2 && controls.button2 != 0 ? controls.button2 : controls.button;
            ParamHolder* holder = m_editor->Holder(added.handle);
            for (const SchematicParam& value : source.params)
                if (CWizardCopaObject3* param = value.hasPin && value.pin ? ParamNamed(holder, value.name) : nullptr;
                    param != nullptr && param->GetValueID() == button)
                    param->UsePin(FALSE);
        }
        if (source.hasWizardData && !FitToLoadedState(added, characteristic, lines, error)) return false;
    }
    for (const std::string& line : source.script) lines.push_back(line);
    // The values stand on the page when a session opens it, and its OK applies them with the
    // rest; without a session the page is run for them alone. A wizard loaded from its data
    // holds what its pages made already.
    if (lines.empty() && source.hasWizardData)
        return !m_writingDescription || StoredPinsKept(source, *added.type, m_editor->Holder(added.handle), error);
    if (lines.empty()) return ApplyValuesOnPage(added, error);
    const std::shared_ptr<const std::vector<ScriptAction>> actions = ParsedScript(source, lines, error);
    if (actions == nullptr) return false;
    EditScriptRunner runner;
    runner.makeListings = false;
    return RunSession(added, *actions, runner, error, true) &&
           GivenPinsKept(source, m_editor->Holder(added.handle), error) &&
           (complete || SwitchedUnitsFit(source, *added.type, m_editor->Holder(added.handle), error)) &&
           TakeName(added, error);
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
        error = ElementLabel(source.name) + " script: " + error;
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
    add(source.kind);
    const auto flag = [&shape](bool on, unsigned long value) { shape += on ? 'y' + std::to_string(value) + ';' : "n"; };
    for (const SchematicParam& param : source.params) {
        add(param.name);
        add(param.templateName);
        // A line break in a value is refused where its parameter holds one line.
        flag(param.hasValue, param.hasValue && HasLineBreak(param.value) ? 1 : 0);
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
    // Every element's name is in use from the start, as in BuildText.
    for (const SchematicElement& source : schematic.elements) m_editor->AddNameInUse(source.name);
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
    for (const std::string& path : element.ownFiles) m_ownDataFiles.erase(m_ownDataFiles.find(path));
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
    const CatalogueElement* type = TypeOf(source);
    std::vector<std::string> lines;
    if (source.characteristic.kind != SchematicCharacteristic::Kind::None) {
        if (!type->HasCharacteristic()) {
            error = ElementLabel(source.name) + ": its kind has no characteristic";
            return false;
        }
        lines = CharacteristicScriptWithForms(*type, EnteredCharacteristic(source));
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
    m_namesAhead.clear();
    const SchematicElementTaker take = [&](SchematicElement& element, std::string&) {
        ++elements;
        m_namesAhead.push_back(element.name);
        if (note) note(element);
        if (checked && !CheckElement(element, checkError)) {
            checked = false;
            if (checkError.empty()) checkError = ElementLabel(element.name) + " cannot be made";
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

bool Host::BuildText(const std::string& text, const std::string& document, size_t count,
                     const std::string& documentFolder, ElementSink& sink, std::string& error,
                     const std::function<bool(std::string&)>& afterAll, const SchematicElementTaker& build) {
    StartSchematic();
    // The names the first reading found are in use from the start: a name a wizard asks the
    // editor for (its table's) is then unique over the whole schematic, whatever the order of
    // the elements.
    for (const std::string& name : m_namesAhead) m_editor->AddNameInUse(name);
    m_namesAhead = std::vector<std::string>();
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
            error = ElementLabel(original.source.name) + ": its wizard cannot be copied";
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
    const int usePin = ch.form == 2 ? controls.usePin2 : controls.usePin;
    const bool pinned = inUse && usePin != 0 && page[usePin].checked;
    if (pinned) ch.kind = SchematicCharacteristic::Kind::Pin;
    // The table keeps its own file name while a pin feeds it or its form is not chosen: it is
    // looked at with the pin cleared or under a nonlinear form (on the copy). Each nonlinear
    // form has its own table.
    PageState table;
    const auto openTable = [&](int form) {
        std::vector<std::string> lines;
        if (pinned)
            lines.push_back("click " + std::to_string(usePin));
        else if (!inUse && controls.formList != 0 && !controls.forms.empty())
            lines.push_back("pick " + std::to_string(controls.formList) + " " + std::to_string(controls.forms.front()));
        else if (!inUse)
            lines.push_back("click " + std::to_string(form == 2 ? controls.nonlinear2 : controls.nonlinear));
        EditScriptRunner second;
        second.makeListings = false;
        second.inspect = CapturePage(table);
        const int button = form == 2 ? controls.button2 : controls.button;
        lines.insert(lines.end(), {"sheet cancel {", "print", "}", "click " + std::to_string(button), "cancel"});
        return ParseEditScript(lines, actions, error) && RunSession(element, actions, second, error);
    };
    bool opened = openTable(ch.form);
    if (!inUse && controls.nonlinear2 != 0 && (!opened || !table[kXyWriteFile].checked)) {
        error.clear();
        table = PageState();
        opened = openTable(2);
        ch.form = opened && table[kXyWriteFile].checked ? 2 : 1;
    }
    if (!opened) {
        // A table the page does not open in that state keeps no name worth printing.
        if (!inUse || pinned) {
            error.clear();
            return true;
        }
        return false;
    }
    // The name the table keeps for its data pairs, which a reference does not use.
    if (table[kXyWriteFile].checked) ch.file = table[kXyFileName].text;
    if (fileTicked != nullptr) *fileTicked = table[kXyWriteFile].checked;
    if (!inUse && !ch.file.empty()) ch.kind = SchematicCharacteristic::Kind::Unused;
    if (!inUse || pinned) return true;
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
                error = ElementLabel(element.source.name) + ": its characteristic table holds a row that is no pair of numbers";
                return false;
            }
            ch.points.push_back(point);
        }
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
    const std::string writeFile = "click " + std::to_string(kXyWriteFile);
    if (haveFile && wanted.kind == SchematicCharacteristic::Kind::DataPairs) {
        if (!wanted.file.empty()) {
            if (auto line = at(writeFile); line != lines.end()) lines.erase(line);
        } else if (auto end = at("}"); end != lines.end()) {
            lines.insert(end, writeFile);
        }
    }
    // A reference keeps a name only with the box ticked, which the page enables under the
    // look-up table's data pairs alone.
    const bool fileReference = wanted.kind == SchematicCharacteristic::Kind::FileReference;
    if (haveFile && (fileReference || wanted.kind == SchematicCharacteristic::Kind::Reference)) {
        const std::string choice = "click " + std::to_string(fileReference ? kXyFileReference : kXyReference);
        if (!wanted.file.empty()) {
            if (auto line = at(writeFile); line != lines.end()) lines.erase(line);
        } else if (auto reference = at(choice); reference != lines.end()) {
            lines.insert(reference, {"click " + std::to_string(kXyLookUp), "click " + std::to_string(kXyDataPairs), writeFile});
        }
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
    // The kind is named only where the ID alone names another element.
    out.kind = m_catalogue.NamedByIdAlone(*element.type) ? std::string() : element.type->kind;
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
        WORD valueId = 0;
        const bool known = CatalogueFlags(*element.type, templ.empty() ? name : templ, flags, extFlags, &valueId);
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
        value.valueId = param->GetValueID();
        value.hasValueId = known && value.valueId != valueId;
        // The mode is a byte, which the parameter keeps as a char.
        value.onSheet = static_cast<unsigned char>(param->GetOnSheetMode());
        const CatalogueParam* entry = CatalogueEntry(*element.type, templ.empty() ? name : templ);
        value.hasOnSheet = value.onSheet != static_cast<unsigned char>(entry != nullptr ? entry->onSheet : 0);
        value.info = InfoShown(*param);
        value.hasInfo = value.info != (entry != nullptr ? InfoShown(entry->info) : std::string());
        if (value.hasValue || value.hasUnit || value.hasPin || value.hasType || value.hasExtType || value.hasValueId ||
            value.hasOnSheet || value.hasInfo)
            out.params.push_back(value);
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
        if (ReadCharacteristic(element, characteristic, error)) {
            // The table keeps its file by its full path; the printed schematic names a file
            // below the document's folder relative to it, as the user gave it, so that it
            // describes the same wherever the folder is moved.
            characteristic.file = DataFileShown(characteristic.file, m_documentFolder);
            out.characteristic = characteristic;
        } else if (m_stateError.empty()) {
            m_stateError = error.empty() ? ElementLabel(element.source.name) + ": its characteristic cannot be read" : error;
        }
    }
    return out;
}


} // namespace qv
