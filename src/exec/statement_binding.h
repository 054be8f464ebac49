// Statement binding. Every node carries its own statement executor; a new
// node starts with bind_operator_executor, which on the node's first
// execution chooses the executor from the operator characters (or, for a
// call that no routine answers, from the statement keyword), stores it in
// the node and runs it. Later executions call the stored executor directly.
// Calls written as statements stay unbound: the routine they reach depends
// on the run-time types of their arguments, so they go through call_routine
// every time.

#pragma once

#include "values/result_list.h"

namespace morvu {

struct TOKEN;

// The initial executor of every node (installed as initial_executor).
void bind_operator_executor(TOKEN* node, RESULT_ITEM this_item);

// Binds a call node named exactly like a statement keyword to that
// keyword's executor; false (nothing changed) for any other node.
bool bind_keyword_executor(TOKEN* node);

// The executor of a node that is no statement: raises "Statement is not
// executable".
void exec_not_executable(TOKEN* node, RESULT_ITEM this_item);

}  // namespace morvu
