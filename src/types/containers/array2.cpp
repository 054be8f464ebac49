#include "types/containers/array2.h"

namespace morvu {

// The methods of array2 are added with the type's own work; until then no key is one of them.
bool array2_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM, RESULT_ITEM) { return false; }

bool array2_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
