// How the host's messages show a text that came from the user (a value, a name, a script line,
// a path): never more than its first kMaxQuotedBytes bytes, so that a damaged or hostile input
// of many megabytes gives a message of one line, not megabytes of standard error. A path is
// shown with its beginning and its end, so that the file it names stays in the message.
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
// A control byte is shown escaped, as in ShownPath, so that the message stays one line.
std::string Quoted(std::string_view text);

// The most bytes of a path that a message shows.
constexpr size_t kMaxShownPathBytes = 160;

// The path as it stands when it has at most kMaxShownPathBytes bytes; otherwise cut in its
// middle to that length, "/home/ann/pro...ts/run 7/out/P__L3.mdx": the start tells where it
// lies and the end keeps the file name (whole when the name has at most 100 bytes). No UTF-8
// sequence is split. A control byte is shown escaped ("\n", "\r", "\t", "\x01"), and a
// backslash doubled, so that a message that shows a path is always one line.
std::string ShownPath(std::string_view path);

} // namespace qv
