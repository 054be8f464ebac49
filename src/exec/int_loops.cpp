#include "exec/int_loops.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "eval/arg_frame.h"
#include "eval/evaluator.h"
#include "eval/fast_path.h"
#include "eval/member_access.h"
#include "eval/names.h"
#include "eval/operator_handlers.h"
#include "exec/assignment_statements.h"
#include "exec/block_exec.h"
#include "exec/control_counters.h"
#include "exec/control_statements.h"
#include "exec/pending_exception.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_defs.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/build_options.h"
#include "runtime/error.h"
#include "values/access_modes.h"
#include "values/assign_rules.h"
#include "values/list_store.h"
#include "values/type_tags.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// Expressions nested deeper than this are left to the general path, as the
// single-value fast path leaves them.
constexpr int max_depth = 32;

// The register file: the loop's variables, its constants, then the scratch
// values of one statement or of the condition.
constexpr uint32_t first_constant = 32;
constexpr uint32_t first_scratch = 64;
constexpr uint32_t register_count = 128;

// Arithmetic writes its destination only when the result keeps the
// small-int shape; a comparison that holds goes on at its jump.
enum class OP : uint8_t {
    add,
    subtract,
    multiply,
    divide,
    modulo,
    move,
    // dst = an element of a list (the read's index in b) at position a.
    element,
    // dst = a member read the fast path gives, such as l.size() (the
    // read's index in b).
    member_read,
    // l[a] = b: the element store a statement ends with (the index of the
    // read naming the list in dst).
    store,
    // The comparisons come last.
    less,
    less_equal,
    greater,
    greater_equal,
    equal,
    not_equal,
    // Of the branching code only: pc = jump, and the loop's end (break(1)).
    jump,
    exit,
};

// The statement number of the condition's instructions.
constexpr uint16_t in_condition = UINT16_MAX;

// dst = a op b, or a comparison of a and b. A comparison of the branching
// code with dst 1 goes on at the next instruction when it does not hold.
struct INSTR {
    OP op = OP::move;
    uint8_t dst = 0;
    uint8_t a = 0;
    uint8_t b = 0;
    uint16_t statement = in_condition;  // the statement it belongs to
    uint16_t jump = 0;                  // of a comparison
};

constexpr uint32_t never_written = UINT32_MAX;

struct VARIABLE {
    const TOKEN* declaration = nullptr;
    uint32_t first_write = never_written;  // the first statement assigning it
};

// A list element or member read of the plan's code: the node, and for an
// element read the declaring node of the list variable and whether it counts
// from the end (l.Get(i)).
struct MEMBER_READ_NODE {
    TOKEN* node = nullptr;
    const TOKEN* list = nullptr;
    bool from_end = false;
    bool of_object = false;  // a member of the current object, named plainly
    bool brackets = false;   // l[i], which refuses a list given read-only
};

// The current object of the innermost loop running that reads its
// members, set for that loop's run: the reads of its members by plain name
// find it here.
RESULT_ITEM loop_object{nullptr, access_variable, 0};

// A read of the code as fast_int reads its node; a member named plainly is
// read from the loop's current object, which the read alone holds current
// (a guard spans fast reads only).
[[gnu::noinline]] bool read_node_int(const MEMBER_READ_NODE& read, int64_t& out) {
    if (!read.of_object) return fast_int(read.node, out);
    if (loop_object.cell == nullptr) return false;
    const FAST_MEMBERS members(loop_object);
    return fast_int(read.node, out);
}

// The list of an element read: a list variable's, or a list member's of
// the loop's current object (not for l[i] on an object given read-only);
// null when it is no plain list.
[[gnu::noinline]] LIST_DATA* read_list(const MEMBER_READ_NODE& read) {
    if (!read.of_object) return fast_plain_list(read.list);
    if (loop_object.cell == nullptr || (read.brackets && !is_variable_mode(loop_object.mode))) return nullptr;
    const FAST_MEMBERS members(loop_object);
    return fast_member_list(read.node->left);
}

// A variable read by one statement (or the condition) run on its own.
struct READ {
    const TOKEN* declaration;
    uint8_t slot;  // its register
};

// An assignment name = e, name += e, name -= e or name *= e.
struct FLAT_STATEMENT {
    bool translated = false;
    bool reads_target = false;  // an update such as +=, or e names the target
    uint8_t target = 0;
    const TOKEN* declaration = nullptr;  // of the target
    TOKEN* node = nullptr;               // the statement itself
    bool adds_constant = false;          // name += constant and nothing else
    // name = other, name = a + b or name = a - b of variables: when their
    // numbers outgrow machine words, long_int_assignment may still do it.
    bool long_shape = false;
    bool reads_members = false;  // its code reads an element or a member
    // l[i] = e: its code ends with the store of an int.
    bool stores = false;
    // A statement that reads elements or members and found them of another
    // kind (objects, say) is left to the general road for a while: each
    // failure there holds it back twice as many runs as the one before, up
    // to 64, after which it is tried again. The general road gives the same
    // result, so this chooses only the cost.
    uint8_t skip = 0;
    uint8_t backoff = 1;
    int64_t addend = 0;
    uint32_t begin = 0;  // its instructions
    uint32_t end = 0;
    std::vector<READ> reads;  // the other variables whose values it reads
    int32_t branch = -1;      // of an if statement the loop runs itself
};

// A condition of int comparisons joined by && and ||, as the fast path
// decides it: a comparison's operands are computed by the instructions
// [begin, end) into the registers a and b; && and || read their right part
// only when the left one does not decide.
enum class TEST_KIND : uint8_t { compare, all, any };
struct TEST {
    TEST_KIND kind = TEST_KIND::compare;
    OP op = OP::less;
    uint8_t a = 0;
    uint8_t b = 0;
    uint32_t begin = 0;
    uint32_t end = 0;
    uint32_t left = 0;  // the parts of && and ||
    uint32_t right = 0;
    bool reads_members = false;  // its code reads an element or a member
};

struct CONDITION {
    int32_t root = -1;  // -1: no translation
    std::vector<READ> reads;
    // Values it failed to give in a row: a condition that keeps reading
    // something of another kind, such as texts from a list, is given up.
    uint32_t misses = 0;
};

// An if statement of the loop: its condition, translated when it can be,
// and the statements of its blocks, which follow the body's and the step's
// among the plan's statements. A missing else block has no statements.
struct BRANCH {
    TOKEN* condition = nullptr;
    CONDITION test;
    TOKEN* blocks[2] = {nullptr, nullptr};
    uint32_t begin[2] = {0, 0};
    uint32_t end[2] = {0, 0};
};

// The code is the condition, the statements of the body (and of a for
// loop's step), then the condition again, whose comparison leads back to
// the first statement.
struct LOOP_PLAN {
    uint64_t generation = 0;
    const TOKEN* condition_node = nullptr;
    const TOKEN* step_node = nullptr;
    std::vector<VARIABLE> variables;
    std::vector<int64_t> constants;
    std::vector<INSTR> code;
    std::vector<MEMBER_READ_NODE> member_reads;
    uint32_t condition_end = 0;  // 0: the condition did not translate
    bool condition_reads_members = false;
    bool reads_object = false;  // some read names a member of the current object
    std::vector<READ> condition_reads;
    std::vector<FLAT_STATEMENT> statements;  // the body's, the step's, then those of the ifs' blocks
    std::vector<TEST> tests;
    std::vector<BRANCH> branches;
    // The condition with && or ||, when it has no translation as one
    // comparison (and so never runs in registers).
    CONDITION loop_test;
    // The body is whole and holds an if the loop runs itself: its
    // statements run one at a time outside a block run.
    bool body_branches = false;
    uint32_t body_count = 0;
    uint32_t step_count = 0;
    bool complete = false;      // every statement translated
    bool in_registers = false;  // the whole loop may run in registers
    // Translations made in a row for the same loop in the same context.
    uint32_t builds = 0;
    // An incomplete plan built anew after the loop had run, every statement
    // it left out already bound: a translation made later would leave out
    // the same ones, so the plan is kept as a complete one is.
    bool settled = false;
    // In a body that mixes translated and general statements and is covered
    // whole by the plan: the index after its last general statement, so
    // that the translated ones after it run outside the block run. 0 when
    // there is no such split.
    uint32_t general_end = 0;
    uint32_t general_begin = 0;  // the first general statement
    // A while loop whose body holds ifs over int comparisons, their blocks
    // holding assignments, stores and break(1), may run in registers too:
    // branch_code is the condition, then the body with its ifs as jumps.
    // Of each statement: the if whose block holds it (-1 for the body's)
    // and the end of its block.
    std::vector<INSTR> branch_code;
    // A for loop's body over a range, whose statements all translate and
    // none assigns the loop variable, runs in registers as well: range_code
    // is the test of the variable against the range's last value, the
    // body, then the step and the test again. The last value and the step
    // have constant registers of their own, set for each run.
    std::vector<INSTR> range_code;
    const TOKEN* range_variable = nullptr;
    uint8_t range_register = 0;
    uint8_t range_last = 0;
    std::vector<int32_t> parents;
    std::vector<uint32_t> block_ends;
    bool general_only = false;      // no translated statement among the general ones
    TOKEN* lone_general = nullptr;  // the general statement when it is the only one
    // The constants stay in place. Each use of the file reads its variables,
    // runs and stores without running anything else in between, so the
    // runs of one plan never overlap.
    std::array<int64_t, register_count> registers{};
};

