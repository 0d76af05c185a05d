// Describes generated schematics whose names, values, units, outputs, characteristics,
// data-file names (of characteristics and of the wizards that write tables of their own) and
// output paths come from the input, many of them hostile (empty, blank,
// control characters, quotes, "@", folders, overlong names, read-only extensions, a folder or
// a data file as the output). Every run writes only in a folder of its own below the temporary
// folder, which is emptied after each input. What must hold:
// - a schematic the reader refuses, or whose outputs the output check refuses, writes nothing;
// - a description that fails leaves the folder as it was (empty);
// - a description that succeeds wrote the planned description, every file it wrote was
//   planned, and its text is UTF-8 without control characters other than line ends and tabs,
//   and model text as a whole (each element's text passed the check describe makes).
#include "editor/host.h"
#include "editor/model_text_check.h"
#include "editor/text_codec.h"
#include "fuzz/host_modules.h"
#include "fuzz/temp_file.h"
#include "win32/profile.h"
#include "win32/win32.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const qv::HostOptions kOptions{PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"};

std::string g_folder;   // this process's own folder, ending in '/'

const char* const kNames[] = {"R1", "R.1", "R_1", "G1", "RNL1", "D__R1", "R 2", "R\xE4ty", "a/b", ".", "..", "@x",
                              "R;", "\"q\"", "", "x\ny"};
const char* const kValues[] = {"",     " ",   "1k",     "4.7",    "2.2",     "1e308", "nan",  "\n",  "a\"b", "\\",
                               "@R",   "@NAME", "\xE4", "R1",     "1m",      "-0",    "\t1", "XY.VAL", "@PARAMLIST",
                               "1/(0)", "V(1)", "(",    "a, b",   "1meg",    "x;y",   "{",   "DST: y", "@ListCoPa(0x4, 0xC, 0)"};
const char* const kParams[] = {"R", "G", "QUANT", "CH", "CH_FILE", "CH_STRG", "V", "I", "X"};
const char* const kUnits[] = {"Ohm", "kOhm", "S", "mS", "bogus", ""};
const char* const kOutputs[] = {"I", "V", "R", "G", "X"};
// Data-file names a user might give: none of them leaves the run's folder.
const char* const kFiles[] = {"",      "noext", ".hidden.mdx", "./dot.mdx", "x.txt", "x.CSV", "t.dat5", "dir",
                              "dir/in.mdx", "dir/../up.mdx", ".mdx", "*.mdx", "o.desc", "D__R1.mdx", "a\\b.mdx"};
const char* const kOutputPaths[] = {"o.desc", "dir", "D__R1.mdx", "dir/o.desc", "noext.mdx", "missing/o.desc", "x.txt"};

std::string Pick(FuzzedDataProvider& in, const char* const* pool, size_t count) {
    // Now and then a text of the input's own, printable or not.
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0) return in.ConsumeRandomLengthString(24);
    return pool[in.ConsumeIntegralInRange<size_t>(0, count - 1)];
}
#define PICK(in, pool) Pick(in, pool, sizeof(pool) / sizeof(pool[0]))

std::string Name(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0) return std::string(in.ConsumeIntegralInRange<size_t>(190, 300), 'N');
    return PICK(in, kNames);
}

