// The passes that run over the finished tree of one parsed text. The first
// three rewrite it: module paths "a::b::x" fold into one name whose text
// holds the module names each followed by the byte 27; the operands of
// bracket juxtapositions get their bracket flags; untyped parameters of
// routine definitions get the type word "any". The others only check the
// tree. Each pass visits every node in post-order (left subtree, right
// subtree, node) and finishes before the next one starts; the first refused
// node ends the parse with a syntax error at its first line.
//
// The check_ functions return the message of a refused node, or the empty
// text when the node passes.

#pragma once

#include <memory>
#include <string>

#include "runtime/display_name.h"  // module_separator

namespace morvu {

struct TOKEN;

// Runs all passes in their order over a non-null tree; throws the first
// syntax error with the given file name.
void run_tree_passes(const std::string& file_name, std::unique_ptr<TOKEN>& root);

// Pass 1: folds the topmost "::" of a chain into its right operand.
std::string check_module_operators(TOKEN* token);
// Pass 2: block mode and bracket flag of the operands of juxtapositions.
void mark_bracket_operands(TOKEN* token);
// Pass 3: the type word "any" before untyped parameters of func and proc,
// also in the external form "func TYPE:NAME(...)". The inserted nodes carry
// the file index and lines of the parameter they type.
void parse_routine_literal(TOKEN* token);
// Passes 4 to 8.
std::string check_empty_operands(const TOKEN* token);
std::string check_local_blocks(const TOKEN* token);
std::string check_round_brackets(const TOKEN* token);
std::string check_operator_pairs(const TOKEN* token);
std::string check_routine_arguments(const TOKEN* token);

// True for a non-empty text that begins with an ASCII letter or '_' and
// holds only letters, digits and '_'.
bool is_identifier(const std::string& text);

// Sets the parameter-list mark on the node and every node below it.
void mark_subtree(TOKEN* token);

}  // namespace morvu