// By body. A loop holds its plan while it runs: a nested run of the same
// loop may make a new one.
std::unordered_map<const TOKEN*, std::shared_ptr<LOOP_PLAN>> plans;

// ---- translation ----

struct BUILDER {
    LOOP_PLAN& plan;
    std::vector<uint8_t> reads;
    uint16_t statement;
    uint32_t next_scratch = first_scratch;
};

int variable_register(BUILDER& builder, const TOKEN* declaration, bool read) {
    std::vector<VARIABLE>& variables = builder.plan.variables;
    uint32_t index = 0;
    while (index < variables.size() && variables[index].declaration != declaration) ++index;
    if (index == variables.size()) {
        if (index == first_constant) return -1;
        variables.push_back(VARIABLE{declaration});
    }
    if (read && std::find(builder.reads.begin(), builder.reads.end(), index) == builder.reads.end())
        builder.reads.push_back(static_cast<uint8_t>(index));
    return static_cast<int>(index);
}

int constant_register(BUILDER& builder, int64_t value) {
    std::vector<int64_t>& constants = builder.plan.constants;
    const auto found = std::find(constants.begin(), constants.end(), value);
    if (found != constants.end()) return static_cast<int>(first_constant + (found - constants.begin()));
    if (constants.size() == first_scratch - first_constant) return -1;
    constants.push_back(value);
    return static_cast<int>(first_constant + constants.size() - 1);
}

int emit(BUILDER& builder, const TOKEN* node, int depth);

// l[i], l.get(i) or l.Get(i) on a plain list variable or ":$" input
// parameter, its index translated, and x.size() on a plain variable, read
// as fast_int reads them; -1 for other member nodes.
int emit_member_read(BUILDER& builder, const TOKEN* node, int depth) {
    const TOKEN* receiver = node->left;
    const TOKEN* part = node->right;
    if (node->op1 != '.' || node->op2 != 0 || receiver == nullptr || part == nullptr || !is_call_token(part) ||
        receiver->evaluator != eval_variable)
        return -1;
    const TOKEN* declaration = receiver->declaration;
    if (declaration == nullptr || declaration->arg_role == arg_role_constant_input ||
        declaration->arg_role == arg_role_output_object)
        return -1;
    const bool of_object = declaration->member_slot >= 0;
    LOOP_PLAN& plan = builder.plan;
    // A read's index stands where a register's would, and run_code reads
    // that register before it looks at the instruction.
    if (plan.member_reads.size() >= register_count || builder.next_scratch == register_count) return -1;
    const std::string& name = *part->text;
    MEMBER_READ_NODE read{const_cast<TOKEN*>(node), nullptr, false};
    INSTR instr{OP::member_read, 0, 0, static_cast<uint8_t>(plan.member_reads.size()), builder.statement, 0};
    if (name == "size") {
        if (of_object) return -1;
        const TOKEN* arguments = part->left;
        if (arguments != nullptr &&
            !(is_empty_operand(arguments) && arguments->left == nullptr && arguments->right == nullptr))
            return -1;
    } else if (name == "[]" || name == "get" || name == "Get") {
        if (part->left == nullptr) return -1;
        const int index = emit(builder, part->left, depth + 1);
        if (index < 0 || builder.next_scratch == register_count) return -1;
        instr.op = OP::element;
        instr.a = static_cast<uint8_t>(index);
        read.list = declaration;
        read.from_end = name[0] == 'G';
        read.of_object = of_object;
        read.brackets = name[0] == '[';
        plan.reads_object |= of_object;
    } else {
        return -1;
    }
    // The index's own reads come first in the table: the slot is taken
    // only now.
    if (plan.member_reads.size() >= register_count) return -1;
    instr.b = static_cast<uint8_t>(plan.member_reads.size());
    instr.dst = static_cast<uint8_t>(builder.next_scratch++);
    plan.member_reads.push_back(read);
    plan.code.push_back(instr);
    return instr.dst;
}

// A member of the current object named plainly, read from its cell at
// each run of the instruction: no statement of the code writes a member.
int emit_object_member(BUILDER& builder, const TOKEN* node) {
    LOOP_PLAN& plan = builder.plan;
    if (plan.member_reads.size() >= register_count || builder.next_scratch == register_count) return -1;
    MEMBER_READ_NODE read{const_cast<TOKEN*>(node), nullptr, false, true};
    plan.reads_object = true;
    INSTR instr{OP::member_read,
                static_cast<uint8_t>(builder.next_scratch++),
                0,
                static_cast<uint8_t>(plan.member_reads.size()),
                builder.statement,
                0};
    plan.member_reads.push_back(read);
    plan.code.push_back(instr);
    return instr.dst;
}

// Emits the instructions of an expression; its register, or -1 when it
// does not translate.
int emit(BUILDER& builder, const TOKEN* node, int depth) {
    if (depth >= max_depth) return -1;
    const EVAL_HANDLER handler = node->evaluator;
    if (handler == eval_variable) {
        const TOKEN* declaration = node->declaration;
        if (declaration == nullptr) return -1;
        if (declaration->member_slot >= 0) return emit_object_member(builder, node);
        return variable_register(builder, declaration, true);
    }
    if (handler == eval_int_literal) {
        int64_t value = 0;
        if (node->number == nullptr || !node->number->mantissa.to_int64(value)) return -1;
        return constant_register(builder, value);
    }
    if (handler == eval_member) return emit_member_read(builder, node, depth);
    OP op = OP::add;
    if (handler == eval_plus) op = OP::add;
    else if (handler == eval_minus) op = OP::subtract;
    else if (handler == eval_times) op = OP::multiply;
    else if (handler == eval_divide) op = OP::divide;
    else if (handler == eval_modulo) op = OP::modulo;
    else return -1;
    if (node->left == nullptr || node->right == nullptr) return -1;
    const int left = emit(builder, node->left, depth + 1);
    if (left < 0) return -1;
    const int right = emit(builder, node->right, depth + 1);
    if (right < 0 || builder.next_scratch == register_count) return -1;
    const auto result = static_cast<uint8_t>(builder.next_scratch++);
    builder.plan.code.push_back(
        INSTR{op, result, static_cast<uint8_t>(left), static_cast<uint8_t>(right), builder.statement, 0});
    return result;
}

// What a translation that fails takes back.
struct PLAN_MARK {
    size_t variables;
    size_t constants;
    size_t code;
    size_t member_reads;

    explicit PLAN_MARK(const LOOP_PLAN& plan)
        : variables(plan.variables.size()),
          constants(plan.constants.size()),
          code(plan.code.size()),
          member_reads(plan.member_reads.size()) {}
    void restore(LOOP_PLAN& plan) const {
        plan.variables.resize(variables);
        plan.constants.resize(constants);
        plan.code.resize(code);
        plan.member_reads.resize(member_reads);
    }
};

// The declaring node of a list receiver x of x[i], x.get(i) or x.Get(i)
// as emit_member_read takes it; null for other nodes.
const TOKEN* element_receiver(const TOKEN* node, const TOKEN*& part) {
    const TOKEN* receiver = node->left;
    part = node->right;
    if (node->evaluator != eval_member || node->op1 != '.' || node->op2 != 0 || receiver == nullptr ||
        part == nullptr || !is_call_token(part) || part->left == nullptr || receiver->evaluator != eval_variable)
        return nullptr;
    const std::string& name = *part->text;
    if (name != "[]" && name != "get" && name != "Get") return nullptr;
    const TOKEN* declaration = receiver->declaration;
    if (declaration == nullptr || declaration->member_slot >= 0 || declaration->arg_role == arg_role_constant_input ||
        declaration->arg_role == arg_role_output_object)
        return nullptr;
    return declaration;
}

// Whether a node is a variable that holds a text now.
bool holds_text(TOKEN* node) {
    const TOKEN* declaration = node->declaration;
    return node->evaluator == eval_variable && declaration != nullptr && declaration->member_slot < 0 &&
           fast_operand_text(node) != nullptr;
}

