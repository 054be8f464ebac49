// Methods of int.

#include "types/method_call.h"

namespace morvu {

bool int_functions(METHOD_CALL&) { return false; }

bool int_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
