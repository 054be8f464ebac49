#include "types/scalar/bool.h"

namespace morvu {

// The methods of bool are added with the type's own work; until then no key is one of them.
bool bool_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool bool_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
