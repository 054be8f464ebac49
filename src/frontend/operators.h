// The operator table of the language and marking, the third stage of the
// parser. Marking reads the laid-out text and writes the marked text, in
// which tree building needs no look-ahead:
//
//   names        letters, digits and '_', starting with a letter or '_'
//   numbers      0xA7, the number's characters, 0xA7
//   operators    0xB0, one or two operator characters, 0xB0
//                (the blank operator is 0xB0 ' ' 0xB0)
//   constants    copied with their quotes and escapes untouched
//   brackets     '(' ')' '{' '}' only: a[i] becomes a . "[]"(i)
//
// Implicit constructs are spelled out: an empty operand is the bracketed
// operator '#' ("(" 0xB0 '#' 0xB0 ")"), unary '!' gets it as its left operand,
// and unary '+' and '-' become "++" and "--" with it. While marking, each
// token's class is checked against the class of the one before it.

#pragma once

#include <string>

#include "frontend/lexer.h"

namespace morvu {

inline constexpr char number_marker = static_cast<char>(0xA7);
inline constexpr char operator_marker = static_cast<char>(0xB0);

// The binding strength of an operator, 0 to 19 (higher binds tighter), or -1
// when the characters form no operator. The unary "++" and "--" are not in
// the table (tree building gives them 14).
int operator_priority(char op1, char op2);

// The empty text when a token of class `next` may follow one of class
// `previous`, else the message naming both classes. Classes: 'n' name, 'z'
// number, 's' string, 'c' character, 'o' operator, '!' '+' '-' unary
// operators, 'k' opening and 'K' closing bracket; 0 before the first token.
std::string token_sequence_error(char previous, char next);

// Stage 3: the marked text of a laid-out text.
LINED_TEXT mark_text(const std::string& file_name, const LINED_TEXT& laid_out);

}  // namespace morvu
