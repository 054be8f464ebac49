// The methods that evaluate a code argument once per element (find, Find,
// find_all, Find_all and sort, Sort with a loop variable and code) share one
// protocol: the first argument is the loop variable, bound as an alias of
// each element in turn; the second is a code value, evaluated with the
// handler's this_item, whose values decide.
//
// The loop variable is where the method writes, so it need not hold a value
// yet (a fresh `any v` is accepted); the code argument must be defined.

#pragma once

#include <memory>

#include "types/method_call.h"
#include "values/walk_pins.h"

namespace morvu {

class SORT_KEYS;

// The argument checks of a method with loop variable and code: two
// arguments, the first a variable, the second a defined code value.
void check_loop_code_args(const METHOD_CALL& call);

// The access mode of the receiver's elements: read-only when the receiver
// is no variable.
uint32_t element_access(const METHOD_CALL& call);

// Binds the loop variable (first argument) as an alias of the element, with
// the access mode the element may be written with. A read-only mode stays
// with the variable after the method, for as long as it stays the alias.
void bind_loop_variable(const METHOD_CALL& call, UNION_DATA* element, uint32_t access);

// Evaluates the code (second argument) once; copies of the values it yields
// are appended to out (copy mode 4).
void evaluate_code(const METHOD_CALL& call, RESULT_LIST& out);

// Evaluates a block as an expression list with the given current object and
// appends a copy of each value (aliases followed to their end, copy mode 4)
// to out. The block is in its running mode meanwhile and back at rest on
// every exit, so an error inside leaves it usable. A null block yields
// nothing.
void evaluate_block(const METHOD_CALL& call, TOKEN* block, RESULT_ITEM this_item, RESULT_LIST& out);

// Binds the loop variable to the element and evaluates the code, which must
// yield exactly one bool value: "Expect evaluable code", "Expect code with
// exactly one value", "Expect code with boolean value" otherwise. Any bool
// other than false (an empty one too) counts as true.
bool element_matches(const METHOD_CALL& call, UNION_DATA* element, uint32_t access);
// The same without a loop variable: the code evaluated as it stands.
bool code_yields_true(const METHOD_CALL& call);

// Binds the loop variable to the element and evaluates the code: the sort
// key, a new any cell holding a copy of its one value, or a list of copies
// of its several values; none raises "Expect evaluable code".
std::unique_ptr<UNION_DATA> element_sort_key(const METHOD_CALL& call, UNION_DATA* element, uint32_t access);
// The same, the key given to keys, which hold it compactly where they can.
void add_element_sort_key(const METHOD_CALL& call, UNION_DATA* element, uint32_t access, SORT_KEYS& keys);

// Raises the receiver's iteration count while a code argument runs, so that
// code which changes the container is refused ("infeasible during
// iteration") instead of freeing what the walk holds.
class ITERATION_HOLD {
public:
    explicit ITERATION_HOLD(int32_t& count) : count(count) {
        ++count;
        ++running_walks;
    }
    ~ITERATION_HOLD() {
        --count;
        --running_walks;
    }
    ITERATION_HOLD(const ITERATION_HOLD&) = delete;
    ITERATION_HOLD& operator=(const ITERATION_HOLD&) = delete;

private:
    int32_t& count;
};

}  // namespace morvu
