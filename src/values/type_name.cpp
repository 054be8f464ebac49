#include "values/type_name.h"

#include <string_view>

#include "runtime/display_name.h"
#include "runtime/error.h"
#include "values/union_data.h"
#include "values/front_end_services.h"

namespace morvu {

TYPE_NAME value_type_name(const UNION_DATA* cell, bool held) {
    for (;;) {
        char tag = cell->tag;
        if (held) tag = lower_tag(tag);
        else if (is_any_tag(tag)) tag = 'v';
        const char* text = nullptr;
        switch (tag) {
        case '0': text = "date"; break;
        case '2': text = "timezone"; break;
        case '4': text = "datetime"; break;
        case 'a': text = "array"; break;
        case 'b': text = "bool"; break;
        case 'c': text = "char"; break;
        case 'd': text = "dir"; break;
        case 'e': text = "error"; break;
        case 'f': text = "file"; break;
        case 'g': text = "graph"; break;
        case 'h': text = "hash"; break;
        case 'i': text = "int"; break;
        case 'l': text = "list"; break;
        case 'm': text = "set"; break;
        case 'n': text = "sys"; break;
        case 'o': text = "oper"; break;
        case 'r': text = "real"; break;
        case 's': text = "str"; break;
        case 't': text = "time"; break;
        case 'u': text = "any2"; break;
        case 'v': text = "any"; break;
        case 'x': text = "code"; break;
        case 'y': text = "args"; break;
        case 'z': text = "array2"; break;
        case 'j': case 'p': case 'q':
            cell = cell->target();
            continue;
        case 'k': {
            const OBJECT_HOLDER* holder = cell->holder();
            if (holder == nullptr || holder->type == nullptr) return TYPE_NAME{"?", nullptr, false};
            return TYPE_NAME{nullptr, holder->type, true};
        }
        default: text = "?"; break;
        }
        return TYPE_NAME{text, nullptr, false};
    }
}

bool same_type_name(const TYPE_NAME& a, const TYPE_NAME& b) {
    if (a.is_user_type || b.is_user_type) return a.is_user_type && b.is_user_type && a.type == b.type;
    if (a.text == nullptr || b.text == nullptr) return a.text == b.text;
    return std::string_view(a.text) == std::string_view(b.text);
}

std::string type_name_text(const TYPE_NAME& name) {
    if (!name.is_user_type) return name.text != nullptr ? std::string(name.text) : std::string();
    return user_type_text(current_statement, name.type);
}

std::string user_type_text(const TOKEN* place, const TOKEN* type) {
    if (type == nullptr) return std::string();
    return display_name(user_type_name_of(place, type));
}

}  // namespace morvu
