// The two passes that link the names of a program to their declarations
// before it runs. The first links the type word left of every declaration
// operator to its type definition; the second links every other plain name
// to the variable it denotes. A name that no enclosing scope declares becomes
// a variable of type any of the nearest enclosing block: a statement "any
// <name>" is appended to that block and the name entered in the tables of
// the nearest scope, so that the block creates its cells like any other
// variable's. Links once set are never recomputed.
//
// A block that runs as an expression (a condition, the code of find) or as
// the cases of a switch holds such statements after its own: they are
// counted in its scope and left out of those runs.

#pragma once

#include <cstdint>

namespace morvu {

struct TOKEN;
class TOKEN_LIST;

// check_operator_name on every token of the list.
void operator_name_pass(const TOKEN_LIST& statements);

// Links the type word left of a declaration operator (a blank, ':' or a
// parameter declaration) to its type definition. Raises "Expect name left of
// operator ..." (syntax) and "Unknown type '%s'" (analysis) at the token.
void check_operator_name(TOKEN* token);

// resolve_variables on every token of the list.
void variable_pass(const TOKEN_LIST& statements);

// Links one name token to its variable, declaring it as any when needed.
// Raises "Unknown variable '%s'" (analysis) at the token for a name that can
// be neither found nor declared, and for a module-qualified name that no
// scope declares.
void resolve_variables(TOKEN* token);

// The number of declarations appended after the block's own statements.
uint32_t implicit_declaration_count(const TOKEN* block);

// The expression a block that holds such declarations stands for when it
// runs as an expression (what stands before them), or null for a block
// that holds none.
TOKEN* expression_of_block(TOKEN* block);

}  // namespace morvu
