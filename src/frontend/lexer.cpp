#include "frontend/lexer.h"

#include <cstring>
#include <string_view>

#include "frontend/operators.h"
#include "frontend/token.h"
#include "frontend/tree_builder.h"
#include "frontend/tree_passes.h"
#include "runtime/error.h"
#include "runtime/messages.h"

namespace morvu {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_name_char(char c) { return is_letter(c) || is_digit(c) || c == '_'; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Characters that may start an operand: names, numbers and constants.
bool starts_operand(char c) { return is_name_char(c) || c == '"' || c == '\''; }

// Characters that may end an operand.
bool ends_operand(char c) { return starts_operand(c) || c == ')' || c == ']' || c == '}'; }

// Characters the language knows outside constants and comments, besides the
// name characters.
constexpr const char* symbol_chars = "!$%&()*+,-./:;<=>?@[]^{|}~";

// Splits the entries of a line list into source lines: CR LF, CR and LF each
// end a line; an entry's final line end adds no empty line after it.
std::vector<std::string_view> source_lines(const NAME_LIST& lines) {
    std::vector<std::string_view> result;
    for (const std::string& entry : lines) {
        std::string_view rest(entry);
        size_t start = 0;
        bool ended = false;
        for (size_t k = 0; k < rest.size(); ++k) {
            if (rest[k] != '\r' && rest[k] != '\n') continue;
            result.push_back(rest.substr(start, k - start));
            if (rest[k] == '\r' && k + 1 < rest.size() && rest[k + 1] == '\n') ++k;
            start = k + 1;
            ended = start == rest.size();
        }
        if (!ended) result.push_back(rest.substr(start));
    }
    return result;
}

// The state of joining, carried from one line to the next.
class JOINER {
public:
    JOINER(const std::string& file_name, bool top_level) : file_name(file_name), top_level(top_level) {}

    void join_line(std::string_view line, int line_number);
    void finish();

    LINED_TEXT out;

private:
    [[noreturn]] void fail(int line, const std::string& message) { raise_parse_error(file_name, line, message); }
    void open_bracket(char c, int line);
    void close_bracket(char c, int line);
    // Handles a '#' outside constants at index i; returns the index to go on
    // from, or the line's length when the rest of the line is a comment.
    size_t hash_sign(std::string_view line, size_t i, int line_number);

    const std::string& file_name;
    bool top_level;
    bool in_string = false;
    bool in_char = false;
    int backslashes = 0;  // consecutive backslashes just copied inside a constant
    int string_line = 0;
    int char_line = 0;
    std::vector<int> comment_lines;  // one per open "#(" comment, innermost last
    std::vector<int> round_lines;
    std::vector<int> square_lines;
    std::vector<int> curly_lines;
    std::string open_brackets;  // the open bracket characters, innermost last
};

void JOINER::join_line(std::string_view line, int line_number) {
    bool continued = false;
    char previous_kept = 0;
    // A constant still open from the previous line gets that line's end,
    // also when the line in between is empty.
    if (in_string || in_char) {
        out.push('\n', line_number);
        backslashes = 0;
    }
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (!comment_lines.empty() && c != '#') {
            ++i;
            continue;
        }
        if (in_string || in_char) {
            out.push(c, line_number);
            if (c == '\\') {
                ++backslashes;
            } else {
                bool escaped = backslashes % 2 == 1;
                backslashes = 0;
                if (!escaped && in_string && c == '"') in_string = false;
                if (!escaped && in_char && c == '\'') in_char = false;
            }
            previous_kept = c;
            ++i;
            continue;
        }
        if (c == '\'' || c == '"') {
            if (c == '"' && (i == 0 || is_blank(line[i - 1])) && is_name_char(previous_kept)) {
                out.push(' ', line_number);
            }
            if (c == '"') {
                in_string = true;
                string_line = line_number;
            } else {
                in_char = true;
                char_line = line_number;
            }
            backslashes = 0;
            out.push(c, line_number);
            previous_kept = c;
            ++i;
            continue;
        }
        if (c == '#') {
            i = hash_sign(line, i, line_number);
            continue;
        }
        if (is_blank(c)) {
            ++i;
            continue;
        }
        if (c == '\\') {
            if (i + 1 == line.size() || line[i + 1] == '#') {
                continued = true;
                ++i;
                continue;
            }
            fail(line_number,
                 format_string(msg_text("unbzei"), c) + format_string(" (%s)", msg_text("zeinurzeienderl")));
        }
        if (!is_name_char(c) && std::strchr(symbol_chars, c) == nullptr) {
            fail(line_number, format_string(msg_text("unbzei"), c));
        }
        if (c == '(' || c == '[' || c == '{') open_bracket(c, line_number);
        if (c == ')' || c == ']' || c == '}') close_bracket(c, line_number);
        if (is_name_char(c) && (i == 0 || is_blank(line[i - 1])) && is_name_char(previous_kept)) {
            out.push(' ', line_number);
        }
        out.push(c, line_number);
        previous_kept = c;
        ++i;
    }
    if (!continued && !in_string && !in_char && comment_lines.empty()) out.push('\n', line_number);
}

size_t JOINER::hash_sign(std::string_view line, size_t i, int line_number) {
    if (i > 0 && line[i - 1] == ')') {
        if (comment_lines.empty()) fail(line_number, msg_text("uebkomend"));
        comment_lines.pop_back();
        return i + 1;
    }
    if (i + 1 == line.size()) return line.size();
    char next = line[i + 1];
    if (next == '(') {
        comment_lines.push_back(line_number);
        return i + 2;
    }
    bool shebang = next == '!' && i == 0 && line_number == 1 && top_level;
    if (is_blank(next) || next == '#' || shebang) return line.size();
    // A word comment: skipped up to the next blank, tab or '#'.
    size_t k = i + 1;
    while (k < line.size() && !is_blank(line[k]) && line[k] != '#') ++k;
    return k;
}

void JOINER::open_bracket(char c, int line) {
    (c == '(' ? round_lines : c == '[' ? square_lines : curly_lines).push_back(line);
    open_brackets.push_back(c);
}

void JOINER::close_bracket(char c, int line) {
    std::vector<int>& lines = c == ')' ? round_lines : c == ']' ? square_lines : curly_lines;
    char opening = c == ')' ? '(' : c == ']' ? '[' : '{';
    if (lines.empty()) fail(line, msg_text(c == ')' ? "uebklarzu" : c == ']' ? "uebklaezu" : "uebklagzu"));
    char innermost = open_brackets.back();
    if (innermost != opening) {
        const char* id = c == ')' ? "rzuvorklaistans" : c == ']' ? "ezuvorklaistans" : "gzuvorklaistans";
        fail(line, format_string(msg_text(id), innermost));
    }
    lines.pop_back();
    open_brackets.pop_back();
}

void JOINER::finish() {
    if (!comment_lines.empty()) fail(comment_lines.back(), msg_text("komohnabs"));
    if (in_string) fail(string_line, msg_text("zeiketohnabs"));
    if (in_char) fail(char_line, msg_text("zeikonohnabs"));
    if (!round_lines.empty()) fail(round_lines.back(), msg_text("runklaohnabs"));
    if (!curly_lines.empty()) fail(curly_lines.back(), msg_text("gesklaohnabs"));
    if (!square_lines.empty()) fail(square_lines.back(), msg_text("eckklaohnabs"));
}

// Follows the quotes of a joined or laid-out text: constants are opened and
// closed by unescaped quotes of their own kind.
class QUOTE_STATE {
public:
    bool inside() const { return quote != 0; }
    // Moves over one byte; true when the byte belongs to a constant (its
    // quotes included).
    bool step(char c) {
        if (quote == 0) {
            if (c != '"' && c != '\'') return false;
            quote = c;
            backslashes = 0;
            return true;
        }
        if (c == '\\') {
            ++backslashes;
        } else {
            if (c == quote && backslashes % 2 == 0) quote = 0;
            backslashes = 0;
        }
        return true;
    }

private:
    char quote = 0;
    int backslashes = 0;
};

}  // namespace

