// Methods of str.

#include "types/method_call.h"

namespace morvu {

bool str_functions(METHOD_CALL&) { return false; }

bool str_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
