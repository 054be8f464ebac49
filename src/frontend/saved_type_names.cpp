#include "frontend/saved_type_names.h"

#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_services.h"
#include "runtime/display_name.h"
#include "values/saved_text.h"

namespace morvu {

std::string saved_type_name(const TOKEN* place, const TOKEN* type) {
    std::string shown = qualified_type_name(place, type);
    if (shown.empty() && type->text) shown = *type->text;
    // The full name shows module separators as "::"; the saved name keeps
    // the byte, as the type tables do.
    return internal_name(shown);
}

void saved_member_names(const TOKEN* type, std::vector<std::string>& names) {
    names.clear();
    TOKEN* body = last_list_item(const_cast<TOKEN*>(type));
    if (body == nullptr || body->scope == nullptr) return;
    STR_INT_TABLE& variables = body->scope->variables;
    std::string key;
    for (bool more = variables.first(key); more; more = variables.next(key)) {
        const TOKEN* declaration = table_token(variables, key);
        if (declaration == nullptr || declaration->member_slot < 0) continue;
        const auto slot = static_cast<size_t>(declaration->member_slot);
        if (names.size() <= slot) names.resize(slot + 1);
        names[slot] = key;
    }
}

TOKEN* find_saved_type(TOKEN* place, const std::string& name) {
    if (place == nullptr) return nullptr;
    TOKEN* type = nullptr;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find(':', start);
        if (end == std::string::npos) end = name.size();
        std::string field = name.substr(start, end - start);
        if (field.empty()) return nullptr;
        if (type == nullptr) {
            type = find_symbol(place, field, 't', false, place);
        } else {
            // A nested type is found in the body of the type that holds it.
            TOKEN* body = last_list_item(type);
            type = body != nullptr ? find_symbol(body, field, 't', true, place) : nullptr;
        }
        if (type == nullptr || !is_type_definition(type)) return nullptr;
        start = end + 1;
    }
    return type;
}

void install_saved_type_services() {
    saved_type_services.type_name = saved_type_name;
    saved_type_services.member_names = saved_member_names;
    saved_type_services.find_type = find_saved_type;
}

}  // namespace morvu
