// The host's jobs on a schematic: it loads the plug-in by path, makes the editor's elements
// from the catalogue, creates and initialises their wizards, applies the schematic's wizard
// settings through the element pages, and then writes the model description, runs an edit
// session, saves or loads the wizard data, or draws a symbol or characteristic preview.
#pragma once

#include "afx/user_script.h"
#include "editor/catalogue.h"
#include "editor/edit_script.h"
#include "editor/param_set_snapshot.h"
#include "editor/schematic.h"
#include "editor/schematic_editor.h"
#include "toolkit/read_write_files.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The editor's own record of an element in a saved archive: wizard ID and base, name, the
// parameters' values, units, flags and templates, and the result outputs switched on. It travels
// through the archive's object map, so the wizards' class references and its own share one
// counter.
class CSchematicElementRecord : public CObject {
    DECLARE_SERIAL(CSchematicElementRecord)
public:
    struct Param {
        CString name;
        CString value;
        CString usedUnit;
        DWORD type = 0;
        DWORD extType = 0;
        CString templateName;   // the catalogue template a page made the parameter from ("" for none)
        WORD valueID = 0;       // a page may move a parameter to another value ID (from schema 3; 0: not stored)
        BYTE onSheet = 0;       // the on-sheet mode (from schema 4)
        bool hasOnSheet = true; // false when read from an older schema: the mode it is made with stays
        CString info;           // the info text shown in the editor's language (from schema 5)
        bool hasInfo = true;    // false when read from an older schema: the text it is made with stays
    };
    void Serialize(CArchive& ar) override;

    DWORD wizardId = 0;
    BYTE base = 4;
    // The catalogue element's kind where the ID alone names another one ("" for the ID's first;
    // from schema 6, before which every record was the ID's first).
    CString kind;
    CString name;
    DWORD showName = 0;
    BYTE symbolVariant = 0;
    std::vector<Param> params;
    std::vector<CString> outputs;   // names of the parameters whose result output is on
};

namespace qv {

struct DescribePlan;
struct PlannedFile;

// A temporary file the owner of output files made (OutputFiles::OpenFile), written as a file
// of the platform through the descriptor it was made with: never opened again by its path,
// which leads through folders another user may change.
struct MadeFile : CFile {
    // Takes the descriptor (closed with the file); the file shows the target's path. False
    // with errno when no stream can be made of it (the descriptor is then closed).
    bool Take(int fd, const std::string& path);
};

struct HostOptions {
    std::string pluginPath;        // the plug-in module
    std::string catalogueFolder;   // the folder of the family files
};

// What one edit session did.
struct EditOutcome {
    std::string listing;                    // the page's controls at the end (Windows-1252)
    std::vector<std::string> printed;       // listings of "print" actions
};

class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Loads the catalogue and the plug-in. False with a message.
    bool Start(const HostOptions& options, std::string& error);

    // Makes the elements of the schematic in its order: parameter set from the catalogue with
    // the schematic's values, wizard from the plug-in's factory, Initialize, then the wizard
    // settings (characteristic, script) through the element's page. The document lives in
    // documentFolder (ending in '/'), which is where the wizards put default data files.
    bool Build(const Schematic& schematic, const std::string& documentFolder, std::string& error);

    // Writes the model description into one file; data files go beside it. `written` lists
    // the description and every data file written.
    bool Describe(const std::string& path, std::vector<std::string>& written, std::string& error);

    // Runs an edit session on the element's pages. A rename on the page is carried out (or
    // refused with a message) when the session succeeded.
    bool Edit(const std::string& element, const std::vector<std::string>& lines, EditOutcome& outcome,
              std::string& error);

    // Saves the schematic's editor data and wizard data into one archive (sheet version 4),
    // and loads such an archive into an empty host (the document lives in documentFolder).
    bool Save(const std::string& path, std::string& error);
    bool Load(const std::string& path, const std::string& documentFolder, std::string& error);

