// Member statements: a '.' or ':' node standing as a statement.
//
//   x.sort()            one member applied to the receiver
//   L.ins(1, 2), sort() several members, applied in order to every receiver
//   x.Base:show()       a member looked up in a named type
//   Base:show()         a member of a base type of the current object
//   int:f(3)            a routine of a type, called without receiver object
//   L.for(v, {...})     the iteration members for and For (exec/iteration_walks.h)
//
// Every member but the iteration members is a procedure call through
// call_routine; a member that no routine answers raises the not-defined
// message. The receivers of '.' are the results of its left side, each given
// every member in turn; a ':' statement has exactly one receiver, the current
// object when it fits the named type, else none.

#pragma once

#include "values/result_list.h"

namespace morvu {

struct TOKEN;

// The executor of a '.' or ':' statement node.
void exec_member_statement(TOKEN* node, RESULT_ITEM this_item);

}  // namespace morvu
