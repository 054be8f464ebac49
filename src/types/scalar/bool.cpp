// Methods of bool.

#include "types/method_call.h"

namespace morvu {

bool bool_functions(METHOD_CALL&) { return false; }

bool bool_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
