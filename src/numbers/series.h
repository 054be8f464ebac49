// The pieces the mathematical functions of REAL_DATA are built from.
//
// A result must be the exact value cut toward zero to the working precision
// p, moved to the next integer away from zero when all its p decimals are 9.
// No finite computation gives an exact value, so each function encloses it:
// an ENCLOSURE is a fixed-point number mid * 10^-scale with a bound err (in
// units of 10^-scale) on its distance from the true value, and the error of
// every cut, product and series tail is counted into err as it happens.
// decided_cut then asks for enclosures with more and more guard digits until
// both ends of the enclosure give the same cut; the cut (with the nines rule)
// is monotone, so the true value in between gives that cut too.
//
// Values that lie exactly on a cut (sqrt(4), 2^10, log of 2 to the base 16)
// never separate this way; the functions find those exactly before they
// enclose. Arguments are exact decimals; the series below take them as
// exact ratios where that keeps the steps short, so that a long result
// costs a multiplication by a short number per term.
//
// Only src/numbers includes this header.

#pragma once

#include <cstdint>
#include <string>

#include "numbers/arith_error.h"
#include "numbers/real_data.h"
#include "runtime/settings.h"

namespace morvu::series {

inline REAL_DATA half() { return REAL_DATA(INT_DATA(5), 1); }

inline bool is_zero(const REAL_DATA& x) { return x.mantissa.is_zero(); }
inline bool is_positive(const REAL_DATA& x) { return !x.mantissa.is_zero() && x.mantissa.sign() > 0; }
inline bool is_negative(const REAL_DATA& x) { return !x.mantissa.is_zero() && x.mantissa.sign() < 0; }

inline REAL_DATA negated(const REAL_DATA& x) { return REAL_DATA(x.mantissa.negated(), x.scale); }
inline REAL_DATA magnitude(const REAL_DATA& x) { return is_negative(x) ? negated(x) : x; }

// 2p, the precision of a dividend; a p whose double no scale could hold
// refuses the computation before it starts (std::bad_alloc).
inline int doubled(int p) { return held_scale(2 * int64_t{p}); }

// x with n decimals: cut toward zero, or padded with zeros.
inline REAL_DATA cut(REAL_DATA x, int n) {
    x.set_scale(n);
    return x;
}

// The result rule of every mathematical function: cut toward zero to p
// decimals, then all nines become the next integer away from zero.
inline REAL_DATA final_cut(REAL_DATA x, int p) {
    x.set_scale(p);
    x.round_up_nines();
    return x;
}

// ---- integers -----------------------------------------------------------

INT_DATA pow10(int64_t k);
INT_DATA shifted(const INT_DATA& n, int64_t k);  // n * 10^k, toward zero when k < 0
INT_DATA abs_of(const INT_DATA& n);
int64_t digit_count(const INT_DATA& n);                         // decimal digits of |n|; 1 for 0
INT_DATA floor_quotient(const INT_DATA& a, const INT_DATA& b);  // b != 0
INT_DATA ceil_quotient(const INT_DATA& a, const INT_DATA& b);   // b != 0
INT_DATA integer_sqrt(const INT_DATA& n);                       // floor(sqrt(n)), n >= 0
INT_DATA integer_root(const INT_DATA& n, int64_t k);            // floor(n^(1/k)), n >= 0, k >= 1

// A positive value mid 10^exp known to within err units of 10^exp.
struct FLOATING {
    INT_DATA mid;
    int64_t exp = 0;
    INT_DATA err;
};
// (m 10^exp)^n for m > 0 and n >= 1 by squaring, each product kept to
// `digits` significant digits: the relative error stays near n 10^-digits.
FLOATING floating_power(const INT_DATA& m, int64_t exp, int64_t n, int64_t digits);

// log10 |x| as a double, for sizes and first guesses only; x != 0.
double log10_of(const REAL_DATA& x);

// ---- enclosures ---------------------------------------------------------

// The true value lies within (mid - err, mid + err) * 10^-scale; err >= 0.
struct ENCLOSURE {
    INT_DATA mid;
    int32_t scale = 0;
    INT_DATA err;
};

// Two exact ends around a true value; known is false when the value could
// not be enclosed at this precision (a divisor whose enclosure holds 0).
struct BOUNDS {
    REAL_DATA lo;
    REAL_DATA hi;
    bool known = true;
};

BOUNDS bounds_of(const ENCLOSURE& e);
BOUNDS negated(const BOUNDS& b);
// a / b with its ends pushed outward to s decimals; unknown when b holds 0.
BOUNDS quotient(const BOUNDS& a, const BOUNDS& b, int32_t s);
// The ends of a / b for exact a and b, at s decimals.
REAL_DATA quotient_floor(const REAL_DATA& a, const REAL_DATA& b, int32_t s);
REAL_DATA quotient_ceil(const REAL_DATA& a, const REAL_DATA& b, int32_t s);

// Enclosures at scale s or finer (the returned scale may be larger).
ENCLOSURE exp_enclosure(const REAL_DATA& x, int32_t s);
ENCLOSURE ln_enclosure(const REAL_DATA& x, int32_t s);  // x > 0
ENCLOSURE pi_enclosure(int32_t s);
ENCLOSURE e_enclosure(int32_t s);
ENCLOSURE half_pi_enclosure(int32_t s);
ENCLOSURE atan_enclosure(INT_DATA n, const INT_DATA& d, int32_t s);  // arctan(n / d), d > 0
// arctan of a value known to lie in [lo, hi], 0 <= lo <= hi, at scale s or finer.
ENCLOSURE atan_range(const REAL_DATA& lo, const REAL_DATA& hi, int32_t s);

struct SIN_COS {
    ENCLOSURE sin;
    ENCLOSURE cos;
};
SIN_COS sin_cos_enclosure(const REAL_DATA& x, int32_t s);

// ln over an exact range [lo, hi] of positive values: ln is increasing, so
// the lower end's lower bound and the upper end's upper bound.
BOUNDS ln_bounds(const REAL_DATA& lo, const REAL_DATA& hi, int32_t s);

// Products of values with p decimals have 2p: a precision whose double no
// scale could hold refuses the computation before it starts (std::bad_alloc).
inline void require_room(int p) { doubled(p); }

// Guard digits beyond which decided_cut stops asking: only a value that lies
// on a cut that no exact test caught stays undecided that long.
inline int64_t last_guard(int p) { return 8 * int64_t{p} + 4096; }

// The value that enclose(s) encloses, cut by the result rule at the working
// precision. enclose is asked with s = p + guard digits, the guard growing
// until both ends agree. An enclosure still unknown at the last guard is a
// pole at x.
template <typename ENCLOSE>
REAL_DATA decided_cut(const REAL_DATA& x, int64_t first_guard, ENCLOSE enclose) {
    const int p = working_precision();
    require_room(p);
    for (int64_t guard = first_guard;; guard *= 2) {
        const BOUNDS b = enclose(held_scale(p + guard));
        if (!b.known) {
            if (guard >= last_guard(p)) throw ARITH(ARITH::pole, x.to_text());
            continue;
        }
        REAL_DATA lo = final_cut(b.lo, p);
        REAL_DATA hi = final_cut(b.hi, p);
        // The same value also in the same form: an integer reached by the
        // nines rule (from below) has no decimals, one reached directly has p.
        if ((lo == hi && lo.scale == hi.scale) || guard >= last_guard(p)) return hi;
    }
}

}  // namespace morvu::series
