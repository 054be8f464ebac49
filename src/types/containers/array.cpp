#include "types/containers/array.h"

namespace morvu {

// The methods of array are added with the type's own work; until then no key is one of them.
bool array_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM, RESULT_ITEM) { return false; }

bool array_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM, RESULT_ITEM) { return false; }

}  // namespace morvu
