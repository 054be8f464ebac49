#include "eval/slot_paths.h"

#include "eval/arg_frame.h"
#include "eval/fast_path.h"
#include "eval/member_access.h"
#include "eval/names.h"
#include "eval/node_shapes.h"
#include "eval/operator_handlers.h"
#include "exec/control_statements.h"
#include "frontend/scope.h"
#include "frontend/var_storage.h"
#include "runtime/build_options.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/slot_row.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// The handler a node runs with. The root of a curly block never stores one
// (it is a code value until a statement runs it), so there the operator
// characters choose it as the evaluator's dispatch does; only the handlers
// read here are told.
EVAL_HANDLER handler_of(const TOKEN* node) {
    if (node->block_mode == block_mode_none) return node->evaluator;
    if (node->text || node->number || (node->left == nullptr && node->right == nullptr)) return nullptr;
    switch (node->op1) {
    case '!': return node->op2 == 0 ? eval_not : nullptr;
    case '&': return node->op2 == '&' ? eval_and : nullptr;
    case '|': return node->op2 == '|' ? eval_or : nullptr;
    case '.': return node->op2 == 0 ? eval_member : nullptr;
    default: return nullptr;
    }
}

// Whether each side of an assignment is one operand, neither a block being
// run nor holding anything parked, as the general assignment would pair
// them without frames.
bool single_operands(const TOKEN* node) {
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    if (left->block_mode == block_mode_running || right->block_mode == block_mode_running ||
        !left->result_stack.empty() || !right->result_stack.empty())
        return false;
    const TOKEN_LIST& sources = argument_list_of(right);
    const TOKEN_LIST& targets = argument_list_of(left);
    return sources.count() == 1 && sources[0] == right && targets.count() == 1 && targets[0] == left;
}

// The word of a bool cell's value when it is true or false (not the empty
// bool, which no condition takes).
int bool_of(const UNION_DATA* cell) {
    if (lower_tag(cell->tag) != tag_bool || cell->payload == nullptr) return -1;
    const uint16_t word = cell->scalar.bool_word;
    return word <= 1 ? word : -1;
}

// The word that a plain copy of the right side's value gives a slot, when
// the right side yields it without running anything.
bool fast_word(TOKEN* node, uintptr_t& word) {
    const EVAL_HANDLER handler = node->evaluator;
    if (handler == eval_variable) {
        // Copied as the general assignment copies it: a kept text or a
        // negative zero stays in a cell of its own.
        const UNION_DATA* cell = plain_variable(node);
        return cell != nullptr && compact_word_of_value(cell, word);
    }
    // true and false are told before the int paths, which read neither.
    if ((handler == eval_true || handler == eval_false) && node->block_mode == block_mode_none) {
        word = bool_word_of(handler == eval_true ? 1 : 0);
        return true;
    }
    int64_t value = 0;
    if (fast_int(node, value)) return int_word(value, word);
    const int truth = fast_bool(node, 0);
    if (truth < 0) return false;
    word = bool_word_of(static_cast<uint16_t>(truth));
    return true;
}

bool write(const SLOT_PLACE& place, uintptr_t word) {
    if (place.row->overwrite_compact(place.at, word)) return true;
    bool added = false;
    if (!place.row->write_word(place.at, word, &added)) return false;
    if (added) ++*place.defined;
    return true;
}

// What a node x[...] names (see node_shapes.h): the receiver's declaring
// node when the receiver is a declared variable whose cell
// declared_plain_cell hands out and the call is "[]" with one or two
// indexes, those index nodes and, for an index that is a plain variable
// name, its declaring node. The node's own handler is read on every use.
struct SLOT_SHAPE {
    const TOKEN* node = nullptr;
    uint64_t stamp = 0;
    const TOKEN* declaration = nullptr;  // null: no x[...] on a plain declared variable
    TOKEN* indexes[2] = {};
    const TOKEN* index_declarations[2] = {};  // null: an index of another kind
    size_t index_count = 0;
    // g.get(r, c) with two indexes on any declared variable, whose reads
    // the grid's own checks decide: the indexes and their declarations are
    // kept; declaration stays null, as no slot is written through it.
    bool grid_get = false;
};
// Nodes are made one after another from a store: a node shares its entry
// only with nodes made 1024 nodes away.
constexpr size_t slot_shape_count = 1024;
SLOT_SHAPE slot_shapes[slot_shape_count];

