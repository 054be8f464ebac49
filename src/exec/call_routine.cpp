#include "exec/call_routine.h"

#include <cstring>
#include <memory>
#include <vector>

#include "eval/arg_frame.h"
#include "eval/builtin_functions.h"
#include "eval/evaluator.h"
#include "exec/block_exec.h"
#include "exec/pending_exception.h"
#include "exec/statement_binding.h"
#include "exec/user_call.h"
#include "exec/user_objects.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_text.h"

namespace morvu {

namespace {

// The execution layer serves the types' calls back up.
[[maybe_unused]] const bool entries_installed = (call_routine_entry = call_routine, true);

const TYPE_NAME no_type{};

// The argument list that the last call which found nothing left parked, as
// long as no other call has started since.
RESULT_LIST* unclaimed_arguments = nullptr;

bool has_type(const TYPE_NAME& spec) { return spec.text != nullptr || spec.type != nullptr; }

bool names_any(const TYPE_NAME& spec) {
    return !spec.is_user_type && spec.text != nullptr && std::strcmp(spec.text, "any") == 0;
}

}  // namespace

namespace {

// The text of a str cell (links already followed).
const std::string& str_text(UNION_DATA* cell) { return cell->str_data()->text; }

// The type code of the value a receiver holds, as its held type name
// (value_type_name) would give it: links followed, an any variable's value
// by its own type, 'k' for objects and anything unnamed.
char held_type_code(const UNION_DATA* cell) {
    for (;;) {
        const char tag = lower_tag(cell->tag);
        switch (tag) {
        case 'j': case 'p': case 'q':
            cell = cell->target();
            continue;
        case '0': case '2': case '4': case 'a': case 'b': case 'c': case 'd': case 'e': case 'f': case 'g':
        case 'h': case 'i': case 'l': case 'm': case 'n': case 'o': case 'r': case 's': case 't': case 'u':
        case 'v': case 'x': case 'y': case 'z':
            return tag;
        default:
            return 'k';
        }
    }
}

// Runs the function handler (with a result list) or the procedure handler
// (without one) of the type's methods.
bool run_methods(const TYPE_METHODS& methods, char code, TOKEN* node, CALL_ARGS* args, RESULT_LIST* results,
                 RESULT_ITEM receiver, RESULT_ITEM context, bool in_object_type) {
    METHOD_CALL call;
    call.node = node;
    call.args = args;
    call.results = results;
    call.receiver = receiver;
    call.this_item = context;
    call.type_name = methods.name;
    call.type_code = code;
    call.in_object_type = in_object_type;
    return results != nullptr ? methods.functions(call) : methods.procedures(call);
}

// The handlers of a built-in type, chosen by its type code. The receiver
// sys serves the built-in functions inside expressions and the statements
// written as "sys:name(...)".
bool call_type_handler(char code, TOKEN* node, CALL_ARGS* args, RESULT_LIST* results,
                       RESULT_ITEM receiver, RESULT_ITEM context) {
    if (code == 'n') {
        if (results != nullptr) return call_builtin_function(node, RESULT_ITEM{}, *results);
        // A statement addressed through sys: the keyword runs at once.
        if (!bind_keyword_executor(node)) return false;
        execute_node_guarded(node, RESULT_ITEM{});
        return true;
    }
    if (code == 'v') return false;  // the common methods come later, once
    const TYPE_METHODS* methods = methods_of_type(code);
    return methods != nullptr && run_methods(*methods, code, node, args, results, receiver, context, false);
}

// The methods common to all types.
bool call_any_handler(TOKEN* node, CALL_ARGS* args, RESULT_LIST* results, RESULT_ITEM receiver,
                      bool in_object_type, RESULT_ITEM context) {
    return run_methods(*methods_of_type('v'), 'v', node, args, results, receiver, context, in_object_type);
}

// The not-defined text: "Function 'f(int)' not defined", "Type procedure
// 'p()' (type 'T') not defined".
std::string not_defined_text(const TOKEN* node, const CALL_ARGS& args, const TYPE_NAME& spec,
                             uint8_t in_object_type, UNION_DATA* receiver_cell, bool is_procedure) {
    const bool type_routine = in_object_type != 0 || has_type(spec);
    const char* word = routine_type_word(type_routine, is_procedure);
    std::string routine = method_context(node, "", args.key, true);
    std::string type_part;
    if (has_type(spec)) {
        type_part = format_string(" (%s '%s')", msg_text("dattyp"), type_name_text(spec).c_str());
    } else if (in_object_type != 0 && receiver_cell != nullptr) {
        type_part = format_string(" (%s '%s')", msg_text("dattyp"),
                                  type_name_text(value_type_name(receiver_cell, true)).c_str());
    }
    return format_string("%s '%s'%s %s", word, routine.c_str(), type_part.c_str(), msg_text("nicdef"));
}

// Where the user routines of a call are looked up: the body of the receiver
// object's type, the body of the named user type, or the call's own place.
TOKEN* search_start(TOKEN* node, uint8_t in_object_type, UNION_DATA* receiver_cell,
                    const TYPE_NAME& spec) {
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

std::string call_routine(const ROUTINE_REQUEST& request) {
    TOKEN* node = request.node;
    const RESULT_ITEM receiver = request.receiver;
    const TYPE_NAME& spec = request.qualifier != nullptr ? *request.qualifier : no_type;
    const uint8_t in_object_type = request.in_object_type ? 1 : 0;
    RESULT_LIST* results = request.results;
    CALL_ARGS* prepared = request.prepared;
    const RESULT_ITEM context = request.context;
    const bool runtime_name = request.runtime_name;
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
                            format_string(msg_text("erwminarg"), 1), error_kind_system);
            }
            UNION_DATA* name_cell = follow_aliases(item_node->item.cell);
            if (name_cell->tag != 's' && name_cell->tag != 'S') {
                raise_error(node, kind, "sys:call", msg_text("erwzeiket1arg"), error_kind_system);
            }
            own_args.key = name_cell->payload != nullptr ? str_text(name_cell) : std::string();
            item_node = item_node->next;
        } else {
            own_args.key = escape_method_text(node, node->text ? *node->text : std::string());
        }
        own_args.key += method_key_mark;
        own_args.args.reserve(list->count);
        for (; item_node != nullptr; item_node = item_node->next) {
            append_key_type_name(own_args.key, follow_aliases(item_node->item.cell));
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
            if (has_type(spec)) {
                TYPE_NAME own_type = receiver_cell != nullptr ? value_type_name(receiver_cell, true) : spec;
                if (!same_type_name(spec, own_type)) {
                    std::string spec_text = type_name_text(spec);
                    std::string own_text = type_name_text(own_type);
                    raise_system_error(node, format_string(msg_text("typspedattypnicerl"), spec_text.c_str(), own_text.c_str()));
                }
            }
            const char code = receiver_cell != nullptr ? held_type_code(receiver_cell)
                                                       : type_code_of_name(spec.text);
            if (call_type_handler(code, node, args, results, receiver, context)) return {};
        } else {
            user_side = true;
            TOKEN* start = search_start(node, in_object_type, receiver_cell, spec);
            if (TOKEN* routine = find_symbol(start, args->key, kind, spec, in_object_type != 0, node)) {
                run_user_routine({node, args, results, receiver, context, in_object_type != 0 || has_type(spec)},
                                 routine, false);
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
        if (call_any_handler(node, args, results, receiver, in_object_type != 0, context)) return {};
    }

    if (user_side) {
        TOKEN* start = search_start(node, in_object_type, receiver_cell, spec);
        bool crossed = false;
        if (TOKEN* routine = find_symbol(start, args->key, kind, spec, in_object_type != 0, node, &crossed)) {
            run_user_routine({node, args, results, receiver, context, in_object_type != 0 || has_type(spec)},
                             routine, crossed);
            return {};
        }
    }
    unclaimed_arguments = parked;
    return not_defined_text(node, *args, spec, in_object_type, receiver_cell, !is_function);
}

}  // namespace morvu
