// Process-wide state of a run. Some of it exists before main (the start-up
// settings, the include directories, the pending pointers); the rest is made
// by create_globals at the start of main and released, in a fixed order, by
// destroy_globals on every way out of main.

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frontend/name_list.h"
#include "runtime/hash_tables.h"

namespace morvu {

class INT_DATA;
struct TOKEN;

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
extern std::unique_ptr<INT_STR_TABLE> file_name_table;       // source-file index to name
extern std::unique_ptr<STR_INT_TABLE> included_file_table;   // file name to its need statement
extern std::unique_ptr<INT_DATA> INT_ZERO;
extern std::unique_ptr<INT_DATA> INT_ONE;
extern std::unique_ptr<TOKEN*> program_root;                  // holder of the program tree

void create_globals();
void destroy_globals();

// Appends a copy of the text to the program arguments.
void add_program_argument(PROGRAM_ARGUMENTS& holder, const char* text);

// The name of a source file by index: -1 is the program file (program
// argument 0); an index the table does not hold gives "".
std::string source_file_name(int file_index);

}  // namespace morvu
