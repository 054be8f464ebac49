#include "exec/assignment_statements.h"

#include <memory>
#include <optional>
#include <string>

#include "eval/arg_frame.h"
#include "eval/decline_hints.h"
#include "eval/evaluator.h"
#include "eval/fast_path.h"
#include "eval/member_access.h"
#include "eval/names.h"
#include "eval/operator_handlers.h"
#include "eval/slot_paths.h"
#include "exec/call_routine.h"
#include "exec/control_statements.h"
#include "runtime/build_options.h"
#include "types/method_call.h"
#include "exec/pending_exception.h"
#include "exec/user_call.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "eval/text_pieces.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"
#include "values/factories.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/slot_row.h"
#include "values/union_data.h"
#include "values/value_copy.h"
#include "values/value_operators.h"

namespace morvu {

namespace {

// One side of an assignment: its items, evaluated one at a time when the
// pairing reaches them, each into a fresh argument frame. The two sides'
// frames end out of order, so their holds belong to the statement.
class SIDE {
public:
    SIDE(TOKEN* side, RESULT_ITEM this_item) : items(argument_list_of(side)), this_item(this_item) {}

    // Whether a result is ready, evaluating further items while the current
    // one is used up; false when the side has run dry.
    bool has_result() {
        while (!frame || frame->results->count == 0) {
            if (next == items.count()) return false;
            frame.reset();  // the frame and its unpaired results go first
            frame.emplace(items[next++], this_item, true, false);
            frame->keep_alive();  // a source waits for its target's evaluation
        }
        return true;
    }

    // Takes the first result over; the caller frees an owned cell.
    RESULT_ITEM take() { return pop(*frame->results); }

private:
    const TOKEN_LIST& items;
    RESULT_ITEM this_item;
    uint32_t next = 0;
    std::optional<ARG_FRAME> frame;  // in place: a statement allocates nothing for it
};

// The two items of a pair, their owned cells freed on every way out.
class PAIR {
public:
    RESULT_ITEM target;
    RESULT_ITEM source;

