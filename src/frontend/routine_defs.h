// Procedure and function definitions. A definition is the blank operator
// "proc"/"func" with a named call on its right; the call's left operand is
// the chain of its bracket groups (input parameters, for a function the
// output parameters, then the braced body). The external form "proc T:name"
// has a ':' between the word and the call and is moved into the body of T
// before the definitions are registered.
//
// A definition is registered under its method key: the name with every
// 0xA7, backslash and ';' escaped, the byte 0xA7, then for each input
// parameter the type word of its declaration and ';' ("args:$" for an args
// parameter declared with ":$"), and a closing 0xA7 when there is an input
// part. A definition without input part has the key name + 0xA7. The call
// node's declaration link points to itself once it is registered.

#pragma once

#include <string>

namespace morvu {

struct TOKEN;

// Moves the external definitions among the statements of a scope node into
// the bodies of their types; true when one moved.
bool attach_external_routine(TOKEN* scope_token);

// Checks and registers the definitions among the statements of a scope node.
void check_fundef_form(TOKEN* scope_token);

}  // namespace morvu
