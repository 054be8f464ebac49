// The interpreter's view of the file system beyond single files: directory
// tests, the working directory, listings of one directory or a whole tree
// filtered by a wildcard pattern, removal, renaming, creation, copying and
// size of directory trees, the payload of dir values, the environment and the
// search for the interpreter's own directory.
//
// A listing is deterministic: the entries of a directory are sorted by name
// in byte order, and all matching files come before all matching
// directories. Listings never change the working directory; an entry is
// examined through the directory path joined with "/" and its name, so a
// relative path is relative to the working directory and an absolute one is
// used as given.
//
// Whole-tree operations (tree listing, removal, copy, size) never descend
// through a symbolic link: a link is an entry of its own, removed or copied as
// a link.
//
// Operations with an out message set it to null first. On failure it points
// at a text of this unit that stays valid until the unit's next message; a
// false result with a null message means a system call failed where this unit
// has nothing to say, and the caller decides what to report.

#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

namespace morvu {

// The payload of a dir value. An empty path means the value is not
// initialised; a non-zero iteration count means a loop is walking it.
struct DIR_DATA {
    std::string path_name;
    int32_t iteration_count = 0;

    // Replaces the path; nothing is checked against the file system.
    void set_path(const std::string& path) { path_name = path; }
};

// Whether the path names a directory (links followed). The exact texts "."
// and ".." are never directories here.
bool is_directory(const std::string& path);

// The process's working directory; "" when it cannot be read.
std::string current_directory();

// The value of an environment variable; "" when it is not set.
std::string get_env(const char* name);

// Appends the entries of one directory whose names match the pattern
// (fnmatch, no flags): with the files flag every entry that is not a
// directory, then with the directories flag every directory. With the paths
// flag each name is prefixed with the directory path (backslashes turned into
// "/") and "/", except when the path is exactly ".". A directory that cannot
// be read lists nothing.
void list_directory(const std::string& directory, const std::string& pattern, bool files, bool directories, bool paths,
                    std::vector<std::string>& names);

// Pre-order listing of a tree in path form: a directory's own matches, then
// the tree of each real subdirectory in name order.
void list_directory_tree(const std::string& directory, const std::string& pattern, bool files, bool directories,
                         std::vector<std::string>& names);

// Lists the matches of a pattern ("*.*" means every name) in one directory
// (bare names) or, recursively, in its tree (path form), and adds them to the
// list: at its end, or with the prepend flag one by one at its front, so they
// stand in reverse order before the entries already there.
void expand_wildcards(const std::string& directory, const std::string& pattern, bool files, bool directories,
                      bool recursive, bool prepend, std::list<std::string>& names);

// Removes the directory with its whole tree: files first, then each
// subdirectory depth first, then the directory itself.
bool remove_directory(const DIR_DATA& dir, const char** message);

// Renames the directory; on success the dir takes the new path.
bool rename_directory(DIR_DATA& dir, const std::string& new_path, const char** message);

// Creates the directory (rights 0755).
bool make_directory(const DIR_DATA& dir, const char** message);

// Copies the tree to a new directory at the target path, carrying the access
// rights of every file and directory. A target inside the source's own tree
// is refused.
bool copy_directory(const DIR_DATA& dir, const std::string& target, const char** message);

// The sum of the sizes of the regular files in the tree; 0 with a message when
// the directory is not there.
int64_t directory_size(const DIR_DATA& dir, const char** message);

// The directory of the running interpreter from the name it was started
// under: the part before the last "/" (else before the last backslash), or,
// for a bare name, the first directory of PATH that holds an executable file
// of that name. "" means unknown (an empty PATH entry, i.e. the current
// directory, gives "" as well).
std::string interpreter_directory(const char* program_name);

}  // namespace morvu
