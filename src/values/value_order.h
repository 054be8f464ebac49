// The order of values: "<" and its relatives, and the "<=" that sorts use.
//
// "<" is defined per type (numbers, texts by unsigned bytes, chars by signed
// codes, calendar values field by field, lists lexicographically, sets by
// proper inclusion, objects by their type's own operator "<"); "<=", ">" and
// ">=" are built from "<" and "==", except on sets, which compare by
// inclusion. Operands are taken one link step deep past their aliases;
// every operation returns null or a message (keep_message) and never throws.

#pragma once

#include "values/union_data.h"

namespace morvu {

// "<": both operands pass check_binary_operands with "<"; a type without an
// order gives "Operator '<' not defined for type '%s'".
const char* compare_less(UNION_DATA* left, UNION_DATA* right, bool* result);

// "<=", ">", ">=". Messages of compare_less pass through unchanged (they
// name the operator "<").
const char* op_less_equal(UNION_DATA* left, UNION_DATA* right, bool* result);
const char* op_greater(UNION_DATA* left, UNION_DATA* right, bool* result);
const char* op_greater_equal(UNION_DATA* left, UNION_DATA* right, bool* result);

// The "<=" of sorting: 1 true, 0 false, -1 with *message set. Aliases and
// call-aliases are followed to the end, then a reference to its target,
// which counts as held the way the reference is held (an element given to
// "@" sorts by its target); cells of different tags (case included) give
// "incompatible types".
int sort_less_equal(UNION_DATA* a, UNION_DATA* b, const char** message);

// What the sort compares for a cell: aliases followed to their end, then a
// reference to its target, and the tag that decides whether two cells may
// be compared. A reference stands for its target's value held as the
// reference itself is held: an element of a list (an any cell) that refers
// to an int variable sorts as an element holding an int.
struct SORT_OPERAND {
    UNION_DATA* value;
    char tag;
};

inline SORT_OPERAND sort_operand(UNION_DATA* cell) {
    cell = follow_aliases(cell);
    UNION_DATA* target = is_reference_tag(cell->tag) ? cell->target() : nullptr;
    if (target == nullptr) return {cell, cell->tag};
    const char type = lower_tag(target->tag);
    return {target, is_any_tag(cell->tag) ? raise_tag(type) : type};
}

}  // namespace morvu
