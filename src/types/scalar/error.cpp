#include "types/scalar/error.h"

namespace morvu {

// The methods of error are added with the type's own work; until then no key is one of them.
bool error_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool error_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
