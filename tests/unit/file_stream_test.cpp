#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/file_stream.h"
#include "runtime/messages.h"
#include "runtime/terminal.h"
#include "test_support.h"

namespace morvu {
namespace {

// A fresh directory under /tmp for each test, removed with everything in it.
class FileStreamTest : public ::testing::Test {
protected:
    std::string root;

    void SetUp() override {
        char pattern[] = "/tmp/morvu_file_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override {
        file_format.clear_out_fmt();
        file_format.clear_out_spc();
        std::filesystem::remove_all(root);
    }

    std::string path(const std::string& name) const { return root + "/" + name; }

    static void put(const std::string& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary);
        out << bytes;
    }
    static std::string contents(const std::string& file) { return test::file_contents(file); }
    // Everything the stream delivers from here to its end.
    static std::string drain(FILE_DATA& file) {
        std::string text;
        char ch = 0;
        while (!file.read_char(&ch, false)) text += ch;
        return text;
    }
    static std::string message(const char* identifier, const std::string& subject) {
        return format_string(msg_text(identifier), subject.c_str());
    }
};

TEST_F(FileStreamTest, OpenRefusesUninitialisedPathsAndUnknownModes) {
    FILE_DATA blank;
    const char* error = nullptr;
    blank.write("x", false, &error);
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error, msg_text("datmusini"));

    FILE_DATA file(path("a"));
    file.write("abc", false, &error);
    ASSERT_EQ(error, nullptr);
    std::FILE* writer = file.output_stream.get();
    file.open("x", &error);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error, message("unzmod", "x"));
    EXPECT_EQ(file.output_stream.get(), writer);  // left open as it was
    EXPECT_EQ(file.mode, "o");

    FILE_DATA missing(path("missing"));
    missing.open("i", &error);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error, message("datkannicgeower", path("missing")));
    EXPECT_EQ(missing.mode, "");
    EXPECT_FALSE(missing.input_stream);
}

TEST_F(FileStreamTest, SwitchingDirectionsClosesTheOtherStreamFirst) {
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    file.write("abc", false, &error);
    ASSERT_EQ(error, nullptr);
    file.begin_read(&error);
    ASSERT_EQ(error, nullptr);
    EXPECT_EQ(file.mode, "i");
    EXPECT_FALSE(file.output_stream);
    EXPECT_EQ(drain(file), "abc");

    // Writing again after a read starts the file afresh ("o").
    file.write("z", false, &error);
    EXPECT_EQ(file.mode, "o");
    EXPECT_FALSE(file.input_stream);
    file.flush(&error);
    EXPECT_EQ(contents(path("a")), "z");
}

TEST_F(FileStreamTest, AppendModeKeepsItsStreamAndWriteModeTruncates) {
    put(path("a"), "12");
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    file.open("O", &error);
    std::FILE* first = file.output_stream.get();
    file.write("34", false, &error);
    file.open("O", &error);
    EXPECT_EQ(file.output_stream.get(), first);
    file.write("5", false, &error);
    file.flush(&error);
    EXPECT_EQ(contents(path("a")), "12345");

    file.open("o", &error);
    ASSERT_EQ(error, nullptr);
    EXPECT_EQ(contents(path("a")), "");
    file.write("x", false, &error);
    file.open("Ob", &error);
    file.write("y", false, &error);
    file.close();
    EXPECT_EQ(contents(path("a")), "xy");
    EXPECT_EQ(file.mode, "");
    EXPECT_EQ(file.path_name, path("a"));
}

