// What the methods of date, time, timezone and datetime share: reading
// their arguments and checking the receiver of a setter.

#pragma once

#include <string>

#include "runtime/str_stream.h"
#include "types/method_call.h"
#include "values/calendar.h"

namespace morvu {

// The text of a str argument (links followed). The argument must have
// passed a defined check.
inline const std::string& calendar_text_arg(const METHOD_CALL& call, int32_t index) {
    return argument_value(call.arg(index).cell)->str_data()->text;
}

inline const INT_DATA& calendar_int_arg(const METHOD_CALL& call, int32_t index) {
    return *argument_value(call.arg(index).cell)->int_data();
}

// The receiver of a method that changes it: present, defined (non_empty:
// holding a value), then no constant. Returns its value cell.
inline UNION_DATA* calendar_setter_receiver(const METHOD_CALL& call, bool non_empty) {
    UNION_DATA* receiver = call.checked_receiver(non_empty);
    call.refuse_constant();
    return receiver;
}

// A value made by a call form is handed out as a constructor's result.
inline void append_made(const METHOD_CALL& call, RESULT_ITEM made) {
    made.mode = 3;
    call.append(made);
}

}  // namespace morvu
