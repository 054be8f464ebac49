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
// Output goes through the C library's buffer: line by line when the target
// is a terminal, in blocks otherwise. The stored NUL (0xFF) goes out as the
// byte 0; other bytes are written unchanged. What is buffered goes out
// before anything could see it missing: before the console asks the system
// for more input, before file-system work and child processes (see flush),
// and at every end of the run, signals included. A write the system refuses
// is found at the write or at the next flush; either ends the run as a lost
// output.
//
// `input` and `output` are null exactly when there is no redirection in
// that direction; `binary_input` is false without an input file. The
// console is always interactive: a backspace read erases the previous
// character, also when the input comes from a file.

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

    TERMINAL_DATA() = default;
    IO_FORMAT& format() const override { return terminal_format; }
    TERMINAL_DATA(const TERMINAL_DATA&) = delete;
    TERMINAL_DATA& operator=(const TERMINAL_DATA&) = delete;
    ~TERMINAL_DATA() = default;  // closes both files

    // Redirects input and output (empty names: none), closing earlier files.
    // Prints the message itself on standard output and returns true when a
    // file cannot be used; the output file is then left unopened.
    bool open_files(const char* input_file, bool binary, const char* output_file, bool binary_output, bool append);

    void begin_read(const char** error) override;
    bool read_char(char* out, bool stop) override;
    bool is_binary() override { return binary_input; }
    bool is_interactive() override { return true; }
    void write(const char* text, bool formatted, const char** error) override;

    // Pushes out everything buffered: the console's output (standard output
    // and the output file; a refusal ends the run, end_for_lost_output),
    // then every file's (flush_file_writers). Called before console input
    // is asked of the system, before file-system work and child processes,
    // so that they see all the program has written.
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
// name, "" for standard output; a file's path) lost bytes, and the system's
// cause (an errno value). Standard output is flushed first, so the line
// stands after what was written before it. The run then ends with status 1
// (output_was_lost).
void report_lost_output(const std::string& name, int cause);
bool output_was_lost();

// Ends the process for console output the system refused: the program's
// files are finished first, then a closed pipe ends the process by its
// signal, as an unbuffered write would have; any other cause is reported
// and ends it with status 1.
[[noreturn]] void end_for_lost_output(const std::string& name, int cause);

// At an end of the run: pushes out the console and every file, reporting
// each refused output on standard error. False when any output of the run
// was lost, now or before.
bool finish_program_output();

// Turns a closed pipe into a failing write instead of an instant end, so
// that the run can finish its files first; makes the interrupt, terminate
// and hang-up signals, and a C++ exception that ends the process, write out
// what is buffered before they end it. A signal ignored by the caller stays
// ignored (a lost output to a closed pipe is then reported on standard
// error).
void catch_ending_signals();

// One key from standard input, or EOF. On a terminal, canonical input and
// echo are off only while the key is awaited; other input is read as it is.
int read_key_raw();

}  // namespace morvu
