// if, while, for, switch, the repetition operator and the blank operator, and
// the loop protocol that consumes the return, continue and break counters.
//
// A statement evaluates its arguments once into a fresh frame and keeps the
// frame for its whole run. The blocks it runs are taken out of the code
// values at the start (tree nodes live as long as the program), so a body
// that reassigns a code variable does not change the running loop.

#include "exec/control_statements.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "eval/arg_frame.h"
#include "eval/fast_path.h"
#include "eval/member_access.h"
#include "eval/evaluator.h"
#include "eval/operator_handlers.h"
#include "exec/block_exec.h"
#include "exec/control_counters.h"
#include "exec/for_values.h"
#include "exec/int_loops.h"
#include "runtime/build_options.h"
#include "types/method_call.h"
#include "exec/pending_exception.h"
#include "exec/user_call.h"
#include "frontend/name_resolution.h"
#include "runtime/str_stream.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_defs.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/assign_rules.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// "sys:<name>" for the statement's errors.
std::string statement_name(const char* name) { return std::string("sys:") + name; }

[[noreturn]] void raise_check(TOKEN* node, const std::string& routine, const std::string& message) {
    raise_error(node, routine_kind_procedure, routine.c_str(), message, error_kind_system);
}

// Checks argument i of the frame to be a code value holding a block; raises
// otherwise ("%d-th argument is empty" for a code variable never assigned).
void require_code(const ARG_FRAME& frame, uint32_t index, TOKEN* node, const std::string& routine) {
    if (frame.check_type(index, 'x', true) != nullptr) raise_check(node, routine, frame.message(false));
}

void run_block(TOKEN* block, RESULT_ITEM this_item) { execute_block(block, this_item, true); }

// Whether a run of the block could do anything while an exception is
// pending: only its catch and exit statements would run.
bool block_may_run_while_pending(TOKEN* block) {
    for (TOKEN* statement : TOKEN_LIST(block, ';')) {
        if (statement == nullptr) break;
        const TOKEN* call = statement;
        if (statement->op1 == ':' && statement->op2 == 0 && is_word(statement->left, "sys") &&
            statement->right != nullptr)
            call = statement->right;
        if (is_call_token(call) && (*call->text == "catch" || *call->text == "exit")) return true;
    }
    return false;
}

// The count as a machine integer when it fits one.
bool fits_int64(const INT_DATA& value, int64_t* out) {
    const std::string& text = value.to_text();
    errno = 0;
    char* end = nullptr;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno == ERANGE || end == text.c_str() || *end != 0) return false;
    *out = parsed;
    return true;
}

// An assignment operator of one character, as the blank operator runs it.
bool is_simple_assignment(const TOKEN* item) {
    if (item->op2 != 0) return false;
    switch (item->op1) {
    case '=':
    case '$':
    case '?':
    case '@':
    case '~': return true;
    default: return false;
    }
}

// A plain name in a declaration list: passed over by the blank operator.
bool is_plain_name(const TOKEN* item) {
    if (!item->text) return false;
    return item->op1 != '"' && item->op1 != '\'' && item->op1 != '(' && !is_juxtaposition(item);
}

void run_need(TOKEN* node, RESULT_ITEM this_item) {
    if (pending_exception != nullptr) return;
    TOKEN_LIST items;
    for (TOKEN* item : TOKEN_LIST(node->right, ',')) {
        if (item->inclusion_state == inclusion_untouched && is_call_token(item)) {
            if (item->left != nullptr) append_operands(item->left, ',', &items);
        } else {
            items.append(item);
        }
    }
    for (TOKEN* item : items) {
        if (item->op1 == ':' && item->op2 == 0) item = item->right;  // application ':' file
        if (item != nullptr && item->inclusion_state == inclusion_grafted) execute_block(item, this_item, true);
    }
}

}  // namespace

// ---- loop protocol ----

bool loop_after_body() {
    if (pending_continue) {
        if (!counter_is_one(pending_continue)) return true;
        pending_continue.reset();  // continue(1): consumed, the loop goes on
    }
    return pending_return || pending_exception != nullptr || pending_break;
}

void loop_after_end() {
    if (pending_continue && *pending_continue > INT_DATA(1)) lower_counter(pending_continue);
    if (pending_break) lower_counter(pending_break);
}

TOKEN* code_block(RESULT_ITEM item) {
    if (item.cell == nullptr) return nullptr;
    UNION_DATA* value = argument_value(item.cell);
    if (value == nullptr || lower_tag(value->tag) != tag_code || value->payload == nullptr) return nullptr;
    return value->code_data()->block;
}

// ---- if, while, for, switch ----

namespace {

// Runs the block an if or a case chose. A block of one statement and no
// variables of its own runs that statement as the block run would, without
// looking its statements up, where the frame has stack room enough that the
// block run would not check the stack before it; an empty block, or one of
// several statements, takes the block run.
void run_chosen_block(TOKEN* block, RESULT_ITEM this_item) {
    if (!(block->op1 == ';' && block->op2 == 0) && !is_empty_operand(block) && !block_has_variables(block) &&
        stack_room_here() >= 4096 + 4096)
        execute_lone_statement(block, this_item);
    else run_block(block, this_item);
}

// if(a < b, {..}, {..}) with a comparison or logical operator and braced
// blocks: the condition is decided without frames and the chosen block runs
// at once, as the general path would run it. False when the statement has
// another shape; nothing has run then.
bool fast_if(TOKEN* node, RESULT_ITEM this_item) {
    // Values parked on the arguments (a first run that looked for a routine
    // of the statement's name evaluated them) are the frame's to take: the
    // condition must not be evaluated again.
    if (node->left == nullptr || !node->left->result_stack.empty()) return false;
    const TOKEN_LIST& parts = argument_list_of(node->left);
    const uint32_t n = parts.count();
    if (n != 2 && n != 3) return false;
    for (uint32_t i = 1; i < n; ++i) {
        const TOKEN* block = parts[i];
        if (block->block_mode != block_mode_braced || is_empty_operand(block)) return false;
    }
    const TOKEN* first = parts[0];
    int condition = read_with_members(this_item, [first] { return fast_comparison(first); });
    if (condition < 0) condition = plain_equality(parts[0]);
    if (condition < 0) {
        // A comparison or logical operator gives its truth without a cell,
        // another condition that gives one bool its value; with anything else
        // the statement's frame takes the arguments evaluated so far.
        condition = frameless_bool(node->left, this_item, true);
        if (condition < 0) return false;
    }
    if (condition != 0) run_chosen_block(parts[1], this_item);
    else if (n == 3) run_chosen_block(parts[2], this_item);
    return true;
}

}  // namespace

