// Methods common to values of every type: def, empty, type, the constructor
// any(value), del and clear, and the calls func and proc of a method whose
// type and name are texts known only at run time.
//
// call_routine offers a call here only after the receiver's own type
// declined it, so a type's own method of the same name always wins (str's
// del with arguments deletes characters; without arguments it reaches del
// here and destroys the text).
//
// func and proc re-enter call_routine, possibly reaching these handlers
// again. Their errors therefore name their own routine ("any:func",
// "any:proc"), built from the key of their own call and never shared.

#include <string>
#include <vector>

#include "frontend/scope.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "types/arg_checks.h"
#include "types/method_call.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/payload_records.h"

namespace morvu {

namespace {

// The length of "func§str;str;" and "proc§str;str;": what follows belongs to
// the routine called.
constexpr size_t dynamic_prefix_length = 13;

// The value the receiver stands for: aliases followed, then one more link.
UNION_DATA* receiver_value(const METHOD_CALL& call) { return argument_value(call.receiver.cell); }

// A new cell of the value's base type (for an object: of its user type),
// holding a copy of it.
UNION_DATA* new_copy_of(const METHOD_CALL& call, UNION_DATA* value) {
    const char code = base_type_code(value);
    auto* cell = new UNION_DATA(code);
    if (code == tag_object) {
        UNION_DATA* object = follow_link(value);
        cell->holder()->type = object->holder() != nullptr ? object->holder()->type : nullptr;
    }
    if (const char* message = assign_value(cell, value)) {
        delete cell;
        call.raise(message);
    }
    return cell;
}

// ---- del, clear ----

// Refuses to destroy or empty a value while a for/For walk runs over it or
// over a container nested inside it: the walk holds on to its nodes.
void refuse_walked_value(const METHOD_CALL& call, UNION_DATA* value, const std::string& type_text) {
    raise_infeasible_during_iteration(call.node, call.receiver, type_text, call.key());
    std::vector<UNION_DATA*> pending;
    append_child_cells(value, pending);
    while (!pending.empty()) {
        UNION_DATA* cell = pending.back();
        pending.pop_back();
        if (is_link_cell(cell)) continue;
        raise_infeasible_during_iteration(call.node, RESULT_ITEM{cell, access_variable, 0}, type_text, call.key());
        append_child_cells(cell, pending);
    }
}

// del (destroy) and clear (empty): the receiver's value after the checks and
// refusals of both.
void destroy_or_clear(const METHOD_CALL& call, bool destroy) {
    call.raise_if(is_object_present(call.receiver));
    UNION_DATA* value = receiver_value(call);
    if (!destroy) call.raise_if(is_object_defined(value));
    // The refusals name the type of the value, not "any".
    const std::string type_text = type_name_text(value_type_name(follow_aliases(call.receiver.cell), true));
    raise_infeasible_for_constant(call.node, call.receiver, type_text, call.key(), true);
    refuse_walked_value(call, value, type_text);
    if (is_any_cell(value) && has_foreign_referrers(value))
        call.raise(msg_text(destroy ? "desobjtypvoinicherl" : "loeobjtypvoinicherl"));
    if (destroy) dissolve_link_value(value);
    else clear_payload(value);
}

// ---- func, proc ----

// One dynamic call: the routine named by the second argument, of the type
// named by the first, with the arguments after them.
class DYNAMIC_CALL {
public:
    // kind: the routine kind of this call's errors.
    DYNAMIC_CALL(const METHOD_CALL& call, char kind)
        : call(call), kind(kind), routine(method_context(call.node, "any", call.key(), false)) {}

    [[noreturn]] void fail(const std::string& message) const {
        raise_error(call.node, kind, routine.c_str(), message, error_kind_system);
    }
    void check(const std::string& message) const {
        if (!message.empty()) fail(message);
    }

