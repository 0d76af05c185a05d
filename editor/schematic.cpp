#include "editor/schematic.h"

#include "editor/text_codec.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>

namespace qv {
namespace {

// Objects keep the order of their fields, so parameters stay in the order they were written.
using json = nlohmann::ordered_json;

struct SchematicError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Text(const json& value, const std::string& what) {
    if (!value.is_string()) throw SchematicError(what + " must be a text");
    std::string converted;
    std::string error;
    if (!Utf8ToCp1252(value.get<std::string>(), converted, error)) throw SchematicError(what + ": " + error);
    if (converted.find('\0') != std::string::npos) throw SchematicError(what + " holds a NUL character");
    return converted;
}

bool Boolean(const json& value, const std::string& what) {
    if (!value.is_boolean()) throw SchematicError(what + " must be true or false");
    return value.get<bool>();
}

double Finite(const json& value, const std::string& what) {
    if (!value.is_number()) throw SchematicError(what + " must be a number");
    const double number = value.get<double>();
    if (!std::isfinite(number)) throw SchematicError(what + " is not a finite number");
    return number;
}

void CheckKeys(const json& object, std::initializer_list<const char*> known, const std::string& what) {
    for (auto entry = object.begin(); entry != object.end(); ++entry)
        if (std::find_if(known.begin(), known.end(), [&](const char* k) { return entry.key() == k; }) == known.end())
            throw SchematicError(what + ": unknown field \"" + entry.key() + "\"");
}

SchematicParam ReadParam(const std::string& key, const json& value, const std::string& what) {
    SchematicParam param;
    param.name = Text(json(key), what + " parameter name");
    const std::string where = what + " parameter \"" + key + "\"";
    if (param.name.empty()) throw SchematicError(what + " has a parameter without a name");
    if (value.is_string()) {
        param.hasValue = true;
        param.value = Text(value, where);
        return param;
    }
    if (!value.is_object()) throw SchematicError(where + " must be a text or an object");
    CheckKeys(value, {"value", "unit", "pin"}, where);
    if (auto v = value.find("value"); v != value.end()) {
        param.hasValue = true;
        param.value = Text(*v, where + " \"value\"");
    }
    if (auto u = value.find("unit"); u != value.end()) {
        param.hasUnit = true;
        param.unit = Text(*u, where + " \"unit\"");
    }
    if (auto p = value.find("pin"); p != value.end()) {
        param.hasPin = true;
        param.pin = Boolean(*p, where + " \"pin\"");
    }
    return param;
}

SchematicCharacteristic ReadCharacteristic(const json& value, const std::string& what) {
    if (!value.is_object()) throw SchematicError(what + " must be an object");
    SchematicCharacteristic ch;
    auto kind = value.find("kind");
    if (kind == value.end()) throw SchematicError(what + " has no \"kind\"");
    const std::string name = kind->is_string() ? kind->get<std::string>() : std::string();
    if (name == "reference") {
        CheckKeys(value, {"kind", "text"}, what);
        ch.kind = SchematicCharacteristic::Kind::Reference;
        auto text = value.find("text");
        if (text == value.end()) throw SchematicError(what + ": a reference needs its \"text\"");
        ch.reference = Text(*text, what + " \"text\"");
    } else if (name == "file-reference") {
        CheckKeys(value, {"kind", "variable"}, what);
        ch.kind = SchematicCharacteristic::Kind::FileReference;
        auto variable = value.find("variable");
        if (variable == value.end()) throw SchematicError(what + ": a file reference needs its \"variable\"");
        ch.variable = Text(*variable, what + " \"variable\"");
    } else if (name == "data-pairs") {
        CheckKeys(value, {"kind", "points", "file"}, what);
        ch.kind = SchematicCharacteristic::Kind::DataPairs;
        auto points = value.find("points");
        if (points == value.end() || !points->is_array())
            throw SchematicError(what + ": data pairs need a list \"points\"");
        if (points->size() > kMaxCharacteristicPoints)
            throw SchematicError(what + ": more than " + std::to_string(kMaxCharacteristicPoints) + " points");
        for (size_t i = 0; i < points->size(); ++i) {
            const json& point = (*points)[i];
            const std::string where = what + " point " + std::to_string(i + 1);
            if (!point.is_array() || point.size() != 2) throw SchematicError(where + " must be a pair [x, y]");
            ch.points.emplace_back(Finite(point[0], where + " x"), Finite(point[1], where + " y"));
        }
        if (auto file = value.find("file"); file != value.end()) ch.file = Text(*file, what + " \"file\"");
    } else if (name == "pin") {
        CheckKeys(value, {"kind"}, what);
        ch.kind = SchematicCharacteristic::Kind::Pin;
    } else {
        throw SchematicError(what + ": \"kind\" must be \"reference\", \"file-reference\", \"data-pairs\" or \"pin\"");
    }
    return ch;
}

SchematicElement ReadElement(const json& value, const std::string& what) {
    if (!value.is_object()) throw SchematicError(what + " must be an object");
    CheckKeys(value, {"id", "name", "show_name", "parameters", "outputs", "characteristic", "script"}, what);
    SchematicElement element;
    auto id = value.find("id");
    if (id == value.end() || !id->is_number_unsigned() || id->get<unsigned long long>() > 0xFFFFFFFFull)
        throw SchematicError(what + " needs a wizard \"id\" (a whole number)");
    element.id = static_cast<unsigned>(id->get<unsigned long long>());
    auto name = value.find("name");
    if (name == value.end()) throw SchematicError(what + " has no \"name\"");
    element.name = Text(*name, what + " \"name\"");
    std::string why;
    if (!IsUsableName(element.name, why)) throw SchematicError(what + ": the name \"" + element.name + "\" " + why);
    const std::string where = "element \"" + element.name + "\"";
    if (auto show = value.find("show_name"); show != value.end()) element.showName = Boolean(*show, where + " \"show_name\"");
    if (auto params = value.find("parameters"); params != value.end()) {
        if (!params->is_object()) throw SchematicError(where + " \"parameters\" must map names to values");
        for (auto entry = params->begin(); entry != params->end(); ++entry)
            element.params.push_back(ReadParam(entry.key(), entry.value(), where));
    }
    if (auto outputs = value.find("outputs"); outputs != value.end()) {
        if (!outputs->is_array()) throw SchematicError(where + " \"outputs\" must be a list of parameter names");
        for (size_t i = 0; i < outputs->size(); ++i)
            element.outputs.push_back(Text((*outputs)[i], where + " output " + std::to_string(i + 1)));
    }
    if (auto ch = value.find("characteristic"); ch != value.end())
        element.characteristic = ReadCharacteristic(*ch, where + " \"characteristic\"");
    if (auto script = value.find("script"); script != value.end()) {
        if (!script->is_array()) throw SchematicError(where + " \"script\" must be a list of lines");
        if (script->size() > kMaxScriptLines)
            throw SchematicError(where + ": more than " + std::to_string(kMaxScriptLines) + " script lines");
        for (size_t i = 0; i < script->size(); ++i)
            element.script.push_back(Text((*script)[i], where + " script line " + std::to_string(i + 1)));
    }
    return element;
}

std::string Utf8(const std::string& text) { return Cp1252ToUtf8Text(text); }

} // namespace

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
    case SchematicCharacteristic::Kind::None: break;
    }
    return "none";
}