void exec_if(TOKEN* node, RESULT_ITEM this_item) {
    if (fast_paths && fast_if(node, this_item)) return;
    static const std::string routine = statement_name("if");
    ARG_FRAME frame(node->left, this_item, true);
    const char* refusal = frame.check_count_range(2, 3);
    if (refusal == nullptr) refusal = frame.check_type(0, 'b', true);
    if (refusal != nullptr) raise_check(node, routine, frame.message(false));
    require_code(frame, 1, node, routine);
    if (frame.count() == 3) require_code(frame, 2, node, routine);
    if (frame.value(0)->bool_word() != 0) run_block(code_block(frame[1]), this_item);
    else if (frame.count() == 3) run_block(code_block(frame[2]), this_item);
}

namespace {

// Whether an argument is a braced block that evaluates to a code value
// holding itself (the empty block {} evaluates otherwise).
bool is_braced_block(const TOKEN* argument) {
    return argument->block_mode == block_mode_braced && !is_empty_operand(argument);
}

// while({...}, {...}) with both blocks braced: the two blocks, which are
// what the code values of a frame would hold (a code value's own object
// plays no part in a loop). False for every other shape, which the frame
// checks; nothing has been evaluated then.
bool braced_loop_blocks(TOKEN* node, TOKEN*& condition, TOKEN*& body) {
    TOKEN* arguments = node->left;
    if (arguments == nullptr || !arguments->result_stack.empty() || arguments->block_mode == block_mode_running)
        return false;
    const TOKEN_LIST& parts = argument_list_of(arguments);
    if (parts.count() != 2 || !is_braced_block(parts[0]) || !is_braced_block(parts[1])) return false;
    condition = parts[0];
    body = parts[1];
    return true;
}

void run_while(TOKEN* condition, TOKEN* body, RESULT_ITEM this_item, const std::string& routine) {
    // The first iteration binds the nodes; the loop may go on translated.
    bool first = true;
    while (eval_condition(condition, this_item, routine.c_str())) {
        run_block(body, this_item);
        if (loop_after_body()) break;
        if (first) {
            first = false;
            if (run_int_while(condition, body, this_item, routine.c_str())) break;
        }
    }
    loop_after_end();
}

}  // namespace

void exec_while(TOKEN* node, RESULT_ITEM this_item) {
    static const std::string routine = statement_name("while");
    TOKEN* condition = nullptr;
    TOKEN* body = nullptr;
    if (braced_loop_blocks(node, condition, body)) {
        run_while(condition, body, this_item, routine);
        return;
    }
    ARG_FRAME frame(node->left, this_item, true);
    if (frame.check_count(2) != nullptr) raise_check(node, routine, frame.message(false));
    require_code(frame, 0, node, routine);
    require_code(frame, 1, node, routine);
    run_while(code_block(frame[0]), code_block(frame[1]), this_item, routine);
}

namespace {

void for_body_form(TOKEN* body, RESULT_ITEM this_item) {
    for (;;) {
        run_block(body, this_item);
        if (loop_after_body()) break;
    }
}

void for_counted_form(TOKEN* init, TOKEN* condition, TOKEN* step, TOKEN* body, RESULT_ITEM this_item,
                      const std::string& routine) {
    execute_block(init, this_item, false);
    if (pending_return || pending_break || pending_exception != nullptr ||
        (pending_continue && !counter_is_one(pending_continue)))
        return;
    // The first iteration binds the nodes; the loop may go on translated.
    bool first = true;
    while (eval_condition(condition, this_item, routine.c_str())) {
        run_block(body, this_item);
        if (loop_after_body()) break;
        execute_block(step, this_item, false);
        if (loop_after_body()) break;
        if (first) {
            first = false;
            if (run_int_for(condition, step, body, this_item, routine.c_str())) break;
        }
    }
}

// One pass of the variable form: the value assigned to the loop variable,
// then the body. Returns true when the loop must end.
struct FOR_PASS {
    TOKEN* node;
    const std::string& routine;
    UNION_DATA* target;
    const CELL_WATCH& target_watch;
    TOKEN* body;
    RESULT_ITEM this_item;

