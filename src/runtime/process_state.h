// Process-wide state of a run that every layer may read: the start-up
// settings, the program arguments and the tables of source files. The
// settings exist before main; the tables are made by create_globals
// (driver/globals.h) at the start of main and released by destroy_globals on
// every way out of it.

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/hash_tables.h"
#include "runtime/name_list.h"

namespace morvu {

struct PROGRAM_ARGUMENTS {
    std::vector<std::string> texts;
    uint32_t count() const { return static_cast<uint32_t>(texts.size()); }
};

// Start-up settings (command line and "morvu.sys").
extern NAME_LIST include_dirs;
extern std::string input_file_name;
extern std::string output_file_name;
extern std::string application_name;
extern bool input_is_binary;
extern bool output_is_binary;
extern bool output_appends;
extern bool show_version;

// Made by create_globals.
extern std::unique_ptr<PROGRAM_ARGUMENTS> program_arguments;
extern std::unique_ptr<INT_STR_TABLE> file_name_table;      // source-file index to name
extern std::unique_ptr<STR_INT_TABLE> included_file_table;  // file name to its need statement

// Appends a copy of the text to the program arguments.
void add_program_argument(PROGRAM_ARGUMENTS& holder, const char* text);

// The name of a source file by index: -1 is the program file (program
// argument 0); an index the table does not hold gives "".
std::string source_file_name(int file_index);

}  // namespace morvu
