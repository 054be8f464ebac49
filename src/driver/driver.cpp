#include "driver/driver.h"

#include <exception>

#include "exec/block_exec.h"
#include "exec/program_run.h"
#include "frontend/inclusion.h"
#include "frontend/lexer.h"
#include "runtime/name_list.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/file_stream.h"
#include "runtime/messages.h"
#include "runtime/terminal.h"

namespace morvu {

namespace {

// The text that introduces the program directory under -v.
constexpr const char* program_directory_label = "Morvu program directory: ";

void console_write(const std::string& text) {
    const char* error = nullptr;
    console_stream.write(text.c_str(), false, &error);
}

void free_tree(TOKEN*& holder) {
    if (holder == nullptr) return;
    holder->destroy_tree();
    delete holder;
    holder = nullptr;
}

// The program run, on the large stack that deep recursion needs.
struct PROGRAM_RUN {
    TOKEN* root;
    const std::string* name;
    bool failed = false;
};

void run_program(void* data) {
    auto* run = static_cast<PROGRAM_RUN*>(data);
    run->failed = execute_program(run->root, *run->name);
}

}  // namespace

std::string directory_part(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) slash = path.rfind('\\');
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash);
}

bool run_program_file(TOKEN*& holder, const std::string& name, bool search, bool version) {
    FILE_DATA file;
    try {
        std::string path = resolve_include_path(name, search);
        if (path.empty()) {
            console_write(format_string(msg_text("coddatexinic"), name.c_str()));
            return true;
        }
        if (search && version) console_write(program_directory_label + directory_part(path) + "\n\n");
        file.set_path(path);
        const char* message = nullptr;
        file.open("i", &message);
        if (message != nullptr) {
            console_write(message);
            return true;
        }
        NAME_LIST lines;
        read_line(&file, lines);
        file.close();
        free_tree(holder);
        holder = parse_program(name, lines, true).release();
        if (holder == nullptr) {
            if (search) return false;
            console_write(format_string(msg_text("fehausdatprolee"), name.c_str()));
            return true;
        }
        PROGRAM_RUN run{holder, &name};
        run_with_large_stack(run_program, &run);
        return run.failed;
    } catch (const ERROR& error) {
        print_error(error_heading(error.kind), error.file.c_str(), error.line, error.message.c_str());
    } catch (...) {
        console_write(format_string(msg_text("fehausdatunefeh"), name.c_str()));
    }
    file.close();
    return true;
}

}  // namespace morvu