// l[i] = e on a list variable or ":$" input parameter that holds a list
// now (a hash or array takes its own road), where i and e translate as
// ints: its code ends with the store, done as fast_element_store does it
// or not at all.
bool translate_element_store(const TOKEN* node, LOOP_PLAN& plan, uint16_t index) {
    const TOKEN* part = nullptr;
    const TOKEN* list = element_receiver(node->left, part);
    TOKEN* value_node = node->right;
    int64_t unused = 0;
    // A position before the start declines on a list and fails elsewhere.
    if (list == nullptr || *part->text != "[]" || !stores_elements_as_assign(node->executor) ||
        fast_list_int(list, -1, false, unused) < 0 || holds_text(value_node) ||
        value_node->evaluator == eval_str_literal || plan.member_reads.size() >= register_count)
        return false;
    FLAT_STATEMENT& statement = plan.statements[index];
    BUILDER builder{plan, {}, index};
    const PLAN_MARK mark(plan);
    statement.begin = static_cast<uint32_t>(plan.code.size());
    const int position = emit(builder, part->left, 1);
    const int value = position < 0 ? -1 : emit(builder, value_node, 0);
    if (value < 0) {
        mark.restore(plan);
        return false;
    }
    plan.code.push_back(INSTR{OP::store, static_cast<uint8_t>(plan.member_reads.size()), static_cast<uint8_t>(position),
                              static_cast<uint8_t>(value), index, 0});
    plan.member_reads.push_back(MEMBER_READ_NODE{node->left, list, false});
    statement.end = static_cast<uint32_t>(plan.code.size());
    for (const uint8_t variable : builder.reads)
        statement.reads.push_back(READ{plan.variables[variable].declaration, variable});
    statement.stores = true;
    statement.reads_members = true;
    statement.translated = true;
    return true;
}

bool translate_statement(const TOKEN* node, LOOP_PLAN& plan, uint16_t index) {
    // A declaration with an initial value runs its assignment as written
    // alone; only the general way of the whole statement differs.
    const TOKEN* declared = declared_assignment(node);
    if (declared != nullptr) node = declared;
    if (node->left != nullptr && node->right != nullptr && node->left->evaluator == eval_member)
        return translate_element_store(node, plan, index);
    OP op = OP::move;
    const EXEC_HANDLER executor = node->executor;
    if (is_assign_executor(executor)) op = OP::move;
    else if (executor == exec_add_assign) op = OP::add;
    else if (executor == exec_sub_assign) op = OP::subtract;
    else if (executor == exec_mul_assign) op = OP::multiply;
    else return false;
    if (node->left == nullptr || node->right == nullptr || node->left->evaluator != eval_variable) return false;
    const TOKEN* target = node->left->declaration;
    if (target == nullptr || target->member_slot >= 0) return false;
    FLAT_STATEMENT& statement = plan.statements[index];
    const PLAN_MARK mark(plan);
    BUILDER builder{plan, {}, index};
    statement.begin = static_cast<uint32_t>(plan.code.size());
    const int value = emit(builder, node->right, 0);
    // The target's value is read from the cell it is written to.
    const int target_register = value < 0 ? -1 : variable_register(builder, target, false);
    if (target_register < 0) {
        mark.restore(plan);
        return false;
    }
    const auto dst = static_cast<uint8_t>(target_register);
    if (op == OP::move && value >= static_cast<int>(first_scratch)) {
        // The last operation writes the variable itself.
        plan.code.back().dst = dst;
    } else {
        const uint8_t left = op == OP::move ? static_cast<uint8_t>(value) : dst;
        plan.code.push_back(INSTR{op, dst, left, static_cast<uint8_t>(value), index, 0});
    }
    statement.end = static_cast<uint32_t>(plan.code.size());
    statement.target = dst;
    statement.declaration = target;
    statement.reads_target = op != OP::move;
    for (const uint8_t variable : builder.reads) {
        if (variable == dst) statement.reads_target = true;
        else statement.reads.push_back(READ{plan.variables[variable].declaration, variable});
    }
    statement.translated = true;
    const TOKEN* right = node->right;
    const EVAL_HANDLER handler = right->evaluator;
    statement.long_shape =
        declared == nullptr && is_assign_executor(executor) &&
        (handler == eval_variable ||
         ((handler == eval_plus || handler == eval_minus) && right->left != nullptr && right->right != nullptr &&
          right->left->evaluator == eval_variable && right->right->evaluator == eval_variable));
    VARIABLE& variable = plan.variables[dst];
    variable.first_write = std::min<uint32_t>(variable.first_write, index);
    return true;
}

// The comparison operator of a node's characters; false for others.
bool comparison_op(const TOKEN* node, OP& op) {
    const char op1 = node->op1;
    const char op2 = node->op2;
    if (op1 == '<' && op2 == 0) op = OP::less;
    else if (op1 == '<' && op2 == '=') op = OP::less_equal;
    else if (op1 == '>' && op2 == 0) op = OP::greater;
    else if (op1 == '>' && op2 == '=') op = OP::greater_equal;
    else if (op1 == '=' && op2 == '=') op = OP::equal;
    else if (op1 == '!' && op2 == '=') op = OP::not_equal;
    else return false;
    return true;
}

void translate_condition(const TOKEN* condition, LOOP_PLAN& plan) {
    if (condition->block_mode != block_mode_braced || condition->text || condition->left == nullptr ||
        condition->right == nullptr)
        return;
    OP op = OP::less;
    if (!comparison_op(condition, op)) return;
    const PLAN_MARK mark(plan);
    BUILDER builder{plan, {}, in_condition};
    const int left = emit(builder, condition->left, 0);
    const int right = left < 0 ? -1 : emit(builder, condition->right, 0);
    if (right < 0) {
        mark.restore(plan);
        return;
    }
    for (const uint8_t variable : builder.reads)
        plan.condition_reads.push_back(READ{plan.variables[variable].declaration, variable});
    plan.code.push_back(INSTR{op, 0, static_cast<uint8_t>(left), static_cast<uint8_t>(right), in_condition, 0});
    plan.condition_end = static_cast<uint32_t>(plan.code.size());
    plan.code.back().jump = static_cast<uint16_t>(plan.condition_end);
}

// '&' for a node the fast path reads as &&, '|' for ||, else 0. The root of
// a curly block stores no handler: its characters tell.
char logic_operator(const TOKEN* node) {
    if (node->block_mode == block_mode_none) {
        if (node->evaluator == eval_and) return '&';
        return node->evaluator == eval_or ? '|' : 0;
    }
    if (node->text || node->number || node->left == nullptr || node->right == nullptr) return 0;
    if (node->op1 == '&' && node->op2 == '&') return '&';
    return node->op1 == '|' && node->op2 == '|' ? '|' : 0;
}

// The tests of a condition as fast_comparison reads it: the outermost node
// is compared by its characters, a comparison under && or || only once its
// handler is bound to an int comparison. -1 when it does not translate.
int translate_test(BUILDER& builder, TOKEN* node, bool outermost, int depth) {
    if (depth >= max_depth) return -1;
    LOOP_PLAN& plan = builder.plan;
    if (const char logic = logic_operator(node); logic != 0) {
        const int left = translate_test(builder, node->left, false, depth + 1);
        const int right = left < 0 ? -1 : translate_test(builder, node->right, false, depth + 1);
        if (right < 0) return -1;
        TEST test;
        test.kind = logic == '&' ? TEST_KIND::all : TEST_KIND::any;
        test.left = static_cast<uint32_t>(left);
        test.right = static_cast<uint32_t>(right);
        plan.tests.push_back(test);
        return static_cast<int>(plan.tests.size() - 1);
    }
    TEST test;
    if (!node->text && node->left != nullptr && node->right != nullptr && comparison_op(node, test.op) &&
        (outermost || is_ordering_comparison(node->evaluator))) {
        // A variable holding a text would fail the ints' reads every time.
        if (!holds_text(node->left) && !holds_text(node->right)) {
            test.begin = static_cast<uint32_t>(plan.code.size());
            const int a = emit(builder, node->left, depth + 1);
            const int b = a < 0 ? -1 : emit(builder, node->right, depth + 1);
            test.a = static_cast<uint8_t>(a);
            test.b = static_cast<uint8_t>(b);
            test.end = static_cast<uint32_t>(plan.code.size());
            if (b >= 0) {
                plan.tests.push_back(test);
                return static_cast<int>(plan.tests.size() - 1);
            }
        }
    }
    return -1;
}

// Translates a condition into `condition`; what a failed translation added
// is taken back.
void translate_test_condition(TOKEN* node, LOOP_PLAN& plan, CONDITION& condition) {
    const PLAN_MARK mark(plan);
    const size_t tests = plan.tests.size();
    BUILDER builder{plan, {}, in_condition};
    const int root = translate_test(builder, node, true, 0);
    if (root < 0) {
        mark.restore(plan);
        plan.tests.resize(tests);
        return;
    }
    condition.root = root;
    for (const uint8_t variable : builder.reads)
        condition.reads.push_back(READ{plan.variables[variable].declaration, variable});
}

bool translate_if(TOKEN* node, LOOP_PLAN& plan, uint32_t index, int depth);

// The statement at `index`, added to the plan: an assignment, or an if.
void translate_entry(LOOP_PLAN& plan, uint32_t index, int depth) {
    TOKEN* node = plan.statements[index].node;
    if (!translate_statement(node, plan, static_cast<uint16_t>(index))) translate_if(node, plan, index, depth);
}

