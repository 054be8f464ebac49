// Process-wide state of a run that the runtime reads: the file-name table
// (source-file index to name) and the program arguments (entry 0 is the
// program file as typed). Both are made at start-up and released at the end.

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/hash_tables.h"

namespace morvu {

struct PROGRAM_ARGUMENTS {
    std::vector<std::string> texts;
    uint32_t count() const { return static_cast<uint32_t>(texts.size()); }
};

extern std::unique_ptr<INT_STR_TABLE> file_name_table;
extern std::unique_ptr<PROGRAM_ARGUMENTS> program_arguments;

// Appends a copy of the text to the program arguments.
void add_program_argument(PROGRAM_ARGUMENTS& holder, const char* text);

// The name of a source file by index: -1 is the program file (program
// argument 0); an index the table does not hold gives "".
std::string source_file_name(int file_index);

}  // namespace morvu
