// The symbol tables of one block and the look-up of names through them.
//
// A SCOPE belongs to the node that opens its block: the program's root, a
// braced block, the header-and-body node of a procedure or function, or the
// body of a user type (kind 1). Its five tables map a name (or, for routines,
// a method key) to the node that declares or defines it; the tables own their
// keys, never the nodes. A stored 0 means "not defined here", so an entry that
// a find-or-insert created by accident hides nothing. `variables` and
// `storage` keep insertion order: the block creates its variables' cells in
// that order and destroys them in reverse.
//
// A name is looked up from a node outwards through the enclosing nodes. A
// type body is searched through its type's base-type list: the type itself,
// then its basic types. Module-qualified names carry the byte 27 between the
// module names and are ordinary keys.

#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "frontend/token.h"
#include "runtime/hash_tables.h"
#include "values/union_data.h"

namespace morvu {

struct TOKEN;

struct SCOPE {
    uint8_t kind;                        // 0 ordinary block, 1 body of a user type
    STR_INT_TABLE variables{0, true};    // variable name -> declaring node
    STR_INT_TABLE types{0, false};       // type name -> type-definition node
    STR_INT_TABLE procedures{0, false};  // method key -> defining call node
    STR_INT_TABLE functions{0, false};
    STR_INT_TABLE storage{0, true};  // variables whose cells this block creates
    // The declarations "any <name>" that the analysis appended after the
    // block's own statements, for names first used in it; a block run as an
    // expression evaluates what stands before them.
    uint32_t implicit_declarations = 0;

    // The routine a call key resolved to (null: none), per kind, so that a
    // call made again does not match its key against every definition
    // again. Valid while routine_tables_generation is `resolved_generation`.
    std::unordered_map<std::string, TOKEN*> resolved_procedures;
    std::unordered_map<std::string, TOKEN*> resolved_functions;
    uint64_t resolved_generation = 0;

    // What each activation of the block creates, in storage order: the
    // declaring node and what its cell is made of. Built on the first
    // activation after the tables last changed (storage_plan_generation).
    struct STORED_VARIABLE {
        TOKEN* node;
        TOKEN* type_def;  // a user type's definition, or null
        char tag;
    };
    std::vector<STORED_VARIABLE> storage_plan;
    uint64_t storage_plan_generation = 0;