    PAIR(RESULT_ITEM target, RESULT_ITEM source) : target(target), source(source) {}
    ~PAIR() {
        if ((target.owned | source.owned) != 0) free_assignment_temporaries(target, source);
    }
    PAIR(const PAIR&) = delete;
    PAIR& operator=(const PAIR&) = delete;
};

// The item of a list that holds one, taken over: the caller frees an owned
// cell. Most sides yield one result, and the list is left empty for its
// destructor to pass over.
inline RESULT_ITEM take_only(RESULT_LIST& list) {
    RESULT_NODE* node = list.head;
    const RESULT_ITEM item = node->item;
    list.head = list.tail = nullptr;
    list.count = 0;
    delete node;
    return item;
}

// target = source where the source is a list that a function or a list
// constructor handed over (an owned temporary, freed after the pair) and the
// target a list variable that no walk holds: the target takes the list's
// nodes instead of copies of them. Only when nothing can tell the two
// apart: no link, weak cell or hold on the temporary or on any element,
// every element a plain value with a variable's access. False, with
// nothing changed, otherwise.
[[gnu::noinline]] bool move_list_nodes(RESULT_ITEM target, RESULT_ITEM source) {
    UNION_DATA* value = source.cell;
    if (value == nullptr || value->tag != tag_list || value->payload == nullptr || value->referrers != nullptr ||
        value->weak_held != 0 || value->in_use != 0 || value->key_numbered != 0 || target.mode != access_variable ||
        target.cell == nullptr)
        return false;
    UNION_DATA* cell = follow_aliases(target.cell);
    if (cell == value || cell->tag != tag_list || cell->payload == nullptr || cell->access_mode != access_variable ||
        value_under_iteration(cell))
        return false;
    const LIST_DATA& list = *value->list_data();
    if (list.iteration_count != 0 || !list.nodes_movable()) return false;
    move_payload(cell, value);
    return true;
}

// move_list_nodes for an owned function result, the one kind of source it
// may take: the other sources are told apart without a call.
inline bool move_result_list(RESULT_ITEM target, RESULT_ITEM source) {
    return source.owned != 0 && source.mode == access_function_result && move_list_nodes(target, source);
}

[[noreturn]] void raise_plain(const TOKEN* node, const char* identifier) {
    raise_system_error(node, msg_text(identifier));
}

// A container that a for/For walk is running over must keep its payload
// until the walk ends.
void refuse_during_iteration(const TOKEN* node, const UNION_DATA* cell, const char* operation) {
    if (!value_under_iteration(cell)) return;
    raise_system_error(node, format_string("%s %s", msg_text(operation), msg_text("unzwaeite")));
}

// The int cell a name stands for when it is a member of the current object
// reached through a variable object, an assignable cell holding a defined
// int that no walk is running over: an assignment to it refuses nothing.
UNION_DATA* fast_int_member(TOKEN* node, RESULT_ITEM this_item) {
    if (node->evaluator != eval_variable || !is_variable_mode(this_item.mode)) return nullptr;
    UNION_DATA* cell = current_member_cell(node, this_item);
    if (cell == nullptr || cell->tag != tag_int || cell->payload == nullptr || cell->access_mode != access_variable ||
        value_under_iteration(cell))
        return nullptr;
    return cell;
}

// The int cell a ":$" parameter's aliases lead to when the parameter's own
// cell is assignable and the cell it leads to is an assignable cell holding
// a defined int that no walk is running over: an assignment to the
// parameter writes that cell and refuses nothing. Null otherwise.
UNION_DATA* fast_int_through_aliases(TOKEN* node) {
    const TOKEN* declaration = node->declaration;
    if (declaration == nullptr || declaration->member_slot >= 0 || declaration->arg_role != arg_role_variable_input)
        return nullptr;
    UNION_DATA* own = top_cell(declaration);
    if (own == nullptr || own->access_mode != access_variable) return nullptr;
    UNION_DATA* cell = follow_aliases(own);
    if (cell == own || cell->tag != tag_int || cell->payload == nullptr || cell->access_mode != access_variable ||
        value_under_iteration(cell))
        return nullptr;
    return cell;
}

// The int member cell o.name names, o a variable (no plain input
// parameter) through which its object may be written, the member an
// assignable cell holding a defined int that no walk is running over: the
// member access hands it out as a member of a variable, and an assignment
// to it refuses nothing. Null otherwise.
[[gnu::noinline]] UNION_DATA* fast_int_object_member(const TOKEN* node) {
    if (!fast_writable_object(node->left)) return nullptr;
    UNION_DATA* cell = fast_object_member(node);
    if (cell == nullptr || cell->tag != tag_int || cell->payload == nullptr || cell->access_mode != access_variable ||
        value_under_iteration(cell))
        return nullptr;
    return cell;
}

// name = e, name += e, name -= e and name *= e on a plain int variable, on
// an int member of the current object, or on an int member o.name of an
// object variable, with a small int e, done in place. False, with nothing
// changed, whenever any of it is outside the fast path's shapes; the
// general path then runs.
// Kept inline in each statement: it is the first thing each of them tries.
[[gnu::always_inline]] inline bool fast_int_assignment(TOKEN* node, char op, RESULT_ITEM this_item) {
    // Only a name or a member is such a target: an element's own paths read
    // the right side once.
    if (node->left == nullptr || node->right == nullptr) return false;
    // The target first: it is found at less cost than the right side is
    // read, and neither runs anything, so neither can change the other.
    UNION_DATA* target = nullptr;
    if (node->left->evaluator == eval_variable) {
        target = fast_int_variable(node->left);
        if (target == nullptr) target = fast_int_member(node->left, this_item);
        if (target == nullptr) target = fast_int_through_aliases(node->left);
    } else if (const TOKEN* part = node->left->right; node->left->evaluator == eval_member && node->left->op1 == '.' &&
                                                      node->left->op2 == 0 && part != nullptr && !is_call_token(part)) {
        target = fast_int_object_member(node->left);
    }
    if (target == nullptr) return false;
    int64_t value = 0;
    TOKEN* right = node->right;
    const bool read = read_with_members(this_item, [right, &value] { return fast_int(right, value); });
    if (!read && !fast_hash_int(node->right, this_item, value)) return false;
    // A member's number may be held in the payload word (a copied object's
    // members are): it stays there, where the result fits.
    const bool in_word = is_inline_int(target->payload);
    if (op != '=') {
        int64_t current = 0;
        if (in_word) current = inline_int_value(target->payload);
        else if (!target->int_data()->to_int64(current)) return false;
        bool overflow = false;
        switch (op) {
        case '+': overflow = __builtin_add_overflow(current, value, &value); break;
        case '-': overflow = __builtin_sub_overflow(current, value, &value); break;
        default: overflow = __builtin_mul_overflow(current, value, &value) || value == 0; break;
        }
        if (overflow) return false;
    }
    if (in_word && make_inline_int(value, target->payload)) return true;
    target->int_data()->assign_int64(value);
    return true;
}

// name = other on two plain int variables, values too long for
// fast_int_assignment: the number is copied (the copy shares its limbs)
// without argument frames. False, with nothing changed, for any other shape.
[[gnu::always_inline]] inline bool fast_int_copy(TOKEN* node) {
    if (node->left == nullptr || node->right == nullptr) return false;
    UNION_DATA* source = fast_int_variable(node->right);
    if (source == nullptr) return false;
    UNION_DATA* target = fast_int_variable(node->left);
    if (target == nullptr) return false;
    if (target != source) *target->int_data() = *source->int_data();
    return true;
}

// The cell of a defined bool, char or oper that a side reads without
// running code: a plain variable, or an array slot as slot_place finds it
// (a compact slot shown through `view`); null for every other side.
UNION_DATA* plain_scalar_source(TOKEN* side, std::optional<SLOT_VIEW>& view) {
    UNION_DATA* cell = plain_variable(side);
    if (cell == nullptr) {
        SLOT_PLACE place;
        if (!on_array_variable(side) || !slot_place(side, place, 0)) return nullptr;
        const uintptr_t word = place.row->word(place.at);
        cell = is_compact_word(word) ? view.emplace().show(word) : place.row->owned_cell(place.at);
    }
    if (cell == nullptr || cell->payload == nullptr) return nullptr;
    const char kind = lower_tag(cell->tag);
    return kind == tag_bool || kind == tag_char || kind == tag_oper ? cell : nullptr;
}

// A variable holding a defined bool, char or oper (typed, or in an any
// variable) that an assignment may write in place: the general rules would
// refuse it nothing and copy the new value's word into it. Null for any
// other side.
UNION_DATA* writable_scalar(const TOKEN* side) {
    UNION_DATA* cell = plain_variable(side);
    if (cell == nullptr || cell->payload == nullptr || cell->access_mode != access_variable) return nullptr;
    const char kind = lower_tag(cell->tag);
    if ((kind != tag_bool && kind != tag_char && kind != tag_oper) || value_under_iteration(cell)) return nullptr;
    return cell;
}

// name = source where the name is an assignable variable holding a defined
// bool, char or oper (typed, or in an any variable) and the source, read
// as plain_scalar_source reads it, a value of the same kind: the general
// assignment refuses nothing there and copies the value's word. False,
// with nothing changed, for any other shape.
bool fast_scalar_copy(TOKEN* node) {
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    if (left == nullptr || right == nullptr || !right->result_stack.empty()) return false;
    const EVAL_HANDLER handler = right->evaluator;
    if (handler == eval_char_literal || handler == eval_true || handler == eval_false) {
        // A literal: the word its handler's new cell would carry.
        UNION_DATA* target = writable_scalar(left);
        const char kind = handler == eval_char_literal ? tag_char : tag_bool;
        if (target == nullptr || lower_tag(target->tag) != kind) return false;
        SCALAR_WORD word{};
        if (kind == tag_char) word.char_byte = right->text && !right->text->empty() ? (*right->text)[0] : 0;
        else word.bool_word = handler == eval_true ? 1 : 0;
        target->scalar = word;
        return true;
    }
    if (handler != eval_variable && handler != eval_member) return false;
    UNION_DATA* target = writable_scalar(left);
    if (target == nullptr) return false;
    std::optional<SLOT_VIEW> view;  // made only for a compact slot
    const UNION_DATA* source = plain_scalar_source(right, view);
    if (source == nullptr || lower_tag(source->tag) != lower_tag(target->tag)) return false;
    target->scalar = source->scalar;
    return true;
}

// name = c where the name is an assignable variable holding a bool (or the
// empty bool) and c a comparison or logical operator that the fast reads
// answer without running code: c yields a bool the general assignment
// would copy into the cell as it stands. False, with nothing changed, for
// any other shape.
bool fast_truth_store(TOKEN* node, RESULT_ITEM this_item) {
    TOKEN* right = node->right;
    if (right == nullptr || !right->result_stack.empty() || right->block_mode != block_mode_none ||
        !yields_one_bool(right))
        return false;
    UNION_DATA* target = writable_scalar(node->left);
    if (target == nullptr || lower_tag(target->tag) != tag_bool) return false;
    const int truth = read_with_members(this_item, [right] { return fast_comparison(right); });
    if (truth < 0) return false;
    target->bool_word() = truth != 0 ? 1 : 0;
    return true;
}

}  // namespace

const char* assign_ref_rule(UNION_DATA* target, UNION_DATA* source) { return target->assign_ref_on_this(source); }

const char* assign_alias_rule(UNION_DATA* target, UNION_DATA* source) { return target->assign_alias_on_this(source); }

const char* assign_or_ref_rule(UNION_DATA* target, UNION_DATA* source) { return target->assign_or_ref_on_this(source); }

// The own cell of the variable that a target written as name or name.member
// starts from, or null: a cell that no value holds, which lets a movement
// skip its walk over the source (move_value_with_root checks the rest).
const UNION_DATA* target_root(const TOKEN* target) {
    if (target->evaluator == eval_member && target->left != nullptr) target = target->left;
    return target->evaluator == eval_variable ? variable_cell(target) : nullptr;
}

void free_assignment_temporaries(RESULT_ITEM& target, RESULT_ITEM& source) {
    if (target.owned != 0 && target.cell != nullptr) delete target.cell;
    if (source.owned != 0 && source.cell != nullptr && source.cell != target.cell) delete source.cell;
    target.cell = nullptr;
    source.cell = nullptr;
    target.owned = 0;
    source.owned = 0;
}

namespace {

// The longest text a string keeps without an allocation of its own.
const size_t inline_text_capacity = std::string().capacity();

// A literal, an expression's or a function's result that the pair owns and
// frees once assigned, holding a value that costs more to copy than to
// hand over: a container, an object, or a text too long to live inside its
// string. What is assigned from it may take its value over.
inline bool worth_taking_over(RESULT_ITEM source) {
    const UNION_DATA* cell = source.cell;
    if (source.owned == 0 || source.mode > access_function_result || source.mode == access_constant_input ||
        cell->payload == nullptr)
        return false;
    const char lowered = lower_tag(cell->tag);
    if (lowered == tag_str) return cell->str_data()->text.size() > inline_text_capacity;
    return lowered == tag_object || lowered == tag_list || lowered == tag_hash || lowered == tag_set;
}

// Whether the assignment (=, @, $, ~, ?) gives a new value or link to a
// reference that carries a read-only mode of its own: that writes the
// reference, not what it leads to. A compound operator writes through it.
// The reference may be an element or a member reached through aliases that
// may write it.
bool replaces_own_link(RESULT_ITEM target, const UNION_DATA* target_cell, const char* op) {
    if (op[0] == 0 || op[1] != 0 || !is_reference_tag(target_cell->tag) || is_variable_mode(target_cell->access_mode))
        return false;
    if (target.cell == target_cell) return target.mode == target_cell->access_mode;
    if (!is_variable_mode(target.mode) || target.mode == access_variable_input) return false;
    for (const UNION_DATA* cell = target.cell; cell != target_cell && cell != nullptr; cell = cell->target()) {
        if (!is_variable_mode(cell->access_mode) || !is_link_cell(cell)) return false;
    }
    return true;
}

// The refusals of check_assignment_to_args_object, out of its way: most
// pairs pass every check, and the messages' texts are made only here.
// Each returns where raise_infeasible_for_constant lets the pair pass.
[[gnu::cold, gnu::noinline]] void refuse_constant_target(const TOKEN* node, RESULT_ITEM target) {
    raise_infeasible_for_constant(node, target, "", msg_text("zuw"), true);
}

[[gnu::cold, gnu::noinline]] void refuse_constant_source(const TOKEN* node, RESULT_ITEM source, const char* operation,
                                                         bool strict) {
    raise_infeasible_for_constant(node, source, "", msg_text(operation), strict);
}

[[gnu::cold, gnu::noinline]] void refuse_args_source(const TOKEN* node, RESULT_ITEM source,
                                                     const UNION_DATA* source_cell) {
    if (base_type_code(source_cell) != tag_args) return;
    if (source.mode == access_output_object) raise_plain(node, "keizuwoutobjtypargerl");
    raise_plain(node, "keizuwinpobjtypargerl");
}

// The refusal of a target or source that a walk holds.
[[gnu::cold, gnu::noinline]] void refuse_walked(const TOKEN* node, const UNION_DATA* cell, const char* operation) {
    refuse_during_iteration(node, cell, operation);
}

// The rule applied to a source given read-only, out of the common pairs'
// way.
[[gnu::noinline]] const char* assign_lent_copy(VALUE_RULE rule, UNION_DATA* target_cell, UNION_DATA* source_cell,
                                               uint32_t lent) {
    // A copy of what is given read-only leads no more into the giver's
    // data than the original does.
    const LENT_COPY lent_copy(static_cast<uint8_t>(lent));
    return rule(target_cell, source_cell);
}

}  // namespace

void check_assignment_to_args_object(TOKEN* node, RESULT_ITEM target, RESULT_ITEM source, VALUE_RULE rule,
                                     const char* op, bool source_spent) {
    UNION_DATA* target_cell = target.cell;
    if (target.mode == access_variable_input) {
        if (target_cell->tag == tag_call_alias || target_cell->tag == raise_tag(tag_call_alias))
            target_cell = target_cell->target();
    } else {
        target_cell = follow_aliases(target_cell);
    }
    UNION_DATA* source_cell = follow_aliases(source.cell);

    // An object's own compound operator takes the pair over.
    if (op[0] != 0 && op[1] == '=' && base_type_code(target_cell) == tag_object) {
        if (call_user_operator_status(node, op, target, source, nullptr) != CALL_OUTCOME::not_defined) return;
    }

    if (target.mode == access_output_object) {
        if (base_type_code(target_cell) == tag_args) raise_plain(node, "fuelokoutobjtypargkeizuwerl");
        if (rule != assign_alias_rule) raise_plain(node, "fuelokoutobjnurrefzuwerl");
    } else if (target.mode == access_variable_input && base_type_code(target_cell) == tag_args) {
        raise_plain(node, "fuelokinpobjtypargkeizuwerl");
    } else if ((!is_variable_mode(target.mode) || target.mode == access_variable_input) &&
               !replaces_own_link(target, target_cell, op)) {
        refuse_constant_target(node, target);
    }
    // A link made read-only held in a member or an element.
    if (!is_variable_mode(target_cell->access_mode) && !replaces_own_link(target, target_cell, op))
        refuse_constant_target(node, RESULT_ITEM{target_cell, target_cell->access_mode, 0});

    // Literals and expressions cannot be referenced or moved.
    if (source.mode <= access_expression) {
        if (rule == assign_ref_rule) refuse_constant_source(node, source, "ref", false);
        if (rule == move_value) refuse_constant_source(node, source, "versch", false);
    }

    // What the source is given read-only goes with a link made to it; moving
    // its value out would empty what it stands for. Only a plain parameter
    // holding a small value of its own may give it away: that touches
    // nothing of the caller's.
    const uint32_t lent = lent_item_access(source.mode, source.cell);
    if (rule == move_value && !is_variable_mode(lent) &&
        (lent != access_constant_input || source.mode != access_constant_input || is_link_cell(source.cell)))
        refuse_constant_source(node, RESULT_ITEM{source.cell, lent, 0}, "versch", true);

    if (source.mode == access_output_object || source.mode == access_variable_input)
        refuse_args_source(node, source, source_cell);

    // A walked text may take a new value: its walk reads the variable's
    // current text at every step. Nothing else inside a str could be walked.
    if (running_walks != 0) {
        if (lower_tag(target_cell->tag) != tag_str || is_link_cell(target_cell))
            refuse_walked(node, target_cell, "zuw");
        if (rule == move_value) refuse_walked(node, source_cell, "versch");
    }

    target_cell->skip_flag = 1;
    const char* message = nullptr;
    if (rule == move_value) {
        message = move_value_with_root(target_cell, source_cell, target_root(node->left));
    } else if (is_variable_mode(lent)) {
        message = rule == assign_value && source_spent && worth_taking_over(source)
                      ? assign_temporary(target_cell, source_cell)
                      : rule(target_cell, source_cell);
    } else {
        message = assign_lent_copy(rule, target_cell, source_cell, lent);
    }
    target_cell->skip_flag = 0;
    if (message != nullptr) raise_system_error(node, message);
    // A link made to a read-only place or link is read-only as well.
    if (!is_variable_mode(lent) && is_link_cell(target_cell) && rule != move_value)
        target_cell->access_mode = static_cast<uint8_t>(lent);
}

namespace {

// Whether the side is one operand, not a ',' list of them.
bool single_operand(TOKEN* side) {
    const TOKEN_LIST& items = argument_list_of(side);
    return items.count() == 1 && items[0] == side;
}

UNION_DATA* variable_input_target(const TOKEN* declaration);

// The call part of an element access h[k] or l[i] on a plain variable
// holding a hash or a list: evaluating it runs nothing before the call
// itself. A source read through a ":$" parameter standing for such a
// variable runs nothing either (through_inputs).
const TOKEN* element_call(const TOKEN* side, bool through_inputs = false) {
    if (side->evaluator != eval_member || side->op1 != '.' || side->right == nullptr || !is_call_token(side->right))
        return nullptr;
    const UNION_DATA* receiver = plain_variable(side->left);
    if (receiver == nullptr && through_inputs && side->left != nullptr && side->left->evaluator == eval_variable)
        receiver = variable_input_target(side->left->declaration);
    if (receiver == nullptr) return nullptr;
    const char held = held_type_code_of(follow_aliases(const_cast<UNION_DATA*>(receiver)));
    return held == tag_hash || held == tag_list ? side->right : nullptr;
}

// A side with one operand each, nothing parked on them: the right side and
// then the left are evaluated as their frames would evaluate them, and when
// each yields one result the pair is assigned without frames. True when the
// statement is done (a side that yields nothing ends it, as in the general
// loop; a target side that yields several results is done by the frames,
// which take over what was evaluated); false with the sources parked on the
// right side, whose frame takes them over, when they are several.

// Whether each side of the assignment is one operand, neither a block being
// run nor holding anything parked.
bool one_operand_each(const TOKEN* node) {
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    return left != nullptr && right != nullptr && left->block_mode != block_mode_running &&
           right->block_mode != block_mode_running && left->result_stack.empty() && right->result_stack.empty() &&
           single_operand(right) && single_operand(left);
}

// The general road: each side's items through frames, paired one by one.
// What the sides name stays alive until the statement is done.
void assign_by_frames(TOKEN* node, RESULT_ITEM this_item, VALUE_RULE rule, const char* op) {
    const HOLD_SCOPE holds;
    // A routine that fails while an item is evaluated ends the statement
    // there: the pairs before it stay applied, its own pair and the later
    // ones are not, and no item is evaluated after it.
    // Declared in this order, the left side's frame is released before the
    // right side's.
    SIDE right(node->right, this_item);
    if (!right.has_result() || exception_pending()) return;
    SIDE left(node->left, this_item);
    while (left.has_result()) {
        if (exception_pending()) return;
        PAIR pair(left.take(), right.take());
        if (rule != assign_value || !move_result_list(pair.target, pair.source))
            check_assignment_to_args_object(node, pair.target, pair.source, rule, op, true);
        if (!right.has_result() || exception_pending()) return;
    }
}

// Whether every target of a ',' list is a name: evaluating one yields one
// result and takes nothing parked on it.
bool names_only(const TOKEN_LIST& targets) {
    if (targets.count() < 2) return false;
    for (const TOKEN* target : targets)
        if (target->evaluator != eval_variable || target->block_mode == block_mode_running ||
            !target->result_stack.empty())
            return false;
    return true;
}

// a, b, ... = source with names as targets and one operand as source: the
// source is evaluated as its frame would, and when it yields one result
// per name each name is evaluated and assigned in turn, as the frames pair
// them, without a frame for either side. True when the statement is done;
// false, with nothing evaluated, or with the results parked on the right
// side for its frame to take over when they are not one per name.
[[gnu::noinline]] bool assign_to_names(TOKEN* node, RESULT_ITEM this_item, VALUE_RULE rule, const char* op) {
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    if (left == nullptr || right == nullptr || right->block_mode == block_mode_running || !right->result_stack.empty())
        return false;
    const TOKEN_LIST& source_items = argument_list_of(right);
    if (source_items.count() != 1 || source_items[0] != right) return false;
    const TOKEN_LIST& targets = argument_list_of(left);
    if (!names_only(targets)) return false;
    const HOLD_SCOPE holds;
    RESULT_LIST sources;
    eval_cached(right, this_item, sources);
    if (exception_pending()) return true;  // the names keep their values
    if (sources.count != targets.count()) {
        push_result_list(right, new RESULT_LIST(std::move(sources)));
        return false;
    }
    hold_items(sources.head);  // a source waits for its target's evaluation
    for (TOKEN* target : targets) {
        RESULT_LIST found;
        eval_cached(target, this_item, found);
        hold_items(found.head);
        PAIR pair(pop(found), pop(sources));
        if (rule != assign_value || !move_result_list(pair.target, pair.source))
            check_assignment_to_args_object(node, pair.target, pair.source, rule, op, true);
    }
    return true;
}

// Inlined into exec_assignment, its one caller: the statements that take
// it are the common ones.
__attribute__((always_inline)) inline bool single_pair_assignment(TOKEN* node, RESULT_ITEM this_item, VALUE_RULE rule,
                                                                  const char* op) {
    if (!one_operand_each(node)) return false;
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    RESULT_LIST sources;
    // A side whose evaluation fails (a routine of it left an exception
    // pending) leaves the target as it was; a failing source keeps the
    // target from being evaluated at all, so h[k] makes no new pair.
    // A variable on either side is read as eval_variable gives it, without a
    // result list: its one item, which owns nothing.
    RESULT_ITEM named_source;
    bool source_named = variable_item(right, named_source);
    if (!source_named && rule == assign_ref_rule) {
        // x @ h[k] for a pair h has: its value, held as the alias the element
        // call would hand out is held.
        if (UNION_DATA* element = fast_hash_element(right, this_item)) {
            named_source = RESULT_ITEM{element, access_handed_out, 0};
            source_named = true;
        }
    }
    if (!source_named) {
        // The source is used as soon as the target is found, when finding it
        // runs nothing (a plain variable) and the operation on a typed value
        // that is no object runs nothing either.
        const UNION_DATA* target = plain_variable(left);
        const bool typed_target = target != nullptr && !is_any_cell(target) && !is_link_cell(target);
        const bool plain_target = typed_target && lower_tag(target->tag) != tag_object;
        // An object variable only takes a copy of the element's value: an
        // object of plain members may stand for that copy itself.
        const bool object_target = typed_target && target->tag == tag_object;
        const int truth = rule == assign_value && target != nullptr && lower_tag(target->tag) == tag_bool
                              ? truth_of(right, this_item)
                              : -1;
        if (truth >= 0) {
            // The truth of a comparison or of || and &&, found without its bool
            // cell, written straight into a bool variable. The variable is
            // looked at again: the operands may have run code.
            if (exception_pending()) return true;
            UNION_DATA* cell = writable_scalar(left);
            if (cell != nullptr && lower_tag(cell->tag) == tag_bool) {
                cell->bool_word() = static_cast<uint16_t>(truth);
                return true;
            }
            sources.append(make_bool_value(truth != 0, 3));  // as the operator's handler gives it
        } else {
            const ELEMENT_USED_AT_ONCE grant(plain_target || object_target ? element_call(right, true) : nullptr,
                                             object_target);
            eval_cached(right, this_item, sources);
            if (sources.count == 0 || exception_pending()) return true;
            if (sources.count != 1) {
                push_result_list(right, new RESULT_LIST(std::move(sources)));
                return false;
            }
        }
    } else if (exception_pending()) {
        return true;
    }
    const RESULT_ITEM& source = source_named ? named_source : sources.head->item;
    if (rule == assign_value && assign_to_slot(left, source)) return true;
    // The source stays alive while finding the target runs code, until it is
    // assigned, also by the frames it may be handed over to.
    const bool target_runs_code = !evaluates_inertly(left);
    const HOLD_SCOPE holds(target_runs_code);
    if (target_runs_code) hold_item(source);
    RESULT_ITEM target;
    RESULT_LIST targets;
    if (!variable_item(left, target)) {
        {
            // The target, found last, is used at once.
            const ELEMENT_USED_AT_ONCE grant(element_call(left));
            eval_cached(left, this_item, targets);
        }
        if (targets.count == 0 || exception_pending()) return true;
        if (targets.count != 1) {
            if (source_named) sources.append(named_source);
            push_result_list(right, new RESULT_LIST(std::move(sources)));
            push_result_list(left, new RESULT_LIST(std::move(targets)));
            assign_by_frames(node, this_item, rule, op);
            return true;
        }
        target = take_only(targets);
    }
    PAIR pair(target, source_named ? named_source : take_only(sources));
    if (rule != assign_value || !move_result_list(pair.target, pair.source))
        check_assignment_to_args_object(node, pair.target, pair.source, rule, op, true);
    return true;
}

// The right sides that can hand their int result over as a number alone:
// a call by name and + - * (of calls, member calls among them).
bool asks_number(const TOKEN* right) {
    const EVAL_HANDLER handler = right->evaluator;
    return right->block_mode == block_mode_none &&
           (handler == call_named_routine || handler == eval_plus || handler == eval_minus || handler == eval_times);
}

// number op= operand (op '+', '-' or '*') on machine ints, as the general
// rule computes it; false, with the number untouched, where its result has
// another form (beyond 64 bits, a zero product) or an operand is no plain
// machine int (empty, long, a zero that keeps a sign).
bool int64_compound(INT_DATA& number, const INT_DATA& operand, char op) {
    int64_t current = 0;
    int64_t value = 0;
    if (!number.to_int64(current) || !operand.to_int64(value)) return false;
    if ((current == 0 && number.sign() < 0) || (value == 0 && operand.sign() < 0)) return false;
    if (!fast_operation(op, current, value, value)) return false;
    number.assign_int64(value);
    return true;
}

// name += e, name -= e and name *= e on a plain int variable where e is
// no fast int (a call, a member call, an element): e is evaluated as the
// general path evaluates it, and one int result is added, subtracted or
// multiplied in place by the rule the general path applies. A call or an
// arithmetic of calls is asked for its number alone, which is combined
// with the variable's on machine ints. True when the statement is done;
// false, with what was evaluated parked on the right side for the general
// path's frame, for every other outcome.
bool fast_compound_assignment(TOKEN* node, RESULT_ITEM this_item, VALUE_RULE rule, char op) {
    if (!one_operand_each(node) || fast_int_variable(node->left) == nullptr) return false;
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    RESULT_LIST sources;
    INT_RESULT_SLOT slot;  // the right side's number, when it hands one over
    if (asks_number(right)) {
        const INT_RESULT_ASK ask(right, &slot);
        eval_cached(right, this_item, sources);
    } else {
        // The variable is a plain typed target: an element is used at once.
        const ELEMENT_USED_AT_ONCE grant(element_call(right));
        eval_cached(right, this_item, sources);
    }
    if (exception_pending()) return true;  // the variable keeps its value
    // The right side may have changed what the left names: the variable is
    // found, and its value read, only now.
    UNION_DATA* target = fast_int_variable(left);
    if (slot.number != nullptr) {
        if (target != nullptr && sources.count == 0 && !value_under_iteration(target) &&
            int64_compound(*target->int_data(), *slot.number, op))
            return true;
        // Back into the cell the right side would have made.
        sources.append(RESULT_ITEM{new_int_cell(std::move(slot.number)),
                                   right->evaluator == call_named_routine ? access_function_result : access_expression,
                                   1});
    }
    if (sources.count != 1) target = nullptr;
    UNION_DATA* value = target != nullptr ? follow_aliases(sources.head->item.cell) : nullptr;
    if (value == nullptr || lower_tag(value->tag) != tag_int || value->payload == nullptr ||
        value_under_iteration(target)) {
        push_result_list(right, new RESULT_LIST(std::move(sources)));
        return false;
    }
    target->skip_flag = 1;
    const char* message = rule(target, value);
    target->skip_flag = 0;
    if (message != nullptr) raise_system_error(node, message);
    return true;
}

// The caller's variable a ":$" input parameter stands for, as an assignment
// to the parameter reaches it: the one cell its call-alias leads to, when
// that is no link itself; null for any other name or binding.
UNION_DATA* variable_input_target(const TOKEN* declaration) {
    if (declaration == nullptr || declaration->member_slot >= 0 || declaration->arg_role != arg_role_variable_input)
        return nullptr;
    UNION_DATA* cell = top_cell(declaration);
    if (cell == nullptr || lower_tag(cell->tag) != tag_call_alias || cell->access_mode != access_variable)
        return nullptr;
    UNION_DATA* target = cell->target();
    return target == nullptr || is_link_cell(target) ? nullptr : target;
}

// The str a plain name stands for when it is an assignable variable holding
// a defined text (declared str, or an any variable holding one), or a ":$"
// input parameter whose caller's variable is such a one; null otherwise.
inline bool assignable_text(const UNION_DATA* cell) {
    return cell != nullptr && lower_tag(cell->tag) == tag_str && cell->payload != nullptr &&
           cell->access_mode == access_variable;
}
inline UNION_DATA* text_variable(TOKEN* node) {
    if (node->evaluator != eval_variable) return nullptr;
    UNION_DATA* cell = declared_plain_cell(node->declaration);
    if (assignable_text(cell)) return cell;
    // Looked for only once a plain variable is ruled out.
    cell = variable_input_target(node->declaration);
    return assignable_text(cell) ? cell : nullptr;
}

// The text and char a right operand of `+=` on a text gives, as the
// operator reads it (links followed); null for anything else, an undefined
// value among it, which the general path refuses with its message.
UNION_DATA* appendable_value(UNION_DATA* cell) {
    UNION_DATA* value = follow_link(follow_aliases(cell));
    const char tag = lower_tag(value->tag);
    return (tag == tag_str || tag == tag_char) && is_defined_value(value) ? value : nullptr;
}

// Appends such a value to a text; a text appended to itself doubles once.
void append_value(STR_DATA& str, UNION_DATA* value) {
    if (lower_tag(value->tag) == tag_char) {
        if (value->char_byte() != 0) str.text += value->char_byte();
    } else {
        make_room(str.text, value->str_data()->text.size());
        str.text.append(value->str_data()->text);
    }
    str.reset_read();
}

// The text a statement bound as name += text appends to: the variable's
// text while nothing is parked on either side and the variable holds one;
// null otherwise, when the general path runs the statement.
UNION_DATA* bound_text_target(TOKEN* node) {
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    if (left->block_mode == block_mode_running || right->block_mode == block_mode_running ||
        !left->result_stack.empty() || !right->result_stack.empty())
        return nullptr;
    return text_variable(left);
}

// name = str:(a, ...) on a text variable, where every argument is read as
// the conversion reads inert arguments (members of the current object
// among them): the variable takes the new text in place, as a plain copy of
// the conversion's result gives it. The conversion makes its text without
// a receiver only when the current object, if any, is an object. False,
// with nothing read or changed, for every other shape, value or format.
bool fast_conversion_store(TOKEN* node, RESULT_ITEM this_item) {
    TOKEN* right = node->right;
    if (node->left == nullptr || right == nullptr || !is_text_conversion(right) || !plain_text_format()) return false;
    if (this_item.cell != nullptr && base_type_code(follow_aliases(this_item.cell)) != tag_object) return false;
    if (!single_operand(right)) return false;
    UNION_DATA* target = bound_text_target(node);
    if (target == nullptr) return false;
    TEXT_PIECES pieces;
    {
        const FAST_MEMBERS members(this_item);
        if (!pieces.read(right->right->left)) return false;
    }
    std::string text;  // the target may be among the pieces
    pieces.write(text);
    STR_DATA& str = *target->str_data();
    str.text = std::move(text);
    str.reset_read();
    return true;
}

// name += "text": the literal's text is appended where it stands.
bool append_literal(TOKEN* node) {
    UNION_DATA* target = bound_text_target(node);
    if (target == nullptr) return false;
    STR_DATA& str = *target->str_data();
    if (node->right->text) {
        make_room(str.text, node->right->text->size());
        str.text += *node->right->text;
    }
    str.reset_read();
    return true;
}

// name += str:(a, ...) where every argument is a variable or a literal
// whose value the call hands over as it stands: the arguments' texts go
// straight into the variable's text, with no text in between. False, with
// nothing evaluated or changed, when the target holds no text, an argument
// has another shape or a value other than an int, a str or a char, or the
// format writes values otherwise; the general path then runs the
// conversion.
bool append_conversion(TOKEN* node) {
    if (!plain_text_format()) return false;
    UNION_DATA* target = bound_text_target(node);
    if (target == nullptr) return false;
    TEXT_PIECES pieces;
    if (!pieces.read(node->right->right->left)) return false;
    STR_DATA& str = *target->str_data();
    make_room(str.text, 64);
    // An argument that is the target itself gives what it held before.
    pieces.write(str.text, str.text.size());
    str.reset_read();
    return true;
}

// name += e on a plain variable holding a text: the text or char e gives is
// appended in place, by the rule of the general path, without a pair of
// frames or a copy of either text. True when the statement is done; false,
// with nothing evaluated, when the statement has another shape, or with
// what was evaluated parked on the right side for the general path's frame.
bool fast_text_append(TOKEN* node, RESULT_ITEM this_item) {
    if (!one_operand_each(node)) return false;
    UNION_DATA* target = text_variable(node->left);
    if (target == nullptr) return false;
    TOKEN* right = node->right;
    const EVAL_HANDLER handler = right->evaluator;
    // Operands that run nothing are read where they are.
    if (handler == eval_str_literal) {
        STR_DATA& str = *target->str_data();
        if (right->text) str.text += *right->text;
        str.reset_read();
        return true;
    }
    if (handler == eval_variable) {
        UNION_DATA* cell = plain_variable(right);
        UNION_DATA* value = cell != nullptr ? appendable_value(cell) : nullptr;
        if (value == nullptr) return false;
        append_value(*target->str_data(), value);
        return true;
    }
    RESULT_LIST sources;
    {
        // The target is a plain variable: an element is used at once.
        const ELEMENT_USED_AT_ONCE grant(is_any_cell(target) ? nullptr : element_call(right));
        if (handler != eval_plus) {
            eval_cached(right, this_item, sources);
        } else {
            // A sum of texts goes straight into the target, or, when its
            // operands run code, is made in a text of its own first.
            std::string made;
            switch (eval_text_sum_into(right, this_item, target->str_data()->text, made, sources)) {
            case SUM_INTO::appended: target->str_data()->reset_read(); return true;
            case SUM_INTO::made:
                if (exception_pending()) return true;  // the text stays as it was
                // The code may have changed what the left names.
                if (UNION_DATA* now = text_variable(node->left)) {
                    STR_DATA& str = *now->str_data();
                    make_room(str.text, made.size());
                    str.text += made;
                    str.reset_read();
                    return true;
                }
                sources.append(make_str_value(std::move(made)));
                sources.tail->item.mode = access_expression;  // as the sum's own cell
                push_result_list(right, new RESULT_LIST(std::move(sources)));
                return false;
            case SUM_INTO::evaluated: break;
            case SUM_INTO::declined: eval_cached(right, this_item, sources); break;
            }
        }
    }
    if (exception_pending()) return true;
    // The right side may have changed what the left names.
    target = sources.count == 1 ? text_variable(node->left) : nullptr;
    UNION_DATA* value = target != nullptr ? appendable_value(sources.head->item.cell) : nullptr;
    if (value == nullptr) {
        push_result_list(right, new RESULT_LIST(std::move(sources)));
        return false;
    }
    append_value(*target->str_data(), value);
    return true;
}

// The hash a receiver name stands for when h[k] = e may write its element
// in place: a plain variable, or a member of the current object reached
// through a variable object, holding a defined hash by value that is no
// constant and that no walk holds (the element call refuses a new pair
// then); null otherwise.
HASH_DATA* writable_hash(TOKEN* name, RESULT_ITEM this_item) {
    if (name->evaluator != eval_variable) return nullptr;
    const TOKEN* declaration = name->declaration;
    // A member name is no plain variable: its cell is looked for at once.
    UNION_DATA* cell = nullptr;
    if (declaration != nullptr && declaration->member_slot >= 0) {
        if (is_variable_mode(this_item.mode)) cell = current_member_cell(name, this_item);
    } else {
        cell = declared_plain_cell(declaration);
    }
    // A variable made to refer to a hash (h @ other) writes that hash, unless
    // the reference is read-only; so does one made to a hash an element or an
    // any variable holds.
    const bool referred = cell != nullptr && cell->tag == tag_reference && cell->access_mode == access_variable;
    if (referred) cell = cell->target();
    if (cell == nullptr || (cell->tag != tag_hash && (!referred || cell->tag != raise_tag(tag_hash))) ||
        cell->payload == nullptr || cell->access_mode != access_variable)
        return nullptr;
    HASH_DATA* hash = cell->hash_data();
    return hash->iteration_count == 0 ? hash : nullptr;
}

// The int or str a key name holds, through its aliases, as the element
// call takes its argument: a variable of the running activation or a
// parameter; null for any other node or value.
UNION_DATA* plain_key_name(TOKEN* name) {
    if (name->evaluator != eval_variable) return nullptr;
    const TOKEN* declaration = name->declaration;
    if (declaration == nullptr || declaration->member_slot >= 0) return nullptr;
    UNION_DATA* cell = top_cell(declaration);
    cell = cell != nullptr ? follow_aliases(cell) : nullptr;
    if (cell == nullptr || cell->payload == nullptr) return nullptr;
    const char tag = lower_tag(cell->tag);
    return tag == tag_int || tag == tag_str ? cell : nullptr;
}

// h[k] = e for a key the hash lacks: the pair is made with an empty value,
// as the element call makes it, and the number assigned to that value by
// the rule of the general path. Int and str keys are copied without fail.
bool store_new_element(TOKEN* node, HASH_DATA& hash, UNION_DATA* key, const HASH_DATA::KEY_PLACE& place,
                       int64_t value) {
    // A null value makes the pair's value the empty any cell.
    UNION_DATA* element = hash.insert(key, 0, nullptr, 0, nullptr, place);
    if (element->tag == tag_any && element->payload == nullptr && element->referrers == nullptr) {
        // What the assignment does to an empty any cell nothing links to: the
        // number goes in the payload word when it fits, else in a record.
        if (!make_inline_int(value, element->payload)) element->payload = new INT_DATA(static_cast<long>(value));
        element->tag = raise_tag(tag_int);
        return true;
    }
    UNION_DATA number(tag_nothing);
    number.tag = tag_int;
    if (!make_inline_int(value, number.payload)) number.payload = new INT_DATA(static_cast<long>(value));
    element->skip_flag = 1;
    const char* message = assign_value(element, &number);
    element->skip_flag = 0;
    if (message != nullptr) raise_system_error(node, message);
    return true;
}

// Whether the target of an assignment is a member access, as h[k] is: the
// one test the other statements pay for fast_hash_element_store.
inline bool element_target(const TOKEN* node) { return node->left != nullptr && node->left->evaluator == eval_member; }

// Whether a statement has the shape of h[k] = e (or += e, -= e) as the
// parser made it: fixed for the node, so the executors bound after a first
// store skip this test.
bool hash_element_shape(const TOKEN* node) {
    const TOKEN* left = node->left;
    if (left == nullptr || node->right == nullptr || left->evaluator != eval_member || left->op1 != '.' ||
        left->left == nullptr)
        return false;
    const TOKEN* part = left->right;
    return part != nullptr && is_call_token(part) && part->left != nullptr && is_element_call(part);
}

// fast_hash_element_store for a statement of hash_element_shape.
bool store_hash_element(TOKEN* node, char op, RESULT_ITEM this_item) {
    TOKEN* left = node->left;
    const TOKEN* part = left->right;
    HASH_DATA* hash = writable_hash(left->left, this_item);
    if (hash == nullptr) return false;
    int64_t value = 0;
    if (!fast_int(node->right, value)) return false;
    // A key name, a text built without running code, or else a key that
    // reads as a fast int, looked up in a cell of its own as the element
    // call would be given it.
    // The key cell of a number is made only when a lookup or a new pair
    // needs it.
    std::optional<UNION_DATA> number_key;
    HASH_DATA::KEY_PLACE place;
    UNION_DATA* element = nullptr;
    UNION_DATA* key = plain_key_name(part->left);
    int64_t key_number = 0;
    if (key != nullptr) {
        // An int key within 64 bits is looked up by its number, as a
        // number key is; any other goes by the general lookup.
        if (lower_tag(key->tag) != tag_int || !cell_int64(key, key_number) ||
            !hash->find_int(key_number, element, place))
            element = hash->get(key, false, place);
    } else if ((key = fast_hash_key(part->left)) != nullptr) {
        // A text made for the store: a new pair needs its bucket too.
        element =
            op == '=' && lower_tag(key->tag) == tag_str ? hash->get_text_key(key, place) : hash->get(key, false, place);
    } else if (part->left->evaluator == eval_char_literal) {
        // A char key finds a pair the hash has; a new pair takes the general path.
        element = hash->get(fast_hash_char_key(part->left), false, place);
        if (element == nullptr) return false;
    } else {
        int64_t number = 0;
        void* word = nullptr;
        if (!fast_int(part->left, number) || !make_inline_int(number, word)) return false;
        const bool found = hash->find_int(number, element, place);
        if (!found || (element == nullptr && op == '=')) {
            key = &number_key.emplace(tag_nothing);
            key->tag = tag_int;  // the number in the payload word, no record
            key->payload = word;
        }
        if (!found) element = hash->get(key, false, place);
    }
    if (element == nullptr && op == '=') return store_new_element(node, *hash, key, place, value);
    if (element == nullptr || (element->tag != tag_int && element->tag != raise_tag(tag_int)) ||
        element->payload == nullptr || element->access_mode != access_variable || value_under_iteration(element))
        return false;
    if (op != '=') {
        int64_t current = 0;
        if (!cell_int64(element, current)) return false;
        // A zero that keeps its sign is left to the general rule.
        if (current == 0 && !is_inline_int(element->payload) && element->int_data()->sign() < 0) return false;
        if (!fast_operation(op, current, value, value)) return false;
    }
    // A number in the payload word stays one.
    if (is_inline_int(element->payload)) return make_inline_int(value, element->payload);
    element->int_data()->assign_int64(value);
    return true;
}

// h[k] = e, h[k] += e and h[k] -= e (op '=', '+' or '-') where h names a
// hash as writable_hash finds it, k is an int or str key read without
// running code and e reads as a fast int. A pair's value that is a defined
// int no walk holds takes the number in place, in its own form, as the
// general path's alias of the element would have it written; h[k] = e
// with a new key makes the pair. False, with nothing changed, for every
// other case; the general path then runs.
bool fast_hash_element_store(TOKEN* node, char op, RESULT_ITEM this_item) {
    return hash_element_shape(node) && store_hash_element(node, op, this_item);
}

}  // namespace

void exec_assignment(TOKEN* node, RESULT_ITEM this_item, VALUE_RULE rule, const char* op) {
    if (single_pair_assignment(node, this_item, rule, op)) return;
    if (assign_to_names(node, this_item, rule, op)) return;
    assign_by_frames(node, this_item, rule, op);
}

namespace {

// The executor of an assignment that has copied a bool, char or oper in
// place: it tries that copy first from then on, and the whole chain of
// exec_assign when the copy does not apply.
void exec_scalar_assign(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_scalar_copy(node)) return;
    exec_assign(node, this_item);
}

// The same for a truth stored in a bool variable.
void exec_truth_assign(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_truth_store(node, this_item)) return;
    exec_assign(node, this_item);
}

