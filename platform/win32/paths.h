// Path helpers of the C run-time the system uses. Paths have no drive here: the drive part
// is always empty. Both '/' and '\\' separate components when splitting (names from older
// data may carry backslashes); joining writes '/'.
#pragma once

#include "wintypes.h"

#include <string>

// A path here may be as long as the system takes (PATH_MAX, 4096 bytes with its terminator),
// not the 260 of the platform the system was written for: a folder deeper than that, such as
// a temporary folder in a deep checkout, would otherwise be cut and name another file. A name
// stays within NAME_MAX (255).
#define _MAX_PATH 4096
#define _MAX_DRIVE 3
#define _MAX_DIR 4096
#define _MAX_FNAME 256
#define _MAX_EXT 256

// The temporary folder ($TMPDIR, else /tmp/), always ending with '/'. Returns its length
// when it fits in `size` with the terminator; otherwise copies nothing and returns the size
// needed, terminator included.
DWORD GetTempPathA(DWORD size, LPSTR buffer);

// Splits a path into drive (always empty), folder (with its trailing separator), file name
// and extension (with its dot; the part after the last dot of the last component). Any
// out-pointer may be null. Each part is cut to fit the buffer size the caller is documented
// to pass (_MAX_DRIVE, _MAX_DIR, _MAX_FNAME, _MAX_EXT) rather than overflow it.
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
// Joins the parts: a folder without a trailing separator gets '/', an extension without a
// leading dot gets one. The result is cut to _MAX_PATH-1 characters.
void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext);
// 0 when the file is accessible in `mode` (0 exists, 2 write, 4 read, 6 both), else -1.
int _access(const char* path, int mode);

namespace qv {
// True when a file may be written by renaming a finished temporary file over `path`: the
// path names nothing yet, or a regular file (links are followed). A folder, a device or a
// pipe is never replaced that way.
bool IsReplaceableFile(const char* path);

// Another user's symbolic link that FollowLinks would not follow: its path (absolute, no link on
// the way to it) and its owner.
struct RefusedLink {
    std::string path;
    unsigned owner = 0;
};

// The path `path` leads to, every symbolic link on the way followed, as an absolute path without
// links: what realpath gives, but walked one part at a time, so that the rule the system's
// protected-links setting keeps holds whatever that setting: in a sticky folder that everyone
// may write into (/tmp and the like), only a link of the user's own (the effective user) or of
// the folder's owner is followed. Another user's link there could lead a write of the user's
// onto any file the user may write. Such a link fails the walk with errno EACCES, and names
// itself in `refused`. With `lastMayBeMissing`, a last part that does not exist (a new file, or
// where a dangling link leads) ends the walk. False with errno otherwise (ELOOP after 40 links).
// Paths are names on disk.
bool FollowLinks(const std::string& path, bool lastMayBeMissing, std::string& real, RefusedLink* refused = nullptr);

// The name on disk of a path the system names in its code page. The system keeps its texts,
// file names included, as Windows-1252 bytes, while the file systems this port runs on name
// files in UTF-8: the program that runs the system says how one becomes the other, once,
// before any file is touched. Without a converter a path stands for itself. Every file the
// stand-in layer opens, tests, renames or removes for the system is named through this.
std::string DiskPath(const char* path);
void SetDiskPathConverter(std::string (*converter)(const std::string& path));
}
