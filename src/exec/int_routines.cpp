#include "exec/int_routines.h"

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
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
#include "frontend/type_defs.h"
#include "frontend/var_storage.h"
#include "numbers/real_data.h"
#include "runtime/build_options.h"
#include "values/signatures.h"
#include "values/type_tags.h"

namespace morvu {

namespace {

// A routine has at most this many parameters here, as many as a call
// hands over as machine ints.
constexpr uint32_t max_parameters = 7;

struct INT_ROUTINE;

enum class EXPR_KIND : uint8_t { constant, slot, operation, call };

struct INT_EXPR {
    EXPR_KIND kind = EXPR_KIND::constant;
    char op = 0;  // of an operation: '+' or '-'

    uint8_t slot = 0;
    int64_t constant = 0;
    std::unique_ptr<INT_EXPR> left;
    std::unique_ptr<INT_EXPR> right;
    INT_ROUTINE* callee = nullptr;
    std::vector<std::unique_ptr<INT_EXPR>> arguments;
};

enum class COMPARISON : uint8_t { less, less_equal, greater, greater_equal, equal, not_equal };

enum class STATEMENT_KIND : uint8_t { assign, branch };

struct INT_STATEMENT {
    STATEMENT_KIND kind = STATEMENT_KIND::assign;
    std::unique_ptr<INT_EXPR> value;  // the assigned value; the left operand of a branch's comparison
    COMPARISON comparison = COMPARISON::less;
    std::unique_ptr<INT_EXPR> right;  // the right operand of a branch's comparison
    std::vector<INT_STATEMENT> then_part;
    std::vector<INT_STATEMENT> else_part;
};

// The flat form a translated body runs in. A routine's frame is a run of
// 64-bit slots: its parameters, its result, then the temporaries of its
// expressions. A call computes its arguments into the caller's next free
// slots, which are the first slots of the callee's frame, and finds the
// callee's result in the slot just above them.
enum class OP : uint8_t {
    move,  // a = b
    load,  // a = constant
    add_ss,
    add_sk,
    sub_ss,
    sub_sk,
    sub_ks,
    // Comparisons of slot b with slot c or the constant: on to the next
    // instruction when it holds, else by `jump`.
    lt_ss,
    le_ss,
    gt_ss,
    ge_ss,
    eq_ss,
    ne_ss,
    lt_sk,
    le_sk,
    gt_sk,
    ge_sk,
    eq_sk,
    ne_sk,
    jump,
    call,       // the callee's frame starts at slot a, above the slot that keeps the way back
    call_self,  // the same for the routine running: it is ready while it runs
    ret,        // hand back slot a
    count
};

struct INSN {
    OP op = OP::ret;
    uint8_t a = 0;     // the target slot
    uint8_t b = 0;     // the left operand
    uint8_t c = 0;     // the right operand
    int32_t jump = 0;  // relative to this instruction; of a call, its share of the machine stack
    union {
        int64_t constant = 0;
        INT_ROUTINE* callee;  // of call
        const INSN* entry;    // of call_self: the first instruction of this code
    };
};

// A frame takes at most this many slots, so that one check per call finds
// room for the callee's frame.
constexpr size_t frame_room = 256;

enum class STATE : uint8_t { unknown, translating, ready, refused };

struct INT_ROUTINE {
    STATE state = STATE::unknown;
    uint32_t calls = 0;  // calls seen while unknown: translation is tried again at powers of two
    uint8_t parameter_count = 0;
    uint8_t result_slot = 0;
    std::vector<INT_STATEMENT> body;  // while translating
    std::vector<INSN> code;           // once ready
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
    const auto found = std::find(slot_names.begin(), slot_names.end(), name->declaration);
    return found != slot_names.end() ? static_cast<int>(found - slot_names.begin()) : -1;
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
        if (variable.tag != tag_int || variable.type_def != nullptr ||
            std::find(slot_names.begin(), slot_names.end(), variable.node) == slot_names.end())
            return VERDICT::refused;
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
            if (block->block_mode != block_mode_braced || is_empty_operand(block) || block_has_variables(block))
                return VERDICT::refused;
        }
        TOKEN* condition = parts[0];
        if (condition->text || condition->block_mode != block_mode_none || condition->left == nullptr ||
            condition->right == nullptr)
            return VERDICT::refused;
        // The operator characters of each COMPARISON, in its order.
        static constexpr std::pair<char, char> operators[] = {{'<', 0},   {'<', '='}, {'>', 0},
                                                              {'>', '='}, {'=', '='}, {'!', '='}};
        const auto* found =
            std::find(std::begin(operators), std::end(operators), std::pair{condition->op1, condition->op2});
        if (found == std::end(operators)) return VERDICT::refused;
        out.comparison = static_cast<COMPARISON>(found - operators);
        out.kind = STATEMENT_KIND::branch;
        if (const VERDICT verdict = expression(condition->left, out.value, 0); verdict != VERDICT::ok) return verdict;
        if (const VERDICT verdict = expression(condition->right, out.right, 0); verdict != VERDICT::ok) return verdict;
        if (const VERDICT verdict = statements(parts[1], out.then_part); verdict != VERDICT::ok) return verdict;
        if (n == 3) return statements(parts[2], out.else_part);
        return VERDICT::ok;
    }
    if (!is_assign_executor(executor)) return VERDICT::refused;
    out.kind = STATEMENT_KIND::assign;
    if (node->left == nullptr || node->right == nullptr) return VERDICT::refused;
    if (node->left->evaluator == initial_evaluator) return VERDICT::not_yet;
    // Only the result is assigned: a parameter is a constant.
    if (slot_of(node->left) != result_slot) return VERDICT::refused;
    return expression(node->right, out.value, 0);
}

