// Tree building, the fourth stage of the parser: one pass over the marked
// text (operators.h) builds the tree by precedence climbing from the node
// inserted last (the cursor). Each bracket pair is one level with its own
// root slot; levels are kept on an explicit stack, so deep nesting does not
// deepen the call stack. A level that ends at ')' marks its root as written
// in round brackets, one that ends at '}' marks it as a block, unless the
// root is a bracket juxtaposition such as ")(" or "){", whose operands the
// tree passes mark instead.
//
// Every new node gets the file index -1 (inclusion sets the real index) and
// the lines of its first and last characters.

#pragma once

#include <memory>
#include <string>

#include "frontend/lexer.h"

namespace morvu {

struct TOKEN;

// Stage 4: the tree of a marked text; null for a text without tokens.
std::unique_ptr<TOKEN> build_program_tree(const std::string& file_name, const LINED_TEXT& marked);

// The operator of a node as text: op1, then op2 when it is not 0; the unary
// "++" and "--" give "+" and "-".
std::string operator_text(const TOKEN* token);

}  // namespace morvu
