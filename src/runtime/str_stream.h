// STR_DATA is the stream over an in-memory text and the payload of every str
// value, so a str can be written to and read from like the console or a file.
// Writing always appends. Reading is a cursor that starts at the beginning of
// the text on the first read after a write or an edit and then continues,
// read after read, until the text is used up.
//
// The cursor is an index, not a pointer: `reading` says whether a read is
// under way, `read_position` is the next character and `read_length` the
// text's length when the read began. Every read checks the index against the
// current text as well, so an edit that forgets to call reset_read() can
// never make a read leave the text. The text never holds a NUL (a NUL
// character is held as 0xFF).

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/block_pool.h"
#include "runtime/stream.h"

namespace morvu {

class STR_DATA final : public STREAM_DATA {
public:
    std::string text;
    size_t read_position = 0;     // index of the next character to read
    size_t read_length = 0;       // length of the text when the read began
    int32_t iteration_count = 0;  // running for/For iterations over the value
    bool reading = false;         // a read is under way (beside the count: one word for both)

    explicit STR_DATA(std::string text = {}) : text(std::move(text)) {}
    IO_FORMAT& format() const override { return str_format; }

    // The payload of every str cell, the temporaries of text building among
    // them: recycled, as the cells are.
    static void* operator new(std::size_t size) { return BLOCK_POOL<STR_DATA>::allocate(size); }
    static void operator delete(void* text, std::size_t size) noexcept { BLOCK_POOL<STR_DATA>::release(text, size); }
    STR_DATA(const STR_DATA&) = default;
    STR_DATA& operator=(const STR_DATA&) = default;
    ~STR_DATA() = default;

    // Ends any read under way: the next read starts at the beginning. Every
    // change of the text other than write() calls it.
    void reset_read() {
        reading = false;
        read_position = 0;
        read_length = 0;
    }

    void begin_read(const char** error) override;
    bool read_char(char* out, bool stop) override;
    bool is_binary() override { return false; }
    bool is_interactive() override { return false; }
    void write(const char* text, bool formatted, const char** error) override;
};

}  // namespace morvu
