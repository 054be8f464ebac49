// The method handlers of the built-in type array. The function handler
// answers calls inside expressions and appends its results; the procedure
// handler answers calls written as statements, the call form (constructor)
// included. Each returns false, changing nothing, for a key that is not one
// of its methods, so that call_routine goes on looking.

#pragma once

#include "eval/result_list.h"

namespace morvu {

struct TOKEN;
struct CALL_ARGS;

bool array_functions(TOKEN* node, CALL_ARGS* args, RESULT_LIST* results, RESULT_ITEM receiver,
                     RESULT_ITEM this_item);
bool array_procedures(TOKEN* node, CALL_ARGS* args, RESULT_ITEM receiver, RESULT_ITEM this_item);

}  // namespace morvu
