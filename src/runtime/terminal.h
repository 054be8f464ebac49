// The console: the program's standard input and output, reached through the
// one stream object console_stream. Start-up may redirect its input and its
// output to files (open_files); without redirection it reads single keys in
// raw mode from a terminal and writes to standard output.
//
// Input is read through the C library's buffer, one buffered byte per
// read_char and no system call per character: an input file and piped
// standard input are read in blocks, and whether standard input is a
// terminal is learnt once, at the first read after open_files. Only keys
// from a terminal are echoed, and only when standard output is a terminal
// as well.
//
// Every write reaches its target at once (it is flushed), and the stored NUL
// (0xFF) goes out as the byte 0; other bytes are written unchanged. `input`
// and `output` are null exactly when there is no redirection in that
// direction; `binary_input` is false without an input file. The console is
// always interactive: a backspace read erases the previous character, also
// when the input comes from a file.

#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "runtime/stream.h"

namespace morvu {

class TERMINAL_DATA : public STREAM_DATA {
public:
    std::string input_name;   // input file from the command line; "" for the keyboard
    std::string output_name;  // output file; "" for standard output
    FILE_HANDLE input;
    FILE_HANDLE output;
    bool binary_input = false;

    TERMINAL_DATA() : STREAM_DATA(&terminal_format) {}
    TERMINAL_DATA(const TERMINAL_DATA&) = delete;
    TERMINAL_DATA& operator=(const TERMINAL_DATA&) = delete;
    ~TERMINAL_DATA() = default;  // closes both files

    // Redirects input and output (empty names: none), closing earlier files.
    // Prints the message itself on standard output and returns true when a
    // file cannot be used; the output file is then left unopened.
    bool open_files(const char* input_file, bool binary, const char* output_file,
                    bool binary_output, bool append);

    void begin_read(const char** error) override;
    bool read_char(char* out, bool stop) override;
    bool is_binary() override { return binary_input; }
    bool is_interactive() override { return true; }
    void write(const char* text, bool formatted, const char** error) override;

    // Pushes buffered output (standard output or the output file) to its
    // target; safe to call on any path out of the process.
    void flush();

private:
    // What standard input is: unknown until the first key read after
    // open_files, then a terminal or not; echo_keys is set only for a
    // terminal that writes to a terminal.
    enum class KEYBOARD : int8_t { unknown, terminal, stream };
    KEYBOARD keyboard = KEYBOARD::unknown;
    bool echo_keys = false;

    void learn_keyboard();
    // One key of standard input, or EOF.
    int next_key();
};

extern TERMINAL_DATA console_stream;

// What names standard output in the report of a failed write.
inline constexpr const char* standard_output_path = "/dev/stdout";

// The line on standard error that says which output (the output file's
// name, "" for standard output) lost bytes, and the system's cause (an
// errno value).
void report_lost_output(const std::string& name, int cause);
// Reports the lost output and ends the process with status 1 at once.
[[noreturn]] void end_for_lost_output(const std::string& name, int cause);

// One key from standard input, or EOF. On a terminal, canonical input and
// echo are off only while the key is awaited; other input is read as it is.
int read_key_raw();

}  // namespace morvu
