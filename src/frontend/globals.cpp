#include "frontend/globals.h"

namespace morvu {

std::unique_ptr<INT_STR_TABLE> file_name_table;
std::unique_ptr<PROGRAM_ARGUMENTS> program_arguments;

void add_program_argument(PROGRAM_ARGUMENTS& holder, const char* text) {
    holder.texts.emplace_back(text);
}

std::string source_file_name(int file_index) {
    if (file_index < 0)
        return program_arguments && program_arguments->count() > 0 ? program_arguments->texts[0] : std::string();
    return file_name_table ? (*file_name_table)[file_index] : std::string();
}

}  // namespace morvu
