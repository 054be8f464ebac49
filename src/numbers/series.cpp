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

// From the base-1000 groups: no decimal text is built.
int64_t digit_count(const INT_DATA& n) {
    int groups = n.limb_count();
    while (groups > 1 && n.limb(groups - 1) == 0) --groups;
    if (groups == 0) return 1;
    const int top = n.limb(groups - 1);
    return int64_t{3} * (groups - 1) + (top >= 100 ? 3 : top >= 10 ? 2 : 1);
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

// f kept to at most `digits` significant digits, the error grown by what
// the cut drops.
void keep_digits(FLOATING& f, int64_t digits) {
    const int64_t drop = digit_count(f.mid) - digits;
    if (drop <= 0) return;
    f.mid = shifted(f.mid, -drop);
    f.err = shifted(f.err, -drop) + INT_DATA(2);
    f.exp += drop;
}

FLOATING floating_product(const FLOATING& f, const FLOATING& g, int64_t digits) {
    FLOATING r{f.mid * g.mid, f.exp + g.exp, f.mid * g.err + g.mid * f.err + f.err * g.err};
    keep_digits(r, digits);
    return r;
}

FLOATING floating_power(const INT_DATA& m, int64_t exp, int64_t n, int64_t digits) {
    FLOATING base{m, exp, INT_DATA(0)};
    keep_digits(base, digits);
    FLOATING result{INT_DATA(1), 0, INT_DATA(0)};
    for (int64_t rest = n;;) {
        if (rest & 1) result = floating_product(result, base, digits);
        rest >>= 1;
        if (rest == 0) return result;
        base = floating_product(base, base, digits);
    }
}

namespace {

// Whether x = floor(n^(1/k)) (0), x is above it (1), or unknown (-1), from
// x^k and x^(k-1) kept to `digits` digits: x^k <= n < x^k + k x^(k-1) <=
// (x + 1)^k decides it; n close to a power leaves it unknown.
int root_check(const INT_DATA& x, int64_t k, const INT_DATA& n, int64_t digits) {
    const FLOATING lower = floating_power(x, 0, k - 1, digits);
    FLOATING full{lower.mid * x, lower.exp, lower.err * x};
    keep_digits(full, digits);
    const INT_DATA n_top = shifted(n, -full.exp);  // n in [n_top, n_top + 1) units
    if (full.mid - full.err > n_top) return 1;
    if (full.mid + full.err > n_top) return -1;
    const INT_DATA step = shifted((lower.mid - lower.err) * INT_DATA(static_cast<long>(k)), lower.exp - full.exp);
    return full.mid - full.err + step > n_top ? 0 : -1;
}

}  // namespace

// Below 19 digits machine arithmetic answers. Above, the root r of n's
// leading part (n without its last 2k digits, k a little below a quarter of
// n's digits) gives x = (r + 1) 10^k, above the root by less than 10^k; one
// Newton step x - (x^2 - n) / 2x then lands within a unit, for the error
// squares (10^2k / 2x < 1), and the remainder n - x^2 settles the last unit.
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
    const int64_t k = (digits - 2) / 4;
    INT_DATA x = shifted(integer_sqrt(shifted(n, -2 * k)) + INT_DATA(1), k);
    const INT_DATA two(2);
    const INT_DATA excess = x * x - n;  // not negative
    x -= excess / (two * x);
    INT_DATA rest = n - x * x;
    const INT_DATA one(1);
    while (rest < INT_DATA(0)) {
        rest += two * x - one;
        x -= one;
    }
    while (rest > two * x) {
        rest -= two * x + one;
        x += one;
    }
    return x;
}