// Turns the element into one of the families whose wizards write data files of their own:
// the data-pairs time function, the 2D and 3D lookup tables (a user's file name typed on the
// page), the dead time (its FILE parameter) and the nonlinear transformer; tables of a few
// rows or none.
void AddFileFamily(FuzzedDataProvider& in, qv::SchematicElement& element) {
    const unsigned ids[] = {43, 78, 103, 82, 112};
    element.id = ids[in.ConsumeIntegralInRange<size_t>(0, 4)];
    element.characteristic = qv::SchematicCharacteristic();
    element.params.clear();
    element.outputs.clear();
    std::vector<std::string>& lines = element.script;
    lines.clear();
    const std::string file = qv::QuoteScriptText(PICK(in, kFiles));
    const int rows = in.ConsumeIntegralInRange<int>(0, 3);
    if (element.id == 82) {
        qv::SchematicParam param;
        param.name = "FILE";
        param.hasValue = true;
        param.value = PICK(in, kFiles);
        element.params.push_back(param);
        lines.push_back("click 2292");
        for (int r = 0; r < rows; ++r) lines.push_back("click 1122");
        for (int r = 0; r < rows; ++r) lines.push_back("cell 2134 " + std::to_string(r) + " 1 " + std::to_string(r * 11));
    } else if (element.id == 103) {
        for (int axis = 0; axis < 2 && rows > 0; ++axis) {
            lines.insert(lines.end(), {"dialog 2605 stay {", "type 1033 \"0\"", "type 1034 \"1\"",
                                       "type 1035 \"" + std::to_string(rows) + "\"", "click 1036", "}"});
            lines.push_back(axis == 0 ? "click 2438" : "click 2444");
        }
    } else if (element.id != 112) {
        for (int r = 0; r < rows; ++r) {
            lines.push_back("click 1122");
            lines.push_back("cell 2121 " + std::to_string(r) + " 1 " + std::to_string(r));
            lines.push_back("cell 2121 " + std::to_string(r) + " 2 " + std::to_string(r * 2));
        }
    }
    if (element.id != 82 && element.id != 112 && in.ConsumeBool()) lines.insert(lines.end(), {"click 2116", "type 2117 " + file});
    if (!lines.empty()) lines.push_back("ok");
}

qv::Schematic Generate(FuzzedDataProvider& in) {
    qv::Schematic schematic;
    schematic.document = Name(in);
    const int count = in.ConsumeIntegralInRange<int>(0, 4);
    for (int e = 0; e < count; ++e) {
        qv::SchematicElement element;
        element.id = in.ConsumeBool() ? 15u : (in.ConsumeBool() ? 16u : in.ConsumeIntegral<uint8_t>());
        element.name = Name(in);
        element.showName = in.ConsumeBool();
        for (int p = in.ConsumeIntegralInRange<int>(0, 3); p > 0; --p) {
            qv::SchematicParam param;
            param.name = PICK(in, kParams);
            param.hasValue = in.ConsumeBool();
            param.value = PICK(in, kValues);
            param.hasUnit = in.ConsumeIntegralInRange<int>(0, 3) == 0;
            param.unit = PICK(in, kUnits);
            param.hasPin = in.ConsumeIntegralInRange<int>(0, 3) == 0;
            param.pin = in.ConsumeBool();
            element.params.push_back(param);
        }
        for (int o = in.ConsumeIntegralInRange<int>(0, 2); o > 0; --o) element.outputs.push_back(PICK(in, kOutputs));
        qv::SchematicCharacteristic& ch = element.characteristic;
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
        case 1:
        case 2:
            ch.kind = qv::SchematicCharacteristic::Kind::DataPairs;
            for (int k = in.ConsumeIntegralInRange<int>(0, 6); k > 0; --k)
                ch.points.emplace_back(in.ConsumeFloatingPoint<double>(), in.ConsumeFloatingPoint<double>());
            ch.file = PICK(in, kFiles);
            break;
        case 3:
            ch.kind = qv::SchematicCharacteristic::Kind::Reference;
            ch.reference = PICK(in, kValues);
            break;
        case 4:
            ch.kind = qv::SchematicCharacteristic::Kind::FileReference;
            ch.variable = PICK(in, kValues);
            break;
        case 5:
            ch.kind = qv::SchematicCharacteristic::Kind::Pin;
            break;
        default:
            break;
        }
        if (in.ConsumeIntegralInRange<int>(0, 5) == 0)
            element.script = {"type 2028 " + qv::QuoteScriptText(PICK(in, kValues)), in.ConsumeBool() ? "ok" : "cancel"};
        if (in.ConsumeIntegralInRange<int>(0, 2) == 0) AddFileFamily(in, element);
        schematic.elements.push_back(std::move(element));
    }
    return schematic;
}

