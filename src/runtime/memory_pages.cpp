#include "runtime/memory_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

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

}  // namespace morvu
