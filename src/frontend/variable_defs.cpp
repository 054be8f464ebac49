#include "frontend/variable_defs.h"

#include "frontend/analysis.h"
#include "frontend/scope.h"
#include "frontend/type_defs.h"
#include "runtime/error.h"
#include "runtime/messages.h"

namespace morvu {

namespace {

[[noreturn]] void raise_at(const TOKEN* node, const std::string& message, char kind) {
    raise_error(node, routine_kind_none, nullptr, message, kind);
}

// A name leaf: a text without operator characters.
bool is_name(const TOKEN* token) { return token != nullptr && token->text && token->op1 == 0 && token->op2 == 0; }

bool is_variable_definition(const TOKEN* statement) {
    if (is_blank_operator(statement)) {
        const TOKEN* word = statement->left;
        return !(is_word(word, "bigtype") || is_word(word, "smalltype") || is_word(word, "func") ||
                 is_word(word, "proc") || is_word(word, "need"));
    }
    return statement->op1 == ':' && statement->op2 == '$' && statement->param_mark != 0;
}

// T a.(literal): what the declaration rewrite makes of an initialised name.
bool is_initialisation(const TOKEN* item) {
    return item->op1 == '.' && item->op2 == 0 && item->right != nullptr && is_call_token(item->right);
}

bool is_declaring_assignment(const TOKEN* item) {
    switch (item->op1) {
    case '=':
    case '@':
    case '$':
    case '?':
    case '~': return item->op2 == 0;
    default: return false;
    }
}

// Whether the item has a form a declaration in a scope of this kind allows.
bool is_accepted_item(const TOKEN* item, uint8_t kind) {
    if (is_name(item)) return true;
    if (kind == 1) return is_initialisation(item) && is_name(item->left) && item->right->text->empty();
    return is_initialisation(item) || is_declaring_assignment(item);
}

}  // namespace

bool is_predefined_variable(const TOKEN* token) {
    if (!is_word_token(token)) return false;
    const std::string& text = *token->text;
    return text == "true" || text == "false" || text == "this";
}

void vardef(TOKEN* scope_token) {
    SCOPE* scope = scope_token->scope;
    if (scope == nullptr) return;
    TOKEN_LIST statements;
    scope_statements(scope_token, &statements);
    for (TOKEN* statement : statements) {
        if (!is_variable_definition(statement) || statement->right == nullptr) continue;
        for (TOKEN* item : split_by_operator(statement->right, ',')) {
            if (!is_accepted_item(item, scope->kind))
                raise_at(item, msg_text(scope->kind == 1 ? "erwvarinipro" : "erwvartypprozuwope"), error_kind_syntax);
            TOKEN* declared = is_name(item) ? item : item->left;
            if (declared == nullptr) raise_at(item, msg_text("erwvar"), error_kind_syntax);
            for (TOKEN* name : split_by_operator(declared, ',')) {
                if (name->declaration != nullptr) continue;  // declared through another scope
                if (!is_word_token(name)) raise_at(name, msg_text("erwvar"), error_kind_syntax);
                if (is_predefined_variable(name)) raise_at(name, msg_text("vordefvar"), error_kind_analysis);
                if (name->module_inside)
                    raise_at(name, format_string(msg_text("modopenicerlbei"), msg_text("vardef")), error_kind_syntax);
                const std::string& text = *name->text;
                if (TOKEN* earlier = table_token(scope->variables, text))
                    raise_redefinition(name, "varschdefbei", text, earlier);
                enter_token(scope->variables, text, name);
                enter_token(scope->storage, text, name);
                name->declaration = name;
            }
        }
    }
}

void vardef_pass(const TOKEN_LIST& tokens) {
    for (TOKEN* token : tokens) vardef(token);
}

}  // namespace morvu
