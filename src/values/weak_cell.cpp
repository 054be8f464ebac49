#include "values/weak_cell.h"

#include <unordered_map>

#include "values/union_data.h"

namespace morvu {

namespace {

// The first hold on each held cell. Never destroyed: cells and holds that
// live until the process ends may still reach it during static destruction.
std::unordered_map<const UNION_DATA*, WEAK_CELL*>& chain_heads() {
    static auto* heads = new std::unordered_map<const UNION_DATA*, WEAK_CELL*>();
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
    WEAK_CELL*& head = chain_heads()[cell];
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
        chain_heads()[target] = next;
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
    auto& heads = chain_heads();
    auto found = heads.find(cell);
    cell->weak_held = 0;
    if (found == heads.end()) return nullptr;
    WEAK_CELL* first = found->second;
    heads.erase(found);
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
