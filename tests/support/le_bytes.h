// Little-endian numbers appended to a byte buffer, as archives and data blocks store them:
// for building the exact input a loader is given in a test.
#pragma once

#include "win32/wintypes.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace qv_test {

using Bytes = std::vector<BYTE>;

inline void AddWord(Bytes& out, WORD value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}
inline void AddDword(Bytes& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}
inline void AddDouble(Bytes& out, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<BYTE>(bits >> (8 * i)));
}

} // namespace qv_test
