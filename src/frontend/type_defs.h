// User types in the syntax tree. A type definition is the blank operator
// "bigtype"/"smalltype" with a named call on its right; that call node is the
// type-definition node: the `types` tables, the base-type lists and the
// declaration links of type words point to it, its left operand is the
// header chain (bracketed basic types, then the braced body), and the body is
// the last item of that chain.
//
// The base-type list of a type-definition node (its `base_types`) holds the
// type itself first, then its direct basic types in header order, then the
// basic types reached through them, each type once. It is null until
// parse_type_def builds it; free_base_lists (analysis.h) throws all lists
// away and builds them again after the tree has changed.
//
// Errors are raised with raise_error without routine kind or name: kind 'p'
// for the form of a statement, 'a' for its meaning.

#pragma once

#include <string>
#include <vector>

#include "values/result_list.h"
#include "frontend/token.h"
#include "runtime/hash_tables.h"

namespace morvu {

// The blank operator: a keyword or type word (left) applied to the rest.
inline bool is_blank_operator(const TOKEN* token) { return token != nullptr && token->op1 == ' ' && token->op2 == 0; }

// A blank operator whose first word is `word1` or `word2`.
inline bool is_keyword_statement(const TOKEN* token, const char* word1, const char* word2) {
    return is_blank_operator(token) && (is_word(token->left, word1) || is_word(token->left, word2));
}

// A string or character constant.
inline bool is_constant_token(const TOKEN* token) {
    return (token->op1 == '"' || token->op1 == '\'') && token->op2 == 0;
}

// What a definition keyword is followed by when it is an operator expression
// rather than a name or call: no text, no number, no constant.
inline bool is_operator_expression(const TOKEN* token) {
    return !token->text && !token->number && !is_constant_token(token);
}

// A braced statement list.
inline bool is_block(const TOKEN* token) { return token->block_mode != block_mode_none; }

// The empty operand of empty brackets.
inline bool is_empty_operand(const TOKEN* token) { return token->op1 == '#' && token->op2 == 0; }

// Gives the node the scope its place in the tree calls for (a kind-0 scope
// for the program root, braced blocks and routine headers; kind 1 for the
// body of a type), keeping a scope it already owns.
void build_scopes(TOKEN* token);

// Appends the statements of a scope node: the node split at bracket
// juxtapositions, each part split at ';'.
void scope_statements(TOKEN* scope_token, TOKEN_LIST* out);

// The statements of a scope node that start with `word1` or `word2`, in
// order; none when the node owns no scope.
TOKEN_LIST keyword_statements(TOKEN* scope_token, const char* word1, const char* word2);

// Refuses a second definition of `name` at `at` (an analysis error, kind
// 'a'): the message `identifier` ("dattypschdefbei", "varschdefbei") with the
// name as shown and the position of the `earlier` definition.
[[noreturn]] void raise_redefinition(const TOKEN* at, const char* identifier, const std::string& name,
                                     const TOKEN* earlier);

// One of the reserved type words ("bigtype", "int", "need", "graph", ...).
bool is_reserved_type_word(const std::string& text);

// A word whose text is a reserved type word.
bool is_type_name(const TOKEN* token);

// Registers the type definitions among the statements of a scope node.
void typdef(TOKEN* scope_token);

// Checks the header of a type definition and builds its base-type list (and
// those of its basic types on the way). Nothing for another node or one that
// has a list already. With the flag an undefined basic type is an error,
// without it the type is left out.
void parse_type_def(TOKEN* type_def, bool report_undefined);

// Adds new_bases and their own lists to the list of type_def, raising the
// cyclic-inheritance error when type_def is reached again.
void check_cyclic_inheritance(TOKEN* type_def, const TOKEN_LIST& new_bases, bool report_undefined);

// True when target is type_def, one of its basic types, or a type defined in
// the body of one of these.
bool derives_from(const TOKEN* type_def, const TOKEN* target);

// The type-definition node that the written type designation names among the
// basic types of the object in `value`; raises at `node` otherwise.
TOKEN* check_type_spec(TOKEN* node, RESULT_ITEM value, const char* spec_text);

// Type extensions (typdef_pass2 and typdef_pass3 in analysis.h, per scope
// node). extend_type processes the extension statements in the body of the
// basic type `base`; with is_application it carries them out, otherwise it
// only checks and marks them. `bases` is the base-type list of the type being
// defined. Both answer whether they changed the tree.
void mark_application_bases(TOKEN* scope_token, PTR_PTR_TABLE& application_table);
bool apply_base_extensions(TOKEN* scope_token);
bool extend_type(TOKEN* base, bool is_application, const TOKEN_LIST& bases);

// Whether the type the walk started with (the first entry of `visited`) is
// reached again through the member types of type_def and of its basic
// types. Types are told apart by their definition nodes, not their names:
// two types of one name in different scopes are different types.
bool check_type_body(TOKEN* type_def, std::vector<const TOKEN*>& visited);

// Numbers the members of the type and of its basic types, checks their
// initialisers and pushes a new prototype object on type_def.
void basic_init_type(TOKEN* type_def);

}  // namespace morvu
