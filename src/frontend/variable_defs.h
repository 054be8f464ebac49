// Variable definitions: a statement "type item, item, ..." (any blank
// operator whose first word is not need, proc, func, bigtype or smalltype),
// or a marked parameter declaration "type:$ names" of a routine header. Each
// declared name node is entered in the `variables` and `storage` tables of
// its scope, in the order of statements, items and names, and linked to
// itself; later the uses of the name are linked to it and its value cells
// live on it.

#pragma once

namespace morvu {

struct TOKEN;

// Declares the variables of the statements of a scope node.
void vardef(TOKEN* scope_token);

// "true", "false" and "this": names that can never be declared.
bool is_predefined_variable(const TOKEN* token);

}  // namespace morvu
