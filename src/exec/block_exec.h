// Block execution: the one place where statements are started.
//
// A block is the ';' chain of its statements (a single statement otherwise).
// Before each statement the stack guard compares the stack in use with the
// room the thread has, so deep recursion of a program ends in the language
// error "Stack overflow" rather than in a crash; the statement is then
// recorded as current_statement and run through the executor cached in its
// node. A language error (or any other exception) escaping a statement
// becomes the pending exception; while one is pending only catch and exit
// statements run, and while a return, continue or break counter is set the
// block stops.

#pragma once

#include <cstdint>

#include "frontend/token.h"
#include "values/result_list.h"

namespace morvu {

struct TOKEN;

// The stack position of the first guarded statement of the thread; null
// before.
extern constinit thread_local const char* stack_base;

// How far the stack may grow from stack_base before a statement is refused.
extern constinit thread_local std::uintptr_t stack_limit;

// How many more statements a run may start; 0 means no limit. A harness that
// must bound a run sets it: when it runs out, the statement that would
// exceed it throws RUN_BUDGET_SPENT, which no block and no catch of the
// language stops, so the run ends at once.
extern std::uint64_t statement_budget;
struct RUN_BUDGET_SPENT {};

// Runs the statements of the block. With own_variables, the variables of the
// block's storage table get fresh cells first and lose them at the end.
// Language errors of its statements never leave it; errors while creating
// the variables do.
void execute_block(TOKEN* block, RESULT_ITEM this_item, bool own_variables);

// execute_block with own variables, for a caller that keeps the statements
// the block splits into (as append_operands gives them) and so spares the
// block run its look-up.
void execute_block_statements(TOKEN* block, const TOKEN_LIST& statements, RESULT_ITEM this_item);

// The statements of a user routine's body, split once per routine: the
// body's run as execute_block without variables of its own makes it (the
// call's activation holds them).
void execute_routine_statements(const TOKEN_LIST& statements, RESULT_ITEM this_item);

// The program's outermost block, with its own variables and no current
// object; once it is over nothing runs, so its large containers are not
// freed element by element.
void execute_program_block(TOKEN* root);

// Takes over the statement at `index` of a block run: true when it has run
// the statement, false to leave it to the statement's executor.
using STATEMENT_SHORTCUT = bool (*)(void* data, uint32_t index);

// Runs the statements of a block that has no variables of its own, as
// execute_block does, from the statement `first` on (0 for all of them),
// offering each to the shortcut first when one is given.
void execute_block_from(TOKEN* block, RESULT_ITEM this_item, uint32_t first, STATEMENT_SHORTCUT shortcut, void* data);

// The same, stopping before the statement `end`; the rest of the block is
// left to the caller.
void execute_block_range(TOKEN* block, RESULT_ITEM this_item, uint32_t first, uint32_t end, STATEMENT_SHORTCUT shortcut,
                         void* data);

// Runs one statement of a block without variables as the block run would,
// for a caller whose frame has been found to have stack room to spare (the
// block run would not check before the statement).
void execute_lone_statement(TOKEN* statement, RESULT_ITEM this_item);

// Stack guard, current-statement record, then the node's cached executor;
// errors pass on to the caller.
void execute_node_guarded(TOKEN* node, RESULT_ITEM this_item);

// The stack guard alone: raises "Stack overflow" at the node when the stack
// in use has reached the limit.
void check_stack_depth(const TOKEN* node);

// Whether the stack guard is set up and the stack in use at `here` is below
// its limit: check_stack_depth would do nothing there. For a statement run
// often enough that the call to the guard shows; when false, the guard runs.
inline bool stack_below_limit(const char* here) {
    const char* base = stack_base;
    if (base == nullptr) return false;
    const std::uintptr_t distance =
        here < base ? static_cast<std::uintptr_t>(base - here) : static_cast<std::uintptr_t>(here - base);
    return distance < stack_limit;
}

// How much more stack the statements may use before the guard refuses them;
// 0 before the first guarded statement.
std::uintptr_t stack_room_left();

// The same, measured from the frame of the function it is inlined into, for
// the paths that ask it on every block run.
inline std::uintptr_t stack_room_here() {
    const char* base = stack_base;
    if (base == nullptr) return 0;
    const char* here = static_cast<const char*>(__builtin_frame_address(0));
    const std::uintptr_t distance =
        here < base ? static_cast<std::uintptr_t>(base - here) : static_cast<std::uintptr_t>(here - base);
    return distance < stack_limit ? stack_limit - distance : 0;
}

// Whether the block's storage table holds variables, whose cells a run of
// the block creates.
bool block_has_variables(const TOKEN* block);

// Runs work(data) on a stack large enough for deeply recursive programs
// and returns when it ends; an exception of the work is thrown again here.
// Where no such stack can be had the work runs on the caller's stack.
void run_with_large_stack(void (*work)(void*), void* data);

}  // namespace morvu
