// The control functions: if(a){b}{c} yields the results of one of two
// blocks, for(v, x1, ..., xn, {code}) yields the results of a block run once
// per value, func(name, ...) calls a function whose name is a text.
//
// Arguments are evaluated once per call. On a node's first evaluation the
// routine call by name has already evaluated them and parked the list on the
// argument subtree: if takes its condition from that list (the two blocks
// are its last two entries, one code value each) and func hands the list on
// as prepared arguments; later evaluations evaluate for themselves.
//
// A block runs with the block mode 0xFFFF, so that the evaluator evaluates
// its contents instead of making a code value, and gets its previous mode
// back on every way out.

#include <memory>
#include <string>
#include <vector>

#include "eval/arg_frame.h"
#include "eval/builtin_functions.h"
#include "eval/builtin_handlers.h"
#include "eval/evaluator.h"
#include "exec/call_routine.h"
#include "exec/control_statements.h"
#include "exec/for_values.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/payload_records.h"
#include "values/signatures.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// The list the routine call parked on the argument subtree for this call,
// taken off the stack; null when the arguments are still to be evaluated.
std::unique_ptr<RESULT_LIST> take_parked_arguments(TOKEN* node) {
    TOKEN* arguments = node->left;
    if (arguments == nullptr || arguments->block_mode == block_mode_running) return nullptr;
    std::vector<RESULT_LIST*>& stack = arguments->result_stack;
    if (stack.empty() || stack.back() == nullptr) return nullptr;
    return std::unique_ptr<RESULT_LIST>(pop(stack));
}

// The parts of if(a){b}{c}, split at the bracket juxtapositions; false for
// any other number of parts. The chain leans left, so the parts are the
// right operands down its left spine; another shape is split in full.
bool if_parts(TOKEN* arguments, TOKEN* parts[3]) {
    TOKEN* chain = arguments;
    bool lean = true;
    for (int i = 2; i > 0 && lean; --i) {
        lean =
            chain != nullptr && is_juxtaposition(chain) && chain->right != nullptr && !is_juxtaposition(chain->right);
        if (lean) {
            parts[i] = chain->right;
            chain = chain->left;
        }
    }
    if (lean && chain != nullptr && !is_juxtaposition(chain)) {
        parts[0] = chain;
        return true;
    }
    if (arguments == nullptr) return false;
    TOKEN_LIST all(arguments, juxtaposition_chain);
    if (all.count() != 3) return false;
    for (uint32_t i = 0; i < 3; ++i) parts[i] = all[i];
    return true;
}

// The condition of if: the first result of its first part, true or false.
bool if_condition(TOKEN* node, RESULT_ITEM this_item, TOKEN* condition_part) {
    RESULT_LIST evaluated;
    std::unique_ptr<RESULT_LIST> parked = take_parked_arguments(node);
    uint32_t count = 0;
    RESULT_NODE* first = nullptr;
    if (parked != nullptr) {
        // The parked list ends with the code values of the two blocks.
        count = parked->count >= 2 ? parked->count - 2 : 0;
        first = parked->head;
    } else {
        eval_cached(condition_part, this_item, evaluated);
        count = evaluated.count;
        first = evaluated.head;
    }
    if (count == 0) raise_builtin_error(node, msg_text("erw1argtypboo"));
    UNION_DATA* cell = follow_aliases(first->item.cell);
    if (base_type_code(cell) != tag_bool) raise_builtin_error(node, msg_text("erw1argtypboo"));
    UNION_DATA* value = argument_value(first->item.cell);
    if (!is_defined_value(value)) raise_builtin_error(node, format_string(msg_text("tesargnicdef"), 0));
    if (is_empty_value(value)) raise_builtin_error(node, format_string(msg_text("tesarglee"), 0));
    return value->bool_word() != 0;
}

}  // namespace

void builtin_if(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    TOKEN* parts[3] = {nullptr, nullptr, nullptr};
    if (!if_parts(node->left, parts)) raise_builtin_error(node, msg_text("erw3argformif"));
    if (parts[1]->block_mode == block_mode_none || parts[2]->block_mode == block_mode_none)
        raise_builtin_error(node, msg_text("erwcod23arg"));
    TOKEN* block = if_condition(node, this_item, parts[0]) ? parts[1] : parts[2];

    BLOCK_RUN run(block);
    ARG_FRAME frame(block, this_item, true);
    for (RESULT_NODE* entry = frame.results->head; entry != nullptr; entry = entry->next) {
        RESULT_ITEM& item = entry->item;
        UNION_DATA* value = argument_value(item.cell);
        const char* refusal = nullptr;
        if (is_smalltype_value(value, true)) {
            refusal = make_copy_value(results, value, 0, false, false);
        } else if (item.owned != 0) {
            // A temporary container or object: a reference to it would be
            // dissolved with the frame, so the result itself is passed on.
            results.append(
                RESULT_ITEM{item.cell, is_link_cell(item.cell) ? access_handed_out : access_function_result, 1});
            item.owned = 0;
        } else {
            refusal = make_copy_value(results, value, 1, false, false);
        }
        if (refusal != nullptr) raise_builtin_error(node, refusal);
    }
}

namespace {

// One pass of for: the value assigned to the loop variable, then the block
// evaluated and its results collected. Never ends the walk early.
struct FOR_FUNCTION_PASS {
    TOKEN* node;
    UNION_DATA* variable;
    const CELL_WATCH& variable_watch;
    TOKEN* block;
    RESULT_ITEM context;
    RESULT_LIST& results;