    // An item given (a value of the loop's own argument list) that is a
    // temporary list or hash goes to the variable whole instead of copied.
    bool run(UNION_DATA* value, bool value_alive, const RESULT_ITEM* item = nullptr) const {
        if (!target_watch.alive() || !value_alive) raise_check(node, routine, msg_text("insnicdef"));
        if (value_under_iteration(target)) {
            std::string key = std::string("for") + method_key_mark;
            raise_system_error(node, method_context(node, "sys", key, false) + ' ' + msg_text("unzwaeite"));
        }
        if (item == nullptr || item->owned == 0 || !take_over_argument(*item, target)) {
            if (const char* message = assign_by_mode(target, value, -1)) raise_check(node, routine, message);
        }
        run_block(body, this_item);
        return loop_after_body();
    }
    static bool visit(void* pass, UNION_DATA* value, bool alive) {
        return static_cast<const FOR_PASS*>(pass)->run(value, alive);
    }
    // The declaring node of a plain variable whose cell is the target: its
    // int values may run as a translated loop.
    const TOKEN* variable = nullptr;
    static RANGE_RUN run_ints(void* context, int64_t& next, int64_t last, int64_t step) {
        const auto* pass = static_cast<const FOR_PASS*>(context);
        return run_int_range(pass->variable, pass->target, next, last, step, pass->body, pass->this_item);
    }
};

void for_variable_form(TOKEN* node, ARG_FRAME& frame, RESULT_ITEM this_item, const std::string& routine) {
    const uint32_t n = frame.count();
    // A reference made read-only is cut loose and walks: the values go to the
    // variable, not to what the reference leads to.
    if (!cuts_own_reference(frame[0].cell, frame[0].mode) && frame.check_variable(0, false) != nullptr)
        raise_check(node, routine, frame.message(false));
    require_code(frame, n - 1, node, routine);
    UNION_DATA* target = follow_aliases(frame[0].cell);
    const CELL_WATCH target_watch(RESULT_ITEM{target, access_variable, 0});
    std::vector<CELL_WATCH> watches;
    watches.reserve(n - 2);
    for (uint32_t i = 1; i + 1 < n; ++i) watches.emplace_back(frame[i]);
    const FOR_PASS pass{node, routine, target, target_watch, code_block(frame[n - 1]), this_item};
    for (uint32_t i = 1; i + 1 < n; ++i) {
        if (pass.run(frame[i].cell, watches[i - 1].alive(), &frame[i])) break;
    }
}

// The variable form over values among which ranges are walked.
void for_walked_form(TOKEN* node, FOR_ARGUMENTS& arguments, RESULT_ITEM this_item, const std::string& routine) {
    UNION_DATA* target = follow_aliases(arguments.variable().cell);
    const CELL_WATCH target_watch(RESULT_ITEM{target, access_variable, 0});
    FOR_PASS pass{node, routine, target, target_watch, arguments.body(), this_item};
    const TOKEN* first = argument_list_of(node->left)[0];
    const bool plain =
        fast_paths && first->evaluator == eval_variable && declared_plain_cell(first->declaration) == target;
    if (plain) pass.variable = first->declaration;
    arguments.walk(FOR_VALUE_VISIT{FOR_PASS::visit, &pass, plain ? FOR_PASS::run_ints : nullptr});
}

// exec_for once its arguments are evaluated, or parked for its frame.
void run_for(TOKEN* node, RESULT_ITEM this_item, FOR_ARGUMENTS& walked, bool evaluated) {
    static const std::string routine = statement_name("for");
    if (evaluated) {
        if (walked.walkable()) {
            for_walked_form(node, walked, this_item, routine);
            loop_after_end();
            return;
        }
        walked.park_expanded(node);
    }
    ARG_FRAME frame(node->left, this_item, true);
    if (frame.check_count_range(1, -1) != nullptr) raise_check(node, routine, frame.message(false));
    const uint32_t n = frame.count();
    if (n == 1) {
        require_code(frame, 0, node, routine);
        for_body_form(code_block(frame[0]), this_item);
    } else {
        bool counted = n == 4 && frame[0].mode <= 5;
        for (uint32_t i = 0; counted && i < 4; ++i) {
            UNION_DATA* value = frame.value(i);
            counted = value != nullptr && lower_tag(value->tag) == tag_code;
        }
        if (counted) {
            for (uint32_t i = 0; i < 4; ++i) require_code(frame, i, node, routine);
            for_counted_form(code_block(frame[0]), code_block(frame[1]), code_block(frame[2]), code_block(frame[3]),
                             this_item, routine);
        } else {
            for_variable_form(node, frame, this_item, routine);
        }
    }
    loop_after_end();
}

}  // namespace

void exec_for(TOKEN* node, RESULT_ITEM this_item) {
    FOR_ARGUMENTS walked;
    const bool evaluated = FOR_ARGUMENTS::has_range_to_walk(node) && walked.evaluate(node, this_item, false);
    run_for(node, this_item, walked, evaluated);
}

bool exec_for_first_run(TOKEN* node, RESULT_ITEM this_item) {
    if (!is_call_token(node) || *node->text != "for" || routine_name_defined("for") ||
        !FOR_ARGUMENTS::has_range_to_walk(node))
        return false;
    FOR_ARGUMENTS walked;
    if (!walked.evaluate(node, this_item, true)) return true;
    node->executor = exec_for;
    run_for(node, this_item, walked, true);
    return true;
}

