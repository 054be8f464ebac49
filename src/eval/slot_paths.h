// The direct paths of array and array2 slots. a[i] on an array variable and
// g[r, c] on an array2 variable, whose indexes read as fast ints, name one
// slot without a method call, an alias or a result cell: an int or bool
// slot is read where an operand or a condition wants one, and a statement
// a[i] = e (or += -= *= /= %=) writes the slot's word, or the element cell
// it owns, in place.
//
// Only plain containers qualify: a declared array or array2 variable
// holding a value, not a constant, not walked by for/For. Every other case
// (an index outside the container, an undefined slot read, an element of
// another kind, a result beyond the compact range) answers "not
// applicable", having changed nothing, and the general path runs and gives
// the exact results and errors.

#pragma once

#include <cstddef>
#include <cstdint>

#include "eval/fast_path.h"
#include "eval/names.h"
#include "frontend/token.h"
#include "values/result_list.h"
#include "values/union_data.h"

namespace morvu {

class SLOT_ROW;

// One slot of a plain container and the container's count of defined
// slots, which a write into an undefined slot raises.
struct SLOT_PLACE {
    SLOT_ROW* row = nullptr;
    size_t at = 0;
    int* defined = nullptr;
};

// Whether the node is a[i] or g[r, c] on a plain container whose indexes
// read as fast ints within it (the place goes to *place); depth counts the
// fast path's nesting.
bool slot_place(TOKEN* node, SLOT_PLACE& place, int depth);

// The int a slot holds: a defined int, read without a cell; false for an
// undefined slot or a value of another kind.
bool fast_slot_int(const SLOT_PLACE& place, int64_t& out);

// The int a node of the shape a[i] or g[r, c] on a plain container reads,
// a defined int slot read without a cell: 1 when it reads one, 0 when it
// does not, -1 for a node of another shape.
int fast_slot_int_if_shaped(TOKEN* node, int64_t& out, int depth);

// g.get(r, c), the node given, on an array2 cell the receiver reaches (a
// variable's own value, or what a parameter's reference or aliases lead
// to): the defined int slot, read without a call or a cell,
// when the grid is plain (a value, not a constant, not walked) and the
// indexes read as fast ints within it. False otherwise, nothing changed.
bool fast_grid_get_int(TOKEN* node, UNION_DATA* cell, int64_t& out, int depth);

// A bool the node gives without running anything: true, false, a plain
// bool variable, a bool slot, a comparison of fast ints, and !, && and ||
// of those; 0 or 1, or -1 when not applicable.
int fast_bool(TOKEN* node, int depth);

// Whether the node has the form x[...] on a declared variable that holds an
// array or array2: the inline test that every other assignment target (a
// variable, a hash or list element, a member) fails at once.
inline bool on_array_variable(const TOKEN* node) {
    if (node->op1 != '.' || node->left == nullptr || node->left->evaluator != eval_variable) return false;
    const UNION_DATA* cell = declared_plain_cell(node->left->declaration);
    return cell != nullptr && (cell->tag == tag_array || cell->tag == tag_array2);
}

// The work of fast_slot_assignment and assign_to_slot below, once the
// target has passed on_array_variable.
bool slot_assignment_of(TOKEN* node, char op);
bool assign_source_to_slot(TOKEN* target, const RESULT_ITEM& source);

// a[i] = e, a[i] += e, -=, *=, /= and %= (op '=', '+', '-', '*', '/', '%')
// on a slot as slot_place finds it, where e yields its int or bool without
// running anything. True when the statement is done; false, with nothing
// evaluated or changed, otherwise.
inline bool fast_slot_assignment(TOKEN* node, char op) {
    return node->left != nullptr && on_array_variable(node->left) && slot_assignment_of(node, op);
}

// target = source for one source the general assignment has evaluated,
// the target being one operand (not a list of them, nothing parked on it):
// when it is a slot as slot_place finds it (finding it runs nothing) and
// the source's value is one a compact word holds, the slot takes the value
// as the assignment would copy it. False, with nothing changed, otherwise.
inline bool assign_to_slot(TOKEN* target, const RESULT_ITEM& source) {
    return on_array_variable(target) && assign_source_to_slot(target, source);
}

}  // namespace morvu