VERDICT TRANSLATION::expression(TOKEN* node, std::unique_ptr<INT_EXPR>& out, int depth) {
    if (depth >= fast_depth_limit || node->block_mode != block_mode_none) return VERDICT::refused;
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
    else return VERDICT::refused;
    if (node->left == nullptr || node->right == nullptr) return VERDICT::refused;
    if (const VERDICT verdict = expression(node->left, expr.left, depth + 1); verdict != VERDICT::ok) return verdict;
    return expression(node->right, expr.right, depth + 1);
}

// A call by written name: the function its key names for int arguments,
// found as the general path finds it, translated as well. Its parameters
// are known even while it translates (a recursion).
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
    if (callee->state == STATE::refused || callee->parameter_count != arguments.size()) return VERDICT::refused;
    out.kind = EXPR_KIND::call;
    out.callee = callee;
    for (TOKEN* argument : arguments) {
        out.arguments.emplace_back();
        if (const VERDICT verdict = expression(argument, out.arguments.back(), depth + 1); verdict != VERDICT::ok)
            return verdict;
    }
    return VERDICT::ok;
}

// A call's share of the machine stack: a run stops, and the general path
// takes the call and reports its stack error, where the calls under way
// would take more of the stack than is left to the run's caller as frames
// of a tree walk: one for the call, one per branch around it, one per
// operation or call of the expression that leads to it.
constexpr unsigned stack_share_base = 288;
constexpr unsigned stack_share_per_branch = 96;
constexpr unsigned stack_share_per_node = 80;
constexpr unsigned stack_share_per_call = 192;

struct OPERAND {
    bool constant = false;
    uint8_t slot = 0;
    int64_t value = 0;
};

// Writes the flat form of a translated body. A body that may read or hand
// back its result before every path to that point has assigned it does not
// translate: the general path reports the missing value.
class CODE_GENERATOR {
public:
    explicit CODE_GENERATOR(INT_ROUTINE& routine)
        : routine(routine), code(routine.code), top(routine.result_slot + 1u) {}

    // False when the frame would not fit its slots, or the body has a shape
    // the code does not take.
    bool generate(const std::vector<INT_STATEMENT>& body);

private:
    INT_ROUTINE& routine;
    std::vector<INSN>& code;
    unsigned top;           // the first free slot
    bool fits = true;       // false once the frame outgrows its slots or a shape is refused
    bool assigned = false;  // on every path that reaches the code being laid out
    // Where the code being laid out stands: inside how many branches, below
    // how many operations and calls of its expression, below how many calls.
    unsigned branch_depth = 0;
    unsigned nodes_above = 0;
    unsigned calls_above = 0;

    void emit(OP op, uint8_t a = 0, uint8_t b = 0, uint8_t c = 0, int64_t constant = 0) {
        code.emplace_back();
        INSN& insn = code.back();
        insn.op = op;
        insn.a = a;
        insn.b = b;
        insn.c = c;
        insn.constant = constant;
    }
    // Points the jump of instruction `from` at the next instruction.
    void land(size_t from) { code[from].jump = static_cast<int32_t>(code.size() - from); }

