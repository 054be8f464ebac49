#include "types/scalar/char.h"

namespace morvu {

// The methods of char are added with the type's own work; until then no key is one of them.
bool char_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool char_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
