#include "exec/pending_exception.h"

#include "eval/evaluator.h"
#include "exec/call_routine.h"
#include "types/method_call.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_operators.h"

namespace morvu {

PENDING_EXCEPTION* pending_exception = nullptr;

namespace {

// The error that pending_error_value hands out; refilled on every call.
ERROR pending_error;

// Errors raised while an exception is pending repeat the pending error.
void throw_pending_error() {
    if (pending_exception == nullptr) return;
    if (const ERROR* pending = pending_error_value()) throw ERROR(*pending);
    throw ERROR(pending_exception->file, static_cast<int>(pending_exception->line), pending_exception->message,
                pending_exception->kind);
}

// The value layer's road to the operator methods of user types (the order
// comparisons use "<"). The node is where the call is made; the value layer
// only knows the current statement. A method that leaves an exception
// pending ends the comparison, and whatever ordering it was part of, there:
// a sort does not go on to reorder its container by the answers after it.
void call_operator_for_values(std::string& text_out, const TOKEN* statement, const char* op, RESULT_ITEM left,
                              RESULT_ITEM right, RESULT_LIST& results) {
    if (statement == nullptr) {
        text_out.clear();  // no statement runs: no method can be called
        return;
    }
    const PENDING_EXCEPTION* before = pending_exception;
    const CALL_OUTCOME outcome = call_user_operator_status(const_cast<TOKEN*>(statement), op, left, right, &results);
    if (pending_exception != before && pending_exception != nullptr) throw_pending_error();
    if (outcome == CALL_OUTCOME::made) {
        text_out.clear();
        return;
    }
    text_out = not_defined_message();
}

[[maybe_unused]] const bool services_installed = [] {
    user_operator_caller = call_operator_for_values;
    raise_pending_error = throw_pending_error;
    return true;
}();

}  // namespace

PENDING_EXCEPTION::PENDING_EXCEPTION(char tag) : value(std::make_unique<UNION_DATA>(tag)) {}

PENDING_EXCEPTION::PENDING_EXCEPTION(UNION_DATA* source) : value(std::make_unique<UNION_DATA>(tag_nothing)) {
    copy_construct_value(value.get(), source);
}

PENDING_EXCEPTION::~PENDING_EXCEPTION() = default;  // the cell's destructor clears the value

void set_pending_exception(PENDING_EXCEPTION* fresh) {
    PENDING_EXCEPTION* old = pending_exception;
    pending_exception = fresh;
    delete old;
}

const ERROR* pending_error_value() {
    if (pending_exception == nullptr || pending_exception->value == nullptr) return nullptr;
    UNION_DATA* value = follow_link(pending_exception->value.get());
    if (lower_tag(value->tag) != tag_error || value->payload == nullptr) return nullptr;
    const ERROR_DATA& data = *value->error_data();
    pending_error = ERROR(data.file, data.line, data.message, data.kind);
    return &pending_error;
}

CALL_OUTCOME call_user_operator_status(TOKEN* node, const char* op, RESULT_ITEM left, RESULT_ITEM right,
                                       RESULT_LIST* results) {
    UNION_DATA* receiver = follow_aliases(left.cell);
    UNION_DATA* operand = right.cell != nullptr ? follow_aliases(right.cell) : nullptr;
    CALL_ARGS prepared;
    prepared.key = op;
    prepared.key += method_key_mark;
    if (operand != nullptr) prepared.key += key_type_name(operand);
    prepared.key += ';';
    prepared.key += method_key_mark;
    prepared.args.push_back(RESULT_ITEM{operand, access_constant_input, 0});
    // A compound assignment may change the object; any other operator reads it.
    const uint32_t receiver_mode = op[0] != 0 && op[1] == '=' ? 7 : 2;
    UNWIND_RESULT_STACK unwind(node);
    ROUTINE_REQUEST request;
    request.node = node;
    request.receiver = RESULT_ITEM{receiver, receiver_mode, 0};
    request.in_object_type = true;
    request.results = results;
    request.prepared = &prepared;
    return call_routine_status(request);
}

std::string call_user_operator(TOKEN* node, const char* op, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST* results) {
    if (call_user_operator_status(node, op, left, right, results) == CALL_OUTCOME::made) return {};
    return not_defined_message();
}

}  // namespace morvu
