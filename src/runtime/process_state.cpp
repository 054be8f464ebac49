#include "runtime/process_state.h"

namespace morvu {

NAME_LIST include_dirs;
std::string input_file_name;
std::string output_file_name;
std::string application_name;
bool input_is_binary = false;
bool output_is_binary = false;
bool output_appends = false;
bool show_version = false;

std::unique_ptr<PROGRAM_ARGUMENTS> program_arguments;
std::unique_ptr<INT_STR_TABLE> file_name_table;
std::unique_ptr<STR_INT_TABLE> included_file_table;

void add_program_argument(PROGRAM_ARGUMENTS& holder, const char* text) { holder.texts.emplace_back(text); }

std::string source_file_name(int file_index) {
    if (file_index < 0)
        return program_arguments && program_arguments->count() > 0 ? program_arguments->texts[0] : std::string();
    return file_name_table ? (*file_name_table)[file_index] : std::string();
}

}  // namespace morvu
