// Methods of hash: tables of key-value pairs.

#include "types/method_call.h"

namespace morvu {

bool hash_functions(METHOD_CALL&) { return false; }

bool hash_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
