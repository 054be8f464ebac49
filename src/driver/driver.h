// The program-file driver: finds the program file, reads and parses it into
// the one program tree, runs it, and prints every language error that
// reaches it.

#pragma once

#include <string>

namespace morvu {

struct TOKEN;

// True when an error was reported. `holder` keeps the tree after the call.
bool run_program_file(TOKEN*& holder, const std::string& name, bool search, bool version);

// The directory part of a path: before its last '/', else before its last
// backslash, else ".".
std::string directory_part(const std::string& path);

}  // namespace morvu
