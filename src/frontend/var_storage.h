// The cells of declared variables. A declared variable is one declaring node
// of the syntax tree; its values are a stack of cells hung on that node, one
// per live activation of the block or routine that declares it, the top one
// being current. Entering a block pushes one fresh cell for every entry of
// its scope's `storage` table, in table order; leaving pops them in reverse
// order. Recursion therefore needs no frames of its own.
//
// A stack node embeds its cell, so a push is one allocation and the cell
// never moves while it is on the stack. Each pushed cell carries the
// scope-variable flag. A type-definition node keeps its type's prototype
// object on the same kind of stack; every object variable starts as a deep
// copy of it.

#pragma once

#include <vector>

#include "frontend/scope.h"
#include "frontend/token.h"
#include "runtime/block_pool.h"
#include "values/union_data.h"

namespace morvu {

struct OBJECT_RECORD;
struct SLOT_ARRAY;

struct VALUE_STACK_NODE {
    UNION_DATA cell;
    VALUE_STACK_NODE* below;

    VALUE_STACK_NODE(char tag, VALUE_STACK_NODE* below) : cell(tag), below(below) {}

    // Every call pushes and pops its variables: the nodes are recycled.
    static void* operator new(std::size_t size) { return BLOCK_POOL<VALUE_STACK_NODE>::allocate(size); }
    static void operator delete(void* node, std::size_t size) noexcept {
        BLOCK_POOL<VALUE_STACK_NODE>::release(node, size);
    }
};

// The current cell of a declaring node, or null when its stack is empty.
inline UNION_DATA* top_cell(const TOKEN* declaring_node) {
    return declaring_node->value_stack != nullptr ? &declaring_node->value_stack->cell : nullptr;
}

// The current cell of the variable a name node is linked to, or null.
inline UNION_DATA* variable_cell(const TOKEN* name_token) {
    const TOKEN* declaration = name_token->declaration;
    return declaration != nullptr ? top_cell(declaration) : nullptr;
}

// Pushes a new cell of the tag on a declaring node and returns it.
UNION_DATA* push_value_cell(TOKEN* declaring_node, char tag);

// Pops and destroys the top cell (only_top) or every cell of the node.
void free_value_list(TOKEN* declaring_node, bool only_top);

// What each activation of the block (which must own a SCOPE) creates, in
// storage order; built again after the tables have changed.
const std::vector<SCOPE::STORED_VARIABLE>& storage_plan_of(TOKEN* block);

// Pushes one new cell for each variable of the block's storage table (the
// block must own a SCOPE). Raises "Type '%s' not allocable" as a system error
// at the block for a variable whose declared type cannot be made; the cells
// pushed for the block before it are popped again first.
void push_scope_variables(TOKEN* block);

// The object cells of a routine's parameters that an activation pushed
// without their type's prototype: binding an argument replaces the cell's
// value whole, so a copy of the prototype made first would only be thrown
// away. A cell that no argument replaced gets its copy before the body runs.
struct UNFILLED_PARAMETERS {
    static constexpr int capacity = 4;
    struct ENTRY {
        UNION_DATA* cell;
        TOKEN* type_def;
    };
    ENTRY entries[capacity];
    int count = 0;
    // Input parameters whose arguments the call lends (the routine only
    // reads them): such a parameter's cell is pushed as a reference to the
    // value, the form binding would give it, and never waits unfilled.
    struct LENT {
        const TOKEN* parameter;
        UNION_DATA* value;
    };
    LENT lent[capacity];
    int lent_count = 0;

    // Forgets the cell once a binding has given it its value.
    void bound(const UNION_DATA* cell) {
        for (int i = 0; i < count; ++i) {
            if (entries[i].cell == cell) {
                entries[i] = entries[--count];
                return;
            }
        }
    }
    // Gives every cell still waiting its copy of the prototype.
    void fill_rest();
};

// push_scope_variables for a routine's activation: the object cells of
// input parameters (arg_role set on their declaring node) are left without
// their prototype's copy and listed in `unfilled`.
void push_activation_variables(TOKEN* block, UNFILLED_PARAMETERS& unfilled);

// Pops and destroys the current cell of each variable of the block's storage
// table, last entry first.
void pop_scope_variables(TOKEN* block);

// At the end of the run, before the outermost block's variables are popped:
// leaves their large containers to the process end (leave_to_process_end).
void leave_scope_containers(TOKEN* block);

// Whether `value` is the current cell of a variable of the block's storage
// table or lies inside that cell's value. Raises "internal error: no symbol
// table exists" for a block without SCOPE.
bool scope_holds_value(TOKEN* block, const UNION_DATA* value);

// Fills an empty object record (or slot array) with a deep copy of another:
// the same groups with the same type nodes, every member cell copied, null
// entries kept null.
void copy_value_table(OBJECT_RECORD& dest, const OBJECT_RECORD& source);
void copy_slot_array(SLOT_ARRAY& dest, const SLOT_ARRAY& source);

}  // namespace morvu
