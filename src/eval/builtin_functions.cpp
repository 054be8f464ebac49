#include "eval/builtin_functions.h"

#include <string_view>

#include "runtime/error.h"
#include "runtime/messages.h"

namespace morvu {

namespace {

struct BUILTIN {
    std::string_view name;
    EVAL_HANDLER handler;
};

// The built-in functions in the order their names are compared.
const BUILTIN builtins[] = {
    {"", nullptr},  // keeps the table well-formed while it has no rows
};

// A call of a name: '(' alone, or '"' followed by '('.
bool is_builtin_call_form(const TOKEN* node) {
    if (!node->text) return false;
    return (node->op1 == '(' && node->op2 == 0) || (node->op1 == '"' && node->op2 == '(');
}

}  // namespace

bool call_builtin_function(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results) {
    if (!is_builtin_call_form(node)) return false;
    const std::string& name = *node->text;
    for (const BUILTIN& builtin : builtins) {
        if (builtin.handler == nullptr || name != builtin.name) continue;
        if (node->block_mode == 0) node->evaluator = builtin.handler;
        builtin.handler(node, this_item, results);
        return true;
    }
    return false;
}

std::string builtin_context(const TOKEN* node) {
    std::string text = "sys:";
    if (node->text) text += *node->text;
    return text;
}

void raise_builtin_error(const TOKEN* node, const std::string& message) {
    raise_error(node, 'f', builtin_context(node).c_str(), message, 's');
}

}  // namespace morvu
