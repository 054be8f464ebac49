// Methods of str: the entries of both handlers, the searches, the access to
// characters and parts, the conversions and the format readings. Editing,
// reading and output live in str_edit.cpp and str_stream.cpp.
//
// Keys are tested by their first byte first: two keys that begin with
// different bytes never match the same call, so the switch keeps the order in
// which the keys of one letter are tried.

#include <string>

#include "numbers/arith_error.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/messages.h"
#include "runtime/stream.h"
#include "runtime/text_utils.h"
#include "types/arg_checks.h"
#include "types/code_args.h"
#include "types/scalar/str_methods.h"
#include "values/assign_rules.h"
#include "values/factories.h"

namespace morvu {

namespace {

// ---- searches ----

void append_position(const METHOD_CALL& call, size_t position) {
    call.append(make_int_value_from_number(static_cast<int64_t>(position)));
}

// find_str, Find_str, find_str_all, Find_str_all: the positions of each
// argument in turn; an argument is checked only when its turn comes.
void find_texts(const METHOD_CALL& call) {
    const std::string& key = call.key();
    const bool backward = key[0] == 'F';
    const bool all = key[8] == '_';
    const std::string& text = receiver_str(call).text;
    for (int32_t i = 0; i < call.count(); ++i) {
        call.raise_if(check_arg_type(*call.args, i, tag_str, true));
        const std::string& pattern = str_argument(call, i);
        const size_t length = pattern.size();
        if (!backward) {
            size_t found = text.find(pattern);
            while (found != std::string::npos) {
                append_position(call, found);
                if (!all) break;
                found = text.find(pattern, found + length);  // occurrences do not overlap
            }
            continue;
        }
        size_t found = find_last(text, pattern);
        while (found != std::string::npos) {
            append_position(call, found);
            // The next occurrence must end before this one begins.
            if (!all || found < length) break;
            found = find_last(text, pattern, found - length);
        }
    }
}

// The receiver's text as it is now, or null when the receiver no longer
// holds a text (the code argument may change or destroy it).
const std::string* current_text(const METHOD_CALL& call) {
    UNION_DATA* value = argument_value(call.receiver.cell);
    if (value == nullptr || base_type_code(value) != tag_str || !is_defined_value(value)) return nullptr;
    return &follow_link(value)->str_data()->text;
}

// find, Find, find_all, Find_all: the positions whose character makes the
// code yield true, the character assigned to the variable first. The code
// may shorten the text: every position is tested against the text as it is
// at that step, so the walk never reads past its end.
void find_by_code(const METHOD_CALL& call) {
    const std::string& key = call.key();
    const bool backward = key[0] == 'F';
    const bool all = key[4] == '_';
    const int64_t length = static_cast<int64_t>(receiver_str(call).text.size());
    call.raise_if(check_arg_count(*call.args, 2));
    call.raise_if(check_args_defined(*call.args));
    call.raise_if(check_arg_rebound_variable(*call.args, 0, false));
    call.raise_if(check_arg_type(*call.args, 1, tag_code, false));
    UNION_DATA* variable = call.arg(0).cell;
    if (variable->tag == tag_call_alias || variable->tag == raise_tag(tag_call_alias)) variable = variable->target();

    for (int64_t step = 0; step < length; ++step) {
        const int64_t position = backward ? length - 1 - step : step;
        const std::string* text = current_text(call);
        if (text == nullptr) break;
        if (position >= static_cast<int64_t>(text->size())) {
            if (backward) continue;  // a lower position may still exist
            break;
        }
        UNION_DATA character('c');
        character.char_byte() = (*text)[static_cast<size_t>(position)];
        call.raise_if(assign_by_mode(variable, &character, 0));
        if (code_yields_true(call)) {
            append_position(call, static_cast<size_t>(position));
            if (!all) break;
        }
    }
}

// ---- access ----

}  // namespace

size_t checked_position(const METHOD_CALL& call, int32_t i, size_t length, bool from_end) {
    int64_t position = int64_argument(*call.args, i);
    if (from_end) position = from_end_position(length, position);
    if (position >= 0 && position < static_cast<int64_t>(length)) return static_cast<size_t>(position);
    call.raise(
        format_numbers(msg_text("unzarg"), shown_position(*call.args, i, static_cast<int64_t>(length), from_end)));
}

namespace {

// get, Get: one char per argument.
void get_characters(const METHOD_CALL& call) {
    const bool from_end = call.key()[0] == 'G';
    const std::string& text = receiver_str(call).text;
    call.raise_if(check_arg_range(*call.args, 1, -1));
    for (int32_t i = 0; i < call.count(); ++i) {
        call.raise_if(check_arg_type(*call.args, i, tag_int, true));
        call.append(make_char_value(text[checked_position(call, i, text.size(), from_end)]));
    }
}

// The text of a new str that has already been appended to the results.
std::string& new_str_result(const METHOD_CALL& call) {
    call.append(make_str_value({}));
    return call.results->tail->item.cell->str_data()->text;
}

// str(int...): a new str of the characters at the positions.
void str_of_characters(const METHOD_CALL& call) {
    const std::string& text = receiver_str(call).text;
    std::string& result = new_str_result(call);
    for (int32_t i = 0; i < call.count(); ++i) {
        call.raise_if(check_arg_type(*call.args, i, tag_int, true));
        result += text[checked_position(call, i, text.size(), false)];
    }
}

// getp, Getp: the part between two positions, both included.
void get_part(const METHOD_CALL& call) {
    const bool from_end = call.key()[0] == 'G';
    const std::string& text = receiver_str(call).text;
    std::string& result = new_str_result(call);
    const size_t first = checked_position(call, 0, text.size(), from_end);
    const size_t second = checked_position(call, 1, text.size(), from_end);
    const size_t low = first < second ? first : second;
    const size_t high = first < second ? second : first;
    result.assign(text, low, high - low + 1);
}

// ---- conversions ----

RESULT_ITEM int_from_text(const std::string& text) {
    // The number keeps the text it was written with; a '+' is no part of it.
    return make_int_value(INT_DATA(text.c_str() + (text[0] == '+' ? 1 : 0)));
}

// A real from a text that str_is_number accepted, or the empty item when its
// exponent lies beyond what a real can hold.
RESULT_ITEM real_from_text(const std::string& text) {
    try {
        return make_real_value(REAL_DATA(text.c_str()));
    } catch (const ARITH&) {
        return RESULT_ITEM{};
    }
}

void to_int(const METHOD_CALL& call) {
    const std::string& text = receiver_str(call).text;
    if (!str_is_integer(text)) call.raise(format_string(msg_text("zeiketxxxkeiint"), text.c_str()));
    call.append(int_from_text(text));
}

void to_real(const METHOD_CALL& call) {
    const std::string& text = receiver_str(call).text;
    RESULT_ITEM number = str_is_number(text) ? real_from_text(text) : RESULT_ITEM{};
    if (number.cell == nullptr) call.raise(format_string(msg_text("zeiketxxxkeirea"), text.c_str()));
    call.append(number);
}

// isupper, islower, isalpha, isdigit, isint, isreal; false when the key is
// none of them.
bool class_test(const METHOD_CALL& call) {
    const std::string& key = call.key();
    bool (*test)(const std::string&) = nullptr;
    if (key_is(key, "isupper\xA7")) test = str_is_upper;
    else if (key_is(key, "islower\xA7")) test = str_is_lower;
    else if (key_is(key, "isalpha\xA7")) test = str_is_alpha;
    else if (key_is(key, "isdigit\xA7")) test = str_is_digits;
    else if (key_is(key, "isint\xA7")) test = str_is_integer;
    else if (key_is(key, "isreal\xA7")) test = str_is_number;
    else return false;
    call.append(make_bool_value(test(receiver_str(call).text), 0));
    return true;
}

// get_out_fmt, get_out_spc, get_in_spc: the settings of the format of all
// texts; the receiver plays no part. False for other keys.
bool format_reading(const METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key, "get_out_fmt\xA7")) {
        call.append(make_char_value(str_format.fill));
        call.append(make_str_value(out_fmt_text(str_format)));
        return true;
    }
    if (key_is(key, "get_out_spc\xA7")) {
        call.append(make_str_value(str_format.out_spc ? *str_format.out_spc : std::string()));
        return true;
    }
    if (key_is(key, "get_in_spc\xA7")) {
        for (const std::string& separator : str_format.in_spc) call.append(make_str_value(separator));
        return true;
    }
    return false;
}

}  // namespace