    void run(UNION_DATA* value, bool value_alive) const {
        if (!variable_watch.alive() || !value_alive) raise_builtin_error(node, msg_text("insnicdef"));
        if (value_under_iteration(variable)) {
            const std::string key = std::string("for") + method_key_mark;
            raise_system_error(node, method_context(node, "sys", key, false) + ' ' + msg_text("unzwaeite"));
        }
        if (const char* message = assign_by_mode(variable, follow_aliases(value), -1))
            raise_builtin_error(node, message);
        BLOCK_RUN run(block);
        ARG_FRAME pass(block, context, true);
        for (uint32_t k = 0; k < pass.count(); ++k) {
            if (const char* message = make_copy_value(results, follow_aliases(pass[k].cell), 4, false, false))
                raise_builtin_error(node, message);
        }
    }
    static bool visit(void* pass, UNION_DATA* value, bool alive) {
        static_cast<const FOR_FUNCTION_PASS*>(pass)->run(value, alive);
        return false;
    }
};

// builtin_for once its arguments are evaluated, or parked for its frame.
void run_builtin_for(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, FOR_ARGUMENTS& walked, bool evaluated) {
    if (evaluated) {
        if (walked.walkable() && walked.has_values()) {
            TOKEN* block = nullptr;
            RESULT_ITEM context;
            if (const char* gone = walked.body_and_context(block, context)) raise_builtin_error(node, gone);
            UNION_DATA* variable = follow_aliases(walked.variable().cell);
            const CELL_WATCH variable_watch(RESULT_ITEM{variable, access_variable, 0});
            FOR_FUNCTION_PASS pass{node, variable, variable_watch, block, context, results};
            walked.walk(FOR_VALUE_VISIT{FOR_FUNCTION_PASS::visit, &pass});
            return;
        }
        walked.park_expanded(node);
    }
    ARG_FRAME frame(node->left, this_item, true);
    const char* refusal = frame.check_count_range(3, -1);
    if (refusal == nullptr && !cuts_own_reference(frame[0].cell, frame[0].mode))
        refusal = frame.check_variable(0, false);
    const uint32_t last = frame.count() - 1;
    if (refusal == nullptr) refusal = frame.check_type(last, 'x', false);
    if (refusal != nullptr) raise_builtin_error(node, frame.message(false));
    const CODE_DATA* code = frame.value(last)->code_data();
    TOKEN* block = code->block;
    if (block == nullptr) raise_builtin_error(node, format_string(msg_text("tesarglee"), static_cast<int32_t>(last)));
    RESULT_ITEM context;
    if (const char* gone = code_context(*code, &context)) raise_builtin_error(node, gone);

    UNION_DATA* variable = follow_aliases(frame[0].cell);
    const CELL_WATCH variable_watch(RESULT_ITEM{variable, access_variable, 0});
    std::vector<CELL_WATCH> watches;
    watches.reserve(last - 1);
    for (uint32_t i = 1; i < last; ++i) watches.emplace_back(frame[i]);
    const FOR_FUNCTION_PASS pass{node, variable, variable_watch, block, context, results};
    for (uint32_t i = 1; i < last; ++i) pass.run(frame[i].cell, watches[i - 1].alive());
}

}  // namespace

void builtin_for(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    FOR_ARGUMENTS walked;
    const bool evaluated = FOR_ARGUMENTS::has_range_to_walk(node) && walked.evaluate(node, this_item, false);
    run_builtin_for(node, this_item, results, walked, evaluated);
}

bool builtin_for_first_run(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    if (*node->text != "for" || routine_name_defined("for") || !FOR_ARGUMENTS::has_range_to_walk(node)) return false;
    FOR_ARGUMENTS walked;
    if (!walked.evaluate(node, this_item, true)) return true;
    if (node->block_mode == block_mode_none) node->evaluator = builtin_for;
    run_builtin_for(node, this_item, results, walked, true);
    return true;
}

void builtin_func(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    std::unique_ptr<RESULT_LIST> parked = take_parked_arguments(node);
    UNWIND_RESULT_STACK unwind(node);
    ROUTINE_REQUEST request;
    request.node = node;
    request.receiver = this_item;
    request.context = this_item;
    request.results = &results;
    request.runtime_name = true;

    // The arguments already evaluated: the name first, then the function's
    // arguments, made into the key the routine call would make of them.
    CALL_ARGS prepared;
    if (parked != nullptr) {
        if (parked->count == 0) raise_builtin_error(node, format_string(msg_text("erwminarg"), 1));
        UNION_DATA* name = follow_aliases(parked->head->item.cell);
        if (name->tag != tag_str && name->tag != raise_tag(tag_str))
            raise_error(node, routine_kind_function, "sys:call", msg_text("erwzeiket1arg"), error_kind_system);
        if (name->payload != nullptr) prepared.key = name->str_data()->text;
        prepared.key += method_key_mark;
        prepared.args.reserve(parked->count - 1);
        for (RESULT_NODE* entry = parked->head->next; entry != nullptr; entry = entry->next) {
            prepared.key += key_type_name(follow_aliases(entry->item.cell));
            prepared.key += ';';
            prepared.args.push_back(entry->item);
        }
        if (!prepared.args.empty()) prepared.key += method_key_mark;
        request.prepared = &prepared;
    }
    if (call_routine_status(request) == CALL_OUTCOME::not_defined) raise_builtin_error(node, not_defined_message());
}

}  // namespace morvu
