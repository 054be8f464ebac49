#include "frontend/var_storage.h"

#include <memory>
#include <vector>

#include "runtime/display_name.h"
#include "frontend/scope.h"
#include "frontend/type_defs.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"
#include "values/object_pins.h"
#include "values/payload_records.h"
#include "values/type_shelves.h"

namespace morvu {

namespace {

void free_all_cells(TOKEN* declaring_node) { free_value_list(declaring_node, false); }

// A node's cells are freed with the node.
const bool hook_installed = [] {
    release_value_stack = free_all_cells;
    return true;
}();

TOKEN* storage_token(const STR_INT_TABLE::ENTRY* entry) { return reinterpret_cast<TOKEN*>(entry->value); }

// The declaration statement of a declaring node: the nearest of the node and
// its ancestors that is a blank operator or a marked parameter declaration.
const TOKEN* declaration_statement(const TOKEN* node) {
    for (; node != nullptr; node = node->parent) {
        if (node->op1 == ' ' && node->op2 == 0) return node;
        if (node->op1 == ':' && node->op2 == '$' && node->param_mark) return node;
    }
    return nullptr;
}

// What a variable's cell is made of: a user type (type_def set) or a built-in
// tag. False when the declared type cannot be allocated; `type_word` is then
// the word to name in the message (null when there is none).
bool allocation_of(const TOKEN* declaring_node, char& tag, TOKEN*& type_def, const TOKEN*& type_word) {
    const TOKEN* statement = declaration_statement(declaring_node);
    type_word = statement != nullptr ? statement->left : nullptr;
    type_def = nullptr;
    if (type_word == nullptr) return false;
    if (type_word->declaration != nullptr) {
        type_def = type_word->declaration;
        tag = 'k';
        return true;
    }
    if (!is_type_name(type_word)) return false;
    const std::string& word = *type_word->text;
    if (word == "bigtype" || word == "smalltype" || word == "func" || word == "proc") return false;
    tag = type_code_of_token(type_word);
    return true;
}

// Popped int, str, char and bool cells kept for the next push of a variable
// of their type: the calls of a routine in a loop push and pop the same
// variables over and over. A kept cell has had its value made anew, so it
// is the cell a push would make; only cells nothing else knows (no link,
// hold, weak holder or key number) are kept. The shelves hold the cells of
// a recursion a few hundred levels deep, which pops them all on the way
// back and pushes them all again on its next descent.
class SPARE_CELLS {
public:
    static constexpr int capacity = 512;

    // The node of a fresh cell of the tag, or null when none is kept.
    VALUE_STACK_NODE* take(char tag) {
        SHELF* shelf = shelf_of(tag);
        return shelf != nullptr && shelf->count != 0 ? shelf->nodes[--shelf->count] : nullptr;
    }
    // Keeps the popped node when it can serve again; false when the caller
    // is to free it.
    bool keep(VALUE_STACK_NODE* node) {
        UNION_DATA& cell = node->cell;
        const char tag = cell.tag;
        if (tag == tag_reference) return keep_reference(node);
        SHELF* found = shelf_of(tag);
        if (found == nullptr) return false;
        SHELF& shelf = *found;
        if (shelf.count == capacity || cell.referrers != nullptr || cell.weak_held != 0 || cell.in_use != 0 ||
            cell.key_numbered != 0 || cell.being_written != 0)
            return false;
        cell.scalar = SCALAR_WORD{};
        if (tag == tag_int) {
            // A function's result variable has given its number or text
            // away to the result (payload null): the cell gets a new one,
            // which costs less than a cell of its own would.
            if (cell.payload == nullptr || is_inline_int(cell.payload)) {
                cell.payload = new INT_DATA();
            } else {
                INT_DATA* number = static_cast<INT_DATA*>(cell.payload);
                number->~INT_DATA();
                ::new (number) INT_DATA();
            }
        } else if (tag == tag_str) {
            if (cell.payload == nullptr) {
                cell.payload = new STR_DATA();
            } else {
                STR_DATA* text = cell.str_data();
                text->~STR_DATA();
                ::new (text) STR_DATA();
            }
        } else {
            // A char or bool lives in the cell itself: its empty value.
            if (tag == tag_bool) cell.scalar.bool_word = 0xFFFF;
            cell.payload = &cell.scalar;
        }
        cell.skip_flag = 0;
        cell.key_follows = 0;
        cell.access_mode = access_variable;
        shelf.nodes[shelf.count++] = node;
        return true;
    }

