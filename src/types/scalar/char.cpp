// Methods of char: characters and their classes.

#include "types/method_call.h"

namespace morvu {

bool char_functions(METHOD_CALL&) { return false; }

bool char_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
