// Profile files ("INI" files) with the semantics of the original platform's profile
// functions: sections and keys match case-insensitively, blanks around names and values are
// dropped, a value in matching quotes loses them, lines starting with ';' are comments.
// A file given without a folder lives in the profile folder (see SetProfileFolder), as the
// original kept such files in its system folder.
#pragma once

#include "wintypes.h"

#include <string>

// Copies the value (or `defaultValue`, trailing blanks removed, when the key is absent) into
// `buffer`, truncated to size-1 characters; returns the number of characters copied, size-1
// when it had to cut. A null section copies the names of all sections, a null key the names
// of all keys of the section, each terminated by '\0' and the list by one more '\0'; when
// such a list does not fit it is cut and the answer is size-2. A null buffer or a zero size
// copies nothing and returns 0.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName);
// The leading decimal number of the value (with its sign); 0 for a value that does not
// start with a number; `defaultValue` when the key is absent.
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName);
// Sets a key (a null value removes the key, a null key removes the whole section). Creates
// the file when needed. The file is replaced atomically. Returns FALSE when it cannot be
// written.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);

// The same on the per-user profile file (qv::UserProfilePath()).
DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size);
UINT GetProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue);
BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value);

namespace qv {
// $QV_USER_PROFILE when set, else $XDG_CONFIG_HOME/quorvatix/user.ini, else
// $HOME/.config/quorvatix/user.ini.
std::string UserProfilePath();
// A batch (one run of the host over many elements): from BeginProfileBatch on, each profile
// file is read once, and writes that change it are held and written once, by EndProfileBatch
// (false when a file could not be written). Changes made to the files by others during the
// batch are not seen.
void BeginProfileBatch();
bool EndProfileBatch();
// The folder of profile files named without a folder ("Lumo70.ini"); the host sets it to
// the installation folder. Empty (the default) means the current folder.
void SetProfileFolder(const std::string& folder);
std::string ProfileFolder();
} // namespace qv
