// What a received schematic gives an element cannot change what its description is made of:
// each input parameter of each element of each example is given bad values of every kind (the
// values the page sweep types) in the schematic itself, and describing it either refuses with
// one line that names the element, or writes the same entries, by name and count, as with a
// plain value. Every input parameter with units is given, in every unit of its quantity, a
// number, a name, a formula, a quantity of an element and a formula of one: the number is
// written converted, every other form with the conversion around it wherever it stands, or
// it is refused in one line, a quantity of an element as a formula of it.
#include "tests/editor/page_sweep.h"

#include "editor/catalogue.h"
#include "toolkit/tb_units.h"
#include "wizard/requests.h"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace qv_sweep;

// The names given a value (`NAME :=`) and the statements of a description, in order; what
// stands between quotes and inside equations is the value's own.
std::vector<std::string> Entries(const std::string& text) {
    std::vector<std::string> entries;
    bool quoted = false;
    int braces = 0;
    int depth = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '{') ++braces;
        if (c == '}') --braces;
        if (braces > 0) continue;
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (c == ';' && depth == 0) entries.push_back(";");
        if (c == ':' && at + 1 < text.size() && text[at + 1] == '=') {
            size_t end = at;
            while (end > 0 && text[end - 1] == ' ') --end;
            size_t begin = end;
            while (begin > 0 && (std::isalnum(static_cast<unsigned char>(text[begin - 1])) ||
                                 std::string_view("_.[]").find(text[begin - 1]) != std::string_view::npos))
                --begin;
            entries.push_back(text.substr(begin, end - begin));
        }
    }
    return entries;
}

