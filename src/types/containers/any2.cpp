#include "types/containers/any2.h"

namespace morvu {

// The methods of any2 are added with the type's own work; until then no key is one of them.
bool any2_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool any2_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
