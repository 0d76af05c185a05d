// qvhost: the command-line host of the stand-in editor. docs/host.md describes the commands.
//
// Exit codes: 0 success, 1 usage error, 2 bad input (a schematic, script or archive that
// cannot be used, a plug-in that cannot be loaded, a job the wizards could not do).

#include "afx/afx.h"
#include "afx/message_text.h"
#include "afx/user_script.h"
#include "editor/host.h"
#include "editor/host_shared.h"
#include "editor/output_files.h"
#include "editor/text_codec.h"
#include "framework/factories.h"
#include "toolkit/read_write_files.h"
#include "win32/profile.h"
#include "win32/win32.h"
#include "wizard/wizard.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitBadInput = 2;

// The largest edit script and archive read.
constexpr unsigned long long kMaxScriptBytes = 16ull * 1024 * 1024;
constexpr unsigned long long kMaxArchiveBytes = 4ull * 1024 * 1024 * 1024;

const char kUsage[] =
    "usage: qvhost <command> [arguments] [--plugin PATH] [--catalogue DIR]\n"
    "\n"
    "commands:\n"
    "  --help                            show this text\n"
    "  list-wizards                      list every ID of both wizard factories with its base\n"
    "                                    and the class it yields (\"not built\" when none)\n"
    "  describe SCHEMATIC -o OUT         write the model description of the schematic into\n"
    "                                    OUT, with its data files beside it\n"
    "  edit SCHEMATIC --element NAME --script SCRIPT [-o OUT.json]\n"
    "                                    run the edit script on the element's pages, print\n"
    "                                    the page's controls, optionally write the schematic\n"
    "  save SCHEMATIC -o FILE.qva        save the schematic's editor and wizard data\n"
    "  load FILE.qva [-o FILE.qva]       load saved data, print the schematic, optionally\n"
    "                                    save it again\n"
    "  svg SCHEMATIC --element NAME (--symbol | --preview) -o OUT.svg\n"
    "                                    draw the element's symbol or characteristic preview\n"
    "\n"
    "SCHEMATIC is a JSON schematic (docs/schematic-format.md). The plug-in defaults to\n"
    "Parvel.so and the catalogue to catalogue/, both beside this program.\n";

typedef CWizardBase3* (*Factory3)(int);
typedef CWizardBase4* (*Factory4)(unsigned int);
typedef size_t (*FactoryTableFn)(const QvFactoryInfo**);

// The folder of this program, ending in '/': the editor's installation folder, where the
// plug-in, its language module and the catalogue are installed.
std::string HostFolder() {
    char buffer[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string self(buffer, length);
    const size_t slash = self.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : self.substr(0, slash + 1);
}

// The folder of a file, absolute, ending in '/'.
std::string FolderOf(const std::string& path) {
    std::error_code code;
    std::filesystem::path folder = std::filesystem::absolute(std::filesystem::path(path), code).parent_path();
    std::string text = folder.string();
    if (text.empty() || text.back() != '/') text += '/';
    return text;
}

std::string Elements(size_t count) { return std::to_string(count) + (count == 1 ? " element" : " elements"); }

void PrintUtf8(const std::string& cp1252) { std::fputs(qv::Cp1252ToUtf8Text(cp1252).c_str(), stdout); }

// A message as the host prints it: each line begins with "qvhost: ", but for the indented
// lines that go on with the one before (the faults of a script under its element).
std::string HostLines(const std::string& message) {
    std::string out;
    for (size_t start = 0; start < message.size() || start == 0;) {
        const size_t end = std::min(message.find('\n', start), message.size());
        if (message.compare(start, 1, " ") != 0) out += "qvhost: ";
        out.append(message, start, end - start).append("\n");
        start = end + 1;
    }
    return out;
}

int Fail(const std::string& message) {
    // A journal that could not be written failed the command, whatever failed after it: its
    // line is the one that says why.
    const std::string& journal = qv::OutputFiles::Current().JournalFault();
    std::fputs(HostLines(qv::MessageToUtf8(journal.empty() ? message : journal)).c_str(), stderr);
    return kExitBadInput;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "qvhost: %s\n%s", qv::MessageToUtf8(message).c_str(), kUsage);
    return kExitUsage;
}

