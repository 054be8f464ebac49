// The logical operators, the ten comparisons with their alternatives, and
// the condition of a loop.
//
// A comparison first pushes a placeholder on the result stack of every leaf
// of both alternative trees. The comparators build frames that are not fresh:
// the first frame on a leaf evaluates it and parks the list in place of the
// placeholder, later frames reuse it, so each leaf is evaluated at most once
// however often the search over alternatives compares it. The comparison pops
// every leaf again on every exit.

#include <cstring>
#include <string>

#include "eval/arg_frame.h"
#include "eval/fast_path.h"
#include "eval/member_access.h"
#include "exec/block_exec.h"
#include "exec/call_routine.h"
#include "eval/evaluator.h"
#include "eval/operator_handlers.h"
#include "frontend/type_defs.h"
#include "exec/pending_exception.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/cell_holds.h"
#include "values/factories.h"
#include "values/union_data.h"
#include "values/value_operators.h"
#include "values/value_order.h"

namespace morvu {

namespace {

bool is_alternative(const TOKEN* token) {
    return token != nullptr && (token->op1 == '|' || token->op1 == '&') && token->op2 == 0;
}

// Evaluates an operand of '!', '||' or '&&': exactly one non-empty bool.
bool bool_operand(const ARG_FRAME& frame, TOKEN* node, const char* name) {
    if (frame.check_count(1) != nullptr)
        raise_error(node, routine_kind_operator, name, frame.message(true), error_kind_system);
    if (frame.check_type(0, 'b', true) != nullptr)
        raise_error(node, routine_kind_operator, name, frame.message(false), error_kind_system);
    return frame.value(0)->bool_word() != 0;
}

// One operand of a comparator, from the list parked during the comparison.
RESULT_ITEM comparison_operand(const ARG_FRAME& frame, TOKEN* node, const char* name) {
    if (frame.check_count(1) != nullptr)
        raise_error(node, routine_kind_operator, name, frame.message(true), error_kind_system);
    return frame[0];
}

using VALUE_RULE_OF_CELLS = bool (*)(UNION_DATA*, UNION_DATA*);

// An equality or identity rule applied to one value of each operand.
bool items_by_rule(RESULT_ITEM a, RESULT_ITEM b, VALUE_RULE_OF_CELLS rule) { return rule(a.cell, b.cell); }

bool compare_by_rule(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right, const char* name,
                     VALUE_RULE_OF_CELLS rule) {
    ARG_FRAME left_frame(left, this_item, false);
    RESULT_ITEM a = comparison_operand(left_frame, node, name);
    ARG_FRAME right_frame(right, this_item, false);
    RESULT_ITEM b = comparison_operand(right_frame, node, name);
    return items_by_rule(a, b, rule);
}

bool equal_rule(UNION_DATA* a, UNION_DATA* b) { return is_equal_value(a, b, true); }
bool unequal_rule(UNION_DATA* a, UNION_DATA* b) { return !is_equal_value(a, b, true); }

enum class ORDERING { less, greater, less_equal, greater_equal };

// left < right by the operator "<" of the left value's user type.
bool user_less(TOKEN* node, const char* name, RESULT_ITEM left, RESULT_ITEM right) {
    RESULT_LIST results;
    TRUTH_SLOT truth;
    const CALL_OUTCOME outcome = call_user_operator_status(node, "<", left, right, &results, true, &truth);
    // The type's name is looked up only for a message: the look-up walks the
    // scopes, and a heap of objects asks "<" millions of times.
    auto type = [&] { return type_name_text(value_type_name(left.cell, true)); };
    if (outcome == CALL_OUTCOME::not_defined)
        raise_error(node, routine_kind_operator, name, format_string(msg_text("fehopekledattyp"), type().c_str()),
                    error_kind_system);
    // The one result, the method's own bool, read as its cell would be read.
    if (truth.filled) return truth.word != 0;
    if (results.count != 1)
        raise_error(node, routine_kind_operator, name,
                    format_string(msg_text_concat2("operkledattyp", "erwgen1erg"), type().c_str()), error_kind_system);
    UNION_DATA* value = follow_link(results.head->item.cell);
    if (lower_tag(value->tag) != tag_bool || !is_defined_value(value))
        raise_error(node, routine_kind_operator, name,
                    format_string(msg_text_concat2("operkledattyp", "erwbooerg"), type().c_str()), error_kind_system);
    return value->bool_word() != 0;
}

constexpr const char* ordering_names[] = {"<", ">", "<=", ">="};

// An ordering of one value of each operand.
bool items_ordered(TOKEN* node, RESULT_ITEM a, RESULT_ITEM b, ORDERING ordering) {
    const char* name = ordering_names[static_cast<int>(ordering)];
    if (base_type_code(a.cell) == tag_object) {
        // A user type defines only "<"; the other orderings follow from it
        // and equality, which reads the right operand after the method ran.
        // Both operands stay alive through the method, which may free its
        // own object: its type names an error after the call, and equality
        // reads both. The call holds them in this scope (unless the method
        // changes nothing outside its activation).
        const HOLD_SCOPE holds;
        // a > b asks b < a, and a >= b asks b <= a: a type whose "<" reads
        // fewer members than its "==" then never answers ">" both ways.
        if ((ordering == ORDERING::greater || ordering == ORDERING::greater_equal) &&
            base_type_code(b.cell) == tag_object) {
            const bool less = user_less(node, name, b, a);
            return less || (ordering == ORDERING::greater_equal && is_equal_value(b.cell, a.cell, true));
        }
        bool less = user_less(node, name, a, b);
        switch (ordering) {
        case ORDERING::less: return less;
        case ORDERING::greater: return !less && !is_equal_value(a.cell, b.cell, true);
        case ORDERING::less_equal: return less || is_equal_value(a.cell, b.cell, true);
        default: return !less;
        }
    }
    bool result = false;
    const char* message = nullptr;
    switch (ordering) {
    case ORDERING::less: message = compare_less(a.cell, b.cell, &result); break;
    case ORDERING::greater: message = op_greater(a.cell, b.cell, &result); break;
    case ORDERING::less_equal: message = op_less_equal(a.cell, b.cell, &result); break;
    default: message = op_greater_equal(a.cell, b.cell, &result); break;
    }
    if (message != nullptr) raise_error(node, routine_kind_operator, name, message, error_kind_system);
    return result;
}

bool compare_ordered(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right, ORDERING ordering) {
    const char* name = ordering_names[static_cast<int>(ordering)];
    ARG_FRAME left_frame(left, this_item, false);
    RESULT_ITEM a = comparison_operand(left_frame, node, name);
    ARG_FRAME right_frame(right, this_item, false);
    RESULT_ITEM b = comparison_operand(right_frame, node, name);
    return items_ordered(node, a, b, ordering);
}

// Compares every alternative of the chain with the fixed other side, in
// source order, until one decides: for '|' the first true, for '&' the first
// false. An alternative of the other chain operator is expanded again by
// compare_alternatives.
bool expand_chain(TOKEN* node, RESULT_ITEM this_item, TOKEN* chain, TOKEN* other, bool chain_on_left,
                  VALUE_COMPARATOR compare) {
    const char op = chain->op1;
    const bool decisive = op == '|';
    auto compare_one = [&](TOKEN* alternative) {
        return chain_on_left ? compare_alternatives(node, this_item, alternative, other, compare)
                             : compare_alternatives(node, this_item, other, alternative, compare);
    };
    TOKEN* t = chain;
    while (t != nullptr && t->op1 == op && t->op2 == 0) {
        if (t->left != nullptr && compare_one(t->left) == decisive) return decisive;
        t = t->right;
    }
    if (t != nullptr && compare_one(t) == decisive) return decisive;
    return !decisive;
}

// Pushes the placeholders of one operand for the life of a comparison.
class ALTERNATIVE_FRAMES {
public:
    explicit ALTERNATIVE_FRAMES(TOKEN* operand) : operand(operand) { push_alternative_frames(operand); }
    ~ALTERNATIVE_FRAMES() { pop_alternative_frames(operand); }
    ALTERNATIVE_FRAMES(const ALTERNATIVE_FRAMES&) = delete;
    ALTERNATIVE_FRAMES& operator=(const ALTERNATIVE_FRAMES&) = delete;

private:
    TOKEN* operand;
};

}  // namespace

// ---- logic ----

namespace {

// The truth of a ! node. ! ! ! x: a long chain down the right operands is
// counted instead of recursed into; every level above the lowest turns a
// bool it made itself, which passes every check.
bool not_truth(TOKEN* node, RESULT_ITEM this_item) {
    TOKEN* lowest = node;
    bool flip = false;
    for (TOKEN* next = lowest->right;
         next != nullptr && next->block_mode == block_mode_none && next->result_stack.empty(); next = lowest->right) {
        if (next->evaluator != eval_not) {
            // Not evaluated yet: the characters of '!' give it this handler.
            if (next->evaluator != eval_node || next->number || next->op1 != '!' || next->op2 != 0 ||
                next->right == nullptr)
                break;
            next->evaluator = eval_not;
        }
        lowest = next;
        flip = !flip;
    }
    check_stack_depth(lowest);
    int value = frameless_bool(lowest->right, this_item);
    if (value < 0) {
        ARG_FRAME operand(lowest->right, this_item, true);
        value = bool_operand(operand, lowest, "!");
    }
    return flip ? value != 0 : value == 0;
}

}  // namespace

void eval_not(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    results.append(make_bool_value(not_truth(node, this_item), 3));
}

namespace {

// The truth of a || node: its left operand, and its right one when the left
// is false.
bool or_truth(TOKEN* node, RESULT_ITEM this_item) {
    int value = frameless_bool(node->left, this_item);
    if (value < 0) {
        ARG_FRAME left(node->left, this_item, true);
        value = bool_operand(left, node, "||");
    }
    if (value == 0) {
        value = frameless_bool(node->right, this_item);
        if (value < 0) {
            ARG_FRAME right(node->right, this_item, true);
            value = bool_operand(right, node, "||");
        }
    }
    return value != 0;
}

// The truth of a && node: its left operand, and its right one when the left
// is true.
bool and_truth(TOKEN* node, RESULT_ITEM this_item) {
    int value = frameless_bool(node->left, this_item);
    if (value < 0) {
        ARG_FRAME left(node->left, this_item, true);
        value = bool_operand(left, node, "&&");
    }
    if (value != 0) {
        value = frameless_bool(node->right, this_item);
        if (value < 0) {
            ARG_FRAME right(node->right, this_item, true);
            value = bool_operand(right, node, "&&");
        }
    }
    return value != 0;
}

}  // namespace

void eval_or(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    results.append(make_bool_value(or_truth(node, this_item), 3));
}

void eval_and(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    results.append(make_bool_value(and_truth(node, this_item), 3));
}

// ---- comparators ----

bool compare_equal(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right) {
    return compare_by_rule(node, this_item, left, right, "==", equal_rule);
}
bool compare_unequal(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right) {
    return compare_by_rule(node, this_item, left, right, "!=", unequal_rule);
}
bool compare_same(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right) {
    return compare_by_rule(node, this_item, left, right, "@@", is_same_cell);
}
bool compare_other(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right) {
    return compare_by_rule(node, this_item, left, right, "!@", is_other_cell);
}
bool compare_equal_ref(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right) {
    return compare_by_rule(node, this_item, left, right, "??", cells_equal_ref);
}
bool compare_unequal_ref(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right) {
    return compare_by_rule(node, this_item, left, right, "!?", cells_unequal_ref);
}
bool compare_less_than(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right) {
    return compare_ordered(node, this_item, left, right, ORDERING::less);
}
bool compare_greater_than(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right) {
    return compare_ordered(node, this_item, left, right, ORDERING::greater);
}
bool compare_less_equal(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right) {
    return compare_ordered(node, this_item, left, right, ORDERING::less_equal);
}
bool compare_greater_equal(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right) {
    return compare_ordered(node, this_item, left, right, ORDERING::greater_equal);
}

// ---- comparisons with alternatives ----

void push_alternative_frames(TOKEN* operand) {
    TOKEN* t = operand;
    while (is_alternative(t)) {
        push_alternative_frames(t->left);
        t = t->right;
    }
    if (t != nullptr) push_result_list(t, nullptr);
}

void pop_alternative_frames(TOKEN* operand) {
    TOKEN* t = operand;
    while (is_alternative(t)) {
        pop_alternative_frames(t->left);
        t = t->right;
    }
    if (t != nullptr && !t->result_stack.empty()) delete pop(t->result_stack);
}

bool compare_alternatives(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right, VALUE_COMPARATOR compare) {
    if (is_alternative(left)) return expand_chain(node, this_item, left, right, true, compare);
    if (is_alternative(right)) return expand_chain(node, this_item, right, left, false, compare);
    return compare(node, this_item, left, right);
}

namespace {

// What COMPARE does with the one value of each operand.
template <VALUE_COMPARATOR COMPARE>
bool compare_items(TOKEN* node, RESULT_ITEM a, RESULT_ITEM b) {
    if constexpr (COMPARE == compare_equal) return items_by_rule(a, b, equal_rule);
    else if constexpr (COMPARE == compare_unequal) return items_by_rule(a, b, unequal_rule);
    else if constexpr (COMPARE == compare_same) return items_by_rule(a, b, is_same_cell);
    else if constexpr (COMPARE == compare_other) return items_by_rule(a, b, is_other_cell);
    else if constexpr (COMPARE == compare_equal_ref) return items_by_rule(a, b, cells_equal_ref);
    else if constexpr (COMPARE == compare_unequal_ref) return items_by_rule(a, b, cells_unequal_ref);
    else if constexpr (COMPARE == compare_less_than) return items_ordered(node, a, b, ORDERING::less);
    else if constexpr (COMPARE == compare_greater_than) return items_ordered(node, a, b, ORDERING::greater);
    else if constexpr (COMPARE == compare_less_equal) return items_ordered(node, a, b, ORDERING::less_equal);
    else return items_ordered(node, a, b, ORDERING::greater_equal);
}

// A lone element read x[i] that runs no code as a comparison's operand:
// the element itself, which the comparison reads (and holds) as it would
// the alias the read hands out. False, with nothing appended, otherwise.
[[gnu::noinline]] bool append_element_operand(TOKEN* operand, RESULT_LIST& values) {
    UNION_DATA* element = fast_list_element(operand);
    if (element == nullptr) element = aliased_element(operand);
    if (element == nullptr || is_link_cell(element)) return false;
    values.append(RESULT_ITEM{element, access_handed_out, 0});
    return true;
}

// The one item an operand that runs no code gives, as evaluate_operand
// would list it: a lone element read x[i] (see append_element_operand) or
// a variable outside the current object (see variable_item). False, with
// nothing read, for other operands.
[[gnu::always_inline]] inline bool lone_operand(TOKEN* operand, RESULT_ITEM& item) {
    if (!operand->result_stack.empty()) return false;
    if (operand->evaluator == eval_variable) return variable_item(operand, item);
    if (operand->evaluator != eval_member || operand->right == nullptr || !is_call_token(operand->right) ||
        !is_element_call(operand->right))
        return false;
    UNION_DATA* element = fast_list_element(operand);
    if (element == nullptr || is_link_cell(element)) return false;
    item = RESULT_ITEM{element, access_handed_out, 0};
    return true;
}

// Evaluates an operand as its comparison frame would.
[[gnu::always_inline]] inline void evaluate_operand(TOKEN* operand, RESULT_ITEM this_item, RESULT_LIST& values) {
    if (operand->evaluator == eval_member && operand->right != nullptr && is_call_token(operand->right) &&
        is_element_call(operand->right) && operand->result_stack.empty() && append_element_operand(operand, values))
        return;
    for (TOKEN* argument : argument_list_of(operand)) eval_cached(argument, this_item, values);
}

// The comparison of one evaluated left value with a right operand that is
// read without running code: a literal or a variable for == and !=, a
// machine int for the orderings of a machine int; -1 for other pairs,
// which evaluate the right operand.
template <VALUE_COMPARATOR COMPARE>
inline int against_plain_right(UNION_DATA* a, TOKEN* right, RESULT_ITEM this_item) {
    if (a == nullptr) return -1;
    if constexpr (COMPARE == compare_equal || COMPARE == compare_unequal) {
        UNION_DATA* b = plain_operand(right);
        if (b == nullptr) return -1;
        return values_equal(a, b) == (COMPARE == compare_equal) ? 1 : 0;
    } else if constexpr (COMPARE == compare_less_than || COMPARE == compare_greater_than ||
                         COMPARE == compare_less_equal || COMPARE == compare_greater_equal) {
        int64_t x = 0;
        int64_t y = 0;
        if (!cell_int(a, x) || !right->result_stack.empty() ||
            !read_with_members(this_item, [right, &y] { return fast_int(right, y); }))
            return -1;
        if constexpr (COMPARE == compare_less_than) return x < y ? 1 : 0;
        else if constexpr (COMPARE == compare_greater_than) return x > y ? 1 : 0;
        else if constexpr (COMPARE == compare_less_equal) return x <= y ? 1 : 0;
        else return x >= y ? 1 : 0;
    } else {
        return -1;
    }
}

// A comparison without alternatives whose left operand is evaluated: the
// right one is evaluated once, into a list of its own, and one value of
// each is compared, without placeholders or frames. Another count of values
// takes the frames, which find the lists where they would have parked them
// and give their messages.
template <VALUE_COMPARATOR COMPARE>
inline bool compare_evaluated(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& left_values) {
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    RESULT_LIST right_values;
    const bool right_evaluated = left_values.count == 1;
    if (right_evaluated) {
        if (const int known = against_plain_right<COMPARE>(left_values.head->item.cell, right, this_item); known >= 0)
            return known != 0;
        evaluate_operand(right, this_item, right_values);
        if (right_values.count == 1)
            return compare_items<COMPARE>(node, left_values.head->item, right_values.head->item);
    }
    ALTERNATIVE_FRAMES left_frames(left);
    ALTERNATIVE_FRAMES right_frames(right);
    left->result_stack.back() = new RESULT_LIST(std::move(left_values));
    if (right_evaluated) right->result_stack.back() = new RESULT_LIST(std::move(right_values));
    return COMPARE(node, this_item, left, right);
}

}  // namespace

UNION_DATA* plain_operand(TOKEN* operand) {
    if (operand == nullptr || !operand->result_stack.empty()) return nullptr;
    const EVAL_HANDLER handler = operand->evaluator;
    if (handler == eval_variable) {
        // A parameter's role sets only the mode of its item, which no
        // comparison of values reads.
        const TOKEN* declaration = operand->declaration;
        return declaration != nullptr && declaration->member_slot < 0 ? top_cell(declaration) : nullptr;
    }
    if (handler != eval_str_literal && handler != eval_char_literal && handler != eval_int_literal) return nullptr;
    if (operand->constant == nullptr) {
        RESULT_LIST made;
        eval_cached(operand, RESULT_ITEM{}, made);
        operand->constant.reset(pop(made).cell);
    }
    return operand->constant.get();
}

bool values_equal(UNION_DATA* a, UNION_DATA* b) {
    const UNION_DATA* x = follow_aliases(a);
    const UNION_DATA* y = follow_aliases(b);
    // Defined values of one scalar type (a payload marks them defined, also
    // in a variable declared any), the most common case of a case value or
    // a condition.
    const char type = lower_tag(x->tag);
    if (type == lower_tag(y->tag) && x->payload != nullptr && y->payload != nullptr) {
        switch (type) {
        case tag_char: return x->scalar.char_byte == y->scalar.char_byte;
        case tag_bool: return x->scalar.bool_word == y->scalar.bool_word;
        case tag_oper:
            return x->scalar.oper_chars[0] == y->scalar.oper_chars[0] &&
                   x->scalar.oper_chars[1] == y->scalar.oper_chars[1];
        case tag_int: {
            // Small numbers in either form (a literal's constant keeps an
            // INT_DATA); the empty number is left to the general test.
            int64_t m = 0;
            int64_t n = 0;
            if (cell_int64(x, m) && cell_int64(y, n)) return m == n;
            break;
        }
        case tag_str: return std::strcmp(x->str_data()->text.c_str(), y->str_data()->text.c_str()) == 0;
        default: break;
        }
    }
    return is_equal_value(a, b, true);
}

int plain_equality(TOKEN* node) {
    const EVAL_HANDLER handler = node->evaluator;
    const bool equal = handler == eval_comparison<compare_equal>;
    if (!equal && handler != eval_comparison<compare_unequal>) return -1;
    UNION_DATA* left = plain_operand(node->left);
    if (left == nullptr) return -1;
    UNION_DATA* right = plain_operand(node->right);
    if (right == nullptr) return -1;
    return values_equal(left, right) == equal ? 1 : 0;
}

namespace {

// The truth of a comparison node, found as eval_comparison finds it, without
// a cell to carry it.
// fast_tried: the caller has found that fast_comparison and plain_equality
// decline the node (they read without effect, so the answer stands).
template <VALUE_COMPARATOR COMPARE>
bool comparison_truth(TOKEN* node, RESULT_ITEM this_item, bool fast_tried = false) {
    check_stack_depth(node);
    if constexpr (COMPARE == compare_equal || COMPARE == compare_unequal || COMPARE == compare_less_than ||
                  COMPARE == compare_greater_than || COMPARE == compare_less_equal ||
                  COMPARE == compare_greater_equal) {
        const int fast = fast_tried ? -1 : read_with_members(this_item, [node] { return fast_comparison(node); });
        if (fast >= 0) return fast != 0;
    }
    if constexpr (COMPARE == compare_equal || COMPARE == compare_unequal) {
        UNION_DATA* left = fast_tried ? nullptr : plain_operand(node->left);
        UNION_DATA* right = left != nullptr ? plain_operand(node->right) : nullptr;
        if (right != nullptr) {
            const bool equal = values_equal(left, right);
            return COMPARE == compare_equal ? equal : !equal;
        }
    }
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    if (left != nullptr && right != nullptr && !is_alternative(left) && !is_alternative(right)) {
        // Two operands that run no code are compared as the lists below
        // would hold them, without the lists.
        RESULT_ITEM a;
        if (lone_operand(left, a)) {
            if (const int known = against_plain_right<COMPARE>(a.cell, right, this_item); known >= 0) return known != 0;
            RESULT_ITEM b;
            if (lone_operand(right, b)) return compare_items<COMPARE>(node, a, b);
        }
        RESULT_LIST left_values;
        evaluate_operand(left, this_item, left_values);
        if (evaluates_inertly(right)) return compare_evaluated<COMPARE>(node, this_item, left_values);
        // What the left operand names outlives the code the right one runs.
        const HOLD_SCOPE holds;
        hold_items(left_values.head);
        return compare_evaluated<COMPARE>(node, this_item, left_values);
    }
    // The frames of the alternatives leave their holds here: an operand is
    // compared again with later alternatives.
    const HOLD_SCOPE holds;
    ALTERNATIVE_FRAMES left_frames(node->left);
    ALTERNATIVE_FRAMES right_frames(node->right);
    return compare_alternatives(node, this_item, node->left, node->right, COMPARE);
}

}  // namespace

template <VALUE_COMPARATOR COMPARE>
void eval_comparison(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    results.append(make_bool_value(comparison_truth<COMPARE>(node, this_item), 3));
}

template void eval_comparison<compare_equal>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_comparison<compare_unequal>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_comparison<compare_same>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_comparison<compare_other>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_comparison<compare_equal_ref>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_comparison<compare_unequal_ref>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_comparison<compare_less_than>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_comparison<compare_greater_than>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_comparison<compare_less_equal>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_comparison<compare_greater_equal>(TOKEN*, RESULT_ITEM, RESULT_LIST&);

// ---- loop conditions ----

int truth_of(TOKEN* node, RESULT_ITEM this_item, bool fast_tried) {
    const EVAL_HANDLER handler = node->evaluator;
    if (handler == eval_comparison<compare_equal>) return comparison_truth<compare_equal>(node, this_item, fast_tried);
    if (handler == eval_or) return or_truth(node, this_item);
    if (handler == eval_and) return and_truth(node, this_item);
    if (handler == eval_not) return not_truth(node, this_item);
    if (handler == eval_comparison<compare_unequal>)
        return comparison_truth<compare_unequal>(node, this_item, fast_tried);
    if (handler == eval_comparison<compare_less_than>)
        return comparison_truth<compare_less_than>(node, this_item, fast_tried);
    if (handler == eval_comparison<compare_greater_than>)
        return comparison_truth<compare_greater_than>(node, this_item, fast_tried);
    if (handler == eval_comparison<compare_less_equal>)
        return comparison_truth<compare_less_equal>(node, this_item, fast_tried);
    if (handler == eval_comparison<compare_greater_equal>)
        return comparison_truth<compare_greater_equal>(node, this_item, fast_tried);
    if (handler == eval_comparison<compare_same>) return comparison_truth<compare_same>(node, this_item, fast_tried);
    if (handler == eval_comparison<compare_other>) return comparison_truth<compare_other>(node, this_item, fast_tried);
    if (handler == eval_comparison<compare_equal_ref>)
        return comparison_truth<compare_equal_ref>(node, this_item, fast_tried);
    if (handler == eval_comparison<compare_unequal_ref>)
        return comparison_truth<compare_unequal_ref>(node, this_item, fast_tried);
    return -1;
}

bool yields_one_bool(const TOKEN* node) {
    const EVAL_HANDLER handler = node->evaluator;
    return is_ordering_comparison(handler) || handler == eval_comparison<compare_same> ||
           handler == eval_comparison<compare_other> || handler == eval_comparison<compare_equal_ref> ||
           handler == eval_comparison<compare_unequal_ref> || handler == eval_not || handler == eval_or ||
           handler == eval_and;
}

int frameless_bool(TOKEN* frame_node, RESULT_ITEM this_item, bool fast_tried) {
    if (frame_node == nullptr || frame_node->block_mode != block_mode_none || !frame_node->result_stack.empty())
        return -1;
    const TOKEN_LIST& parts = argument_list_of(frame_node);
    const uint32_t n = parts.count();
    if (n == 0) return -1;
    for (uint32_t i = 1; i < n; ++i) {
        const TOKEN* block = parts[i];
        if (block->block_mode != block_mode_braced || is_empty_operand(block)) return -1;
    }
    // h.def(k) and x.isalpha() may answer without a result; both are member calls.
    if (parts[0]->result_stack.empty() && parts[0]->evaluator == eval_member) {
        const int defined = fast_hash_def(parts[0], this_item);
        if (defined >= 0) return defined;
        const int truth = seen_method_truth(parts[0]);
        if (truth >= 0) return truth;
    }
    const size_t depth = held_count;
    // A comparison or a logical operator gives its truth without a cell.
    if (parts[0]->result_stack.empty() && parts[0]->block_mode == block_mode_none) {
        const int truth = truth_of(parts[0], this_item, fast_tried);
        if (truth >= 0) {
            if (held_count > depth) release_holds(depth);
            return truth;
        }
    }
    int answer = -1;
    {
        RESULT_LIST list;
        ARGUMENT_HOLDS holding(list);
        for (uint32_t i = 0; i < n && answer < 0; ++i) {
            holding.before(parts[i]);
            eval_cached(parts[i], this_item, list);
            if (i > 0 || list.count != 1) continue;
            // The checks of a frame's bool argument, passed; a bool cell
            // with a value, the common case, passes them all.
            UNION_DATA* value = argument_value(list.head->item.cell);
            if (value != nullptr && value->tag == tag_bool && value->payload != nullptr &&
                value->scalar.bool_word < 0xFFFF)
                answer = value->scalar.bool_word != 0 ? 1 : 0;
            else if (value != nullptr && is_defined_value(value) && !is_empty_value(value) &&
                     base_type_code(value) == tag_bool)
                answer = value->bool_word() != 0 ? 1 : 0;
        }
        if (answer < 0) push_result_list(frame_node, new RESULT_LIST(std::move(list)));
    }
    // A frame releases its holds after its list is freed; a parked list
    // keeps them for the frame that takes it.
    if (answer >= 0 && held_count > depth) release_holds(depth);
    return answer;
}

bool eval_condition(TOKEN* block, RESULT_ITEM this_item, const char* routine_name) {
    if (is_empty_operand(block))
        raise_error(block, routine_kind_procedure, routine_name, msg_text("leeargtypcodniceva"), error_kind_system);
    // A lone comparison of small ints needs no frame (the block node itself
    // is the expression).
    if (block->block_mode == block_mode_braced) {
        int fast = read_with_members(this_item, [block] { return fast_comparison(block); });
        if (fast < 0) fast = plain_equality(block);
        if (fast >= 0) return fast != 0;
        if (yields_one_bool(block)) {
            // Nor does any comparison or logical operator: its one bool
            // passes the frame's checks, and truth_of gives it.
            BLOCK_RUN run(block);
            return truth_of(block, this_item, true) != 0;
        }
    }
    BLOCK_RUN run(block);
    ARG_FRAME frame(block, this_item, true);
    // The condition is the statement's argument, not an operand: no side.
    if (frame.check_count(1) != nullptr)
        raise_error(block, routine_kind_procedure, routine_name, frame.message(false), error_kind_system);
    if (frame.check_type(0, 'b', true) != nullptr)
        raise_error(block, routine_kind_procedure, routine_name, frame.message(false), error_kind_system);
    return frame.value(0)->bool_word() != 0;
}

}  // namespace morvu