// The same for h[k] = e once the hash's element path has taken it: the
// paths before it in exec_assign all decline a hash element, so it goes
// first; anything it declines takes the whole chain.
void exec_hash_element_assign(TOKEN* node, RESULT_ITEM this_item) {
    if (store_hash_element(node, '=', this_item)) return;
    exec_assign(node, this_item);
}

// The executor of an assignment that has stored into a list element in
// place (l[i] = e): the other fast paths look for a variable or an array
// slot on the left and cannot take such a statement, so the store is tried
// first from then on, and the whole chain of exec_assign when it does not
// apply.
void exec_element_assign(TOKEN* node, RESULT_ITEM this_item) {
    if (read_with_members(this_item, [node] { return fast_element_store(node); })) return;
    exec_assign(node, this_item);
}

// The roads of name = e after the call road, which may leave the right
// side evaluated and parked on its node: each of them reads it from there.
bool roads_after_call(TOKEN* node, RESULT_ITEM this_item);

// The executors bound once the int copy, the text store, the conversion
// store or the call road has answered a statement twice running: that road
// goes first from then on, and anything it declines takes the whole chain.
void exec_int_copy_assign(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_int_copy(node)) return;
    exec_assign(node, this_item);
}

void exec_text_assign(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_text_store(node)) return;
    exec_assign(node, this_item);
}

