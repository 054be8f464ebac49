// throw, catch, break, exit and assert: the statements that change the flow
// of a whole run. throw installs the one pending exception and catch takes it
// away again; break sets the counter that the loops count down; exit and a
// failed assert end the process on the spot, once all buffered output is out.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "eval/arg_frame.h"
#include "exec/block_exec.h"
#include "exec/control_counters.h"
#include "exec/control_statements.h"
#include "types/method_call.h"
#include "exec/pending_exception.h"
#include "exec/program_run.h"
#include "runtime/process_state.h"
#include "frontend/token.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "runtime/terminal.h"
#include "runtime/text_utils.h"
#include "values/assign_rules.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// The heading of a failed assertion's report.
constexpr const char* assertion_heading = "Assertion";

[[noreturn]] void raise_statement(TOKEN* node, const char* routine, const std::string& message) {
    raise_error(node, routine_kind_procedure, routine, message, error_kind_system);
}

void require(const char* refusal, const ARG_FRAME& frame, TOKEN* node, const char* routine) {
    if (refusal != nullptr) raise_statement(node, routine, frame.message(false));
}

// Ends the process with the status once everything written so far is out;
// output the system refused makes the status 1. Nothing of the run's normal
// end happens, so the process leaves without running the destructors of the
// run's state.
[[noreturn]] void end_process(int status) {
    if (!finish_program_output()) status = 1;
    ::_exit(status);
}

// Whether the catch variable takes an exception of the given value.
bool catch_matches(UNION_DATA* variable, UNION_DATA* value) {
    if (is_any_cell(variable)) return true;
    return same_type_name(value_type_name(variable, true), value_type_name(value, true));
}

// A defined error in a cell of its own that nothing links to, holds or
// numbers: its payload may change cells without a copy.
bool error_free_to_move(const UNION_DATA* cell) {
    return cell->tag == tag_error && cell->payload != nullptr && cell->referrers == nullptr && cell->in_use == 0 &&
           cell->weak_held == 0 && cell->key_numbered == 0;
}

// The thrown value as the pending record keeps it: a temporary error that
// the argument list owns hands its payload over (the list frees the empty
// cell), any other value is copied.
void keep_thrown_value(UNION_DATA* kept, const RESULT_ITEM& item, UNION_DATA* value) {
    if (item.owned != 0 && item.cell == value && error_free_to_move(value)) {
        kept->tag = value->tag;
        kept->payload = value->payload;
        value->payload = nullptr;
        return;
    }
    copy_construct_value(kept, value);
}

}  // namespace

void exec_throw(TOKEN* node, RESULT_ITEM this_item) {
    ARG_FRAME frame(node->left, this_item, true);
    require(frame.check_count(1), frame, node, "sys:throw");
    auto exception = std::make_unique<PENDING_EXCEPTION>();
    exception->value = std::make_unique<UNION_DATA>(tag_nothing);
    keep_thrown_value(exception->value.get(), frame[0], frame.value(0));
    exception->file = source_file_name(node->file_index);
    exception->line = static_cast<uint32_t>(node->line);
    exception->kind = 'u';
    set_pending_exception(exception.release());  // replaces (and destroys) what was pending
}

void exec_catch(TOKEN* node, RESULT_ITEM this_item) {
    static constexpr const char* routine = "sys:catch";
    if (pending_exception == nullptr) return;  // nothing to take: arguments stay unevaluated
    ARG_FRAME frame(node->left, this_item, true);
    // A malformed catch fails in its own right: its error takes the place of
    // the pending exception instead of being replaced by it.
    const char* malformed = frame.check_count(2);
    if (malformed == nullptr) malformed = frame.check_variable(0, false);
    if (malformed != nullptr) {
        set_pending_exception(nullptr);
        raise_statement(node, routine, frame.message(false));
    }
    UNION_DATA* variable = follow_aliases(frame[0].cell);
    UNION_DATA* value = pending_exception->value.get();
    if (value == nullptr || !catch_matches(variable, value)) return;  // a later catch may take it

    // The exception is taken. Refusals from here on are ordinary errors of
    // this statement, raised once the exception is gone.
    UNION_DATA* destination = follow_link(variable);
    const char* refusal = frame.check_type(1, 'x', true);
    std::string message = refusal != nullptr ? frame.message(false) : std::string();
    bool own_context = refusal != nullptr;
    if (message.empty() && value_under_iteration(destination)) {
        message =
            method_context(node, "sys", std::string("catch") + method_key_mark, false) + ' ' + msg_text("unzwaeite");
        own_context = false;
    }
    if (message.empty()) {
        // The pending value goes with the record below: an error caught in
        // an error variable takes it over, as the copy would have made it.
        if (destination->tag == tag_error && destination->payload != nullptr && error_free_to_move(value)) {
            std::swap(destination->payload, value->payload);
        } else if (const char* assigned = assign_value(destination, value)) {
            message = assigned;
        }
        own_context = true;
    }
    set_pending_exception(nullptr);
    if (!message.empty()) {
        if (own_context) raise_statement(node, routine, message);
        raise_system_error(node, message);
    }
    execute_block(code_block(frame[1]), this_item, true);
}

void exec_break(TOKEN* node, RESULT_ITEM this_item) {
    if (set_counter_from_literal(node, pending_break)) return;
    static constexpr const char* routine = "sys:break";
    ARG_FRAME frame(node->left, this_item, true);
    require(frame.check_count(1), frame, node, routine);
    require(frame.check_int_min(0, 1), frame, node, routine);
    if (!pending_break) pending_break = std::make_unique<INT_DATA>(0);
    *pending_break = *frame.value(0)->int_data();
}

void exec_exit(TOKEN* node, RESULT_ITEM this_item) {
    static constexpr const char* routine = "sys:exit";
    ARG_FRAME frame(node->left, this_item, true);
    require(frame.check_count(1), frame, node, routine);
    require(frame.check_type(0, 'i', true), frame, node, routine);
    report_unhandled_exception();
    // Compared as a number, not through a machine conversion, so that no
    // value outside 0..255 can wrap into the range.
    const INT_DATA& status = *frame.value(0)->int_data();
    if (status < INT_DATA(0) || status > INT_DATA(255)) {
        std::string text = msg_text("werlieauszulber");
        replace_substring(text, "%d", "%s", false);  // the exact value, however large
        raise_statement(node, routine, format_string(text.c_str(), status.to_text().c_str()));
    }
    end_process(std::atoi(status.to_text().c_str()));
}

void exec_assert(TOKEN* node, RESULT_ITEM this_item) {
    static constexpr const char* routine = "sys:assert";
    ARG_FRAME frame(node->left, this_item, true);
    require(frame.check_count(2), frame, node, routine);
    require(frame.check_type(0, 'b', true), frame, node, routine);
    require(frame.check_type(1, 's', true), frame, node, routine);
    if (frame.value(0)->bool_word() != 0) return;
    print_error(assertion_heading, source_file_name(node->file_index).c_str(), node->line,
                frame.value(1)->str_data()->text.c_str());
    end_process(1);
}

}  // namespace morvu
