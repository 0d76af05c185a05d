// The formula modules loaded as the wizards load them, and the corpus file's format.
#pragma once

#include "formula/formel.h"
#include "win32/module.h"

#include <string>
#include <vector>

namespace formula_test {

struct Modules {
    HMODULE pravent = nullptr;
    HMODULE ombrix = nullptr;
    Fml2UpnFunc fml2upn = nullptr;
    UbhvBlock2UpnFunc block2upn = nullptr;
    UpnToSimplifyStringFunc simplify = nullptr;

    Modules() {
        pravent = LoadLibraryA(PARVEL_MODULE_DIR "/Pravent.dll");
        ombrix = LoadLibraryA(PARVEL_MODULE_DIR "/Ombrix.dll");
        if (pravent != nullptr) {
            fml2upn = reinterpret_cast<Fml2UpnFunc>(GetProcAddress(pravent, "Fml2Upn"));
            block2upn = reinterpret_cast<UbhvBlock2UpnFunc>(GetProcAddress(pravent, "UbhvBlock2Upn"));
        }
        if (ombrix != nullptr)
            simplify = reinterpret_cast<UpnToSimplifyStringFunc>(GetProcAddress(ombrix, "UpnToSimplifyString"));
    }
    ~Modules() {
        if (pravent != nullptr) FreeLibrary(pravent);
        if (ombrix != nullptr) FreeLibrary(ombrix);
    }
    Modules(const Modules&) = delete;
    Modules& operator=(const Modules&) = delete;
};

// Corpus texts are written with the escapes \r, \n, \t, \\ and \xNN.
inline std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        if (c == 'r') out += '\r';
        else if (c == 'n') out += '\n';
        else if (c == 't') out += '\t';
        else if (c == 'x' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else out += c;
    }
    return out;
}

inline std::string Escape(const std::string& s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\\') out += "\\\\";
        else if (c < 0x20 || c >= 0x7f) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else out += static_cast<char>(c);
    }
    return out;
}

} // namespace formula_test
