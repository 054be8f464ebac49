#include "types/scalar/real.h"

namespace morvu {

// The methods of real are added with the type's own work; until then no key is one of them.
bool real_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool real_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