// An if statement whose blocks are braced, as fast_if takes it, and hold
// statements but no variables: its condition and the statements of its
// blocks join the plan. False when it has another shape.
bool translate_if(TOKEN* node, LOOP_PLAN& plan, uint32_t index, int depth) {
    constexpr int max_nesting = 4;
    if (node->executor != exec_if || node->left == nullptr || depth >= max_nesting) return false;
    const TOKEN_LIST& parts = argument_list_of(node->left);
    const uint32_t n = parts.count();
    if (n != 2 && n != 3) return false;
    BRANCH branch;
    branch.condition = parts[0];
    TOKEN_LIST lists[2];
    for (uint32_t i = 1; i < n; ++i) {
        TOKEN* block = parts[i];
        if (block->block_mode != block_mode_braced || is_empty_operand(block) || block_has_variables(block))
            return false;
        append_operands(block, ';', &lists[i - 1]);
        for (TOKEN* statement : lists[i - 1])
            if (statement == nullptr) return false;  // a block that ends early runs the general way
        branch.blocks[i - 1] = block;
    }
    if (plan.statements.size() + lists[0].count() + lists[1].count() >= in_condition) return false;
    translate_test_condition(branch.condition, plan, branch.test);
    for (uint32_t k = 0; k < 2; ++k) {
        branch.begin[k] = static_cast<uint32_t>(plan.statements.size());
        for (TOKEN* statement : lists[k]) plan.statements.emplace_back().node = statement;
        branch.end[k] = static_cast<uint32_t>(plan.statements.size());
    }
    const auto branch_index = static_cast<int32_t>(plan.branches.size());
    plan.branches.push_back(branch);
    plan.statements[index].branch = branch_index;
    for (uint32_t k = 0; k < 2; ++k)
        for (uint32_t i = branch.begin[k]; i < branch.end[k]; ++i) translate_entry(plan, i, depth + 1);
    return true;
}

// Translates the statements of a block into the plan; false when not all
// of them translate.
bool translate_block(TOKEN* block, LOOP_PLAN& plan, bool* whole = nullptr) {
    TOKEN_LIST list;
    append_operands(block, ';', &list);
    bool complete = true;
    if (whole != nullptr) *whole = false;
    for (uint32_t i = 0; i < list.count(); ++i) {
        if (list[i] == nullptr) return false;  // the block ends here: nothing after it runs
        if (plan.statements.size() == in_condition) return false;
        const auto index = static_cast<uint16_t>(plan.statements.size());
        plan.statements.emplace_back().node = list[i];
        complete = translate_statement(list[i], plan, index) && complete;
    }
    if (whole != nullptr) *whole = true;
    return complete;
}

// break(1) with a literal, which ends the loop it stands in as the loop's
// condition would.
bool breaks_one(const TOKEN* node) {
    const TOKEN* argument = node->left;
    int64_t levels = 0;
    return node->executor == exec_break && argument != nullptr && argument->evaluator == eval_int_literal &&
           argument->result_stack.empty() && argument->number->mantissa.to_int64(levels) && levels == 1;
}

// The comparison that holds where op does not.
OP negated(OP op) {
    switch (op) {
    case OP::less: return OP::greater_equal;
    case OP::less_equal: return OP::greater;
    case OP::greater: return OP::less_equal;
    case OP::greater_equal: return OP::less;
    case OP::equal: return OP::not_equal;
    default: return OP::equal;
    }
}

// A test of an if into the branching code: its instructions jump to a
// target when its value is jump_when and go on otherwise, && and || read
// their right part only where the left one does not decide. The jumps to
// the target, to be set, are added to `jumps`. False for a test with
// another part than int comparisons.
bool emit_branch_test(LOOP_PLAN& plan, uint32_t index, bool jump_when, uint32_t statement, std::vector<size_t>& jumps,
                      int depth) {
    std::vector<INSTR>& out = plan.branch_code;
    const TEST& test = plan.tests[index];
    if (depth >= max_depth) return false;
    if (test.kind == TEST_KIND::compare) {
        for (uint32_t pc = test.begin; pc < test.end; ++pc) {
            out.push_back(plan.code[pc]);
            out.back().statement = static_cast<uint16_t>(statement);
        }
        jumps.push_back(out.size());
        out.push_back(
            INSTR{jump_when ? test.op : negated(test.op), 1, test.a, test.b, static_cast<uint16_t>(statement), 0});
        return true;
    }
    // && jumps when false as soon as a part is false, || when true as soon
    // as a part is true; otherwise the left part's jump skips the right one.
    const bool decides = test.kind == TEST_KIND::any;
    if (decides == jump_when) {
        return emit_branch_test(plan, test.left, jump_when, statement, jumps, depth + 1) &&
               emit_branch_test(plan, test.right, jump_when, statement, jumps, depth + 1);
    }
    std::vector<size_t> skips;
    if (!emit_branch_test(plan, test.left, decides, statement, skips, depth + 1) ||
        !emit_branch_test(plan, test.right, jump_when, statement, jumps, depth + 1))
        return false;
    for (const size_t at : skips) out[at].jump = static_cast<uint16_t>(out.size());
    return true;
}

// The statements [begin, end) of one block into the branching code; false
// for a statement it has no form for.
bool emit_branch_block(LOOP_PLAN& plan, uint32_t begin, uint32_t end, int32_t parent) {
    std::vector<INSTR>& out = plan.branch_code;
    for (uint32_t index = begin; index < end; ++index) {
        plan.parents[index] = parent;
        plan.block_ends[index] = end;
        const FLAT_STATEMENT& statement = plan.statements[index];
        if (out.size() >= UINT16_MAX - 64) return false;
        if (statement.translated) {
            out.insert(out.end(), plan.code.begin() + statement.begin, plan.code.begin() + statement.end);
            continue;
        }
        if (breaks_one(statement.node)) {
            out.push_back(INSTR{OP::exit, 0, 0, 0, static_cast<uint16_t>(index), 0});
            continue;
        }
        if (statement.branch < 0) return false;
        const BRANCH& branch = plan.branches[static_cast<uint32_t>(statement.branch)];
        if (branch.test.root < 0) return false;
        for (const TOKEN* block : branch.blocks)
            if (block != nullptr && block_has_variables(block)) return false;
        // Where the condition does not hold, on to the else block.
        std::vector<size_t> to_else;
        if (!emit_branch_test(plan, static_cast<uint32_t>(branch.test.root), false, index, to_else, 0)) return false;
        if (!emit_branch_block(plan, branch.begin[0], branch.end[0], static_cast<int32_t>(index))) return false;
        size_t jump_at = 0;
        if (branch.begin[1] != branch.end[1]) {
            jump_at = out.size();
            out.push_back(INSTR{OP::jump, 0, 0, 0, static_cast<uint16_t>(index), 0});
        }
        for (const size_t at : to_else) out[at].jump = static_cast<uint16_t>(out.size());
        if (!emit_branch_block(plan, branch.begin[1], branch.end[1], static_cast<int32_t>(index))) return false;
        if (jump_at != 0) out[jump_at].jump = static_cast<uint16_t>(out.size());
    }
    return true;
}

// The branching code of a while loop with ifs in its body, when each of
// its statements has a form there; none otherwise.
void make_branch_code(LOOP_PLAN& plan) {
    const auto count = static_cast<uint32_t>(plan.statements.size());
    plan.parents.assign(count, -1);
    plan.block_ends.assign(count, plan.body_count);
    plan.branch_code.assign(plan.code.begin(), plan.code.begin() + plan.condition_end);
    // A condition joined by && or || jumps to the loop's end where it does
    // not hold.
    std::vector<size_t> to_end;
    if (plan.condition_end == 0 &&
        !emit_branch_test(plan, static_cast<uint32_t>(plan.loop_test.root), false, in_condition, to_end, 0)) {
        plan.branch_code.clear();
        return;
    }
    if (emit_branch_block(plan, 0, plan.body_count, -1)) {
        std::vector<INSTR>& out = plan.branch_code;
        out.push_back(INSTR{OP::jump, 0, 0, 0, in_condition, 0});
        if (!to_end.empty()) {
            for (const size_t at : to_end) out[at].jump = static_cast<uint16_t>(out.size());
            out.push_back(INSTR{OP::exit, 0, 0, 0, in_condition, 0});
        }
        return;
    }
    plan.branch_code.clear();
}

constexpr uint32_t max_builds = 4;

