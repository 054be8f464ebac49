#include "types/scalar/code.h"

namespace morvu {

// The methods of code are added with the type's own work; until then no key is one of them.
bool code_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool code_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