class SchematicValuesSweep : public PageSweep {
protected:
    // Starts a host of its own for the test, with the catalogue read into `catalogue` when given.
    void StartHost(qv::Catalogue* catalogue = nullptr) {
        std::string error;
        if (catalogue != nullptr) {
            ASSERT_TRUE(catalogue->LoadFolder(PARVEL_MODULE_DIR "/catalogue/", error)) << error;
        }
        host = std::make_unique<qv::Host>();
        ASSERT_TRUE(host->Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
    }

    // Describes the element alone with the parameter given the value: the description, or
    // "(refused) " and the host's message. With `pin`, the parameter is taken from a pin, and
    // the data files written follow the description.
    std::string DescribedWith(const qv::SchematicElement& element, const std::string& param, const std::string& value,
                              const std::string& unit = "", bool pin = false) {
        qv::Schematic alone;
        alone.document = schematic.document;
        alone.elements = {element};
        qv::SchematicElement& given = alone.elements.front();
        auto at = std::find_if(given.params.begin(), given.params.end(),
                               [&](const qv::SchematicParam& p) { return p.name == param; });
        if (at == given.params.end()) {
            given.params.emplace_back();
            given.params.back().name = param;
            at = given.params.end() - 1;
        }
        at->hasValue = true;
        at->value = value;
        if (!unit.empty()) {
            at->hasUnit = true;
            at->unit = unit;
        }
        if (pin) {
            at->hasPin = true;
            at->pin = true;
        }
        return Described(alone, pin);
    }

    // The element's description, or "(refused) " and the host's message; with `withFiles`, the
    // data files written follow the description.
    std::string Described(const qv::Schematic& alone, bool withFiles = false) {
        std::vector<std::string> written;
        std::string error;
        const std::string path = (folder / "d.desc").string();
        if (!host->DescribeSchematic(alone, folder.string() + "/", path, written, error)) return "(refused) " + error;
        std::string text = qv_test::ReadFile(path);
        for (size_t at = 1; withFiles && at < written.size(); ++at) text += "\n" + qv_test::ReadFile(written[at]);
        return text;
    }
};

// Values that wizards write into the text as they stand (a file reference, a characteristic's
// variable) and that hold a double quote, at their start or within.
const char* const kQuotedValues[] = {"\"x\"); BAD BAD2 ( Q := 1", "\"q\"", "x\"); BAD BAD2 ( Q := \"1"};

TEST_P(SchematicValuesSweep, EveryValueDescribesAsOneValueOrIsRefusedInOneLine) {
    qv::Catalogue catalogue;
    std::string error;
    ASSERT_NO_FATAL_FAILURE(StartHost(&catalogue));
    for (const qv::SchematicElement& element : schematic.elements) {
        std::string why;
        const qv::CatalogueElement* type = catalogue.FindNamed(element.id, element.kind, why);
        ASSERT_NE(nullptr, type) << why;
        std::vector<std::string> inputs;
        for (const qv::CatalogueParam& param : type->params)
            if ((param.type & 0xC) == 0x4) inputs.push_back(param.name);
        for (size_t at = 0; at < inputs.size(); ++at) {
            // An element that does not describe alone with a plain value (it needs the others of
            // its example) has nothing to be compared with.
            const std::string plain = DescribedWith(element, inputs[at], "1");
            for (const std::string& value : BadValuesFor(at, inputs.size())) {
                const std::string got = DescribedWith(element, inputs[at], value);
                SCOPED_TRACE(element.name + " parameter " + inputs[at] + " given " + qv::QuoteScriptText(value));
                if (got.starts_with("(refused) ")) {
                    EXPECT_EQ(std::string::npos, got.find('\n')) << got;
                    EXPECT_TRUE(got.starts_with("(refused) element \"" + element.name + "\"")) << got;
                } else if (!plain.starts_with("(refused) ")) {
                    // The same entries, in whatever order the page lists them.
                    std::vector<std::string> want = Entries(plain);
                    std::vector<std::string> have = Entries(got);
                    std::sort(want.begin(), want.end());
                    std::sort(have.begin(), have.end());
                    EXPECT_EQ(want, have) << "with a plain value:\n" << plain << "given the value:\n" << got;
                }
            }
        }
        // The element as its sessions left it, printed, given the values a wizard writes as
        // they stand: a value that holds a double quote is refused in one line, or is not
        // written at all (the description is the one with a plain name).
        qv::Schematic alone;
        alone.document = schematic.document;
        alone.elements = {element};
        if (!host->Build(alone, folder.string() + "/", error)) continue;
        qv::Schematic printed = host->CurrentSchematic();
        ASSERT_EQ(1u, printed.elements.size());
        printed.elements.front().script.clear();
        std::vector<std::function<void(qv::SchematicElement&, const std::string&)>> givers;
        for (const std::string& input : inputs)
            givers.push_back([input](qv::SchematicElement& e, const std::string& value) {
                auto at = std::find_if(e.params.begin(), e.params.end(), [&](const qv::SchematicParam& p) { return p.name == input; });
                if (at == e.params.end()) {
                    e.params.emplace_back();
                    e.params.back().name = input;
                    at = e.params.end() - 1;
                }
                at->hasValue = true;
                at->value = value;
            });
        if (printed.elements.front().characteristic.kind == qv::SchematicCharacteristic::Kind::FileReference)
            givers.push_back([](qv::SchematicElement& e, const std::string& value) { e.characteristic.variable = value; });
        for (size_t at = 0; at < givers.size(); ++at) {
            qv::Schematic given = printed;
            givers[at](given.elements.front(), "Zq");
            const std::string plain = Described(given);
            for (const char* value : kQuotedValues) {
                givers[at](given.elements.front(), value);
                const std::string got = Described(given);
                SCOPED_TRACE(element.name + " printed, value " + std::to_string(at) + " given " + qv::QuoteScriptText(value));
                if (got.starts_with("(refused) ")) {
                    EXPECT_EQ(std::string::npos, got.find('\n')) << got;
                    EXPECT_TRUE(got.starts_with("(refused) element \"" + element.name + "\"")) << got;
                } else {
                    EXPECT_EQ(plain, got);
                }
            }
        }
    }
}

// A value on a pin is the pin's signal: whatever value the schematic gives beside the pin, the
// element describes the same, with the same data files, or its page refuses the pin in one line
// both times. Nothing the element derives (a period, an AC magnitude, a count of coefficients)
// may read the value that stands behind the pin.
TEST_P(SchematicValuesSweep, AValueOnAPinNeverReachesTheDescription) {
    qv::Catalogue catalogue;
    ASSERT_NO_FATAL_FAILURE(StartHost(&catalogue));
    for (const qv::SchematicElement& element : schematic.elements) {
        std::string why;
        const qv::CatalogueElement* type = catalogue.FindNamed(element.id, element.kind, why);
        ASSERT_NE(nullptr, type) << why;
        for (const qv::CatalogueParam& param : type->params) {
            if ((param.type & 0xC) != 0x4) continue;
            const std::string one = DescribedWith(element, param.name, "3", "", true);
            const std::string other = DescribedWith(element, param.name, "5", "", true);
            SCOPED_TRACE(element.name + " parameter " + param.name + " on a pin");
            if (one.starts_with("(refused) ") || other.starts_with("(refused) ")) {
                EXPECT_EQ(one.starts_with("(refused) "), other.starts_with("(refused) ")) << one << "\n" << other;
                EXPECT_EQ(std::string::npos, one.find('\n')) << one;
                continue;
            }
            EXPECT_EQ(one, other) << FirstDifference(one, other);
        }
    }
}

// What a listing shows: its controls that are not hidden, with their texts, states and rows.
std::string Shown(const std::string& listing) {
    std::string shown;
    for (const Control& c : ParseListing(listing)) {
        if (c.hidden) continue;
        shown += std::to_string(c.id) + (c.disabled ? " disabled " : " ") + c.text + " " + std::to_string(c.selected) + "\n";
        for (const std::vector<std::string>& row : c.rows)
            for (const std::string& cell : row) shown += "  " + cell + "\n";
    }
    return shown;
}

// A field that a switch on the page hides (a check box, a radio button or a list entry) stands
// for nothing while it is hidden: typed with two different values, then hidden by the switch
// and confirmed, the element describes the same, with the same data files, wherever the page
// then shows the same (a value derived from it while it was shown, an amplitude from an RMS
// value, is what the page shows).
TEST_P(SchematicValuesSweep, AFieldASwitchHidesNeverReachesTheDescription) {
    for (index = 0; index < schematic.elements.size(); ++index) {
        name = schematic.elements[index].name;
        ASSERT_NO_FATAL_FAILURE(Rebuild());
        const std::vector<std::string> pages = Pages({}, {"cancel"}, false);
        for (size_t page = 0; page < pages.size(); ++page) {
            const std::string select = "page " + std::to_string(page);
            const std::vector<Control> controls = ParseListing(pages[page]);
            std::vector<std::string> switches;
            for (const Control& c : controls) {
                if (c.hidden || c.disabled) continue;
                if (c.className == "Button" && c.id != 1 && c.id != 2) switches.push_back("click " + std::to_string(c.id));
                if (c.className == "ComboBox")
                    for (size_t entry = 0; entry < c.entries.size() && entry < 8; ++entry)
                        if (static_cast<int>(entry) != c.selected)
                            switches.push_back("pick " + std::to_string(c.id) + " " + std::to_string(entry));
            }
            for (const std::string& flip : switches) {
                qv::EditOutcome listed;
                std::string error;
                if (!Session({select, flip, "print", "cancel"}, error, &listed) || listed.printed.empty()) continue;
                const std::vector<Control> after = ParseListing(listed.printed.front());
                for (const Control& field : controls) {
                    if (field.className != "Edit" || field.hidden || field.disabled) continue;
                    const auto now = std::find_if(after.begin(), after.end(), [&](const Control& c) { return c.id == field.id; });
                    if (now == after.end() || !now->hidden) continue;
                    std::string described[2];
                    std::string shown[2];
                    for (int trial = 0; trial < 2; ++trial) {
                        Rebuild();
                        const std::string typed = "type " + std::to_string(field.id) + (trial == 0 ? " 7" : " 9");
                        qv::EditOutcome outcome;
                        described[trial] = Session({select, typed, flip, "print", "ok"}, error, &outcome)
                                               ? Description(true)
                                               : "(refused) " + error;
                        if (!outcome.printed.empty()) shown[trial] = Shown(outcome.printed.front());
                    }
                    Rebuild();
                    SCOPED_TRACE(name + ": " + select + ", field " + std::to_string(field.id) + " hidden by " + flip);
                    if (described[0].starts_with("(refused) ") && described[1].starts_with("(refused) ")) continue;
                    if (shown[0] != shown[1]) continue;
                    EXPECT_EQ(described[0], described[1]) << FirstDifference(described[0], described[1]);
                }
            }
        }
    }
}

// A name the host hands out to an element (the one its wizard asks the editor for, as the
// nonlinear elements name their tables) is unique over the whole schematic: an element placed
// after it or before it with that very name never shares it, in whichever order describe makes
// them, each described as soon as it is made.
TEST_P(SchematicValuesSweep, EveryNameTheHostHandsOutIsUniqueWhateverTheOrder) {
    std::string error;
    ASSERT_NO_FATAL_FAILURE(StartHost());
    const std::string path = (folder / "names.desc").string();
    const auto isNameChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (const qv::SchematicElement& element : schematic.elements) {
        // The names handed out to the element made alone; none where it needs its example.
        qv::Schematic alone;
        alone.document = schematic.document;
        alone.elements = {element};
        std::vector<std::string> written;
        if (!host->Build(alone, folder.string() + "/", error) || !host->Describe(path, written, error)) continue;
        std::vector<std::string> names;
        for (const auto& request : host->Editor().Requests())
            if (request.code == WIZREQ_UNIQUE_NAME && request.answer != 0) names.push_back(request.text);
        for (const std::string& name : names) {
            qv::Schematic both;
            ASSERT_TRUE(qv::ReadSchematic(R"({"document": "D", "elements": [{"id": 15, "name": ")" + name +
                                              R"(", "parameters": {"R": "1k"}}]})",
                                          both, error))
                << error;
            both.document = schematic.document;
            for (const bool after : {true, false}) {
                SCOPED_TRACE(element.name + " and a resistor named " + name + (after ? " after it" : " before it"));
                both.elements.insert(after ? both.elements.begin() : both.elements.end(), element);
                ASSERT_TRUE(host->DescribeSchematic(both, folder.string() + "/", path, written, error)) << error;
                both.elements.erase(after ? both.elements.begin() : both.elements.end() - 1);
                // The name stands once, as the resistor's: the element's own name is another.
                const std::string text = qv_test::ReadFile(path);
                size_t count = 0;
                for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1))
                    if ((at == 0 || !isNameChar(text[at - 1])) &&
                        (at + name.size() == text.size() || !isNameChar(text[at + name.size()])))
                        ++count;
                EXPECT_EQ(count, 1u) << text;
            }
        }
    }
}

