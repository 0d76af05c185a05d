// Model-text placeholder primitives: replacing one "@NAME" occurrence, replacing every
// occurrence in one pass, and reading a named section of the module's template file.
#pragma once

#include <cstddef>

#include "afx/afx.h"

// Replaces one occurrence of placeholder in text by value. Without wholeToken the first
// occurrence is taken; with it the first occurrence that ends the text or is followed by a
// delimiter (or a placeholder that is the single character "@"). Returns 1 when one
// occurrence was replaced, 0 when the text is unchanged (also for an empty placeholder).
BOOL ReplacePlaceholder(CString& text, const char* placeholder, const char* value, BOOL wholeToken);

// Replaces every occurrence of placeholder by value in one forward pass: inserted text is
// never searched again, so a value that contains the placeholder cannot loop. An empty
// placeholder replaces nothing. Returns the number of replacements.
int ReplaceEveryOccurrence(CString& text, const char* placeholder, const char* value);

// On entry keyAndResult holds a section key ("[IF]"); on return the text of every section
// that follows a line containing the key in the module's template file, with CR LF line
// ends. Returns 1 when the template file was read, 0 when it could not be found or opened.
BOOL LoadTemplateSection(CString& keyAndResult);

// The section scan over a template file's bytes, as LoadTemplateSection applies it.
// Lines end with LF or CR LF; a line longer than 99 characters arrives in pieces of at
// most 99 characters, and each piece counts as a line.
CString ExtractTemplateSection(const char* data, size_t length, const CString& key);

// Path of the template file of a module: "<module dir>/Template/<module base name>.skl".
CString TemplatePathForModule(const CString& modulePath);
