// Methods of int: the conversion of a text, number theory (fac, binom, gcd,
// lcm, prime), abs and sgn, the conversions to real and char, and random
// numbers. Every computation runs on INT_DATA; a machine integer takes part
// only in `char` and `random`, where the value must fit one anyway.

#include <cstdint>
#include <new>
#include <string>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "runtime/text_utils.h"
#include "types/arg_checks.h"
#include "types/method_call.h"
#include "values/assign_rules.h"
#include "values/factories.h"

namespace morvu {

namespace {

// The C library's rand() never seeded, reproduced bit for bit (an additive
// lagged Fibonacci generator over 31 words, seeded by a multiplicative
// congruential one and run 310 steps in before its first output). A
// generator of our own keeps the sequence of a program the same from run
// to run, whatever else in the process might call rand().
class RANDOM_SEQUENCE {
public:
    static constexpr int32_t largest = 2147483647;

    RANDOM_SEQUENCE() {
        int32_t word = 1;
        state[0] = static_cast<uint32_t>(word);
        for (int i = 1; i < degree; ++i) {
            // 16807 * word mod (2^31 - 1), without overflow (Schrage).
            const int32_t high = word / 127773;
            const int32_t low = word % 127773;
            word = 16807 * low - 2836 * high;
            if (word < 0) word += largest;
            state[i] = static_cast<uint32_t>(word);
        }
        for (int i = 0; i < degree * 10; ++i) next();
    }

    // The next number, 0 to largest.
    int32_t next() {
        state[front] += state[rear];  // modulo 2^32
        const auto result = static_cast<int32_t>(state[front] >> 1);
        front = front + 1 == degree ? 0 : front + 1;
        rear = rear + 1 == degree ? 0 : rear + 1;
        return result;
    }

private:
    static constexpr int degree = 31;
    uint32_t state[degree] = {};
    int front = 3;
    int rear = 0;
};

RANDOM_SEQUENCE random_sequence;

const INT_DATA& int_of(UNION_DATA* value) { return *value->int_data(); }

const INT_DATA& int_arg(const METHOD_CALL& call, int32_t index) { return int_of(argument_value(call.arg(index).cell)); }

// The call form: an int from a text of decimal digits with an optional sign.
void int_from_text(METHOD_CALL& call) {
    call.raise_if(check_arg_not_empty(*call.args, 0));
    const std::string& text = argument_value(call.arg(0).cell)->str_data()->text;
    if (!str_is_integer(text)) call.raise(msg_text("zeiketkeiint"));
    // INT_DATA reads a '-' but no '+'.
    call.append(make_int_value(INT_DATA(text.c_str() + (text[0] == '+' ? 1 : 0))));
}

// a + (b - a) * r / largest: from a to b, b itself only for the largest r.
void random_between(METHOD_CALL& call) {
    call.raise_if(check_arg_not_empty(*call.args, 0));
    call.raise_if(check_arg_not_empty(*call.args, 1));
    const INT_DATA& a = int_arg(call, 0);
    const INT_DATA& b = int_arg(call, 1);
    const INT_DATA r(random_sequence.next());
    call.append(make_int_value(a + (b - a) * r / INT_DATA(RANDOM_SEQUENCE::largest)));
}

// A factorial or binomial coefficient too large to hold is refused before
// any work (std::bad_alloc, as a failed allocation would be); the method
// names the refusal.
template <class COMPUTE>
INT_DATA held_result(const METHOD_CALL& call, COMPUTE compute) {
    try {
        return compute();
    } catch (const std::bad_alloc&) {
        call.raise(msg_text("spenicaus"));
    }
}

// The char of a code from 0 to 127; 0 gives the NUL character (the byte
// 0xFF), since a char holding 0 is the empty char.
void char_of_code(METHOD_CALL& call, const INT_DATA& n) {
    // A value beyond the machine range saturates and is refused here, never
    // wrapped into the range.
    const int32_t code = machine_int(n);
    if (static_cast<uint32_t>(code) > 127u) call.raise(msg_text("erwintwert0bis127"));
    call.append(make_char_value(n.is_zero() ? static_cast<char>(0xFF) : static_cast<char>(code)));
}

}  // namespace

bool int_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        int_from_text(call);
        return true;
    }
    enum { fac, binom, gcd, lcm, prime, abs, sgn, real, to_char } which;
    if (key_is(key, "fac\xA7")) which = fac;
    else if (key_is(key,
                    "binom\xA7"
                    "int;\xA7"))
        which = binom;
    else if (key_is(key,
                    "gcd\xA7"
                    "int;\xA7"))
        which = gcd;
    else if (key_is(key,
                    "lcm\xA7"
                    "int;\xA7"))
        which = lcm;
    else if (key_is(key, "prime\xA7")) which = prime;
    else if (key_is(key, "abs\xA7")) which = abs;
    else if (key_is(key, "sgn\xA7")) which = sgn;
    else if (key_is(key, "real\xA7")) which = real;
    else if (key_is(key,
                    "random\xA7"
                    "int;int;\xA7")) {
        random_between(call);
        return true;
    } else if (key_is(key, "char\xA7")) which = to_char;
    else return false;

    const INT_DATA& n = int_of(call.checked_receiver(true));
    if (which == binom || which == gcd || which == lcm) call.raise_if(check_arg_not_empty(*call.args, 0));
    switch (which) {
    case fac: call.append(make_int_value(held_result(call, [&] { return INT_DATA::factorial(n); }))); break;
    case binom:
        call.append(make_int_value(held_result(call, [&] { return INT_DATA::binomial(n, int_arg(call, 0)); })));
        break;
    case gcd: call.append(make_int_value(INT_DATA::gcd(n, int_arg(call, 0)))); break;
    case lcm: call.append(make_int_value(INT_DATA::lcm(n, int_arg(call, 0)))); break;
    case prime: call.append(make_bool_value(n.is_prime(), 0)); break;
    case abs: call.append(make_int_value(n > INT_DATA(0) ? n : n * INT_DATA(-1))); break;
    case sgn: call.append(make_int_value_from_number(n == INT_DATA(0) ? 0 : n > INT_DATA(0) ? 1 : -1)); break;
    case real: call.append(make_real_value(REAL_DATA(n, 0))); break;
    case to_char: char_of_code(call, n); break;
    }
    return true;
}

bool int_procedures(METHOD_CALL& call) {
    if (!key_is(call.key(),
                "\xA7"
                "int;\xA7"))
        return false;
    UNION_DATA* receiver = call.checked_receiver();
    call.refuse_constant();
    call.raise_if(assign_value(receiver, argument_value(call.arg(0).cell)));
    return true;
}

}  // namespace morvu
