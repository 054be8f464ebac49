// Inclusion of further source files (need) and the search for a file in the
// include directories.

#pragma once

#include <string>

namespace morvu {

// The path of an existing regular file for the name: the name itself, or
// (with search) the first include directory D where D + "/" + name exists;
// "" when there is none. A directory never counts as found.
std::string resolve_include_path(const std::string& name, bool search);

}  // namespace morvu