void exec_conversion_assign(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_conversion_store(node, this_item)) return;
    exec_assign(node, this_item);
}

// Whether the last statement to reach the later roads in the node's slot
// was the node itself: a road binds its executor at the second answer in a
// row, not the first, since a statement's first run finds its operands'
// handlers unbound and the int roads, which go before, declining for that
// alone.
bool answered_before(const TOKEN* node) {
    static const TOKEN* answered[256];
    const TOKEN*& slot = answered[(reinterpret_cast<uintptr_t>(node) / alignof(TOKEN)) % 256];
    if (slot == node) return true;
    slot = node;
    return false;
}

// The int roads go before the call road as they do in the chain, unless
// they keep declining the statement (a call's result is no number they
// read): then they are tried only now and then.
struct INT_ROAD_KIND;
using INT_ROAD_HINTS = DECLINE_HINTS<INT_ROAD_KIND>;

// x = f(...) on a plain int variable where the call runs its routine on
// machine ints at once: the number goes into the variable in place. Such a
// routine has no effect, so where the number cannot go in place the
// general road makes the call again.
bool int_call_assignment(TOKEN* node) {
    if constexpr (!fast_paths) return false;
    TOKEN* right = node->right;
    if (node->left == nullptr || right == nullptr || right->evaluator != call_named_routine ||
        right->block_mode != block_mode_none || !right->result_stack.empty() || !int_call_planned(right))
        return false;
    UNION_DATA* target = fast_int_variable(node->left);
    int64_t value = 0;
    return target != nullptr && run_planned_int_call(right, value) && !value_under_iteration(target) &&
           assign_machine_int(target, value);
}

