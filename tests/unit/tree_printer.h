// A canonical text of a syntax tree for the parser tests.
//
//   name, 12, 1.5          name and number leaves
//   "text", 'c'            constants, with \t \n \0 \\ and so on for bytes
//   f(ARGS), "[]"(ARGS)    calls with their argument tree
//   #                      the empty operand
//   (op LEFT RIGHT)        operators; a missing operand prints as "."
//   (blank LEFT RIGHT)     the blank operator
//   [X]                    X was written in round brackets
//   {X}                    X is a block (block mode 1)
//
// Module separators in names print as "::". Test code only: it recurses.

#pragma once

#include <memory>
#include <string>

#include "frontend/lexer.h"
#include "runtime/name_list.h"
#include "frontend/token.h"
#include "numbers/real_data.h"
#include "runtime/error.h"

namespace morvu::test {

inline std::string escaped_constant(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\f': out += "\\f"; break;
        case '\v': out += "\\v"; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\\': out += "\\\\"; break;
        case static_cast<char>(0xFF): out += "\\0"; break;
        default: out += c;
        }
    }
    return out;
}

inline std::string shown_name(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == 27) {
            out += "::";
        } else {
            out += c;
        }
    }
    return out;
}

inline std::string print_tree(const TOKEN* node) {
    if (node == nullptr) return ".";
    std::string body;
    if (node->number) {
        body = node->number->to_text(-1);
    } else if (node->op1 == '"' && node->op2 == 0) {
        body = "\"" + escaped_constant(*node->text) + "\"";
    } else if (node->op1 == '\'' && node->op2 == 0) {
        body = "'" + escaped_constant(*node->text) + "'";
    } else if (node->op1 == '(' && node->op2 == 0 && node->text) {
        body = shown_name(*node->text) + "(" + print_tree(node->left) + ")";
    } else if (node->op1 == '"' && node->op2 == '(') {
        body = "\"" + escaped_constant(*node->text) + "\"(" + print_tree(node->left) + ")";
    } else if (node->op1 == 0 && node->text) {
        body = shown_name(*node->text);
    } else if (node->op1 == '#' && node->op2 == 0 && !node->left && !node->right) {
        body = "#";
    } else {
        std::string op = node->op1 == ' ' ? std::string("blank") : std::string(1, node->op1);
        if (node->op2 != 0) op += node->op2;
        body = "(" + op + " " + print_tree(node->left) + " " + print_tree(node->right) + ")";
    }
    if (node->block_mode == 1) body = "{" + body + "}";
    if (node->in_brackets) body = "[" + body + "]";
    return body;
}

// The entries of a source text, one per '\n'.
inline NAME_LIST source_of(const std::string& source) {
    NAME_LIST lines;
    size_t start = 0;
    while (true) {
        size_t end = source.find('\n', start);
        if (end == std::string::npos) {
            lines.append(source.substr(start));
            break;
        }
        lines.append(source.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

inline std::unique_ptr<TOKEN> parse_source(const std::string& source, bool top_level = true) {
    return parse_program("prog.mrv", source_of(source), top_level);
}

// The printed tree of a program text; "<none>" for no tree.
inline std::string parsed(const std::string& source, bool top_level = true) {
    std::unique_ptr<TOKEN> root = parse_source(source, top_level);
    return root ? print_tree(root.get()) : "<none>";
}

// The error a program text raises; an error of kind 0 when it parses.
inline ERROR parse_error(const std::string& source, bool top_level = true) {
    try {
        parse_source(source, top_level);
    } catch (const ERROR& error) {
        return error;
    }
    return ERROR("", 0, "<no error>", 0);
}

}  // namespace morvu::test
