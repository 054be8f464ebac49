#include "exec/for_values.h"

#include <memory>

#include "eval/arg_frame.h"
#include "eval/evaluator.h"
#include "exec/pending_exception.h"
#include "frontend/token.h"
#include "values/factories.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// Whether an argument frame on the subtree would evaluate it itself rather
// than take over a list parked for it.
bool evaluates_itself(const TOKEN* arguments) {
    const std::vector<RESULT_LIST*>& stack = arguments->result_stack;
    return stack.empty() || stack.back() == nullptr || arguments->block_mode == block_mode_running;
}

// Whether the argument at index i of n could be a range to walk.
bool walkable_position(uint32_t i, uint32_t n) { return i > 0 && i + 1 < n; }

}  // namespace

bool FOR_ARGUMENTS::has_range_to_walk(TOKEN* call) {
    TOKEN* arguments = call->left;
    if (arguments == nullptr || !evaluates_itself(arguments)) return false;
    const TOKEN_LIST& parts = argument_list_of(arguments);
    const uint32_t n = parts.count();
    for (uint32_t i = 1; walkable_position(i, n); ++i) {
        if (is_range_node(parts[i])) return true;
    }
    return false;
}

bool FOR_ARGUMENTS::evaluate(TOKEN* call, RESULT_ITEM this_item, bool abandon) {
    const TOKEN_LIST& parts = argument_list_of(call->left);
    const uint32_t n = parts.count();
    PENDING_EXCEPTION* before = pending_exception;
    ARGUMENT_HOLDS holding(list);
    for (uint32_t i = 0; i < n; ++i) {
        TOKEN* argument = parts[i];
        holding.before(argument);
        const uint32_t count_before = list.count;
        if (walkable_position(i, n) && is_range_node(argument)) {
            eval_range_span(argument, this_item, new_span(list.count).span);
        } else if (i + 1 == n && i > 0 && argument->block_mode == block_mode_braced &&
                   argument->evaluator == initial_evaluator) {
            written_block = argument;
            block_this = RESULT_ITEM{this_item.cell, this_item.mode, 0};
            last_count = 1;
            continue;
        } else {
            eval_cached(argument, this_item, list);
        }
        if (i == 0) first_count = list.count;
        if (i + 1 == n) last_count = list.count - count_before;
        if (abandon && pending_exception != before) return false;
    }
    return true;
}

FOR_ARGUMENTS::SPAN_AT& FOR_ARGUMENTS::new_span(uint32_t items_before) {
    SPAN_AT& at = span_count == 0 ? first_span : more_spans.emplace_back();
    ++span_count;
    at.items_before = items_before;
    return at;
}

bool FOR_ARGUMENTS::walkable() const {
    if (first_count != 1 || last_count != 1) return false;
    // Not a variable: the frame's check says so. A reference made read-only
    // is cut loose as a variable is.
    const RESULT_ITEM& variable = list.head->item;
    if (variable.mode <= 5 && !cuts_own_reference(variable.cell, variable.mode)) return false;
    if (written_block == nullptr) {
        UNION_DATA* code = argument_value(list.tail->item.cell);
        if (code == nullptr || !is_defined_value(code) || is_empty_value(code) || base_type_code(code) != tag_code)
            return false;
    }
    for (size_t i = 0; i < span_count; ++i) {
        const SPAN_AT& at = span_at(i);
        if (!at.span.empty && !at.span.machine) return false;
    }
    return true;
}

TOKEN* FOR_ARGUMENTS::body() const { return written_block != nullptr ? written_block : code_block(list.tail->item); }

const char* FOR_ARGUMENTS::body_and_context(TOKEN*& block, RESULT_ITEM& context) const {
    if (written_block != nullptr) {
        // Nothing has run since the block was reached: its object is there.
        block = written_block;
        context = block_this;
        return nullptr;
    }
    const CODE_DATA* code = argument_value(list.tail->item.cell)->code_data();  // holds a block
    block = code->block;
    return code_context(*code, &context);
}

bool FOR_ARGUMENTS::has_values() const {
    if (list.count + (written_block != nullptr ? 1 : 0) > 2) return true;
    for (size_t i = 0; i < span_count; ++i) {
        const SPAN_AT& at = span_at(i);
        if (!at.span.empty) return true;
    }
    return false;
}

void FOR_ARGUMENTS::park_expanded(TOKEN* call) {
    auto expanded = std::make_unique<RESULT_LIST>();
    uint32_t moved = 0;
    for (size_t i = 0; i < span_count; ++i) {
        const SPAN_AT& at = span_at(i);
        for (; moved < at.items_before; ++moved) expanded->append(pop(list));
        append_range_span(at.span, *expanded);
    }
    while (!list.empty()) expanded->append(pop(list));
    if (written_block != nullptr) expanded->append(make_code_value(written_block, block_this));
    push_result_list(call->left, expanded.release());
}

void FOR_ARGUMENTS::walk(FOR_VALUE_VISIT visit) {
    // The values between the variable (index 0) and the code (index end),
    // which the list holds unless it was written as a block.
    const uint32_t end = written_block != nullptr ? list.count : list.count - 1;
    std::vector<CELL_WATCH> watches;
    watches.reserve(end - 1);
    RESULT_NODE* watched = list.head->next;
    for (uint32_t index = 1; index < end; ++index, watched = watched->next) watches.emplace_back(watched->item);
    RESULT_NODE* node = list.head->next;
    size_t next_span = 0;
    for (uint32_t index = 1;; ++index) {
        for (; next_span < span_count && span_at(next_span).items_before == index; ++next_span) {
            if (walk_span(span_at(next_span).span, visit)) return;
        }
        if (index == end) return;
        if (visit.visit(visit.context, node->item.cell, watches[index - 1].alive())) return;
        node = node->next;
    }
}

bool FOR_ARGUMENTS::walk_span(const RANGE_SPAN& span, FOR_VALUE_VISIT visit) {
    if (span.empty) return false;
    if (span.tag == 'c') {
        for (int64_t c = span.first;; c += span.step) {
            const std::unique_ptr<UNION_DATA> cell(make_char_value(static_cast<char>(c)).cell);
            if (visit.visit(visit.context, cell.get(), true)) return true;
            if (c == span.last) return false;
        }
    }
    // One temporary int, given each element in turn; an assignment may box
    // its number into a record, which the next element replaces.
    // After a pass the visitor may take over the values that follow; it is
    // asked again after a general pass as long as it takes some.
    std::unique_ptr<UNION_DATA> cell(new_int_cell(nullptr));
    bool offer = visit.run_ints != nullptr;
    for (int64_t i = span.first;; i += span.step) {
        if (cell->payload != nullptr && !is_inline_int(cell->payload)) clear_value(cell.get());
        if (!make_inline_int(i, cell->payload))
            cell.reset(new_int_cell(std::make_unique<INT_DATA>(static_cast<long>(i))));
        if (visit.visit(visit.context, cell.get(), true)) return true;
        if (i == span.last) return false;
        if (offer) {
            int64_t next = i + span.step;
            const RANGE_RUN run = visit.run_ints(visit.context, next, span.last, span.step);
            if (run == RANGE_RUN::ended) return true;
            if (run == RANGE_RUN::span_done) return false;
            offer = next != i + span.step;
            i = next - span.step;
        }
    }
}

}  // namespace morvu