// Newton's iteration for the k-th root. A short n starts from a double
// estimate with a margin, checked, and steps down to floor(n^(1/k)). A long
// one starts from the root of its leading part, above the root by less than
// 10^j with j a little below half the root's digits: one step
// x - (x^k - n) / (k x^(k-1)) then stays above the floor of the root and
// lands within a unit or so of it, and whole powers settle the rest (the
// roots of the leading parts need not be settled: a start a few units of
// 10^j off still lands there).
namespace {

// integer_root; with settle unset, a long n may give a root a unit or two
// off, enough for the estimate of the next longer root.
INT_DATA root_of(const INT_DATA& n, int64_t k, bool settle) {
    if (k == 1 || n <= INT_DATA(1)) return n;
    if (k == 2) return integer_sqrt(n);
    const int64_t digits = digit_count(n);
    if (k > 4 * digits) return INT_DATA(1);  // 2^k already exceeds n
    const INT_DATA exponent(static_cast<long>(k));
    const INT_DATA below(static_cast<long>(k - 1));
    const int64_t root_digits = digits / k;
    const int64_t dropped = (root_digits - 4 - digit_count(exponent)) / 2;
    if (root_digits > 30 && dropped > 0) {
        INT_DATA x = shifted(root_of(shifted(n, -k * dropped), k, false) + INT_DATA(1), dropped);
        // The step from powers kept to the root's digits and a guard: the
        // step is then right to a unit or two, and one less keeps x above.
        const int64_t kept = root_digits + 12 + digit_count(exponent);
        const FLOATING lower = floating_power(x, 0, k - 1, kept);
        const INT_DATA full = lower.mid * x;
        const INT_DATA excess = full - shifted(n, -lower.exp);
        const INT_DATA step = excess / (exponent * lower.mid) - INT_DATA(1);
        if (step > INT_DATA(0)) x -= step;
        if (!settle) return x;
        const INT_DATA one(1);
        for (int tries = 0; tries < 4; ++tries) {
            const int state = root_check(x, k, n, kept);
            if (state == 0) return x;
            if (state < 0) break;
            x -= one;
        }
        while (x.power(exponent) > n) x -= one;
        while ((x + one).power(exponent) <= n) x += one;
        return x;
    }
    const double size = log10_of(REAL_DATA(n, 0)) / static_cast<double>(k);
    const double whole = std::floor(size);
    const int64_t lead_digits = whole < 15 ? static_cast<int64_t>(whole) : 15;
    INT_DATA x = shifted(
        INT_DATA(static_cast<long>(std::pow(10.0, size - whole + static_cast<double>(lead_digits)) * 1.000001) + 2),
        static_cast<int64_t>(whole) - lead_digits);
    if (x.power(exponent) < n) x = pow10((digits + k - 1) / k);
    while (true) {
        INT_DATA next = (x * below + n / x.power(below)) / exponent;
        if (next >= x) return x;
        x = std::move(next);
    }
}

}  // namespace

INT_DATA integer_root(const INT_DATA& n, int64_t k) { return root_of(n, k, true); }

