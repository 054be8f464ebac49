#include "exec/pending_exception.h"

#include "eval/evaluator.h"
#include "exec/call_routine.h"
#include "exec/operand_reads.h"
#include "exec/still_routines.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "types/method_call.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"
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

namespace {

// What one operator site found: the routine that the receiver's type has
// for the operator and the operand's type, and the key it answers to. The
// key holds the operand's type name as the current statement shows it, so
// the entry holds that statement too; it stays good while neither the tree
// nor a routine table changes.
struct OPERATOR_SITE {
    const TOKEN* node = nullptr;
    const TOKEN* parent = nullptr;  // tells the node from a later one at its address
    const TOKEN* statement = nullptr;
    const TOKEN* type = nullptr;  // of the receiver
    uintptr_t operand = 0;        // see operand_identity
    uint64_t stamp = 0;
    char op[3] = {};
    bool function = false;
    TOKEN* routine = nullptr;
    const std::string* key = nullptr;  // interned (intern_call_key)
    // Whether the routine changes nothing outside its activation
    // (keeps_to_own_activation): -1 until asked.
    int8_t keeps_to_itself = -1;
    // The type of an operand the routine only reads (read_only_operand_type);
    // null when its parameter takes a copy.
    const TOKEN* read_type = nullptr;
};

// Direct-mapped by site and types: a site that meets operands of several
// types keeps an entry for each while they do not collide.
constexpr size_t operator_site_count = 256;
OPERATOR_SITE operator_sites[operator_site_count];

// The operand's type as the key names it: its held tag, or the type node of
// an object, found through every link. Zero for one no entry is kept for
// (no operand, an object without a type).
uintptr_t operand_identity(const UNION_DATA* cell) {
    while (cell != nullptr) {
        const char tag = lower_tag(cell->tag);
        if (tag == tag_call_alias || tag == tag_reference || tag == tag_alias) {
            cell = cell->target();
            continue;
        }
        if (tag != tag_object) return static_cast<unsigned char>(tag);
        const OBJECT_HOLDER* holder = cell->holder();
        return holder == nullptr || holder->type == nullptr ? 0 : reinterpret_cast<uintptr_t>(holder->type);
    }
    return 0;
}

// The type node of a receiver that is an object of a user type, or null.
const TOKEN* receiver_type(const UNION_DATA* cell) {
    if (lower_tag(cell->tag) != tag_object || cell->holder() == nullptr) return nullptr;
    return cell->holder()->type;
}

void hold_operand_items(RESULT_ITEM left, RESULT_ITEM right) {
    hold_item(left);
    hold_item(right);
}

bool short_op(const char* op) { return op[0] != 0 && (op[1] == 0 || op[2] == 0); }

OPERATOR_SITE& operator_site_slot(const TOKEN* node, const TOKEN* type, uintptr_t operand) {
    const uintptr_t mix = reinterpret_cast<uintptr_t>(node) ^ (reinterpret_cast<uintptr_t>(type) >> 4) ^ (operand >> 6);
    return operator_sites[(mix / alignof(TOKEN)) % operator_site_count];
}

bool site_holds(const OPERATOR_SITE& site, const TOKEN* node, const TOKEN* type, uintptr_t operand, const char* op,
                bool function, uint64_t stamp) {
    return site.node == node && site.type == type && site.operand == operand && site.stamp == stamp &&
           site.parent == node->parent && site.statement == current_statement && site.function == function &&
           site.op[0] == op[0] && site.op[1] == op[1];
}

}  // namespace

CALL_OUTCOME call_user_operator_status(TOKEN* node, const char* op, RESULT_ITEM left, RESULT_ITEM right,
                                       RESULT_LIST* results, bool hold_operands, TRUTH_SLOT* truth) {
    UNION_DATA* receiver = follow_aliases(left.cell);
    UNION_DATA* operand = right.cell != nullptr ? follow_aliases(right.cell) : nullptr;
    // A compound assignment may change the object; any other operator reads it.
    const uint32_t receiver_mode = op[0] != 0 && op[1] == '=' ? 7 : 2;
    CALL_ARGS prepared;
    UNWIND_RESULT_STACK unwind(node);
    ROUTINE_REQUEST request;
    request.node = node;
    request.receiver = RESULT_ITEM{receiver, receiver_mode, 0};
    request.in_object_type = true;
    request.results = results;
    request.prepared = &prepared;
    // An object of a user type: the routine its type has for the operator
    // and the operand's type is found once per site and types.
    const TOKEN* type = receiver_type(receiver);
    const uintptr_t identity = type != nullptr && short_op(op) ? operand_identity(operand) : 0;
    const uint64_t stamp = tree_shape_generation + routine_tables_generation;
    OPERATOR_SITE* site = identity != 0 ? &operator_site_slot(node, type, identity) : nullptr;
    if (site != nullptr && site_holds(*site, node, type, identity, op, results != nullptr, stamp)) {
        // A routine that changes nothing outside its activation frees neither operand.
        if (site->keeps_to_itself < 0) site->keeps_to_itself = keeps_to_own_activation(site->routine) ? 1 : 0;
        request.receiver_stays = site->keeps_to_itself == 1;
        if (hold_operands && !request.receiver_stays) hold_operand_items(left, right);
        prepared.key.borrow(*site->key);
        request.truth_result = truth;
        if (site->read_type != nullptr && lower_tag(operand->tag) == tag_object && operand->holder() != nullptr &&
            operand->holder()->type == site->read_type) {
            // The routine cannot tell its parameter from the operand: the
            // parameter refers to it, as it would to an operand that is a
            // reference.
            request.lent_arguments = 1;
        }
        prepared.args.push_back(RESULT_ITEM{operand, access_constant_input, 0});
        call_type_routine(request, site->routine);
        return CALL_OUTCOME::made;
    }
    if (hold_operands) hold_operand_items(left, right);
    prepared.key = op;
    prepared.key += method_key_mark;
    if (operand != nullptr) prepared.key += key_type_name(operand);
    prepared.key += ';';
    prepared.key += method_key_mark;
    prepared.args.push_back(RESULT_ITEM{operand, access_constant_input, 0});
    if (site != nullptr) {
        const std::string& key = intern_call_key(prepared.key.text());
        const TOKEN* statement = current_statement;
        if (TOKEN* routine = call_type_routine(request, nullptr)) {
            // Kept with the stamp of the search: should the routine have
            // changed the tables, the entry holds no more.
            *site = OPERATOR_SITE{node,  node->parent,      statement,          type,    identity,
                                  stamp, {op[0], op[1], 0}, results != nullptr, routine, &key};
            if (results != nullptr) site->read_type = read_only_operand_type(routine);
            return CALL_OUTCOME::made;
        }
    }
    return call_routine_status(request);
}

std::string call_user_operator(TOKEN* node, const char* op, RESULT_ITEM left, RESULT_ITEM right, RESULT_LIST* results) {
    if (call_user_operator_status(node, op, left, right, results) == CALL_OUTCOME::made) return {};
    return not_defined_message();
}

}  // namespace morvu
