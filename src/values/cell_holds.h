// Holds on the cells an operation is using. An operation that works on a cell
// it does not own holds that cell until it ends, so that code running in its
// middle cannot free the cell under it: a call its receiver (a user method's
// own object included) while the arguments and the body run; an operator
// its left operand (an element or member) while the right one is evaluated;
// a call or statement an argument while a later argument runs code, and
// every argument that code of the program run by the operation itself (an
// object's out or in) could remove. Walks pin what they read on their own
// (values/walk_pins.h).
//
// A held cell carries the in_use flag. An owner that lets such a cell go (a
// container removing an element, an object record dying, a variable's stack
// node popped) changes its own structure as usual, but hands the block that
// embeds the cell (the cell itself, a list node, a graph node or edge, a
// pair, a stack node) to the deferred list instead of destroying it. To the
// program the cell is gone at once; the block is destroyed when none of its
// cells is held any more, the way its owner would have destroyed it.
//
// Holds nest like the operations that make them: they live on one stack, and
// a HOLD_SCOPE releases the holds made since it began when it ends, on every
// way out. A cell held already is not pushed again, since the enclosing hold
// outlasts every inner one. A declared variable's own cell outlives every
// operation of its activation, and a temporary the operation owns is freed by
// no one else: neither is held, so the common operands cost a flag test.

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "values/result_list.h"
#include "values/union_data.h"

namespace morvu {

// The cells held, innermost last: held_cells[0] to held_cells[held_count - 1].
extern std::vector<UNION_DATA*> held_cells;
extern size_t held_count;

// Clears the flags of the holds above depth and destroys the deferred
// blocks that are no longer held.
[[gnu::cold]] void release_holds(size_t depth);

// Releases the holds made while it lives. An inactive scope releases
// nothing: its holds belong to the enclosing one.
class HOLD_SCOPE {
public:
    HOLD_SCOPE() : depth(held_count) {}
    explicit HOLD_SCOPE(bool active) : depth(active ? held_count : SIZE_MAX) {}
    ~HOLD_SCOPE() {
        if (held_count > depth) release_holds(depth);
    }
    HOLD_SCOPE(const HOLD_SCOPE&) = delete;
    HOLD_SCOPE& operator=(const HOLD_SCOPE&) = delete;

private:
    size_t depth;
};

inline bool is_held(const UNION_DATA* cell) { return cell != nullptr && cell->in_use != 0; }

// Holds the cell until the innermost scope ends.
[[gnu::cold]] void hold_cell(UNION_DATA* cell);

// Holds the cell at the end of the cell's aliases, unless it is a variable.
[[gnu::cold]] void hold_named_cell(UNION_DATA* cell);

// Holds what an item names: the cell at the end of its aliases (an element
// handed out as an alias), or the cell itself (a member, an element handed
// out directly). A variable's own cell is left alone, and so is a temporary
// of the operation's own that links to nothing: only a link cell is
// threaded into a referrer list.
inline void hold_item(const RESULT_ITEM& item) {
    UNION_DATA* cell = item.cell;
    if (cell == nullptr || (item.owned == 0 ? cell->scope_variable != 0 : !(is_link_cell(cell) && cell->is_threaded())))
        return;
    hold_named_cell(cell);
}

// Holds a cell that an item owning none names, such as a call's receiver.
inline void hold_unowned(UNION_DATA* cell) {
    if (cell != nullptr && cell->scope_variable == 0) hold_named_cell(cell);
}

// Holds the items of a list from the node on.
[[gnu::cold]] void hold_items(const RESULT_NODE* from);

// Whether the cell is held and its owner has let it go since: it is kept
// for the holds only and belongs to no value any more.
[[gnu::cold]] bool is_let_go(const UNION_DATA* cell);

// The results from the node on that stand for a value let go meanwhile (an
// element of a call's receiver that its container removed while the
// arguments ran) would lose it when the holds end: each becomes an owned
// copy of what it stands for, so the value in use lives on with the
// operation that uses it.
[[gnu::cold]] void keep_let_go_values(RESULT_NODE* from);
inline void keep_let_go_results(RESULT_NODE* from) {
    if (held_count != 0 && from != nullptr) keep_let_go_values(from);
}

// Frees a block the ordinary way (its own delete expression).
using BLOCK_RELEASE = void (*)(void* block);

// Keeps a block whose owner let it go while one of its cells (cell, and
// other when not null) is held; release runs once neither is.
[[gnu::cold]] void defer_release(void* block, UNION_DATA* cell, UNION_DATA* other, BLOCK_RELEASE release);

}  // namespace morvu
