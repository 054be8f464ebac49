#include "types/input_text.h"

#include <memory>

#include "frontend/scope.h"
#include "frontend/token.h"
#include "types/method_call.h"
#include "values/factories.h"
#include "values/union_data.h"
#include "values/value_text.h"

namespace morvu {

namespace {

// "in§str;§": the procedure of a user type that receives input.
const std::string& input_method_key() {
    static const std::string key = std::string("in") + method_key_mark + "str;" + method_key_mark;
    return key;
}

}  // namespace

std::string assign_input_text(TOKEN* node, UNION_DATA* cell, const std::string& text, RESULT_ITEM context) {
    UNION_DATA* value = follow_link(cell);
    if (lower_tag(value->tag) == tag_object && value->holder() != nullptr && value->holder()->type != nullptr) {
        TOKEN* type = value->holder()->type;
        TYPE_NAME qualifier{nullptr, type, true};
        const std::string& key = input_method_key();
        if (find_symbol(last_list_item(type), key, 'p', qualifier, false, node) != nullptr) {
            // The procedure gets a str of its own; the cell is freed here once
            // the call is over, whatever the procedure did with its parameter.
            std::unique_ptr<UNION_DATA> argument(make_str_value(text).cell);
            CALL_ARGS prepared;
            prepared.key = key;
            prepared.args.push_back(RESULT_ITEM{argument.get(), access_function_result, 1});
            ROUTINE_REQUEST request;
            request.node = node;
            request.receiver = RESULT_ITEM{value, access_variable, 0};  // the procedure may change the object
            request.qualifier = &qualifier;
            request.in_object_type = true;
            request.prepared = &prepared;
            request.context = context;
            return call_routine_entry(request) == CALL_OUTCOME::made ? std::string() : not_defined_entry();
        }
    }
    const char* message = read_value_text(cell, text);
    return message != nullptr ? std::string(message) : std::string();
}

}  // namespace morvu
