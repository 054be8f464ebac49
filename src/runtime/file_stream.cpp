#include "runtime/file_stream.h"

#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "runtime/file_system.h"
#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "runtime/terminal.h"

namespace morvu {

namespace {

constexpr char stored_nul = '\xFF';
constexpr size_t copy_block = 64 * 1024;

const char* file_message(const char* identifier) { return msg_text(identifier); }

const char* file_message(const char* identifier, const std::string& subject) {
    return keep_message(format_string(msg_text(identifier), subject.c_str()));
}

// The message of bytes the system refused, with its cause (an errno value).
const char* write_failure(const std::string& path, int cause) {
    return keep_message(format_string(msg_text("datkannicbeswer"), path.c_str(), std::strerror(cause)));
}

// The C library's mode for one of ours, or null for a mode we do not know.
const char* c_mode(const std::string& mode) {
    if (mode == "i") return "r";
    if (mode == "ib") return "rb";
    if (mode == "o") return "w";
    if (mode == "ob") return "wb";
    if (mode == "O") return "a";
    if (mode == "Ob") return "ab";
    return nullptr;
}

FILE_HANDLE open_handle(const std::string& path, const char* c_mode_text) {
    return FILE_HANDLE(std::fopen(path.c_str(), c_mode_text));
}

// Every FILE_DATA with an open output stream, in the order they opened.
std::vector<FILE_DATA*>& writers() {
    static std::vector<FILE_DATA*> open_writers;
    return open_writers;
}

// Set while the list of writers changes: a signal handler then leaves it
// alone.
volatile std::sig_atomic_t writers_changing = 0;

void add_writer(FILE_DATA* file) {
    writers_changing = 1;
    writers().push_back(file);
    writers_changing = 0;
}

void drop_writer(FILE_DATA* file) {
    writers_changing = 1;
    std::vector<FILE_DATA*>& list = writers();
    list.erase(std::remove(list.begin(), list.end(), file), list.end());
    writers_changing = 0;
}

// The cause of a failure errno may no longer hold.
int failure_cause() { return errno != 0 ? errno : EIO; }

// Reads up to one block; a short count means the end of the file (or an error,
// which ends the data just the same).
size_t read_block(std::FILE* file, char* buffer) { return std::fread(buffer, 1, copy_block, file); }

}  // namespace

bool is_regular_file(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return false;
    return S_ISREG(info.st_mode);
}

// ---------------------------------------------------------------------------
// The stream

void FILE_DATA::begin_read(const char** error) {
    *error = nullptr;
    if (!input_stream) open("i", error);
}

bool FILE_DATA::read_char(char* out, bool stop) {
    std::FILE* file = input_stream.get();
    int ch = file == nullptr ? EOF : std::fgetc(file);
    if (ch == EOF) {
        *out = stored_nul;
        return true;
    }
    if (ch == '\r' && !is_binary()) {
        int next = std::fgetc(file);
        if (next == '\n') ch = '\n';
        else if (next != EOF) std::ungetc(next, file);
    }
    *out = static_cast<char>(ch);
    return stop;
}

void FILE_DATA::write(const char* text, bool formatted, const char** error) {
    *error = nullptr;
    if (!output_stream) {
        open("o", error);
        if (*error != nullptr) return;
    }
    if (formatted && !format().widths.empty()) {
        write_in_column(*this, format(), text, error);  // comes back here unformatted
        return;
    }
    put(text, error);
}

void FILE_DATA::put(const char* text, const char** error) {
    *error = nullptr;
    if (lost_cause == 0) {
        std::FILE* file = output_stream.get();
        // A device or pipe may be the console's own target (/dev/stdout,
        // /dev/tty): what the console holds goes first.
        if (write_through) console_stream.flush();
        errno = 0;
        const bool written = put_stored_text(file, text) && (!write_through || std::fflush(file) == 0);
        if (written && std::ferror(file) == 0) return;
        lost_cause = failure_cause();
    }
    *error = write_failure(path_name, take_failure());
}

void FILE_DATA::begin_output() {
    struct stat info;
    write_through = ::fstat(::fileno(output_stream.get()), &info) != 0 || !S_ISREG(info.st_mode);
    lost_cause = 0;
    add_writer(this);
}

bool FILE_DATA::push_output() {
    if (!output_stream) return true;
    errno = 0;
    if (std::fflush(output_stream.get()) != 0 || std::ferror(output_stream.get()) != 0) {
        if (lost_cause == 0) lost_cause = failure_cause();
        // The refused bytes are dropped now, so the next write starts afresh.
        __fpurge(output_stream.get());
        std::clearerr(output_stream.get());
    }
    return lost_cause == 0;
}

int FILE_DATA::take_failure() {
    const int cause = lost_cause;
    lost_cause = 0;
    if (output_stream) {
        __fpurge(output_stream.get());
        std::clearerr(output_stream.get());
    }
    return cause;
}

int FILE_DATA::finish_output() {
    if (!output_stream) return 0;
    push_output();
    int cause = take_failure();
    errno = 0;
    if (std::fclose(output_stream.release()) != 0 && cause == 0) cause = failure_cause();
    drop_writer(this);
    return cause;
}

void FILE_DATA::flush(const char** message) {
    *message = nullptr;
    if (!push_output()) *message = write_failure(path_name, take_failure());
}

bool put_stored_text(std::FILE* file, const char* text) {
    bool written = true;
    const char* run = text;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != stored_nul) continue;
        const size_t count = static_cast<size_t>(p - run);
        written = written && std::fwrite(run, 1, count, file) == count && std::fputc(0, file) != EOF;
        run = p + 1;
    }
    const size_t count = std::strlen(run);
    return written && std::fwrite(run, 1, count, file) == count;
}

