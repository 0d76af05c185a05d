#include "framework/table_memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <limits>
#include <new>

namespace qv::tables {

namespace {

std::uint64_t MemoryTheProcessMayTake() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    std::uint64_t limit = pages > 0 && pageSize > 0
                              ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)
                              : std::numeric_limits<std::uint64_t>::max();
    rlimit space{};
    if (::getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY &&
        static_cast<std::uint64_t>(space.rlim_cur) < limit)
        limit = static_cast<std::uint64_t>(space.rlim_cur);
    return limit;
}

} // namespace

bool FitsInMemory(std::uint64_t points, std::uint64_t bytesPerPoint) {
    if (bytesPerPoint != 0 && points > std::numeric_limits<std::uint64_t>::max() / bytesPerPoint) return false;
    return points * bytesPerPoint <= MemoryTheProcessMayTake();
}

void RequireMemoryFor(std::uint64_t points, std::uint64_t bytesPerPoint) {
    if (!FitsInMemory(points, bytesPerPoint)) throw std::bad_alloc();
}

CString NotEnoughMemoryText(std::uint64_t points) {
    CString text;
    text.Format("Not enough memory for a table of %llu points.", static_cast<unsigned long long>(points));
    return text;
}

} // namespace qv::tables
