// Data pairs as older element data stores them: the pairs as doubles, and the 4.x block that
// both the data-pairs time function and the 2D lookup table read.
#pragma once

#include "tests/support/archive_bytes.h"

#include <utility>
#include <vector>

namespace qv_test {

// Each pair as double x, then double y.
inline void PairDoubles(Bytes& out, const std::vector<std::pair<double, double>>& pairs) {
    for (auto [x, y] : pairs) {
        Double(out, x);
        Double(out, y);
    }
}

// A 4.x block: 52 bytes the readers skip, DWORD n, two fields each as a WORD length and its
// bytes, then the pairs. A length other than 0xFFFF is written in place of the field's own,
// for blocks whose lengths do not fit their data.
inline Bytes PairBlock4x(DWORD n, const Bytes& first, const Bytes& second,
                         const std::vector<std::pair<double, double>>& pairs, WORD firstLength = 0xFFFF,
                         WORD secondLength = 0xFFFF) {
    Bytes out(52, 0xAB);
    Dword(out, n);
    Word(out, firstLength == 0xFFFF ? static_cast<WORD>(first.size()) : firstLength);
    Append(out, first);
    Word(out, secondLength == 0xFFFF ? static_cast<WORD>(second.size()) : secondLength);
    Append(out, second);
    PairDoubles(out, pairs);
    return out;
}

} // namespace qv_test
