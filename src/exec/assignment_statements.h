// Assignment statements: a left side of targets and a right side of values,
// each one expression or a ','-list, joined by one of eleven operators. The
// driver evaluates both sides item by item, lazily, and pairs their results
// in order across item boundaries; surplus targets or values are left alone.
// Each pair passes the access-mode and args rules and the user-defined
// compound operators before the value rule runs on the target cell.
//
// A routine run by either side may fail: its body stops with the exception
// pending and the call hands back whatever its results held then. Every way
// of running a statement looks for that exception after each evaluation
// that can run code, and stops there: the pairs applied before stay, the
// rest are neither evaluated nor applied, so a failed pair's target keeps
// its value.

#pragma once

#include "values/result_list.h"

namespace morvu {

struct TOKEN;
class UNION_DATA;

// A value rule: applied to the target cell with the source cell; null or the
// refusal message.
using VALUE_RULE = const char* (*)(UNION_DATA* target, UNION_DATA* source);

// The link rules of the cell as value rules: reference ('@'), alias ('$'),
// and reference-or-copy ('?').
const char* assign_ref_rule(UNION_DATA* target, UNION_DATA* source);
const char* assign_alias_rule(UNION_DATA* target, UNION_DATA* source);
const char* assign_or_ref_rule(UNION_DATA* target, UNION_DATA* source);

// The executors of '=', '@', '$', '~', '?', '+=', '-=', '*=', '/=', '%=', '^='.
void exec_assign(TOKEN* node, RESULT_ITEM this_item);
void exec_assign_ref(TOKEN* node, RESULT_ITEM this_item);
void exec_assign_alias(TOKEN* node, RESULT_ITEM this_item);
void exec_move(TOKEN* node, RESULT_ITEM this_item);
void exec_assign_or_ref(TOKEN* node, RESULT_ITEM this_item);
void exec_add_assign(TOKEN* node, RESULT_ITEM this_item);
void exec_sub_assign(TOKEN* node, RESULT_ITEM this_item);
void exec_mul_assign(TOKEN* node, RESULT_ITEM this_item);
void exec_div_assign(TOKEN* node, RESULT_ITEM this_item);
void exec_mod_assign(TOKEN* node, RESULT_ITEM this_item);
void exec_pow_assign(TOKEN* node, RESULT_ITEM this_item);

// name = other, name = a + b or name = a - b on plain int variables whose
// numbers are too long for machine words, done as exec_assign does it
// without trying its other shapes first. The caller has found that the
// right side does not read as a machine integer (fast_int fails on it), so
// that exec_assign would not stop at fast_int_assignment. True when done;
// false with nothing changed whenever exec_assign would take another path.
// A failed allocation throws with nothing changed.
bool long_int_assignment(TOKEN* node);

// Whether an executor is exec_assign itself or one that it binds in its
// place once a road has answered the statement (and that runs the whole
// chain whenever that road declines).
bool is_assign_executor(void (*executor)(TOKEN* node, RESULT_ITEM this_item));

// Whether an executor is one that stores l[i] = e the way exec_assign
// does: exec_assign itself, or the one it binds once an element store has
// taken the statement.
bool stores_elements_as_assign(void (*executor)(TOKEN* node, RESULT_ITEM this_item));

// The common driver: evaluates and pairs both sides of the node.
void exec_assignment(TOKEN* node, RESULT_ITEM this_item, VALUE_RULE rule, const char* op);

// Applies one pair (target, source) with the rule; raises on refusal. The
// items' owned cells are not freed here. With source_spent the caller frees
// an owned source right after and nothing else holds it: a plain assignment
// may then take its value over (assign_temporary).
void check_assignment_to_args_object(TOKEN* node, RESULT_ITEM target, RESULT_ITEM source, VALUE_RULE rule,
                                     const char* op, bool source_spent = false);

// Frees the owned cells of a pair's two items.
void free_assignment_temporaries(RESULT_ITEM& target, RESULT_ITEM& source);

}  // namespace morvu
