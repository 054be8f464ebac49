// The query functions: the program's arguments, the state of values, the
// environment, the clocks and the console's input and output formats. Each
// appends its results in argument order; the bools of def, empty, ref and
// alias and the int of count are plain new values (access mode 0).

#include <cstdio>
#include <cstdlib>
#include <string>

#include "eval/arg_frame.h"
#include "eval/builtin_functions.h"
#include "eval/builtin_handlers.h"
#include "runtime/process_state.h"
#include "numbers/real_data.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "runtime/shell_command.h"
#include "runtime/str_stream.h"
#include "runtime/stream.h"
#include "runtime/terminal.h"
#include "values/factories.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// Raises the frame's check message when the check failed.
void check(TOKEN* node, const ARG_FRAME& frame, const char* refusal) {
    if (refusal != nullptr) raise_builtin_error(node, frame.message(false));
}

// A frame that must hold no argument.
void expect_no_argument(TOKEN* node, RESULT_ITEM this_item) {
    ARG_FRAME frame(node->left, this_item, true);
    check(node, frame, frame.check_count(0));
}

// A stopwatch reading as a real of six significant digits.
RESULT_ITEM seconds_value(double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", seconds);
    return make_real_value(REAL_DATA(text));
}

uint32_t program_argument_count() { return program_arguments != nullptr ? program_arguments->count() : 0; }

}  // namespace

void builtin_argc(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    expect_no_argument(node, this_item);
    results.append(make_int_value_from_number(static_cast<int32_t>(program_argument_count())));
}

void builtin_argv(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    const uint32_t available = program_argument_count();
    if (available == 0) raise_builtin_error(node, msg_text("keiproargvor"));
    ARG_FRAME frame(node->left, this_item, true);
    const auto last = static_cast<int32_t>(available - 1);
    // Every index is checked before the first result is appended.
    for (uint32_t i = 0; i < frame.count(); ++i) check(node, frame, frame.check_int_range(i, 0, last));
    for (uint32_t i = 0; i < frame.count(); ++i)
        results.append(make_str_value(program_arguments->texts[static_cast<size_t>(frame.int_value(i))]));
}

void builtin_def(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    ARG_FRAME frame(node->left, this_item, true);
    check(node, frame, frame.check_count_range(1, -1));
    for (uint32_t i = 0; i < frame.count(); ++i)
        results.append(make_bool_value(is_defined_value(follow_aliases(frame[i].cell)), 0));
}

void builtin_empty(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    ARG_FRAME frame(node->left, this_item, true);
    check(node, frame, frame.check_count_range(1, -1));
    for (uint32_t i = 0; i < frame.count(); ++i) {
        UNION_DATA* cell = follow_aliases(frame[i].cell);
        if (!is_defined_value(cell)) raise_builtin_error(node, msg_text("insnicdef"));
        results.append(make_bool_value(is_empty_value(cell), 0));
    }
}

void builtin_ref(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    ARG_FRAME frame(node->left, this_item, true);
    check(node, frame, frame.check_count_range(1, -1));
    for (uint32_t i = 0; i < frame.count(); ++i) {
        UNION_DATA* cell = follow_aliases(frame[i].cell);
        results.append(make_bool_value(is_defined_value(cell) && is_reference_tag(cell->tag), 0));
    }
}

void builtin_alias(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    ARG_FRAME frame(node->left, this_item, true);
    check(node, frame, frame.check_count_range(1, -1));
    for (uint32_t i = 0; i < frame.count(); ++i) {
        UNION_DATA* cell = frame[i].cell;
        // A call-alias parameter stands for the argument it was given.
        if ((cell->tag == tag_call_alias || cell->tag == raise_tag(tag_call_alias)) && cell->target() != nullptr)
            cell = cell->target();
        const bool alias = is_defined_value(cell) && (cell->tag == tag_alias || cell->tag == raise_tag(tag_alias));
        results.append(make_bool_value(alias, 0));
    }
}

void builtin_system(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    ARG_FRAME frame(node->left, this_item, true);
    check(node, frame, frame.check_count(1));
    check(node, frame, frame.check_type(0, 's', true));
    // What the program wrote must reach its target before the command
    // writes, or the two outputs interleave out of order.
    console_stream.flush();
    std::fflush(nullptr);
    const int status = run_shell_command(frame.value(0)->str_data()->text);
    results.append(make_int_value_from_number(status));
}

void builtin_get_cwd(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    expect_no_argument(node, this_item);
    results.append(make_str_value(current_directory()));
}

void builtin_get_env(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    ARG_FRAME frame(node->left, this_item, true);
    check(node, frame, frame.check_count(1));
    check(node, frame, frame.check_type(0, 's', true));
    const char* value = std::getenv(frame.value(0)->str_data()->text.c_str());
    results.append(make_str_value(value != nullptr ? std::string(value) : std::string()));
}

void builtin_count(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    ARG_FRAME frame(node->left, this_item, true);
    results.append(make_int_value_from_number(static_cast<int32_t>(frame.count())));
}

void builtin_get_calctime(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    expect_no_argument(node, this_item);
    results.append(seconds_value(calctime_elapsed()));
}

void builtin_get_realtime(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    expect_no_argument(node, this_item);
    results.append(seconds_value(realtime_elapsed()));
}

void builtin_get_out_fmt(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    expect_no_argument(node, this_item);
    results.append(make_char_value(terminal_format.fill));
    results.append(make_str_value(out_fmt_text(terminal_format)));
}

void builtin_get_out_spc(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    expect_no_argument(node, this_item);
    results.append(make_str_value(terminal_format.out_spc.value_or(std::string())));
}

void builtin_get_in_spc(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    expect_no_argument(node, this_item);
    for (const std::string& separator : terminal_format.in_spc) results.append(make_str_value(separator));
}

}  // namespace morvu
