#include "runtime/terminal.h"

#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "runtime/file_stream.h"
#include "runtime/messages.h"

namespace morvu {

TERMINAL_DATA console_stream;

namespace {

constexpr int escape_key = 27;
constexpr int backspace_key = 8;
constexpr int delete_key = 127;  // what many terminals send for backspace

void print_start_up_message(const char* identifier, const std::string& name) {
    std::fputs(format_string(msg_text(identifier), name.c_str()).c_str(), stdout);
    std::fflush(stdout);
}

// Writes the text with every stored NUL (0xFF) turned back into the byte 0.
void write_bytes(std::FILE* file, const char* text) {
    const char* run = text;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '\xFF') continue;
        std::fwrite(run, 1, static_cast<size_t>(p - run), file);
        std::fputc(0, file);
        run = p + 1;
    }
    std::fwrite(run, 1, std::strlen(run), file);
    std::fflush(file);
}

void echo(const char* bytes, size_t count) {
    std::fwrite(bytes, 1, count, stdout);
    std::fflush(stdout);  // the echo must appear in the order of the keys
}

}  // namespace

bool TERMINAL_DATA::open_files(const char* input_file, bool binary, const char* output_file,
                               bool binary_output, bool append) {
    input_name = input_file == nullptr ? "" : input_file;
    output_name = output_file == nullptr ? "" : output_file;
    input.reset();
    output.reset();
    binary_input = false;
    keyboard = KEYBOARD::unknown;  // standard input may have changed as well

    if (!input_name.empty()) {
        if (!is_regular_file(input_name)) {
            print_start_up_message("inpdatexinic", input_name);
            return true;
        }
        input.reset(std::fopen(input_name.c_str(), binary ? "rb" : "r"));
        if (input == nullptr) {
            print_start_up_message("inpdatkannicgeower", input_name);
            return true;
        }
        binary_input = binary;
    }
    if (!output_name.empty()) {
        const char* mode = binary_output ? (append ? "ab" : "wb") : (append ? "a" : "w");
        output.reset(std::fopen(output_name.c_str(), mode));
        if (output == nullptr) {
            print_start_up_message("outdatkannicgeower", output_name);
            return true;
        }
    }
    return false;
}

void TERMINAL_DATA::begin_read(const char** error) { *error = nullptr; }

void TERMINAL_DATA::learn_keyboard() {
    // Keys are echoed only where a user watches them: input and output both
    // on a terminal. Piped or redirected input is read silently.
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    keyboard = terminal ? KEYBOARD::terminal : KEYBOARD::stream;
    echo_keys = terminal && ::isatty(STDOUT_FILENO) == 1;
}

int TERMINAL_DATA::next_key() {
    if (keyboard == KEYBOARD::unknown) learn_keyboard();
    // A terminal is switched to raw mode for each key; any other standard
    // input is taken from the library's buffer.
    return keyboard == KEYBOARD::terminal ? read_key_raw() : getc_unlocked(stdin);
}

bool TERMINAL_DATA::read_char(char* out, bool stop) {
    if (input != nullptr) {
        std::FILE* file = input.get();
        int byte = getc_unlocked(file);
        if (byte == EOF) return true;
        if (byte == '\r' && !binary_input) {  // CR LF is one line end; a lone CR stays
            int next = getc_unlocked(file);
            if (next == '\n')
                byte = '\n';
            else if (next != EOF)
                std::ungetc(next, file);
        }
        *out = static_cast<char>(byte);
        return stop;
    }

    int key = next_key();
    if (key == EOF || key == escape_key) return true;  // Escape ends the input like its end
    const bool show = echo_keys;
    if (key == delete_key && keyboard == KEYBOARD::terminal) key = backspace_key;

    if (key == '\r' && !binary_input) {
        *out = '\n';
        if (show) echo("\n", 1);
    } else if (key == backspace_key) {
        *out = static_cast<char>(backspace_key);
        if (show) echo("\b \b", 3);
    } else if (key == 0) {
        *out = '\xFF';
        if (show) echo("\xFF", 1);
    } else {
        *out = static_cast<char>(key);
        if (show) {
            char byte = static_cast<char>(key);
            echo(&byte, 1);
        }
    }
    return stop;
}

void TERMINAL_DATA::write(const char* text, bool formatted, const char** error) {
    *error = nullptr;
    if (formatted && !format->widths.empty()) {
        write_in_column(*this, *format, text, error);
        return;
    }
    write_bytes(output != nullptr ? output.get() : stdout, text);
}

void TERMINAL_DATA::flush() {
    if (output != nullptr) std::fflush(output.get());
    std::fflush(stdout);
}

int read_key_raw() {
    if (::isatty(STDIN_FILENO) != 1) return std::getchar();

    struct termios saved {};
    if (::tcgetattr(STDIN_FILENO, &saved) != 0) return std::getchar();
    struct termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;  // wait for exactly one key
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    int key = std::getchar();
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return key;
}

}  // namespace morvu
