#include "eval/evaluator.h"

#include "eval/builtin_functions.h"
#include "eval/builtin_handlers.h"

#include <memory>
#include <string>

#include "eval/member_access.h"
#include "eval/names.h"
#include "eval/operator_handlers.h"
#include "exec/call_routine.h"
#include "exec/user_call.h"
#include "frontend/name_resolution.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/build_options.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/factories.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// The list rule of ',': the operands of the chain, each through eval_node
// itself (not its stored handler), all appending to the same list. The ','
// node keeps eval_node, so the rule runs again on every evaluation. What an
// operand names is held while the later ones are evaluated.
// A short list gathers its operands in the frame: a sort key or a pair of
// values is evaluated once per element.
void eval_list(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    constexpr uint32_t frame_operands = 16;
    TOKEN* gathered[frame_operands];
    const uint32_t count = copy_operands(node, ',', gathered, frame_operands);
    TOKEN_LIST operands;
    if (count > frame_operands) append_operands(node, ',', &operands);
    ARGUMENT_HOLDS holding(results);
    for (uint32_t i = 0; i < count; ++i) {
        TOKEN* operand = count > frame_operands ? operands[i] : gathered[i];
        holding.before(operand);
        eval_node(operand, this_item, results);
    }
}

// Step 7 of the dispatch and the whole of call_named_routine: the routine
// call by name first, then the built-in functions. The guard frees whatever
// argument lists the call left parked on the argument subtree.
void run_named_call(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    if constexpr (fast_paths) {
        int64_t value = 0;
        if (call_int_routine_at_once(node, value)) {
            deliver_int_result(value, int_result_request.node == node ? int_result_request.slot : nullptr, results);
            int_result_request = INT_RESULT_REQUEST{};
            return;
        }
    }
    UNWIND_RESULT_STACK guard(node);
    ROUTINE_REQUEST request;
    request.node = node;
    request.receiver = this_item;
    request.results = &results;
    request.context = this_item;
    if (call_routine_status(request) == CALL_OUTCOME::made) return;
    if (call_builtin_function(node, this_item, results)) return;
    raise_not_defined();
}

// Operators dispatched on (op1, op2) whether or not the node has a text
// (the arithmetic, repetition, ranges and pairs); null for the others.
EVAL_HANDLER arithmetic_handler(char op1, char op2) {
    switch (op1) {
    case '%': return op2 == 0 ? eval_modulo : nullptr;
    case '*': return op2 == 0 ? eval_times : op2 == '*' ? eval_repeat : nullptr;
    case '+': return op2 == 0 ? eval_plus : op2 == '+' ? eval_unary_plus : nullptr;
    case '-':
        if (op2 == 0) return eval_minus;
        if (op2 == '-') return eval_unary_minus;
        return op2 == '>' ? eval_arrow : nullptr;
    case '/': return op2 == 0 ? eval_divide : nullptr;
    case '^': return op2 == 0 ? eval_caret : nullptr;
    case '.': return op2 == '.' ? eval_range<range_both> : op2 == ':' ? eval_range<range_ascending> : nullptr;
    case ':': return op2 == '.' ? eval_range<range_descending> : nullptr;
    default: return nullptr;
    }
}

// The operators of nodes without text: logic, comparisons, member access.
EVAL_HANDLER logic_handler(char op1, char op2) {
    switch (op1) {
    case '|': return op2 == '|' ? eval_or : nullptr;
    case '&': return op2 == '&' ? eval_and : nullptr;
    case '!':
        if (op2 == 0) return eval_not;
        if (op2 == '=') return eval_comparison<compare_unequal>;
        if (op2 == '@') return eval_comparison<compare_other>;
        return op2 == '?' ? eval_comparison<compare_unequal_ref> : nullptr;
    case '=': return op2 == '=' ? eval_comparison<compare_equal> : nullptr;
    case '@': return op2 == '@' ? eval_comparison<compare_same> : nullptr;
    case '?': return op2 == '?' ? eval_comparison<compare_equal_ref> : nullptr;
    case '.':
    case ':': return op2 == 0 ? eval_member : nullptr;
    case '<':
        if (op2 == 0) return eval_comparison<compare_less_than>;
        return op2 == '=' ? eval_comparison<compare_less_equal> : nullptr;
    case '>':
        if (op2 == 0) return eval_comparison<compare_greater_than>;
        return op2 == '=' ? eval_comparison<compare_greater_equal> : nullptr;
    default: return nullptr;
    }
}

// Stores the handler (block mode 0 only) and runs it.
inline void store_and_call(EVAL_HANDLER handler, TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    store_handler(node, handler);
    handler(node, this_item, results);
}

// eval_node is the initial handler of every node built after start-up.
struct EVALUATOR_INSTALLER {
    EVALUATOR_INSTALLER() { install_evaluator(); }
} evaluator_installer;

}  // namespace

void install_evaluator() { initial_evaluator = eval_node; }

const RESULT_NODE* ARGUMENT_HOLDS::hold_appended(const RESULT_LIST& list, const RESULT_NODE* last_held) {
    hold_items(last_held != nullptr ? last_held->next : list.head);
    return list.tail;
}

