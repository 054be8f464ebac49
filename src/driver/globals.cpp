#include "driver/globals.h"

#include "eval/arg_frame.h"
#include "exec/control_counters.h"
#include "runtime/display_name.h"
#include "runtime/message_scratch.h"
#include "types/method_call.h"
#include "exec/pending_exception.h"
#include "exec/user_objects.h"
#include "frontend/saved_type_names.h"
#include "frontend/token.h"
#include "runtime/file_system.h"
#include "values/array_store.h"
#include "values/graph_store.h"
#include "values/list_store.h"
#include "values/saved_text.h"
#include "values/union_data.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "runtime/stream.h"
#include "runtime/terminal.h"

namespace morvu {

std::unique_ptr<TOKEN*> program_root;

namespace {
// The saved text form asks the front end about user types from start-up on.
[[maybe_unused]] const bool saved_type_services_installed = (install_saved_type_services(), true);
}  // namespace

void create_globals() {
    start_cpu_timer(&process_stopwatch);
    start_wall_timer(&process_stopwatch);
    program_arguments = std::make_unique<PROGRAM_ARGUMENTS>();
    file_name_table = std::make_unique<INT_STR_TABLE>("", false, 97);
    included_file_table = std::make_unique<STR_INT_TABLE>(0, false, 97);
    release_counters();
    program_root = std::make_unique<TOKEN*>(nullptr);
}

void destroy_globals() {
    // A pending exception left by an error after the main block holds a
    // value that may refer into the tree: it goes first.
    set_pending_exception(nullptr);
    current_statement = nullptr;
    if (program_root && *program_root != nullptr) {
        TOKEN* root = *program_root;
        root->destroy_tree();
        delete root;
    }
    program_root.reset();
    release_counters();
    included_file_table.reset();
    file_name_table.reset();
    program_arguments.reset();
    include_dirs.clear();
    // Closing the redirected files flushes a redirected output.
    console_stream.flush();
    console_stream.input.reset();
    console_stream.output.reset();
    for (IO_FORMAT* format : {&terminal_format, &str_format, &file_format}) {
        format->clear_in_spc();
        format->clear_out_spc();
        format->clear_out_fmt();
    }
    input_file_name.clear();
    output_file_name.clear();
    application_name.clear();
    // The static texts of every module.
    clear_static_texts();
    reset_type_methods();
    clear_serialize_texts();
    release_kept_messages();
    clear_msg_text();
}

}  // namespace morvu
