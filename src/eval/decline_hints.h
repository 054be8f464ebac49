// The runs a node spends on fast roads that decline it. A condition or a
// statement whose fast roads all declined (objects compared by a user "<",
// a bool assigned the truth of a test, operands the roads do not know) is
// sent straight to the general road for a while: each decline leaves it
// there for twice as many runs as the one before, up to 64, after which its
// roads are tried again. The general road gives the same answers, so a hint
// chooses only the cost; a node the roads do answer is never held back.

#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "frontend/token.h"

namespace morvu {

// One table per kind of node (KIND is a tag type), so that a condition and
// a statement never share a slot's count.
template <typename KIND>
class DECLINE_HINTS {
public:
    struct SLOT {
        const TOKEN* node = nullptr;
        uint16_t skip = 0;
        uint16_t backoff = 1;
    };

    // The node's slot, found once per run and handed to the calls below.
    static SLOT& slot_of(const TOKEN* node) {
        return slots[(reinterpret_cast<uintptr_t>(node) / alignof(TOKEN)) % slot_count];
    }

    // Whether the node's fast roads are to be skipped this run.
    static bool skips(SLOT& slot, const TOKEN* node) {
        if (slot.node != node || slot.skip == 0) return false;
        --slot.skip;
        return true;
    }

    // A fast road answered for the node: a later decline starts the count
    // anew, so that a node the roads decline now and then (a zero product,
    // a number beyond 64 bits) is not held back for it.
    static void answered(SLOT& slot, const TOKEN* node) {
        if (slot.node == node) slot.node = nullptr;
    }

    // Every fast road declined the node this run. The first decline after
    // an answer holds nothing back; each one after it holds back twice as
    // many runs as the one before.
    static void declined(SLOT& slot, const TOKEN* node) {
        if (slot.node != node) {
            slot = SLOT{node, 0, 1};
            return;
        }
        slot.skip = slot.backoff;
        slot.backoff = static_cast<uint16_t>(std::min(slot.backoff * 2, 64));
    }

private:
    static constexpr size_t slot_count = 256;
    static inline SLOT slots[slot_count];
};

}  // namespace morvu
