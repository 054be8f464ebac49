#include "types/scalar/oper.h"

namespace morvu {

// The methods of oper are added with the type's own work; until then no key is one of them.
bool oper_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM) { return false; }

bool oper_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM) { return false; }

}  // namespace morvu