namespace {

// A value of a case that is a literal or a variable, read in place.
struct CASE_LABEL {
    TOKEN* token;
    bool literal;  // its constant cell; otherwise a variable's current cell
};

// Whether the values of a case are known to be literals and variables only.
enum LABELS_STATE : uint8_t { labels_unknown, labels_plain, labels_other };

// One statement of a switch block as the tree fixes it.
struct SWITCH_ENTRY {
    TOKEN* statement;
    bool is_empty;            // the empty statement, passed over
    bool is_case;             // a call of case
    const TOKEN_LIST* parts;  // its arguments; null for a case without any
    bool braced;              // the last of them a braced block
    // Learnt once the values have their handlers (a handler chosen for a
    // variable or literal stays); filled whole before the state says plain,
    // so that a switch re-entered meanwhile never sees half of it.
    LABELS_STATE labels_state = labels_unknown;
    std::vector<CASE_LABEL> labels;
    // Of a braced case: its block, whether that is one statement, and the
    // statements it splits into, found once.
    TOKEN* body = nullptr;
    bool lone_body = false;
    TOKEN_LIST body_statements;
};
// A label of a switch whose cases hold int literals only, char literals
// only or text literals only: the number, the char byte or the text's key
// (text_key), and the case it belongs to.
struct KEYED_LABEL {
    int64_t key;
    uint32_t entry;
    const TOKEN* token;
};

// Whether the cases of a switch can be chosen by the switch value's key.
enum KEYS_STATE : uint8_t { keys_unknown, keys_none, keys_ready };

// A label of a switch whose cases are all braced with plain labels, among
// the labels of every case in their order; a case without labels has one
// with a null token. `last`: the last of its case.
struct FLAT_LABEL {
    TOKEN* token;
    bool literal;
    bool last;
    uint32_t entry;
};

struct SWITCH_PLAN {
    std::vector<SWITCH_ENTRY> entries;
    // Learnt once every case's labels are known (see keyed_labels): the
    // labels of all cases in their order, and the first case without any.
    KEYS_STATE keys_state = keys_unknown;
    char key_type = 0;  // tag_int or tag_char
    std::vector<KEYED_LABEL> keys;
    uint32_t first_default = UINT32_MAX;
    // The labels of the first cases in their order, each with its case, up
    // to case flat_end (see gather_flat_labels).
    bool flat_known = false;
    uint32_t flat_end = 0;
    std::vector<FLAT_LABEL> flat;
};

SWITCH_PLAN make_switch_plan(TOKEN* block) {
    SWITCH_PLAN plan;
    const TOKEN_LIST statements(block, ';');
    const uint32_t declared = implicit_declaration_count(block);
    const uint32_t cases = statements.count() > declared ? statements.count() - declared : 0;
    for (uint32_t index = 0; index < cases; ++index) {
        TOKEN* statement = statements[index];
        if (statement == nullptr) break;  // an empty operand ends the list
        SWITCH_ENTRY entry{
            statement, is_empty_operand(statement), false, nullptr, false, labels_unknown, {}, nullptr, false, {}};
        entry.is_case = !entry.is_empty && is_call_token(statement) && *statement->text == "case";
        if (entry.is_case && statement->left != nullptr) {
            entry.parts = &argument_list_of(statement->left);
            const uint32_t n = entry.parts->count();
            const TOKEN* last = n > 0 ? (*entry.parts)[n - 1] : nullptr;
            // An empty block {} is braced as well: its code value holds it.
            entry.braced = last != nullptr && last->block_mode == block_mode_braced;
            if (entry.braced) {
                entry.body = const_cast<TOKEN*>(last);
                entry.lone_body = !(last->op1 == ';' && last->op2 == 0) && !is_empty_operand(last);
                append_operands(entry.body, ';', &entry.body_statements);
            }
        }
        plan.entries.push_back(std::move(entry));
    }
    return plan;
}

// Runs the block of a braced case as run_chosen_block would run it.
void run_case_body(const SWITCH_ENTRY& entry, RESULT_ITEM this_item) {
    TOKEN* body = entry.body;
    if (entry.lone_body && !block_has_variables(body) && stack_room_here() >= 4096 + 4096)
        execute_lone_statement(body, this_item);
    else execute_block_statements(body, entry.body_statements, this_item);
}

// The statements of a switch block, looked at once per block and program
// (the tree stands still while a program runs). A plan is never freed while
// the program runs, since a switch nested in a case may still be walking it.
struct KEPT_PLAN {
    uint64_t generation = 0;
    std::unique_ptr<SWITCH_PLAN> plan;
};
// Kept at file level rather than in switch_plan, which then needs no guard
// on every call.
std::unordered_map<const TOKEN*, KEPT_PLAN> kept_plans;
std::vector<std::unique_ptr<SWITCH_PLAN>> retired_plans;
// The plans of the last few switches run, so that nested switches and
// switches that take turns in a loop find theirs at once.
struct RECENT_PLAN {
    const TOKEN* block = nullptr;
    SWITCH_PLAN* plan = nullptr;
    uint64_t generation = 0;
};
constexpr uint32_t recent_count = 4;
RECENT_PLAN recent_plans[recent_count];
uint32_t next_recent = 0;

SWITCH_PLAN& switch_plan(TOKEN* block) {
    for (const RECENT_PLAN& seen : recent_plans)
        if (seen.block == block && seen.generation == routine_tables_generation) return *seen.plan;
    KEPT_PLAN& kept = kept_plans[block];
    if (kept.plan == nullptr || kept.generation != routine_tables_generation) {
        if (kept.plan != nullptr) retired_plans.push_back(std::move(kept.plan));
        kept.plan = std::make_unique<SWITCH_PLAN>(make_switch_plan(block));
        kept.generation = routine_tables_generation;
    }
    recent_plans[next_recent] = RECENT_PLAN{block, kept.plan.get(), kept.generation};
    next_recent = (next_recent + 1) % recent_count;
    return *kept.plan;
}

// The most values of a case read into cells on the stack.
constexpr uint32_t inline_values = 16;

// The value of a literal or variable among the values of a case: what
// plain_operand finds, or another variable's item appended to the list.
UNION_DATA* case_value(TOKEN* part, RESULT_ITEM this_item, RESULT_LIST& named) {
    // The two common answers first, read in place.
    if (part->evaluator == eval_variable) {
        if (UNION_DATA* cell = declared_plain_cell(part->declaration)) return cell;
    } else if (part->constant != nullptr) {
        return part->constant.get();
    }
    if (UNION_DATA* cell = plain_operand(part)) return cell;
    eval_cached(part, this_item, named);
    return named.tail->item.cell;
}

// Whether a case whose last argument is a braced block can be decided
// without an argument frame: its values are literals or variables (or,
// without a switch value, int comparisons) whose evaluation runs no code
// and gives one result each. Such a case decides as the general road does:
// every value is evaluated before the first comparison, and none can raise.
bool plain_case(const TOKEN_LIST& parts, bool by_value) {
    const uint32_t n = parts.count();
    for (uint32_t i = 0; i + 1 < n; ++i) {
        const TOKEN* part = parts[i];
        if (!part->result_stack.empty()) return false;
        if (by_value) {
            const EVAL_HANDLER handler = part->evaluator;
            if (handler != eval_variable && handler != eval_int_literal && handler != eval_str_literal &&
                handler != eval_char_literal)
                return false;
        } else if (fast_comparison(part) < 0) {
            return false;
        }
    }
    return true;
}

// The block of the case when it matches, without a frame (see plain_case).
// Every value is read before the first comparison, as a frame reads them.
TOKEN* match_plain_case(const TOKEN_LIST& parts, UNION_DATA* value, RESULT_ITEM this_item) {
    const uint32_t last = parts.count() - 1;
    bool match = last == 0;
    if (value == nullptr) {
        for (uint32_t i = 0; i < last && !match; ++i) match = fast_comparison(parts[i]) == 1;
        return match ? parts[last] : nullptr;
    }
    UNION_DATA* inline_cells[inline_values];
    std::vector<UNION_DATA*> more;
    UNION_DATA** cells = inline_cells;
    if (last > inline_values) {
        more.resize(last);
        cells = more.data();
    }
    RESULT_LIST named;
    for (uint32_t i = 0; i < last; ++i) cells[i] = case_value(parts[i], this_item, named);
    for (uint32_t i = 0; i < last && !match; ++i) match = values_equal(value, cells[i]);
    return match ? parts[last] : nullptr;
}

// Whether the values of a braced case are literals and variables, learnt
// into its labels the first time their handlers tell (and from then on
// known); false while they do not.
__attribute__((noinline)) bool learn_plain_labels(SWITCH_ENTRY& entry) {
    const TOKEN_LIST& parts = *entry.parts;
    const uint32_t last = parts.count() - 1;
    if (last > inline_values) {
        entry.labels_state = labels_other;
        return false;
    }
    std::vector<CASE_LABEL> labels;
    for (uint32_t i = 0; i < last; ++i) {
        TOKEN* part = parts[i];
        const EVAL_HANDLER handler = part->evaluator;
        if (handler == eval_node) return false;  // not evaluated yet
        if (handler == eval_variable) {
            labels.push_back(CASE_LABEL{part, false});
        } else if (handler == eval_int_literal || handler == eval_str_literal || handler == eval_char_literal) {
            if (plain_operand(part) == nullptr) return false;  // its constant is made later
            labels.push_back(CASE_LABEL{part, true});
        } else {
            entry.labels_state = labels_other;
            return false;
        }
    }
    entry.labels = std::move(labels);
    entry.labels_state = labels_plain;
    return true;
}

inline bool plain_labels(SWITCH_ENTRY& entry) {
    if (entry.labels_state != labels_unknown) return entry.labels_state == labels_plain;
    return learn_plain_labels(entry);
}

// values_equal of the switch value (aliases followed) and a value of a case,
// with two defined values of one int, oper or char type compared at once.
bool equal_to_label(UNION_DATA* value, UNION_DATA* cell) {
    const char type = lower_tag(cell->tag);
    if (type == lower_tag(value->tag) && cell->payload != nullptr && value->payload != nullptr) {
        switch (type) {
        case tag_oper:
            return cell->scalar.oper_chars[0] == value->scalar.oper_chars[0] &&
                   cell->scalar.oper_chars[1] == value->scalar.oper_chars[1];
        case tag_char: return cell->scalar.char_byte == value->scalar.char_byte;
        case tag_int: {
            // A literal's constant keeps a record, a variable mostly the word.
            int64_t m = 0;
            int64_t n = 0;
            if (cell_int64(cell, m) && cell_int64(value, n)) return m == n;
            break;
        }
        default: break;
        }
    }
    return values_equal(value, cell);
}

// A case of plain labels against the switch value, every label read in
// place before the first comparison as a frame reads them: whether it
// matches; `read` false, with nothing decided, when a label cannot be read
// in place this time (a member, a parameter with a role, a list parked on
// it), which leaves the case to the general roads. `value` is the switch
// value with its aliases followed, found (and its cell's life checked) at
// the first case read: reading plain labels runs nothing that could change
// it, so it stays until a case takes a general road.
bool match_labels(const SWITCH_ENTRY& entry, UNION_DATA* value_cell, const CELL_WATCH& value_watch, TOKEN* node,
                  UNION_DATA*& value, bool& read) {
    const size_t n = entry.labels.size();
    UNION_DATA* cells[inline_values];
    for (size_t i = 0; i < n; ++i) {
        const CASE_LABEL& label = entry.labels[i];
        TOKEN* token = label.token;
        UNION_DATA* cell = nullptr;
        if (token->result_stack.empty())
            cell = label.literal ? token->constant.get() : declared_plain_cell(token->declaration);
        if (cell == nullptr) {
            read = false;
            return false;
        }
        cells[i] = cell;
    }
    read = true;
    if (value == nullptr) {
        if (!value_watch.alive()) raise_check(node, statement_name("switch"), msg_text("insnicdef"));
        value = follow_aliases(value_cell);
    }
    for (size_t i = 0; i < n; ++i)
        if (equal_to_label(value, cells[i])) return true;
    return n == 0;
}

// The key of a text among a switch's text labels: a hash of the characters
// up to the first zero byte, the part flat_case compares; labels whose key
// matches are compared in full.
int64_t text_key(const char* text) {
    uint64_t hash = 14695981039346656037u;
    for (; *text != 0; ++text) hash = (hash ^ static_cast<unsigned char>(*text)) * 1099511628211u;
    return static_cast<int64_t>(hash);
}

// Whether every statement of the switch is a braced case whose labels are
// int literals only, char literals only or text literals only (a case
// without labels among them): the labels are then gathered into the plan's
// keys, once every case's labels are known. Such labels read as their
// constants, compare with a value of their own type by the number, byte or
// text alone, and no label runs anything, so the first case holding the
// value's key (or the first without labels before it) is the one the cases
// tried in turn would take.
bool keyed_labels(SWITCH_PLAN& plan) {
    if (plan.keys_state != keys_unknown) return plan.keys_state == keys_ready;
    char type = 0;
    std::vector<KEYED_LABEL> keys;
    uint32_t first_default = UINT32_MAX;
    for (uint32_t index = 0; index < plan.entries.size(); ++index) {
        SWITCH_ENTRY& entry = plan.entries[index];
        if (entry.is_empty) continue;
        if (!entry.is_case || !entry.braced || entry.parts == nullptr) {
            plan.keys_state = keys_none;
            return false;
        }
        if (!plain_labels(entry)) {
            if (entry.labels_state == labels_other) plan.keys_state = keys_none;
            return false;  // not known yet, or not plain
        }
        if (entry.labels.empty() && first_default == UINT32_MAX) first_default = index;
        for (const CASE_LABEL& label : entry.labels) {
            const UNION_DATA* constant = label.literal ? label.token->constant.get() : nullptr;
            const char label_type = constant != nullptr && constant->payload != nullptr ? lower_tag(constant->tag) : 0;
            int64_t key = 0;
            bool keyed = false;
            if (label_type == tag_int) {
                keyed = cell_int64(constant, key);  // a number beyond a machine word is no key
            } else if (label_type == tag_char) {
                key = static_cast<unsigned char>(constant->scalar.char_byte);
                keyed = true;
            } else if (label_type == tag_str) {
                key = text_key(constant->str_data()->text.c_str());
                keyed = true;
            }
            if (!keyed || (type != 0 && type != label_type)) {
                plan.keys_state = keys_none;
                return false;
            }
            type = label_type;
            keys.push_back(KEYED_LABEL{key, index, label.token});
        }
    }
    if (type == 0) {
        plan.keys_state = keys_none;
        return false;
    }
    plan.key_type = type;
    plan.keys = std::move(keys);
    plan.first_default = first_default;
    plan.keys_state = keys_ready;
    return true;
}

// A switch whose cases are keyed (see keyed_labels) and whose value is a
// defined value of the keys' type: runs the case the value's key chooses
// and returns true. False, with nothing done, for any other switch or value,
// and while a label has a list parked on it; the cases are tried in turn then.
bool keyed_case(SWITCH_PLAN& plan, TOKEN* node, UNION_DATA* value_cell, const CELL_WATCH& value_watch,
                RESULT_ITEM this_item) {
    if (!keyed_labels(plan)) return false;
    // The value's cell is checked as the first case read would check it.
    if (!value_watch.alive()) raise_check(node, statement_name("switch"), msg_text("insnicdef"));
    const UNION_DATA* peek = follow_aliases(value_cell);
    if (peek->payload == nullptr || lower_tag(peek->tag) != plan.key_type) return false;
    int64_t key = 0;
    const char* text = nullptr;
    if (plan.key_type == tag_char) {
        key = static_cast<unsigned char>(peek->scalar.char_byte);
    } else if (plan.key_type == tag_str) {
        text = peek->str_data()->text.c_str();
        key = text_key(text);
    } else if (!cell_int64(peek, key)) {
        return false;
    }
    uint32_t chosen = plan.first_default;
    for (const KEYED_LABEL& label : plan.keys) {
        if (label.entry > chosen) break;
        if (!label.token->result_stack.empty()) return false;
        if (label.key == key &&
            (text == nullptr || std::strcmp(label.token->constant->str_data()->text.c_str(), text) == 0))
            chosen = label.entry;
    }
    if (chosen == UINT32_MAX) return true;
    run_case_body(plan.entries[chosen], this_item);
    return true;
}

// Gathers into the plan the labels of the switch's first cases that are
// braced with plain labels (empty statements passed over), up to the first
// other statement or case whose labels are not known yet.
void gather_flat_labels(SWITCH_PLAN& plan) {
    std::vector<FLAT_LABEL> flat;
    uint32_t index = 0;
    for (; index < plan.entries.size(); ++index) {
        SWITCH_ENTRY& entry = plan.entries[index];
        if (entry.is_empty) continue;
        if (!entry.is_case || !entry.braced || entry.parts == nullptr || !plain_labels(entry)) break;
        if (entry.labels.empty()) flat.push_back(FLAT_LABEL{nullptr, false, true, index});
        for (size_t i = 0; i < entry.labels.size(); ++i)
            flat.push_back(
                FLAT_LABEL{entry.labels[i].token, entry.labels[i].literal, i + 1 == entry.labels.size(), index});
    }
    plan.flat = std::move(flat);
    plan.flat_end = index;
    plan.flat_known = true;
}

// The plan's gathered labels (see gather_flat_labels), gathered again when
// the case they stop at has had its labels learnt since.
const std::vector<FLAT_LABEL>& flat_labels(SWITCH_PLAN& plan) {
    if (!plan.flat_known) {
        gather_flat_labels(plan);
    } else if (plan.flat_end < plan.entries.size()) {
        const SWITCH_ENTRY& stop = plan.entries[plan.flat_end];
        if (stop.is_case && stop.braced && stop.parts != nullptr && stop.labels_state == labels_plain)
            gather_flat_labels(plan);
    }
    return plan.flat;
}

// A flat label's cell, read in place; null when it cannot be read so now.
inline UNION_DATA* flat_label_cell(const FLAT_LABEL& label) {
    const TOKEN* token = label.token;
    if (!token->result_stack.empty()) return nullptr;
    return label.literal ? token->constant.get() : declared_plain_cell(token->declaration);
}

// The labels of flat_case tried against a value of one type, SAME telling
// whether a defined label cell of that type equals it. A label once read
// that is no defined value of the type ends the walk at its case (every
// later label of the case would leave the case to the general roads too),
// and a case that matches has its remaining labels read before it runs.
template <typename SAME>
uint32_t walk_flat_labels(SWITCH_PLAN& plan, char type, RESULT_ITEM this_item, SAME same) {
    const FLAT_LABEL* label = plan.flat.data();
    const FLAT_LABEL* const end = label + plan.flat.size();
    for (; label != end; ++label) {
        if (label->token != nullptr) {
            const UNION_DATA* cell = flat_label_cell(*label);
            if (cell == nullptr || lower_tag(cell->tag) != type || cell->payload == nullptr) return label->entry;
            int answer = same(cell);
            if (answer < 0) return label->entry;
            if (answer == 0) continue;
            for (; !label->last; ++label)
                if (flat_label_cell(label[1]) == nullptr) return label->entry;
        }
        run_case_body(plan.entries[label->entry], this_item);
        return static_cast<uint32_t>(plan.entries.size());
    }
    return plan.flat_end;
}

// The first cases of a switch that have plain labels (see flat_labels)
// tried in turn against a value that is a defined oper, char, int or str, as
// match_labels tries them one by one, without going through each case
// again: runs the case that matches and returns the number of cases, or
// returns the index of the case from which the cases must be tried one by
// one, nothing of it having been decided: the first case not gathered, one
// whose label cannot be read in place now, or one whose labels are not all
// of the value's type (their comparison may run code, and takes the order
// of match_labels).
uint32_t flat_case(SWITCH_PLAN& plan, UNION_DATA* value_cell, const CELL_WATCH& value_watch, RESULT_ITEM this_item,
                   UNION_DATA*& plain_value) {
    if (flat_labels(plan).empty() || !value_watch.alive()) return 0;
    UNION_DATA* value = follow_aliases(value_cell);
    const char type = lower_tag(value->tag);
    if (value->payload == nullptr || (type != tag_oper && type != tag_char && type != tag_int && type != tag_str))
        return 0;
    int64_t number = 0;
    if (type == tag_int && !cell_int64(value, number)) return 0;
    // Reading a label and comparing values of one type run nothing, so the
    // value found now stands for every case read here.
    plain_value = value;
    switch (type) {
    case tag_oper: {
        const char first = value->scalar.oper_chars[0];
        const char second = value->scalar.oper_chars[1];
        return walk_flat_labels(plan, type, this_item, [first, second](const UNION_DATA* cell) {
            return cell->scalar.oper_chars[0] == first && cell->scalar.oper_chars[1] == second ? 1 : 0;
        });
    }
    case tag_char: {
        const char byte = value->scalar.char_byte;
        return walk_flat_labels(plan, type, this_item,
                                [byte](const UNION_DATA* cell) { return cell->scalar.char_byte == byte ? 1 : 0; });
    }
    case tag_int:
        return walk_flat_labels(plan, type, this_item, [number](const UNION_DATA* cell) {
            int64_t m = 0;
            if (!cell_int64(cell, m)) return -1;
            return m == number ? 1 : 0;
        });
    default: {
        const char* text = value->str_data()->text.c_str();
        return walk_flat_labels(plan, type, this_item, [text](const UNION_DATA* cell) {
            return std::strcmp(cell->str_data()->text.c_str(), text) == 0 ? 1 : 0;
        });
    }
    }
}

// The block of the case when it matches, decided on the general road.
// `value`: the switch value's item as its frame holds it; null without one.
TOKEN* match_case(TOKEN* node, TOKEN* statement, UNION_DATA* value_cell, const CELL_WATCH& value_watch,
                  RESULT_ITEM this_item) {
    static const std::string routine = statement_name("switch");
    static const std::string case_routine = statement_name("case");
    ARG_FRAME case_frame(statement->left, this_item, true);
    if (case_frame.check_count_range(1, -1) != nullptr) raise_check(node, case_routine, case_frame.message(false));
    const uint32_t last = case_frame.count() - 1;
    require_code(case_frame, last, node, case_routine);
    bool match = last == 0;
    if (value_cell == nullptr) {
        for (uint32_t i = 0; i < last; ++i)
            if (case_frame.check_type(i, 'b', true) != nullptr)
                raise_check(node, case_routine, case_frame.message(false));
        for (uint32_t i = 0; i < last && !match; ++i) match = case_frame.value(i)->bool_word() != 0;
    } else {
        if (!value_watch.alive()) raise_check(node, routine, msg_text("insnicdef"));
        UNION_DATA* value = follow_aliases(value_cell);
        for (uint32_t i = 0; i < last && !match; ++i)
            match = is_equal_value(value, follow_aliases(case_frame[i].cell), true);
    }
    return match ? code_block(case_frame[last]) : nullptr;
}

// switch(v, {...}) with the block braced and nothing parked on the
// arguments: the value's node, which is evaluated alone (the block is taken
// as written, no code value made for it); null for every other shape.
TOKEN* braced_switch_value(TOKEN* node) {
    TOKEN* arguments = node->left;
    if (arguments == nullptr || !arguments->result_stack.empty() || arguments->block_mode == block_mode_running)
        return nullptr;
    const TOKEN_LIST& parts = argument_list_of(arguments);
    if (parts.count() != 2) return nullptr;
    const TOKEN* block = parts[1];
    if (block->block_mode != block_mode_braced || is_empty_operand(block)) return nullptr;
    return parts[0];
}

// Runs the cases of a switch block; `value_cell` is null for a switch
// without a value.
void run_cases(TOKEN* node, TOKEN* block, UNION_DATA* value_cell, const CELL_WATCH& value_watch,
               RESULT_ITEM this_item) {
    static const std::string routine = statement_name("switch");
    const bool by_value = value_cell != nullptr;
    // The cases are the block's statements but the declarations of the names
    // first used in them, which live while the switch runs.
    const BLOCK_VARIABLES variables(block);
    UNION_DATA* plain_value = nullptr;  // see match_labels
    SWITCH_PLAN& plan = switch_plan(block);
    if (fast_paths && by_value && keyed_case(plan, node, value_cell, value_watch, this_item)) return;
    uint32_t first = 0;
    if (fast_paths && by_value) first = flat_case(plan, value_cell, value_watch, this_item, plain_value);
    if (first == 0) plain_value = nullptr;  // found again by the first case read
    for (uint32_t index = first; index < plan.entries.size(); ++index) {
        SWITCH_ENTRY& entry = plan.entries[index];
        if (entry.is_empty) continue;
        if (!entry.is_case)
            raise_error(entry.statement, routine_kind_procedure, routine.c_str(), msg_text("keicasanwswi"),
                        error_kind_system);
        TOKEN* matched = nullptr;
        bool read = false;
        if (fast_paths && by_value && entry.braced && plain_labels(entry)) {
            if (match_labels(entry, value_cell, value_watch, node, plain_value, read)) {
                run_case_body(entry, this_item);
                return;
            }
        }
        if (read) continue;
        plain_value = nullptr;  // the general roads may run code
        if (fast_paths && entry.braced && plain_case(*entry.parts, by_value)) {
            if (by_value && !value_watch.alive()) raise_check(node, routine, msg_text("insnicdef"));
            UNION_DATA* value = by_value ? follow_aliases(value_cell) : nullptr;
            matched = match_plain_case(*entry.parts, value, this_item);
            if (matched != nullptr) {
                run_case_body(entry, this_item);
                return;
            }
            continue;
        } else {
            matched = match_case(node, entry.statement, value_cell, value_watch, this_item);
        }
        if (matched != nullptr) {
            run_block(matched, this_item);
            return;
        }
    }
}

}  // namespace

