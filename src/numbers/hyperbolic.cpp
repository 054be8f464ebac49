// The hyperbolic functions of REAL_DATA and their inverses.
//
// sinh and cosh sum their own power series, without argument reduction, so
// their work grows with |x|; tanh and coth divide the two. The inverses are
// closed formulas over the square root and the natural logarithm. Every
// series term is cut to the working precision p, and a series ends at its
// first term that is zero at p decimals.

#include "numbers/math_functions.h"
#include "runtime/settings.h"

namespace morvu {

namespace {

REAL_DATA half() { return REAL_DATA(INT_DATA(5), 1); }

bool is_zero(const REAL_DATA& x) { return x.mantissa.is_zero(); }

REAL_DATA cut(REAL_DATA x, int n) {
    x.set_scale(n);
    return x;
}

// The working precision as it was when the guard was made, set back when
// the guard goes, whatever path leaves the function.
class PRECISION_GUARD {
public:
    PRECISION_GUARD() : saved(working_precision()) {}
    ~PRECISION_GUARD() { set_working_precision(saved); }
    PRECISION_GUARD(const PRECISION_GUARD&) = delete;
    PRECISION_GUARD& operator=(const PRECISION_GUARD&) = delete;

private:
    int saved;
};

// The series shared by sinh and cosh: the sum and the numerator start at
// first; each step multiplies the numerator by x*x (cut to p) and the
// factorial by n and n - 1, n starting at first_factor and rising by 2.
REAL_DATA factorial_series(const REAL_DATA& x, REAL_DATA sum, long first_factor) {
    const int p = working_precision();
    const REAL_DATA x_squared = x * x;
    REAL_DATA numerator = sum;
    INT_DATA factorial(1);
    for (long n = first_factor;; n += 2) {
        numerator = cut(numerator * x_squared, p);
        factorial = factorial * INT_DATA(n) * INT_DATA(n - 1);
        REAL_DATA q = numerator / REAL_DATA(factorial, 0);
        if (is_zero(q)) return sum;
        sum += q;
    }
}

// numerator(x) at twice the precision divided by denominator(x) at the
// precision. The callers make sure the denominator is not zero. sinh keeps
// the decimals of its argument, so as a divisor it may have more than p of
// them; the dividend is then padded to p more decimals than the divisor
// has, so that the quotient keeps p decimals instead of a short or negative
// scale.
REAL_DATA doubled_quotient(const REAL_DATA& x, REAL_DATA (*numerator)(const REAL_DATA&),
                           REAL_DATA (*denominator)(const REAL_DATA&)) {
    PRECISION_GUARD guard;
    const int p = working_precision();
    set_working_precision(2 * p);
    REAL_DATA n = numerator(x);
    set_working_precision(working_precision() / 2);
    const REAL_DATA d = denominator(x);
    if (n.scale < p + d.scale) n.set_scale(p + d.scale);
    return n / d;
}

// 0.5 ln(a / b) with a = x + 1 at 2p and b at p: the artanh and arcoth form.
// b is zero when x lies within 10^-p of 1: a pole at this precision.
REAL_DATA half_log_quotient(const REAL_DATA& x, const REAL_DATA& b_exact) {
    const int p = working_precision();
    const REAL_DATA a = cut(x + REAL_DATA(1), 2 * p);
    const REAL_DATA b = cut(b_exact, p);
    if (is_zero(b)) throw ARITH(ARITH::pole, x.to_text());
    return half() * big_ln(a / b);
}

void check_pole_at_one(const REAL_DATA& x) {
    if (x == REAL_DATA(-1) || x == REAL_DATA(1)) throw ARITH(ARITH::pole, x.to_text());
}

}  // namespace

REAL_DATA big_sinh(const REAL_DATA& x) { return factorial_series(x, x, 3); }  // x^(2k+1) / (2k+1)!

REAL_DATA big_cosh(const REAL_DATA& x) { return factorial_series(x, REAL_DATA(1), 2); }  // x^(2k) / (2k)!

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
    return half_log_quotient(x, REAL_DATA(x.mantissa.negated(), x.scale) + REAL_DATA(1));
}

REAL_DATA big_arcoth(const REAL_DATA& x) {
    if (x > REAL_DATA(-1) && x < REAL_DATA(1)) throw ARITH(ARITH::out_of_domain, x.to_text());
    check_pole_at_one(x);
    return half_log_quotient(x, x - REAL_DATA(1));
}

}  // namespace morvu
