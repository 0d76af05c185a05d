// The fuzz input as the readers get it: copied into a buffer of exactly its size, so that a
// read past the end is seen by the sanitizer, or loaded through an archive that ends on the
// first refusal. Only the stand-in framework is needed, so targets without the editor use it
// too.
#pragma once

#include "afx/archive.h"
#include "afx/exceptions.h"
#include "afx/file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace fuzzsetup {

// The bytes in a buffer of their size (one byte when there are none); a reader that takes
// the buffer over frees it with delete[].
inline std::unique_ptr<BYTE[]> ExactCopy(const uint8_t* data, size_t size) {
    std::unique_ptr<BYTE[]> copy(new BYTE[size == 0 ? 1 : size]);
    std::copy(data, data + size, copy.get());
    return copy;
}

// read(ar) on an archive that loads a copy of the bytes; TRUE when it ends without an
// archive refusal.
template <class Read>
bool ReadArchive(const std::vector<BYTE>& bytes, Read read) {
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.empty() ? nullptr : copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        read(ar);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return true;
}

// The object reads the bytes through Serialize; an archive refusal ends the reading.
template <class Object>
void SerializeFrom(Object& object, const std::vector<BYTE>& bytes) {
    ReadArchive(bytes, [&](CArchive& ar) { object.Serialize(ar); });
}

} // namespace fuzzsetup
