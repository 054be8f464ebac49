// STR_DATA is the stream over an in-memory text and the payload of every str
// value, so a str can be written to and read from like the console or a file.
// Writing always appends. Reading is a cursor that starts at the beginning of
// the text on the first read after a write or an edit and then continues,
// read after read, until the text is used up.
//
// The cursor is an index, not a pointer. Whether a read is under way, the
// next character's index and the text's length when the read began, and
// the count of walks running over the text, are kept beside the texts, for
// the few that are being read or walked, so that every other text is its
// string alone (a text in a container costs 40 bytes beside its cell).
// Every read checks the index against the current text as well, so an edit
// that forgets to call reset_read() can never make a read leave the text.
// The text never holds a NUL (a NUL character is held as 0xFF).

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/block_pool.h"
#include "runtime/stream.h"

namespace morvu {

// How many texts have a read or a walk under way: while none has, a text
// asks nothing beside itself.
extern size_t texts_with_state;

class STR_DATA final : public STREAM_DATA {
public:
    std::string text;

    // Texts are made by the million: each form builds its string once.
    STR_DATA() = default;
    explicit STR_DATA(const std::string& text) : text(text) {}
    explicit STR_DATA(std::string&& text) noexcept : text(std::move(text)) {}
    IO_FORMAT& format() const override { return str_format; }

    // The payload of every str cell, the temporaries of text building among
    // them: recycled, as the cells are.
    static void* operator new(std::size_t size) { return BLOCK_POOL<STR_DATA>::allocate(size); }
    static void operator delete(void* text, std::size_t size) noexcept { BLOCK_POOL<STR_DATA>::release(text, size); }
    // A copy continues the read under way where the original stands, and
    // counts the original's walks.
    STR_DATA(const STR_DATA& other) : STREAM_DATA(other), text(other.text) {
        if (texts_with_state != 0) [[unlikely]]
            copy_state(other);
    }
    STR_DATA& operator=(const STR_DATA& other) {
        if (this == &other) return *this;
        text = other.text;
        if (texts_with_state != 0) [[unlikely]]
            copy_state(other);
        return *this;
    }
    ~STR_DATA() {
        if (texts_with_state != 0) [[unlikely]]
            forget_state();
    }

    // Ends any read under way: the next read starts at the beginning. Every
    // change of the text other than write() calls it.
    void reset_read() {
        if (texts_with_state != 0) [[unlikely]]
            end_read();
    }
    // Whether a read is under way.
    bool reading() const;
    // Whether the read under way has no character left.
    bool read_used_up() const;
    // Begins a read unless one is under way and moves it to the end of the
    // text, where reading every character would leave it.
    void read_to_end();

    // The for/For walks running over the value.
    int32_t walks() const;
    // The count of walks, kept beside the text until walks_ended() finds it
    // back at 0; the pointer stays valid until then.
    int32_t* walk_counter();
    void walks_ended();

    void begin_read(const char** error) override;
    bool read_char(char* out, bool stop) override;
    bool is_binary() override { return false; }
    bool is_interactive() override { return false; }
    void write(const char* text, bool formatted, const char** error) override;

private:
    void end_read();                         // forgets the cursor
    void copy_state(const STR_DATA& other);  // reads where other stands, counts its walks
    void forget_state();                     // drops whatever is kept beside the text
};
static_assert(sizeof(STR_DATA) <= 40, "a text is its stream's table pointer and its string");

}  // namespace morvu
