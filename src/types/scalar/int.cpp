#include "types/scalar/int.h"

namespace morvu {

// The methods of int are added with the type's own work; until then no key is one of them.
bool int_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool int_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
