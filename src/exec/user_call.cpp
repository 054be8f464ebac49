#include "exec/user_call.h"

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "exec/block_exec.h"
#include "exec/control_counters.h"
#include "exec/int_routines.h"
#include "exec/pending_exception.h"
#include "exec/still_routines.h"
#include "frontend/param_roles.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_defs.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/assign_rules.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/object_pins.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_copy.h"

namespace morvu {

INT_RESULT_REQUEST int_result_request;

namespace {

// The cell a declared parameter or result name stands for in the running
// activation.
UNION_DATA* parameter_cell(TOKEN* name) {
    UNION_DATA* cell = top_cell(name);
    if (cell == nullptr) cell = variable_cell(name);
    return cell;
}

bool is_args_parameter(const TOKEN* name) { return enclosing_declaration(name) == "args"; }

// One activation of a user routine: the variables of the routine's scope get
// fresh cells for the activation and lose them on every way out.
class ACTIVATION {
public:
    ACTIVATION(TOKEN* scope_node, UNFILLED_PARAMETERS& unfilled) : node(scope_node) {
        if (node != nullptr) push_activation_variables(node, unfilled);
    }
    ~ACTIVATION() {
        if (node != nullptr) pop_scope_variables(node);
    }
    ACTIVATION(const ACTIVATION&) = delete;
    ACTIVATION& operator=(const ACTIVATION&) = delete;

private:
    TOKEN* node;
};

// The counters a routine's body may leave. A return is consumed by the
// call; a continue or break cannot leave a routine. On the normal way out
// settle() reports them; on an error passing through they are released
// silently, so they never reach the caller's loops.
class COUNTER_SETTLEMENT {
public:
    COUNTER_SETTLEMENT() = default;
    ~COUNTER_SETTLEMENT() {
        if (settled) return;
        lower_counter(pending_return);
        pending_continue.reset();
        pending_break.reset();
    }
    COUNTER_SETTLEMENT(const COUNTER_SETTLEMENT&) = delete;
    COUNTER_SETTLEMENT& operator=(const COUNTER_SETTLEMENT&) = delete;

    void settle(const TOKEN* node) {
        settled = true;
        if (!control_pending()) return;
        lower_counter(pending_return);
        if (pending_continue || pending_break) raise_stray_counters(node);
    }

private:
    bool settled = false;

    __attribute__((noinline)) static void raise_stray_counters(const TOKEN* node) {
        raise_stray_counter(node, pending_continue, "posconwerohnumgsch");
        raise_stray_counter(node, pending_break, "posbrewerohnumgsch");
    }

    // The counter is released before its error is raised, so a catch in the
    // caller sees the error and no loop of the caller sees the counter.
    static void raise_stray_counter(const TOKEN* node, PENDING_COUNTER& counter, const char* identifier) {
        if (!counter) return;
        std::string value = counter->to_text();
        counter.reset();
        raise_system_error(node, format_string(msg_text(identifier), value.c_str()));
    }
};

struct PREPARED_ROUTINE;

// The call of one user routine found under the key.
class USER_CALL {
public:
    // The call's fields that binding changes are kept apart; the others
    // are read where the caller keeps them.
    explicit USER_CALL(const USER_ROUTINE_CALL& call)
        : call(call),
          int_result(call.int_result),
          int_arguments(call.int_arguments),
          shared_literals(call.shared_literals),
          int_items(call.int_items) {}

    void run(TOKEN* routine, bool crossed_type, PREPARED_ROUTINE* known);

private:
    // Whether argument i is lent (USER_ROUTINE_CALL::lent_arguments).
    bool is_lent(int i) const { return i < 32 && (call.lent_arguments & (uint32_t{1} << i)) != 0; }

    const USER_ROUTINE_CALL& call;
    INT_RESULT_SLOT* int_result;
    const int64_t* int_arguments;
    uint32_t shared_literals;
    const RESULT_ITEM* int_items;
    // The cells of their own that shared literal arguments got; they live
    // as long as the call, as the cells of the caller's list do.
    RESULT_LIST own_literals;
    TOKEN* scope_node = nullptr;                       // the node whose scope holds the routine's variables
    UNFILLED_PARAMETERS unfilled;                      // object parameters waiting for their values
    const std::vector<uint8_t>* collecting = nullptr;  // which parameters collect (args)
    // Set when every parameter is a constant input that collects nothing:
    // per parameter, the tag of its plain int or str cell, else 0.
    const char* plain_tags = nullptr;

