// The definition passes that run over the whole syntax tree before the main
// block, in this order (the program run drives them; a pass throws the first
// error it finds, and the analysis ends there):
//
//   per analysis cycle: inclusion, clear_def_data, (last cycle) declaration
//   rewrite, typdef_pass, type collection, free_base_lists, (first of two
//   cycles) typdef_pass2;
//   then once: typdef_pass3, fundef_pass, free_base_lists, fundef_form_pass,
//   vardef_pass, collection of variables and routines, name passes,
//   type_body_pass, basic_init_pass.
//
// Every pass takes the list of all nodes of the tree in post-order (made by
// collect_tokens) and works on the nodes that own a SCOPE, or on the
// definition statements among them. The declaration rewrite, typdef_pass3 and
// fundef_pass may rewrite the tree; they say whether they did, and the caller
// then collects the list anew. No pass dereferences a node that it removed
// itself.

#pragma once

#include "runtime/hash_tables.h"

namespace morvu {

class TOKEN_LIST;

// Throws away every scope and declaration link of the tree and builds the
// scopes anew: program, braced blocks, routine definitions, type bodies.
void clear_def_data(const TOKEN_LIST& tokens);

// Registers every type definition in the `types` table of its scope.
void typdef_pass(const TOKEN_LIST& tokens);

// Enters the application type (named by `application_name`) and every type of
// its base-type list into the application table, keyed by the address of
// the type-definition node, value 1.
void typdef_pass2(const TOKEN_LIST& tokens, PTR_PTR_TABLE& application_table);

// Checks the type extensions ("T += U", "T += { ... }") in the bodies of the
// basic types of every type, and carries out those of the application type;
// true when that changed the tree.
bool typdef_pass3(const TOKEN_LIST& tokens);

// Moves every external routine definition (proc T:name ...) into the body of
// its type; true when one moved.
bool fundef_pass(const TOKEN_LIST& tokens);

// Frees the base-type list of every node, then builds the lists of all type
// definitions again; with the flag, an undefined basic type is an error.
void free_base_lists(const TOKEN_LIST& tokens, bool report_undefined);

// Checks the form of every procedure and function definition and enters its
// method key in the `procedures` or `functions` table of its scope.
void fundef_form_pass(const TOKEN_LIST& tokens);

// Enters every declared variable and parameter in the `variables` and
// `storage` tables of its scope.
void vardef_pass(const TOKEN_LIST& tokens);

// Sets the self-containing mark of every type definition whose type is
// reached again through the types of its members.
void type_body_pass(const TOKEN_LIST& tokens);

// Numbers the members of every type body, checks their literal initialisers
// and pushes each type's prototype object on its definition node.
void basic_init_pass(const TOKEN_LIST& tokens);

}  // namespace morvu
