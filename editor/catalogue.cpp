#include "editor/catalogue.h"

#include "afx/message_text.h"
#include "editor/schematic.h"
#include "editor/text_codec.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_units.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace qv {
namespace {

using nlohmann::json;

// A fault in a catalogue file; the message names the element and field.
struct CatalogueError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Text(const json& value, const std::string& what) {
    if (!value.is_string()) throw CatalogueError(what + " must be a text");
    std::string converted;
    std::string error;
    if (!Utf8ToCp1252(value.get<std::string>(), converted, error)) throw CatalogueError(what + ": " + error);
    return converted;
}

std::string OptionalText(const json& object, const char* key, const std::string& what) {
    auto it = object.find(key);
    if (it == object.end()) return std::string();
    return Text(*it, what + " \"" + key + "\"");
}

// A whole number in [0, maximum]: a JSON number, or a text in decimal or "0x" hexadecimal.
unsigned long long Number(const json& value, unsigned long long maximum, const std::string& what) {
    unsigned long long number = 0;
    if (value.is_number_unsigned()) {
        number = value.get<unsigned long long>();
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const std::string digits = hex ? text.substr(2) : text;
        if (digits.empty() || digits.size() > 16 ||
            !std::all_of(digits.begin(), digits.end(), [hex](char c) {
                return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
            }))
            throw CatalogueError(what + ": " + Quoted(text) + " is not a whole number");
        errno = 0;
        number = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
        if (errno != 0) throw CatalogueError(what + ": " + Quoted(text) + " is out of range");
    } else {
        throw CatalogueError(what + " must be a whole number");
    }
    if (number > maximum) throw CatalogueError(what + " is out of range");
    return number;
}

unsigned long long OptionalNumber(const json& object, const char* key, unsigned long long maximum,
                                  unsigned long long fallback, const std::string& what) {
    auto it = object.find(key);
    return it == object.end() ? fallback : Number(*it, maximum, what + " \"" + key + "\"");
}

LanguageTexts Languages(const json& object, const char* key, const std::string& what) {
    LanguageTexts texts;
    auto it = object.find(key);
    if (it == object.end()) return texts;
    const std::string where = what + " \"" + key + "\"";
    if (!it->is_object()) throw CatalogueError(where + " must map language IDs to texts");
    for (auto entry = it->begin(); entry != it->end(); ++entry) {
        const WORD language =
            static_cast<WORD>(Number(json(entry.key()), 0xFFFF, where + " language " + Quoted(entry.key())));
        if (language == 0) throw CatalogueError(where + ": language 0 is not a language");
        texts[language] = Text(entry.value(), where + " [" + Excerpt(entry.key()) + "]");
    }
    return texts;
}

void CheckKeys(const json& object, std::initializer_list<const char*> known, const std::string& what) {
    for (auto entry = object.begin(); entry != object.end(); ++entry) {
        if (std::find_if(known.begin(), known.end(), [&](const char* k) { return entry.key() == k; }) == known.end())
            throw CatalogueError(what + ": unknown field " + Quoted(entry.key()));
    }
}

// A form chosen from a list instead of a radio button: "form_list" names the list, "forms"
// the indexes of its entries that use the characteristic (the first is the one the host
// picks). An element has either the radio button or the list, never both.
void ReadCharacteristicForms(const json& ch, const std::string& where, CatalogueCharacteristicControls& controls) {
    controls.formList = static_cast<int>(OptionalNumber(ch, "form_list", 0xFFFF, 0, where));
    auto forms = ch.find("forms");
    if (forms != ch.end()) {
        if (!forms->is_array() || forms->empty())
            throw CatalogueError(where + " \"forms\" must be a list of entry indexes");
        for (size_t i = 0; i < forms->size(); ++i)
            controls.forms.push_back(
                static_cast<int>(Number((*forms)[i], 0xFFFF, where + " \"forms\" entry " + std::to_string(i + 1))));
    }
    if ((controls.formList != 0) != !controls.forms.empty())
        throw CatalogueError(where + " needs \"form_list\" and \"forms\" together");
    if (controls.formList != 0 && controls.nonlinear != 0)
        throw CatalogueError(where + " has both \"nonlinear\" and \"form_list\"");
}

// The second nonlinear form: "nonlinear2" (its radio button), "button2" (its characteristic
// button) and "use_pin2" (its "Use Pin" box) come together and beside the first form's radio.
void ReadSecondNonlinearForm(const json& ch, const std::string& where, CatalogueCharacteristicControls& controls) {
    controls.nonlinear2 = static_cast<int>(OptionalNumber(ch, "nonlinear2", 0xFFFF, 0, where));
    controls.button2 = static_cast<int>(OptionalNumber(ch, "button2", 0xFFFF, 0, where));
    controls.usePin2 = static_cast<int>(OptionalNumber(ch, "use_pin2", 0xFFFF, 0, where));
    const bool any = controls.nonlinear2 != 0 || controls.button2 != 0 || controls.usePin2 != 0;
    const bool all = controls.nonlinear2 != 0 && controls.button2 != 0 && controls.usePin2 != 0;
    if (any && !all) throw CatalogueError(where + " needs \"nonlinear2\", \"button2\" and \"use_pin2\" together");
    if (any && controls.nonlinear == 0) throw CatalogueError(where + " has \"nonlinear2\" without \"nonlinear\"");
}

CatalogueParam ReadParam(const json& value, const std::string& what) {
    if (!value.is_object()) throw CatalogueError(what + " must be an object");
    CheckKeys(value,
              {"name", "value_id", "type", "ext_type", "unit", "used_unit", "quantity", "default", "info",
               "description", "on_sheet", "deletable", "lines", "no_pin", "switched_quantity"},
              what);
    CatalogueParam param;
    auto name = value.find("name");
    if (name == value.end()) throw CatalogueError(what + " has no \"name\"");
    param.name = Text(*name, what + " \"name\"");
    if (param.name.empty()) throw CatalogueError(what + " has an empty name");
    const std::string where = what + " (" + Excerpt(param.name) + ")";
    auto id = value.find("value_id");
    if (id == value.end()) throw CatalogueError(where + " has no \"value_id\"");
    param.valueId = static_cast<WORD>(Number(*id, 0xFFFF, where + " \"value_id\""));
    param.type = static_cast<DWORD>(OptionalNumber(value, "type", 0xFFFFFFFFull, 0, where));
    param.extType = static_cast<DWORD>(OptionalNumber(value, "ext_type", 0xFFFFFFFFull, 0, where));
    param.unit = OptionalText(value, "unit", where);
    param.usedUnit = OptionalText(value, "used_unit", where);
    param.quantity = OptionalText(value, "quantity", where);
    param.switchedQuantity = OptionalText(value, "switched_quantity", where);
    param.defaultValue = OptionalText(value, "default", where);
    param.info = Languages(value, "info", where);
    param.description = Languages(value, "description", where);
    param.onSheet = static_cast<char>(OptionalNumber(value, "on_sheet", 127, 0, where));
    if (auto deletable = value.find("deletable"); deletable != value.end()) {
        if (!deletable->is_boolean()) throw CatalogueError(where + " \"deletable\" must be true or false");
        param.deletable = deletable->get<bool>();
    }
    if (auto lines = value.find("lines"); lines != value.end()) {
        if (!lines->is_boolean()) throw CatalogueError(where + " \"lines\" must be true or false");
        param.lines = lines->get<bool>();
    }
    if (auto noPin = value.find("no_pin"); noPin != value.end()) {
        if (!noPin->is_boolean()) throw CatalogueError(where + " \"no_pin\" must be true or false");
        param.noPin = noPin->get<bool>();
    }
    if (!param.quantity.empty()) {
        CStringArray units;
        if (!UnitsOfQuantity(param.quantity.c_str(), units))
            throw CatalogueError(where + ": unknown quantity " + Quoted(param.quantity));
        for (const std::string* unit : {&param.unit, &param.usedUnit}) {
            bool known = unit->empty();
            for (INT_PTR i = 0; i < units.GetSize() && !known; ++i) known = units[i] == unit->c_str();
            if (!known)
                throw CatalogueError(where + ": " + Quoted(*unit) + " is no unit of the quantity " +
                                     Excerpt(param.quantity));
        }
    }
    // The quantity a switch of the element's page gives the parameter instead of its own (a
    // source's AC values in amperes once it is a current source): another known quantity.
    if (value.contains("switched_quantity")) {
        CStringArray units;
        if (param.quantity.empty())
            throw CatalogueError(where + ": \"switched_quantity\" needs a \"quantity\" to switch from");
        if (!UnitsOfQuantity(param.switchedQuantity.c_str(), units))
            throw CatalogueError(where + ": unknown switched quantity " + Quoted(param.switchedQuantity));
        if (qv::BuiltInUnitsTable().FindQuantity(param.switchedQuantity) ==
            qv::BuiltInUnitsTable().FindQuantity(param.quantity))
            throw CatalogueError(where + ": \"switched_quantity\" " + Quoted(param.switchedQuantity) +
                                 " is its own quantity");
    }
    return param;
}

CatalogueOutput ReadOutput(const json& value, const std::string& what) {
    if (!value.is_object()) throw CatalogueError(what + " must be an object");
    CheckKeys(value, {"name", "text", "description"}, what);
    CatalogueOutput output;
    auto name = value.find("name");
    if (name == value.end()) throw CatalogueError(what + " has no \"name\"");
    output.name = Text(*name, what + " \"name\"");
    output.text = OptionalText(value, "text", what);
    output.description = Languages(value, "description", what);
    return output;
}

CatalogueElement ReadElement(const json& value, const std::string& family, const std::string& what) {
    if (!value.is_object()) throw CatalogueError(what + " must be an object");
    CheckKeys(value,
              {"id", "base", "kind", "prefix", "template", "model_text", "symbol", "characteristic", "parameters",
               "outputs"},
              what);
    CatalogueElement element;
    element.family = family;
    auto id = value.find("id");
    if (id == value.end()) throw CatalogueError(what + " has no \"id\"");
    element.id = static_cast<unsigned>(Number(*id, 0xFFFFFFFFull, what + " \"id\""));
    const std::string where = "element " + std::to_string(element.id);
    element.base = static_cast<int>(OptionalNumber(value, "base", 4, 4, where));
    if (element.base != 3 && element.base != 4) throw CatalogueError(where + ": \"base\" must be 3 or 4");
    element.kind = OptionalText(value, "kind", where);
    element.prefix = OptionalText(value, "prefix", where);
    element.templ = OptionalText(value, "template", where);
    element.modelText = OptionalText(value, "model_text", where);
    element.symbol = Languages(value, "symbol", where);
    for (const auto& [language, text] : element.symbol) {
        CTBDrawSymbol symbol;
        if (!symbol.LoadSymbols(CString(text.c_str())))
            throw CatalogueError(where + " symbol [" + std::to_string(language) + "]: " +
                                 std::string(static_cast<LPCTSTR>(symbol.GetErrorText())));
    }
    if (auto ch = value.find("characteristic"); ch != value.end()) {
        const std::string chWhere = where + " \"characteristic\"";
        if (!ch->is_object()) throw CatalogueError(chWhere + " must be an object");
        CheckKeys(*ch, {"linear", "nonlinear", "form_list", "forms", "button", "use_pin", "nonlinear2", "button2", "use_pin2"},
                  chWhere);
        element.characteristic.linear = static_cast<int>(OptionalNumber(*ch, "linear", 0xFFFF, 0, chWhere));
        element.characteristic.nonlinear = static_cast<int>(OptionalNumber(*ch, "nonlinear", 0xFFFF, 0, chWhere));
        element.characteristic.button = static_cast<int>(OptionalNumber(*ch, "button", 0xFFFF, 0, chWhere));
        element.characteristic.usePin = static_cast<int>(OptionalNumber(*ch, "use_pin", 0xFFFF, 0, chWhere));
        if (element.characteristic.button == 0) throw CatalogueError(chWhere + " needs its \"button\"");
        ReadCharacteristicForms(*ch, chWhere, element.characteristic);
        ReadSecondNonlinearForm(*ch, chWhere, element.characteristic);
    }
    if (auto params = value.find("parameters"); params != value.end()) {
        if (!params->is_array()) throw CatalogueError(where + " \"parameters\" must be a list");
        for (size_t i = 0; i < params->size(); ++i) {
            CatalogueParam param = ReadParam((*params)[i], where + " parameter " + std::to_string(i + 1));
            if (element.FindParam(param.name) != nullptr)
                throw CatalogueError(where + ": parameter " + Quoted(param.name) + " appears twice");
            element.params.push_back(std::move(param));
        }
    }
    if (auto outputs = value.find("outputs"); outputs != value.end()) {
        if (!outputs->is_array()) throw CatalogueError(where + " \"outputs\" must be a list");
        for (size_t i = 0; i < outputs->size(); ++i)
            element.outputs.push_back(ReadOutput((*outputs)[i], where + " output " + std::to_string(i + 1)));
    }
    return element;
}

CString ToCString(const std::string& text) { return CString(text.c_str(), static_cast<int>(text.size())); }

void FillMap(CLanguageTextMap& map, const LanguageTexts& texts) {
    for (const auto& [language, text] : texts) map.SetAt(language, ToCString(text));
}

std::shared_ptr<const CWizardCopaObject3> ParamPrototype(const CatalogueParam& source) {
    auto templ = std::make_shared<CWizardCopaObject3>();
    templ->SetName(source.name.c_str());
    templ->SetValueID(source.valueId);
    templ->SetType(source.type);
    templ->SetExtType(source.extType);
    templ->SetUnit(source.unit.c_str());
    templ->SetUsedUnit(source.usedUnit.c_str());
    templ->SetQuantity(source.quantity.c_str());
    templ->SetValue(source.defaultValue.c_str());
    templ->SetDefValBySimLang("", source.defaultValue.c_str());
    CLanguageTextMap info;
    FillMap(info, source.info);
    templ->SetInfoMap(info);
    CLanguageTextMap description;
    FillMap(description, source.description);
    templ->SetDescriptionMap(description);
    templ->SetOnSheetMode(source.onSheet);
    templ->SetDeletable(source.deletable ? TRUE : FALSE);
    return templ;
}

std::shared_ptr<const CWizardCopaObject3> OutputPrototype(const CatalogueOutput& source) {
    auto templ = std::make_shared<CWizardCopaObject3>();
    templ->SetName(source.name.c_str());
    templ->SetValue(source.text.c_str());
    CLanguageTextMap description;
    FillMap(description, source.description);
    templ->SetDescriptionMap(description);
    templ->SetDeletable(TRUE);
    return templ;
}

} // namespace

