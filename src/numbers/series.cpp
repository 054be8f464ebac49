// Enclosures of exp, ln, pi, e, arctan, sin and cos in decimal fixed point,
// with every error counted.
//
// A series term at scale w is cut toward zero after each step, which moves
// it by less than one unit; with the ratios of the series below (each term at
// most half the one before) the error carried from step to step stays below
// four units, so a series of n terms is off by at most 4n units plus a tail
// of twice the first term left out. Products of enclosures add their errors
// as |a| eb + |b| ea + ea eb, cut upward.

#include "numbers/series.h"

#include <cmath>
#include <algorithm>
#include <new>
#include <string>

namespace morvu::series {

// ---- integers -----------------------------------------------------------

INT_DATA pow10(int64_t k) { return shifted(INT_DATA(1), k); }

INT_DATA shifted(const INT_DATA& n, int64_t k) {
    if (k == 0) return n;
    if (k > 0) {
        REAL_DATA value(n, 0);
        value.set_scale(held_scale(k));
        return std::move(value.mantissa) + INT_DATA(0);
    }
    REAL_DATA value(n, held_scale(-k));
    value.set_scale(0);
    return std::move(value.mantissa) + INT_DATA(0);
}

INT_DATA abs_of(const INT_DATA& n) { return n < INT_DATA(0) ? n.negated() : n; }

int64_t digit_count(const INT_DATA& n) {
    const std::string& text = n.to_text();
    size_t first = text.find_first_not_of("-0");
    return first == std::string::npos ? 1 : static_cast<int64_t>(text.size() - first);
}

namespace {

bool below_zero(const INT_DATA& n) { return n < INT_DATA(0); }

// Whether a / b is negative and inexact, for the floor and the ceiling.
bool signs_differ(const INT_DATA& a, const INT_DATA& b) { return below_zero(a) != below_zero(b); }

}  // namespace

INT_DATA floor_quotient(const INT_DATA& a, const INT_DATA& b) {
    INT_DATA q = a / b;
    if (!a.is_zero() && signs_differ(a, b) && !(a % b).is_zero()) q -= INT_DATA(1);
    return q;
}

INT_DATA ceil_quotient(const INT_DATA& a, const INT_DATA& b) {
    INT_DATA q = a / b;
    if (!a.is_zero() && !signs_differ(a, b) && !(a % b).is_zero()) q += INT_DATA(1);
    return q;
}

// Below 19 digits machine arithmetic answers; above, the root of n's leading
// half gives an estimate from above that Newton's iteration brings down in
// two or three steps.
INT_DATA integer_sqrt(const INT_DATA& n) {
    const int64_t digits = digit_count(n);
    if (digits <= 18) {
        int64_t v = 0;
        n.to_int64(v);
        uint64_t s = static_cast<uint64_t>(std::sqrt(static_cast<double>(v)));
        while (s * s > static_cast<uint64_t>(v)) --s;
        while ((s + 1) * (s + 1) <= static_cast<uint64_t>(v)) ++s;
        return INT_DATA(static_cast<long>(s));
    }
    const int64_t k = digits / 4;
    const INT_DATA estimate = integer_sqrt(shifted(n, -2 * k)) + INT_DATA(1);
    INT_DATA x = shifted(estimate, k);  // above the root: n < (estimate * 10^k)^2
    const INT_DATA two(2);
    while (true) {
        INT_DATA next = (x + n / x) / two;
        if (next >= x) return x;
        x = std::move(next);
    }
}

// Newton's iteration for the k-th root, started above the root, falls to
// floor(n^(1/k)) and stops there. The start comes from a double estimate with
// a margin, checked, or else from the next power of ten.
INT_DATA integer_root(const INT_DATA& n, int64_t k) {
    if (k == 1 || n <= INT_DATA(1)) return n;
    if (k == 2) return integer_sqrt(n);
    const int64_t digits = digit_count(n);
    if (k > 4 * digits) return INT_DATA(1);  // 2^k already exceeds n
    const INT_DATA exponent(static_cast<long>(k));
    const double size = log10_of(REAL_DATA(n, 0)) / static_cast<double>(k);
    const double whole = std::floor(size);
    const int64_t lead_digits = whole < 15 ? static_cast<int64_t>(whole) : 15;
    INT_DATA x = shifted(
        INT_DATA(static_cast<long>(std::pow(10.0, size - whole + static_cast<double>(lead_digits)) * 1.000001) + 2),
        static_cast<int64_t>(whole) - lead_digits);
    if (x.power(exponent) < n) x = pow10((digits + k - 1) / k);
    const INT_DATA below(static_cast<long>(k - 1));
    while (true) {
        INT_DATA next = (x * below + n / x.power(below)) / exponent;
        if (next >= x) return x;
        x = std::move(next);
    }
}

double log10_of(const REAL_DATA& x) {
    const std::string& text = x.mantissa.to_text();
    const size_t first = text.find_first_not_of("-0");
    if (first == std::string::npos) return -HUGE_VAL;
    const size_t length = text.size() - first;
    const size_t lead = length < 17 ? length : 17;
    const double leading = std::stod(text.substr(first, lead));
    return std::log10(leading) + static_cast<double>(length - lead) - static_cast<double>(x.scale);
}

// ---- bounds -------------------------------------------------------------

BOUNDS bounds_of(const ENCLOSURE& e) {
    return BOUNDS{REAL_DATA(e.mid - e.err, e.scale), REAL_DATA(e.mid + e.err, e.scale), true};
}

BOUNDS negated(const BOUNDS& b) { return BOUNDS{negated(b.hi), negated(b.lo), b.known}; }

namespace {

// a / b as an integer numerator and denominator at s decimals.
void quotient_terms(const REAL_DATA& a, const REAL_DATA& b, int32_t s, INT_DATA& num, INT_DATA& den) {
    const int64_t shift = int64_t{s} + b.scale - a.scale;
    num = shift >= 0 ? shifted(a.mantissa, shift) : a.mantissa;
    den = shift >= 0 ? b.mantissa : shifted(b.mantissa, -shift);
}

bool holds_zero(const BOUNDS& b) { return !is_positive(b.lo) && !is_negative(b.hi); }

}  // namespace

REAL_DATA quotient_floor(const REAL_DATA& a, const REAL_DATA& b, int32_t s) {
    INT_DATA num, den;
    quotient_terms(a, b, s, num, den);
    return REAL_DATA(floor_quotient(num, den), s);
}

REAL_DATA quotient_ceil(const REAL_DATA& a, const REAL_DATA& b, int32_t s) {
    INT_DATA num, den;
    quotient_terms(a, b, s, num, den);
    return REAL_DATA(ceil_quotient(num, den), s);
}

BOUNDS quotient(const BOUNDS& a, const BOUNDS& b, int32_t s) {
    if (!a.known || !b.known || holds_zero(b)) return BOUNDS{REAL_DATA(0), REAL_DATA(0), false};
    BOUNDS result{quotient_floor(a.lo, b.lo, s), quotient_ceil(a.lo, b.lo, s), true};
    for (const REAL_DATA* top : {&a.lo, &a.hi}) {
        for (const REAL_DATA* bottom : {&b.lo, &b.hi}) {
            REAL_DATA low = quotient_floor(*top, *bottom, s);
            REAL_DATA high = quotient_ceil(*top, *bottom, s);
            if (low < result.lo) result.lo = low;
            if (high > result.hi) result.hi = high;
        }
    }
    return result;
}

namespace {

// ---- series -------------------------------------------------------------

ENCLOSURE enclosure_at(INT_DATA mid, int32_t scale, int64_t err) {
    return ENCLOSURE{std::move(mid), scale, INT_DATA(static_cast<long>(err))};
}

// Between lo and hi (at scale w), as a midpoint and a spread.
ENCLOSURE from_range(const INT_DATA& lo, const INT_DATA& hi, int32_t w) {
    INT_DATA mid = floor_quotient(lo + hi, INT_DATA(2));
    return ENCLOSURE{mid, w, hi - mid};
}

// a * b at a's scale (both share it).
ENCLOSURE product(const ENCLOSURE& a, const ENCLOSURE& b) {
    const int32_t w = a.scale;
    INT_DATA spread = abs_of(a.mid) * b.err + abs_of(b.mid) * a.err + a.err * b.err;
    INT_DATA err = ceil_quotient(spread, pow10(w)) + INT_DATA(1);
    return ENCLOSURE{shifted(a.mid * b.mid, -int64_t{w}), w, std::move(err)};
}

ENCLOSURE power(const ENCLOSURE& base, int64_t n) {
    ENCLOSURE result{pow10(base.scale), base.scale, INT_DATA(0)};
    ENCLOSURE square = base;
    for (int64_t rest = n;;) {
        if (rest & 1) result = product(result, square);
        rest >>= 1;
        if (rest == 0) return result;
        square = product(square, square);
    }
}

// An enclosure at scale w taken down to a scale s <= w.
ENCLOSURE coarser(const ENCLOSURE& e, int32_t s) {
    if (e.scale == s) return e;
    const int64_t drop = int64_t{e.scale} - s;
    return ENCLOSURE{shifted(e.mid, -drop), s, shifted(e.err, -drop) + INT_DATA(2)};
}

// sum over k >= 0 of (+-1)^k t^(2k+1) / (2k+1), t = n / d with |t| <= 1/2:
// atanh(t), or arctan(t) when alternating. A short ratio steps by n^2 / d^2
// exactly; a long one by t^2 at scale w.
ENCLOSURE odd_series(const INT_DATA& n, const INT_DATA& d, int32_t w, bool alternating) {
    INT_DATA term = shifted(n, w) / d;
    INT_DATA sum = term;
    const bool short_ratio = digit_count(n) + digit_count(d) <= std::max<int64_t>(60, w / 4);
    const INT_DATA step_up = short_ratio ? n * n : shifted(term * term, -int64_t{w});
    const INT_DATA step_down = short_ratio ? d * d : INT_DATA(1);
    int64_t count = 0;
    for (long k = 1;; ++k) {
        term = short_ratio ? term * step_up / step_down : shifted(term * step_up, -int64_t{w});
        INT_DATA q = term / INT_DATA(2 * k + 1);
        if (q.is_zero()) break;
        if (alternating && (k & 1)) {
            sum -= q;
        } else {
            sum += q;
        }
        ++count;
    }
    return enclosure_at(std::move(sum), w, 4 * count + 8);
}

// e^f for |f| < 1 at scale w, term by term: a short f costs a short product.
ENCLOSURE exp_series(const REAL_DATA& f, int32_t w) {
    INT_DATA sum = pow10(w);
    INT_DATA term = sum;
    int64_t count = 0;
    for (long k = 1;; ++k) {
        term = cut(REAL_DATA(term, w) * f, w).mantissa / INT_DATA(k);
        if (term.is_zero()) break;
        sum += term;
        ++count;
    }
    return enclosure_at(std::move(sum), w, 4 * count + 12);
}

// A constant kept at the finest scale asked so far; coarser requests are cut
// from it.
ENCLOSURE kept_constant(ENCLOSURE& kept, int32_t s, ENCLOSURE (*compute)(int32_t)) {
    if (!kept.mid.is_empty() && kept.scale >= s) return coarser(kept, s);
    kept = compute(s);
    return kept;
}

int32_t with_guard(int64_t s, int64_t extra) {
    return held_scale(s + extra + digit_count(INT_DATA(static_cast<long>(s))) + 3);
}

ENCLOSURE compute_ln2(int32_t s) {
    ENCLOSURE a = odd_series(INT_DATA(1), INT_DATA(3), s, false);  // ln 2 = 2 atanh(1/3)
    return ENCLOSURE{a.mid * INT_DATA(2), s, a.err * INT_DATA(2)};
}

ENCLOSURE ln2_enclosure(int32_t s) {
    static ENCLOSURE kept;
    return kept_constant(kept, s, compute_ln2);
}

ENCLOSURE compute_ln10(int32_t s) {
    // ln 10 = 3 ln 2 + ln 1.25, and ln 1.25 = 2 atanh(1/9)
    ENCLOSURE two = ln2_enclosure(s);
    ENCLOSURE a = odd_series(INT_DATA(1), INT_DATA(9), s, false);
    return ENCLOSURE{two.mid * INT_DATA(3) + a.mid * INT_DATA(2), s, two.err * INT_DATA(3) + a.err * INT_DATA(2)};
}

ENCLOSURE ln10_enclosure(int32_t s) {
    static ENCLOSURE kept;
    return kept_constant(kept, s, compute_ln10);
}

ENCLOSURE compute_pi(int32_t s) {
    // Machin: pi = 16 arctan(1/5) - 4 arctan(1/239)
    ENCLOSURE a = odd_series(INT_DATA(1), INT_DATA(5), s, true);
    ENCLOSURE b = odd_series(INT_DATA(1), INT_DATA(239), s, true);
    return ENCLOSURE{a.mid * INT_DATA(16) - b.mid * INT_DATA(4), s, a.err * INT_DATA(16) + b.err * INT_DATA(4)};
}

ENCLOSURE compute_e(int32_t s) { return exp_series(REAL_DATA(1), s); }

}  // namespace

ENCLOSURE pi_enclosure(int32_t s) {
    static ENCLOSURE kept;
    return kept_constant(kept, s, compute_pi);
}

ENCLOSURE e_enclosure(int32_t s) {
    static ENCLOSURE kept;
    return kept_constant(kept, s, compute_e);
}

ENCLOSURE half_pi_enclosure(int32_t s) {
    ENCLOSURE pi = pi_enclosure(s);
    return ENCLOSURE{pi.mid / INT_DATA(2), s, pi.err / INT_DATA(2) + INT_DATA(1)};
}

// e^x = e^n e^f with n the whole part of x: e^n by squaring, e^f by its
// series. A negative x is 1 / e^-x; one far enough below zero leaves nothing
// at scale s. Every piece carries the digits of e^n beyond s, so that the
// product is exact to s decimals.
ENCLOSURE exp_enclosure(const REAL_DATA& x, int32_t s) {
    if (is_zero(x)) return ENCLOSURE{pow10(s), s, INT_DATA(0)};
    if (is_negative(x)) {
        const double size = log10_of(x);
        if (size > 15 || std::pow(10.0, size) > 2.31 * (static_cast<double>(s) + 2)) {
            return enclosure_at(INT_DATA(0), s, 1);  // e^x < 10^-(s+1)
        }
        const int32_t w = held_scale(int64_t{s} + 2);
        ENCLOSURE e = exp_enclosure(negated(x), w);
        const INT_DATA top = pow10(2 * int64_t{e.scale});
        return from_range(floor_quotient(top, e.mid + e.err), ceil_quotient(top, e.mid - e.err), e.scale);
    }
    // A result of more digits than any number may hold is refused at once.
    if (log10_of(x) > 9.6) throw std::bad_alloc();
    int64_t n = 0;
    cut(x, 0).mantissa.to_int64(n);
    const REAL_DATA f = x - REAL_DATA(INT_DATA(static_cast<long>(n)), 0);
    const int64_t result_digits = n > 0 ? static_cast<int64_t>(static_cast<double>(n) * 0.4342944819032518) + 1 : 0;
    const int32_t w = with_guard(s, result_digits + digit_count(INT_DATA(static_cast<long>(n))) + 4);
    ENCLOSURE result = exp_series(f, w);
    if (n > 0) result = product(power(e_enclosure(w), n), result);
    return result;
}

// ln x = k ln 10 + j ln 2 + ln y with x = m 10^k, m in [1, 10), y = m / 2^j
// near 1, and ln y = 2 atanh((y - 1) / (y + 1)), an exact ratio.
ENCLOSURE ln_enclosure(const REAL_DATA& x, int32_t s) {
    if (x == REAL_DATA(1)) return ENCLOSURE{INT_DATA(0), s, INT_DATA(0)};
    const int64_t digits = digit_count(x.mantissa);
    const int64_t k = digits - 1 - x.scale;
    const REAL_DATA m(abs_of(x.mantissa), held_scale(digits - 1));
    const double lead = std::pow(10.0, log10_of(m));
    const int j = lead < 1.4142 ? 0 : lead < 2.8284 ? 1 : lead < 5.6569 ? 2 : 3;
    static const long fives[] = {1, 5, 25, 125};
    const REAL_DATA y = m * REAL_DATA(INT_DATA(fives[j]), j);
    const int32_t w = with_guard(s, digit_count(INT_DATA(static_cast<long>(k))));
    const INT_DATA one = pow10(y.scale);
    ENCLOSURE a = odd_series(y.mantissa - one, y.mantissa + one, w, false);
    INT_DATA mid = a.mid * INT_DATA(2);
    INT_DATA err = a.err * INT_DATA(2);
    if (j != 0) {
        ENCLOSURE two = ln2_enclosure(w);
        mid += two.mid * INT_DATA(j);
        err += two.err * INT_DATA(j);
    }
    if (k != 0) {
        ENCLOSURE ten = ln10_enclosure(w);
        const INT_DATA times(static_cast<long>(k));
        mid += ten.mid * times;
        err += ten.err * abs_of(times);
    }
    return ENCLOSURE{std::move(mid), w, std::move(err)};
}

BOUNDS ln_bounds(const REAL_DATA& lo, const REAL_DATA& hi, int32_t s) {
    return BOUNDS{bounds_of(ln_enclosure(lo, s)).lo, bounds_of(ln_enclosure(hi, s)).hi, true};
}

// arctan t for t = n / d: at most 1/2 by the series; between 1/2 and 2 as
// pi/4 + arctan((t - 1) / (t + 1)); above 2 as pi/2 - arctan(1 / t).
ENCLOSURE atan_enclosure(INT_DATA n, const INT_DATA& d, int32_t s) {
    const int32_t w = with_guard(s, 0);
    if (n.is_zero()) return ENCLOSURE{INT_DATA(0), w, INT_DATA(0)};
    const bool negative = below_zero(n);
    if (negative) n = n.negated();
    ENCLOSURE result;
    if (n > d * INT_DATA(2)) {
        ENCLOSURE a = odd_series(d, n, w, true);
        ENCLOSURE pi = pi_enclosure(w);
        result = ENCLOSURE{pi.mid / INT_DATA(2) - a.mid, w, pi.err / INT_DATA(2) + INT_DATA(1) + a.err};
    } else if (n * INT_DATA(2) > d) {
        ENCLOSURE a = odd_series(n - d, n + d, w, true);
        ENCLOSURE pi = pi_enclosure(w);
        result = ENCLOSURE{pi.mid / INT_DATA(4) + a.mid, w, pi.err / INT_DATA(4) + INT_DATA(1) + a.err};
    } else {
        result = odd_series(n, d, w, true);
    }
    if (negative) result.mid = result.mid.negated();
    return result;
}

// x = k pi/2 + r with |r| <= pi/4 (about); sin and cos of r by their series,
// then placed by the quadrant k mod 4. The error of pi/2 times k moves r, and
// sin and cos move by no more than r does.
SIN_COS sin_cos_enclosure(const REAL_DATA& x, int32_t s) {
    const bool negative = is_negative(x);
    const REAL_DATA a = magnitude(x);
    const INT_DATA whole = cut(a, 0).mantissa;
    const int32_t w = with_guard(s, whole.is_zero() ? 0 : digit_count(whole) + 1);
    REAL_DATA r = a;
    INT_DATA shift_err(0);
    long quadrant = 0;
    if (a > REAL_DATA(INT_DATA(78), 2)) {
        ENCLOSURE h = half_pi_enclosure(w);
        const INT_DATA am = shifted(a.mantissa, int64_t{w} - a.scale);
        const INT_DATA k = (am * INT_DATA(2) + h.mid) / (h.mid * INT_DATA(2));
        int64_t q = 0;
        (k % INT_DATA(4)).to_int64(q);
        quadrant = static_cast<long>(q);
        r = REAL_DATA(am - k * h.mid, w);
        shift_err = k * h.err + INT_DATA(a.scale > w ? 1 : 0);
    } else if (r.scale > w) {
        r = cut(r, w);
        shift_err = INT_DATA(1);
    }
    REAL_DATA step = negated(r * r);
    if (step.scale > w) step = cut(step, w);
    INT_DATA sin_sum = cut(r, w).mantissa;
    INT_DATA cos_sum = pow10(w);
    int64_t count = 0;
    INT_DATA term = sin_sum;
    for (long k = 1;; ++k) {
        term = cut(REAL_DATA(term, w) * step, w).mantissa / INT_DATA(2 * k * (2 * k + 1));
        if (term.is_zero()) break;
        sin_sum += term;
        ++count;
    }
    term = cos_sum;
    for (long k = 1;; ++k) {
        term = cut(REAL_DATA(term, w) * step, w).mantissa / INT_DATA((2 * k - 1) * (2 * k));
        if (term.is_zero()) break;
        cos_sum += term;
        ++count;
    }
    const INT_DATA err = INT_DATA(static_cast<long>(4 * count + 16)) + shift_err;
    ENCLOSURE sine{sin_sum, w, err};
    ENCLOSURE cosine{cos_sum, w, err};
    auto flipped = [](ENCLOSURE e) {
        e.mid = e.mid.negated();
        return e;
    };
    SIN_COS result;
    switch (quadrant) {
    case 0: result = SIN_COS{sine, cosine}; break;
    case 1: result = SIN_COS{cosine, flipped(sine)}; break;
    case 2: result = SIN_COS{flipped(sine), flipped(cosine)}; break;
    default: result = SIN_COS{flipped(cosine), sine}; break;
    }
    if (negative) result.sin = flipped(result.sin);
    return result;
}

}  // namespace morvu::series