const char* ClassNameOf(const CObject* object) {
    const CRuntimeClass* runtimeClass = object->GetRuntimeClass();
    return runtimeClass != nullptr && runtimeClass->m_lpszClassName != nullptr ? runtimeClass->m_lpszClassName : "?";
}

int ListWizards(const std::string& pluginPath) {
    HMODULE plugin = LoadLibraryA(pluginPath.c_str());
    if (plugin == nullptr) return Fail("cannot load the plug-in " + qv::ShownPath(pluginPath));
    auto create3 = reinterpret_cast<Factory3>(GetProcAddress(plugin, "CreateWizardInstance"));
    auto create4 = reinterpret_cast<Factory4>(GetProcAddress(plugin, "CreateWizard4Instance"));
    auto table = reinterpret_cast<FactoryTableFn>(GetProcAddress(plugin, "QvGetFactoryTable"));
    if (create3 == nullptr || create4 == nullptr || table == nullptr) {
        FreeLibrary(plugin);
        return Fail(qv::ShownPath(pluginPath) + " does not export the wizard factories");
    }
    const QvFactoryInfo* entries = nullptr;
    const size_t count = table(&entries);
    int built = 0;
    std::printf("base\tid\tclass\n");
    for (size_t i = 0; i < count; ++i) {
        const QvFactoryInfo& entry = entries[i];
        std::string shown;
        if (entry.base == 3) {
            if (CWizardBase3* wizard = create3(static_cast<int>(entry.id))) {
                shown = ClassNameOf(wizard);
                delete wizard;
            }
        } else {
            if (CWizardBase4* wizard = create4(entry.id)) {
                shown = ClassNameOf(wizard);
                delete wizard;
            }
        }
        if (shown.empty())
            shown = std::string("not built (") + entry.className + ")";
        else
            ++built;
        std::printf("%d\t%u\t%s\n", entry.base, entry.id, shown.c_str());
    }
    std::printf("%d of %zu wizard IDs built\n", built, count);
    FreeLibrary(plugin);
    return kExitOk;
}

// The command line after the command word: positional arguments and options with values.
struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::vector<std::string> flags;

    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::string Get(const std::string& name) const {
        auto it = options.find(name);
        return it == options.end() ? std::string() : it->second;
    }
    bool HasFlag(const std::string& name) const {
        for (const std::string& flag : flags)
            if (flag == name) return true;
        return false;
    }
};

// Options with a value, options without, per command.
bool ParseArguments(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                    const std::vector<std::string>& bare, Arguments& out, std::string& error) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 1 && arg[0] == '-') {
            if (std::find(valued.begin(), valued.end(), arg) != valued.end()) {
                if (i + 1 >= args.size()) {
                    error = "option " + arg + " needs a value";
                    return false;
                }
                if (out.options.count(arg) != 0) {
                    error = "option " + arg + " given twice";
                    return false;
                }
                out.options[arg] = args[++i];
            } else if (std::find(bare.begin(), bare.end(), arg) != bare.end()) {
                out.flags.push_back(arg);
            } else {
                error = "unexpected option " + qv::Quoted(arg);
                return false;
            }
        } else {
            out.positional.push_back(arg);
        }
    }
    return true;
}

bool StartHost(qv::Host& host, const Arguments& args, std::string& error) {
    qv::HostOptions options;
    options.pluginPath = args.Has("--plugin") ? args.Get("--plugin") : HostFolder() + "Parvel.so";
    options.catalogueFolder = args.Has("--catalogue") ? args.Get("--catalogue") : qv::DefaultCatalogueFolder(HostFolder());
    // Everything the command reads: what it names, the plug-in and the catalogue's files.
    std::vector<std::string> inputs = args.positional;
    if (args.Has("--script")) inputs.push_back(args.Get("--script"));
    inputs.push_back(options.pluginPath);
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator(options.catalogueFolder, code))
        inputs.push_back(entry.path().string());
    host.SetInputFiles(std::move(inputs));
    // A command writes only the outputs it names: the data files that pages write on the way
    // (a table applied with a file name) are taken as written, never written. `describe`
    // plans, writes and records its data files itself, and an edit session's own applies
    // write theirs.
    CReadAndWriteFiles::SetWriteWatcher([](const std::string&, int, std::string&) {
        return CReadAndWriteFiles::WriteDecision::TakeAsWritten;
    });
    return host.Start(options, error);
}

