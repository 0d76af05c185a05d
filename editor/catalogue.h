// The element catalogue of the stand-in editor: for every wizard ID the element's parameter
// set, its result-output templates, its model-text template and its symbol text, read from
// the JSON files of editor/catalogue/ (one per family). docs/element-catalogue.md describes
// the format.
#pragma once

#include "wizard/wizard.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qv {

// Texts by language ID (0x409 English, ...), in Windows-1252.
typedef std::map<WORD, std::string> LanguageTexts;

// A template made from the fields of its owner when first needed. A copy of the owner starts
// without one: the copy may be changed before it is used.
struct TemplateCache {
    mutable std::shared_ptr<const CWizardCopaObject3> made;
    TemplateCache() = default;
    TemplateCache(const TemplateCache&) {}
    TemplateCache& operator=(const TemplateCache&) {
        made.reset();
        return *this;
    }
};

struct CatalogueParam {
    std::string name;
    WORD valueId = 0;
    DWORD type = 0;
    DWORD extType = 0;
    std::string unit;
    std::string usedUnit;
    std::string quantity;
    // The quantity the element's page switches the parameter to (a source's AC values are a
    // current once the source is a current source); empty when its quantity never switches.
    std::string switchedQuantity;
    std::string defaultValue;
    LanguageTexts info;
    LanguageTexts description;
    char onSheet = 0;
    bool deletable = false;
    // Whether the value may hold several lines: an expression that the pages edit in the
    // calculation dialog (an equation of the equation block with an IF block, say).
    bool lines = false;
    // Whether the pages take the value as typed and never from a pin: a count of coefficients,
    // rows or points, or the name of a data file, which no signal can give.
    bool noPin = false;
    // The parameter template made from the fields above when the first element of its kind is
    // made: every element made copies it rather than building it again from texts. Only the
    // kinds a schematic uses get one.
    TemplateCache prototype;
};

// A template of result outputs ("SDB"). Its text is what the editor writes into the model
// description for every live output entry made from it: "@NAME" stands for the element's
// name, "@PARAM" for the name of the parameter the entry belongs to.
struct CatalogueOutput {
    std::string name;
    std::string text;
    LanguageTexts description;
    TemplateCache prototype;   // as for parameters
};

// Controls of an element page that switch to the nonlinear form and open or pin-feed the
// characteristic (0 when the element has none). The host uses them to apply a schematic's
// characteristic through the page, as a user would.
struct CatalogueCharacteristicControls {
    int linear = 0;
    int nonlinear = 0;
    int button = 0;
    int usePin = 0;
    // Pages that choose the form from a list instead: the list's control ID and the indexes
    // of the entries whose form uses the characteristic (the first one is the default).
    int formList = 0;
    std::vector<int> forms;
    // Pages with a second nonlinear form (its own radio button, characteristic button and
    // "Use Pin" box); 0 when the element has one nonlinear form only.
    int nonlinear2 = 0;
    int button2 = 0;
    int usePin2 = 0;
};

struct CatalogueElement {
    unsigned id = 0;
    int base = 4;                 // 3: CreateWizardInstance, 4: CreateWizard4Instance
    std::string family;
    std::string kind;             // "Resistor", ...
    std::string prefix;           // name prefix of new elements ("R")
    std::string templ;            // "IMMANENT" where the wizard writes the model text
    std::string modelText;
    LanguageTexts symbol;
    CatalogueCharacteristicControls characteristic;
    std::vector<CatalogueParam> params;
    std::vector<CatalogueOutput> outputs;

    bool HasCharacteristic() const { return characteristic.button != 0; }
    const CatalogueParam* FindParam(const std::string& name) const;
    // The symbol text for a language: that language's, else English, else the first.
    std::string SymbolText(WORD language) const;
};

class Catalogue {
public:
    // Reads every "*.json" file of the folder (in name order). False with a message naming the
    // file and the fault; nothing is kept from a catalogue that fails.
    bool LoadFolder(const std::string& folder, std::string& error);
    bool LoadFile(const std::string& path, std::string& error);
    // One family file's text; origin names it in messages.
    bool LoadText(const std::string& text, const std::string& origin, std::string& error);

    // The element of a wizard ID; of several elements that share the ID, the first one read.
    const CatalogueElement* Find(unsigned id) const;
    // The element of a wizard ID with that kind ("Sum", "Product", ...).
    const CatalogueElement* Find(unsigned id, const std::string& kind) const;
    // The element a schematic names by its wizard ID and kind: the ID's first element when the
    // kind is empty. Null, with the reason ("wizard ID 6 has no element "Voltmetr" (...)"),
    // when the catalogue has none.
    const CatalogueElement* FindNamed(unsigned id, const std::string& kind, std::string& why) const;
    // Whether the element is the one its wizard ID alone names (the first one of its ID).
    bool NamedByIdAlone(const CatalogueElement& element) const { return Find(element.id) == &element; }
    const std::vector<CatalogueElement>& Elements() const { return m_elements; }

    // A new parameter set of the element with the given name: every parameter with its default
    // value and used unit, the output templates, the model text and the symbol texts. The set
    // is the older base's data-exchange object for an element of base 3.
    static std::unique_ptr<ParamHolder> MakeHolder(const CatalogueElement& element, const std::string& name);

private:
    std::vector<CatalogueElement> m_elements;
    std::map<unsigned, size_t> m_index;
};

// The default folder of the catalogue: "catalogue/" in the folder of the running host.
std::string DefaultCatalogueFolder(const std::string& hostFolder);

} // namespace qv