// The loop's plan, translated anew when the routine tables changed or when
// statements that had not run yet may run now (until the plan settles).
std::shared_ptr<LOOP_PLAN> plan_of(TOKEN* condition, TOKEN* body, TOKEN* step) {
    std::shared_ptr<LOOP_PLAN>& entry = plans[body];
    const bool same_context = entry && entry->generation == routine_tables_generation &&
                              entry->condition_node == condition && entry->step_node == step;
    // A loop entered again and again (an inner for over a range) whose
    // statements keep some unbound (a block not taken yet) keeps its plan
    // after a few translations instead of paying one at every entry.
    if (same_context && (entry->complete || entry->settled || entry->builds >= max_builds)) return entry;
    const uint32_t builds = same_context ? entry->builds + 1 : 1;
    entry = std::make_shared<LOOP_PLAN>();
    LOOP_PLAN& plan = *entry;
    plan.builds = builds;
    plan.generation = routine_tables_generation;
    plan.condition_node = condition;
    plan.step_node = step;
    if (condition != nullptr) translate_condition(condition, plan);
    bool body_whole = false;
    plan.complete = translate_block(body, plan, &body_whole);
    plan.body_count = static_cast<uint32_t>(plan.statements.size());
    if (body_whole && !plan.complete) {
        plan.general_begin = plan.body_count;
        for (uint32_t i = 0; i < plan.body_count; ++i)
            if (!plan.statements[i].translated) {
                plan.general_begin = std::min(plan.general_begin, i);
                plan.general_end = i + 1;
            }
        plan.general_only = true;
        for (uint32_t i = plan.general_begin; i < plan.general_end; ++i)
            if (plan.statements[i].translated) plan.general_only = false;
        if (plan.general_end == plan.general_begin + 1) plan.lone_general = plan.statements[plan.general_begin].node;
    }
    if (step != nullptr) plan.complete = translate_block(step, plan) && plan.complete;
    plan.step_count = static_cast<uint32_t>(plan.statements.size()) - plan.body_count;
    if (plan.condition_end == 0 && condition != nullptr) translate_test_condition(condition, plan, plan.loop_test);
    if (body_whole && !plan.complete) {
        for (uint32_t i = 0; i < plan.body_count; ++i)
            if (!plan.statements[i].translated && translate_if(plan.statements[i].node, plan, i, 0))
                plan.body_branches = true;
    }
    plan.in_registers = plan.complete && plan.condition_end != 0 && !plan.statements.empty() &&
                        plan.code.size() + plan.condition_end <= UINT16_MAX;
    // The branching code takes a body with ifs, and a body of assignments
    // and stores under a condition joined by && or ||.
    if (step == nullptr &&
        (plan.condition_end != 0 ? plan.body_branches
                                 : plan.loop_test.root >= 0 && (plan.body_branches || plan.complete)))
        make_branch_code(plan);
    if (plan.in_registers) {
        for (uint32_t i = 0; i < plan.condition_end; ++i) plan.code.push_back(plan.code[i]);
    }
    if (!plan.complete && builds >= 2) {
        plan.settled = true;
        for (const FLAT_STATEMENT& statement : plan.statements)
            if (!statement.translated && statement.node->executor == initial_executor) plan.settled = false;
    }
    if (!plan.member_reads.empty()) {
        auto reads_members = [&plan](uint32_t begin, uint32_t end) {
            for (uint32_t pc = begin; pc < end; ++pc)
                if (plan.code[pc].op == OP::element || plan.code[pc].op == OP::member_read ||
                    plan.code[pc].op == OP::store)
                    return true;
            return false;
        };
        plan.condition_reads_members = plan.condition_end != 0 && reads_members(0, plan.condition_end);
        for (FLAT_STATEMENT& statement : plan.statements)
            statement.reads_members =
                statement.translated && (statement.stores || reads_members(statement.begin, statement.end));
        for (TEST& test : plan.tests)
            test.reads_members = test.kind == TEST_KIND::compare && reads_members(test.begin, test.end);
    }
    std::copy(plan.constants.begin(), plan.constants.end(), plan.registers.begin() + first_constant);
    for (FLAT_STATEMENT& statement : plan.statements) {
        if (!statement.translated || !statement.reads.empty() || statement.end != statement.begin + 1) continue;
        const INSTR& instr = plan.code[statement.begin];
        if (instr.op == OP::add && instr.dst == statement.target && instr.a == statement.target &&
            instr.b >= first_constant && instr.b < first_scratch) {
            statement.adds_constant = true;
            statement.addend = plan.registers[instr.b];
        }
    }
    return entry;
}

// ---- running ----

// The number of a variable's cell when the loop's statements may read it.
[[gnu::always_inline]] inline INT_DATA* readable_number(const TOKEN* declaration) {
    const UNION_DATA* cell = top_cell(declaration);
    if (cell == nullptr || (cell->tag != tag_int && cell->tag != raise_tag(tag_int)) || cell->payload == nullptr)
        return nullptr;
    return cell->int_data();
}

// The same when they may assign it, as fast_int_assignment does.
[[gnu::always_inline]] inline INT_DATA* writable_number(const TOKEN* declaration) {
    UNION_DATA* cell = declared_plain_cell(declaration);
    if (cell == nullptr || cell->tag != tag_int || cell->payload == nullptr || cell->access_mode != access_variable)
        return nullptr;
    return cell->int_data();
}

// A read alone needs no record: an int held in its cell's word stays there.
[[gnu::always_inline]] inline bool read_variable(const TOKEN* declaration, int64_t& out) {
    const UNION_DATA* cell = top_cell(declaration);
    if (cell == nullptr || (cell->tag != tag_int && cell->tag != raise_tag(tag_int)) || cell->payload == nullptr)
        return false;
    return cell_int64(cell, out);
}

// An element or member read of the code, reading the variables' cells: a
// list element straight from the list, anything else as fast_int reads the
// node. Out of line: most statements read no element.
[[gnu::always_inline]] inline bool member_value(const INSTR& instr, const int64_t* registers,
                                                const MEMBER_READ_NODE* reads, int64_t& out) {
    const MEMBER_READ_NODE& read = reads[instr.b];
    if (instr.op == OP::element && !read.of_object) {
        const int element = fast_list_int(read.list, registers[instr.a], read.from_end, out);
        if (element >= 0) return element == 1;
    }
    return read_node_int(read, out);
}

// One arithmetic instruction; false, with nothing written, where the
// general path gives another form.
[[gnu::always_inline]] inline bool arithmetic(const INSTR& instr, int64_t* registers) {
    static constexpr char signs[] = {'+', '-', '*', '/', '%'};  // in the order of OP
    const int64_t a = registers[instr.a];
    int64_t out = a;  // a move
    if (instr.op <= OP::modulo && !fast_operation(signs[static_cast<uint8_t>(instr.op)], a, registers[instr.b], out))
        return false;
    registers[instr.dst] = out;
    return true;
}

// The instructions [begin, end) of code that reads elements or members,
// with the variables' cells holding the values of their registers: kept
// apart, so that the arithmetic of other statements pays nothing for it.
[[gnu::noinline]] bool run_with_reads(const LOOP_PLAN& plan, uint32_t begin, uint32_t end, int64_t* registers) {
    const INSTR* code = plan.code.data();
    for (uint32_t pc = begin; pc < end; ++pc) {
        const INSTR& instr = code[pc];
        if (instr.op == OP::element || instr.op == OP::member_read) {
            int64_t out = 0;
            if (!member_value(instr, registers, plan.member_reads.data(), out)) return false;
            registers[instr.dst] = out;
        } else if (instr.op == OP::store) {
            if (!fast_list_store(plan.member_reads[instr.dst].list, registers[instr.a], registers[instr.b]))
                return false;
        } else if (!arithmetic(instr, registers)) {
            return false;
        }
    }
    return true;
}

// A statement that reads elements or members, or stores one, once its
// variables are read: kept apart, so that the arithmetic of other
// statements pays nothing for it.
[[gnu::always_inline]] inline bool reading_statement_done(const LOOP_PLAN& plan, FLAT_STATEMENT& statement,
                                                          int64_t* registers) {
    if (statement.stores) return run_with_reads(plan, statement.begin, statement.end, registers);
    INT_DATA* number = writable_number(statement.declaration);
    if (number == nullptr || (statement.reads_target && !number->to_int64(registers[statement.target]))) return false;
    if (!run_with_reads(plan, statement.begin, statement.end, registers)) return false;
    number->assign_int64(registers[statement.target]);
    return true;
}

// A failure holds the statement back from this road for a while (see
// FLAT_STATEMENT::skip).
[[gnu::noinline]] bool run_reading_statement(const LOOP_PLAN& plan, FLAT_STATEMENT& statement, int64_t* registers) {
    if (statement.skip != 0) {
        --statement.skip;
        return false;
    }
    if (reading_statement_done(plan, statement, registers)) return true;
    statement.skip = statement.backoff;
    statement.backoff = static_cast<uint8_t>(std::min(statement.backoff * 2, 64));
    return false;
}

[[gnu::always_inline]] inline bool compare(OP op, int64_t a, int64_t b) {
    switch (op) {
    case OP::less: return a < b;
    case OP::less_equal: return a <= b;
    case OP::greater: return a > b;
    case OP::greater_equal: return a >= b;
    case OP::equal: return a == b;
    default: return a != b;
    }
}