TEST_F(FileStreamTest, StoredNulIsWrittenAsNulAndReadBackRaw) {
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    file.open("ob", &error);
    file.write(
        "a\xFF"
        "b",
        false, &error);
    file.close();
    EXPECT_EQ(contents(path("a")), std::string("a\0b", 3));

    file.open("ib", &error);
    char ch = 0;
    EXPECT_FALSE(file.read_char(&ch, false));
    EXPECT_EQ(ch, 'a');
    // With stop set, the stream answers as if the input had ended.
    EXPECT_TRUE(file.read_char(&ch, true));
    EXPECT_EQ(ch, '\0');
    EXPECT_FALSE(file.read_char(&ch, false));
    EXPECT_EQ(ch, 'b');
    EXPECT_TRUE(file.read_char(&ch, false));
    EXPECT_EQ(ch, '\xFF');  // the end delivers the stored NUL

    // The scanners store a NUL read from a file as 0xFF.
    file.close();
    std::string line;
    EXPECT_TRUE(read_input_line(&file, line, &error));
    EXPECT_EQ(line,
              "a\xFF"
              "b");
}

TEST_F(FileStreamTest, TextModeFoldsCrLfButBinaryModeKeepsIt) {
    put(path("a"), "a\r\nb\rc\r");
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    file.open("i", &error);
    EXPECT_FALSE(file.is_binary());
    EXPECT_EQ(drain(file), "a\nb\rc\r");

    file.open("ib", &error);
    EXPECT_TRUE(file.is_binary());
    EXPECT_EQ(drain(file), "a\r\nb\rc\r");

    file.open("ob", &error);
    EXPECT_FALSE(file.is_binary());  // only binary input counts
    EXPECT_FALSE(file.is_interactive());
}

TEST_F(FileStreamTest, ReadLineEndsLinesAtLfCrLfAndLoneCr) {
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    auto lines_of = [&](const std::string& bytes, const char* mode) {
        file.close();
        put(path("a"), bytes);
        file.open(mode, &error);
        NAME_LIST lines;
        read_line(&file, lines);
        return std::vector<std::string>(lines.begin(), lines.end());
    };
    using LINES = std::vector<std::string>;
    EXPECT_EQ(lines_of("a\r\nb", "i"), (LINES{"a", "b"}));
    EXPECT_EQ(lines_of("a\n\nb\n", "i"), (LINES{"a", "", "b"}));
    EXPECT_EQ(lines_of("a\rb\r\n\r\nc", "i"), (LINES{"a", "b", "", "c"}));
    EXPECT_EQ(lines_of("", "i"), LINES{});
    EXPECT_EQ(lines_of("a\r\nb", "ib"), (LINES{"a\r", "b"}));

    // Line numbers come out right for a file from another system.
    file.close();
    put(path("a"), "one\r\ntwo\r\n");
    std::string line;
    EXPECT_TRUE(read_input_line(&file, line, &error));
    EXPECT_EQ(line, "one");
    line.clear();
    EXPECT_TRUE(read_input_line(&file, line, &error));
    EXPECT_EQ(line, "two");
    line.clear();
    EXPECT_FALSE(read_input_line(&file, line, &error));
}

TEST_F(FileStreamTest, FormattedWritesPadToTheColumnWidths) {
    ASSERT_EQ(file_format.set_out_fmt("+5-4", '.'), nullptr);
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    file.write("ab", true, &error);
    file.write("c", true, &error);
    EXPECT_EQ(file_format.column, 0);
    file.write("toolong", true, &error);  // written whole, the column still advances
    EXPECT_EQ(file_format.column, 1);
    file.write("u", false, &error);  // unformatted: no padding, column stays
    EXPECT_EQ(file_format.column, 1);
    file.flush(&error);
    EXPECT_EQ(contents(path("a")), "...abc...toolongu");

    // An unopenable file reports its message before any padding is written.
    FILE_DATA blocked(path("no/such/dir"));
    blocked.write("x", true, &error);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error, message("datkannicgeower", path("no/such/dir")));
    EXPECT_EQ(file_format.column, 1);
}

