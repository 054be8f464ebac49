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

#include <cstddef>
#include <cstdint>
#include <memory>

#include "numbers/int_data.h"
#include "values/result_list.h"

namespace morvu {

struct TOKEN;

// A level counter. Counters are set and lowered once per early way out of
// a routine or loop, and nearly always hold a small count: the count is a
// machine int then, and only a counter that is handed out as a number
// (compared, set from an int value, shown in a message) gets a number of
// its own, which then holds the count.
class PENDING_COUNTER {
public:
    explicit operator bool() const { return levels != 0; }
    bool operator==(std::nullptr_t) const { return levels == 0; }

    void reset() {
        levels = 0;
        if (wide) wide.reset();
    }
    // A count of at least 1.
    void set(int64_t count) {
        if (wide) wide.reset();
        levels = count;
    }
    // The counter as a number, which may be changed in place (set only).
    INT_DATA& operator*() { return levels > 0 ? widened() : *wide; }
    INT_DATA* operator->() { return &**this; }
    // Takes the number over as the counter (null: nothing pending).
    PENDING_COUNTER& operator=(std::unique_ptr<INT_DATA> number);

    // Lowers a set counter by one, releasing it at 0.
    void lower() {
        if (levels > 0) --levels;
        else if (levels < 0) lower_wide();
    }
    // Set and equal to 1.
    bool is_one() const { return levels == 1 || (levels < 0 && wide_is_one()); }

private:
    int64_t levels = 0;  // > 0: the count; < 0: the count is `wide`; 0: not set
    std::unique_ptr<INT_DATA> wide;

    INT_DATA& widened();
    void lower_wide();
    bool wide_is_one() const;
};

extern PENDING_COUNTER pending_return;
extern PENDING_COUNTER pending_continue;
extern PENDING_COUNTER pending_break;

// True while any of the three counters is set.
inline bool control_pending() { return pending_return || pending_continue || pending_break; }

// Lowers a set counter by one and releases it when it reaches 0; a null
// counter stays null.
inline void lower_counter(PENDING_COUNTER& counter) { counter.lower(); }

// True when the counter is set and equal to 1.
inline bool counter_is_one(const PENDING_COUNTER& counter) { return counter.is_one(); }

// Releases all three counters.
void release_counters();

// return(n), continue(n) or break(n) with a literal n of at least 1, as
// loops and routines are mostly left early: the counter takes the literal's
// number, which is all a frame of the argument would give it. False, with
// the counter as it was, for any other argument.
bool set_counter_from_literal(const TOKEN* node, PENDING_COUNTER& counter);

// Statement executors: return(n), continue(n) with one int argument n >= 1,
// and the empty statement, which does nothing.
void exec_return(TOKEN* node, RESULT_ITEM this_item);
void exec_continue(TOKEN* node, RESULT_ITEM this_item);
void exec_nothing(TOKEN* node, RESULT_ITEM this_item);

}  // namespace morvu
