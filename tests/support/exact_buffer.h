// A heap copy of bytes with nothing behind them: older data handed to a converter in it lets
// the sanitizer see any read past the block's end, which a vector's spare capacity would hide.
#pragma once

#include "tests/support/archive_bytes.h"

#include <algorithm>
#include <memory>

namespace qv_test {

class ExactBuffer {
public:
    explicit ExactBuffer(const Bytes& bytes) : m_data(new BYTE[bytes.size()]), m_size(bytes.size()) {
        std::copy(bytes.begin(), bytes.end(), m_data.get());
    }
    BYTE* Data() const { return m_data.get(); }
    // The start of the bytes, or nullptr when there are none (the editor's "no data").
    BYTE* DataOrNull() const { return m_size == 0 ? nullptr : m_data.get(); }
    long Size() const { return static_cast<long>(m_size); }

private:
    std::unique_ptr<BYTE[]> m_data;
    size_t m_size;
};

} // namespace qv_test