void raise_parse_error(const std::string& file_name, int line, const std::string& message) {
    throw ERROR(file_name, line, message, error_kind_syntax);
}

LINED_TEXT join_lines(const std::string& file_name, const NAME_LIST& lines, bool top_level) {
    JOINER joiner(file_name, top_level);
    int line_number = 0;
    for (std::string_view line : source_lines(lines)) joiner.join_line(line, ++line_number);
    joiner.finish();
    return std::move(joiner.out);
}

LINED_TEXT lay_out_text(const LINED_TEXT& joined) {
    const std::string& text = joined.text;
    size_t n = text.size();
    std::vector<uint32_t> open_after(n, 0);    // '{' to put after the byte
    std::vector<uint32_t> close_before(n, 0);  // '}' to put before it

    // First scan. A ')' followed by a statement opens a block that ends at
    // the first line end on the same bracket depth or at the closing bracket
    // that encloses the ')'. Waiting blocks are kept with their depth; the
    // ones of the current depth are always the last, because deeper ones are
    // settled when their brackets close.
    struct WAITING {
        size_t position;
        int depth;
    };
    std::vector<WAITING> waiting;
    int depth = 0;
    auto settle = [&](size_t stop) {
        while (!waiting.empty() && waiting.back().depth == depth) {
            ++open_after[waiting.back().position];
            ++close_before[stop];
            waiting.pop_back();
        }
    };
    QUOTE_STATE quotes;
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (quotes.step(c)) continue;
        if (c == '\n') {
            settle(i);
        } else if (c == '(' || c == '[' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            settle(i);
            if (depth > 0) --depth;
            if (c == ')' && i + 2 < n && starts_operand(text[i + 1])) waiting.push_back({i, depth});
        }
    }

    // Second scan: the laid-out text.
    LINED_TEXT out;
    out.text.reserve(n + n / 4);
    out.lines.reserve(n + n / 4);
    QUOTE_STATE layout_quotes;
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        int line = joined.lines[i];
        char next = joined.at(i + 1);
        for (uint32_t k = 0; k < close_before[i]; ++k) out.push('}', line);
        bool was_inside = layout_quotes.inside();
        layout_quotes.step(c);
        if (!was_inside && c == '\n') {
            if (!out.empty() && ends_operand(out.text.back()) && starts_operand(next)) out.push(';', line);
            continue;
        }
        out.push(c, line);
        for (uint32_t k = 0; k < open_after[i]; ++k) out.push('{', line);
        if (!was_inside && c == '}' && starts_operand(next)) out.push(';', line);
    }
    return out;
}

void parse_lines(const std::string& file_name, std::unique_ptr<TOKEN>& root, const NAME_LIST& lines, bool top_level) {
    LINED_TEXT joined = join_lines(file_name, lines, top_level);
    LINED_TEXT laid_out = lay_out_text(joined);
    LINED_TEXT marked = mark_text(file_name, laid_out);
    std::unique_ptr<TOKEN> tree = build_program_tree(file_name, marked);
    if (tree) run_tree_passes(file_name, tree);
    root = std::move(tree);
}

std::unique_ptr<TOKEN> parse_program(const std::string& file_name, const NAME_LIST& lines, bool top_level) {
    std::unique_ptr<TOKEN> root;
    parse_lines(file_name, root, lines, top_level);
    return root;
}

}  // namespace morvu
