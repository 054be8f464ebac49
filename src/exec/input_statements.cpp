#include "exec/input_statements.h"

#include <string>
#include <vector>

#include "eval/arg_frame.h"
#include "eval/builtin_functions.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "runtime/stream.h"
#include "runtime/terminal.h"
#include "types/input_text.h"
#include "values/factories.h"
#include "values/saved_text.h"
#include "values/union_data.h"

namespace morvu {

namespace {

enum class INPUT_KIND { in, pin, sin, inw, inc };

INPUT_KIND input_kind(const TOKEN* node) {
    const std::string& name = *node->text;
    if (name == "pin") return INPUT_KIND::pin;
    if (name == "sin") return INPUT_KIND::sin;
    if (name == "inw") return INPUT_KIND::inw;
    if (name == "inc") return INPUT_KIND::inc;
    return INPUT_KIND::in;
}

// The console's input separators, put back on every way out of a read that
// replaced them for its own items. They are moved aside rather than copied:
// a word loop saves and restores them once per word.
class SAVED_SEPARATORS {
public:
    SAVED_SEPARATORS() : longest(terminal_format.longest) { saved.swap(terminal_format.in_spc); }
    ~SAVED_SEPARATORS() {
        terminal_format.in_spc.swap(saved);
        terminal_format.longest = longest;
    }
    SAVED_SEPARATORS(const SAVED_SEPARATORS&) = delete;
    SAVED_SEPARATORS& operator=(const SAVED_SEPARATORS&) = delete;

private:
    std::vector<std::string> saved;
    size_t longest;
};

const std::vector<std::string>& word_separator_texts() {
    static const std::vector<std::string> texts(word_separators, word_separators + word_separator_count);
    return texts;
}

// The position of the first variable of sin: the arguments before it are
// its separators. Raises when there is no separator or no variable.
uint32_t first_sin_variable(TOKEN* node, const ARG_FRAME& frame) {
    uint32_t separators = 0;  // the arguments up to the last one that is no variable
    for (uint32_t i = frame.count(); i > 0; --i) {
        if (frame[i - 1].mode <= 5) {
            separators = i;
            break;
        }
    }
    if (separators == 0) raise_builtin_error(node, msg_text("erwbegmin1nicvararg"));
    if (separators == frame.count()) raise_builtin_error(node, msg_text("erwendmin1vararg"));
    return separators;
}

// The texts of the separator arguments 0 .. count-1, each a non-empty str.
std::vector<std::string> separator_texts(TOKEN* node, const ARG_FRAME& frame, uint32_t count) {
    std::vector<std::string> texts;
    texts.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (frame.check_type(i, 's', true) != nullptr) raise_builtin_error(node, frame.message(false));
        texts.push_back(frame.value(i)->str_data()->text);
    }
    return texts;
}

// Reads one item per variable from position first on; false when the input
// ended before the last one.
bool read_items(TOKEN* node, const ARG_FRAME& frame, uint32_t first, bool single) {
    const char* error = nullptr;
    std::string item;
    for (uint32_t i = first; i < frame.count(); ++i) {
        item.clear();
        const bool read = read_input_item(&console_stream, item, single, &error);
        if (error != nullptr) raise_builtin_error(node, error);
        if (!read) return false;
        std::string message = assign_input_text(node, follow_aliases(frame[i].cell), item);
        if (!message.empty()) raise_builtin_error(node, message);
    }
    return true;
}

// pin: one saved value per variable.
bool read_saved_values(TOKEN* node, const ARG_FRAME& frame) {
    for (uint32_t i = 0; i < frame.count(); ++i) {
        const char* error = nullptr;
        const bool read = read_saved_value(follow_aliases(frame[i].cell), &console_stream, node, &error);
        if (error != nullptr) raise_builtin_error(node, error);
        if (!read) return false;
    }
    return true;
}

// The reading of in, pin, sin, inw and inc; appends the bool when results
// is given.
void run_input(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST* results) {
    const INPUT_KIND kind = input_kind(node);
    ARG_FRAME frame(node->left, this_item, true);
    frame.keep_alive();  // a type's own in may remove the targets still to be read
    if (frame.check_count_range(kind == INPUT_KIND::sin ? 2 : 1, -1) != nullptr)
        raise_builtin_error(node, frame.message(false));

    uint32_t first = 0;
    if (kind == INPUT_KIND::sin) {
        first = first_sin_variable(node, frame);
    } else {
        for (uint32_t i = 0; i < frame.count(); ++i) {
            if (frame.check_variable(i, true) != nullptr) raise_builtin_error(node, frame.message(false));
        }
    }

    bool complete = true;
    if (kind == INPUT_KIND::in) {
        complete = read_items(node, frame, 0, false);
    } else if (kind == INPUT_KIND::pin) {
        complete = read_saved_values(node, frame);
    } else {
        SAVED_SEPARATORS saved;
        const char* refusal = nullptr;
        if (kind == INPUT_KIND::inw) refusal = terminal_format.set_in_spc(word_separator_texts());
        else if (kind == INPUT_KIND::inc) refusal = terminal_format.set_in_spc(nullptr, 0);
        else refusal = terminal_format.set_in_spc(separator_texts(node, frame, first));
        if (refusal != nullptr) raise_builtin_error(node, refusal);
        complete = read_items(node, frame, first, kind == INPUT_KIND::inc);
    }
    if (results != nullptr) results->append(make_bool_value(complete, 3));
}

// The reading of inl; routine_kind 'f' for the function, 'p' for the
// statement.
bool run_inl(TOKEN* node, RESULT_ITEM this_item, char routine_kind) {
    const std::string routine = builtin_context(node);
    ARG_FRAME frame(node->left, this_item, true);
    if (frame.check_count(1) != nullptr || frame.check_variable(0, true) != nullptr)
        raise_error(node, routine_kind, routine.c_str(), frame.message(false), error_kind_system);
    const char* error = nullptr;
    std::string line;
    const bool read = read_input_line(&console_stream, line, &error);
    if (error != nullptr) raise_error(node, routine_kind, routine.c_str(), error, error_kind_system);
    if (!read) return false;  // the end of input leaves the variable as it was
    std::string message = assign_input_text(node, follow_aliases(frame[0].cell), line);
    if (!message.empty()) raise_error(node, routine_kind, routine.c_str(), message, error_kind_system);
    return true;
}

}  // namespace

void builtin_in(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) { run_input(node, this_item, &results); }

void builtin_inl(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    const bool read = run_inl(node, this_item, 'f');
    results.append(make_bool_value(read, 3));
}

void exec_input(TOKEN* node, RESULT_ITEM this_item) { run_input(node, this_item, nullptr); }

void exec_inl(TOKEN* node, RESULT_ITEM this_item) { run_inl(node, this_item, 'p'); }

}  // namespace morvu
