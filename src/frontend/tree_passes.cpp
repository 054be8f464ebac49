#include "frontend/tree_passes.h"

#include <cstring>
#include <vector>

#include "frontend/lexer.h"
#include "frontend/token.h"
#include "frontend/tree_builder.h"
#include "runtime/messages.h"
#include "values/operator_tokens.h"

namespace morvu {

namespace {

bool is_op(const TOKEN* token, char op1, char op2) {
    return token != nullptr && token->op1 == op1 && token->op2 == op2;
}

bool is_empty_operand(const TOKEN* token) { return is_op(token, '#', 0); }

bool is_blank_operator(const TOKEN* token) { return is_op(token, ' ', 0); }

bool is_constant_or_call(const TOKEN* token) { return token->op1 == '"' || token->op1 == '\'' || token->op1 == '('; }

bool is_unary(const TOKEN* token) { return is_op(token, '!', 0) || is_op(token, '+', '+') || is_op(token, '-', '-'); }

// The node is the argument tree of a call.
bool is_call_arguments(const TOKEN* token) {
    const TOKEN* parent = token->parent;
    return parent != nullptr && is_call_token(parent) && parent->left == token;
}

bool is_routine_word(const TOKEN* word) { return is_word(word, "proc") || is_word(word, "func"); }

// The one-character ':' of an external definition "proc TYPE:NAME ...": the
// right operand of a blank operator after "proc" or "func".
bool is_external_head(const TOKEN* colon) {
    if (!is_op(colon, ':', 0)) return false;
    const TOKEN* parent = colon->parent;
    return is_blank_operator(parent) && parent->right == colon && is_routine_word(parent->left);
}

// The call named by a routine definition, direct (proc NAME ...) or external
// (proc TYPE:NAME ...); null when the blank operator is no such definition.
TOKEN* routine_definition_call(TOKEN* blank) {
    if (!is_blank_operator(blank) || !is_routine_word(blank->left)) return nullptr;
    TOKEN* head = blank->right;
    if (is_op(head, ':', 0)) head = head->right;
    return head != nullptr && is_call_token(head) ? head : nullptr;
}

// A call that is the head of a definition (proc, func, bigtype, smalltype,
// or an external proc or func): its groups are parameter lists and a body,
// not arguments.
bool is_definition_head(const TOKEN* call) {
    const TOKEN* parent = call->parent;
    if (parent == nullptr || parent->right != call) return false;
    if (is_external_head(parent)) return true;
    if (!is_blank_operator(parent)) return false;
    const TOKEN* word = parent->left;
    return is_routine_word(word) || is_word(word, "bigtype") || is_word(word, "smalltype");
}

// Operators that need both operands.
bool needs_both_operands(const TOKEN* token) {
    if (token->op2 == 0) return token->op1 == ' ' || token->op1 == ',' || token->op1 == '.' || token->op1 == ':';
    if (is_op(token, ':', '$')) return token->param_mark != 0;
    return is_juxtaposition(token);
}

// Operators whose value may be written in round brackets.
bool brackets_allowed_on(const TOKEN* token) {
    static const char* const pairs[] = {"<=", ">=", "==", "!=", "!?", "!@", "@@", "??", "||",
                                        "&&", "**", "..", ".:", ":.", "->", "++", "--"};
    if (token->text) return false;
    if (token->op2 == 0) return token->op1 != 0 && std::strchr("%*+-/^<>|&!#", token->op1) != nullptr;
    for (const char* pair : pairs) {
        if (token->op1 == pair[0] && token->op2 == pair[1]) return true;
    }
    return false;
}

std::string with_operator(const char* message_id, const TOKEN* token) {
    return format_string("%s '%s'", msg_text(message_id), operator_text(token).c_str());
}

// Calls visit(node) for every node of the tree in post-order without
// building a list first. A visit may rewrite the node and anything below
// it, but not what lies above or beside it.
template <typename VISIT>
void walk_post_order(TOKEN* root, VISIT visit) {
    std::vector<TOKEN*> path;
    TOKEN* node = root;
    TOKEN* last_visited = nullptr;
    while (node != nullptr || !path.empty()) {
        if (node != nullptr) {
            path.push_back(node);
            // The right operand is visited once the left subtree is done;
            // asking for it now hides most of its cache miss.
            if (node->right != nullptr) __builtin_prefetch(node->right);
            node = node->left;
            continue;
        }
        TOKEN* top = path.back();
        if (top->right != nullptr && top->right != last_visited) {
            node = top->right;
            continue;
        }
        path.pop_back();
        // Recorded before the visit: the visit may give the node new
        // operands, and its identity is what the parent compares.
        last_visited = top;
        if (!visit(top)) return;
    }
}

}  // namespace

std::string check_module_operators(TOKEN* token) {
    if (!is_op(token, ':', ':') || is_op(token->parent, ':', ':')) return "";
    // "::name" with nothing on the left names no module, wherever it stands.
    if (token->left == nullptr) return msg_text("erwmodnamlinmodope");
    TOKEN_LIST modules = split_by_operator2(token->left, ':', ':');
    if (modules.empty()) return msg_text("erwmodnamlinmodope");
    std::string path;
    for (const TOKEN* module : modules) {
        if (!module->text || is_constant_or_call(module)) return msg_text("erwmodnamlinmodope");
        path += *module->text;
        path += module_separator;
    }
    if (token->right == nullptr || !token->right->text) return msg_text("erwnamrecmodope");
    path += *token->right->text;
    token->rotate('l');
    token->text = std::move(path);
    token->module_inside = 1;
    return "";
}

void mark_bracket_operands(TOKEN* token) {
    const TOKEN* parent = token->parent;
    if (parent == nullptr || is_juxtaposition(token)) return;
    bool is_left = parent->left == token;
    bool is_right = parent->right == token;
    if ((is_left && parent->op1 == '}') || (is_right && parent->op2 == '{')) token->block_mode = block_mode_braced;
    if ((is_left && parent->op1 == ')') || (is_right && parent->op2 == '(')) token->in_brackets = 1;
}

void parse_routine_literal(TOKEN* token) {
    TOKEN* call = routine_definition_call(token);
    if (call == nullptr || call->left == nullptr) return;
    TOKEN_LIST groups(call->left, juxtaposition_chain);
    for (uint32_t g = 0; g + 1 < groups.count(); ++g) {
        TOKEN* group = groups[g];
        TOKEN_LIST untyped;
        for (TOKEN* parameter : split_by_operator(group, ';')) {
            // Typed parameters pass; so do empty brackets, which the
            // definition pass refuses with its own message.
            if (is_op(parameter, ':', '$') || is_blank_operator(parameter) || is_empty_operand(parameter)) continue;
            untyped.append(parameter);
        }
        if (untyped.empty()) continue;
        // Cleared before the rewrite, so that a group of one parameter does
        // not hand its flag on to the parameter that moves below "any".
        group->in_brackets = 0;
        for (TOKEN* parameter : untyped) {
            // The inserted nodes stand for the parameter and report its place.
            auto any = new TOKEN("any", nullptr, parameter->file_index, parameter->line, parameter->line2);
            parameter->insert_operator(any, ' ', 0, false, parameter->file_index, parameter->line, parameter->line2);
            TOKEN::swap(parameter->left, parameter->right);
        }
    }
}

std::string check_empty_operands(const TOKEN* token) {
    bool has_left = token->left != nullptr;
    bool has_right = token->right != nullptr;
    if (!token->text && !token->number) {
        const char* message_id = nullptr;
        if (is_operator_token(token->op1, token->op2)) {
            if (!has_left && has_right) message_id = "leenicleebaulinrecvonope";
            if (has_left && !has_right) message_id = "nicleeleebaulnirecvonope";
        } else if (needs_both_operands(token)) {
            if (!has_left) {
                message_id = "leebaulinvonope";
            } else if (!has_right) {
                message_id = "leebaurecvonope";
            }
        }
        if (message_id != nullptr) return with_operator(message_id, token);
    }
    if (is_unary(token) && has_left && has_right && !is_empty_operand(token->left)) {
        return with_operator("leebaulinvonunaope", token);
    }
    if (is_op(token, '.', 0) &&
        ((has_left && token->left->module_inside) || (has_right && token->right->module_inside))) {
        return with_operator("modopenicerllinrecopepun", token);
    }
    return "";
}

std::string check_local_blocks(const TOKEN* token) {
    if (token->block_mode == block_mode_none) return "";
    if (token->parent == nullptr || is_op(token->parent, ';', 0)) return msg_text("unelokblo");
    return "";
}

std::string check_round_brackets(const TOKEN* token) {
    if (token->in_brackets == 0) return "";
    if (brackets_allowed_on(token) || token->number) return "";
    const TOKEN* parent = token->parent;
    if (is_op(token, ',', 0) && is_op(parent, '.', 0)) return "";
    bool bare_operator = !token->text && token->left == nullptr && token->right == nullptr;
    if (bare_operator || token->block_mode != block_mode_none) return "";
    if (parent != nullptr && (is_juxtaposition(parent) || is_call_arguments(token))) return "";
    return msg_text("unzrunkla");
}

std::string check_operator_pairs(const TOKEN* token) {
    if (!is_juxtaposition(token)) return "";
    if (is_call_arguments(token) || (token->parent != nullptr && is_juxtaposition(token->parent))) return "";
    return format_string(msg_text("unzope2"), token->op1, token->op2);
}

std::string check_routine_arguments(const TOKEN* token) {
    if (!is_call_token(token) || token->left == nullptr || is_definition_head(token)) return "";
    // Scratch lists kept from call to call: every call of a program passes
    // here, and fresh lists would cost two allocations each time.
    static thread_local TOKEN_LIST groups;
    static thread_local TOKEN_LIST arguments;
    groups.clear();
    arguments.clear();
    append_operands(token->left, juxtaposition_chain, &groups);
    for (TOKEN* group : groups) {
        if (group->block_mode != block_mode_none) {
            arguments.append(group);
        } else {
            append_operands(group, ',', &arguments);
        }
    }
    bool has_empty = false;
    for (const TOKEN* argument : arguments) {
        if (is_empty_operand(argument) && argument->block_mode == block_mode_none) has_empty = true;
    }
    bool only_empty_brackets = arguments.count() == 1 && is_empty_operand(arguments.first());
    if (has_empty && !only_empty_brackets) return msg_text("profunentzuvielleearg");
    for (uint32_t g = 1; g < groups.count(); ++g) {
        if (groups[g - 1]->block_mode == block_mode_none && groups[g]->block_mode == block_mode_none)
            return msg_text("profunentbenausalsarg");
    }
    return "";
}

bool is_identifier(const std::string& text) {
    if (text.empty()) return false;
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!letter(text[0])) return false;
    for (char c : text) {
        if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    }
    return true;
}

