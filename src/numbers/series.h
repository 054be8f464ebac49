// Small steps shared by the mathematical functions of REAL_DATA.
//
// Every function works at the working precision p and cuts its intermediate
// values toward zero; these are the pieces that more than one of them uses:
// the cut itself, sign tests on the mantissa, the guard that restores the
// precision, the power series of sin, cos, sinh and cosh, and the quotient
// that tan, cot, tanh and coth form with the dividend at 2p decimals. The
// last digits of every result depend on these exact steps, so a caller must
// not reorder them. Only src/numbers includes this header.

#pragma once

#include <cstdint>

#include "numbers/arith_error.h"
#include "numbers/real_data.h"
#include "runtime/settings.h"

namespace morvu::series {

inline REAL_DATA half() { return REAL_DATA(INT_DATA(5), 1); }

inline bool is_zero(const REAL_DATA& x) { return x.mantissa.is_zero(); }
inline bool is_positive(const REAL_DATA& x) { return !x.mantissa.is_zero() && x.mantissa.sign() > 0; }
inline bool is_negative(const REAL_DATA& x) { return !x.mantissa.is_zero() && x.mantissa.sign() < 0; }

inline REAL_DATA negated(const REAL_DATA& x) { return REAL_DATA(x.mantissa.negated(), x.scale); }

// 2p, the precision of a dividend; a p whose double no scale could hold
// refuses the computation before it starts (std::bad_alloc).
inline int doubled(int p) { return held_scale(2 * int64_t{p}); }

// x with n decimals: cut toward zero, or padded with zeros.
inline REAL_DATA cut(REAL_DATA x, int n) {
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

// The series of sin, cos, sinh and cosh: the sum and the numerator start at
// sum; each step multiplies the numerator by x*x (cut to p) and the
// denominator by sign * n and n - 1, n starting at first_factor and rising
// by 2. The sum ends at the first term that is zero at p decimals.
REAL_DATA factorial_series(const REAL_DATA& x, REAL_DATA sum, long first_factor, int sign);

// numerator(x) at twice the precision divided by denominator(x) at the
// precision; a zero denominator is a pole at x (ARITH). The working
// precision is the same afterwards on every path.
REAL_DATA doubled_quotient(const REAL_DATA& x, REAL_DATA (*numerator)(const REAL_DATA&),
                           REAL_DATA (*denominator)(const REAL_DATA&));

}  // namespace morvu::series