[[gnu::noinline]] SLOT_SHAPE& new_slot_shape(SLOT_SHAPE& shape, const TOKEN* node, uint64_t stamp) {
    SHAPE_DECISION<SLOT_SHAPE> decision(node, stamp);
    SLOT_SHAPE& made = decision.made;
    const TOKEN* receiver = node->left;
    const TOKEN* part = node->right;
    if (node->op1 == '.' && receiver != nullptr && part != nullptr && is_call_token(part) && part->left != nullptr) {
        const std::string& name = *part->text;
        if (unbound_name(receiver)) decision.pass();
        const TOKEN* declaration = receiver->evaluator == eval_variable ? receiver->declaration : nullptr;
        const bool plain = declaration != nullptr && declaration->member_slot < 0 &&
                           declaration->arg_role != arg_role_constant_input &&
                           declaration->arg_role != arg_role_output_object &&
                           declaration->arg_role != arg_role_variable_input;
        const bool brackets = name.size() == 2 && name[0] == '[' && name[1] == ']';
        const bool grid_get = !brackets && declaration != nullptr && name == "get";
        const TOKEN_LIST* indexes = (plain && brackets) || grid_get ? &argument_list_of(part->left) : nullptr;
        const size_t count = indexes != nullptr ? indexes->count() : 0;
        if (grid_get ? count == 2 : count == 1 || count == 2) {
            made.declaration = grid_get ? nullptr : declaration;
            made.grid_get = grid_get;
            made.index_count = count;
            for (size_t i = 0; i < count; ++i) {
                TOKEN* index = (*indexes)[i];
                if (unbound_name(index)) decision.pass();
                made.indexes[i] = index;
                made.index_declarations[i] = plain_name_declaration(index);
            }
        }
    }
    return decision.store(shape);
}

// The shape of a node, as new_slot_shape decides it.
[[gnu::always_inline]] inline const SLOT_SHAPE& slot_shape(TOKEN* node) {
    return node_shape(slot_shapes, node, new_slot_shape);
}

// An index read as fast_int_at reads it, a plain variable of the shape
// read from its declaration.
[[gnu::always_inline]] inline bool shaped_index(TOKEN* index, const TOKEN* declaration, int64_t& out, int depth) {
    if (declaration != nullptr) {
        const UNION_DATA* cell = top_cell(declaration);
        if (cell != nullptr && (cell->tag == tag_int || cell->tag == raise_tag(tag_int)))
            return cell->payload != nullptr && cell_int64(cell, out);
    }
    return fast_int_at(index, out, depth);
}

// An array or array2 cell holding a value that a[i] and g[r, c] may read
// and write in place: not a constant, not walked; null otherwise.
[[gnu::always_inline]] inline UNION_DATA* plain_slots(UNION_DATA* cell) {
    if (cell == nullptr || cell->payload == nullptr || cell->access_mode < access_variable) return nullptr;
    if (cell->tag == tag_array) {
        if (cell->array_data()->iteration_count != 0) return nullptr;
    } else if (cell->tag == tag_array2) {
        if (cell->array2_data()->iterations != 0) return nullptr;
    } else {
        return nullptr;
    }
    return may_be_walked(cell) ? nullptr : cell;
}

// The slot of g[r, c] when the position lies inside the grid.
bool grid_place(ARRAY2_DATA& grid, int64_t row, int64_t col, SLOT_PLACE& place) {
    if (row < 0 || row >= grid.rows || col < 0 || col >= grid.cols || grid.cells.empty()) return false;
    place = SLOT_PLACE{&grid.cells, grid.slot_of(static_cast<int>(row), static_cast<int>(col)), &grid.count};
    return true;
}

// The slot of g[r, c], the shape's two indexes read as fast ints inside
// the grid.
[[gnu::always_inline]] inline bool grid_slot(ARRAY2_DATA& grid, const SLOT_SHAPE& shape, SLOT_PLACE& place, int depth) {
    // Taken before the first index is read, which may reuse the shape's entry.
    TOKEN* second = shape.indexes[1];
    const TOKEN* second_declaration = shape.index_declarations[1];
    int64_t row = 0;
    int64_t col = 0;
    return shaped_index(shape.indexes[0], shape.index_declarations[0], row, depth + 1) &&
           shaped_index(second, second_declaration, col, depth + 1) && grid_place(grid, row, col, place);
}

// slot_place for a plain container and the node's shape.
bool place_in(UNION_DATA* cell, const SLOT_SHAPE& shape, SLOT_PLACE& place, int depth) {
    if (depth >= fast_depth_limit) return false;
    if (cell->tag != tag_array) return shape.index_count == 2 && grid_slot(*cell->array2_data(), shape, place, depth);
    ARRAY_DATA& store = *cell->array_data();
    int64_t index = 0;
    if (shape.index_count != 1 || !shaped_index(shape.indexes[0], shape.index_declarations[0], index, depth + 1) ||
        index < 0 || index >= store.slot_count || store.slots.empty())
        return false;
    place = SLOT_PLACE{&store.slots, static_cast<size_t>(index), &store.defined_count};
    return true;
}

// The int a slot holds: a defined int, read without a cell.
[[gnu::always_inline]] inline bool slot_int(const SLOT_PLACE& place, int64_t& out) {
    const uintptr_t word = place.row->word(place.at);
    if (is_compact_word(word)) {
        if (!is_int_word(word)) return false;
        out = int_of_word(word);
        return true;
    }
    const auto* cell = reinterpret_cast<const UNION_DATA*>(word);  // null for an undefined slot
    return cell != nullptr && cell_int(cell, out);
}