const CatalogueParam* CatalogueElement::FindParam(const std::string& name) const {
    for (const CatalogueParam& param : params)
        if (param.name == name) return &param;
    return nullptr;
}

std::string CatalogueElement::SymbolText(WORD language) const {
    if (auto it = symbol.find(language); it != symbol.end()) return it->second;
    if (auto it = symbol.find(kLanguageEnglish); it != symbol.end()) return it->second;
    return symbol.empty() ? std::string() : symbol.begin()->second;
}

bool Catalogue::LoadText(const std::string& text, const std::string& origin, std::string& error) {
    std::vector<CatalogueElement> added;
    try {
        const json document = json::parse(text);
        if (!document.is_object()) throw CatalogueError("the file must hold one object");
        CheckKeys(document, {"family", "elements"}, "the file");
        auto family = document.find("family");
        if (family == document.end()) throw CatalogueError("the file has no \"family\"");
        const std::string familyName = Text(*family, "\"family\"");
        auto elements = document.find("elements");
        if (elements == document.end() || !elements->is_array())
            throw CatalogueError("the file needs a list \"elements\"");
        for (size_t i = 0; i < elements->size(); ++i) {
            CatalogueElement element = ReadElement((*elements)[i], familyName, "element entry " + std::to_string(i + 1));
            // Several elements may share one wizard ID when the wizard serves them all (the
            // function then lies in each element's model text); each needs a kind of its own.
            auto same = [&](const CatalogueElement& e) {
                return e.id == element.id && (element.kind.empty() || e.kind.empty() || e.kind == element.kind);
            };
            const bool twice = std::any_of(m_elements.begin(), m_elements.end(), same) ||
                               std::any_of(added.begin(), added.end(), same);
            if (twice) throw CatalogueError("wizard ID " + std::to_string(element.id) + " appears twice");
            added.push_back(std::move(element));
        }
    } catch (const json::parse_error& e) {
        error = ShownPath(origin) + ": " + JsonSyntaxError(text, e.byte, e.what(), "the family file");
        return false;
    } catch (const json::exception& e) {
        error = ShownPath(origin) + ": " + JsonLibraryMessage(e.what());
        return false;
    } catch (const CatalogueError& e) {
        error = ShownPath(origin) + ": " + e.what();
        return false;
    }
    for (CatalogueElement& element : added) {
        // The first element of an ID is the one the ID alone names.
        m_index.emplace(element.id, m_elements.size());
        m_elements.push_back(std::move(element));
    }
    return true;
}

