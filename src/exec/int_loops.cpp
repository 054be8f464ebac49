#include "exec/int_loops.h"

#include <memory>
#include <unordered_map>
#include <vector>

#include "eval/evaluator.h"
#include "eval/fast_path.h"
#include "eval/names.h"
#include "eval/operator_handlers.h"
#include "exec/assignment_statements.h"
#include "exec/block_exec.h"
#include "exec/control_counters.h"
#include "exec/control_statements.h"
#include "exec/pending_exception.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "values/access_modes.h"
#include "values/type_tags.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// Expressions nested deeper than this are left to the general path, as the
// single-value fast path leaves them.
constexpr int max_depth = 32;

enum class LEAF : uint8_t { constant, variable, operation };

struct CELL_EXPR {
    LEAF kind = LEAF::constant;
    char op = 0;  // of an operation: '+', '-', '*', '/' or '%'
    int64_t constant = 0;
    const TOKEN* declaration = nullptr;  // of a variable
    std::unique_ptr<CELL_EXPR> left;
    std::unique_ptr<CELL_EXPR> right;
};

// An assignment name = e, name += e, name -= e or name *= e.
struct CELL_STATEMENT {
    char op = 0;  // 0: the statement did not translate
    const TOKEN* target = nullptr;
    std::unique_ptr<CELL_EXPR> value;
};

struct LOOP_PLAN {
    uint64_t generation = 0;
    const TOKEN* condition_node = nullptr;
    char op1 = 0;  // the comparison
    char op2 = 0;
    std::unique_ptr<CELL_EXPR> left;  // null: the condition did not translate
    std::unique_ptr<CELL_EXPR> right;
    std::vector<CELL_STATEMENT> statements;
    bool complete = false;  // every statement translated
};

// By body. A loop holds its plan while it runs: a nested run of the same
// loop may make a new one.
std::unordered_map<const TOKEN*, std::shared_ptr<LOOP_PLAN>> plans;

// ---- translation ----

std::unique_ptr<CELL_EXPR> translate(const TOKEN* node, int depth) {
    if (depth >= max_depth) return nullptr;
    const EVAL_HANDLER handler = node->evaluator;
    auto expr = std::make_unique<CELL_EXPR>();
    if (handler == eval_variable) {
        const TOKEN* declaration = node->declaration;
        if (declaration == nullptr || declaration->member_slot >= 0) return nullptr;
        expr->kind = LEAF::variable;
        expr->declaration = declaration;
        return expr;
    }
    if (handler == eval_int_literal) {
        if (node->number == nullptr || !node->number->mantissa.to_int64(expr->constant)) return nullptr;
        return expr;
    }
    if (handler == eval_plus) expr->op = '+';
    else if (handler == eval_minus) expr->op = '-';
    else if (handler == eval_times) expr->op = '*';
    else if (handler == eval_divide) expr->op = '/';
    else if (handler == eval_modulo) expr->op = '%';
    else return nullptr;
    if (node->left == nullptr || node->right == nullptr) return nullptr;
    expr->kind = LEAF::operation;
    expr->left = translate(node->left, depth + 1);
    if (!expr->left) return nullptr;
    expr->right = translate(node->right, depth + 1);
    if (!expr->right) return nullptr;
    return expr;
}

void translate_statement(const TOKEN* node, CELL_STATEMENT& out) {
    char op = 0;
    const EXEC_HANDLER executor = node->executor;
    if (executor == exec_assign) op = '=';
    else if (executor == exec_add_assign) op = '+';
    else if (executor == exec_sub_assign) op = '-';
    else if (executor == exec_mul_assign) op = '*';
    else return;
    if (node->left == nullptr || node->right == nullptr || node->left->evaluator != eval_variable) return;
    const TOKEN* target = node->left->declaration;
    if (target == nullptr || target->member_slot >= 0) return;
    out.value = translate(node->right, 0);
    if (!out.value) return;
    out.target = target;
    out.op = op;
}

