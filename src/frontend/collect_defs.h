// Collection of definitions across included files.
//
// Each file's root SCOPE holds what the file defines at its outermost level.
// Since look-ups from inside an included file stop at that file's root, every
// root gets its own copy of the definitions of the files it includes, directly
// or through further files, under names qualified by the module prefixes of
// the need items on the way (each module name followed by the byte 27).
// Routine keys are rebuilt so that parameter types that are user types carry
// the names under which the collecting root sees them. The routines of the
// included files' type bodies are entered in their bodies again under the
// keys so rebuilt, since calls from the root name their argument types that
// way.
//
// collect_needs then orders the storage table of the program root along the
// program text: the variables of an included file stand where the need
// statement that grafted it stands, so the outermost block creates the cells
// of all files in source order. Included roots end with empty storage tables.

#pragma once

#include <string>

#include "runtime/hash_tables.h"

namespace morvu {

struct TOKEN;
class NAME_LIST;

// For every file from -1 (the program) up to `last_file_index`: merges into
// its root the types (types set) or the variables, procedures and functions
// (types clear) of the files it includes. Throws the first duplicate.
void collect_definitions(int last_file_index, bool types, STR_INT_TABLE& files);

// Merges into the collecting root the definitions of every file that the
// outermost need statements of `tree` name, then recurses into those files.
void collect_file_definitions(TOKEN* tree, const std::string& prefix, TOKEN* collecting_root, bool types,
                              NAME_LIST& visited, STR_INT_TABLE& files);

// The routine key rebuilt for the collecting root: parameter types that are
// user types visible from `defining_tree` are written as the collecting
// root names them.
std::string routine_signature_key(TOKEN* defining_tree, const std::string& key, TOKEN* collecting_root);

// Orders the storage table of the tree's root along the inclusions.
void collect_needs(TOKEN* tree, const std::string& prefix);

}  // namespace morvu
