// The call of a routine by name: the one road by which a named call reaches
// a user procedure or function, a method of a built-in type, a method common
// to all types (any) or to all objects of user types, or a statement or
// built-in function addressed through the receiver sys.
//
// A call evaluates its arguments once, into a RESULT_LIST parked on the
// result stack of the call's argument subtree (the call node's left operand),
// where it stays for the caller to unwind (unwind_result_stack): a keyword
// executor or built-in function that takes the call over finds the evaluated
// arguments there instead of evaluating them again. The list is parked only
// once it is complete, also when it is empty; a call with prepared arguments
// parks nothing. The method key (values/signatures.h) is built from the
// routine name and the argument types.

#pragma once

#include <string>

#include "types/method_call.h"

namespace morvu {

// Calls the routine that request.node names (see ROUTINE_REQUEST for the
// fields). Returns the empty text when the call was made (or abandoned
// because a language exception became pending during argument evaluation),
// else the not-defined message, which the caller raises or passes over.
// Every other failure is raised.
std::string call_routine(const ROUTINE_REQUEST& request);

}  // namespace morvu
