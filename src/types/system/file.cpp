#include "types/system/file.h"

namespace morvu {

// The methods of file are added with the type's own work; until then no key is one of them.
bool file_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool file_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
