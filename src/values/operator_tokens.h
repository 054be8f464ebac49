// The language's fixed set of value operators: fourteen one-character
// operators and twenty two-character ones. An operator is held as two
// characters, the second 0 for a one-character operator. Separators (',' ';'),
// member access ('.' ':'), the logical '&' '|', the module path "::", the pair
// "->" and the unary forms "++" "--" are no value operators.

#pragma once

namespace morvu {

// True when the characters form a value operator: one of ! $ % * + - / < = >
// ? @ ^ ~ with second 0, or one of the twenty two-character operators.
bool is_operator_token(char first, char second);

}  // namespace morvu
