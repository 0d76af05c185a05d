// Edit fields of the toolkit.
#include "toolkit/tb_edits.h"

#include <algorithm>
#include <dirent.h>
#include <string>
#include <vector>

IMPLEMENT_DYNAMIC(CTBOwnEdit, CEdit)
IMPLEMENT_DYNAMIC(CTBBrowseEdit, CTBOwnEdit)

void CTBBrowseEdit::GetCompletions(CStringArray& out) const {
    out.RemoveAll();
    if (!m_autoComplete || !GetSafeHwnd()) return;
    CString textC;
    GetWindowText(textC);
    std::string text(static_cast<LPCTSTR>(textC));
    // Folder part and name prefix; both separators are accepted as in every path here.
    size_t sep = text.find_last_of("/\\");
    std::string folder = sep == std::string::npos ? std::string() : text.substr(0, sep + 1);
    std::string prefix = sep == std::string::npos ? text : text.substr(sep + 1);
    std::string open = folder.empty() ? std::string(".") : folder;
    std::replace(open.begin(), open.end(), '\\', '/');
    std::vector<std::string> names;
    if (DIR* dir = opendir(open.c_str())) {
        while (dirent* e = readdir(dir)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(folder + name);
            if (names.size() >= 1000) break;
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) out.Add(CString(n.c_str()));
}
