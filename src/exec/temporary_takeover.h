// Temporaries handed over whole: a list or hash that only an argument list
// holds (a function's result, not yet anyone's value) may become the value
// of the cell that would take a copy of it, when no copy could be told
// apart from the original.

#pragma once

#include "values/result_list.h"

namespace morvu {

class UNION_DATA;

// Gives target the value of the temporary item, as a plain assignment of a
// copy would have made it. False, with nothing done, when the copy could be
// told apart or the assignment rules would look further: the item is no
// owned list or hash, something links to or holds a cell of it, or the
// target is a link, linked to, in use, or typed other than the value.
bool take_over_temporary(const RESULT_ITEM& item, UNION_DATA* target);

}  // namespace morvu
