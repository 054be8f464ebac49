#include "values/weak_cell.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "values/union_data.h"

namespace morvu {

namespace {

// The first hold on each held cell, by cell: open addressing with linear
// probing, as a walk makes and drops the holds on its loop variables at
// every run.
class HOLD_HEADS {
public:
    // The head of the cell's chain, made null when the cell has none yet.
    WEAK_CELL*& head_of(const UNION_DATA* cell) {
        if (2 * (count + 1) > entries.size()) grow();
        size_t at = home(cell);
        while (entries[at].cell != nullptr && entries[at].cell != cell) at = (at + 1) & mask();
        if (entries[at].cell == nullptr) {
            entries[at] = ENTRY{cell, nullptr};
            ++count;
        }
        return entries[at].head;
    }
    // The head of the cell's chain, or null when it has none.
    WEAK_CELL* find(const UNION_DATA* cell) const {
        for (size_t at = home(cell); entries[at].cell != nullptr; at = (at + 1) & mask()) {
            if (entries[at].cell == cell) return entries[at].head;
        }
        return nullptr;
    }
    // Drops the cell's entry, if any; the entries after it in its run move
    // up, so that every entry stays reachable from its home slot.
    void erase(const UNION_DATA* cell) {
        size_t at = home(cell);
        while (entries[at].cell != cell) {
            if (entries[at].cell == nullptr) return;
            at = (at + 1) & mask();
        }
        for (size_t next = (at + 1) & mask(); entries[next].cell != nullptr; next = (next + 1) & mask()) {
            const size_t wanted = home(entries[next].cell);
            // The entry may move into the gap when its home does not lie
            // in the cyclic range after the gap up to itself.
            const bool stays = at < next ? (wanted > at && wanted <= next) : (wanted > at || wanted <= next);
            if (stays) continue;
            entries[at] = entries[next];
            at = next;
        }
        entries[at] = ENTRY{};
        --count;
    }

private:
    struct ENTRY {
        const UNION_DATA* cell = nullptr;
        WEAK_CELL* head = nullptr;
    };
    std::vector<ENTRY> entries = std::vector<ENTRY>(64);
    size_t count = 0;

    size_t mask() const { return entries.size() - 1; }
    size_t home(const UNION_DATA* cell) const {
        return static_cast<size_t>((reinterpret_cast<uintptr_t>(cell) >> 4) * 0x9E3779B97F4A7C15ull >> 20) & mask();
    }
    void grow() {
        std::vector<ENTRY> old(entries.size() * 2);
        old.swap(entries);
        for (const ENTRY& entry : old) {
            if (entry.cell == nullptr) continue;
            size_t at = home(entry.cell);
            while (entries[at].cell != nullptr) at = (at + 1) & mask();
            entries[at] = entry;
        }
    }
};

// Never destroyed: cells and holds that live until the process ends may
// still reach it during static destruction.
HOLD_HEADS& chain_heads() {
    static auto* heads = new HOLD_HEADS();
    return *heads;
}

}  // namespace

WEAK_CELL::WEAK_CELL(const WEAK_CELL& other) : was_cut(other.was_cut) { attach(other.target); }

WEAK_CELL& WEAK_CELL::operator=(const WEAK_CELL& other) {
    if (this == &other) return *this;
    detach();
    attach(other.target);
    was_cut = other.was_cut;
    return *this;
}

void WEAK_CELL::reset(UNION_DATA* cell) {
    detach();
    was_cut = false;
    attach(cell);
}

void WEAK_CELL::attach(UNION_DATA* cell) {
    target = cell;
    if (cell == nullptr) return;
    WEAK_CELL*& head = chain_heads().head_of(cell);
    next = head;
    prev = nullptr;
    if (head != nullptr) head->prev = this;
    head = this;
    cell->weak_held = 1;
}

void WEAK_CELL::detach() {
    if (target == nullptr) return;
    if (prev != nullptr) {
        prev->next = next;
        if (next != nullptr) next->prev = prev;
    } else if (next != nullptr) {
        next->prev = nullptr;
        chain_heads().head_of(target) = next;
    } else {
        chain_heads().erase(target);
        target->weak_held = 0;
    }
    target = nullptr;
    prev = nullptr;
    next = nullptr;
}

namespace {

// Takes the chain of holds on the cell out of the table: its first hold, or
// null when nothing holds the cell.
WEAK_CELL* take_holds(UNION_DATA* cell) {
    HOLD_HEADS& heads = chain_heads();
    cell->weak_held = 0;
    WEAK_CELL* first = heads.find(cell);
    if (first != nullptr) heads.erase(cell);
    return first;
}

}  // namespace

void cut_weak_cells(UNION_DATA* cell) {
    for (WEAK_CELL* hold = take_holds(cell); hold != nullptr;) {
        WEAK_CELL* following = hold->next;
        hold->target = nullptr;
        hold->was_cut = true;
        hold->prev = nullptr;
        hold->next = nullptr;
        hold = following;
    }
}

void move_weak_cells(UNION_DATA* from, UNION_DATA* to) {
    if (from->weak_held == 0 || from == to) return;
    for (WEAK_CELL* hold = take_holds(from); hold != nullptr;) {
        WEAK_CELL* following = hold->next;
        const bool was_cut = hold->was_cut;
        hold->target = nullptr;  // already out of the old chain
        hold->attach(to);
        hold->was_cut = was_cut;
        hold = following;
    }
}

}  // namespace morvu
