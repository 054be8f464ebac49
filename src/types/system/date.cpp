// Methods of date.

#include "types/method_call.h"

namespace morvu {

bool date_functions(METHOD_CALL&) { return false; }

bool date_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
