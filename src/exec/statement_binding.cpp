#include "exec/statement_binding.h"

#include <cstring>
#include <string>

#include "eval/evaluator.h"
#include "exec/assignment_statements.h"
#include "exec/call_routine.h"
#include "exec/control_counters.h"
#include "exec/control_statements.h"
#include "exec/input_statements.h"
#include "exec/member_statements.h"
#include "exec/output_statements.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/messages.h"

namespace morvu {

namespace {

// Nodes are built with the binder as their executor from the start.
[[maybe_unused]] const bool binder_installed = (initial_executor = bind_operator_executor, true);

struct KEYWORD {
    const char* name;
    EXEC_HANDLER executor;
};

// The statement keywords in the order they are compared.
const KEYWORD keywords[] = {
    {"return", exec_return},
    {"continue", exec_continue},
    {"for", exec_for},
    {"while", exec_while},
    {"if", exec_if},
    {"switch", exec_switch},
    {"out", exec_output},
    {"outl", exec_output},
    {"pout", exec_output},
    {"sout", exec_output},
    {"soutl", exec_output},
    {"fout", exec_output},
    {"foutl", exec_output},
    {"fsout", exec_output},
    {"fsoutl", exec_output},
    {"in", exec_input},
    {"pin", exec_input},
    {"sin", exec_input},
    {"inw", exec_input},
    {"inc", exec_input},
    {"inl", exec_inl},
    {"set_in_spc", exec_set_in_spc},
    {"set_out_spc", exec_set_out_spc},
    {"set_out_fmt", exec_set_out_fmt},
    {"break", exec_break},
    {"set_calctime", exec_set_calctime},
    {"set_realtime", exec_set_realtime},
    {"set_cwd", exec_set_cwd},
    {"throw", exec_throw},
    {"catch", exec_catch},
    {"exit", exec_exit},
    {"assert", exec_assert},
    {"system", exec_system},
    {"proc", exec_proc},
    {"del", exec_del},
    {"clear", exec_clear},
};

// '=', '$', '?', '@', '~' alone, or one of "+-*/%^" followed by '='.
bool is_assignment_operator(const TOKEN* node) {
    if (node->op2 == 0) return node->op1 != 0 && std::strchr("=$?@~", node->op1) != nullptr;
    return node->op2 == '=' && node->op1 != 0 && std::strchr("+-*/%^", node->op1) != nullptr;
}

// The executor of the operator characters, or null.
EXEC_HANDLER operator_executor(char op1, char op2) {
    if (op2 == 0) {
        switch (op1) {
        case '=': return exec_assign;
        case '@': return exec_assign_ref;
        case '$': return exec_assign_alias;
        case '~': return exec_move;
        case '?': return exec_assign_or_ref;
        case ' ': return exec_apply;
        case '#': return exec_nothing;
        case '.':
        case ':': return exec_member_statement;
        default: return nullptr;
        }
    }
    if (op2 == '=') {
        switch (op1) {
        case '+': return exec_add_assign;
        case '-': return exec_sub_assign;
        case '*': return exec_mul_assign;
        case '/': return exec_div_assign;
        case '%': return exec_mod_assign;
        case '^': return exec_pow_assign;
        default: return nullptr;
        }
    }
    if (op1 == ';' && op2 == ';') return exec_repeat;
    return nullptr;
}

}  // namespace

void exec_not_executable(TOKEN* node, RESULT_ITEM) { raise_system_error(node, msg_text("anwnicausfue")); }

bool bind_keyword_executor(TOKEN* node) {
    if (!is_call_token(node)) return false;
    const std::string& name = *node->text;
    for (const KEYWORD& keyword : keywords) {
        if (name == keyword.name) {
            node->executor = keyword.executor;
            return true;
        }
    }
    return false;
}

void bind_operator_executor(TOKEN* node, RESULT_ITEM this_item) {
    // A call statement comes back here on every execution: it is told apart
    // first, as no operator characters of a call name an operator.
    if (is_call_token(node)) {
        // What the call leaves parked on its arguments is freed on every way
        // out, also when the keyword executor took the call over.
        UNWIND_RESULT_STACK unwind(node);
        const std::string& name = *node->text;
        if (name.size() == 3 && name == "for" && exec_for_first_run(node, this_item)) return;
        ROUTINE_REQUEST request;
        request.node = node;
        request.receiver = this_item;
        request.context = this_item;
        if (call_routine_status(request) == CALL_OUTCOME::made) return;  // performed; the call stays unbound
        if (!bind_keyword_executor(node)) raise_not_defined();
        node->executor(node, this_item);
        return;
    }
    if ((node->left == nullptr || node->right == nullptr) && is_assignment_operator(node)) {
        std::string op(1, node->op1);
        if (node->op2 != 0) op += node->op2;
        raise_system_error(node, format_string(msg_text("opeben2ope"), op.c_str()));
    }
    if (EXEC_HANDLER executor = operator_executor(node->op1, node->op2)) {
        node->executor = executor;
        executor(node, this_item);
        return;
    }
    node->executor = exec_not_executable;
    exec_not_executable(node, this_item);
}

}  // namespace morvu
