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

// A block of one size class of POOLED_ALLOCATOR.
template <std::size_t BYTES>
struct POOLED_BYTES {
    alignas(std::max_align_t) unsigned char bytes[BYTES];
};

// A standard allocator whose small arrays (up to 64 bytes) come from the
// block pools of three size classes: the short vectors that every copy of
// a small object makes and drops (its member cells, its groups) touch the
// heap no more than the object's own record does. Larger arrays pass to
// the global operator new.
template <typename T>
struct POOLED_ALLOCATOR {
    using value_type = T;

    POOLED_ALLOCATOR() noexcept = default;
    template <typename U>
    POOLED_ALLOCATOR(const POOLED_ALLOCATOR<U>&)
    noexcept {}

    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes <= 16) return static_cast<T*>(BLOCK_POOL<POOLED_BYTES<16>>::allocate(16));
        if (bytes <= 32) return static_cast<T*>(BLOCK_POOL<POOLED_BYTES<32>>::allocate(32));
        if (bytes <= 64) return static_cast<T*>(BLOCK_POOL<POOLED_BYTES<64>>::allocate(64));
        return static_cast<T*>(::operator new(bytes));
    }

    void deallocate(T* block, std::size_t n) noexcept {
        const std::size_t bytes = n * sizeof(T);
        if (bytes <= 16) BLOCK_POOL<POOLED_BYTES<16>>::release(block, 16);
        else if (bytes <= 32) BLOCK_POOL<POOLED_BYTES<32>>::release(block, 32);
        else if (bytes <= 64) BLOCK_POOL<POOLED_BYTES<64>>::release(block, 64);
        else ::operator delete(block);
    }

    template <typename U>
    bool operator==(const POOLED_ALLOCATOR<U>&) const noexcept {
        return true;
    }
};

}  // namespace morvu
