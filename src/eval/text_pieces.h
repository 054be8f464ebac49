// The plain writing of values into texts, and the arguments of str:(...)
// that can be read without running code.
//
// While the texts' format writes values plainly (no column widths, no
// spacing between items) the text of an int is its digits, the text of a
// char its byte (nothing for the empty char), the text of a str, or the
// message of an error, its characters up to the first NUL, the text of a
// bool true or false (nothing for the empty bool), and an undefined value
// writes nothing.
// TEXT_PIECES holds the arguments of one str:(...) call whose arguments
// are char literals, plain variables (members of the current object while
// FAST_MEMBERS holds it) and int or str literals already made into their
// node's constant cell: it reads them all first (refusing, with
// nothing written, any other shape or value) and then writes their texts
// one after the other into a text its caller owns.

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "eval/member_access.h"
#include "frontend/scope.h"
#include "runtime/stream.h"
#include "values/union_data.h"

namespace morvu {

struct TOKEN;

// Whether the texts' format writes plain values as they are.
inline bool plain_text_format() { return str_format.widths.empty() && !str_format.out_spc; }

// Whether a value, read as a method reads its argument (argument_value), is
// one the writers take: an int, a str, a char, a bool or an error, defined
// or not.
inline bool is_plain_scalar(const UNION_DATA* value) {
    if (value == nullptr) return false;
    const char tag = lower_tag(value->tag);
    return tag == tag_int || tag == tag_str || tag == tag_char || tag == tag_bool || tag == tag_error;
}

// Room for `extra` more bytes at the end of a text that appends build: a
// text of a megabyte or more grows to four times what it needs rather than
// to twice its size (a very long one to twice what it needs), so it is
// copied less often while it grows. The room is memory only once written;
// its pages are committed a step ahead of the writing, in bulk, rather than
// one page fault at a time (see grow_text).
constexpr size_t large_text_size = size_t{1} << 20;
constexpr size_t text_commit_step = size_t{1} << 18;
void grow_text(std::string& text, size_t needed);
inline void make_room(std::string& text, size_t extra) {
    const size_t needed = text.size() + extra;
    if (needed < large_text_size) return;
    if (needed > text.capacity() || (text.size() ^ needed) >= text_commit_step) grow_text(text, needed);
}

// Appends the text of a value that is_plain_scalar accepts. `limit` caps
// the length taken of a str: a text appended to itself gives what it held
// before the append began.
void append_plain_scalar(UNION_DATA* value, std::string& out, size_t limit = std::string::npos);

// Whether a node is the conversion str:(...) by the type's written name
// (no user type of that name), a call without a name, whatever the object
// the call is made in.
inline bool is_text_conversion(const TOKEN* node) {
    if (node->evaluator != eval_member || node->op1 != ':' || node->op2 != 0) return false;
    const TOKEN* part = node->right;
    if (part == nullptr || !is_call_token(part) || !part->text->empty()) return false;
    const TOKEN* type = node->left;
    return is_word(type, "str") && (type->declaration == nullptr || !is_type_definition(type->declaration));
}

// The pieces of a str:(...) call, read before anything is written.
struct TEXT_PIECES {
    static constexpr uint32_t capacity = 8;
    // An argument's value, or for a char literal (value null) its byte.
    struct PIECE {
        UNION_DATA* value;
        char byte;
    };
    PIECE pieces[capacity];
    uint32_t count = 0;

    // Reads the arguments of the call's argument subtree (null: no
    // arguments). False where an argument has another shape, a literal's
    // cell is not made yet, a value is no int, str or char, or there are
    // more than `capacity`; the caller then takes the general road.
    bool read(TOKEN* subtree);

    // Appends the pieces' texts to out; `limit` caps a piece that is out
    // itself, as for append_plain_scalar, and no other.
    void write(std::string& out, size_t limit = std::string::npos) const;
};

}  // namespace morvu