// The assignment as fast_int_assignment does it, reading and writing the
// cells; false, with nothing changed, where that would leave it to the
// general path. The index is one of the plan's statements.
[[gnu::always_inline]] inline bool run_statement(LOOP_PLAN& plan, uint32_t index) {
    FLAT_STATEMENT& statement = plan.statements[index];
    if (!statement.translated) return false;
    if (statement.adds_constant) {
        INT_DATA* number = writable_number(statement.declaration);
        int64_t value = 0;
        if (number == nullptr || !number->to_int64(value) || __builtin_add_overflow(value, statement.addend, &value))
            return false;
        number->assign_int64(value);
        return true;
    }
    int64_t* registers = plan.registers.data();
    for (const READ& read : statement.reads)
        if (!read_variable(read.declaration, registers[read.slot])) return false;
    if (statement.reads_members) [[unlikely]]
        return run_reading_statement(plan, statement, registers);
    INT_DATA* number = writable_number(statement.declaration);
    if (number == nullptr || (statement.reads_target && !number->to_int64(registers[statement.target]))) return false;
    const INSTR* code = plan.code.data();
    uint32_t pc = statement.begin;
    do {
        if (!arithmetic(code[pc], registers)) return false;
    } while (++pc != statement.end);
    number->assign_int64(registers[statement.target]);
    return true;
}

// A statement of the long shape whose numbers left the machine words, as
// its executor would do it; run_statement has failed on it, so its
// right side does not read as a machine integer, or the target is no
// writable int and the long paths refuse it too. An allocation that fails
// changes nothing; the statement then runs the general way, which reports
// the failure.
[[gnu::noinline]] bool run_long_statement(TOKEN* node) {
    try {
        return long_int_assignment(node);
    } catch (...) {
        return false;
    }
}

// The same where the statements run back to back: a statement of the
// long shape whose numbers left the machine words is done here too.
// (Inside a block run such a statement goes to its executor, which the
// block run's other statements pay nothing for.)
[[gnu::always_inline]] inline bool run_statement_or_long(LOOP_PLAN& plan, uint32_t index) {
    if (run_statement(plan, index)) return true;
    const FLAT_STATEMENT& statement = plan.statements[index];
    return statement.long_shape && run_long_statement(statement.node);
}

// A test's value from the registers its condition has read; -1 where an
// operand leaves the small-int shapes.
int int_test_value(LOOP_PLAN& plan, const TEST& test) {
    int64_t* registers = plan.registers.data();
    if (test.reads_members) {
        if (!run_with_reads(plan, test.begin, test.end, registers)) return -1;
    } else {
        for (uint32_t pc = test.begin; pc < test.end; ++pc)
            if (!arithmetic(plan.code[pc], registers)) return -1;
    }
    return compare(test.op, registers[test.a], registers[test.b]) ? 1 : 0;
}

[[gnu::flatten]] int test_value(LOOP_PLAN& plan, uint32_t index) {
    TEST& test = plan.tests[index];
    if (test.kind == TEST_KIND::compare) return int_test_value(plan, test);
    const int left = test_value(plan, test.left);
    if (left < 0) return -1;
    if (left == (test.kind == TEST_KIND::any ? 1 : 0)) return left;
    return test_value(plan, test.right);
}

// Failures in a row after which a condition is no longer tried.
constexpr uint32_t condition_miss_limit = 16;

// A translated condition's value from the cells; -1 when it must be
// evaluated another way.
int tested_value(LOOP_PLAN& plan, CONDITION& condition) {
    if (condition.root < 0) return -1;
    int64_t* registers = plan.registers.data();
    int value = -1;
    for (const READ& read : condition.reads)
        if (!read_variable(read.declaration, registers[read.slot])) goto missed;
    value = test_value(plan, static_cast<uint32_t>(condition.root));
    if (value >= 0) {
        condition.misses = 0;
        return value;
    }
missed:
    if (++condition.misses == condition_miss_limit) condition.root = -1;
    return -1;
}

// The condition's value from the cells; -1 when it must be evaluated the
// general way.
[[gnu::always_inline]] inline int condition_value(LOOP_PLAN& plan) {
    if (plan.condition_end == 0) return tested_value(plan, plan.loop_test);
    int64_t* registers = plan.registers.data();
    for (const READ& read : plan.condition_reads)
        if (!read_variable(read.declaration, registers[read.slot])) return -1;
    const uint32_t last = plan.condition_end - 1;
    if (plan.condition_reads_members) [[unlikely]] {
        if (!run_with_reads(plan, 0, last, registers)) return -1;
    } else {
        for (uint32_t pc = 0; pc < last; ++pc)
            if (!arithmetic(plan.code[pc], registers)) return -1;
    }
    const INSTR& comparison = plan.code[last];
    return compare(comparison.op, registers[comparison.a], registers[comparison.b]) ? 1 : 0;
}

// Runs the loop's code from its start until an instruction stops: a
// comparison that fails or an arithmetic instruction whose result leaves
// the small-int shapes. Returns its index; rounds counts the comparisons
// that held. Out of line, its dispatch loop keeps its registers whatever
// the set-up around the call needs. The variables' cells lag behind their
// registers here: an element is read with its position from the registers,
// and only from a list; a read of any other kind stops.
// Plans without element reads take the instance without their cases, whose
// dispatch loop is as tight as plain arithmetic allows.
// Each arithmetic case computes with its sign a constant; each comparison
// jumps on its own, since one shared test of a flag costs the tight loops
// an instruction per comparison.
// clang-format off
#define ARITHMETIC_CASE(name, sign)                      \
    case OP::name:                                       \
        if (!fast_operation(sign, a, b, out)) goto stop; \
        registers[instr.dst] = out;                      \
        ++pc;                                            \
        continue;
#define COMPARISON_CASE(name, holds, expected) \
    case OP::name:                             \
        if (holds) expected {                  \
            ++held;                            \
            pc = instr.jump;                   \
            continue;                          \
        }                                      \
        goto fails;
// clang-format on
template <bool reads_members, bool branching = false>
[[gnu::hot, gnu::noinline]] uint32_t run_code(const INSTR* code, int64_t* registers, const MEMBER_READ_NODE* reads,
                                              uint64_t& rounds) {
    uint32_t pc = 0;
    uint64_t held = 0;
    // Nothing but this code runs until it stops: a list found plain for an
    // element read or store stays so, and is found once (by read).
    [[maybe_unused]] std::array<LIST_DATA*, reads_members ? register_count : 1> lists{};
    // The list of a read, found at its first use in this run; the held
    // list is the road every later round takes, so it comes first.
    [[maybe_unused]] auto plain_list_of = [&](unsigned read) __attribute__((always_inline))->LIST_DATA* {
        if (LIST_DATA* held = lists[read]; held != nullptr) [[likely]]
            return held;
        return lists[read] = read_list(reads[read]);
    };
    for (;;) {
        const INSTR& instr = code[pc];
        const int64_t a = registers[instr.a];
        const int64_t b = registers[instr.b];
        int64_t out = 0;
        switch (instr.op) {
            ARITHMETIC_CASE(add, '+')
            ARITHMETIC_CASE(subtract, '-')
            ARITHMETIC_CASE(multiply, '*')
            ARITHMETIC_CASE(divide, '/')
            ARITHMETIC_CASE(modulo, '%')
        case OP::move:
            registers[instr.dst] = a;
            ++pc;
            continue;
        case OP::element: {
            if constexpr (!reads_members) goto stop;
            const MEMBER_READ_NODE& read = reads[instr.b];
            LIST_DATA* store = plain_list_of(instr.b);
            if (store == nullptr) goto stop;
            if (a < 0 || a >= store->node_count) goto stop;
            const UNION_DATA* element =
                store->at_valid(static_cast<int>(read.from_end ? store->node_count - 1 - a : a));
            if ((element->tag != tag_int && element->tag != raise_tag(tag_int)) || element->payload == nullptr ||
                !cell_int64(element, out))
                goto stop;
            registers[instr.dst] = out;
            ++pc;
            continue;
        }
        case OP::member_read:
            if (!reads_members || !read_node_int(reads[instr.b], out)) goto stop;
            registers[instr.dst] = out;
            ++pc;
            continue;
        case OP::store: {
            if constexpr (!reads_members) goto stop;
            LIST_DATA* store = plain_list_of(instr.dst);
            if (store == nullptr) goto stop;
            if (a < 0 || a >= store->node_count || !fast_store_int_element(store->at_valid(static_cast<int>(a)), b))
                goto stop;
            ++pc;
            continue;
        }
            // The most common loop test keeps its held path out of line: laid
            // out to fall into the tail the comparisons share, it would run the
            // padding that aligns that tail on every round.
            COMPARISON_CASE(less, a < b, [[unlikely]])
            COMPARISON_CASE(less_equal, a <= b, [[likely]])
            COMPARISON_CASE(greater, a > b, [[likely]])
            COMPARISON_CASE(greater_equal, a >= b, [[likely]])
            COMPARISON_CASE(equal, a == b, [[likely]])
            COMPARISON_CASE(not_equal, a != b, [[likely]])
        case OP::jump:
            if constexpr (!branching) goto stop;
            pc = instr.jump;
            continue;
        case OP::exit: goto stop;
        }
    fails:
        if (!branching || instr.dst == 0) goto stop;
        ++pc;
    }
stop:
    rounds = held;
    return pc;
}
#undef ARITHMETIC_CASE
#undef COMPARISON_CASE

