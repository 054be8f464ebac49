// The handlers that eval_node stores for name nodes: "this", "true",
// "false", the names of declared variables (member variables of the current
// object included) and the empty block {} in expression position.
//
// A name yields exactly one result. A variable yields its own cell, not a
// copy and not owned, so that assignments and reference-taking work on it;
// the item's access mode tells what may be done with it: the cell's own
// mode (6) for an ordinary variable, 2 for a constant input parameter, 7 for
// a variable input parameter, 8 for an output parameter, 10 or 4 for a member
// of a variable or of a constant current object. "this" yields a new owned
// alias of the current object, mode 11 or 5 by the same rule.

#pragma once

#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "values/access_modes.h"
#include "values/result_list.h"
#include "values/union_data.h"

namespace morvu {

struct TOKEN;

void eval_this(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_true(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_false(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_variable(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_empty_code(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

class UNION_DATA;

// The cell a name node of a member of the current object stands for, as
// eval_variable finds it by the member's slot; null when the name is no
// such member or eval_variable would take its long way.
UNION_DATA* current_member_cell(const TOKEN* node, RESULT_ITEM this_item);

// The access mode of a variable's item by the argument role of its
// declaration; other roles keep the cell's own mode.
inline uint32_t mode_by_role(int32_t role, const UNION_DATA* cell) {
    switch (role) {
    case arg_role_constant_input: return access_constant_input;
    case arg_role_output_object: return access_output_object;
    case arg_role_variable_input: return access_variable_input;
    default: return cell->access_mode;
    }
}

// The item eval_variable gives for a name node of a variable outside the
// current object, parameters included (its cell, with the mode of its
// role), made without a result list; false for any other node.
inline bool variable_item(const TOKEN* node, RESULT_ITEM& item) {
    if (node == nullptr || node->evaluator != eval_variable) return false;
    const TOKEN* declaration = node->declaration;
    if (declaration == nullptr || declaration->member_slot >= 0) return false;
    UNION_DATA* cell = top_cell(declaration);
    if (cell == nullptr) return false;
    item = RESULT_ITEM{cell, mode_by_role(declaration->arg_role, cell), 0};
    return true;
}

// The cell of a name node that is a parameter declared plainly in the input
// part of the running activation (a value it holds, or the reference that
// binds it to the caller's); null for any other node.
inline UNION_DATA* constant_input_cell(const TOKEN* node) {
    if (node == nullptr || node->evaluator != eval_variable) return nullptr;
    const TOKEN* declaration = node->declaration;
    if (declaration == nullptr || declaration->member_slot >= 0 || declaration->arg_role != arg_role_constant_input)
        return nullptr;
    return top_cell(declaration);
}

}  // namespace morvu