void translate_condition(const TOKEN* condition, LOOP_PLAN& plan) {
    if (condition->block_mode != block_mode_braced || condition->text || condition->left == nullptr ||
        condition->right == nullptr)
        return;
    const char op1 = condition->op1;
    const char op2 = condition->op2;
    const bool comparison =
        ((op1 == '<' || op1 == '>') && (op2 == 0 || op2 == '=')) || ((op1 == '=' || op1 == '!') && op2 == '=');
    if (!comparison) return;
    plan.left = translate(condition->left, 0);
    plan.right = translate(condition->right, 0);
    if (!plan.left || !plan.right) {
        plan.left.reset();
        plan.right.reset();
        return;
    }
    plan.op1 = op1;
    plan.op2 = op2;
}

// The loop's plan, translated anew when the routine tables changed or when
// statements that had not run yet may run now.
std::shared_ptr<LOOP_PLAN> plan_of(TOKEN* condition, TOKEN* body) {
    std::shared_ptr<LOOP_PLAN>& entry = plans[body];
    if (entry && entry->generation == routine_tables_generation && entry->condition_node == condition &&
        entry->complete)
        return entry;
    entry = std::make_shared<LOOP_PLAN>();
    LOOP_PLAN& plan = *entry;
    plan.generation = routine_tables_generation;
    plan.condition_node = condition;
    translate_condition(condition, plan);
    TOKEN_LIST statements;
    append_operands(body, ';', &statements);
    plan.statements.resize(statements.count());
    plan.complete = true;
    for (uint32_t i = 0; i < statements.count(); ++i) {
        if (statements[i] == nullptr) {
            // The block ends here: nothing after it runs.
            plan.statements.resize(i);
            break;
        }
        translate_statement(statements[i], plan.statements[i]);
        plan.complete = plan.complete && plan.statements[i].op != 0;
    }
    plan.complete = plan.complete && plan.statements.size() == statements.count();
    return entry;
}

// ---- running ----

// The cell of a variable as the single-value fast path reads it.
inline bool read_variable(const TOKEN* declaration, int64_t& out) {
    const UNION_DATA* cell = top_cell(declaration);
    if (cell == nullptr || (cell->tag != tag_int && cell->tag != raise_tag(tag_int)) || cell->payload == nullptr)
        return false;
    return cell->int_data()->to_int64(out);
}

bool operation_value(const CELL_EXPR& expr, int64_t& out);

// Leaves without a call.
inline bool value_of(const CELL_EXPR& expr, int64_t& out) {
    if (expr.kind == LEAF::variable) return read_variable(expr.declaration, out);
    if (expr.kind == LEAF::constant) {
        out = expr.constant;
        return true;
    }
    return operation_value(expr, out);
}

bool operation_value(const CELL_EXPR& expr, int64_t& out) {
    int64_t a = 0;
    int64_t b = 0;
    return value_of(*expr.left, a) && value_of(*expr.right, b) && fast_operation(expr.op, a, b, out);
}

// The assignment as fast_int_assignment does it; false, with nothing
// changed, where that would leave it to the general path.
bool run_statement(const CELL_STATEMENT& statement) {
    int64_t value = 0;
    if (statement.op == 0 || !value_of(*statement.value, value)) return false;
    UNION_DATA* cell = declared_plain_cell(statement.target);
    if (cell == nullptr || cell->tag != tag_int || cell->payload == nullptr || cell->access_mode != access_variable)
        return false;
    INT_DATA& number = *cell->int_data();
    if (statement.op != '=') {
        int64_t current = 0;
        if (!number.to_int64(current) || !fast_operation(statement.op, current, value, value)) return false;
    }
    number.assign_int64(value);
    return true;
}

// The condition's value; -1 when it must be evaluated the general way.
int condition_value(const LOOP_PLAN& plan) {
    if (!plan.left) return -1;
    int64_t a = 0;
    int64_t b = 0;
    if (!value_of(*plan.left, a) || !value_of(*plan.right, b)) return -1;
    switch (plan.op1) {
    case '<': return plan.op2 == 0 ? a < b : a <= b;
    case '>': return plan.op2 == 0 ? a > b : a >= b;
    case '=': return a == b;
    default: return a != b;
    }
}

