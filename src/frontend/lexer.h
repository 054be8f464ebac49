// The lexer's number scanner, shared with the text-to-number tests.

#pragma once

namespace morvu {

// Index of the last character of the longest number prefix of a
// NUL-terminated text, or -1 when the text does not begin with a number:
// optional sign, digits, optional '.' and digits (or '.' first), optional
// exponent. A '.', 'e' or sign not followed by a digit is not part of it.
int number_prefix_end(const char* text);

}  // namespace morvu
