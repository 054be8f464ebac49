// Methods of error values: the call form that makes an error from a message
// at the place of the call, and the queries of its position and kind.
//
// An error value holds a file name, a line, a message and a kind ('a'
// analysis, 's' system, 'p' syntax, anything else the user's own). The empty
// error has no file, line 0, no message and the kind 'u'.

#include "runtime/process_state.h"
#include "frontend/token.h"
#include "runtime/str_stream.h"
#include "types/arg_checks.h"
#include "types/method_call.h"
#include "values/factories.h"
#include "values/payload_records.h"

namespace morvu {

namespace {

// The message (the first argument, already checked) and the position of
// the call node.
void place_error(const METHOD_CALL& call, ERROR_DATA& error) {
    error.message = argument_value(call.arg(0).cell)->str_data()->text;
    error.file = source_file_name(call.node->file_index);
    error.line = call.node->line;
}

const char* kind_name(char kind) {
    switch (kind) {
    case 'a': return "analysis";
    case 's': return "system";
    case 'p': return "syntax";
    default: return "user";
    }
}

}  // namespace

bool error_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        // A new error of the user's kind; the receiver plays no part.
        call.raise_if(check_arg_defined(*call.args, 0));
        auto* cell = new UNION_DATA(tag_error);
        place_error(call, *cell->error_data());
        call.append(RESULT_ITEM{cell, access_function_result, 1});
        return true;
    }
    enum { file, line, type } which;
    if (key_is(key, "file\xA7")) which = file;
    else if (key_is(key, "line\xA7")) which = line;
    else if (key_is(key, "error_type\xA7")) which = type;
    else return false;

    const ERROR_DATA* error = call.checked_receiver()->error_data();
    switch (which) {
    case file: call.append(make_str_value(error->file)); break;
    case line: call.append(make_int_value_from_number(error->line)); break;
    case type: call.append(make_str_value(kind_name(error->kind))); break;
    }
    return true;
}

bool error_procedures(METHOD_CALL& call) {
    if (!key_is(call.key(),
                "\xA7"
                "str;\xA7"))
        return false;
    ERROR_DATA* error = call.checked_receiver()->error_data();
    call.refuse_constant();
    call.raise_if(check_arg_defined(*call.args, 0));
    // The kind stays: a system error given a new message is still one.
    place_error(call, *error);
    return true;
}

}  // namespace morvu
