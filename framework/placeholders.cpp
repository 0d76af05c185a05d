#include "framework/placeholders.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/module.h"
#include "framework/path_parts.h"
#include "win32/win32.h"

namespace {

// Characters after which a placeholder counts as a whole token.
constexpr char kTokenDelimiters[] = "\t:={[]}()!%&$~;,<> /\\\n\r@";

std::string ToStd(const CString& s) { return std::string(static_cast<const char*>(s), static_cast<size_t>(s.GetLength())); }

CString FromStd(const std::string& s) { return CString(s.c_str(), static_cast<int>(s.size())); }

bool EndsToken(const std::string& text, size_t end) {
    if (end >= text.size()) return true;
    const char next = text[end];
    return next != '\0' && std::strchr(kTokenDelimiters, next) != nullptr;
}

} // namespace

BOOL ReplacePlaceholder(CString& text, const char* placeholder, const char* value, BOOL wholeToken) {
    if (placeholder == nullptr || *placeholder == '\0') return 0;
    if (value == nullptr) value = "";
    const std::string source = ToStd(text);
    const size_t length = std::strlen(placeholder);
    const bool singleAt = length == 1 && placeholder[0] == '@';

    size_t at = source.find(placeholder, 0, length);
    if (wholeToken) {
        // Overlapping occurrences are examined too: each search starts one character
        // after the start of the occurrence just rejected.
        while (at != std::string::npos && !singleAt && !EndsToken(source, at + length))
            at = source.find(placeholder, at + 1, length);
    }
    if (at == std::string::npos) return 0;

    std::string result;
    result.reserve(source.size() - length + std::strlen(value));
    result.append(source, 0, at);
    result.append(value);
    result.append(source, at + length, std::string::npos);
    text = FromStd(result);
    return 1;
}

int ReplaceEveryOccurrence(CString& text, const char* placeholder, const char* value) {
    if (placeholder == nullptr || *placeholder == '\0') return 0;
    if (value == nullptr) value = "";
    const std::string source = ToStd(text);
    const size_t length = std::strlen(placeholder);
    std::string result;
    int count = 0;
    size_t from = 0;
    for (size_t at = source.find(placeholder, 0, length); at != std::string::npos;
         at = source.find(placeholder, from, length)) {
        result.append(source, from, at - from);
        result.append(value);
        from = at + length;
        ++count;
    }
    if (count == 0) return 0;
    result.append(source, from, std::string::npos);
    text = FromStd(result);
    return count;
}

CString ExtractTemplateSection(const char* data, size_t length, const CString& key) {
    // The file is read as text: CR LF becomes LF before lines are cut, as a text-mode
    // stream does, so files written with either line end give the same sections.
    std::string content;
    content.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        if (data[i] == '\r' && i + 1 < length && data[i + 1] == '\n') continue;
        content.push_back(data[i]);
    }

    // Pieces as a line reader with a buffer of 100 characters yields them.
    constexpr size_t kPiece = 99;
    size_t pos = 0;
    auto nextLine = [&](std::string& line) {
        if (pos >= content.size()) return false;
        size_t end = pos;
        while (end < content.size() && end - pos < kPiece) {
            if (content[end++] == '\n') break;
        }
        line.assign(content, pos, end - pos);
        pos = end;
        return true;
    };

    const std::string wanted = ToStd(key);
    std::string section;
    std::string line;
    while (nextLine(line)) {
        if (line.find(wanted) == std::string::npos) continue;
        bool more = false;
        while ((more = nextLine(line)) && line.find('[') == std::string::npos) section += line;
        if (!more) break;
    }

    std::string result;
    result.reserve(section.size());
    for (char c : section) {
        if (c == '\n') result += "\r\n";
        else result += c;
    }
    return FromStd(result);
}

CString TemplatePathForModule(const CString& modulePath) {
    PathParts parts = SplitPath(modulePath);
    parts.dir += "Template/";
    parts.ext = ".skl";
    return JoinPath(parts);
}

BOOL LoadTemplateSection(CString& keyAndResult) {
    const CString key = keyAndResult;
    keyAndResult.Empty();

    char modulePath[MAX_PATH] = {};
    if (GetModuleFileNameA(g_hModule, modulePath, MAX_PATH) == 0) return 0;
    const CString path = TemplatePathForModule(CString(modulePath));

    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return 0;
    std::vector<char> bytes;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);

    keyAndResult = ExtractTemplateSection(bytes.data(), bytes.size(), key);
    return 1;
}
