#include "wizard/environment.h"

#include <string>

namespace {

std::string& InstallFolder() {
    static std::string folder;
    return folder;
}

std::string& LanguageModulePath() {
    static std::string path;
    return path;
}

WORD& CurrentLanguage() {
    static WORD language = kLanguageEnglish;
    return language;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

} // namespace

CString GetQuorvatixPath() {
    return CString(InstallFolder().c_str());
}

BOOL GetQuorvatixLanguage(HMODULE, CString& first, CString& path) {
    first.Empty();
    path = LanguageModulePath().c_str();
    return path.IsEmpty() ? FALSE : TRUE;
}

int ExpandRelativePath(CString* path, CString base) {
    if (path == nullptr || path->IsEmpty()) return 0;
    std::string rel(static_cast<LPCTSTR>(*path));
    if (IsSeparator(rel[0])) return 0;
    for (char& c : rel)
        if (c == '\\') c = '/';
    while (rel.size() >= 2 && rel[0] == '.' && rel[1] == '/') rel.erase(0, 2);
    std::string result(static_cast<LPCTSTR>(base));
    for (char& c : result)
        if (c == '\\') c = '/';
    if (!result.empty() && result.back() != '/') result += '/';
    result += rel;
    *path = result.c_str();
    return 1;
}

namespace qv {

void SetQuorvatixPath(const char* folder) {
    std::string value = folder != nullptr ? folder : "";
    if (!value.empty() && !IsSeparator(value.back())) value += '/';
    InstallFolder() = value;
}

void SetLanguageModulePath(const char* path) {
    LanguageModulePath() = path != nullptr ? path : "";
}

WORD GetCurrentLanguageID() { return CurrentLanguage(); }

void SetCurrentLanguageID(WORD language) { CurrentLanguage() = language; }

WORD LanguageDependentText(const CMap<WORD, WORD, CString, LPCTSTR>& map, CString& out) {
    out.Empty();
    const WORD current = GetCurrentLanguageID();
    if (map.Lookup(current, out)) return current;
    if (map.Lookup(kLanguageEnglish, out)) return kLanguageEnglish;
    bool found = false;
    WORD best = 0;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        WORD key = 0;
        CString value;
        map.GetNextAssoc(pos, key, value);
        if (!found || key < best) {
            best = key;
            out = value;
            found = true;
        }
    }
    if (!found) out.Empty();
    return found ? best : 0;
}

} // namespace qv
