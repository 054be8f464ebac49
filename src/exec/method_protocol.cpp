#include "exec/method_protocol.h"

#include <climits>

#include "exec/display_name.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// The process-wide results of the text routines.
std::string context_text;
std::string unescaped_text;
std::string escaped_text;
std::string infeasible_text;

constexpr char escape_byte = '\\';
constexpr char nul_stand_in = static_cast<char>(0xFF);

// "<context> <message>", the key standing in for the context when no type
// name is given; raised without routine kind and name.
[[noreturn]] void raise_refusal(const TOKEN* node, const char* type_name, const std::string& key,
                                const char* identifier) {
    infeasible_text = type_name != nullptr && *type_name != 0
                          ? method_context(node, type_name, key, false)
                          : key;
    infeasible_text += ' ';
    infeasible_text += msg_text(identifier);
    raise_error(node, 'x', nullptr, infeasible_text, 's');
}

// The iteration mark of the value a cell holds; 0 for types that keep none.
int32_t iteration_mark(UNION_DATA* cell) {
    UNION_DATA* value = follow_aliases(cell);
    if (value == nullptr) return 0;
    if (is_link_cell(value)) value = value->target();
    if (value->payload == nullptr) return 0;
    switch (lower_tag(value->tag)) {
    case 'a': return value->array_data()->iteration_count;
    case 'h':
    case 'm': return value->hash_data()->iteration_count;
    case 'd': return value->dir_data()->iteration_count;
    case 'f': return value->file_data()->iteration_count;
    case 's': return value->str_data()->iteration_count;
    case 'l':
    case 'y': return value->list_data()->iteration_count;
    case 'z': return value->array2_data()->iterations;
    default: return 0;
    }
}

}  // namespace

const std::string& method_context(const TOKEN*, const char* type_name, const std::string& key,
                                  bool with_types) {
    context_text.clear();
    if (type_name != nullptr && *type_name != 0) {
        context_text += type_name;
        context_text += ':';
    }
    const size_t start = context_text.size();
    int32_t mark = -1;
    context_text += unescape_method_text(key, &mark);
    if (mark < 0) return context_text;
    const size_t open = start + static_cast<size_t>(mark);
    if (!with_types) {
        context_text.resize(open);
        return context_text;
    }
    context_text[open] = '(';
    size_t last_comma = std::string::npos;
    for (size_t i = open + 1; i < context_text.size(); ++i) {
        if (context_text[i] == ';') {
            context_text[i] = ',';
            last_comma = i;
        }
    }
    if (last_comma == std::string::npos) {
        context_text.resize(open + 1);
        context_text += ')';
    } else {
        context_text.resize(last_comma + 1);
        context_text[last_comma] = ')';
    }
    return context_text;
}

const std::string& unescape_method_text(const std::string& key, int32_t* mark_position) {
    unescaped_text.clear();
    int32_t mark = -1;
    for (size_t i = 0; i < key.size(); ++i) {
        const char byte = key[i];
        if (byte == escape_byte) {
            if (++i < key.size()) unescaped_text += key[i];  // taken as it is
        } else if (byte == method_key_mark) {
            if (mark < 0) mark = static_cast<int32_t>(unescaped_text.size());
            unescaped_text += byte;
        } else if (byte == module_separator) {
            unescaped_text += "::";
        } else if (byte == nul_stand_in) {
            unescaped_text += "\\0";
        } else {
            unescaped_text += byte;
        }
    }
    if (mark_position != nullptr) *mark_position = mark;
    return unescaped_text;
}

const std::string& escape_method_text(const TOKEN*, const std::string& text) {
    escaped_text.clear();
    for (char byte : text) {
        if (byte == method_key_mark || byte == escape_byte || byte == ';') escaped_text += escape_byte;
        escaped_text += byte;
    }
    return escaped_text;
}

const char* routine_type_word(bool is_type_routine, bool is_procedure) {
    if (is_type_routine) return msg_text(is_procedure ? "typpro" : "typfun");
    return msg_text(is_procedure ? "pro" : "fun");
}

void raise_infeasible_for_constant(const TOKEN* node, RESULT_ITEM item, const char* type_name,
                                   const std::string& key, bool strict) {
    switch (item.mode) {
    case 0: raise_refusal(node, type_name, key, "unzfuekonlit");
    case 1: raise_refusal(node, type_name, key, "unzfuekonexpr");
    case 2: if (strict) raise_refusal(node, type_name, key, "unzfuekoninpobj"); return;
    case 3: if (strict) raise_refusal(node, type_name, key, "unzfuekonfunerg"); return;
    case 4: if (strict) raise_refusal(node, type_name, key, "unzfuememkonobj"); return;
    case 5: if (strict) raise_refusal(node, type_name, key, "unzfuekonobj"); return;
    case 7: {
        UNION_DATA* value = follow_aliases(item.cell);
        if (strict && value != nullptr && lower_tag(value->tag) == 'y')
            raise_refusal(node, type_name, key, "unzfueinpobjarg");
        return;
    }
    default: return;  // 6 and above 7: variables
    }
}

void raise_infeasible_during_iteration(const TOKEN* node, RESULT_ITEM item, const char* type_name,
                                       const std::string& key) {
    if (iteration_mark(item.cell) != 0) raise_refusal(node, type_name, key, "unzwaeite");
}

void reset_method_buffers() {
    context_text.clear();
    context_text.shrink_to_fit();
    unescaped_text.clear();
    unescaped_text.shrink_to_fit();
    escaped_text.clear();
    escaped_text.shrink_to_fit();
    infeasible_text.clear();
    infeasible_text.shrink_to_fit();
    clear_display_names();
}

int32_t machine_int(const INT_DATA& value) {
    // Up to 9 decimal groups the magnitude fits in 64 bits; anything longer
    // lies beyond the int range whatever its digits (leading zero groups
    // are skipped first).
    int groups = value.limb_count();
    while (groups > 0 && value.limb(groups - 1) == 0) --groups;
    if (groups == 0) return 0;
    const bool negative = value.sign() < 0;
    if (groups > 6) return negative ? INT32_MIN : INT32_MAX;
    int64_t magnitude = 0;
    for (int i = groups - 1; i >= 0; --i) magnitude = magnitude * 1000 + value.limb(i);
    const int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > INT32_MAX) return INT32_MAX;
    if (signed_value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(signed_value);
}

UNION_DATA* follow_aliases(UNION_DATA* cell) {
    while (cell != nullptr) {
        char tag = lower_tag(cell->tag);
        if ((tag != 'q' && tag != 'j') || cell->target() == nullptr) break;
        cell = cell->target();
    }
    return cell;
}

int32_t int_argument(const CALL_ARGS& call_args, int32_t index) {
    UNION_DATA* value = follow_aliases(call_args[index].cell);
    if (value != nullptr && is_link_cell(value)) value = value->target();
    if (value == nullptr || value->payload == nullptr || base_type_code(value) != 'i') return 0;
    return machine_int(*value->int_data());
}

}  // namespace morvu
