// The built-in functions a program calls by name inside an expression
// (argc(), max(a, b), if(a){b}{c}, ...). They are reached only after the
// routine call by name has found no routine of that name, so a user routine
// with a built-in's name hides it; "sys:name(...)" reaches the built-in
// directly.
//
// Every built-in has the shape of an evaluation handler. The table maps the
// whole name (case-sensitive) to its handler; call_builtin_function stores
// the handler in the node (block mode 0 only), so later evaluations call it
// directly without a look-up or a routine call.
//
// Handlers read their arguments through a fresh ARG_FRAME over the call
// node's argument subtree, which takes over the list the routine call left
// parked there, so arguments are evaluated once. Their errors are raised with
// routine kind 'f' and the routine name "sys:<name>".

#pragma once

#include "frontend/token.h"
#include "values/result_list.h"

namespace morvu {

// Runs the built-in named by the call node and returns true; false, with
// nothing done, when the node is no call of a built-in.
bool call_builtin_function(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// "sys:<name>" of the call node: the routine name of a built-in's errors.
std::string builtin_context(const TOKEN* node);

// Raises the message at the call node as an error of the built-in.
[[noreturn]] void raise_builtin_error(const TOKEN* node, const std::string& message);

}  // namespace morvu
