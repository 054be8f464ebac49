// Methods of oper: operators as values.

#include "types/method_call.h"

namespace morvu {

bool oper_functions(METHOD_CALL&) { return false; }

bool oper_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