    // The commands' jobs on a whole schematic, element by element: each element is made,
    // used and destroyed before the next one is made, so that memory does not grow with the
    // schematic beyond its records and the time of each element does not depend on how many
    // came before. The schematic is checked against the catalogue first (wizard IDs,
    // parameters, units, outputs, characteristics, scripts), so that such faults leave no
    // file behind; a fault found later (a page that refuses a characteristic) leaves no
    // description or archive, and the data files a description wrote are taken back. The
    // host holds no element afterwards.
    bool DescribeSchematic(const Schematic& schematic, const std::string& documentFolder, const std::string& path,
                           std::vector<std::string>& written, std::string& error);
    bool SaveSchematic(const Schematic& schematic, const std::string& documentFolder, const std::string& path,
                       std::string& error);

    // The same jobs on a schematic text that is never held whole: it is read twice, element
    // by element (ReadSchematicElements). The first reading checks the text, then (for
    // describe) every output (PlanDescribeOutputs), then every element against the catalogue;
    // the faults come in that order, with the messages of the jobs above, and nothing is
    // written. The second reading makes, uses and destroys each element as it is read.
    // *textFault tells whether a fault lies in the text itself (the reader's message, which
    // does not name the file the text came from).
    bool PlanDescription(const std::string& text, const std::string& descriptionPath, DescribePlan& plan,
                         std::string& error, bool* textFault = nullptr);
    // Describes a text planned by PlanDescription into the same path, each element made once.
    // Its faults come in this order, each with its own message: those of the elements that may
    // write data files (the first one's, and what their pages showed), a data file that
    // cannot be written where it would go (a folder that is not there, a planned output of
    // another element), a planned output that is an input, the description that cannot be
    // opened, and then the first fault of any element. Once a fault is certain nothing more is
    // written, and only the elements whose fault would come first are made; whatever was
    // written is taken back.
    bool DescribeSchematicText(const std::string& text, const DescribePlan& plan, const std::string& documentFolder,
                               const std::string& path, std::vector<std::string>& written, std::string& error);
    // Both readings of `save`; `count` receives the number of elements saved.
    bool SaveSchematicText(const std::string& text, const std::string& documentFolder, const std::string& path,
                           size_t& count, std::string& error, bool* textFault = nullptr);
    // Loads an archive as Load does, element by element; `text` receives the schematic as
    // WriteSchematic writes it, `count` the number of elements. With a resavePath the
    // elements are saved again into that archive as Save would.
    bool LoadArchive(const std::string& path, const std::string& documentFolder, const std::string& resavePath,
                     std::string& text, size_t& count, std::string& error);
    // The same, with the schematic's text handed to `print` piece by piece as the elements are
    // loaded, never held whole: a fault stops the pieces where it was found.
    bool LoadArchive(const std::string& path, const std::string& documentFolder, const std::string& resavePath,
                     const std::function<void(const std::string&)>& print, size_t& count, std::string& error);

    // `edit` on a schematic text that is never held whole. The text is read once to check it
    // (*textFault as for PlanDescription), then again to make the elements one at a time as
    // Build makes them: each is printed (with an outPath) and destroyed, but the element to
    // edit (the first one with that name once made) is kept until every element was made, so
    // that its session sees the names of all of them, as after Build. Then `beforeEdit` runs
    // (it may refuse), the session runs as Edit runs it, and the printed schematic (as
    // WriteSchematic writes CurrentSchematic, the edited element in its place) replaces
    // outPath only when all of that succeeded: a refusal leaves no output behind.
    bool EditSchematicText(const std::string& text, const std::string& documentFolder, const std::string& name,
                           const std::vector<std::string>& lines, const std::string& outPath,
                           const std::function<bool(std::string&)>& beforeEdit, EditOutcome& outcome,
                           std::string& error, bool* textFault = nullptr);

    // SVG pictures of an element: its symbol as the page draws it in the current form, or the
    // preview of its characteristic.
    bool SymbolSvg(const std::string& element, const std::string& path, std::string& error);
    bool PreviewSvg(const std::string& element, const std::string& path, std::string& error);
    // `svg` on a schematic text that is never held whole, making only the element to draw: the
    // first one that has the name once made, as after Build. The text is read once to check it
    // (*textFault as for PlanDescription) and to learn whether an element is given that name;
    // the second reading makes that element alone, or, where none is, the elements whose
    // scripts may rename them on their pages, one at a time until one takes the name. The
    // elements not made keep their names in use, as a rename must not take them. `draw` (which
    // may refuse) then runs with the element in the host, which holds no element afterwards.
    bool DrawSchematicText(const std::string& text, const std::string& documentFolder, const std::string& name,
                           const std::function<bool(std::string&)>& draw, std::string& error,
                           bool* textFault = nullptr);