// Refuses (status 2) an output of the command that is one of its inputs, by file identity.
// The refusal's message, "" when the output is no input.
std::string InputAsOutput(const qv::Host& host, const Arguments& args) {
    if (!args.Has("-o")) return "";
    const std::string input = host.InputAt(args.Get("-o"));
    return input.empty() ? "" : qv::ShownPath(args.Get("-o")) + ": is the input " + qv::ShownPath(input) + ", which is not written over";
}

int RefuseInputAsOutput(const qv::Host& host, const Arguments& args) {
    const std::string refusal = InputAsOutput(host, args);
    return refusal.empty() ? kExitOk : Fail(refusal);
}

// Starts the host and reads the text of the schematic file named on the command line. kExitOk,
// or the exit status of the failure.
int StartAndReadText(qv::Host& host, const Arguments& args, std::string& text) {
    std::string error;
    if (!StartHost(host, args, error)) return Fail(error);
    if (!qv::ReadSchematicFileText(args.positional[0], text, error)) return Fail(error);
    return kExitOk;
}

// A fault of the schematic's text names the file, as reading the file whole does.
int FailReading(const std::string& path, bool textFault, const std::string& error) {
    return Fail(textFault ? qv::ShownPath(path) + ": " + error : error);
}

// The file `-o` names, a symbolic link followed to its target, with the lock of its folder
// taken: kExitOk, or the exit status of the failure.
int TakeOutput(const std::string& given, std::string& target) {
    std::string error;
    if (!qv::OutputFiles::ResolveTarget(given, target, error)) return Fail(error);
    // Said here, where the path typed is known: the owner of the files sees only the target.
    if (!qv::OutputFiles::TakesNoOwnName(given, target, error)) return Fail(error);
    if (!qv::OutputFiles::Current().LockFolder(FolderOf(target), error)) return Fail(error);
    return kExitOk;
}

int Describe(const Arguments& args) {
    if (args.positional.size() != 1 || !args.Has("-o")) return Usage("describe needs SCHEMATIC and -o OUT");
    qv::Host host;
    std::string text;
    std::string error;
    std::string out;
    if (int rc = TakeOutput(args.Get("-o"), out)) return rc;
    if (int rc = StartAndReadText(host, args, text)) return rc;
    // The text is read twice and its elements are never held: the first reading checks it and
    // the outputs it names before anything is written, the second makes, describes and
    // destroys one element at a time (and takes back what it wrote when it fails).
    qv::DescribePlan plan;
    bool textFault = false;
    if (!host.PlanDescription(text, out, plan, error, &textFault)) return FailReading(args.positional[0], textFault, error);
    std::vector<std::string> written;
    if (!host.DescribeSchematicText(text, plan, FolderOf(out), out, written, error)) return Fail(error);
    // The report goes out in blocks: standard error has no buffer, and a schematic may write
    // a data file for every fourth element.
    std::string report = "model description of " + Elements(plan.elements) + " written to " + qv::ShownPath(written[0]) + "\n";
    for (size_t i = 1; i < written.size(); ++i) {
        report += "data file written to " + qv::ShownPath(written[i]) + "\n";
        if (report.size() >= 65536) {
            std::fputs(report.c_str(), stderr);
            report.clear();
        }
    }
    std::fputs(report.c_str(), stderr);
    return kExitOk;
}

