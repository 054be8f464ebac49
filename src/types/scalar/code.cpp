// Methods of code: blocks to evaluate or execute.

#include "types/method_call.h"

namespace morvu {

bool code_functions(METHOD_CALL&) { return false; }

bool code_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