    // The schematic as the editor now holds it: the values that differ from the catalogue's,
    // the outputs switched on and the characteristic as the element's pages show it. No
    // script: what the scripts did is part of that state, and describing the schematic gives
    // the same text as describing the elements as they are.
    Schematic CurrentSchematic();
    // Why the last CurrentSchematic could not read an element's characteristic from its pages
    // ("" when it read every one); that element then shows the characteristic it was made with.
    const std::string& StateError() const { return m_stateError; }

    // The files the command reads (schematic, script, catalogue, plug-in): no file the host
    // writes may be one of them, whatever path names it.
    // Each input's identity is taken once here, so that checking a file the run writes costs
    // one look at that file, not one at every input.
    void SetInputFiles(std::vector<std::string> paths);
    // The input that `path` names by file identity ("" when it names none).
    std::string InputAt(const std::string& path) const;
    // The input with that file identity, the file at `path` ("" when none is).
    std::string InputWithIdentity(const std::string& path, unsigned long long device, unsigned long long inode) const;

    SchematicEditor& Editor() { return *m_editor; }
    // The parameters the last edit session told its wizard had changed, in the order told, as
    // "NAME=VALUE" with the value they had then (NotifyChangedValues).
    const std::vector<std::string>& LastSessionNotified() const { return m_lastSessionNotified; }
    size_t ElementCount() const { return m_elements.size(); }
    // The editor checks each OK and apply of an element's pages as describe would, and refuses
    // what describe would refuse. A benchmark turns the check off to measure what it costs.
    void SetCommitCheck(bool on) { m_checkCommits = on; }

private:
    struct Element {
        const CatalogueElement* type = nullptr;
        SchematicElement source;
        DWORD handle = 0;
        CWizardBase3* wizard3 = nullptr;
        CWizardBase4* wizard4 = nullptr;
        std::vector<std::string> ownFiles;   // OwnDataFiles, while the element is held
    };
    // Where Build and Load hand each element once it is complete, when a job streams: the
    // element is destroyed right after Take.
    struct ElementSink {
        virtual ~ElementSink() = default;
        virtual bool Begin(size_t count, std::string& error) = 0;
        virtual bool Take(Element& element, std::string& error) = 0;
        // Set by Take to keep the element it was handed alive in the host (Stream then does
        // not destroy it).
        bool keepLast = false;
    };
    // A model description being written.
    struct DescriptionJob {
        std::string finalPath;
        // finalPath in its normal form, made again only when finalPath changed: every data
        // file is compared with it.
        const std::filesystem::path& NormalFinalPath() {
            if (normalOf != finalPath || normalFinalPath.empty()) {
                normalFinalPath = std::filesystem::path(finalPath).lexically_normal();
                normalOf = finalPath;
            }
            return normalFinalPath;
        }
        std::filesystem::path normalFinalPath;
        std::string normalOf;
        std::string finalIdentity;   // the file finalPath leads to (DataFileIdentity)
        std::string partPath;
        std::string folder;
        MadeFile file;
        std::vector<std::string> shownErrors;
        // Every data file written in this run, in order, by the element that wrote it (the
        // owner of output files keeps what a failed run must put back).
        struct WrittenFile {
            std::string path;
            std::string element;
            std::string identity;   // the file the path leads to (DataFileIdentity)
        };
        // A deque: its entries stay where they are (no copies while it grows), so that the
        // index by file can name their identities rather than hold copies.
        std::deque<WrittenFile> wrote;
        // Index in `wrote` by the file written, so that two names of one file (a link to it)
        // count as one.
        std::unordered_map<std::string_view, size_t> wroteAt;
        // The element that first read each data file read in the run, by file: no file is both
        // read and written in one run.
        std::unordered_map<std::string, std::string> readBy;
        // Files an earlier run left where this run may write, set aside before their element was
        // made and not written again yet.
        std::unordered_set<std::string> setAside;
        // Data files that could not be written, one line each (element, file, the reason).
        std::vector<std::string> writeFailures;
        // The data files refused or not written, as the page named them and as meant: what a
        // wizard reports about one of them repeats the run's own line, which names the
        // element, the file and the reason, and is not said again.
        std::vector<std::string> refusedFiles;
        bool Echoes(const std::string& report) const {
            for (const std::string& file : refusedFiles)
                if (report.find(file) != std::string::npos) return true;
            return false;
        }
        // A page tells of a data file refused or not written in the next message box it
        // shows, which repeats the run's own line too. It is known by its number in the user
        // script's count (its text may show the path cut short): the failure reported about
        // that box is no fault of its own. The mark goes once the element is described.
        size_t refusalBox = UserScript::kNoBox;
        bool EchoesRefusal() const {
            return refusalBox != UserScript::kNoBox && UserScript::Instance().AnsweredBox() == refusalBox;
        }
        // Set once the run is bound to fail: the data files are noted, not written, and the
        // element lines go to `discard`.
        bool dry = false;
        CFile* out = &file;      // where the element lines go
        CFile* discard = nullptr;
        // The outputs planned before the run, by path: a data file of an element must not take
        // another's, and the first that cannot be written where it would go is `pathFault`.
        std::unordered_map<std::string_view, const PlannedFile*> planned;
        std::unordered_set<std::string> folders;   // folders found to exist
        std::string pathFault;
        bool checkPaths = false;   // each new data file is checked against the plan
        void StopWriting() {
            dry = true;
            out = discard;
        }
        bool ok = true;
        std::string error;
    };
    // Describes each element handed to it into the job; the first fault stops the stream.
    struct DescriptionSink;
    // Saves each element handed to it into the archive job.
    struct ArchiveSink;
    // Prints each element handed to it and keeps the one to edit.
    struct EditSink;
    // Keeps the element to draw.
    struct DrawSink;
    // An archive being saved. Each element's record is written as an object of its own and
    // forgotten by the archive at once, so that one record object serves every element and
    // the archive keeps nothing per element.
    struct ArchiveJob {
        std::string path;
        std::string partPath;
        MadeFile file;
        std::unique_ptr<CArchive> archive;
        CSchematicElementRecord record;
    };
    typedef CWizardBase3* (*Factory3)(int);
    typedef CWizardBase4* (*Factory4)(unsigned int);

