#include "runtime/file_system.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "runtime/file_stream.h"
#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "runtime/terminal.h"

namespace morvu {

namespace {

const char* path_message(const char* identifier) { return msg_text(identifier); }

const char* path_message(const char* identifier, const std::string& subject) {
    return keep_message(format_string(msg_text(identifier), subject.c_str()));
}

// A message of the file unit, kept by the same rule as ours.
const char* adopt_message(const char* message) { return message; }

struct DIR_CLOSER {
    void operator()(DIR* handle) const { closedir(handle); }
};

struct FREE_DELETER {
    void operator()(char* text) const { std::free(text); }
};

// One entry of a directory as a listing sees it.
struct ENTRY {
    std::string name;
    bool directory = false;       // a directory, links followed
    bool real_directory = false;  // a directory reached without a link
    bool link = false;            // a symbolic link (to anything, or dangling)
    bool regular = false;         // a regular file reached without a link
    int64_t size = 0;             // bytes of a regular file
};

std::string join_path(const std::string& directory, const std::string& name) { return directory + "/" + name; }

// A subdirectory's path as tree walks write it: the bare name below ".".
std::string child_path(const std::string& directory, const std::string& name) {
    return directory == "." ? name : join_path(directory, name);
}

// The entries of a directory without "." and "..", sorted by name in byte
// order; none when the directory cannot be read. Each entry is examined
// through its joined path, so the working directory is never changed.
std::vector<ENTRY> read_entries(const std::string& directory) {
    std::vector<ENTRY> entries;
    std::unique_ptr<DIR, DIR_CLOSER> handle(opendir(directory.c_str()));
    if (!handle) return entries;
    while (const dirent* item = readdir(handle.get())) {
        std::string name = item->d_name;
        if (name == "." || name == "..") continue;
        entries.push_back(ENTRY{std::move(name)});
    }
    handle.reset();
    std::sort(entries.begin(), entries.end(), [](const ENTRY& a, const ENTRY& b) { return a.name < b.name; });

    for (ENTRY& entry : entries) {
        const std::string joined = join_path(directory, entry.name);
        struct stat info;
        if (::lstat(joined.c_str(), &info) != 0) continue;  // vanished: neither file nor directory
        if (S_ISLNK(info.st_mode)) {
            entry.link = true;
            struct stat target;
            entry.directory = ::stat(joined.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        } else {
            entry.directory = entry.real_directory = S_ISDIR(info.st_mode);
            entry.regular = S_ISREG(info.st_mode);
            entry.size = static_cast<int64_t>(info.st_size);
        }
    }
    return entries;
}

// Appends the matching names of read entries: files first, then directories.
void take_matches(const std::vector<ENTRY>& entries, const std::string& prefix, const std::string& pattern, bool files,
                  bool directories, std::vector<std::string>& names) {
    for (int pass = 0; pass < 2; ++pass) {
        const bool want_directories = pass == 1;
        if (want_directories ? !directories : !files) continue;
        for (const ENTRY& entry : entries) {
            if (entry.directory != want_directories) continue;
            if (fnmatch(pattern.c_str(), entry.name.c_str(), 0) != 0) continue;
            names.push_back(prefix + entry.name);
        }
    }
}

// The prefix of path-form names: "" below ".", else the path with "/".
std::string name_prefix(const std::string& directory) {
    if (directory == ".") return "";
    std::string prefix = directory;
    std::replace(prefix.begin(), prefix.end(), '\\', '/');
    return prefix + "/";
}

// The canonical form of an existing path; "" when it cannot be resolved.
std::string canonical_path(const std::string& path) {
    std::unique_ptr<char, FREE_DELETER> resolved(realpath(path.c_str(), nullptr));
    return resolved ? std::string(resolved.get()) : std::string();
}

// Whether a path that need not exist yet would lie inside the directory's
// tree or be the directory itself. Only the path's parent must exist; a path
// that cannot be resolved is not inside (creating it fails anyway).
bool lies_within(const std::string& directory, std::string path) {
    const std::string base = canonical_path(directory);
    if (base.empty()) return false;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    if (last.empty() || last == "." || last == "..") return false;
    const std::string parent_real = canonical_path(parent);
    if (parent_real.empty()) return false;
    const std::string full = parent_real == "/" ? "/" + last : parent_real + "/" + last;
    const std::string prefix = base == "/" ? "/" : base + "/";
    return full == base || full.compare(0, prefix.size(), prefix) == 0;
}

// The common checks of the directory operations.
bool check_directory(const DIR_DATA& dir, const char** message) {
    if (dir.path_name.empty()) {
        *message = path_message("vermusini");
        return false;
    }
    if (!is_directory(dir.path_name)) {
        *message = path_message("verexinic", dir.path_name);
        return false;
    }
    return true;
}

bool remove_tree(const std::string& path, const char** message) {
    const std::vector<ENTRY> entries = read_entries(path);
    for (const ENTRY& entry : entries) {
        if (entry.real_directory) continue;
        const std::string joined = join_path(path, entry.name);
        if (entry.link) {
            // The link itself goes; whatever it points at stays.
            if (std::remove(joined.c_str()) != 0) {
                *message = path_message("datkannicgelwer", joined);
                return false;
            }
            continue;
        }
        FILE_DATA file(joined);
        const char* file_message = nullptr;
        if (!file.remove(&file_message)) {
            *message = file_message != nullptr ? adopt_message(file_message) : path_message("datkannicgelwer", joined);
            return false;
        }
    }
    for (const ENTRY& entry : entries) {
        if (entry.real_directory && !remove_tree(join_path(path, entry.name), message)) return false;
    }
    if (::rmdir(path.c_str()) != 0) {
        *message = path_message("verkannicgelwer", path);
        return false;
    }
    return true;
}

// Recreates a symbolic link with the same target text.
bool copy_link(const std::string& source, const std::string& target) {
    std::string text(256, '\0');
    while (true) {
        ssize_t length = ::readlink(source.c_str(), text.data(), text.size());
        if (length < 0) return false;
        if (static_cast<size_t>(length) < text.size()) {
            text.resize(static_cast<size_t>(length));
            break;
        }
        text.resize(text.size() * 2);
    }
    return ::symlink(text.c_str(), target.c_str()) == 0;
}

bool copy_tree(const std::string& source, const std::string& target, const char** message) {
    if (is_directory(target)) {
        *message = path_message("verexisch", target);
        return false;
    }
    if (is_regular_file(target)) {
        *message = path_message("datexisch", target);
        return false;
    }
    DIR_DATA made;
    made.set_path(target);
    if (!make_directory(made, message)) {
        if (*message == nullptr) *message = path_message("verkannicerzwer", target);
        return false;
    }
    const std::vector<ENTRY> entries = read_entries(source);
    for (const ENTRY& entry : entries) {
        if (entry.real_directory) continue;
        const std::string from = join_path(source, entry.name);
        const std::string to = join_path(target, entry.name);
        if (entry.link) {
            if (!copy_link(from, to)) {
                *message = path_message("datkannicerzwer", to);
                return false;
            }
            continue;
        }
        FILE_DATA file(from);
        const char* file_message = nullptr;
        if (!file.copy(to, &file_message)) {
            *message = adopt_message(file_message);
            return false;
        }
    }
    for (const ENTRY& entry : entries) {
        if (!entry.real_directory) continue;
        if (!copy_tree(join_path(source, entry.name), join_path(target, entry.name), message)) return false;
    }
    // The rights come last: a read-only source must not stop its own copy.
    struct stat info;
    mode_t rights = ::stat(source.c_str(), &info) == 0 ? info.st_mode : 0;
    if (::chmod(target.c_str(), rights) != 0) {
        *message = path_message("zugrecfueverkannicgeswer", target);
        return false;
    }
    return true;
}

int64_t tree_size(const std::string& path) {
    int64_t total = 0;
    for (const ENTRY& entry : read_entries(path)) {
        if (entry.real_directory) total += tree_size(join_path(path, entry.name));
        else if (entry.regular) total += entry.size;
    }
    return total;
}

}  // namespace

bool is_directory(const std::string& path) {
    if (path == "." || path == "..") return false;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode);
}

std::string current_directory() {
    std::string buffer(256, '\0');
    while (true) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            buffer.resize(std::char_traits<char>::length(buffer.c_str()));
            return buffer;
        }
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

std::string get_env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

void list_directory(const std::string& directory, const std::string& pattern, bool files, bool directories, bool paths,
                    std::vector<std::string>& names) {
    const std::string prefix = paths ? name_prefix(directory) : std::string();
    take_matches(read_entries(directory), prefix, pattern, files, directories, names);
}

void list_directory_tree(const std::string& directory, const std::string& pattern, bool files, bool directories,
                         std::vector<std::string>& names) {
    const std::vector<ENTRY> entries = read_entries(directory);
    take_matches(entries, name_prefix(directory), pattern, files, directories, names);
    for (const ENTRY& entry : entries) {
        // A link to a directory is listed, but never walked into.
        if (entry.real_directory)
            list_directory_tree(child_path(directory, entry.name), pattern, files, directories, names);
    }
}

void expand_wildcards(const std::string& directory, const std::string& pattern, bool files, bool directories,
                      bool recursive, bool prepend, std::list<std::string>& names) {
    const std::string effective = pattern == "*.*" ? std::string("*") : pattern;
    std::vector<std::string> found;
    if (recursive) list_directory_tree(directory, effective, files, directories, found);
    else list_directory(directory, effective, files, directories, false, found);
    for (std::string& name : found) {
        if (name.empty()) continue;
        if (prepend) names.push_front(std::move(name));
        else names.push_back(std::move(name));
    }
}

bool remove_directory(const DIR_DATA& dir, const char** message) {
    *message = nullptr;
    if (!check_directory(dir, message)) return false;
    console_stream.flush();
    return remove_tree(dir.path_name, message);
}

bool rename_directory(DIR_DATA& dir, const std::string& new_path, const char** message) {
    *message = nullptr;
    if (!check_directory(dir, message)) return false;
    if (is_directory(new_path)) {
        *message = path_message("verexisch", new_path);
        return false;
    }
    if (is_regular_file(new_path)) {
        *message = path_message("datexisch", new_path);
        return false;
    }
    if (std::rename(dir.path_name.c_str(), new_path.c_str()) != 0) return false;
    dir.path_name = new_path;
    return true;
}

bool make_directory(const DIR_DATA& dir, const char** message) {
    *message = nullptr;
    if (dir.path_name.empty()) {
        *message = path_message("vermusini");
        return false;
    }
    if (is_directory(dir.path_name)) {
        *message = path_message("verexisch", dir.path_name);
        return false;
    }
    return ::mkdir(dir.path_name.c_str(), 0755) == 0;
}

bool copy_directory(const DIR_DATA& dir, const std::string& target, const char** message) {
    *message = nullptr;
    if (!check_directory(dir, message)) return false;
    if (is_directory(target)) {
        *message = path_message("verexisch", target);
        return false;
    }
    if (is_regular_file(target)) {
        *message = path_message("datexisch", target);
        return false;
    }
    // A copy into its own tree would find itself among the subdirectories
    // and never end.
    if (lies_within(dir.path_name, target)) {
        *message = path_message("verkannicerzwer", target);
        return false;
    }
    console_stream.flush();  // files written into the tree are copied whole
    return copy_tree(dir.path_name, target, message);
}

int64_t directory_size(const DIR_DATA& dir, const char** message) {
    *message = nullptr;
    if (!check_directory(dir, message)) return 0;
    console_stream.flush();  // files written into the tree count whole
    return tree_size(dir.path_name);
}

std::string interpreter_directory(const char* program_name) {
    const std::string name = program_name == nullptr ? std::string() : std::string(program_name);
    size_t separator = name.rfind('/');
    if (separator == std::string::npos) separator = name.rfind('\\');
    if (separator != std::string::npos) return name.substr(0, separator);
    if (name.empty()) return std::string();

    // A bare name was found by the shell through PATH; an empty entry there
    // stands for the current directory, which is what "" means to callers.
    const char* search = std::getenv("PATH");
    if (search == nullptr) return std::string();
    const std::string list = search;
    size_t start = 0;
    while (true) {
        const size_t end = std::min(list.find(':', start), list.size());
        std::string directory = list.substr(start, end - start);
        const std::string candidate = directory.empty() ? name : join_path(directory, name);
        if (is_regular_file(candidate) && ::access(candidate.c_str(), X_OK) == 0) {
            while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
            return directory;
        }
        if (end == list.size()) return std::string();
        start = end + 1;
    }
}

}  // namespace morvu
