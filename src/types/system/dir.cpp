#include "types/system/dir.h"

namespace morvu {

// The methods of dir are added with the type's own work; until then no key is one of them.
bool dir_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool dir_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
