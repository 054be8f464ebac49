// Repetition ("**"), the range operators ("..", ".:", ":.") and the pair
// operator ("->"). Repetitions and ranges yield one result per element, so
// they can stand wherever an argument list is expected.

#include <cstdint>
#include <limits>

#include "eval/arg_frame.h"
#include "eval/evaluator.h"
#include "eval/fast_path.h"
#include "eval/operator_handlers.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/factories.h"
#include "values/union_data.h"

namespace morvu {

namespace {

void require_one_operand(const ARG_FRAME& frame, TOKEN* node, const char* name) {
    if (frame.check_count(1) != nullptr)
        raise_error(node, routine_kind_operator, name, frame.message(true), error_kind_system);
}

// The value of an int exactly as a machine integer; false when it lies
// outside the int64 range.
bool exact_int64(const INT_DATA& number, int64_t* out) {
    constexpr int64_t limit = std::numeric_limits<int64_t>::max();
    int64_t magnitude = 0;
    for (int i = number.limb_count() - 1; i >= 0; --i) {
        int group = number.limb(i);
        if (magnitude > (limit - group) / 1000) return false;
        magnitude = magnitude * 1000 + group;
    }
    *out = number.sign() < 0 ? -magnitude : magnitude;
    return true;
}

// A count as a machine integer, saturated: a count beyond the int64 range
// would exhaust memory long before a wrapped one could mislead.
int64_t saturated_count(const INT_DATA& number) {
    int64_t value = 0;
    if (exact_int64(number, &value)) return value;
    return number.sign() < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
}

// How many ints a span that is not empty holds, saturated.
uint64_t span_count(const RANGE_SPAN& span) {
    int64_t first = span.first;
    int64_t last = span.last;
    if (!span.machine) {
        // Ends beyond 64 bits may still lie close together.
        const INT_DATA distance = span.big_last - span.big_first;
        if (!exact_int64(distance, &last)) return UINT64_MAX;
        first = 0;
    }
    const uint64_t distance = last >= first ? static_cast<uint64_t>(last) - static_cast<uint64_t>(first)
                                            : static_cast<uint64_t>(first) - static_cast<uint64_t>(last);
    return distance == UINT64_MAX ? distance : distance + 1;
}

void append_int(RESULT_LIST& results, const INT_DATA& value) {
    auto* cell = new UNION_DATA(tag_int);
    results.append(RESULT_ITEM{cell, access_literal, 1});
    *cell->int_data() = value;
}

// The held value of a range end when it is a defined int or char, else null.
UNION_DATA* range_end(RESULT_ITEM item, char type) {
    UNION_DATA* value = follow_link(item.cell);
    if (lower_tag(value->tag) != type || !is_defined_value(value)) return nullptr;
    return value;
}

// The span of the tag ('i' or 'c') between two ends that are machine
// integers, in the mode.
void machine_span(char tag, int64_t first, int64_t last, int16_t mode, RANGE_SPAN& span) {
    span.tag = tag;
    span.machine = true;
    span.first = first;
    span.last = last;
    span.step = first <= last ? 1 : -1;
    span.empty = first < last ? mode == range_descending : first > last && mode == range_ascending;
}

// The span between two ends (links followed) in the mode; raises the type
// error of the range operators for ends that are not both ints or both chars.
void range_span(TOKEN* node, RESULT_ITEM from, RESULT_ITEM to, int16_t mode, RANGE_SPAN& span) {
    UNION_DATA* a = range_end(from, 'i');
    UNION_DATA* b = range_end(to, 'i');
    if (a != nullptr && b != nullptr) {
        const INT_DATA& first = *a->int_data();
        const INT_DATA& last = *b->int_data();
        // Machine arithmetic while both ends fit; the elements are the same.
        int64_t small_first = 0;
        int64_t small_last = 0;
        if (exact_int64(first, &small_first) && exact_int64(last, &small_last)) {
            machine_span('i', small_first, small_last, mode, span);
            return;
        }
        span.tag = 'i';
        span.machine = false;
        if (first == last || first < last) {
            span.empty = !(first == last || mode != range_descending);
            span.step = 1;
        } else {
            span.empty = mode == range_ascending;
            span.step = -1;
        }
        span.big_first = first;
        span.big_last = last;
        return;
    }
    a = range_end(from, 'c');
    b = range_end(to, 'c');
    if (a == nullptr || b == nullptr) raise_system_error(node, msg_text("erwintchalinrecpunpunope"));
    // Characters run in the order of their bytes taken as signed.
    machine_span('c', static_cast<signed char>(a->char_byte()), static_cast<signed char>(b->char_byte()), mode, span);
}

// Evaluates the two ends of a range node in the mode into the span. Ends
// that read as machine ints without running anything (literals, int
// variables, arithmetic of those) need no frame: reading them cannot fail
// nor change what the other reads.
template <int16_t MODE>
void evaluate_range_ends(TOKEN* node, RESULT_ITEM this_item, RANGE_SPAN& span) {
    int64_t first = 0;
    int64_t last = 0;
    if (node->left != nullptr && node->right != nullptr && fast_int(node->left, first) && fast_int(node->right, last)) {
        machine_span('i', first, last, MODE, span);
        return;
    }
    const char* name = MODE == range_both ? ".." : MODE == range_ascending ? ".:" : ":.";
    ARG_FRAME from(node->left, this_item, true);
    require_one_operand(from, node, name);
    if (!evaluates_inertly(node->right)) from.keep_alive();
    ARG_FRAME to(node->right, this_item, true);
    require_one_operand(to, node, name);
    range_span(node, from[0], to[0], MODE, span);
}

}  // namespace

bool is_range_node(const TOKEN* node) {
    if (node->number || node->block_mode != block_mode_none) return false;
    if (!node->text && node->left == nullptr && node->right == nullptr) return false;  // an oper literal
    return (node->op1 == '.' && (node->op2 == '.' || node->op2 == ':')) || (node->op1 == ':' && node->op2 == '.');
}

void eval_range_span(TOKEN* node, RESULT_ITEM this_item, RANGE_SPAN& span) {
    if (node->op1 == ':') evaluate_range_ends<range_descending>(node, this_item, span);
    else if (node->op2 == ':') evaluate_range_ends<range_ascending>(node, this_item, span);
    else evaluate_range_ends<range_both>(node, this_item, span);
}

void append_range_span(const RANGE_SPAN& span, RESULT_LIST& results) {
    if (span.empty) return;
    if (span.tag == 'c') {
        for (int64_t c = span.first;; c += span.step) {
            results.append(make_char_value(static_cast<char>(c)));
            if (c == span.last) break;
        }
        return;
    }
    require_room_for_results(span_count(span));
    if (span.machine) {
        for (int64_t i = span.first;; i += span.step) {
            append_int(results, INT_DATA(static_cast<long>(i)));
            if (i == span.last) break;
        }
        return;
    }
    const INT_DATA one(span.step);
    for (INT_DATA i = span.big_first;; i += one) {
        append_int(results, i);
        if (i == span.big_last) break;
    }
}

void value_repeat(TOKEN* node, RESULT_ITEM count, RESULT_ITEM value, RESULT_LIST& results) {
    UNION_DATA* number = follow_link(count.cell);
    if (lower_tag(number->tag) != tag_int || number->payload == nullptr) return;
    int64_t n = saturated_count(*number->int_data());
    if (n > 0) require_room_for_results(static_cast<uint64_t>(n));
    // A variable is repeated as references to it, unless it holds a value
    // that is always copied.
    int mode = is_variable_mode(value.mode) && !is_smalltype_value(follow_link(value.cell), true) ? 1 : 0;
    for (int64_t i = 0; i < n; ++i) {
        if (const char* message = make_copy_value(results, value.cell, mode, false, false))
            raise_error(node, routine_kind_operator, "**", message, error_kind_system);
    }
}

void value_range(TOKEN* node, RESULT_ITEM from, RESULT_ITEM to, int16_t mode, RESULT_LIST& results) {
    RANGE_SPAN span;
    range_span(node, from, to, mode, span);
    append_range_span(span, results);
}

void eval_repeat(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    ARG_FRAME count(node->left, this_item, true);
    require_one_operand(count, node, "**");
    if (count.check_type(0, 'i', true) != nullptr)
        raise_error(node, routine_kind_operator, "**", count.message(false), error_kind_system);
    if (!evaluates_inertly(node->right)) count.keep_alive();
    ARG_FRAME value(node->right, this_item, true);
    require_one_operand(value, node, "**");
    value_repeat(node, count[0], value[0], results);
}

template <int16_t MODE>
void eval_range(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    RANGE_SPAN span;
    evaluate_range_ends<MODE>(node, this_item, span);
    append_range_span(span, results);
}

template void eval_range<range_both>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_range<range_ascending>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
template void eval_range<range_descending>(TOKEN*, RESULT_ITEM, RESULT_LIST&);

void eval_arrow(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    ARG_FRAME first(node->left, this_item, true);
    require_one_operand(first, node, "->");
    if (!evaluates_inertly(node->right)) first.keep_alive();
    ARG_FRAME second(node->right, this_item, true);
    require_one_operand(second, node, "->");
    // Mode 4: a half that is a reference stays one, anything else is copied.
    const char* refusal = nullptr;
    RESULT_ITEM pair = make_any2_value(first[0].cell, 4, second[0].cell, 4, &refusal);
    if (refusal != nullptr) raise_error(node, routine_kind_operator, "->", refusal, error_kind_system);
    results.append(pair);
}

}  // namespace morvu