void exec_switch(TOKEN* node, RESULT_ITEM this_item) {
    const HOLD_SCOPE holds;  // what the value's evaluation holds lives while the cases run
    if (TOKEN* value_node = braced_switch_value(node)) {
        TOKEN* block = argument_list_of(node->left)[1];
        // A plain variable's cell is what a frame would hold as the value (it
        // lives as long as the switch runs, and a case that changes it is
        // compared with its new value either way). plain_variable, inline.
        UNION_DATA* value =
            value_node->evaluator == eval_variable ? declared_plain_cell(value_node->declaration) : nullptr;
        if (value != nullptr) {
            const CELL_WATCH value_watch(RESULT_ITEM{value, value->access_mode, 0});
            run_cases(node, block, value, value_watch, this_item);
            return;
        }
        RESULT_LIST values;
        eval_cached(value_node, this_item, values);
        if (values.count == 1) {
            const CELL_WATCH value_watch(values.head->item);
            run_cases(node, block, values.head->item.cell, value_watch, this_item);
            return;
        }
        // Any other number of values is the frame's to judge: it takes the
        // list over, completed by the block's code value.
        values.append(make_code_value(block, this_item));
        push_result_list(node->left, new RESULT_LIST(std::move(values)));
    }
    static const std::string routine = statement_name("switch");
    ARG_FRAME frame(node->left, this_item, true);
    if (frame.check_count_range(1, 2) != nullptr) raise_check(node, routine, frame.message(false));
    const bool by_value = frame.count() == 2;
    const uint32_t block_index = by_value ? 1 : 0;
    require_code(frame, block_index, node, routine);
    TOKEN* block = code_block(frame[block_index]);
    // The switch value is compared after the arguments of earlier cases ran.
    const CELL_WATCH value_watch(frame[0]);
    run_cases(node, block, by_value ? frame[0].cell : nullptr, value_watch, this_item);
}

