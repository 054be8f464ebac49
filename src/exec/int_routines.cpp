#include "exec/int_routines.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "eval/arg_frame.h"
#include "eval/evaluator.h"
#include "eval/fast_path.h"
#include "eval/names.h"
#include "eval/operator_handlers.h"
#include "exec/assignment_statements.h"
#include "exec/block_exec.h"
#include "exec/control_statements.h"
#include "exec/user_call.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "numbers/real_data.h"
#include "values/signatures.h"
#include "values/type_tags.h"

namespace morvu {

namespace {

// A routine has at most this many parameters here (the result takes one
// slot more), so that a run's slots live in its C frame.
constexpr uint32_t max_parameters = 7;
constexpr uint32_t max_slots = max_parameters + 1;
// Expressions nest at most this deep.
constexpr int max_expression_depth = 32;

struct INT_ROUTINE;

enum class EXPR_KIND : uint8_t { constant, slot, operation, call };

struct INT_EXPR {
    EXPR_KIND kind = EXPR_KIND::constant;
    char op = 0;  // of an operation: '+', '-', '*', '/' or '%'

    uint8_t slot = 0;
    int64_t constant = 0;
    std::unique_ptr<INT_EXPR> left;
    std::unique_ptr<INT_EXPR> right;
    INT_ROUTINE* callee = nullptr;
    std::vector<std::unique_ptr<INT_EXPR>> arguments;
};

enum class COMPARISON : uint8_t { less, less_equal, greater, greater_equal, equal, not_equal };

enum class STATEMENT_KIND : uint8_t { assign, add, subtract, multiply, branch };

struct INT_STATEMENT {
    STATEMENT_KIND kind = STATEMENT_KIND::assign;
    uint8_t slot = 0;
    std::unique_ptr<INT_EXPR> value;  // the assigned value; the left operand of a branch's comparison
    COMPARISON comparison = COMPARISON::less;
    std::unique_ptr<INT_EXPR> right;  // the right operand of a branch's comparison
    std::vector<INT_STATEMENT> then_part;
    std::vector<INT_STATEMENT> else_part;
};

enum class STATE : uint8_t { unknown, translating, ready, refused };

struct INT_ROUTINE {
    STATE state = STATE::unknown;
    uint32_t calls = 0;  // calls seen while unknown: translation is tried again at powers of two
    uint8_t parameter_count = 0;
    uint8_t result_slot = 0;
    std::vector<INT_STATEMENT> body;
};

// The translations of this generation of the routine tables.
std::unordered_map<const TOKEN*, std::unique_ptr<INT_ROUTINE>> routines;
// The entry of the routine asked for last: a recursion that runs on the
// general path asks for the same routine call after call.
const TOKEN* last_routine = nullptr;
INT_ROUTINE* last_entry = nullptr;

INT_ROUTINE& entry_of(TOKEN* routine) {
    if (routine != last_routine) {
        std::unique_ptr<INT_ROUTINE>& entry = routines[routine];
        if (!entry) entry = std::make_unique<INT_ROUTINE>();
        last_routine = routine;
        last_entry = entry.get();
    }
    return *last_entry;
}

// The routines a translation under way has made ready: when it fails they
// are taken back, since they may call the one that failed.
std::vector<INT_ROUTINE*> made_ready;
int translation_depth = 0;
uint64_t routines_generation = ~uint64_t{0};

// Why a translation fails: the routine cannot run here, or not yet (a node
// not bound by a first evaluation, a callee not called yet).
enum class VERDICT : uint8_t { ok, refused, not_yet };

class TRANSLATION {
public:
    explicit TRANSLATION(const ROUTINE_NAMES& names) : names(names) {}

    VERDICT slots(INT_ROUTINE& routine);
    VERDICT statements(TOKEN* block, std::vector<INT_STATEMENT>& out);

private:
    const ROUTINE_NAMES& names;
    std::vector<const TOKEN*> slot_names;  // the declaring node of each slot
    uint8_t result_slot = 0;

