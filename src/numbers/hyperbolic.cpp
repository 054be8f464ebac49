// The hyperbolic functions of REAL_DATA and their inverses.
//
// Each result is the exact value cut by the result rule at the working
// precision (numbers/series.h). sinh and cosh come from e^|x| and its
// reciprocal; tanh and coth from u = e^-2|x|, which is tiny for a large x, so
// that they answer at once where e^|x| would have a million digits. The
// inverses are logarithms of exact or enclosed arguments. All are odd or
// even, so they work on |x| and give the sign afterwards.

#include <cmath>

#include "numbers/math_functions.h"
#include "numbers/series.h"

namespace morvu {

using namespace series;

namespace {

// e^a and e^-a for a >= 0, at a common scale.
struct EXPONENTIALS {
    BOUNDS up;
    BOUNDS down;
};

EXPONENTIALS exponentials(const REAL_DATA& a, int32_t s) {
    const ENCLOSURE e = exp_enclosure(a, held_scale(int64_t{s} + 2));
    const BOUNDS up = bounds_of(e);
    const REAL_DATA one(1);
    return EXPONENTIALS{up, BOUNDS{quotient_floor(one, up.hi, e.scale), quotient_ceil(one, up.lo, e.scale), true}};
}

BOUNDS halved(const BOUNDS& b) { return BOUNDS{b.lo * half(), b.hi * half(), true}; }

// tanh |x| = (1 - u) / (1 + u) and coth |x| = (1 + u) / (1 - u) with
// u = e^-2|x|. A small |x| leaves 1 - u small, so u needs twice as many more
// digits as 1/|x| has.
BOUNDS tanh_or_coth(const REAL_DATA& a, int32_t s, bool coth) {
    const double size = log10_of(a);
    const int64_t extra = size < 0 ? 2 * static_cast<int64_t>(std::ceil(-size)) + 2 : 2;
    const int32_t w = held_scale(int64_t{s} + extra);
    BOUNDS u = bounds_of(exp_enclosure(negated(a * REAL_DATA(2)), w));
    if (is_negative(u.lo)) u.lo = REAL_DATA(0);
    const REAL_DATA one(1);
    if (!coth) {
        BOUNDS result{quotient_floor(one - u.hi, one + u.hi, w), quotient_ceil(one - u.lo, one + u.lo, w), true};
        // tanh is below 1, and every value in [1 - 10^-(p+1), 1) cuts alike.
        const REAL_DATA below_one = one - REAL_DATA(INT_DATA(1), held_scale(int64_t{working_precision()} + 1));
        if (result.hi > below_one) result.hi = below_one;
        return result;
    }
    if (!(u.hi < one)) return BOUNDS{REAL_DATA(0), REAL_DATA(0), false};
    BOUNDS result{quotient_floor(one + u.lo, one - u.lo, w), quotient_ceil(one + u.hi, one - u.hi, w), true};
    if (result.lo < one) result.lo = one;  // coth is above 1, and 1 cuts as (1, 1 + 10^-p) does
    return result;
}

BOUNDS signed_like(const REAL_DATA& x, const BOUNDS& b) { return is_negative(x) ? negated(b) : b; }

// ln(a + sqrt(a^2 + shift)) for arsinh (shift 1) and arcosh (shift -1): the
// root lies in [q, q + 1] units of 10^-w.
BOUNDS log_of_root_sum(const REAL_DATA& a, int shift, int32_t s) {
    const int32_t w = held_scale(int64_t{s} + 2);
    const INT_DATA q = integer_sqrt(cut(a * a + REAL_DATA(shift), doubled(w)).mantissa);
    return ln_bounds(a + REAL_DATA(q, w), a + REAL_DATA(q + INT_DATA(1), w), w);
}

// 0.5 ln(num / den) for artanh and arcoth, the ratio enclosed at w decimals.
BOUNDS half_log_ratio(const REAL_DATA& num, const REAL_DATA& den, int32_t s) {
    const int32_t w = held_scale(int64_t{s} + 2);
    return halved(ln_bounds(quotient_floor(num, den, w), quotient_ceil(num, den, w), w));
}

void check_pole_at_one(const REAL_DATA& x) {
    if (x == REAL_DATA(-1) || x == REAL_DATA(1)) throw ARITH(ARITH::pole, x.to_text());
}

REAL_DATA zero_at_precision() { return final_cut(REAL_DATA(0), working_precision()); }

}  // namespace

REAL_DATA big_sinh(const REAL_DATA& x) {
    if (is_zero(x)) return zero_at_precision();
    return decided_cut(x, 4, [&](int32_t s) {
        const EXPONENTIALS e = exponentials(magnitude(x), s);
        return signed_like(x, halved(BOUNDS{e.up.lo - e.down.hi, e.up.hi - e.down.lo, true}));
    });
}

REAL_DATA big_cosh(const REAL_DATA& x) {
    if (is_zero(x)) return final_cut(REAL_DATA(1), working_precision());
    return decided_cut(x, 4, [&](int32_t s) {
        const EXPONENTIALS e = exponentials(magnitude(x), s);
        return halved(BOUNDS{e.up.lo + e.down.lo, e.up.hi + e.down.hi, true});
    });
}

REAL_DATA big_tanh(const REAL_DATA& x) {
    if (is_zero(x)) return zero_at_precision();
    return decided_cut(x, 4, [&](int32_t s) { return signed_like(x, tanh_or_coth(magnitude(x), s, false)); });
}

REAL_DATA big_coth(const REAL_DATA& x) {
    if (is_zero(x)) throw ARITH(ARITH::pole, x.to_text());
    return decided_cut(x, 4, [&](int32_t s) { return signed_like(x, tanh_or_coth(magnitude(x), s, true)); });
}

REAL_DATA big_arsinh(const REAL_DATA& x) {
    if (is_zero(x)) return zero_at_precision();
    return decided_cut(x, 4, [&](int32_t s) { return signed_like(x, log_of_root_sum(magnitude(x), 1, s)); });
}

REAL_DATA big_arcosh(const REAL_DATA& x) {
    if (x < REAL_DATA(1)) throw ARITH(ARITH::out_of_domain, x.to_text());
    if (x == REAL_DATA(1)) return zero_at_precision();
    return decided_cut(x, 4, [&](int32_t s) { return log_of_root_sum(x, -1, s); });
}

REAL_DATA big_artanh(const REAL_DATA& x) {
    if (x < REAL_DATA(-1) || x > REAL_DATA(1)) throw ARITH(ARITH::out_of_domain, x.to_text());
    check_pole_at_one(x);
    if (is_zero(x)) return zero_at_precision();
    const REAL_DATA a = magnitude(x);
    const REAL_DATA one(1);
    return decided_cut(x, 4, [&](int32_t s) { return signed_like(x, half_log_ratio(one + a, one - a, s)); });
}

REAL_DATA big_arcoth(const REAL_DATA& x) {
    if (x > REAL_DATA(-1) && x < REAL_DATA(1)) throw ARITH(ARITH::out_of_domain, x.to_text());
    check_pole_at_one(x);
    const REAL_DATA a = magnitude(x);
    const REAL_DATA one(1);
    return decided_cut(x, 4, [&](int32_t s) { return signed_like(x, half_log_ratio(a + one, a - one, s)); });
}

}  // namespace morvu
