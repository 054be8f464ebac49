// Methods of any2: pairs of two values of any type.

#include "types/method_call.h"

namespace morvu {

bool any2_functions(METHOD_CALL&) { return false; }

bool any2_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
