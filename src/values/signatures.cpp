#include "values/signatures.h"

#include "runtime/display_name.h"
#include "runtime/messages.h"

namespace morvu {

namespace {

constexpr char key_separator = method_key_mark;
constexpr char escape_byte = '\\';
constexpr char nul_stand_in = static_cast<char>(0xFF);

bool is_variadic(const std::string& type) { return type == "args" || type == "args:$"; }

// A call's (or new definition's) type c against a stored definition's type d.
bool types_agree(const std::string& c, const std::string& d, bool strict) {
    return c == d || d == "any" || (!strict && c == "any");
}

// Where a walk over the type lists stops without judging the pair.
bool walk_stops(const std::string& c, const std::string& d, bool strict) {
    return is_variadic(d) || (!strict && is_variadic(c));
}

// With a variadic entry on either side: the entries before the first
// variadic one must agree from the front, those after the last from the back;
// the counts are not compared.
bool variadic_lists_match(const std::vector<std::string>& call, const std::vector<std::string>& stored, bool strict) {
    for (size_t i = 0; i < call.size() && i < stored.size(); ++i) {
        if (walk_stops(call[i], stored[i], strict)) break;
        if (!types_agree(call[i], stored[i], strict)) return false;
    }
    for (size_t c = call.size(), d = stored.size(); c > 0 && d > 0; --c, --d) {
        if (walk_stops(call[c - 1], stored[d - 1], strict)) break;
        if (!types_agree(call[c - 1], stored[d - 1], strict)) return false;
    }
    return true;
}

bool plain_lists_match(const std::vector<std::string>& call, const std::vector<std::string>& stored, bool strict) {
    if (call.size() != stored.size()) return false;
    for (size_t i = 0; i < call.size(); ++i)
        if (!types_agree(call[i], stored[i], strict)) return false;
    return true;
}

}  // namespace

int scan_param_types(const std::string& key, std::string& name, std::vector<std::string>& types, bool& well_formed) {
    if (key.empty()) return 0;
    types.clear();
    bool name_taken = false;
    size_t type_start = 0;
    int variadic_count = 0;
    int last_variadic = -1;  // index of the last variadic entry so far
    std::string last_kind;
    for (size_t i = 0; i < key.size(); ++i) {
        char c = key[i];
        if (c == '\\') {
            ++i;  // the escaped byte; a trailing backslash simply ends the key
            continue;
        }
        if (c == key_separator) {
            if (!name_taken) {
                name = key.substr(0, i);
                name_taken = true;
            }
            type_start = i + 1;
        } else if (c == ';') {
            int index = static_cast<int>(types.size());
            types.push_back(key.substr(type_start, i - type_start));
            type_start = i + 1;
            const std::string& type = types.back();
            if (is_variadic(type)) {
                if (last_variadic >= 0 && !(index == last_variadic + 1 && type == last_kind)) well_formed = false;
                ++variadic_count;
                last_variadic = index;
                last_kind = type;
            }
        }
    }
    if (!name_taken) name = key;  // no separator: the key is all name
    return variadic_count;
}

std::string_view routine_name_part(const std::string& key) {
    for (size_t i = 0; i < key.size(); ++i) {
        if (key[i] == escape_byte) ++i;
        else if (key[i] == key_separator) return std::string_view(key).substr(0, i);
    }
    return key;
}

std::string match_args_signature(STR_INT_TABLE& table, const std::string& key, bool strict) {
    std::string call_name;
    std::vector<std::string> call_types;
    bool call_well_formed = true;
    int call_variadic = scan_param_types(key, call_name, call_types, call_well_formed);
    if (!call_well_formed && !strict) return "!";
    // Only the entries of the same name can match; of those that do, the
    // first in the table's walk order is the answer.
    const auto* named = table.group(call_name, routine_name_part);
    if (named == nullptr) return std::string();
    const STR_INT_TABLE::ENTRY* found = nullptr;
    std::string stored_name;
    std::vector<std::string> stored_types;
    for (const STR_INT_TABLE::ENTRY* entry : *named) {
        if (entry->value == 0 || (found != nullptr && !table.walks_before(entry, found))) continue;
        bool stored_well_formed = true;
        stored_types.clear();
        int stored_variadic = scan_param_types(entry->key, stored_name, stored_types, stored_well_formed);
        bool match = call_variadic == 0 && stored_variadic == 0
                         ? plain_lists_match(call_types, stored_types, strict)
                         : variadic_lists_match(call_types, stored_types, strict);
        if (match) found = entry;
    }
    return found != nullptr ? found->key : std::string();
}

std::string method_context(const TOKEN*, std::string_view type_name, const std::string& key, bool with_types) {
    std::string text;
    if (!type_name.empty()) {
        text += type_name;
        text += ':';
    }
    const size_t start = text.size();
    int32_t mark = -1;
    text += unescape_method_text(key, &mark);
    if (mark < 0) return text;
    const size_t open = start + static_cast<size_t>(mark);
    if (!with_types) {
        text.resize(open);
        return text;
    }
    text[open] = '(';
    size_t last_comma = std::string::npos;
    for (size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == ';') {
            text[i] = ',';
            last_comma = i;
        }
    }
    if (last_comma == std::string::npos) {
        text.resize(open + 1);
        text += ')';
    } else {
        text.resize(last_comma + 1);
        text[last_comma] = ')';
    }
    return text;
}

std::string unescape_method_text(const std::string& key, int32_t* mark_position) {
    std::string text;
    text.reserve(key.size());
    int32_t mark = -1;
    for (size_t i = 0; i < key.size(); ++i) {
        const char byte = key[i];
        if (byte == escape_byte) {
            if (++i < key.size()) text += key[i];  // taken as it is
        } else if (byte == method_key_mark) {
            if (mark < 0) mark = static_cast<int32_t>(text.size());
            text += byte;
        } else if (byte == module_separator) {
            text += "::";
        } else if (byte == nul_stand_in) {
            text += "\\0";
        } else {
            text += byte;
        }
    }
    if (mark_position != nullptr) *mark_position = mark;
    return text;
}

std::string escape_method_text(const TOKEN*, const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char byte : text) {
        if (byte == method_key_mark || byte == escape_byte || byte == ';') escaped += escape_byte;
        escaped += byte;
    }
    return escaped;
}

const char* routine_type_word(bool is_type_routine, bool is_procedure) {
    if (is_type_routine) return msg_text(is_procedure ? "typpro" : "typfun");
    return msg_text(is_procedure ? "pro" : "fun");
}

}  // namespace morvu