TEST_F(FileStreamTest, SpacingGoesToTheOpenOutputOnly) {
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    file.write_spacing(&error);  // nothing open, nothing set: nothing happens
    EXPECT_EQ(error, nullptr);
    EXPECT_FALSE(file.output_stream);

    file_format.set_out_spc(", ");
    file.write("1", false, &error);
    file.write_spacing(&error);
    file.write("2", false, &error);
    file.flush(&error);
    EXPECT_EQ(contents(path("a")), "1, 2");
}

TEST_F(FileStreamTest, ExistsRemoveMakeAndMove) {
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    EXPECT_FALSE(file.exists());
    EXPECT_FALSE(file.remove(&error));
    EXPECT_EQ(error, message("datexinic", path("a")));

    EXPECT_TRUE(file.make(&error));
    EXPECT_EQ(error, nullptr);
    EXPECT_TRUE(file.exists());
    EXPECT_FALSE(file.make(&error));
    EXPECT_EQ(error, message("datexisch", path("a")));

    std::filesystem::create_directory(path("d"));
    put(path("b"), "b");
    EXPECT_FALSE(file.move(path("d"), &error));
    EXPECT_EQ(error, message("verexisch", path("d")));
    EXPECT_FALSE(file.move(path("b"), &error));
    EXPECT_EQ(error, message("datexisch", path("b")));
    EXPECT_TRUE(file.move(path("c"), &error));
    EXPECT_EQ(file.path_name, path("c"));
    EXPECT_FALSE(std::filesystem::exists(path("a")));

    // A writer that is moved goes on appending at the new place.
    file.write("ab", false, &error);
    EXPECT_TRUE(file.move(path("e"), &error));
    EXPECT_EQ(contents(path("e")), "ab");
    file.write("c", false, &error);
    file.flush(&error);
    EXPECT_EQ(contents(path("e")), "abc");
    EXPECT_EQ(file.mode, "O");
    EXPECT_TRUE(file.move(path("c"), &error));

    // A refused move leaves the writer as it was.
    EXPECT_FALSE(file.move(path("b"), &error));
    file.write("d", false, &error);
    file.flush(&error);
    EXPECT_EQ(contents(path("c")), "abcd");
    file.close();
    put(path("c"), "");

    // An open writer is closed before the file goes.
    file.write("x", false, &error);
    EXPECT_TRUE(file.remove(&error));
    EXPECT_FALSE(file.output_stream);
    EXPECT_FALSE(std::filesystem::exists(path("c")));

    FILE_DATA directory(path("d"));
    EXPECT_FALSE(directory.exists());  // a directory is not a file
    FILE_DATA blank;
    EXPECT_FALSE(blank.make(&error));
    EXPECT_STREQ(error, msg_text("datmusini"));
}

TEST_F(FileStreamTest, RefusedBytesAreReported) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP();
    FILE_DATA file("/dev/full");
    const char* error = nullptr;
    // The message names the file and the system's cause.
    const std::string refused = format_string(msg_text("datkannicbeswer"), "/dev/full", std::strerror(ENOSPC));
    file.write("x", false, &error);
    EXPECT_EQ(error, refused);
    file_format.set_out_spc(", ");
    file.write_spacing(&error);
    EXPECT_EQ(error, refused);
    file_format.set_out_spc(nullptr);
}

TEST_F(FileStreamTest, SizeIsSixtyFourBitAndKeepsTheStreams) {
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    EXPECT_EQ(file.size(&error), 0);
    EXPECT_EQ(error, message("datexinic", path("a")));

    file.write("hello", false, &error);
    EXPECT_EQ(file.size(&error), 5);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(file.mode, "o");
    file.write("!", false, &error);  // appends: asking for the size loses nothing
    file.flush(&error);
    EXPECT_EQ(contents(path("a")), "hello!");

    // A reader keeps its place.
    char ch = 0;
    file.open("i", &error);
    file.read_char(&ch, false);
    EXPECT_EQ(file.size(&error), 6);
    file.read_char(&ch, false);
    EXPECT_EQ(ch, 'e');
    file.close();

    // A sparse file beyond 4 GiB takes no disk space but needs 64 bits.
    const int64_t big = (int64_t{5} << 30) + 7;
    ASSERT_EQ(::truncate(path("a").c_str(), big), 0);
    EXPECT_EQ(file.size(&error), big);
}

