// The values of a for loop, statement or function: the arguments between
// the loop variable and the block. A range written among them as an
// argument of its own (a .. b, a .: b or a :. b, neither the first nor the
// last argument) is stepped through by its two ends instead of having all
// its elements made first, so a loop over a million numbers holds one number
// at a time. Each element is a temporary value of the range's type, as the
// elements the range operator makes are.
//
// FOR_ARGUMENTS evaluates the arguments the way a fresh argument frame does:
// in order, with the same holds, and the ends of such a range with the range
// operator's own checks and errors. The walk is taken only where its outcome
// is that of the general road: the first and the last argument give one
// result each, the first is a variable and the last a defined code value.
// For any other outcome park_expanded() makes every range into its elements
// and parks the whole list on the argument subtree, where the loop's own
// argument frame takes it over and raises what the general road raises.

#pragma once

#include <cstdint>
#include <vector>

#include "eval/operator_handlers.h"
#include "exec/control_statements.h"
#include "exec/int_loops.h"
#include "values/cell_holds.h"
#include "values/result_list.h"

namespace morvu {

struct TOKEN;
class UNION_DATA;

// Visits one value of the loop: its cell, and whether that cell still
// belongs to a value (an element or member the loop body may have removed).
// Returns true to end the walk.
// A visitor may also take over a run of int values of a range after the
// first (run_ints, which may be null): it gives them to its loop itself and
// says where it stopped, as run_int_range does.
struct FOR_VALUE_VISIT {
    bool (*visit)(void* context, UNION_DATA* cell, bool alive);
    void* context;
    RANGE_RUN (*run_ints)(void* context, int64_t& next, int64_t last, int64_t step) = nullptr;
};

class FOR_ARGUMENTS {
public:
    FOR_ARGUMENTS() = default;
    FOR_ARGUMENTS(const FOR_ARGUMENTS&) = delete;
    FOR_ARGUMENTS& operator=(const FOR_ARGUMENTS&) = delete;

    // Whether the loop's call node would evaluate its own arguments (none
    // are parked for it) and one of its values is written as a range.
    static bool has_range_to_walk(TOKEN* call);

    // Evaluates the arguments of the call node. With abandon, stops and
    // returns false as soon as an argument leaves a new language exception
    // pending, as a routine call by name does; otherwise returns true.
    bool evaluate(TOKEN* call, RESULT_ITEM this_item, bool abandon);

    // Whether the values can be walked (see above).
    bool walkable() const;
    // Whether there is at least one value.
    bool has_values() const;
    // Parks the arguments, ranges made into their elements, on the call's
    // argument subtree for a fresh argument frame to take over.
    void park_expanded(TOKEN* call);

    RESULT_ITEM variable() const { return list.head->item; }
    // The block the code (the last argument) runs.
    TOKEN* body() const;
    // The same with the current item the code runs with: null, or the
    // message of code_context when the object the code was made in is gone.
    const char* body_and_context(TOKEN*& block, RESULT_ITEM& context) const;

    // Visits every value in order until the visit asks to end.
    void walk(FOR_VALUE_VISIT visit);

private:
    struct SPAN_AT {
        uint32_t items_before = 0;  // the arguments' results before the range
        RANGE_SPAN span;
    };

    HOLD_SCOPE holds;  // released after the list is freed
    RESULT_LIST list;
    // The spans in order: the first in place (a loop has one range as a
    // rule), the others after it.
    SPAN_AT first_span;
    std::vector<SPAN_AT> more_spans;
    size_t span_count = 0;
    uint32_t first_count = 0;  // results of the first argument
    uint32_t last_count = 0;   // results of the last argument
    // The code written as a braced block, the commonest last argument: its
    // code value, a new one at every evaluation that nothing else sees, is
    // made only when the arguments are parked for the general road.
    TOKEN* written_block = nullptr;
    RESULT_ITEM block_this{};  // the current item such a value would capture

    bool walk_span(const RANGE_SPAN& span, FOR_VALUE_VISIT visit);
    SPAN_AT& new_span(uint32_t items_before);
    const SPAN_AT& span_at(size_t index) const { return index == 0 ? first_span : more_spans[index - 1]; }
};

}  // namespace morvu
