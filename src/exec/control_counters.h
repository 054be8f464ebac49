// The return, continue and break statements do not jump: each sets a
// process-wide level counter, and every block stops before its next
// statement while a counter is set. Routine calls and loops further out
// consume the counters:
//   pending_return    n routine calls are still to be left;
//   pending_continue  the n-th loop from the innermost goes on with its next
//                     iteration, the n - 1 loops inside it are left;
//   pending_break     n loops are still to be left.
// A counter is null when nothing is pending, never 0.

#pragma once

#include <memory>

#include "values/result_list.h"

namespace morvu {

struct TOKEN;
class INT_DATA;

extern std::unique_ptr<INT_DATA> pending_return;
extern std::unique_ptr<INT_DATA> pending_continue;
extern std::unique_ptr<INT_DATA> pending_break;

// True while any of the three counters is set.
inline bool control_pending() { return pending_return || pending_continue || pending_break; }

// Lowers a set counter by one and releases it when it reaches 0; a null
// counter stays null.
void lower_counter(std::unique_ptr<INT_DATA>& counter);

// True when the counter is set and equal to 1.
bool counter_is_one(const std::unique_ptr<INT_DATA>& counter);

// Releases all three counters.
void release_counters();

// return(n), continue(n) or break(n) with a literal n of at least 1, as
// loops and routines are mostly left early: the counter takes the literal's
// number, which is all a frame of the argument would give it. False, with
// the counter as it was, for any other argument.
bool set_counter_from_literal(const TOKEN* node, std::unique_ptr<INT_DATA>& counter);

// Statement executors: return(n), continue(n) with one int argument n >= 1,
// and the empty statement, which does nothing.
void exec_return(TOKEN* node, RESULT_ITEM this_item);
void exec_continue(TOKEN* node, RESULT_ITEM this_item);
void exec_nothing(TOKEN* node, RESULT_ITEM this_item);

}  // namespace morvu
