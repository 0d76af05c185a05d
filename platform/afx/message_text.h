// How the host's messages show a text that came from the user (a value, a name, a script line,
// a path): never more than its first kMaxQuotedBytes bytes, so that a damaged or hostile input
// of many megabytes gives a message of one line, not megabytes of standard error.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// The most bytes of one text that a message shows.
constexpr size_t kMaxQuotedBytes = 200;

// The text as it stands when it has at most kMaxQuotedBytes bytes; otherwise its first
// kMaxQuotedBytes bytes (fewer when that would split a UTF-8 sequence) and how long it is:
// `abc... (1048576 bytes)`.
std::string Excerpt(std::string_view text);

// The text in double quotes, bounded as Excerpt bounds it: `"abc"` or `"abc"... (1048576 bytes)`.
std::string Quoted(std::string_view text);

} // namespace qv
