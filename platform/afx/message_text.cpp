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

} // namespace

std::string ShownPath(std::string_view path) {
    if (path.size() <= kMaxShownPathBytes) return std::string(path);
    // The end takes what the file name needs of its share (and a little of the folder before
    // it); the start takes the rest.
    constexpr size_t kMark = 3;
    constexpr size_t kTail = 110;
    constexpr size_t kHead = kMaxShownPathBytes - kMark - kTail;
    const auto continues = [&](size_t at) { return (static_cast<unsigned char>(path[at]) & 0xC0) == 0x80; };
    // Both cuts lie before a whole character: the start's moves back, the end's forward, over
    // continuation bytes.
    size_t headEnd = kHead;
    while (headEnd > 0 && continues(headEnd)) --headEnd;
    size_t tailStart = path.size() - kTail;
    while (tailStart < path.size() && continues(tailStart)) ++tailStart;
    return std::string(path.substr(0, headEnd)) + "..." + std::string(path.substr(tailStart));
}

std::string Excerpt(std::string_view text) { return std::string(Head(text)) + Length(text); }

std::string Quoted(std::string_view text) { return '"' + std::string(Head(text)) + '"' + Length(text); }

} // namespace qv
