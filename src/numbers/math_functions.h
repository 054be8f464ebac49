// The mathematical functions of the real type, on REAL_DATA values.
//
// Every result is the exact mathematical value cut toward zero to the
// working precision p (read with working_precision()), then moved to the
// integer of next larger magnitude when all its p decimals are 9: so results
// have p decimals (or none after that move). An exact power to a whole
// exponent of scale 0 is the one exception: big_pot gives it whole, uncut.
// The functions choose their own guard digits (numbers/series.h) and never
// change the working precision.
//
// An argument outside a function's domain throws ARITH (numbers/
// arith_error.h) with the argument's text under the output precision: code 1
// outside the domain, code 0 at a pole or where a divisor is zero. pi, e,
// ln 2 and ln 10 are kept at the finest precision computed so far.

#pragma once

#include "numbers/arith_error.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"

namespace morvu {

// Exponentials, logarithms, roots and powers.
REAL_DATA big_e();  // big_exp(1)
REAL_DATA big_exp(const REAL_DATA& x);
REAL_DATA big_sqrt(const REAL_DATA& a);                     // code 1: a < 0
REAL_DATA big_ln(const REAL_DATA& x);                       // code 1: x < 0; code 0: x = 0 ("0.0")
REAL_DATA big_pot(const REAL_DATA& x, const REAL_DATA& y);  // x^y; an exponent of scale 0 is whole
// x^y cut by the result rule, a whole power too: the digits beyond p of a
// long whole power are never formed.
REAL_DATA big_pot_cut(const REAL_DATA& x, const REAL_DATA& y);
REAL_DATA big_log(const REAL_DATA& x, const REAL_DATA& b);   // logarithm of x to the base b
REAL_DATA big_root(const REAL_DATA& x, const REAL_DATA& n);  // n-th root: big_pot(x, 1/n)

// Rounding. Halves round away from zero; big_round_to expects n >= 0.
INT_DATA big_ceil(const REAL_DATA& x);
INT_DATA big_floor(const REAL_DATA& x);
INT_DATA big_round(const REAL_DATA& x);
REAL_DATA big_round_to(const REAL_DATA& x, int n);

// Trigonometric functions.
REAL_DATA big_pi();
REAL_DATA big_sin(const REAL_DATA& x);
REAL_DATA big_cos(const REAL_DATA& x);
REAL_DATA big_tan(const REAL_DATA& x);     // code 0: the cosine is zero
REAL_DATA big_cot(const REAL_DATA& x);     // code 0: the sine is zero
REAL_DATA big_arcsin(const REAL_DATA& x);  // code 1: |x| > 1
REAL_DATA big_arccos(const REAL_DATA& x);  // code 1: |x| > 1
REAL_DATA big_arctan(const REAL_DATA& x);
REAL_DATA big_arccot(const REAL_DATA& x);

// Hyperbolic functions and their inverses.
REAL_DATA big_sinh(const REAL_DATA& x);
REAL_DATA big_cosh(const REAL_DATA& x);
REAL_DATA big_tanh(const REAL_DATA& x);
REAL_DATA big_coth(const REAL_DATA& x);  // code 0: x = 0
REAL_DATA big_arsinh(const REAL_DATA& x);
REAL_DATA big_arcosh(const REAL_DATA& x);  // code 1: x < 1
REAL_DATA big_artanh(const REAL_DATA& x);  // code 1: |x| > 1; code 0: |x| = 1
REAL_DATA big_arcoth(const REAL_DATA& x);  // code 1: |x| < 1; code 0: |x| = 1

}  // namespace morvu
