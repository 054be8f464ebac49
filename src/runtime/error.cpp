#include "runtime/error.h"

#include "exec/pending_exception.h"
#include "frontend/globals.h"
#include "frontend/token.h"
#include "runtime/messages.h"
#include "runtime/terminal.h"

namespace morvu {

void raise_error(const TOKEN* node, char routine_kind, const char* routine_name, const char* message,
                 char error_kind) {
    if (pending_exception != nullptr) {
        // A statement that runs while an exception is pending reports the
        // pending error again, not its own.
        if (const ERROR* pending = pending_error_value()) throw ERROR(*pending);
        throw ERROR(pending_exception->file, static_cast<int>(pending_exception->line),
                    pending_exception->message, pending_exception->kind);
    }
    std::string text;
    if (routine_name == nullptr) {
        text = message;
    } else {
        const char* word = routine_kind == 'f'   ? msg_text("fun")
                           : routine_kind == 'p' ? msg_text("pro")
                           : routine_kind == 'o' ? msg_text("ope")
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
    throw ERROR(source_file_name(node->file_index), node->line, std::move(text), error_kind);
}

std::string position_text(const TOKEN* node) {
    if (node == nullptr) return "?";
    return format_string(msg_text("datzei"), source_file_name(node->file_index).c_str(), node->line);
}

void print_error(const char* heading, const char* file, int line, const char* message) {
    std::string text = format_string(msg_text("indatzei"), heading, file, line, message);
    const char* error = nullptr;
    console_stream.write(text.c_str(), false, &error);
}

const char* error_heading(char kind) {
    switch (kind) {
        case 'a': return msg_text("anafeh");
        case 'p': return msg_text("synfeh");
        case 's': return msg_text("sysfeh");
        default: return "";
    }
}

}  // namespace morvu
