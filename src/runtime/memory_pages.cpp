#include "runtime/memory_pages.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace morvu {

void commit_pages(void* start, std::size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
    static const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(start) + page - 1) & ~(page - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(page - 1);
    // A failure (an older kernel) only means the pages come on first touch.
    if (end > first) (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)start;
    (void)bytes;
#endif
}

void require_room(double bytes) {
    static const double budget = [] {
        double total = static_cast<double>(::sysconf(_SC_PHYS_PAGES)) * static_cast<double>(::sysconf(_SC_PAGESIZE));
        rlimit limit{};
        if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            total = std::min(total, static_cast<double>(limit.rlim_cur));
        return total > 0 ? total : 1e18;
    }();
    if (bytes > budget) throw std::bad_alloc();
}

}  // namespace morvu