// The call road declines either before it evaluates anything, or after,
// with the right side's results parked on its node: those are taken up
// where the chain would take them up.
void exec_call_assign(TOKEN* node, RESULT_ITEM this_item) {
    if (int_call_assignment(node)) return;
    INT_ROAD_HINTS::SLOT& hint = INT_ROAD_HINTS::slot_of(node);
    if (!INT_ROAD_HINTS::skips(hint, node)) {
        if (fast_slot_assignment(node, '=') || fast_int_assignment(node, '=', this_item)) {
            INT_ROAD_HINTS::answered(hint, node);
            return;
        }
        INT_ROAD_HINTS::declined(hint, node);
    }
    const size_t parked = node->right != nullptr ? node->right->result_stack.size() : 0;
    if (fast_call_assignment(node, this_item)) return;
    if (node->right == nullptr || node->right->result_stack.size() == parked) {
        exec_assign(node, this_item);
        return;
    }
    if (!roads_after_call(node, this_item)) exec_assignment(node, this_item, assign_value, "=");
}

}  // namespace

bool is_assign_executor(EXEC_HANDLER executor) {
    return executor == exec_assign || executor == exec_call_assign || executor == exec_int_copy_assign ||
           executor == exec_text_assign || executor == exec_conversion_assign;
}

