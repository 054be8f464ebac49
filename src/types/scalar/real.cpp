// Methods of real: the conversion of a text, the conversion to int and the
// rounding methods, the two precisions, and the mathematical functions.
//
// The conversions and rounding methods work at the working precision p as
// it stands, and their results keep the scale their computation gives. The
// mathematical functions give the exact value cut toward zero to p decimals
// (a value whose decimals are all 9 becomes the next integer away from
// zero); they choose their own guard digits and leave p as it was.
//
// A mathematical function refuses an argument outside its domain with ARITH;
// the method reports it as "Infeasible function argument".

#include <cstdint>
#include <string>

#include "numbers/int_data.h"
#include "numbers/math_functions.h"
#include "numbers/real_data.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "runtime/str_stream.h"
#include "runtime/text_utils.h"
#include "types/arg_checks.h"
#include "types/method_call.h"
#include "values/assign_rules.h"
#include "values/factories.h"

namespace morvu {

namespace {

using UNARY_FUNCTION = REAL_DATA (*)(const REAL_DATA&);
using BINARY_FUNCTION = REAL_DATA (*)(const REAL_DATA&, const REAL_DATA&);
using CONSTANT_FUNCTION = REAL_DATA (*)();

REAL_DATA real_abs(const REAL_DATA& x) { return x > REAL_DATA(0) ? x : x * REAL_DATA(-1); }
REAL_DATA real_sgn(const REAL_DATA& x) { return REAL_DATA(x == REAL_DATA(0) ? 0 : x > REAL_DATA(0) ? 1 : -1); }
REAL_DATA real_ld(const REAL_DATA& x) { return big_log(x, REAL_DATA(2)); }
REAL_DATA real_lg(const REAL_DATA& x) { return big_log(x, REAL_DATA(10)); }
REAL_DATA real_crt(const REAL_DATA& x) { return big_root(x, REAL_DATA(3)); }

// One mathematical method: exactly one of the three functions is set.
struct MATH_METHOD {
    const char* key;
    UNARY_FUNCTION unary;
    BINARY_FUNCTION binary;
    CONSTANT_FUNCTION constant;
};

const MATH_METHOD math_methods[] = {
    {"sqrt\xA7", big_sqrt, nullptr, nullptr},
    {"sin\xA7", big_sin, nullptr, nullptr},
    {"cos\xA7", big_cos, nullptr, nullptr},
    {"tan\xA7", big_tan, nullptr, nullptr},
    {"cot\xA7", big_cot, nullptr, nullptr},
    {"exp\xA7", big_exp, nullptr, nullptr},
    {"ln\xA7", big_ln, nullptr, nullptr},
    {"ld\xA7", real_ld, nullptr, nullptr},
    {"lg\xA7", real_lg, nullptr, nullptr},
    {"log\xA7"
     "real;\xA7",
     nullptr, big_log, nullptr},
    {"pot\xA7"
     "real;\xA7",
     nullptr, big_pot_cut, nullptr},
    {"crt\xA7", real_crt, nullptr, nullptr},
    {"root\xA7"
     "real;\xA7",
     nullptr, big_root, nullptr},
    {"sinh\xA7", big_sinh, nullptr, nullptr},
    {"cosh\xA7", big_cosh, nullptr, nullptr},
    {"tanh\xA7", big_tanh, nullptr, nullptr},
    {"coth\xA7", big_coth, nullptr, nullptr},
    {"arcsin\xA7", big_arcsin, nullptr, nullptr},
    {"arccos\xA7", big_arccos, nullptr, nullptr},
    {"arctan\xA7", big_arctan, nullptr, nullptr},
    {"arccot\xA7", big_arccot, nullptr, nullptr},
    {"arsinh\xA7", big_arsinh, nullptr, nullptr},
    {"arcosh\xA7", big_arcosh, nullptr, nullptr},
    {"artanh\xA7", big_artanh, nullptr, nullptr},
    {"arcoth\xA7", big_arcoth, nullptr, nullptr},
    {"abs\xA7", real_abs, nullptr, nullptr},
    {"sgn\xA7", real_sgn, nullptr, nullptr},
    {"pi\xA7", nullptr, nullptr, big_pi},
    {"e\xA7", nullptr, nullptr, big_e},
};

const REAL_DATA& real_of(UNION_DATA* value) { return *value->real_data(); }

const INT_DATA& int_arg(const METHOD_CALL& call, int32_t index) {
    return *argument_value(call.arg(index).cell)->int_data();
}

// A count of decimals: a non-empty int not below 0, as a machine integer.
int32_t decimals_arg(const METHOD_CALL& call) {
    call.raise_if(check_arg_not_empty(*call.args, 0));
    const INT_DATA& n = int_arg(call, 0);
    if (n < INT_DATA(0)) call.raise(msg_text("erwintarggro0"));
    return machine_int(n);
}

// The call form: a real from a number text as the lexer reads numbers.
void real_from_text(METHOD_CALL& call) {
    call.raise_if(check_arg_not_empty(*call.args, 0));
    const std::string& text = argument_value(call.arg(0).cell)->str_data()->text;
    // A number whose exponent could not be held is no number either.
    if (!str_is_number(text) || !REAL_DATA::text_in_range(text.c_str())) call.raise(msg_text("zeiketkeirea"));
    call.append(make_real_value(REAL_DATA(text.c_str())));
}

// x rounded to n decimals. Rounding to more decimals than x has changes no
// digit, so x keeps its own scale there: a huge n builds no long tail of
// zeros.
REAL_DATA rounded_to(const REAL_DATA& x, int32_t n) { return big_round_to(x, n > x.scale ? x.scale : n); }

// The methods that run at the working precision as it stands.
bool plain_function(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        real_from_text(call);
    } else if (key_is(key, "int\xA7")) {
        REAL_DATA whole = real_of(call.checked_receiver(true));
        whole.set_scale(0);
        call.append(make_int_value(whole.mantissa));
    } else if (key_is(key, "get_prec\xA7")) {
        call.append(make_int_value_from_number(working_precision()));
    } else if (key_is(key, "get_out_prec\xA7")) {
        const int precision = output_precision();
        call.append(precision >= 0 ? make_int_value_from_number(precision) : make_int_value(INT_DATA()));
    } else if (key_is(key, "ceil\xA7")) {
        call.append(make_int_value(big_ceil(real_of(call.checked_receiver(true)))));
    } else if (key_is(key, "floor\xA7")) {
        call.append(make_int_value(big_floor(real_of(call.checked_receiver(true)))));
    } else if (key_is(key, "round\xA7")) {
        call.append(make_int_value(big_round(real_of(call.checked_receiver(true)))));
    } else if (key_is(key,
                      "round\xA7"
                      "int;\xA7")) {
        const REAL_DATA& x = real_of(call.checked_receiver(true));
        call.append(make_real_value(rounded_to(x, decimals_arg(call))));
    } else {
        return false;
    }
    return true;
}

// A mathematical method: checks, the computation, and the result at exactly
// the working precision (an exact whole power comes uncut).
void math_function(METHOD_CALL& call, const MATH_METHOD& method) {
    const REAL_DATA* x = nullptr;
    const REAL_DATA* y = nullptr;
    if (method.constant == nullptr) x = &real_of(call.checked_receiver(true));
    if (method.binary != nullptr) {
        call.raise_if(check_arg_not_empty(*call.args, 0));
        y = &real_of(argument_value(call.arg(0).cell));
    }
    const int p = working_precision();
    REAL_DATA result;
    try {
        result = method.constant != nullptr ? method.constant()
                 : method.unary != nullptr  ? method.unary(*x)
                                            : method.binary(*x, *y);
    } catch (const ARITH& refusal) {
        call.raise(format_string(msg_text("unzfunarg"), refusal.message.c_str()));
    }
    result.set_scale(p);
    result.round_up_nines();
    call.append(make_real_value(result));
}

}  // namespace

bool real_functions(METHOD_CALL& call) {
    if (plain_function(call)) return true;
    const std::string& key = call.key();
    for (const MATH_METHOD& method : math_methods) {
        if (key_is(key, method.key)) {
            math_function(call, method);
            return true;
        }
    }
    return false;
}

bool real_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "real;\xA7")) {
        UNION_DATA* receiver = call.checked_receiver();
        call.refuse_constant();
        call.raise_if(assign_value(receiver, argument_value(call.arg(0).cell)));
    } else if (key_is(key,
                      "set_prec\xA7"
                      "int;\xA7")) {
        set_working_precision(decimals_arg(call));
    } else if (key_is(key,
                      "set_out_prec\xA7"
                      "int;\xA7")) {
        set_output_precision(decimals_arg(call));
    } else if (key_is(key, "set_out_prec\xA7")) {
        set_output_precision(-1);
    } else {
        return false;
    }
    return true;
}

}  // namespace morvu
