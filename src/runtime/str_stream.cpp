#include "runtime/str_stream.h"

#include <algorithm>
#include <unordered_map>

namespace morvu {

namespace {

struct READ_CURSOR {
    size_t position = 0;  // index of the next character to read
    size_t length = 0;    // length of the text when the read began
};

// The cursors of the texts being read, by text.
std::unordered_map<const STR_DATA*, READ_CURSOR>& read_cursors() {
    static std::unordered_map<const STR_DATA*, READ_CURSOR> cursors;
    return cursors;
}

// The cursor of the text read last: a read goes character by character, so
// the map is asked only when another text is read. The map's entries stay
// where they are until erased, and erasing one forgets it here too.
const STR_DATA* last_owner = nullptr;
READ_CURSOR* last_cursor = nullptr;

READ_CURSOR& cursor_of(const STR_DATA* str) {
    if (last_owner != str) {
        last_cursor = &read_cursors()[str];
        last_owner = str;
    }
    return *last_cursor;
}

}  // namespace

void STR_DATA::end_read() {
    if (last_owner == this) last_owner = nullptr;
    read_cursors().erase(this);
    reading = false;
}

void STR_DATA::copy_cursor(const STR_DATA& other) {
    const READ_CURSOR cursor = cursor_of(&other);
    cursor_of(this) = cursor;
    reading = true;
}

void STR_DATA::begin_read(const char** error) {
    *error = nullptr;
    if (reading) return;  // continue where the previous read stopped
    READ_CURSOR cursor;
    cursor.length = text.find('\0');
    if (cursor.length == std::string::npos) cursor.length = text.size();
    cursor_of(this) = cursor;
    reading = true;
}

bool STR_DATA::read_char(char* out, bool stop) {
    if (!reading) return true;
    READ_CURSOR& cursor = cursor_of(this);
    if (cursor.position >= cursor.length || cursor.position >= text.size()) return true;
    *out = text[cursor.position++];
    return stop;
}

bool STR_DATA::read_used_up() const {
    if (!reading) return text.empty();
    const READ_CURSOR& cursor = cursor_of(this);
    return cursor.position >= std::min(cursor.length, text.size());
}

void STR_DATA::write(const char* data, bool formatted, const char** error) {
    *error = nullptr;
    if (formatted && !format().widths.empty()) {
        write_in_column(*this, format(), data, error);
        return;
    }
    reset_read();
    text += data;
}

}  // namespace morvu
