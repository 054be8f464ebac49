// Argument frames. An ARG_FRAME evaluates the operand or argument list below
// one node into a RESULT_LIST and shows the results as an indexed array of
// RESULT_ITEMs counted after expansion: an argument that yields several
// results contributes all of them, one that yields none contributes nothing.
//
// The node's argument list (TOKEN::argument_list) is split once and kept:
// the node is cut at the bracket juxtapositions of f(a)(b){c}, a curly block
// part stays whole and every other part is split at ','.
//
// A fresh frame owns its list: it takes over the list that call_routine
// parked on the node's result stack, also an empty one, so that arguments
// are evaluated once (unless the node is a block being run, block mode
// 0xFFFF), and otherwise evaluates the arguments into a list of its own. A frame that is not fresh serves one operand of a
// comparison: the comparison pushed a placeholder on the node's stack, the
// first frame replaces it by the evaluated list and later frames of the same
// comparison reuse that list, which the comparison frees.
//
// The items in the array are copies; their cells stay owned by the list.
// What an argument names (an element, a member) is held (values/cell_holds.h)
// before a later argument that may run code is evaluated, and what every
// item names in a frame that serves a comparison or is told to keep_alive(),
// so that no later evaluation can free it under the operation. A fresh frame
// releases its holds when it ends; one that serves a comparison, or is made
// with own_holds false, leaves them to the enclosing hold scope, for frames
// that do not end in the order they began.
//
// A frame made for a statement that must act on all of its arguments or on
// none (STATEMENT_ARGUMENTS) stops at an argument that leaves a language
// exception pending and raises the pending error: the statement ends there,
// as it does when call_routine evaluates its arguments.
//
// The checks return null on success, or the process-wide check message,
// valid until the next failing check. Argument indexes are 0-based and
// printed unchanged. The caller raises the message with its own context,
// through message(true) where the check's message takes the side suffix
// ("on left-hand side" / "on right-hand side" for an operand).

#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "values/cell_holds.h"
#include "values/result_list.h"
#include "frontend/token.h"

namespace morvu {

class UNION_DATA;

struct STATEMENT_ARGUMENTS {};

class ARG_FRAME {
public:
    TOKEN* node;
    RESULT_LIST* results = nullptr;  // the evaluated arguments
    bool owned = false;              // the frame frees the list

    ARG_FRAME(TOKEN* node, RESULT_ITEM this_item, bool fresh, bool own_holds = true);
    // A fresh frame that ends the statement at a pending exception.
    ARG_FRAME(TOKEN* node, RESULT_ITEM this_item, STATEMENT_ARGUMENTS);
    ~ARG_FRAME();
    ARG_FRAME(const ARG_FRAME&) = delete;
    ARG_FRAME& operator=(const ARG_FRAME&) = delete;

    // The results after expansion, in list order.
    uint32_t count() const { return item_count; }
    RESULT_ITEM& operator[](uint32_t index) { return items[index]; }
    const RESULT_ITEM& operator[](uint32_t index) const { return items[index]; }

    // Holds what every item names until the frame ends: for an operand that
    // is read after the next one has been evaluated.
    void keep_alive() const { hold_items(results->head); }

    // Item i's value: alias and call-alias links followed, then one more
    // reference or alias step (null for an item without cell).
    UNION_DATA* value(uint32_t index) const;

    // Item i's int value as a machine integer, saturated at the int range
    // (the item must pass check_type with 'i').
    int32_t int_value(uint32_t index) const;

    const char* check_count(int32_t n) const {
        if (item_count == static_cast<uint32_t>(n) && n >= 0) return nullptr;
        return count_failure(n);
    }
    // min < 0: at most max; max < 0: at least min; else min..max.
    const char* check_count_range(int32_t min, int32_t max) const;
    const char* check_defined(uint32_t index) const;
    const char* check_type(uint32_t index, char tag, bool not_empty) const;
    const char* check_variable(uint32_t index, bool must_be_defined) const;
    const char* check_int_min(uint32_t index, int32_t min) const;
    const char* check_int_range(uint32_t index, int32_t low, int32_t high) const;

    // The current check message; with the flag and an operand frame (the
    // parent is an operator, not a named call or literal), followed by a
    // blank and the side of the operand.
    std::string message(bool with_side) const;

private:
    static constexpr uint32_t inline_capacity = 4;

    HOLD_SCOPE holds;                         // released after the lists are freed
    RESULT_LIST own_list;                     // the list of a frame that evaluated for itself
    std::unique_ptr<RESULT_LIST> taken_list;  // a list taken off the node's result stack
    RESULT_ITEM inline_items[inline_capacity];
    std::unique_ptr<RESULT_ITEM[]> heap_items;
    RESULT_ITEM* items = inline_items;
    uint32_t item_count = 0;
    bool stops_at_pending = false;

    const char* count_failure(int32_t n) const;
    void evaluate_into(RESULT_LIST& list, RESULT_ITEM this_item);
    void take_or_evaluate(std::vector<RESULT_LIST*>& stack, RESULT_ITEM this_item);
    void fill_items();
};

// The truth value of a list that a frame's check_count(1) and
// check_type(0, 'b', true) would accept: 1 or 0, else -1 (the frame is
// then needed for its message).
int single_bool(const RESULT_LIST& list);

// The node's argument list, built on first use.
const TOKEN_LIST& build_argument_list(TOKEN* node);
inline const TOKEN_LIST& argument_list_of(TOKEN* node) {
    return node->argument_list ? *node->argument_list : build_argument_list(node);
}

// The message of the last failed check of any frame (keep_message), read
// by message() right after the check.
extern const char* frame_check_message;

}  // namespace morvu