    Element* FindElement(const std::string& name);
    bool AddElement(const SchematicElement& source, bool initialize, std::string& error);
    bool CreateWizard(Element& element, std::string& error);
    bool ApplyValues(Element& element, std::string& error);
    // A characteristic fed by a pin or not used keeps the table's own file name ("file") in the
    // parameter the page reads it from; false, naming the element, when the page cannot keep it.
    bool KeepTableFileName(Element& element, std::string& error);
    // The values the schematic gave, as a user types them on the element's page and presses
    // OK: the page shows what the set holds and its apply makes the values that follow from
    // them. False, naming the element and the parameter, when the page does not take a value
    // as given.
    bool ApplyValuesOnPage(Element& element, std::string& error);
    // Runs the actions on the element's pages. With `schematicsOwn` the actions are the
    // schematic's own (its values, characteristic and script). A page asks before it replaces
    // a file that is not the element's own; nobody answers for the user there, except that
    // `describe` lets the write go on to refuse it in its own words (WatchDataFiles).
    bool RunSession(Element& element, const std::vector<ScriptAction>& actions, EditScriptRunner& runner,
                    std::string& error, bool schematicsOwn = false);
    // Tells a wizard that asks for change notifications (its WantChangeNotification) of every
    // parameter whose value a session changed (`before`: the values as the session found them, see ParamValues), as the
    // editor does after a committed change: the polynomial source rebuilds its coefficients for
    // an order the arrows changed.
    void NotifyChangedValues(Element& element, const std::map<std::pair<std::string, int>, std::string>& before);
    void SetDocument(const std::string& folder, const std::string& name);
    // The text with the editor's placeholders filled ("@NAME", "@<parameter>"). With
    // `valueFault`, the first value put in that cannot stand there as one value (or as one
    // quoted name) is named there (ValueFault).
    std::string CompleteModelText(const Element& element, const std::string& text,
                                  std::string* valueFault = nullptr) const;
    // A parameter whose value is not one value (ValueFault) and that the wizard wrote into its
    // text as it stands, where a value stands (outside quotes and equations): how a fault
    // names it, "" when there is none.
    std::string WrittenValueFault(const Element& element, const std::string& text) const;
    // The element's finished model text from what its wizard wrote (`text`): the values and
    // lists the editor fills in, every value checked as one value and the whole checked as
    // model text. Returns the first fault ("" when there is none), as words that follow the
    // element's label.
    std::string FinishModelText(const Element& element, const std::string& text, std::string& done) const;
    // Two parameters that give one name the element declares (a result, or what its own
    // equations assign in the finished `text`): how a fault names both, "" when there are none.
    std::string DeclaredNameFault(const Element& element, const std::string& text) const;
    // Writes the element's model text as describe does (its wizard's WriteSimDescr, writing
    // into `out`); the text as the wizard left it.
    std::string WizardModelText(Element& element, CFile* out);
public:
    // Test switch: `hook` runs each time a wizard has written its model text, as part of that
    // step (null: none), so a test can have the step show what a wizard might.
    static void SetModelTextHookForTest(void (*hook)());
private:
    // What describe would refuse in the element as it stands now, as words that follow the
    // element's label ("" when nothing): its values, its model text, what its wizard reports.
    // No file is written, and the element is left exactly as it was.
    std::string CommitFault(Element& element);
    // Runs `build`, which makes the elements of a description into `path` one by one, each
    // described as soon as it is made; the checks of their OKs write their texts as describe
    // does, and describe takes a text checked so (m_checkedDescription).
    bool BuildingDescription(const std::string& path, const std::function<bool()>& build);
    // The first input parameter that the model text names ("@R") whose value is a number that
    // is no finite number once its unit is applied ("1e306" in kOhm): the completed text would
    // hold the number unconverted. "" when there is none.
    std::string NumberBeyondItsUnit(const Element& element, const std::string& text) const;
    // The characteristic as the element's pages show it (opened and cancelled as a user
    // would look at them).
    // fileTicked: whether the table's "File Name" box is ticked (it may be with no name typed).
    bool ReadCharacteristic(Element& element, SchematicCharacteristic& ch, std::string& error, bool* fileTicked = nullptr);
    // The wizard's data as a saved archive holds it, and the wizard loaded from such bytes
    // (false with a message naming the element when the bytes are not exactly its data).
    bool SaveWizardData(Element& element, std::vector<unsigned char>& bytes, std::string& error);
    bool LoadWizardData(Element& element, std::string& error);
    bool LoadWizardData(Element& element, const std::vector<unsigned char>& bytes, std::string& error);
    // What a sheet gives back when it ends without OK: the parameter set and the wizard's own
    // data (tables, file names, mode words) as they were when it opened or last committed.
    struct SessionKeep {
        ParamSetSnapshot params;
        std::vector<unsigned char> wizardData;
        bool hasWizardData = false;
    };
    void KeepForSession(Element& element, SessionKeep& kept);
    // Whether the element holds exactly what `kept` holds: its parameter set and its wizard's data.
    bool StillAsKept(Element& element, const SessionKeep& kept);
    // Takes into `kept` what changed in the element since `before` was kept.
    void KeepChangesForSession(Element& element, const SessionKeep& before, SessionKeep& kept);
    bool PutBackAfterSession(Element& element, const SessionKeep& kept, std::string& error);
    // The characteristic's edit-script lines made to fit a wizard loaded from its data: the
    // form it has is kept, and check boxes it has ticked already are not clicked over.
    bool FitToLoadedState(Element& element, const SchematicCharacteristic& wanted, std::vector<std::string>& lines,
                          std::string& error);
    // Carries out a rename made on the element's page ("Name"), or refuses it (false with a
    // message) when the new name cannot name an element or another element has it. With
    // `keepFiles` (a user's edit session) the element keeps the data files it wrote under its
    // earlier name (KeepDataFilesUnderName); a file that cannot be kept refuses the rename.
    bool TakeName(Element& element, std::string& error, bool keepFiles = false);
    // The data files the element writes under the name `name` as well as under its present one
    // (a name the user gave, not one made of the element's name), in the document's folder,
    // that are its own (marked with the document and its present name, unchanged since) get the
    // mark of `name`, all or none, through the owner of output files. A file under its present
    // default name (`<document>__<element>`, also with a table's suffix) keeps its mark: the
    // element writes its default name anew, and the old one is the file of whoever takes that
    // name later. False with the reason when a file cannot be written.
    bool KeepDataFilesUnderName(const Element& element, const std::string& name, std::string& why);
    // The element's record with its file parameters as its set holds them now.
    SchematicElement WithFileParamsOfSet(const Element& element) const;
    void ClearElements();
    // ClearElements for a new schematic: the names of the elements made before go too.
    void StartSchematic();
    // Destroys the newest element (wizard first, then its parameter set).
    void DropLastElement();
    void DropAllElements();
    // Whether the element could be made: AddElement without Initialize, and the scripts its
    // settings become parse. The element is destroyed again.
    bool CheckElement(const SchematicElement& source, std::string& error);
    bool CheckSchematic(const Schematic& schematic, std::string& error);
    // What follows the checks of the last element: the editor's requests are let go, and a
    // breach of the request protocol is a fault.
    bool CheckedAll(std::string& error);
    // The first reading of a text: false with the reader's message in `error` when the text is
    // at fault; otherwise the document's name and the number of elements, and in `checkError`
    // the first element's fault ("" when every element could be made). `note` sees each
    // element as it is read.
    bool CheckSchematicText(const std::string& text, const std::function<void(const SchematicElement&)>& note,
                            std::string& document, size_t& count, std::string& checkError, std::string& error);
    // The actions of the element's script lines (false-y with a message naming the element
    // when they do not parse); the same lines as the last element of its kind parsed are not
    // parsed again.
    std::shared_ptr<const std::vector<ScriptAction>> ParsedScript(const SchematicElement& source,
                                                                  const std::vector<std::string>& lines,
                                                                  std::string& error);
    // What of the element CheckElement's making of it depends on (see there).
    static std::string CheckShape(const SchematicElement& source);
    // Makes the element and hands it to the sink (Build's step for one element).
    bool BuildElement(const SchematicElement& source, std::string& error);
    // The second reading of a checked text of `count` elements: each element is made and
    // handed to the sink as soon as it was read. The host holds no element afterwards.
    // `afterAll` runs once every element was read, before the host lets go of the elements
    // a sink kept. `build`, when given, takes each element in BuildElement's place.
    bool BuildText(const std::string& text, const std::string& document, size_t count,
                   const std::string& documentFolder, ElementSink& sink, std::string& error,
                   const std::function<bool(std::string&)>& afterAll = {}, const SchematicElementTaker& build = {});
    // Hands a just completed element to the sink, then destroys it (no sink: keeps it).
    bool Stream(std::string& error);
    bool BeginDescription(const std::string& path, DescriptionJob& job, std::string& error);
    // Watches every data file written while the job runs (see DescriptionJob::wrote): an empty
    // table, a file that is not the element's own (qv::files::MayReplaceWithoutAsking), a file
    // another element writes in the run or the description's, and an input are refused. It
    // also watches the data files read, so that no file is both read and written in one run.
    // StopWatchingDataFiles ends all of it.
    void WatchDataFiles(DescriptionJob& job);
    void StopWatchingDataFiles();
    // Whether the element may replace the file at `path` (UTF-8, absolute) without a question:
    // nothing is there, or the element wrote it and nobody changed it since
    // (qv::files::MayReplaceWithoutAsking).
    bool IsElementsOwnFile(const std::string& path, const std::string& element) const;
    // After an edit session: the data files the element may write now (another file name typed,
    // another name) are kept from its pages as those it was made with are (MayPagesFind).
    void FollowOwnDataFiles(Element& element);
    // Whom the data files written for the element are marked with: the document and the element.
    CReadAndWriteFiles::Writer WriterOf(const std::string& element) const;
    // The element being described, or else the one being made ("" when there is none).
    std::string CurrentElementName() const;
    // The catalogue element the schematic's element names (its ID and kind); null, with the
    // line that names the element and why, when the catalogue has none.
    const CatalogueElement* TypeOf(const SchematicElement& source, std::string& error) const;
    const CatalogueElement* TypeOf(const SchematicElement& source) const;
    // Whether describing the element may write a data file of its own.
    bool MayWriteDataFiles(const SchematicElement& source) const;
    // The data files describing the element may write (none where MayWriteDataFiles says so),
    // absolute, in normal form: its default name, the names its file parameters and its
    // characteristic give, in the document's folder.
    std::vector<std::string> OwnDataFiles(const SchematicElement& source) const;
    // Whether a page may find the data file `given` when it looks for one on its own: not the
    // file of the element at work that it wrote itself and nobody changed since, under a name
    // the element may write. That file holds what the element holds, and is what a command
    // writes, not its input. Any other file a page looks for (a user's, another element's) is
    // read afresh as the page opens, and a page then asks before it replaces it. While an
    // archive is loaded, every file is found: an archive's elements read their data files
    // beside it, as an opened document does.
    bool MayPagesFind(const std::string& given) const;
    // Makes this host the one that decides which files the pages find (MayPagesFind) and whom
    // the data files written are marked with, for the process: where one process runs several
    // hosts (tests do), the one at work decides.
    void WatchPagesFiles();
    void DescribeElement(Element& element, DescriptionJob& job);
    bool FinishDescription(DescriptionJob& job, std::vector<std::string>& written, std::string& error);
    bool BeginArchive(const std::string& path, ArchiveJob& job, std::string& error);
    void WriteArchiveHeader(ArchiveJob& job, size_t count);
    void SaveElement(Element& element, ArchiveJob& job);
    bool FinishArchive(ArchiveJob& job, std::string& error);
    // The element's state (see CurrentSchematic); its pages are looked at on a copy.
    SchematicElement CurrentElement(Element& element);
    // With `writeError`, a preview file the system refused to write is also named there alone.
    bool RunEdit(Element& element, const std::vector<ScriptAction>& actions, EditOutcome& outcome, std::string& error,
                 std::string* writeError = nullptr);
    // Edit's session on an element that was found. `keepsRename`: the element's new name is
    // kept (in the host, or in a printed schematic), so its files take that name
    // (KeepDataFilesUnderName); an `edit` that prints nothing leaves their marks as they are.
    bool EditElement(Element& element, const std::vector<std::string>& lines, EditOutcome& outcome, std::string& error,
                     bool keepsRename = true);

