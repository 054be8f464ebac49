// The parser turns the lines of one source file into one syntax tree in five
// stages over character buffers in which every byte carries the number of
// the source line it came from (LINED_TEXT):
//
//   1. joining: comments, blanks and tabs vanish (a blank survives only
//      between two name characters or before a string), constants are copied
//      verbatim, brackets are checked for balance;
//   2. layout: a statement written directly after ')' is wrapped in braces,
//      line ends become ';' or vanish;
//   3. marking (operators.h): numbers and operators are delimited by marker
//      bytes and implicit constructs are spelled out;
//   4. tree building (tree_builder.h);
//   5. tree passes (tree_passes.h).
//
// Every syntax error is an ERROR of kind 'p' with the file name given to the
// parser and a source line. A line entry may itself hold line ends: CR LF, a
// lone CR and a lone LF each end one line, and a line end at the very end of
// an entry adds no empty line, so files written on any system number their
// lines alike. No stage recurses, so neither long programs nor deep nesting
// deepen the call stack.

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/name_list.h"

namespace morvu {

struct TOKEN;

// A text with the source line of each of its bytes.
struct LINED_TEXT {
    std::string text;
    std::vector<int> lines;

    size_t size() const { return text.size(); }
    bool empty() const { return text.empty(); }
    // The byte at an index, 0 past the end.
    char at(size_t index) const { return index < text.size() ? text[index] : 0; }
    void push(char c, int line) {
        text.push_back(c);
        lines.push_back(line);
    }
    void push(const char* bytes, int line) {
        while (*bytes != 0) push(*bytes++, line);
    }
};

// Throws the syntax error of the parser.
[[noreturn]] void raise_parse_error(const std::string& file_name, int line, const std::string& message);

// Stage 1: the lines joined into one text. `top_level` is set only for the
// program file itself (it may start with a "#!" line).
LINED_TEXT join_lines(const std::string& file_name, const NAME_LIST& lines, bool top_level);

// Stage 2: braces around a statement written after ')', line ends turned
// into ';' where one statement ends and another starts, removed elsewhere.
LINED_TEXT lay_out_text(const LINED_TEXT& joined);

// The tree of one source text, or null when the text holds no token at all.
// The caller owns the tree. Throws the first syntax error.
std::unique_ptr<TOKEN> parse_program(const std::string& file_name, const NAME_LIST& lines, bool top_level);

// The same work, storing the root (or null) into `root`; nothing is stored
// when a syntax error is thrown.
void parse_lines(const std::string& file_name, std::unique_ptr<TOKEN>& root, const NAME_LIST& lines, bool top_level);

}  // namespace morvu