bool ReadSchematic(const std::string& text, Schematic& schematic, std::string& error) {
    try {
        // Deeply nested input is refused by the parser callback before it costs stack.
        const json document = json::parse(text, [](int depth, json::parse_event_t, json&) {
            if (depth > 16) throw SchematicError("the document nests deeper than a schematic can");
            return true;
        });
        if (!document.is_object()) throw SchematicError("a schematic is one JSON object");
        CheckKeys(document, {"document", "elements"}, "the schematic");
        Schematic result;
        auto name = document.find("document");
        if (name == document.end()) throw SchematicError("the schematic has no \"document\" name");
        result.document = Text(*name, "\"document\"");
        std::string why;
        if (!IsUsableName(result.document, why))
            throw SchematicError("the document name \"" + result.document + "\" " + why);
        auto elements = document.find("elements");
        if (elements == document.end() || !elements->is_array())
            throw SchematicError("the schematic needs a list \"elements\"");
        if (elements->size() > kMaxSchematicElements)
            throw SchematicError("more than " + std::to_string(kMaxSchematicElements) + " elements");
        std::set<std::string> names;
        result.elements.reserve(elements->size());
        for (size_t i = 0; i < elements->size(); ++i) {
            SchematicElement element = ReadElement((*elements)[i], "element " + std::to_string(i + 1));
            if (!names.insert(NameCollisionKey(element.name)).second)
                throw SchematicError("the element name \"" + element.name +
                                     "\" is used twice (\".\" and \"_\" count as the same)");
            result.elements.push_back(std::move(element));
        }
        schematic = std::move(result);
        return true;
    } catch (const json::exception& e) {
        error = e.what();
    } catch (const SchematicError& e) {
        error = e.what();
    }
    return false;
}

bool ReadSchematicFile(const std::string& path, Schematic& schematic, std::string& error) {
    std::string text;
    if (!ReadWholeFile(path, text, error)) return false;
    if (!ReadSchematic(text, schematic, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string WriteSchematic(const Schematic& schematic) {
    json document;
    document["document"] = Utf8(schematic.document);
    json elements = json::array();
    for (const SchematicElement& element : schematic.elements) {
        json e;
        e["id"] = element.id;
        e["name"] = Utf8(element.name);
        if (element.showName) e["show_name"] = true;
        if (!element.params.empty()) {
            json params = json::object();
            for (const SchematicParam& param : element.params) {
                if (param.hasValue && !param.hasUnit && !param.hasPin) {
                    params[Utf8(param.name)] = Utf8(param.value);
                    continue;
                }
                json p = json::object();
                if (param.hasValue) p["value"] = Utf8(param.value);
                if (param.hasUnit) p["unit"] = Utf8(param.unit);
                if (param.hasPin) p["pin"] = param.pin;
                params[Utf8(param.name)] = p;
            }
            e["parameters"] = params;
        }
        if (!element.outputs.empty()) {
            json outputs = json::array();
            for (const std::string& output : element.outputs) outputs.push_back(Utf8(output));
            e["outputs"] = outputs;
        }
        const SchematicCharacteristic& ch = element.characteristic;
        if (ch.kind != SchematicCharacteristic::Kind::None) {
            json c;
            c["kind"] = CharacteristicKindName(ch.kind);
            if (ch.kind == SchematicCharacteristic::Kind::Reference) c["text"] = Utf8(ch.reference);
            if (ch.kind == SchematicCharacteristic::Kind::FileReference) c["variable"] = Utf8(ch.variable);
            if (ch.kind == SchematicCharacteristic::Kind::DataPairs) {
                json points = json::array();
                for (const auto& [x, y] : ch.points) points.push_back(json::array({x, y}));
                c["points"] = points;
                if (!ch.file.empty()) c["file"] = Utf8(ch.file);
            }
            e["characteristic"] = c;
        }
        if (!element.script.empty()) {
            json script = json::array();
            for (const std::string& line : element.script) script.push_back(Utf8(line));
            e["script"] = script;
        }
        elements.push_back(e);
    }
    document["elements"] = elements;
    return document.dump(2) + "\n";
}

} // namespace qv
