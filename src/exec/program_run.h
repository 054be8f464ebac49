// Running an analysed program: inclusion, the analysis passes in their fixed
// order, the main block, and the report of what is still pending at its end.

#pragma once

#include <string>

namespace morvu {

struct TOKEN;

// Completes, analyses and runs the program tree. True when an error was
// printed.
bool execute_program(TOKEN* root, const std::string& program_name);

}  // namespace morvu
