// Member access in expressions: the operators '.' (a receiver expression and
// one or more ','-separated parts: member variables, calls, calls qualified
// by "Type:") and ':' (a type name and one part, the named type choosing
// where the routine is looked up). Results are appended receiver by receiver
// and, per receiver, part by part in written order.

#pragma once

#include <string>

#include "values/result_list.h"

namespace morvu {

struct TOKEN;
class UNION_DATA;

// The built-in methods that only read their receiver and hand out copies
// of what it holds (get, Get, get0, Get0, size).
bool reads_receiver_only(const std::string& name);

// Evaluation handler of '.' and ':' nodes.
void eval_member(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// The element cell of x[i] found without running anything, where x is a
// variable holding a list, an alias variable leading to one (a walk's or a
// sort key's variable) or such a read itself, and i reads as a fast int
// within the list: the element whose alias eval_member would hand out.
// Null for every other node and case.
UNION_DATA* bracket_read_element(TOKEN* node);

// The element cell whose alias eval_member hands out for x[i] without a
// call, x a variable holding a list (or an alias leading to one), a ":$"
// parameter or such a read itself; null for every other node and case.
UNION_DATA* aliased_element(TOKEN* node);

// The member cell the name node names in the defined object a cell holds
// (or a link of it leads to), as the member access finds it: in the first
// group whose type has the name. Null for a cell holding no object, an
// object without value, and an object without such a member.
UNION_DATA* named_member(UNION_DATA* cell, const TOKEN* name);

}  // namespace morvu
