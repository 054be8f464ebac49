// What the analysis of a program with included files leaves in the root
// scope, where no script can look: the order of the outermost variables'
// storage along the need statements, and the keys under which the routines
// of a module are collected.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "exec/program_run.h"
#include "driver/globals.h"
#include "frontend/lexer.h"
#include "runtime/name_list.h"
#include "frontend/scope.h"
#include "frontend/token.h"

namespace morvu {
namespace {

class PROGRAM_ANALYSIS : public ::testing::Test {
protected:
    std::filesystem::path directory;
    std::unique_ptr<TOKEN> root;

    void SetUp() override {
        directory = std::filesystem::temp_directory_path() /
                    ("morvu_program_run_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(directory);
        create_globals();
        add_program_argument(*program_arguments, "main.mrv");
    }

    void TearDown() override {
        if (root) root->destroy_tree();
        root.reset();
        destroy_globals();
        std::filesystem::remove_all(directory);
    }

    // The path of a new file in the test directory with the given lines.
    std::string write_file(const std::string& name, const std::string& text) {
        std::filesystem::path path = directory / name;
        std::ofstream(path) << text;
        return path.string();
    }

    void analyse(const std::string& text) {
        NAME_LIST lines;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            lines.append(text.substr(start, end - start));
            start = end + 1;
        }
        root = parse_program("main.mrv", lines, true);
        ASSERT_TRUE(root);
        analyse_program(root.get(), "main.mrv");
    }

    static std::vector<std::string> keys(STR_INT_TABLE& table) {
        std::vector<std::string> result;
        std::string key;
        for (bool more = table.first(key); more; more = table.next(key))
            if (table_token(table, key) != nullptr) result.push_back(key);
        return result;
    }
};

TEST_F(PROGRAM_ANALYSIS, OutermostVariablesAreStoredInProgramOrderAcrossInclusions) {
    std::string inner = write_file("inner.inc", "int z\n");
    std::string middle = write_file("middle.inc", "int x\nneed \"" + inner + "\"\nint y\n");
    analyse("int a\nneed \"" + middle + "\"\nint b\nint c\n");
    EXPECT_EQ(keys(root->scope->storage), (std::vector<std::string>{"a", "x", "z", "y", "b", "c"}));
    // The included roots keep no variables of their own: the program's
    // outermost block creates them all.
    TOKEN* middle_root = table_token(root->scope->variables, "x")->parent;
    while (middle_root->parent != nullptr) middle_root = middle_root->parent;
    ASSERT_NE(middle_root->scope, nullptr);
    EXPECT_EQ(middle_root->scope->storage.entry_count(), 0);
}

TEST_F(PROGRAM_ANALYSIS, ModuleDefinitionsAreCollectedUnderQualifiedNamesAndKeys) {
    std::string shapes =
        write_file("shapes.inc", "bigtype T { int v }\nint n\nproc r(T t) { }\nfunc f(int i)(int o) { o = i }\n");
    analyse("need m(\"" + shapes + "\")\nint a\n");
    const std::string m = std::string("m") + char(27);
    const std::string mark(1, char(0xA7));
    SCOPE& scope = *root->scope;
    EXPECT_NE(table_token(scope.types, m + "T"), nullptr);
    EXPECT_EQ(table_token(scope.types, "T"), nullptr);
    EXPECT_NE(table_token(scope.variables, m + "n"), nullptr);
    // A parameter of the module's own type is written as the includer sees it.
    EXPECT_NE(table_token(scope.procedures, m + "r" + mark + m + "T;" + mark), nullptr);
    EXPECT_NE(table_token(scope.functions, m + "f" + mark + "int;" + mark), nullptr);
    EXPECT_EQ(keys(scope.storage), (std::vector<std::string>{m + "n", "a"}));
}

}  // namespace
}  // namespace morvu