int Edit(const Arguments& args) {
    if (args.positional.size() != 1 || !args.Has("--element") || !args.Has("--script"))
        return Usage("edit needs SCHEMATIC, --element NAME and --script SCRIPT");
    // The document, and with it the data files the session writes, lies in the output folder,
    // which is locked (and what a dead command left there recovered) before anything is read.
    std::string out;
    if (args.Has("-o")) {
        if (int rc = TakeOutput(args.Get("-o"), out)) return rc;
    }
    const std::string folder = FolderOf(args.Has("-o") ? out : args.positional[0]);
    std::string lockError;
    if (!qv::OutputFiles::Current().LockFolder(folder, lockError)) return Fail(lockError);
    std::string scriptText;
    std::string error;
    if (!qv::CheckInputFile(args.Get("--script"), kMaxScriptBytes, error)) return Fail(error);
    if (!qv::ReadWholeFile(args.Get("--script"), scriptText, error)) return Fail(error);
    // A byte-order mark that starts the script is no part of it, as it is none of a schematic.
    if (scriptText.compare(0, 3, "\xEF\xBB\xBF") == 0) scriptText.erase(0, 3);
    std::string converted;
    if (!qv::Utf8ToCp1252(scriptText, converted, error)) return Fail(qv::ShownPath(args.Get("--script")) + ": " + error);
    std::vector<std::string> lines;
    std::istringstream in(converted);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::string element;
    if (!qv::Utf8ToCp1252(args.Get("--element"), element, error)) return Fail("--element: " + error);

    qv::Host host;
    std::string text;
    if (int rc = StartAndReadText(host, args, text)) return rc;
    // The elements are made one at a time and printed as they are made; only the element to
    // edit is kept until the session.
    const auto beforeEdit = [&host, &args, &folder](std::string& refusal) {
        refusal = InputAsOutput(host, args);
        if (!refusal.empty()) return false;
        // The session's own applies write the data files its pages name into the output folder,
        // none over an input.
        CReadAndWriteFiles::SetWriteWatcher([&host, &folder](const std::string& given, int items, std::string& refused) {
            if (items < 0) return CReadAndWriteFiles::WriteDecision::Write;   // the page reports it
            const std::string path = qv::OutputFiles::PathInFolder(qv::PathToUtf8(given), folder);
            if (!qv::OutputFiles::IsInsideFolder(path, folder)) {
                refused = qv::ShownPath(path) + ": would lie outside the output folder " + qv::ShownPath(folder) +
                          ", and a command writes only there";
                return CReadAndWriteFiles::WriteDecision::Refuse;
            }
            const std::string input = host.InputAt(path);
            if (!input.empty()) {
                refused = qv::ShownPath(path) + ": is the input " + qv::ShownPath(input) + ", which is not written over";
                return CReadAndWriteFiles::WriteDecision::Refuse;
            }
            // The owner of output files keeps the earlier contents until the command ends.
            if (path == given) return CReadAndWriteFiles::WriteDecision::Write;
            refused = path;
            return CReadAndWriteFiles::WriteDecision::WriteElsewhere;
        });
        return true;
    };
    qv::EditOutcome outcome;
    bool textFault = false;
    const bool ok = host.EditSchematicText(text, folder, element, lines, out, beforeEdit, outcome, error,
                                           &textFault);
    for (const std::string& printed : outcome.printed) PrintUtf8(printed);
    PrintUtf8(outcome.listing);
    if (!ok) return FailReading(args.positional[0], textFault, error);
    // The data files the session wrote are kept (without -o nothing else is put in place).
    if (!qv::OutputFiles::Current().Settle(true, &error)) return Fail(error);
    if (args.Has("-o")) std::fprintf(stderr, "edited schematic written to %s\n", qv::ShownPath(args.Get("-o")).c_str());
    return kExitOk;
}

int Save(const Arguments& args) {
    if (args.positional.size() != 1 || !args.Has("-o")) return Usage("save needs SCHEMATIC and -o FILE.qva");
    qv::Host host;
    std::string text;
    std::string error;
    std::string out;
    if (int rc = TakeOutput(args.Get("-o"), out)) return rc;
    if (int rc = StartAndReadText(host, args, text)) return rc;
    if (int rc = RefuseInputAsOutput(host, args)) return rc;
    // Read twice as describe reads it: checked first, then saved element by element.
    size_t count = 0;
    bool textFault = false;
    if (!host.SaveSchematicText(text, FolderOf(args.positional[0]), out, count, error, &textFault))
        return FailReading(args.positional[0], textFault, error);
    std::fprintf(stderr, "wizard data of %s saved to %s\n", Elements(count).c_str(), qv::ShownPath(args.Get("-o")).c_str());
    return kExitOk;
}

