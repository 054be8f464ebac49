// Every failure of a program, its source files or its start-up becomes an
// ERROR: file name, line, the finished English message and a kind ('s'
// system, 'p' syntax, 'a' analysis, anything else a user exception). It is
// thrown by value. raise_error builds one at a syntax-tree node; the driver
// and the program run print escaped errors with print_error.

#pragma once

#include <string>

namespace morvu {

struct TOKEN;

// The kinds of error.
inline constexpr char error_kind_system = 's';
inline constexpr char error_kind_syntax = 'p';
inline constexpr char error_kind_analysis = 'a';
inline constexpr char error_kind_user = 'u';  // a value thrown by the program

// The kinds of routine an error can name.
inline constexpr char routine_kind_function = 'f';
inline constexpr char routine_kind_procedure = 'p';
inline constexpr char routine_kind_operator = 'o';
inline constexpr char routine_kind_none = 0;  // the message stands alone

class ERROR {
public:
    std::string file;
    int line = 0;
    std::string message;
    char kind = error_kind_system;

    ERROR() = default;
    ERROR(std::string file, int line, std::string message, char kind)
        : file(std::move(file)), line(line), message(std::move(message)), kind(kind) {}
    ERROR(const ERROR&) = default;
    ERROR& operator=(const ERROR&) = default;
};

// Raises a language error at a node. Routine kind 'f', 'p' or 'o' prefixes
// "Function", "Procedure" or "Operator" and the quoted routine name; any other
// kind with a name prefixes only the quoted name; without a name the message
// stands alone. While a language exception is pending, the pending error is
// thrown instead.
[[noreturn]] void raise_error(const TOKEN* node, char routine_kind, const char* routine_name, const char* message,
                              char error_kind);
[[noreturn]] inline void raise_error(const TOKEN* node, char routine_kind, const char* routine_name,
                                     const std::string& message, char error_kind) {
    raise_error(node, routine_kind, routine_name, message.c_str(), error_kind);
}

// A system error at a node, its message standing alone.
[[noreturn]] inline void raise_system_error(const TOKEN* node, const char* message) {
    raise_error(node, routine_kind_none, nullptr, message, error_kind_system);
}
[[noreturn]] inline void raise_system_error(const TOKEN* node, const std::string& message) {
    raise_error(node, routine_kind_none, nullptr, message.c_str(), error_kind_system);
}

// The statement being executed; errors of the layers that see no node (the
// value rules, the stores, the method calls) are placed there.
extern const TOKEN* current_statement;

// ---- services of the layers above, installed by them ----

// Where a syntax-tree node stands: its source file's name and its line.
struct SOURCE_PLACE {
    std::string file;
    int line = 0;
};
// Installed by the front end, which owns the tree. Until then every node
// stands nowhere ("", line 0).
extern SOURCE_PLACE (*node_place)(const TOKEN* node);

// Throws the error of the pending language exception when one is pending and
// returns otherwise. Installed by the execution layer, which keeps that
// exception; until then nothing is pending.
extern void (*raise_pending_error)();

// "file '<name>', line '<n>'" for a node, "?" without one.
std::string position_text(const TOKEN* node);

// The printed form of an error, through the console stream.
void print_error(const char* heading, const char* file, int line, const char* message);

// The heading of an error kind: "Analysis error", "Syntax error", "System
// error", or "" for a user kind.
const char* error_heading(char kind);

}  // namespace morvu