RESULT_ITEM make_code_value(TOKEN* block, RESULT_ITEM this_item) {
    auto* cell = new UNION_DATA(tag_code);
    CODE_DATA* code = cell->code_data();
    code->block = block;
    code->this_item = RESULT_ITEM{this_item.cell, this_item.mode, 0};  // never owns the object
    return RESULT_ITEM{cell, access_literal, 1};
}

void eval_node(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    const char op1 = node->op1;
    const char op2 = node->op2;

    // 1. A curly block: a new code value each time; nothing is stored.
    if (node->block_mode == block_mode_braced) {
        results.append(make_code_value(node, this_item));
        return;
    }

    // A block that runs as an expression and holds the declarations of the
    // names first used in it after its expression: that expression.
    if (node->block_mode == block_mode_running && op1 == ';' && op2 == 0) {
        if (TOKEN* expression = expression_of_block(node)) {
            eval_cached(expression, this_item, results);
            return;
        }
    }

    // 2. Number literals: an int when the literal has no decimals.
    if (node->number) {
        store_and_call(node->number->scale == 0 ? eval_int_literal : eval_real_literal, node, this_item, results);
        return;
    }

    // 3. String, empty block and character literals.
    if (op2 == 0) {
        if (op1 == '"') {
            store_and_call(eval_str_literal, node, this_item, results);
            return;
        }
        if (op1 == '#') {
            if (node->block_mode != block_mode_none) raise_system_error(node, msg_text("leeargtypcodniceva"));
            store_handler(node, eval_empty_code);
            return;
        }
        if (op1 == '\'') {
            store_and_call(eval_char_literal, node, this_item, results);
            return;
        }
    }

    // 4. An operator standing alone: an oper value.
    if (!node->text && node->left == nullptr && node->right == nullptr) {
        store_and_call(eval_oper_literal, node, this_item, results);
        return;
    }

    // 5. Arithmetic, repetition, ranges, pairs and the ',' list.
    if (EVAL_HANDLER handler = arithmetic_handler(op1, op2)) {
        store_and_call(handler, node, this_item, results);
        return;
    }
    if (op1 == ',' && op2 == 0) {
        eval_list(node, this_item, results);
        return;
    }

    if (node->text) {
        // 6. A name.
        if (op1 != '"' && op1 != '\'' && op1 != '(') {
            const std::string& name = *node->text;
            EVAL_HANDLER handler = name == "this"    ? eval_this
                                   : name == "true"  ? eval_true
                                   : name == "false" ? eval_false
                                                     : eval_variable;
            store_and_call(handler, node, this_item, results);
            return;
        }
        // 7. A call: stored before its outcome is known; a built-in function
        // that takes the call over replaces the handler by its own.
        if ((op1 == '(' && op2 == 0) || (op1 == '"' && op2 == '(')) {
            store_handler(node, call_named_routine);
            if (builtin_for_first_run(node, this_item, results)) return;
            run_named_call(node, this_item, results);
            return;
        }
    } else if (EVAL_HANDLER handler = logic_handler(op1, op2)) {
        // 8. Logic, comparisons and member access.
        store_and_call(handler, node, this_item, results);
        return;
    }

    // 9. Assignments, lone alternatives and every other form.
    store_handler(node, raise_not_evaluable);
    raise_not_evaluable(node, this_item, results);
}

void raise_not_evaluable(TOKEN* node, RESULT_ITEM, RESULT_LIST&) { raise_system_error(node, msg_text("ausniceca")); }

void call_named_routine(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    run_named_call(node, this_item, results);
}

void eval_int_literal(TOKEN* node, RESULT_ITEM, RESULT_LIST& results) {
    // A copy of a machine integer's plain form needs no record of its own.
    int64_t value = 0;
    if (node->number->mantissa.plain_copy_int64(value)) {
        if (UNION_DATA* cell = new_inline_int_cell(value)) {
            results.append(RESULT_ITEM{cell, access_literal, 1});
            return;
        }
    }
    auto number = std::make_unique<INT_DATA>(node->number->mantissa);
    results.append(RESULT_ITEM{new_int_cell(std::move(number)), access_literal, 1});
}

void eval_real_literal(TOKEN* node, RESULT_ITEM, RESULT_LIST& results) {
    results.append(make_real_value(*node->number));
}

void eval_str_literal(TOKEN* node, RESULT_ITEM, RESULT_LIST& results) {
    results.append(make_str_value(node->text ? *node->text : std::string()));
}

void eval_char_literal(TOKEN* node, RESULT_ITEM, RESULT_LIST& results) {
    char byte = node->text && !node->text->empty() ? (*node->text)[0] : 0;
    results.append(make_char_value(byte));
}

void eval_oper_literal(TOKEN* node, RESULT_ITEM, RESULT_LIST& results) {
    results.append(make_oper_value(node->op1, node->op2));
}

// ---- result stacks ----

RESULT_LIST* pop(std::vector<RESULT_LIST*>& stack) {
    // An internal diagnostic, like pop of a list: only a miscounting pusher
    // can provoke it.
    if (stack.empty()) throw ERROR("", 0, "internal error in pop(): list is empty", 's');
    RESULT_LIST* list = stack.back();
    stack.pop_back();
    return list;
}

void unwind_result_stack(TOKEN* call_node, uint32_t depth) {
    if (call_node == nullptr || call_node->left == nullptr) return;
    std::vector<RESULT_LIST*>& stack = call_node->left->result_stack;
    while (stack.size() > depth) delete pop(stack);
}

}  // namespace morvu