    VERDICT statement(TOKEN* node, INT_STATEMENT& out);
    VERDICT expression(TOKEN* node, std::unique_ptr<INT_EXPR>& out, int depth);
    VERDICT call(TOKEN* node, INT_EXPR& out, int depth);
    int slot_of(const TOKEN* name) const;
};

INT_ROUTINE* routine_for(TOKEN* routine);

int TRANSLATION::slot_of(const TOKEN* name) const {
    if (name->evaluator != eval_variable || name->block_mode != block_mode_none) return -1;
    for (size_t i = 0; i < slot_names.size(); ++i) {
        if (slot_names[i] == name->declaration) return static_cast<int>(i);
    }
    return -1;
}

// The slots: the parameters in order, then the one result. Every variable
// of the routine's scope is one of them, declared int.
VERDICT TRANSLATION::slots(INT_ROUTINE& routine) {
    const TOKEN_LIST& parameters = *names.parameters;
    const TOKEN_LIST& results = *names.results;
    if (parameters.count() > max_parameters || results.count() != 1 || names.scope_node == nullptr)
        return VERDICT::refused;
    for (uint32_t i = 0; i < parameters.count(); ++i) {
        if ((*names.parameter_roles)[i] != arg_role_constant_input || (*names.collecting)[i] != 0)
            return VERDICT::refused;
        slot_names.push_back(parameters[i]);
    }
    if ((*names.result_roles)[0] != arg_role_result) return VERDICT::refused;
    result_slot = static_cast<uint8_t>(slot_names.size());
    slot_names.push_back(results[0]);
    const std::vector<SCOPE::STORED_VARIABLE>& plan = storage_plan_of(names.scope_node);
    if (plan.size() != slot_names.size()) return VERDICT::refused;
    for (const SCOPE::STORED_VARIABLE& variable : plan) {
        if (variable.tag != tag_int || variable.type_def != nullptr) return VERDICT::refused;
        bool known = false;
        for (const TOKEN* name : slot_names) known = known || name == variable.node;
        if (!known) return VERDICT::refused;
    }
    routine.parameter_count = static_cast<uint8_t>(parameters.count());
    routine.result_slot = result_slot;
    return VERDICT::ok;
}

VERDICT TRANSLATION::statements(TOKEN* block, std::vector<INT_STATEMENT>& out) {
    TOKEN_LIST list;
    append_operands(block, ';', &list);
    for (TOKEN* node : list) {
        if (node == nullptr) break;  // a block ends at its first empty statement
        out.emplace_back();
        if (const VERDICT verdict = statement(node, out.back()); verdict != VERDICT::ok) return verdict;
    }
    return VERDICT::ok;
}

VERDICT TRANSLATION::statement(TOKEN* node, INT_STATEMENT& out) {
    const EXEC_HANDLER executor = node->executor;
    if (executor == initial_executor) return VERDICT::not_yet;
    if (executor == exec_if) {
        // The shape that the if statement runs without frames: a comparison
        // and one or two braced blocks without variables of their own.
        if (node->left == nullptr) return VERDICT::refused;
        const TOKEN_LIST& parts = argument_list_of(node->left);
        const uint32_t n = parts.count();
        if (n != 2 && n != 3) return VERDICT::refused;
        for (uint32_t i = 1; i < n; ++i) {
            TOKEN* block = parts[i];
            if (block->block_mode != block_mode_braced || (block->op1 == '#' && block->op2 == 0) ||
                block_has_variables(block))
                return VERDICT::refused;
        }
        TOKEN* condition = parts[0];
        if (condition->text || condition->block_mode != block_mode_none || condition->left == nullptr ||
            condition->right == nullptr)
            return VERDICT::refused;
        const char op1 = condition->op1;
        const char op2 = condition->op2;
        if (op1 == '<' && op2 == 0) out.comparison = COMPARISON::less;
        else if (op1 == '<' && op2 == '=') out.comparison = COMPARISON::less_equal;
        else if (op1 == '>' && op2 == 0) out.comparison = COMPARISON::greater;
        else if (op1 == '>' && op2 == '=') out.comparison = COMPARISON::greater_equal;
        else if (op1 == '=' && op2 == '=') out.comparison = COMPARISON::equal;
        else if (op1 == '!' && op2 == '=') out.comparison = COMPARISON::not_equal;
        else return VERDICT::refused;
        out.kind = STATEMENT_KIND::branch;
        if (const VERDICT verdict = expression(condition->left, out.value, 0); verdict != VERDICT::ok) return verdict;
        if (const VERDICT verdict = expression(condition->right, out.right, 0); verdict != VERDICT::ok) return verdict;
        if (const VERDICT verdict = statements(parts[1], out.then_part); verdict != VERDICT::ok) return verdict;
        if (n == 3) return statements(parts[2], out.else_part);
        return VERDICT::ok;
    }
    if (executor == exec_assign) out.kind = STATEMENT_KIND::assign;
    else if (executor == exec_add_assign) out.kind = STATEMENT_KIND::add;
    else if (executor == exec_sub_assign) out.kind = STATEMENT_KIND::subtract;
    else if (executor == exec_mul_assign) out.kind = STATEMENT_KIND::multiply;
    else return VERDICT::refused;
    if (node->left == nullptr || node->right == nullptr) return VERDICT::refused;
    if (node->left->evaluator == initial_evaluator) return VERDICT::not_yet;
    // Only the result is assigned: a parameter is a constant.
    if (slot_of(node->left) != result_slot) return VERDICT::refused;
    out.slot = result_slot;
    return expression(node->right, out.value, 0);
}

VERDICT TRANSLATION::expression(TOKEN* node, std::unique_ptr<INT_EXPR>& out, int depth) {
    if (depth >= max_expression_depth || node->block_mode != block_mode_none) return VERDICT::refused;
    const EVAL_HANDLER handler = node->evaluator;
    if (handler == initial_evaluator) return VERDICT::not_yet;
    out = std::make_unique<INT_EXPR>();
    INT_EXPR& expr = *out;
    if (handler == eval_variable) {
        const int slot = slot_of(node);
        if (slot < 0) return VERDICT::refused;
        expr.kind = EXPR_KIND::slot;
        expr.slot = static_cast<uint8_t>(slot);
        return VERDICT::ok;
    }
    if (handler == eval_int_literal) {
        expr.kind = EXPR_KIND::constant;
        return node->number != nullptr && node->number->mantissa.to_int64(expr.constant) ? VERDICT::ok
                                                                                         : VERDICT::refused;
    }
    if (handler == call_named_routine) return call(node, expr, depth);
    expr.kind = EXPR_KIND::operation;
    if (handler == eval_plus) expr.op = '+';
    else if (handler == eval_minus) expr.op = '-';
    else if (handler == eval_times) expr.op = '*';
    else if (handler == eval_divide) expr.op = '/';
    else if (handler == eval_modulo) expr.op = '%';
    else return VERDICT::refused;
    if (node->left == nullptr || node->right == nullptr) return VERDICT::refused;
    if (const VERDICT verdict = expression(node->left, expr.left, depth + 1); verdict != VERDICT::ok) return verdict;
    return expression(node->right, expr.right, depth + 1);
}

// A call by written name: the function its key names for int arguments,
// found as the general path finds it, translated as well.
VERDICT TRANSLATION::call(TOKEN* node, INT_EXPR& out, int depth) {
    if (!is_call_token(node) || node->module_inside != 0 || node->right != nullptr) return VERDICT::refused;
    std::vector<TOKEN*> arguments;
    if (node->left != nullptr) {
        for (TOKEN* argument : argument_list_of(node->left)) arguments.push_back(argument);
    }
    if (arguments.size() > max_parameters) return VERDICT::refused;
    std::string key = escape_method_text(node, *node->text);
    key += method_key_mark;
    for (size_t i = 0; i < arguments.size(); ++i) key += "int;";
    if (!arguments.empty()) key += method_key_mark;
    TOKEN* routine = find_symbol(node->parent, key, 'f', false, node);
    if (routine == nullptr) return VERDICT::refused;
    INT_ROUTINE* callee = routine_for(routine);
    if (callee == nullptr) return VERDICT::not_yet;
    if (callee->state == STATE::refused) return VERDICT::refused;
    if (callee->parameter_count != arguments.size() && callee->state != STATE::translating) return VERDICT::refused;
    out.kind = EXPR_KIND::call;
    out.callee = callee;
    for (TOKEN* argument : arguments) {
        out.arguments.emplace_back();
        if (const VERDICT verdict = expression(argument, out.arguments.back(), depth + 1); verdict != VERDICT::ok)
            return verdict;
    }
    return VERDICT::ok;
}

// The translation of a routine, made when it can be; null while it cannot
// yet. A routine translating now (a recursion) is answered as it stands.
INT_ROUTINE* routine_for(TOKEN* routine) {
    INT_ROUTINE& translated = entry_of(routine);
    if (translated.state != STATE::unknown) return &translated;
    ROUTINE_NAMES names;
    if (!checked_routine_names(routine, names) || names.body == nullptr) return nullptr;
    TRANSLATION translation(names);
    VERDICT verdict = translation.slots(translated);
    if (verdict == VERDICT::ok) {
        translated.state = STATE::translating;
        ++translation_depth;
        verdict = translation.statements(names.body, translated.body);
        --translation_depth;
    }
    if (verdict == VERDICT::ok) {
        translated.state = STATE::ready;
        made_ready.push_back(&translated);
    } else {
        translated.body.clear();
        translated.state = verdict == VERDICT::refused ? STATE::refused : STATE::unknown;
    }
    if (translation_depth == 0) {
        if (verdict != VERDICT::ok) {
            for (INT_ROUTINE* made : made_ready) {
                made->body.clear();
                made->state = STATE::unknown;
            }
        }
        made_ready.clear();
    }
    if (verdict == VERDICT::ok) return &translated;
    return verdict == VERDICT::refused ? &translated : nullptr;
}

// A run over machine ints. Every step answers false to stop the run.
class RUN {
public:
    explicit RUN(const char* floor) : floor(floor) {}

