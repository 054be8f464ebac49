#include <gtest/gtest.h>

#include <csignal>

#include "runtime/shell_command.h"

namespace morvu {
namespace {

TEST(ShellCommand, ExitStatusesPassThrough) {
    EXPECT_EQ(run_shell_command("true"), 0);
    EXPECT_EQ(run_shell_command("exit 3"), 3);
    EXPECT_EQ(run_shell_command("exit 255"), 255);
}

TEST(ShellCommand, ASignalGivesItsNumberAbove128) {
    EXPECT_EQ(run_shell_command("kill -KILL $$"), 128 + SIGKILL);
    EXPECT_EQ(run_shell_command("kill -TERM $$"), 128 + SIGTERM);
}

TEST(ShellCommand, CommandsThatCannotStart) {
    // The shell reports a command it cannot find with 127 and one it cannot
    // run with 126; a shell that cannot start at all gives -1, never 0.
    EXPECT_EQ(run_shell_command("/nonexistent/command 2>/dev/null"), 127);
    EXPECT_EQ(run_shell_command("/ 2>/dev/null"), 126);
    EXPECT_EQ(run_shell_command("true", "/nonexistent/sh"), -1);
}

TEST(ShellCommand, InterruptAndQuitAreRestoredAfterwards) {
    struct sigaction before {};
    sigaction(SIGINT, nullptr, &before);
    EXPECT_EQ(run_shell_command("exit 0"), 0);
    struct sigaction after {};
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(before.sa_handler, after.sa_handler);
}

}  // namespace
}  // namespace morvu
