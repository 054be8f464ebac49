#include "frontend/decl_rewrite.h"

#include <memory>

#include "frontend/token.h"

namespace morvu {

namespace {

bool is_definition_keyword(const TOKEN* word) {
    return is_word(word, "need") || is_word(word, "proc") || is_word(word, "func") || is_word(word, "bigtype") ||
           is_word(word, "smalltype");
}

// The call node of an item: the item itself, or the first call met on the
// way up from the end of its chain of left operands; null when the way
// reaches the item first.
TOKEN* call_of_item(TOKEN* item) {
    if (is_call_token(item)) return item;
    if (item->left == nullptr) return nullptr;
    TOKEN* deepest = item->left;
    while (deepest->left != nullptr) deepest = deepest->left;
    for (TOKEN* walk = deepest->parent; walk != nullptr && walk != item; walk = walk->parent)
        if (is_call_token(walk)) return walk;
    return nullptr;
}

// Turns the call C named N into '.'(N, C with the empty name); every new
// node takes C's position, so errors of the constructor call point at the
// variable's name.
void rewrite_call(TOKEN* call) {
    TOKEN name(*call->text, nullptr, call->file_index, call->line, call->line2);
    call->insert_operator(&name, '.', 0, true, call->file_index, call->line, call->line2);
    TOKEN::swap(call->left, call->right);
    TOKEN* former_call = call->right;
    TOKEN* name_copy = call->left;
    // The name still carries a '::' that stood in the call's name.
    name_copy->module_inside = call->module_inside;
    former_call->text = std::string();
}

}  // namespace

bool rewrite_declaration_init(TOKEN* node) {
    if (node->op1 != ' ' || node->op2 != 0) return false;
    if (is_definition_keyword(node->left)) return false;
    if (node->right == nullptr) return false;
    bool changed = false;
    for (TOKEN* item : split_by_operator(node->right, ',')) {
        TOKEN* call = call_of_item(item);
        if (call == nullptr) continue;
        rewrite_call(call);
        changed = true;
    }
    return changed;
}

bool rewrite_declaration_inits(const TOKEN_LIST& tokens) {
    bool changed = false;
    for (TOKEN* token : tokens) {
        if (token == nullptr) break;
        changed |= rewrite_declaration_init(token);
    }
    return changed;
}

void rewrite_declaration_inits_in_tree(TOKEN* root) {
    if (root == nullptr) return;
    TOKEN_LIST tokens;
    collect_tokens(root, &tokens);
    rewrite_declaration_inits(tokens);
}

}  // namespace morvu
