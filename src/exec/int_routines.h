// Functions of machine ints run without activations.
//
// Many recursive functions take int parameters, compute with + - and
// comparisons, branch with if and hand back one int result, such as fib.
// Once such a function has run through the general path (which binds the
// handlers of its nodes), its body is translated into a flat code over a
// frame of 64-bit slots (the parameters, the result and the temporaries of
// its expressions), and later calls with int arguments run that code: no
// cells, no argument lists, no statement blocks. The frames of a run lie one
// above the other on one stack of slots, and a call needs no frame of the
// machine stack.
//
// The translation takes only what cannot have an effect beyond the call:
// assignments to the result, calls of functions that translate as well. A
// body of another shape (other operators, compound assignments, a result
// read or handed back where it may not be assigned) runs on the general
// path.
// Whenever a run meets anything the general path would answer differently
// (a result outside 64 bits, a recursion deeper than the shares of the
// machine stack allow) it stops without a trace and the call takes the
// general path from its start, which gives the exact results and errors. A
// routine whose run stopped runs on the general path from then on, until
// the routine tables change.

#pragma once

#include <cstdint>

namespace morvu {

struct TOKEN;

// Runs the routine on the arguments when it translates; false when the
// general path must run the call (nothing has happened then).
bool run_int_routine(TOKEN* routine, const int64_t* arguments, uint32_t count, int64_t& result);

// True when the routine asked for last has been found not to translate
// (while the tables stand): its calls need not read their arguments as
// numbers for it. False whenever it is not known so cheaply.
bool int_routine_refused(const TOKEN* routine);

}  // namespace morvu
