#include "frontend/type_defs.h"

#include "runtime/display_name.h"
#include "frontend/analysis.h"
#include "frontend/scope.h"
#include "runtime/error.h"
#include "runtime/messages.h"

namespace morvu {

namespace {

// The reserved type words, in the order is_type_name compares them.
constexpr const char* reserved_type_words[] = {
    "bigtype", "smalltype", "func", "proc",  "bool", "int",  "real",  "char",     "str",      "file",
    "dir",     "need",      "any",  "list",  "args", "hash", "array", "array2",   "set",      "code",
    "oper",    "error",     "sys",  "graph", "any2", "time", "date",  "timezone", "datetime",
};

// Gives the node a scope of the kind unless it owns one; a request for a
// type body raises the kind of an existing scope to 1.
void ensure_scope(TOKEN* token, uint8_t kind) {
    if (token->scope == nullptr) token->scope = new SCOPE(kind);
    else if (kind == 1) token->scope->kind = 1;
}

// The body block of a routine definition owns no scope: its statements
// belong to the scope on the node that joins the parameter brackets and the
// body (proc NAME (...) { ... }).
bool is_routine_body(const TOKEN* block) {
    const TOKEN* juxtaposition = block->parent;
    if (juxtaposition == nullptr || !is_juxtaposition(juxtaposition)) return false;
    const TOKEN* call = juxtaposition->parent;
    if (call == nullptr || !is_call_token(call)) return false;
    return is_keyword_statement(call->parent, "func", "proc");
}

[[noreturn]] void raise_analysis(const TOKEN* node, const std::string& message, char kind) {
    raise_error(node, routine_kind_none, nullptr, message, kind);
}

}  // namespace

bool is_reserved_type_word(const std::string& text) {
    for (const char* word : reserved_type_words)
        if (text == word) return true;
    return false;
}

void raise_redefinition(const TOKEN* at, const char* identifier, const std::string& name, const TOKEN* earlier) {
    std::string where = position_text(earlier);
    raise_analysis(at, format_string(msg_text(identifier), display_name(name.c_str()).c_str(), where.c_str()),
                   error_kind_analysis);
}

bool is_type_name(const TOKEN* token) { return is_word_token(token) && is_reserved_type_word(*token->text); }

void scope_statements(TOKEN* scope_token, TOKEN_LIST* out) {
    TOKEN_LIST parts(scope_token, juxtaposition_chain);
    for (TOKEN* part : parts) append_operands(part, ';', out);
}

TOKEN_LIST keyword_statements(TOKEN* scope_token, const char* word1, const char* word2) {
    TOKEN_LIST found;
    if (scope_token->scope == nullptr) return found;
    TOKEN_LIST statements;
    scope_statements(scope_token, &statements);
    for (TOKEN* statement : statements)
        if (is_keyword_statement(statement, word1, word2)) found.append(statement);
    return found;
}

void build_scopes(TOKEN* token) {
    if (token->parent == nullptr) {
        ensure_scope(token, 0);
        return;
    }
    if (is_block(token)) {
        if (!is_routine_body(token)) ensure_scope(token, 0);
        return;
    }
    if (!token->text) return;
    TOKEN* statement = token->parent;
    if (!is_blank_operator(statement) || statement->left != token) return;
    TOKEN* definition = statement->right;
    if (definition == nullptr) return;
    if (is_word(token, "func") || is_word(token, "proc")) {
        // proc NAME ... or, written outside its type, proc TYPE:NAME ...
        if (definition->op1 == ':' && definition->op2 == 0) definition = definition->right;
        if (definition != nullptr && is_call_token(definition) && definition->left != nullptr)
            ensure_scope(definition->left, 0);
        return;
    }
    if (is_word(token, "bigtype") || is_word(token, "smalltype")) {
        if (!definition->text || definition->op1 != '(' || definition->op2 != 0) return;
        TOKEN* body = last_list_item(definition);
        if (body != nullptr) ensure_scope(body, 1);
    }
}

void clear_def_data(const TOKEN_LIST& tokens) {
    for (TOKEN* token : tokens) {
        delete token->scope;
        token->scope = nullptr;
        token->declaration = nullptr;
    }
    for (TOKEN* token : tokens) build_scopes(token);
}

void typdef(TOKEN* scope_token) {
    SCOPE* scope = scope_token->scope;
    for (TOKEN* statement : keyword_statements(scope_token, "bigtype", "smalltype")) {
        TOKEN* definition = statement->right;
        if (definition == nullptr || is_operator_expression(definition))
            raise_analysis(statement, format_string(msg_text("erwkeiopebei"), msg_text("typdef")), error_kind_syntax);
        if (definition->declaration != nullptr) continue;  // registered through another scope
        if (!definition->text || definition->op1 != '(' || definition->op2 != 0)
            raise_analysis(definition, format_string(msg_text("erwtypdeffor"), statement->left->text->c_str()),
                           error_kind_syntax);
        if (definition->module_inside)
            raise_analysis(definition, format_string(msg_text("modopenicerlbei"), msg_text("typdef")),
                           error_kind_syntax);
        if (is_reserved_type_word(*definition->text))
            raise_analysis(definition, msg_text("vordefdattyp"), error_kind_analysis);
        const std::string& name = *definition->text;
        if (TOKEN* earlier = table_token(scope->types, name))
            raise_redefinition(definition, "dattypschdefbei", name, earlier);
        enter_token(scope->types, name, definition);
        definition->declaration = definition;
    }
}

void typdef_pass(const TOKEN_LIST& tokens) {
    for (TOKEN* token : tokens) typdef(token);
}

}  // namespace morvu
