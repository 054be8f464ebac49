#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/stream.h"
#include "runtime/terminal.h"
#include "test_support.h"

namespace morvu {
namespace {

using test::bytes;
using test::file_contents;
using test::STDOUT_CAPTURE;

void write_file(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

struct TEMP_DIR {
    std::string path;
    TEMP_DIR() {
        char name[] = "/tmp/morvu_terminal_XXXXXX";
        const char* made = ::mkdtemp(name);
        EXPECT_NE(made, nullptr);
        path = made != nullptr ? made : "/tmp";
    }
    ~TEMP_DIR() { std::filesystem::remove_all(path); }
    std::string file(const char* name) const { return path + "/" + name; }
};

// Feeds standard input from a pipe holding the given bytes, then its end.
class STDIN_PIPE {
public:
    explicit STDIN_PIPE(const std::string& data) {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        EXPECT_EQ(::write(ends[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
        ::close(ends[1]);
        saved = ::dup(STDIN_FILENO);
        ::dup2(ends[0], STDIN_FILENO);
        ::close(ends[0]);
        std::clearerr(stdin);
    }
    ~STDIN_PIPE() {
        while (std::getchar() != EOF) {}  // leave nothing buffered for whoever reads stdin next
        ::dup2(saved, STDIN_FILENO);
        ::close(saved);
        std::clearerr(stdin);
    }

private:
    int saved = -1;
};

class Console : public ::testing::Test {
protected:
    TEMP_DIR dir;

    void TearDown() override {
        console_stream.open_files("", false, "", false, false);
        terminal_format.clear_in_spc();
        terminal_format.clear_out_spc();
        terminal_format.clear_out_fmt();
    }

    std::vector<std::string> lines() {
        std::vector<std::string> result;
        const char* error = nullptr;
        for (std::string line; read_input_line(&console_stream, line, &error); line.clear()) result.push_back(line);
        EXPECT_EQ(error, nullptr);
        return result;
    }

    std::vector<std::string> items() {
        std::vector<std::string> result;
        const char* error = nullptr;
        for (std::string item; read_input_item(&console_stream, item, false, &error); item.clear())
            result.push_back(item);
        return result;
    }
};

using TEXTS = std::vector<std::string>;

TEST_F(Console, StandardOutputKeepsBytesButTheStoredNul) {
    STDOUT_CAPTURE capture(dir.file("out"));
    const char* error = "unset";
    console_stream.write("\xE4\xFC", false, &error);
    EXPECT_EQ(error, nullptr);
    console_stream.write(
        "a\xFF"
        "b",
        false, &error);
    console_stream.write("\x80", false, &error);
    EXPECT_EQ(capture.finish(), bytes("\xE4\xFC"
                                      "a\0b\x80"));
}

TEST_F(Console, ColumnPaddingOnStandardOutput) {
    ASSERT_EQ(terminal_format.set_out_fmt("+4-3", '.'), nullptr);
    STDOUT_CAPTURE capture(dir.file("out"));
    const char* error = nullptr;
    console_stream.write("\x80", true, &error);  // one byte, one character
    console_stream.write("ab", true, &error);
    console_stream.write("|", false, &error);
    EXPECT_EQ(capture.finish(),
              "...\x80"
              "ab.|");
    EXPECT_EQ(terminal_format.column, 0);
}

TEST_F(Console, RedirectedOutputFile) {
    const std::string path = dir.file("result.txt");
    STDOUT_CAPTURE capture(dir.file("stdout"));
    ASSERT_FALSE(console_stream.open_files("", false, path.c_str(), false, false));
    const char* error = nullptr;
    console_stream.write("x\xFFy\xE4", false, &error);
    // A flush puts it in the file while the file is still open.
    console_stream.flush();
    EXPECT_EQ(file_contents(path), bytes("x\0y\xE4"));

    // Append keeps what is there; plain output truncates.
    ASSERT_FALSE(console_stream.open_files("", false, path.c_str(), false, true));
    console_stream.write("+", false, &error);
    console_stream.flush();
    EXPECT_EQ(file_contents(path), bytes("x\0y\xE4+"));
    ASSERT_FALSE(console_stream.open_files("", false, path.c_str(), true, false));
    console_stream.write("new", false, &error);
    console_stream.flush();
    EXPECT_EQ(file_contents(path), "new");
    EXPECT_EQ(capture.finish(), "");
}

TEST_F(Console, StartUpMessagesForUnusableFiles) {
    const std::string missing = dir.file("missing");
    const std::string output = dir.file("never");
    STDOUT_CAPTURE capture(dir.file("stdout"));
    EXPECT_TRUE(console_stream.open_files(missing.c_str(), false, output.c_str(), false, false));
    // A directory is no regular file either.
    EXPECT_TRUE(console_stream.open_files(dir.path.c_str(), false, "", false, false));
    const std::string unwritable = dir.file("no/such/dir");
    EXPECT_TRUE(console_stream.open_files("", false, unwritable.c_str(), false, false));
    EXPECT_EQ(capture.finish(), "Input file '" + missing + "' does not exist\n" + "Input file '" + dir.path +
                                    "' does not exist\n" + "Output file '" + unwritable + "' cannot be opened\n");
    // The input step failed first, so the output file was never made.
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_EQ(console_stream.input, nullptr);
    EXPECT_EQ(console_stream.output, nullptr);
}

TEST_F(Console, InputFileFoldsCrLfAndHonoursBackspace) {
    const std::string path = dir.file("in.txt");
    write_file(path, "a b\r\nc\rd\n\be\bf");
    ASSERT_FALSE(console_stream.open_files(path.c_str(), false, "", false, false));
    EXPECT_FALSE(console_stream.is_binary());
    EXPECT_TRUE(console_stream.is_interactive());
    // CR LF is one line end, a lone CR ends a line too in text mode, and a
    // backspace erases even though the input is a file.
    EXPECT_EQ(lines(), (TEXTS{"a b", "c", "d", "f"}));

    ASSERT_FALSE(console_stream.open_files(path.c_str(), true, "", false, false));
    EXPECT_TRUE(console_stream.is_binary());
    EXPECT_EQ(lines(), (TEXTS{"a b\r", "c\rd", "f"}));
}

TEST_F(Console, InputFileCharactersAndItems) {
    const std::string path = dir.file("in.txt");
    write_file(path, bytes("1\r\n\r2\0 3\r"));
    ASSERT_FALSE(console_stream.open_files(path.c_str(), false, "", false, false));
    char ch = 0;
    std::string seen;
    while (!console_stream.read_char(&ch, false)) seen += ch;
    EXPECT_EQ(seen, bytes("1\n\r2\0 3\r"));

    const char* separators[] = {" ", "\n", "\r"};
    ASSERT_EQ(terminal_format.set_in_spc(separators, 3), nullptr);
    ASSERT_FALSE(console_stream.open_files(path.c_str(), false, "", false, false));
    EXPECT_EQ(items(), (TEXTS{"1", "2\xFF", "3"}));
}

TEST_F(Console, OutputGoesOutBeforeTheSystemIsAskedForInput) {
    const std::string out = dir.file("out");
    STDOUT_CAPTURE capture(out);
    STDIN_PIPE input("Ann\nBob\n");
    const char* error = nullptr;
    console_stream.write("Name? ", false, &error);
    EXPECT_EQ(file_contents(out), "");  // standard output is a file here: buffered
    std::string line;
    ASSERT_TRUE(read_input_line(&console_stream, line, &error));
    EXPECT_EQ(line, "Ann");
    EXPECT_EQ(file_contents(out), "Name? ");  // the prompt went out before the read
    // The second line is in the library's buffer already: nobody waits, so
    // nothing is pushed out.
    console_stream.write("Next? ", false, &error);
    line.clear();
    ASSERT_TRUE(read_input_line(&console_stream, line, &error));
    EXPECT_EQ(line, "Bob");
    EXPECT_EQ(capture.finish(), "Name? Next? ");
}

TEST_F(Console, AnInputFileIsReadAfterTheOutputBeforeIt) {
    const std::string in = dir.file("in.txt");
    const std::string out = dir.file("out");
    write_file(in, "1\n2\n");
    STDOUT_CAPTURE capture(out);
    ASSERT_FALSE(console_stream.open_files(in.c_str(), false, "", false, false));
    const char* error = nullptr;
    console_stream.write("first ", false, &error);
    std::string line;
    ASSERT_TRUE(read_input_line(&console_stream, line, &error));
    EXPECT_EQ(file_contents(out), "first ");
    EXPECT_EQ(capture.finish(), "first ");
}

TEST_F(Console, PipedKeysAreReadWithoutEcho) {
    STDIN_PIPE input(
        bytes("ab\r\x7f"
              "c\0d\nq\bx\n"));
    STDOUT_CAPTURE capture(dir.file("echo"));
    // Return gives a line feed; 127 is a backspace only from a terminal; a
    // NUL key is stored as 0xFF; backspace (8) erases.
    EXPECT_EQ(lines(), (TEXTS{"ab",
                              "\x7f"
                              "c\xFF"
                              "d",
                              "x"}));
    EXPECT_EQ(capture.finish(), "");
}

TEST_F(Console, EscapeEndsTheItemOrLine) {
    STDIN_PIPE input("one two\x1bthree\x1b");
    const char* blank[] = {" "};
    ASSERT_EQ(terminal_format.set_in_spc(blank, 1), nullptr);
    const char* error = nullptr;
    std::string item;
    EXPECT_TRUE(read_input_item(&console_stream, item, false, &error));
    EXPECT_EQ(item, "one");
    item.clear();
    EXPECT_TRUE(read_input_item(&console_stream, item, false, &error));
    EXPECT_EQ(item, "two");
    std::string line;
    EXPECT_TRUE(read_input_line(&console_stream, line, &error));
    EXPECT_EQ(line, "three");
    // End of standard input ends the input as well.
    line.clear();
    EXPECT_FALSE(read_input_line(&console_stream, line, &error));
}

TEST_F(Console, SingleKeysEndAtEscape) {
    STDIN_PIPE input("k\x1bm");
    std::string keys;
    const char* error = nullptr;
    EXPECT_TRUE(read_input_item(&console_stream, keys, true, &error));
    // Escape delivers no key: the one-key read reports the end of input.
    EXPECT_FALSE(read_input_item(&console_stream, keys, true, &error));
    EXPECT_TRUE(read_input_item(&console_stream, keys, true, &error));
    EXPECT_FALSE(read_input_item(&console_stream, keys, true, &error));
    EXPECT_EQ(keys, "km");
}

// A CR that ends one block of the library's buffer and the LF that begins
// the next are still one line end.
TEST_F(Console, CrLfAcrossBufferBlocks) {
    const std::string path = dir.file("long.txt");
    std::string text;
    for (size_t block : {4096u, 8192u, 65536u}) {
        text.append(block - 1 - text.size(), 'x');
        text += "\r\n";
    }
    text += "end";
    write_file(path, text);
    ASSERT_FALSE(console_stream.open_files(path.c_str(), false, "", false, false));
    std::vector<std::string> read = lines();
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0].size(), 4095u);
    EXPECT_EQ(read[1].size(), 4094u);
    EXPECT_EQ(read[2].size(), 57342u);
    EXPECT_EQ(read[3], "end");
}

// Standard input is learnt anew after open_files: a pipe that replaces a
// file is read, and without echo.
TEST_F(Console, PipeAfterInputFile) {
    const std::string path = dir.file("in.txt");
    write_file(path, "file line\n");
    ASSERT_FALSE(console_stream.open_files(path.c_str(), false, "", false, false));
    EXPECT_EQ(lines(), (TEXTS{"file line"}));
    ASSERT_FALSE(console_stream.open_files("", false, "", false, false));
    STDIN_PIPE input("piped\n");
    STDOUT_CAPTURE capture(dir.file("echo"));
    EXPECT_EQ(lines(), (TEXTS{"piped"}));
    EXPECT_EQ(capture.finish(), "");
}

// Standard input and output on a pseudo-terminal: what is typed is echoed
// (Return as a new line), and the terminal's own modes are back after the
// read.
class TERMINAL_ON_PTY {
public:
    TERMINAL_ON_PTY() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        if (slave < 0) return;
        // The terminal's own echo is off, so every echo seen is the console's.
        struct termios modes {};
        ::tcgetattr(slave, &modes);
        modes.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(slave, TCSANOW, &modes);
        std::fflush(stdout);
        saved_in = ::dup(STDIN_FILENO);
        saved_out = ::dup(STDOUT_FILENO);
        ::dup2(slave, STDIN_FILENO);
        ::dup2(slave, STDOUT_FILENO);
        std::clearerr(stdin);
    }
    ~TERMINAL_ON_PTY() {
        if (saved_in >= 0) {
            std::fflush(stdout);
            ::dup2(saved_in, STDIN_FILENO);
            ::dup2(saved_out, STDOUT_FILENO);
            ::close(saved_in);
            ::close(saved_out);
            std::clearerr(stdin);
        }
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }
    TERMINAL_ON_PTY(const TERMINAL_ON_PTY&) = delete;
    TERMINAL_ON_PTY& operator=(const TERMINAL_ON_PTY&) = delete;

    bool ready() const { return saved_in >= 0; }
    void type(const std::string& keys) const {
        EXPECT_EQ(::write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    // What the terminal shows: bytes pass the pseudo-terminal with a delay,
    // so they are awaited until `expected` have come or none come for a while.
    std::string shown(size_t expected) const {
        std::string text;
        char buffer[256];
        struct pollfd ready {
            master, POLLIN, 0
        };
        while (text.size() < expected && ::poll(&ready, 1, 2000) > 0) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }
    tcflag_t local_modes() const {
        struct termios modes {};
        ::tcgetattr(slave, &modes);
        return modes.c_lflag;
    }

private:
    int master = -1;
    int slave = -1;
    int saved_in = -1;
    int saved_out = -1;
};

TEST_F(Console, KeysFromATerminalAreEchoed) {
    TERMINAL_ON_PTY terminal;
    if (!terminal.ready()) GTEST_SKIP() << "no pseudo-terminal";
    const tcflag_t before = terminal.local_modes();
    ASSERT_FALSE(console_stream.open_files("", false, "", false, false));
    terminal.type("ab\bc\r");
    const char* error = nullptr;
    std::string line;
    EXPECT_TRUE(read_input_line(&console_stream, line, &error));
    EXPECT_EQ(line, "ac");
    // The terminal turns the echoed line feed into CR LF itself.
    const std::string echo = "ab\b \bc\r\n";
    EXPECT_EQ(terminal.shown(echo.size()), echo);
    EXPECT_EQ(terminal.local_modes(), before);
}

}  // namespace
}  // namespace morvu
