#include "exec/operand_reads.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "frontend/scope.h"
#include "frontend/token.h"

namespace morvu {

namespace {

// The body of the user type that encloses the node, or null.
const TOKEN* enclosing_type_body(const TOKEN* node) {
    for (; node != nullptr; node = node->parent) {
        if (node->scope != nullptr && node->scope->kind == 1) return node;
    }
    return nullptr;
}

bool is_name_leaf(const TOKEN* node) { return node->op1 == 0 && node->text && node->number == nullptr; }

// Whether a variable's declaration (its name node) declares it bool, char,
// int, real or str: the type word of the declaration it belongs to, found
// above the name (and its initial value) through the ',' chain of the
// declared names.
bool declared_built_in_scalar(const TOKEN* name) {
    const TOKEN* below = name;
    const TOKEN* node = name->parent;
    if (node != nullptr && node->op1 == '.' && node->op2 == 0 && node->left == name) {
        below = node;  // a name with its initial value: name.(value)
        node = node->parent;
    }
    while (node != nullptr && node->op1 == ',' && node->op2 == 0) {
        below = node;
        node = node->parent;
    }
    if (node == nullptr || node->op1 != ' ' || node->op2 != 0 || node->right != below) return false;
    const TOKEN* word = node->left;
    if (word == nullptr || !is_name_leaf(word) || word->declaration != nullptr) return false;
    for (const char* scalar : {"bool", "char", "int", "real", "str"}) {
        if (*word->text == scalar) return true;
    }
    return false;
}

// A member variable of a type body's own, declared of a built-in scalar type.
bool scalar_member(const TOKEN* declaration, const TOKEN* type_body) {
    return declaration != nullptr && declaration->member_slot >= 0 && enclosing_type_body(declaration) == type_body &&
           declared_built_in_scalar(declaration);
}

bool lies_below(const TOKEN* node, const TOKEN* ancestor) {
    for (; node != nullptr; node = node->parent) {
        if (node == ancestor) return true;
    }
    return false;
}

// The operators whose operands, all of built-in scalar types, run no code
// of the user and change nothing.
bool scalar_operator(const TOKEN* node) {
    const char a = node->op1;
    const char b = node->op2;
    if (b == 0) return a == '<' || a == '>' || a == '+' || a == '-' || a == '*' || a == '/' || a == '%';
    if (b == '=') return a == '<' || a == '>' || a == '=' || a == '!';
    return (a == '&' && b == '&') || (a == '|' && b == '|');
}

struct READER_CHECK {
    const TOKEN* parameter = nullptr;  // the parameter's name node
    const TOKEN* own_body = nullptr;   // the body of the routine's type
    TOKEN* operand_body = nullptr;     // the body of the parameter's type
    const TOKEN* results = nullptr;    // the result list

    // A result of the routine's own, declared of a built-in scalar type: an
    // operator on it runs no code of the user either.
    bool result_name(const TOKEN* declaration) const {
        return declaration != nullptr && declaration->arg_role == arg_role_result && lies_below(declaration, results) &&
               declared_built_in_scalar(declaration);
    }

    // Whether one node of an expression (its operands looked at apart)
    // qualifies; `below`: the operands to look at.
    bool expression(const TOKEN* node, std::vector<const TOKEN*>& below) const {
        if (node->op1 == 0) {
            if (node->number != nullptr) return true;
            if (!node->text) return false;
            return scalar_member(node->declaration, own_body) || result_name(node->declaration);
        }
        if ((node->op1 == '"' || node->op1 == '\'') && node->op2 == 0) return node->left == nullptr;
        if (node->op1 == '.' && node->op2 == 0) {
            const TOKEN* object = node->left;
            const TOKEN* member = node->right;
            if (object == nullptr || member == nullptr || !is_name_leaf(object) || !is_name_leaf(member) ||
                object->declaration != parameter)
                return false;
            return scalar_member(member_variable_of_body(operand_body, *member->text), operand_body);
        }
        // A unary form has the empty operand on its left: it is not taken.
        if (!scalar_operator(node) || node->left == nullptr || node->right == nullptr || node->left->op1 == '#')
            return false;
        below.push_back(node->left);
        below.push_back(node->right);
        return true;
    }

    // Whether every statement of the body assigns a qualifying expression
    // to a result.
    bool body(TOKEN* body) const {
        TOKEN_LIST statements = split_by_operator(body, ';');
        std::vector<const TOKEN*> work;
        for (const TOKEN* statement : statements) {
            if (statement->op1 != '=' || statement->op2 != 0 || statement->left == nullptr ||
                statement->right == nullptr || !is_name_leaf(statement->left) ||
                !result_name(statement->left->declaration))
                return false;
            work.push_back(statement->right);
        }
        while (!work.empty()) {
            const TOKEN* node = work.back();
            work.pop_back();
            if (!expression(node, work)) return false;
        }
        return true;
    }
};

const TOKEN* find_read_only_operand_type(TOKEN* routine) {
    if (routine == nullptr || routine->left == nullptr) return nullptr;
    TOKEN_LIST parts = split_by_operator(routine->left, juxtaposition_chain);
    if (parts.count() != 3) return nullptr;  // parameters, results and body of a function
    // One parameter, declared plainly with the name of a user type.
    const TOKEN* declaration = parts[0];
    if (declaration->op1 != ' ' || declaration->op2 != 0 || declaration->left == nullptr ||
        declaration->right == nullptr || !is_name_leaf(declaration->right) || !is_name_leaf(declaration->left))
        return nullptr;
    const TOKEN* parameter = declaration->right;
    TOKEN* type = declaration->left->declaration;
    if (parameter->arg_role != arg_role_constant_input || type == nullptr) return nullptr;
    READER_CHECK check;
    check.parameter = parameter;
    check.own_body = enclosing_type_body(routine);
    check.operand_body = last_list_item(type);
    check.results = parts[1];
    if (check.own_body == nullptr || check.operand_body == nullptr || !check.body(parts[2])) return nullptr;
    return type;
}

// The answers by routine, made again once a table changes.
struct READER_ANSWER {
    const TOKEN* type = nullptr;
};
std::unordered_map<const TOKEN*, READER_ANSWER> answers;
uint64_t answers_stamp = 0;

}  // namespace

const TOKEN* read_only_operand_type(TOKEN* routine) {
    const uint64_t stamp = tree_shape_generation + routine_tables_generation;
    if (answers_stamp != stamp) {
        answers.clear();
        answers_stamp = stamp;
    }
    auto found = answers.find(routine);
    if (found != answers.end()) return found->second.type;
    const TOKEN* type = find_read_only_operand_type(routine);
    answers.emplace(routine, READER_ANSWER{type});
    return type;
}

}  // namespace morvu
