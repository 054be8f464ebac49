// Inclusion of further source files (need) and the search for a file in the
// include directories.
//
// A need statement is a blank operator whose left operand is the word "need"
// and whose right operand lists its items: file names (string constants),
// conditional items app:"file" and module items m("file", ...). Carrying an
// item out replaces it in place by the root of the included file's tree
// (inclusion_state 2); the root's parent link is then null, so walks up the
// tree from inside an included file stop at its root while the need
// statement still reaches the tree downwards. An item naming a file that is
// already in the file table stays a string constant (state 1); a conditional
// item left out in this cycle gets state 3. Every file is read once.
//
// The file table maps a file name as written to the node that holds its
// tree (the program root under the program's own name); it and the
// application table (keyed by the address of type-definition nodes) are
// owned by the program run.

#pragma once

#include <string>

#include "runtime/hash_tables.h"

namespace morvu {

struct TOKEN;
class NAME_LIST;

// The path of an existing regular file for the name: the name itself, or
// (with search) the first include directory D where D + "/" + name exists;
// "" when there is none. A directory never counts as found.
std::string resolve_include_path(const std::string& name, bool search);

// True for a need statement: blank operator with the word "need" on the left.
bool is_need_statement(const TOKEN* node);

// Carries out the need statements of the tree at `root` and of every file it
// includes, each file once; conditional items only in the application cycle.
// Throws the first error (syntax errors of the forms, analysis errors of the
// files and of cycles).
void include_file(TOKEN* root, int* file_counter, STR_INT_TABLE& files, PTR_PTR_TABLE& apps, bool application_cycle);

// Completes the inclusion below `root` for the names it includes and raises
// "Cyclic inclusion of file '%s'" when one of them leads back to `root`.
void check_cyclic_inclusion(TOKEN* root, const NAME_LIST& names, int* file_counter, STR_INT_TABLE& files,
                            PTR_PTR_TABLE& apps, bool application_cycle);

// Stores the source-file index in every node of the tree at `root`.
void set_token_file(TOKEN* root, int index);

}  // namespace morvu
