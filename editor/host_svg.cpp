// The svg command: an element's symbol or the preview of its characteristic.

#include "editor/host_shared.h"
#include "editor/output_files.h"

#include "afx/dc.h"
#include "afx/module_state.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"
#include "editor/characteristic_forms.h"
#include "editor/param_list_fill.h"
#include "editor/text_codec.h"
#include "toolkit/read_write_files.h"
#include "toolkit/shortest_number.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"
#include "win32/win32.h"
#include "wizard/environment.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory_resource>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <sys/stat.h>
#include <unistd.h>

namespace qv {

using namespace host_detail;

struct Host::DrawSink : ElementSink {
    const std::string& name;
    bool found = false;
    explicit DrawSink(const std::string& n) : name(n) {}
    bool Begin(size_t, std::string&) override { return true; }
    bool Take(Element& element, std::string&) override {
        if (element.source.name == name) found = keepLast = true;
        return true;
    }
};

bool Host::DrawSchematicText(const std::string& text, const std::string& documentFolder, const std::string& name,
                             const std::function<bool(std::string&)>& draw, std::string& error, bool* textFault) {
    // The first reading finds any fault of the text before an element is made.
    std::string document;
    size_t count = 0;
    bool named = false;
    m_namesAhead.clear();
    const SchematicElementTaker look = [&](SchematicElement& element, std::string&) {
        ++count;
        m_namesAhead.push_back(element.name);
        named = named || element.name == name;
        return true;
    };
    const bool read = ReadSchematicElements(text, document, look, error);
    if (textFault != nullptr) *textFault = !read;
    if (!read) return false;
    // An element takes another name only when its script types one on its page: where no
    // element is given the name, one of those with a script may take it. Once the element is
    // found, the rest of the text is only read.
    DrawSink sink(name);
    const SchematicElementTaker make = [&](SchematicElement& element, std::string& makeError) {
        if (sink.found) return true;
        if (named ? element.name == name : !element.script.empty()) return BuildElement(element, makeError);
        m_editor->AddNameInUse(element.name);
        return true;
    };
    const auto drawFound = [&](std::string& drawError) {
        if (sink.found) return draw(drawError);
        drawError = "the schematic has no " + ElementLabel(name);
        return false;
    };
    return BuildText(text, document, count, documentFolder, sink, error, drawFound, make);
}

bool Host::SymbolSvg(const std::string& name, const std::string& path, std::string& error) {
    Element* element = FindElement(name);
    if (element == nullptr) {
        error = "the schematic has no " + ElementLabel(name);
        return false;
    }
    const ParamHolder* holder = m_editor->Holder(element->handle);
    const std::string text = element->type->SymbolText(GetCurrentLanguageID());
    if (text.empty()) {
        error = ElementLabel(name) + ": its kind has no symbol";
        return false;
    }
    constexpr int kSize = 200;
    CTBDrawSymbol symbol(CRect(0, 0, kSize, kSize));
    if (!symbol.LoadSymbols(ToCString(text))) {
        error = ElementLabel(name) + ": its symbol cannot be read: " + ToString(symbol.GetErrorText());
        return false;
    }
    symbol.SetCurMask(holder->m_bySymbolVariant);
    CDC dc;
    dc.SetDeviceSize(kSize, kSize);
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* old = dc.SelectObject(&pen);
    symbol.Draw(&dc, CRect(0, 0, kSize, kSize));
    dc.SelectObject(old);
    return WriteWholeFile(path, dc.RenderSvg(), error);
}

bool Host::PreviewSvg(const std::string& name, const std::string& path, std::string& error) {
    Element* element = FindElement(name);
    if (element == nullptr) {
        error = "the schematic has no " + ElementLabel(name);
        return false;
    }
    std::vector<std::string> lines;
    if (!element->type->HasCharacteristic()) {
        // A page that draws a preview of its own (the time functions) shows it with its "Show".
        lines = {"click " + std::to_string(kXyShow), "preview " + QuoteScriptText(path), "cancel"};
    } else {
        // The characteristic of the form the element has: the second form has its own button.
        SchematicCharacteristic now;
        std::string readError;
        const bool second = ReadCharacteristic(*element, now, readError) && now.form == 2;
        const CatalogueCharacteristicControls& controls = element->type->characteristic;
        lines = {"sheet cancel {", "click " + std::to_string(kXyShow), "preview " + QuoteScriptText(path), "}",
                 "click " + std::to_string(second ? controls.button2 : controls.button), "cancel"};
    }
    std::vector<ScriptAction> actions;
    if (!ParseEditScript(lines, actions, error)) return false;
    EditOutcome outcome;
    std::string writeError;
    if (!RunEdit(*element, actions, outcome, error, &writeError)) {
        // The page drew its preview, but the file could not take it: that alone is the fault.
        if (!writeError.empty()) {
            error = writeError;
            return false;
        }
        error += "\n(the preview needs a page with a preview of its own, or a nonlinear element whose characteristic is "
                 "a table of data pairs)";
        return false;
    }
    // The picture in place is the end of the command's writing.
    return OutputFiles::Current().Settle(true, &error);
}


} // namespace qv
