// STR_DATA is the stream over an in-memory text and the payload of every str
// value, so a str can be written to and read from like the console or a file.
// Writing always appends. Reading is a cursor that starts at the beginning of
// the text on the first read after a write or an edit and then continues,
// read after read, until the text is used up.
//
// The cursor is an index, not a pointer: `reading` says whether a read is
// under way; the next character's index and the text's length when the read
// began are kept beside the texts, for the few that are being read, so that
// every other text stays small. Every read checks the index against the
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
    int32_t iteration_count = 0;  // running for/For iterations over the value
    bool reading = false;         // a read is under way (its cursor is kept beside the texts)

    explicit STR_DATA(std::string text = {}) : text(std::move(text)) {}
    IO_FORMAT& format() const override { return str_format; }

    // The payload of every str cell, the temporaries of text building among
    // them: recycled, as the cells are.
    static void* operator new(std::size_t size) { return BLOCK_POOL<STR_DATA>::allocate(size); }
    static void operator delete(void* text, std::size_t size) noexcept { BLOCK_POOL<STR_DATA>::release(text, size); }
    // A copy continues the read under way where the original stands.
    STR_DATA(const STR_DATA& other) : STREAM_DATA(other), text(other.text), iteration_count(other.iteration_count) {
        if (other.reading) copy_cursor(other);
    }
    STR_DATA& operator=(const STR_DATA& other) {
        if (this == &other) return *this;
        text = other.text;
        iteration_count = other.iteration_count;
        reset_read();
        if (other.reading) copy_cursor(other);
        return *this;
    }
    ~STR_DATA() { reset_read(); }

    // Ends any read under way: the next read starts at the beginning. Every
    // change of the text other than write() calls it.
    void reset_read() {
        if (reading) end_read();
    }
    // Whether the read under way has no character left.
    bool read_used_up() const;

    void begin_read(const char** error) override;
    bool read_char(char* out, bool stop) override;
    bool is_binary() override { return false; }
    bool is_interactive() override { return false; }
    void write(const char* text, bool formatted, const char** error) override;

private:
    void end_read();                          // forgets the cursor
    void copy_cursor(const STR_DATA& other);  // starts reading where other stands
};

}  // namespace morvu