bool stores_elements_as_assign(EXEC_HANDLER executor) {
    return is_assign_executor(executor) || executor == exec_element_assign;
}

bool long_int_assignment(TOKEN* node) {
    if constexpr (!fast_paths) return false;
    if (!is_assign_executor(node->executor) || node->left == nullptr || node->right == nullptr ||
        node->left->evaluator != eval_variable || on_array_variable(node->left))
        return false;
    return node->right->evaluator == eval_variable ? fast_int_copy(node) : long_sum_assignment(node);
}

// The statements whose fast roads all declined (see DECLINE_HINTS).
struct ASSIGNMENT_KIND;
using ASSIGNMENT_HINTS = DECLINE_HINTS<ASSIGNMENT_KIND>;

namespace {

// name = e on the fast roads after the int ones; false, with nothing done,
// when they all decline.
bool assign_by_roads(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_scalar_copy(node)) {
        // The int paths fail for this statement's shape at some cost; the
        // binding spares later runs that.
        node->executor = exec_scalar_assign;
        return true;
    }
    if (read_with_members(this_item, [node] { return fast_element_store(node); })) {
        node->executor = exec_element_assign;
        return true;
    }
    if (fast_int_copy(node)) {
        if (answered_before(node)) node->executor = exec_int_copy_assign;
        return true;
    }
    if (fast_text_store(node)) {
        if (answered_before(node)) node->executor = exec_text_assign;
        return true;
    }
    if (fast_conversion_store(node, this_item)) {
        if (answered_before(node)) node->executor = exec_conversion_assign;
        return true;
    }
    if (fast_call_assignment(node, this_item)) {
        if (answered_before(node)) node->executor = exec_call_assign;
        return true;
    }
    return roads_after_call(node, this_item);
}

