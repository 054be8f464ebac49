#include "frontend/scope.h"

#include <string_view>
#include <unordered_set>
#include <vector>

#include "runtime/display_name.h"
#include "frontend/token.h"
#include "frontend/type_defs.h"
#include "frontend/type_services.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/signatures.h"

namespace morvu {

uint64_t routine_tables_generation = 1;

namespace {

// The names of every routine stored so far. Names are never taken out: a
// stale one only sends a call of that name the general way.
std::unordered_set<std::string>& routine_names() {
    static std::unordered_set<std::string> names;
    return names;
}

}  // namespace

void enter_routine(STR_INT_TABLE& table, const std::string& key, TOKEN* node) {
    enter_token(table, key, node);
    const std::string_view whole(key);
    routine_names().emplace(whole.substr(0, whole.find(method_key_mark)));
}

bool routine_name_defined(const std::string& name) { return routine_names().count(name) != 0; }

namespace {

void delete_scope(SCOPE* scope) { delete scope; }

// Scopes are freed with their tree, and the value layer finds the members of
// user types through the scopes of type bodies; both services are installed
// once at start-up.
const bool hooks_installed = [] {
    release_scope = delete_scope;
    install_front_end_services();
    return true;
}();

// A type designation that names a user type (flag clear, pointer set).
bool names_user_type(const TYPE_NAME& qualifier) { return qualifier.is_user_type && qualifier.type != nullptr; }

// A type designation that names a built-in type (flag set, pointer set).
bool names_builtin_type(const TYPE_NAME& qualifier) { return !qualifier.is_user_type && qualifier.text != nullptr; }

// The base-type list of a type definition, built (reporting undefined basic
// types) when it does not exist yet.
const TOKEN_LIST* base_list_of(TOKEN* type_def) {
    if (!type_def->base_types) parse_type_def(type_def, true);
    return type_def->base_types.get();
}

// The first key of a types table whose node is `target`, or the empty text.
std::string key_of_type(STR_INT_TABLE& types, const TOKEN* target) {
    const STR_INT_TABLE::ENTRY* entry = types.first_holding(reinterpret_cast<intptr_t>(target));
    return entry != nullptr ? entry->key : std::string();
}

std::string type_display(const TOKEN* type_def) { return display_name(type_def->text ? type_def->text->c_str() : ""); }

}  // namespace

SCOPE::SCOPE(uint8_t kind) : kind(kind) { note_tree_shape_change(); }

SCOPE::~SCOPE() { note_tree_shape_change(); }

TOKEN* find_in_scope(SCOPE& scope, const std::string& name, char kind) {
    switch (kind) {
    case 'v': return table_token(scope.variables, name);
    case 'p':
    case 'f': {
        if (scope.resolved_generation != routine_tables_generation) {
            scope.resolved_procedures.clear();
            scope.resolved_functions.clear();
            scope.resolved_generation = routine_tables_generation;
        }
        auto& resolved = kind == 'p' ? scope.resolved_procedures : scope.resolved_functions;
        if (auto known = resolved.find(name); known != resolved.end()) return known->second;
        std::string key;
        match_args_signature(key, scope, name, kind == 'p', 1);
        TOKEN* found =
            key.empty() || key == "!" ? nullptr : table_token(kind == 'p' ? scope.procedures : scope.functions, key);
        resolved.emplace(name, found);
        return found;
    }
    default: return table_token(scope.types, name);
    }
}

TOKEN* find_in_type_scopes(TOKEN* node, const std::string& name, char kind, const TYPE_NAME& qualifier,
                           bool& considered) {
    considered = false;
    const TOKEN_LIST* bases = base_list_of(enclosing_type_def(node));
    if (bases == nullptr) return nullptr;
    for (TOKEN* type : *bases) {
        if (type == nullptr) break;
        if (qualifier.is_user_type ? (qualifier.type != nullptr && qualifier.type != type) : qualifier.text != nullptr)
            continue;
        considered = true;
        TOKEN* body = last_list_item(type);
        if (body == nullptr || body->scope == nullptr) continue;
        if (TOKEN* found = find_in_scope(*body->scope, name, kind)) return found;
    }
    return nullptr;
}

namespace {

bool walk_memo_active = false;
uint64_t walk_memo_generation = 0;
// Variables, procedures, functions, types; blocks, scopes of any kind and
// type definitions.
std::unordered_map<const TOKEN*, TOKEN*> walk_memo[7];

void forget_walks() {
    for (auto& memo : walk_memo)
        if (!memo.empty()) memo.clear();
}

int memo_index(char kind) {
    switch (kind) {
    case 'v': return 0;
    case 'p': return 1;
    case 'f': return 2;
    case 'b': return 4;
    case 's': return 5;
    case 'd': return 6;
    default: return 3;
    }
}

// Whether the node's scope may answer a look-up of the kind; for the kind
// 'b' whether the node opens a block, for 's' whether it has a scope, for
// 'd' whether it is a type definition.
bool may_answer(const TOKEN* node, char kind) {
    if (kind == 'b') return node->block_mode != block_mode_none || node->scope != nullptr;
    if (kind == 'd') return is_type_definition(node);
    const SCOPE* scope = node->scope;
    if (kind == 's') return scope != nullptr;
    if (scope == nullptr) return false;
    if (scope->kind != 0) return true;
    switch (kind) {
    case 'v': return scope->variables.entry_count() != 0;
    case 'p': return scope->procedures.entry_count() != 0;
    case 'f': return scope->functions.entry_count() != 0;
    default: return scope->types.entry_count() != 0;
    }
}

// The node itself or its nearest ancestor whose scope may answer; null above
// the root. Remembered for every node passed while the memo is active.
TOKEN* answering_node(TOKEN* node, char kind) {
    if (!walk_memo_active) {
        // Every scope is looked at; the caller's search passes the silent ones.
        const char stop = kind == 'b' || kind == 'd' ? kind : 's';
        while (node != nullptr && !may_answer(node, stop)) node = node->parent;
        return node;
    }
    if (walk_memo_generation != tree_shape_generation) {
        forget_walks();
        walk_memo_generation = tree_shape_generation;
    }
    auto& memo = walk_memo[memo_index(kind)];
    static std::vector<TOKEN*> passed;  // reused: look-ups do not nest
    passed.clear();
    TOKEN* found = nullptr;
    for (TOKEN* at = node; at != nullptr; at = at->parent) {
        if (auto known = memo.find(at); known != memo.end()) {
            found = known->second;
            break;
        }
        if (may_answer(at, kind)) {
            found = at;
            break;
        }
        passed.push_back(at);
    }
    // Everything passed on the way leads to what was found.
    for (TOKEN* step : passed) memo.emplace(step, found);
    return found;
}

}  // namespace

SCOPE_WALK_MEMO::SCOPE_WALK_MEMO() : was_active(walk_memo_active) {
    forget_walks();
    walk_memo_active = true;
}

SCOPE_WALK_MEMO::~SCOPE_WALK_MEMO() {
    walk_memo_active = was_active;
    if (!was_active) forget_walks();
}

TOKEN* enclosing_block(TOKEN* node) { return answering_node(node, 'b'); }

TOKEN* enclosing_scope_node(TOKEN* node) { return answering_node(node, 's'); }

SCOPE* scope_registering(TOKEN* node, const std::string& name, const TOKEN* type) {
    // Scopes whose types table is empty are passed over: they hold nothing.
    for (TOKEN* at = answering_node(node, 't'); at != nullptr; at = answering_node(at->parent, 't'))
        if (table_token(at->scope->types, name) == type) return at->scope;
    return nullptr;
}

TOKEN* find_symbol(TOKEN* start, const std::string& name, char kind, const TYPE_NAME& qualifier, bool members_only,
                   TOKEN* error_node, bool* crossed_type) {
    for (TOKEN* node = answering_node(start, kind); node != nullptr; node = answering_node(node->parent, kind)) {
        SCOPE* scope = node->scope;
        if (scope == nullptr) continue;
        if (scope->kind == 0) {
            if (TOKEN* found = find_in_scope(*scope, name, kind)) return found;
            continue;
        }
        bool considered = false;
        if (TOKEN* found = find_in_type_scopes(node, name, kind, qualifier, considered)) return found;
        if (!considered && names_builtin_type(qualifier)) {
            std::string qualifier_text = type_name_text(qualifier);
            std::string type_text = type_display(enclosing_type_def(node));
            raise_error(error_node, routine_kind_none, nullptr,
                        format_string(msg_text("typspedattypnicerl"), qualifier_text.c_str(), type_text.c_str()),
                        error_kind_analysis);
        }
        if (!considered && names_user_type(qualifier) && members_only) {
            std::string type_text = type_display(enclosing_type_def(node));
            std::string qualifier_text = type_name_text(qualifier);
            raise_error(error_node, routine_kind_none, nullptr,
                        format_string(msg_text("fuedattypkeibasdattyp"), type_text.c_str(), qualifier_text.c_str()),
                        error_kind_analysis);
        }
        if (members_only || names_user_type(qualifier)) return nullptr;
        // Leaving the type body: a routine look-up goes on only when asked to.
        if (crossed_type != nullptr) *crossed_type = true;
        else if (kind == 'p' || kind == 'f') return nullptr;
    }
    return nullptr;
}

std::string visible_type_name(TOKEN* start, const TOKEN* target, TOKEN*& owner) {
    for (TOKEN* node = answering_node(start, 's'); node != nullptr; node = answering_node(node->parent, 's')) {
        SCOPE* scope = node->scope;
        if (scope->kind == 0) {
            std::string name = key_of_type(scope->types, target);
            if (!name.empty()) return name;
            continue;
        }
        const TOKEN_LIST* bases = base_list_of(enclosing_type_def(node));
        if (bases == nullptr) continue;
        for (TOKEN* type : *bases) {
            TOKEN* body = last_list_item(type);
            if (body == nullptr || body->scope == nullptr) continue;
            std::string name = key_of_type(body->scope->types, target);
            if (!name.empty()) {
                owner = type;
                return name;
            }
        }
    }
    return std::string();
}

bool is_type_definition(const TOKEN* node) {
    if (node == nullptr || !node->text || node->op1 != '(' || node->op2 != 0) return false;
    const TOKEN* statement = node->parent;
    if (statement == nullptr || statement->op1 != ' ' || statement->op2 != 0 || statement->right != node) return false;
    return is_word(statement->left, "bigtype") || is_word(statement->left, "smalltype");
}

TOKEN* enclosing_type_def(TOKEN* node) {
    // A few steps reach the type from a member of a short body, faster than
    // any memory; from deep inside a long body the walk is remembered.
    TOKEN* walk = node;
    for (int steps = 0; walk != nullptr && steps < 32; ++steps, walk = walk->parent)
        if (is_type_definition(walk)) return walk;
    if (walk != nullptr)
        if (TOKEN* found = answering_node(walk, 'd')) return found;
    raise_error(node, routine_kind_none, nullptr, msg_text("keidattypnamfuebodgef"), error_kind_analysis);
}

const std::string& match_args_signature(std::string& out, SCOPE& scope, const std::string& key, bool procedures,
                                        int mode) {
    out = match_args_signature(procedures ? scope.procedures : scope.functions, key, mode != 0);
    return out;
}

TOKEN* member_variable_of_body(TOKEN* type_body, const std::string& name) {
    if (type_body == nullptr || type_body->scope == nullptr) return nullptr;
    return table_token(type_body->scope->variables, name);
}

}  // namespace morvu
