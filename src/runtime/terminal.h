// The console: the program's standard input and output, reached through the
// one stream object console_stream. Start-up may redirect its input and its
// output to files (open_files); without redirection it reads single keys in
// raw mode and writes to standard output.
//
// Every write reaches its target at once (it is flushed), and the stored NUL
// (0xFF) goes out as the byte 0; other bytes are written unchanged. `input`
// and `output` are null exactly when there is no redirection in that
// direction; `binary_input` is false without an input file. The console is
// always interactive: a backspace read erases the previous character, also
// when the input comes from a file.

#pragma once

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
};

extern TERMINAL_DATA console_stream;

// One key from standard input, or EOF. On a terminal, canonical input and
// echo are off only while the key is awaited; other input is read as it is.
int read_key_raw();

}  // namespace morvu