RESULT_ITEM fitting_value(const std::string& text) {
    if (str_is_integer(text)) return int_from_text(text);
    if (str_is_number(text)) {
        RESULT_ITEM number = real_from_text(text);
        if (number.cell != nullptr) return number;
    }
    return text.size() == 1 ? make_char_value(text[0]) : make_str_value(text);
}

namespace {

// s.get(i) and s.Get(i) of a position within a defined text: its character.
bool plain_character(const DIRECT_CALL& call, bool from_end) {
    UNION_DATA* value = call.defined_receiver(tag_str);
    int64_t index = 0;
    if (value == nullptr || !call.single_int(index)) return false;
    const std::string& text = value->str_data()->text;
    const int64_t size = static_cast<int64_t>(text.size());
    const int64_t position = from_end ? from_end_position(text.size(), index) : index;
    if (position < 0 || position >= size) return false;  // the handler names the position
    call.results->append(make_char_value(text[static_cast<size_t>(position)]));
    return true;
}

bool character_from_head(const DIRECT_CALL& call) { return plain_character(call, false); }
bool character_from_tail(const DIRECT_CALL& call) { return plain_character(call, true); }

// s.size() of a defined text.
bool plain_size(const DIRECT_CALL& call) {
    UNION_DATA* value = call.defined_receiver(tag_str);
    if (value == nullptr) return false;
    call.results->append(make_int_value_from_number(static_cast<int64_t>(value->str_data()->text.size())));
    return true;
}

}  // namespace