    Catalogue m_catalogue;
    HMODULE m_plugin = nullptr;
    std::vector<HMODULE> m_formulaModules;   // kept loaded while the host runs
    Factory3 m_create3 = nullptr;
    Factory4 m_create4 = nullptr;
    std::unique_ptr<SchematicEditor> m_editor;
    std::vector<std::unique_ptr<Element>> m_elements;
    std::string m_document;
    std::string m_documentFolder;   // ends in '/'
    std::string m_stateError;
    ElementSink* m_sink = nullptr;
    bool m_checking = false;   // CheckElement is making an element
    // By wizard ID: the shape (CheckShape) of the last element that CheckElement made without
    // a fault, and the last script parsed with its actions.
    std::unordered_map<unsigned, std::string> m_checkedShapes;
    struct ParsedScriptOfKind {
        std::vector<std::string> lines;
        std::shared_ptr<const std::vector<ScriptAction>> actions;
    };
    std::unordered_map<unsigned, ParsedScriptOfKind> m_parsedScripts;
    // Page runs so far; while set, the handler that hears of what a user script did not
    // foresee is put back after each (a run leaves none).
    unsigned long m_pageRuns = 0;
    std::vector<std::string> m_lastSessionNotified;
    std::function<void(const std::string&)> m_keptFailureHandler;
    std::vector<std::string> m_inputs;
    struct FileIdentity {
        bool known = false;   // the input could be looked at when it was named
        unsigned long long device = 0;
        unsigned long long inode = 0;
    };
    std::vector<FileIdentity> m_inputIdentities;   // by index in m_inputs
    const Element* m_describing = nullptr;   // the element DescribeElement is writing
    bool m_loading = false;                  // Load is reading an archive (see MayPagesFind)
    std::unordered_multiset<std::string> m_ownDataFiles;   // the ownFiles of the elements held
    const Element* m_inSession = nullptr;     // the element whose pages RunSession runs
    // While a description is written: sets aside what an earlier run left where the element
    // about to be made may write its data files.
    std::function<void(const SchematicElement&)> m_setAside;
    // While a description is written: the schematic's own page runs say yes to a question
    // whether to replace a file, whose write the description then refuses in its own words
    // (see RunSession).
    bool m_writingDescription = false;
    // What the editor's check of the last session's refused apply found ("" when it refused
    // none): the element as its pages left it is one describe refuses (CommitFault).
    std::string m_commitRefusal;
    // Whether the editor checks each OK and apply as describe would (RunSession): always, but
    // for a benchmark that measures what the check costs (SetCommitCheck).
    bool m_checkCommits = true;
    // The description that the check of an OK or apply made of the element being built for a
    // description (CommitFault): describe writes it rather than have the wizard write the same
    // text again, as long as the element is still exactly as it was checked (DescribeElement).
    // Kept only where the wizard neither wrote nor read a data file while writing its text:
    // such files are the description's own to write and to read.
    struct CheckedDescription {
        DWORD handle = 0;
        std::string name;   // the element's name as checked
        std::string text;   // as the wizard wrote it
        std::string done;   // finished (FinishModelText)
        SessionKeep state;  // the element as checked
    };
    std::unique_ptr<CheckedDescription> m_checkedDescription;
    // While the elements of a description are made: the path of the description, so that the
    // check of an element's OK has its text written as describe has it written ("" otherwise).
    std::string m_descriptionPath;
    // The names of the elements that the first reading of a schematic text found (see
    // CheckSchematicText), put in use as BuildText begins to make them.
    std::vector<std::string> m_namesAhead;
};

