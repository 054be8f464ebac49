#include "types/scalar/any.h"

namespace morvu {

// The methods of any are added with the type's own work; until then no key is one of them.
bool any_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM, uint8_t, RESULT_ITEM) {
    return false;
}

bool any_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM, uint8_t, RESULT_ITEM) { return false; }

}  // namespace morvu