bool Catalogue::LoadFile(const std::string& path, std::string& error) {
    std::string text;
    return ReadWholeFile(path, text, error) && LoadText(text, path, error);
}

bool Catalogue::LoadFolder(const std::string& folder, std::string& error) {
    std::vector<std::string> files;
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator(folder, code))
        if (entry.path().extension() == ".json") files.push_back(entry.path().string());
    if (code) {
        error = ShownPath(folder) + ": the catalogue folder cannot be read (" + code.message() + ")";
        return false;
    }
    if (files.empty()) {
        error = ShownPath(folder) + ": the catalogue folder holds no family file";
        return false;
    }
    std::sort(files.begin(), files.end());
    Catalogue loaded;
    for (const std::string& file : files)
        if (!loaded.LoadFile(file, error)) return false;
    *this = std::move(loaded);
    return true;
}

const CatalogueElement* Catalogue::Find(unsigned id) const {
    auto it = m_index.find(id);
    return it == m_index.end() ? nullptr : &m_elements[it->second];
}

const CatalogueElement* Catalogue::Find(unsigned id, const std::string& kind) const {
    for (const CatalogueElement& element : m_elements)
        if (element.id == id && element.kind == kind) return &element;
    return nullptr;
}

const CatalogueElement* Catalogue::FindNamed(unsigned id, const std::string& kind, std::string& why) const {
    const CatalogueElement* first = Find(id);
    if (first == nullptr) {
        why = "wizard ID " + std::to_string(id) + " is not in the catalogue";
        return nullptr;
    }
    if (kind.empty()) return first;
    if (const CatalogueElement* named = Find(id, kind)) return named;
    // The kind under other IDs, else the kinds this ID has: either tells what was meant.
    std::string ids;
    std::string kinds;
    for (const CatalogueElement& element : m_elements) {
        if (element.kind == kind) ids += (ids.empty() ? "" : " or ") + std::to_string(element.id);
        if (element.id == id) kinds += (kinds.empty() ? "" : ", ") + Quoted(element.kind);
    }
    if (!ids.empty())
        why = "the catalogue's " + Quoted(kind) + " has wizard ID " + ids + ", not " + std::to_string(id);
    else
        why = "wizard ID " + std::to_string(id) + " has no catalogue element " + Quoted(kind) + " (it has " + kinds + ")";
    return nullptr;
}

