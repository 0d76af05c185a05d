// The host's schematic: a JSON document (docs/schematic-format.md) naming the document and
// listing its elements with wizard ID, name, parameter values, switched-on result outputs
// and optional wizard settings (a characteristic, or an edit script for the element's pages).
// Texts are UTF-8 in the file and Windows-1252 here.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qv {

// Limits of what a schematic may hold; larger ones are refused.
constexpr size_t kMaxSchematicElements = 1000000;
constexpr size_t kMaxScriptLines = 10000;
// Parameters made on an element's pages, and names in its parameter order.
constexpr size_t kMaxPageParameters = 10000;
// The largest wizard data block an element may carry (as an archive may).
constexpr size_t kMaxWizardDataBytes = 64u * 1024u * 1024u;
// The largest schematic file read (512 MiB): the file is read whole before it is parsed.
constexpr unsigned long long kMaxSchematicBytes = 512ull * 1024 * 1024;

struct SchematicParam {
    std::string name;
    bool hasValue = false;
    std::string value;
    bool hasUnit = false;
    std::string unit;     // the used unit
    bool hasPin = false;
    bool pin = false;     // taken from a pin
    // The parameter's flags where they differ from the catalogue's (the wizard marks a
    // parameter unused, say).
    bool hasType = false;
    unsigned long type = 0;
    bool hasExtType = false;
    unsigned long extType = 0;
    // The value ID where a page moved the parameter to another one than it is made with (an
    // equation row's calculation sequence).
    bool hasValueId = false;
    unsigned valueId = 0;
    // The parameter's on-sheet mode (how the schematic shows it: a transition's condition
    // shown beside it, say) where it differs from the catalogue's; a byte.
    bool hasOnSheet = false;
    unsigned onSheet = 0;
    // The parameter's info text in the editor's language where it differs from the
    // catalogue's (the "Info" a user typed into a row of an equation or input list).
    bool hasInfo = false;
    std::string info = std::string();
    // A parameter that a page made from one of the catalogue's templates (a parameter kept
    // out of lists, Type bit 0x2): the template's name. Such a parameter is always made anew,
    // never matched with one the set holds already (an equation row shares its template's name).
    std::string templateName = std::string();
};

// The element's characteristic, applied through the element's page and its characteristic
// table as a user would enter it.
struct SchematicCharacteristic {
    // Unused: the page does not use its characteristic (its linear form, or a form of its list
    // that needs none), and the table keeps only its own file name.
    enum class Kind { None, Reference, DataPairs, FileReference, Pin, Unused };
    Kind kind = Kind::None;
    std::string reference;                          // Reference: the text ("XY1.VAL")
    std::string variable;                           // FileReference: the variable name
    std::vector<std::pair<double, double>> points;  // DataPairs
    // DataPairs: a data file of the user's own ("" = default name). Any other kind: the name the
    // table keeps for its data pairs ("File Name" ticked) while it refers to something else, is
    // fed by a pin or is not used; that file is written only once it is data pairs again
    // (TableFileWritten).
    std::string file;
    int form = 1;                                   // the nonlinear form it belongs to (1 or 2)
};

// The data file that describing the element writes its characteristic's table to, given by
// the schematic ("" for none or the default name): only a table of data pairs writes one.
inline const std::string& TableFileWritten(const SchematicCharacteristic& ch) {
    static const std::string none;
    return ch.kind == SchematicCharacteristic::Kind::DataPairs ? ch.file : none;
}

struct SchematicElement {
    unsigned id = 0;
    // The catalogue element of that wizard ID (its "kind": "Voltmeter", "Product"), where
    // several share the ID; empty for the first one of the ID, which the ID alone names.
    std::string kind;
    std::string name;
    bool showName = false;
    // The symbol's variant as the pages left it (1 shifted by the form; 0 the first).
    unsigned symbolVariant = 0;
    std::vector<SchematicParam> params;
    std::vector<std::string> outputs;   // parameter names whose result output is switched on
    // The names of every live parameter of the set in the order a page left them; empty when
    // the order is the catalogue's followed by the parameters made for the element. Parameters
    // of the set that it does not name were removed on a page.
    std::vector<std::string> order;
    SchematicCharacteristic characteristic;
    std::vector<std::string> script;    // edit-script lines (docs/host.md)
    // The wizard's own data as a saved archive keeps it (its Serialize bytes of sheet version
    // 4; the additional data of a wizard of the older base). With it the wizard is loaded
    // from these bytes instead of being initialised afresh.
    bool hasWizardData = false;
    std::vector<unsigned char> wizardData;
};

