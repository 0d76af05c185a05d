// What a received schematic gives an element cannot change what its description is made of:
// each input parameter of each element of each example is given bad values of every kind (the
// values the page sweep types) in the schematic itself, and describing it either refuses with
// one line that names the element, or writes the same entries, by name and count, as with a
// plain value. A name given in another unit than the parameter's is described with the
// conversion around it, wherever it stands.
#include "tests/editor/page_sweep.h"

#include "editor/catalogue.h"
#include "toolkit/tb_units.h"

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
        return Described(alone);
    }

    std::string Described(const qv::Schematic& alone) {
        std::vector<std::string> written;
        std::string error;
        const std::string path = (folder / "d.desc").string();
        if (!host->DescribeSchematic(alone, folder.string() + "/", path, written, error)) return "(refused) " + error;
        return qv_test::ReadFile(path);
    }
};

// Values that wizards write into the text as they stand (a file reference, a characteristic's
// variable) and that hold a double quote, at their start or within.
const char* const kQuotedValues[] = {"\"x\"); BAD BAD2 ( Q := 1", "\"q\"", "x\"); BAD BAD2 ( Q := \"1"};

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

INSTANTIATE_TEST_SUITE_P(Examples, SchematicValuesSweep, ::testing::ValuesIn(Examples()), ExampleTestName);

}  // namespace
