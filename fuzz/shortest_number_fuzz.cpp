// Reads the input as doubles (eight bytes each, little-endian bit patterns; a shorter tail is
// padded with zeros) and writes each with the toolkit's shortest-number formatter. The text
// must be byte for byte what std::to_chars writes without a format or a precision, stay
// within kShortestNumberMaxLength bytes, and read back to the same double.
#include "toolkit/shortest_number.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (std::size_t offset = 0; offset < size; offset += 8) {
        std::uint64_t bits = 0;
        for (std::size_t i = 0; i < 8 && offset + i < size; ++i)
            bits |= static_cast<std::uint64_t>(data[offset + i]) << (8 * i);
        const double value = std::bit_cast<double>(bits);

        char ours[qv::kShortestNumberMaxLength + 8];
        std::memset(ours, '#', sizeof ours);
        const char* end = qv::WriteShortestNumber(ours, value);
        const auto length = static_cast<std::size_t>(end - ours);
        char reference[64];
        const auto result = std::to_chars(reference, reference + sizeof reference, value);
        const auto referenceLength = static_cast<std::size_t>(result.ptr - reference);
        if (length != referenceLength || std::memcmp(ours, reference, length) != 0) {
            std::fprintf(stderr, "bits 0x%016llx: written \"%.*s\", std::to_chars writes \"%.*s\"\n",
                         static_cast<unsigned long long>(bits), static_cast<int>(length), ours,
                         static_cast<int>(referenceLength), reference);
            std::abort();
        }
        for (std::size_t i = qv::kShortestNumberMaxLength; i < sizeof ours; ++i)
            if (ours[i] != '#')
                std::abort();
        if (std::isfinite(value)) {
            double back = 0.0;
            const auto read = std::from_chars(ours, end, back);
            if (read.ec != std::errc() || read.ptr != end || std::bit_cast<std::uint64_t>(back) != bits)
                std::abort();
        }
    }
    return 0;
}
