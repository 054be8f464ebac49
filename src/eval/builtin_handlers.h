// The handlers of the built-in functions that the evaluator owns, by family:
// control (if, for, func), queries (argc ... get_in_spc) and folding (min,
// max, and, or, sum, prod). The input functions live with the input
// statements (exec/input_statements.h). Only the table of
// builtin_functions.cpp refers to these names.
//
// Every handler has the evaluation-handler shape, reads its arguments through
// a fresh ARG_FRAME over the call node's argument subtree (which takes over
// the list the routine call parked there) and raises with
// raise_builtin_error. Handlers that share a row tell the functions apart by
// the call node's name.

#pragma once

#include "values/result_list.h"

namespace morvu {

struct TOKEN;

// ---- control ----
void builtin_if(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_for(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
// The first evaluation of a call of for, offered here before the routine
// call by name: when no routine is named for and a range stands among the
// values, the call runs without the arguments that call would make first (a
// range's elements). One whose arguments leave a language exception pending
// ends there with no results and keeps its handler, as that call does;
// otherwise builtin_for becomes the node's handler. False, with nothing
// done, for any other call.
bool builtin_for_first_run(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_func(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// ---- queries ----
void builtin_argc(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_argv(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_def(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_empty(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_ref(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_alias(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_system(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_get_cwd(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_get_env(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_count(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_get_calctime(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_get_realtime(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_get_out_fmt(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_get_out_spc(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_get_in_spc(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// ---- folding ----
void builtin_min_max(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_and_or(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void builtin_sum_prod(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

}  // namespace morvu