void mark_subtree(TOKEN* token) {
    TOKEN_LIST tokens;
    collect_tokens(token, &tokens);
    for (TOKEN* node : tokens) node->param_mark = 1;
}

void run_tree_passes(const std::string& file_name, std::unique_ptr<TOKEN>& root) {
    // The passes run as two walks over the tree instead of eight; the order
    // of the reported error is the same as with one walk per pass.
    //
    // Walk 1: folding, marking, "any". Folding deletes only nodes that the
    // walk has passed (post-order puts a node's subtree before it), marking
    // reads a node's parent, and "any" rewrites only below the node it
    // visits, whose subtree is already marked. Only folding raises, so its
    // first refusal is the one it would raise alone.
    walk_post_order(root.get(), [&file_name](TOKEN* token) {
        std::string message = check_module_operators(token);
        if (!message.empty()) raise_parse_error(file_name, token->line, message);
        mark_bracket_operands(token);
        parse_routine_literal(token);
        return true;
    });

    // Walk 2: the five checks, which change nothing. Each keeps its first
    // refusal; the refusal of the earliest pass wins, as if each pass had
    // walked the whole tree before the next.
    using CHECK = std::string (*)(const TOKEN*);
    static constexpr CHECK checks[] = {check_empty_operands, check_local_blocks, check_round_brackets,
                                       check_operator_pairs, check_routine_arguments};
    constexpr size_t check_count = sizeof checks / sizeof checks[0];
    std::string messages[check_count];
    const TOKEN* refused[check_count] = {};
    size_t active = check_count;  // only checks before this index can still decide
    walk_post_order(root.get(), [&](const TOKEN* token) {
        for (size_t k = 0; k < active; ++k) {
            std::string message = checks[k](token);
            if (message.empty()) continue;
            messages[k] = std::move(message);
            refused[k] = token;
            active = k;
            break;
        }
        return active > 0;
    });
    for (size_t k = 0; k < check_count; ++k) {
        if (refused[k] != nullptr) raise_parse_error(file_name, refused[k]->line, messages[k]);
    }
}

}  // namespace morvu
