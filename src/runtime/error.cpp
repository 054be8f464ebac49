#include "runtime/error.h"

#include "runtime/messages.h"
#include "runtime/terminal.h"

namespace morvu {

const TOKEN* current_statement = nullptr;
SOURCE_PLACE (*node_place)(const TOKEN* node) = nullptr;
void (*raise_pending_error)() = nullptr;

namespace {

SOURCE_PLACE place_of(const TOKEN* node) { return node_place != nullptr ? node_place(node) : SOURCE_PLACE{}; }

}  // namespace

void raise_error(const TOKEN* node, char routine_kind, const char* routine_name, const char* message, char error_kind) {
    // A statement that runs while an exception is pending reports the
    // pending error again, not its own.
    if (raise_pending_error != nullptr) raise_pending_error();
    std::string text;
    if (routine_name == nullptr) {
        text = message;
    } else {
        const char* word = routine_kind == routine_kind_function    ? msg_text("fun")
                           : routine_kind == routine_kind_procedure ? msg_text("pro")
                           : routine_kind == routine_kind_operator  ? msg_text("ope")
                                                                    : nullptr;
        if (word != nullptr) {
            text = word;
            text += ' ';
        }
        text += '\'';
        text += routine_name;
        text += "': ";
        text += message;
    }
    SOURCE_PLACE place = place_of(node);
    throw ERROR(std::move(place.file), place.line, std::move(text), error_kind);
}

std::string position_text(const TOKEN* node) {
    if (node == nullptr) return "?";
    SOURCE_PLACE place = place_of(node);
    return format_string(msg_text("datzei"), place.file.c_str(), place.line);
}

void print_error(const char* heading, const char* file, int line, const char* message) {
    std::string text = format_string(msg_text("indatzei"), heading, file, line, message);
    const char* error = nullptr;
    console_stream.write(text.c_str(), false, &error);
}

const char* error_heading(char kind) {
    switch (kind) {
    case error_kind_analysis: return msg_text("anafeh");
    case error_kind_syntax: return msg_text("synfeh");
    case error_kind_system: return msg_text("sysfeh");
    default: return "";
    }
}

}  // namespace morvu
