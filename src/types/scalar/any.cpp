// Methods common to values of every type.

#include "types/method_call.h"

namespace morvu {

bool any_functions(METHOD_CALL&) { return false; }

bool any_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
