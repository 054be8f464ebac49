// system, proc, del and clear: run a shell command, call a procedure by a
// name computed at run time, destroy values and empty them.
//
// del and clear free the nodes of containers. A for/For walk holds on to the
// nodes of the value it walks, so neither statement may touch a value while a
// walk runs over it or over any container nested inside it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "eval/arg_frame.h"
#include "eval/evaluator.h"
#include "exec/call_routine.h"
#include "exec/control_statements.h"
#include "types/method_call.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "runtime/terminal.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/walk_pins.h"

namespace morvu {

namespace {

// The running walks counted in the cell's own payload (0 for values that
// keep no count).
[[gnu::always_inline]] inline int32_t walk_count(const UNION_DATA* cell) {
    if (cell->payload == nullptr) return 0;
    switch (lower_tag(cell->tag)) {
    case tag_str: return cell->str_data()->walks();
    case tag_file: return cell->file_data()->iteration_count;
    case tag_dir: return cell->dir_data()->iteration_count;
    case tag_list:
    case tag_args: return cell->list_data()->iteration_count;
    case tag_array: return cell->array_data()->iteration_count;
    case tag_hash:
    case tag_set: return cell->hash_data()->iteration_count;
    case tag_array2: return cell->array2_data()->iterations;
    case tag_graph: return cell->graph_data()->iterations;
    default: return 0;
    }
}

[[noreturn]] void raise_statement(TOKEN* node, const char* routine, const std::string& message) {
    raise_error(node, routine_kind_procedure, routine, message, error_kind_system);
}

// Refuses, under the statement's name, a value that a walk is iterating.
void refuse_during_iteration(TOKEN* node, const UNION_DATA* cell, const std::string& key) {
    if (!value_under_iteration(cell)) return;
    raise_system_error(node, method_context(node, "sys", key, false) + ' ' + msg_text("unzwaeite"));
}

}  // namespace

namespace {

// Whether the cell's value holds more than `limit` cells of its own, told
// by its count for the containers that keep one; false for the others.
bool holds_more_than(const UNION_DATA* cell, size_t limit) {
    if (cell->payload == nullptr) return false;
    switch (lower_tag(cell->tag)) {
    case tag_list:
    case tag_args: return static_cast<size_t>(cell->list_data()->node_count) > limit;
    case tag_array: return cell->array_data()->slots.size() > limit;
    case tag_hash:
    case tag_set: return static_cast<size_t>(cell->hash_data()->pair_count) > limit / 2;
    default: return false;
    }
}

// Whether a walk runs over a value inside the cell's value, searched for
// cell by cell; a search through more than `budget` cells ends there with
// true, before the cells of a value that holds too many are gathered.
[[gnu::noinline]] bool walked_inside(const UNION_DATA* cell, size_t budget) {
    // Kept from call to call: a walk's element asked about on every read
    // would otherwise cost a few allocations each time. Nothing here runs
    // code, so no second search can start while one is under way; the room
    // a large value needed is given back.
    static std::vector<UNION_DATA*> stack;
    constexpr size_t kept_room = 1024;
    stack.clear();
    if (holds_more_than(cell, budget)) return true;
    append_child_cells(cell, stack);
    bool walked = false;
    while (!stack.empty() && !walked) {
        if (stack.size() > budget) {
            walked = true;
            break;
        }
        --budget;
        const UNION_DATA* next = stack.back();
        stack.pop_back();
        if (is_link_cell(next)) continue;
        walked = walk_count(next) != 0 || holds_more_than(next, budget - stack.size());
        if (!walked) append_child_cells(next, stack);
    }
    if (stack.capacity() > kept_room) std::vector<UNION_DATA*>().swap(stack);
    return walked;
}

}  // namespace

namespace {

// value_walked past the look at the listed walks: the cell's own count, then
// the search.
[[gnu::noinline]] bool value_walked_slowly(const UNION_DATA* cell, char lowered, size_t budget) {
    if (walk_count(cell) != 0) return true;
    // Only a container or an object holds cells a walked payload may sit in,
    // and none does while every walk runs over a variable's own value.
    if (!is_nesting_tag(lowered) || walks_only_over_variables()) return false;
    return walked_inside(cell, budget);
}

constexpr size_t unbounded = static_cast<size_t>(-1);

}  // namespace

bool value_walked(const UNION_DATA* cell) { return value_walked_within(cell, unbounded); }

bool value_walked_within(const UNION_DATA* cell, size_t budget) {
    if (cell == nullptr || running_walks == 0) return false;
    // A value that no walk runs over and that holds no cells (an int, a
    // real, a char, a link, ...) is let through by its tag. Links are not
    // followed (del and clear of a link leave its target alone), so every
    // cell is met at most once: no visited set is needed.
    const char lowered = lower_tag(cell->tag);
    if (!is_walkable_tag(lowered) && !is_nesting_tag(lowered)) return false;
    if (is_link_cell(cell)) return false;
    // While every walk runs over a variable's own value, a look at those
    // walks tells; a text, whose walk count may have been copied or let go,
    // is asked its own count.
    if (lowered != tag_str) {
        const LISTED_WALKS listed = listed_walks_over(cell->payload);
        if (listed != LISTED_WALKS::unknown) return listed == LISTED_WALKS::walked;
    }
    return value_walked_slowly(cell, lowered, budget);
}

void exec_system(TOKEN* node, RESULT_ITEM this_item) {
    static constexpr const char* routine = "sys:system";
    ARG_FRAME frame(node->left, this_item, true);
    if (frame.check_count(1) != nullptr || frame.check_type(0, 's', true) != nullptr)
        raise_statement(node, routine, frame.message(false));
    // Whatever the program wrote must reach its target before the command
    // writes, or the two outputs interleave out of order.
    console_stream.flush();
    std::fflush(nullptr);
    [[maybe_unused]] int status = std::system(frame.value(0)->str_data()->text.c_str());
}

void exec_proc(TOKEN* node, RESULT_ITEM this_item) {
    UNWIND_RESULT_STACK unwind(node);
    ROUTINE_REQUEST request;
    request.node = node;
    request.receiver = this_item;
    request.context = this_item;
    request.runtime_name = true;
    if (call_routine_status(request) == CALL_OUTCOME::not_defined)
        raise_statement(node, "sys:proc", not_defined_message());
}

void exec_del(TOKEN* node, RESULT_ITEM this_item) {
    static const std::string key = std::string("del") + method_key_mark;
    ARG_FRAME frame(node->left, this_item, true);
    for (uint32_t i = 0; i < frame.count(); ++i) {
        UNION_DATA* cell = follow_aliases(frame[i].cell);
        raise_infeasible_for_constant(node, frame[i], "sys", key, true);
        if (is_any_cell(cell) && has_foreign_referrers(cell))
            raise_statement(node, "sys:del", msg_text("desobjtypvoinicherl"));
        refuse_during_iteration(node, cell, key);
        dissolve_link_value(cell);
    }
}

void exec_clear(TOKEN* node, RESULT_ITEM this_item) {
    static const std::string key = std::string("clear") + method_key_mark;
    ARG_FRAME frame(node->left, this_item, true);
    for (uint32_t i = 0; i < frame.count(); ++i) {
        UNION_DATA* cell = follow_aliases(frame[i].cell);
        if (!is_defined_value(cell)) raise_statement(node, "sys:clear", msg_text("insnicdef"));
        raise_infeasible_for_constant(node, frame[i], "sys", key, true);
        if (is_any_cell(cell) && has_foreign_referrers(cell))
            raise_statement(node, "sys:clear", msg_text("loeobjtypvoinicherl"));
        refuse_during_iteration(node, cell, key);
        clear_payload(cell);
    }
}

}  // namespace morvu