    explicit SCOPE(uint8_t kind);
    // Members are destroyed in reverse order: storage first, variables last.
    ~SCOPE();
    SCOPE(const SCOPE&) = delete;
    SCOPE& operator=(const SCOPE&) = delete;
};

// The node stored under a key, or null for an absent key or a stored 0;
// inserts nothing.
inline TOKEN* table_token(const STR_INT_TABLE& table, const std::string& key) {
    const intptr_t* value = table.find(key);
    return value != nullptr ? reinterpret_cast<TOKEN*>(*value) : nullptr;
}

// While a guard lives (the analysis passes, the program run), look-ups
// remember, per node and kind of name, the nearest enclosing node whose scope
// can answer: a type body, or a block whose table for that kind holds
// entries. A name looked up from deep inside a long statement chain or many
// nested blocks then costs the same as one looked up near its scope. The
// memory is dropped when the guard ends and whenever tree_shape_generation
// moves (a node moved or freed, a scope made or freed, a first entry).
class SCOPE_WALK_MEMO {
public:
    SCOPE_WALK_MEMO();
    ~SCOPE_WALK_MEMO();
    SCOPE_WALK_MEMO(const SCOPE_WALK_MEMO&) = delete;
    SCOPE_WALK_MEMO& operator=(const SCOPE_WALK_MEMO&) = delete;

private:
    bool was_active;
};

// Counts the changes of every scope's tables: a resolved call key is
// trusted only while no table has changed since.
extern uint64_t routine_tables_generation;

// Stores a node under a key (find-or-insert). A table's first entry makes
// its scope answer look-ups it did not answer before.
inline void enter_token(STR_INT_TABLE& table, const std::string& key, TOKEN* node) {
    if (table.entry_count() == 0) note_tree_shape_change();
    table[key] = reinterpret_cast<intptr_t>(node);
    ++routine_tables_generation;
}

// Stores a procedure or function under its method key, as enter_token
// does, and notes the routine's name (the key's text before the first mark).
void enter_routine(STR_INT_TABLE& table, const std::string& key, TOKEN* node);

// Whether a procedure or function of this name has been stored in any scope
// of the program, whatever its argument types. A call of a name no routine
// has can reach only a statement keyword or a built-in function.
bool routine_name_defined(const std::string& name);

// The defining node of `name` seen from `start`, or null.
//   kind: 'v' variable, 'p' procedure, 'f' function (name is then a method
//         key), anything else a type.
//   qualifier: restricts the search inside type bodies to one type: a user type
//         (is_user_type, type set) or a built-in one (text set); the empty
//         TYPE_NAME for no restriction.
//   members_only: the walk ends at the first type body it reaches.
//   error_node: where the errors of the look-up are raised.
//   crossed_type: when given, a routine look-up goes on past a type body
//         that does not define it and sets *crossed_type; without it such a
//         look-up ends there with null.
// Raises, as analysis errors at error_node, "Type specification '%s' for
// type '%s' not allowed" (a built-in qualifier met at a type body) and "For type
// '%s' there is no basic type '%s'" (a user qualifier that is none of the
// enclosing type's list, with members_only).
TOKEN* find_symbol(TOKEN* start, const std::string& name, char kind, const TYPE_NAME& qualifier, bool members_only,
                   TOKEN* error_node, bool* crossed_type = nullptr);

// The same without a type designation.
inline TOKEN* find_symbol(TOKEN* start, const std::string& name, char kind, bool members_only, TOKEN* error_node,
                          bool* crossed_type = nullptr) {
    return find_symbol(start, name, kind, TYPE_NAME{}, members_only, error_node, crossed_type);
}

// The node itself or its nearest ancestor that opens a block (a braced
// block or a node with a scope), and the same for a node with a scope; null
// above the root. Remembered like the look-ups while a SCOPE_WALK_MEMO lives.
TOKEN* enclosing_block(TOKEN* node);
TOKEN* enclosing_scope_node(TOKEN* node);

// The scope nearest to `node` (itself first) whose types table holds `type`
// under `name`; null when there is none.
SCOPE* scope_registering(TOKEN* node, const std::string& name, const TOKEN* type);

// The search of one scope's own tables by kind; null when not defined there.
TOKEN* find_in_scope(SCOPE& scope, const std::string& name, char kind);

// The type-body step of find_symbol: searches the bodies of the types in the
// base-type list of the type enclosing `node`, in list order, that pass the
// qualifier filter. `considered` tells whether any type passed it.
TOKEN* find_in_type_scopes(TOKEN* node, const std::string& name, char kind, const TYPE_NAME& qualifier,
                           bool& considered);

// The name under which the type-definition node `target` is entered in a
// types table on the walk up from `start`, or the empty text. When the entry
// lies in a type body, `owner` receives the type through whose body it was
// found (else it is left null).
std::string visible_type_name(TOKEN* start, const TOKEN* target, TOKEN*& owner);

// Whether a node is a type-definition node: a call node with a text and the
// operator '(' alone, standing right of the blank operator of a "bigtype" or
// "smalltype" statement.
bool is_type_definition(const TOKEN* node);

// The type-definition node enclosing `node` (itself included); raises "No
// name of type found for body" as an analysis error at `node` when there is
// none.
TOKEN* enclosing_type_def(TOKEN* node);

// The stored key of the procedure (or function) table of `scope` that the
// method key matches, also placed in `out`: mode 0 compares leniently (a new
// definition against the existing ones: the empty text when none collides,
// "!" for a key with too many args parameters), mode 1 strictly (a call).
const std::string& match_args_signature(std::string& out, SCOPE& scope, const std::string& key, bool procedures,
                                        int mode);

// The declaring node of a variable of a type body's own scope, or null. The
// value layer finds member slots through it (type_services.h).
TOKEN* member_variable_of_body(TOKEN* type_body, const std::string& name);

}  // namespace morvu