// A file that one `describe` run writes, known before anything is written.
struct PlannedFile {
    std::string path;   // absolute
    std::string what;   // "the model description", "the data file of element \"RNL1\""
    std::string identity = {};   // the file the path leads to (DataFileIdentity)
    // What the plan found at the path: whether a file was there, and which.
    bool existed = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
};

// What the first reading of a schematic text for `describe` found.
struct DescribePlan {
    std::string document;
    size_t elements = 0;
    // The description first, then the data file of each table of data pairs; the files the
    // wizards choose themselves are found while the description is written.
    std::vector<PlannedFile> files;
};

// The longest file name (in bytes, without its folder) that a command writes: the file
// system holds 255, and the temporary files written beside the target carry a few more.
constexpr size_t kMaxOutputNameBytes = 200;

// Why a command cannot write a file under the path's name (a NUL byte in the path, no file
// name, a name longer than kMaxOutputNameBytes), as words that begin with `what`; "" when it can.
std::string OutputNameFault(const std::string& path, const std::string& what);

// Checks, before anything is written, every file that describing the schematic into
// `descriptionPath` will write: the description and the data file of each element whose
// characteristic is a table of data pairs (named as the pages name it). Refused: a target
// that exists and is no regular file (a folder), a folder that does not exist, a name longer
// than kMaxOutputNameBytes, two outputs with one path, an empty table of data pairs. False
// with a message naming the element and the file.
bool PlanDescribeOutputs(const Schematic& schematic, const std::string& descriptionPath,
                         std::vector<PlannedFile>& planned, std::string& error);

// The one of `inputs` that is the file `path` names, compared by file identity (device and
// inode, so that another spelling or a link is caught); "" when none is.
std::string InputNamedBy(const std::string& path, const std::vector<std::string>& inputs);

// The name of a user's data file as it is typed into the characteristic table: a relative
// path with a folder ("./x.mdx", "sub/x.mdx") is taken relative to the document's folder
// (ending in '/') and written as an absolute path; a bare name or an absolute path stays.
std::string DataFileEntry(const std::string& file, const std::string& documentFolder);

// The path of the data file that the table writes for a user's file name, by the table's
// rules (framework/data_file_names.h): a missing name part or one with "*" becomes the
// element's name, an extension with "*" or one that cannot be written becomes ".mdx", a bare
// name beginning with "." gets the element's name in front, and a bare name lies in the
// document's folder.
std::string UserDataFilePath(const std::string& file, const std::string& element, const std::string& documentFolder,
                             bool leadingDotRule = true);

// The edit-script lines that enter a characteristic on a page whose controls the catalogue
// names, as a user would: the nonlinear form, then the characteristic table in its own sheet.
std::vector<std::string> CharacteristicScript(const CatalogueElement& type, const SchematicCharacteristic& ch);

} // namespace qv
