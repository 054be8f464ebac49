#include "frontend/tree_builder.h"

#include <cstring>
#include <vector>

#include "frontend/operators.h"
#include "frontend/token.h"
#include "numbers/real_data.h"
#include "runtime/messages.h"

namespace morvu {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_name_char(char c) { return is_letter(c) || is_digit(c) || c == '_'; }

bool is_unary_sign(char op1, char op2) { return (op1 == '+' || op1 == '-') && op2 == op1; }

int building_priority(char op1, char op2) { return is_unary_sign(op1, op2) ? 14 : operator_priority(op1, op2); }

// Right-associative: the one-character ! $ = ? @ ~, the unary signs and the
// compound assignments. All others, '^' too, associate to the left.
bool is_right_associative(char op1, char op2) {
    if (op2 == 0) return op1 != 0 && std::strchr("!$=?@~", op1) != nullptr;
    if (is_unary_sign(op1, op2)) return true;
    return op2 == '=' && std::strchr("+-*/%^", op1) != nullptr;
}

// The byte a backslash escape stands for; 0 for an unknown escape. A
// backslash before a line end (a string continued over lines) stands for
// nothing and gives -1.
int escaped_byte(char c) {
    switch (c) {
    case '\\': return '\\';
    case '"': return '"';
    case '\'': return '\'';
    case '0': return 0xFF;  // texts hold 0xFF in place of NUL
    case 't': return '\t';
    case 'n': return '\n';
    case 'f': return '\f';
    case 'v': return '\v';
    case 'a': return '\a';
    case 'r': return '\r';
    case 'b': return '\b';
    case '\n': return -1;
    default: return 0;
    }
}

// One bracket level: the slot its tree goes into and the node that owns that
// slot (the parent of the level's root; null at the top).
struct LEVEL {
    TOKEN** slot;
    TOKEN* owner;
};

class TREE_BUILDER {
public:
    TREE_BUILDER(const std::string& file_name, const LINED_TEXT& marked) : file_name(file_name), marked(marked) {}
    ~TREE_BUILDER() { delete root; }

    std::unique_ptr<TOKEN> run();

private:
    [[noreturn]] void fail(int line, const std::string& message) { raise_parse_error(file_name, line, message); }
    void build_tree();
    void insert_by_priority(const LEVEL& level, char op1, char op2, int line);
    void convert_constant(const LEVEL& level, const std::string& item, char kind, char call_flag, int first_line,
                          int last_line);
    void attach_leaf(const LEVEL& level, std::unique_ptr<TOKEN> leaf);
    std::string resolve_escapes(const std::string& item, int line);
    // Index of the next byte equal to `c` from `from` on; the text's end if
    // there is none.
    size_t find_byte(char c, size_t from) const {
        size_t k = marked.text.find(c, from);
        return k == std::string::npos ? marked.size() : k;
    }

