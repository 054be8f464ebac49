// Methods of file that read: in, pin, sin, inw, inc fill variables with
// items, inl with a line, split and anysplit give the whole file as results.
//
// Reading goes on where the last read of the same file stopped: the input
// stream stays open between calls. The end of the input is no error; it is
// the false result of the filling methods and the end of split's results.
// A variable already filled keeps its new value when a later one fails.
//
// Every reading method answers with the function handler's routine kind,
// also when it was written as a statement: the procedure handler passes the
// call on as a function call whose result nobody reads.

#include <optional>
#include <string>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/file_stream.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "runtime/text_utils.h"
#include "types/arg_checks.h"
#include "types/input_text.h"
#include "types/system/file_methods.h"
#include "values/cell_holds.h"
#include "values/factories.h"
#include "values/saved_text.h"
#include "values/union_data.h"

namespace morvu {

namespace {

constexpr char stored_nul = '\xFF';

// The input separators of the file format, put back when a reading method
// that installs its own ends, on every path.
class SAVED_SEPARATORS {
public:
    SAVED_SEPARATORS() : separators(file_format.in_spc) {}
    ~SAVED_SEPARATORS() { file_format.set_in_spc(separators); }
    SAVED_SEPARATORS(const SAVED_SEPARATORS&) = delete;
    SAVED_SEPARATORS& operator=(const SAVED_SEPARATORS&) = delete;

private:
    std::vector<std::string> separators;
};

// Which of the filling methods a key names.
enum class INPUT_KIND { items, saved, given_separators, words, characters };

std::optional<INPUT_KIND> input_kind(const std::string& key) {
    if (key_has_prefix(key, "in\xA7")) return INPUT_KIND::items;
    if (key_has_prefix(key, "pin\xA7")) return INPUT_KIND::saved;
    if (key_has_prefix(key, "sin\xA7")) return INPUT_KIND::given_separators;
    if (key_has_prefix(key, "inw\xA7")) return INPUT_KIND::words;
    if (key_has_prefix(key, "inc\xA7")) return INPUT_KIND::characters;
    return std::nullopt;
}

// The texts of the arguments [first, last) as separators; each must be a
// defined, non-empty str.
std::vector<std::string> separator_arguments(const METHOD_CALL& call, int32_t first, int32_t last) {
    std::vector<std::string> texts;
    texts.reserve(static_cast<size_t>(last - first));
    for (int32_t i = first; i < last; ++i) {
        call.raise_if(check_arg_type(*call.args, i, tag_str, true));
        texts.push_back(str_argument(call, i));
    }
    return texts;
}

// One character for inc; false at the end of the file, which leaves the
// variable alone.
bool read_character(const METHOD_CALL& call, FILE_DATA* file, std::string& item) {
    const char* error = nullptr;
    file->begin_read(&error);
    call.raise_if(error);
    char ch = 0;
    if (file->read_char(&ch, false)) return false;
    item += ch == '\0' ? stored_nul : ch;
    return true;
}

// in, pin, sin, inw, inc: one item per receiving variable, in argument
// order, until the input ends.
void fill_variables(const METHOD_CALL& call, INPUT_KIND kind) {
    FILE_DATA* file = readable_file(call);
    const CALL_ARGS& args = *call.args;
    const bool given = kind == INPUT_KIND::given_separators;
    call.raise_if(check_arg_range(args, given ? 2 : 1, -1));
    call.raise_if(check_args_defined(args));

    // sin: everything up to the last non-variable gives separators, the
    // trailing run of variables receives the items.
    int32_t first = 0;
    if (given) {
        first = call.count();
        while (first > 0 && is_variable_mode(args[first - 1].mode)) --first;
        if (first == 0) call.raise(msg_text("erwbegmin1nicvararg"));
        if (first == call.count()) call.raise(msg_text("erwendmin1vararg"));
    } else {
        for (int32_t i = 0; i < call.count(); ++i) call.raise_if(check_arg_variable(args, i, false));
    }

    std::optional<SAVED_SEPARATORS> saved;
    if (given) {
        std::vector<std::string> texts = separator_arguments(call, 0, first);
        saved.emplace();
        call.raise_if(file_format.set_in_spc(texts));
    } else if (kind == INPUT_KIND::words) {
        saved.emplace();
        file_format.set_in_spc(word_separators, word_separator_count);
    }

    // A type's own procedure in may remove the targets still to be read:
    // they stay alive until the reading is done.
    for (int32_t i = first; i < call.count(); ++i) hold_item(args[i]);
    bool all = true;
    std::string item;
    for (int32_t i = first; i < call.count(); ++i) {
        if (i > first) file = live_file(call);  // an object's procedure in has run
        UNION_DATA* variable = follow_aliases(args[i].cell);
        if (kind == INPUT_KIND::saved) {
            const char* error = nullptr;
            const bool read = read_saved_value(variable, file, call.node, &error);
            call.raise_if(error);
            if (!read) {
                all = false;
                break;
            }
            continue;
        }
        item.clear();
        bool read = false;
        if (kind == INPUT_KIND::characters) {
            read = read_character(call, file, item);
        } else {
            const char* error = nullptr;
            read = read_input_item(file, item, false, &error);
            call.raise_if(error);
        }
        if (!read) {
            all = false;
            break;
        }
        call.raise_if(assign_input_text(call.node, variable, item));
    }
    if (call.is_function()) call.append(make_bool_value(all, 0));
}

// inl: one line into one variable.
void fill_line(const METHOD_CALL& call) {
    FILE_DATA* file = readable_file(call);
    const CALL_ARGS& args = *call.args;
    call.raise_if(check_args_defined(args));
    call.raise_if(check_arg_count(args, 1));
    call.raise_if(check_arg_variable(args, 0, false));
    std::string line;
    const char* error = nullptr;
    const bool read = read_input_line(file, line, &error);
    call.raise_if(error);
    if (read) call.raise_if(assign_input_text(call.node, follow_aliases(args[0].cell), line));
    if (call.is_function()) call.append(make_bool_value(read, 0));
}

// One item of split as the value it looks like: int, real, char, else str.
RESULT_ITEM typed_item(std::string& item) {
    if (str_is_integer(item)) return make_int_value(INT_DATA(item.c_str() + (item[0] == '+' ? 1 : 0)));
    if (str_is_number(item) && REAL_DATA::text_in_range(item.c_str())) return make_real_value(REAL_DATA(item.c_str()));
    if (item.size() == 1) return make_char_value(item[0]);
    return make_str_value(std::move(item));
}

// split, anysplit: the whole file from its start, one result per item.
void split_file(const METHOD_CALL& call, bool typed) {
    FILE_DATA* file = readable_file(call);
    // Reading starts at the beginning, in binary only when the file is open
    // for binary reading now.
    const std::string mode = !file->mode.empty() && file->mode[0] == 'i' ? file->mode : "i";
    file->close();
    const char* error = nullptr;
    file->open(mode, &error);
    call.raise_if(error);

    const std::string& key = call.key();
    const bool bare = key.back() == method_key_mark && call.count() == 0;
    std::vector<std::string> texts;
    if (!bare) texts = separator_arguments(call, 0, call.count());
    SAVED_SEPARATORS saved;
    if (bare) file_format.set_in_spc(word_separators, word_separator_count);
    else call.raise_if(file_format.set_in_spc(texts));

    std::string item;
    while (read_input_item(file, item, false, &error)) {
        call.append(typed ? typed_item(item) : make_str_value(std::move(item)));
        item.clear();
    }
    call.raise_if(error);
}

}  // namespace

bool file_input_methods(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (std::optional<INPUT_KIND> kind = input_kind(key)) {
        fill_variables(call, *kind);
        return true;
    }
    if (key_has_prefix(key, "inl\xA7")) {
        fill_line(call);
        return true;
    }
    if (key_has_prefix(key, "split\xA7")) {
        split_file(call, true);
        return true;
    }
    if (key_has_prefix(key, "anysplit\xA7")) {
        split_file(call, false);
        return true;
    }
    return false;
}

}  // namespace morvu
