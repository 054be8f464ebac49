// Methods of datetime.

#include "types/method_call.h"

namespace morvu {

bool datetime_functions(METHOD_CALL&) { return false; }

bool datetime_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