// ---- repetition ----

void exec_repeat(TOKEN* node, RESULT_ITEM this_item) {
    ARG_FRAME count_frame(node->left, this_item, true);
    const char* refusal = count_frame.check_count(1);
    if (refusal == nullptr) refusal = count_frame.check_type(0, 'i', true);
    if (refusal != nullptr)
        raise_error(node, routine_kind_operator, ";;", count_frame.message(true), error_kind_system);
    ARG_FRAME block_frame(node->right, this_item, true);
    refusal = block_frame.check_count(1);
    if (refusal == nullptr) refusal = block_frame.check_type(0, 'x', true);
    if (refusal != nullptr)
        raise_error(node, routine_kind_operator, ";;", block_frame.message(true), error_kind_system);
    repeat_loop(this_item, count_frame[0], code_block(block_frame[0]));
}

void repeat_loop(RESULT_ITEM this_item, RESULT_ITEM count, TOKEN* block) {
    // The count is read once: a block that changes the count variable does
    // not change the number of runs.
    const INT_DATA n = *argument_value(count.cell)->int_data();
    // Once a counter is pending, every further run would stop before its
    // first statement; while an exception is pending, only a block with a
    // catch or exit statement could still do anything. Stopping there looks
    // the same from outside and keeps a huge count from spinning.
    auto futile = [block]() {
        if (control_pending()) return true;
        return pending_exception != nullptr && !block_may_run_while_pending(block);
    };
    int64_t small = 0;
    if (fits_int64(n, &small)) {
        for (int64_t i = 0; i < small; ++i) {
            run_block(block, this_item);
            if (futile()) return;
        }
        return;
    }
    for (INT_DATA i(0); i < n; i += INT_DATA(1)) {
        run_block(block, this_item);
        if (futile()) return;
    }
}

