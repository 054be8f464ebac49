// Names inside the interpreter carry the byte 27 as module separator; the
// user sees "::" there.

#pragma once

#include <string>
#include <string_view>

namespace morvu {

inline constexpr char module_separator = 27;

// The name with every byte 27 shown as "::".
std::string display_name(std::string_view name);

// The inverse: the name as shown with every "::" turned into the byte 27.
std::string internal_name(std::string_view shown);

}  // namespace morvu
