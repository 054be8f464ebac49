// The circular functions of REAL_DATA and the constant pi.
//
// Sine and cosine reduce their argument by whole turns of 2*pi and sum their
// power series; the arcsine sums its series up to 0.5 and shifts larger
// arguments down by pi/6; the arctangent halves the angle until its argument
// is at most 0.5. pi itself is 6 * arcsin(0.5). Every series term is cut to
// the working precision p and a series ends at its first term that is zero
// at p decimals, so the last digits of a result depend on these exact steps.

#include <map>

#include "numbers/math_functions.h"
#include "numbers/series.h"

namespace morvu {

using namespace series;

namespace {

bool outside_unit_interval(const REAL_DATA& x) { return x < REAL_DATA(-1) || x > REAL_DATA(1); }

// A value that depends on nothing but the precision, computed once per
// precision. A handful of precisions is in use at a time; the table starts
// afresh when it grows.
REAL_DATA per_precision(std::map<int, REAL_DATA>& table, REAL_DATA (*compute)()) {
    const int p = working_precision();
    auto found = table.find(p);
    if (found != table.end()) return found->second;
    REAL_DATA value = compute();
    if (table.size() >= 32) table.clear();
    table.emplace(p, value);
    return value;
}

REAL_DATA arcsin_of_half() {
    static std::map<int, REAL_DATA> table;
    return per_precision(table, [] { return big_arcsin(half()); });
}

REAL_DATA root_of_three() {
    static std::map<int, REAL_DATA> table;
    return per_precision(table, [] { return big_sqrt(REAL_DATA(3)); });
}

// x less the whole turns of 2*pi in it, counted toward zero: the result has
// x's sign and a magnitude below 2*pi (up to the truncations).
REAL_DATA reduced_by_turns(const REAL_DATA& x) {
    const int twice = doubled(working_precision());
    const REAL_DATA turn = big_pi() * REAL_DATA(2);
    if (is_zero(turn)) throw ARITH(ARITH::pole, x.to_text());  // pi vanishes at 0 decimals
    const REAL_DATA turns = cut(cut(x, twice) / turn, 0);
    return x - turns * turn;
}

}  // namespace

REAL_DATA big_pi() {
    static std::map<int, REAL_DATA> table;
    return per_precision(table, [] { return cut(arcsin_of_half() * REAL_DATA(6), working_precision()); });
}

REAL_DATA big_sin(const REAL_DATA& x) {
    const REAL_DATA y = reduced_by_turns(x);
    return factorial_series(y, y, 3, -1);  // y^(2k+1) / ((-1)^k (2k+1)!)
}

REAL_DATA big_cos(const REAL_DATA& x) {
    const REAL_DATA y = reduced_by_turns(x);
    return factorial_series(y, REAL_DATA(1), 2, -1);  // y^(2k) / ((-1)^k (2k)!)
}

REAL_DATA big_tan(const REAL_DATA& x) { return doubled_quotient(x, big_sin, big_cos); }

REAL_DATA big_cot(const REAL_DATA& x) { return doubled_quotient(x, big_cos, big_sin); }

REAL_DATA big_arcsin(const REAL_DATA& x) {
    if (outside_unit_interval(x)) throw ARITH(ARITH::out_of_domain, x.to_text());
    if (is_negative(x)) return negated(big_arcsin(negated(x)));
    const int p = working_precision();

    if (x > half()) {
        // arcsin x = arcsin 0.5 + arcsin(0.5 (x sqrt(3) - sqrt(1 - x^2)))
        REAL_DATA sum = arcsin_of_half();
        const REAL_DATA d = cut(x * root_of_three(), p);
        const REAL_DATA r = big_sqrt(cut(REAL_DATA(1) - x * x, p));
        sum += big_arcsin(half() * (d - r));
        return cut(sum, p);
    }

    // arcsin x = sum of x^(2k+1) (2k-1)!! / ((2k)!! (2k+1))
    const REAL_DATA x_squared = x * x;
    REAL_DATA sum = x;
    REAL_DATA numerator = x;
    INT_DATA evens(1);
    for (long n = 3;; n += 2) {
        numerator = cut(numerator * (REAL_DATA(static_cast<int>(n - 2)) * x_squared), p);
        evens = evens * INT_DATA(n - 1);
        REAL_DATA q = numerator / REAL_DATA(evens * INT_DATA(n), 0);
        if (is_zero(q)) break;
        sum += q;
    }
    return cut(sum, p);
}

REAL_DATA big_arccos(const REAL_DATA& x) {
    if (outside_unit_interval(x)) throw ARITH(ARITH::out_of_domain, x.to_text());
    const REAL_DATA quarter_turn = cut(half() * big_pi(), working_precision());
    return quarter_turn - big_arcsin(x);
}

REAL_DATA big_arctan(const REAL_DATA& x) {
    if (is_negative(x)) return negated(big_arctan(negated(x)));
    const int p = working_precision();

    if (x > half()) {
        // arctan x = 2 arctan((sqrt(1 + x^2) - 1) / x)
        const int twice = doubled(p);
        const REAL_DATA a = cut(x, p);
        if (is_zero(a)) throw ARITH(ARITH::pole, x.to_text());  // x below 1 at 0 decimals
        const REAL_DATA r = big_sqrt(cut(a * a + REAL_DATA(1), p));
        const REAL_DATA v = cut(r - REAL_DATA(1), twice) / a;
        return REAL_DATA(2) * big_arctan(v);
    }

    // arctan x = x - x^3/3 + x^5/5 - ...
    const REAL_DATA factor = REAL_DATA(-1) * (x * x);
    REAL_DATA sum = x;
    REAL_DATA numerator = x;
    for (long n = 3;; n += 2) {
        numerator = cut(numerator * factor, p);
        REAL_DATA q = numerator / REAL_DATA(INT_DATA(n), 0);
        if (is_zero(q)) return sum;
        sum += q;
    }
}

REAL_DATA big_arccot(const REAL_DATA& x) {
    const REAL_DATA quarter_turn = big_pi() * half();  // p + 1 decimals, not cut
    return quarter_turn - big_arctan(x);
}

}  // namespace morvu
