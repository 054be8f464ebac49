// The expression evaluator. Every TOKEN carries its evaluation handler as a
// plain function pointer (TOKEN::evaluator). New nodes start with eval_node,
// which looks at the node once (block mode, number, operator characters,
// text), stores the handler the node needs and calls it; later evaluations
// call the stored handler directly through eval_cached. A handler is stored
// only while the node's block mode is 0, and before it runs, so a handler
// that raises stays stored. Three kinds of node are never cached: curly
// blocks (block mode 1, each evaluation makes a new code value), nodes
// evaluated while their block mode is 0xFFFF, and the ',' list, which is
// split and evaluated operand by operand every time.
//
// A handler appends its results at the tail of the caller's RESULT_LIST and
// returns nothing; every failure leaves through raise_error.
//
// Result stacks: each node's result_stack holds RESULT_LISTs parked on it
// (top last); a parked list, or a null placeholder, belongs to the stack
// until popped. call_routine parks the evaluated arguments of a call on the
// stack of the call's argument subtree, and the argument frame of a built-in
// function or keyword statement that takes the call over uses that list.
// UNWIND_RESULT_STACK frees what a call left there on every exit.

#pragma once

#include <cstdint>
#include <vector>

#include "eval/names.h"
#include "values/cell_holds.h"
#include "values/result_list.h"
#include "frontend/token.h"

namespace morvu {

// Calls the handler stored in the node: the only way into evaluation from
// outside this subsystem.
inline void eval_cached(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    node->evaluator(node, this_item, results);
}

// Stores a handler in the node when its block mode is 0; otherwise the node
// keeps the handler it has.
inline void store_handler(TOKEN* node, EVAL_HANDLER handler) {
    if (node->block_mode == block_mode_none) node->evaluator = handler;
}

// The initial handler of every node: chooses, stores and calls the node's
// handler (or does the work itself for the never-cached cases).
void eval_node(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// Makes eval_node the initial handler of every node built from now on.
// Called once at start-up, before any tree is built; a static initialiser of
// the evaluator does it as well.
void install_evaluator();

// The handler of a node that no rule evaluates: raises "Expression is not
// evaluable".
[[noreturn]] void raise_not_evaluable(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// The handler of a call of a named routine: call_routine first, then the
// built-in functions; the argument lists parked meanwhile are freed.
void call_named_routine(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// Literal handlers: a new owned value of mode 0.
void eval_int_literal(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_real_literal(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_str_literal(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_char_literal(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
void eval_oper_literal(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);

// A new code value {block, this_item} as an owned item of mode 0. The stored
// this_item lets a block written inside a routine of a user type see its
// object wherever the block runs later.
RESULT_ITEM make_code_value(TOKEN* block, RESULT_ITEM this_item);

// Whether evaluating the node runs none of the program's code: a variable
// name or a literal. Nothing that earlier arguments name can go meanwhile, so
// they need no hold (values/cell_holds.h) before it.
inline bool evaluates_inertly(const TOKEN* node) {
    const EVAL_HANDLER handler = node->evaluator;
    return handler == eval_variable || handler == eval_int_literal || handler == eval_str_literal ||
           handler == eval_char_literal;
}

// The items of an argument list while it is evaluated one argument at a
// time: before each further argument that may run code, what the items
// appended since last time name is held (values/cell_holds.h), until the
// innermost hold scope ends. The last argument is used as soon as it is
// made and is not held; a call that runs code of the program with its
// arguments afterwards holds what it still needs itself.
class ARGUMENT_HOLDS {
public:
    explicit ARGUMENT_HOLDS(const RESULT_LIST& list) : list(list) {}
    void before(const TOKEN* argument) {
        if (list.tail != last_held) [[unlikely]] {
            if (!evaluates_inertly(argument)) last_held = hold_appended(list, last_held);
        }
    }

private:
    const RESULT_LIST& list;
    const RESULT_NODE* last_held = nullptr;

    // Out of line: the loops that evaluate arguments stay small. Returns
    // the new last item held.
    [[gnu::cold]] static const RESULT_NODE* hold_appended(const RESULT_LIST& list, const RESULT_NODE* last_held);
};

// ---- result stacks ----

// Parks a list (or a null placeholder) on the node's stack.
inline void push_result_list(TOKEN* node, RESULT_LIST* list) { node->result_stack.push_back(list); }

// Removes the top cell and returns its list (null for a placeholder); the
// caller takes the list over. An empty stack throws the internal ERROR
// "internal error in pop(): list is empty".
RESULT_LIST* pop(std::vector<RESULT_LIST*>& stack);

// Pops the stack of the call node's argument subtree (its left child) down
// to the depth, clearing and freeing every popped list. A null node or a
// call without arguments does nothing.
void unwind_result_stack(TOKEN* call_node, uint32_t depth);

// The depth of the stack of the call node's argument subtree (0 without one).
inline uint32_t argument_stack_depth(const TOKEN* call_node) {
    return call_node != nullptr && call_node->left != nullptr
               ? static_cast<uint32_t>(call_node->left->result_stack.size())
               : 0;
}

// Scope guard: records the depth of the argument subtree's stack of a call
// node and unwinds it to that depth on every exit, normal or by exception.
// The cells the call held meanwhile (its receiver, its arguments) are let go
// after that: what the call evaluated lives until the call is over.
class UNWIND_RESULT_STACK {
public:
    // Inlined at every call site: it is a few loads, and every call makes one.
    [[gnu::always_inline]] explicit UNWIND_RESULT_STACK(TOKEN* call_node)
        : node(call_node), depth(argument_stack_depth(call_node)) {}
    ~UNWIND_RESULT_STACK() {
        if (argument_stack_depth(node) > depth) unwind_result_stack(node, depth);
    }
    UNWIND_RESULT_STACK(const UNWIND_RESULT_STACK&) = delete;
    UNWIND_RESULT_STACK& operator=(const UNWIND_RESULT_STACK&) = delete;

private:
    HOLD_SCOPE holds;  // destroyed after the parked lists are freed
    TOKEN* node;
    uint32_t depth;
};

}  // namespace morvu