    // Makes the call on the receiver item, with a result list (a function)
    // or without (a procedure).
    void run(RESULT_ITEM receiver, RESULT_LIST* results) {
        check(check_arg_defined(*call.args, 0));
        check(check_arg_defined(*call.args, 1));
        const std::string& key = call.key();
        CALL_ARGS prepared;
        prepared.key = argument_text(1);
        prepared.key += method_key_mark;
        // No further arguments leaves the rest "§": the name alone keys the call.
        if (key.size() > dynamic_prefix_length + 1) prepared.key.append(key, dynamic_prefix_length, std::string::npos);
        prepared.args.assign(call.args->args.begin() + 2, call.args->args.end());

        const std::string type_text = argument_text(0);
        TYPE_NAME qualifier;
        const TYPE_NAME* designation = nullptr;
        if (!type_text.empty()) {
            if (TOKEN* type = find_symbol(call.node, type_text, 't', false, call.node)) {
                qualifier = TYPE_NAME{nullptr, type, true};
            } else {
                qualifier = TYPE_NAME{type_text.c_str(), nullptr, false};
            }
            designation = &qualifier;
        }
        ROUTINE_REQUEST request;
        request.node = call.node;
        request.receiver = receiver;
        request.qualifier = designation;
        request.in_object_type = call.in_object_type;
        request.results = results;
        request.prepared = &prepared;
        request.context = call.this_item;
        if (call_routine_entry(request) == CALL_OUTCOME::not_defined) fail(not_defined_entry());
    }

private:
    std::string argument_text(int32_t index) const {
        UNION_DATA* value = argument_value(call.arg(index).cell);
        return value->str_data()->text;
    }

    const METHOD_CALL& call;
    char kind;
    std::string routine;
};

// proc inside an expression: the procedure runs on a copy of the receiver,
// which is the call's value; the receiver itself stays as it was.
void procedure_on_copy(const METHOD_CALL& call) {
    call.raise_if(is_object_present(call.receiver));
    UNION_DATA* copy = new_copy_of(call, receiver_value(call));
    call.append(RESULT_ITEM{copy, access_handed_out, 1});  // a variable while the procedure changes it
    RESULT_NODE* appended = call.results->tail;
    DYNAMIC_CALL(call, 'f').run(RESULT_ITEM{copy, access_handed_out, 0}, nullptr);
    appended->item.mode = 3;
}

// func as a statement: the function's one result is moved into the receiver.
void function_into_receiver(const METHOD_CALL& call) {
    DYNAMIC_CALL dynamic(call, 'f');
    RESULT_LIST results;
    dynamic.run(call.receiver, &results);
    if (results.count != 1) dynamic.fail(msg_text("erwgen1erg"));
    const char* message = move_value(receiver_value(call), follow_aliases(results.head->item.cell));
    if (message != nullptr) dynamic.fail(message);
}

}  // namespace

bool any_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (is_call_form_key(key)) {
        call.raise_if(check_arg_range(*call.args, 1, 1));
        call.append(RESULT_ITEM{new_copy_of(call, argument_value(call.arg(0).cell)), access_function_result, 1});
        return true;
    }
    if (key_is(key, "def\xA7")) {
        call.raise_if(is_object_present(call.receiver));
        call.append(make_bool_value(is_defined_value(receiver_value(call)), 0));
        return true;
    }
    if (key_is(key, "empty\xA7")) {
        UNION_DATA* value = call.checked_receiver();
        call.append(make_bool_value(is_empty_value(value), 0));
        return true;
    }
    if (key_is(key, "type\xA7")) {
        call.raise_if(is_object_present(call.receiver));
        call.append(make_str_value(type_name_text(value_type_name(follow_aliases(call.receiver.cell), true))));
        return true;
    }
    if (key_has_prefix(key, "func\xA7str;str;")) {
        DYNAMIC_CALL(call, 'f').run(call.receiver, call.results);
        return true;
    }
    if (key_has_prefix(key, "proc\xA7str;str;")) {
        procedure_on_copy(call);
        return true;
    }
    return false;
}

bool any_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key, "del\xA7")) {
        destroy_or_clear(call, true);
        return true;
    }
    if (key_is(key, "clear\xA7")) {
        destroy_or_clear(call, false);
        return true;
    }
    if (key_has_prefix(key, "proc\xA7str;str;")) {
        DYNAMIC_CALL(call, 'p').run(call.receiver, nullptr);
        return true;
    }
    if (key_has_prefix(key, "func\xA7str;str;")) {
        function_into_receiver(call);
        return true;
    }
    return false;
}

}  // namespace morvu
