// Methods of graph: nodes and edges with values.

#include "types/method_call.h"

namespace morvu {

bool graph_functions(METHOD_CALL&) { return false; }

bool graph_procedures(METHOD_CALL&) { return false; }

}  // namespace morvu