enum class EXIT : uint8_t {
    not_run,    // a variable is no plain small int: nothing ran
    finished,   // the condition failed
    condition,  // the condition must be evaluated the general way
    statement,  // the statement must run the general way
};

struct REGISTER_RUN {
    EXIT exit = EXIT::not_run;
    uint32_t statement = 0;
    bool whole_round = false;  // at least one round ran to its end
};

// Runs the loop in registers while its values keep the small-int shapes,
// then stores the variables that were assigned back into their cells.
REGISTER_RUN run_in_registers(LOOP_PLAN& plan, bool branching = false, bool range = false) {
    REGISTER_RUN run;
    int64_t* registers = plan.registers.data();
    INT_DATA* numbers[first_constant];
    const uint32_t variable_count = static_cast<uint32_t>(plan.variables.size());
    for (uint32_t i = 0; i < variable_count; ++i) {
        const VARIABLE& variable = plan.variables[i];
        INT_DATA* number = variable.first_write == never_written ? readable_number(variable.declaration)
                                                                 : writable_number(variable.declaration);
        if (number == nullptr || !number->to_int64(registers[i])) return run;
        // Two names for one number would each see the other's writes.
        for (uint32_t j = 0; j < i; ++j)
            if (numbers[j] == number) return run;
        numbers[i] = number;
    }
    uint64_t rounds = 0;
    if (branching) {
        // Its statements do not run in order: every variable it may have
        // written goes back.
        const uint32_t pc = run_code<true, true>(plan.branch_code.data(), registers, plan.member_reads.data(), rounds);
        for (uint32_t i = 0; i < variable_count; ++i)
            if (plan.variables[i].first_write != never_written) numbers[i]->assign_int64(registers[i]);
        const INSTR& stop = plan.branch_code[pc];
        // A comparison stops only as the loop's condition.
        const bool finished = (stop.op >= OP::less && stop.op <= OP::not_equal) || stop.op == OP::exit;
        run.whole_round = rounds > 0 || finished;
        run.exit = finished ? EXIT::finished : stop.statement == in_condition ? EXIT::condition : EXIT::statement;
        run.statement = stop.statement;
        return run;
    }
    // A range's code has the one comparison of its test before the body.
    const INSTR* code = range ? plan.range_code.data() : plan.code.data();
    const uint32_t condition_end = range ? 1 : plan.condition_end;
    const uint32_t pc = plan.member_reads.empty() ? run_code<false>(code, registers, nullptr, rounds)
                                                  : run_code<true>(code, registers, plan.member_reads.data(), rounds);
    const INSTR& stop = code[pc];
    const auto count = static_cast<uint32_t>(plan.statements.size());
    // The statements of the stopped round that ran before the stop; the
    // first comparison that holds starts the first round.
    uint32_t done = count;
    if (rounds < 2) done = stop.statement != in_condition ? stop.statement : pc < condition_end ? 0 : count;
    for (uint32_t i = 0; i < variable_count; ++i)
        if (plan.variables[i].first_write < done) numbers[i]->assign_int64(registers[i]);
    run.whole_round = rounds >= 2 || (pc >= condition_end && stop.statement == in_condition);
    if (stop.op >= OP::less) run.exit = EXIT::finished;
    else if (stop.statement == in_condition) run.exit = EXIT::condition;
    else {
        run.exit = EXIT::statement;
        run.statement = stop.statement;
    }
    return run;
}

// After a run in registers that made no whole round, the loop goes on
// statement by statement for a while before it tries again.
struct RETRY {
    uint32_t wait = 0;
    uint32_t backoff = 1;

    bool due() {
        if (wait == 0) return true;
        --wait;
        return false;
    }
    void after(const REGISTER_RUN& run) {
        if (run.whole_round) {
            backoff = 1;
            return;
        }
        wait = backoff;
        backoff = std::min<uint32_t>(backoff * 2, 1024);
    }
};

[[gnu::flatten]] bool shortcut(void* data, uint32_t index) {
    LOOP_PLAN& plan = *static_cast<LOOP_PLAN*>(data);
    return index < plan.body_count && run_statement(plan, index);
}

// Whether a translated statement may run outside the block run: nothing
// pending and no statement budget (the loop checks the stack once). It then
// does just what the block would do with it.
[[gnu::always_inline]] inline bool may_run_outside() {
    return pending_exception == nullptr && !control_pending() && statement_budget == 0;
}

[[gnu::noinline]] bool run_branch(LOOP_PLAN& plan, uint32_t index, RESULT_ITEM this_item);

// Runs the plan's statements [begin, end), which make up the rest of a
// block without variables, one at a time as the block run would: while
// nothing is pending, an assignment or an if the plan knows runs here,
// anything else (and whatever it declines) through the statement's own run.
// For a caller whose frame has stack room to spare.
[[gnu::flatten]] void run_entries(LOOP_PLAN& plan, uint32_t begin, uint32_t end, RESULT_ITEM this_item) {
    for (uint32_t index = begin; index < end; ++index) {
        if (control_pending()) return;
        const FLAT_STATEMENT& statement = plan.statements[index];
        if (may_run_outside()) {
            if (statement.translated && run_statement(plan, index)) continue;
            if (statement.branch >= 0 && run_branch(plan, index, this_item)) continue;
        }
        execute_lone_statement(statement.node, this_item);
    }
}

// An if statement as exec_if runs it, when its condition is decided
// without running anything: the chosen block's statements then run as
// run_entries runs them. False, with nothing run, otherwise.
[[gnu::noinline]] bool run_branch(LOOP_PLAN& plan, uint32_t index, RESULT_ITEM this_item) {
    const FLAT_STATEMENT& statement = plan.statements[index];
    BRANCH& branch = plan.branches[static_cast<uint32_t>(statement.branch)];
    const TOKEN* saved = current_statement;
    current_statement = statement.node;
    int holds = tested_value(plan, branch.test);
    if (holds < 0) {
        const TOKEN* condition = branch.condition;
        holds = read_with_members(this_item, [condition] { return fast_comparison(condition); });
        if (holds < 0) holds = plain_equality(branch.condition);
    }
    const uint32_t chosen = holds != 0 ? 0 : 1;
    if (holds < 0 || (branch.blocks[chosen] != nullptr && block_has_variables(branch.blocks[chosen]))) {
        current_statement = saved;
        return false;
    }
    // An empty block (a missing else, most often) skips the call and the
    // frame set-up it would pay for nothing.
    if (branch.begin[chosen] != branch.end[chosen])
        run_entries(plan, branch.begin[chosen], branch.end[chosen], this_item);
    current_statement = saved;
    return true;
}

// The rest of a body whose block statement `index` is next: the rest of its
// block, then of each block around it, then of the body.
void resume_blocks(LOOP_PLAN& plan, uint32_t index, RESULT_ITEM this_item) {
    const TOKEN* saved = current_statement;
    int32_t owner = plan.parents[index];
    uint32_t end = plan.block_ends[index];
    for (;;) {
        current_statement = owner >= 0 ? plan.statements[static_cast<uint32_t>(owner)].node : saved;
        run_entries(plan, index, end, this_item);
        if (owner < 0) break;
        index = static_cast<uint32_t>(owner) + 1;
        end = plan.block_ends[static_cast<uint32_t>(owner)];
        owner = plan.parents[static_cast<uint32_t>(owner)];
    }
    current_statement = saved;
}

// Runs the body from the statement `done` on, as execute_block_from does.
// In a mixed body the translated statements around the general ones run
// straight from and to their cells, and the block run covers the general
// part only.
// stack_room: the loop's frame has room enough that the block run would not
// check the stack before a statement.
[[gnu::flatten]] void run_body(LOOP_PLAN& plan, TOKEN* body, RESULT_ITEM this_item, uint32_t done, bool stack_room) {
    const uint32_t split = plan.general_end;
    if (split != 0 && done < split && stack_room) {
        if (done < plan.general_begin && may_run_outside())
            while (done < split && run_statement(plan, done)) ++done;
        if (done == plan.general_begin && plan.lone_general != nullptr)
            execute_lone_statement(plan.lone_general, this_item);
        else
            execute_block_range(body, this_item, done, split,
                                plan.general_only && done >= plan.general_begin ? nullptr : shortcut, &plan);
        done = split;
        if (may_run_outside())
            while (done < plan.body_count && run_statement(plan, done)) ++done;
        if (done == plan.body_count) return;
    }
    execute_block_from(body, this_item, done, shortcut, &plan);
}

}  // namespace

