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

}  // namespace morvu
