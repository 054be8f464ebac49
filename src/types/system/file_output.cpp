// Methods of file that write, and the setters of the file format.
//
// The output family (out, sout, fout, fsout, outl, soutl, foutl, fsoutl,
// pout) writes through the routine the console and str share, straight into
// the file's buffer. The file is looked up again at every write: an object's
// out function runs in the middle of the call and may change the file or
// write to it itself.

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

// Where one output call on a file writes.
class FILE_SINK final : public METHOD_OUTPUT_SINK {
public:
    explicit FILE_SINK(const METHOD_CALL& call) : METHOD_OUTPUT_SINK(call) {}

    STREAM_DATA* stream() override { return live_file(call); }
};

// The name in an output key: "fsoutl" of "fsoutl§str;str;int;§".
std::string_view key_name(const std::string& key) {
    const size_t mark = key.find(method_key_mark);
    return std::string_view(key).substr(0, mark == std::string::npos ? key.size() : mark);
}

void write_values(const METHOD_CALL& call, const OUTPUT_FORM& form) {
    checked_file(call, true);
    call.refuse_during_iteration();
    FILE_SINK sink(call);
    write_output(sink, file_format, form, call.args->args.data(), call.count(), call.node);
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
            call.raise_if(check_arg_type(args, i, tag_str, true));
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
    if (key_is(key,
               "set_out_fmt\xA7"
               "char;str;\xA7")) {
        call.raise_if(check_arg_not_empty(args, 0));
        call.raise_if(check_arg_defined(args, 1));
        const char fill = argument_value(args[0].cell)->char_byte();
        call.raise_if(file_format.set_out_fmt(str_argument(call, 1).c_str(), fill));
        return true;
    }
    return false;
}

}  // namespace morvu
