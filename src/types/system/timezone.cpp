#include "types/system/timezone.h"

namespace morvu {

// The methods of timezone are added with the type's own work; until then no key is one of them.
bool timezone_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool timezone_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
