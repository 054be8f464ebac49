// All reading and writing of program data goes through STREAM_DATA: the
// console, an in-memory text and a named file implement its five operations.
// Each stream refers to one of three process-wide IO_FORMAT records (one per
// stream class, shared by every stream of that class) holding the input
// separators that cut input into items, the output spacing text and the
// output column widths with their fill character.
//
// Invariants of IO_FORMAT: no separator is empty, and `longest` is the length
// of the longest one (0 without separators); `column` indexes `widths` (it is
// 0 when there are none). A positive width pads before the text, a negative
// one after it, 0 does not pad.
//
// Texts are NUL-terminated throughout the system, so a NUL read from input is
// stored as the byte 0xFF; writes to a file or the terminal turn it back into
// NUL, an in-memory text keeps the 0xFF.

#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/name_list.h"

namespace morvu {

// An open C stream, closed when its owner lets go of it.
struct FILE_CLOSER {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FILE_HANDLE = std::unique_ptr<std::FILE, FILE_CLOSER>;

class IO_FORMAT {
public:
    std::vector<std::string> in_spc;     // input separators, tested in this order
    std::optional<std::string> out_spc;  // output spacing text; none when unset
    std::vector<int64_t> widths;         // output column widths; empty: formatting off
    char fill = ' ';                     // fill character of the column padding
    int column = 0;                      // index of the width the next formatted write uses
    size_t longest = 0;                  // length of the longest input separator

    int n_in_spc() const { return static_cast<int>(in_spc.size()); }
    int n_widths() const { return static_cast<int>(widths.size()); }

    void clear_in_spc();
    void clear_out_spc();
    // Drops the widths; fill back to ' ', column to 0.
    void clear_out_fmt();

    // Replaces all separators by copies of texts[0..count); a null array sets
    // none. Returns null, or the message when a separator is empty (then no
    // separators are left).
    const char* set_in_spc(const char* const* texts, int count);
    const char* set_in_spc(const std::vector<std::string>& texts);

    // Replaces the spacing text by a copy; null means none.
    void set_out_spc(const char* text);

    // Replaces the widths from a column format such as "+12-8+5" and sets the
    // fill character. Returns null, or the message (formatting is then off).
    // A field message lives in a process-wide text valid until the next one.
    const char* set_out_fmt(const char* format, char fill);

    // Replaces the widths by a copy of widths[0..count); fill ' ', column 0.
    void copy_out_fmt(const int64_t* widths, int count);

    // The fill characters that the next formatted write of a text of
    // `length` bytes adds: the magnitude of the column's width less the
    // length, or none.
    uint64_t next_padding(size_t length) const;
};

// The three process-wide records: console, in-memory texts, files.
extern IO_FORMAT terminal_format;
extern IO_FORMAT str_format;
extern IO_FORMAT file_format;

// The separators of word input: blank, tab, form feed, vertical tab, line
// feed and the stored NUL (0xFF).
inline constexpr int word_separator_count = 6;
extern const char* const word_separators[word_separator_count];

// The abstract stream. Every stream of a class shares its class's format
// record, so a stream holds no pointer to it: format() gives it. Streams are
// never destroyed through a STREAM_DATA pointer, so the destructor is
// protected and not virtual.
class STREAM_DATA {
public:
    // The format record of the stream's class.
    virtual IO_FORMAT& format() const = 0;

    // Prepares reading; *error becomes null, or the message when the stream
    // cannot be read. Called once before every scan.
    virtual void begin_read(const char** error) = 0;
    // Reads the next character into *out; returns true at the end of input
    // (*out then holds no new character), otherwise returns stop.
    virtual bool read_char(char* out, bool stop) = 0;
    // True when CR is an ordinary character (no CR LF folding).
    virtual bool is_binary() = 0;
    // True when a backspace read means: erase the previous character.
    virtual bool is_interactive() = 0;
    // Writes the text; formatted applies the column padding of the record.
    // *error becomes null on success, else the message.
    virtual void write(const char* text, bool formatted, const char** error) = 0;

protected:
    STREAM_DATA() = default;
    STREAM_DATA(const STREAM_DATA&) = default;
    STREAM_DATA& operator=(const STREAM_DATA&) = default;
    ~STREAM_DATA() = default;
};

// The column-padding rule shared by every write operation: fill characters
// before (positive width) or after (negative width) the text, the run of
// them written as one unformatted write of the stream (blocks of 64 KiB for
// a huge width; none for a NUL fill), then the column advances. A failing
// write stops at once with its message and the column stays. Every write()
// calls this when formatted is true and its record has widths.
void write_in_column(STREAM_DATA& stream, IO_FORMAT& format, const char* text, const char** error);

// The column format as text: "+5-30" for the widths 5, -3, 0; "" for none.
std::string out_fmt_text(const IO_FORMAT& format);

// Appends one item to item: the input up to the next separator of the
// stream's record (leading separators skipped), or one character in single
// mode. Returns whether an item was read (false at the end of input, in
// single mode too); *error is null or the message of a failed begin_read
// (nothing is appended then).
bool read_input_item(STREAM_DATA* stream, std::string& item, bool single, const char** error);

// Appends one line to line, without its line end. Returns false when the
// input ended before any character; *error as for read_input_item.
bool read_input_line(STREAM_DATA* stream, std::string& line, const char** error);

// Reads the stream to its end and appends one text per line, without its
// line end: LF ends a line, CR too unless the stream is binary; a NUL is
// stored as 0xFF; an empty
// input adds no line. The caller has begun the read. Returns true once the
// stream reports its end.
bool read_line(STREAM_DATA* stream, NAME_LIST& lines);

}  // namespace morvu