namespace {

// While nothing is pending and every statement translates, an iteration
// whose statements all stay small cannot raise, set a counter or run a
// block: its statements run back to back and nothing is left to check
// after them.
[[gnu::always_inline]] inline bool clean(const LOOP_PLAN& plan) {
    return plan.complete && pending_exception == nullptr && !control_pending() && statement_budget == 0;
}

// The body of one round from its statement `done` on; true when the loop
// must end.
[[gnu::always_inline]] inline bool run_round(LOOP_PLAN& plan, TOKEN* body, RESULT_ITEM this_item, uint32_t done,
                                             bool& back_to_back, bool stack_room) {
    const uint32_t count = plan.body_count;
    if (back_to_back) {
        while (done < count && run_statement_or_long(plan, done)) ++done;
    }
    if (!back_to_back || done != count || count == 0) {
        // The general block run with the translated statements' shortcut:
        // run_body's split stays the while loops' own.
        if (plan.body_branches && stack_room) run_entries(plan, done, count, this_item);
        else execute_block_from(body, this_item, done, shortcut, &plan);
        if (loop_after_body()) return true;
        back_to_back = clean(plan);
    }
    return false;
}

// The loop's frame stays put; the block run's frame is a little deeper.
bool loop_stack_room() { return stack_room_left() >= 4096 + 4096; }

bool run_plan(LOOP_PLAN* plan, TOKEN* condition, TOKEN* step, TOKEN* body, RESULT_ITEM this_item,
              const char* routine_name) {
    if (plan->condition_end == 0 && plan->loop_test.root < 0 && plan->statements.empty()) return false;
    const uint32_t count = plan->body_count;
    const uint32_t step_count = plan->step_count;
    bool back_to_back = clean(*plan);
    const bool stack_room = loop_stack_room();
    RETRY retry;
    // Only a loop without a step has the code of its ifs' blocks.
    const bool branching = !plan->branch_code.empty() && stack_room;
    for (;;) {
        uint32_t done = 0;
        bool holds_known = false;
        if (back_to_back && plan->in_registers && retry.due()) {
            const REGISTER_RUN run = run_in_registers(*plan);
            if (run.exit == EXIT::finished) break;
            if (run.exit == EXIT::statement) {
                done = run.statement;
                holds_known = true;
            }
            retry.after(run);
        } else if (branching && may_run_outside() && retry.due()) {
            const REGISTER_RUN run = run_in_registers(*plan, true);
            if (run.exit == EXIT::finished) break;
            retry.after(run);
            if (run.exit == EXIT::statement) {
                if (run.statement >= count) {
                    // Stopped inside a block: the rest of each block out to
                    // the body's end runs as run_branch would run it.
                    resume_blocks(*plan, run.statement, this_item);
                    if (loop_after_body()) break;
                    back_to_back = clean(*plan);
                    continue;
                }
                done = run.statement;
                holds_known = true;
            }
        }
        if (!holds_known) {
            int holds = condition_value(*plan);
            if (holds < 0) holds = eval_condition(condition, this_item, routine_name) ? 1 : 0;
            if (holds == 0) break;
        }
        if (!holds_known || done < count) {
            if (back_to_back) {
                while (done < count && run_statement_or_long(*plan, done)) ++done;
            }
            if (!back_to_back || done != count || count == 0) {
                if (plan->body_branches && stack_room) run_entries(*plan, done, count, this_item);
                else run_body(*plan, body, this_item, done, stack_room);
                if (loop_after_body()) break;
                back_to_back = clean(*plan);
            }
            done = count;
        }
        if (step == nullptr) continue;
        if (back_to_back) {
            while (done < count + step_count && run_statement_or_long(*plan, done)) ++done;
            if (done == count + step_count && step_count != 0) continue;
        }
        execute_block_from(step, this_item, done - count, nullptr, nullptr);
        if (loop_after_body()) break;
        back_to_back = clean(*plan);
    }
    return true;
}

// The plan's range_code for the loop variable (see LOOP_PLAN), made at its
// first run over a range; false where the body has none.
bool make_range_code(LOOP_PLAN& plan, const TOKEN* variable) {
    if (plan.range_variable == variable) return !plan.range_code.empty();
    plan.range_variable = variable;
    if (!plan.complete || plan.statements.empty() || plan.code.size() + 3 > UINT16_MAX ||
        plan.constants.size() + 2 > first_scratch - first_constant)
        return false;
    for (const FLAT_STATEMENT& statement : plan.statements)
        if (statement.declaration == variable) return false;
    BUILDER builder{plan, {}, in_condition};
    const int v = variable_register(builder, variable, false);
    if (v < 0) return false;
    plan.range_register = static_cast<uint8_t>(v);
    plan.range_last = static_cast<uint8_t>(first_constant + plan.constants.size());
    plan.constants.resize(plan.constants.size() + 2);  // the last value and the step
    const auto last = plan.range_last;
    const INSTR test{OP::less_equal, 0, plan.range_register, last, in_condition, 1};
    plan.range_code.push_back(test);
    plan.range_code.insert(plan.range_code.end(), plan.code.begin(), plan.code.end());
    plan.range_code.push_back(INSTR{OP::add, plan.range_register, plan.range_register, static_cast<uint8_t>(last + 1),
                                    static_cast<uint16_t>(plan.body_count), 0});
    plan.range_code.push_back(test);
    return true;
}

// The variables of a body that declares its own, fresh for each pass as a
// block run makes them.
struct PASS_VARIABLES {
    TOKEN* body;
    explicit PASS_VARIABLES(TOKEN* block) : body(block) {
        if (body != nullptr) push_scope_variables(body);
    }
    ~PASS_VARIABLES() {
        if (body != nullptr) pop_scope_variables(body);
    }
    PASS_VARIABLES(const PASS_VARIABLES&) = delete;
    PASS_VARIABLES& operator=(const PASS_VARIABLES&) = delete;
};

// run_int_range with its plan. Where the values stay in the word of a
// machine int and the body has no variables of its own, the passes run in
// registers while they can.
RANGE_RUN run_range_plan(LOOP_PLAN& plan, const TOKEN* variable, UNION_DATA* target, int64_t& next, int64_t last,
                         int64_t step, TOKEN* body, RESULT_ITEM this_item) {
    bool back_to_back = clean(plan);
    const bool stack_room = loop_stack_room();
    TOKEN* own_variables = block_has_variables(body) ? body : nullptr;
    const bool in_registers = own_variables == nullptr && make_range_code(plan, variable) && next >= inline_int_min &&
                              next <= inline_int_max && last >= inline_int_min && last <= inline_int_max;
    if (in_registers) {
        const OP test = step > 0 ? OP::less_equal : OP::greater_equal;
        plan.range_code.front().op = plan.range_code.back().op = test;
        plan.registers[plan.range_last] = last;
        plan.registers[plan.range_last + 1] = step;
    }
    RETRY retry;
    for (;;) {
        // The variable takes its value as the general assignment would
        // store a machine number into it; anything else is handed back.
        if (top_cell(variable) != target || !assign_machine_int(target, next)) return RANGE_RUN::handed_back;
        uint32_t done = 0;
        if (in_registers && back_to_back && retry.due()) {
            const REGISTER_RUN run = run_in_registers(plan, false, true);
            retry.after(run);
            if (run.exit == EXIT::finished) {
                assign_machine_int(target, last);
                return RANGE_RUN::span_done;
            }
            if (run.exit == EXIT::statement) {
                next = plan.registers[plan.range_register];
                assign_machine_int(target, next);
                done = run.statement;
            }
        }
        {
            const PASS_VARIABLES pass(own_variables);
            if (run_round(plan, body, this_item, done, back_to_back, stack_room)) return RANGE_RUN::ended;
        }
        if (next == last) return RANGE_RUN::span_done;
        next += step;
    }
}

}  // namespace

// The loop of both statements: a while loop has no step. Statement indexes
// of a run count the body's statements, then the step's. Only a loop that
// reads the object's members names it for its run, outside the run itself,
// which keeps its registers for the loop.
bool run_int_for(TOKEN* condition, TOKEN* step, TOKEN* body, RESULT_ITEM this_item, const char* routine_name) {
    if constexpr (!fast_paths) return false;
    if (condition == nullptr || body == nullptr || block_has_variables(body) || statement_budget != 0) return false;
    const std::shared_ptr<LOOP_PLAN> held = plan_of(condition, body, step);
    if (!held->reads_object) return run_plan(held.get(), condition, step, body, this_item, routine_name);
    const SCOPED_SET<RESULT_ITEM> object(loop_object, this_item);
    return run_plan(held.get(), condition, step, body, this_item, routine_name);
}

bool run_int_while(TOKEN* condition, TOKEN* body, RESULT_ITEM this_item, const char* routine_name) {
    return run_int_for(condition, nullptr, body, this_item, routine_name);
}

RANGE_RUN run_int_range(const TOKEN* variable, UNION_DATA* target, int64_t& next, int64_t last, int64_t step,
                        TOKEN* body, RESULT_ITEM this_item) {
    if constexpr (!fast_paths) return RANGE_RUN::handed_back;
    if (body == nullptr || statement_budget != 0) return RANGE_RUN::handed_back;
    const std::shared_ptr<LOOP_PLAN> held = plan_of(nullptr, body, nullptr);
    if (held->statements.empty()) return RANGE_RUN::handed_back;
    if (!held->reads_object) return run_range_plan(*held, variable, target, next, last, step, body, this_item);
    const SCOPED_SET<RESULT_ITEM> object(loop_object, this_item);
    return run_range_plan(*held, variable, target, next, last, step, body, this_item);
}

}  // namespace morvu
