#include "frontend/lexer.h"

namespace morvu {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int number_prefix_end(const char* text) {
    int i = 0;
    if (text[i] == '+' || text[i] == '-') ++i;
    int last = -1;
    while (is_digit(text[i])) last = i++;
    if (text[i] == '.' && is_digit(text[i + 1])) {
        ++i;
        while (is_digit(text[i])) last = i++;
    }
    if (last < 0) return -1;
    if (text[i] == 'e' || text[i] == 'E') {
        int j = i + 1;
        if (text[j] == '+' || text[j] == '-') ++j;
        if (is_digit(text[j])) {
            while (is_digit(text[j])) last = j++;
        }
    }
    return last;
}

}  // namespace morvu
