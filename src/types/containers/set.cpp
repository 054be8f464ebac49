// Methods of set: collections of distinct keys.

#include "types/method_call.h"

namespace morvu {

bool set_functions(METHOD_CALL&) { return false; }

bool set_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
