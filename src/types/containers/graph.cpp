#include "types/containers/graph.h"

namespace morvu {

// The methods of graph are added with the type's own work; until then no key is one of them.
bool graph_functions(TOKEN*, CALL_ARGS*, RESULT_LIST*, RESULT_ITEM, RESULT_ITEM) { return false; }

bool graph_procedures(TOKEN*, CALL_ARGS*, RESULT_ITEM, RESULT_ITEM) { return false; }

}  // namespace morvu
