#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "exec/pending_exception.h"
#include "runtime/process_state.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/stream.h"
#include "runtime/terminal.h"
#include "test_support.h"

namespace morvu {
namespace {

using test::bytes;
using test::file_contents;
using test::STDOUT_CAPTURE;

class ErrorReport : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override {
        char name[] = "/tmp/morvu_error_XXXXXX";
        const char* made = ::mkdtemp(name);
        ASSERT_NE(made, nullptr);
        dir = made;
    }
    void TearDown() override {
        console_stream.open_files("", false, "", false, false);
        terminal_format.clear_out_fmt();
        std::filesystem::remove_all(dir);
    }

    // What print_error puts on standard output.
    std::string printed(const char* heading, const char* file, int line, const char* message) {
        STDOUT_CAPTURE capture(dir + "/stdout");
        print_error(heading, file, line, message);
        return capture.finish();
    }
};

TEST_F(ErrorReport, ThreeCategoriesAndUserKinds) {
    EXPECT_EQ(printed(error_heading('p'), "prog", 3, "M"), "Syntax error in file 'prog', line '3':\n  M\n");
    EXPECT_EQ(printed(error_heading('a'), "lib/x.mrv", 12, "Bad 'name'"),
              "Analysis error in file 'lib/x.mrv', line '12':\n  Bad 'name'\n");
    EXPECT_EQ(printed(error_heading('s'), "p", 0, "%d %s"), "System error in file 'p', line '0':\n  %d %s\n");
    // A user kind has no heading: the line begins with a blank.
    EXPECT_STREQ(error_heading('u'), "");
    EXPECT_EQ(printed(error_heading('u'), "f", 1, ""), " in file 'f', line '1':\n  \n");
}

TEST_F(ErrorReport, IgnoresColumnFormatAndKeepsBytes) {
    ASSERT_EQ(terminal_format.set_out_fmt("+200", '#'), nullptr);
    EXPECT_EQ(printed("Assertion", "f", 2, "\xE4\xFF"), bytes("Assertion in file 'f', line '2':\n  \xE4\0\n"));
    EXPECT_EQ(terminal_format.column, 0);
}

TEST_F(ErrorReport, RedirectedOutputReceivesTheReport) {
    const std::string path = dir + "/report.txt";
    ASSERT_FALSE(console_stream.open_files("", false, path.c_str(), false, false));
    EXPECT_EQ(printed(error_heading('s'), "prog", 7, "Oops"), "");
    EXPECT_EQ(printed("", "prog", 8, "Again"), "");
    console_stream.flush();
    EXPECT_EQ(file_contents(path),
              "System error in file 'prog', line '7':\n  Oops\n"
              " in file 'prog', line '8':\n  Again\n");
}

class RaiseError : public ::testing::Test {
protected:
    void SetUp() override {
        program_arguments = std::make_unique<PROGRAM_ARGUMENTS>();
        add_program_argument(*program_arguments, "dir/prog.mrv");
        file_name_table = std::make_unique<INT_STR_TABLE>();
        (*file_name_table)[0] = "inc.mrv";
    }
    void TearDown() override {
        program_arguments.reset();
        file_name_table.reset();
        pending_exception = nullptr;
    }

    static ERROR caught(const TOKEN& node, char routine_kind, const char* name, const char* message, char kind) {
        try {
            raise_error(&node, routine_kind, name, message, kind);
        } catch (const ERROR& error) {
            return error;
        }
        ADD_FAILURE() << "raise_error returned";
        return ERROR();
    }
};

TEST_F(RaiseError, RoutinePrefixesAndPositions) {
    TOKEN program_node;
    program_node.file_index = -1;
    program_node.line = 4;
    ERROR error = caught(program_node, 'f', "str:find", "M", 's');
    EXPECT_EQ(error.file, "dir/prog.mrv");
    EXPECT_EQ(error.line, 4);
    EXPECT_EQ(error.message, "Function 'str:find': M");
    EXPECT_EQ(error.kind, 's');

    EXPECT_EQ(caught(program_node, 'p', "sys:out", "M", 's').message, "Procedure 'sys:out': M");
    EXPECT_EQ(caught(program_node, 'o', "+", "M", 's').message, "Operator '+': M");
    EXPECT_EQ(caught(program_node, 'x', "str:find", "M", 's').message, "'str:find': M");
    EXPECT_EQ(caught(program_node, 'f', nullptr, "M", 'a').message, "M");

    TOKEN included;
    included.file_index = 0;
    included.line = 12;
    EXPECT_EQ(caught(included, 'x', nullptr, "M", 'p').file, "inc.mrv");
    EXPECT_EQ(position_text(&included), "file 'inc.mrv', line '12'");
    EXPECT_EQ(position_text(nullptr), "?");
    TOKEN unknown;
    unknown.file_index = 5;
    EXPECT_EQ(caught(unknown, 'x', nullptr, "M", 'p').file, "");
}

TEST_F(RaiseError, PendingExceptionWins) {
    PENDING_EXCEPTION pending;
    pending.file = "other.mrv";
    pending.line = 9;
    pending.message = "thrown";
    pending.kind = 'u';
    pending_exception = &pending;
    TOKEN node;
    node.line = 1;
    ERROR error = caught(node, 'f', "f", "own", 's');
    EXPECT_EQ(error.file, "other.mrv");
    EXPECT_EQ(error.line, 9);
    EXPECT_EQ(error.message, "thrown");
    EXPECT_EQ(error.kind, 'u');
}

}  // namespace
}  // namespace morvu
