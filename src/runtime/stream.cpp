#include "runtime/stream.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "runtime/text_utils.h"

namespace morvu {

IO_FORMAT terminal_format;
IO_FORMAT str_format;
IO_FORMAT file_format;

const char* const word_separators[word_separator_count] = {" ", "\t", "\f", "\v", "\n", "\xFF"};

namespace {

constexpr char backspace = 8;
constexpr char stored_nul = '\xFF';

// The message of the last bad format field; set_out_fmt returns a pointer
// into it, valid until the next such message or clear_format_text.

// The value of a signed field that str_is_integer accepted, saturated to
// +-INT64_MAX so that neither the parse nor the negation of a width
// overflows. A width counts bytes, so it may lie beyond the int range.
int64_t saturated_width(const std::string& field) {
    bool negative = field[0] == '-';
    size_t i = (field[0] == '+' || field[0] == '-') ? 1 : 0;
    int64_t value = 0;
    for (; i < field.size(); ++i) {
        if (value > (INT64_MAX - (field[i] - '0')) / 10) {
            value = INT64_MAX;
            break;
        }
        value = value * 10 + (field[i] - '0');
    }
    return negative ? -value : value;
}

}  // namespace

// ---------------------------------------------------------------------------
// Format records

void IO_FORMAT::clear_in_spc() {
    in_spc.clear();
    in_spc.shrink_to_fit();
    longest = 0;
}

void IO_FORMAT::clear_out_spc() { out_spc.reset(); }

void IO_FORMAT::clear_out_fmt() {
    widths.clear();
    widths.shrink_to_fit();
    fill = ' ';
    column = 0;
}

const char* IO_FORMAT::set_in_spc(const char* const* texts, int count) {
    clear_in_spc();
    if (texts == nullptr) return nullptr;
    std::vector<std::string> copies;
    copies.reserve(count > 0 ? count : 0);
    for (int i = 0; i < count; ++i) copies.emplace_back(texts[i]);
    return set_in_spc(copies);
}

const char* IO_FORMAT::set_in_spc(const std::vector<std::string>& texts) {
    clear_in_spc();
    size_t max_length = 0;
    for (const std::string& text : texts) {
        if (text.empty()) return msg_text("leezeiketsepunz");  // no separators are left
        max_length = std::max(max_length, text.size());
    }
    in_spc = texts;
    longest = max_length;
    return nullptr;
}

void IO_FORMAT::set_out_spc(const char* text) {
    if (text == nullptr) out_spc.reset();
    else out_spc = text;
}

const char* IO_FORMAT::set_out_fmt(const char* format_text, char fill_char) {
    clear_out_fmt();
    std::string text = format_text == nullptr ? "" : format_text;
    if (text.empty()) return nullptr;
    if (text.find_first_of("+-") == std::string::npos) return msg_text("forzeiketentwedplunocminzei");
    if (text[0] != '+' && text[0] != '-') return msg_text("forzeiketmuspluminzeibeg");

    std::vector<int64_t> parsed;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("+-", start + 1);
        if (end == std::string::npos) end = text.size();
        std::string field = text.substr(start, end - start);
        if (!str_is_integer(field)) {
            return keep_message(format_string(msg_text("zeiketforzeiketkeiint"), field.c_str()));
        }
        parsed.push_back(saturated_width(field));
        start = end;
    }
    widths = std::move(parsed);
    fill = fill_char;
    return nullptr;
}

void IO_FORMAT::copy_out_fmt(const int64_t* source, int count) {
    clear_out_fmt();
    if (source != nullptr && count > 0) widths.assign(source, source + count);
}

std::string out_fmt_text(const IO_FORMAT& format) {
    std::string text;
    for (int64_t width : format.widths) {
        if (width > 0) text += '+';
        text += std::to_string(width);
    }
    return text;
}

// ---------------------------------------------------------------------------
// Column padding

namespace {

// The largest block of fill characters handed to a stream in one write: a
// huge width costs a few writes of this size instead of one per character.
constexpr uint64_t fill_block = 64 * 1024;

// Writes count fill characters as few unformatted writes. A NUL fill gives
// the empty text, so nothing is written for it.
void write_fill(STREAM_DATA& stream, char fill, uint64_t count, const char** error) {
    if (count == 0 || fill == '\0') return;
    const std::string block(static_cast<size_t>(std::min(count, fill_block)), fill);
    while (count > 0) {
        // The last part may be shorter: it is the block's tail.
        const size_t part = static_cast<size_t>(std::min(count, fill_block));
        stream.write(block.c_str() + (block.size() - part), false, error);
        if (*error != nullptr) return;
        count -= part;
    }
}

}  // namespace

uint64_t IO_FORMAT::next_padding(size_t length) const {
    if (widths.empty()) return 0;
    const int64_t width = widths[column < 0 || column >= n_widths() ? 0 : column];
    const uint64_t span = width < 0 ? 0 - static_cast<uint64_t>(width) : static_cast<uint64_t>(width);
    return span > length ? span - length : 0;
}

