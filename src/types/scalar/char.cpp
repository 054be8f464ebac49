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

bool char_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    enum { upper, lower, alpha, digit, code } which;
    if (key_is(key, "isupper\xA7")) which = upper;
    else if (key_is(key, "islower\xA7")) which = lower;
    else if (key_is(key, "isalpha\xA7")) which = alpha;
    else if (key_is(key, "isdigit\xA7")) which = digit;
    else if (key_is(key, "int\xA7")) which = code;
    else return false;

    const unsigned char c = byte_of(call.checked_receiver(true));
    switch (which) {
    case upper: call.append(make_bool_value(std::isupper(c) != 0, 0)); break;
    case lower: call.append(make_bool_value(std::islower(c) != 0, 0)); break;
    case alpha: call.append(make_bool_value(is_letter(c), 0)); break;
    case digit: call.append(make_bool_value(is_digit(c), 0)); break;
    case code:
        // The bytes from 0x80 on count as negative codes; NUL is 0.
        call.append(make_int_value_from_number(c == nul_byte ? 0 : static_cast<signed char>(c)));
        break;
    }
    return true;
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
