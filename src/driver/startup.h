// The start-up of the interpreter command: configuration file "morvu.sys",
// command-line options, include directories, console redirection, usage text
// and version banner, then the program-file driver.

#pragma once

namespace morvu {

// The whole life of the process: returns the exit status.
int morvu_main(int argc, char** argv);

// The nine option lines, with a leading '-' when dashed.
void print_option_list(bool dashed);

}  // namespace morvu
