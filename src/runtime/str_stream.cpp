#include "runtime/str_stream.h"

namespace morvu {

void STR_DATA::begin_read(const char** error) {
    *error = nullptr;
    if (reading) return;  // continue where the previous read stopped
    reading = true;
    read_position = 0;
    read_length = text.find('\0');
    if (read_length == std::string::npos) read_length = text.size();
}

bool STR_DATA::read_char(char* out, bool stop) {
    if (!reading || read_position >= read_length || read_position >= text.size()) return true;
    *out = text[read_position++];
    return stop;
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
