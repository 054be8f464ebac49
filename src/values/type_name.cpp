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
        case tag_date: text = "date"; break;
        case tag_timezone: text = "timezone"; break;
        case tag_datetime: text = "datetime"; break;
        case tag_array: text = "array"; break;
        case tag_bool: text = "bool"; break;
        case tag_char: text = "char"; break;
        case tag_dir: text = "dir"; break;
        case tag_error: text = "error"; break;
        case tag_file: text = "file"; break;
        case tag_graph: text = "graph"; break;
        case tag_hash: text = "hash"; break;
        case tag_int: text = "int"; break;
        case tag_list: text = "list"; break;
        case tag_set: text = "set"; break;
        case tag_sys: text = "sys"; break;
        case tag_oper: text = "oper"; break;
        case tag_real: text = "real"; break;
        case tag_str: text = "str"; break;
        case tag_time: text = "time"; break;
        case tag_any2: text = "any2"; break;
        case tag_any: text = "any"; break;
        case tag_code: text = "code"; break;
        case tag_args: text = "args"; break;
        case tag_array2: text = "array2"; break;
        case tag_call_alias:
        case tag_reference:
        case tag_alias: cell = cell->target(); continue;
        case tag_object: {
            const OBJECT_HOLDER* holder = cell->holder();
            if (holder == nullptr || holder->type == nullptr) return TYPE_NAME{"?", nullptr, false};
            return TYPE_NAME{nullptr, holder->type, true};
        }
        default: text = "?"; break;
        }
        return TYPE_NAME{text, nullptr, false};
    }
}

char held_type_code_of(const UNION_DATA* cell) {
    for (;;) {
        const char tag = lower_tag(cell->tag);
        if (!is_link_tag(tag)) return is_value_tag(tag) || tag == tag_any ? tag : tag_object;
        cell = cell->target();
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
