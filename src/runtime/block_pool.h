// A recycling store for the small objects that evaluation makes and drops
// by the million: value cells, int payloads, result-list nodes. A class opts
// in by routing its own operator new and delete through BLOCK_POOL<itself>.
//
// Freed blocks of exactly sizeof(OWNER) bytes go onto a process-wide free
// list threaded through their first word, and the next allocation of that
// size takes the newest one back, so a steady loop touches the heap no more.
// The list is bounded: a burst of frees beyond max_free goes back to the heap.
// Blocks on the list stay reachable and are never given back. Any other size
// (a derived class) passes straight to the global operator new and delete.
//
// Sanitizer builds allocate every block plainly, so that a use after free or
// a leak is still reported where it happens. The lists are plain globals:
// the interpreter runs its program on one thread at a time.

#pragma once

#include <cstddef>
#include <new>

namespace morvu {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool pool_blocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool pool_blocks = false;
#else
inline constexpr bool pool_blocks = true;
#endif
#else
inline constexpr bool pool_blocks = true;
#endif

template <typename OWNER>
class BLOCK_POOL {
public:
    static constexpr std::size_t max_free = std::size_t{1} << 16;

    static void* allocate(std::size_t size) {
        if (pool_blocks && size == sizeof(OWNER) && free_blocks != nullptr) {
            FREE_BLOCK* block = free_blocks;
            free_blocks = block->next;
            --free_count;
            return block;
        }
        return ::operator new(size);
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
        ::operator delete(block);
    }

private:
    struct FREE_BLOCK {
        FREE_BLOCK* next;
    };
    static_assert(sizeof(OWNER) >= sizeof(FREE_BLOCK), "a pooled block must hold a link");

    static inline FREE_BLOCK* free_blocks = nullptr;
    static inline std::size_t free_count = 0;
};

}  // namespace morvu
