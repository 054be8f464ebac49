// Methods of error values.

#include "types/method_call.h"

namespace morvu {

bool error_functions(METHOD_CALL&) { return false; }

bool error_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
