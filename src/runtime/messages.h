// Every text the interpreter shows a user lives in one compiled-in table and
// is found by a short identifier. Code asks msg_text() for the text, fills the
// placeholders with format_string() and raises or returns the result; no
// English message is spelled anywhere else. An identifier the table does not
// hold gives the empty text, never null.

#pragma once

#include <cstdarg>
#include <string>

namespace morvu {

struct MESSAGE_ROW {
    const char* identifier;
    const char* text;
};

inline constexpr int message_count = 367;
extern const MESSAGE_ROW message_catalogue[message_count];

// The text of an identifier; "" for one the catalogue does not hold.
const char* msg_text(const char* identifier);

// The texts of two identifiers joined, in one process-wide buffer that the
// next call overwrites.
const char* msg_text_concat2(const char* first, const char* second);

// Empties the concatenation buffer (global clean-up).
void clear_msg_text();

// printf-style formatting into a new text. The format is a catalogue text or a
// literal of ours; user text only ever comes in as an argument.
std::string format_string(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string format_string_v(const char* format, va_list args);

// What format_string gives for a result longer than the C library can count
// (INT_MAX bytes: a message that quotes a huge text): each conversion is
// formatted on its own and a text argument is copied as it stands.
// format_string falls back on it; it takes the conversions of the catalogue
// and of our literals (%s, %c, %d and their sisters with a length, %%).
std::string format_string_piecewise(const char* format, va_list args);

// A catalogue text whose "%d" placeholders take numbers of any size, given
// as their decimal texts, in order: a position or a length in a text may lie
// beyond the int range, and a number a program wrote beyond any machine
// range is shown as it is.
std::string format_numbers(const char* format, const std::string& first, const std::string& second = {});

}  // namespace morvu
