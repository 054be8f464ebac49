// Methods of time.

#include "types/method_call.h"

namespace morvu {

bool time_functions(METHOD_CALL&) { return false; }

bool time_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
