// The parsed form of a resource script: the single source of the library's dialogs,
// strings, menus and bitmaps. The script uses a documented subset of the standard
// resource-script syntax (see docs/resource-script.md); the parser lives in
// resource_script.cpp and every module that carries resources embeds its script text.
#pragma once

#include "wintypes.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv {

// One control of a dialog template, with the state it starts with.
struct RcControl {
    std::string statement;   // "CONTROL", "LTEXT", "EDITTEXT", "PUSHBUTTON", "COMBOBOX", ...
    std::string text;        // caption (bytes in Windows-1252)
    int id = -1;             // control ID (-1 for IDC_STATIC)
    std::string windowClass; // "Button", "Edit", "Static", "ComboBox", "ListBox", "SysListView32", "msctls_updown32", ...
    DWORD style = 0;         // full style bits, the statement's implied bits included
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::vector<std::string> items; // initial list entries (from the DLGINIT block)
    int imageId = 0;         // bitmap/icon resource a static names by number instead of a caption
    int line = 0;            // script line of the statement, for diagnostics
};

struct RcDialog {
    int id = 0;
    bool extended = false;   // DIALOGEX
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string caption;
    std::string fontName;
    int fontSize = 0;
    int menuId = 0;          // MENU statement (0: none)
    std::string windowClass; // CLASS statement (empty: the standard dialog class)
    std::vector<RcControl> controls;

    // The control with the given ID, nullptr when there is none.
    const RcControl* FindControl(int controlId) const {
        for (const RcControl& control : controls)
            if (control.id == controlId)
                return &control;
        return nullptr;
    }
};

struct RcMenuItem {
    std::string text;
    int id = 0;              // 0 for separators and popups
    bool popup = false;
    bool separator = false;
    bool grayed = false;
    bool checked = false;
    bool inactive = false;
    bool menuBarBreak = false;
    std::vector<RcMenuItem> children;
};

struct RcMenu {
    int id = 0;
    std::vector<RcMenuItem> items;
};

struct RcBitmap {
    int id = 0;
    std::string file;        // file name as written in the script
    int width = 0;           // size in pixels, from the file when it can be read, else 0
    int height = 0;
};

struct ResourceScript {
    std::map<std::string, long> symbols;   // #define NAME value
    std::map<UINT, std::string> strings;   // STRINGTABLE entries, escapes resolved
    std::map<int, RcDialog> dialogs;
    std::map<int, RcMenu> menus;
    std::map<int, RcBitmap> bitmaps;
};

// Raised for a script that does not follow the subset; the text names the line.
class ResourceScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    ResourceScriptError(int line, const std::string& message)
        : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
    // Line of the script where the error was found (0 when not tied to a line).
    int line() const { return line_; }

private:
    int line_ = 0;
};

// Parses a whole script. Throws ResourceScriptError on malformed input; never crashes.
ResourceScript ParseResourceScript(const std::string& text);
// As above; bitmap sizes are read from the .bmp files found in bitmapDir (a file that is
// absent or unreadable keeps the size the script gives, else 0).
ResourceScript ParseResourceScript(const std::string& text, const std::string& bitmapDir);

} // namespace qv