void write_buffer_raw(std::FILE* file) {
#if defined(__GLIBC__)
    if (file == nullptr) return;
    const char* next = file->_IO_write_base;
    const char* const end = file->_IO_write_ptr;
    while (next != nullptr && next < end) {
        const ssize_t written = ::write(file->_fileno, next, static_cast<size_t>(end - next));
        if (written <= 0) break;
        next += written;
    }
#else
    (void)file;
#endif
}

void write_writer_buffers_raw() {
    if (writers_changing != 0) return;
    for (FILE_DATA* file : writers()) write_buffer_raw(file->output_stream.get());
}

bool file_writers_open() { return !writers().empty(); }

void flush_file_writers() {
    for (FILE_DATA* file : writers()) file->push_output();
}

bool finish_file_writers() {
    bool kept = true;
    for (FILE_DATA* file : writers()) {
        if (file->push_output()) continue;
        kept = false;
        report_lost_output(file->path_name, file->take_failure());
    }
    return kept;
}

// ---------------------------------------------------------------------------
// Opening and closing

void FILE_DATA::set_path(const std::string& path) {
    close();
    path_name = path;
}

FILE_DATA::~FILE_DATA() { close(); }

void FILE_DATA::close() {
    input_stream.reset();
    mode.clear();
    if (const int cause = finish_output()) report_lost_output(path_name, cause);
}

void FILE_DATA::close(const char** message) {
    *message = nullptr;
    input_stream.reset();
    mode.clear();
    if (const int cause = finish_output()) *message = write_failure(path_name, cause);
}

void FILE_DATA::open(const std::string& open_mode, const char** message) {
    *message = nullptr;
    if (path_name.empty()) {
        *message = file_message("datmusini");
        return;
    }
    const char* c_mode_text = c_mode(open_mode);
    if (c_mode_text == nullptr) {
        *message = file_message("unzmod", open_mode);
        return;
    }
    const bool reading = open_mode[0] == 'i';
    FILE_HANDLE& wanted = reading ? input_stream : output_stream;
    if (reading && output_stream) {
        // What was written is on disk before it is read back; bytes it lost
        // are the open's failure.
        mode.clear();
        if (const int cause = finish_output()) {
            *message = write_failure(path_name, cause);
            return;
        }
    }
    if (!reading && input_stream) {
        input_stream.reset();
        mode.clear();
    }
    if (wanted) {
        if (mode == open_mode) return;  // keeps the stream and its position
        mode.clear();
        if (reading) {
            input_stream.reset();
        } else if (const int cause = finish_output()) {
            *message = write_failure(path_name, cause);
            return;
        }
    }
    // Other files written by the program may be this one under another
    // name: their bytes reach the disk first.
    console_stream.flush();
    wanted = open_handle(path_name, c_mode_text);
    if (!wanted) {
        *message = file_message("datkannicgeower", path_name);
        return;
    }
    mode = open_mode;
    if (!reading) begin_output();
}

void FILE_DATA::write_spacing(const char** message) {
    *message = nullptr;
    if (!format().out_spc || !output_stream) return;
    put(format().out_spc->c_str(), message);
}

// ---------------------------------------------------------------------------
// File operations

bool FILE_DATA::exists() const { return input_stream || output_stream || is_regular_file(path_name); }

bool FILE_DATA::remove(const char** message) {
    *message = nullptr;
    if (path_name.empty()) {
        *message = file_message("datmusini");
        return false;
    }
    if (!input_stream && !output_stream && !is_regular_file(path_name)) {
        *message = file_message("datexinic", path_name);
        return false;
    }
    // Bytes still buffered for a file about to go need not arrive.
    input_stream.reset();
    mode.clear();
    finish_output();
    console_stream.flush();
    return std::remove(path_name.c_str()) == 0;
}

