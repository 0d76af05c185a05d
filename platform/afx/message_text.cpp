#include "afx/message_text.h"

namespace qv {

namespace {

// The part of the text a message shows, and what follows it when the text was cut.
std::string_view Head(std::string_view text) {
    if (text.size() <= kMaxQuotedBytes) return text;
    size_t end = kMaxQuotedBytes;
    // A UTF-8 sequence is not split: the cut moves back over its continuation bytes, which a
    // sequence has at most three of.
    for (int back = 0; back < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80; ++back) --end;
    return text.substr(0, end);
}

std::string Length(std::string_view text) {
    return text.size() <= kMaxQuotedBytes ? std::string() : "... (" + std::to_string(text.size()) + " bytes)";
}

// How a byte of a path is shown: a line break or another control byte would end the message's
// line or hide what follows, so it is written as an escape, as the journal writes a line break
// ("\\n"); a backslash is doubled, so that an escape and a backslash of the name stay apart.
std::string ShownByte(char c) {
    switch (c) {
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    case '\\': return "\\\\";
    default: break;
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) return std::string(1, c);
    static const char digits[] = "0123456789abcdef";
    return std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
}

std::string ShownBytes(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) shown += ShownByte(c);
    return shown;
}

} // namespace

std::string ShownPath(std::string_view path) {
    size_t shownSize = 0;
    for (const char c : path) shownSize += ShownByte(c).size();
    if (shownSize <= kMaxShownPathBytes) return ShownBytes(path);
    // The end takes what the file name needs of its share (and a little of the folder before
    // it); the start takes the rest. Both shares count the bytes as shown, escapes included.
    constexpr size_t kMark = 3;
    constexpr size_t kTail = 110;
    constexpr size_t kHead = kMaxShownPathBytes - kMark - kTail;
    const auto continues = [&](size_t at) { return (static_cast<unsigned char>(path[at]) & 0xC0) == 0x80; };
    size_t headEnd = 0;
    for (size_t used = 0; used + ShownByte(path[headEnd]).size() <= kHead; ++headEnd) used += ShownByte(path[headEnd]).size();
    size_t tailStart = path.size();
    for (size_t used = 0; used + ShownByte(path[tailStart - 1]).size() <= kTail; --tailStart)
        used += ShownByte(path[tailStart - 1]).size();
    // Both cuts lie before a whole character: the start's moves back, the end's forward, over
    // continuation bytes.
    while (headEnd > 0 && continues(headEnd)) --headEnd;
    while (tailStart < path.size() && continues(tailStart)) ++tailStart;
    return ShownBytes(path.substr(0, headEnd)) + "..." + ShownBytes(path.substr(tailStart));
}

std::string Excerpt(std::string_view text) { return std::string(Head(text)) + Length(text); }

std::string Quoted(std::string_view text) {
    // A message box's text has line breaks of its own ("... already exists.\nDo you want to
    // replace it?"): shown as escapes, the quoted text never ends the message's line. A
    // backslash stays single here, as a user typed it.
    std::string shown;
    for (const char c : Head(text)) shown += c == '\\' ? std::string(1, c) : ShownByte(c);
    return '"' + shown + '"' + Length(text);
}

} // namespace qv