    void bind_parameters(const TOKEN_LIST& names);
    bool bind_numbers(const TOKEN_LIST& names);
    void bind_int_inputs(const TOKEN_LIST& names);
    void bind_plain_inputs(const TOKEN_LIST& names);
    void make_argument_cells();
    void own_literal(int index);
    void bind_one(int index, TOKEN* parameter);
    void bind_by_rules(int index, TOKEN* parameter);
    bool bind_call_alias(int index, TOKEN* parameter);
    void collect_into(TOKEN* parameter, const std::vector<int>& indexes, bool prepend);
    void collect_results(const TOKEN_LIST& names);
    bool move_own_result(TOKEN* name);
    void add_result(TOKEN* name, UNION_DATA* element);
};

// The helpers of run() stay out of line: run() is on the stack once per
// level of a recursion, and its frame is all that a level costs there.

// A routine's header taken apart once: its parts, and its parameter and
// result names with their roles. Kept per definition node while no scope
// table changes (a new program, a new definition).
struct PREPARED_ROUTINE {
    TOKEN* body = nullptr;
    TOKEN_LIST statements;  // of the body, split on the first call that runs it
    bool split = false;
    TOKEN* result_list = nullptr;
    TOKEN* parameter_list = nullptr;
    TOKEN_LIST parameters;  // valid once parameters_ready
    TOKEN_LIST result_names;
    std::vector<int8_t> parameter_roles;
    std::vector<uint8_t> collecting;  // per parameter: declared args (valid with parameters)
    std::vector<int8_t> result_roles;
    bool parameters_ready = false;
    bool results_ready = false;
    // Set once a call has checked the names up to the body: the calls after
    // it take what that call found.
    bool settled = false;
    bool has_parameters = false;
    // Whether the routine could run on machine ints at all: one result and
    // every variable of its scope a plain int. A routine that cannot is
    // never offered to that path, whatever its arguments.
    bool machine_ints = true;
    // Every parameter a constant input that collects nothing: the
    // arguments bind one to one, int and str parameters (a nonzero tag) by
    // the copy of the number or text.
    bool plain_inputs = false;
    std::vector<char> plain_tags;
    // Plain inputs that are all plain int parameters: small int arguments,
    // as many as there are parameters, go straight into their numbers.
    bool int_inputs = false;
    TOKEN* scope_node = nullptr;
    const TOKEN_LIST* checked_results = nullptr;
    // Whether the routine changes nothing outside its activation, as the
    // program stood at the stamp (keeps_to_own_activation).
    uint64_t own_activation_stamp = ~uint64_t{0};
    bool own_activation_only = false;
};

// A method whose run changes nothing outside its own activation cannot let
// its object go while it runs: it needs no pin.
bool needs_pin(PREPARED_ROUTINE& prepared, const TOKEN* routine) {
    const uint64_t stamp = tree_shape_generation + routine_tables_generation;
    if (prepared.own_activation_stamp != stamp) [[unlikely]] {
        prepared.own_activation_only = keeps_to_own_activation(routine);
        prepared.own_activation_stamp = stamp;
    }
    return !prepared.own_activation_only;
}

// The statements of the routine's body, kept for its later calls.
__attribute__((noinline)) void split_body(PREPARED_ROUTINE& prepared) {
    prepared.statements.clear();
    append_operands(prepared.body, ';', &prepared.statements);
    prepared.split = true;
}

// Keeps what a call found before its body, for the calls after it.
void settle_prepared(PREPARED_ROUTINE& prepared, TOKEN* scope_node, const TOKEN_LIST* result_names) {
    const TOKEN* list = prepared.parameter_list;
    prepared.has_parameters = list != nullptr && !is_empty_operand(list);
    if (prepared.has_parameters && !prepared.parameters_ready) return;
    prepared.scope_node = scope_node;
    prepared.checked_results = result_names;
    bool machine_ints = scope_node != nullptr && result_names->count() == 1;
    if (machine_ints) {
        for (const SCOPE::STORED_VARIABLE& variable : storage_plan_of(scope_node))
            machine_ints = machine_ints && variable.tag == tag_int && variable.type_def == nullptr;
    }
    prepared.machine_ints = machine_ints;
    prepared.plain_inputs = false;
    prepared.int_inputs = false;
    if (prepared.has_parameters && scope_node != nullptr) {
        const TOKEN_LIST& names = prepared.parameters;
        bool plain = prepared.collecting.size() == names.count();
        prepared.plain_tags.assign(names.count(), 0);
        const std::vector<SCOPE::STORED_VARIABLE>& plan = storage_plan_of(scope_node);
        for (uint32_t i = 0; plain && i < names.count(); ++i) {
            plain = prepared.collecting[i] == 0 && names[i]->arg_role == arg_role_constant_input;
            for (const SCOPE::STORED_VARIABLE& variable : plan) {
                if (variable.node == names[i] && variable.type_def == nullptr &&
                    (variable.tag == tag_int || variable.tag == tag_str))
                    prepared.plain_tags[i] = variable.tag;
            }
        }
        prepared.plain_inputs = plain;
        prepared.int_inputs = plain;
        for (const char tag : prepared.plain_tags) prepared.int_inputs = prepared.int_inputs && tag == tag_int;
    }
    prepared.settled = true;
}

// A table change empties the map; the entries of calls still running are
// kept aside until no call runs.
std::unordered_map<const TOKEN*, std::unique_ptr<PREPARED_ROUTINE>> prepared_routines;
std::vector<std::unique_ptr<PREPARED_ROUTINE>> retired_routines;
uint64_t prepared_generation = 0;
uint32_t running_calls = 0;

// The routines prepared lately, by definition node: a recursion, and the
// routines a loop calls in turn, find theirs without hashing.
constexpr size_t prepared_front_size = 64;
struct PREPARED_FRONT_SLOT {
    const TOKEN* routine = nullptr;
    PREPARED_ROUTINE* prepared = nullptr;
};
PREPARED_FRONT_SLOT prepared_front[prepared_front_size];

PREPARED_FRONT_SLOT& prepared_front_slot(const TOKEN* routine) {
    return prepared_front[(reinterpret_cast<uintptr_t>(routine) / alignof(TOKEN)) % prepared_front_size];
}

// Counts the calls running, and drops the retired entries after the last.
class RUNNING_CALL {
public:
    RUNNING_CALL() { ++running_calls; }
    ~RUNNING_CALL() {
        if (--running_calls == 0 && !retired_routines.empty()) retired_routines.clear();
    }
    RUNNING_CALL(const RUNNING_CALL&) = delete;
    RUNNING_CALL& operator=(const RUNNING_CALL&) = delete;
};

__attribute__((noinline)) PREPARED_ROUTINE* prepare_routine(TOKEN* routine, bool type_routine) {
    if (prepared_generation != routine_tables_generation) {
        if (running_calls > 1) {
            for (auto& entry : prepared_routines) retired_routines.push_back(std::move(entry.second));
        }
        prepared_routines.clear();
        for (PREPARED_FRONT_SLOT& slot : prepared_front) slot = PREPARED_FRONT_SLOT{};
        prepared_generation = routine_tables_generation;
    }
    PREPARED_FRONT_SLOT& slot = prepared_front_slot(routine);
    if (slot.routine == routine) return slot.prepared;
    if (auto known = prepared_routines.find(routine); known != prepared_routines.end()) {
        slot = PREPARED_FRONT_SLOT{routine, known->second.get()};
        return slot.prepared;
    }
    TOKEN_LIST parts = split_by_operator(routine->left, juxtaposition_chain);
    const TOKEN* keyword = routine->parent != nullptr ? routine->parent->left : nullptr;
    const bool is_function = keyword != nullptr && keyword->text && keyword->op1 != '"' && keyword->op1 != '\'' &&
                             keyword->op1 != '(' && *keyword->text == "func";
    const uint32_t allowed = is_function ? 3 : 2;
    if (parts.count() > allowed) {
        raise_system_error(routine,
                           format_string(msg_text("hatmehalstei"), routine_type_word(type_routine, !is_function),
                                         static_cast<int>(allowed)));
    }
    const uint32_t n = parts.count();
    auto prepared = std::make_unique<PREPARED_ROUTINE>();
    prepared->body = n > 0 ? parts[n - 1] : nullptr;
    prepared->result_list = is_function && n >= 2 ? parts[n - 2] : nullptr;
    prepared->parameter_list = n >= allowed ? parts[0] : nullptr;
    PREPARED_ROUTINE* entry = prepared.get();
    prepared_routines.emplace(routine, std::move(prepared));
    return entry;
}

// A routine called again while no table changed finds its entry in the
// front without a call.
inline PREPARED_ROUTINE* prepared_routine(TOKEN* routine, bool type_routine) {
    const PREPARED_FRONT_SLOT& slot = prepared_front_slot(routine);
    if (slot.routine == routine && prepared_generation == routine_tables_generation) return slot.prepared;
    return prepare_routine(routine, type_routine);
}

// The entry of a routine called again while no table changed; null when it
// has none at hand.
inline PREPARED_ROUTINE* known_prepared(const TOKEN* routine) {
    const PREPARED_FRONT_SLOT& slot = prepared_front_slot(routine);
    return slot.routine == routine && prepared_generation == routine_tables_generation ? slot.prepared : nullptr;
}

// The names of a parameter or result list with their roles (check_fun_arg),
// checked on the first call.
__attribute__((noinline)) const TOKEN_LIST& first_checked_names(TOKEN* list, char mode, TOKEN_LIST& names,
                                                                std::vector<int8_t>& roles, bool& ready) {
    TOKEN_LIST fresh;
    check_fun_arg(list, mode, fresh);
    roles.clear();
    for (TOKEN* name : fresh) roles.push_back(name->arg_role);
    names = std::move(fresh);
    ready = true;
    return names;
}

// The checked names. Their roles stay as the first check set them: only
// that check writes the roles of a routine's parameter and result names.
inline const TOKEN_LIST& checked_names(TOKEN* list, char mode, TOKEN_LIST& names, std::vector<int8_t>& roles,
                                       bool& ready) {
    if (!ready) return first_checked_names(list, mode, names, roles, ready);
    return names;
}

void USER_CALL::run(TOKEN* routine, bool crossed_type, PREPARED_ROUTINE* known) {
    const RUNNING_CALL running;
    PREPARED_ROUTINE& prepared = known != nullptr ? *known : *prepared_routine(routine, call.type_routine);
    TOKEN* body = prepared.body;
    TOKEN* result_list = prepared.result_list;
    TOKEN* parameter_list = prepared.parameter_list;
    if (call.results == nullptr && result_list != nullptr) {
        raise_system_error(call.node, msg_text("nurprodueanwausgef"));
    }
    if (call.results != nullptr && result_list == nullptr) {
        raise_system_error(call.node, msg_text("nurfundueausaufger"));
    }

    // The definition proper (the header-and-body chain) owns the routine's scope.
    const bool settled = prepared.settled;
    scope_node = settled                                                       ? prepared.scope_node
                 : routine->left != nullptr && routine->left->scope != nullptr ? routine->left
                                                                               : nullptr;
    if (call.lent_arguments != 0 && settled && prepared.has_parameters && prepared.plain_inputs &&
        int_arguments == nullptr) {
        // Lent objects are referred to by their parameters from the push on
        // (bind_plain_inputs finds them bound).
        const int count = std::min(call.args->count(), static_cast<int>(prepared.parameters.count()));
        for (int i = 0; i < count && unfilled.lent_count < UNFILLED_PARAMETERS::capacity; ++i)
            if (is_lent(i))
                unfilled.lent[unfilled.lent_count++] = {prepared.parameters[static_cast<uint32_t>(i)],
                                                        (*call.args)[i].cell};
    }
    ACTIVATION activation(scope_node, unfilled);
    if (settled) {
        if (prepared.has_parameters) {
            collecting = &prepared.collecting;
            if (int_arguments != nullptr && prepared.int_inputs &&
                call.args->count() == static_cast<int>(prepared.parameters.count())) {
                bind_int_inputs(prepared.parameters);
            } else if (prepared.plain_inputs && int_arguments == nullptr) {
                plain_tags = prepared.plain_tags.data();
                bind_plain_inputs(prepared.parameters);
            } else {
                bind_parameters(prepared.parameters);
            }
        }
    } else if (parameter_list != nullptr && !is_empty_operand(parameter_list)) {
        const TOKEN_LIST& names = checked_names(parameter_list, 'i', prepared.parameters, prepared.parameter_roles,
                                                prepared.parameters_ready);
        if (prepared.collecting.size() != names.count()) {
            prepared.collecting.clear();
            for (TOKEN* name : names) prepared.collecting.push_back(is_args_parameter(name) ? 1 : 0);
        }
        collecting = &prepared.collecting;
        bind_parameters(names);
    }
    if (unfilled.count != 0) unfilled.fill_rest();
    // The result names get their roles before the body runs, so that the
    // body sees its output objects as such from the very first call on.
    static const TOKEN_LIST no_names;
    const TOKEN_LIST& result_names =
        settled ? *prepared.checked_results
        : result_list != nullptr && !is_empty_operand(result_list)
            ? checked_names(result_list, 'o', prepared.result_names, prepared.result_roles, prepared.results_ready)
            : no_names;
    if (!settled) settle_prepared(prepared, scope_node, &result_names);
    COUNTER_SETTLEMENT counters;
    // The body's run gives the current statement back as it ends.
    if (body != nullptr) {
        if (!prepared.split) split_body(prepared);
        if (crossed_type || call.receiver.cell == nullptr || !needs_pin(prepared, routine)) {
            // No object to pin: the body runs with the item as given.
            execute_routine_statements(prepared.statements, crossed_type ? RESULT_ITEM{} : call.receiver);
        } else {
            const OBJECT_PIN pin(call.receiver);
            execute_routine_statements(prepared.statements, pin.item());
        }
    }
    if (result_names.count() == 1) {
        if (!move_own_result(result_names[0])) collect_results(result_names);
    } else if (!result_names.empty()) {
        collect_results(result_names);
    }
    counters.settle(call.node);
}

// A plain int cell: declared int, holding a number, no link to or from it.
bool is_plain_int_cell(const UNION_DATA* cell) {
    return cell->tag == tag_int && cell->payload != nullptr && cell->referrers == nullptr && cell->weak_held == 0;
}

// A plain str cell: declared str, holding a text, no link to or from it.
bool is_plain_str_cell(const UNION_DATA* cell) {
    return cell->tag == tag_str && cell->payload != nullptr && cell->referrers == nullptr && cell->weak_held == 0;
}

// A plain list, hash, set or array cell: declared of its type, holding a
// value, no link to or from it.
bool is_plain_container_cell(const UNION_DATA* cell) {
    const char tag = cell->tag;
    return (tag == tag_list || tag == tag_hash || tag == tag_set || tag == tag_array) && cell->payload != nullptr &&
           cell->referrers == nullptr && cell->weak_held == 0;
}

// A plain bool or char cell: declared of its type, its value in the cell
// itself, no link to or from it.
bool is_plain_small_cell(const UNION_DATA* cell) {
    return (cell->tag == tag_bool || cell->tag == tag_char) && cell->payload == &cell->scalar &&
           cell->referrers == nullptr && cell->weak_held == 0;
}

// The activation's own bool or char result variable handed back: a new
// cell of the type takes the word, as the movement of the general path
// would give it, and the variable is left without value.
void append_small_result(RESULT_LIST& results, UNION_DATA* element) {
    auto* cell = new UNION_DATA(element->tag);  // its payload is its own word
    cell->scalar = element->scalar;
    element->payload = nullptr;
    results.append(RESULT_ITEM{cell, access_function_result, 1});
}

// The one result of a function when it is the activation's own plain int,
// bool or char result variable: its value moves out, as add_result would
// move it, without the walk over the result names.
inline bool USER_CALL::move_own_result(TOKEN* name) {
    if (name->arg_role != arg_role_result) return false;
    UNION_DATA* element = top_cell(name);
    if (element == nullptr || element->scope_variable == 0) return false;
    if (!is_plain_int_cell(element)) {
        if (!is_plain_small_cell(element)) return false;
        if (call.truth_result != nullptr && element->tag == tag_bool) {
            // The word moves out as append_small_result would move it.
            *call.truth_result = TRUTH_SLOT{true, element->bool_word()};
            element->payload = nullptr;
            return true;
        }
        append_small_result(*call.results, element);
        return true;
    }
    std::unique_ptr<INT_DATA> number(element->int_data());
    element->payload = nullptr;
    if (int_result != nullptr) {
        int_result->number = std::move(number);
    } else {
        call.results->append(RESULT_ITEM{new_int_cell(std::move(number)), access_function_result, 1});
    }
    return true;
}

// Two object cells of one user type: a link between them passes the type check.
inline bool same_user_type(const UNION_DATA* a, const UNION_DATA* b) {
    if (lower_tag(a->tag) != tag_object || lower_tag(b->tag) != tag_object) return false;
    const OBJECT_HOLDER* first = a->holder();
    const OBJECT_HOLDER* second = b->holder();
    return first != nullptr && second != nullptr && first->type != nullptr && first->type == second->type;
}

// A list, hash, set or object that the argument list alone holds, given to
// a by-value parameter that would take a copy of it: the parameter takes
// the value over, as the copy would have made it. False, with nothing done,
// when the copy could be told apart (see moves_as_copy) or the assignment
// rules would look further: an object goes only into a parameter of its
// own type. Inlined into each caller, so that bind_by_rules keeps the code
// it had as the one caller.
[[gnu::always_inline]] inline bool take_over_temporary(const RESULT_ITEM& item, UNION_DATA* target) {
    UNION_DATA* given = item.cell;
    if (given == nullptr || item.owned == 0 || is_variable_mode(item.mode) || given->payload == nullptr) return false;
    const char lowered = lower_tag(given->tag);
    if (lowered != tag_list && lowered != tag_hash && lowered != tag_set && lowered != tag_object) return false;
    if (target == nullptr || is_link_cell(target) || target->referrers != nullptr || target->weak_held != 0 ||
        target->in_use != 0)
        return false;
    if (lowered == tag_object) {
        // A parameter's object may wait unfilled: its holder names the type.
        if (target->tag != tag_object || !same_user_type(target, given)) return false;
    } else if (!is_any_cell(target) && target->tag != lowered) {
        return false;
    }
    static std::vector<UNION_DATA*> cells;
    if (!moves_as_copy(given, cells, target)) return false;
    settle_taken_cells(cells);
    move_payload(target, given);
    return true;
}

// A container a variable argument gives to a constant input parameter, or
// the object or container that a read-only reference argument refers to:
// the parameter refers to it, as the assignment rules link it, where the
// pair passes every check of the link without the names of their types: a
// parameter cell of the value's built-in type whose value cannot hold it,
// or a fresh cell of the object's user type that holds no object yet; no
// link to or from the parameter. False, with nothing done, for any other
// pair (objects a variable gives are copied when their type is small).
// A lent argument (`lent`) is the value itself.
inline bool bind_reference(const RESULT_ITEM& item, UNION_DATA* target, bool lent) {
    UNION_DATA* given = item.cell;
    if (given == nullptr || target == nullptr || target->referrers != nullptr || is_link_cell(target)) return false;
    UNION_DATA* value = nullptr;
    if (lent) {
        value = given;
    } else if (given->tag == tag_reference && !is_variable_mode(item.mode)) {
        value = given->target();
    } else if (is_variable_mode(item.mode)) {
        const char lowered = lower_tag(given->tag);
        if (lowered != tag_list && lowered != tag_hash && lowered != tag_set && lowered != tag_array) return false;
        value = given;
    } else {
        return false;
    }
    if (value == nullptr || value == target || is_link_cell(value)) return false;
    if (target->tag == tag_object) {
        if (target->scope_variable == 0 || (target->holder() != nullptr && target->holder()->object != nullptr) ||
            !same_user_type(target, value))
            return false;
    } else {
        const char lowered = lower_tag(value->tag);
        if (target->tag != lowered || (lowered != tag_list && lowered != tag_hash && lowered != tag_set &&
                                       lowered != tag_array && lowered != tag_array2))
            return false;
        if (is_within_value(target, value)) return false;
    }
    destroy_payload(target, false);
    link_cell(target, value, link_kind_reference);
    // A reference made past a read-only reference is read-only as that one is.
    if (value != given && !is_variable_mode(given->access_mode)) target->access_mode = given->access_mode;
    return true;
}

// A text given to a str parameter: a temporary (`temporary`) gives its text
// away, and the parameter's reading starts afresh. Out of line, so that the
// other bindings need not make room for the text's copy.
__attribute__((noinline)) void bind_text(bool temporary, UNION_DATA* given, UNION_DATA* target) {
    STR_DATA& text = *target->str_data();
    if (temporary) std::swap(text.text, given->str_data()->text);
    else text.text = given->str_data()->text;
    text.reset_read();
}

// An int, text, char or bool given to a constant input parameter of its
// type: the copy the assignment rules would make, without their checks,
// which such a pair always passes. The value may be held by an any cell,
// or stand at the end of an alias or call-alias (an alias parameter), whose
// value the rules copy alike. False, with nothing done, for any other pair.
inline bool bind_plain_copy(const RESULT_ITEM& item, UNION_DATA* target) {
    UNION_DATA* given = item.cell;
    if (given == nullptr || target == nullptr) return false;
    const bool own_cell = !is_link_cell(given);
    if (!own_cell && lower_tag(given->tag) != tag_reference) given = follow_aliases(given);
    if (given->payload == nullptr) return false;
    const char given_tag = lower_tag(given->tag);
    if (given_tag == tag_int && is_plain_int_cell(target)) {
        // A temporary of the argument list (n - 1) gives its number away:
        // the list frees what it gets back.
        if (item.owned != 0 && own_cell && is_plain_int_cell(given)) std::swap(target->payload, given->payload);
        else if (is_inline_int(given->payload)) target->int_data()->assign_int64(inline_int_value(given->payload));
        else *target->int_data() = *static_cast<const INT_DATA*>(given->payload);
        return true;
    }
    if (given_tag == tag_str && is_plain_str_cell(target)) {
        bind_text(item.owned != 0 && own_cell && is_plain_str_cell(given), given, target);
        return true;
    }
    if ((given_tag == tag_char || given_tag == tag_bool) && target->tag == given_tag && target->payload != nullptr &&
        target->referrers == nullptr && target->weak_held == 0) {
        // The value lives in the cell itself: the copy is the one word.
        if (given_tag == tag_char) target->char_byte() = given->char_byte();
        else target->bool_word() = given->bool_word();
        return true;
    }
    return false;
}

[[gnu::always_inline]] inline void USER_CALL::bind_one(int index, TOKEN* parameter) {
    if (parameter->arg_role == arg_role_constant_input &&
        bind_plain_copy((*call.args)[index], parameter_cell(parameter)))
        return;
    bind_by_rules(index, parameter);
}

// A ':$' parameter bound to a variable argument as the general binding binds
// it (the call-alias that transfer_out_arg asks assign_link for), where the
// pair can be told to pass every check without the names of their types: a
// fresh parameter cell that nothing links to, and an argument that is a
// variable's own cell (an alias or call-alias followed once) of the
// parameter's built-in type or user type, or any value for an any
// parameter. False, with nothing done, for any other pair.
bool USER_CALL::bind_call_alias(int index, TOKEN* parameter) {
    if (index < 32 && (shared_literals & (uint32_t{1} << index)) != 0) return false;
    const RESULT_ITEM& item = (*call.args)[index];
    UNION_DATA* cell = item.cell;
    if (cell == nullptr || !is_variable_mode(cell->access_mode)) return false;
    if (item.mode != access_variable && item.mode <= access_variable_input) {
        // A ':$' parameter passed on: not when it stands for an args list.
        if (item.mode != access_variable_input) return false;
        const UNION_DATA* followed = follow_aliases(cell);
        if (followed != nullptr && lower_tag(followed->tag) == tag_args) return false;
    }
    if (item.mode >= 7 && item.mode <= 9 && is_link_cell(cell)) cell = cell->target();
    if (cell == nullptr || lower_tag(cell->tag) == tag_code) return false;
    UNION_DATA* dest = parameter_cell(parameter);
    if (dest == nullptr || is_link_cell(dest) || dest->referrers != nullptr || dest->scope_variable == 0) return false;
    UNION_DATA* value = cell;
    const char tag = cell->tag;
    if (tag == tag_alias || tag == raise_tag(tag_alias) || tag == tag_call_alias || tag == raise_tag(tag_call_alias))
        value = cell->target();
    if (value == nullptr || value == dest || is_link_cell(value)) return false;
    const char lowered = lower_tag(dest->tag);
    const bool same_tag = lowered == lower_tag(value->tag) && lowered != tag_object;
    if (!is_any_cell(dest) && !same_tag && !same_user_type(dest, value)) return false;
    const bool no_object = lowered == tag_object && (dest->holder() == nullptr || dest->holder()->object == nullptr);
    if (!no_object && is_within_value(dest, value)) return false;
    destroy_payload(dest, false);
    link_cell(dest, value, link_kind_call_alias);
    if (unfilled.count != 0) unfilled.bound(dest);
    return true;
}

// A value given to a plain parameter, which the rules copy: an alias's
// container, or an object of the parameter's own type wherever it is held.
// The parameter may refer to it when the routine only reads it and changes
// nothing else while it runs, so that the copy could not be told from the
// value (exec/still_routines.h).
bool lends_given_value(const CALL_ARGS& args, const RESULT_ITEM& item, const UNION_DATA* value,
                       const TOKEN* parameter) {
    if (item.cell == nullptr || value == nullptr || value->payload == nullptr) return false;
    const UNION_DATA* target = parameter_cell(const_cast<TOKEN*>(parameter));
    if (target == nullptr) return false;
    // The parameter declared of the value's own type: the reference passes
    // the checks the copy would pass.
    const char lowered = lower_tag(value->tag);
    if (lowered == tag_object) {
        if (target->tag != tag_object || !same_user_type(target, value)) return false;
    } else {
        const char link = lower_tag(item.cell->tag);
        if (link != tag_alias && link != tag_call_alias) return false;
        if (lowered != tag_list && lowered != tag_hash && lowered != tag_set && lowered != tag_array &&
            lowered != tag_array2)
            return false;
        if (target->tag != lowered) return false;
    }
    const PARAMETER_LENDING lending = parameter_lending(parameter);
    if (!lending.lends) return false;
    for (const uint32_t position : *lending.variable_inputs) {
        if (position >= static_cast<uint32_t>(args.count())) return false;
        const UNION_DATA* given = args[static_cast<int>(position)].cell;
        while (given != nullptr && is_link_cell(given)) given = given->target();
        if (given == nullptr || given->scope_variable == 0 || given == value) return false;
    }
    return true;
}

__attribute__((noinline)) void USER_CALL::bind_by_rules(int index, TOKEN* parameter) {
    if (parameter->arg_role == arg_role_variable_input && bind_call_alias(index, parameter)) return;
    if (parameter->arg_role == arg_role_constant_input) {
        const RESULT_ITEM& item = (*call.args)[index];
        UNION_DATA* target = parameter_cell(parameter);
        if ((item.owned != 0 && take_over_temporary(item, target)) || bind_reference(item, target, is_lent(index))) {
            if (unfilled.count != 0) unfilled.bound(target);
            return;
        }
    }
    own_literal(index);
    UNION_DATA* source = nullptr;
    int mode = 0;
    transfer_out_arg(call.args, call.node, index, parameter->arg_role != arg_role_constant_input, true, &source, &mode);
    if (mode == assign_mode_plain && parameter->arg_role == arg_role_constant_input &&
        lends_given_value(*call.args, (*call.args)[index], source, parameter))
        mode = assign_mode_reference;
    if (lower_tag(source->tag) == tag_code && source->payload != nullptr) source->code_data()->this_item = call.context;
    UNION_DATA* target = parameter_cell(parameter);
    if (target == nullptr) return;  // a parameter the analysis gave no cell
    target = follow_link(target);
    if (const char* message = assign_by_mode(target, source, mode)) raise_system_error(call.node, message);
    if (unfilled.count != 0) unfilled.bound(target);
}

// Appends (or prepends) the arguments at the indexes, in the given order, to
// the list of a collecting parameter.
void USER_CALL::collect_into(TOKEN* parameter, const std::vector<int>& indexes, bool prepend) {
    UNION_DATA* cell = parameter_cell(parameter);
    if (cell == nullptr) return;
    cell = follow_link(cell);
    LIST_DATA* list = cell->list_data();
    if (list == nullptr) return;
    for (int index : indexes) {
        own_literal(index);
        UNION_DATA* source = nullptr;
        int mode = 0;
        transfer_out_arg(call.args, call.node, index, parameter->arg_role != arg_role_constant_input, true, &source,
                         &mode);
        // A collecting parameter declared plainly gives the arguments it
        // refers to as read-only as a plain parameter gives its own: the
        // references stay read-only in the list and in its copies.
        if (mode == assign_mode_reference && parameter->arg_role == arg_role_constant_input)
            mode = lent_reference_mode(access_constant_input);
        const char* message = prepend ? list->prepend(source, mode) : list->append(source, mode);
        if (message != nullptr) raise_system_error(call.node, message);
    }
}

// Gives a shared literal argument a cell of its own before it is bound
// otherwise than by copying (see USER_ROUTINE_CALL).
void USER_CALL::own_literal(int index) {
    if (index >= 32 || (shared_literals & (uint32_t{1} << index)) == 0) return;
    shared_literals &= ~(uint32_t{1} << index);
    RESULT_ITEM& item = call.args->args[static_cast<size_t>(index)];
    auto copy = std::make_unique<UNION_DATA>(tag_any);
    copy_construct_value(copy.get(), item.cell);  // an int or a text: nothing to refuse
    item = RESULT_ITEM{copy.release(), access_literal, 1};
    own_literals.append(item);
}

// Small int arguments given to as many int parameters: each number goes
// into its parameter's own number, as the cell of the argument would give it.
constexpr int max_number_arguments = 8;  // no more than a call site reads as numbers
bool USER_CALL::bind_numbers(const TOKEN_LIST& names) {
    const int count = call.args->count();
    if (static_cast<int>(names.count()) != count) return false;
    UNION_DATA* targets[max_number_arguments];
    if (count > max_number_arguments) return false;
    for (int i = 0; i < count; ++i) {
        if ((*collecting)[i] != 0 || names[i]->arg_role != arg_role_constant_input) return false;
        UNION_DATA* target = parameter_cell(names[i]);
        if (target == nullptr || !is_plain_int_cell(target)) return false;
        targets[i] = target;
    }
    for (int i = 0; i < count; ++i) {
        INT_DATA& number = *targets[i]->int_data();
        // A literal's or a variable's number is copied whole, as binding its
        // cell copies it (a sign of zero, a form of its own).
        const UNION_DATA* source = int_items != nullptr ? int_items[i].cell : nullptr;
        if (source != nullptr && !is_inline_int(source->payload)) number = *source->int_data();
        else if (source != nullptr) number.assign_int64(inline_int_value(source->payload));
        else number.assign_int64(int_arguments[i]);
    }
    return true;
}

// bind_numbers for a routine whose parameters the first call found all
// plain int inputs, one small int argument each: the cells are the ones the
// activation has just made, so they need no asking.
void USER_CALL::bind_int_inputs(const TOKEN_LIST& names) {
    const uint32_t count = names.count();
    for (uint32_t i = 0; i < count; ++i) {
        INT_DATA& number = *top_cell(names[i])->int_data();
        const UNION_DATA* source = int_items != nullptr ? int_items[i].cell : nullptr;
        if (source != nullptr && !is_inline_int(source->payload)) number = *source->int_data();
        else if (source != nullptr) number.assign_int64(inline_int_value(source->payload));
        else number.assign_int64(int_arguments[i]);
    }
}

// The arguments bound to parameters that are all constant inputs
// collecting nothing, as bind_parameters binds them (one to one, as far as
// both go). The cell of an int or
// str parameter is the one its activation has just made; an argument that
// is an int or str cell of its own gives its number or text as
// bind_plain_copy gives it, without asking again what the routine settled.
__attribute__((noinline)) void USER_CALL::bind_plain_inputs(const TOKEN_LIST& names) {
    const int count = std::min(call.args->count(), static_cast<int>(names.count()));
    for (int i = 0; i < count; ++i) {
        TOKEN* parameter = names[static_cast<uint32_t>(i)];
        const RESULT_ITEM& item = (*call.args)[i];
        UNION_DATA* given = item.cell;
        const char tag = plain_tags[i];
        if (tag == 0 && is_lent(i)) {
            // A lent object: its parameter refers to it, as bind_by_rules
            // would make it, without that routine's frame. The push made the
            // reference where it could.
            UNION_DATA* target = top_cell(parameter);
            if (target != nullptr && target->tag == tag_reference && target->target() == given) continue;
            if (bind_reference(item, target, true)) {
                if (unfilled.count != 0) unfilled.bound(target);
                continue;
            }
        }
        if (tag != 0 && given != nullptr && given->tag == tag && given->payload != nullptr) {
            UNION_DATA* target = top_cell(parameter);
            if (tag == tag_int && target != nullptr && is_plain_int_cell(target)) {
                if (item.owned != 0 && is_plain_int_cell(given)) std::swap(target->payload, given->payload);
                else if (is_inline_int(given->payload))
                    target->int_data()->assign_int64(inline_int_value(given->payload));
                else *target->int_data() = *static_cast<const INT_DATA*>(given->payload);
                continue;
            }
            if (tag == tag_str && target != nullptr && is_plain_str_cell(target)) {
                bind_text(item.owned != 0 && is_plain_str_cell(given), given, target);
                continue;
            }
        }
        if (!bind_plain_copy(item, parameter_cell(parameter))) bind_by_rules(i, parameter);
    }
}

// The cells the arguments' evaluation would have made, for the general binding.
void USER_CALL::make_argument_cells() {
    for (int i = 0; i < call.args->count(); ++i) {
        if (int_items == nullptr) {
            auto number = std::make_unique<INT_DATA>();
            number->assign_int64(int_arguments[i]);
            const RESULT_ITEM item{new_int_cell(std::move(number)), access_expression, 1};
            call.made_cells->append(item);
            call.args->args[static_cast<size_t>(i)] = item;
            continue;
        }
        // The items go at the same places as in args: the list held nothing else.
        append_number_argument(*call.made_cells, int_items[i], int_arguments[i], shared_literals);
        call.args->args[static_cast<size_t>(i)] = call.made_cells->tail->item;
    }
    int_arguments = nullptr;
    int_items = nullptr;
}

__attribute__((noinline)) void USER_CALL::bind_parameters(const TOKEN_LIST& names) {
    if (int_arguments != nullptr) {
        if (bind_numbers(names)) return;
        make_argument_cells();
    }
    const int count = call.args->count();
    const int parameters = static_cast<int>(names.count());

    // Front: one argument per parameter up to the first collecting one.
    int front = 0;
    for (; front < count && front < parameters; ++front) {
        if ((*collecting)[front] != 0) break;
        bind_one(front, names[front]);
    }
    if (front >= count || front >= parameters) return;

    // Back: from the last argument and parameter down to a collecting one.
    int back_argument = count - 1;
    int back_parameter = parameters - 1;
    while (back_argument >= front && back_parameter > front && (*collecting)[back_parameter] == 0) {
        bind_one(back_argument, names[back_parameter]);
        --back_argument;
        --back_parameter;
    }

    if (back_argument < front) return;  // no argument left for the collecting parameters

    // The middle goes to the collecting parameters.
    TOKEN* first = names[front];
    TOKEN* last = names[back_parameter];
    std::vector<int> to_first;
    std::vector<int> to_last;
    if (first == last) {
        for (int i = front; i <= back_argument; ++i) to_first.push_back(i);
        collect_into(first, to_first, false);
        return;
    }
    auto is_variable = [this](int i) { return is_variable_mode((*call.args)[i].mode); };
    if (first->arg_role == arg_role_variable_input) {
        int i = front;
        for (; i <= back_argument && is_variable(i); ++i) to_first.push_back(i);
        for (; i <= back_argument; ++i) to_last.push_back(i);
        collect_into(first, to_first, false);
        collect_into(last, to_last, false);
    } else {
        int i = back_argument;
        for (; i >= front && is_variable(i); --i) to_last.push_back(i);
        for (; i >= front; --i) to_first.push_back(i);
        collect_into(last, to_last, true);
        collect_into(first, to_first, true);
    }
}

// The tag of the cell that receives a result: the type of the value, 'v'
// for a value held by a variable declared any.
char result_tag(UNION_DATA* value) {
    if (is_reference_tag(value->tag)) {
        if (value->tag == raise_tag(tag_reference)) return 'v';
        value = follow_link(value);
    }
    if (is_any_cell(value)) return 'v';
    return lower_tag(value->tag);
}

void USER_CALL::add_result(TOKEN* name, UNION_DATA* element) {
    if (name->arg_role == arg_role_result && is_plain_int_cell(element) && element->scope_variable != 0) {
        // The activation's own int result variable goes with the activation:
        // its number moves out into the result cell, or into the slot of a
        // caller that reads it as a number alone.
        std::unique_ptr<INT_DATA> number(element->int_data());
        element->payload = nullptr;
        if (int_result != nullptr) {
            int_result->number = std::move(number);
            return;
        }
        call.results->append(RESULT_ITEM{new_int_cell(std::move(number)), access_function_result, 1});
        return;
    }
    if (name->arg_role == arg_role_result && is_plain_str_cell(element) && element->scope_variable != 0) {
        // Its own str result variable likewise: the text moves out into the
        // result cell, as the movement below would give it.
        auto cell = std::make_unique<UNION_DATA>(tag_any);
        cell->tag = tag_str;
        cell->payload = element->payload;
        element->payload = nullptr;
        call.results->append(RESULT_ITEM{cell.release(), access_function_result, 1});
        return;
    }
    if (name->arg_role == arg_role_result && element->scope_variable != 0 && is_plain_container_cell(element)) {
        // Its own list or hash result variable likewise: the new result
        // cell takes the value over, as the movement below would, without
        // an empty value made for it first or a search of the value for a
        // cell that was only just made.
        auto cell = std::make_unique<UNION_DATA>(tag_any);
        cell->tag = element->tag;
        cell->payload = element->payload;
        element->payload = nullptr;
        call.results->append(RESULT_ITEM{cell.release(), access_function_result, 1});
        return;
    }
    if (name->arg_role == arg_role_result && element->scope_variable != 0 && element->tag == tag_object &&
        element->referrers == nullptr && element->weak_held == 0 && element->holder() != nullptr &&
        element->holder()->object != nullptr) {
        // Its own object result variable likewise: the object record changes
        // holders, as the movement below would hand it over, without its
        // type's name looked up for the check.
        auto cell = std::make_unique<UNION_DATA>(tag_object);
        OBJECT_HOLDER& from = *element->holder();
        cell->holder()->type = from.type;
        cell->holder()->object = from.object;
        from.object = nullptr;
        call.results->append(RESULT_ITEM{cell.release(), access_function_result, 1});
        return;
    }
    if (name->arg_role == arg_role_result && element->scope_variable != 0 && is_plain_small_cell(element)) {
        // Its own bool or char result variable likewise: the word moves.
        append_small_result(*call.results, element);
        return;
    }
    const char tag = element->tag;
    if (name->arg_role == arg_role_output_object) {
        if (!is_defined_value(element)) raise_system_error(name, msg_text("varfunergmusdefsei"));
        if (is_empty_value(element)) raise_system_error(name, msg_text("varfunergdarnicleesei"));
        if ((tag == tag_alias || tag == raise_tag(tag_alias)) && call.receiver.mode < 6 &&
            call.receiver.cell != nullptr) {
            UNION_DATA* object = follow_aliases(call.receiver.cell);
            UNION_DATA* target = element->target();
            if (is_within_value(object, target)) {
                raise_system_error(name, msg_text(target == object ? "alikonobjnicerl" : "aliattkonobjnicherl"));
            }
        }
    }
    if ((tag == tag_reference || tag == raise_tag(tag_reference) || tag == tag_alias || tag == raise_tag(tag_alias)) &&
        scope_node != nullptr && scope_holds_value(scope_node, element->target())) {
        raise_system_error(name, msg_text("funergdarnicrefalilokvarsei"));
    }
    UNION_DATA* value = follow_aliases(element);
    auto cell = std::make_unique<UNION_DATA>(result_tag(value));
    if (cell->tag == tag_object) {
        UNION_DATA* object = follow_link(value);
        if (lower_tag(object->tag) == tag_object && object->holder() != nullptr && cell->holder() != nullptr) {
            cell->holder()->type = object->holder()->type;
        }
    }
    cell->scope_variable = 1;
    const char* message = assign_by_mode(cell.get(), element, 5);
    cell->scope_variable = 0;
    if (message != nullptr) raise_system_error(call.node, message);
    call.results->append(RESULT_ITEM{
        cell.release(), name->arg_role == arg_role_output_object ? access_handed_out : access_function_result, 1});
}

__attribute__((noinline)) void USER_CALL::collect_results(const TOKEN_LIST& names) {
    if (names.count() != 1) int_result = nullptr;  // the slot takes one result alone
    for (TOKEN* name : names) {
        UNION_DATA* cell = parameter_cell(name);
        if (cell == nullptr) continue;
        if (base_type_code(cell) == tag_args) {
            if (!is_defined_value(cell)) raise_system_error(name, msg_text("outobjargmusdefsei"));
            int_result = nullptr;
            LIST_DATA* list = follow_link(cell)->list_data();
            for (LIST_NODE* element = list->head; element != nullptr; element = element->next) {
                add_result(name, &element->value);
            }
        } else {
            add_result(name, cell);
        }
    }
}

}  // namespace

bool checked_routine_names(const TOKEN* routine, ROUTINE_NAMES& names) {
    if (prepared_generation != routine_tables_generation) return false;
    const auto found = prepared_routines.find(routine);
    if (found == prepared_routines.end()) return false;
    const PREPARED_ROUTINE& prepared = *found->second;
    if (prepared.result_list == nullptr || !prepared.results_ready) return false;
    const TOKEN* list = prepared.parameter_list;
    const bool has_parameters = list != nullptr && !is_empty_operand(list);
    if (has_parameters && (!prepared.parameters_ready || prepared.collecting.size() != prepared.parameters.count()))
        return false;
    static const TOKEN_LIST no_names;
    static const std::vector<int8_t> no_roles;
    static const std::vector<uint8_t> no_flags;
    names.body = prepared.body;
    names.scope_node = routine->left != nullptr && routine->left->scope != nullptr ? routine->left : nullptr;
    names.parameters = has_parameters ? &prepared.parameters : &no_names;
    names.parameter_roles = has_parameters ? &prepared.parameter_roles : &no_roles;
    names.collecting = has_parameters ? &prepared.collecting : &no_flags;
    names.results = &prepared.result_names;
    names.result_roles = &prepared.result_roles;
    return true;
}

namespace {

// A function of machine ints: run without an activation when it translates.
// True when it ran and its result is delivered as the general path would.
__attribute__((noinline)) bool run_on_machine_ints(const USER_ROUTINE_CALL& call, TOKEN* routine) {
    const int count = call.args->count();
    if (count > 8) return false;
    int64_t given[8];
    const int64_t* arguments = call.int_arguments;
    if (arguments == nullptr) {
        // A routine called with a text or any other value goes on at once.
        for (int i = 0; i < count; ++i) {
            const UNION_DATA* cell = (*call.args)[i].cell;
            if (cell == nullptr || (cell->tag != tag_int && !is_link_tag(cell->tag))) return false;
        }
        for (int i = 0; i < count; ++i) {
            const UNION_DATA* cell = (*call.args)[i].cell;
            if (cell == nullptr) return false;
            cell = follow_aliases(const_cast<UNION_DATA*>(cell));
            if (cell->tag != tag_int || cell->payload == nullptr || !cell_int64(cell, given[i])) return false;
        }
        arguments = given;
    }
    int64_t value = 0;
    if (!run_int_routine(routine, arguments, static_cast<uint32_t>(count), value)) return false;
    deliver_int_result(value, call.int_result, *call.results);
    return true;
}

}  // namespace

void deliver_int_result(int64_t value, INT_RESULT_SLOT* slot, RESULT_LIST& results) {
    auto number = std::make_unique<INT_DATA>();
    number->assign_int64(value);
    if (slot != nullptr) {
        slot->number = std::move(number);
    } else {
        results.append(RESULT_ITEM{new_int_cell(std::move(number)), access_function_result, 1});
    }
}

void run_user_routine(const USER_ROUTINE_CALL& call, TOKEN* routine, bool crossed_type) {
    PREPARED_ROUTINE* known = known_prepared(routine);
    // Once a routine of the statement has failed, the body of any other
    // runs none of its statements, so its result stays empty: the machine
    // ints would compute one.
    if (call.results != nullptr && !exception_pending() && !crossed_type && !call.type_routine &&
        call.receiver.cell == nullptr && (known == nullptr || !known->settled || known->machine_ints)) {
        if (!int_routine_refused(routine)) {
            if (run_on_machine_ints(call, routine)) return;
        } else if (known != nullptr && known->settled) {
            // A refusal holds while the tables stand, as the entry does.
            known->machine_ints = false;
        }
    }
    USER_CALL(call).run(routine, crossed_type, known);
}

bool take_over_argument(const RESULT_ITEM& item, UNION_DATA* target) { return take_over_temporary(item, target); }

}  // namespace morvu