bool roads_after_call(TOKEN* node, RESULT_ITEM this_item) {
    if (element_target(node) && fast_hash_element_store(node, '=', this_item)) {
        node->executor = exec_hash_element_assign;
        return true;
    }
    if (fast_truth_store(node, this_item)) {
        node->executor = exec_truth_assign;
        return true;
    }
    return false;
}

// name op e (road_op '=', '+' or '-'): the int roads, the commonest
// answers; then the statement's other roads unless its hint holds them
// back; then the general road with the rule.
template <bool (*ROADS)(TOKEN*, RESULT_ITEM)>
void assign_by_roads_or_rule(TOKEN* node, RESULT_ITEM this_item, char road_op, VALUE_RULE rule, const char* op) {
    if (fast_slot_assignment(node, road_op)) return;
    if (fast_int_assignment(node, road_op, this_item)) return;
    ASSIGNMENT_HINTS::SLOT& hint = ASSIGNMENT_HINTS::slot_of(node);
    if (!ASSIGNMENT_HINTS::skips(hint, node)) {
        if (ROADS(node, this_item)) {
            ASSIGNMENT_HINTS::answered(hint, node);
            return;
        }
        ASSIGNMENT_HINTS::declined(hint, node);
    }
    exec_assignment(node, this_item, rule, op);
}

}  // namespace

