// The arithmetic operators. A node handler evaluates both operands through
// argument frames and hands item 0 of each to the value routine; the value
// routine computes "a op b" as a new cell holding a copy of a, to which the
// compound operation ("+=" and its sisters) applies b. Objects of user types
// take part through their own compound-assignment methods.

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "eval/arg_frame.h"
#include "eval/operator_handlers.h"

#include "eval/evaluator.h"
#include "eval/fast_path.h"
#include "eval/member_access.h"
#include "eval/names.h"
#include "eval/text_pieces.h"
#include "exec/block_exec.h"
#include "exec/pending_exception.h"
#include "exec/user_call.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"
#include "values/factories.h"
#include "values/result_list.h"
#include "values/saved_text.h"
#include "values/union_data.h"
#include "values/value_operators.h"

namespace morvu {

namespace {

using COMPOUND_OPERATION = const char* (*)(UNION_DATA* left, UNION_DATA* right);
using VALUE_ROUTINE = void (*)(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results);

// One binary operator: its name in errors, the built-in compound operation
// and the name of the user type's operator method.
struct ARITH_OPERATOR {
    const char* name;
    COMPOUND_OPERATION operation;
    const char* user_method;
    bool commutative;  // retried with the operands exchanged
};

constexpr ARITH_OPERATOR plus_operator{"+", op_add_assign, "+=", true};
constexpr ARITH_OPERATOR minus_operator{"-", op_sub_assign, "-=", false};
constexpr ARITH_OPERATOR times_operator{"*", op_mul_assign, "*=", true};
constexpr ARITH_OPERATOR divide_operator{"/", op_div_assign, "/=", false};
constexpr ARITH_OPERATOR modulo_operator{"%", op_mod_assign, "%=", false};
constexpr ARITH_OPERATOR caret_operator{"^", op_pow_assign, "^=", false};

// Raises the count error of an operand frame that does not hold exactly one
// value, with the operand's side.
void require_one_operand(const ARG_FRAME& frame, TOKEN* node, const char* name) {
    if (frame.check_count(1) != nullptr)
        raise_error(node, routine_kind_operator, name, frame.message(true), error_kind_system);
}

// Chains of one operator shorter than this recurse as usual.
constexpr size_t long_chain = 64;

// Whether the operand continues the chain of the node's operator: a node of
// the same handler, evaluated as an operand frame would evaluate it (no
// block, nothing parked on it). A node not evaluated yet has the operator
// characters that choose that handler; it is given the handler now, as its
// first evaluation would give it.
bool continues_chain(TOKEN* operand, const TOKEN* node, EVAL_HANDLER handler) {
    if (operand == nullptr || operand->block_mode != block_mode_none || !operand->result_stack.empty()) return false;
    if (operand->evaluator == handler) return true;
    if (operand->evaluator != eval_node || operand->number || operand->op1 != node->op1 || operand->op2 != node->op2 ||
        (operand->left == nullptr && operand->right == nullptr))
        return false;
    operand->evaluator = handler;
    return true;
}

// The nodes of the chain from node down its `left` (or `right`) operands,
// node first; empty when the chain is shorter than long_chain.
std::vector<TOKEN*> long_chain_below(TOKEN* node, EVAL_HANDLER handler, bool down_left) {
    size_t length = 1;
    for (TOKEN* at = down_left ? node->left : node->right; length < long_chain && continues_chain(at, node, handler);
         at = down_left ? at->left : at->right)
        ++length;
    if (length < long_chain) return {};
    std::vector<TOKEN*> chain{node};
    for (TOKEN* at = down_left ? node->left : node->right; continues_chain(at, node, handler);
         at = down_left ? at->left : at->right)
        chain.push_back(at);
    return chain;
}

// The operand that the level below produced must be exactly one value, as
// an operand frame would require it.
RESULT_ITEM single_operand(const RESULT_LIST& list, TOKEN* node, const char* name, bool left_side) {
    if (list.count != 1) {
        std::string message = msg_text("erwgen1arg");
        message += ' ';
        message += msg_text(left_side ? "auflinsei" : "aufrecsei");
        raise_error(node, routine_kind_operator, name, message, error_kind_system);
    }
    return list.head->item;
}

// Whether an operand frame would evaluate the operand alone, as
// eval_cached does: nothing is parked on it, and its argument list is the
// operand itself (no ',' list, no bracket groups).
bool lone_frame_operand(TOKEN* operand) {
    if (operand == nullptr || !operand->result_stack.empty()) return false;
    const TOKEN_LIST& arguments = argument_list_of(operand);
    return arguments.count() == 1 && arguments[0] == operand;
}

// The one value of an operand evaluated as a lone frame operand, with the
// message its frame's count check gives when there is not exactly one.
RESULT_ITEM lone_operand_value(const RESULT_LIST& list, TOKEN* node, TOKEN* operand, const char* name) {
    if (list.count == 1) [[likely]]
        return list.head->item;
    std::string text = msg_text("erwgen1arg");
    const TOKEN* parent = operand->parent;
    if (parent != nullptr && !parent->number && !parent->text &&
        !((parent->op1 == '"' || parent->op1 == '\'') && parent->op2 == 0)) {
        text += ' ';
        text += msg_text(parent->left == operand ? "auflinsei" : "aufrecsei");
    }
    raise_error(node, routine_kind_operator, name, text, error_kind_system);
}

// The operands through frames, then the value routine.
void eval_binary_frames(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, const char* name,
                        VALUE_ROUTINE routine) {
    if (lone_frame_operand(node->left) && lone_frame_operand(node->right)) {
        // What two frames do, without their item arrays: each operand's
        // holds end after its list, the right one's first, and the left
        // operand is held while a right operand that may run code runs.
        const HOLD_SCOPE left_holds;
        RESULT_LIST left;
        eval_cached(node->left, this_item, left);
        const RESULT_ITEM left_item = lone_operand_value(left, node, node->left, name);
        if (!evaluates_inertly(node->right)) hold_items(left.head);
        if (lone_frame_operand(node->right)) {
            const HOLD_SCOPE right_holds;
            RESULT_LIST right;
            eval_cached(node->right, this_item, right);
            routine(node, left_item, lone_operand_value(right, node, node->right, name), results);
            return;
        }
        ARG_FRAME right(node->right, this_item, true);
        require_one_operand(right, node, name);
        routine(node, left_item, right[0], results);
        return;
    }
    ARG_FRAME left(node->left, this_item, true);
    require_one_operand(left, node, name);
    if (!evaluates_inertly(node->right)) left.keep_alive();
    ARG_FRAME right(node->right, this_item, true);
    require_one_operand(right, node, name);
    routine(node, left[0], right[0], results);
}

void eval_binary_plain(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, const char* name,
                       VALUE_ROUTINE routine) {
    check_stack_depth(node);
    eval_binary_frames(node, this_item, results, name, routine);
}

// a op b op c ... is a chain down the left operands. A long one is walked
// from its bottom up instead of recursing once per operator: the same
// operands in the same order, each level's result the next level's left
// operand, with the same checks and errors.
void eval_binary(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, const char* name, VALUE_ROUTINE routine,
                 EVAL_HANDLER handler) {
    std::vector<TOKEN*> chain = long_chain_below(node, handler, true);
    if (chain.empty()) {
        eval_binary_plain(node, this_item, results, name, routine);
        return;
    }
    auto below = std::make_unique<RESULT_LIST>();
    eval_binary_plain(chain.back(), this_item, *below, name, routine);
    for (size_t i = chain.size() - 1; i-- > 0;) {
        TOKEN* level = chain[i];
        RESULT_ITEM left = single_operand(*below, level, name, true);
        ARG_FRAME right(level->right, this_item, true);
        require_one_operand(right, level, name);
        if (i == 0) {
            routine(level, left, right[0], results);
            return;
        }
        auto result = std::make_unique<RESULT_LIST>();
        routine(level, left, right[0], *result);
        below = std::move(result);  // the level's left operand goes with its list
    }
}

void eval_unary_plain(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, const char* name,
                      void (*routine)(TOKEN*, RESULT_ITEM, RESULT_LIST&)) {
    check_stack_depth(node);
    ARG_FRAME operand(node->right, this_item, true);
    require_one_operand(operand, node, name);
    routine(node, operand[0], results);
}

// - - - x is a chain down the right operands, walked from its bottom up
// when it is long.
void eval_unary(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, const char* name,
                void (*routine)(TOKEN*, RESULT_ITEM, RESULT_LIST&), EVAL_HANDLER handler) {
    std::vector<TOKEN*> chain = long_chain_below(node, handler, false);
    if (chain.empty()) {
        eval_unary_plain(node, this_item, results, name, routine);
        return;
    }
    auto below = std::make_unique<RESULT_LIST>();
    eval_unary_plain(chain.back(), this_item, *below, name, routine);
    for (size_t i = chain.size() - 1; i-- > 0;) {
        TOKEN* level = chain[i];
        RESULT_ITEM operand = single_operand(*below, level, name, false);
        if (i == 0) {
            routine(level, operand, results);
            return;
        }
        auto result = std::make_unique<RESULT_LIST>();
        routine(level, operand, *result);
        below = std::move(result);
    }
}

// The number of an operand when it holds a non-empty int (one link step
// deep), else null; an int held in its payload word is read into spare.
// Such operands take the short way below.
const INT_DATA* plain_int(UNION_DATA* cell, INT_DATA& spare) {
    UNION_DATA* value = follow_link(cell);
    if (lower_tag(value->tag) != tag_int || value->payload == nullptr) return nullptr;
    const INT_DATA& number = int_view(value, spare);
    return number.is_empty() ? nullptr : &number;
}

// a op b for the operators of the small-int hot path.
INT_DATA int_result(COMPOUND_OPERATION operation, const INT_DATA& a, const INT_DATA& b) {
    if (operation == op_add_assign) return a + b;
    if (operation == op_sub_assign) return a - b;
    if (operation == op_mul_assign) return a * b;
    if (operation == op_div_assign) return a / b;
    return a % b;
}

// The small-int hot path: two non-empty ints under '+', '-', '*', '/' or
// '%' give a new int cell computed in place, with the same value and mode the
// general path gives, but without the assignment rules' checks. A zero
// divisor takes the general path, which reports it. The limbs of small ints
// live inside INT_DATA, and cells and numbers are recycled, so a steady loop
// allocates nothing here.
bool int_shortcut(const ARITH_OPERATOR& op, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results) {
    COMPOUND_OPERATION operation = op.operation;
    bool dividing = operation == op_div_assign || operation == op_mod_assign;
    if (!dividing && operation != op_add_assign && operation != op_sub_assign && operation != op_mul_assign)
        return false;
    INT_DATA left_spare;
    INT_DATA right_spare;
    const INT_DATA* a = plain_int(left.cell, left_spare);
    const INT_DATA* b = plain_int(right.cell, right_spare);
    if (a == nullptr || b == nullptr) return false;
    if (dividing && b->is_zero()) return false;
    INT_DATA value = int_result(operation, *a, *b);
    // A result in a machine integer's plain form lives in the cell's word.
    int64_t small = 0;
    if (value.plain_int64(small)) {
        if (UNION_DATA* cell = new_inline_int_cell(small)) {
            results.append(RESULT_ITEM{cell, access_expression, 1});
            return true;
        }
    }
    std::unique_ptr<INT_DATA> number(new INT_DATA(std::move(value)));
    results.append(RESULT_ITEM{new_int_cell(std::move(number)), access_expression, 1});
    return true;
}

// Runs the user type's operator method on the result cell (the receiver),
// with the right operand as argument; raises when the type has none.
void apply_user_operator(TOKEN* node, const char* name, const char* method, RESULT_ITEM result, RESULT_ITEM operand) {
    if (call_user_operator_status(node, method, result, operand, nullptr) == CALL_OUTCOME::not_defined)
        raise_error(node, routine_kind_operator, name, not_defined_message(), error_kind_system);
}

// The second attempt of a commutative operator whose left type refused the
// right operand: the right operand is the base. A text result keeps the
// operands' order: the left operand's text comes first.
void retry_exchanged(TOKEN* node, const ARITH_OPERATOR& op, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results) {
    char type = base_type_code(right.cell);
    auto* cell = new UNION_DATA(type);
    results.append(RESULT_ITEM{cell, access_function_result, 1});
    if (type == tag_object) {
        const OBJECT_HOLDER* holder = follow_link(right.cell)->holder();
        cell->holder()->type = holder != nullptr ? holder->type : nullptr;
    }
    if (const char* message = assign_value(cell, right.cell))
        raise_error(node, routine_kind_operator, op.name, message, error_kind_system);
    bool is_text = type == tag_str && cell->payload != nullptr;
    size_t right_length = is_text ? cell->str_data()->text.size() : 0;
    if (const char* message = op.operation(cell, left.cell))
        raise_error(node, routine_kind_operator, op.name, message, error_kind_system);
    if (is_text) {
        // The left part was appended after the right text; put it in front.
        std::string& text = cell->str_data()->text;
        std::rotate(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(right_length), text.end());
        cell->str_data()->reset_read();
    }
}

// An operand that is a link to a link (a call-alias of a variable that is
// itself an alias) stands for the value at the chain's end: the operations
// below look one link step deep.
RESULT_ITEM operand_value(RESULT_ITEM item) {
    if (item.cell != nullptr && is_link_cell(item.cell) && item.cell->target() != nullptr &&
        is_link_cell(item.cell->target()))
        item.cell = argument_value(item.cell);
    return item;
}

void value_binary(TOKEN* node, const ARITH_OPERATOR& op, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results) {
    left = operand_value(left);
    right = operand_value(right);
    if (int_shortcut(op, left, right, results)) return;
    RESULT_ITEM result = make_arith_result(node, left, true, 'o', op.name);
    if (base_type_code(left.cell) == tag_object) {
        results.append(result);
        apply_user_operator(node, op.name, op.user_method, result, right);
        return;
    }
    // Held until it is in the list: an operation may throw (a result too large
    // to hold, a zero divisor) and must not leak the cell.
    std::unique_ptr<UNION_DATA> held(result.cell);
    const char* message = op.operation(held.get(), right.cell);
    if (message == nullptr) {
        results.append(result);
        held.release();
        return;
    }
    if (!op.commutative) {
        results.append(result);  // freed by the list's owner
        held.release();
        raise_error(node, routine_kind_operator, op.name, message, error_kind_system);
    }
    held.reset();  // the first attempt's message is dropped
    retry_exchanged(node, op, left, right, results);
}

void value_unary(TOKEN* node, RESULT_ITEM operand, RESULT_LIST& results, const char* name,
                 const char* (*operation)(UNION_DATA*), const char* user_method) {
    operand = operand_value(operand);
    if (base_type_code(operand.cell) == tag_object) {
        // An empty object of the operand's type with the operand applied.
        RESULT_ITEM result = make_arith_result(node, operand, false, 'o', name);
        results.append(result);
        apply_user_operator(node, name, user_method, result, operand);
        return;
    }
    RESULT_ITEM result = make_arith_result(node, operand, true, 'o', name);
    results.append(result);
    if (const char* message = operation(result.cell))
        raise_error(node, routine_kind_operator, name, message, error_kind_system);
}

// A small int as the general path makes the result of + - *: a new int
// cell of access mode 1.
void append_int_cell(RESULT_LIST& results, int64_t value) {
    if (UNION_DATA* cell = new_inline_int_cell(value)) {
        results.append(RESULT_ITEM{cell, access_expression, 1});
        return;
    }
    auto number = std::make_unique<INT_DATA>();
    number->assign_int64(value);
    results.append(RESULT_ITEM{new_int_cell(std::move(number)), access_expression, 1});
}

// The result of an operator (its handler given) on small ints, made as the
// general path makes it.
bool append_fast_int(TOKEN* node, EVAL_HANDLER handler, RESULT_ITEM this_item, RESULT_LIST& results) {
    int64_t value = 0;
    if (!read_with_members(this_item, [node, handler, &value] { return fast_operator_int(node, handler, value); }))
        return false;
    append_int_cell(results, value);
    return true;
}

// The operands that the call form below evaluates, with nothing parked on
// them: a call by name; a member call or access (l.size(), o.n); a sum,
// difference, product, quotient or remainder, read by fast_int, which has no
// effect, or evaluated as a call is when it holds one; a variable or an int
// literal.
enum class CALL_FORM { none, plain, call, member, arithmetic };

CALL_FORM call_form_operand(const TOKEN* operand) {
    if (operand == nullptr || operand->block_mode != block_mode_none || !operand->result_stack.empty())
        return CALL_FORM::none;
    const EVAL_HANDLER handler = operand->evaluator;
    if (handler == call_named_routine) return CALL_FORM::call;
    if (handler == eval_member) return CALL_FORM::member;
    if (handler == eval_plus || handler == eval_minus || handler == eval_times || handler == eval_divide ||
        handler == eval_modulo)
        return CALL_FORM::arithmetic;
    if (handler == eval_variable || handler == eval_int_literal) return CALL_FORM::plain;
    return CALL_FORM::none;
}

// An arithmetic operand one level deep whose own operands are calls,
// members, variables or literals, a call or member among them
// (f(x) * f(y) in f(x) * f(y) / 2): evaluated as a call is, it hands its
// int over as a call does. A deeper one takes the general path, which walks
// long chains without recursing.
bool computes_with_call(const TOKEN* operand) {
    // Most operands hold no call: one look at the two handlers tells them.
    const TOKEN* first = operand->left;
    const TOKEN* second = operand->right;
    if (first == nullptr || second == nullptr ||
        (first->evaluator != call_named_routine && first->evaluator != eval_member &&
         second->evaluator != call_named_routine && second->evaluator != eval_member))
        return false;
    const CALL_FORM left = call_form_operand(operand->left);
    const CALL_FORM right = call_form_operand(operand->right);
    if (left == CALL_FORM::none || right == CALL_FORM::none || left == CALL_FORM::arithmetic ||
        right == CALL_FORM::arithmetic)
        return false;
    return left != CALL_FORM::plain || right != CALL_FORM::plain;
}

// The small int a one-item operand list holds, as int_shortcut reads it.
bool small_int_operand(const RESULT_LIST& list, int64_t& out) {
    if (list.count != 1) return false;
    const UNION_DATA* value = follow_link(list.head->item.cell);
    // cell_int64 refuses the empty number.
    return lower_tag(value->tag) == tag_int && value->payload != nullptr && cell_int64(value, out);
}

// Whether the one item of the list is an owned int temporary as new_int_cell
// makes it: no link to or from it, no variable, no state of an operation.
bool fresh_int_temporary(const RESULT_LIST& list) {
    if (list.count != 1 || list.head->item.owned == 0) return false;
    const UNION_DATA* cell = list.head->item.cell;
    return cell != nullptr && cell->tag == tag_int && cell->payload != nullptr && cell->weak_held == 0 &&
           cell->referrers == nullptr && !is_numbered_cell(cell) && cell->being_written == 0 && cell->skip_flag == 0 &&
           cell->scope_variable == 0 && cell->access_mode == access_variable;
}

// Evaluates an operand of the call form and reads it as small_int_operand
// does. A call may hand its int result over to the slot instead of the list.
bool int_operand(TOKEN* operand, bool is_call, RESULT_ITEM this_item, RESULT_LIST& list, INT_RESULT_SLOT& slot,
                 int64_t& out) {
    if (!is_call) {
        eval_cached(operand, this_item, list);
        return small_int_operand(list, out);
    }
    {
        const INT_RESULT_ASK ask(operand, &slot);
        eval_cached(operand, this_item, list);
    }
    if (slot.number == nullptr) return small_int_operand(list, out);
    return list.count == 0 && !slot.number->is_empty() && slot.number->to_int64(out);
}

// A list parked on the right operand for the general path, which its frame
// takes over. An error about the left operand (a call that left an
// exception pending yields no value) ends the evaluation before that frame
// exists: the list is then freed here, so that nothing leaks and no later
// evaluation of the operand takes stale values for its own.
class PARKED_LIST {
public:
    PARKED_LIST(TOKEN* operand, RESULT_LIST* list) : operand(operand), list(list) {
        push_result_list(operand, list);
        depth = operand->result_stack.size();
    }
    ~PARKED_LIST() {
        std::vector<RESULT_LIST*>& stack = operand->result_stack;
        if (stack.size() == depth && stack.back() == list) {
            stack.pop_back();
            delete list;
        }
    }
    PARKED_LIST(const PARKED_LIST&) = delete;
    PARKED_LIST& operator=(const PARKED_LIST&) = delete;

private:
    TOKEN* operand;
    RESULT_LIST* list;
    size_t depth = 0;
};

// Puts a handed-over number back into its list as the result cell the call
// (or the operator, with access_expression) would have made, for the
// general path.
void restore_result_cell(RESULT_LIST& list, INT_RESULT_SLOT& slot, uint32_t mode = access_function_result) {
    if (slot.number == nullptr) return;
    list.append(RESULT_ITEM{new_int_cell(std::move(slot.number)), mode, 1});
}

// The longest chain of + that the text chain below walks; a longer one
// takes the general path, which walks it without recursing.
constexpr uint32_t text_chain_capacity = 16;

// Whether a frame over the operand would evaluate just the operand itself,
// with nothing parked on it: then eval_cached gives what the frame's list
// would hold.
bool lone_operand(TOKEN* operand) {
    if (operand == nullptr || operand->block_mode != block_mode_none || !operand->result_stack.empty() ||
        operand->evaluator == eval_node)
        return false;
    const TOKEN_LIST& parts = argument_list_of(operand);
    return parts.count() == 1 && parts[0] == operand;
}

// The value of a one-value operand list as value_plus reads it, when that
// is a text (or, on the right, a char) that a text sum appends as it is;
// null for anything else, which the general path decides.
const UNION_DATA* text_piece(const RESULT_LIST& list, bool right_side) {
    if (list.count != 1) return nullptr;
    const RESULT_ITEM item = operand_value(list.head->item);
    if (item.cell == nullptr) return nullptr;
    UNION_DATA* value = follow_link(item.cell);
    const char tag = lower_tag(value->tag);
    if (tag == tag_str) return value->payload != nullptr ? value : nullptr;
    return tag == tag_char && right_side && is_defined_value(value) ? value : nullptr;
}

void append_piece(std::string& text, const UNION_DATA* piece) {
    if (lower_tag(piece->tag) == tag_str) text += piece->str_data()->text;
    else if (piece->scalar.char_byte != 0) text += piece->scalar.char_byte;
}

// Levels i and above of a chain by the general path: the operand lists
// already evaluated for level i are parked where its frames take them
// over, and every level above takes the result below as its left operand.
void finish_by_frames(TOKEN* const* levels, uint32_t i, RESULT_ITEM this_item, RESULT_LIST& results, RESULT_LIST& left,
                      RESULT_LIST* right) {
    push_result_list(levels[i]->left, new RESULT_LIST(std::move(left)));
    std::optional<PARKED_LIST> right_parked;
    if (right != nullptr) right_parked.emplace(levels[i]->right, new RESULT_LIST(std::move(*right)));
    std::unique_ptr<RESULT_LIST> below;
    for (uint32_t j = i + 1; j-- > 0;) {
        if (below != nullptr) push_result_list(levels[j]->left, below.release());
        if (j == 0) break;
        below = std::make_unique<RESULT_LIST>();
        eval_binary_frames(levels[j], this_item, *below, "+", value_plus);
    }
    eval_binary_frames(levels[0], this_item, results, "+", value_plus);
}

// The text of a text literal among a chain's operands, read where it
// stands: evaluating it would copy it into a new cell, read once and freed.
// Null for every other operand.
const std::string* literal_piece(const TOKEN* operand) {
    static const std::string no_text;
    if (operand->evaluator != eval_str_literal) return nullptr;
    return operand->text ? &*operand->text : &no_text;
}

// A new text cell holding `text`, as a sum's result.
RESULT_ITEM text_result(std::string&& text) {
    auto* cell = new UNION_DATA(tag_str);
    cell->str_data()->text = std::move(text);
    return RESULT_ITEM{cell, access_expression, 1};
}

// a + f(x) + " " + b.get(i): a chain of + down the left operands (levels,
// the top first) whose operands are texts, made as one text. The operands
// are evaluated in the general path's order, each into a list of its own
// without a frame (a text literal is read where it stands); the lowest left
// one is read once the right one beside it is evaluated, and held
// meanwhile, as its frame would hold it. The text grows in one string,
// which becomes the one new cell the general path would copy from level to
// level, or, with `into`, is left there for a caller that uses the text at
// once (true then). An operand that does not give one text (or char on the
// right) hands the evaluated lists to the general path at that level,
// which gives its value or its error. `evaluated` is the lowest left
// operand's list when the caller has evaluated it already.
bool text_chain(TOKEN* const* levels, uint32_t n, RESULT_ITEM this_item, RESULT_LIST& results, RESULT_LIST* evaluated,
                std::string* into = nullptr) {
    const HOLD_SCOPE holds;
    TOKEN* bottom = levels[n - 1];
    RESULT_LIST left;
    if (evaluated != nullptr) left = std::move(*evaluated);
    else eval_cached(bottom->left, this_item, left);
    if (left.count != 1) {
        finish_by_frames(levels, n - 1, this_item, results, left, nullptr);
        return false;
    }
    if (!evaluates_inertly(bottom->right)) hold_item(left.head->item);
    RESULT_LIST right;
    const std::string* literal = literal_piece(bottom->right);
    if (literal == nullptr) eval_cached(bottom->right, this_item, right);
    const UNION_DATA* first = text_piece(left, false);
    const UNION_DATA* second = literal == nullptr ? text_piece(right, true) : nullptr;
    // A text that a read or a walk keeps state beside is copied with it.
    if (first == nullptr || (literal == nullptr && second == nullptr) || texts_with_state != 0) {
        if (literal != nullptr) eval_cached(bottom->right, this_item, right);
        finish_by_frames(levels, n - 1, this_item, results, left, &right);
        return false;
    }
    std::string local;
    std::string& text = into != nullptr ? *into : local;
    text = first->str_data()->text;
    if (literal != nullptr) text += *literal;
    else append_piece(text, second);
    for (uint32_t i = n - 1; i-- > 0;) {
        TOKEN* operand = levels[i]->right;
        if (const std::string* piece_text = literal_piece(operand)) {
            text += *piece_text;
            continue;
        }
        clear_value_list(right);
        eval_cached(operand, this_item, right);
        const UNION_DATA* piece = text_piece(right, true);
        if (piece == nullptr || texts_with_state != 0) {
            RESULT_LIST sum;
            sum.append(text_result(std::move(text)));
            finish_by_frames(levels, i, this_item, results, sum, &right);
            return false;
        }
        append_piece(text, piece);
    }
    if (into != nullptr) return true;
    results.append(text_result(std::move(local)));
    return false;
}

// a + b, a - b, a * b, a / b, a % b where an operand is a call or holds one
// (fib(n - 1) + fib(n - 2), n * fact(n - 1), l.size() - 1, f(x) * f(y) / 2):
// the operands are evaluated in order into lists of their own, without
// frames, and two small ints give the result at once. Anything else (not one
// value, not a small int, an overflow, a zero product or quotient, a zero
// divisor) parks the evaluated lists on the operand nodes, where the general
// path's frames take them over, so that every check and message comes as it
// would.
bool call_operands_int(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, char op, const char* name,
                       VALUE_ROUTINE routine) {
    // A request for the number alone is for this node or for none.
    INT_RESULT_SLOT* wanted = int_result_request.node == node ? int_result_request.slot : nullptr;
    int_result_request = INT_RESULT_REQUEST{};
    const CALL_FORM left_form = call_form_operand(node->left);
    const CALL_FORM right_form = call_form_operand(node->right);
    // Only a call makes the way worth taking: operands without one take
    // fast_int's. An arithmetic operand that fast_int cannot read takes the
    // general one, which walks long chains without recursing.
    const bool left_call = left_form == CALL_FORM::call;
    const bool right_call = right_form == CALL_FORM::call;
    if (left_form == CALL_FORM::none || right_form == CALL_FORM::none) return false;
    // Asked only where it decides, as the common operands need no look below.
    auto computed = [](CALL_FORM form, const TOKEN* operand) {
        return form == CALL_FORM::arithmetic && computes_with_call(operand);
    };
    if (!(left_call || right_call || left_form == CALL_FORM::member || right_form == CALL_FORM::member) &&
        !computed(left_form, node->left) && !computed(right_form, node->right))
        return false;
    INT_RESULT_SLOT left_slot;
    RESULT_LIST left;
    int64_t a = 0;
    // An arithmetic operand fast_int cannot read is evaluated as a call.
    bool left_evaluated = left_call;
    if (left_form == CALL_FORM::arithmetic && !fast_int(node->left, a)) {
        if (!computes_with_call(node->left)) return false;
        left_evaluated = true;
    }
    check_stack_depth(node);
    // A variable, member or call result on the left is read once the right
    // operand is evaluated, as the general path reads it: a call on the
    // right may assign to the variable or member it names. An arithmetic
    // operand's value is made before, as the general path makes it.
    const bool read_left_later = left_form == CALL_FORM::plain || left_form == CALL_FORM::member;
    // The cell the left operand names stays alive while a call on the right
    // runs, and until the operator is done.
    const HOLD_SCOPE holds;
    if (read_left_later) {
        eval_cached(node->left, this_item, left);
        if (left.count == 1 && (right_call || right_form == CALL_FORM::member || computed(right_form, node->right)))
            hold_item(left.head->item);
    } else if (left_evaluated && !int_operand(node->left, true, this_item, left, left_slot, a)) {
        restore_result_cell(left, left_slot, left_call ? access_function_result : access_expression);
        if (left_call && op == '+' && text_piece(left, false) != nullptr && lone_operand(node->right) &&
            texts_with_state == 0) {
            // f(x) + g(y) of texts: the call's text begins a text chain.
            TOKEN* levels[] = {node};
            text_chain(levels, 1, this_item, results, &left);
            return true;
        }
        push_result_list(node->left, new RESULT_LIST(std::move(left)));
        eval_binary_frames(node, this_item, results, name, routine);
        return true;
    }
    // The cell the left operand's evaluation would have made, for the
    // general path.
    auto restore_left = [&]() {
        restore_result_cell(left, left_slot, left_call ? access_function_result : access_expression);
        if (left_form == CALL_FORM::arithmetic && !left_evaluated) append_int_cell(left, a);
    };
    INT_RESULT_SLOT right_slot;
    RESULT_LIST right;
    int64_t b = 0;
    int64_t value = 0;
    bool right_evaluated = right_call;
    if (right_form == CALL_FORM::arithmetic && !fast_int(node->right, b)) {
        if (!computes_with_call(node->right)) {
            restore_left();
            push_result_list(node->left, new RESULT_LIST(std::move(left)));
            eval_binary_frames(node, this_item, results, name, routine);
            return true;
        }
        right_evaluated = true;
    }
    bool done = (right_form == CALL_FORM::arithmetic && !right_evaluated) ||
                int_operand(node->right, right_evaluated, this_item, right, right_slot, b);
    if (done && read_left_later) done = small_int_operand(left, a);
    // A zero product or quotient, an overflow or a zero divisor take the
    // general path.
    if (done) {
        switch (op) {
        case '+': done = !__builtin_add_overflow(a, b, &value); break;
        case '-': done = !__builtin_sub_overflow(a, b, &value); break;
        case '*': done = !__builtin_mul_overflow(a, b, &value) && value != 0; break;
        default: done = fast_operation(op, a, b, value); break;
        }
    }
    if (!done) {
        restore_left();
        restore_result_cell(right, right_slot, right_call ? access_function_result : access_expression);
        if (right_form == CALL_FORM::arithmetic && !right_evaluated) append_int_cell(right, b);
        push_result_list(node->left, new RESULT_LIST(std::move(left)));
        const PARKED_LIST right_parked(node->right, new RESULT_LIST(std::move(right)));
        eval_binary_frames(node, this_item, results, name, routine);
        return true;
    }
    if (wanted != nullptr) {
        wanted->number = left_slot.number != nullptr    ? std::move(left_slot.number)
                         : right_slot.number != nullptr ? std::move(right_slot.number)
                                                        : std::make_unique<INT_DATA>();
        wanted->number->assign_int64(value);
        return true;
    }
    if (fresh_int_temporary(left)) {
        // The left operand's temporary becomes the result: it is the cell a
        // new one would be, and the list frees nothing it still needs.
        RESULT_ITEM item = pop(left);
        void* word = nullptr;
        if (is_inline_int(item.cell->payload) && make_inline_int(value, word)) item.cell->payload = word;
        else item.cell->int_data()->assign_int64(value);
        item.mode = access_expression;
        results.append(item);
        return true;
    }
    std::unique_ptr<INT_DATA> number = left_slot.number != nullptr    ? std::move(left_slot.number)
                                       : right_slot.number != nullptr ? std::move(right_slot.number)
                                                                      : std::make_unique<INT_DATA>();
    number->assign_int64(value);
    results.append(RESULT_ITEM{new_int_cell(std::move(number)), access_expression, 1});
    return true;
}

// The value a text operand stands for, read as the general path reads an
// operand (a link to a link followed to its end, then one link step); null
// where that is still a link, or the node names no variable (a member of
// the current object counts while FAST_MEMBERS holds it).
UNION_DATA* text_operand_value(TOKEN* operand) {
    UNION_DATA* cell = nullptr;
    if (operand->evaluator == eval_variable) {
        // A parameter's role sets only the mode of its item, which no sum
        // reads.
        const TOKEN* declaration = operand->declaration;
        if (declaration != nullptr && declaration->member_slot < 0) cell = top_cell(declaration);
        else cell = fast_member_cell(operand);
    }
    if (cell == nullptr) return nullptr;
    if (is_link_cell(cell)) {
        UNION_DATA* target = cell->target();
        if (target == nullptr) return nullptr;
        cell = is_link_cell(target) ? argument_value(cell) : target;
        if (cell == nullptr || is_link_cell(cell)) return nullptr;
    }
    return cell;
}

// The pieces of a sum of texts read without running code: every operand a
// plain variable, a text or char literal or another such sum, and the left
// operand of every + a defined text (a char there makes the general path
// exchange the operands). Anything else refuses the whole sum, with nothing
// evaluated, so that the general path gives its value or its error.
class TEXT_SUM {
public:
    static inline const std::string no_text;

