// The four function methods every object of a user type has besides the
// routines its type defines: bases (names of the basic types), vars
// (variable names of basic types), get and [] (a member variable by name, as
// a temporary or as a variable).

#pragma once

#include "values/result_list.h"
#include "exec/call_routine.h"

namespace morvu {

struct TOKEN;
struct CALL_ARGS;

// True when the key is one of the four methods and it ran; false, with
// nothing raised or appended, for any other key.
bool user_object_methods(TOKEN* node, CALL_ARGS* args, RESULT_LIST* results, RESULT_ITEM receiver,
                         const TYPE_NAME* qualifier);

}  // namespace morvu