    // The node of a reference cell linked to nothing whose link record
    // waits for the next link_cell, or null when none is kept: a parameter
    // an object is lent to is pushed as such a cell on every call.
    VALUE_STACK_NODE* take_reference() {
        return references.count != 0 ? references.nodes[--references.count] : nullptr;
    }

    bool has_room_for_int() const { return ints.count != capacity; }
    // keep() for an int cell with a number of its own that nothing else
    // knows, when has_room_for_int(): the caller has checked both.
    void keep_int(VALUE_STACK_NODE* node) {
        UNION_DATA& cell = node->cell;
        cell.scalar = SCALAR_WORD{};
        INT_DATA* number = static_cast<INT_DATA*>(cell.payload);
        number->~INT_DATA();
        ::new (number) INT_DATA();
        cell.skip_flag = 0;
        cell.key_follows = 0;
        cell.access_mode = access_variable;
        ints.nodes[ints.count++] = node;
    }

private:
    struct SHELF {
        VALUE_STACK_NODE* nodes[capacity];
        int count = 0;
    };
    SHELF ints;
    SHELF texts;
    SHELF chars;
    SHELF bools;
    SHELF references;

    // keep() for a reference cell: it leaves its target's list of referrers
    // as its destruction would make it, and keeps its record.
    bool keep_reference(VALUE_STACK_NODE* node) {
        UNION_DATA& cell = node->cell;
        if (references.count == capacity || cell.payload == nullptr || cell.referrers != nullptr ||
            cell.weak_held != 0 || cell.in_use != 0 || cell.key_numbered != 0 || cell.being_written != 0)
            return false;
        unlink_cell(&cell);
        cell.link()->target = nullptr;
        cell.scalar = SCALAR_WORD{};
        cell.skip_flag = 0;
        cell.key_follows = 0;
        cell.access_mode = access_variable;
        references.nodes[references.count++] = node;
        return true;
    }

    SHELF* shelf_of(char tag) {
        if (tag == tag_int) [[likely]]
            return &ints;
        if (tag == tag_str) return &texts;
        if (tag == tag_char) return &chars;
        return tag == tag_bool ? &bools : nullptr;
    }
};
SPARE_CELLS spare_cells;

// Popped object variables kept whole (cell, holder and record) for the next
// push of a variable of their type: a routine or block that declares an
// object makes one per call or pass, and resetting the members of a kept
// record to the prototype's values costs a fraction of copying the
// prototype into new cells and freeing them again. Only records whose every
// member is a plain value known to nothing else are kept, and a kept record
// serves only when it still has its prototype's shape.
class SPARE_OBJECTS {
public:
    // Keeps the popped object node when it can serve again; false when the
    // caller is to free it.
    bool keep(VALUE_STACK_NODE* node) {
        UNION_DATA& cell = node->cell;
        if (cell.tag != tag_object || cell.referrers != nullptr || cell.weak_held != 0 || cell.in_use != 0 ||
            cell.key_numbered != 0 || cell.being_written != 0 || is_pinned_object(&cell))
            return false;
        const OBJECT_HOLDER* holder = cell.holder();
        if (holder == nullptr || holder->type == nullptr || holder->object == nullptr) return false;
        auto* shelf = shelves.shelf_for(holder->type);
        if (shelf == nullptr || shelf->full() || !every_member_overwritable(*holder->object)) return false;
        cell.scalar = SCALAR_WORD{};
        cell.skip_flag = 0;
        cell.key_follows = 0;
        cell.access_mode = access_variable;
        shelf->put(node);
        return true;
    }

