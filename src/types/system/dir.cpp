// Methods of dir: a value that names a directory by its path.
//
// The handlers do no file-system work of their own: the directory operations
// of the runtime do it and leave a message for the failures they recognise;
// a failure they have no words for (the system call refused) gets the
// method's own summary message with the receiver's path. All checks run
// before the file system is touched; a tree operation that fails part way
// leaves what it already did.

#include <string>

#include "numbers/int_data.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "types/arg_checks.h"
#include "types/method_call.h"
#include "values/factories.h"
#include "values/union_data.h"

namespace morvu {

namespace {

DIR_DATA* checked_dir(const METHOD_CALL& call, bool non_empty) { return call.checked_receiver(non_empty)->dir_data(); }

// The path of a dir argument (or the text of a str argument) that passed
// its non-empty check.
const std::string& dir_argument(const METHOD_CALL& call) {
    return argument_value(call.arg(0).cell)->dir_data()->path_name;
}

const std::string& str_argument(const METHOD_CALL& call) { return argument_value(call.arg(0).cell)->str_data()->text; }

// The outcome of a file-system procedure: the operation's message, else,
// when it failed without one, the method's own with the path it had.
void check_operation(const METHOD_CALL& call, bool done, const char* message, const char* summary,
                     const std::string& path) {
    if (message != nullptr) call.raise(message);
    if (!done) call.raise(format_string(msg_text(summary), path.c_str()));
}

// The checks of the procedures that change the directory: present,
// non-empty, the argument, then both refusals.
DIR_DATA* changeable_dir(const METHOD_CALL& call, bool one_argument) {
    DIR_DATA* dir = checked_dir(call, true);
    if (one_argument) call.raise_if(check_arg_not_empty(*call.args, 0));
    call.refuse_constant();
    call.refuse_during_iteration();
    return dir;
}

}  // namespace

bool dir_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key, "\xA7str;\xA7")) {
        call.raise_if(check_arg_not_empty(*call.args, 0));
        auto* cell = new UNION_DATA(tag_dir);
        cell->dir_data()->set_path(str_argument(call));
        call.append(RESULT_ITEM{cell, access_function_result, 1});
        return true;
    }
    if (key_is(key, "exists\xA7")) {
        call.append(make_bool_value(is_directory(checked_dir(call, true)->path_name), 0));
        return true;
    }
    if (key_is(key, "size\xA7")) {
        DIR_DATA* dir = checked_dir(call, true);
        const char* message = nullptr;
        const int64_t size = directory_size(*dir, &message);
        call.append(make_int_value(INT_DATA(static_cast<long>(size))));
        call.raise_if(message);
        return true;
    }
    return false;
}

bool dir_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key, "\xA7str;\xA7")) {
        DIR_DATA* dir = checked_dir(call, false);
        call.refuse_constant();
        call.refuse_during_iteration();
        call.raise_if(check_arg_defined(*call.args, 0));  // an empty path is allowed
        dir->set_path(str_argument(call));
        return true;
    }
    if (key_is(key, "remove\xA7")) {
        DIR_DATA* dir = changeable_dir(call, false);
        const char* message = nullptr;
        const bool done = remove_directory(*dir, &message);
        check_operation(call, done, message, "verkannicgelwer", dir->path_name);
        return true;
    }
    if (key_is(key,
               "move\xA7"
               "dir;\xA7")) {
        DIR_DATA* dir = changeable_dir(call, true);
        const char* message = nullptr;
        const std::string old_path = dir->path_name;
        const std::string target = dir_argument(call);  // the argument may be the receiver
        const bool done = rename_directory(*dir, target, &message);
        check_operation(call, done, message, "verkannicumbwer", old_path);
        return true;
    }
    if (key_is(key, "make\xA7")) {
        DIR_DATA* dir = changeable_dir(call, false);
        const char* message = nullptr;
        const bool done = make_directory(*dir, &message);
        check_operation(call, done, message, "verkannicerzwer", dir->path_name);
        return true;
    }
    if (key_is(key,
               "copy\xA7"
               "dir;\xA7")) {
        // The receiver does not change: constants and walked values may copy.
        DIR_DATA* dir = checked_dir(call, true);
        call.raise_if(check_arg_not_empty(*call.args, 0));
        const char* message = nullptr;
        const bool done = copy_directory(*dir, dir_argument(call), &message);
        check_operation(call, done, message, "verkannickopwer", dir->path_name);
        return true;
    }
    return false;
}

}  // namespace morvu
