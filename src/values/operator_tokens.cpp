#include "values/operator_tokens.h"

#include <cstring>

namespace morvu {

namespace {

constexpr const char* single_operators = "!$%*+-/<=>?@^~";

constexpr const char* pair_operators[] = {
    "**", "..", ".:", ":.", "||", "&&", "==", "!=", "@@", "!@",
    "??", "!?", "<=", ">=", "+=", "-=", "*=", "/=", "%=", "^=",
};

}  // namespace

bool is_operator_token(char first, char second) {
    if (first == 0) return false;
    if (second == 0) return std::strchr(single_operators, first) != nullptr;
    for (const char* pair : pair_operators) {
        if (pair[0] == first && pair[1] == second) return true;
    }
    return false;
}

}  // namespace morvu
