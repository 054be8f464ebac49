#include "exec/control_counters.h"

#include "eval/arg_frame.h"
#include "eval/evaluator.h"
#include "frontend/token.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/union_data.h"

namespace morvu {

std::unique_ptr<INT_DATA> pending_return;
std::unique_ptr<INT_DATA> pending_continue;
std::unique_ptr<INT_DATA> pending_break;

namespace {

// A counter lowered to 0 is kept for the next one set: most calls end in a
// return, which would otherwise allocate a counter and free it again.
std::unique_ptr<INT_DATA> spare_counter;

void set_to(std::unique_ptr<INT_DATA>& counter, int64_t levels) {
    if (!counter) counter = spare_counter ? std::move(spare_counter) : std::make_unique<INT_DATA>(0);
    counter->assign_int64(levels);
}

void retire(std::unique_ptr<INT_DATA>& counter) {
    if (spare_counter) counter.reset();
    else spare_counter = std::move(counter);
}

}  // namespace

void lower_counter(std::unique_ptr<INT_DATA>& counter) {
    if (!counter) return;
    // A counter is compared, never shown: a machine int of it may be
    // lowered as one.
    int64_t levels = 0;
    if (counter->to_int64(levels) && levels > 0) {
        if (levels == 1) retire(counter);
        else counter->assign_int64(levels - 1);
        return;
    }
    *counter -= INT_DATA(1);
    if (counter->is_zero() || *counter < INT_DATA(0)) counter.reset();
}

bool counter_is_one(const std::unique_ptr<INT_DATA>& counter) { return counter && *counter == INT_DATA(1); }

void release_counters() {
    pending_break.reset();
    pending_continue.reset();
    pending_return.reset();
}

void exec_nothing(TOKEN*, RESULT_ITEM) {}

namespace {

// Sets the counter to the statement's one argument, an int of at least 1. A
// refused argument leaves the counter as it was.
void set_counter(TOKEN* node, RESULT_ITEM this_item, std::unique_ptr<INT_DATA>& counter) {
    ARG_FRAME frame(node->left, this_item, true);
    const char* refusal = frame.check_count(1);
    if (refusal == nullptr) refusal = frame.check_int_min(0, 1);
    if (refusal != nullptr) {
        std::string routine = format_string("sys:%s", node->text ? node->text->c_str() : "");
        raise_error(node, routine_kind_procedure, routine.c_str(), refusal, error_kind_system);
    }
    const INT_DATA& levels = *frame.value(0)->int_data();
    if (!counter) counter = std::make_unique<INT_DATA>(0);
    *counter = levels;
}

}  // namespace

bool set_counter_from_literal(const TOKEN* node, std::unique_ptr<INT_DATA>& counter) {
    const TOKEN* argument = node->left;
    int64_t levels = 0;
    if (argument == nullptr || argument->evaluator != eval_int_literal || !argument->result_stack.empty() ||
        !argument->number->mantissa.to_int64(levels) || levels < 1)
        return false;
    set_to(counter, levels);
    return true;
}

void exec_return(TOKEN* node, RESULT_ITEM this_item) {
    if (!set_counter_from_literal(node, pending_return)) set_counter(node, this_item, pending_return);
}

void exec_continue(TOKEN* node, RESULT_ITEM this_item) {
    if (!set_counter_from_literal(node, pending_continue)) set_counter(node, this_item, pending_continue);
}

}  // namespace morvu
