// Names inside the interpreter carry the byte 27 as module separator; the
// user sees "::" there. display_name gives the shown form in one of two
// process-wide texts, so that two names can stand in one message: callers
// pass the first name with the flag set and the second with it clear.

#pragma once

#include <string>

namespace morvu {

inline constexpr char module_separator = 27;

// The name with every byte 27 shown as "::"; valid until the next call with
// the same flag. Null gives the empty text.
const std::string& display_name(const char* name, bool flag);

// Empties both texts (global clean-up).
void clear_display_names();

}  // namespace morvu
