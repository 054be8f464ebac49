// Type extensions and the base types of the application type.
//
// A type body may hold extension statements "T += U" (U a type name: T gets
// U as a further basic type, in front of its own) and "T += { ... }" (the
// declarations are appended to T's body). They are checked for every type
// that lists the extending type among its bases, and carried out only for
// the application type. A carried-out extension loses its right operand to
// the extended type's header or body; met again, it counts as applied and
// runs only the checks that need no right operand.
//
// Every check of a carried-out extension runs before the tree is touched, so
// an error leaves the tree whole and every detached part owned.

#include <memory>

#include "runtime/display_name.h"
#include "frontend/analysis.h"
#include "runtime/process_state.h"
#include "frontend/scope.h"
#include "frontend/type_defs.h"
#include "frontend/type_services.h"
#include "runtime/error.h"
#include "runtime/messages.h"

namespace morvu {

namespace {

[[noreturn]] void raise_at(const TOKEN* node, const std::string& message, char kind) {
    raise_error(node, routine_kind_none, nullptr, message, kind);
}

std::string with_names(const char* identifier, const std::string& first, const std::string& second) {
    const std::string& shown_first = display_name(first.c_str());
    const std::string& shown_second = display_name(second.c_str());
    return format_string(msg_text(identifier), shown_first.c_str(), shown_second.c_str());
}

bool list_holds_type(const TOKEN_LIST& list, const TOKEN* type) {
    for (TOKEN* entry : list)
        if (entry == type) return true;
    return false;
}

bool is_extension_statement(const TOKEN* token) { return token->op1 == '+' && token->op2 == '='; }

// The type definitions among the statements of a scope node, after the
// checks of their right side that every extension pass shares.
TOKEN_LIST checked_type_definitions(TOKEN* scope_token) {
    TOKEN_LIST definitions;
    for (TOKEN* statement : keyword_statements(scope_token, "bigtype", "smalltype")) {
        TOKEN* definition = statement->right;
        if (definition == nullptr) continue;
        if (is_operator_expression(definition))
            raise_at(definition, format_string(msg_text("erwkeiopebei"), msg_text("typdef")), error_kind_syntax);
        if (definition->module_inside)
            raise_at(definition, format_string(msg_text("modopenicerlbei"), msg_text("typdef")), error_kind_syntax);
        definitions.append(definition);
    }
    return definitions;
}

bool is_application_type(const TOKEN* definition) {
    return !application_name.empty() && definition->text && *definition->text == application_name;
}

// The scope in which a type is registered: the nearest one on the way up
// from the type (itself first) whose types table maps its name to it.
SCOPE* registering_scope(TOKEN* type) { return scope_registering(type, *type->text, type); }

TOKEN* lookup_type(SCOPE* scope, const std::string& name) {
    return scope != nullptr ? table_token(scope->types, name) : nullptr;
}

// Adds the basic type `added` (already renamed to its qualified name) in
// front of the basic types of the type whose body is `body`.
void add_basic_type(TOKEN* body, TOKEN* added) {
    TOKEN* header = body->parent;
    if (header != nullptr && is_juxtaposition(header) && header->right == body) {
        // (A, B){body} becomes (added, A, B){body}.
        TOKEN* bases = header->left;
        uint8_t bracketed = bases->in_brackets;
        bases->insert_operator(added, ',', 0, false, added->file_index, added->line, added->line2);
        bases->in_brackets = bracketed;  // the brackets stay around the whole list
        bases->left->in_brackets = 0;
        // Exchanged with the other items from the last to the first, the
        // added type moves to the front and the others keep their order.
        TOKEN_LIST items(bases, ',');
        for (uint32_t i = items.count() - 1; i-- > 0;) TOKEN::swap(added, items[i]);
    } else {
        // {body} becomes (added){body}.
        body->insert_operator(added, ')', '{', false, added->file_index, added->line, added->line2);
        TOKEN::swap(body->left, body->right);
        added->in_brackets = 1;
    }
}

// Appends the statements of the block `declarations` to the body of a type;
// the block's own scope is dissolved into the body's scope (`body_scope`, no
// longer attached to the body while the tree changes).
void append_declarations(TOKEN* body, TOKEN* declarations, SCOPE* body_scope) {
    body->insert_operator(declarations, ';', 0, false, declarations->file_index, declarations->line,
                          declarations->line2);
    body->block_mode = block_mode_braced;
    if (declarations->scope != nullptr && body_scope != nullptr) {
        STR_INT_TABLE& added = declarations->scope->types;
        std::string key;
        for (bool more = added.first(key); more; more = added.next(key)) {
            TOKEN* type = table_token(added, key);
            if (type != nullptr) enter_token(body_scope->types, key, type);
        }
    }
    delete declarations->scope;
    declarations->scope = nullptr;
    declarations->block_mode = block_mode_none;
}

// The type names of an extension by declarations that the extended body
// defines already: raises at the first in the table's walk order.
void check_merged_types(const TOKEN* declarations, SCOPE* body_scope) {
    if (declarations->scope == nullptr || body_scope == nullptr) return;
    STR_INT_TABLE& added = declarations->scope->types;
    std::string key;
    for (bool more = added.first(key); more; more = added.next(key)) {
        TOKEN* type = table_token(added, key);
        TOKEN* earlier = table_token(body_scope->types, key);
        if (type == nullptr || earlier == nullptr) continue;
        std::string where = position_text(earlier);
        raise_at(type, format_string(msg_text("dattypschdefbei"), display_name(key.c_str()).c_str(), where.c_str()),
                 error_kind_analysis);
    }
}

}  // namespace

std::string qualified_type_name(const TOKEN* place, const TOKEN* type) {
    // The look-up walks up from its start node and changes nothing; it only
    // takes mutable nodes because find_symbol may build base-type lists.
    TOKEN* start = const_cast<TOKEN*>(place);
    TOKEN* target = const_cast<TOKEN*>(type);
    TOKEN* owner = nullptr;
    std::string name = visible_type_name(start, target, owner);
    if (!name.empty()) return name;
    // Not visible by a plain name: the type is reached through the body of
    // the type that holds it, shown as "outer:name".
    owner = nullptr;
    name = visible_type_name(target, target, owner);
    if (owner != nullptr) {
        std::string outer = qualified_type_name(place, owner);
        name = format_string("%s:%s", display_name(outer.c_str()).c_str(), name.c_str());
    }
    return name;
}

void mark_application_bases(TOKEN* scope_token, PTR_PTR_TABLE& application_table) {
    for (TOKEN* definition : checked_type_definitions(scope_token)) {
        if (!is_application_type(definition) || !definition->base_types) continue;
        for (TOKEN* type : *definition->base_types) application_table[reinterpret_cast<uintptr_t>(type)] = 1;
    }
}

void typdef_pass2(const TOKEN_LIST& tokens, PTR_PTR_TABLE& application_table) {
    for (TOKEN* token : tokens) mark_application_bases(token, application_table);
}

bool extend_type(TOKEN* base, bool is_application, const TOKEN_LIST& bases) {
    bool changed = false;
    SCOPE* scope = registering_scope(base);
    TOKEN* body = last_list_item(base);
    bool found = false;
    TOKEN_LIST statements;
    if (body != nullptr) scope_statements(body, &statements);
    for (TOKEN* statement : statements) {
        if (!is_extension_statement(statement)) continue;
        TOKEN* extended_name = statement->left;
        if (!is_word_token(extended_name)) raise_at(statement, msg_text("erwdattypnambeiaopdef"), error_kind_syntax);
        if (is_type_name(extended_name)) raise_at(statement, msg_text("extvordeftypnicerl"), error_kind_analysis);
        TOKEN* extended = lookup_type(scope, *extended_name->text);
        if (extended == nullptr)
            raise_at(statement, with_names("dattypnicscotypdef", *extended_name->text, *base->text),
                     error_kind_analysis);
        if (list_holds_type(bases, extended))
            raise_at(statement,
                     format_string(msg_text(extended == base ? "unzerwakttyp" : "unzerwbastyp"),
                                   display_name(extended_name->text->c_str()).c_str()),
                     error_kind_analysis);

        TOKEN* extension = statement->right;
        TOKEN* extended_body = last_list_item(extended);
        if (extension != nullptr && extended_body != nullptr) {
            // Checks first; the tree changes only after all of them passed.
            bool names_type = is_word_token(extension);
            std::string qualified;
            if (names_type) {
                if (is_type_name(extension))
                    raise_at(extension, msg_text("stddattypbasdattypunz"), error_kind_analysis);
                TOKEN* added = lookup_type(scope, *extension->text);
                if (added == nullptr)
                    raise_at(extension, with_names("dattypnicscotypdef", *extension->text, *base->text),
                             error_kind_analysis);
                qualified = qualified_type_name(extended->parent, added);
                if (qualified.empty())
                    raise_at(extension, with_names("unbdattypxxxbeityp", *extension->text, *extended_name->text),
                             error_kind_analysis);
            } else {
                for (TOKEN* item : split_by_operator(extension, ';'))
                    if (!is_blank_operator(item))
                        raise_at(item, msg_text("erwstrpunanwindattypext"), error_kind_syntax);
                if (is_application) check_merged_types(extension, extended_body->scope);
            }

            if (!is_application) {
                if (names_type) extension->extension_mark = 1;
            } else {
                note_tree_shape_change();  // the extension and the body's scope move
                changed = true;
                SCOPE* body_scope = extended_body->scope;
                extended_body->scope = nullptr;
                statement->right = nullptr;
                extension->parent = nullptr;
                if (names_type) {
                    extension->text = qualified;
                    add_basic_type(extended_body, extension);
                } else {
                    append_declarations(extended_body, extension, body_scope);
                }
                TOKEN* new_body = last_list_item(extended);
                delete new_body->scope;
                new_body->scope = body_scope;
            }
        }
        extended_name->extension_mark = 1;
        found = true;
    }
    if ((found || is_application) && (base->parent == nullptr || !base->parent->outermost))
        raise_at(base, msg_text("typextnurerlaussco"), error_kind_analysis);
    return changed;
}

bool apply_base_extensions(TOKEN* scope_token) {
    bool changed = false;
    for (TOKEN* definition : checked_type_definitions(scope_token)) {
        if (!definition->base_types) continue;
        bool is_application = is_application_type(definition);
        // Last to first: a basic type added later goes in front of the one
        // added before, so the extensions of the first bases end up first.
        const TOKEN_LIST& bases = *definition->base_types;
        for (uint32_t i = bases.count(); i-- > 0;) changed |= extend_type(bases[i], is_application, bases);
    }
    return changed;
}

bool typdef_pass3(const TOKEN_LIST& tokens) {
    SCOPE_WALK_MEMO memo;  // a carried-out extension moves nodes, which the memo notices
    bool changed = false;
    for (TOKEN* token : tokens) changed |= apply_base_extensions(token);
    return changed;
}

}  // namespace morvu