// The files below the run's folder, by absolute path.
std::set<std::string> Files() {
    std::set<std::string> files;
    std::error_code code;
    for (auto it = fs::recursive_directory_iterator(g_folder, code); !code && it != fs::recursive_directory_iterator();
         it.increment(code))
        if (it->is_regular_file()) files.insert(it->path().lexically_normal().string());
    return files;
}

// Empties the run's folder but for its sub-folder "dir".
void Clean() {
    std::error_code code;
    for (const std::string& file : Files()) fs::remove(file, code);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qv::SetQuorvatixPath(PARVEL_MODULE_DIR);
    qv::SetProfileFolder(PARVEL_MODULE_DIR);
    static const std::string profile = fuzzfile::TempPath("describe_fuzz_profile", ".ini");
    setenv("QV_USER_PROFILE", profile.c_str(), 1);
    g_folder = fuzzfile::TempPath("describe_fuzz", "/");
    std::error_code code;
    fs::create_directories(g_folder + "dir", code);
    if (code) std::abort();
    // The folder and the profile go when the run ends.
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(g_folder, ignored);
        fs::remove(profile, ignored);
    });
    fuzzhost::KeepModulesLoaded(kOptions.pluginPath, PARVEL_MODULE_DIR);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const qv::Schematic generated = Generate(in);
    const std::string out = g_folder + PICK(in, kOutputPaths);
    // Through the schematic's text, read twice element by element as `qvhost describe` does.
    const std::string text = qv::WriteSchematic(generated);
    qv::Host host;
    std::string error;
    if (!host.Start(kOptions, error)) std::abort();
    qv::DescribePlan plan;
    if (!host.PlanDescription(text, out, plan, error)) {
        if (!Files().empty() || error.empty()) std::abort();
        return 0;
    }
    // The plan holds the files of the one made from the whole schematic; the wizards' own
    // files are found while the description is written, and listed with it.
    qv::Schematic schematic;
    std::vector<qv::PlannedFile> planned;
    if (!qv::ReadSchematic(text, schematic, error) || !qv::PlanDescribeOutputs(schematic, out, planned, error) ||
        planned.size() != plan.files.size())
        std::abort();
    std::set<std::string> allowed;
    for (size_t i = 0; i < plan.files.size(); ++i) {
        if (planned[i].path != plan.files[i].path) std::abort();
        if (!allowed.insert(plan.files[i].path).second) std::abort();   // each file planned once
    }
    std::vector<std::string> written;
    // The document lives in the description's folder, as the host's `describe` puts it.
    const std::string documentFolder = fs::path(planned[0].path).parent_path().string() + "/";
    const bool ok = host.DescribeSchematicText(text, plan, documentFolder, out, written, error);
    const std::set<std::string> files = Files();
    if (ok) {
        if (written.empty() || written[0] != planned[0].path || files.count(planned[0].path) == 0) std::abort();
        for (const std::string& file : written) allowed.insert(fs::path(file).lexically_normal().string());
        for (const std::string& file : files)
            if (allowed.count(file) == 0) {
                std::fprintf(stderr, "unlisted file %s from\n%s", file.c_str(), qv::WriteSchematic(schematic).c_str());
                std::abort();
            }
        std::ifstream desc(planned[0].path, std::ios::binary);
        std::ostringstream text;
        text << desc.rdbuf();
        if (!qv::IsUtf8(text.str())) std::abort();
        for (unsigned char c : text.str())
            if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) std::abort();
        if (const std::string fault = qv::ModelTextFault(text.str()); !fault.empty()) {
            std::fprintf(stderr, "%s\n", fault.c_str());
            std::abort();
        }
    } else if (error.empty() || !files.empty()) {
        std::abort();   // a failure says why, and leaves the folder as it was
    }
    Clean();
    return 0;
}
