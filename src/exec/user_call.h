// The call of one user procedure or function that call_routine has found:
// an activation of the routine's variables, the arguments bound to the
// parameters (collecting parameters take the middle), the body run, the
// results collected from the result names, and the return, continue and
// break counters settled on every way out.

#pragma once

#include <memory>
#include <vector>

#include "frontend/token.h"
#include "numbers/int_data.h"
#include "runtime/build_options.h"
#include "types/method_call.h"

namespace morvu {

// Where a caller that reads a result only as a number receives it: a
// function whose one result is a plain int variable, or a sum of calls that
// stays a small int, hands its number over here, and no result cell is made
// for it.
struct INT_RESULT_SLOT {
    std::unique_ptr<INT_DATA> number;
};

// The node whose result the slot is to receive. Every call, and every
// + - * of calls, takes the request away as it starts, so no evaluation below
// it ever sees it.
struct INT_RESULT_REQUEST {
    const TOKEN* node = nullptr;
    INT_RESULT_SLOT* slot = nullptr;
};
extern INT_RESULT_REQUEST int_result_request;

// Hands on a function's result computed on machine ints as the general
// road hands an int result: into the slot asked for, else as a new int
// cell appended to the results.
void deliver_int_result(int64_t value, INT_RESULT_SLOT* slot, RESULT_LIST& results);

// Asks for the result of the node as a number alone while it lives.
class INT_RESULT_ASK {
public:
    INT_RESULT_ASK(const TOKEN* node, INT_RESULT_SLOT* slot) {
        if constexpr (fast_paths) int_result_request = INT_RESULT_REQUEST{node, slot};
    }
    ~INT_RESULT_ASK() { int_result_request = INT_RESULT_REQUEST{}; }
    INT_RESULT_ASK(const INT_RESULT_ASK&) = delete;
    INT_RESULT_ASK& operator=(const INT_RESULT_ASK&) = delete;
};

struct USER_ROUTINE_CALL {
    TOKEN* node;                  // the call node
    CALL_ARGS* args;              // the evaluated arguments and the key
    RESULT_LIST* results;         // non-null for a function call
    RESULT_ITEM receiver;         // the object of a type routine
    RESULT_ITEM context;          // the this_item that code arguments capture
    bool type_routine;            // the routine belongs to a type (error wording)
    INT_RESULT_SLOT* int_result;  // non-null: a plain int result goes there
    // Non-null: the arguments are small ints not made into cells yet (the
    // items of args hold no cell); they are bound as numbers, or made into
    // the cells their evaluation would have made, kept in `made_cells`.
    const int64_t* int_arguments;
    RESULT_LIST* made_cells;
    // Bit i set: argument i is the constant cell an int or str literal's
    // node keeps, not a cell of the call's own. Such an argument is copied
    // into a plain parameter of its type; any other binding first gets a
    // cell of its own, as the literal's evaluation would have made it.
    uint32_t shared_literals = 0;
    // With int_arguments: per argument, the item the evaluation of an int
    // literal or plain int variable gave, taken where the argument stands
    // (no cell for arithmetic); such an argument binds as that item.
    const RESULT_ITEM* int_items = nullptr;
    // Non-null: a bool result of the function's own variable goes there.
    TRUTH_SLOT* truth_result = nullptr;
    // Bit i set: argument i is lent (see ROUTINE_REQUEST).
    uint32_t lent_arguments = 0;
};

// Appends to the list what the evaluation of an argument read as the number
// gives: a new int cell for arithmetic (item without a cell), else the item
// (a literal's shared cell gets its bit in `shared`).
void append_number_argument(RESULT_LIST& list, const RESULT_ITEM& item, int64_t value, uint32_t& shared);

// The parts of a routine's definition and its parameter and result names
// with their roles, as the first call of the routine checked them.
struct ROUTINE_NAMES {
    TOKEN* body = nullptr;
    TOKEN* scope_node = nullptr;  // whose scope holds the routine's variables
    const TOKEN_LIST* parameters = nullptr;
    const std::vector<int8_t>* parameter_roles = nullptr;
    const std::vector<uint8_t>* collecting = nullptr;  // per parameter: declared args
    const TOKEN_LIST* results = nullptr;
    const std::vector<int8_t>* result_roles = nullptr;
};

// False for a routine that has not run to its body since the routine tables
// last changed, and for a procedure.
bool checked_routine_names(const TOKEN* routine, ROUTINE_NAMES& names);

// Runs the routine (its definition node). crossed_type: the routine was
// found outside the receiver's type, so its body runs without the object.
void run_user_routine(const USER_ROUTINE_CALL& call, TOKEN* routine, bool crossed_type);

// A list or hash that an argument list alone holds (item.owned), given to a
// cell that would take a copy of it by a plain assignment: the cell takes
// the value over, as the copy would have made it. False, with nothing done,
// when the copy could be told apart or the assignment rules would look
// further (links into or out of the value, a walk or position kept in it,
// a target that is a link, linked to, in use or of another type).
bool take_over_argument(const RESULT_ITEM& item, UNION_DATA* target);

}  // namespace morvu
