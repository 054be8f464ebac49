#include "types/system/date.h"

namespace morvu {

// The methods of date are added with the type's own work; until then no key is one of them.
bool date_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool date_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
