// Running a parsed program: inclusion, the analysis passes in their fixed
// order, the main block, and the report of what is still pending at its end
// (a return, continue or break counter, an unhandled language exception).
//
// The analysis runs once per program, in one cycle, or in two when an
// application name is set (the second cycle carries out the conditional
// inclusions the application asks for). An error of a pass is printed here
// and the main block does not run.

#pragma once

#include <string>

namespace morvu {

struct TOKEN;

// Completes, analyses and runs the program tree. True when an error was
// printed. Errors raised after the main block (pending counters) pass on to
// the caller.
bool execute_program(TOKEN* root, const std::string& program_name);

// Inclusion and every analysis pass, without running anything; throws the
// first error of a pass.
void analyse_program(TOKEN* root, const std::string& program_name);

// Runs the main block, then raises a System error for the first pending
// counter (return, continue, break) and returns report_unhandled_exception().
bool run_main_block(TOKEN* root);

// Prints and discards the pending language exception: true when there was
// one. Called at the end of the main block and by the statement exit.
bool report_unhandled_exception();

}  // namespace morvu
