#include "exec/user_objects.h"

#include <string>
#include <utility>

#include "eval/arg_frame.h"
#include "runtime/display_name.h"
#include "types/method_call.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_defs.h"
#include "frontend/type_services.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/factories.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_operators.h"

namespace morvu {

namespace {

const std::string bases_key = std::string("bases") + method_key_mark;
const std::string vars_key = std::string("vars") + method_key_mark + "str;" + method_key_mark;
const std::string get_key = std::string("get") + method_key_mark + "str;str;" + method_key_mark;
const std::string member_key = std::string("[]") + method_key_mark + "str;str;" + method_key_mark;

class METHOD {
public:
    METHOD(TOKEN* node, CALL_ARGS* args, RESULT_LIST* results, RESULT_ITEM receiver, TOKEN* type,
           std::string context_name)
        : node(node),
          args(args),
          results(results),
          receiver(receiver),
          type(type),
          context_name(std::move(context_name)) {}

    void bases();
    void vars();
    void member(bool as_variable);

private:
    TOKEN* node;
    CALL_ARGS* args;
    RESULT_LIST* results;
    RESULT_ITEM receiver;
    TOKEN* type;
    std::string context_name;  // the routine name of the call's errors ("T:get")

    [[noreturn]] void fail(const std::string& message) const {
        raise_error(node, routine_kind_function, context_name.c_str(), message, error_kind_system);
    }
    void check(const char* message) const {
        if (message != nullptr) fail(message);
    }

    const std::string& text_argument(int index) const { return argument_value((*args)[index].cell)->str_data()->text; }

    // The type definition a written name stands for; raises "Unknown type".
    TOKEN* type_named(const std::string& written) const;

    // The basic types of the type, without the type itself.
    const TOKEN_LIST* basic_types() const {
        if (type->base_types == nullptr) parse_type_def(type, true);
        return type->base_types.get();
    }
};

TOKEN* METHOD::type_named(const std::string& written) const {
    TOKEN* found = find_symbol(node, internal_name(written), 't', false, node);
    if (found == nullptr) fail(format_string(msg_text("unbdattypxxx"), written.c_str()));
    return found;
}

void METHOD::bases() {
    const TOKEN_LIST* list = basic_types();
    if (list == nullptr) return;
    for (uint32_t i = 0; i < list->count(); ++i) {
        TOKEN* base = (*list)[i];
        if (base == type) continue;
        std::string name = qualified_type_name(node, base);
        if (name.empty() && base->text) name = *base->text;
        results->append(make_str_value(display_name(name.c_str())));
    }
}

void METHOD::vars() {
    const std::string& written = text_argument(0);
    TOKEN* wanted = written.empty() ? nullptr : type_named(written);
    bool taken = false;
    const TOKEN_LIST* list = basic_types();
    for (uint32_t i = 0; list != nullptr && i < list->count(); ++i) {
        TOKEN* base = (*list)[i];
        if (base == type || (wanted != nullptr && base != wanted)) continue;
        taken = true;
        TOKEN* body = last_list_item(base);
        if (body == nullptr || body->scope == nullptr) continue;
        STR_INT_TABLE& variables = body->scope->variables;
        std::string name;
        for (bool more = variables.first(name); more; more = variables.next(name)) {
            if (table_token(variables, name) != nullptr) results->append(make_str_value(name));
        }
    }
    if (!taken) fail(format_string(msg_text("basdattypexinic"), written.c_str()));
}

void METHOD::member(bool as_variable) {
    check(is_object_present(receiver));
    UNION_DATA* object = follow_link(follow_aliases(receiver.cell));
    check(is_object_defined(object));
    if (as_variable) {
        std::string type_text = type_name_text(value_type_name(object, true));
        raise_infeasible_for_constant(node, receiver, type_text.c_str(), args->key, true);
    }
    const std::string& written = text_argument(0);
    TOKEN* within = written.empty() ? nullptr : type_named(written);
    const char* message = nullptr;
    UNION_DATA* cell = attribute_access(object, within, text_argument(1), node, &message);
    check(message);
    results->append(RESULT_ITEM{cell, as_variable ? access_member_of_variable : access_member_of_constant, 0});
}

}  // namespace

bool user_object_methods(TOKEN* node, CALL_ARGS* args, RESULT_LIST* results, RESULT_ITEM receiver,
                         const TYPE_NAME* qualifier) {
    const std::string& key = args->key;
    const bool is_bases = key == bases_key;
    const bool is_vars = !is_bases && key == vars_key;
    const bool is_get = !is_bases && !is_vars && key == get_key;
    const bool is_member = !is_bases && !is_vars && !is_get && key == member_key;
    if (!is_bases && !is_vars && !is_get && !is_member) return false;

    // The type in question: the receiver object's, else the one named.
    UNION_DATA* object = receiver.cell != nullptr ? follow_link(follow_aliases(receiver.cell)) : nullptr;
    TOKEN* type = nullptr;
    std::string type_text;
    if (object != nullptr && lower_tag(object->tag) == tag_object && object->holder() != nullptr) {
        type = object->holder()->type;
        type_text = type_name_text(value_type_name(object, true));
    } else if (qualifier != nullptr) {
        type = qualifier->is_user_type ? qualifier->type : nullptr;
        type_text = type_name_text(*qualifier);
    }
    if (type == nullptr) return false;

    METHOD method(node, args, results, receiver, type, method_context(node, type_text.c_str(), key, false));
    if (is_bases) method.bases();
    else if (is_vars) method.vars();
    else method.member(is_member);
    return true;
}

}  // namespace morvu
