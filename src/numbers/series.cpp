// The series loop and the doubled quotient shared by the circular and the
// hyperbolic functions.

#include "numbers/series.h"

namespace morvu::series {

REAL_DATA factorial_series(const REAL_DATA& x, REAL_DATA sum, long first_factor, int sign) {
    const int p = working_precision();
    const REAL_DATA x_squared = x * x;
    REAL_DATA numerator = sum;
    INT_DATA denominator(1);
    for (long n = first_factor;; n += 2) {
        numerator = cut(numerator * x_squared, p);
        denominator = denominator * INT_DATA(sign * n) * INT_DATA(n - 1);
        REAL_DATA q = numerator / REAL_DATA(denominator, 0);
        if (is_zero(q)) return sum;
        sum += q;
    }
}

// sin and sinh keep the decimals of their argument, so as a divisor they may
// have more than p of them; the dividend is then padded to p more decimals
// than the divisor has, so that the quotient keeps p decimals instead of
// losing them to a short or even negative scale (the cotangent of an
// argument with 3p decimals would otherwise come out as an integer). cosh is
// at least 1 and sinh is zero only at 0, which coth refuses first, so the
// hyperbolic quotients never meet the pole.
REAL_DATA doubled_quotient(const REAL_DATA& x, REAL_DATA (*numerator)(const REAL_DATA&),
                           REAL_DATA (*denominator)(const REAL_DATA&)) {
    PRECISION_GUARD guard;
    const int p = working_precision();
    const int twice = doubled(p);
    set_working_precision(twice);
    REAL_DATA n = numerator(x);
    set_working_precision(working_precision() / 2);
    const REAL_DATA d = denominator(x);
    if (is_zero(d)) throw ARITH(ARITH::pole, x.to_text());
    const int wanted = held_scale(int64_t{p} + d.scale);
    if (n.scale < wanted) n.set_scale(wanted);
    return n / d;
}

}  // namespace morvu::series
