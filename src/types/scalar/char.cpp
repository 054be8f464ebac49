// Methods of char: the classes of a character, its code, and case changes
// in place.
//
// A char holds one byte; 0 is the empty char and 0xFF stands for the NUL
// character. The classes come from the C library in the default locale,
// which the interpreter never changes, so only ASCII letters have a case.
// The byte goes to the C library as an unsigned char: a negative value
// would be outside what those functions accept.

#include <cctype>

#include "types/arg_checks.h"
#include "types/method_call.h"
#include "values/factories.h"

namespace morvu {

namespace {

constexpr unsigned char nul_byte = 0xFF;

unsigned char byte_of(UNION_DATA* value) { return static_cast<unsigned char>(value->char_byte()); }

// An ASCII letter (bit 0x20 cleared folds the lower case onto the upper) or
// the underscore, as identifiers have them.
bool is_letter(unsigned char c) { return static_cast<unsigned>((c & ~0x20u) - 'A') < 26u || c == '_'; }

bool is_digit(unsigned char c) { return static_cast<unsigned>(c - '0') < 10u; }

}  // namespace

namespace {

enum class READING { upper, lower, alpha, digit, code, none };

// The reading method a function key names; none for other keys.
READING reading_of(const std::string& key) {
    if (key_is(key, "isupper\xA7")) return READING::upper;
    if (key_is(key, "islower\xA7")) return READING::lower;
    if (key_is(key, "isalpha\xA7")) return READING::alpha;
    if (key_is(key, "isdigit\xA7")) return READING::digit;
    if (key_is(key, "int\xA7")) return READING::code;
    return READING::none;
}

RESULT_ITEM reading(READING which, unsigned char c) {
    switch (which) {
    case READING::upper: return make_bool_value(std::isupper(c) != 0, 0);
    case READING::lower: return make_bool_value(std::islower(c) != 0, 0);
    case READING::alpha: return make_bool_value(is_letter(c), 0);
    case READING::digit: return make_bool_value(is_digit(c), 0);
    default:
        // The bytes from 0x80 on count as negative codes; NUL is 0.
        return make_int_value_from_number(c == nul_byte ? 0 : static_cast<signed char>(c));
    }
}

// A reading of a receiver that checked_receiver(true) passes: a defined,
// non-empty char; false for any other, whose errors the handler raises.
template <READING WHICH>
bool plain_reading(const DIRECT_CALL& call) {
    // A char cell with its payload holds a value; the empty char is byte 0.
    UNION_DATA* value = call.defined_receiver(tag_char);
    if (value == nullptr || byte_of(value) == 0) return false;
    call.results->append(reading(WHICH, byte_of(value)));
    return true;
}

// The same reading of a class when only its truth is asked for.
template <READING WHICH>
int plain_truth(const DIRECT_CALL& call) {
    UNION_DATA* value = call.defined_receiver(tag_char);
    if (value == nullptr || byte_of(value) == 0) return -1;
    const unsigned char c = byte_of(value);
    switch (WHICH) {
    case READING::upper: return std::isupper(c) != 0 ? 1 : 0;
    case READING::lower: return std::islower(c) != 0 ? 1 : 0;
    case READING::alpha: return is_letter(c) ? 1 : 0;
    default: return is_digit(c) ? 1 : 0;
    }
}

}  // namespace

bool char_functions(METHOD_CALL& call) {
    const READING which = reading_of(call.key());
    if (which == READING::none) return false;
    call.append(reading(which, byte_of(call.checked_receiver(true))));
    return true;
}

DIRECT_HANDLER char_direct_for(const std::string& key, bool function) {
    if (!function) return nullptr;
    switch (reading_of(key)) {
    case READING::upper: return plain_reading<READING::upper>;
    case READING::lower: return plain_reading<READING::lower>;
    case READING::alpha: return plain_reading<READING::alpha>;
    case READING::digit: return plain_reading<READING::digit>;
    case READING::code: return plain_reading<READING::code>;
    default: return nullptr;
    }
}

BOOL_DIRECT_HANDLER char_bool_direct_for(const std::string& key) {
    switch (reading_of(key)) {
    case READING::upper: return plain_truth<READING::upper>;
    case READING::lower: return plain_truth<READING::lower>;
    case READING::alpha: return plain_truth<READING::alpha>;
    case READING::digit: return plain_truth<READING::digit>;
    default: return nullptr;
    }
}

bool char_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    enum { assign, to_lower, to_upper } which;
    if (key_is(key,
               "\xA7"
               "char;\xA7"))
        which = assign;
    else if (key_is(key, "tolower\xA7")) which = to_lower;
    else if (key_is(key, "toupper\xA7")) which = to_upper;
    else return false;

    UNION_DATA* receiver = call.checked_receiver();
    call.refuse_constant();
    const unsigned char c = byte_of(receiver);
    switch (which) {
    case assign:
        call.raise_if(check_arg_defined(*call.args, 0));
        receiver->char_byte() = argument_value(call.arg(0).cell)->char_byte();
        break;
    case to_lower:
        if (!std::islower(c)) receiver->char_byte() = static_cast<char>(std::tolower(c));
        break;
    case to_upper:
        if (!std::isupper(c)) receiver->char_byte() = static_cast<char>(std::toupper(c));
        break;
    }
    return true;
}

}  // namespace morvu
