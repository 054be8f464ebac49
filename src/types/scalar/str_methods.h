// What the four source files of the str methods share. str.cpp holds both
// handlers' entries with the searches, access and conversions; str_edit.cpp
// the editing procedures; str_stream.cpp the stream side: reading items out
// of a text, splitting, output into a text and the format settings;
// str_building.cpp the plain cases of str:(...) and of output into a text,
// written straight into the text that receives them.
//
// A str value's payload is a STR_DATA: the text (0xFF stands for NUL) and a
// read cursor. Every change of the text other than output ends the read under
// way (reset_read), so the next input method starts at the first character.
// Positions count bytes from 0; the capitalised variants count from the end.

#pragma once

#include <cstdint>
#include <string>

#include "runtime/str_stream.h"
#include "types/method_call.h"

namespace morvu {

// The receiver's stream after the receiver checks (present, then defined or,
// with non_empty, not empty).
inline STR_DATA& receiver_str(const METHOD_CALL& call, bool non_empty = false) {
    return *call.checked_receiver(non_empty)->str_data();
}

// The text of a str argument that has passed its checks.
inline const std::string& str_argument(const METHOD_CALL& call, int32_t index) {
    return argument_value(call.arg(index).cell)->str_data()->text;
}

// The character of a char argument that has passed its checks.
inline char char_argument(const METHOD_CALL& call, int32_t index) {
    return argument_value(call.arg(index).cell)->char_byte();
}

// A position from the end: length - 1 - index, saturated rather than
// wrapped for an index at the edge of the 64-bit range.
inline int64_t from_end_position(size_t length, int64_t index) {
    int64_t position = 0;
    if (__builtin_sub_overflow(static_cast<int64_t>(length) - 1, index, &position)) return INT64_MAX;
    return position;
}

// A character position given by argument i (an int that passed its
// checks), counted from the end for the capitalised variants, that must lie
// within a text of the given length; raises "unzarg" otherwise.
size_t checked_position(const METHOD_CALL& call, int32_t i, size_t length, bool from_end);

// The editing procedures (repl, set, setp, chop, case, ins, del, flip).
bool str_edit_procedures(METHOD_CALL& call);

// The stream procedures: input forwarded to the function handler, the output
// family, in_reset and the format setters.
bool str_stream_procedures(METHOD_CALL& call);

// The reading functions: in, pin, sin, inw, inc, inl, the split family and
// the taking out of an item (del0, Del0 with a variable).
bool str_input_functions(METHOD_CALL& call);

// A text as a value of the type it reads as: an int, else a real, else a
// char (one byte), else a str.
RESULT_ITEM fitting_value(const std::string& text);

// The call form of str as a function: a new str made from the texts of the
// arguments, appended to the results.
void make_str_from_arguments(METHOD_CALL& call);
// The same as a direct handler, for ints, strs and chars while the texts'
// format writes them plainly; false for anything else.
bool plain_str_from_arguments(const DIRECT_CALL& call);
// s.out(...) and s.outl(...) as direct handlers, for the same values on a
// str variable that no walk is running over.
bool plain_out_into_str(const DIRECT_CALL& call);
bool plain_outl_into_str(const DIRECT_CALL& call);
// s.repl(a, b), s.repl_all(a, b) and their capitalised forms as direct
// handlers, for two defined texts on a str variable that no walk is running
// over; false, with nothing changed, for anything else.
bool plain_replace_first(const DIRECT_CALL& call);
bool plain_replace_all(const DIRECT_CALL& call);

}  // namespace morvu
