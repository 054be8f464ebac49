#include "driver/startup.h"

#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <string>

#include "driver/driver.h"
#include "driver/globals.h"
#include "frontend/tree_passes.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"
#include "runtime/terminal.h"
#include "runtime/text_utils.h"

namespace morvu {

namespace {

// One option: its letters, whether it takes a value, and its line in the
// option list. The table order is the order of the option list.
struct OPTION {
    const char* letters;
    bool takes_value;
    const char* list_message;
};

constexpr OPTION option_table[] = {
    {"v", false, "ausprover"}, {"n", true, "incver"},        {"i", true, "inpdat"},
    {"ib", true, "inpdatbin"}, {"o", true, "outdat"},        {"ob", true, "outdatbin"},
    {"O", true, "outdatapp"},  {"Ob", true, "outdatappbin"}, {"a", true, "app"},
};

// The order in which configuration keys are looked up.
constexpr const char* config_key_order[] = {"n", "i", "ib", "o", "ob", "O", "Ob", "a", "v"};

constexpr const char* config_file_name = "morvu.sys";

std::string banner_text(const char* argv0) {
    std::string directory = interpreter_directory(argv0);
    return std::string("morvu ") + MORVU_VERSION + ", interpreter of the Morvu language\n" +
           "Interpreter directory: " + (directory.empty() ? "." : directory) + "\n";
}

void print_plain(const std::string& text) { std::fputs(text.c_str(), stdout); }

// Applies one option with its value; false when -a names no identifier.
bool apply_option(const std::string& letters, const std::string& value) {
    if (letters == "v") {
        show_version = true;
    } else if (letters == "n") {
        include_dirs.append(value);
    } else if (letters == "i" || letters == "ib") {
        input_file_name = value;
        input_is_binary = letters == "ib";
    } else if (letters == "o" || letters == "ob" || letters == "O" || letters == "Ob") {
        output_file_name = value;
        output_is_binary = letters.size() == 2;
        output_appends = letters[0] == 'O';
    } else if (letters == "a") {
        application_name = value;
        return is_identifier(value);
    }
    return true;
}

bool is_config_key(const std::string& key) {
    for (const char* known : config_key_order)
        if (key == known) return true;
    return false;
}

// Reads "morvu.sys"; false after a reported error.
bool read_config_file(const std::string& path, const char* argv0) {
    FILE_DATA file(path);
    const char* message = nullptr;
    file.open("i", &message);
    if (message != nullptr) {
        print_plain(banner_text(argv0));
        print_plain(std::string(message) + "\n");
        return false;
    }
    NAME_LIST lines;
    read_line(&file, lines);
    file.close();
    int line_number = 0;
    for (const std::string& line : lines) {
        ++line_number;
        if (line.empty()) continue;
        size_t blank = line.find_first_of(" \t\n\v\f\r");
        std::string key = line.substr(0, blank);
        std::string value = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        trim_chars(value, " \t");
        if (!is_config_key(key)) {
            print_plain(banner_text(argv0));
            print_plain(format_string(msg_text("datmrvzeiunbproopt"), line_number, key.c_str()));
            print_plain("\n");
            print_plain(msg_text("zulopt"));
            print_option_list(false);
            return false;
        }
        if (key == "v" && !value.empty()) {
            print_plain(banner_text(argv0));
            print_plain(format_string(msg_text("datmrvzeierwkeiwerproopt"), line_number));
            return false;
        }
        if (!apply_option(key, value)) {
            print_plain(banner_text(argv0));
            print_plain(format_string(msg_text("datmrvzeikeizulnamapp"), line_number, value.c_str()));
            return false;
        }
    }
    return true;
}

// Parses the arguments after argv[0]; false after a reported error.
bool read_command_line(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (program_arguments->count() > 0) {
            add_program_argument(*program_arguments, argument);
            continue;
        }
        const OPTION* option = nullptr;
        if (argument[0] == '-')
            for (const OPTION& candidate : option_table)
                if (std::strcmp(argument + 1, candidate.letters) == 0) option = &candidate;
        if (option == nullptr) {
            if (argument[0] == '-') {
                print_plain(banner_text(argv[0]));
                print_plain(format_string(msg_text("unbproopt"), argument));
                print_plain("\n");
                print_plain(msg_text("zulopt"));
                print_option_list(true);
                return false;
            }
            add_program_argument(*program_arguments, argument);
            continue;
        }
        std::string value;
        if (option->takes_value) {
            if (i + 1 >= argc) {
                print_plain(banner_text(argv[0]));
                print_plain(format_string(msg_text("prooptistunv"), option->letters));
                return false;
            }
            value = argv[++i];
        }
        if (!apply_option(option->letters, value)) {
            print_plain(banner_text(argv[0]));
            print_plain(format_string(msg_text("prooptkeizulnamapp"), option->letters, value.c_str()));
            return false;
        }
    }
    return true;
}

// Appends the interpreter directory D, then D + "/" + each entry so far.
void complete_include_dirs(const std::string& directory) {
    if (directory.empty()) return;
    include_dirs.append(directory);
    NAME_LIST joined;
    for (const std::string& entry : include_dirs) joined.append(directory + "/" + entry);
    for (const std::string& entry : joined) include_dirs.append(entry);
}

int start(int argc, char** argv) {
    const char* argv0 = argc > 0 ? argv[0] : "morvu";
    std::string directory = interpreter_directory(argv0);
    std::string config = directory.empty() ? std::string(config_file_name) : directory + "/" + config_file_name;
    if (is_regular_file(config) && !read_config_file(config, argv0)) return 1;
    if (!read_command_line(argc, argv)) return 1;
    complete_include_dirs(interpreter_directory(argv0));
    if (console_stream.open_files(input_file_name.c_str(), input_is_binary, output_file_name.c_str(), output_is_binary,
                                  output_appends))
        return 1;
    if (program_arguments->count() == 0) {
        print_plain(banner_text(argv0));
        print_plain(msg_text("coddatfuemrvnicdef"));
        print_plain(msg_text("anwmrvcoddat"));
        print_plain(msg_text("opt"));
        print_option_list(true);
        return 1;
    }
    if (show_version) {
        const char* error = nullptr;
        console_stream.write(banner_text(argv0).c_str(), false, &error);
    }
    return run_program_file(*program_root, program_arguments->texts[0], true, show_version) ? 1 : 0;
}

}  // namespace

void print_option_list(bool dashed) {
    for (const OPTION& option : option_table) std::printf(dashed ? "-%s" : "%s", msg_text(option.list_message));
}

int morvu_main(int argc, char** argv) {
    // The program runs on a thread of its own (for its large stack). One
    // allocation arena keeps that thread on the main heap, which grows in
    // large steps, instead of a thread heap grown a page at a time.
    mallopt(M_ARENA_MAX, 1);
    create_globals();
    catch_ending_signals();
    int status = start(argc, argv);
    // Everything buffered goes out now, start-up texts written to standard
    // output directly included; output that did not arrive fails the run as
    // a lost write of the program does.
    if (!finish_program_output()) status = 1;
    destroy_globals();
    if (output_was_lost()) status = 1;  // a file value closed with the globals
    return status;
}

}  // namespace morvu
