// Member access in expressions: the operators '.' (a receiver expression and
// one or more ','-separated parts: member variables, calls, calls qualified
// by "Type:") and ':' (a type name and one part, the named type choosing
// where the routine is looked up). Results are appended receiver by receiver
// and, per receiver, part by part in written order.

#pragma once

#include "values/result_list.h"

namespace morvu {

struct TOKEN;

// Evaluation handler of '.' and ':' nodes.
void eval_member(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

}  // namespace morvu
