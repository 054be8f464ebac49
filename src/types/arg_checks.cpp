#include "types/arg_checks.h"

#include "numbers/int_data.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/payload_records.h"

namespace morvu {

namespace {

UNION_DATA* value_of(const CALL_ARGS& args, int32_t i) { return argument_value(args[i].cell); }

std::string message(const char* identifier) { return msg_text(identifier); }

template <typename... ARGS>
std::string message(const char* identifier, ARGS... values) {
    return format_string(msg_text(identifier), values...);
}

// The range message of index argument i out of range, in the wording of
// the kind. The index is shown as given, at any size, and a text's length
// may lie beyond the int range.
std::string index_range_message(const CALL_ARGS& args, int32_t i, char kind, int64_t length) {
    const std::string index = int_argument_number(args, i).to_text();
    if (kind == 'g') return format_numbers(msg_text("knoexinic"), index);
    if (kind == 'l' || kind == 'y') return format_numbers(msg_text("unzindlislae"), index, std::to_string(length));
    return format_numbers(msg_text("unzindstrlae"), index, std::to_string(length));
}

}  // namespace

std::string shown_position(const CALL_ARGS& args, int32_t i, int64_t length, bool from_end) {
    INT_DATA position = int_argument_number(args, i);
    if (from_end) position = INT_DATA(static_cast<long>(length) - 1) - position;
    return position.to_text();
}

std::string type_code_name(char code) {
    UNION_DATA probe(code);
    return type_name_text(value_type_name(&probe, false));
}

std::string check_arg_count(const CALL_ARGS& args, int32_t n) {
    if (args.count() == n) return {};
    if (n == 0) return message("erwkeiarg");
    if (n == 1) return message("erwgen1arg");
    return message("erwarg", n);
}

std::string arg_range_refusal(const CALL_ARGS&, int32_t min, int32_t max) {
    if (min < 0) return max == 1 ? message("erwhoearg", 1) : message("erwhoearge", max);
    if (max < 0) return min == 1 ? message("erwminarg", 1) : message("erwminarge", min);
    return message("zahargmusberlie", min, max);
}

std::string undefined_arg_refusal(int32_t i) { return message("tesargnicdef", i + 1); }

std::string check_args_defined(const CALL_ARGS& args) {
    for (int32_t i = 0; i < args.count(); ++i) {
        std::string failure = check_arg_defined(args, i);
        if (!failure.empty()) return failure;
    }
    return {};
}

std::string check_arg_not_empty(const CALL_ARGS& args, int32_t i) {
    std::string failure = check_arg_defined(args, i);
    if (!failure.empty()) return failure;
    if (!is_empty_value(value_of(args, i))) return {};
    return message("tesarglee", i + 1);
}

std::string check_args_not_empty(const CALL_ARGS& args) {
    for (int32_t i = 0; i < args.count(); ++i) {
        std::string failure = check_arg_not_empty(args, i);
        if (!failure.empty()) return failure;
    }
    return {};
}

std::string arg_type_refusal(const CALL_ARGS& args, int32_t i, char code, bool non_empty) {
    std::string failure = non_empty ? check_arg_not_empty(args, i) : check_arg_defined(args, i);
    if (!failure.empty()) return failure;
    if (base_type_code(value_of(args, i)) == code) return {};
    return message("erwtesargtyp", i + 1, type_code_name(code).c_str());
}

std::string check_arg_type2(const CALL_ARGS& args, int32_t i, char code1, char code2, bool non_empty) {
    std::string failure = non_empty ? check_arg_not_empty(args, i) : check_arg_defined(args, i);
    if (!failure.empty()) return failure;
    const char code = base_type_code(value_of(args, i));
    if (code == code1 || code == code2) return {};
    return message("erwtesargtyptyp", i + 1, type_code_name(code1).c_str(), type_code_name(code2).c_str());
}

std::string check_arg_element_type(const CALL_ARGS& args, int32_t i, int32_t* first, int32_t* second) {
    // Each cell is taken to the end of its links before its payload is
    // read: a link to a pair or an int that holds no value has none.
    auto held = [](UNION_DATA* cell, char code) -> UNION_DATA* {
        UNION_DATA* value = cell != nullptr ? argument_value(cell) : nullptr;
        if (value == nullptr || base_type_code(value) != code) return nullptr;
        value = follow_link(value);
        return value->payload != nullptr ? value : nullptr;
    };
    UNION_DATA* pair = held(args[i].cell, 'u');
    ANY2_DATA* halves = pair != nullptr ? pair->any2_data() : nullptr;
    UNION_DATA* a = halves != nullptr ? held(&halves->first, 'i') : nullptr;
    if (a == nullptr) return message("erwtesargtyperseletyp", i + 1, "any2", "int");
    UNION_DATA* b = held(&halves->second, 'i');
    if (b == nullptr) return message("erwtesargtypzweeletyp", i + 1, "any2", "int");
    *first = machine_int(*a->int_data());
    *second = machine_int(*b->int_data());
    return {};
}

std::string check_arg_variable(const CALL_ARGS& args, int32_t i, bool also_defined) {
    if (also_defined) {
        std::string failure = check_arg_defined(args, i);
        if (!failure.empty()) return failure;
    }
    if (is_variable_mode(args[i].mode)) return {};
    return message("erwvartesarg", i);
}

std::string check_arg_rebound_variable(const CALL_ARGS& args, int32_t i, bool also_defined) {
    if (rebinds_own_link(args[i].cell, args[i].mode)) return also_defined ? check_arg_defined(args, i) : std::string();
    return check_arg_variable(args, i, also_defined);
}

std::string check_index_arg(const CALL_ARGS& args, int64_t length, bool from_end, char kind,
                            std::vector<int64_t>& out) {
    out.clear();
    std::vector<int64_t> written;
    for (int32_t i = 0; i < args.count(); ++i) {
        std::string failure = check_arg_type(args, i, tag_int, true);
        if (!failure.empty()) return failure;
        const int64_t index = int64_argument(args, i);
        int64_t position = index;
        if (from_end && __builtin_sub_overflow(length - 1, index, &position)) position = INT64_MAX;
        if (position < 0 || position >= length) return index_range_message(args, i, kind, length);
        written.push_back(index);
        out.push_back(position);
    }
    const std::vector<int64_t> positions = out;
    for (size_t b = 0; b < positions.size(); ++b) {
        for (size_t a = 0; a < b; ++a) {
            if (positions[a] == positions[b]) return format_numbers(msg_text("mehind"), std::to_string(written[b]));
            if (positions[b] > positions[a]) --out[b];
        }
    }
    return {};
}

std::string check_index_or_key_arg(const CALL_ARGS& args, int64_t length, bool from_end, char kind,
                                   std::vector<int64_t>& out) {
    out.clear();
    std::vector<int64_t> sizes;
    for (int32_t i = 0; i + 1 < args.count(); i += 2) {
        std::string failure = check_arg_type(args, i, tag_int, true);
        if (!failure.empty()) return failure;
        const int64_t index = int64_argument(args, i);
        int64_t position = index;
        if (from_end && __builtin_sub_overflow(length, index, &position)) position = INT64_MAX;
        if (position < 0 || position > length) return index_range_message(args, i, kind, length);
        int64_t size = 1;
        if (kind == 's') {
            failure = check_arg_type(args, i + 1, tag_str, false);
            if (!failure.empty()) return failure;
            size = static_cast<int64_t>(follow_link(value_of(args, i + 1))->str_data()->text.size());
        }
        out.push_back(position);
        sizes.push_back(size);
    }
    const std::vector<int64_t> positions = out;
    for (size_t b = 1; b < positions.size(); ++b) {
        for (size_t a = 0; a < b; ++a) {
            if (positions[b] >= positions[a]) out[b] += sizes[a];
        }
    }
    return {};
}

}  // namespace morvu