// ---- blank operator ----

namespace {

// One item of a declaration: an initialising assignment or a member call
// runs, a plain name has nothing to do.
void apply_item(TOKEN* item, RESULT_ITEM this_item) {
    const bool member_call = item->op1 == '.' && item->op2 == 0 && item->right != nullptr && is_call_token(item->right);
    if (is_simple_assignment(item) || member_call) {
        if (pending_exception == nullptr) execute_node_guarded(item, this_item);
    } else if (!is_plain_name(item) && pending_exception == nullptr) {
        raise_system_error(item, msg_text("anwrecdoppunnicausfue"));
    }
}

// A declaration of one item: its word has been looked at once.
void exec_apply_one(TOKEN* node, RESULT_ITEM this_item) { apply_item(node->right, this_item); }

// Puts the running statement back however the item's executor leaves.
struct ITEM_STATEMENT {
    const TOKEN* saved = current_statement;
    explicit ITEM_STATEMENT(const TOKEN* item) { current_statement = item; }
    ~ITEM_STATEMENT() { current_statement = saved; }
    ITEM_STATEMENT(const ITEM_STATEMENT&) = delete;
    ITEM_STATEMENT& operator=(const ITEM_STATEMENT&) = delete;
};

// A declaration of one name with an initial value ("int i = e"), the most
// common declaration in routine and loop bodies: the item's form is known,
// so its assignment runs as apply_item would run it (stack checked, the
// item the running statement) without a further call level, and at the
// cost of the same assignment written on its own.
void exec_apply_assignment(TOKEN* node, RESULT_ITEM this_item) {
    if (pending_exception != nullptr) return;
    TOKEN* item = node->right;
    if (!stack_below_limit(static_cast<const char*>(__builtin_frame_address(0)))) check_stack_depth(item);
    const ITEM_STATEMENT running(item);
    item->executor(item, this_item);
}

}  // namespace

const TOKEN* declared_assignment(const TOKEN* statement) {
    return statement->executor == exec_apply_assignment ? statement->right : nullptr;
}

void exec_apply(TOKEN* node, RESULT_ITEM this_item) {
    TOKEN* word = node->left;
    if (is_word(word, "need")) {
        run_need(node, this_item);
        return;
    }
    if (is_word(word, "bigtype") || is_word(word, "smalltype") || is_word(word, "func") || is_word(word, "proc"))
        return;  // definitions: the analysis has taken care of them
    TOKEN* items = node->right;
    if (items == nullptr) return;
    if (!(items->op1 == ',' && items->op2 == 0)) {
        // The tree stands still: later runs go to the one item directly.
        node->executor = is_simple_assignment(items) ? exec_apply_assignment : exec_apply_one;
        apply_item(items, this_item);
        return;
    }
    for (TOKEN* item : TOKEN_LIST(items, ',')) {
        if (item != nullptr) apply_item(item, this_item);
    }
}

}  // namespace morvu
