#include "editor/schematic.h"

#include "afx/message_text.h"
#include "editor/text_codec.h"
#include "toolkit/shortest_number.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <type_traits>

namespace qv {
namespace {

// Objects keep the order of their fields, so parameters stay in the order they were written.
using json = nlohmann::ordered_json;

struct SchematicError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The name of a value in messages is a text, or a function that makes it: a schematic holds
// many values and few faults, so the names of the values in lists are made only for one that
// is refused.
template <class What>
std::string Named(const What& what) {
    if constexpr (std::is_invocable_v<const What&>)
        return what();
    else
        return std::string(what);
}

// What a text of the schematic may hold beside printable characters.
enum class Allowed { Printable, Tabs, LineBreaks };

// A text of the schematic in Windows-1252. Control characters are refused: a line end in a
// value would start a new line of the model description, and one in a script line a new
// action. Script lines may hold tabs, which separate words there as blanks do. A parameter's
// value may hold line breaks here: whether its parameter may hold several lines (an equation
// of the equation block) is the catalogue's to say, which the host asks.
template <class What>
std::string TextOf(const std::string& utf8, const What& what, Allowed allowed = Allowed::Printable) {
    std::string converted;
    std::string error;
    if (!Utf8ToCp1252(utf8, converted, error)) throw SchematicError(Named(what) + ": " + error);
    const std::string fault = ControlCharacterFault(converted, allowed == Allowed::Tabs, allowed == Allowed::LineBreaks);
    if (!fault.empty()) throw SchematicError(Named(what) + fault);
    return converted;
}

template <class What>
std::string Text(const json& value, const What& what, Allowed allowed = Allowed::Printable) {
    if (!value.is_string()) throw SchematicError(Named(what) + " must be a text");
    return TextOf(value.get_ref<const std::string&>(), what, allowed);
}

template <class What>
bool Boolean(const json& value, const What& what) {
    if (!value.is_boolean()) throw SchematicError(Named(what) + " must be true or false");
    return value.get<bool>();
}

template <class What>
double Finite(const json& value, const What& what) {
    if (!value.is_number()) throw SchematicError(Named(what) + " must be a number");
    const double number = value.get<double>();
    if (!std::isfinite(number)) throw SchematicError(Named(what) + " is not a finite number");
    return number;
}

template <class What>
void CheckKeys(const json& object, std::initializer_list<const char*> known, const What& what) {
    for (auto entry = object.begin(); entry != object.end(); ++entry)
        if (std::find_if(known.begin(), known.end(), [&](const char* k) { return entry.key() == k; }) == known.end())
            throw SchematicError(Named(what) + ": unknown field " + Quoted(entry.key()));
}

// The fields of an object, each at the place of its name in `known` (null where the object
// lacks it). An unknown field is refused as CheckKeys refuses it. One pass over the object
// instead of a search of it for every name: an element's object and those of its parameters
// are looked at for every element of a schematic. Only the first `count` names are allowed.
template <size_t N, class What>
std::array<const json*, N> Fields(const json& object, const std::array<std::string_view, N>& known, const What& what,
                                  size_t count = N) {
    std::array<const json*, N> fields{};
    for (auto entry = object.begin(); entry != object.end(); ++entry) {
        const std::string_view key = entry.key();
        const auto at = std::find(known.begin(), known.begin() + count, key);
        if (at == known.begin() + count) throw SchematicError(Named(what) + ": unknown field " + Quoted(entry.key()));
        fields[static_cast<size_t>(at - known.begin())] = &entry.value();
    }
    return fields;
}

// A parameter's flags: "0x" and one to eight hexadecimal digits.
template <class What>
unsigned long Flags(const json& value, const What& what) {
    if (!value.is_string()) throw SchematicError(Named(what) + " must be a text \"0x...\"");
    const std::string text = value.get<std::string>();
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') ||
        !std::all_of(text.begin() + 2, text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }))
        throw SchematicError(Named(what) + " must be \"0x\" and one to eight hexadecimal digits");
    return std::stoul(text.substr(2), nullptr, 16);
}

// The wizard's data block: its bytes as hexadecimal digits, two a byte.
std::vector<unsigned char> WizardData(const json& value, const std::string& what) {
    if (!value.is_string()) throw SchematicError(what + " must be a text of hexadecimal digits");
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() % 2 != 0) throw SchematicError(what + " has an odd number of hexadecimal digits");
    if (text.size() / 2 > kMaxWizardDataBytes)
        throw SchematicError(what + " is larger than " + std::to_string(kMaxWizardDataBytes) + " bytes");
    auto digit = [&](char c, size_t at) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw SchematicError(what + " holds a character that is no hexadecimal digit at position " + std::to_string(at + 1));
    };
    std::vector<unsigned char> bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(digit(text[2 * i], 2 * i) * 16 + digit(text[2 * i + 1], 2 * i + 1));
    return bytes;
}

std::string FlagsText(unsigned long flags) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%lX", flags & 0xFFFFFFFFul);
    return buffer;
}