    uint8_t raise_top(unsigned new_top) {
        if (new_top > frame_room) fits = false;
        top = new_top;
        return fits ? static_cast<uint8_t>(new_top - 1) : 0;
    }
    uint8_t temporary() { return raise_top(top + 1); }

    void block(const std::vector<INT_STATEMENT>& statements);
    void branch(const INT_STATEMENT& statement);
    OPERAND operand(const INT_EXPR& expr);
    void compute_into(const INT_EXPR& expr, uint8_t target);
    uint8_t operation(const INT_EXPR& expr, int target);
    void arithmetic(char op, uint8_t target, const OPERAND& left, const OPERAND& right);
    uint8_t call(const INT_EXPR& expr);
};

bool CODE_GENERATOR::generate(const std::vector<INT_STATEMENT>& body) {
    code.clear();
    block(body);
    if (!assigned) return false;
    emit(OP::ret, routine.result_slot);
    // A jump to the way out takes that way out itself.
    for (size_t i = 0; i < code.size(); ++i) {
        if (code[i].op != OP::jump) continue;
        const INSN& to = code[i + static_cast<size_t>(code[i].jump)];
        if (to.op == OP::ret) code[i] = to;
    }
    for (INSN& insn : code) {
        if (insn.op == OP::call_self) insn.entry = code.data();
    }
    return fits;
}

void CODE_GENERATOR::block(const std::vector<INT_STATEMENT>& statements) {
    for (const INT_STATEMENT& each : statements) {
        if (each.kind == STATEMENT_KIND::branch) {
            branch(each);
        } else {
            compute_into(*each.value, routine.result_slot);
            assigned = true;
        }
    }
}

void CODE_GENERATOR::branch(const INT_STATEMENT& statement) {
    const unsigned mark = top;
    const OPERAND left = operand(*statement.value);
    const OPERAND right = operand(*statement.right);
    top = mark;
    // A comparison with a constant on its left is left to the general path.
    if (left.constant) fits = false;
    const auto first = static_cast<uint8_t>(right.constant ? OP::lt_sk : OP::lt_ss);
    const size_t test = code.size();
    emit(static_cast<OP>(first + static_cast<uint8_t>(statement.comparison)), 0, left.slot, right.slot, right.value);
    const bool before = assigned;
    ++branch_depth;
    block(statement.then_part);
    const bool after_then = assigned;
    assigned = before;
    if (statement.else_part.empty()) {
        land(test);
    } else {
        const size_t skip = code.size();
        emit(OP::jump);
        land(test);
        block(statement.else_part);
        land(skip);
    }
    assigned = assigned && after_then;
    --branch_depth;
}

OPERAND CODE_GENERATOR::operand(const INT_EXPR& expr) {
    switch (expr.kind) {
    case EXPR_KIND::constant: return OPERAND{true, 0, expr.constant};
    case EXPR_KIND::slot:
        if (expr.slot == routine.result_slot && !assigned) fits = false;
        return OPERAND{false, expr.slot, 0};
    case EXPR_KIND::call: return OPERAND{false, call(expr), 0};
    case EXPR_KIND::operation: break;
    }
    return OPERAND{false, operation(expr, -1), 0};
}

// Leaves `top` as it found it.
void CODE_GENERATOR::compute_into(const INT_EXPR& expr, uint8_t target) {
    if (expr.kind == EXPR_KIND::operation) {
        operation(expr, target);
        return;
    }
    const unsigned mark = top;
    const OPERAND value = operand(expr);
    top = mark;
    if (value.constant) emit(OP::load, target, 0, 0, value.value);
    else if (value.slot != target) emit(OP::move, target, value.slot);
}

// An operation's operands, whose temporaries are free again after, and then
// the operation into target (a new temporary for -1), which it hands back.
uint8_t CODE_GENERATOR::operation(const INT_EXPR& expr, int target) {
    const unsigned mark = top;
    ++nodes_above;
    const OPERAND left = operand(*expr.left);
    const OPERAND right = operand(*expr.right);
    --nodes_above;
    top = mark;
    const uint8_t into = target >= 0 ? static_cast<uint8_t>(target) : temporary();
    arithmetic(expr.op, into, left, right);
    return into;
}

