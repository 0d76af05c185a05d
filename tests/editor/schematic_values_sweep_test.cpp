// What a received schematic gives an element cannot change what its description is made of:
// each input parameter of each element of each example is given bad values of every kind (the
// values the page sweep types) in the schematic itself, and describing it either refuses with
// one line that names the element, or writes the same entries, by name and count, as with a
// plain value. A name given in another unit than the parameter's is described with the
// conversion around it, wherever it stands.
#include "tests/editor/page_sweep.h"

#include "editor/catalogue.h"
#include "toolkit/tb_units.h"
#include "wizard/requests.h"

#include <string>
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
    // Describes the element alone with the parameter given the value: the description, or
    // "(refused) " and the host's message.
    std::string DescribedWith(const qv::SchematicElement& element, const std::string& param, const std::string& value,
                              const std::string& unit = "") {
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
        std::vector<std::string> written;
        std::string error;
        const std::string path = (folder / "d.desc").string();
        if (!host->DescribeSchematic(alone, folder.string() + "/", path, written, error)) return "(refused) " + error;
        return qv_test::ReadFile(path);
    }
};

TEST_P(SchematicValuesSweep, EveryValueDescribesAsOneValueOrIsRefusedInOneLine) {
    qv::Catalogue catalogue;
    std::string error;
    ASSERT_TRUE(catalogue.LoadFolder(PARVEL_MODULE_DIR "/catalogue/", error)) << error;
    host = std::make_unique<qv::Host>();
    ASSERT_TRUE(host->Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
    for (const qv::SchematicElement& element : schematic.elements) {
        std::string why;
        const qv::CatalogueElement* type = catalogue.FindNamed(element.id, element.kind, why);
        ASSERT_NE(nullptr, type) << why;
        std::vector<std::string> inputs;
        for (const qv::CatalogueParam& param : type->params)
            if ((param.type & 0xC) == 0x4) inputs.push_back(param.name);
        // A name in the last unit of its quantity other than the parameter's own.
        for (const qv::CatalogueParam& param : type->params) {
            CStringArray units;
            if ((param.type & 0xC) != 0x4 || !qv::UnitsOfQuantity(param.quantity.c_str(), units)) continue;
            std::string other;
            for (int u = 0; u < units.GetSize(); ++u)
                if (std::string(units[u].view()) != param.unit) other = units[u].view();
            if (other.empty()) continue;
            const std::string got = DescribedWith(element, param.name, "Zq", other);
            SCOPED_TRACE(element.name + " parameter " + param.name + " given Zq in " + other);
            if (got.starts_with("(refused) ")) {
                EXPECT_EQ(std::string::npos, got.find('\n')) << got;
                continue;
            }
            for (size_t at = got.find("Zq"); at != std::string::npos; at = got.find("Zq", at + 1))
                EXPECT_TRUE(at >= 2 && got.compare(at - 2, 2, "((") == 0 && got.compare(at + 2, 1, ")") == 0) << got;
        }
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
    }
}

// A name the host hands out to an element (the one its wizard asks the editor for, as the
// nonlinear elements name their tables) is unique over the whole schematic: an element placed
// after it or before it with that very name never shares it, in whichever order describe makes
// them, each described as soon as it is made.
TEST_P(SchematicValuesSweep, EveryNameTheHostHandsOutIsUniqueWhateverTheOrder) {
    std::string error;
    host = std::make_unique<qv::Host>();
    ASSERT_TRUE(host->Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
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

INSTANTIATE_TEST_SUITE_P(Examples, SchematicValuesSweep, ::testing::ValuesIn(Examples()), ExampleTestName);

}  // namespace
