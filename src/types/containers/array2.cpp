// Methods of array2: a grid of rows and columns.

#include "types/method_call.h"

namespace morvu {

bool array2_functions(METHOD_CALL&) { return false; }

bool array2_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
