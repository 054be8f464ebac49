// The one pending language exception of a run, and the road from an operator
// on an object of a user type to the operator method of that type.
//
// At most one PENDING_EXCEPTION exists at a time; `pending_exception` holds
// it (null when nothing is pending) and owns it. The record owns its value:
// the thrown value, or for an error that escaped a statement a cell of type
// error holding that error's file, line, message and kind. While a record is
// set, every block skips its statements except catch and exit, and a newly
// raised error is replaced by the error the pending value holds.

#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "exec/call_routine.h"
#include "values/result_list.h"
#include "runtime/error.h"
#include "values/union_data.h"

namespace morvu {

struct TOKEN;

struct PENDING_EXCEPTION {
    std::string file;  // "" until set
    uint32_t line = 0;
    std::string message;
    char kind = 'u';                    // 'u' user; 'a', 'p', 's' the error kinds
    std::unique_ptr<UNION_DATA> value;  // the thrown value, owned

    // A record without value (errors of the run that carry no value).
    PENDING_EXCEPTION() = default;
    // An empty value cell of the given type tag (the block executor uses
    // 'e' and then fills the error payload).
    explicit PENDING_EXCEPTION(char tag);
    // A deep copy of the source cell as value (throw).
    explicit PENDING_EXCEPTION(UNION_DATA* source);
    ~PENDING_EXCEPTION();
    PENDING_EXCEPTION(const PENDING_EXCEPTION&) = delete;
    PENDING_EXCEPTION& operator=(const PENDING_EXCEPTION&) = delete;
};

extern PENDING_EXCEPTION* pending_exception;

// Whether an exception is pending. A statement runs only while none is,
// so one that is pending after a routine ran has come from it: the routine
// failed, and an assignment that sees it stores nothing more.
inline bool exception_pending() { return pending_exception != nullptr; }

// Installs a new pending exception (owned from now on), destroying the
// previous one first. Null just drops the pending one.
void set_pending_exception(PENDING_EXCEPTION* fresh);

// The error the pending value holds when it is a value of type error; null
// when nothing is pending or the value is of another type. Valid until the
// next call.
const ERROR* pending_error_value();

// Runs the operator method that the user type of the left operand defines
// for `op` ("+=", "-=", "*=", "/=", "%=", "^=", "<") and the right operand's
// type. With a result list the method is a function whose results are
// appended to it; without one a procedure. Returns call_routine_status's
// outcome: not_defined when the type has no such method (nothing ran; the
// message, when wanted, comes from not_defined_message).
// With `truth`, a method whose one result is its own bool variable may hand
// the truth over there instead of appending a result (TRUTH_SLOT).
// With hold_operands the operands are held in the caller's hold scope
// (values/cell_holds.h) before the method runs, unless the method changes
// nothing outside its own activation: what they name outlives the call.
CALL_OUTCOME call_user_operator_status(TOKEN* node, const char* op, RESULT_ITEM left, RESULT_ITEM right,
                                       RESULT_LIST* results, bool hold_operands = false, TRUTH_SLOT* truth = nullptr);

// The same for callers that take the message as a text: empty when the
// method ran, else the not-defined text.
std::string call_user_operator(TOKEN* node, const char* op, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST* results);

}  // namespace morvu
