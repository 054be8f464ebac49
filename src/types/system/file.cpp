// Methods of file: the two handlers, the call forms, the questions about a
// file (exists, size, cmp, perm, the format getters) and its handling (open,
// close, remove, move, make, copy, in_reset). Reading and writing are in
// file_input.cpp and file_output.cpp.
//
// The handlers do no file-system work of their own: FILE_DATA does it and
// returns a message for the failures it recognises; a failure it has no
// words for (the system call refused) gets the method's own summary message
// with the file's path.

#include <string>

#include "numbers/int_data.h"
#include "runtime/file_stream.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "types/arg_checks.h"
#include "types/system/file_methods.h"
#include "values/factories.h"
#include "values/union_data.h"

namespace morvu {

FILE_DATA* checked_file(const METHOD_CALL& call, bool non_empty) {
    return call.checked_receiver(non_empty)->file_data();
}

FILE_DATA* readable_file(const METHOD_CALL& call) {
    FILE_DATA* file = checked_file(call, true);
    if (!file->exists()) call.raise(format_string(msg_text("datexinic"), file->path_name.c_str()));
    return file;
}

FILE_DATA* live_file(const METHOD_CALL& call) {
    UNION_DATA* value = argument_value(call.receiver.cell);
    if (value == nullptr || base_type_code(value) != tag_file || value->payload == nullptr)
        call.raise(msg_text("insexinic"));
    return value->file_data();
}

const std::string& str_argument(const METHOD_CALL& call, int32_t index) {
    return argument_value(call.arg(index).cell)->str_data()->text;
}

namespace {

// The path of a file argument that passed its non-empty check.
const std::string& file_argument(const METHOD_CALL& call, int32_t index) {
    return argument_value(call.arg(index).cell)->file_data()->path_name;
}

// Raises the operation's message, or, when it failed without one, the
// method's own summary message with the file's path.
void check_operation(const METHOD_CALL& call, bool done, const char* message, const char* summary,
                     const std::string& path) {
    if (message != nullptr) call.raise(message);
    if (!done) call.raise(format_string(msg_text(summary), path.c_str()));
}

// The receiver checks of the handling methods that change the file:
// present, non-empty, then the argument check, then both refusals.
FILE_DATA* changeable_file(const METHOD_CALL& call, bool one_argument) {
    FILE_DATA* file = checked_file(call, true);
    if (one_argument) call.raise_if(check_arg_not_empty(*call.args, 0));
    call.refuse_constant();
    call.refuse_during_iteration();
    return file;
}

// The statement forms of the input methods, which the function handler
// serves.
bool is_input_key(const std::string& key) {
    return key_has_prefix(key, "in\xA7") || key_has_prefix(key, "pin\xA7") || key_has_prefix(key, "sin\xA7") ||
           key_has_prefix(key, "inw\xA7") || key_has_prefix(key, "inc\xA7") || key_has_prefix(key, "inl\xA7");
}

}  // namespace

bool file_functions(METHOD_CALL& call) {
    const std::string& key = call.key();

    if (key_is(key, "\xA7str;\xA7")) {
        call.raise_if(check_arg_not_empty(*call.args, 0));
        auto* cell = new UNION_DATA(tag_file);
        cell->file_data()->set_path(str_argument(call, 0));
        call.append(RESULT_ITEM{cell, access_function_result, 1});
        return true;
    }
    if (key_is(key, "exists\xA7")) {
        call.append(make_bool_value(checked_file(call, true)->exists(), 0));
        return true;
    }
    if (key_is(key, "size\xA7")) {
        FILE_DATA* file = checked_file(call, true);
        const char* message = nullptr;
        const int64_t size = file->size(&message);
        call.raise_if(message);
        call.append(make_int_value(INT_DATA(static_cast<long>(size))));
        return true;
    }
    if (key_is(key,
               "cmp\xA7"
               "file;\xA7")) {
        FILE_DATA* file = checked_file(call, true);
        call.raise_if(check_arg_not_empty(*call.args, 0));
        const char* message = nullptr;
        const bool same = file->compare(file_argument(call, 0), &message);
        call.raise_if(message);
        call.append(make_bool_value(same, 0));
        return true;
    }
    if (file_input_methods(call)) return true;

    // The format getters read file_format only; no receiver is looked at.
    if (key_is(key, "get_out_fmt\xA7")) {
        call.append(make_char_value(file_format.fill));
        call.append(make_str_value(out_fmt_text(file_format)));
        return true;
    }
    if (key_is(key, "get_out_spc\xA7")) {
        call.append(make_str_value(file_format.out_spc ? *file_format.out_spc : std::string()));
        return true;
    }
    if (key_is(key, "get_in_spc\xA7")) {
        for (const std::string& separator : file_format.in_spc) call.append(make_str_value(separator));
        return true;
    }
    if (key_is(key,
               "perm\xA7"
               "char;\xA7")) {
        FILE_DATA* file = checked_file(call, true);
        call.raise_if(check_arg_defined(*call.args, 0));
        const char letter = argument_value(call.arg(0).cell)->char_byte();
        if (letter != 'r' && letter != 'w' && letter != 'x') call.raise(msg_text("erwargrwx"));
        if (!file->exists()) call.raise(format_string(msg_text("datexinic"), file->path_name.c_str()));
        call.append(make_bool_value(file->has_permission(letter), 0));
        return true;
    }
    return false;
}

bool file_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();

