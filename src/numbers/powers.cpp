// Exponential, square root, logarithms, powers and roots of REAL_DATA.
//
// Each result is the exact value cut by the result rule at the working
// precision. The square root and every power whose value is a decimal or a
// ratio of whole powers are computed exactly; the others are enclosed and
// decided (numbers/series.h). A logarithm that is an exact decimal (log of 8
// to the base 2) is recognised by raising both sides to whole powers.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "numbers/math_functions.h"
#include "numbers/series.h"

namespace morvu {

using namespace series;

namespace {

// x to a non-negative whole exponent, exact: the mantissa's power by
// squaring, the scale times the exponent.
REAL_DATA whole_power(const REAL_DATA& x, const INT_DATA& exponent) {
    const INT_DATA two(2);
    const bool odd = !(exponent % two).is_zero();
    const INT_DATA one(1);
    if (x.mantissa == one || x.mantissa == one.negated()) {
        if (x.scale == 0) return REAL_DATA((odd && is_negative(x)) ? -1 : 1);
    }
    if (exponent.is_zero()) return REAL_DATA(1);
    // Any other base to an exponent this large could not be held.
    if (digit_count(exponent) > 18) throw std::bad_alloc();
    int64_t e = 0;
    exponent.to_int64(e);
    int64_t product = 0;  // the scale of the power, which no number may exceed
    if (__builtin_mul_overflow(int64_t{x.scale}, e, &product)) throw std::bad_alloc();
    const int32_t scale = held_scale(product);

    INT_DATA result(1);
    INT_DATA base = x.mantissa;
    for (int64_t rest = e;;) {
        if (rest & 1) result = result * base;
        rest >>= 1;
        if (rest == 0) break;
        base = base * base;
    }
    return REAL_DATA(std::move(result), scale);
}

// num / den cut to p decimals and moved by the nines rule; den > 0.
REAL_DATA exact_ratio(const INT_DATA& num, const INT_DATA& den, int p) {
    require_room(p);
    return final_cut(REAL_DATA(shifted(num, p) / den, p), p);
}

// The positive x as a ratio p / q in lowest terms (q a product of 2s and 5s).
void lowest_terms(const REAL_DATA& x, INT_DATA& p, INT_DATA& q) {
    const INT_DATA top = abs_of(x.mantissa);
    const INT_DATA bottom = pow10(x.scale);
    const INT_DATA common = INT_DATA::gcd(top, bottom);
    p = top / common;
    q = bottom / common;
}

// The exact b-th root of n when n has one.
std::optional<INT_DATA> exact_root(const INT_DATA& n, int64_t b) {
    INT_DATA root = integer_root(n, b);
    if (!(root.power(INT_DATA(static_cast<long>(b))) == n)) return std::nullopt;
    return root;
}

// Beyond this many digits an exact power is not tried; its value is then
// enclosed like any other.
constexpr int64_t exact_power_digits = 200'000;

// x^(a/b) for x > 0 when it is a ratio of whole numbers: exactly when x is
// the b-th power of a ratio (a/b in lowest terms), and then it is that
// ratio to the a-th power. Otherwise the power is irrational.
std::optional<REAL_DATA> exact_rational_power(const REAL_DATA& x, const INT_DATA& a, const INT_DATA& b, int p) {
    int64_t up = 0;
    int64_t down = 0;
    if (!a.to_int64(up) || !b.to_int64(down) || down > INT32_MAX) return std::nullopt;
    INT_DATA top, bottom;
    lowest_terms(x, top, bottom);
    const std::optional<INT_DATA> top_root = exact_root(top, down);
    if (!top_root) return std::nullopt;
    const std::optional<INT_DATA> bottom_root = exact_root(bottom, down);
    if (!bottom_root) return std::nullopt;
    // The work of the exact power, in digits; a result that has about as
    // many digits before its point is worth it whatever its size.
    const int64_t times = up < 0 ? -up : up;
    const double size =
        static_cast<double>(times) * (log10_of(REAL_DATA(*top_root, 0)) + log10_of(REAL_DATA(*bottom_root, 0)) + 1e-9);
    const double result_digits = static_cast<double>(up) / static_cast<double>(down) * log10_of(x);
    if (size > std::max(static_cast<double>(exact_power_digits), 2 * result_digits)) return std::nullopt;
    const INT_DATA exponent(static_cast<long>(times));
    const INT_DATA num = (up > 0 ? *top_root : *bottom_root).power(exponent);
    const INT_DATA den = (up > 0 ? *bottom_root : *top_root).power(exponent);
    return exact_ratio(num, den, p);
}

// floor(10^p x^(a/b)) for x > 0 and a short a/b, from the integer b-th root: with
// x^|a| = P / Q, floor(10^p x^(a/b)) is the root of floor(10^(bp) P / Q)
// (of floor(10^(bp) Q / P) for a < 0), for the floor of a root is the root
// of the floor. Exact, whatever the value.
INT_DATA root_floor(const REAL_DATA& x, int64_t a, int64_t b, int64_t p) {
    const int64_t times = a < 0 ? -a : a;
    const REAL_DATA power = whole_power(x, INT_DATA(static_cast<long>(times)));
    const INT_DATA magnitude_part = abs_of(power.mantissa);
    // the radicand's digits, which no number may exceed
    const int64_t shift = held_scale(b * p + power.scale) - power.scale;
    INT_DATA radicand;
    if (a > 0) {
        radicand = shifted(magnitude_part, shift - power.scale);
    } else {
        radicand = shifted(INT_DATA(1), shift + power.scale) / magnitude_part;
    }
    return integer_root(radicand, b);
}

REAL_DATA root_power(const REAL_DATA& x, int64_t a, int64_t b, int p) {
    return final_cut(REAL_DATA(root_floor(x, a, b, p), p), p);
}

// Exponents a/b whose root is worth taking: short roots of short powers.
bool short_root(const INT_DATA& a, const INT_DATA& b, const REAL_DATA& x, int p, int64_t& up, int64_t& down) {
    if (!a.to_int64(up) || !b.to_int64(down) || down < 2 || down > 16 || up > 64 || up < -64) return false;
    const double times = static_cast<double>(up < 0 ? -up : up);
    return times * static_cast<double>(digit_count(x.mantissa)) <= 4.0 * (static_cast<double>(p) + 100.0);
}

REAL_DATA floating_value(const INT_DATA& m, int64_t exp) {
    return exp >= 0 ? REAL_DATA(shifted(m, exp), 0) : REAL_DATA(m, held_scale(-exp));
}

// x^n for x > 0 and n >= 1 by squaring, each product kept to `digits`
// significant digits: the relative error stays near n 10^-digits.
BOUNDS power_bounds(const REAL_DATA& x, int64_t n, int64_t digits) {
    const FLOATING result = floating_power(abs_of(x.mantissa), -int64_t{x.scale}, n, digits);
    return BOUNDS{floating_value(result.mid - result.err, result.exp),
                  floating_value(result.mid + result.err, result.exp), true};
}

// x^n for x > 0 and a whole n, cut by the result rule, without the exact
// power's digits: a power kept to the digits of the result and its guard.
REAL_DATA cut_whole_power(const REAL_DATA& x, int64_t n) {
    const double result_digits = static_cast<double>(n) * log10_of(x);
    if (result_digits > 2e9) throw std::bad_alloc();
    // A power below 10^-(p+1) cuts to zero.
    if (result_digits < -(static_cast<double>(working_precision()) + 3.0))
        return final_cut(REAL_DATA(0), working_precision());
    const int64_t times = n < 0 ? -n : n;
    const int64_t guard = digit_count(INT_DATA(static_cast<long>(times))) + 4;
    return decided_cut(x, 4, [&](int32_t s) {
        // significant digits for s decimals of the result, or of its inverse
        const int64_t digits =
            std::max<int64_t>(20, int64_t{s} + static_cast<int64_t>(std::ceil(result_digits)) + 2 + guard);
        BOUNDS power = power_bounds(x, times, digits);
        if (n > 0) return power;
        const REAL_DATA one(1);
        return BOUNDS{quotient_floor(one, power.hi, s), quotient_ceil(one, power.lo, s), true};
    });
}

// Whether the exact digits of x^n would be many more than the result needs.
bool exact_power_too_long(const REAL_DATA& x, int64_t n, int p) {
    if (n > (int64_t{1} << 40) || n < -(int64_t{1} << 40)) return false;
    const double exact_digits = static_cast<double>(n < 0 ? -n : n) * static_cast<double>(digit_count(x.mantissa));
    const double wanted = static_cast<double>(n) * log10_of(x) + 2.0 * p + 100.0;
    return exact_digits > 4.0 * std::max(wanted, 0.0) + 1000.0;
}

// x^(a/b) for x > 0 and a short root b of a long power: x^q x^(r/b) with
// a = q b + r, 0 <= r < b, the whole power kept to the result's digits and
// the short one's digits from the integer root.
REAL_DATA split_power(const REAL_DATA& x, int64_t a, int64_t b) {
    int64_t q = a / b;
    int64_t r = a % b;
    if (r < 0) {
        r += b;
        --q;
    }
    const double size = log10_of(x);
    const double result_digits = static_cast<double>(a) / static_cast<double>(b) * size;
    if (result_digits > 2e9) throw std::bad_alloc();
    const double whole_size = static_cast<double>(q) * size;
    const double root_size = static_cast<double>(r) / static_cast<double>(b) * size;
    const REAL_DATA one(1);
    return decided_cut(x, 4, [&](int32_t s) {
        const int64_t digits = std::max<int64_t>(20, int64_t{s} + static_cast<int64_t>(std::ceil(result_digits)) +
                                                         digit_count(INT_DATA(static_cast<long>(q))) + 6);
        BOUNDS whole{one, one, true};
        if (q != 0) {
            whole = power_bounds(x, q < 0 ? -q : q, digits);
            if (q < 0) {
                const int32_t w = held_scale(digits - static_cast<int64_t>(std::floor(whole_size)) + 2);
                whole = BOUNDS{quotient_floor(one, whole.hi, w), quotient_ceil(one, whole.lo, w), true};
            }
        }
        BOUNDS part{one, one, true};
        if (r != 0) {
            const int32_t t =
                held_scale(digits + std::max<int64_t>(0, -static_cast<int64_t>(std::floor(root_size))) + 2);
            const INT_DATA low = root_floor(x, r, b, t);
            part = BOUNDS{REAL_DATA(low, t), REAL_DATA(low + INT_DATA(1), t), true};
        }
        return BOUNDS{whole.lo * part.lo, whole.hi * part.hi, true};
    });
}

// x^(a/b) for x > 0, b > 0: exact when it can be, else e^((a/b) ln x),
// with ln x enclosed finely enough for the digits of the result.
REAL_DATA rational_power(const REAL_DATA& x, const INT_DATA& a, const INT_DATA& b) {
    const int p = working_precision();
    if (a.is_zero()) return final_cut(REAL_DATA(1), p);
    int64_t up = 0;
    int64_t down = 0;
    if (short_root(a, b, x, p, up, down)) return root_power(x, up, down, p);
    if (b == INT_DATA(1) && a.to_int64(up) && exact_power_too_long(x, up, p)) return cut_whole_power(x, up);
    if (std::optional<REAL_DATA> exact = exact_rational_power(x, a, b, p)) return *exact;
    if (a.to_int64(up) && b.to_int64(down) && down <= 16 && up < (int64_t{1} << 40) && up > -(int64_t{1} << 40)) {
        return split_power(x, up, down);
    }
    const double size = log10_of(REAL_DATA(a, 0)) - log10_of(REAL_DATA(b, 0));
    const double result_digits = (a < INT_DATA(0) ? -1 : 1) * std::pow(10.0, size) * log10_of(x);
    if (result_digits > 2e9) throw std::bad_alloc();
    const int64_t extra = result_digits > 0 ? static_cast<int64_t>(result_digits) + 1 : 0;
    return decided_cut(x, 4, [&](int32_t s) {
        const int32_t w = held_scale(int64_t{s} + extra + digit_count(a) + 2);
        BOUNDS ln = bounds_of(ln_enclosure(x, w));
        const REAL_DATA ra(a, 0);
        const REAL_DATA rb(b, 0);
        REAL_DATA low = ln.lo * ra;
        REAL_DATA high = ln.hi * ra;
        if (is_negative(ra)) std::swap(low, high);
        const BOUNDS exponent{quotient_floor(low, rb, w), quotient_ceil(high, rb, w), true};
        const int32_t t = held_scale(int64_t{s} + 1);
        return BOUNDS{bounds_of(exp_enclosure(exponent.lo, t)).lo, bounds_of(exp_enclosure(exponent.hi, t)).hi, true};
    });
}

// The logarithm of x to the base b when it is a decimal of at most p digits
// after the point: such a value c = u / v (lowest terms) makes x^v = b^u, which
// whole powers decide. Only the cut nearest to an estimate can be it.
std::optional<REAL_DATA> exact_logarithm(const REAL_DATA& x, const REAL_DATA& b, int p) {
    require_room(p);
    const int32_t s = held_scale(int64_t{p} + 8);
    const BOUNDS estimate = quotient(bounds_of(ln_enclosure(x, s)), bounds_of(ln_enclosure(b, s)), s);
    if (!estimate.known) return std::nullopt;
    const REAL_DATA c = big_round_to(estimate.lo, p);
    INT_DATA u, v;
    lowest_terms(c, u, v);
    if (is_negative(c)) u = u.negated();
    const double size = static_cast<double>(digit_count(v)) + static_cast<double>(digit_count(u));
    if (size > 9) return std::nullopt;
    const double work =
        std::pow(10.0, log10_of(REAL_DATA(v, 0))) * static_cast<double>(digit_count(x.mantissa)) +
        std::pow(10.0, log10_of(REAL_DATA(abs_of(u), 0))) * static_cast<double>(digit_count(b.mantissa));
    if (work > static_cast<double>(exact_power_digits)) return std::nullopt;
    const REAL_DATA left = whole_power(x, v);
    const bool holds = is_negative(c) ? left * whole_power(b, u.negated()) == REAL_DATA(1) : left == whole_power(b, u);
    if (!holds) return std::nullopt;
    return final_cut(c, p);
}

void check_logarithm_argument(const REAL_DATA& x) {
    if (is_negative(x)) throw ARITH(ARITH::out_of_domain, x.to_text());
    if (is_zero(x)) throw ARITH(ARITH::pole, "0.0");
}

}  // namespace

REAL_DATA big_e() {
    return decided_cut(REAL_DATA(1), 4, [](int32_t s) { return bounds_of(e_enclosure(s)); });
}

REAL_DATA big_exp(const REAL_DATA& x) {
    if (is_zero(x)) return final_cut(REAL_DATA(1), working_precision());
    return decided_cut(x, 4, [&](int32_t s) { return bounds_of(exp_enclosure(x, s)); });
}

// floor(sqrt(a * 10^2p)) is the root cut to p decimals, whatever a's scale:
// the root of a cut value cuts to the same integer.
REAL_DATA big_sqrt(const REAL_DATA& a) {
    if (is_negative(a)) throw ARITH(ARITH::out_of_domain, a.to_text());
    const int p = working_precision();
    if (is_zero(a)) return final_cut(REAL_DATA(0), p);
    return final_cut(REAL_DATA(integer_sqrt(cut(a, doubled(p)).mantissa), p), p);
}

REAL_DATA big_ln(const REAL_DATA& x) {
    check_logarithm_argument(x);
    if (x == REAL_DATA(1)) return final_cut(REAL_DATA(0), working_precision());
    return decided_cut(x, 4, [&](int32_t s) { return bounds_of(ln_enclosure(x, s)); });
}

REAL_DATA big_pot(const REAL_DATA& x, const REAL_DATA& y) {
    const bool whole = y.scale == 0;  // the exponent's scale decides, not its decimals
    if ((is_zero(x) && y <= REAL_DATA(0)) || (is_negative(x) && !whole)) {
        throw ARITH(ARITH::out_of_domain, x.to_text());
    }
    if (is_zero(x)) return REAL_DATA(0);
    if (whole && !is_negative(y)) return whole_power(x, y.mantissa);
    if (whole) {
        const REAL_DATA power = whole_power(x, y.mantissa.negated());
        const INT_DATA den = power.mantissa;
        const REAL_DATA reciprocal = exact_ratio(pow10(power.scale), abs_of(den), working_precision());
        return is_negative(power) ? negated(reciprocal) : reciprocal;
    }
    // y = a / b in lowest terms
    const INT_DATA ten_power = pow10(y.scale);
    const INT_DATA common = INT_DATA::gcd(abs_of(y.mantissa), ten_power);
    return rational_power(x, y.mantissa / common, ten_power / common);
}

REAL_DATA big_pot_cut(const REAL_DATA& x, const REAL_DATA& y) {
    int64_t n = 0;
    const int p = working_precision();
    int64_t exact_scale = 0;  // the exact power's, refused by big_pot when no number could hold it
    if (y.scale == 0 && !is_zero(x) && y.mantissa.to_int64(n) && n > -(int64_t{1} << 40) && n < (int64_t{1} << 40) &&
        !__builtin_mul_overflow(int64_t{x.scale}, n < 0 ? -n : n, &exact_scale) && exact_scale <= INT32_MAX &&
        exact_power_too_long(x, n, p)) {
        const REAL_DATA power = cut_whole_power(magnitude(x), n);
        return is_negative(x) && (n & 1) ? negated(power) : power;
    }
    return final_cut(big_pot(x, y), p);
}

REAL_DATA big_log(const REAL_DATA& x, const REAL_DATA& b) {
    check_logarithm_argument(x);
    check_logarithm_argument(b);
    if (b == REAL_DATA(1)) throw ARITH(ARITH::pole, b.to_text());
    const int p = working_precision();
    if (std::optional<REAL_DATA> exact = exact_logarithm(x, b, p)) return *exact;
    return decided_cut(x, 4, [&](int32_t s) {
        const int32_t w = held_scale(int64_t{s} + 2);
        return quotient(bounds_of(ln_enclosure(x, w)), bounds_of(ln_enclosure(b, w)), s);
    });
}

// x^(1/n): 1/n = 10^t / m for n = m 10^-t, brought to lowest terms.
REAL_DATA big_root(const REAL_DATA& x, const REAL_DATA& n) {
    if (is_zero(n)) throw ARITH(ARITH::pole, n.to_text());
    if (is_negative(x) || (is_zero(x) && is_negative(n))) throw ARITH(ARITH::out_of_domain, x.to_text());
    if (is_zero(x)) return final_cut(REAL_DATA(0), working_precision());
    const INT_DATA ten_power = pow10(n.scale);
    const INT_DATA common = INT_DATA::gcd(abs_of(n.mantissa), ten_power);
    INT_DATA a = ten_power / common;
    INT_DATA b = n.mantissa / common;
    if (b < INT_DATA(0)) {
        a = a.negated();
        b = b.negated();
    }
    return rational_power(x, a, b);
}

}  // namespace morvu
