#include "runtime/terminal.h"

#include <stdio_ext.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>

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

// Set once output of the run was reported lost.
bool lost_output_reported = false;

// Whether a closed pipe ends the process by its signal (the caller left the
// signal at its default).
bool broken_pipe_kills = false;

extern "C" void on_broken_pipe(int) {}

// The signals that end a run from outside. The buffered output goes out
// first, with the system's own writes, then the signal ends the process as
// it would have without the handler.
constexpr int ending_signals[] = {SIGINT, SIGTERM, SIGHUP};

// Everything buffered, written with the system's own calls.
void write_all_buffers_raw() {
    write_buffer_raw(console_stream.output.get());
    write_buffer_raw(stdout);
    write_writer_buffers_raw();
}

extern "C" void on_ending_signal(int signal_number) {
    write_all_buffers_raw();
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

// The handler that ran before ours when a C++ exception ends the process.
std::terminate_handler previous_terminate = nullptr;

void on_terminate() {
    write_all_buffers_raw();
    if (previous_terminate != nullptr) previous_terminate();
    std::abort();
}

// Whether the next byte of an input file must come from the system: the
// library's buffer holds none. Where the buffer is hidden, always.
bool input_exhausted(std::FILE* file) {
#if defined(__GLIBC__)
    return file->_IO_read_ptr >= file->_IO_read_end;
#else
    (void)file;
    return true;
#endif
}

// Pushes the file's buffer out; false when the system refused bytes, now
// or at an earlier write.
bool flushed(std::FILE* file) {
    errno = 0;
    return std::fflush(file) == 0 && std::ferror(file) == 0;
}

// The cause of the refusal just seen; a refusal seen earlier left none.
int refusal_cause() { return errno != 0 ? errno : EIO; }

// A closed pipe ends the process by its signal, as the unbuffered write would
// have ended it.
[[noreturn]] void end_by_broken_pipe() {
    std::signal(SIGPIPE, SIG_DFL);
    std::raise(SIGPIPE);
    ::_exit(1);
}

void echo(const char* bytes, size_t count) {
    std::fwrite(bytes, 1, count, stdout);
    std::fflush(stdout);  // the echo must appear in the order of the keys
}

}  // namespace

bool TERMINAL_DATA::open_files(const char* input_file, bool binary, const char* output_file, bool binary_output,
                               bool append) {
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
        // An output file that is a terminal shows each line as it ends, as
        // standard output on a terminal does.
        if (::isatty(::fileno(output.get())) == 1) std::setvbuf(output.get(), nullptr, _IOLBF, BUFSIZ);
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
    // input is taken from the library's buffer. What was written goes out
    // before the system is asked for input, as on a line-buffered console:
    // a prompt shows before the program waits for its answer.
    if (keyboard == KEYBOARD::terminal) {
        flush();
        return read_key_raw();
    }
    if (input_exhausted(stdin)) flush();
    return getc_unlocked(stdin);
}

bool TERMINAL_DATA::read_char(char* out, bool stop) {
    if (input != nullptr) {
        std::FILE* file = input.get();
        if (input_exhausted(file)) flush();
        int byte = getc_unlocked(file);
        if (byte == EOF) return true;
        if (byte == '\r' && !binary_input) {  // CR LF is one line end; a lone CR stays
            int next = getc_unlocked(file);
            if (next == '\n') byte = '\n';
            else if (next != EOF) std::ungetc(next, file);
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
    if (formatted && !format().widths.empty()) {
        write_in_column(*this, format(), text, error);
        return;
    }
    // Output the system refuses ends the run: nothing written from here on
    // could arrive either, and a run that lost its output must not end as
    // a success.
    std::FILE* target = output != nullptr ? output.get() : stdout;
    errno = 0;
    if (!put_stored_text(target, text) || std::ferror(target) != 0) end_for_lost_output(output_name, refusal_cause());
}

void TERMINAL_DATA::flush() {
    if (output != nullptr && !flushed(output.get())) end_for_lost_output(output_name, refusal_cause());
    if (!flushed(stdout)) end_for_lost_output("", refusal_cause());
    flush_file_writers();
}

void report_lost_output(const std::string& name, int cause) {
    lost_output_reported = true;
    if (!name.empty()) std::fflush(stdout);  // a refusal of stdout itself is found at its own flush
    const char* target = name.empty() ? standard_output_path : name.c_str();
    std::string line = format_string(msg_text("datkannicbeswer"), target, std::strerror(cause));
    line += '\n';
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

bool output_was_lost() { return lost_output_reported; }

void end_for_lost_output(const std::string& name, int cause) {
    finish_file_writers();
    if (cause == EPIPE && broken_pipe_kills) end_by_broken_pipe();
    report_lost_output(name, cause);
    ::_exit(1);
}

bool finish_program_output() {
    // The console's refusals are reported here rather than ending the run at
    // once, so that every file still gets its own chance and report.
    int console_cause = 0;
    std::string console_name;
    if (console_stream.output != nullptr && !flushed(console_stream.output.get())) {
        console_cause = refusal_cause();
        console_name = console_stream.output_name;
    }
    if (!flushed(stdout) && console_cause == 0) console_cause = refusal_cause();
    const bool files_kept = finish_file_writers();
    if (console_cause == EPIPE && broken_pipe_kills) end_by_broken_pipe();
    if (console_cause != 0) {
        report_lost_output(console_name, console_cause);
        // Reported once: what was refused is dropped, so the clean-up's
        // flushes find nothing left to fail.
        for (std::FILE* file : {console_stream.output.get(), stdout}) {
            if (file == nullptr) continue;
            __fpurge(file);
            std::clearerr(file);
        }
    }
    return files_kept && !lost_output_reported;
}

void catch_ending_signals() {
    // A signal the caller ignores stays ignored.
    auto catch_signal = [](int signal_number, void (*handler)(int)) {
        struct sigaction previous {};
        if (::sigaction(signal_number, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return false;
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        return ::sigaction(signal_number, &action, nullptr) == 0;
    };
    broken_pipe_kills = catch_signal(SIGPIPE, on_broken_pipe);
    for (int signal_number : ending_signals) catch_signal(signal_number, on_ending_signal);
    previous_terminate = std::set_terminate(on_terminate);
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
