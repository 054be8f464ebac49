// Exponential, square root, logarithms, powers and roots of REAL_DATA.
//
// The series and iterations cut every intermediate value toward zero to p or
// 2p decimals; the last digits of a result depend on exactly where, so the
// steps below keep their cuts even where a shorter formula exists. Two
// shortcuts give identical values: the square root is the exact integer
// square root that Newton's iteration settles on, and a whole power is formed
// by squaring instead of by repeated multiplication.

#include <cmath>
#include <cstdint>
#include <map>
#include <new>
#include <string>

#include "numbers/math_functions.h"
#include "numbers/series.h"

namespace morvu {

using namespace series;

namespace {

// The 1 with n decimals, the dividend of a reciprocal.
REAL_DATA one_at(int n) { return cut(REAL_DATA(1), n); }

// A magnitude times 10^k or divided by 10^k (truncated), through the scale.
INT_DATA shifted_up(const INT_DATA& n, int k) { return cut(REAL_DATA(n, 0), k).mantissa; }
INT_DATA shifted_down(const INT_DATA& n, int k) { return cut(REAL_DATA(n, k), 0).mantissa; }

// Decimal digits of a non-negative integer.
int digit_count(const INT_DATA& n) {
    const std::string& text = n.to_text();
    return static_cast<int>(text.size());
}

// floor(sqrt(n)) of a non-negative integer. Below 19 digits machine
// arithmetic answers; above, the root of n's leading half gives an estimate
// from above that Newton's iteration brings down in two or three steps.
INT_DATA integer_sqrt(const INT_DATA& n) {
    const int digits = digit_count(n);
    if (digits <= 18) {
        const uint64_t v = std::stoull(n.to_text());
        uint64_t s = static_cast<uint64_t>(std::sqrt(static_cast<double>(v)));
        while (s * s > v) --s;
        while ((s + 1) * (s + 1) <= v) ++s;
        return INT_DATA(static_cast<long>(s));
    }
    const int k = digits / 4;
    const INT_DATA estimate = integer_sqrt(shifted_down(n, 2 * k)) + INT_DATA(1);
    INT_DATA x = shifted_up(estimate, k);  // above the root: n < (estimate * 10^k)^2
    const INT_DATA two(2);
    while (true) {
        INT_DATA next = (x + n / x) / two;
        if (next >= x) return x;
        x = std::move(next);
    }
}

// e and 1/e at a precision, computed once per precision. A handful of
// precisions is in use at a time; the table starts afresh when it grows.
struct E_CONSTANTS {
    REAL_DATA e;
    REAL_DATA inverse;
};

const E_CONSTANTS& e_constants(int p) {
    static std::map<int, E_CONSTANTS> table;
    auto found = table.find(p);
    if (found != table.end()) return found->second;
    const int twice = doubled(p);
    if (table.size() >= 32) table.clear();
    E_CONSTANTS constants;
    constants.e = big_exp(REAL_DATA(1));
    constants.inverse = one_at(twice) / constants.e;
    return table.emplace(p, std::move(constants)).first->second;
}

// x to a non-negative whole exponent, exact: the mantissa's power by
// squaring, the scale times the exponent.
REAL_DATA whole_power(const REAL_DATA& x, const INT_DATA& exponent) {
    const INT_DATA two(2);
    const bool odd = !(exponent % two).is_zero();
    const INT_DATA one(1);
    if (x.mantissa == one || x.mantissa == one.negated()) {
        if (x.scale == 0) return REAL_DATA((odd && is_negative(x)) ? -1 : 1);
    }
    if (exponent.is_zero()) return REAL_DATA(1);
    // Any other base to an exponent this large could not be held.
    if (digit_count(exponent) > 18) throw std::bad_alloc();
    const int64_t e = std::stoll(exponent.to_text());
    int64_t product = 0;  // the scale of the power, which no number may exceed
    if (__builtin_mul_overflow(int64_t{x.scale}, e, &product)) throw std::bad_alloc();
    const int32_t scale = held_scale(product);

    INT_DATA result(1);
    INT_DATA base = x.mantissa;
    for (int64_t rest = e;;) {
        if (rest & 1) result = result * base;
        rest >>= 1;
        if (rest == 0) break;
        base = base * base;
    }
    return REAL_DATA(std::move(result), scale);
}

}  // namespace

REAL_DATA big_e() { return e_constants(working_precision()).e; }

REAL_DATA big_exp(const REAL_DATA& x) {
    if (is_negative(x)) {
        const int twice = doubled(working_precision());
        const REAL_DATA positive = big_exp(negated(x));
        return one_at(twice) / positive;
    }
    const int p = working_precision();
    REAL_DATA sum(1);
    REAL_DATA term(1);
    INT_DATA factorial(1);
    for (long k = 1;; ++k) {
        term = cut(term * x, p);
        factorial = factorial * INT_DATA(k);
        REAL_DATA q = term / REAL_DATA(factorial, 0);
        if (is_zero(q)) return sum;
        sum += q;
    }
}

// Newton's iteration x' = (a + x*x) / (2x) from x = a. After its first step
// every x has p decimals, and with N = a cut to 2p, X = x * 10^p the step is
// X' = floor((N + X*X) / (2X)): the integer Newton step for sqrt(N). Its only
// fixed point is floor(sqrt(N)); it reaches it from anywhere, or alternates
// between it and the next integer when N + 1 is a square. Either way
// floor(sqrt(N)) is the value it settles on, so that value is computed at once.
REAL_DATA big_sqrt(const REAL_DATA& a) {
    if (is_negative(a)) throw ARITH(ARITH::out_of_domain, a.to_text());
    if (is_zero(a)) return REAL_DATA(0);
    const int p = working_precision();
    const int twice = doubled(p);

    const REAL_DATA divisor = cut(REAL_DATA(2) * a, p);
    if (is_zero(divisor)) throw ARITH(ARITH::pole, a.to_text());  // a below half a unit of 10^-p
    const REAL_DATA first = cut(a + a * a, twice) / divisor;
    if (first == a) return a;  // a is its own root at this precision (a = 1)

    // A zero step or a zero N would bring the iteration to a zero divisor.
    const INT_DATA n = cut(a, twice).mantissa;
    if (is_zero(first) || n.is_zero()) throw ARITH(ARITH::pole, a.to_text());
    return REAL_DATA(integer_sqrt(n), p);
}

REAL_DATA big_ln(const REAL_DATA& x) {
    if (is_negative(x)) throw ARITH(ARITH::out_of_domain, x.to_text());
    if (is_zero(x)) throw ARITH(ARITH::pole, "0.0");
    const int p = working_precision();
    const int twice = doubled(p);
    const E_CONSTANTS constants = e_constants(p);
    const REAL_DATA& e = constants.e;
    const REAL_DATA& inverse = constants.inverse;

    // Bring x into [1/e, e] by whole powers of e, then use the series there.
    if (x < inverse) {
        REAL_DATA y = x;
        int k = 0;
        do {
            y = cut(y * e, p);
            ++k;
            // x * e vanished at p decimals: the reduction would never end.
            if (is_zero(y)) throw ARITH(ARITH::pole, x.to_text());
        } while (y < inverse);
        return big_ln(y) - REAL_DATA(k);
    }
    if (x > e) {
        REAL_DATA y = x;
        int k = 0;
        do {
            y = cut(y * inverse, p);
            ++k;
        } while (y > e);
        return big_ln(y) + REAL_DATA(k);
    }

    // ln x = 2 (y + y^3/3 + y^5/5 + ...) with y = (x - 1) / (x + 1).
    const REAL_DATA u = x - REAL_DATA(1);
    REAL_DATA v = u + REAL_DATA(2);
    const REAL_DATA u_squared = u * u;
    const REAL_DATA v_squared = v * v;
    v.set_scale(p);
    REAL_DATA sum = cut(u, twice) / v;
    REAL_DATA numerator = u;
    REAL_DATA denominator = v;
    for (int n = 3;; n += 2) {
        numerator = cut(numerator * u_squared, twice);
        denominator = cut(denominator * v_squared, p);
        REAL_DATA q = (numerator / denominator) / REAL_DATA(n);
        if (is_zero(q)) break;
        sum += q;
    }
    return sum * REAL_DATA(2);
}

REAL_DATA big_pot(const REAL_DATA& x, const REAL_DATA& y) {
    const bool whole = y.scale == 0;  // the exponent's scale decides, not its decimals
    if ((is_zero(x) && y <= REAL_DATA(0)) || (is_negative(x) && !whole)) {
        throw ARITH(ARITH::out_of_domain, x.to_text());
    }
    if (is_zero(x)) return REAL_DATA(0);
    if (whole && !is_negative(y)) return whole_power(x, y.mantissa);
    if (whole) {
        const int p = working_precision();
        const int twice = doubled(p);
        const REAL_DATA power = cut(whole_power(x, y.mantissa.negated()), p);
        if (is_zero(power)) throw ARITH(ARITH::pole, x.to_text());  // 1 / x^-y has no p-decimal divisor
        return cut(one_at(twice) / power, p);
    }
    return big_exp(y * big_ln(x));
}

REAL_DATA big_log(const REAL_DATA& x, const REAL_DATA& b) {
    const int p = working_precision();
    const REAL_DATA a = cut(big_ln(x), doubled(p));
    const REAL_DATA c = cut(big_ln(b), p);
    if (is_zero(c)) throw ARITH(ARITH::pole, b.to_text());  // the base 1, or one as close
    return a / c;
}

REAL_DATA big_root(const REAL_DATA& x, const REAL_DATA& n) {
    const int p = working_precision();
    const int twice = doubled(p);
    const REAL_DATA divisor = cut(n, p);
    if (is_zero(divisor)) throw ARITH(ARITH::pole, n.to_text());
    return big_pot(x, one_at(twice) / divisor);
}

}  // namespace morvu
