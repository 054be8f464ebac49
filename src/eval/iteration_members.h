// The iteration members for and For inside an expression: L.for(v, {v * 2})
// evaluates its block once per element of L, with v bound to the element,
// and yields the values of all runs in run order, each as a copy. The walks
// themselves, their forms and element orders are those of the statement form
// (exec/iteration_walks.h); here the block is an expression, evaluated with
// the object its code value was made in.

#pragma once

#include <string>

#include "values/result_list.h"

namespace morvu {

struct TOKEN;

// Whether a call named `name` on a receiver of the type code is one of these
// members.
bool is_iteration_call(const std::string& name, char code);

// Runs the member call `part` on the receiver (its cell after aliases, not
// null) of the type named `type_name`, appending the values to results.
// Errors are raised at `node` as errors of the function "type:member".
void eval_iteration_member(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, RESULT_ITEM receiver, char code,
                           const std::string& type_name, TOKEN* part);

}  // namespace morvu