// The same, out of line: the for loop's copies, so that the while loop keeps
// its own inlined ones.
[[gnu::noinline]] bool run_statement_apart(const CELL_STATEMENT& statement) { return run_statement(statement); }
[[gnu::noinline]] int condition_value_apart(const LOOP_PLAN& plan) { return condition_value(plan); }

[[gnu::flatten]] bool shortcut(void* data, uint32_t index) {
    const LOOP_PLAN& plan = *static_cast<const LOOP_PLAN*>(data);
    return index < plan.statements.size() && run_statement(plan.statements[index]);
}

}  // namespace

bool run_int_while(TOKEN* condition, TOKEN* body, RESULT_ITEM this_item, const char* routine_name) {
    if (condition == nullptr || body == nullptr || block_has_variables(body) || statement_budget != 0) return false;
    const std::shared_ptr<LOOP_PLAN> held = plan_of(condition, body);
    LOOP_PLAN* plan = held.get();
    if (!plan->left && plan->statements.empty()) return false;
    const uint32_t count = static_cast<uint32_t>(plan->statements.size());
    // While nothing is pending and every statement translates, an iteration
    // whose statements all stay small cannot raise, set a counter or run a
    // block: its statements run back to back and nothing is left to check
    // after them.
    auto clean = [plan]() {
        return plan->complete && pending_exception == nullptr && !control_pending() && statement_budget == 0;
    };
    bool back_to_back = clean();
    for (;;) {
        int holds = condition_value(*plan);
        if (holds < 0) holds = eval_condition(condition, this_item, routine_name) ? 1 : 0;
        if (holds == 0) break;
        uint32_t done = 0;
        if (back_to_back) {
            while (done < count && run_statement(plan->statements[done])) ++done;
            if (done == count && count != 0) continue;
        }
        execute_block_from(body, this_item, done, shortcut, plan);
        if (loop_after_body()) break;
        back_to_back = clean();
    }
    return true;
}

bool run_int_for(TOKEN* condition, TOKEN* step, TOKEN* body, RESULT_ITEM this_item, const char* routine_name) {
    if (condition == nullptr || step == nullptr || body == nullptr || block_has_variables(body) ||
        statement_budget != 0)
        return false;
    const std::shared_ptr<LOOP_PLAN> held = plan_of(condition, body);
    const std::shared_ptr<LOOP_PLAN> step_held = plan_of(condition, step);
    LOOP_PLAN* plan = held.get();
    LOOP_PLAN* step_plan = step_held.get();
    if (!plan->left && plan->statements.empty() && step_plan->statements.empty()) return false;
    const uint32_t count = static_cast<uint32_t>(plan->statements.size());
    const uint32_t step_count = static_cast<uint32_t>(step_plan->statements.size());
    auto clean = [plan, step_plan]() {
        return plan->complete && step_plan->complete && pending_exception == nullptr && !control_pending() &&
               statement_budget == 0;
    };
    bool back_to_back = clean();
    for (;;) {
        int holds = condition_value_apart(*plan);
        if (holds < 0) holds = eval_condition(condition, this_item, routine_name) ? 1 : 0;
        if (holds == 0) break;
        uint32_t done = 0;
        if (back_to_back) {
            while (done < count && run_statement_apart(plan->statements[done])) ++done;
        }
        if (!back_to_back || done != count || count == 0) {
            execute_block_from(body, this_item, done, shortcut, plan);
            if (loop_after_body()) break;
            back_to_back = clean();
        }
        uint32_t step_done = 0;
        if (back_to_back) {
            while (step_done < step_count && run_statement_apart(step_plan->statements[step_done])) ++step_done;
            if (step_done == step_count && step_count != 0) continue;
        }
        execute_block_from(step, this_item, step_done, shortcut, step_plan);
        if (loop_after_body()) break;
        back_to_back = clean();
    }
    return true;
}

}  // namespace morvu
