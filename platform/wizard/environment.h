// The editor's environment as the plug-in sees it: installation folder, language module,
// current language, relative-path expansion. The host (or a test) sets the values.
#pragma once

#include "afx/afx.h"

// English (United States): the fallback language of every language-dependent text.
constexpr WORD kLanguageEnglish = 0x409;

// Installation folder of the editor, ending in '/'; empty until the host sets it.
CString GetQuorvatixPath();

// Fills path with the full path of the language-resource module from the host's
// configuration; empty when none is configured. first is emptied and not otherwise used.
// Returns TRUE when a path was given.
BOOL GetQuorvatixLanguage(HMODULE module, CString& first, CString& path);

// Turns a relative directory into one based on base (a '/' is put between them when base
// does not end in a separator; backslashes of older data become '/'). Absolute directories
// (starting with '/' or '\\') and empty texts stay as they are. Returns 1 when the text was
// changed, else 0.
int ExpandRelativePath(CString* path, CString base);

namespace qv {
void SetQuorvatixPath(const char* folder);
void SetLanguageModulePath(const char* path);
// The user-interface language of the editor (0x409 until set).
WORD GetCurrentLanguageID();
void SetCurrentLanguageID(WORD language);
// The text of a per-language map in the current language, else English, else the lowest
// language ID (so that the choice does not depend on hashing); the language taken, 0 (and an
// empty text) when the map is empty.
WORD LanguageDependentText(const CMap<WORD, WORD, CString, LPCTSTR>& map, CString& out);
} // namespace qv
