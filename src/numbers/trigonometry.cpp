// The circular functions of REAL_DATA and the constant pi.
//
// Each result is the exact value cut by the result rule at the working
// precision (numbers/series.h): sine and cosine reduce their argument by
// multiples of pi/2 with pi carried to as many more digits as the argument
// has whole digits, tangent and cotangent divide the two enclosures, and the
// inverse functions go through the arctangent of an exact ratio. Only the
// values at 0 (and arccos 1) are exact; every other value is transcendental
// and so never lies on a cut.

#include "numbers/math_functions.h"
#include "numbers/series.h"

namespace morvu {

using namespace series;

namespace {

bool outside_unit_interval(const REAL_DATA& x) { return x < REAL_DATA(-1) || x > REAL_DATA(1); }

// arcsin x = arctan(x / sqrt(1 - x^2)); the root lies in [q, q + 1] units of
// 10^-w, and the arctangent rises with its argument, so the ratio's range
// with q + 1 and q gives the ends.
BOUNDS arcsin_bounds(const REAL_DATA& x, int32_t s) {
    const REAL_DATA a = magnitude(x);
    const int32_t w = held_scale(int64_t{s} + 2);
    BOUNDS result;
    const INT_DATA q = a == REAL_DATA(1) ? INT_DATA(0) : integer_sqrt(cut(REAL_DATA(1) - a * a, doubled(w)).mantissa);
    if (q.is_zero()) {
        // 1 - x^2 below 10^-2w: arcsin x lies between arctan(x 10^w) and pi/2
        result.hi = bounds_of(half_pi_enclosure(w)).hi;
        result.lo = a == REAL_DATA(1) ? bounds_of(half_pi_enclosure(w)).lo
                                      : bounds_of(atan_range(quotient_floor(a, REAL_DATA(INT_DATA(1), w), w),
                                                             quotient_floor(a, REAL_DATA(INT_DATA(1), w), w), w))
                                            .lo;
    } else {
        result = bounds_of(
            atan_range(quotient_floor(a, REAL_DATA(q + INT_DATA(1), w), w), quotient_ceil(a, REAL_DATA(q, w), w), w));
    }
    return is_negative(x) ? negated(result) : result;
}

BOUNDS atan_bounds(const REAL_DATA& x, int32_t s) { return bounds_of(atan_enclosure(x.mantissa, pow10(x.scale), s)); }

// pi/2 less the given bounds.
BOUNDS from_quarter_turn(const BOUNDS& b, int32_t s) {
    const BOUNDS h = bounds_of(half_pi_enclosure(s));
    return BOUNDS{h.lo - b.hi, h.hi - b.lo, true};
}

}  // namespace

REAL_DATA big_pi() {
    return decided_cut(REAL_DATA(0), 4, [](int32_t s) { return bounds_of(pi_enclosure(s)); });
}

REAL_DATA big_sin(const REAL_DATA& x) {
    if (is_zero(x)) return final_cut(REAL_DATA(0), working_precision());
    return decided_cut(x, 4, [&](int32_t s) { return bounds_of(sin_cos_enclosure(x, s).sin); });
}

REAL_DATA big_cos(const REAL_DATA& x) {
    if (is_zero(x)) return final_cut(REAL_DATA(1), working_precision());
    return decided_cut(x, 4, [&](int32_t s) { return bounds_of(sin_cos_enclosure(x, s).cos); });
}

// cos x is never 0 at a decimal x, so the quotient is only undecided while the
// enclosure of the cosine still holds 0; more digits separate it.
REAL_DATA big_tan(const REAL_DATA& x) {
    if (is_zero(x)) return final_cut(REAL_DATA(0), working_precision());
    return decided_cut(x, 4, [&](int32_t s) {
        const SIN_COS both = sin_cos_enclosure(x, s);
        return quotient(bounds_of(both.sin), bounds_of(both.cos), s);
    });
}

REAL_DATA big_cot(const REAL_DATA& x) {
    if (is_zero(x)) throw ARITH(ARITH::pole, x.to_text());
    return decided_cut(x, 4, [&](int32_t s) {
        const SIN_COS both = sin_cos_enclosure(x, s);
        return quotient(bounds_of(both.cos), bounds_of(both.sin), s);
    });
}

REAL_DATA big_arcsin(const REAL_DATA& x) {
    if (outside_unit_interval(x)) throw ARITH(ARITH::out_of_domain, x.to_text());
    if (is_zero(x)) return final_cut(REAL_DATA(0), working_precision());
    return decided_cut(x, 4, [&](int32_t s) { return arcsin_bounds(x, s); });
}

REAL_DATA big_arccos(const REAL_DATA& x) {
    if (outside_unit_interval(x)) throw ARITH(ARITH::out_of_domain, x.to_text());
    if (x == REAL_DATA(1)) return final_cut(REAL_DATA(0), working_precision());
    return decided_cut(x, 4, [&](int32_t s) {
        const int32_t w = held_scale(int64_t{s} + 2);
        return from_quarter_turn(arcsin_bounds(x, w), w);
    });
}

REAL_DATA big_arctan(const REAL_DATA& x) {
    if (is_zero(x)) return final_cut(REAL_DATA(0), working_precision());
    return decided_cut(x, 4, [&](int32_t s) { return atan_bounds(x, s); });
}

// pi/2 - arctan x lies in (0, pi) for every x.
REAL_DATA big_arccot(const REAL_DATA& x) {
    return decided_cut(x, 4, [&](int32_t s) {
        const int32_t w = held_scale(int64_t{s} + 2);
        return from_quarter_turn(atan_bounds(x, w), w);
    });
}

}  // namespace morvu
