#include "types/system/time.h"

namespace morvu {

// The methods of time are added with the type's own work; until then no key is one of them.
bool time_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool time_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
