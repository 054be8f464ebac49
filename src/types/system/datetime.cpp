#include "types/system/datetime.h"

namespace morvu {

// The methods of datetime are added with the type's own work; until then no key is one of them.
bool datetime_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool datetime_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
