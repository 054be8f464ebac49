// A recycling store for the small objects that evaluation makes and drops
// by the million: value cells, int payloads, result-list nodes. A class opts
// in by routing its own operator new and delete through BLOCK_POOL<itself>.
//
// Freed blocks of exactly sizeof(OWNER) bytes go onto a process-wide free
// list threaded through their first word, and the next allocation of that
// size takes the newest one back, so a steady loop touches the heap no more.
// Blocks the list cannot give come from the slabs of SLAB_POOL<OWNER>, so
// many live blocks lie side by side without a heap header each. The list is
// bounded: a burst of frees beyond max_free goes back to the slabs, which
// give an emptied slab back to the heap. Blocks on the list stay reachable.
// Any other size (a derived class) passes straight to the global operator
// new and delete.
//
// Sanitizer builds allocate every block plainly, so that a use after free or
// a leak is still reported where it happens. The lists are plain globals:
// the interpreter runs its program on one thread at a time.

#pragma once

#include <cstddef>
#include <new>

#include "runtime/slab_pool.h"

namespace morvu {

template <typename OWNER>
class BLOCK_POOL {
public:
    // Bounded in bytes, so that large blocks (a hash's record) keep no more
    // idle memory than small ones: 2 MiB, and never fewer than 64 blocks.
    static constexpr std::size_t max_free_bytes = std::size_t{1} << 21;
    static constexpr std::size_t max_free = max_free_bytes / sizeof(OWNER) > 64 ? max_free_bytes / sizeof(OWNER) : 64;

    static void* allocate(std::size_t size) {
        if (pool_blocks && size == sizeof(OWNER) && free_blocks != nullptr) {
            FREE_BLOCK* block = free_blocks;
            free_blocks = block->next;
            --free_count;
            return block;
        }
        return from_slabs(size);
    }

    static void release(void* block, std::size_t size) noexcept {
        if (block == nullptr) return;
        if (pool_blocks && size == sizeof(OWNER) && free_count < max_free) {
            auto* entry = static_cast<FREE_BLOCK*>(block);
            entry->next = free_blocks;
            free_blocks = entry;
            ++free_count;
            return;
        }
        to_slabs(block, size);
    }

private:
    // Out of line: the free list is the path every call site inlines.
    [[gnu::noinline]] static void* from_slabs(std::size_t size) { return SLAB_POOL<OWNER>::allocate(size); }
    [[gnu::noinline]] static void to_slabs(void* block, std::size_t size) noexcept {
        SLAB_POOL<OWNER>::release(block, size);
    }

    struct FREE_BLOCK {
        FREE_BLOCK* next;
    };
    static_assert(sizeof(OWNER) >= sizeof(FREE_BLOCK), "a pooled block must hold a link");

    static inline FREE_BLOCK* free_blocks = nullptr;
    static inline std::size_t free_count = 0;
};

}  // namespace morvu