// slot_place, telling a node of another shape or on no plain container
// (-1) from one whose indexes do not read as fast ints within it (0).
[[gnu::always_inline]] inline int shaped_place(TOKEN* node, SLOT_PLACE& place, int depth) {
    const SLOT_SHAPE& shape = slot_shape(node);
    if (shape.declaration == nullptr || handler_of(node) != eval_member) return -1;
    UNION_DATA* cell = plain_slots(top_cell(shape.declaration));
    if (cell == nullptr) return -1;
    return place_in(cell, shape, place, depth) ? 1 : 0;
}

// A bool member read by fast_bool: of the current object (a plain name)
// or of another object (o.name); -1 when not applicable.
[[gnu::noinline]] int member_bool(const TOKEN* node, bool of_other) {
    const UNION_DATA* member = of_other ? fast_object_member(node) : fast_member_cell(node);
    return member != nullptr ? bool_of(member) : -1;
}

}  // namespace

bool slot_place(TOKEN* node, SLOT_PLACE& place, int depth) {
    if constexpr (!fast_paths) return false;
    return shaped_place(node, place, depth) == 1;
}

bool fast_slot_int(const SLOT_PLACE& place, int64_t& out) { return slot_int(place, out); }

int fast_slot_int_if_shaped(TOKEN* node, int64_t& out, int depth) {
    if constexpr (!fast_paths) return -1;
    SLOT_PLACE place;
    const int found = shaped_place(node, place, depth);
    return found < 0 ? -1 : found == 1 && slot_int(place, out) ? 1 : 0;
}

bool fast_grid_get_int(TOKEN* node, UNION_DATA* cell, int64_t& out, int depth) {
    if constexpr (!fast_paths) return false;
    if (depth >= fast_depth_limit || cell->tag != tag_array2 || plain_slots(cell) == nullptr) return false;
    const SLOT_SHAPE& shape = slot_shape(node);
    SLOT_PLACE place;
    return shape.grid_get && grid_slot(*cell->array2_data(), shape, place, depth) && slot_int(place, out);
}

int fast_bool(TOKEN* node, int depth) {
    if constexpr (!fast_paths) return -1;
    if (depth >= fast_depth_limit) return -1;
    const EVAL_HANDLER handler = handler_of(node);
    if (handler == eval_true) return 1;
    if (handler == eval_false) return 0;
    if (handler == eval_variable) {
        const UNION_DATA* cell = plain_variable(node);
        return cell != nullptr ? bool_of(cell) : member_bool(node, false);
    }
    if (handler == eval_not) {
        if (node->right == nullptr) return -1;
        const int value = fast_bool(node->right, depth + 1);
        return value < 0 ? -1 : 1 - value;
    }
    if (handler == eval_and || handler == eval_or) {
        // The right side is read only when the left one does not decide.
        if (node->left == nullptr || node->right == nullptr) return -1;
        const int left = fast_bool(node->left, depth + 1);
        if (left < 0) return -1;
        if (left == (handler == eval_or ? 1 : 0)) return left;
        return fast_bool(node->right, depth + 1);
    }
    if (is_ordering_comparison(handler)) {
        const int compared = fast_int_comparison(node);
        return compared >= 0 ? compared : fast_text_comparison(node);
    }
    if (handler != eval_member) return -1;
    SLOT_PLACE place;
    if (!slot_place(node, place, depth)) return member_bool(node, true);
    const uintptr_t word = place.row->word(place.at);
    if (is_compact_word(word)) {
        if (!is_bool_word(word)) return -1;
        const uint16_t value = bool_of_word(word);
        return value <= 1 ? value : -1;
    }
    const auto* cell = reinterpret_cast<const UNION_DATA*>(word);
    return cell != nullptr ? bool_of(cell) : -1;
}

bool slot_assignment_of(TOKEN* node, char op) {
    if constexpr (!fast_paths) return false;
    TOKEN* right = node->right;
    SLOT_PLACE place;
    if (right == nullptr || shaped_place(node->left, place, 0) != 1 || !single_operands(node)) return false;
    uintptr_t word = 0;
    if (op != '=') {
        // The slot's int after `current op operand`, as the general rule
        // computes it on two plain ints, within the compact range.
        int64_t operand = 0;
        int64_t current = 0;
        return fast_int(right, operand) && place.row->plain_int(place.at, current) &&
               fast_operation(op, current, operand, current) && int_word(current, word) && write(place, word);
    }
    return fast_word(right, word) && write(place, word);
}

bool assign_source_to_slot(TOKEN* target, const RESULT_ITEM& source) {
    if constexpr (!fast_paths) return false;
    SLOT_PLACE place;
    uintptr_t word = 0;
    if (shaped_place(target, place, 0) != 1) return false;
    const UNION_DATA* value = follow_aliases(source.cell);
    return value != nullptr && compact_word_of_value(value, word) && write(place, word);
}

}  // namespace morvu