int Load(const Arguments& args) {
    if (args.positional.size() != 1) return Usage("load needs FILE.qva");
    qv::Host host;
    std::string error;
    std::string out;
    if (args.Has("-o")) {
        if (int rc = TakeOutput(args.Get("-o"), out)) return rc;
    }
    if (!StartHost(host, args, error)) return Fail(error);
    if (!qv::CheckInputFile(args.positional[0], kMaxArchiveBytes, error)) return Fail(error);
    if (int rc = RefuseInputAsOutput(host, args)) return rc;
    // Element by element; with -o each element is saved again as soon as it was loaded. The
    // schematic is printed as it is loaded, never held whole (a million elements would take a
    // gigabyte): a fault ends the printing where it was found, and the exit status says so.
    size_t count = 0;
    auto print = [](const std::string& piece) { std::fwrite(piece.data(), 1, piece.size(), stdout); };
    if (!host.LoadArchive(args.positional[0], FolderOf(args.positional[0]), out, print, count, error))
        return Fail(error);
    if (args.Has("-o"))
        std::fprintf(stderr, "wizard data of %s saved to %s\n", Elements(count).c_str(), qv::ShownPath(args.Get("-o")).c_str());
    return kExitOk;
}

int Svg(const Arguments& args) {
    const bool symbol = args.HasFlag("--symbol");
    const bool preview = args.HasFlag("--preview");
    if (args.positional.size() != 1 || !args.Has("--element") || !args.Has("-o") || symbol == preview)
        return Usage("svg needs SCHEMATIC, --element NAME, one of --symbol and --preview, and -o OUT.svg");
    std::string error;
    std::string element;
    if (!qv::Utf8ToCp1252(args.Get("--element"), element, error)) return Fail("--element: " + error);
    std::string out;
    if (int rc = TakeOutput(args.Get("-o"), out)) return rc;
    qv::Host host;
    std::string text;
    if (int rc = StartAndReadText(host, args, text)) return rc;
    // Only the element to draw is made, as the text is read; an output that is an input is
    // refused once it was made, as before the drawing.
    const auto draw = [&](std::string& drawError) {
        drawError = InputAsOutput(host, args);
        if (!drawError.empty()) return false;
        return symbol ? host.SymbolSvg(element, out, drawError)
                      : host.PreviewSvg(element, out, drawError);
    };
    bool textFault = false;
    if (!host.DrawSchematicText(text, FolderOf(args.positional[0]), element, draw, error, &textFault))
        return FailReading(args.positional[0], textFault, error);
    std::fprintf(stderr, "%s of %s written to %s\n", symbol ? "symbol" : "characteristic preview", args.Get("--element").c_str(),
                qv::ShownPath(args.Get("-o")).c_str());
    return kExitOk;
}

} // namespace

static int RunCommand(int argc, char** argv);
static int RunGuarded(int argc, char** argv);

// A command is one batch for the profiles: each is read once and written at most once, at the
// end, and only when a value changed.
// The profiles are written also when a command ends with a fault.
static int Run(int argc, char** argv) {
    struct Batch {
        Batch() { qv::BeginProfileBatch(); }
        ~Batch() {
            if (!qv::EndProfileBatch())
                std::fprintf(stderr, "qvhost: the user profile %s cannot be written\n", qv::ShownPath(qv::UserProfilePath()).c_str());
        }
    } batch;
    return RunCommand(argc, argv);
}

