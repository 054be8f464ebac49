// The statements that change the console's input separators, output spacing
// and column format, restart the two stopwatches and change the working
// directory. Every argument is checked before anything changes, so a refused
// statement leaves the settings as they were (a malformed column format is
// the one exception: the old format is gone once the new one is parsed).

#include <unistd.h>

#include <string>
#include <vector>

#include "eval/arg_frame.h"
#include "exec/control_statements.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "runtime/str_stream.h"
#include "runtime/stream.h"
#include "values/union_data.h"

namespace morvu {

namespace {

[[noreturn]] void raise_statement(TOKEN* node, const char* routine, const std::string& message) {
    raise_error(node, routine_kind_procedure, routine, message, error_kind_system);
}

// Raises the frame's check message when the check failed.
void require(const char* refusal, const ARG_FRAME& frame, TOKEN* node, const char* routine) {
    if (refusal != nullptr) raise_statement(node, routine, frame.message(false));
}

const std::string& str_argument(const ARG_FRAME& frame, uint32_t index) { return frame.value(index)->str_data()->text; }

}  // namespace

void exec_set_in_spc(TOKEN* node, RESULT_ITEM this_item) {
    static constexpr const char* routine = "sys:set_in_spc";
    ARG_FRAME frame(node->left, this_item, true);
    require(frame.check_count_range(0, -1), frame, node, routine);
    std::vector<std::string> separators;
    for (uint32_t i = 0; i < frame.count(); ++i) require(frame.check_type(i, 's', true), frame, node, routine);
    separators.reserve(frame.count());
    for (uint32_t i = 0; i < frame.count(); ++i) separators.push_back(str_argument(frame, i));
    if (const char* message = terminal_format.set_in_spc(separators)) raise_statement(node, routine, message);
}

void exec_set_out_spc(TOKEN* node, RESULT_ITEM this_item) {
    static constexpr const char* routine = "sys:set_out_spc";
    ARG_FRAME frame(node->left, this_item, true);
    require(frame.check_count(1), frame, node, routine);
    require(frame.check_type(0, 's', false), frame, node, routine);
    terminal_format.set_out_spc(str_argument(frame, 0).c_str());
}

void exec_set_out_fmt(TOKEN* node, RESULT_ITEM this_item) {
    static constexpr const char* routine = "sys:set_out_fmt";
    ARG_FRAME frame(node->left, this_item, true);
    require(frame.check_count_range(1, 2), frame, node, routine);
    char fill = ' ';
    uint32_t text_index = 0;
    if (frame.count() == 2) {
        require(frame.check_type(0, 'c', true), frame, node, routine);
        require(frame.check_type(1, 's', false), frame, node, routine);
        fill = frame.value(0)->char_byte();
        text_index = 1;
    } else {
        require(frame.check_type(0, 's', false), frame, node, routine);
    }
    if (const char* message = terminal_format.set_out_fmt(str_argument(frame, text_index).c_str(), fill))
        raise_statement(node, routine, message);
}

void exec_set_calctime(TOKEN* node, RESULT_ITEM this_item) {
    ARG_FRAME frame(node->left, this_item, true);
    require(frame.check_count(0), frame, node, "sys:set_calctime");
    calctime_reset();
}

void exec_set_realtime(TOKEN* node, RESULT_ITEM this_item) {
    ARG_FRAME frame(node->left, this_item, true);
    require(frame.check_count(0), frame, node, "sys:set_realtime");
    realtime_reset();
}

void exec_set_cwd(TOKEN* node, RESULT_ITEM this_item) {
    static constexpr const char* routine = "sys:set_cwd";
    ARG_FRAME frame(node->left, this_item, true);
    require(frame.check_count(1), frame, node, routine);
    require(frame.check_type(0, 's', false), frame, node, routine);
    const std::string& path = str_argument(frame, 0);
    if (::chdir(path.c_str()) != 0)
        raise_statement(node, routine, format_string(msg_text("kannicverwec"), path.c_str()));
}

}  // namespace morvu
