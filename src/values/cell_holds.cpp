#include "values/cell_holds.h"

#include "values/assign_rules.h"
#include "values/value_copy.h"

namespace morvu {

std::vector<UNION_DATA*> held_cells;
size_t held_count = 0;

namespace {

// A block let go while held.
struct DEFERRED_BLOCK {
    void* block;
    UNION_DATA* cell;
    UNION_DATA* other;
    BLOCK_RELEASE release;

    bool held() const { return is_held(cell) || is_held(other); }
};

// Never destroyed: a process that ends in the middle of an operation leaves
// its deferred blocks reachable.
std::vector<DEFERRED_BLOCK>& deferred_blocks() {
    static auto* blocks = new std::vector<DEFERRED_BLOCK>();
    return *blocks;
}

void release_cell(void* cell) { delete static_cast<UNION_DATA*>(cell); }

// Destroys the deferred blocks none of whose cells is held. Destroying one
// may let go further held cells inside it; they join the list and wait for
// their own holds. It runs as holds end, also while an error unwinds, and
// allocates nothing.
void release_unheld_blocks() {
    std::vector<DEFERRED_BLOCK>& blocks = deferred_blocks();
    for (size_t i = 0; i < blocks.size();) {
        if (blocks[i].held()) {
            ++i;
            continue;
        }
        const DEFERRED_BLOCK entry = blocks[i];
        blocks[i] = blocks.back();
        blocks.pop_back();
        entry.release(entry.block);  // what it lets go of joins the end, held
    }
}

}  // namespace

void release_holds(size_t depth) {
    while (held_count > depth) held_cells[--held_count]->in_use = 0;
    if (!deferred_blocks().empty()) release_unheld_blocks();
}

void hold_cell(UNION_DATA* cell) {
    if (cell->in_use != 0) return;
    if (held_count == held_cells.size()) held_cells.push_back(cell);  // a failed push leaves no flag
    else held_cells[held_count] = cell;
    ++held_count;
    cell->in_use = 1;
}

void hold_items(const RESULT_NODE* from) {
    for (; from != nullptr; from = from->next) hold_item(from->item);
}

void hold_named_cell(UNION_DATA* cell) {
    cell = follow_aliases(cell);
    if (cell->scope_variable == 0) hold_cell(cell);
}

bool is_let_go(const UNION_DATA* cell) {
    if (!is_held(cell)) return false;
    for (const DEFERRED_BLOCK& entry : deferred_blocks()) {
        if (entry.cell == cell || entry.other == cell) return true;
    }
    return false;
}

namespace {

// Whether the cell is a let-go held cell or lies inside the value of one.
bool lies_in_let_go(const UNION_DATA* cell) {
    for (const DEFERRED_BLOCK& entry : deferred_blocks()) {
        for (const UNION_DATA* held : {entry.cell, entry.other}) {
            if (held != nullptr && (held == cell || is_within_value(held, cell))) return true;
        }
    }
    return false;
}

}  // namespace

void keep_let_go_values(RESULT_NODE* from) {
    if (deferred_blocks().empty()) return;
    for (RESULT_NODE* node = from; node != nullptr; node = node->next) {
        RESULT_ITEM& item = node->item;
        UNION_DATA* cell = item.cell;
        if (cell == nullptr) continue;
        UNION_DATA* value = cell;
        while (is_link_cell(value) && value->target() != nullptr) value = value->target();
        if (!lies_in_let_go(value)) continue;
        auto* copy = new UNION_DATA(tag_any);
        if (assign_value(copy, value) != nullptr) {
            delete copy;
            continue;
        }
        if (item.owned != 0) delete cell;
        item.cell = copy;
        item.owned = 1;
    }
}

void defer_release(void* block, UNION_DATA* cell, UNION_DATA* other, BLOCK_RELEASE release) {
    deferred_blocks().push_back(DEFERRED_BLOCK{block, cell, other, release});
}

void defer_held_cell(UNION_DATA* cell) { defer_release(cell, cell, nullptr, release_cell); }

}  // namespace morvu
