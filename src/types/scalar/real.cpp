// Methods of real: the mathematical functions at the working precision.

#include "types/method_call.h"

namespace morvu {

bool real_functions(METHOD_CALL&) { return false; }

bool real_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
