// The statements that an oper value performs on request: one assignment pair
// and the repetition. The pointers are defined here, with the functions they
// point to, so that linking the oper methods brings this layer's part along.

#include <cstring>

#include "exec/assignment_statements.h"
#include "exec/control_statements.h"
#include "types/method_call.h"
#include "values/assign_rules.h"
#include "values/value_operators.h"

namespace morvu {

namespace {

struct ASSIGNMENT_OPERATOR {
    const char* text;
    VALUE_RULE rule;
};

// The rules the assignment executors use, by operator text.
constexpr ASSIGNMENT_OPERATOR assignment_operators[] = {
    {"=", assign_value},       {"@", assign_ref_rule}, {"$", assign_alias_rule}, {"~", move_value},
    {"?", assign_or_ref_rule}, {"+=", op_add_assign},  {"-=", op_sub_assign},    {"*=", op_mul_assign},
    {"/=", op_div_assign},     {"%=", op_mod_assign},  {"^=", op_pow_assign},
};

bool assign_pair(TOKEN* node, RESULT_ITEM target, RESULT_ITEM source, const char* op) {
    for (const ASSIGNMENT_OPERATOR& entry : assignment_operators) {
        if (std::strcmp(entry.text, op) == 0) {
            check_assignment_to_args_object(node, target, source, entry.rule, entry.text);
            return true;
        }
    }
    return false;
}

}  // namespace

bool (*assign_pair_entry)(TOKEN* node, RESULT_ITEM target, RESULT_ITEM source, const char* op) = assign_pair;
void (*repeat_block_entry)(RESULT_ITEM this_item, RESULT_ITEM count, TOKEN* block) = repeat_loop;

}  // namespace morvu
