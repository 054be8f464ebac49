#include "frontend/name_resolution.h"

#include <memory>

#include "runtime/display_name.h"
#include "frontend/lexer.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_defs.h"
#include "runtime/error.h"
#include "runtime/messages.h"

namespace morvu {

namespace {

bool is_parameter_declaration(const TOKEN* node) { return node->op1 == ':' && node->op2 == '$' && node->param_mark; }

bool is_plain_colon(const TOKEN* node) { return node->op1 == ':' && node->op2 == 0; }

[[noreturn]] void raise_unknown_variable(const TOKEN* token) {
    raise_error(token, routine_kind_none, nullptr,
                format_string(msg_text("unbvar"), display_name(token->text->c_str()).c_str()), error_kind_analysis);
}

// Appends the declaration "any <name>" as the last statement of `block` and
// returns its name token. The new nodes stand for the implicit declaration of
// `used`, so they take its position; the ';' above the block's former
// statements takes the block's.
TOKEN* append_any_declaration(TOKEN* block, const TOKEN* used) {
    NAME_LIST line;
    line.append("any " + *used->text);
    std::unique_ptr<TOKEN> declaration = parse_program(std::string(), line, false);
    TOKEN* name = declaration != nullptr ? declaration->right : nullptr;
    if (!is_blank_operator(declaration.get()) || !is_word(name, used->text->c_str())) raise_unknown_variable(used);
    TOKEN_LIST nodes;
    collect_tokens(declaration.get(), &nodes);
    for (TOKEN* node : nodes) {
        node->file_index = used->file_index;
        node->line = used->line;
        node->line2 = used->line2;
    }
    const uint16_t block_mode = block->block_mode;
    const uint8_t outermost = block->outermost;
    const bool file_root = block->parent == nullptr;
    block->insert_operator(declaration.release(), ';', 0, false, block->file_index, block->line, block->line2);
    // The block stays the braced list; its former statements are no block of
    // their own.
    block->block_mode = block_mode;
    block->left->block_mode = block_mode_none;
    if (file_root) {
        block->left->outermost = outermost;
        block->right->outermost = 1;
    }
    return name;
}

}  // namespace

void check_operator_name(TOKEN* token) {
    TOKEN* parent = token->parent;
    if (parent == nullptr || parent->left != token) return;
    if (!is_blank_operator(parent) && !is_plain_colon(parent) && !is_parameter_declaration(parent)) return;
    if (token->declaration != nullptr || is_type_name(token)) return;
    // app:file in a need statement names an application, not a type.
    if (is_plain_colon(parent) && parent->right != nullptr && parent->right->inclusion_state > inclusion_untouched)
        return;
    if (!token->text) {
        std::string message = parent->op2 != 0 ? format_string(msg_text("erwnamlinope2"), parent->op1, parent->op2)
                                               : format_string(msg_text("erwnamlinope"), parent->op1);
        raise_error(token, routine_kind_none, nullptr, message, error_kind_syntax);
    }
    token->declaration = find_symbol(parent, *token->text, 't', false, parent);
    if (token->declaration == nullptr)
        raise_error(token, routine_kind_none, nullptr,
                    format_string(msg_text("unbdattypxxx"), display_name(token->text->c_str()).c_str()),
                    error_kind_analysis);
}

void operator_name_pass(const TOKEN_LIST& statements) {
    SCOPE_WALK_MEMO memo;  // the pass changes no node
    for (TOKEN* token : statements) {
        if (token == nullptr) break;
        check_operator_name(token);
    }
}

void resolve_variables(TOKEN* token) {
    if (token->declaration != nullptr || !token->text) return;
    if (token->op1 == '"' || token->op1 == '\'' || is_call_token(token)) return;
    const std::string& name = *token->text;
    if (name == "true" || name == "false" || name == "this") return;
    TOKEN* parent = token->parent;
    if (parent != nullptr && parent->left == token && (is_blank_operator(parent) || is_parameter_declaration(parent)) &&
        is_type_name(token))
        return;

    // Through ',' lists up to the operator that uses the name.
    TOKEN* from = token;
    TOKEN* user = parent;
    while (user != nullptr && user->op1 == ',' && user->op2 == 0) {
        from = user;
        user = user->parent;
    }
    if (user != nullptr && is_plain_colon(user)) return;
    if (user != nullptr && user->op1 == '.' && user->op2 == 0 && user->right == from) return;
    if (token->extension_mark) return;

    TOKEN* start = user != nullptr ? user : token;
    token->declaration = find_symbol(start, name, 'v', false, start);
    if (token->declaration != nullptr) return;

    // A module-qualified name names a variable of another file: it is never
    // declared on the spot.
    if (name.find(module_separator) != std::string::npos) raise_unknown_variable(token);

    // Declared in the nearest enclosing block, entered in the nearest scope.
    TOKEN* block = parent != nullptr ? enclosing_block(parent) : nullptr;
    TOKEN* scope_node = block != nullptr ? enclosing_scope_node(block) : nullptr;
    if (block == nullptr || scope_node == nullptr) raise_unknown_variable(token);

    TOKEN* declared = append_any_declaration(block, token);
    if (scope_node == block) ++block->scope->implicit_declarations;
    enter_token(scope_node->scope->variables, name, declared);
    enter_token(scope_node->scope->storage, name, declared);
    declared->declaration = declared;
    token->declaration = find_symbol(token->parent, name, 'v', false, token->parent);
    if (token->declaration == nullptr) raise_unknown_variable(token);
}

uint32_t implicit_declaration_count(const TOKEN* block) {
    return block->scope != nullptr ? block->scope->implicit_declarations : 0;
}

TOKEN* expression_of_block(TOKEN* block) {
    uint32_t count = implicit_declaration_count(block);
    if (count == 0) return nullptr;
    // Each declaration was appended under a ';' of its own above what the
    // block held before.
    TOKEN* expression = block;
    for (; count > 0 && expression->op1 == ';' && expression->op2 == 0 && expression->left != nullptr; --count)
        expression = expression->left;
    return count == 0 ? expression : nullptr;
}

void variable_pass(const TOKEN_LIST& statements) {
    SCOPE_WALK_MEMO memo;  // the pass adds declarations, never moves a node
    for (TOKEN* token : statements) {
        if (token == nullptr) break;
        resolve_variables(token);
    }
}

}  // namespace morvu