void write_in_column(STREAM_DATA& stream, IO_FORMAT& format, const char* text, const char** error) {
    *error = nullptr;
    if (format.widths.empty()) {
        stream.write(text, false, error);
        return;
    }
    if (format.column < 0 || format.column >= format.n_widths()) format.column = 0;
    const bool before = format.widths[format.column] > 0;
    const uint64_t padding = format.next_padding(std::strlen(text));

    if (before) write_fill(stream, format.fill, padding, error);
    if (*error != nullptr) return;
    stream.write(text, false, error);
    if (*error != nullptr) return;
    if (!before) write_fill(stream, format.fill, padding, error);
    if (*error != nullptr) return;
    if (++format.column >= format.n_widths()) format.column = 0;
}

// ---------------------------------------------------------------------------
// Scanners

bool read_input_item(STREAM_DATA* stream, std::string& item, bool single, const char** error) {
    *error = nullptr;
    stream->begin_read(error);
    if (*error != nullptr) return false;

    if (single) {
        // One character, whatever it is. The read passes false so that the
        // end of input stays apart from a delivered character: at the end
        // nothing is appended and the read reports it, as every other read does.
        char ch = 0;
        if (stream->read_char(&ch, false)) return false;
        item += ch == '\0' ? stored_nul : ch;
        return true;
    }

    const size_t start = item.size();
    const bool interactive = stream->is_interactive();
    const IO_FORMAT& format = stream->format();
    char ch = 0;

    if (format.in_spc.empty()) {
        while (!stream->read_char(&ch, false)) {
            if (ch == backspace && interactive) {
                if (item.size() > start) item.pop_back();
            } else {
                item += ch == '\0' ? stored_nul : ch;
            }
        }
        return item.size() > start;
    }

    if (format.longest == 1) {
        // Separators of one character each (words, most item input): one
        // table look-up per character takes the place of the window.
        bool is_separator[256] = {};
        for (const std::string& separator : format.in_spc)
            is_separator[static_cast<unsigned char>(separator[0])] = true;
        while (!stream->read_char(&ch, false)) {
            if (ch == backspace && interactive) {
                if (item.size() > start) item.pop_back();
                continue;
            }
            const char stored = ch == '\0' ? stored_nul : ch;
            if (!is_separator[static_cast<unsigned char>(stored)]) {
                item += stored;
                continue;
            }
            if (item.size() > start) return true;  // the separator ends the item
        }
        return item.size() > start;
    }

    const size_t longest = format.longest;
    std::string window;  // the last characters read, not yet known to be item text
    window.reserve(longest);
    while (!stream->read_char(&ch, false)) {
        if (ch == backspace && interactive) {
            if (!window.empty()) window.pop_back();
            else if (item.size() > start) item.pop_back();
            continue;
        }
        window += ch == '\0' ? stored_nul : ch;

        const std::string* match = nullptr;
        for (const std::string& separator : format.in_spc) {
            if (window.size() >= separator.size() &&
                window.compare(window.size() - separator.size(), separator.size(), separator) == 0) {
                match = &separator;
                break;
            }
        }
        if (match != nullptr) {
            item.append(window, 0, window.size() - match->size());
            window.clear();
            if (item.size() > start) return true;  // the separator ends the item
            continue;                              // a separator before the item is skipped
        }
        if (window.size() >= longest) {
            item += window[0];
            window.erase(0, 1);
        }
    }
    item += window;
    return item.size() > start;
}

bool read_input_line(STREAM_DATA* stream, std::string& line, const char** error) {
    *error = nullptr;
    stream->begin_read(error);
    if (*error != nullptr) return false;

    const bool interactive = stream->is_interactive();
    const bool binary = stream->is_binary();
    const size_t start = line.size();
    bool any = false;
    char ch = 0;
    while (!stream->read_char(&ch, false)) {
        any = true;
        if (ch == '\n' || (ch == '\r' && !binary)) break;
        if (ch == backspace && interactive) {
            if (line.size() > start) line.pop_back();
        } else {
            line += ch == '\0' ? stored_nul : ch;
        }
    }
    return any;
}

bool read_line(STREAM_DATA* stream, NAME_LIST& lines) {
    const bool binary = stream->is_binary();
    std::string line;
    bool open = false;  // a line without its end has begun
    char ch = 0;
    while (!stream->read_char(&ch, false)) {
        if (ch == '\n' || (ch == '\r' && !binary)) {
            lines.append(std::move(line));
            line.clear();
            open = false;
        } else {
            line += ch == '\0' ? '\xff' : ch;
            open = true;
        }
    }
    if (open) lines.append(std::move(line));  // a last line without line end
    return true;
}

}  // namespace morvu