void exec_assign(TOKEN* node, RESULT_ITEM this_item) {
    if constexpr (!fast_paths) {
        exec_assignment(node, this_item, assign_value, "=");
        return;
    }
    assign_by_roads_or_rule<assign_by_roads>(node, this_item, '=', assign_value, "=");
}

void exec_assign_ref(TOKEN* node, RESULT_ITEM this_item) { exec_assignment(node, this_item, assign_ref_rule, "@"); }

void exec_assign_alias(TOKEN* node, RESULT_ITEM this_item) { exec_assignment(node, this_item, assign_alias_rule, "$"); }

void exec_move(TOKEN* node, RESULT_ITEM this_item) { exec_assignment(node, this_item, move_value, "~"); }

void exec_assign_or_ref(TOKEN* node, RESULT_ITEM this_item) {
    exec_assignment(node, this_item, assign_or_ref_rule, "?");
}

namespace {

void add_assign(TOKEN* node, RESULT_ITEM this_item);

// The executor of name += e once e has been appended to the text name
// holds: while name holds one, the int and element ways, which decline
// such a target before evaluating anything, are not asked.
void exec_append_to_text(TOKEN* node, RESULT_ITEM this_item);

// h[k] += e and h[k] -= e once the hash's element path has taken them, as
// exec_hash_element_assign does for h[k] = e: the paths before it decline
// a hash element.
void exec_hash_element_add(TOKEN* node, RESULT_ITEM this_item) {
    if (store_hash_element(node, '+', this_item)) return;
    add_assign(node, this_item);
}

void exec_hash_element_sub(TOKEN* node, RESULT_ITEM this_item) {
    if (store_hash_element(node, '-', this_item)) return;
    exec_sub_assign(node, this_item);
}

// l[i] op= e once a list's int element has taken it in place: the roads
// for names and slots decline an element, so the element's is tried first
// from then on, and the statement's own chain when it declines.
template <char op>
bool element_update(TOKEN* node, RESULT_ITEM this_item);
template <char op>
void exec_element_update(TOKEN* node, RESULT_ITEM this_item) {
    if (element_update<op>(node, this_item)) return;
    if constexpr (op == '+') add_assign(node, this_item);
    else if constexpr (op == '-') exec_sub_assign(node, this_item);
    else if constexpr (op == '*') exec_mul_assign(node, this_item);
    else if constexpr (op == '/') exec_div_assign(node, this_item);
    else exec_mod_assign(node, this_item);
}

// l[i] op= e on an int element of a list as l[i] = e finds it (l a list
// member of the current object too), e read as a fast int and the machine
// result as fast_operation gives it, stored in place; the statement is
// bound to exec_element_update. False, with nothing changed, otherwise (a
// zero that keeps its sign among them).
template <char op>
bool element_update(TOKEN* node, RESULT_ITEM this_item) {
    if constexpr (!fast_paths) return false;
    if (!element_target(node)) return false;
    const bool done = read_with_members(this_item, [node] {
        UNION_DATA* element = fast_stored_element(node->left);
        int64_t current = 0;
        int64_t value = 0;
        return element != nullptr && cell_int(element, current) && fast_int(node->right, value) &&
               fast_operation(op, current, value, value) &&
               (current != 0 || is_inline_int(element->payload) || element->int_data()->sign() >= 0) &&
               fast_store_int_element(element, value);
    });
    if (done) node->executor = exec_element_update<op>;
    return done;
}

// name += e on the fast roads after the int ones; false, with nothing done
// but what the general road takes over, when they all decline.
bool add_by_roads(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_compound_assignment(node, this_item, op_add_assign, '+')) return true;
    if (element_update<'+'>(node, this_item)) return true;
    if (element_target(node) && fast_hash_element_store(node, '+', this_item)) {
        node->executor = exec_hash_element_add;
        return true;
    }
    if (fast_text_append(node, this_item)) {
        if (node->executor == exec_add_assign) node->executor = exec_append_to_text;
        return true;
    }
    return false;
}

void add_assign(TOKEN* node, RESULT_ITEM this_item) {
    if constexpr (!fast_paths) {
        exec_assignment(node, this_item, op_add_assign, "+=");
        return;
    }
    assign_by_roads_or_rule<add_by_roads>(node, this_item, '+', op_add_assign, "+=");
}

// The executors of name += "text" and name += str:(...), bound on the
// statement's first run.
void exec_append_literal(TOKEN* node, RESULT_ITEM this_item) {
    if (append_literal(node)) return;
    add_assign(node, this_item);
}

void exec_append_conversion(TOKEN* node, RESULT_ITEM this_item) {
    if (append_conversion(node)) return;
    add_assign(node, this_item);
}

void exec_append_to_text(TOKEN* node, RESULT_ITEM this_item) {
    if (text_variable(node->left) == nullptr) {
        add_assign(node, this_item);
        return;
    }
    if (fast_text_append(node, this_item)) return;
    exec_assignment(node, this_item, op_add_assign, "+=");
}

}  // namespace

void exec_add_assign(TOKEN* node, RESULT_ITEM this_item) {
    if constexpr (!fast_paths) {
        add_assign(node, this_item);
        return;
    }
    // A right side that can only be a text stays what it is: the statement
    // is bound once to an executor that tries the text's append first.
    TOKEN* right = node->right;
    const bool text_shape = right != nullptr && (right->evaluator == eval_str_literal || is_text_conversion(right)) &&
                            node->left != nullptr && node->left->evaluator == eval_variable && single_operand(right);
    if (text_shape) {
        node->executor = right->evaluator == eval_str_literal ? exec_append_literal : exec_append_conversion;
        node->executor(node, this_item);
        return;
    }
    add_assign(node, this_item);
}

namespace {

// name -= e on the fast roads after the int ones, as add_by_roads.
bool sub_by_roads(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_compound_assignment(node, this_item, op_sub_assign, '-')) return true;
    if (element_update<'-'>(node, this_item)) return true;
    if (element_target(node) && fast_hash_element_store(node, '-', this_item)) {
        node->executor = exec_hash_element_sub;
        return true;
    }
    return false;
}

}  // namespace

void exec_sub_assign(TOKEN* node, RESULT_ITEM this_item) {
    if constexpr (!fast_paths) {
        exec_assignment(node, this_item, op_sub_assign, "-=");
        return;
    }
    assign_by_roads_or_rule<sub_by_roads>(node, this_item, '-', op_sub_assign, "-=");
}

void exec_mul_assign(TOKEN* node, RESULT_ITEM this_item) {
    if constexpr (!fast_paths) {
        exec_assignment(node, this_item, op_mul_assign, "*=");
        return;
    }
    if (fast_slot_assignment(node, '*')) return;
    if (fast_int_assignment(node, '*', this_item)) return;
    if (fast_compound_assignment(node, this_item, op_mul_assign, '*')) return;
    if (element_update<'*'>(node, this_item)) return;
    exec_assignment(node, this_item, op_mul_assign, "*=");
}

void exec_div_assign(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_slot_assignment(node, '/')) return;
    if (element_update<'/'>(node, this_item)) return;
    exec_assignment(node, this_item, op_div_assign, "/=");
}

void exec_mod_assign(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_slot_assignment(node, '%')) return;
    if (element_update<'%'>(node, this_item)) return;
    exec_assignment(node, this_item, op_mod_assign, "%=");
}

void exec_pow_assign(TOKEN* node, RESULT_ITEM this_item) { exec_assignment(node, this_item, op_pow_assign, "^="); }

}  // namespace morvu
