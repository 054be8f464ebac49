// The call of a routine by name: the one road by which a named call reaches
// a user procedure or function, a method of a built-in type, a method common
// to all types (any) or to all objects of user types, or a statement or
// built-in function addressed through the receiver sys.
//
// A call evaluates its arguments once, into a RESULT_LIST parked on the
// result stack of the call's argument subtree (the call node's left operand),
// where it stays for the caller to unwind (unwind_result_stack): a keyword
// executor or built-in function that takes the call over finds the evaluated
// arguments there instead of evaluating them again. The list is parked only
// once it is complete, also when it is empty; a call with prepared arguments
// parks nothing. The method key (values/signatures.h) is built from the
// routine name and the argument types.

#pragma once

#include <string>

#include "frontend/scope.h"
#include "frontend/token.h"
#include "runtime/build_options.h"
#include "types/method_call.h"

namespace morvu {

// Calls the routine that request.node names (see ROUTINE_REQUEST for the
// fields). Returns `made` when the call was made (or abandoned because a
// language exception became pending during argument evaluation), and
// `not_defined` when nothing answers it: nothing is raised then, and a
// caller that falls through to the keywords or built-in functions loses
// nothing to a message it does not need. Every other failure is raised.
//
// A plain call (its written name, no receiver, no qualification) keeps its
// resolution per call site, for the argument types it was made with, while
// no routine table changes: a call made again neither builds its key nor
// searches the tables.
CALL_OUTCOME call_routine_status(const ROUTINE_REQUEST& request);

// What a plain function call site found when its arguments were numbers:
// the routine the general road found there for such arguments, for the
// tables and the place in the tree it was found with. A site that keeps
// failing to find one stops looking until the tables change.
inline constexpr uint8_t plan_int_call = 1;
inline constexpr uint32_t int_call_patience = 8;
struct INT_CALL_PLAN final : NODE_PLAN {
    INT_CALL_PLAN() : NODE_PLAN(plan_int_call) {}
    uint64_t generation = 0;
    const TOKEN* parent = nullptr;
    TOKEN* routine = nullptr;  // null while none was found
    uint32_t misses = 0;
};

// call_int_routine_at_once past its first test.
bool run_planned_int_call(TOKEN* node, int64_t& result);

// Whether a call node may be one that call_int_routine_at_once runs: false
// once its plan has given up for the tables of now, or for a node keeping
// a plan of another kind.
inline bool int_call_planned(const TOKEN* node) {
    if constexpr (!fast_paths) return false;
    const NODE_PLAN* plan = node->plan.get();
    if (plan == nullptr) return true;
    if (plan->kind != plan_int_call) return false;
    const auto* kept = static_cast<const INT_CALL_PLAN*>(plan);
    return kept->routine != nullptr || kept->misses < int_call_patience ||
           kept->generation != routine_tables_generation;
}

// A plain function call (its written name, no receiver) whose arguments are
// numbers read where they stand, at a site where the general road found a
// routine for such arguments that runs on machine ints: the routine runs on
// them at once, its number in `result`. False, with nothing run, whenever
// the general road must make the call.
inline bool call_int_routine_at_once(TOKEN* node, int64_t& result) {
    return int_call_planned(node) && run_planned_int_call(node, result);
}

// A call with prepared arguments on an object of a user type (request.
// in_object_type set, no qualifier) made as call_routine_status makes it
// when the object's type itself has the routine: `routine` is that routine
// when the caller knows it already, else null and it is looked up. Returns
// the routine that ran; null, with nothing run, when the type has none (the
// caller then takes call_routine_status, which looks further).
TOKEN* call_type_routine(const ROUTINE_REQUEST& request, TOKEN* routine);

// A call x.name(...) on a variable x (`receiver`: its own cell) at a call
// site (`node`: the call part) whose entry was made for the type x holds
// now, a built-in type or a user type (or the built-in type of the value an
// alias x names): the call is made as call_routine_status would make it,
// without the receiver's road, and its outcome left in `outcome`. False,
// with nothing done, for any other case (a reference, a constant, a site
// not seen with this type), which the caller takes on the general road. An
// iteration member never has such an entry for a type it walks.
bool call_seen_method(TOKEN* node, UNION_DATA* receiver, RESULT_LIST* results, RESULT_ITEM context,
                      CALL_OUTCOME& outcome);
// The same on a parameter declared plainly in the input part (`receiver`:
// its own cell, holding a value of a built-in type by value or a reference
// to one, neither an alias nor an object), with the access mode that role
// gives it.
bool call_seen_input_method(TOKEN* node, UNION_DATA* receiver, RESULT_LIST* results, RESULT_ITEM context,
                            CALL_OUTCOME& outcome);
// The same on a parameter declared with ":$" in the input part (`parameter`:
// its own cell, a link to what the caller named or a value of its own),
// with the access mode that role gives it.
bool call_seen_variable_input_method(TOKEN* node, UNION_DATA* parameter, RESULT_LIST* results, RESULT_ITEM context,
                                     CALL_OUTCOME& outcome);
// The same on a receiver a member access evaluated (`receiver`: the value
// its item's links lead to, `mode`: the mode the access hands on), without
// a type qualification: an element, a call's result, a temporary.
bool call_seen_receiver_method(TOKEN* node, UNION_DATA* receiver, uint32_t mode, RESULT_LIST* results,
                               RESULT_ITEM context, CALL_OUTCOME& outcome);
// The same on a member of the current object (`member`: its cell as
// eval_variable finds it, `mode`: the access mode eval_variable gives it),
// holding its value by value.
bool call_seen_member_method(TOKEN* node, UNION_DATA* member, uint32_t mode, RESULT_LIST* results, RESULT_ITEM context,
                             CALL_OUTCOME& outcome);

// The truth of x.name() (`expression`: the member node) at a site whose
// entry was made for the built-in type x holds now and whose handler gives
// the key's one bool as a truth, x being a variable or a plainly declared
// input parameter as call_seen_method takes them: 1 or 0, with no result
// made, as the call would give; -1, with nothing done, for any other case.
int seen_method_truth(TOKEN* expression);

// The conversion str:(...) by the type's written name, with nothing that
// could answer it but the str type's own handler (request.node: the call
// part, request.qualifier: the type str). Arguments that run no code are
// read where they are; others are evaluated in order as for any built-in
// method. Ints, texts and chars under a plain format are written straight
// into the new str; anything else takes the general road with what was
// evaluated. Returns as call_routine_status does.
CALL_OUTCOME call_text_conversion(const ROUTINE_REQUEST& request);

// A caller that uses the result of a built-in method call at once, before
// anything else can run, names the call node here while it evaluates it; a
// method that hands out an element may then hand out the element's own cell
// instead of an alias of it. The call takes the grant over before its
// arguments are evaluated, so no call inside them sees it.
// With objects, the caller only copies the element's value into a plain
// variable: an object of plain members may be handed out too.
class ELEMENT_USED_AT_ONCE {
public:
    explicit ELEMENT_USED_AT_ONCE(const TOKEN* call, bool objects = false);
    ~ELEMENT_USED_AT_ONCE();
    ELEMENT_USED_AT_ONCE(const ELEMENT_USED_AT_ONCE&) = delete;
    ELEMENT_USED_AT_ONCE& operator=(const ELEMENT_USED_AT_ONCE&) = delete;

private:
    const TOKEN* saved;
    bool saved_objects;
};

// The not-defined message of the last call that found nothing ("Function
// 'f(int)' not defined"), formatted now; raise_not_defined raises it at that
// call's node.
std::string not_defined_message();
[[noreturn]] void raise_not_defined();

}  // namespace morvu