    const std::string& file_name;
    const LINED_TEXT& marked;
    TOKEN* root = nullptr;    // owned until run() hands it out
    TOKEN* cursor = nullptr;  // the node inserted last
    size_t position = 0;
    std::vector<LEVEL> levels;
};

std::unique_ptr<TOKEN> TREE_BUILDER::run() {
    levels.push_back({&root, nullptr});
    build_tree();
    std::unique_ptr<TOKEN> tree(root);
    root = nullptr;
    return tree;
}

void TREE_BUILDER::build_tree() {
    const std::string& text = marked.text;
    size_t n = text.size();
    while (position < n) {
        const LEVEL level = levels.back();
        char c = text[position];
        int line = marked.lines[position];
        if (c == '"' || c == '\'') {
            // The constant runs to the next quote of its kind that no odd
            // run of backslashes escapes.
            size_t end = position + 1;
            int backslashes = 0;
            while (end < n && !(text[end] == c && backslashes % 2 == 0)) {
                backslashes = text[end] == '\\' ? backslashes + 1 : 0;
                ++end;
            }
            char after = marked.at(end + 1);
            char call_flag = after == '(' || after == '{' ? '(' : 0;
            std::string item = text.substr(position + 1, end - position - 1);
            int last_line = end < n ? marked.lines[end] : line;
            convert_constant(level, item, c, call_flag, line, last_line);
            position = end + 1;
        } else if (c == number_marker) {
            size_t end = find_byte(number_marker, position + 1);
            std::string digits = text.substr(position + 1, end - position - 1);
            int last_line = marked.lines[end > position + 1 ? end - 1 : position];
            if (!REAL_DATA::text_in_range(digits.c_str())) {
                fail(line, format_string(msg_text("umwzeiketnicmoe"), digits.c_str(), "real"));
            }
            // The value is parsed straight into the leaf's own payload.
            auto leaf = std::make_unique<TOKEN>(0, 0, nullptr, -1, line, last_line);
            leaf->number = std::make_unique<REAL_DATA>(digits.c_str());
            attach_leaf(level, std::move(leaf));
            position = end + 1;
        } else if (c == operator_marker) {
            size_t end = find_byte(operator_marker, position + 1);
            char op1 = marked.at(position + 1);
            char op2 = end > position + 2 ? marked.at(position + 2) : 0;
            insert_by_priority(level, op1, op2, marked.lines[position + 1]);
            position = end + 1;
        } else if (c == '(' || c == '{') {
            ++position;
            if (*level.slot == nullptr) {
                levels.push_back(level);  // the content fills this level's own slot
                continue;
            }
            char before = position >= 2 ? text[position - 2] : 0;
            if (before == '\'') fail(line, format_string(msg_text("unzzeivor"), before, c));
            if (cursor == nullptr) fail(line, msg_text("fehopeaufrecsei"));
            // After a call name or a constant naming a call, the content is
            // the call's argument tree; after an operator its right operand.
            bool arguments = is_name_char(before) || before == '"';
            TOKEN** link = arguments ? &cursor->left : &cursor->right;
            if (*link != nullptr) fail(line, msg_text("fehopeaufrecsei"));
            levels.push_back({link, cursor});
        } else if (c == ')' || c == '}') {
            char after = marked.at(position + 1);
            if (after == '(' || after == '{') {
                insert_by_priority(level, c, after, line);
                position += 2;
                continue;
            }
            ++position;
            TOKEN* level_root = *level.slot;
            cursor = level_root;
            if (level_root != nullptr && !is_juxtaposition(level_root)) {
                if (c == ')') {
                    level_root->in_brackets = 1;
                } else {
                    level_root->block_mode = block_mode_braced;
                }
            }
            if (levels.size() > 1) levels.pop_back();
        } else {
            size_t end = position;
            while (end < n && is_name_char(text[end])) ++end;
            if (end == position) fail(line, format_string(msg_text("unbzei"), c));
            char after = marked.at(end);
            bool call = after == '(' || after == '{';
            convert_constant(level, text.substr(position, end - position), call ? '(' : 0, 0, line,
                             marked.lines[end - 1]);
            position = end;
        }
    }
    cursor = *levels.back().slot;
}

void TREE_BUILDER::insert_by_priority(const LEVEL& level, char op1, char op2, int line) {
    if (*level.slot == nullptr) {
        *level.slot = new TOKEN(op1, op2, level.owner, -1, line, line);
        cursor = *level.slot;
        return;
    }
    int priority = building_priority(op1, op2);
    bool right_associative = is_right_associative(op1, op2);
    TOKEN* x = cursor != nullptr ? cursor : *level.slot;
    // Climb from the cursor while the parent binds at least as tightly; call
    // nodes are passed over, and the climb never leaves the level.
    while (x != *level.slot && x->parent != nullptr) {
        TOKEN* parent = x->parent;
        if (!is_call_token(parent)) {
            int parent_priority = building_priority(parent->op1, parent->op2);
            if (right_associative ? parent_priority <= priority : parent_priority < priority) break;
        }
        x = parent;
    }
    x->insert_operator(nullptr, op1, op2, false, -1, line, line);
    cursor = x;
}

std::string TREE_BUILDER::resolve_escapes(const std::string& item, int line) {
    std::string resolved;
    resolved.reserve(item.size());
    for (size_t k = 0; k < item.size(); ++k) {
        if (item[k] != '\\') {
            resolved.push_back(item[k]);
            continue;
        }
        char escape = k + 1 < item.size() ? item[k + 1] : 0;
        int byte = escaped_byte(escape);
        if (byte == 0) fail(line, msg_text("unbescseq"));
        if (byte > 0) resolved.push_back(static_cast<char>(byte));
        ++k;
    }
    return resolved;
}

void TREE_BUILDER::convert_constant(const LEVEL& level, const std::string& item, char kind, char call_flag,
                                    int first_line, int last_line) {
    bool constant = kind == '"' || kind == '\'';
    std::string resolved = constant ? resolve_escapes(item, first_line) : item;
    if (kind == '\'' && resolved.size() != 1) fail(first_line, msg_text("unzzeikon"));
    auto leaf = std::make_unique<TOKEN>(std::move(resolved), nullptr, -1, first_line, last_line);
    leaf->op1 = kind;
    leaf->op2 = call_flag;
    attach_leaf(level, std::move(leaf));
}

void TREE_BUILDER::attach_leaf(const LEVEL& level, std::unique_ptr<TOKEN> leaf) {
    if (*level.slot == nullptr) {
        leaf->parent = level.owner;
        *level.slot = leaf.release();
        cursor = *level.slot;
        return;
    }
    // The cursor must be an operator that still waits for its right operand.
    bool complete = cursor == nullptr || cursor->text || cursor->number || cursor->right != nullptr;
    if (complete) fail(leaf->line, msg_text("fehopeaufrecsei"));
    leaf->parent = cursor;
    cursor->right = leaf.release();
    cursor = cursor->right;
}

}  // namespace

std::unique_ptr<TOKEN> build_program_tree(const std::string& file_name, const LINED_TEXT& marked) {
    return TREE_BUILDER(file_name, marked).run();
}

std::string operator_text(const TOKEN* token) {
    if (is_unary_sign(token->op1, token->op2)) return std::string(1, token->op1);
    std::string text(1, token->op1);
    if (token->op2 != 0) text.push_back(token->op2);
    return text;
}

}  // namespace morvu
