// The operator handlers of the evaluator. Each node handler has the
// EVAL_HANDLER signature: eval_node stores it in the operator's TOKEN on the
// first evaluation and later evaluations call it directly. A node handler
// evaluates its operands through argument frames (exactly one value per
// operand; none or several is an error) and appends its results to the
// caller's list.
//
// The arithmetic operators have a second layer, the value routines, which
// compute from already evaluated items; the oper type and the folding
// built-ins call them directly. A value routine appends exactly one result or
// raises. Results are always new owned cells, never the operands: mode 1 for
// arithmetic, mode 3 for the retried "+" / "*" and for every comparison and
// logic result, mode 0 for range elements and pairs; a repetition's copies
// say by their mode whether they are copies (3) or references (9).
//
// Comparisons accept alternatives ('|' and '&' chains) on either side. Every
// leaf of an alternative tree is evaluated at most once per comparison: its
// list is parked on the leaf's result stack between a push and a pop of the
// alternative frames.

#pragma once

#include <cstdint>
#include <string>

#include "numbers/int_data.h"
#include "values/result_list.h"
#include "frontend/token.h"

namespace morvu {

// ---- arithmetic ----

// '+', '-', '*', '/', '%', '^' and the unary '++' (plus) and '--' (minus).
void eval_plus(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_minus(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_times(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_divide(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_modulo(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_caret(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_unary_plus(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// A sum of texts read without running code (plain variables, text and char
// literals, further such sums), as the general path would make it, written
// into the empty text; false, with nothing evaluated, for any other node.
bool inert_text_sum(TOKEN* node, std::string& text);

// How eval_text_sum_into went.
enum class SUM_INTO : uint8_t {
    declined,   // nothing evaluated: eval_plus makes the sum
    appended,   // the sum, read without running code, appended to `text`
    made,       // the sum's text made in `scratch`, in eval_plus's order
    evaluated,  // an operand gave no text: results hold what eval_plus gives
};

// A sum of texts that eval_plus makes by its text ways, made for a caller
// that appends it to `text` at once: a sum read without running code is
// appended there (a piece that is `text` gives what it held before); one
// whose operands run code is made in `scratch` (empty), since that code may
// read or change `text`. The operands are evaluated as eval_plus evaluates
// them, with the same checks and errors.
SUM_INTO eval_text_sum_into(TOKEN* node, RESULT_ITEM this_item, std::string& text, std::string& scratch,
                            RESULT_LIST& results);
void eval_unary_minus(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

void value_plus(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results);
void value_minus(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results);
void value_times(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results);
void value_divide(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results);
void value_modulo(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results);
void value_caret(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results);
void value_unary_plus(TOKEN* node, RESULT_ITEM operand, RESULT_LIST& results);
void value_unary_minus(TOKEN* node, RESULT_ITEM operand, RESULT_LIST& results);

// A new owned cell of the operand's base type (an any operand gives the type
// it holds; an object cell gets the operand's user type), mode 1. With copy
// the operand's value is assigned to it; a refused assignment deletes the cell
// and raises the message under the routine kind and name.
RESULT_ITEM make_arith_result(TOKEN* node, RESULT_ITEM operand, bool copy, char routine_kind, const char* routine_name);

// ---- repetition, ranges and pairs ----

// Range modes: 0 '..' either direction, 1 '.:' ascending only, -1 ':.'
// descending only.
inline constexpr int16_t range_both = 0;
inline constexpr int16_t range_ascending = 1;
inline constexpr int16_t range_descending = -1;

// '**': n ** x yields n copies of x (references to x when x is a variable
// holding no smalltype value).
void eval_repeat(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
// '..' is eval_range<range_both>, '.:' eval_range<range_ascending>, ':.'
// eval_range<range_descending>.
template <int16_t MODE>
void eval_range(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
extern template void eval_range<range_both>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_range<range_ascending>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_range<range_descending>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
// '->': one any2 pair.
void eval_arrow(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

void value_repeat(TOKEN* node, RESULT_ITEM count, RESULT_ITEM value, RESULT_LIST& results);
void value_range(TOKEN* node, RESULT_ITEM from, RESULT_ITEM to, int16_t mode, RESULT_LIST& results);

// The elements of a range known by its ends alone: ints (tag 'i') or chars
// (tag 'c', their bytes taken as signed) from first to last, stepping by step
// (+1 or -1); none when empty. Int ends outside the machine range are kept
// as numbers only (machine false): such a span is made, never stepped.
struct RANGE_SPAN {
    char tag = 'i';
    bool empty = true;
    bool machine = true;
    int step = 1;
    int64_t first = 0;
    int64_t last = 0;
    INT_DATA big_first;
    INT_DATA big_last;
};

// Whether the node is a range operator ('..', '.:' or ':.').
bool is_range_node(const TOKEN* node);
// Evaluates the range node's two ends exactly as its handler does (the same
// order, holds and errors) and gives the span of its elements.
void eval_range_span(TOKEN* node, RESULT_ITEM this_item, RANGE_SPAN& span);
// Appends the span's elements, each a new value, as the range yields them.
void append_range_span(const RANGE_SPAN& span, RESULT_LIST& results);

// ---- logic and comparisons ----

// '!', '||', '&&'; '||' and '&&' leave the right operand unevaluated when
// the left one decides.
void eval_not(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_or(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_and(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// A value comparator evaluates the two operand nodes itself (through frames
// that reuse the lists parked during the comparison) and compares them.
using VALUE_COMPARATOR = bool (*)(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);

bool compare_equal(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);          // ==
bool compare_unequal(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);        // !=
bool compare_same(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);           // @@
bool compare_other(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);          // !@
bool compare_equal_ref(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);      // ??
bool compare_unequal_ref(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);    // !?
bool compare_less_than(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);      // <
bool compare_greater_than(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);   // >
bool compare_less_equal(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);     // <=
bool compare_greater_equal(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right);  // >=

// The node handler of a comparison: eval_comparison<compare_equal> for '==',
// and so on for the ten comparators above.
template <VALUE_COMPARATOR COMPARE>
void eval_comparison(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
extern template void eval_comparison<compare_equal>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_comparison<compare_unequal>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_comparison<compare_same>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_comparison<compare_other>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_comparison<compare_equal_ref>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_comparison<compare_unequal_ref>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_comparison<compare_less_than>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_comparison<compare_greater_than>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_comparison<compare_less_equal>(TOKEN*, RESULT_ITEM, RESULT_LIST&);
extern template void eval_comparison<compare_greater_equal>(TOKEN*, RESULT_ITEM, RESULT_LIST&);

// Whether a handler is that of == != < > <= or >=, the comparisons that
// order two values.
inline bool is_ordering_comparison(EVAL_HANDLER handler) {
    return handler == eval_comparison<compare_less_than> || handler == eval_comparison<compare_less_equal> ||
           handler == eval_comparison<compare_greater_than> || handler == eval_comparison<compare_greater_equal> ||
           handler == eval_comparison<compare_equal> || handler == eval_comparison<compare_unequal>;
}

// Whether any ('|') or all ('&') alternatives of the two sides compare true;
// the left side is expanded first, the search stops at the first decisive
// result. Needs the alternative frames of both sides pushed.
bool compare_alternatives(TOKEN* node, RESULT_ITEM this_item, TOKEN* left, TOKEN* right, VALUE_COMPARATOR compare);
// One placeholder on the result stack of every leaf of an alternative tree;
// the pop frees whatever list a leaf has parked there.
void push_alternative_frames(TOKEN* operand);
void pop_alternative_frames(TOKEN* operand);

// Whether the node's handler always yields exactly one bool with a value,
// or raises: a comparison, '!', '||' or '&&'.
bool yields_one_bool(const TOKEN* node);

// The cell an operand stands for when its evaluation would run no code and
// give that one cell's value: a variable's own cell (a parameter's too, its
// role setting only the mode), or the constant a str, char or int literal's
// node keeps (made once; only read). Null for every other operand, and for
// one with a list parked on it.
UNION_DATA* plain_operand(TOKEN* operand);

// is_equal_value(a, b, true) for two values outside any other test, with a
// short road for defined values of one scalar type.
bool values_equal(UNION_DATA* a, UNION_DATA* b);

// An == or != node whose operands are plain variables or str, char or int
// literals: 0 or 1 as its evaluation would give, without evaluating; -1 for
// every other node.
int plain_equality(TOKEN* node);

// The truth of a node whose handler is a comparison, !, || or && (those
// yields_one_bool names), found as its handler finds it but without the
// bool cell the handler would make; -1, with nothing run, for any other
// node. fast_tried: the caller has found that fast_comparison and
// plain_equality decline the node, which need not be asked again.
int truth_of(TOKEN* node, RESULT_ITEM this_item, bool fast_tried = false);

// The arguments of a fresh frame on frame_node whose first is a condition
// and any others braced blocks, evaluated in order as that frame would:
// 0 or 1 when the condition gives one bool that passes the frame's checks
// (the blocks are then left unevaluated, which nobody can tell). Otherwise
// -1, either with nothing evaluated (another shape, or a list already
// parked on the node) or with the evaluated list parked on frame_node,
// where the frame the caller then makes takes it over and raises what it
// must. A language exception left pending by an argument stays pending, as
// with the arguments of a fresh frame. fast_tried: as for truth_of, of the
// condition.
int frameless_bool(TOKEN* frame_node, RESULT_ITEM this_item, bool fast_tried = false);

// The condition block of a loop: evaluated anew, exactly one non-empty bool.
// Errors are raised as procedure errors under routine_name ("sys:while").
bool eval_condition(TOKEN* block, RESULT_ITEM this_item, const char* routine_name);

}  // namespace morvu
