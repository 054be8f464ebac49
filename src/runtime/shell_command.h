// The one road to the shell: a command line run by "/bin/sh -c", as the C
// library's system() runs it, with an outcome that says how the command
// ended instead of the raw wait status.
//
// Outcome: the exit status when the shell exited (a command the shell
// cannot find or run is its status 127 or 126), 128 plus the signal number
// when a signal ended it, and -1 when the shell could not be started at all.
// While the command runs the interpreter ignores the keyboard's interrupt
// and quit signals, which reach the command alone.

#pragma once

#include <string>

namespace morvu {

// The caller flushes its own output first; shell is replaceable so that a
// failed start can be shown.
int run_shell_command(const std::string& command, const char* shell = "/bin/sh");

}  // namespace morvu
