#include "editor/param_list_fill.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace qv {

namespace {

// "name := @name", the value quoted for a text value.
void AppendEntry(const CWizardCopaObject3& param, std::string& list) {
    const std::string name = param.GetName().str();
    const bool quoted = (param.GetType() & 0x100000) != 0;
    list += name + " := " + (quoted ? "\"@" + name + "\"" : "@" + name);
}

// The numbers between the parentheses of a macro that begin at `open`, and in `end` the place
// after the ")"; false when the arguments are not numbers (hexadecimal with "0x", or decimal
// with a sign) separated by ",".
bool MacroArguments(const std::string& text, size_t open, std::vector<long long>& numbers, size_t& end) {
    numbers.clear();
    const size_t close = text.find(')', open);
    if (open >= text.size() || text[open] != '(' || close == std::string::npos) return false;
    const std::string inner = text.substr(open + 1, close - open - 1);
    const char* at = inner.c_str();
    for (;;) {
        while (*at == ' ' || *at == '\t') ++at;
        char* after = nullptr;
        errno = 0;
        const bool negative = *at == '-';
        const unsigned long long magnitude = std::strtoull(negative ? at + 1 : at, &after, 0);
        if (after == (negative ? at + 1 : at) || errno != 0 || magnitude > 0x7fffffffffffffffULL) return false;
        numbers.push_back(negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude));
        at = after;
        while (*at == ' ' || *at == '\t') ++at;
        if (*at == '\0') break;
        if (*at++ != ',') return false;
    }
    end = close + 1;
    return true;
}

} // namespace

std::string FillLeftParamList(const ParamHolder& holder, const std::string& text) {
    static const std::string kPlaceholder = "@PARAMLIST";
    const size_t at = text.find(kPlaceholder);
    if (at == std::string::npos) return text;
    std::string list;
    for (int i = 0; i < holder.GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder.GetParam(i);
        if (param == nullptr || param->IsDeleted() || !param->IsInput() || (param->GetType() & 0x2) != 0 ||
            (param->GetExtType() & 0x20000) != 0)
            continue;
        if (!list.empty()) list += ", ";
        AppendEntry(*param, list);
    }
    if (!list.empty()) list += " ";
    return text.substr(0, at) + list + text.substr(at + kPlaceholder.size());
}

std::string ExpandListMacros(const ParamHolder& holder, const std::string& text) {
    static const std::string kList = "@ListCoPa";
    static const std::string kRemove = "@CoPaRemoveCharacters";
    if (text.find(kList) == std::string::npos && text.find(kRemove) == std::string::npos) return text;
    // The lists written so far: their selection and where they end in `out`.
    struct Written {
        long long value;
        long long mask;
        size_t begin;
        size_t end;
    };
    std::vector<Written> lists;
    std::vector<long long> args;
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t next = text.find('@', i);
        if (next == std::string::npos) {
            out.append(text, i, std::string::npos);
            break;
        }
        out.append(text, i, next - i);
        i = next;
        size_t end = 0;
        if (text.compare(i, kList.size(), kList) == 0 && MacroArguments(text, i + kList.size(), args, end) &&
            args.size() == 3) {
            Written list{args[0], args[1], out.size(), out.size()};
            for (int p = 0; p < holder.GetParamCount(); ++p) {
                const CWizardCopaObject3* param = holder.GetParam(p);
                if (param == nullptr || param->IsDeleted() || (param->GetType() & 0x2) != 0 ||
                    (static_cast<long long>(param->GetType()) & args[1]) != args[0] ||
                    (static_cast<long long>(param->GetExtType()) & args[2]) != 0)
                    continue;
                if (out.size() > list.begin) out += ' ';
                AppendEntry(*param, out);
                out += ',';
            }
            list.end = out.size();
            lists.push_back(list);
            i = end;
            continue;
        }
        if (text.compare(i, kRemove.size(), kRemove) == 0 && MacroArguments(text, i + kRemove.size(), args, end) &&
            args.size() == 5 && args[3] >= 0 && args[4] == -1) {
            auto list = lists.rbegin();
            while (list != lists.rend() && !(list->value == args[0] && list->mask == args[1])) ++list;
            if (list != lists.rend()) {
                const size_t count = std::min(static_cast<size_t>(args[3]), list->end - list->begin);
                out.erase(list->end - count, count);
                // The lists written after it moved with the text.
                for (auto later = lists.rbegin(); later != list; ++later) {
                    later->begin -= count;
                    later->end -= count;
                }
                list->end -= count;
                i = end;
                continue;
            }
        }
        out += '@';
        ++i;
    }
    return out;
}

} // namespace qv