// The example in which a kind of element is swept for its units: the first that holds it, so
// that each kind is swept once, whether the examples run in one process or one each.
std::string FirstExampleHolding(unsigned id) {
    static const std::map<unsigned, std::string> first = [] {
        std::map<unsigned, std::string> found;
        for (const std::string& name : Examples()) {
            qv::Schematic example;
            std::string error;
            if (!qv::ReadSchematicFile(std::string(PARVEL_SOURCE_DIR "/examples/") + name, example, error)) continue;
            for (const qv::SchematicElement& element : example.elements) found.emplace(element.id, name);
        }
        return found;
    }();
    const auto at = first.find(id);
    return at != first.end() ? at->second : std::string();
}

// One unit rule for every form of a value.
TEST_P(SchematicValuesSweep, EveryFormInEveryUnitIsConvertedOrRefusedInOneLine) {
    qv::Catalogue catalogue;
    ASSERT_NO_FATAL_FAILURE(StartHost(&catalogue));
    std::set<std::pair<unsigned, std::string>> swept;
    // The number is one no other value of an element holds; the other forms carry a name no
    // element uses.
    const std::string number = "1.2345";
    const std::string forms[] = {"Zq", "Zq*2", "Zq.V", "Zq.V*1"};
    for (const qv::SchematicElement& element : schematic.elements) {
        std::string why;
        const qv::CatalogueElement* type = catalogue.FindNamed(element.id, element.kind, why);
        ASSERT_NE(nullptr, type) << why;
        for (const qv::CatalogueParam& param : type->params) {
            CStringArray units;
            if ((param.type & 0xC) != 0x4 || !qv::UnitsOfQuantity(param.quantity.c_str(), units)) continue;
            if (FirstExampleHolding(element.id) != GetParam() || !swept.insert({type->id, param.name}).second) continue;
            // An element that does not describe alone (it needs the others of its example) has
            // nothing to show. In the parameter's own unit there is nothing to convert.
            if (DescribedWith(element, param.name, number, param.unit).starts_with("(refused) ")) continue;
            for (int u = 0; u < units.GetSize(); ++u) {
                const std::string unit(units[u].view());
                if (unit == param.unit) continue;
                SCOPED_TRACE(element.name + " parameter " + param.name + " in " + unit);
                CString converted;
                ASSERT_TRUE(TBConvertUnits(param.quantity.c_str(), unit.c_str(), number.c_str(), param.unit.c_str(), converted));
                std::string got = DescribedWith(element, param.name, number, unit);
                if (got.starts_with("(refused) ")) {
                    EXPECT_EQ(std::string::npos, got.find('\n')) << got;
                } else {
                    const std::string written(converted.view());
                    std::string rest = got;
                    for (size_t at = rest.find(written); at != std::string::npos; at = rest.find(written, at))
                        rest.replace(at, written.size(), "@");
                    EXPECT_EQ(std::string::npos, rest.find(number)) << "expected as " << written << ":\n" << got;
                }
                CString one;
                CString zero;
                TBConvertUnits(param.quantity.c_str(), unit.c_str(), "1", param.unit.c_str(), one);
                TBConvertUnits(param.quantity.c_str(), unit.c_str(), "0", param.unit.c_str(), zero);
                const std::string factor(one.view());
                const std::string offset(zero.view());
                // In a unit of the same scale as the parameter's, every form stands as typed.
                if (factor == "1" && offset == "0") continue;
                bool refused[std::size(forms)] = {};
                for (size_t f = 0; f < std::size(forms); ++f) {
                    SCOPED_TRACE("given " + forms[f]);
                    got = DescribedWith(element, param.name, forms[f], unit);
                    refused[f] = got.starts_with("(refused) ");
                    if (refused[f]) {
                        EXPECT_EQ(std::string::npos, got.find('\n')) << got;
                        continue;
                    }
                    // Wherever the value stands, it stands with its conversion around it: that
                    // many of the unit given, "((Zq.V)*0.001)" for millivolts.
                    std::string around(qv::ValueInUnit(param.quantity.c_str(), unit.c_str(), forms[f].c_str(),
                                                       param.unit.c_str()).view());
                    if (offset == "0")
                        around = factor == "1" ? forms[f] : "((" + forms[f] + ")*" + factor + ")";
                    for (size_t at = got.find(around); at != std::string::npos; at = got.find(around, at))
                        got.replace(at, around.size(), "@");
                    EXPECT_EQ(std::string::npos, got.find("Zq")) << "expected as " << around << ":\n" << got;
                }
                EXPECT_EQ(refused[2], refused[3]) << "an element's quantity and a formula of one follow one rule";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, SchematicValuesSweep, ::testing::ValuesIn(Examples()), ExampleTestName);

}  // namespace
