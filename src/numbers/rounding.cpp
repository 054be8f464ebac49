// Rounding of REAL_DATA to an integer or to fewer decimals. Cutting to a
// scale truncates toward zero; these functions add what truncation leaves
// out: the step to the next integer for ceil and floor, half a unit for the
// rounding functions (halves go away from zero, negative values are rounded
// as their magnitude).

#include "numbers/math_functions.h"
#include "numbers/series.h"

namespace morvu {

using namespace series;

namespace {

// x cut to an integer, with step added when the cut dropped a non-zero
// decimal and x has the sign that asks for it.
INT_DATA integer_toward(const REAL_DATA& x, bool positive_side, int step) {
    if (x.mantissa.is_zero()) return INT_DATA(0);
    if (x.scale == 0) return x.mantissa;
    const REAL_DATA whole = cut(x, 0);
    const bool side = positive_side ? is_positive(x) : is_negative(x);
    if (side && whole != x) return whole.mantissa + INT_DATA(step);
    return whole.mantissa;
}

}  // namespace

INT_DATA big_ceil(const REAL_DATA& x) { return integer_toward(x, true, 1); }

INT_DATA big_floor(const REAL_DATA& x) { return integer_toward(x, false, -1); }

INT_DATA big_round(const REAL_DATA& x) {
    if (x.mantissa.is_zero()) return INT_DATA(0);
    if (x.scale == 0) return x.mantissa;
    if (is_negative(x)) return INT_DATA(-1) * big_round(x * REAL_DATA(-1));
    return cut(x + REAL_DATA(INT_DATA(5), 1), 0).mantissa;
}

REAL_DATA big_round_to(const REAL_DATA& x, int n) {
    if (x.mantissa.is_zero()) return REAL_DATA(0);
    if (x.scale == 0) return x;  // no decimals are added
    if (is_negative(x)) return big_round_to(x * REAL_DATA(-1), n) * REAL_DATA(-1);
    return cut(x + REAL_DATA(INT_DATA(5), held_scale(int64_t{n} + 1)), n);  // half a unit of the n-th decimal
}

}  // namespace morvu
