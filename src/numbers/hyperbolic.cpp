// The hyperbolic functions of REAL_DATA and their inverses.
//
// sinh and cosh sum their own power series, without argument reduction, so
// their work grows with |x|; tanh and coth divide the two. The inverses are
// closed formulas over the square root and the natural logarithm. Every
// series term is cut to the working precision p, and a series ends at its
// first term that is zero at p decimals.

#include "numbers/math_functions.h"
#include "numbers/series.h"

namespace morvu {

using namespace series;

namespace {

// 0.5 ln(a / b) with a = x + 1 at 2p and b at p: the artanh and arcoth form.
// b is zero when x lies within 10^-p of 1: a pole at this precision.
REAL_DATA half_log_quotient(const REAL_DATA& x, const REAL_DATA& b_exact) {
    const int p = working_precision();
    const REAL_DATA a = cut(x + REAL_DATA(1), doubled(p));
    const REAL_DATA b = cut(b_exact, p);
    if (is_zero(b)) throw ARITH(ARITH::pole, x.to_text());
    return half() * big_ln(a / b);
}

void check_pole_at_one(const REAL_DATA& x) {
    if (x == REAL_DATA(-1) || x == REAL_DATA(1)) throw ARITH(ARITH::pole, x.to_text());
}

}  // namespace

REAL_DATA big_sinh(const REAL_DATA& x) { return factorial_series(x, x, 3, 1); }  // x^(2k+1) / (2k+1)!

REAL_DATA big_cosh(const REAL_DATA& x) { return factorial_series(x, REAL_DATA(1), 2, 1); }  // x^(2k) / (2k)!

// cosh is at least 1, so the quotient always has a divisor.
REAL_DATA big_tanh(const REAL_DATA& x) { return doubled_quotient(x, big_sinh, big_cosh); }

// sinh starts its sum at x itself and adds terms of x's sign, so it is zero
// only for x = 0, which is refused before the precision is touched.
REAL_DATA big_coth(const REAL_DATA& x) {
    if (is_zero(x)) throw ARITH(ARITH::pole, x.to_text());
    return doubled_quotient(x, big_cosh, big_sinh);
}

REAL_DATA big_arsinh(const REAL_DATA& x) {
    const REAL_DATA root = big_sqrt(x * x + REAL_DATA(1));
    return big_ln(x + root);
}

REAL_DATA big_arcosh(const REAL_DATA& x) {
    if (x < REAL_DATA(1)) throw ARITH(ARITH::out_of_domain, x.to_text());
    const REAL_DATA root = big_sqrt(x * x - REAL_DATA(1));
    return big_ln(x + root);
}

REAL_DATA big_artanh(const REAL_DATA& x) {
    if (x < REAL_DATA(-1) || x > REAL_DATA(1)) throw ARITH(ARITH::out_of_domain, x.to_text());
    check_pole_at_one(x);
    return half_log_quotient(x, negated(x) + REAL_DATA(1));
}

REAL_DATA big_arcoth(const REAL_DATA& x) {
    if (x > REAL_DATA(-1) && x < REAL_DATA(1)) throw ARITH(ARITH::out_of_domain, x.to_text());
    check_pole_at_one(x);
    return half_log_quotient(x, x - REAL_DATA(1));
}

}  // namespace morvu
