// Small helpers that several unit tests share: value cells made from machine
// values and read back, a program analysed up to its types, the error an
// action raises, and standard output captured into a file.
//
// Every cell comes back owned by a std::unique_ptr (CELL), so a failing
// assertion leaks nothing. A test file names the helpers it uses with
// using-declarations; its own helpers of other forms stay beside its tests.
// Test code only.

#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdint>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>

#include "frontend/analysis.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/error.h"
#include "runtime/str_stream.h"
#include "tree_printer.h"
#include "values/assign_rules.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/union_data.h"

namespace morvu::test {

// ---- value cells ----

using CELL = std::unique_ptr<UNION_DATA>;

inline CELL make_cell(char tag) { return std::make_unique<UNION_DATA>(tag); }

// An int cell; another tag gets the int by plain assignment, which must
// succeed.
inline CELL int_cell(int value, char tag = 'i') {
    CELL cell = make_cell(tag);
    if (tag == 'i') {
        *cell->int_data() = INT_DATA(value);
    } else {
        CELL number = int_cell(value);
        EXPECT_EQ(assign_value(cell.get(), number.get()), nullptr);
    }
    return cell;
}

// An int cell from decimal digits, for values beyond a machine int.
inline CELL int_cell(const char* text) {
    CELL cell = make_cell('i');
    *cell->int_data() = INT_DATA(text);
    return cell;
}

inline CELL real_cell(const char* text) {
    CELL cell = make_cell('r');
    *cell->real_data() = REAL_DATA(text);
    return cell;
}

inline CELL str_cell(const std::string& text) {
    CELL cell = make_cell('s');
    cell->str_data()->text = text;
    return cell;
}

inline CELL char_cell(char c) {
    CELL cell = make_cell('c');
    cell->char_byte() = c;
    return cell;
}

// A list (or, with tag 'y', another list tag) of int copies.
inline CELL list_of(std::initializer_list<int> values, char tag = 'l') {
    CELL list = make_cell(tag);
    for (int value : values) list->list_data()->append(int_cell(value).get(), 0);
    return list;
}

inline CELL set_of(std::initializer_list<int> keys) {
    CELL set = make_cell('m');
    for (int key : keys) {
        const char* message = nullptr;
        set->hash_data()->insert(int_cell(key).get(), 0, nullptr, 0, &message);
    }
    return set;
}

// The int a cell holds, a link followed one step; -999 when none.
inline int int_of(const UNION_DATA* cell) {
    if (cell == nullptr || base_type_code(cell) != 'i') return -999;
    UNION_DATA* value = follow_link(const_cast<UNION_DATA*>(cell));
    if (!is_defined_value(value)) return -999;
    return std::stoi(value->int_data()->to_text());
}

// The element at a position of the list a cell holds or links to.
inline UNION_DATA* element(UNION_DATA* list, int index) {
    const char* message = nullptr;
    return follow_link(list)->list_data()->at(index, &message);
}

// A message of the value layer as a text; "<none>" for none.
inline std::string said(const char* message) { return message != nullptr ? std::string(message) : "<none>"; }

// ---- programs ----

// Collects the tree's nodes, gives them fresh scopes, registers the types and
// builds their base-type lists.
inline void register_types(TOKEN* root, TOKEN_LIST& tokens) {
    collect_tokens(root, &tokens);
    clear_def_data(tokens);
    typdef_pass(tokens);
    free_base_lists(tokens, true);
}

// The first name node of the list with this text, after `skip` others.
inline TOKEN* first_name(const TOKEN_LIST& tokens, const std::string& text, int skip = 0) {
    for (TOKEN* token : tokens)
        if (token->op1 == 0 && token->text && *token->text == text && skip-- == 0) return token;
    return nullptr;
}

// The scope of the nearest node at or above `node` that owns one.
inline SCOPE& nearest_scope(TOKEN* node) {
    while (node->scope == nullptr) node = node->parent;
    return *node->scope;
}

// The ERROR an action raises; one with the message "<no error>" when none.
inline ERROR raised_by(const std::function<void()>& action) {
    try {
        action();
    } catch (const ERROR& error) {
        return error;
    }
    return ERROR("", 0, "<no error>", 0);
}

// ---- files and standard output ----

// A text with embedded NULs, from a literal.
template <size_t N>
std::string bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

inline std::string file_contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Points descriptor 1 at a file for the lifetime of the object; finish()
// points it back and returns what was written.
class STDOUT_CAPTURE {
public:
    explicit STDOUT_CAPTURE(const std::string& path) : path(path) {
        std::fflush(stdout);
        saved = ::dup(STDOUT_FILENO);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDOUT_FILENO);
        ::close(fd);
    }
    ~STDOUT_CAPTURE() { finish(); }
    STDOUT_CAPTURE(const STDOUT_CAPTURE&) = delete;
    STDOUT_CAPTURE& operator=(const STDOUT_CAPTURE&) = delete;

    std::string finish() {
        if (saved >= 0) {
            std::fflush(stdout);
            ::dup2(saved, STDOUT_FILENO);
            ::close(saved);
            saved = -1;
        }
        return file_contents(path);
    }

private:
    std::string path;
    int saved = -1;
};

}  // namespace morvu::test