    bool read(TOKEN* node) {
        if (++sums > capacity) return false;
        return read_operand(node->left, true) && read_operand(node->right, false);
    }

    // The new text cell of the sum, as the general path makes it.
    RESULT_ITEM make() const {
        auto* cell = new UNION_DATA(tag_str);
        write(cell->str_data()->text);
        return RESULT_ITEM{cell, access_expression, 1};
    }

    // The sum's characters appended to a text; a piece that is that text
    // itself gives what it held before the append began.
    void append_to(std::string& out) const {
        for (uint32_t i = 0; i < count; ++i) {
            if (pieces[i].text == &out) {
                std::string text;
                write(text);
                make_room(out, text.size());
                out += text;
                return;
            }
        }
        make_room(out, length);
        for (uint32_t i = 0; i < count; ++i) {
            if (pieces[i].text != nullptr) out += *pieces[i].text;
            else if (pieces[i].byte != '\0') out += pieces[i].byte;
        }
    }

    // The sum's characters into an empty text.
    [[gnu::always_inline]] void write(std::string& text) const {
        text.reserve(length);
        for (uint32_t i = 0; i < count; ++i) {
            if (pieces[i].text != nullptr) text += *pieces[i].text;
            else if (pieces[i].byte != '\0') text += pieces[i].byte;
        }
    }

private:
    static constexpr uint32_t capacity = 16;
    struct PIECE {
        const std::string* text;  // null for a char
        char byte;
    };
    PIECE pieces[capacity];
    uint32_t count = 0;
    uint32_t sums = 0;
    size_t length = 0;

