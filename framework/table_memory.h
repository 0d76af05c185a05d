// Tables whose size only their bytes and the machine's memory bound. A table read from a file
// is bounded by the file's bytes; one that is generated (a sweep of typed values) by nothing
// but memory. Building one that cannot fit would not fail cleanly: the system lends memory it
// does not have and ends the process once the table touches it. So the size is checked first,
// and a table that does not fit, or memory that runs out while it is built, is one refusal
// with this message.
#pragma once

#include "afx/cstring.h"
#include "afx/exceptions.h"

#include <cstdint>
#include <new>

namespace qv::tables {
// True when `points` points of `bytesPerPoint` bytes each fit in the memory the process may
// take: the machine's physical memory, or the address-space limit when that is smaller.
bool FitsInMemory(std::uint64_t points, std::uint64_t bytesPerPoint);
// Throws std::bad_alloc, as an allocation would, when the points do not fit.
void RequireMemoryFor(std::uint64_t points, std::uint64_t bytesPerPoint);
// "Not enough memory for a table of N points."
CString NotEnoughMemoryText(std::uint64_t points);

// Runs `step`, which builds a table of `points` points and leaves what it changes as it was
// when it throws. Memory running out in it (std::bad_alloc, or the framework's memory
// exception from its collections) gives false after `refuse` was called with the message.
template <class Step, class Refuse>
bool BuildWithinMemory(std::uint64_t points, Step&& step, Refuse&& refuse) {
    try {
        step();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (CMemoryException* e) {
        e->Delete();
    }
    refuse(NotEnoughMemoryText(points));
    return false;
}
} // namespace qv::tables
