#include "types/containers/set.h"

namespace morvu {

// The methods of set are added with the type's own work; until then no key is one of them.
bool set_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM, RESULT_ITEM) { return false; }

bool set_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM, RESULT_ITEM) { return false; }

}  // namespace morvu
