// Storing a text that was read into a variable: the one routine behind every
// input statement and function of the console and the input methods of str
// and file values.
//
// An object of a user type receives the text through its own procedure `in`
// with one str parameter (key "in§str;§"), called on the object with the text
// as a new str value; every other value takes the text by conversion into
// its type (read_value_text), which also refuses the object of a type
// without that procedure ("Input of type '%s' not allowed").

#pragma once

#include <string>

#include "values/result_list.h"

namespace morvu {

struct TOKEN;

// Stores text into the variable cell (a reference, alias or call-alias is
// followed one step). node is the call being run: errors of the procedure
// `in` are raised there; context is the current object of that call (a
// method's this_item; none for a statement). Returns the empty text on
// success, else the message for the caller to raise in its own context.
std::string assign_input_text(TOKEN* node, UNION_DATA* cell, const std::string& text,
                              RESULT_ITEM context = RESULT_ITEM{nullptr, access_variable, 0});

}  // namespace morvu
