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
// parks nothing. The method key is the
// routine name, 0xA7, each argument's type name followed by ';', and a
// closing 0xA7 when there is an argument ("f\xA7int;str;\xA7", "f\xA7").
//
// A type designator names a type either by a built-in type name text (or
// "any"), or by the node that defines a user type; {null, null} is no type.

#pragma once

#include <cstdint>
#include <string>

#include "eval/result_list.h"
#include "values/union_data.h"

namespace morvu {

struct TOKEN;
struct CALL_ARGS;

// text: a built-in type name (is_user_type false); type: the defining node of
// a user type (is_user_type true); both null: no type.
using TYPE_DESIGNATOR = TYPE_NAME;

// Calls the routine that `node` names. receiver: the value the call is made
// on (this_item for plain calls). type_spec: an explicit type qualification
// or null. in_object_type: look the routine up in the receiver object's
// type. results: non-null makes a function call whose results are appended
// here; null a procedure call. prepared: arguments and key already made (no
// evaluation). context: the this_item under which arguments are evaluated
// and which code arguments capture. runtime_name: the first argument is a str
// holding the routine name (func, proc).
// Returns the empty text when the call was made (or abandoned because a
// language exception became pending during argument evaluation), else the
// not-defined message, which the caller raises or passes over. Every other
// failure is raised.
std::string call_routine(TOKEN* node, RESULT_ITEM receiver, const TYPE_DESIGNATOR* type_spec,
                         uint8_t in_object_type, RESULT_LIST* results, CALL_ARGS* prepared,
                         RESULT_ITEM context, bool runtime_name);

// The type name of a value as it stands in a method key: the held type of a
// variable declared any, "::" of a qualified user type name as byte 27.
std::string key_type_name(UNION_DATA* cell);

// How argument `index` of a call is handed on: the cell to assign from and
// the assignment mode (0 copy, 1 reference, 7 call-alias). With
// must_be_variable the argument must be a variable (raises for constants;
// `input` chooses the wording) and is passed as a call-alias.
void transfer_out_arg(const CALL_ARGS* args, TOKEN* node, int index, bool must_be_variable,
                      bool input, UNION_DATA** out_cell, int* out_mode);

}  // namespace morvu
