// FILE_DATA is the stream on a named file and the payload of file values. It
// opens its file lazily in one of six modes: "i" and "ib" read (text and
// binary), "o" and "ob" write from the start, "O" and "Ob" append. At most
// one direction is open at a time, and `mode` is the mode of the open stream
// ("" when none is). Switching direction closes the other one first, so data
// written is on disk before it is read back; reopening in the open mode keeps
// the stream and its position, and the other mode of the same direction
// closes and reopens.
//
// Text-mode reads fold CR LF into LF; only "ib" keeps CR as an ordinary
// character. The byte 0xFF (the stored form of NUL) is written as a NUL
// byte.
//
// Writes go through the C library's buffer of the output stream; a file that
// is no regular file (a device, a pipe) is flushed after every write, since
// someone may wait at its other end. Buffered bytes reach the file before
// anything can look at it: the file's own size, copy, compare, move and
// close flush it, and every open of any file, file-system work and child
// processes flush all writers (flush_file_writers). Bytes the system refuses
// are reported exactly once: by the write that meets the refusal, else by the
// file's next write, flush or close, else on standard error when the file
// is closed without a caller to tell or the run ends (finish_file_writers).
// What was refused is dropped with the report.
//
// The file operations (exists, remove, move, make, size, copy, compare,
// permission) report failures through an out message that is set to null
// first and, on failure, points at a text of this unit valid until its next
// message. A false result with a null message means a system call failed and
// the caller decides what to report.

#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "runtime/stream.h"

namespace morvu {

class FILE_DATA final : public STREAM_DATA {
public:
    std::string path_name;        // "" while the file value is not initialised
    FILE_HANDLE input_stream;     // open for reading, or null
    FILE_HANDLE output_stream;    // open for writing, or null
    std::string mode;             // the open stream's mode letters, "" when closed
    int32_t iteration_count = 0;  // loops running over the file

    FILE_DATA() = default;
    explicit FILE_DATA(const std::string& path) : path_name(path) {}
    IO_FORMAT& format() const override { return file_format; }
    // A file value owns its handles: copies are made by setting a path.
    FILE_DATA(const FILE_DATA&) = delete;
    FILE_DATA& operator=(const FILE_DATA&) = delete;
    // Closes the file; refused bytes are reported on standard error.
    ~FILE_DATA();

    // Opens for reading ("i") unless a read is already under way.
    void begin_read(const char** error) override;
    // One byte; CR LF is delivered as LF unless the mode is "ib". At the end
    // of the file *out becomes 0xFF and the result is true.
    bool read_char(char* out, bool stop) override;
    bool is_binary() override { return mode == "ib"; }
    bool is_interactive() override { return false; }
    // Opens for writing ("o") when needed, applies the column padding when
    // formatted and writes into the buffer. Bytes the system refuses give
    // the message "cannot be written" with the path and the system's cause.
    void write(const char* text, bool formatted, const char** error) override;

    // Closes the file and replaces the path.
    void set_path(const std::string& path);
    // Closes whichever stream is open; the path stays. Refused bytes of the
    // output stream give the write message; without a message argument they
    // are reported on standard error.
    void close();
    void close(const char** message);
    // Pushes the buffered bytes to the file; refused bytes give the write
    // message.
    void flush(const char** message);
    // Opens in one of the six modes (see above).
    void open(const std::string& open_mode, const char** message);
    // Writes the output spacing text of the file format, if any, to the open
    // output stream.
    void write_spacing(const char** message);

    // Whether writes are flushed at once (no regular file).
    bool writes_through() const { return write_through; }

    // An open stream, or a regular file at the path.
    bool exists() const;
    // Both need the file to exist. remove closes the file first. move
    // refuses a new path that is an existing file or directory; it closes
    // the file for the rename, and a stream that was writing is opened
    // again for appending, so what was written stays and later writes add to
    // it.
    bool remove(const char** message);
    bool move(const std::string& new_path, const char** message);
    // Creates an empty file; refuses one that exists.
    bool make(const char** message);
    // The size in bytes, with the streams left open where they are; 0 with a
    // message on failure.
    int64_t size(const char** message);
    // Copies the bytes and the access rights to a new file; the file's own
    // streams stay as they are.
    bool copy(const std::string& target, const char** message) const;
    // Whether the other file holds the same bytes.
    bool compare(const std::string& other, const char** message) const;
    // The owner's 'r', 'w' or 'x' right on the path; false for other letters.
    bool has_permission(char letter) const;

private:
    bool write_through = false;  // the output is no regular file: every write is flushed
    int lost_cause = 0;          // errno of refused bytes not yet reported; 0 for none

    friend void flush_file_writers();
    friend bool finish_file_writers();

    // Puts the bytes into the output stream (flushed when writing through);
    // the write message when they are refused.
    void put(const char* text, const char** error);
    // Starts bookkeeping of a newly opened output stream.
    void begin_output();
    // Flushes; false with lost_cause set when bytes were refused.
    bool push_output();
    // The cause of refused bytes, taking it: the stream's buffer is dropped
    // and its error cleared, so the next write starts afresh.
    int take_failure();
    // Flushes and closes the output stream; the cause of refused bytes, or 0.
    int finish_output();
};

// Writes the text with every stored NUL (0xFF) turned back into a NUL byte
// into the stream's buffer. False when the system refused bytes; errno then
// holds the cause.
bool put_stored_text(std::FILE* file, const char* text);

// Writes what the library holds in the stream's buffer with the system's own
// call, leaving the stream as it is: usable in a signal handler just before
// the process ends, where the library's flush is not.
void write_buffer_raw(std::FILE* file);
// The same for every open output stream of a file.
void write_writer_buffers_raw();

// Pushes every open output stream of a file to its file. A refusal waits for
// the file's next write, flush or close.
void flush_file_writers();

// Whether any output stream of a file is open.
bool file_writers_open();

// At an end of the run: flushes every output stream of a file and reports
// each refusal on standard error. False when any bytes were refused.
bool finish_file_writers();

// Whether the path names a regular file (links followed).
bool is_regular_file(const std::string& path);

}  // namespace morvu
