#include "exec/program_run.h"

#include "exec/block_exec.h"
#include "exec/control_counters.h"
#include "exec/pending_exception.h"
#include "exec/still_routines.h"
#include "frontend/analysis.h"
#include "frontend/collect_defs.h"
#include "frontend/decl_rewrite.h"
#include "runtime/process_state.h"
#include "frontend/inclusion.h"
#include "frontend/name_resolution.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/cell_holds.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// The working state of one analysis; released before the main block runs
// and on every error of a pass.
struct ANALYSIS {
    STR_INT_TABLE files{0, false, 97};  // file name as written -> node holding its tree
    PTR_PTR_TABLE apps{0, false, 97};   // application type and its basic types
    int file_counter = 0;               // next source-file index
    TOKEN_LIST tokens;                  // every node of the tree, children first

    void collect(TOKEN* root) {
        tokens.clear();
        collect_tokens(root, &tokens);
    }
};

void raise_pending_counter(TOKEN* root, const char* message_id, const INT_DATA& counter) {
    raise_system_error(root, format_string(msg_text(message_id), counter.to_text().c_str()));
}

}  // namespace

void analyse_program(TOKEN* root, const std::string& program_name) {
    ANALYSIS analysis;
    enter_token(analysis.files, program_name, root);
    int cycles = application_name.empty() ? 1 : 2;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        bool last_cycle = cycle == cycles - 1;
        include_file(root, &analysis.file_counter, analysis.files, analysis.apps, cycle == 1);
        analysis.collect(root);
        clear_def_data(analysis.tokens);
        if (last_cycle && rewrite_declaration_inits(analysis.tokens)) analysis.collect(root);
        typdef_pass(analysis.tokens);
        collect_definitions(analysis.file_counter - 1, true, analysis.files);
        free_base_lists(analysis.tokens, last_cycle);
        if (!last_cycle) typdef_pass2(analysis.tokens, analysis.apps);
    }
    if (typdef_pass3(analysis.tokens)) analysis.collect(root);
    if (fundef_pass(analysis.tokens)) analysis.collect(root);
    free_base_lists(analysis.tokens, true);
    fundef_form_pass(analysis.tokens);
    vardef_pass(analysis.tokens);
    collect_definitions(analysis.file_counter - 1, false, analysis.files);
    collect_needs(root, std::string());
    operator_name_pass(analysis.tokens);
    variable_pass(analysis.tokens);
    type_body_pass(analysis.tokens);
    basic_init_pass(analysis.tokens);
}

bool execute_program(TOKEN* root, const std::string& program_name) {
    try {
        analyse_program(root, program_name);
    } catch (const ERROR& error) {
        print_error(error_heading(error.kind), error.file.c_str(), error.line, error.message.c_str());
        return true;
    }
    return run_main_block(root);
}

bool run_main_block(TOKEN* root) {
    SCOPE_WALK_MEMO memo;  // the tree keeps its shape while the program runs
    set_analysed_program(root);
    {
        const HOLD_SCOPE holds;       // what no operation of the run let go of
        execute_program_block(root);  // no current object in the main block
    }
    // The report names user types as the program's outermost block sees them.
    const TOKEN* saved_statement = current_statement;
    current_statement = root;
    struct RESTORE {
        const TOKEN* saved;
        ~RESTORE() { current_statement = saved; }
    } restore{saved_statement};
    if (pending_return) raise_pending_counter(root, "posretwerohnumgfun", *pending_return);
    if (pending_continue) raise_pending_counter(root, "posconwerohnumgsch", *pending_continue);
    if (pending_break) raise_pending_counter(root, "posbrewerohnumgsch", *pending_break);
    return report_unhandled_exception();
}

bool report_unhandled_exception() {
    if (pending_exception == nullptr) return false;
    UNION_DATA* value = pending_exception->value.get();
    const char* heading = msg_text("sysfeh");
    std::string message;
    const ERROR_DATA* record = nullptr;
    if (value != nullptr && base_type_code(value) == tag_error) record = follow_link(value)->error_data();
    if (record != nullptr && record->kind != 'u') {
        heading = error_heading(record->kind);
        message = record->message;
    } else {
        std::string type_name = value != nullptr ? type_name_text(value_type_name(value, true)) : "?";
        message = format_string(msg_text("unbaustyp"), type_name.c_str());
    }
    print_error(heading, pending_exception->file.c_str(), static_cast<int>(pending_exception->line), message.c_str());
    set_pending_exception(nullptr);
    return true;
}

}  // namespace morvu
