// A node of the syntax tree. Statements are the operands of ';', list items
// the operands of ','. Only the source position is needed by the runtime; the
// parser gives the node the rest of its fields.

#pragma once

#include <cstdint>

namespace morvu {

struct TOKEN {
    TOKEN* left = nullptr;
    TOKEN* right = nullptr;
    TOKEN* parent = nullptr;
    char op1 = 0;
    char op2 = 0;
    char* text = nullptr;
    int32_t file_index = -1;  // -1 the program file, else a key of file_name_table
    int32_t line = 0;
    int32_t line2 = 0;
};

}  // namespace morvu