// From the leading base-1000 groups of the mantissa.
double log10_of(const REAL_DATA& x) {
    const INT_DATA& m = x.mantissa;
    int groups = m.limb_count();
    while (groups > 0 && m.limb(groups - 1) == 0) --groups;
    if (groups == 0) return -HUGE_VAL;
    const int taken = std::min(groups, 6);
    double lead = 0;
    for (int i = 1; i <= taken; ++i) lead = lead * 1000.0 + m.limb(groups - i);
    return std::log10(lead) + 3.0 * (groups - taken) - static_cast<double>(x.scale);
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

ENCLOSURE sum(const ENCLOSURE& a, const ENCLOSURE& b) { return ENCLOSURE{a.mid + b.mid, a.scale, a.err + b.err}; }
ENCLOSURE difference(const ENCLOSURE& a, const ENCLOSURE& b) {
    return ENCLOSURE{a.mid - b.mid, a.scale, a.err + b.err};
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

// Binary splitting: the sum over k < n of prod_{j <= k} p(j) / q(j), each
// term divided by b(k), as the exact fraction t / (b q) of the products over
// halves of the range. The numbers stay short at the leaves and the long
// products come last, where the subquadratic multiplication serves them. A
// q is a short factor times a power of ten, whose exponents add up instead
// of being multiplied out: the arguments of the series are decimals.
struct SPLIT {
    INT_DATA p;
    INT_DATA q;
    INT_DATA b;
    INT_DATA t;
    int64_t e = 0;  // q's power of ten
};

struct SERIES_TERM {
    INT_DATA p;
    INT_DATA q;
    INT_DATA b;         // 1 for series without divisors of their own
    int64_t shift = 0;  // q's power of ten
};

template <typename TERM>
SPLIT split(int64_t lo, int64_t hi, const TERM& term, bool divided) {
    if (hi - lo == 1) {
        SERIES_TERM leaf = term(lo);
        INT_DATA t = leaf.p;
        return SPLIT{std::move(leaf.p), std::move(leaf.q), std::move(leaf.b), std::move(t), leaf.shift};
    }
    const int64_t mid = lo + (hi - lo) / 2;
    SPLIT left = split(lo, mid, term, divided);
    SPLIT right = split(mid, hi, term, divided);
    SPLIT both;
    INT_DATA carried = divided ? right.b * right.q * left.t : right.q * left.t;
    both.t = shifted(carried, right.e) + (divided ? left.b * left.p : left.p) * right.t;
    if (divided) both.b = left.b * right.b;
    both.p = left.p * right.p;
    both.q = left.q * right.q;
    both.e = left.e + right.e;
    return both;
}

// The first n terms at scale w, truncated: within one unit of their sum.
template <typename TERM>
INT_DATA split_sum(int64_t n, const TERM& term, bool divided, int32_t w) {
    const SPLIT all = split(0, n, term, divided);
    const INT_DATA den = divided ? all.b * all.q : all.q;
    return shifted(all.t, w - all.e) / den;
}

double log10_int(const INT_DATA& n) { return log10_of(REAL_DATA(n, 0)); }

// Terms of the series of arctan or atanh (n / d) with |n / d| <= 1/2 until
// one falls below 10^-(w+2); each term is at most a quarter of the one
// before, so the rest is below a unit of 10^-w.
int64_t odd_terms(double ratio, int32_t w) {
    return static_cast<int64_t>((static_cast<double>(w) + 3.0) / (2.0 * ratio)) + 2;
}

// sum over k >= 0 of (+-1)^k t^(2k+1) / (2k+1), t = n / (d 10^ds) with
// |t| <= 1/2: atanh(t), or arctan(t) when alternating; exact fractions by
// binary splitting.
ENCLOSURE odd_series_short(const INT_DATA& n, const INT_DATA& d, int64_t ds, int32_t w, bool alternating) {
    if (n.is_zero()) return enclosure_at(INT_DATA(0), w, 0);
    const INT_DATA n2 = alternating ? (n * n).negated() : n * n;
    const INT_DATA d2 = d * d;
    const int64_t count = odd_terms(log10_int(d) + static_cast<double>(ds) - log10_int(abs_of(n)), w);
    INT_DATA sum = split_sum(
        count,
        [&](int64_t k) {
            const INT_DATA b(static_cast<long>(2 * k + 1));
            return k == 0 ? SERIES_TERM{n, d, b, ds} : SERIES_TERM{n2, d2, b, 2 * ds};
        },
        true, w);
    return enclosure_at(std::move(sum), w, 3);
}

// The decimals of the head of a long argument r = rm 10^-scale: with m zero
// decimals before r's first digit, 2m + 2 decimals, so that the head's
// series of about scale / m terms forms numbers of a few times scale digits
// at most; the rest then has about 2m zero decimals, and the heads double.
int64_t head_decimals(const INT_DATA& rm, int64_t scale) {
    const int64_t zeros = scale - digit_count(rm);
    return zeros <= 0 ? std::min<int64_t>(1, scale) : std::min<int64_t>(2 * zeros + 2, scale);
}

// The same for a long t = tm 10^-w known to within te units: t splits into
// a short head h, whose series is summed exactly, and the rest, carried by
// the addition theorem t = h (+) r with r = (t - h) / (1 +- t h), which is
// smaller by the head's digits; its head is about twice as long, and so on. Each
// r is cut (a unit), and both functions move by at most 4/3 of their
// argument's move for |t| <= 1/2.
ENCLOSURE odd_series_long(INT_DATA tm, int32_t w, INT_DATA te, bool alternating) {
    const INT_DATA unit = pow10(w);
    ENCLOSURE total{INT_DATA(0), w, INT_DATA(0)};
    INT_DATA moved = te;  // units the argument has moved so far
    while (!tm.is_zero()) {
        const int64_t keep = head_decimals(tm, w);
        const INT_DATA head = shifted(tm, keep - w);  // toward zero
        total = sum(total, odd_series_short(head, INT_DATA(1), keep, w, alternating));
        if (keep >= w) break;
        // r = (t - h) / (1 +- t h) at scale w
        const INT_DATA h_w = shifted(head, w - keep);
        const INT_DATA th = shifted(tm * h_w, -int64_t{w});
        const INT_DATA den = alternating ? unit + th : unit - th;
        tm = shifted(tm - h_w, w) / den;
        moved += INT_DATA(2);
    }
    total.err += moved * INT_DATA(2);
    return total;
}

// sum over k >= 0 of (+-1)^k t^(2k+1) / (2k+1), t = n / d with |t| <= 1/2:
// atanh(t), or arctan(t) when alternating.
ENCLOSURE odd_series(const INT_DATA& n, const INT_DATA& d, int32_t w, bool alternating) {
    if (digit_count(n) + digit_count(d) <= std::max<int64_t>(60, w / 16)) {
        return odd_series_short(n, d, 0, w, alternating);
    }
    return odd_series_long(shifted(n, w) / d, w, INT_DATA(1), alternating);
}

// e^(u / 10^vs) for |u| <= 10^vs at scale w by binary splitting; from the
// second term on each term is at most half the one before.
INT_DATA exp_short(const INT_DATA& u, int64_t vs, int32_t w) {
    const double ratio = static_cast<double>(vs) - (u.is_zero() ? 0.0 : log10_int(abs_of(u)));  // >= 0
    int64_t n = 1;
    double size = 0;  // log10 of the n-th term's divisor
    while (size < static_cast<double>(w) + 3.0 || n < 3) {
        ++n;
        size += ratio + std::log10(static_cast<double>(n));
    }
    return split_sum(
        n,
        [&](int64_t k) {
            return k == 0 ? SERIES_TERM{INT_DATA(1), INT_DATA(1), INT_DATA(1), 0}
                          : SERIES_TERM{u, INT_DATA(static_cast<long>(k)), INT_DATA(1), vs};
        },
        false, w);
}

// The chunks of f = fm 10^-fs (exact), each as a numerator over its power
// of ten, by head_decimals (the first takes the whole part too).
template <typename USE>
void for_each_chunk(const INT_DATA& fm, int32_t fs, USE use) {
    INT_DATA rest = fm;
    while (!rest.is_zero()) {
        const int64_t keep = head_decimals(rest, fs);
        const INT_DATA head = shifted(rest, keep - fs);
        if (!head.is_zero()) use(head, keep);
        if (keep >= fs) break;
        rest = rest - shifted(head, fs - keep);
    }
}

// e^f for |f| < 1 at scale w: the product of e^c over the chunks c of f,
// each by binary splitting.
ENCLOSURE exp_series(const REAL_DATA& f, int32_t w) {
    ENCLOSURE result{pow10(w), w, INT_DATA(0)};
    bool first = true;
    for_each_chunk(f.mantissa, f.scale, [&](const INT_DATA& head, int64_t digits) {
        ENCLOSURE part{exp_short(head, digits, w), w, INT_DATA(2)};
        result = first ? part : product(result, part);
        first = false;
    });
    return result;
}

// sin and cos of u / 10^vs for |u / 10^vs| <= 2 at scale w by binary
// splitting; from the second term on the terms alternate and fall, so the
// first one left out bounds the rest.
int64_t sin_cos_terms(const INT_DATA& u, int64_t vs, int32_t w, int first_power) {
    const double ratio = static_cast<double>(vs) - (u.is_zero() ? 0.0 : log10_int(abs_of(u)));
    for (int64_t n = 2;; ++n) {
        const double power = static_cast<double>(2 * n + first_power);
        if (power * ratio + std::lgamma(power + 1.0) / std::log(10.0) >= static_cast<double>(w) + 3.0) return n;
    }
}

INT_DATA sin_short(const INT_DATA& u, int64_t vs, int32_t w) {
    const INT_DATA u2 = (u * u).negated();
    return split_sum(
        sin_cos_terms(u, vs, w, 1),
        [&](int64_t k) {
            return k == 0 ? SERIES_TERM{u, INT_DATA(1), INT_DATA(1), vs}
                          : SERIES_TERM{u2, INT_DATA(static_cast<long>(2 * k * (2 * k + 1))), INT_DATA(1), 2 * vs};
        },
        false, w);
}

INT_DATA cos_short(const INT_DATA& u, int64_t vs, int32_t w) {
    const INT_DATA u2 = (u * u).negated();
    return split_sum(
        sin_cos_terms(u, vs, w, 0),
        [&](int64_t k) {
            return k == 0 ? SERIES_TERM{INT_DATA(1), INT_DATA(1), INT_DATA(1), 0}
                          : SERIES_TERM{u2, INT_DATA(static_cast<long>((2 * k - 1) * (2 * k))), INT_DATA(1), 2 * vs};
        },
        false, w);
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

// ln hi exceeds ln lo by at most (hi - lo) / lo, so one logarithm serves.
BOUNDS ln_bounds(const REAL_DATA& lo, const REAL_DATA& hi, int32_t s) {
    ENCLOSURE e = ln_enclosure(lo, s);
    const BOUNDS b = bounds_of(e);
    const REAL_DATA rise = quotient_ceil(hi - lo, lo, e.scale);
    return BOUNDS{b.lo, b.hi + rise, true};
}

namespace {

// arctan of a t in [lo, hi] with |t| <= 1/2, at scale w: the series at the
// middle, moved by at most half the width.
ENCLOSURE atan_small_range(const REAL_DATA& lo, const REAL_DATA& hi, int32_t w) {
    if (lo == hi && digit_count(lo.mantissa) <= std::max<int64_t>(60, w / 16)) {
        return odd_series_short(lo.mantissa, INT_DATA(1), lo.scale, w, true);
    }
    const INT_DATA bottom = quotient_floor(lo, REAL_DATA(1), w).mantissa;
    const INT_DATA top = quotient_ceil(hi, REAL_DATA(1), w).mantissa;
    const ENCLOSURE t = from_range(bottom, top, w);
    return odd_series_long(t.mid, w, t.err + INT_DATA(1), true);
}

}  // namespace

// arctan t for t in [lo, hi], 0 <= lo <= hi, a short range: at most 1/2 by
// the series; between 1/2 and 2 as pi/4 + arctan((t - 1) / (t + 1)); above 2
// as pi/2 - arctan(1 / t). Each map rises with t, so the range maps to a
// range.
ENCLOSURE atan_range(const REAL_DATA& lo, const REAL_DATA& hi, int32_t s) {
    const int32_t w = with_guard(s, 0);
    const REAL_DATA one(1);
    if (hi <= half()) return atan_small_range(lo, hi, w);
    if (lo > REAL_DATA(2)) {
        ENCLOSURE a = atan_small_range(quotient_floor(one, hi, w), quotient_ceil(one, lo, w), w);
        ENCLOSURE pi = pi_enclosure(w);
        return ENCLOSURE{pi.mid / INT_DATA(2) - a.mid, w, pi.err / INT_DATA(2) + INT_DATA(1) + a.err};
    }
    ENCLOSURE a = atan_small_range(quotient_floor(lo - one, lo + one, w), quotient_ceil(hi - one, hi + one, w), w);
    ENCLOSURE pi = pi_enclosure(w);
    return ENCLOSURE{pi.mid / INT_DATA(4) + a.mid, w, pi.err / INT_DATA(4) + INT_DATA(1) + a.err};
}

// arctan(n / d), d > 0.
ENCLOSURE atan_enclosure(INT_DATA n, const INT_DATA& d, int32_t s) {
    if (n.is_zero()) return ENCLOSURE{INT_DATA(0), with_guard(s, 0), INT_DATA(0)};
    const bool negative = below_zero(n);
    if (negative) n = n.negated();
    ENCLOSURE result;
    const int32_t w = with_guard(s, 0);
    if (digit_count(n) + digit_count(d) <= std::max<int64_t>(60, w / 16)) {
        // a short ratio stays exact through the reductions
        const INT_DATA two(2);
        if (n * two <= d) {
            result = odd_series_short(n, d, 0, w, true);
        } else if (n > d * two) {
            ENCLOSURE a = odd_series_short(d, n, 0, w, true);
            ENCLOSURE pi = pi_enclosure(w);
            result = ENCLOSURE{pi.mid / two - a.mid, w, pi.err / two + INT_DATA(1) + a.err};
        } else {
            ENCLOSURE a = odd_series_short(n - d, n + d, 0, w, true);
            ENCLOSURE pi = pi_enclosure(w);
            result = ENCLOSURE{pi.mid / INT_DATA(4) + a.mid, w, pi.err / INT_DATA(4) + INT_DATA(1) + a.err};
        }
    } else {
        const REAL_DATA t_w(n, 0);
        const REAL_DATA d_w(d, 0);
        result = atan_range(quotient_floor(t_w, d_w, w), quotient_ceil(t_w, d_w, w), s);
    }
    if (negative) result.mid = result.mid.negated();
    return result;
}

// An x above 2 becomes k pi/2 + r with |r| <= pi/4 (about); sin and cos of
// r (or of x itself) by their series over the chunks of its digits, then
// placed by the quadrant k mod 4. The error of pi/2 times k moves r, and
// sin and cos move by no more than r does.
SIN_COS sin_cos_enclosure(const REAL_DATA& x, int32_t s) {
    const bool negative = is_negative(x);
    const REAL_DATA a = magnitude(x);
    const INT_DATA whole = cut(a, 0).mantissa;
    const int32_t w = with_guard(s, whole.is_zero() ? 0 : digit_count(whole) + 1);
    REAL_DATA r = a;
    INT_DATA shift_err(0);
    long quadrant = 0;
    if (a > REAL_DATA(2)) {
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
    ENCLOSURE sine{INT_DATA(0), w, shift_err};
    ENCLOSURE cosine{pow10(w), w, shift_err};
    const REAL_DATA reduced = r.scale > w ? cut(r, w) : r;
    for_each_chunk(reduced.mantissa, reduced.scale, [&](const INT_DATA& head, int64_t digits) {
        const ENCLOSURE s_part{sin_short(head, digits, w), w, INT_DATA(2)};
        const ENCLOSURE c_part{cos_short(head, digits, w), w, INT_DATA(2)};
        ENCLOSURE next_sine = sum(product(sine, c_part), product(cosine, s_part));
        cosine = difference(product(cosine, c_part), product(sine, s_part));
        sine = std::move(next_sine);
    });
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
