// Methods of file.

#include "types/method_call.h"

namespace morvu {

bool file_functions(METHOD_CALL&) { return false; }

bool file_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
