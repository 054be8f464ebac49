// Parameter declarations of routine definitions and the roles of their
// arguments. A parameter part (the input or the output brackets of a
// definition) is a ';'-separated list of declarations; each is a type word,
// then a blank or ":$", then ','-separated names. Every collected token gets
// its argument role in `arg_role`:
//
//   form                  input part   output part
//   type ":$" names            2            1
//   type blank names          -2           -1
//
// A token that no part has touched keeps -3.

#pragma once

namespace morvu {

struct TOKEN;
class TOKEN_LIST;

// Checks one parameter part and appends its tokens to result_list: the name
// tokens for mode 'i' (input part) and 'o' (output part); for mode 't' the
// type word of each name's declaration, once per name. An empty part ('#')
// appends nothing. Raises syntax errors at the refused declaration or name.
void check_fun_arg(TOKEN* part, char mode, TOKEN_LIST& result_list);

}  // namespace morvu
