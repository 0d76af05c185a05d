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

std::string Excerpt(std::string_view text) { return std::string(Head(text)) + Length(text); }

std::string Quoted(std::string_view text) { return '"' + std::string(Head(text)) + '"' + Length(text); }

} // namespace qv
