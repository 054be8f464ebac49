// The declaration-initialisation rewrite. A declaration may give a variable
// constructor arguments, as in "T a(5), b, c(7)". Before the definitions are
// analysed each such item is rewritten in place into a constructor call on
// the new variable: the call node a(5) becomes '.'(a, call with the empty
// name and the arguments), written a.(5). Items without brackets, the
// declaration node and its type word stay as they are. The statements need,
// proc, func, bigtype and smalltype share the declaration's shape and are
// left alone.

#pragma once

namespace morvu {

struct TOKEN;
class TOKEN_LIST;

// Rewrites the initialised items of one declaration; any other node is left
// alone. True when the tree changed.
bool rewrite_declaration_init(TOKEN* node);

// rewrite_declaration_init on every node of the list, in list order; true
// when the tree changed.
bool rewrite_declaration_inits(const TOKEN_LIST& tokens);

// The same over every node of a tree.
void rewrite_declaration_inits_in_tree(TOKEN* root);

}  // namespace morvu
