#include "frontend/operators.h"

#include <cstring>

#include "runtime/messages.h"
#include "runtime/text_utils.h"

namespace morvu {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_name_char(char c) { return is_letter(c) || is_digit(c) || c == '_'; }
bool is_one_of(char c, const char* set) { return c != 0 && std::strchr(set, c) != nullptr; }

// After such a character a '+' or '-' is binary, never a sign.
bool ends_operand(char c) { return is_name_char(c) || is_one_of(c, "\"')]}"); }

bool is_operator_char(char c) { return is_one_of(c, "!$%&*+,-./:;<=>?@^|~"); }

struct PAIR_PRIORITY {
    char op1;
    char op2;
    int priority;
};

constexpr PAIR_PRIORITY pair_priorities[] = {
    {'}', '(', 0}, {'}', '{', 0},  {')', '(', 0},  {')', '{', 0},  {':', '$', 2},  {'+', '=', 3},  {'-', '=', 3},
    {'*', '=', 3}, {'/', '=', 3},  {'%', '=', 3},  {'^', '=', 3},  {'-', '>', 5},  {'|', '|', 6},  {'&', '&', 7},
    {'=', '=', 8}, {'!', '=', 8},  {'<', '=', 8},  {'>', '=', 8},  {'@', '@', 8},  {'!', '@', 8},  {'?', '?', 8},
    {'!', '?', 8}, {'.', '.', 11}, {'.', ':', 11}, {':', '.', 11}, {'*', '*', 11}, {':', ':', 19},
};

// The catalogue identifier of a token class's name.
const char* class_name_id(char token_class) {
    switch (token_class) {
    case 'n': return "nam";
    case 'z': return "zah";
    case 's': return "str";
    case 'c': return "zei";
    case 'o': return "ope";
    case '!': return "!ope";
    case '+': return "+ope";
    case '-': return "-ope";
    default: return "kla";
    }
}

// The classes that may not follow a token of the given class.
const char* refused_after(char previous) {
    switch (previous) {
    case '!': return "+-o";
    case '+':
    case '-': return "!o";
    case 'K':
    case 's': return "csnz";
    case 'c':
    case 'z': return "csnzk";
    case 'n': return "cz";
    case 'o': return "o";
    default: return "";
    }
}

class MARKER {
public:
    MARKER(const std::string& file_name, const LINED_TEXT& in) : file_name(file_name), in(in) {}
    LINED_TEXT run();

private:
    // Checks that a token of class `next` may follow the current class and
    // makes it the current class.
    void check(char next, int line) {
        // The message is only built for a refused pair: this runs per token.
        if (is_one_of(next, refused_after(token_class))) {
            raise_parse_error(file_name, line, token_sequence_error(token_class, next));
        }
        token_class = next;
    }
    void push_operator(const char* op, int line) {
        out.push(operator_marker, line);
        out.push(op, line);
        out.push(operator_marker, line);
    }
    void push_empty_operand(int line) {
        out.push('(', line);
        push_operator("#", line);
        out.push(')', line);
    }
    // True when the marked text so far ends with exactly this operator.
    bool ends_with_operator(const char* op) const {
        std::string marked_op = std::string(1, operator_marker) + op + operator_marker;
        return out.text.size() >= marked_op.size() &&
               out.text.compare(out.text.size() - marked_op.size(), marked_op.size(), marked_op) == 0;
    }
    // Marks the operator at index i; returns the index of its last character.
    size_t mark_operator(size_t i);