// target = left op right (op '+' or '-'); an operation of two constants is
// left to the general path. Every instruction reads its operands before it
// writes, so the target may be one of them.
void CODE_GENERATOR::arithmetic(char op, uint8_t target, const OPERAND& left, const OPERAND& right) {
    if (left.constant && right.constant) {
        fits = false;
        return;
    }
    if (op == '+' && left.constant) {
        arithmetic(op, target, right, left);
        return;
    }
    if (op == '-' && left.constant) {
        emit(OP::sub_ks, target, right.slot, 0, left.value);
        return;
    }
    const OP base = op == '+' ? OP::add_ss : OP::sub_ss;
    emit(static_cast<OP>(static_cast<uint8_t>(base) + (right.constant ? 1 : 0)), target, left.slot, right.slot,
         right.value);
}

// The arguments go to the free slots above the one that keeps the way back,
// where the callee's frame starts; its result comes back just above them.
// Leaves `top` above the result.
uint8_t CODE_GENERATOR::call(const INT_EXPR& expr) {
    INT_ROUTINE* callee = expr.callee;
    temporary();
    const unsigned start = top;
    ++nodes_above;
    ++calls_above;
    for (const std::unique_ptr<INT_EXPR>& argument : expr.arguments) {
        const uint8_t slot = temporary();
        compute_into(*argument, slot);
    }
    --calls_above;
    --nodes_above;
    emit(callee == &routine ? OP::call_self : OP::call, fits ? static_cast<uint8_t>(start) : 0);
    code.back().callee = callee;
    code.back().jump =
        static_cast<int32_t>(stack_share_base + stack_share_per_branch * branch_depth +
                             stack_share_per_node * (nodes_above + 1) + stack_share_per_call * calls_above);
    return raise_top(start + callee->result_slot + 1);
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
    if (verdict == VERDICT::ok && !CODE_GENERATOR(translated).generate(translated.body)) verdict = VERDICT::refused;
    translated.body.clear();
    if (verdict == VERDICT::ok) {
        translated.state = STATE::ready;
        made_ready.push_back(&translated);
    } else {
        translated.code.clear();
        translated.state = verdict == VERDICT::refused ? STATE::refused : STATE::unknown;
    }
    if (translation_depth == 0) {
        if (verdict != VERDICT::ok) {
            for (INT_ROUTINE* made : made_ready) {
                made->code.clear();
                made->state = STATE::unknown;
            }
        }
        made_ready.clear();
    }
    return verdict != VERDICT::not_yet ? &translated : nullptr;
}

// The frames of the runs, kept from run to run while they stay small. The
// slot below a callee's frame keeps the instruction its caller goes on
// with; the call before that instruction tells where the caller's frame
// starts. The slot below the first frame is 0.
std::vector<int64_t> slot_stack;
constexpr size_t kept_slots = 64 * 1024;

