#include "exec/control_counters.h"

#include "eval/arg_frame.h"
#include "eval/evaluator.h"
#include "frontend/token.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/union_data.h"

namespace morvu {

PENDING_COUNTER pending_return;
PENDING_COUNTER pending_continue;
PENDING_COUNTER pending_break;

PENDING_COUNTER& PENDING_COUNTER::operator=(std::unique_ptr<INT_DATA> number) {
    wide = std::move(number);
    levels = wide ? -1 : 0;
    return *this;
}

INT_DATA& PENDING_COUNTER::widened() {
    if (!wide) wide = std::make_unique<INT_DATA>(0);
    wide->assign_int64(levels);
    levels = -1;
    return *wide;
}

void PENDING_COUNTER::lower_wide() {
    // A counter is compared, never shown: a machine int of it may be
    // lowered as one.
    int64_t count = 0;
    if (wide->to_int64(count) && count > 0) {
        if (count == 1) reset();
        else set(count - 1);
        return;
    }
    *wide -= INT_DATA(1);
    if (wide->is_zero() || *wide < INT_DATA(0)) reset();
}

bool PENDING_COUNTER::wide_is_one() const { return *wide == INT_DATA(1); }

void release_counters() {
    pending_break.reset();
    pending_continue.reset();
    pending_return.reset();
}

void exec_nothing(TOKEN*, RESULT_ITEM) {}

namespace {

// Sets the counter to the statement's one argument, an int of at least 1. A
// refused argument leaves the counter as it was.
void set_counter(TOKEN* node, RESULT_ITEM this_item, PENDING_COUNTER& counter) {
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

bool set_counter_from_literal(const TOKEN* node, PENDING_COUNTER& counter) {
    const TOKEN* argument = node->left;
    int64_t levels = 0;
    if (argument == nullptr || argument->evaluator != eval_int_literal || !argument->result_stack.empty() ||
        !argument->number->mantissa.to_int64(levels) || levels < 1)
        return false;
    counter.set(levels);
    return true;
}

void exec_return(TOKEN* node, RESULT_ITEM this_item) {
    if (!set_counter_from_literal(node, pending_return)) set_counter(node, this_item, pending_return);
}

void exec_continue(TOKEN* node, RESULT_ITEM this_item) {
    if (!set_counter_from_literal(node, pending_continue)) set_counter(node, this_item, pending_continue);
}

}  // namespace morvu