TEST_F(FileStreamTest, CopyCarriesBytesAndRightsAndRefusesExistingTargets) {
    std::string bytes("x\0y\r\n", 5);
    bytes += std::string(200000, 'z');  // more than one block
    put(path("a"), bytes);
    ASSERT_EQ(::chmod(path("a").c_str(), 0640), 0);
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    ASSERT_TRUE(file.copy(path("b"), &error));
    EXPECT_EQ(contents(path("b")), bytes);
    struct stat info;
    ASSERT_EQ(::stat(path("b").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    EXPECT_FALSE(file.copy(path("b"), &error));
    EXPECT_EQ(error, message("datexisch", path("b")));
    std::filesystem::create_directory(path("d"));
    EXPECT_FALSE(file.copy(path("d"), &error));
    EXPECT_EQ(error, message("verexisch", path("d")));
    EXPECT_FALSE(file.copy(path("no/such"), &error));
    EXPECT_EQ(error, message("datkannicgeower", path("no/such")));

    FILE_DATA missing(path("m"));
    EXPECT_FALSE(missing.copy(path("c"), &error));
    EXPECT_EQ(error, message("datexinic", path("m")));
}

TEST_F(FileStreamTest, CompareTellsWhetherTheBytesAgree) {
    put(path("e1"), "");
    put(path("e2"), "");
    put(path("s"), "abc");
    put(path("l"), "abcd");
    put(path("t"), "abc");
    put(path("u"), "abd");
    const char* error = nullptr;
    auto same = [&](const std::string& a, const std::string& b) {
        FILE_DATA file(path(a));
        return file.compare(path(b), &error);
    };
    EXPECT_TRUE(same("e1", "e2"));
    EXPECT_TRUE(same("s", "t"));
    EXPECT_FALSE(same("s", "l"));
    EXPECT_FALSE(same("l", "s"));
    EXPECT_FALSE(same("s", "u"));
    EXPECT_FALSE(same("s", "e1"));

    std::string big(150000, 'q');
    put(path("b1"), big);
    big.back() = 'r';
    put(path("b2"), big);
    EXPECT_FALSE(same("b1", "b2"));
    EXPECT_TRUE(same("b1", "b1"));

    // The same path text is the same file, even when it cannot be read.
    ASSERT_EQ(::chmod(path("s").c_str(), 0), 0);
    EXPECT_TRUE(same("s", "s"));
    if (::geteuid() != 0) {
        EXPECT_FALSE(same("s", "t"));
        EXPECT_EQ(error, message("datkannicgeower", path("s")));
    }

    EXPECT_FALSE(same("s", "missing"));
    EXPECT_EQ(error, message("datexinic", path("missing")));
}

TEST_F(FileStreamTest, PermissionTestsTheOwnerBits) {
    put(path("a"), "");
    ASSERT_EQ(::chmod(path("a").c_str(), 0500), 0);
    FILE_DATA file(path("a"));
    EXPECT_TRUE(file.has_permission('r'));
    EXPECT_FALSE(file.has_permission('w'));
    EXPECT_TRUE(file.has_permission('x'));
    EXPECT_FALSE(file.has_permission('q'));
    FILE_DATA missing(path("m"));
    EXPECT_FALSE(missing.has_permission('r'));
    EXPECT_TRUE(is_regular_file(path("a")));
    EXPECT_FALSE(is_regular_file(root));
}

// Files larger than the limit are refused with EFBIG while the object lives;
// the signal such a write raises is ignored meanwhile.
class FILE_SIZE_LIMIT {
public:
    explicit FILE_SIZE_LIMIT(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FILE_SIZE_LIMIT() {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    FILE_SIZE_LIMIT(const FILE_SIZE_LIMIT&) = delete;
    FILE_SIZE_LIMIT& operator=(const FILE_SIZE_LIMIT&) = delete;

private:
    struct rlimit saved {};
    void (*previous)(int) = SIG_DFL;
};

TEST_F(FileStreamTest, WritesWaitInTheBufferUntilSomethingLooks) {
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    file.write("abc", false, &error);
    ASSERT_EQ(error, nullptr);
    EXPECT_FALSE(file.writes_through());
    EXPECT_EQ(contents(path("a")), "");  // still in the buffer

    // Opening any file pushes every writer out first: the same file under
    // another name reads what was written.
    FILE_DATA other(root + "/./a");
    other.begin_read(&error);
    ASSERT_EQ(error, nullptr);
    EXPECT_EQ(drain(other), "abc");

    // So does the console's flush, which runs before child processes.
    file.write("def", false, &error);
    console_stream.flush();
    EXPECT_EQ(contents(path("a")), "abcdef");

    // Closing, by method or by the end of the value, flushes as well.
    file.write("g", false, &error);
    file.close(&error);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(contents(path("a")), "abcdefg");
    {
        FILE_DATA scoped(path("b"));
        scoped.write("h", false, &error);
    }
    EXPECT_EQ(contents(path("b")), "h");
}

TEST_F(FileStreamTest, BytesRefusedAtAFlushAreReportedOnce) {
    const std::string cause = format_string(msg_text("datkannicbeswer"), path("a").c_str(), std::strerror(EFBIG));
    FILE_SIZE_LIMIT limit(4);
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    file.write("0123456789", false, &error);  // fits the buffer: no refusal yet
    EXPECT_EQ(error, nullptr);
    file.flush(&error);
    EXPECT_STREQ(error, cause.c_str());
    file.flush(&error);  // reported and dropped: nothing is left to fail
    EXPECT_EQ(error, nullptr);

    // A refusal found by a flush on another's behalf waits for the file's
    // next write, which reports it instead of writing.
    file.write("more", false, &error);
    console_stream.flush();
    file.write("x", false, &error);
    EXPECT_STREQ(error, cause.c_str());
    file.write("y", false, &error);
    EXPECT_EQ(error, nullptr);

    // The close reports what the last flush refused.
    file.write("zzzzzz", false, &error);
    file.close(&error);
    EXPECT_STREQ(error, cause.c_str());
    EXPECT_FALSE(file.output_stream);

    // Opening the file for reading closes the writer: a refusal fails the
    // open.
    file.write("zzzzzz", false, &error);
    file.begin_read(&error);
    EXPECT_STREQ(error, cause.c_str());
    EXPECT_FALSE(file.output_stream);

    // At the end of the run every writer is finished and each refusal is
    // reported on standard error.
    file.write("zzzzzz", false, &error);
    EXPECT_FALSE(finish_file_writers());
    EXPECT_TRUE(output_was_lost());
    EXPECT_TRUE(finish_file_writers());  // reported once
    file.close(&error);
    EXPECT_EQ(error, nullptr);
}

TEST_F(FileStreamTest, SizeAndMoveReportRefusedBytes) {
    const std::string cause = format_string(msg_text("datkannicbeswer"), path("a").c_str(), std::strerror(EFBIG));
    FILE_SIZE_LIMIT limit(2);
    FILE_DATA file(path("a"));
    const char* error = nullptr;
    file.write("abcdef", false, &error);
    EXPECT_EQ(file.size(&error), 0);
    EXPECT_STREQ(error, cause.c_str());
    file.write("abcdef", false, &error);
    EXPECT_FALSE(file.move(path("b"), &error));
    EXPECT_STREQ(error, cause.c_str());
    EXPECT_EQ(file.path_name, path("a"));
}

}  // namespace
}  // namespace morvu