DIRECT_HANDLER str_direct_for(const std::string& key, bool function) {
    if (key.empty()) return nullptr;
    if (!function) {
        // Output of plain values into the text.
        if (key_has_prefix(key, "out\xA7")) return plain_out_into_str;
        if (key_has_prefix(key, "outl\xA7")) return plain_outl_into_str;
        // Replacing texts in place.
        if (key == "repl\xA7str;str;\xA7" || key == "Repl\xA7str;str;\xA7") return plain_replace_first;
        return key == "repl_all\xA7str;str;\xA7" || key == "Repl_all\xA7str;str;\xA7" ? plain_replace_all : nullptr;
    }
    // str:(...) building a text of its arguments.
    if (key[0] == '\xA7') return plain_str_from_arguments;
    if (key == "get\xA7int;\xA7") return character_from_head;
    if (key == "Get\xA7int;\xA7") return character_from_tail;
    return key == "size\xA7" ? plain_size : nullptr;
}

bool str_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key.empty()) return false;
    switch (key[0]) {
    case '\xA7': make_str_from_arguments(call); return true;
    case 's':
        if (key_is(key, "size\xA7")) {
            call.append(make_int_value_from_number(static_cast<int64_t>(receiver_str(call).text.size())));
            return true;
        }
        if (key_has_prefix(key, "str\xA7")) {
            str_of_characters(call);
            return true;
        }
        break;
    case 'f':
    case 'F':
        if (key_has_prefix(key, "find_str\xA7") || key_has_prefix(key, "Find_str\xA7") ||
            key_has_prefix(key, "find_str_all\xA7") || key_has_prefix(key, "Find_str_all\xA7")) {
            find_texts(call);
            return true;
        }
        if (key_has_prefix(key, "find\xA7") || key_has_prefix(key, "Find\xA7") || key_has_prefix(key, "find_all\xA7") ||
            key_has_prefix(key, "Find_all\xA7")) {
            find_by_code(call);
            return true;
        }
        break;
    case 'd':
        if (key_is(key, "def\xA7str;\xA7")) {
            const std::string& text = receiver_str(call).text;
            call.raise_if(check_args_defined(*call.args));
            call.append(make_bool_value(text.find(str_argument(call, 0)) != std::string::npos, 0));
            return true;
        }
        break;
    case 'g':
    case 'G':
        if (key_is(key, "get0\xA7")) {
            call.append(make_char_value(receiver_str(call, true).text.front()));
            return true;
        }
        if (key_is(key, "Get0\xA7")) {
            call.append(make_char_value(receiver_str(call, true).text.back()));
            return true;
        }
        if (key_has_prefix(key, "get\xA7") || key_has_prefix(key, "Get\xA7")) {
            get_characters(call);
            return true;
        }
        if (key_is(key, "getp\xA7int;int;\xA7") || key_is(key, "Getp\xA7int;int;\xA7")) {
            get_part(call);
            return true;
        }
        if (format_reading(call)) return true;
        break;
    case 'a':
        if (key_is(key, "args\xA7")) {
            const std::string& text = receiver_str(call).text;
            require_room_for_results(text.size());
            for (char c : text) call.append(make_char_value(c));
            return true;
        }
        if (key_is(key, "any\xA7")) {
            call.append(fitting_value(receiver_str(call).text));
            return true;
        }
        break;
    case 'i':
        if (key_is(key, "int\xA7")) {
            to_int(call);
            return true;
        }
        if (class_test(call)) return true;
        break;
    case 'r':
        if (key_is(key, "real\xA7")) {
            to_real(call);
            return true;
        }
        break;
    default: break;
    }
    return str_input_functions(call);
}

bool str_procedures(METHOD_CALL& call) { return str_edit_procedures(call) || str_stream_procedures(call); }

}  // namespace morvu
