// A store for many blocks of one size that live and die in bulk: the nodes
// of lists and hash buckets. Blocks are cut from slabs of slab_bytes, each
// aligned to its own size, so a block finds its slab by masking its
// address; a slab has no per-block header, and blocks cut one after another
// lie one after another in memory.
//
// Each slab keeps its own list of given-back blocks and a count of the
// blocks handed out. The slabs with room are chained, the one allocated
// from at the head; a full slab leaves the chain and rejoins it at the tail
// when a block comes back. A slab whose last block comes back is freed, but
// one empty slab is kept aside, so that a list growing and shrinking across
// a slab boundary does not take and free a slab each time.
//
// Sanitizer builds allocate every block plainly (pool_blocks), so that a use
// after free or a leak is still reported where it happens.
// The pool is process-wide: the interpreter runs its program on one thread
// at a time.

#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "runtime/memory_pages.h"

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

// A class opts in by routing its own operator new and delete through
// SLAB_POOL<itself>; blocks of any other size (a derived class) pass to the
// global operator new and delete. POOLED is false only in sanitizer builds
// (tests may set it to exercise the slabs there too).
template <typename OWNER, std::size_t SLAB_BYTES = std::size_t{1} << 20, bool POOLED = pool_blocks>
class SLAB_POOL {
    static constexpr std::size_t BLOCK_BYTES = sizeof(OWNER);  // a multiple of the owner's alignment
    static_assert((SLAB_BYTES & (SLAB_BYTES - 1)) == 0, "slabs are aligned to their size");
    static_assert(BLOCK_BYTES >= sizeof(void*) && alignof(OWNER) >= alignof(void*), "a block holds a link");

    struct FREE_BLOCK {
        FREE_BLOCK* next;
    };
    struct SLAB {
        SLAB* prev;  // in the chain of slabs with room
        SLAB* next;
        FREE_BLOCK* given_back;  // reused before the fresh end is cut further
        std::uint32_t live;      // blocks handed out and not given back
        std::uint32_t cut;       // blocks cut from the fresh end so far
        bool chained;
    };

    static constexpr std::size_t first_block = (sizeof(SLAB) + alignof(OWNER) - 1) / alignof(OWNER) * alignof(OWNER);

public:
    static constexpr std::uint32_t blocks_per_slab =
        static_cast<std::uint32_t>((SLAB_BYTES - first_block) / BLOCK_BYTES);
    static_assert(blocks_per_slab >= 2, "a slab holds several blocks");

    static void* allocate(std::size_t size) {
        if (!POOLED || size != BLOCK_BYTES) return ::operator new(size);
        SLAB* slab = with_room != nullptr ? with_room : open_slab();
        void* block;
        if (slab->given_back != nullptr) {
            block = slab->given_back;
            slab->given_back = slab->given_back->next;
        } else {
            block = reinterpret_cast<char*>(slab) + first_block + std::size_t{slab->cut} * BLOCK_BYTES;
            ++slab->cut;
        }
        if (++slab->live == blocks_per_slab) unchain(slab);
        return block;
    }

    static void release(void* block, std::size_t size) noexcept {
        if (block == nullptr) return;
        if (!POOLED || size != BLOCK_BYTES) {
            ::operator delete(block);
            return;
        }
        auto* slab = reinterpret_cast<SLAB*>(reinterpret_cast<std::uintptr_t>(block) & ~(SLAB_BYTES - 1));
        auto* entry = static_cast<FREE_BLOCK*>(block);
        entry->next = slab->given_back;
        slab->given_back = entry;
        if (slab->live-- == blocks_per_slab) chain_at_tail(slab);
        if (slab->live == 0) retire(slab);
    }

    // Slabs held, the spare one included: for tests.
    static std::size_t slab_count() { return slabs_held; }

private:
    static SLAB* open_slab() {
        SLAB* slab = spare;
        spare = nullptr;
        if (slab == nullptr) {
            slab = static_cast<SLAB*>(::operator new (SLAB_BYTES, std::align_val_t{SLAB_BYTES}));
            // A pool that outgrows its first slab is filling many: their
            // pages are committed at once. A small program keeps one slab
            // per pool and touches only what it uses.
            if (slabs_held > 0) commit_pages(slab, SLAB_BYTES);
            ++slabs_held;
        }
        *slab = SLAB{nullptr, nullptr, nullptr, 0, 0, false};
        chain_at_tail(slab);
        return slab;
    }

    static void chain_at_tail(SLAB* slab) noexcept {
        slab->prev = last_with_room;
        slab->next = nullptr;
        if (last_with_room != nullptr) last_with_room->next = slab;
        else with_room = slab;
        last_with_room = slab;
        slab->chained = true;
    }

    static void unchain(SLAB* slab) noexcept {
        if (slab->prev != nullptr) slab->prev->next = slab->next;
        else with_room = slab->next;
        if (slab->next != nullptr) slab->next->prev = slab->prev;
        else last_with_room = slab->prev;
        slab->prev = slab->next = nullptr;
        slab->chained = false;
    }

    // An empty slab: kept as the spare, or freed when there is one.
    static void retire(SLAB* slab) noexcept {
        if (slab->chained) unchain(slab);
        if (spare == nullptr) {
            spare = slab;
            return;
        }
        ::operator delete (slab, std::align_val_t{SLAB_BYTES});
        --slabs_held;
    }

    static inline SLAB* with_room = nullptr;
    static inline SLAB* last_with_room = nullptr;
    static inline SLAB* spare = nullptr;
    static inline std::size_t slabs_held = 0;
};

}  // namespace morvu
