// Small byte-text helpers shared by the toolkit's readers (numbers, units table, data
// files, symbol texts) and the plug-in's number parsing. Letter case and white space are
// decided in ASCII only, never by the user's locale: bytes above 127 are neither blanks nor
// letters here, whatever the sign of char.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace qv::text {

// A blank inside a line: space, tab, or the CR left over from a CRLF line end.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// White space as the "C" locale defines it (line ends, vertical tab and form feed too).
inline bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// `s` without blanks (IsBlank) at either end.
inline std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The value of a hexadecimal digit (either case), or -1.
inline int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The words of `s` separated by runs of blanks; none for a blank or empty text.
inline std::vector<std::string_view> SplitBlanks(std::string_view s)
{
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && !IsBlank(s[i]))
            ++i;
        if (i > start)
            fields.push_back(s.substr(start, i - start));
    }
    return fields;
}

}  // namespace qv::text