    // A node of a fresh object of the type, its members reset to the
    // prototype's values, or null when none is kept or a kept one does not
    // fit the prototype (it is freed then).
    VALUE_STACK_NODE* take(const TOKEN* type, const OBJECT_RECORD& prototype) {
        auto* shelf = shelves.shelf_of(type);
        VALUE_STACK_NODE* node = shelf != nullptr ? shelf->take() : nullptr;
        if (node == nullptr) return nullptr;
        // keep() found every member overwritable; a kept node is known to nothing.
        if (overwrite_members(*node->cell.holder()->object, prototype, true)) return node;
        delete node;
        return nullptr;
    }

private:
    TYPE_SHELVES<VALUE_STACK_NODE, 8, 128> shelves;
};
SPARE_OBJECTS spare_objects;

// Gives a new object cell a deep copy of the type's prototype. The copy runs
// as one copy protocol, so that links between members end inside the new
// object.
inline __attribute__((always_inline)) void fill_from_prototype(UNION_DATA* cell, TOKEN* type_def) {
    OBJECT_HOLDER* holder = cell->holder();
    UNION_DATA* prototype = top_cell(type_def);
    const OBJECT_HOLDER* source = prototype != nullptr ? prototype->holder() : nullptr;
    if (source == nullptr) {
        holder->type = type_def;
        return;
    }
    holder->type = source->type;
    if (source->object == nullptr) return;
    auto record = std::make_unique<OBJECT_RECORD>();
    COPY_SCOPE scope;
    copy_value_table(*record, *source->object);
    holder->object = record.release();
    scope.finish(cell, true);
}

// A kept object node of the type with the prototype's values, or null when
// the variable is to be made anew.
inline VALUE_STACK_NODE* spare_object_of(TOKEN* type_def) {
    const UNION_DATA* prototype = top_cell(type_def);
    const OBJECT_HOLDER* source = prototype != nullptr ? prototype->holder() : nullptr;
    if (source == nullptr || source->object == nullptr || source->type == nullptr) return nullptr;
    return spare_objects.take(source->type, *source->object);
}

// Pops the node's top cell, keeping it for a later push when it can serve.
void pop_variable(TOKEN* declaring_node) {
    VALUE_STACK_NODE* top = declaring_node->value_stack;
    if (top == nullptr) return;
    declaring_node->value_stack = top->below;  // unlinked before its value goes
    if (spare_cells.keep(top) || spare_objects.keep(top)) return;
    declaring_node->value_stack = top;
    free_value_list(declaring_node, true);
}

// pop_variable for the commonest cell, an int variable holding a number of
// its own that nothing else knows: its number is made empty in place and the
// cell shelved. False (nothing done) for every other cell.
inline __attribute__((always_inline)) bool pop_plain_int(TOKEN* declaring_node) {
    VALUE_STACK_NODE* top = declaring_node->value_stack;
    if (top == nullptr) return false;
    UNION_DATA& cell = top->cell;
    if (cell.tag != tag_int || cell.payload == nullptr || is_inline_int(cell.payload) || cell.referrers != nullptr ||
        cell.weak_held != 0 || cell.in_use != 0 || cell.key_numbered != 0 || cell.being_written != 0 ||
        !spare_cells.has_room_for_int())
        return false;
    declaring_node->value_stack = top->below;  // unlinked before its value goes
    spare_cells.keep_int(top);
    return true;
}

// The storage entries of a block, in insertion order, without the entries
// that hold no node.
template <typename VISIT>
void for_each_stored(const SCOPE& scope, VISIT visit) {
    for (const STR_INT_TABLE::ENTRY* entry = scope.storage.order_first(); entry != nullptr; entry = entry->order_next) {
        TOKEN* declaring_node = storage_token(entry);
        if (declaring_node != nullptr) visit(declaring_node);
    }
}

}  // namespace

UNION_DATA* push_value_cell(TOKEN* declaring_node, char tag) {
    declaring_node->value_stack = new VALUE_STACK_NODE(tag, declaring_node->value_stack);
    return &declaring_node->value_stack->cell;
}

void free_value_list(TOKEN* declaring_node, bool only_top) {
    while (VALUE_STACK_NODE* top = declaring_node->value_stack) {
        declaring_node->value_stack = top->below;  // unlinked before its value goes
        if (top->cell.in_use != 0) [[unlikely]] {
            // An operation still uses the cell: it goes when the hold ends.
            defer_release(top, &top->cell, nullptr, [](void* node) { delete static_cast<VALUE_STACK_NODE*>(node); });
        } else {
            delete top;
        }
        if (only_top) break;
    }
}

// The block's storage plan, built when the tables have changed since. A
// variable whose type cannot be allocated is refused before any cell is made,
// so the block's stacks stay as they were.
namespace {

// The plan built anew after the tables have changed.
[[gnu::noinline]] const std::vector<SCOPE::STORED_VARIABLE>& rebuilt_storage_plan(TOKEN* block) {
    SCOPE& scope = *block->scope;
    std::vector<SCOPE::STORED_VARIABLE> plan;
    for_each_stored(scope, [&](TOKEN* declaring_node) {
        char tag = 'V';
        TOKEN* type_def = nullptr;
        const TOKEN* type_word = nullptr;
        if (!allocation_of(declaring_node, tag, type_def, type_word)) {
            const char* word = type_word != nullptr && type_word->text ? type_word->text->c_str() : "";
            raise_system_error(block, format_string(msg_text("dattypnicall"), display_name(word).c_str()));
        }
        plan.push_back({declaring_node, type_def, tag});
    });
    scope.storage_plan = std::move(plan);
    scope.storage_plan_generation = routine_tables_generation;
    return scope.storage_plan;
}

// The plan as it stands while no table changed: every push of a call finds it here.
inline const std::vector<SCOPE::STORED_VARIABLE>& current_storage_plan(TOKEN* block) {
    const SCOPE& scope = *block->scope;
    if (scope.storage_plan_generation == routine_tables_generation) [[likely]]
        return scope.storage_plan;
    return rebuilt_storage_plan(block);
}

}  // namespace

const std::vector<SCOPE::STORED_VARIABLE>& storage_plan_of(TOKEN* block) { return current_storage_plan(block); }

namespace {

// The type an object variable of the definition holds: its prototype's.
TOKEN* type_of_variable(TOKEN* type_def) {
    const UNION_DATA* prototype = top_cell(type_def);
    const OBJECT_HOLDER* source = prototype != nullptr ? prototype->holder() : nullptr;
    return source != nullptr ? source->type : type_def;
}

// An object cell given its type alone; its members come with the value that
// binding an argument puts in.
void set_type_only(UNION_DATA* cell, TOKEN* type_def) { cell->holder()->type = type_of_variable(type_def); }

bool is_input_parameter(const TOKEN* node) {
    return node->arg_role == arg_role_constant_input || node->arg_role == arg_role_variable_input;
}

// The value lent to the parameter, when it is an object of the parameter's
// type that a reference may stand for (as the binding's checks find it).
UNION_DATA* lent_value(const SCOPE::STORED_VARIABLE& variable, const UNFILLED_PARAMETERS& unfilled) {
    for (int i = 0; i < unfilled.lent_count; ++i) {
        if (unfilled.lent[i].parameter != variable.node) continue;
        UNION_DATA* value = unfilled.lent[i].value;
        if (variable.tag != tag_object || value == nullptr || lower_tag(value->tag) != tag_object ||
            value->holder() == nullptr || value->holder()->type == nullptr)
            return nullptr;
        return value->holder()->type == type_of_variable(variable.type_def) ? value : nullptr;
    }
    return nullptr;
}

// Pushes the cell of an object variable and gives it its value: a kept
// object reset to the prototype's values, a copy of the prototype, or (for
// an input parameter that binding will fill) its type alone; an input
// parameter whose argument is lent is pushed as a reference to it. `pushed`
// counts the cell once it is on the stack.
[[gnu::noinline]] void push_object_variable(const SCOPE::STORED_VARIABLE& variable, UNFILLED_PARAMETERS* unfilled,
                                            size_t& pushed) {
    TOKEN* node = variable.node;
    if (unfilled != nullptr && unfilled->lent_count != 0 && is_input_parameter(node)) {
        if (UNION_DATA* value = lent_value(variable, *unfilled)) {
            UNION_DATA* cell = nullptr;
            if (VALUE_STACK_NODE* spare = spare_cells.take_reference()) {
                spare->below = node->value_stack;
                node->value_stack = spare;
                cell = &spare->cell;
            } else {
                cell = push_value_cell(node, tag_reference);
            }
            ++pushed;
            link_cell(cell, value, link_kind_reference);
            cell->scope_variable = 1;
            return;
        }
    }
    if (unfilled != nullptr && unfilled->count < UNFILLED_PARAMETERS::capacity && is_input_parameter(node)) {
        UNION_DATA* cell = push_value_cell(node, variable.tag);
        ++pushed;
        set_type_only(cell, variable.type_def);
        unfilled->entries[unfilled->count++] = {cell, variable.type_def};
        cell->scope_variable = 1;
        return;
    }
    if (VALUE_STACK_NODE* spare = spare_object_of(variable.type_def)) {
        spare->below = node->value_stack;
        node->value_stack = spare;
        ++pushed;
        spare->cell.scope_variable = 1;
        return;
    }
    UNION_DATA* cell = push_value_cell(node, variable.tag);
    ++pushed;
    fill_from_prototype(cell, variable.type_def);
    cell->scope_variable = 1;
}

inline __attribute__((always_inline)) void push_planned(TOKEN* block, UNFILLED_PARAMETERS* unfilled) {
    const std::vector<SCOPE::STORED_VARIABLE>& plan = current_storage_plan(block);
    size_t pushed = 0;
    try {
        for (const SCOPE::STORED_VARIABLE& variable : plan) {
            if (variable.type_def != nullptr) {
                push_object_variable(variable, unfilled, pushed);
                continue;
            }
            UNION_DATA* cell;
            if (VALUE_STACK_NODE* spare = spare_cells.take(variable.tag)) {
                spare->below = variable.node->value_stack;
                variable.node->value_stack = spare;
                cell = &spare->cell;
            } else {
                cell = push_value_cell(variable.node, variable.tag);
            }
            ++pushed;
            cell->scope_variable = 1;
        }
    } catch (...) {
        // Leave the block's stacks as they were before the entry.
        if (unfilled != nullptr) unfilled->count = 0;
        while (pushed > 0) free_value_list(plan[--pushed].node, true);
        throw;
    }
}

}  // namespace

void push_scope_variables(TOKEN* block) { push_planned(block, nullptr); }

void push_activation_variables(TOKEN* block, UNFILLED_PARAMETERS& unfilled) { push_planned(block, &unfilled); }

void UNFILLED_PARAMETERS::fill_rest() {
    while (count > 0) {
        const ENTRY entry = entries[--count];
        fill_from_prototype(entry.cell, entry.type_def);
    }
}

bool enter_block_variables(TOKEN* block) {
    if (block->scope->storage.entry_count() == 0) return false;
    push_scope_variables(block);
    return true;
}

void leave_block_variables(TOKEN* block) { pop_scope_variables(block); }

namespace {

// The tables changed while the block ran: its variables are found as the
// tables are now.
[[gnu::noinline]] void pop_variables_anew(const SCOPE& scope) {
    std::vector<TOKEN*> stored;
    for_each_stored(scope, [&](TOKEN* node) { stored.push_back(node); });
    for (auto it = stored.rbegin(); it != stored.rend(); ++it) free_value_list(*it, true);
}

}  // namespace

void pop_scope_variables(TOKEN* block) {
    const SCOPE& scope = *block->scope;
    if (scope.storage_plan_generation != routine_tables_generation) [[unlikely]] {
        pop_variables_anew(scope);
        return;
    }
    // The plan stands still while its cells go: its bounds are read once.
    const SCOPE::STORED_VARIABLE* first = scope.storage_plan.data();
    for (const SCOPE::STORED_VARIABLE* variable = first + scope.storage_plan.size(); variable != first;) {
        --variable;
        if (!pop_plain_int(variable->node)) pop_variable(variable->node);
    }
}

void leave_scope_containers(TOKEN* block) {
    for (const STR_INT_TABLE::ENTRY* entry = block->scope->storage.order_first(); entry != nullptr;
         entry = entry->order_next) {
        TOKEN* declaring_node = storage_token(entry);
        if (declaring_node == nullptr) continue;
        if (UNION_DATA* cell = top_cell(declaring_node)) leave_to_process_end(cell);
    }
}

bool scope_holds_value(TOKEN* block, const UNION_DATA* value) {
    if (block->scope == nullptr) raise_system_error(block, msg_text("intfehnosymtab"));
    for (const STR_INT_TABLE::ENTRY* entry = block->scope->storage.order_first(); entry != nullptr;
         entry = entry->order_next) {
        TOKEN* declaring_node = storage_token(entry);
        if (declaring_node == nullptr) continue;
        const UNION_DATA* cell = top_cell(declaring_node);
        if (cell != nullptr && is_within_value(cell, value)) return true;
    }
    return false;
}

void copy_slot_array(SLOT_ARRAY& dest, const SLOT_ARRAY& source) {
    dest.cells.assign(source.cells.size(), nullptr);
    for (size_t i = 0; i < source.cells.size(); ++i) {
        UNION_DATA* cell = source.cells[i];
        if (cell == nullptr) continue;
        auto* copy = new UNION_DATA(tag_nothing);
        dest.cells[i] = copy;
        copy_construct_value(copy, cell);
    }
}

void copy_value_table(OBJECT_RECORD& dest, const OBJECT_RECORD& source) {
    if (!copy_plain_members(dest, source)) copy_member_groups(dest, source, copy_slot_array);
}

}  // namespace morvu
