// Methods of array: slots indexed from 0, each defined or not.

#include "types/method_call.h"

namespace morvu {

bool array_functions(METHOD_CALL&) { return false; }

bool array_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