// Runs the routine on the arguments while the stack shares of the calls
// under way stay within `stack_budget`; false where the general path must
// take the call. Nothing runs besides the code, so the stack is this
// run's alone.
bool run_code(const INT_ROUTINE& routine, const int64_t* arguments, std::uintptr_t stack_budget, int64_t& result) {
    static void* const handlers[] = {&&on_move,   &&on_load,  &&on_add_ss, &&on_add_sk,    &&on_sub_ss, &&on_sub_sk,
                                     &&on_sub_ks, &&on_lt_ss, &&on_le_ss,  &&on_gt_ss,     &&on_ge_ss,  &&on_eq_ss,
                                     &&on_ne_ss,  &&on_lt_sk, &&on_le_sk,  &&on_gt_sk,     &&on_ge_sk,  &&on_eq_sk,
                                     &&on_ne_sk,  &&on_jump,  &&on_call,   &&on_call_self, &&on_ret};
    static_assert(sizeof(handlers) / sizeof(handlers[0]) == static_cast<size_t>(OP::count));

    if (slot_stack.size() < 4 * frame_room) slot_stack.resize(4 * frame_room);
    slot_stack[0] = 0;
    int64_t* frame = slot_stack.data() + 1;
    const int64_t* slots_end = slot_stack.data() + slot_stack.size();
    for (uint8_t i = 0; i < routine.parameter_count; ++i) frame[i] = arguments[i];
    std::uintptr_t stack_used = 0;
    const INSN* pc = routine.code.data();

#define NEXT goto* handlers[static_cast<uint8_t>(pc->op)]
#define STEP \
    ++pc;    \
    NEXT
    NEXT;

on_move:
    frame[pc->a] = frame[pc->b];
    STEP;
on_load:
    frame[pc->a] = pc->constant;
    STEP;
// clang-format off
// An arithmetic step that leaves the general path to an overflow, and a
// comparison that goes on to the next instruction when it holds.
#define OVERFLOW_STEP(label, builtin, x, y)          \
label:                                               \
    if (builtin(x, y, &frame[pc->a])) return false;  \
    STEP;
#define BRANCH_UNLESS(label, holds)                  \
label:                                               \
    pc += (holds) ? 1 : pc->jump;                    \
    NEXT;
    OVERFLOW_STEP(on_add_ss, __builtin_add_overflow, frame[pc->b], frame[pc->c])
    OVERFLOW_STEP(on_add_sk, __builtin_add_overflow, frame[pc->b], pc->constant)
    OVERFLOW_STEP(on_sub_ss, __builtin_sub_overflow, frame[pc->b], frame[pc->c])
    OVERFLOW_STEP(on_sub_sk, __builtin_sub_overflow, frame[pc->b], pc->constant)
    OVERFLOW_STEP(on_sub_ks, __builtin_sub_overflow, pc->constant, frame[pc->b])
    BRANCH_UNLESS(on_lt_ss, frame[pc->b] < frame[pc->c])
    BRANCH_UNLESS(on_le_ss, frame[pc->b] <= frame[pc->c])
    BRANCH_UNLESS(on_gt_ss, frame[pc->b] > frame[pc->c])
    BRANCH_UNLESS(on_ge_ss, frame[pc->b] >= frame[pc->c])
    BRANCH_UNLESS(on_eq_ss, frame[pc->b] == frame[pc->c])
    BRANCH_UNLESS(on_ne_ss, frame[pc->b] != frame[pc->c])
    BRANCH_UNLESS(on_lt_sk, frame[pc->b] < pc->constant)
    BRANCH_UNLESS(on_le_sk, frame[pc->b] <= pc->constant)
    BRANCH_UNLESS(on_gt_sk, frame[pc->b] > pc->constant)
    BRANCH_UNLESS(on_ge_sk, frame[pc->b] >= pc->constant)
    BRANCH_UNLESS(on_eq_sk, frame[pc->b] == pc->constant)
    BRANCH_UNLESS(on_ne_sk, frame[pc->b] != pc->constant)
#undef OVERFLOW_STEP
#undef BRANCH_UNLESS
// clang-format on
on_jump:
    pc += pc->jump;
    NEXT;
// Enters the callee whose first instruction `first` gives.
#define ENTER(first)                                                    \
    stack_used += static_cast<uint32_t>(pc->jump);                      \
    if (stack_used > stack_budget) return false;                        \
    int64_t* callee_frame = frame + pc->a;                              \
    if (callee_frame + frame_room > slots_end) {                        \
        /* Only the current frame's place is held outside the stack. */ \
        const ptrdiff_t offset = frame - slot_stack.data();             \
        slot_stack.resize(2 * slot_stack.size());                       \
        frame = slot_stack.data() + offset;                             \
        callee_frame = frame + pc->a;                                   \
        slots_end = slot_stack.data() + slot_stack.size();              \
    }                                                                   \
    callee_frame[-1] = reinterpret_cast<intptr_t>(pc + 1);              \
    frame = callee_frame;                                               \
    pc = (first);                                                       \
    NEXT
on_call : {
    // A routine that stopped a run of its own since this code was made
    // runs on the general path.
    if (pc->callee->state != STATE::ready) return false;
    ENTER(pc->callee->code.data());
}
on_call_self : { ENTER(pc->entry); }
on_ret : {
    const auto next = reinterpret_cast<const INSN*>(frame[-1]);
    if (next == nullptr) {
        result = frame[pc->a];
        return true;
    }
    const INSN& call = next[-1];
    frame -= call.a;
    stack_used -= static_cast<uint32_t>(call.jump);
    pc = next;
    NEXT;
}
#undef ENTER
#undef STEP
#undef NEXT
}
}  // namespace

bool int_routine_refused(const TOKEN* routine) {
    if constexpr (!fast_paths) return true;
    return routine == last_routine && routines_generation == routine_tables_generation &&
           last_entry->state == STATE::refused;
}

bool run_int_routine(TOKEN* routine, const int64_t* arguments, uint32_t count, int64_t& result) {
    if constexpr (!fast_paths) return false;
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
    if (room < 64 * 1024) return false;
    const bool ran = run_code(*translated, arguments, room - 32 * 1024, result);
    if (slot_stack.size() > kept_slots) std::vector<int64_t>().swap(slot_stack);
    if (ran) return true;
    // The general path runs this routine from now on (its callees that
    // stop a run of their own follow it there).
    translated->state = STATE::refused;
    translated->code.clear();
    return false;
}

}  // namespace morvu