    bool read_operand(TOKEN* operand, bool left) {
        if (operand == nullptr || operand->block_mode != block_mode_none || !operand->result_stack.empty() ||
            count == capacity)
            return false;
        if (operand->evaluator == eval_plus) return read(operand);
        if (operand->evaluator == eval_char_literal) {
            if (left || !operand->text || operand->text->empty()) return false;
            pieces[count++] = PIECE{nullptr, (*operand->text)[0]};
            ++length;
            return true;
        }
        if (operand->evaluator == eval_str_literal) {
            pieces[count++] = PIECE{operand->text ? &*operand->text : &no_text, '\0'};
            length += pieces[count - 1].text->size();
            return true;
        }
        UNION_DATA* value = text_operand_value(operand);
        if (value == nullptr || !is_defined_value(value)) return false;
        const char tag = lower_tag(value->tag);
        if (tag == tag_str) {
            const std::string& text = value->str_data()->text;
            pieces[count++] = PIECE{&text, '\0'};
            length += text.size();
            return true;
        }
        if (tag != tag_char || left) return false;
        pieces[count++] = PIECE{nullptr, value->char_byte()};
        ++length;
        return true;
    }
};

// a + " " + b and the like, read without running code: the text built in
// one pass, without a frame per operator, as a new cell or, with `text`,
// appended to that text. A text that a read or a walk keeps state beside
// takes the general path, whose copies carry that state.
SUM_INTO text_sum(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, std::string* text = nullptr) {
    if (texts_with_state != 0) return SUM_INTO::declined;
    TEXT_SUM sum;
    {
        const FAST_MEMBERS members(this_item);
        if (!sum.read(node)) return SUM_INTO::declined;
    }
    check_stack_depth(node);
    if (text != nullptr) {
        sum.append_to(*text);
        return SUM_INTO::appended;
    }
    results.append(sum.make());
    return SUM_INTO::evaluated;
}

}  // namespace

bool inert_text_sum(TOKEN* node, std::string& text) {
    if (texts_with_state != 0 || node->evaluator != eval_plus || node->block_mode != block_mode_none ||
        !node->result_stack.empty())
        return false;
    TEXT_SUM sum;
    if (!sum.read(node)) return false;
    check_stack_depth(node);
    sum.write(text);
    return true;
}

namespace {

// Whether an operand is one a sum of texts reads without running code.
bool inert_text_operand(const TOKEN* operand) {
    const EVAL_HANDLER handler = operand->evaluator;
    return handler == eval_variable || handler == eval_str_literal || handler == eval_char_literal ||
           handler == eval_plus;
}

// The sums of texts, told apart by one look at the chain of + down the left
// operands before anything is evaluated: a chain of operands read without
// running code is made by text_sum; one with other operands and a text
// literal among them by text_chain. Declined, with nothing evaluated, for
// anything else. `text` and `scratch` as for eval_text_sum_into; without
// them the sum is made into results.
SUM_INTO text_sums(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results, std::string* text = nullptr,
                   std::string* scratch = nullptr) {
    TOKEN* levels[text_chain_capacity];
    uint32_t n = 0;
    bool inert = true;
    bool literal = false;
    TOKEN* at = node;
    for (;;) {
        TOKEN* right = at->right;
        if (right == nullptr || n == text_chain_capacity) return SUM_INTO::declined;
        levels[n++] = at;
        inert = inert && inert_text_operand(right);
        literal = literal || right->evaluator == eval_str_literal;
        TOKEN* left = at->left;
        if (left == nullptr) return SUM_INTO::declined;
        if (left->evaluator != eval_plus || left->block_mode != block_mode_none || !left->result_stack.empty()) break;
        at = left;
    }
    TOKEN* lowest = levels[n - 1]->left;
    inert = inert && inert_text_operand(lowest);
    literal = literal || lowest->evaluator == eval_str_literal;
    if (inert) return text_sum(node, this_item, results, text);
    if (!literal || texts_with_state != 0 || !lone_operand(lowest)) return SUM_INTO::declined;
    for (uint32_t i = 0; i < n; ++i) {
        if (!lone_operand(levels[i]->right)) return SUM_INTO::declined;
    }
    check_stack_depth(node);
    return text_chain(levels, n, this_item, results, nullptr, scratch) ? SUM_INTO::made : SUM_INTO::evaluated;
}

}  // namespace

SUM_INTO eval_text_sum_into(TOKEN* node, RESULT_ITEM this_item, std::string& text, std::string& scratch,
                            RESULT_LIST& results) {
    TOKEN* right = node->right;
    if (node->evaluator != eval_plus || node->block_mode != block_mode_none || !node->result_stack.empty() ||
        right == nullptr)
        return SUM_INTO::declined;
    if (right->evaluator == eval_str_literal) {
        // eval_plus goes to its text ways at once then.
        int_result_request = INT_RESULT_REQUEST{};
        return text_sums(node, this_item, results, &text, &scratch);
    }
    // Otherwise eval_plus tries its int ways first, which decline a sum read
    // without running code (its left operands are texts) before evaluating
    // anything; a sum with other operands is left to eval_plus.
    if (!inert_text_operand(right)) return SUM_INTO::declined;
    const SUM_INTO outcome = text_sum(node, this_item, results, &text);
    if (outcome != SUM_INTO::declined) int_result_request = INT_RESULT_REQUEST{};
    return outcome;
}

RESULT_ITEM make_arith_result(TOKEN* node, RESULT_ITEM operand, bool copy, char routine_kind,
                              const char* routine_name) {
    char type = base_type_code(operand.cell);
    auto owned = std::make_unique<UNION_DATA>(type);  // freed if a copy throws
    UNION_DATA* cell = owned.get();
    if (type == tag_object) {
        UNION_DATA* object = follow_link(operand.cell);
        const OBJECT_HOLDER* holder = object->holder();
        cell->holder()->type = holder != nullptr ? holder->type : nullptr;
        // Without a copy the cell receives a fresh object of the type, so
        // that an operator method can run on it.
        if (!copy) make_small_object(cell, object);
    }
    if (copy) {
        if (const char* message = assign_value(cell, operand.cell))
            raise_error(node, routine_kind, routine_name, message, error_kind_system);
    }
    return RESULT_ITEM{owned.release(), access_expression, 1};
}

void value_plus(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results) {
    value_binary(node, plus_operator, left, right, results);
}
void value_minus(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results) {
    value_binary(node, minus_operator, left, right, results);
}
void value_times(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results) {
    value_binary(node, times_operator, left, right, results);
}
void value_divide(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results) {
    value_binary(node, divide_operator, left, right, results);
}
void value_modulo(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results) {
    value_binary(node, modulo_operator, left, right, results);
}
void value_caret(TOKEN* node, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST& results) {
    value_binary(node, caret_operator, left, right, results);
}

void value_unary_plus(TOKEN* node, RESULT_ITEM operand, RESULT_LIST& results) {
    value_unary(node, operand, results, "+", op_plus, "+=");
}
void value_unary_minus(TOKEN* node, RESULT_ITEM operand, RESULT_LIST& results) {
    value_unary(node, operand, results, "-", op_minus, "-=");
}

void eval_plus(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    // A text literal on the right makes neither int way succeed: both
    // would first read the whole chain on the left to find that out.
    if (node->right == nullptr || node->right->evaluator != eval_str_literal) {
        if (append_fast_int(node, eval_plus, this_item, results)) return;
        if (call_operands_int(node, this_item, results, '+', "+", value_plus)) return;
    } else {
        int_result_request = INT_RESULT_REQUEST{};  // as call_operands_int takes it away
    }
    if (text_sums(node, this_item, results) != SUM_INTO::declined) return;
    eval_binary(node, this_item, results, "+", value_plus, eval_plus);
}
void eval_minus(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    if (append_fast_int(node, eval_minus, this_item, results)) return;
    if (call_operands_int(node, this_item, results, '-', "-", value_minus)) return;
    eval_binary(node, this_item, results, "-", value_minus, eval_minus);
}
void eval_times(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    if (append_fast_int(node, eval_times, this_item, results)) return;
    if (call_operands_int(node, this_item, results, '*', "*", value_times)) return;
    eval_binary(node, this_item, results, "*", value_times, eval_times);
}
void eval_divide(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    if (append_fast_int(node, eval_divide, this_item, results)) return;
    if (call_operands_int(node, this_item, results, '/', "/", value_divide)) return;
    eval_binary(node, this_item, results, "/", value_divide, eval_divide);
}
void eval_modulo(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    if (append_fast_int(node, eval_modulo, this_item, results)) return;
    if (call_operands_int(node, this_item, results, '%', "%", value_modulo)) return;
    eval_binary(node, this_item, results, "%", value_modulo, eval_modulo);
}
void eval_caret(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    eval_binary(node, this_item, results, "^", value_caret, eval_caret);
}
void eval_unary_plus(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    eval_unary(node, this_item, results, "+", value_unary_plus, eval_unary_plus);
}
void eval_unary_minus(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    if (append_fast_int(node, eval_unary_minus, this_item, results)) return;
    eval_unary(node, this_item, results, "-", value_unary_minus, eval_unary_minus);
}

}  // namespace morvu