    // The call forms need a defined receiver but not a path: they set it.
    if (key_is(key, "\xA7str;\xA7") || key_is(key, "\xA7str;str;\xA7")) {
        FILE_DATA* file = checked_file(call, false);
        const bool with_mode = call.count() == 2;
        call.raise_if(with_mode ? check_args_not_empty(*call.args) : check_arg_not_empty(*call.args, 0));
        call.refuse_constant();
        call.refuse_during_iteration();
        file->set_path(str_argument(call, 0));
        if (with_mode) {
            const char* message = nullptr;
            file->open(str_argument(call, 1), &message);
            call.raise_if(message);
        }
        return true;
    }
    if (key_is(key, "open\xA7str;\xA7")) {
        FILE_DATA* file = changeable_file(call, true);
        const char* message = nullptr;
        file->open(str_argument(call, 0), &message);
        call.raise_if(message);
        return true;
    }
    if (key_is(key, "close\xA7")) {
        // Bytes the system refused at the last flush fail the close.
        const char* message = nullptr;
        changeable_file(call, false)->close(&message);
        call.raise_if(message);
        return true;
    }
    if (key_is(key, "remove\xA7")) {
        FILE_DATA* file = changeable_file(call, false);
        const char* message = nullptr;
        const bool done = file->remove(&message);
        check_operation(call, done, message, "datkannicgelwer", file->path_name);
        return true;
    }
    if (key_is(key,
               "move\xA7"
               "file;\xA7")) {
        FILE_DATA* file = changeable_file(call, true);
        const char* message = nullptr;
        const std::string target = file_argument(call, 0);  // the argument may be the receiver
        const bool done = file->move(target, &message);
        check_operation(call, done, message, "datkannicumbwer", file->path_name);
        return true;
    }
    if (key_is(key, "make\xA7")) {
        FILE_DATA* file = changeable_file(call, false);
        const char* message = nullptr;
        const bool done = file->make(&message);
        check_operation(call, done, message, "datkannicerzwer", file->path_name);
        return true;
    }
    if (key_is(key,
               "copy\xA7"
               "file;\xA7")) {
        // The receiver does not change: constants and walked files may copy.
        FILE_DATA* file = checked_file(call, true);
        call.raise_if(check_arg_not_empty(*call.args, 0));
        const char* message = nullptr;
        const bool done = file->copy(file_argument(call, 0), &message);
        check_operation(call, done, message, "datkannickopwer", file->path_name);
        return true;
    }
    if (key_has_prefix(key, "in_reset\xA7")) {
        // The mode goes with the stream, so every reading method starts
        // afresh alike: in text mode unless the file is opened with "ib"
        // again.
        FILE_DATA* file = checked_file(call, false);
        if (file->input_stream) {
            file->input_stream.reset();
            file->mode.clear();
        }
        return true;
    }
    if (is_input_key(key)) {
        // The function handler reads; its errors name it, and the bool it
        // gives goes to a list nobody looks at.
        RESULT_LIST unused;
        METHOD_CALL as_function = call;
        as_function.results = &unused;
        return file_input_methods(as_function);
    }
    return file_output_methods(call);
}

}  // namespace morvu
