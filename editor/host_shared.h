// What the host's commands share: the controls of the characteristic table page, what a page
// showed, the archive's header and the helpers that set parameters, read pages and write files.
// Only the host's own files include it.
#pragma once

#include "editor/host.h"

#include "afx/message_text.h"
#include "afx/wnd_core.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qv {
namespace host_detail {

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
// The value ID of the sample time that a block page shows in its list with the entry "System".
constexpr WORD kSampleTimeListValueId = 2183;
// The dead time's page shows its sample time (value ID 2202, elsewhere the plain field of the
// sampled blocks) in that list, with the same entry "System".
constexpr unsigned kDeadTimeElementId = 82;
constexpr WORD kDeadTimeSampleTimeValueId = 2202;

// Whether the element's page shows the parameter in its sample-time list, where "System" is
// the system's own sample time, stored as 0.
inline bool ShownInSampleTimeList(const CatalogueElement& type, const CWizardCopaObject3& param) {
    return param.GetValueID() == kSampleTimeListValueId ||
           (type.id == kDeadTimeElementId && param.GetValueID() == kDeadTimeSampleTimeValueId);
}

// What one control of an open page showed.
struct ControlState {
    std::string text;
    bool checked = false;
    int selection = -1;   // the selected entry of a list
    std::vector<std::vector<std::string>> rows;
};

typedef std::map<int, ControlState> PageState;

// Copies the controls of an open window, so that they can be read after it closed.
std::function<void(CWnd*)> CapturePage(PageState& into);

// A number as the characteristic table shows it; false for text that is no number.
bool CellNumber(const std::string& text, double& value);

// The archive of a saved schematic starts with this text and format number.
const char kArchiveMagic[] = "Quorvatix schematic wizard data";

constexpr WORD kArchiveFormat = 1;

// Additional data of one older-base wizard in an archive.
constexpr DWORD kMaxAdditionalData = 64u * 1024u * 1024u;

CString ToCString(const std::string& text);

std::string ToString(const CString& text);

// The parameters that the set's live output entries were made for, in the order of the entries.
std::vector<const CWizardCopaObject3*> OutputParams(const ParamHolder* holder);

// The parameter of that name in the set, deleted ones included; null when there is none.
CWizardCopaObject3* ParamNamed(ParamHolder* holder, const std::string& name);

// Whether the name is that of a family member, "X[n]" (n a whole number of at most six
// digits); `family` is then "X".
bool MemberOfFamily(const std::string& name, std::string& family);

// A new parameter of that name made from the catalogue's template `templateName` (Type bit
// 0x02, not in lists) as a wizard makes its family members and list rows: a deletable copy
// without the template bit. Null when the catalogue has no such template.
CWizardCopaObject3* MadeFromTemplate(ParamHolder* holder, const CatalogueElement& type, const std::string& templateName,
                                     const std::string& name);

// The live parameter of that name, or a new member made from its family's template when the
// name is "X[n]" and the catalogue has the template "X" (Type bit 0x02, not in lists): made
// as a wizard makes the members of its families. Null when there is neither. Parameters in
// `taken` are passed over: a set may hold two parameters of one name, each given once.
CWizardCopaObject3* ParamOrMember(ParamHolder* holder, const CatalogueElement& type, const std::string& name,
                                  const std::set<const CWizardCopaObject3*>& taken = {});

// The catalogue's template that a parameter a page made was copied from: a parameter kept out
// of lists (Type bit 0x2) with the parameter's value ID, one of the parameter's own name first.
// Null when the catalogue has none.
const CatalogueParam* TemplateOf(const CatalogueElement& type, const CWizardCopaObject3& param);

// Why a parameter made from a template cannot keep the value ID it was given: the saved
// element names the template by the value ID (above), so one that no template of the
// catalogue has would be saved without a template and could not be loaded again. "" when
// some template has it.
std::string MadeParamValueIdFault(const CatalogueElement& type, const CWizardCopaObject3& param,
                                  const std::string& elementName);

// For each parameter of the set, in order (null and deleted ones too): the name of the
// catalogue's template it was made from when a page made it, "" for the catalogue's own
// parameters and the family members "X[n]" (made again from their names). A parameter a page
// made is one whose name the catalogue does not list, or that follows a live parameter of its
// name (an equation row shares its template's name).
std::vector<std::string> PageMadeTemplates(const ParamHolder* holder, const CatalogueElement& type);

// Puts the set's live parameters into the order of `names` (a name given twice takes the
// parameters of that name in turn); live parameters it does not name are marked deleted, as
// a page removes them. False with the first name the set has no parameter for, or (`kept`
// set) the first live parameter left out that cannot be marked deleted (not deletable: the
// catalogue's own, which no page removes); the set is then left as it was.
bool ArrangeParams(ParamHolder* holder, const std::vector<std::string>& names, std::string& missing,
                   bool* kept = nullptr);

// The catalogue's entry for a parameter of that name: its own, or for a family member "X[n]"
// that the catalogue does not list the template "X" (Type bit 0x02) it is made from. Null
// when the catalogue knows neither.
const CatalogueParam* CatalogueEntry(const CatalogueElement& type, const std::string& name);
// Whether `unit` is one of the units of `quantity` (symbols compare exactly); false for an
// empty or unknown quantity.
bool IsUnitOf(const std::string& unit, const std::string& quantity);

// The flags a parameter of that name has when nothing changed them: the catalogue's, and for
// a family member its template's without the "not in lists" bit; with `valueId`, the value ID
// it is made with, likewise. False when the catalogue knows neither.
bool CatalogueFlags(const CatalogueElement& type, const std::string& name, DWORD& flags, DWORD& extFlags,
                    WORD* valueId = nullptr);

std::string ExceptionText(CException* e);
// The message for an output that could not be written because of `e`: the system's reason
// when the system refused it, else what the exception says.
std::string CannotBeWritten(const std::string& path, CException* e);

// The info text a page shows for a parameter (or the catalogue's texts give): the editor's
// language's, else the English one, else that of the lowest language ID; "" when there is none.
std::string InfoShown(const CWizardCopaObject3& param);
std::string InfoShown(const LanguageTexts& texts);
// Makes `info` the text the parameter shows, under the editor's language; a parameter that
// shows it already is left as it is.
void SetInfoShown(CWizardCopaObject3& param, const std::string& info);

// The values of the set's live parameters, each by its name and the number of live parameters
// of that name before it (an equation row shares its template's name).
std::map<std::pair<std::string, int>, std::string> ParamValues(const ParamHolder* holder);

// The name a printed schematic gives a data file that a table names by its full path: relative
// to the document's folder when the file lies below it (as the schematic's own names are read,
// see DataFileEntry), else the name as it stands.
std::string DataFileShown(const std::string& file, const std::string& documentFolder);

// Whether a value is a number that is no finite number once its unit is applied ("1e306" in
// kOhm, "1e999"): the simulator could not read what would be written.
bool NoFiniteNumber(const CWizardCopaObject3& param, const std::string& text);

// A handle value just made and gone: every window made later has a larger handle (the
// stand-in draws handles from a counter that only grows).
uintptr_t HandleProbe();

// The newest visible top-level dialog that stays on top, made after `from`: the preview that
// the characteristic page opened. The page keeps it to itself, so the host looks for it as a
// window manager would.
CWnd* NewestPreviewWindow(uintptr_t from);

// False, with an error that says so, when the target is a folder, device or pipe: a file the
// host writes replaces only a regular file.
bool MayReplace(const std::string& path, std::string& error);

// Puts a completely written part file (of OutputFiles::OpenFile) in the target's place, when
// MayReplace allows it, and commits the command's files; otherwise they are taken back.
bool PutInPlace(const std::string& partPath, const std::string& path, std::string& error);

// A file that takes the element lines of a description that no longer writes; the wizards
// see the description's path.
struct DiscardFile : CFile {
    explicit DiscardFile(const std::string& path) { m_strFileName = path.c_str(); }
    void Write(const void*, UINT) override {}
};

// Writes a whole output through the owner of output files: in place and committed, or (without
// `commit`) in place as one more file of the command.
bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error, bool commit = true);

// The archive ends with the last element's data; anything after it (elements the count
// left out, say) is refused rather than dropped.
void RefuseTrailingData(CArchive& ar);

bool IsNameChar(char c);

// Runs a step that writes into an archive; false with a message when writing failed.
template <typename Step>
bool Guard(Step step, const std::string& path, std::string& error) {
    try {
        step();
        return true;
    } catch (CException* e) {
        error = CannotBeWritten(path, e);
        e->Delete();
        return false;
    }
}

// How messages name an element; made only when a message needs it.
std::string ElementLabel(const std::string& name);

} // namespace host_detail
} // namespace qv
