// Methods of list and args (one set of handlers; call.type_code tells them apart).

#include "types/method_call.h"

namespace morvu {

bool list_functions(METHOD_CALL&) { return false; }

bool list_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
