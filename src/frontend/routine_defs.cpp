#include "frontend/routine_defs.h"

#include "runtime/display_name.h"
#include "values/signatures.h"
#include "frontend/analysis.h"
#include "frontend/param_roles.h"
#include "frontend/scope.h"
#include "frontend/tree_passes.h"
#include "frontend/type_defs.h"
#include "runtime/error.h"
#include "runtime/messages.h"

namespace morvu {

namespace {

[[noreturn]] void raise_at(const TOKEN* node, const std::string& message, char kind) {
    raise_error(node, routine_kind_none, nullptr, message, kind);
}

std::string with_word(const char* identifier, const char* word) { return format_string(msg_text(identifier), word); }

// Takes the node out of its parent's operand slot.
void detach_from_parent(TOKEN* node) {
    note_tree_shape_change();
    TOKEN* parent = node->parent;
    if (parent->left == node) parent->left = nullptr;
    else parent->right = nullptr;
    node->parent = nullptr;
}

// Moves the definition statement into the body of a type, behind the body's
// statements, and returns the node that holds it now (the body itself when
// the body was empty). The body keeps its scope.
TOKEN* append_to_body(TOKEN* body, TOKEN* definition) {
    if (is_empty_operand(body)) {
        // An empty body becomes the definition itself; replace_by would free
        // the body's scope with its payload.
        SCOPE* scope = body->scope;
        body->scope = nullptr;
        body->replace_by(definition);
        body->scope = scope;
        body->block_mode = block_mode_braced;
        return body;
    }
    body->insert_operator(definition, ';', 0, false, definition->file_index, definition->line, definition->line2);
    body->block_mode = block_mode_braced;
    return definition;
}

// Every node of the tree that owns a scope, taken before a pass changes the
// tree: the nodes a move deletes never own one.
TOKEN_LIST scope_nodes(const TOKEN_LIST& tokens) {
    TOKEN_LIST nodes;
    for (TOKEN* token : tokens)
        if (token->scope != nullptr) nodes.append(token);
    return nodes;
}

}  // namespace

bool attach_external_routine(TOKEN* scope_token) {
    bool moved = false;
    SCOPE* scope = scope_token->scope;
    for (TOKEN* statement : keyword_statements(scope_token, "func", "proc")) {
        TOKEN* external = statement->right;
        if (external == nullptr || external->op1 != ':' || external->op2 != 0) continue;
        const char* word = msg_text(is_word(statement->left, "proc") ? "prodef" : "fundef");
        TOKEN* type_name = external->left;
        TOKEN* call = external->right;
        if (!is_word_token(type_name) || call == nullptr || !is_call_token(call))
            raise_at(external, with_word("erwdattypnambeiext", word), error_kind_syntax);
        if (type_name->module_inside || call->module_inside)
            raise_at(external, with_word("modopenicerlbei", word), error_kind_syntax);
        if (is_type_name(type_name)) raise_at(external, msg_text("vordefdattyp"), error_kind_analysis);
        TOKEN* type = table_token(scope->types, *type_name->text);
        if (type == nullptr)
            raise_at(external,
                     format_string(msg_text("dattypsconicdef"), display_name(type_name->text->c_str()).c_str()),
                     error_kind_analysis);
        TOKEN* body = last_list_item(type);
        // The statement itself may be a whole block: it cannot leave it.
        if (body == nullptr || statement->parent == nullptr || is_block(statement)) continue;
        detach_from_parent(statement);
        statement = append_to_body(body, statement);
        external->rotate('l');  // proc T:NAME ... now reads proc NAME ...
        // Untyped parameters get the type word "any" as in a definition
        // written inside the type: parsing gave them none in this form.
        parse_routine_literal(statement);
        moved = true;
    }
    return moved;
}

bool fundef_pass(const TOKEN_LIST& tokens) {
    bool moved = false;
    for (TOKEN* token : scope_nodes(tokens)) moved |= attach_external_routine(token);
    return moved;
}

void check_fundef_form(TOKEN* scope_token) {
    SCOPE* scope = scope_token->scope;
    for (TOKEN* statement : keyword_statements(scope_token, "func", "proc")) {
        const bool is_procedure = is_word(statement->left, "proc");
        const char* kind_word = routine_type_word(scope->kind == 1, is_procedure);
        const char* word = msg_text(is_procedure ? "prodef" : "fundef");
        TOKEN* call = statement->right;
        if (call == nullptr || is_operator_expression(call))
            raise_at(call != nullptr ? call : statement, with_word("erwkeiopebei", word), error_kind_syntax);
        if (call->declaration != nullptr) continue;  // registered already
        if (!is_call_token(call))
            raise_at(call, with_word(is_procedure ? "erwprodeffor" : "erwfundeffor", statement->left->text->c_str()),
                     error_kind_syntax);
        if (call->module_inside) raise_at(call, with_word("modopenicerlbei", word), error_kind_syntax);

        std::string key = escape_method_text(call, *call->text);
        key += method_key_mark;

        TOKEN_LIST parts;
        if (call->left != nullptr) append_operands(call->left, juxtaposition_chain, &parts);
        const uint32_t count = parts.count();
        const uint32_t full_count = is_procedure ? 2 : 3;
        if (count == 0) raise_at(call, with_word("hatkeirumtypcod", kind_word), error_kind_syntax);
        if (count > full_count)
            raise_at(call, with_word(is_procedure ? "hatmehals2tei" : "hatmehals3tei", kind_word), error_kind_syntax);
        for (uint32_t i = 0; i < count; ++i) {
            TOKEN* part = parts[i];
            if (i + 1 == count) {
                if (!is_block(part)) raise_at(part, with_word("hatkeirumtypcod", kind_word), error_kind_syntax);
            } else if (is_block(part)) {
                raise_at(part, with_word("hatargtypcod", kind_word), error_kind_syntax);
            } else if (is_empty_operand(part)) {
                raise_at(part, with_word("hatleearg", kind_word), error_kind_syntax);
            }
        }

        if (count == full_count) {  // the first part holds the input parameters
            TOKEN_LIST type_words;
            check_fun_arg(parts[0], 't', type_words);
            for (TOKEN* type_word : type_words) {
                key += *type_word->text;
                if (type_word->arg_role == arg_role_variable_input && *type_word->text == "args") key += ":$";
                key += ';';
            }
            key += method_key_mark;
        }

        std::string collision;
        match_args_signature(collision, *scope, key, is_procedure, 0);
        if (collision.empty()) {
            enter_routine(is_procedure ? scope->procedures : scope->functions, key, call);
            call->declaration = call;
        } else {
            std::string shown = method_context(call, "", key, true);
            if (collision == "!")
                raise_at(call, format_string(msg_text("hatzuvieargdattyparg"), kind_word, shown.c_str()),
                         error_kind_syntax);
            TOKEN* earlier = table_token(is_procedure ? scope->procedures : scope->functions, collision);
            std::string where = position_text(earlier);
            raise_at(call, format_string(msg_text("schdefbei"), kind_word, shown.c_str(), where.c_str()),
                     error_kind_analysis);
        }

        for (uint32_t i = 0; i + 1 < count; ++i) mark_subtree(parts[i]);
    }
}

void fundef_form_pass(const TOKEN_LIST& tokens) {
    for (TOKEN* token : tokens) check_fundef_form(token);
}

}  // namespace morvu
