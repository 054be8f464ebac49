// Text building: str:(...) of plain values, written straight into the text
// that receives them.
//
// While the texts' format writes values plainly (no column widths, no
// spacing between items) the text of an int is its digits, the text of a
// char its byte (nothing for the empty char), the text of a str its
// characters up to the first NUL, and an undefined value writes nothing;
// str:(...) of such values is their texts one after the other. The writers
// here append to a std::string the caller owns (a new str's text, or the
// text of the variable a `+=` appends to), so no temporary text lies in
// between. Values of any other kind go through the output family, which
// may run the program's own code; these writers refuse them.

#pragma once

#include <cstddef>
#include <string>

#include "runtime/stream.h"
#include "values/union_data.h"

namespace morvu {

// Whether the texts' format writes plain values as they are.
inline bool plain_text_format() { return str_format.widths.empty() && !str_format.out_spc; }

// Whether a value, read as a method reads its argument (argument_value), is
// one the writers take: an int, a str or a char, defined or not.
inline bool is_plain_scalar(const UNION_DATA* value) {
    if (value == nullptr) return false;
    const char tag = lower_tag(value->tag);
    return tag == tag_int || tag == tag_str || tag == tag_char;
}

// Room for `extra` more bytes at the end of a text that appends build: a
// text of a megabyte or more grows to four times what it needs rather than
// to twice its size (a very long one to twice what it needs), so it is
// copied less often while it grows. The room is memory only once written.
inline void make_room(std::string& text, size_t extra) {
    const size_t needed = text.size() + extra;
    if (needed <= text.capacity() || needed < (size_t{1} << 20)) return;
    text.reserve(needed < (size_t{1} << 26) ? 4 * needed : 2 * needed);
}

// Appends the text of a value that is_plain_scalar accepts. `limit` caps
// the length taken of a str: a text appended to itself gives what it held
// before the append began.
void append_plain_scalar(UNION_DATA* value, std::string& out, size_t limit = std::string::npos);

}  // namespace morvu
