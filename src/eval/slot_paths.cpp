#include "eval/slot_paths.h"

#include "eval/arg_frame.h"
#include "eval/fast_path.h"
#include "eval/member_access.h"
#include "eval/names.h"
#include "eval/operator_handlers.h"
#include "exec/control_statements.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/slot_row.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// The array or array2 a plain variable holds by value, as a[i] and g[r, c]
// reach it: not a constant, not walked; null otherwise.
UNION_DATA* plain_slots_of(const TOKEN* receiver) {
    if (receiver->evaluator != eval_variable) return nullptr;
    UNION_DATA* cell = declared_plain_cell(receiver->declaration);
    if (cell == nullptr || cell->payload == nullptr || cell->access_mode < access_variable) return nullptr;
    if (cell->tag == tag_array) {
        if (cell->array_data()->iteration_count != 0) return nullptr;
    } else if (cell->tag == tag_array2) {
        if (cell->array2_data()->iterations != 0) return nullptr;
    } else {
        return nullptr;
    }
    return value_under_iteration(cell) ? nullptr : cell;
}

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

// The call part of x[...]: a member call by the name "[]" with arguments.
const TOKEN* index_call(const TOKEN* node) {
    if (node->op1 != '.' || node->left == nullptr || handler_of(node) != eval_member) return nullptr;
    const TOKEN* part = node->right;
    if (part == nullptr || !is_call_token(part) || part->left == nullptr) return nullptr;
    const std::string& name = *part->text;
    return name.size() == 2 && name[0] == '[' && name[1] == ']' ? part : nullptr;
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

bool is_int_comparison(EVAL_HANDLER handler) {
    return handler == eval_comparison<compare_less_than> || handler == eval_comparison<compare_less_equal> ||
           handler == eval_comparison<compare_greater_than> || handler == eval_comparison<compare_greater_equal> ||
           handler == eval_comparison<compare_equal> || handler == eval_comparison<compare_unequal>;
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

// The slot's int after `current op operand`, as the general rule computes
// it on two plain ints, within the compact range.
bool compound_word(const SLOT_PLACE& place, char op, int64_t operand, uintptr_t& word) {
    int64_t current = 0;
    int64_t result = 0;
    return place.row->plain_int(place.at, current) && fast_operation(op, current, operand, result) &&
           int_word(result, word);
}

bool write(const SLOT_PLACE& place, uintptr_t word) {
    if (place.row->overwrite_compact(place.at, word)) return true;
    bool added = false;
    if (!place.row->write_word(place.at, word, &added)) return false;
    if (added) ++*place.defined;
    return true;
}

// The container of a[i] or g[r, c] on a plain container, and the call part;
// null for every other node. Asked first, so that other element accesses
// (a hash's, a list's) are told apart at the cost of one look at the
// receiver's cell.
UNION_DATA* slot_container(const TOKEN* node, const TOKEN*& part) {
    if (node->op1 != '.' || node->left == nullptr) return nullptr;
    UNION_DATA* cell = plain_slots_of(node->left);
    if (cell == nullptr) return nullptr;
    part = index_call(node);
    return part != nullptr ? cell : nullptr;
}

// slot_place for the container and call part slot_container found.
bool place_in(UNION_DATA* cell, const TOKEN* part, SLOT_PLACE& place, int depth) {
    if (depth >= fast_depth_limit) return false;
    const TOKEN_LIST& indexes = argument_list_of(part->left);
    if (cell->tag == tag_array) {
        ARRAY_DATA& store = *cell->array_data();
        int64_t index = 0;
        if (indexes.count() != 1 || !fast_int_at(indexes[0], index, depth + 1) || index < 0 ||
            index >= store.slot_count || store.slots.empty())
            return false;
        place = SLOT_PLACE{&store.slots, static_cast<size_t>(index), &store.defined_count};
        return true;
    }
    ARRAY2_DATA& grid = *cell->array2_data();
    int64_t row = 0;
    int64_t col = 0;
    if (indexes.count() != 2 || !fast_int_at(indexes[0], row, depth + 1) || !fast_int_at(indexes[1], col, depth + 1) ||
        row < 0 || row >= grid.rows || col < 0 || col >= grid.cols || grid.cells.empty())
        return false;
    place = SLOT_PLACE{&grid.cells, grid.slot_of(static_cast<int>(row), static_cast<int>(col)), &grid.count};
    return true;
}

}  // namespace

bool slot_place(TOKEN* node, SLOT_PLACE& place, int depth) {
    const TOKEN* part = nullptr;
    UNION_DATA* cell = slot_container(node, part);
    return cell != nullptr && place_in(cell, part, place, depth);
}

bool slot_read_shape(const TOKEN* node) {
    const TOKEN* part = nullptr;
    return slot_container(node, part) != nullptr;
}

namespace {

// The int a slot holds: a defined int, read without a cell.
bool slot_int(const SLOT_PLACE& place, int64_t& out) {
    const uintptr_t word = place.row->word(place.at);
    if (is_compact_word(word)) {
        if (!is_int_word(word)) return false;
        out = int_of_word(word);
        return true;
    }
    const auto* cell = reinterpret_cast<const UNION_DATA*>(word);  // null for an undefined slot
    if (cell == nullptr || (cell->tag != tag_int && cell->tag != raise_tag(tag_int)) || cell->payload == nullptr)
        return false;
    return cell_int64(cell, out);
}

}  // namespace

bool fast_slot_int(TOKEN* node, int64_t& out, int depth) {
    SLOT_PLACE place;
    return slot_place(node, place, depth) && slot_int(place, out);
}

int fast_slot_int_if_shaped(TOKEN* node, int64_t& out, int depth) {
    const TOKEN* part = nullptr;
    UNION_DATA* cell = slot_container(node, part);
    if (cell == nullptr) return -1;
    SLOT_PLACE place;
    return place_in(cell, part, place, depth) && slot_int(place, out) ? 1 : 0;
}

namespace {

// A bool member read by fast_bool: of the current object (a plain name)
// or of another object (o.name); -1 when not applicable.
[[gnu::noinline]] int member_bool(const TOKEN* node, bool of_other) {
    const UNION_DATA* member = of_other ? fast_object_member(node) : fast_member_cell(node);
    return member != nullptr ? bool_of(member) : -1;
}

}  // namespace

int fast_bool(TOKEN* node, int depth) {
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
    if (is_int_comparison(handler)) {
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
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    if (right == nullptr) return false;
    const TOKEN* part = nullptr;
    UNION_DATA* container = slot_container(left, part);
    SLOT_PLACE place;
    if (container == nullptr || !single_operands(node) || !place_in(container, part, place, 0)) return false;
    uintptr_t word = 0;
    if (op != '=') {
        int64_t operand = 0;
        return fast_int(right, operand) && compound_word(place, op, operand, word) && write(place, word);
    }
    return fast_word(right, word) && write(place, word);
}

bool assign_source_to_slot(TOKEN* target, const RESULT_ITEM& source) {
    const TOKEN* part = nullptr;
    UNION_DATA* container = slot_container(target, part);
    SLOT_PLACE place;
    uintptr_t word = 0;
    if (container == nullptr || !place_in(container, part, place, 0)) return false;
    const UNION_DATA* value = follow_aliases(source.cell);
    return value != nullptr && compact_word_of_value(value, word) && write(place, word);
}

}  // namespace morvu
