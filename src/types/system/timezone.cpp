// Methods of timezone.

#include "types/method_call.h"

namespace morvu {

bool timezone_functions(METHOD_CALL&) { return false; }

bool timezone_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
