#include "editor/text_codec.h"

#include "afx/message_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace qv {
namespace {

// Characters of the bytes 0x80 to 0x9F; 0 stands for a byte the code page leaves undefined.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t CharOfByte(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        const char32_t mapped = kHighControls[byte - 0x80];
        return mapped != 0 ? mapped : byte;
    }
    return byte;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool ByteOfChar(char32_t c, unsigned char& byte) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        byte = static_cast<unsigned char>(c);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        const char32_t mapped = kHighControls[i];
        if ((mapped != 0 && mapped == c) || (mapped == 0 && c == static_cast<char32_t>(0x80 + i))) {
            byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

// Decodes the UTF-8 sequence that starts at text[i] into its character and its length in
// bytes. False for a malformed one: a stray or missing continuation byte, a sequence cut off
// by the end, an overlong form, a surrogate or a value beyond U+10FFFF.
bool DecodeUtf8At(const std::string& text, size_t i, char32_t& c, size_t& length) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        c = lead;
        length = 1;
        return true;
    }
    if ((lead & 0xE0) == 0xC0) {
        c = lead & 0x1F;
        length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
        c = lead & 0x0F;
        length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
        c = lead & 0x07;
        length = 4;
    } else {
        return false;
    }
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return false;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    return c >= kMinimum[length] && !(c >= 0xD800 && c <= 0xDFFF) && c <= 0x10FFFF;
}

} // namespace

bool IsUtf8(const std::string& text) {
    char32_t c = 0;
    for (size_t i = 0, length = 0; i < text.size(); i += length)
        if (!DecodeUtf8At(text, i, c, length)) return false;
    return true;
}

std::string MessageToUtf8(const std::string& message) { return IsUtf8(message) ? message : Cp1252ToUtf8Text(message); }

std::string Cp1252ToUtf8Text(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    size_t i = 0;
    while (i < text.size()) {
        // A run of ASCII, which nearly every model text is, stands for itself in both.
        const auto high = std::find_if(text.begin() + static_cast<std::ptrdiff_t>(i), text.end(),
                                       [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; });
        const size_t run = static_cast<size_t>(high - text.begin());
        out.append(text, i, run - i);
        if (run == text.size()) break;
        AppendUtf8(out, CharOfByte(static_cast<unsigned char>(text[run])));
        i = run + 1;
    }
    return out;
}

std::string PathToUtf8(const std::string& path) {
    if (std::all_of(path.begin(), path.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }))
        return path;
    std::string out;
    out.reserve(path.size() + path.size() / 8);
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string component = path.substr(start, end - start);
        out += IsUtf8(component) ? component : Cp1252ToUtf8Text(component);
        if (end < path.size()) out += '/';
        start = end + 1;
    }
    return out;
}

bool Utf8ToCp1252(const std::string& text, std::string& out, std::string& error) {
    // Plain ASCII, which nearly every text of a schematic is, stands for itself in both.
    if (std::all_of(text.begin(), text.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; })) {
        out = text;
        return true;
    }
    std::string result;
    result.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t c = 0;
        size_t length = 0;
        if (!DecodeUtf8At(text, i, c, length)) {
            error = "malformed UTF-8 at byte " + std::to_string(i);
            return false;
        }
        unsigned char byte = 0;
        if (!ByteOfChar(c, byte)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            error = std::string("character ") + code + " at byte " + std::to_string(i) +
                    " has no place in the Windows-1252 code page";
            return false;
        }
        result += static_cast<char>(byte);
        i += length;
    }
    out = std::move(result);
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = ShownPath(path) + ": cannot be read";
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

} // namespace qv
