#include "eval/builtin_functions.h"

#include <string_view>

#include "eval/builtin_handlers.h"
#include "exec/input_statements.h"
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
    {"in", builtin_in},
    {"pin", builtin_in},
    {"sin", builtin_in},
    {"inw", builtin_in},
    {"inc", builtin_in},
    {"inl", builtin_inl},
    {"if", builtin_if},
    {"argc", builtin_argc},
    {"argv", builtin_argv},
    {"def", builtin_def},
    {"empty", builtin_empty},
    {"ref", builtin_ref},
    {"alias", builtin_alias},
    {"system", builtin_system},
    {"get_cwd", builtin_get_cwd},
    {"get_env", builtin_get_env},
    {"count", builtin_count},
    {"min", builtin_min_max},
    {"max", builtin_min_max},
    {"and", builtin_and_or},
    {"or", builtin_and_or},
    {"sum", builtin_sum_prod},
    {"prod", builtin_sum_prod},
    {"func", builtin_func},
    {"get_calctime", builtin_get_calctime},
    {"get_realtime", builtin_get_realtime},
    {"get_out_fmt", builtin_get_out_fmt},
    {"get_out_spc", builtin_get_out_spc},
    {"get_in_spc", builtin_get_in_spc},
    {"for", builtin_for},
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
        if (name != builtin.name) continue;
        if (node->block_mode == block_mode_none) node->evaluator = builtin.handler;
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
    raise_error(node, routine_kind_function, builtin_context(node).c_str(), message, error_kind_system);
}

}  // namespace morvu
