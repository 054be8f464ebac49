#include "exec/call_routine.h"

#include <cstring>
#include <memory>
#include <vector>

#include "eval/arg_frame.h"
#include "eval/evaluator.h"
#include "exec/block_exec.h"
#include "exec/control_counters.h"
#include "exec/method_protocol.h"
#include "exec/pending_exception.h"
#include "exec/statement_binding.h"
#include "exec/user_objects.h"
#include "frontend/param_roles.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "types/containers/any2.h"
#include "types/containers/array.h"
#include "types/containers/array2.h"
#include "types/containers/graph.h"
#include "types/containers/hash.h"
#include "types/containers/list.h"
#include "types/containers/set.h"
#include "types/scalar/any.h"
#include "types/scalar/bool.h"
#include "types/scalar/char.h"
#include "types/scalar/code.h"
#include "types/scalar/error.h"
#include "types/scalar/int.h"
#include "types/scalar/oper.h"
#include "types/scalar/real.h"
#include "types/scalar/str.h"
#include "types/system/date.h"
#include "types/system/datetime.h"
#include "types/system/dir.h"
#include "types/system/file.h"
#include "types/system/time.h"
#include "types/system/timezone.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_text.h"

namespace morvu {

namespace {

const TYPE_DESIGNATOR no_type{};

// The argument list that the last call which found nothing left parked, as
// long as no other call has started since.
RESULT_LIST* unclaimed_arguments = nullptr;

bool has_type(const TYPE_DESIGNATOR& spec) { return spec.text != nullptr || spec.type != nullptr; }

bool names_any(const TYPE_DESIGNATOR& spec) {
    return !spec.is_user_type && spec.text != nullptr && std::strcmp(spec.text, "any") == 0;
}

}  // namespace

std::string key_type_name(UNION_DATA* cell) {
    std::string text = type_name_text(value_type_name(cell, true), 1);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ':' && i + 1 < text.size() && text[i + 1] == ':') {
            out += static_cast<char>(27);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {

// The text of a str cell (links already followed).
const std::string& str_text(UNION_DATA* cell) { return cell->str_data()->text; }

// PENDING(built-in functions): call_builtin_function is not published yet;
// until it is, a function call on the receiver sys finds nothing.
bool sys_function(TOKEN*, RESULT_LIST*) { return false; }

// The handler pair of a built-in type, chosen by its type code: the
// function handler with a result list, the procedure handler without one.
bool call_type_handler(char code, TOKEN* node, CALL_ARGS* args, RESULT_LIST* results,
                       RESULT_ITEM receiver, RESULT_ITEM context) {
    const bool f = results != nullptr;
    switch (code) {
    case 'l': return f ? list_functions(node, args, results, receiver, context, true)
                       : list_procedures(node, args, receiver, context, true);
    case 'y': return f ? list_functions(node, args, results, receiver, context, false)
                       : list_procedures(node, args, receiver, context, false);
    case 's': return f ? str_functions(node, args, results, receiver, context)
                       : str_procedures(node, args, receiver, context);
    case 'x': return f ? code_functions(node, args, results, receiver) : code_procedures(node, args, receiver);
    case 'h': return f ? hash_functions(node, args, results, receiver, context)
                       : hash_procedures(node, args, receiver, context);
    case 'z': return f ? array2_functions(node, args, results, receiver, context)
                       : array2_procedures(node, args, receiver);
    case 't': return f ? time_functions(node, args, results, receiver) : time_procedures(node, args, receiver);
    case '4': return f ? datetime_functions(node, args, results, receiver)
                       : datetime_procedures(node, args, receiver);
    case 'b': return f ? bool_functions(node, args, results, receiver) : bool_procedures(node, args, receiver);
    case 'c': return f ? char_functions(node, args, results, receiver) : char_procedures(node, args, receiver);
    case 'i': return f ? int_functions(node, args, results, receiver) : int_procedures(node, args, receiver);
    case '0': return f ? date_functions(node, args, results, receiver) : date_procedures(node, args, receiver);
    case 'a': return f ? array_functions(node, args, results, receiver, context)
                       : array_procedures(node, args, receiver, context);
    case '2': return f ? timezone_functions(node, args, results, receiver)
                       : timezone_procedures(node, args, receiver);
    case 'm': return f ? set_functions(node, args, results, receiver, context)
                       : set_procedures(node, args, receiver, context);
    case 'n':
        if (f) return sys_function(node, results);
        // A statement addressed through sys: the keyword runs at once.
        if (!bind_keyword_executor(node)) return false;
        execute_node_guarded(node, RESULT_ITEM{});
        return true;
    case 'd': return f ? dir_functions(node, args, results, receiver) : dir_procedures(node, args, receiver);
    case 'e': return f ? error_functions(node, args, results, receiver) : error_procedures(node, args, receiver);
    case 'r': return f ? real_functions(node, args, results, receiver) : real_procedures(node, args, receiver);
    case 'g': return f ? graph_functions(node, args, results, receiver, context)
                       : graph_procedures(node, args, receiver, context);
    case 'f': return f ? file_functions(node, args, results, receiver) : file_procedures(node, args, receiver);
    case 'o': return f ? oper_functions(node, args, results, receiver) : oper_procedures(node, args, receiver);
    case 'u': return f ? any2_functions(node, args, results, receiver) : any2_procedures(node, args, receiver);
    default: return false;
    }
}

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
    explicit ACTIVATION(TOKEN* scope_node) : node(scope_node) {
        if (node != nullptr) push_scope_variables(node);
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
        lower_counter(pending_return);
        raise_stray_counter(node, pending_continue, "posconwerohnumgsch");
        raise_stray_counter(node, pending_break, "posbrewerohnumgsch");
    }

private:
    bool settled = false;

    // The counter is released before its error is raised, so a catch in the
    // caller sees the error and no loop of the caller sees the counter.
    static void raise_stray_counter(const TOKEN* node, std::unique_ptr<INT_DATA>& counter,
                                    const char* identifier) {
        if (!counter) return;
        std::string value = counter->to_text();
        counter.reset();
        raise_error(node, 0, nullptr, format_string(msg_text(identifier), value.c_str()), 's');
    }
};

// Restores the current statement after a routine's body has run.
class STATEMENT_RESTORE {
public:
    STATEMENT_RESTORE() : saved(current_statement) {}
    ~STATEMENT_RESTORE() { current_statement = saved; }
    STATEMENT_RESTORE(const STATEMENT_RESTORE&) = delete;
    STATEMENT_RESTORE& operator=(const STATEMENT_RESTORE&) = delete;

private:
    const TOKEN* saved;
};

// The call of one user routine found under the key.
class USER_CALL {
public:
    USER_CALL(TOKEN* node, CALL_ARGS* args, RESULT_LIST* results, RESULT_ITEM receiver,
              RESULT_ITEM context, bool type_routine)
        : node(node), args(args), results(results), receiver(receiver), context(context),
          type_routine(type_routine) {}

    void run(TOKEN* routine, bool crossed_type);

private:
    TOKEN* node;
    CALL_ARGS* args;
    RESULT_LIST* results;
    RESULT_ITEM receiver;
    RESULT_ITEM context;
    bool type_routine;
    TOKEN* scope_node = nullptr;  // the node whose scope holds the routine's variables

    void bind_parameters(TOKEN* parameter_list);
    void bind_one(int index, TOKEN* parameter);
    void collect_into(TOKEN* parameter, const std::vector<int>& indexes, bool prepend);
    void collect_results(const TOKEN_LIST& names);
    void add_result(TOKEN* name, UNION_DATA* element);
};

void USER_CALL::run(TOKEN* routine, bool crossed_type) {
    TOKEN_LIST parts = split_by_operator(routine->left, juxtaposition_chain);
    const TOKEN* keyword = routine->parent != nullptr ? routine->parent->left : nullptr;
    const bool is_function = keyword != nullptr && keyword->text && keyword->op1 != '"' &&
                             keyword->op1 != '\'' && keyword->op1 != '(' && *keyword->text == "func";
    const uint32_t allowed = is_function ? 3 : 2;
    if (parts.count() > allowed) {
        raise_error(routine, 0, nullptr,
                    format_string(msg_text("hatmehalstei"), routine_type_word(type_routine, !is_function),
                                  static_cast<int>(allowed)),
                    's');
    }
    const uint32_t n = parts.count();
    TOKEN* body = n > 0 ? parts[n - 1] : nullptr;
    TOKEN* result_list = is_function && n >= 2 ? parts[n - 2] : nullptr;
    TOKEN* parameter_list = n >= allowed ? parts[0] : nullptr;
    if (results == nullptr && result_list != nullptr) {
        raise_error(node, 0, nullptr, msg_text("nurprodueanwausgef"), 's');
    }
    if (results != nullptr && result_list == nullptr) {
        raise_error(node, 0, nullptr, msg_text("nurfundueausaufger"), 's');
    }

    // The definition proper (the header-and-body chain) owns the routine's scope.
    scope_node = routine->left != nullptr && routine->left->scope != nullptr ? routine->left : nullptr;
    ACTIVATION activation(scope_node);
    if (parameter_list != nullptr && !(parameter_list->op1 == '#' && parameter_list->op2 == 0)) {
        bind_parameters(parameter_list);
    }
    // The result names get their roles before the body runs, so that the
    // body sees its output objects as such from the very first call on.
    TOKEN_LIST result_names;
    if (result_list != nullptr && !(result_list->op1 == '#' && result_list->op2 == 0)) {
        check_fun_arg(result_list, 'o', result_names);
    }
    COUNTER_SETTLEMENT counters;
    {
        STATEMENT_RESTORE restore;
        if (body != nullptr) execute_block(body, crossed_type ? RESULT_ITEM{} : receiver, false);
    }
    collect_results(result_names);
    counters.settle(node);
}

void USER_CALL::bind_one(int index, TOKEN* parameter) {
    UNION_DATA* source = nullptr;
    int mode = 0;
    transfer_out_arg(args, node, index, parameter->arg_role != -2, true, &source, &mode);
    if (lower_tag(source->tag) == 'x' && source->payload != nullptr) source->code_data()->this_item = context;
    UNION_DATA* target = parameter_cell(parameter);
    if (target == nullptr) return;  // a parameter the analysis gave no cell
    target = follow_link(target);
    if (const char* message = assign_by_mode(target, source, mode)) raise_error(node, 0, nullptr, message, 's');
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
        UNION_DATA* source = nullptr;
        int mode = 0;
        transfer_out_arg(args, node, index, parameter->arg_role != -2, true, &source, &mode);
        const char* message = prepend ? list->prepend(source, mode) : list->append(source, mode);
        if (message != nullptr) raise_error(node, 0, nullptr, message, 's');
    }
}

void USER_CALL::bind_parameters(TOKEN* parameter_list) {
    TOKEN_LIST names;
    check_fun_arg(parameter_list, 'i', names);
    const int count = args->count();
    const int parameters = static_cast<int>(names.count());

    // Front: one argument per parameter up to the first collecting one.
    int front = 0;
    for (; front < count && front < parameters; ++front) {
        if (is_args_parameter(names[front])) break;
        bind_one(front, names[front]);
    }
    if (front >= count || front >= parameters) return;

    // Back: from the last argument and parameter down to a collecting one.
    int back_argument = count - 1;
    int back_parameter = parameters - 1;
    while (back_argument >= front && back_parameter > front && !is_args_parameter(names[back_parameter])) {
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
    auto is_variable = [this](int i) { return (*args)[i].mode > 5; };
    if (first->arg_role == 2) {
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
        if (value->tag == 'P') return 'v';
        value = follow_link(value);
    }
    if (is_any_cell(value)) return 'v';
    return lower_tag(value->tag);
}

void USER_CALL::add_result(TOKEN* name, UNION_DATA* element) {
    const char tag = element->tag;
    if (name->arg_role == 1) {
        if (!is_defined_value(element)) raise_error(name, 0, nullptr, msg_text("varfunergmusdefsei"), 's');
        if (is_empty_value(element)) raise_error(name, 0, nullptr, msg_text("varfunergdarnicleesei"), 's');
        if ((tag == 'q' || tag == 'Q') && receiver.mode < 6 && receiver.cell != nullptr) {
            UNION_DATA* object = follow_aliases(receiver.cell);
            UNION_DATA* target = element->target();
            if (is_within_value(object, target)) {
                raise_error(name, 0, nullptr,
                            msg_text(target == object ? "alikonobjnicerl" : "aliattkonobjnicherl"), 's');
            }
        }
    }
    if ((tag == 'p' || tag == 'P' || tag == 'q' || tag == 'Q') && scope_node != nullptr &&
        scope_holds_value(scope_node, element->target())) {
        raise_error(name, 0, nullptr, msg_text("funergdarnicrefalilokvarsei"), 's');
    }
    UNION_DATA* value = follow_aliases(element);
    auto cell = std::make_unique<UNION_DATA>(result_tag(value));
    if (cell->tag == 'k') {
        UNION_DATA* object = follow_link(value);
        if (lower_tag(object->tag) == 'k' && object->holder() != nullptr && cell->holder() != nullptr) {
            cell->holder()->type = object->holder()->type;
        }
    }
    cell->scope_variable = 1;
    const char* message = assign_by_mode(cell.get(), element, 5);
    cell->scope_variable = 0;
    if (message != nullptr) raise_error(node, 0, nullptr, message, 's');
    results->append(RESULT_ITEM{cell.release(), name->arg_role == 1 ? 9u : 3u, 1});
}

void USER_CALL::collect_results(const TOKEN_LIST& names) {
    for (TOKEN* name : names) {
        UNION_DATA* cell = parameter_cell(name);
        if (cell == nullptr) continue;
        if (base_type_code(cell) == 'y') {
            if (!is_defined_value(cell)) raise_error(name, 0, nullptr, msg_text("outobjargmusdefsei"), 's');
            LIST_DATA* list = follow_link(cell)->list_data();
            for (LIST_NODE* element = list->head; element != nullptr; element = element->next) {
                add_result(name, &element->value);
            }
        } else {
            add_result(name, cell);
        }
    }
}

// The not-defined text: "Function 'f(int)' not defined", "Type procedure
// 'p()' (type 'T') not defined".
std::string not_defined_text(const TOKEN* node, const CALL_ARGS& args, const TYPE_DESIGNATOR& spec,
                             uint8_t in_object_type, UNION_DATA* receiver_cell, bool is_procedure) {
    const bool type_routine = in_object_type != 0 || has_type(spec);
    const char* word = routine_type_word(type_routine, is_procedure);
    std::string routine = method_context(node, "", args.key, true);
    std::string type_part;
    if (has_type(spec)) {
        type_part = format_string(" (%s '%s')", msg_text("dattyp"), type_name_text(spec, 1).c_str());
    } else if (in_object_type != 0 && receiver_cell != nullptr) {
        type_part = format_string(" (%s '%s')", msg_text("dattyp"),
                                  type_name_text(value_type_name(receiver_cell, true), 1).c_str());
    }
    return format_string("%s '%s'%s %s", word, routine.c_str(), type_part.c_str(), msg_text("nicdef"));
}

// Where the user routines of a call are looked up: the body of the receiver
// object's type, the body of the named user type, or the call's own place.
TOKEN* search_start(TOKEN* node, uint8_t in_object_type, UNION_DATA* receiver_cell,
                    const TYPE_DESIGNATOR& spec) {
    if (in_object_type != 0 && receiver_cell != nullptr) {
        UNION_DATA* holder_cell = follow_link(receiver_cell);
        if (lower_tag(holder_cell->tag) == 'k' && holder_cell->holder() != nullptr &&
            holder_cell->holder()->type != nullptr) {
            return last_list_item(holder_cell->holder()->type);
        }
    }
    if (spec.is_user_type && spec.type != nullptr) return last_list_item(spec.type);
    return node->parent;
}

}  // namespace

void transfer_out_arg(const CALL_ARGS* args, TOKEN* node, int index, bool must_be_variable,
                      bool input, UNION_DATA** out_cell, int* out_mode) {
    const RESULT_ITEM& item = (*args)[index];
    UNION_DATA* cell = item.cell;
    if (must_be_variable) {
        raise_infeasible_for_constant(node, item, "", msg_text(input ? "uebinpvar" : "uebvaroutobjarg"), true);
        if (item.mode >= 7 && item.mode <= 9 && is_link_cell(cell)) cell = cell->target();
        *out_cell = cell;
        *out_mode = 7;  // a call-alias: the routine's assignments reach the caller
        return;
    }
    const char tag = cell->tag;
    if (tag == 'q' || tag == 'Q' || tag == 'j' || tag == 'J') {
        cell = follow_aliases(cell);
        *out_cell = cell;
        *out_mode = is_reference_tag(cell->tag) ? 1 : 0;
        return;
    }
    *out_cell = cell;
    if (item.mode > 5) {
        // Values of the small types are copied, objects of bigtype types
        // and containers are passed by reference.
        *out_mode = is_smalltype_value(follow_link(cell), true) ? 0 : 1;
    } else {
        *out_mode = is_reference_tag(tag) ? 1 : 0;
    }
}

std::string call_routine(TOKEN* node, RESULT_ITEM receiver, const TYPE_DESIGNATOR* type_spec,
                         uint8_t in_object_type, RESULT_LIST* results, CALL_ARGS* prepared,
                         RESULT_ITEM context, bool runtime_name) {
    const TYPE_DESIGNATOR& spec = type_spec != nullptr ? *type_spec : no_type;
    const bool is_function = results != nullptr;
    const char kind = is_function ? 'f' : 'p';

    // A list is handed over only to the call right after the one that
    // parked it and found nothing.
    RESULT_LIST* handed_over = unclaimed_arguments;
    unclaimed_arguments = nullptr;

    CALL_ARGS own_args;
    CALL_ARGS* args = prepared;
    TOKEN* subtree = node->left;
    RESULT_LIST* parked = nullptr;  // the evaluated arguments on the subtree's stack
    if (args == nullptr) {
        // Evaluate the arguments once, into a list that is parked on the
        // argument subtree only when it is complete: a keyword executor or
        // built-in function taking the call over finds it there. A statement
        // that calls by computed name (proc) takes over what the binder's
        // call has just evaluated.
        std::unique_ptr<RESULT_LIST> fresh;
        RESULT_LIST* list = nullptr;
        if (subtree != nullptr && handed_over != nullptr && !subtree->result_stack.empty() &&
            subtree->result_stack.back() == handed_over) {
            list = handed_over;
            parked = handed_over;
        } else {
            fresh = std::make_unique<RESULT_LIST>();
            list = fresh.get();
            if (subtree != nullptr) {
                PENDING_EXCEPTION* before = pending_exception;
                for (TOKEN* argument : argument_list_of(subtree)) {
                    eval_cached(argument, context, *list);
                    if (pending_exception != before) return {};
                }
            }
        }
        RESULT_NODE* item_node = list->head;
        if (runtime_name) {
            if (list->count == 0) {
                raise_error(node, kind, is_function ? "sys:func" : "sys:proc",
                            format_string(msg_text("erwminarg"), 1), 's');
            }
            UNION_DATA* name_cell = follow_aliases(item_node->item.cell);
            if (name_cell->tag != 's' && name_cell->tag != 'S') {
                raise_error(node, kind, "sys:call", msg_text("erwzeiket1arg"), 's');
            }
            own_args.key = name_cell->payload != nullptr ? str_text(name_cell) : std::string();
            item_node = item_node->next;
        } else {
            own_args.key = escape_method_text(node, node->text ? *node->text : std::string());
        }
        own_args.key += method_key_mark;
        own_args.args.reserve(list->count);
        for (; item_node != nullptr; item_node = item_node->next) {
            own_args.key += key_type_name(follow_aliases(item_node->item.cell));
            own_args.key += ';';
            own_args.args.push_back(item_node->item);
        }
        if (list->count > 0) own_args.key += method_key_mark;
        if (fresh != nullptr && subtree != nullptr) {
            parked = fresh.get();
            push_result_list(subtree, fresh.release());
        }
        args = &own_args;
    }

    UNION_DATA* receiver_cell = receiver.cell != nullptr ? follow_aliases(receiver.cell) : nullptr;
    const bool spec_any = names_any(spec);
    bool user_side = false;

    if (!spec_any) {
        const bool builtin = receiver_cell != nullptr
                                 ? base_type_code(receiver_cell) != 'k'
                                 : (!spec.is_user_type && spec.text != nullptr);
        if (builtin) {
            TYPE_DESIGNATOR own_type = receiver_cell != nullptr ? value_type_name(receiver_cell, true) : spec;
            if (has_type(spec) && !same_type_name(spec, own_type)) {
                std::string spec_text = type_name_text(spec, 1);
                std::string own_text = type_name_text(own_type, 0);
                raise_error(node, 0, nullptr,
                            format_string(msg_text("typspedattypnicerl"), spec_text.c_str(), own_text.c_str()),
                            's');
            }
            const char code = own_type.is_user_type || own_type.text == nullptr
                                  ? 'k'
                                  : type_code_of_name(own_type.text);
            if (call_type_handler(code, node, args, results, receiver, context)) return {};
        } else {
            user_side = true;
            TOKEN* start = search_start(node, in_object_type, receiver_cell, spec);
            if (TOKEN* routine = find_symbol(start, args->key, kind, spec, in_object_type != 0, node)) {
                USER_CALL(node, args, results, receiver, context, in_object_type != 0 || has_type(spec))
                    .run(routine, false);
                return {};
            }
            const bool object_receiver = receiver_cell != nullptr && base_type_code(receiver_cell) == 'k';
            if (is_function && (object_receiver || has_type(spec)) &&
                user_object_methods(node, args, results, receiver, &spec)) {
                return {};
            }
        }
    }

    if (spec_any || (!has_type(spec) && (in_object_type != 0 || receiver_cell != nullptr))) {
        const bool done = is_function ? any_functions(node, args, results, receiver, in_object_type, context)
                                      : any_procedures(node, args, receiver, in_object_type, context);
        if (done) return {};
    }

    if (user_side) {
        TOKEN* start = search_start(node, in_object_type, receiver_cell, spec);
        bool crossed = false;
        if (TOKEN* routine = find_symbol(start, args->key, kind, spec, in_object_type != 0, node, &crossed)) {
            USER_CALL(node, args, results, receiver, context, in_object_type != 0 || has_type(spec))
                .run(routine, crossed);
            return {};
        }
    }
    unclaimed_arguments = parked;
    return not_defined_text(node, *args, spec, in_object_type, receiver_cell, !is_function);
}

}  // namespace morvu
