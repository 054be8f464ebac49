// Console input: the functions in, pin, sin, inw, inc and inl and the
// statements of the same names. A statement runs its function without a
// result list; the function form appends one bool, true when every variable
// received an item and false when the input ended first (the variables not
// reached keep their values, and the end of input is no error).
//
// All of them read console_stream (the keyboard, a pipe, or the input file
// of the command line). in reads items up to the console's separators; sin
// reads with the separators given as its leading str arguments, inw reads
// words, inc single characters, pin one value in the saved text form, inl
// one line. sin, inw and inc put the console's separators back on every way
// out. Errors name the routine "sys:<name>" with the kind of a function,
// also in the statement form, except the statement inl, which reports as a
// procedure.
//
// The functions live here rather than beside the other built-in functions
// because they share their reading with the statements.

#pragma once

#include "values/result_list.h"

namespace morvu {

struct TOKEN;

// The built-in functions (results null: the statement form).
void builtin_in(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_inl(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// The statements: exec_input serves in, pin, sin, inw and inc.
void exec_input(TOKEN* node, RESULT_ITEM this_item);
void exec_inl(TOKEN* node, RESULT_ITEM this_item);

}  // namespace morvu
