// Methods of oper: an operator held as a value. `eval` applies an
// expression operator to one or two operands and yields what the operator
// yields in an expression; `exec` performs an assignment operator (or the
// repetition ";;") on two arguments exactly as the statement would. Both go
// through the evaluator's and the statements' own routines, so an oper value
// behaves like the operator written in place, user operators included.
//
// The payload is the operator's two characters, the second 0 for a
// one-character operator.

#include <memory>
#include <string>

#include "eval/fast_path.h"
#include "eval/operator_handlers.h"
#include "numbers/int_data.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "types/arg_checks.h"
#include "types/method_call.h"
#include "values/factories.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_operators.h"
#include "values/value_order.h"

namespace morvu {

namespace {

constexpr uint16_t pair(char first, char second) {
    return static_cast<uint16_t>(static_cast<unsigned char>(first) << 8 | static_cast<unsigned char>(second));
}

// The operator named by the first argument's text. The repetition ";;" is
// no operator of expressions, yet an oper value performs it with `exec`.
void fill_operator(const METHOD_CALL& call, char* chars) {
    const std::string& text = argument_value(call.arg(0).cell)->str_data()->text;
    if (text == ";;") {
        chars[0] = ';';
        chars[1] = ';';
        return;
    }
    call.raise_if(operator_by_name(chars, text, true));
}

using ANSWERING_RULE = const char* (*)(UNION_DATA*, UNION_DATA*, bool*);

// One bool from a rule that answers through *result or with a message.
void append_answer(const METHOD_CALL& call, RESULT_LIST& out, ANSWERING_RULE rule, UNION_DATA* a, UNION_DATA* b) {
    bool answer = false;
    call.raise_if(rule(a, b, &answer));
    out.append(make_bool_value(answer, 3));
}

void append_bool(RESULT_LIST& out, bool answer) { out.append(make_bool_value(answer, 3)); }

void apply_unary(const METHOD_CALL& call, uint16_t op, RESULT_ITEM a, RESULT_LIST& out) {
    switch (op) {
    case pair('-', 0): value_unary_minus(call.node, a, out); break;
    case pair('+', 0): value_unary_plus(call.node, a, out); break;
    case pair('!', 0): {
        bool answer = false;
        call.raise_if(op_not(a.cell, &answer));
        append_bool(out, answer);
        break;
    }
    default: call.raise(msg_text("unaopenicausfue"));
    }
}

void apply_binary(const METHOD_CALL& call, uint16_t op, RESULT_ITEM a, RESULT_ITEM b, RESULT_LIST& out) {
    TOKEN* node = call.node;
    switch (op) {
    case pair('+', 0): value_plus(node, a, b, out); break;
    case pair('-', 0): value_minus(node, a, b, out); break;
    case pair('*', 0): value_times(node, a, b, out); break;
    case pair('/', 0): value_divide(node, a, b, out); break;
    case pair('%', 0): value_modulo(node, a, b, out); break;
    case pair('^', 0): value_caret(node, a, b, out); break;
    case pair('*', '*'): value_repeat(node, a, b, out); break;
    case pair('.', '.'): value_range(node, a, b, range_both, out); break;
    case pair('.', ':'): value_range(node, a, b, range_ascending, out); break;
    case pair(':', '.'): value_range(node, a, b, range_descending, out); break;
    case pair('<', 0): append_answer(call, out, compare_less, a.cell, b.cell); break;
    case pair('<', '='): append_answer(call, out, op_less_equal, a.cell, b.cell); break;
    case pair('>', 0): append_answer(call, out, op_greater, a.cell, b.cell); break;
    case pair('>', '='): append_answer(call, out, op_greater_equal, a.cell, b.cell); break;
    case pair('=', '='): append_bool(out, is_equal_value(a.cell, b.cell, true)); break;
    case pair('!', '='): append_bool(out, !is_equal_value(a.cell, b.cell, true)); break;
    case pair('?', '?'): append_bool(out, cells_equal_ref(a.cell, b.cell)); break;
    case pair('!', '?'): append_bool(out, cells_unequal_ref(a.cell, b.cell)); break;
    case pair('@', '@'): append_bool(out, is_same_cell(a.cell, b.cell)); break;
    case pair('!', '@'): append_bool(out, is_other_cell(a.cell, b.cell)); break;
    case pair('&', '&'): append_answer(call, out, op_and, a.cell, b.cell); break;
    case pair('|', '|'): append_answer(call, out, op_or, a.cell, b.cell); break;
    default: call.raise(msg_text("binopenicausfue"));
    }
}

// "eval": the held operator on one or two operands, each passed as a
// constant input object standing for the argument's value.
void eval_operator(METHOD_CALL& call) {
    UNION_DATA* oper = call.checked_receiver(true);
    call.raise_if(check_args_not_empty(*call.args));
    call.raise_if(check_arg_range(*call.args, 1, 2));
    const uint16_t op = pair(oper->oper_chars()[0], oper->oper_chars()[1]);
    const RESULT_ITEM a{argument_value(call.arg(0).cell), 2, 0};
    // The results are gathered apart, so that an error leaves none behind.
    RESULT_LIST out;
    if (call.count() == 1) {
        apply_unary(call, op, a, out);
    } else {
        apply_binary(call, op, a, RESULT_ITEM{argument_value(call.arg(1).cell), access_constant_input, 0}, out);
    }
    while (!out.empty()) call.append(pop(out));
}

// "exec": the held assignment operator with argument 0 as the target and
// argument 1 as the source, or the repetition of argument 1's block.
void exec_operator(METHOD_CALL& call) {
    UNION_DATA* oper = call.checked_receiver(true);
    call.raise_if(check_args_defined(*call.args));
    call.raise_if(check_arg_count(*call.args, 2));
    const char text[3] = {oper->oper_chars()[0], oper->oper_chars()[1], 0};
    if (text[0] == ';' && text[1] == ';') {
        call.raise_if(check_arg_type(*call.args, 0, tag_int, true));
        // A code value without a block has nothing to repeat.
        call.raise_if(check_arg_type(*call.args, 1, tag_code, true));
        TOKEN* block = follow_link(argument_value(call.arg(1).cell))->code_data()->block;
        repeat_block_entry(call.this_item, call.arg(0), block);
        return;
    }
    if (!assign_pair_entry(call.node, call.arg(0), call.arg(1), text)) call.raise(msg_text("binopenicausfue"));
}

// op.eval(x, y) of an arithmetic operator or a comparison on two machine
// ints: the result the general road's operators make for them, appended.
// False for every other operator (see fast_operation).
bool eval_on_ints(UNION_DATA* oper, int64_t x, int64_t y, RESULT_LIST& results) {
    bool answer = false;
    switch (pair(oper->oper_chars()[0], oper->oper_chars()[1])) {
    case pair('+', 0):
    case pair('-', 0):
    case pair('*', 0):
    case pair('/', 0):
    case pair('%', 0): {
        int64_t value = 0;
        if (!fast_operation(oper->oper_chars()[0], x, y, value)) return false;
        auto number = std::make_unique<INT_DATA>();
        number->assign_int64(value);
        results.append(RESULT_ITEM{new_int_cell(std::move(number)), access_expression, 1});
        return true;
    }
    case pair('<', 0): answer = x < y; break;
    case pair('<', '='): answer = x <= y; break;
    case pair('>', 0): answer = x > y; break;
    case pair('>', '='): answer = x >= y; break;
    case pair('=', '='): answer = x == y; break;
    case pair('!', '='): answer = x != y; break;
    default: return false;
    }
    append_bool(results, answer);
    return true;
}

// op.eval(a, b) on two small ints (eval_on_ints); false for every other
// value or result form.
bool plain_int_eval(const DIRECT_CALL& call) {
    UNION_DATA* oper = call.defined_receiver(tag_oper);
    if (oper == nullptr || call.args.count != 2) return false;
    const UNION_DATA* a = argument_value(call.args.head->item.cell);
    const UNION_DATA* b = argument_value(call.args.tail->item.cell);
    int64_t x = 0;
    int64_t y = 0;
    if (a == nullptr || b == nullptr || lower_tag(a->tag) != tag_int || lower_tag(b->tag) != tag_int ||
        a->payload == nullptr || b->payload == nullptr || !cell_int64(a, x) || !cell_int64(b, y))
        return false;
    return eval_on_ints(oper, x, y, *call.results);
}

// plain_int_eval with the two ints read already.
bool int_values_eval(const DIRECT_CALL& call, const int64_t* values, size_t count) {
    UNION_DATA* oper = call.defined_receiver(tag_oper);
    return oper != nullptr && count == 2 && eval_on_ints(oper, values[0], values[1], *call.results);
}

}  // namespace

DIRECT_HANDLER oper_direct_for(const std::string& key, bool function) {
    return function && key == "eval\xA7int;int;\xA7" ? plain_int_eval : nullptr;
}

INT_DIRECT_HANDLER oper_int_direct_for(const std::string& key) {
    return key == "eval\xA7int;int;\xA7" ? int_values_eval : nullptr;
}

bool oper_reads_int_arguments(const std::string& key) {
    return key == "eval\xA7int;int;\xA7" || key == "eval\xA7int;\xA7";
}

bool oper_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        call.raise_if(check_arg_not_empty(*call.args, 0));
        char chars[2];
        fill_operator(call, chars);
        RESULT_ITEM made = make_oper_value(chars[0], chars[1]);
        made.mode = 3;
        call.append(made);
        return true;
    }
    if (key_has_prefix(key, "eval\xA7")) {
        eval_operator(call);
        return true;
    }
    return false;
}

bool oper_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        UNION_DATA* oper = call.checked_receiver();
        call.refuse_constant();
        call.raise_if(check_arg_defined(*call.args, 0));
        fill_operator(call, oper->oper_chars());
        return true;
    }
    if (key_has_prefix(key, "exec\xA7")) {
        exec_operator(call);
        return true;
    }
    return false;
}

}  // namespace morvu
