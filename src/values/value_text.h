// The text form of values, and the way back for the scalar and calendar
// types.
//
// Every value is shown through one display text: containers nest the texts
// of their elements between brackets ("(1,a)" for a list, "[0->x]" for an
// array, "{1,2}" for a set, "<(...),{...}>" for a graph, "<a,b;c>" for an
// object), an undefined value writes nothing, and a value met again while it
// is being written (it contains itself) writes "..". The display text is
// built in value_text_buffer, appended in place; a container's closing
// bracket overwrites its last separator.
//
// Each cell's being_written mark is set only while that cell's own text is
// being written; a back-reference leaves it alone, so a value that refers to
// itself twice prints ".." twice and ends. The writer keeps its place in
// the containers it is inside on a stack of its own, so a value prints
// whatever its depth.
//
// The key text places hash and set keys. Keys that the store finds equal
// must get one text, whatever the settings, so it is the display text with
// these changes: ints in plain digits ("007" is 7, the empty number 0), reals
// as under output precision -1, a str up to its first NUL byte, dates, times
// and zones padded under the default date format (an empty one as all
// zeros, zero hours without a minus sign), a datetime as its absolute
// seconds, and the pairs of a nested hash or set in bucket order, sorted
// within each bucket (insertion order does not count), the edges of a graph
// sorted. In the default state it is the display text of every key except
// an int typed with leading zeros, an empty number or calendar value, a time
// or zone with negative zero hours, a datetime, and a nested hash, set or
// graph whose pairs share a bucket or whose edges were added out of order;
// so the pairs keep the places that the display order shows.

#pragma once

#include <string>
#include <string_view>

namespace morvu {

class UNION_DATA;

// Empties value_text_buffer, writes the cell's display text into it, puts
// write_value_text's result (null, or the message) into *error and returns
// the buffer. Without an error slot nothing is written and the empty text is
// returned.
const std::string& value_to_text(UNION_DATA* cell, const char** error);

// Appends the display text of one value to value_text_buffer. Null, or
// "Output of type '%s' not allowed" (keep_message) for a sys or code
// value; a container goes on past an element without text.
const char* write_value_text(UNION_DATA* cell);

// The key text of a value (see above). A sys or code value puts its message
// in *message (when given; null otherwise); elements without text form just
// write nothing.
std::string value_key_text(UNION_DATA* cell, const char** message);

// Room for the key text of a 64-bit integer.
struct KEY_DIGITS {
    char text[24];
};

// The key text of a defined int or str cell, exactly as value_key_text
// gives it, without building a text: a str's text up to its first NUL, an
// int within 64 bits as its digits written into `digits`. False for every
// other cell (links, wider ints) and *view untouched: build the key text.
bool scalar_key_view(const UNION_DATA* cell, KEY_DIGITS& digits, std::string_view* view);

// Stores the value a text denotes into a variable, in the variable's own
// type (a link is followed one step). Null, or "Input of type '%s' not
// allowed" for a type without text input, or "Conversion of string '%s'
// into type '%s' not possible" for a text that does not fit; on a message the
// variable keeps its value. An any variable receives the text as a str.
const char* read_value_text(UNION_DATA* cell, const std::string& text);

// The type tag of a built-in type name ("datetime" gives '4'); any other
// name, the empty one too, is a user type: 'k'.
char type_code_of_name(std::string_view name);

}  // namespace morvu