std::unique_ptr<ParamHolder> Catalogue::MakeHolder(const CatalogueElement& element, const std::string& name) {
    std::unique_ptr<ParamHolder> holder;
    if (element.base == 3)
        holder = std::make_unique<CWizardSchematicDataExchange3>();
    else
        holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = ToCString(name);
    holder->m_strModelText = ToCString(element.modelText);
    FillMap(holder->m_SymbolTexts, element.symbol);
    // Each array is sized once rather than grown entry by entry: a set is made for every
    // element of a schematic. Until its entry is made a place holds null, which the holder
    // deletes harmlessly should making an entry fail.
    const int params = static_cast<int>(element.params.size());
    holder->m_ObjectTemplates.SetSize(params);
    holder->m_Params.SetSize(params);
    for (int i = 0; i < params; ++i) {
        const CatalogueParam& source = element.params[static_cast<size_t>(i)];
        if (!source.prototype.made) source.prototype.made = ParamPrototype(source);
        auto* templ = new CWizardCopaObject3(*source.prototype.made);
        holder->m_ObjectTemplates.SetAt(i, templ);
        auto* param = new CWizardCopaObject3(*templ);
        param->SetTemplateObject(templ);
        holder->m_Params.SetAt(i, param);
    }
    const int outputs = static_cast<int>(element.outputs.size());
    holder->m_OutputTemplates.SetSize(outputs);
    for (int i = 0; i < outputs; ++i) {
        const CatalogueOutput& source = element.outputs[static_cast<size_t>(i)];
        if (!source.prototype.made) source.prototype.made = OutputPrototype(source);
        holder->m_OutputTemplates.SetAt(i, new CWizardCopaObject3(*source.prototype.made));
    }
    return holder;
}

std::string DefaultCatalogueFolder(const std::string& hostFolder) { return hostFolder + "catalogue/"; }

} // namespace qv
