// Methods of dir: directories.

#include "types/method_call.h"

namespace morvu {

bool dir_functions(METHOD_CALL&) { return false; }

bool dir_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
