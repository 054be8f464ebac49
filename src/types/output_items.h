// The output family: out, outl, sout, soutl, fout, foutl, fsout, fsoutl and
// pout, written as console statements or called as methods of a str or a
// file. One routine writes the items for all of them, so spacing, column
// formats, objects with their own "out" function and the saved form behave
// the same on every stream.
//
// The letters of the name say what comes before the items: "s" a spacing
// text written between two items, "f" a column format (optionally preceded
// by a fill character, which then takes one argument more), "l" a newline
// after the last item; "pout" writes each item's saved text form with
// nothing between. The spacing and column format of the stream's format
// record are changed only while the call runs and are put back on every
// exit, errors included.
//
// A user "out" function called for an object may change or destroy the
// stream's owner (the str variable being written). The sink therefore looks
// the stream up again after every such call and raises when it is gone.

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "values/result_list.h"

namespace morvu {

struct TOKEN;
struct METHOD_CALL;
class IO_FORMAT;
class STREAM_DATA;

// The letters of an output name.
struct OUTPUT_FORM {
    bool columns = false;  // 'f'
    bool spacing = false;  // 's'
    bool newline = false;  // 'l'
    bool saved = false;    // pout
};

// The form of an output name ("out", "fsoutl", "pout", ...); false for a
// name outside the family.
bool output_form_of(std::string_view name, OUTPUT_FORM& form);

// Where the items go, and how the caller words its argument messages (the
// statements count arguments from 0, the methods from 1).
class OUTPUT_SINK {
public:
    // The stream to write to; raises when it no longer exists. A sink may
    // keep the stream it found until user_code_ran() says that user code
    // may have changed or destroyed it.
    virtual STREAM_DATA* stream() = 0;
    virtual void user_code_ran() {}
    // pout of the console statement saves a reference argument as the
    // reference itself (refused as external); the methods save its target.
    virtual bool saves_links() const { return false; }
    [[noreturn]] virtual void fail(const std::string& message) = 0;
    // The empty text, or the message: at least min arguments; argument
    // index of the type code (non_empty: and not empty).
    virtual std::string check_count(int32_t min) = 0;
    virtual std::string check_type(int32_t index, char code, bool non_empty) = 0;

protected:
    OUTPUT_SINK() = default;
    ~OUTPUT_SINK() = default;
    OUTPUT_SINK(const OUTPUT_SINK&) = default;
    OUTPUT_SINK& operator=(const OUTPUT_SINK&) = default;
};

// The sink of a method call (str, file): its errors are the method's, and
// its argument messages count arguments from 1.
class METHOD_OUTPUT_SINK : public OUTPUT_SINK {
public:
    [[noreturn]] void fail(const std::string& message) override;
    std::string check_count(int32_t min) override;
    std::string check_type(int32_t index, char code, bool non_empty) override;

protected:
    explicit METHOD_OUTPUT_SINK(const METHOD_CALL& call) : call(call) {}
    ~METHOD_OUTPUT_SINK() = default;
    METHOD_OUTPUT_SINK(const METHOD_OUTPUT_SINK&) = default;
    METHOD_OUTPUT_SINK& operator=(const METHOD_OUTPUT_SINK&) = delete;

    const METHOD_CALL& call;
};

// Checks the leading arguments, then writes the items of items[0..count)
// through the sink under the format record of its stream class. node is
// the call node: user "out" functions are looked up and called from it.
void write_output(OUTPUT_SINK& sink, IO_FORMAT& format, const OUTPUT_FORM& form, const RESULT_ITEM* items,
                  int32_t count, TOKEN* node);

}  // namespace morvu
