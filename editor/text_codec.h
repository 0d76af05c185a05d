// Conversions between the system's 8-bit code page (Windows-1252), in which every text of
// the editor and the plug-in is kept, and UTF-8, in which the host's files and its output
// are written; and the reading of such a file as a whole.
#pragma once

#include <string>

namespace qv {

// Every byte becomes its character; the five bytes that the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number, as the
// platform's own conversion does. Line ends and tabs stay as they are.
std::string Cp1252ToUtf8Text(const std::string& text);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const std::string& text);

// A message of the host for output: messages mix texts of the editor and the plug-in
// (Windows-1252) with paths from the command line (UTF-8 on this system). A message that is
// well-formed UTF-8 as it stands is kept; any other is converted from Windows-1252, so that
// what is printed is always UTF-8.
std::string MessageToUtf8(const std::string& message);

// The name on disk of a path as the editor and the plug-in hold it. Such a path joins folders
// the host was given (UTF-8, as every path of the command line) with names typed into the
// system (Windows-1252): each component that is well-formed UTF-8 stays as it is, and any
// other is converted from Windows-1252. A component that is both (such as "\xC3\xA9", which
// the code page reads as two letters) is taken as UTF-8; the schematic reader refuses file
// names that would be read so.
std::string PathToUtf8(const std::string& path);

// UTF-8 to Windows-1252. False (and `out` unchanged) for malformed UTF-8 or a character that
// the code page cannot hold; `error` then says which and where.
bool Utf8ToCp1252(const std::string& text, std::string& out, std::string& error);

// The bytes of a file, unconverted. False (and `text` unchanged) when the file cannot be
// opened; `error` then says "<path>: cannot be read".
bool ReadWholeFile(const std::string& path, std::string& text, std::string& error);

} // namespace qv