static int RunCommand(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    const std::string folder = HostFolder();
    qv::SetQuorvatixPath(folder.c_str());
    // "Lumo70.ini" lives in the installation folder, and so does the language module.
    qv::SetProfileFolder(folder);
    if (std::filesystem::exists(folder + "ParvelEnu.so")) qv::SetLanguageModulePath((folder + "ParvelEnu.so").c_str());

    // What a user script did not foresee and no job hears of is the host's line too.
    qv::UserScript::Instance().SetDefaultFailureHandler([](const std::string& message) {
        std::fputs(HostLines("user script: " + qv::MessageToUtf8(message)).c_str(), stderr);
    });
    const std::string& command = args[0];
    Arguments parsed;
    std::string error;
    const std::vector<std::string> common = {"--plugin", "--catalogue"};
    auto parse = [&](std::vector<std::string> valued, std::vector<std::string> bare) {
        valued.insert(valued.end(), common.begin(), common.end());
        return ParseArguments(args, valued, bare, parsed, error);
    };
    if (command == "list-wizards") {
        if (!ParseArguments(args, {"--plugin"}, {}, parsed, error)) return Usage("list-wizards: " + error);
        if (!parsed.positional.empty()) return Usage("list-wizards: unexpected argument " + qv::Quoted(parsed.positional[0]));
        return ListWizards(parsed.Has("--plugin") ? parsed.Get("--plugin") : folder + "Parvel.so");
    }
    if (command == "describe") return parse({"-o"}, {}) ? Describe(parsed) : Usage("describe: " + error);
    if (command == "edit") return parse({"-o", "--element", "--script"}, {}) ? Edit(parsed) : Usage("edit: " + error);
    if (command == "save") return parse({"-o"}, {}) ? Save(parsed) : Usage("save: " + error);
    if (command == "load") return parse({"-o"}, {}) ? Load(parsed) : Usage("load: " + error);
    if (command == "svg") return parse({"-o", "--element"}, {"--symbol", "--preview"}) ? Svg(parsed) : Usage("svg: " + error);
    return Usage("unknown command " + qv::Quoted(command));
}

// Every file a command writes goes through the owner of output files, which takes back what a
// failed or interrupted command wrote.
int main(int argc, char** argv) {
    qv::OutputFiles& outputs = qv::OutputFiles::Current();
    outputs.InstallHandlers(kExitBadInput);
#ifdef QVHOST_STEP_HOOK
    // The crash test's build: after the step of the owner of output files that
    // QVHOST_CRASH_AFTER_STEP names, the process gets the signal QVHOST_CRASH_SIGNAL (by
    // default SIGKILL, which ends it as a power cut would).
    static long crashAfter = 0;
    static int crashSignal = SIGKILL;
    if (const char* step = std::getenv("QVHOST_CRASH_AFTER_STEP")) crashAfter = std::atol(step);
    if (const char* sig = std::getenv("QVHOST_CRASH_SIGNAL")) crashSignal = std::atoi(sig);
    // QVHOST_NO_SECOND_LINKS: earlier contents are copied, as where a second link fails;
    // QVHOST_FAIL_APPEND: the journal append it numbers fails, as on a full disk.
    const char* failAppend = std::getenv("QVHOST_FAIL_APPEND");
    qv::OutputFiles::SetFaultsForTest(std::getenv("QVHOST_NO_SECOND_LINKS") != nullptr,
                                      failAppend != nullptr ? std::atol(failAppend) : 0);
    qv::OutputFiles::SetStepHook([](long step) {
        if (step == crashAfter) ::raise(crashSignal);
    });
#endif
    int status = RunGuarded(argc, argv);
    std::string error;
    if (!outputs.Settle(status == kExitOk, &error)) status = Fail(error);
    return status;
}

// No fault leaves the host as an uncaught exception: whatever escapes a command ends it with
// the status of bad input and a message.
static int RunGuarded(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        return Fail(qv::OutputFiles::Current().Committed() ? "not enough memory to finish the job; its files are in place and stay"
                                                          : "not enough memory for the job");
    } catch (const std::exception& e) {
        return Fail(std::string("the job failed: ") + e.what());
    } catch (CException* e) {
        const std::string text = qv::host_detail::ExceptionText(e);
        if (e != nullptr) e->Delete();
        return Fail("the job failed: " + text);
    } catch (...) {
        return Fail("the job failed with an unknown fault");
    }
}