    const std::string& file_name;
    const LINED_TEXT& in;
    LINED_TEXT out;
    char token_class = 0;
};

LINED_TEXT MARKER::run() {
    const std::string& text = in.text;
    size_t n = text.size();
    out.text.reserve(n * 2);
    out.lines.reserve(n * 2);
    char quote = 0;  // the quote of the constant being copied
    int backslashes = 0;
    bool in_name = false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        int line = in.lines[i];
        char previous = i > 0 ? text[i - 1] : 0;
        char next = in.at(i + 1);
        if (quote != 0) {
            out.push(c, line);
            if (c == '\\') {
                ++backslashes;
            } else {
                if (c == quote && backslashes % 2 == 0) quote = 0;
                backslashes = 0;
            }
            continue;
        }
        if (in_name && is_name_char(c)) {
            out.push(c, line);
            continue;
        }
        in_name = false;
        if (c == '"' || c == '\'') {
            check(c == '"' ? 's' : 'c', line);
            quote = c;
            backslashes = 0;
            out.push(c, line);
            continue;
        }
        if (is_letter(c) || c == '_') {
            check('n', line);
            in_name = true;
            out.push(c, line);
            continue;
        }
        if (c == ' ') {
            push_operator(" ", line);
            continue;
        }
        if (is_digit(c) || ((c == '+' || c == '-') && !ends_operand(previous))) {
            const int64_t last = number_prefix_end(text.c_str() + i);
            if (last >= 0) {
                check('z', line);
                out.push(number_marker, line);
                const size_t end = i + static_cast<size_t>(last);
                for (size_t k = i; k <= end; ++k) out.push(text[k], in.lines[k]);
                out.push(number_marker, line);
                i = end;
                continue;
            }
        }
        switch (c) {
        case '(':
            check('k', line);
            // A call right after the operator ':' gets an empty name;
            // after "::" or ".:" the bracket is an ordinary operand.
            if (previous == ':' && ends_with_operator(":")) out.push("\"\"", line);
            out.push('(', line);
            break;
        case ')':
            check('K', line);
            if (previous == '(') push_empty_operand(line);
            out.push(')', line);
            break;
        case '{':
            check('k', line);
            out.push('{', line);
            break;
        case '}':
            check('K', line);
            if (previous == '{') push_empty_operand(line);
            out.push('}', line);
            break;
        case '[':
            check('k', line);
            if (next == '[') raise_parse_error(file_name, line, format_string(msg_text("unedopkla"), "[["));
            // a[i] is the call of the member named "[]" with the arguments i
            push_operator(".", line);
            out.push("\"[]\"(", line);
            break;
        case ']':
            check('K', line);
            if (previous == '[') push_empty_operand(line);
            out.push(')', line);
            break;
        default: i = mark_operator(i); break;
        }
    }
    return std::move(out);
}

size_t MARKER::mark_operator(size_t i) {
    const std::string& text = in.text;
    char c = text[i];
    int line = in.lines[i];
    char previous = i > 0 ? text[i - 1] : 0;
    char next = in.at(i + 1);
    bool after_opening = is_one_of(previous, "({[");
    if (is_operator_char(next) && operator_priority(c, next) >= 0) {
        bool alone = after_opening && is_one_of(in.at(i + 2), ")}]");
        if (c == ':' && next == '$' && (previous == ';' || previous == '(')) {
            out.push("any", line);  // an untyped parameter is of type any
            token_class = 'o';
        } else {
            check('o', line);
        }
        if (alone) out.push('(', line);
        const char op[3] = {c, next, 0};
        push_operator(op, line);
        if (alone) out.push(')', line);
        return i + 1;
    }
    const char op[2] = {c, 0};
    if (operator_priority(c, 0) < 0) raise_parse_error(file_name, line, format_string(msg_text("unbope"), op));
    if (after_opening && is_one_of(next, ")}]")) {
        // An operator alone in brackets, as in "(+)".
        check('o', line);
        out.push('(', line);
        push_operator(op, line);
        out.push(')', line);
    } else if (c == '!' || ((c == '+' || c == '-') && !ends_operand(previous))) {
        check(c, line);
        push_empty_operand(line);
        const char unary[3] = {c, c == '!' ? '\0' : c, 0};
        push_operator(unary, line);
    } else {
        check('o', line);
        push_operator(op, line);
    }
    return i;
}

}  // namespace

int operator_priority(char op1, char op2) {
    if (op2 != 0) {
        for (const PAIR_PRIORITY& pair : pair_priorities) {
            if (pair.op1 == op1 && pair.op2 == op2) return pair.priority;
        }
        return -1;
    }
    switch (op1) {
    case ';': return 1;
    case ' ': return 2;
    case '$':
    case '=':
    case '?':
    case '@':
    case '~': return 3;
    case ',': return 4;
    case '<':
    case '>': return 8;
    case '|': return 9;
    case '&': return 10;
    case '+':
    case '-': return 12;
    case '%':
    case '*':
    case '/': return 13;
    case '^': return 14;
    case '!': return 15;
    case '.': return 16;
    case ':': return 18;
    default: return -1;
    }
}

std::string token_sequence_error(char previous, char next) {
    if (!is_one_of(next, refused_after(previous))) return "";
    return format_string(msg_text("objnacobj"), msg_text(class_name_id(next)), msg_text(class_name_id(previous)));
}

LINED_TEXT mark_text(const std::string& file_name, const LINED_TEXT& laid_out) {
    return MARKER(file_name, laid_out).run();
}

}  // namespace morvu
