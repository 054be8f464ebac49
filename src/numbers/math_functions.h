// The mathematical functions of the real type, on REAL_DATA values.
//
// Every function works in exact decimal fixed point at the working precision
// p (read with working_precision() wherever it is needed): series terms and
// intermediate values are cut toward zero to p or 2p decimals, and a quotient
// of two computed values is formed with the dividend at 2p decimals and the
// divisor at p. A series stops at its first term that is zero at p decimals.
// The results are therefore not correctly rounded; their last digits carry
// the truncation errors of the steps, and those steps are fixed: a faster
// route is taken only where it gives the identical value and scale.
//
// The scale of a result follows from its steps: most results have p
// decimals, a few keep the argument's scale (big_sin, big_sinh, big_arctan)
// or one decimal more (big_arccot, big_artanh, big_arcoth), and a few give an
// exact value (big_exp(0) and big_cos(0) are the 1 of scale 0, an integer
// power is exact and not cut).
//
// An argument outside a function's domain throws ARITH (numbers/
// arith_error.h) with the argument's text under the output precision: code 1
// outside the domain, code 0 at a pole or where a divisor is zero. No
// function leaves the working precision changed, on any path; big_tan,
// big_cot, big_tanh and big_coth double it for their numerator and halve it
// before their denominator. pi, e and sqrt(3) depend on nothing but the
// precision and are kept per precision once computed.

#pragma once

#include "numbers/arith_error.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"

namespace morvu {

// Exponentials, logarithms, roots and powers.
REAL_DATA big_e();  // big_exp(1)
REAL_DATA big_exp(const REAL_DATA& x);
REAL_DATA big_sqrt(const REAL_DATA& a);                      // code 1: a < 0
REAL_DATA big_ln(const REAL_DATA& x);                        // code 1: x < 0; code 0: x = 0 ("0.0")
REAL_DATA big_pot(const REAL_DATA& x, const REAL_DATA& y);   // x^y; an exponent of scale 0 is whole
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
REAL_DATA big_artanh(const REAL_DATA& x);  // code 1: |x| > 1; code 0: |x| = 1 or 1 - x below 10^-p
REAL_DATA big_arcoth(const REAL_DATA& x);  // code 1: |x| < 1; code 0: |x| = 1 or x - 1 below 10^-p

}  // namespace morvu
