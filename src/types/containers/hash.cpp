#include "types/containers/hash.h"

namespace morvu {

// The methods of hash are added with the type's own work; until then no key is one of them.
bool hash_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM, RESULT_ITEM) { return false; }

bool hash_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM, RESULT_ITEM) { return false; }

}  // namespace morvu