std::string HexText(const std::vector<unsigned char>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

// A parameter of "parameters" (named by its key), or one of "page_parameters" (made = true:
// an object with its "name" and "template"). Only a made parameter has the last two fields.
enum ParamField {
    kParamValue,
    kParamUnit,
    kParamPin,
    kParamType,
    kParamExtType,
    kParamValueId,
    kParamOnSheet,
    kParamInfo,
    kParamName,
    kParamTemplate
};
constexpr std::array<std::string_view, 10> kParamFields = {"value",    "unit",     "pin",  "type", "ext_type",
                                                           "value_id", "on_sheet", "info", "name", "template"};

SchematicParam ReadParam(const std::string& key, const json& value, const std::string& what, bool made = false) {
    SchematicParam param;
    param.name = TextOf(key, [&] { return what + " parameter name"; });
    const auto where = [&] { return what + " parameter " + Quoted(key); };
    if (param.name.empty()) throw SchematicError(what + " has a parameter without a name");
    if (value.is_string()) {
        param.hasValue = true;
        param.value = Text(value, where, Allowed::LineBreaks);
        return param;
    }
    if (!value.is_object()) throw SchematicError(where() + " must be a text or an object");
    const auto fields = Fields(value, kParamFields, where, made ? kParamFields.size() : size_t{kParamName});
    if (made) {
        const json* templ = fields[kParamTemplate];
        if (templ == nullptr) throw SchematicError(where() + " has no \"template\"");
        param.templateName = Text(*templ, [&] { return where() + " \"template\""; });
        if (param.templateName.empty()) throw SchematicError(where() + " has an empty \"template\"");
    }
    if (const json* v = fields[kParamValue]) {
        param.hasValue = true;
        param.value = Text(*v, [&] { return where() + " \"value\""; }, Allowed::LineBreaks);
    }
    if (const json* u = fields[kParamUnit]) {
        param.hasUnit = true;
        param.unit = Text(*u, [&] { return where() + " \"unit\""; });
    }
    if (const json* p = fields[kParamPin]) {
        param.hasPin = true;
        param.pin = Boolean(*p, [&] { return where() + " \"pin\""; });
    }
    if (const json* t = fields[kParamType]) {
        param.hasType = true;
        param.type = Flags(*t, [&] { return where() + " \"type\""; });
    }
    if (const json* t = fields[kParamExtType]) {
        param.hasExtType = true;
        param.extType = Flags(*t, [&] { return where() + " \"ext_type\""; });
    }
    if (const json* id = fields[kParamValueId]) {
        if (!id->is_number_unsigned() || id->get<unsigned long long>() < 1 || id->get<unsigned long long>() > 0xFFFF)
            throw SchematicError(where() + " \"value_id\" must be a whole number from 1 to 65535");
        param.hasValueId = true;
        param.valueId = static_cast<unsigned>(id->get<unsigned long long>());
    }
    if (const json* mode = fields[kParamOnSheet]) {
        if (!mode->is_number_unsigned() || mode->get<unsigned long long>() > 255)
            throw SchematicError(where() + " \"on_sheet\" must be a whole number from 0 to 255");
        param.hasOnSheet = true;
        param.onSheet = static_cast<unsigned>(mode->get<unsigned long long>());
    }
    if (const json* info = fields[kParamInfo]) {
        param.hasInfo = true;
        param.info = Text(*info, [&] { return where() + " \"info\""; });
    }
    return param;
}

template <class What>
SchematicCharacteristic ReadCharacteristic(const json& value, const What& what) {
    if (!value.is_object()) throw SchematicError(Named(what) + " must be an object");
    SchematicCharacteristic ch;
    auto kind = value.find("kind");
    if (kind == value.end()) throw SchematicError(Named(what) + " has no \"kind\"");
    const std::string name = kind->is_string() ? kind->get<std::string>() : std::string();
    if (name == "reference") {
        CheckKeys(value, {"kind", "text", "file", "form"}, what);
        ch.kind = SchematicCharacteristic::Kind::Reference;
        auto text = value.find("text");
        if (text == value.end()) throw SchematicError(Named(what) + ": a reference needs its \"text\"");
        ch.reference = Text(*text, [&] { return Named(what) + " \"text\""; });
    } else if (name == "file-reference") {
        CheckKeys(value, {"kind", "variable", "file", "form"}, what);
        ch.kind = SchematicCharacteristic::Kind::FileReference;
        auto variable = value.find("variable");
        if (variable == value.end()) throw SchematicError(Named(what) + ": a file reference needs its \"variable\"");
        ch.variable = Text(*variable, [&] { return Named(what) + " \"variable\""; });
    } else if (name == "data-pairs") {
        CheckKeys(value, {"kind", "points", "file", "form"}, what);
        ch.kind = SchematicCharacteristic::Kind::DataPairs;
        auto points = value.find("points");
        if (points == value.end() || !points->is_array())
            throw SchematicError(Named(what) + ": data pairs need a list \"points\"");
        // The points are as many as the text holds, which kMaxSchematicBytes bounds.
        ch.points.reserve(points->size());
        for (size_t i = 0; i < points->size(); ++i) {
            const json& point = (*points)[i];
            const auto where = [&] { return Named(what) + " point " + std::to_string(i + 1); };
            if (!point.is_array() || point.size() != 2) throw SchematicError(where() + " must be a pair [x, y]");
            ch.points.emplace_back(Finite(point[0], [&] { return where() + " x"; }),
                                   Finite(point[1], [&] { return where() + " y"; }));
        }
    } else if (name == "pin") {
        CheckKeys(value, {"kind", "file", "form"}, what);
        ch.kind = SchematicCharacteristic::Kind::Pin;
    } else if (name == "unused") {
        CheckKeys(value, {"kind", "file", "form"}, what);
        ch.kind = SchematicCharacteristic::Kind::Unused;
        // Without its file name an unused characteristic would say nothing.
        if (value.find("file") == value.end()) throw SchematicError(Named(what) + ": an unused characteristic needs its \"file\"");
    } else {
        throw SchematicError(Named(what) +
                             ": \"kind\" must be \"reference\", \"file-reference\", \"data-pairs\", \"pin\" or \"unused\"");
    }
    // The table's own data file: the one data pairs are written to, which a reference or a file
    // reference keeps for them.
    if (auto file = value.find("file"); file != value.end()) {
        ch.file = Text(*file, [&] { return Named(what) + " \"file\""; });
        // A name whose code-page bytes also read as UTF-8 ("\u00c3\u00a9") would be another
        // name on disk than in the description.
        if (PathToUtf8(ch.file) != Cp1252ToUtf8Text(ch.file))
            throw SchematicError(Named(what) + " \"file\": the name cannot be written to disk as it is given");
        // The description names the file in quotes, which such a name would break.
        if (std::any_of(ch.file.begin(), ch.file.end(),
                        [](char c) { return c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
            throw SchematicError(Named(what) + " \"file\": a data file name may hold no quotation mark and no control character");
    }
    // The nonlinear form the characteristic belongs to, where a page has two (1 unless given).
    if (auto form = value.find("form"); form != value.end()) {
        if (!form->is_number_integer() || (form->get<long long>() != 1 && form->get<long long>() != 2))
            throw SchematicError(Named(what) + " \"form\" must be 1 or 2");
        ch.form = static_cast<int>(form->get<long long>());
    }
    return ch;
}

// The fields an element's object may have, by their place in kElementFields.
enum ElementField {
    kElementId,
    kElementKind,
    kElementName,
    kElementShowName,
    kElementSymbolVariant,
    kElementParameters,
    kElementPageParameters,
    kElementOrder,
    kElementOutputs,
    kElementCharacteristic,
    kElementScript,
    kElementWizardData
};
constexpr std::array<std::string_view, 12> kElementFields = {
    "id",    "kind",    "name",           "show_name", "symbol_variant", "parameters",
    "page_parameters", "order", "outputs", "characteristic", "script", "wizard_data"};

template <class What>
SchematicElement ReadElement(const json& value, const What& what) {
    if (!value.is_object()) throw SchematicError(Named(what) + " must be an object");
    const auto fields = Fields(value, kElementFields, what);
    SchematicElement element;
    const json* id = fields[kElementId];
    if (id == nullptr || !id->is_number_unsigned() || id->get<unsigned long long>() > 0xFFFFFFFFull)
        throw SchematicError(Named(what) + " needs a wizard \"id\" (a whole number)");
    element.id = static_cast<unsigned>(id->get<unsigned long long>());
    const json* name = fields[kElementName];
    if (name == nullptr) throw SchematicError(Named(what) + " has no \"name\"");
    element.name = Text(*name, [&] { return Named(what) + " \"name\""; });
    std::string why;
    if (!IsUsableName(element.name, why)) throw SchematicError(Named(what) + ": the name " + Quoted(element.name) + " " + why);
    const std::string where = "element " + Quoted(element.name);
    // Which catalogue element of the ID it is, the host checks; here only that a kind is named.
    if (const json* kind = fields[kElementKind]) {
        element.kind = Text(*kind, [&] { return where + " \"kind\""; });
        if (element.kind.empty()) throw SchematicError(where + " \"kind\" is empty: it must name a catalogue element");
    }
    if (const json* show = fields[kElementShowName])
        element.showName = Boolean(*show, [&] { return where + " \"show_name\""; });
    if (const json* variant = fields[kElementSymbolVariant]) {
        if (!variant->is_number_unsigned() || variant->get<unsigned long long>() > 255)
            throw SchematicError(where + " \"symbol_variant\" must be a whole number from 0 to 255");
        element.symbolVariant = static_cast<unsigned>(variant->get<unsigned long long>());
    }
    const json* params = fields[kElementParameters];
    const json* made = fields[kElementPageParameters];
    // Room for every parameter at once; a list of the wrong kind is refused below.
    element.params.reserve((params != nullptr && params->is_object() ? params->size() : 0) +
                           (made != nullptr && made->is_array() ? std::min(made->size(), kMaxPageParameters) : 0));
    if (params != nullptr) {
        if (!params->is_object()) throw SchematicError(where + " \"parameters\" must map names to values");
        for (auto entry = params->begin(); entry != params->end(); ++entry)
            element.params.push_back(ReadParam(entry.key(), entry.value(), where));
    }
    if (made != nullptr) {
        if (!made->is_array()) throw SchematicError(where + " \"page_parameters\" must be a list of parameters");
        if (made->size() > kMaxPageParameters)
            throw SchematicError(where + ": more than " + std::to_string(kMaxPageParameters) + " page parameters");
        for (size_t i = 0; i < made->size(); ++i) {
            const json& entry = (*made)[i];
            const auto what = [&] { return where + " page parameter " + std::to_string(i + 1); };
            if (!entry.is_object()) throw SchematicError(what() + " must be an object");
            auto name = entry.find("name");
            if (name == entry.end()) throw SchematicError(what() + " has no \"name\"");
            element.params.push_back(ReadParam(Text(*name, [&] { return what() + " \"name\""; }), entry, where, true));
        }
    }
    if (const json* order = fields[kElementOrder]) {
        if (!order->is_array()) throw SchematicError(where + " \"order\" must be a list of parameter names");
        if (order->size() > kMaxPageParameters)
            throw SchematicError(where + ": more than " + std::to_string(kMaxPageParameters) + " names in \"order\"");
        for (size_t i = 0; i < order->size(); ++i)
            element.order.push_back(Text((*order)[i], [&] { return where + " \"order\" entry " + std::to_string(i + 1); }));
    }
    if (const json* outputs = fields[kElementOutputs]) {
        if (!outputs->is_array()) throw SchematicError(where + " \"outputs\" must be a list of parameter names");
        for (size_t i = 0; i < outputs->size(); ++i)
            element.outputs.push_back(Text((*outputs)[i], [&] { return where + " output " + std::to_string(i + 1); }));
    }
    if (const json* ch = fields[kElementCharacteristic])
        element.characteristic = ReadCharacteristic(*ch, [&] { return where + " \"characteristic\""; });
    if (const json* script = fields[kElementScript]) {
        if (!script->is_array()) throw SchematicError(where + " \"script\" must be a list of lines");
        if (script->size() > kMaxScriptLines)
            throw SchematicError(where + ": more than " + std::to_string(kMaxScriptLines) + " script lines");
        for (size_t i = 0; i < script->size(); ++i)
            element.script.push_back(
                Text((*script)[i], [&] { return where + " script line " + std::to_string(i + 1); }, Allowed::Tabs));
    }
    if (const json* data = fields[kElementWizardData]) {
        element.hasWizardData = true;
        element.wizardData = WizardData(*data, where + " \"wizard_data\"");
    }
    return element;
}

// Line and column (both from 1, the column counted in characters) of a byte offset.
std::string LineAndColumn(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    size_t line = 1;
    size_t column = 1;
    for (size_t i = 0; i < offset; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The JSON library's message without its own tag ("[json.exception.type_error.302] "), which
// says nothing to a user.
std::string_view WithoutJsonTag(std::string_view message) {
    if (message.rfind("[json.exception.", 0) != 0 || message.find("] ") == std::string_view::npos) return message;
    return message.substr(message.find("] ") + 2);
}

// How JsonLibraryMessage begins the message of a number too large for a double.
const std::string kNumberTooLarge = "the number '";

// The JSON library's message (its tag taken off) split into the fixed text before the one
// text it quotes in single quotes, that text, and what the parser expected ("; expected
// string literal"). The quoted text may hold quotes and "; " itself, so it runs to the quote
// before that ending, which is one of the parser's own token names. False for a message
// that quotes nothing.
bool SplitLibraryQuote(std::string_view message, std::string_view& before, std::string_view& quoted,
                       std::string_view& expected) {
    static constexpr std::string_view kExpected[] = {
        "<uninitialized>", "true literal", "false literal", "null literal", "string literal", "number literal",
        "'['", "'{'", "']'", "'}'", "':'", "','", "<parse error>", "<end of input>", "'[', '{', or a literal",
        "unknown token"};
    expected = {};
    for (const std::string_view name : kExpected) {
        const size_t size = name.size() + 11;   // "; expected " and the name
        if (message.size() >= size && message.substr(message.size() - size, 11) == "; expected " &&
            message.substr(message.size() - name.size()) == name) {
            expected = message.substr(message.size() - size);
            break;
        }
    }
    const std::string_view body = message.substr(0, message.size() - expected.size());
    const size_t open = body.find('\'');
    if (open == std::string_view::npos || body.size() < open + 2 || body.back() != '\'') return false;
    before = body.substr(0, open);
    quoted = body.substr(open + 1, body.size() - open - 2);
    return true;
}

// The parser's description of a syntax error without its own prefix and position: what was
// found, and what was expected ("unexpected ','; expected string literal").
std::string SyntaxProblem(const std::string& message, const std::string& whole) {
    std::string problem = message;
    const size_t dash = problem.find(" - ");
    if (dash != std::string::npos)
        problem = problem.substr(dash + 3);
    else if (const size_t colon = problem.find(": "); colon != std::string::npos)
        problem = problem.substr(colon + 2);
    if (problem.rfind("unexpected end of input", 0) == 0) return "the text ends before " + whole + " is complete";
    problem = JsonLibraryMessage(problem);
    return problem.rfind(kNumberTooLarge, 0) == 0 ? problem : "not valid JSON: " + problem;
}

} // namespace

std::string JsonLibraryMessage(const std::string& message) {
    const std::string_view untagged = WithoutJsonTag(message);
    std::string_view before, quoted, expected;
    if (!SplitLibraryQuote(untagged, before, quoted, expected)) return Excerpt(untagged);
    // A number of many digits is shown by its first ones.
    if (before == "number overflow parsing ") return kNumberTooLarge + Excerpt(quoted) + "' is too large";
    // What the parser had read of the token last is no help to the reader of the message.
    constexpr std::string_view kLastRead = "; last read: ";
    if (before.size() >= kLastRead.size() && before.substr(before.size() - kLastRead.size()) == kLastRead)
        return std::string(before.substr(0, before.size() - kLastRead.size())) + std::string(expected);
    return std::string(before) + "'" + Excerpt(quoted) + "'" + std::string(expected);
}

std::string JsonSyntaxError(const std::string& text, size_t position, const std::string& message,
                            const std::string& whole) {
    // The parser counts the bytes it read, the offending one included.
    return LineAndColumn(text, position > 0 ? position - 1 : 0) + ": " + SyntaxProblem(message, whole);
}

namespace {

// A set of texts that only grows: the element names read so far. The texts lie one after
// another in one buffer and the table holds their hashes and places, so that the set is a
// few large blocks. Allocated one by one, the names would stay behind amid the records of
// every element that comes and goes, and the heap would grow ever more fragmented: each
// element would then cost more than the one before.
class NameSet {
public:
    // False when the set holds the name already.
    bool Insert(std::string_view name) {
        if (2 * (m_count + 1) > m_slots.size()) Grow();
        const uint64_t hash = std::hash<std::string_view>()(name);
        for (size_t i = hash & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1)) {
            Slot& slot = m_slots[i];
            if (slot.offset == kFree) {
                // Names are parts of the text, which a file may hold only up to
                // kMaxSchematicBytes of; a larger text given in memory is refused here.
                if (m_chars.size() + name.size() >= kFree) throw SchematicError("the element names are too long together");
                slot = {hash, static_cast<uint32_t>(m_chars.size()), static_cast<uint32_t>(name.size())};
                m_chars.append(name);
                ++m_count;
                return true;
            }
            if (slot.hash == hash && std::string_view(m_chars).substr(slot.offset, slot.length) == name) return false;
        }
    }

private:
    struct Slot {
        uint64_t hash = 0;
        uint32_t offset = kFree;   // in m_chars
        uint32_t length = 0;
    };
    static constexpr uint32_t kFree = UINT32_MAX;
    static_assert(kMaxSchematicBytes < kFree);

    void Grow() {
        std::vector<Slot> larger(m_slots.empty() ? 64 : 2 * m_slots.size());
        for (const Slot& slot : m_slots) {
            if (slot.offset == kFree) continue;
            size_t i = slot.hash & (larger.size() - 1);
            while (larger[i].offset != kFree) i = (i + 1) & (larger.size() - 1);
            larger[i] = slot;
        }
        m_slots.swap(larger);
    }

    std::string m_chars;
    std::vector<Slot> m_slots;   // a power of two of them, at most half in use
    size_t m_count = 0;
};

// Reads a schematic as the parser sees it, event by event. The elements are taken over one
// by one: each element's value is built on its own, turned into a SchematicElement, handed on
// and then dropped, so that the whole document never exists as a tree and no step walks what
// was read before. Everything else (the top-level object, the document name, unknown fields)
// is built as a tree and checked at the end.
class SchematicReader {
public:
    SchematicReader(const std::string& text, const SchematicElementTaker& take) : m_text(text), m_take(take) {}

    bool null() { return Place(json(nullptr)); }
    bool boolean(bool value) { return Place(json(value)); }
    bool number_integer(json::number_integer_t value) { return Place(json(value)); }
    bool number_unsigned(json::number_unsigned_t value) { return Place(json(value)); }
    bool number_float(json::number_float_t value, const json::string_t&) { return Place(json(value)); }
    bool string(json::string_t& value) { return Place(json(std::move(value))); }
    bool binary(json::binary_t&) { throw SchematicError("the document holds binary data"); }

    bool start_object(std::size_t) { return Open(json::object(), false); }
    bool start_array(std::size_t) {
        // The list of elements is the array that is the value of "elements" in the top-level object.
        return Open(json::array(), m_stack.size() == 1 && m_key == "elements");
    }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }

    bool key(json::string_t& name) {
        json& object = *m_stack.back();
        if (object.contains(name)) {
            const std::string where = m_stack.size() == 1 ? "the schematic" : DescribeOpenElement();
            throw SchematicError(where + ": the field " + Quoted(name) + " is given twice");
        }
        m_key = name;
        return true;
    }

    bool parse_error(std::size_t position, const std::string&, const json::exception& e) {
        m_parseError = JsonSyntaxError(m_text, position, e.what());
        return false;
    }

    const std::string& ParseError() const { return m_parseError; }
    // Whether the taker stopped the reading, and why.
    bool Stopped() const { return m_stopped; }
    const std::string& StopError() const { return m_stopError; }
    const std::string& Document() const { return m_document; }

    // Checks the top-level object once the whole text was read.
    void Finish() {
        if (!m_root.is_object()) throw SchematicError("a schematic is one JSON object");
        CheckKeys(m_root, {"document", "elements"}, "the schematic");
        auto name = m_root.find("document");
        if (name == m_root.end()) throw SchematicError("the schematic has no \"document\" name");
        m_document = Text(*name, "\"document\"");
        std::string why;
        if (!IsUsableName(m_document, why))
            throw SchematicError("the document name " + Quoted(m_document) + " " + why);
        auto elements = m_root.find("elements");
        if (elements == m_root.end() || !elements->is_array())
            throw SchematicError("the schematic needs a list \"elements\"");
    }

private:
    // Nesting deeper than this is refused before it costs stack.
    static constexpr size_t kMaxDepth = 16;

    // Puts a finished scalar value where the parser is.
    bool Place(json&& value) {
        Insert(std::move(value));
        if (!m_stack.empty() && m_stack.back() == m_elements) return TakeElement();
        return true;
    }

    bool Open(json&& container, bool isElementList) {
        if (m_stack.size() >= kMaxDepth) throw SchematicError("the document nests deeper than a schematic can");
        json* placed = Insert(std::move(container));
        m_stack.push_back(placed);
        if (isElementList) m_elements = placed;
        return true;
    }

    bool Close() {
        // Once the list of elements is closed, nothing else is one of its elements.
        if (m_stack.back() == m_elements) m_elements = nullptr;
        m_stack.pop_back();
        if (!m_stack.empty() && m_stack.back() == m_elements) return TakeElement();
        return true;
    }

    json* Insert(json&& value) {
        if (m_stack.empty()) {
            m_root = std::move(value);
            return &m_root;
        }
        json& parent = *m_stack.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        json& slot = parent[m_key];
        slot = std::move(value);
        return &slot;
    }

    // The element just completed in the list becomes a SchematicElement and goes to the
    // taker; its tree goes. False when the taker stops the reading.
    bool TakeElement() {
        json::array_t& list = m_elements->get_ref<json::array_t&>();
        const size_t number = m_count + 1;
        if (number > kMaxSchematicElements)
            throw SchematicError("more than " + std::to_string(kMaxSchematicElements) + " elements");
        SchematicElement element = ReadElement(list.back(), [&] { return "element " + std::to_string(number); });
        list.pop_back();
        if (!m_names.Insert(NameCollisionKey(element.name)))
            throw SchematicError("the element name " + Quoted(element.name) +
                                 " is used twice (\".\" and \"_\" count as the same)");
        m_count = number;
        if (m_take(element, m_stopError)) return true;
        m_stopped = true;
        return false;
    }

    // The element being read, for messages about it before it is complete.
    std::string DescribeOpenElement() const {
        const size_t number = m_count + 1;
        if (m_elements != nullptr && m_stack.size() > 2 && m_stack[1] == m_elements) {
            const json& open = m_elements->back();
            if (open.is_object()) {
                auto name = open.find("name");
                if (name != open.end() && name->is_string()) return "element " + Quoted(name->get_ref<const std::string&>());
            }
            return "element " + std::to_string(number);
        }
        return "the schematic";
    }

    const std::string& m_text;
    const SchematicElementTaker& m_take;
    size_t m_count = 0;           // the elements taken
    bool m_stopped = false;
    std::string m_stopError;
    std::string m_document;
    json m_root;
    std::vector<json*> m_stack;   // the open objects and arrays, outermost first
    json* m_elements = nullptr;   // the list of elements, once it was opened
    std::string m_key;            // the last field name read
    NameSet m_names;
    std::string m_parseError;
};

std::string Utf8(const std::string& text) { return Cp1252ToUtf8Text(text); }

} // namespace

std::string ControlCharacterFault(const std::string& text, bool tabAllowed, bool lineBreaksAllowed) {
    for (unsigned char c : text) {
        if ((c == '\t' && tabAllowed) || ((c == '\n' || c == '\r') && lineBreaksAllowed)) continue;
        if (c < 0x20 || c == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "U+%04X", c);
            return std::string(" holds a control character (") + code + ")";
        }
    }
    return std::string();
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

bool IsUsableName(const std::string& name, std::string& why) {
    if (name.empty()) {
        why = "is empty";
        return false;
    }
    for (unsigned char c : name) {
        if (c <= ' ' || c >= 0x7F) {
            why = "holds a blank, a control character or a character beyond ASCII";
            return false;
        }
        if (c == '"' || c == '/' || c == '\\' || c == '@' || c == ';') {
            why = std::string("holds the character '") + static_cast<char>(c) + "'";
            return false;
        }
    }
    return true;
}

std::string NameCollisionKey(const std::string& name) {
    std::string key = name;
    for (char& c : key)
        if (c == '.') c = '_';
    return key;
}

const SchematicElement* Schematic::Find(const std::string& name) const {
    for (const SchematicElement& element : elements)
        if (element.name == name) return &element;
    return nullptr;
}

SchematicElement* Schematic::Find(const std::string& name) {
    for (SchematicElement& element : elements)
        if (element.name == name) return &element;
    return nullptr;
}

std::string CharacteristicKindName(SchematicCharacteristic::Kind kind) {
    switch (kind) {
    case SchematicCharacteristic::Kind::Reference: return "reference";
    case SchematicCharacteristic::Kind::DataPairs: return "data-pairs";
    case SchematicCharacteristic::Kind::FileReference: return "file-reference";
    case SchematicCharacteristic::Kind::Pin: return "pin";
    case SchematicCharacteristic::Kind::Unused: return "unused";
    case SchematicCharacteristic::Kind::None: break;
    }
    return "none";
}

bool ReadSchematicElements(const std::string& text, std::string& document, const SchematicElementTaker& take,
                           std::string& error) {
    try {
        SchematicReader reader(text, take);
        json::sax_parse(text, &reader, json::input_format_t::json, true);
        if (reader.Stopped()) {
            error = reader.StopError();
            return false;
        }
        if (!reader.ParseError().empty()) throw SchematicError(reader.ParseError());
        reader.Finish();
        document = reader.Document();
        return true;
    } catch (const json::exception& e) {
        error = e.what();
    } catch (const SchematicError& e) {
        error = e.what();
    }
    return false;
}

bool ReadSchematic(const std::string& text, Schematic& schematic, std::string& error) {
    Schematic result;
    const SchematicElementTaker keep = [&result](SchematicElement& element, std::string&) {
        result.elements.push_back(std::move(element));
        return true;
    };
    if (!ReadSchematicElements(text, result.document, keep, error)) return false;
    schematic = std::move(result);
    return true;
}

bool CheckInputFile(const std::string& path, unsigned long long maxBytes, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = ShownPath(path) + ": " + (errno == ENOENT ? "no such file" : "cannot be read");
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = ShownPath(path) + ": is a folder, not a file";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = ShownPath(path) + ": is not a regular file (a device, pipe or socket is not read)";
        return false;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        error = ShownPath(path) + ": is larger than " + std::to_string(maxBytes) + " bytes";
        return false;
    }
    if (::access(path.c_str(), R_OK) != 0) {
        error = ShownPath(path) + ": cannot be read";
        return false;
    }
    return true;
}

bool ReadSchematicFileText(const std::string& path, std::string& text, std::string& error) {
    if (!CheckInputFile(path, kMaxSchematicBytes, error)) return false;
    if (!ReadWholeFile(path, text, error)) return false;
    if (text.size() > kMaxSchematicBytes) {
        // The file grew after it was checked.
        text.clear();
        error = ShownPath(path) + ": is larger than " + std::to_string(kMaxSchematicBytes) + " bytes";
        return false;
    }
    return true;
}

bool ReadSchematicFile(const std::string& path, Schematic& schematic, std::string& error) {
    std::string text;
    if (!ReadSchematicFileText(path, text, error)) return false;
    if (!ReadSchematic(text, schematic, error)) {
        error = ShownPath(path) + ": " + error;
        return false;
    }
    return true;
}

namespace {

json ElementJson(const SchematicElement& element) {
    json e;
    e["id"] = element.id;
    if (!element.kind.empty()) e["kind"] = Utf8(element.kind);
    e["name"] = Utf8(element.name);
    if (element.showName) e["show_name"] = true;
    if (element.symbolVariant != 0) e["symbol_variant"] = element.symbolVariant;
    json made = json::array();
    if (!element.params.empty()) {
        json params = json::object();
        for (const SchematicParam& param : element.params) {
            if (!param.templateName.empty()) {
                json p = json::object();
                p["name"] = Utf8(param.name);
                p["template"] = Utf8(param.templateName);
                if (param.hasValue) p["value"] = Utf8(param.value);
                if (param.hasUnit) p["unit"] = Utf8(param.unit);
                if (param.hasPin) p["pin"] = param.pin;
                if (param.hasType) p["type"] = FlagsText(param.type);
                if (param.hasExtType) p["ext_type"] = FlagsText(param.extType);
                if (param.hasValueId) p["value_id"] = param.valueId;
                if (param.hasOnSheet) p["on_sheet"] = param.onSheet;
                if (param.hasInfo) p["info"] = Utf8(param.info);
                made.push_back(p);
                continue;
            }
            if (param.hasValue && !param.hasUnit && !param.hasPin && !param.hasType && !param.hasExtType && !param.hasValueId &&
                !param.hasOnSheet && !param.hasInfo) {
                params[Utf8(param.name)] = Utf8(param.value);
                continue;
            }
            json p = json::object();
            if (param.hasValue) p["value"] = Utf8(param.value);
            if (param.hasUnit) p["unit"] = Utf8(param.unit);
            if (param.hasPin) p["pin"] = param.pin;
            if (param.hasType) p["type"] = FlagsText(param.type);
            if (param.hasExtType) p["ext_type"] = FlagsText(param.extType);
            if (param.hasValueId) p["value_id"] = param.valueId;
            if (param.hasOnSheet) p["on_sheet"] = param.onSheet;
            if (param.hasInfo) p["info"] = Utf8(param.info);
            params[Utf8(param.name)] = p;
        }
        if (!params.empty()) e["parameters"] = params;
    }
    if (!made.empty()) e["page_parameters"] = made;
    if (!element.order.empty()) {
        json order = json::array();
        for (const std::string& name : element.order) order.push_back(Utf8(name));
        e["order"] = order;
    }
    if (!element.outputs.empty()) {
        json outputs = json::array();
        for (const std::string& output : element.outputs) outputs.push_back(Utf8(output));
        e["outputs"] = outputs;
    }
    const SchematicCharacteristic& ch = element.characteristic;
    // A reference without its text, and without a file name the table keeps, is the table as
    // a newly placed element has it: nothing was entered, and nothing is printed. Printed, it
    // would be entered again when the schematic is read, and the page refuses an empty
    // reference, so the printed schematic could not be read again.
    const bool neverEntered =
        ch.kind == SchematicCharacteristic::Kind::Reference && ch.reference.empty() && ch.file.empty();
    if (ch.kind != SchematicCharacteristic::Kind::None && !neverEntered) {
        json c;
        c["kind"] = CharacteristicKindName(ch.kind);
        if (ch.form != 1) c["form"] = ch.form;
        if (ch.kind == SchematicCharacteristic::Kind::Reference) c["text"] = Utf8(ch.reference);
        if (ch.kind == SchematicCharacteristic::Kind::FileReference) c["variable"] = Utf8(ch.variable);
        // Filled in by ElementText, which writes the numbers.
        if (ch.kind == SchematicCharacteristic::Kind::DataPairs) c["points"] = json::array();
        if (!ch.file.empty()) c["file"] = Utf8(ch.file);
        e["characteristic"] = c;
    }
    if (!element.script.empty()) {
        json script = json::array();
        for (const std::string& line : element.script) script.push_back(Utf8(line));
        e["script"] = script;
    }
    if (element.hasWizardData) e["wizard_data"] = HexText(element.wizardData);
    return e;
}

// A number of the printed schematic: the shortest text that reads back to the same double.
// The JSON reader takes "-0" for the whole number 0, so negative zero is written "-0.0".
std::string JsonNumberText(double value) {
    const std::string text = ShortestNumberText(value);
    return text == "-0" ? "-0.0" : text;
}

// The element's text, indented by two. The library would write the points with digits of its
// own, so they are written here, in the library's layout (each pair an array over four lines).
std::string ElementText(const SchematicElement& element) {
    std::string text = ElementJson(element).dump(2);
    const std::vector<std::pair<double, double>>& points = element.characteristic.points;
    if (element.characteristic.kind != SchematicCharacteristic::Kind::DataPairs || points.empty()) return text;
    const std::string placeholder = "\"points\": []";
    const size_t at = text.find(placeholder, text.find("\"characteristic\": {"));
    if (at == std::string::npos) return text;
    const std::string indent(at - (text.rfind('\n', at) + 1), ' ');
    std::string written = "\"points\": [";
    for (size_t i = 0; i < points.size(); ++i) {
        written += (i == 0 ? "\n" : ",\n") + indent + "  [\n";
        written += indent + "    " + JsonNumberText(points[i].first) + ",\n";
        written += indent + "    " + JsonNumberText(points[i].second) + "\n" + indent + "  ]";
    }
    written += "\n" + indent + "]";
    text.replace(at, placeholder.size(), written);
    return text;
}

} // namespace

// The text is what the JSON library writes for the whole document with an indentation of two
// (but for the numbers of the points, see ElementText):
// each element is written on its own and indented by the four blanks of its depth (texts hold
// no raw line ends, so every line end of an element's text starts one of its lines).
void SchematicTextWriter::Begin(const std::string& document) {
    m_text = "{\n  \"document\": " + json(Utf8(document)).dump() + ",\n  \"elements\": [";
    m_count = 0;
}

void SchematicTextWriter::Add(const SchematicElement& element) {
    const std::string text = ElementText(element);
    m_text += m_count++ == 0 ? "\n    " : ",\n    ";
    for (char c : text) {
        m_text += c;
        if (c == '\n') m_text += "    ";
    }
}

std::string SchematicTextWriter::TakeWritten() {
    std::string taken;
    taken.swap(m_text);
    return taken;
}

void SchematicTextWriter::ContinueAfterOthers() {
    m_text.clear();
    m_count = 1;
}

std::string SchematicTextWriter::Finish() {
    m_text += m_count == 0 ? "]\n}\n" : "\n  ]\n}\n";
    m_count = 0;
    return std::move(m_text);
}

std::string WriteSchematic(const Schematic& schematic) {
    SchematicTextWriter writer;
    writer.Begin(schematic.document);
    for (const SchematicElement& element : schematic.elements) writer.Add(element);
    return writer.Finish();
}

} // namespace qv
