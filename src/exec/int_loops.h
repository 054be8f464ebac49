// While and counted for loops over machine ints.
//
// A loop such as while({i < n}, {s += i; i += 1}) spends most of its time
// finding out, statement by statement and iteration by iteration, that its
// shapes are the small-int ones. After the loop's first iteration has run
// through the general path (which binds the handlers of its nodes), the
// condition and every assignment of a plain variable with a small-int
// expression are translated into a flat list of instructions over 64-bit
// registers: the loop's variables first, then its constants, then scratch
// values of one statement.
//
// The code runs in two ways. One statement at a time, its variables are read
// from their cells, its instructions run and the target cell is written;
// a statement that does not translate, or whose values leave the small-int
// shapes (a value that is no defined int, a result beyond 64 bits, a zero
// product or quotient, a zero divisor), runs through its executor exactly as
// the block would run it, and so does the rest of that iteration.
//
// While nothing is pending and every statement translates, nothing but the
// loop's own code can run between its statements, so the loop runs in its
// registers: every variable is read once, the rounds run back to back, and
// the variables written are stored back into their cells when the code stops
// (the condition is false, or an instruction would leave the small-int
// shapes). The round then goes on one statement at a time from where it
// stopped, with every earlier write in place.
//
// An if statement of the body with braced blocks joins the plan as well:
// its condition, translated when it is made of int comparisons joined by
// && and || (so is the loop's own condition), and the statements of its
// blocks. A body holding one runs statement by statement outside the block
// run: the if's condition decided without running anything chooses the
// block, whose statements run as the body's do; any other condition leaves
// the if to its executor.

#pragma once

#include <cstdint>

#include "values/result_list.h"

namespace morvu {

struct TOKEN;
class UNION_DATA;

// Runs the loop of a while statement whose arguments are the braced blocks
// condition and body, as the statement's general loop would, and returns
// true; false when the loop has no translation (nothing has run then).
// routine_name names the statement in the condition's errors.
bool run_int_while(TOKEN* condition, TOKEN* body, RESULT_ITEM this_item, const char* routine_name);

// The same for the counted for statement: the body, then the step, while
// the condition holds (its first part has run before).
bool run_int_for(TOKEN* condition, TOKEN* step, TOKEN* body, RESULT_ITEM this_item, const char* routine_name);

// How run_int_range stopped.
enum class RANGE_RUN : uint8_t {
    handed_back,  // `next` and the values after it are the general road's
    span_done,    // every value ran
    ended,        // the body ended the loop (a break, a return, an exception)
};

// The passes of a for loop over the ints next, next + step, ... last, its
// first pass run the general way: each gives the loop variable (declaring
// node `variable`, current cell `target`) its value as the general
// assignment would, then runs the body as a translated loop body does.
// A variable that no longer takes a machine number in place, or a body
// without a translation, hands the values back from `next` on.
RANGE_RUN run_int_range(const TOKEN* variable, UNION_DATA* target, int64_t& next, int64_t last, int64_t step,
                        TOKEN* body, RESULT_ITEM this_item);

}  // namespace morvu
