#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <list>
#include <optional>
#include <string>
#include <vector>

#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"

namespace morvu {
namespace {

namespace fs = std::filesystem;
using NAMES = std::vector<std::string>;

// A fresh directory under /tmp for each test, removed with everything in it;
// PATH and the working directory are restored whatever a test did to them.
class FileSystemTest : public ::testing::Test {
protected:
    std::string root;
    std::string saved_cwd;
    std::optional<std::string> saved_path;

    void SetUp() override {
        char pattern[] = "/tmp/morvu_dir_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        saved_cwd = fs::current_path().string();
        if (const char* value = std::getenv("PATH")) saved_path = value;
    }
    void TearDown() override {
        fs::current_path(saved_cwd);
        if (saved_path) setenv("PATH", saved_path->c_str(), 1);
        else unsetenv("PATH");
        fs::remove_all(root);
    }

    std::string path(const std::string& name) const { return root + "/" + name; }

    void put(const std::string& name, const std::string& bytes = "") const {
        std::ofstream out(path(name), std::ios::binary);
        out << bytes;
    }
    void make(const std::string& name) const { fs::create_directories(path(name)); }
    void link(const std::string& target, const std::string& name) const {
        ASSERT_EQ(::symlink(target.c_str(), path(name).c_str()), 0);
    }
    static DIR_DATA dir_at(const std::string& where) {
        DIR_DATA dir;
        dir.set_path(where);
        return dir;
    }
    static std::string message(const char* identifier, const std::string& subject) {
        return format_string(msg_text(identifier), subject.c_str());
    }
    // b and a files, then directories c (holding y.txt and x) and d.
    void make_sample() const {
        put("b");
        put("a.txt");
        make("c");
        put("c/y.txt", "12345");
        put("c/x", "1");
        make("d");
    }
};

TEST_F(FileSystemTest, IsDirectoryAndTheWorkingDirectory) {
    EXPECT_FALSE(is_directory("."));
    EXPECT_FALSE(is_directory(".."));
    EXPECT_TRUE(is_directory(root));
    EXPECT_TRUE(is_directory(root + "/."));
    EXPECT_FALSE(is_directory(path("missing")));
    put("f");
    EXPECT_FALSE(is_directory(path("f")));

    fs::current_path(root);
    EXPECT_EQ(current_directory(), fs::current_path().string());
    // A working directory longer than any fixed buffer is still read.
    std::string deep = root;
    for (int i = 0; i < 30; ++i) deep += "/" + std::string(60, 'a' + i % 26);
    fs::create_directories(deep);
    fs::current_path(deep);
    EXPECT_EQ(current_directory(), fs::current_path().string());
    EXPECT_GT(current_directory().size(), 1024u);
}

TEST_F(FileSystemTest, GetEnvReadsTheEnvironment) {
    setenv("MORVU_TEST_VARIABLE", "a b", 1);
    EXPECT_EQ(get_env("MORVU_TEST_VARIABLE"), "a b");
    unsetenv("MORVU_TEST_VARIABLE");
    EXPECT_EQ(get_env("MORVU_TEST_VARIABLE"), "");
}

TEST_F(FileSystemTest, ListingIsSortedWithFilesBeforeDirectories) {
    make_sample();
    put("B");
    NAMES names;
    list_directory(root, "*", true, true, false, names);
    EXPECT_EQ(names, (NAMES{"B", "a.txt", "b", "c", "d"}));

    names.clear();
    list_directory(root, "*", false, true, false, names);
    EXPECT_EQ(names, (NAMES{"c", "d"}));

    names.clear();
    list_directory(root, "*.txt", true, true, true, names);
    EXPECT_EQ(names, (NAMES{path("a.txt")}));

    // Below "." the path form is the bare name; listing never moves the
    // working directory, and a relative path is relative to it.
    fs::current_path(root);
    names.clear();
    list_directory(".", "*", true, false, true, names);
    EXPECT_EQ(names, (NAMES{"B", "a.txt", "b"}));
    names.clear();
    list_directory("c", "*", true, false, true, names);
    EXPECT_EQ(names, (NAMES{"c/x", "c/y.txt"}));
    EXPECT_EQ(current_directory(), fs::current_path().string());
    EXPECT_EQ(fs::current_path().string(), root);

    names.clear();
    list_directory(path("missing"), "*", true, true, false, names);
    EXPECT_TRUE(names.empty());
}

TEST_F(FileSystemTest, TreeListingIsPreOrderAndDoesNotEnterLinks) {
    make_sample();
    make("c/e");
    put("c/e/z");
    make("outside");
    put("outside/secret");
    link(path("outside"), "c/link");
    NAMES names;
    list_directory_tree(path("c"), "*", true, true, names);
    // The link to a directory is listed with the directories, but its
    // contents never appear.
    EXPECT_EQ(names, (NAMES{path("c/x"), path("c/y.txt"), path("c/e"), path("c/link"), path("c/e/z")}));

    fs::current_path(root);
    names.clear();
    list_directory_tree(".", "*.txt", true, false, names);
    EXPECT_EQ(names, (NAMES{"a.txt", "c/y.txt"}));

    // A link back up the tree would otherwise never end.
    link(root, "c/e/loop");
    names.clear();
    list_directory_tree(root, "z", true, false, names);
    EXPECT_EQ(names, (NAMES{path("c/e/z")}));
}

TEST_F(FileSystemTest, ExpandWildcardsOrdersAndPrepends) {
    put("a");
    put("b.x");
    put("c");
    make("sub");
    put("sub/d.x");
    std::list<std::string> names;
    expand_wildcards(root, "*.*", true, false, false, false, names);
    EXPECT_EQ(names, (std::list<std::string>{"a", "b.x", "c"}));

    names = {"x"};
    expand_wildcards(root, "*", true, false, false, true, names);
    EXPECT_EQ(names, (std::list<std::string>{"c", "b.x", "a", "x"}));

    names.clear();
    expand_wildcards(root, "*.x", true, false, true, false, names);
    EXPECT_EQ(names, (std::list<std::string>{path("b.x"), path("sub/d.x")}));

    names.clear();
    expand_wildcards(root, "*", true, true, false, false, names);
    EXPECT_EQ(names, (std::list<std::string>{"a", "b.x", "c", "sub"}));
}

TEST_F(FileSystemTest, MakeAndRenameDirectories) {
    const char* error = nullptr;
    EXPECT_FALSE(make_directory(dir_at(""), &error));
    EXPECT_STREQ(error, msg_text("vermusini"));
    EXPECT_FALSE(make_directory(dir_at(root), &error));
    EXPECT_EQ(error, message("verexisch", root));
    EXPECT_FALSE(make_directory(dir_at("."), &error));
    EXPECT_EQ(error, nullptr);
    EXPECT_TRUE(make_directory(dir_at(path("n")), &error));
    EXPECT_TRUE(fs::is_directory(path("n")));

    DIR_DATA dir = dir_at(path("n"));
    make("m");
    put("f");
    EXPECT_FALSE(rename_directory(dir, path("m"), &error));
    EXPECT_EQ(error, message("verexisch", path("m")));
    EXPECT_FALSE(rename_directory(dir, path("f"), &error));
    EXPECT_EQ(error, message("datexisch", path("f")));
    EXPECT_TRUE(rename_directory(dir, path("r"), &error));
    EXPECT_EQ(dir.path_name, path("r"));
    EXPECT_TRUE(fs::is_directory(path("r")));

    DIR_DATA gone = dir_at(path("gone"));
    EXPECT_FALSE(rename_directory(gone, path("s"), &error));
    EXPECT_EQ(error, message("verexinic", path("gone")));
}

TEST_F(FileSystemTest, RemoveDirectoryTakesTheTreeButNotWhatLinksPointAt) {
    make_sample();
    make("c/e/f");
    put("c/e/f/g");
    make("outside");
    put("outside/keep");
    put("target");
    link(path("outside"), "c/dirlink");
    link(path("target"), "c/filelink");
    link(path("nowhere"), "c/e/dangling");
    const char* error = nullptr;
    EXPECT_TRUE(remove_directory(dir_at(path("c")), &error));
    EXPECT_EQ(error, nullptr);
    EXPECT_FALSE(fs::exists(fs::symlink_status(path("c"))));
    EXPECT_TRUE(fs::exists(path("outside/keep")));
    EXPECT_TRUE(fs::exists(path("target")));

    EXPECT_FALSE(remove_directory(dir_at(path("c")), &error));
    EXPECT_EQ(error, message("verexinic", path("c")));
    EXPECT_FALSE(remove_directory(dir_at(""), &error));
    EXPECT_STREQ(error, msg_text("vermusini"));
    EXPECT_FALSE(remove_directory(dir_at("."), &error));
    EXPECT_EQ(error, message("verexinic", "."));
}

TEST_F(FileSystemTest, RemoveDirectoryStopsAtAnEntryItCannotRemove) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores directory rights";
    make("t/locked");
    put("t/locked/f");
    ASSERT_EQ(::chmod(path("t/locked").c_str(), 0555), 0);
    const char* error = nullptr;
    EXPECT_FALSE(remove_directory(dir_at(path("t")), &error));
    EXPECT_EQ(error, message("datkannicgelwer", path("t/locked/f")));
    EXPECT_TRUE(fs::exists(path("t/locked/f")));
    ::chmod(path("t/locked").c_str(), 0755);
}

TEST_F(FileSystemTest, CopyDirectoryCopiesContentsRightsAndLinks) {
    make_sample();
    make("c/e");
    put("c/e/z", "zz");
    ASSERT_EQ(::chmod(path("c/x").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(path("c/e").c_str(), 0700), 0);
    make("outside");
    put("outside/secret");
    link(path("outside"), "c/dirlink");
    link("x", "c/filelink");
    const char* error = nullptr;
    ASSERT_TRUE(copy_directory(dir_at(path("c")), path("copy"), &error)) << error;
    EXPECT_EQ(error, nullptr);

    NAMES names;
    list_directory_tree(path("copy"), "*", true, true, names);
    EXPECT_EQ(names, (NAMES{path("copy/filelink"), path("copy/x"), path("copy/y.txt"), path("copy/dirlink"),
                            path("copy/e"), path("copy/e/z")}));
    FILE_DATA original(path("c/y.txt"));
    EXPECT_TRUE(original.compare(path("copy/y.txt"), &error));
    EXPECT_TRUE(fs::is_symlink(path("copy/dirlink")));
    EXPECT_EQ(fs::read_symlink(path("copy/dirlink")).string(), path("outside"));
    EXPECT_EQ(fs::read_symlink(path("copy/filelink")).string(), "x");
    struct stat info;
    ASSERT_EQ(::stat(path("copy/x").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ASSERT_EQ(::stat(path("copy/e").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
}

TEST_F(FileSystemTest, CopyDirectoryRefusals) {
    make_sample();
    const char* error = nullptr;
    EXPECT_FALSE(copy_directory(dir_at(path("c")), path("d"), &error));
    EXPECT_EQ(error, message("verexisch", path("d")));
    EXPECT_FALSE(copy_directory(dir_at(path("c")), path("b"), &error));
    EXPECT_EQ(error, message("datexisch", path("b")));
    EXPECT_FALSE(copy_directory(dir_at(path("c")), path("no/such"), &error));
    EXPECT_EQ(error, message("verkannicerzwer", path("no/such")));
    EXPECT_FALSE(copy_directory(dir_at(path("missing")), path("n"), &error));
    EXPECT_EQ(error, message("verexinic", path("missing")));
    EXPECT_FALSE(copy_directory(dir_at(""), path("n"), &error));
    EXPECT_STREQ(error, msg_text("vermusini"));
}

TEST_F(FileSystemTest, CopyDirectoryIntoItsOwnTreeIsRefused) {
    make_sample();
    const char* error = nullptr;
    EXPECT_FALSE(copy_directory(dir_at(path("c")), path("c/inner"), &error));
    EXPECT_EQ(error, message("verkannicerzwer", path("c/inner")));
    EXPECT_FALSE(fs::exists(path("c/inner")));

    // However the target is spelt, through "..", "." or a link.
    EXPECT_FALSE(copy_directory(dir_at(path("c")), path("d/../c/./deeper/"), &error));
    EXPECT_EQ(error, message("verkannicerzwer", path("d/../c/./deeper/")));
    link(path("c"), "alias");
    EXPECT_FALSE(copy_directory(dir_at(path("c")), path("alias/x2"), &error));
    EXPECT_FALSE(copy_directory(dir_at(path("alias")), path("c/x3"), &error));
    EXPECT_FALSE(fs::exists(path("c/x2")));
    EXPECT_FALSE(fs::exists(path("c/x3")));

    fs::current_path(path("c"));
    EXPECT_FALSE(copy_directory(dir_at(path("c")), "here", &error));
    EXPECT_FALSE(fs::exists(path("c/here")));

    // A sibling whose name merely begins with the source's is fine.
    EXPECT_TRUE(copy_directory(dir_at(path("c")), path("c2"), &error));
    EXPECT_TRUE(fs::exists(path("c2/y.txt")));
}

TEST_F(FileSystemTest, DirectorySizeCountsRegularFilesWithoutFollowingLinks) {
    make_sample();  // 5 + 1 bytes below c
    make("c/e");
    put("c/e/big", std::string(1000, 'x'));
    put("outside", std::string(700, 'o'));
    link(path("outside"), "c/filelink");
    link(root, "c/e/up");
    link(path("nowhere"), "c/dangling");
    const char* error = nullptr;
    EXPECT_EQ(directory_size(dir_at(path("c")), &error), 1006);
    EXPECT_EQ(error, nullptr);

    const int64_t big = (int64_t{3} << 31) + 1;
    ASSERT_EQ(::truncate(path("c/e/big").c_str(), big), 0);
    EXPECT_EQ(directory_size(dir_at(path("c")), &error), big + 6);

    EXPECT_EQ(directory_size(dir_at(path("missing")), &error), 0);
    EXPECT_EQ(error, message("verexinic", path("missing")));
}

TEST_F(FileSystemTest, InterpreterDirectoryFromASlashedName) {
    EXPECT_EQ(interpreter_directory("/usr/local/bin/morvu"), "/usr/local/bin");
    EXPECT_EQ(interpreter_directory("build/dev/morvu"), "build/dev");
    EXPECT_EQ(interpreter_directory("./morvu"), ".");
    EXPECT_EQ(interpreter_directory("/morvu"), "");
    EXPECT_EQ(interpreter_directory("a\\b\\morvu"), "a\\b");
    EXPECT_EQ(interpreter_directory("a\\b/morvu"), "a\\b");
}

TEST_F(FileSystemTest, InterpreterDirectorySearchesPathForAnExecutable) {
    make("plain");
    make("bin");
    make("later");
    put("plain/morvu_probe");  // not executable: passed over
    put("bin/morvu_probe");
    put("later/morvu_probe");
    ASSERT_EQ(::chmod(path("bin/morvu_probe").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path("later/morvu_probe").c_str(), 0755), 0);
    make("dironly/morvu_probe");  // a directory of that name does not count

    const std::string search = path("dironly") + ":" + path("plain") + "::" + path("bin") + "/:" + path("later");
    setenv("PATH", search.c_str(), 1);
    EXPECT_EQ(interpreter_directory("morvu_probe"), path("bin"));

    // An empty entry stands for the current directory, which is "".
    fs::current_path(path("later"));
    EXPECT_EQ(interpreter_directory("morvu_probe"), "");

    fs::current_path(root);
    setenv("PATH", path("plain").c_str(), 1);
    EXPECT_EQ(interpreter_directory("morvu_probe"), "");
    unsetenv("PATH");
    EXPECT_EQ(interpreter_directory("morvu_probe"), "");
    EXPECT_EQ(interpreter_directory(""), "");
}

}  // namespace
}  // namespace morvu