    bool call(const INT_ROUTINE& routine, const int64_t* arguments, int64_t& result) const;

private:
    const char* floor;  // the lowest stack address a level may start at

    struct FRAME {
        int64_t slots[max_slots];
        bool result_set;
    };

    bool run(const std::vector<INT_STATEMENT>& statements, FRAME& frame, uint8_t result_slot) const;
    bool value(const INT_EXPR& expr, const FRAME& frame, uint8_t result_slot, int64_t& out) const;
    bool call_value(const INT_EXPR& expr, const FRAME& frame, uint8_t result_slot, int64_t& out) const;

    // Leaves without a call of value().
    bool operand(const INT_EXPR& expr, const FRAME& frame, uint8_t result_slot, int64_t& out) const {
        if (expr.kind == EXPR_KIND::constant) {
            out = expr.constant;
            return true;
        }
        if (expr.kind == EXPR_KIND::slot) {
            if (expr.slot == result_slot && !frame.result_set) return false;
            out = frame.slots[expr.slot];
            return true;
        }
        return value(expr, frame, result_slot, out);
    }
};

bool RUN::call(const INT_ROUTINE& routine, const int64_t* arguments, int64_t& result) const {
    if (static_cast<const char*>(__builtin_frame_address(0)) < floor) return false;
    FRAME frame;
    for (uint8_t i = 0; i < routine.parameter_count; ++i) frame.slots[i] = arguments[i];
    frame.result_set = false;
    if (!run(routine.body, frame, routine.result_slot) || !frame.result_set) return false;
    result = frame.slots[routine.result_slot];
    return true;
}

bool RUN::run(const std::vector<INT_STATEMENT>& statements, FRAME& frame, uint8_t result_slot) const {
    for (const INT_STATEMENT& statement : statements) {
        int64_t value = 0;
        if (!operand(*statement.value, frame, result_slot, value)) return false;
        if (statement.kind == STATEMENT_KIND::branch) {
            int64_t right = 0;
            if (!operand(*statement.right, frame, result_slot, right)) return false;
            bool holds = false;
            switch (statement.comparison) {
            case COMPARISON::less: holds = value < right; break;
            case COMPARISON::less_equal: holds = value <= right; break;
            case COMPARISON::greater: holds = value > right; break;
            case COMPARISON::greater_equal: holds = value >= right; break;
            case COMPARISON::equal: holds = value == right; break;
            case COMPARISON::not_equal: holds = value != right; break;
            }
            if (!run(holds ? statement.then_part : statement.else_part, frame, result_slot)) return false;
            continue;
        }
        int64_t& target = frame.slots[statement.slot];
        switch (statement.kind) {
        case STATEMENT_KIND::assign: target = value; break;
        case STATEMENT_KIND::add:
            if (!frame.result_set || __builtin_add_overflow(target, value, &target)) return false;
            break;
        case STATEMENT_KIND::subtract:
            if (!frame.result_set || __builtin_sub_overflow(target, value, &target)) return false;
            break;
        case STATEMENT_KIND::multiply:
            if (!frame.result_set || __builtin_mul_overflow(target, value, &target) || target == 0) return false;
            break;
        case STATEMENT_KIND::branch: break;
        }
        frame.result_set = true;
    }
    return true;
}

// The operations stop where the single-value fast path of expressions stops
// (fast_operation): the results are then those of the general path.
bool RUN::value(const INT_EXPR& expr, const FRAME& frame, uint8_t result_slot, int64_t& out) const {
    switch (expr.kind) {
    case EXPR_KIND::constant:
    case EXPR_KIND::slot: return operand(expr, frame, result_slot, out);
    case EXPR_KIND::call: return call_value(expr, frame, result_slot, out);
    default: break;
    }
    int64_t a = 0;
    int64_t b = 0;
    if (!operand(*expr.left, frame, result_slot, a) || !operand(*expr.right, frame, result_slot, b)) return false;
    return fast_operation(expr.op, a, b, out);
}

__attribute__((noinline)) bool RUN::call_value(const INT_EXPR& expr, const FRAME& frame, uint8_t result_slot,
                                               int64_t& out) const {
    int64_t arguments[max_parameters];
    for (size_t i = 0; i < expr.arguments.size(); ++i) {
        if (!operand(*expr.arguments[i], frame, result_slot, arguments[i])) return false;
    }
    return expr.callee->state == STATE::ready && call(*expr.callee, arguments, out);
}

}  // namespace

bool run_int_routine(TOKEN* routine, const int64_t* arguments, uint32_t count, int64_t& result) {
    if (routines_generation != routine_tables_generation) {
        routines.clear();
        last_routine = nullptr;
        routines_generation = routine_tables_generation;
    }
    if (statement_budget != 0) return false;
    INT_ROUTINE* translated = &entry_of(routine);
    if (translated->state == STATE::unknown) {
        // Tried on the first call and again at every power of two of the
        // calls, as the branches not taken yet get bound.
        const uint32_t calls = ++translated->calls;
        if ((calls & (calls - 1)) != 0) return false;
        translated = routine_for(routine);
        if (translated == nullptr) return false;
    }
    if (translated->state != STATE::ready || translated->parameter_count != count) return false;
    const std::uintptr_t room = stack_room_left();
    const char* here = static_cast<const char*>(__builtin_frame_address(0));
    if (room < 64 * 1024) return false;
    const RUN run(here - (room - 32 * 1024));
    if (run.call(*translated, arguments, result)) return true;
    // The general path runs this routine from now on (its callees that
    // stop a run of their own follow it there).
    translated->state = STATE::refused;
    translated->body.clear();
    return false;
}

}  // namespace morvu