struct Schematic {
    std::string document;
    std::vector<SchematicElement> elements;

    const SchematicElement* Find(const std::string& name) const;
    SchematicElement* Find(const std::string& name);
};

// " holds a control character (U+000A)" for the first control character of the text (U+0000
// to U+001F, U+007F) other than those allowed, "" when it has none. Tabs are allowed in
// script lines, line breaks (CR, LF) in the values of parameters that hold several lines.
std::string ControlCharacterFault(const std::string& text, bool tabAllowed = false, bool lineBreaksAllowed = false);

// Whether a text holds a line break (CR or LF).
bool HasLineBreak(const std::string& text);

// Whether a text can name a document or an element: printable ASCII without blanks, quotes,
// folder separators, "@" or ";". Names become identifiers of the model description and parts
// of data-file names, so they are kept to what both can carry. False with the reason.
bool IsUsableName(const std::string& name, std::string& why);

// The key under which two element names collide: the default data-file name replaces "." by
// "_", so "R.1" and "R_1" would share one data file.
std::string NameCollisionKey(const std::string& name);

// Reads a schematic. False with a message saying what is wrong and where; `schematic` is
// then unchanged. Document and element names must be usable (above) and element names unique
// (also after "." becomes "_"); numbers of a characteristic finite; counts within the limits
// above.
// Syntax errors name the line and column (both from 1, the column in characters).
bool ReadSchematic(const std::string& text, Schematic& schematic, std::string& error);
// The file must be a regular file of at most kMaxSchematicBytes.
bool ReadSchematicFile(const std::string& path, Schematic& schematic, std::string& error);

// Takes an element as it was read; false (with a message) stops the reading. The element may
// be moved from.
using SchematicElementTaker = std::function<bool(SchematicElement& element, std::string& error)>;

// Reads a schematic element by element, for a job that never holds it whole: each element is
// handed to `take` as soon as it was read and checked, and is not kept. The checks, limits
// and messages are those of ReadSchematic, and a fault is found at the same place: the
// elements before it have been taken. The document's name is known only once the whole text
// was read (it may follow the elements): `document` receives it when the text is sound.
// When `take` stops the reading, false with the message it gave.
bool ReadSchematicElements(const std::string& text, std::string& document, const SchematicElementTaker& take,
                           std::string& error);
// The text of a schematic file, as ReadSchematicFile reads it (messages begin with the path).
bool ReadSchematicFileText(const std::string& path, std::string& text, std::string& error);

// Whether the path names a regular file of at most maxBytes bytes that can be read; false
// with a message ("<path>: is a folder", "<path>: is larger than ...") otherwise. Devices,
// pipes and folders are refused before anything is read from them.
bool CheckInputFile(const std::string& path, unsigned long long maxBytes, std::string& error);

// The schematic as JSON text (UTF-8, two-space indentation, ends with a line end). Reading
// the text again gives the same schematic.
std::string WriteSchematic(const Schematic& schematic);

// Writes the same text element by element, for a schematic that is never held whole.
class SchematicTextWriter {
public:
    void Begin(const std::string& document);
    void Add(const SchematicElement& element);
    // The text written since the last call, so that a long schematic can be printed while
    // it is written rather than held whole.
    std::string TakeWritten();
    // Elements added from now on follow elements written elsewhere: the first one too begins
    // with the separator. What was written and not taken is dropped.
    void ContinueAfterOthers();
    // The whole text (what TakeWritten has not taken); the writer is empty afterwards.
    std::string Finish();

private:
    std::string m_text;
    size_t m_count = 0;
};

std::string CharacteristicKindName(SchematicCharacteristic::Kind kind);

// The JSON library's message in the user's terms: without the library's own tag
// ("[json.exception.type_error.302] "), which says nothing to a user, and with the text it
// quotes (a number, a key, the token read last) bounded as every message bounds a quoted
// text (Excerpt), whatever that text holds.
std::string JsonLibraryMessage(const std::string& message);

// A JSON syntax error in the user's terms: "line L, column C: not valid JSON: ..." for the
// parser's byte position in the text and its message, without the library's own tags. A text
// cut short "ends before <whole> is complete".
std::string JsonSyntaxError(const std::string& text, size_t position, const std::string& message,
                            const std::string& whole = "the schematic");

} // namespace qv
