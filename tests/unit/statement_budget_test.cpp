// A harness bounds a run with the statement budget: an endless loop ends
// when the budget is spent, a catch of the program cannot keep it going, and
// a run within the budget is not touched.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "driver/startup.h"
#include "exec/block_exec.h"

namespace morvu {
namespace {

int run_text(const std::string& text, std::uint64_t budget) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("morvu_budget_" + std::to_string(::getpid()) + ".mrv");
    {
        std::ofstream program(path, std::ios::binary | std::ios::trunc);
        program << text;
    }
    std::string name = "morvu";
    std::string file = path.string();
    char* argv[] = {name.data(), file.data(), nullptr};
    statement_budget = budget;
    const int status = morvu_main(2, argv);
    const std::uint64_t left = statement_budget;
    statement_budget = 0;
    std::filesystem::remove(path);
    EXPECT_EQ(left == 1, budget != 0 && status != 0) << "a spent budget stays spent";
    return status;
}

TEST(StatementBudget, EndsAnEndlessLoop) { EXPECT_EQ(run_text("int n = 0\nfor({n += 1})\n", 1000), 1); }

TEST(StatementBudget, AnEndlessLoopOfCatchesEndsToo) {
    EXPECT_EQ(run_text("any e\nfor({n = 1 / 0; catch(e, {e = 0})})\n", 1000), 1);
}

TEST(StatementBudget, ARunWithinTheBudgetIsUntouched) {
    EXPECT_EQ(run_text("int n = 0\nfor({n += 1; if(n > 10, {break(1)})})\n", 1000), 0);
    EXPECT_EQ(run_text("int n = 0\nfor({n += 1; if(n > 10, {break(1)})})\n", 0), 0);
}

}  // namespace
}  // namespace morvu
