// The folding functions reduce all their arguments, after expansion, to one
// result: min and max by the operator '<', and and or on bools, sum and prod
// by "+=" and "*=". They work on every type that has the operator, objects of
// user types through the type's own operator method.
//
// The result of min, max, sum and prod is a new cell of the first argument's
// type that starts as a copy of it and is changed in place. It is appended
// before the fold starts, so an error in the middle leaves it to the caller's
// list. Among equal values the earliest argument stays the result of min and
// max: the comparison is strict.

#include <memory>
#include <string>

#include "eval/arg_frame.h"
#include "eval/builtin_functions.h"
#include "eval/builtin_handlers.h"
#include "eval/operator_handlers.h"
#include "exec/pending_exception.h"
#include "frontend/token.h"
#include "runtime/messages.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/union_data.h"
#include "values/value_operators.h"
#include "values/value_order.h"

namespace morvu {

namespace {

bool name_is(const TOKEN* node, const char* name) { return *node->text == name; }

// The copy of an argument as the fold's start: a new cell of its type, owned.
RESULT_ITEM start_value(TOKEN* node, const ARG_FRAME& frame) {
    const RESULT_ITEM first{follow_aliases(frame[0].cell), frame[0].mode, 0};
    return make_arith_result(node, first, true, 'f', builtin_context(node).c_str());
}

// The message of the operator '<' of a user type, filled with the type.
std::string less_message(const char* identifier, const char* detail, UNION_DATA* argument) {
    const std::string type = type_name_text(value_type_name(argument, true));
    std::string format = detail == nullptr ? msg_text(identifier) : msg_text_concat2(identifier, detail);
    return format_string(format.c_str(), type.c_str());
}

// Whether the argument replaces the current result, decided by the operator
// '<' of the argument's user type on copies of both.
bool object_replaces(TOKEN* node, UNION_DATA* result, UNION_DATA* argument, bool is_max) {
    const std::string routine = builtin_context(node);
    RESULT_LIST copies;  // owns the two temporaries
    RESULT_ITEM argument_copy =
        make_arith_result(node, RESULT_ITEM{argument, access_variable, 0}, true, 'f', routine.c_str());
    copies.append(argument_copy);
    RESULT_ITEM result_copy =
        make_arith_result(node, RESULT_ITEM{result, access_variable, 0}, true, 'f', routine.c_str());
    copies.append(result_copy);
    argument_copy.mode = 3;
    result_copy.mode = 3;

    RESULT_LIST answer;
    const CALL_OUTCOME outcome = is_max ? call_user_operator_status(node, "<", result_copy, argument_copy, &answer)
                                        : call_user_operator_status(node, "<", argument_copy, result_copy, &answer);
    if (outcome == CALL_OUTCOME::not_defined || answer.count == 0)
        raise_builtin_error(node, less_message("fehopekledattyp", nullptr, argument));
    if (answer.count > 1) raise_builtin_error(node, less_message("operkledattyp", "erwgen1erg", argument));
    UNION_DATA* decision = argument_value(answer.head->item.cell);
    if (decision == nullptr || base_type_code(decision) != tag_bool || !is_defined_value(follow_link(decision)))
        raise_builtin_error(node, less_message("operkledattyp", "erwbooerg", argument));
    return follow_link(decision)->bool_word() == 1;
}

// min and max of arguments that are all machine ints, held by value or
// behind aliases: the fold compares the numbers themselves and makes one
// int for the result, as copying the first argument and replacing it would
// end. False, with nothing appended, when any argument is another value.
bool fold_machine_ints(const ARG_FRAME& frame, bool is_max, RESULT_LIST& results) {
    int64_t best = 0;
    for (uint32_t i = 0; i < frame.count(); ++i) {
        const UNION_DATA* cell = follow_aliases(frame[i].cell);
        int64_t number = 0;
        if (cell == nullptr || (cell->tag != tag_int && cell->tag != raise_tag(tag_int)) || cell->payload == nullptr ||
            !cell_int64(cell, number))
            return false;
        if (i == 0 || (is_max ? best < number : number < best)) best = number;
    }
    RESULT_ITEM result = make_int_value_from_number(best);
    result.mode = 3;
    results.append(result);
    return true;
}

}  // namespace

void builtin_min_max(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    const bool is_max = !name_is(node, "min");
    ARG_FRAME frame(node->left, this_item, true);
    if (frame.check_count_range(2, -1) != nullptr) raise_builtin_error(node, frame.message(false));
    if (fold_machine_ints(frame, is_max, results)) return;

    RESULT_ITEM result = start_value(node, frame);
    result.mode = 3;
    results.append(result);
    for (uint32_t i = 1; i < frame.count(); ++i) {
        UNION_DATA* argument = follow_aliases(frame[i].cell);
        bool replaces = false;
        if (base_type_code(argument) == tag_object) {
            replaces = object_replaces(node, result.cell, argument, is_max);
        } else {
            const char* message = is_max ? compare_less(result.cell, argument, &replaces)
                                         : compare_less(argument, result.cell, &replaces);
            if (message != nullptr) raise_builtin_error(node, message);
        }
        if (!replaces) continue;
        if (const char* message = assign_value(result.cell, argument_value(frame[i].cell)))
            raise_builtin_error(node, message);
    }
}

void builtin_and_or(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    const bool is_and = name_is(node, "and");
    ARG_FRAME frame(node->left, this_item, true);
    if (frame.check_count_range(1, -1) != nullptr) raise_builtin_error(node, frame.message(false));
    // The first false ends and, the first true ends or; the arguments after
    // it are neither tested nor read.
    bool value = is_and;
    for (uint32_t i = 0; i < frame.count(); ++i) {
        if (frame.check_type(i, 'b', true) != nullptr) raise_builtin_error(node, frame.message(false));
        const bool argument = frame.value(i)->bool_word() != 0;
        if (argument != is_and) {
            value = argument;
            break;
        }
    }
    results.append(make_bool_value(value, 3));
}

void builtin_sum_prod(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    const bool is_sum = name_is(node, "sum");
    ARG_FRAME frame(node->left, this_item, true);
    if (frame.check_count_range(1, -1) != nullptr) raise_builtin_error(node, frame.message(false));

    const RESULT_ITEM result = start_value(node, frame);
    results.append(result);
    for (uint32_t i = 1; i < frame.count(); ++i) {
        UNION_DATA* argument = follow_aliases(frame[i].cell);
        if (base_type_code(argument) == tag_object) {
            if (call_user_operator_status(node, is_sum ? "+=" : "*=", result, frame[i], nullptr) ==
                CALL_OUTCOME::not_defined)
                raise_builtin_error(node, not_defined_message());
            continue;
        }
        const char* message = is_sum ? op_add_assign(result.cell, argument) : op_mul_assign(result.cell, argument);
        if (message != nullptr) raise_builtin_error(node, message);
    }
}

}  // namespace morvu
