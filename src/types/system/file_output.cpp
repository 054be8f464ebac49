// Methods of file that write, and the setters of the file format.
//
// The output family (out, sout, fout, fsout, outl, soutl, foutl, fsoutl,
// pout) writes through the routine the console and str share. What one call
// writes is collected and handed to the file in one write, so the file is
// flushed once per call rather than once per value, fill character and
// spacing. A call that writes an object of a user type writes straight to
// the file instead: the object's out function runs in the middle of the call
// and may look at the file or write to it itself.

#include <string>
#include <string_view>
#include <vector>

#include "runtime/file_stream.h"
#include "runtime/str_stream.h"
#include "types/arg_checks.h"
#include "types/output_items.h"
#include "types/system/file_methods.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// The bytes of one output call on their way to the file. Formatted writes
// get the column padding of the file format here, as the file's own write
// would give them. `touched` records that something was written, even the
// empty text: the first write opens the file, which empties it.
class OUTPUT_BUFFER final : public STREAM_DATA {
public:
    std::string bytes;
    bool touched = false;

    OUTPUT_BUFFER() : STREAM_DATA(&file_format) {}

    void begin_read(const char** error) override { *error = nullptr; }
    bool read_char(char*, bool) override { return true; }
    bool is_binary() override { return true; }
    bool is_interactive() override { return false; }
    void write(const char* text, bool formatted, const char** error) override {
        *error = nullptr;
        touched = true;
        if (formatted && !format->widths.empty())
            write_in_column(*this, *format, text, error);  // comes back here unformatted
        else
            bytes += text;
    }
};

// Beyond this many collected bytes the sink hands them over before it goes
// on.
constexpr size_t hand_over_size = size_t{1} << 20;

// Where one output call on a file writes: into a buffer, or, while user code
// may run in the middle of the call, straight into the file the receiver
// holds at each write.
class FILE_SINK final : public OUTPUT_SINK {
public:
    FILE_SINK(const METHOD_CALL& call, bool direct) : call(call), direct(direct) {}

    STREAM_DATA* stream() override {
        if (direct) return live_file(call);
        if (buffer.bytes.size() >= hand_over_size) hand_over();
        return &buffer;
    }
    [[noreturn]] void fail(const std::string& message) override {
        hand_over();  // what was written before the failure stays
        call.raise(message);
    }
    std::string check_count(int32_t min) override { return check_arg_range(*call.args, min, -1); }
    std::string check_type(int32_t index, char code, bool non_empty) override {
        return check_arg_type(*call.args, index, code, non_empty);
    }

    // Writes the collected bytes to the file; its message is raised.
    void hand_over() {
        if (!buffer.touched) return;
        const char* error = nullptr;
        live_file(call)->write(buffer.bytes.c_str(), false, &error);
        buffer.bytes.clear();
        buffer.touched = false;
        call.raise_if(error);
    }

private:
    const METHOD_CALL& call;
    bool direct;
    OUTPUT_BUFFER buffer;
};

// The name in an output key: "fsoutl" of "fsoutl§str;str;int;§".
std::string_view key_name(const std::string& key) {
    const size_t mark = key.find(method_key_mark);
    return std::string_view(key).substr(0, mark == std::string::npos ? key.size() : mark);
}

void write_values(const METHOD_CALL& call, const OUTPUT_FORM& form) {
    checked_file(call, true);
    call.refuse_during_iteration();
    bool direct = false;
    for (const RESULT_ITEM& item : call.args->args) {
        UNION_DATA* value = argument_value(item.cell);
        if (value != nullptr && base_type_code(value) == 'k') direct = true;
    }
    FILE_SINK sink(call, direct);
    write_output(sink, file_format, form, call.args->args.data(), call.count(), call.node);
    sink.hand_over();
}

}  // namespace

bool file_output_methods(METHOD_CALL& call) {
    const std::string& key = call.key();
    OUTPUT_FORM form;
    if (output_form_of(key_name(key), form)) {
        write_values(call, form);
        return true;
    }

    // The setters act on the one format of all files; no receiver is looked
    // at.
    const CALL_ARGS& args = *call.args;
    if (key_has_prefix(key, "set_in_spc\xA7")) {
        std::vector<std::string> texts;
        texts.reserve(static_cast<size_t>(call.count()));
        for (int32_t i = 0; i < call.count(); ++i) {
            call.raise_if(check_arg_type(args, i, 's', true));
            texts.push_back(str_argument(call, i));
        }
        call.raise_if(file_format.set_in_spc(texts));
        return true;
    }
    if (key_is(key, "set_out_spc\xA7str;\xA7")) {
        call.raise_if(check_args_defined(args));
        file_format.set_out_spc(str_argument(call, 0).c_str());
        return true;
    }
    if (key_is(key, "set_out_fmt\xA7str;\xA7")) {
        call.raise_if(check_args_defined(args));
        call.raise_if(file_format.set_out_fmt(str_argument(call, 0).c_str(), ' '));
        return true;
    }
    if (key_is(key, "set_out_fmt\xA7" "char;str;\xA7")) {
        call.raise_if(check_arg_not_empty(args, 0));
        call.raise_if(check_arg_defined(args, 1));
        const char fill = argument_value(args[0].cell)->char_byte();
        call.raise_if(file_format.set_out_fmt(str_argument(call, 1).c_str(), fill));
        return true;
    }
    return false;
}

}  // namespace morvu