bool FILE_DATA::move(const std::string& new_path, const char** message) {
    *message = nullptr;
    if (path_name.empty()) {
        *message = file_message("datmusini");
        return false;
    }
    if (!input_stream && !output_stream && !is_regular_file(path_name)) {
        *message = file_message("datexinic", path_name);
        return false;
    }
    if (is_directory(new_path)) {
        *message = file_message("verexisch", new_path);
        return false;
    }
    if (is_regular_file(new_path)) {
        *message = file_message("datexisch", new_path);
        return false;
    }
    // What was written stays: the stream is closed (and so flushed) before
    // the rename, and a writer goes on appending at the file's place, moved
    // or not, instead of emptying it with the next write.
    const bool writing = static_cast<bool>(output_stream);
    const bool binary = writing && mode.size() == 2;
    input_stream.reset();
    mode.clear();
    if (const int cause = finish_output()) {
        *message = write_failure(path_name, cause);
        return false;
    }
    console_stream.flush();
    const bool renamed = std::rename(path_name.c_str(), new_path.c_str()) == 0;
    if (renamed) path_name = new_path;
    if (writing) {
        output_stream = open_handle(path_name, binary ? "ab" : "a");
        if (output_stream) {
            mode = binary ? "Ob" : "O";
            begin_output();
        }
    }
    return renamed;
}

bool FILE_DATA::make(const char** message) {
    *message = nullptr;
    if (path_name.empty()) {
        *message = file_message("datmusini");
        return false;
    }
    if (input_stream || output_stream || is_regular_file(path_name)) {
        *message = file_message("datexisch", path_name);
        return false;
    }
    console_stream.flush();
    return static_cast<bool>(open_handle(path_name, "w"));
}

int64_t FILE_DATA::size(const char** message) {
    *message = nullptr;
    if (path_name.empty()) {
        *message = file_message("datmusini");
        return 0;
    }
    if (!input_stream && !output_stream && !is_regular_file(path_name)) {
        *message = file_message("datexinic", path_name);
        return 0;
    }
    // The streams stay open: a writer goes on appending, a reader keeps its
    // place. Only what is still buffered must reach the file first, this
    // file's own bytes and those of any other name for it.
    flush(message);
    if (*message != nullptr) return 0;
    console_stream.flush();
    struct stat info;
    if (::stat(path_name.c_str(), &info) != 0) return 0;
    return static_cast<int64_t>(info.st_size);
}

bool FILE_DATA::copy(const std::string& target, const char** message) const {
    *message = nullptr;
    if (path_name.empty()) {
        *message = file_message("datmusini");
        return false;
    }
    if (!input_stream && !output_stream && !is_regular_file(path_name)) {
        *message = file_message("datexinic", path_name);
        return false;
    }
    if (is_directory(target)) {
        *message = file_message("verexisch", target);
        return false;
    }
    if (is_regular_file(target)) {
        *message = file_message("datexisch", target);
        return false;
    }
    console_stream.flush();  // the bytes written so far are copied too
    FILE_HANDLE source = open_handle(path_name, "rb");
    if (!source) {
        *message = file_message("datkannicgeower", path_name);
        return false;
    }
    FILE_HANDLE destination = open_handle(target, "wb");
    if (!destination) {
        *message = file_message("datkannicgeower", target);
        return false;
    }
    std::vector<char> buffer(copy_block);
    bool written = true;
    while (size_t count = read_block(source.get(), buffer.data())) {
        written = written && std::fwrite(buffer.data(), 1, count, destination.get()) == count;
        if (count < copy_block) break;
    }
    source.reset();
    // A copy the system refused in part is a failed copy, not a short one.
    if (std::fclose(destination.release()) != 0 || !written) return false;

    struct stat info;
    mode_t rights = ::stat(path_name.c_str(), &info) == 0 ? info.st_mode : 0;
    if (::chmod(target.c_str(), rights) != 0) {
        *message = file_message("zugrecfuedatkannicgeswer", target);
        return false;
    }
    return true;
}

bool FILE_DATA::compare(const std::string& other, const char** message) const {
    *message = nullptr;
    if (path_name.empty()) {
        *message = file_message("datmusini");
        return false;
    }
    if (!input_stream && !output_stream && !is_regular_file(path_name)) {
        *message = file_message("datexinic", path_name);
        return false;
    }
    if (!is_regular_file(other)) {
        *message = file_message("datexinic", other);
        return false;
    }
    if (other == path_name) return true;
    console_stream.flush();
    FILE_HANDLE first = open_handle(path_name, "rb");
    if (!first) {
        *message = file_message("datkannicgeower", path_name);
        return false;
    }
    FILE_HANDLE second = open_handle(other, "rb");
    if (!second) {
        *message = file_message("datkannicgeower", other);
        return false;
    }
    std::vector<char> first_buffer(copy_block);
    std::vector<char> second_buffer(copy_block);
    while (true) {
        size_t first_count = read_block(first.get(), first_buffer.data());
        size_t second_count = read_block(second.get(), second_buffer.data());
        if (first_count != second_count) return false;
        if (std::memcmp(first_buffer.data(), second_buffer.data(), first_count) != 0) return false;
        if (first_count < copy_block) return true;  // both ended together
    }
}

bool FILE_DATA::has_permission(char letter) const {
    struct stat info;
    mode_t rights = ::stat(path_name.c_str(), &info) == 0 ? info.st_mode : 0;
    switch (letter) {
    case 'r': return (rights & S_IRUSR) != 0;
    case 'w': return (rights & S_IWUSR) != 0;
    case 'x': return (rights & S_IXUSR) != 0;
    default: return false;
    }
}

}  // namespace morvu
