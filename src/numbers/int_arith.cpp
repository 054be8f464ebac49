// INT_DATA arithmetic on limbs of 10^9: sums and differences, products
// (schoolbook for short operands, Karatsuba for long ones), Knuth's long
// division, powers by repeated squaring, and the compound forms. Operands
// whose magnitudes are machine words take the machine's arithmetic first and
// give a result in the small form whenever it fits a word.

#include <algorithm>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif
#include <cmath>
#include <climits>
#include <new>
#include <vector>

#include "numbers/arith_error.h"
#include "numbers/int_data.h"
#include "numbers/limbs.h"
#include "runtime/memory_pages.h"

namespace morvu {

using namespace limbs;

namespace {

// Below this many limbs in the shorter operand the schoolbook product wins.
constexpr int karatsuba_threshold = 64;

// From this many limbs in both the divisor and the quotient on, a division
// takes the divisor's reciprocal by Newton's iteration: a few products, whose
// cost grows slower than the long division's.
constexpr int newton_division_limbs = 160;

// Compares two trimmed magnitudes.
int compare_limbs(const uint32_t* a, int na, const uint32_t* b, int nb) {
    if (na != nb) return na < nb ? -1 : 1;
    for (int k = na - 1; k >= 0; --k) {
        if (a[k] != b[k]) return a[k] < b[k] ? -1 : 1;
    }
    return 0;
}

// The kernels below work on blocks of this many limbs, staged in buffers on
// the stack: each pass over a block is free of loop-carried dependencies, so
// the compiler vectorises it, and the rare carry that runs on is settled
// afterwards.
constexpr int block_limbs = 256;

// The kernels are built three times: for the baseline processor, for one
// with 256-bit vectors and for one with 512-bit vectors, where a pass
// handles sixteen limbs per instruction. The build the processor can run
// best is chosen once at start-up; until then (and on other processors) the
// baseline build runs. Each kernel is written once as an inlined body;
// KERNEL_BUILDS makes the three builds and the entry point that picks one.
// The sum and the product by one limb have their own 256-bit versions.
#if defined(__x86_64__) && defined(__GNUC__)
#define NARROW_KERNEL __attribute__((target("avx2")))
#if defined(__clang__)
#define WIDE_KERNEL __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,avx512cd")))
#else
#define WIDE_KERNEL __attribute__((target("arch=x86-64-v4,prefer-vector-width=512")))
#endif
#define KERNEL_STEP [[gnu::always_inline]] inline
#define VECTOR_INTRINSICS 1
KERNEL_SET processor_kernels() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq"))
        return KERNEL_SET::wide;
    return __builtin_cpu_supports("avx2") ? KERNEL_SET::narrow : KERNEL_SET::portable;
}
#else
#define NARROW_KERNEL
#define WIDE_KERNEL
#define KERNEL_STEP inline
#define VECTOR_INTRINSICS 0
KERNEL_SET processor_kernels() { return KERNEL_SET::portable; }
#endif
// A build may cap the choice (to time the narrower builds on a processor
// that runs the wider ones).
#ifndef MORVU_WIDEST_KERNELS
#define MORVU_WIDEST_KERNELS 2
#endif
KERNEL_SET best_kernels() { return std::min(processor_kernels(), static_cast<KERNEL_SET>(MORVU_WIDEST_KERNELS)); }
KERNEL_SET kernels = best_kernels();

// The entry point that runs the build in use; KERNEL_BUILDS makes the builds
// too, from the kernel's body.
#define KERNEL_ENTRY(result, name, params, args)            \
    result name params {                                    \
        switch (kernels) {                                  \
        case KERNEL_SET::wide: return name##_wide args;     \
        case KERNEL_SET::narrow: return name##_narrow args; \
        default: return name##_portable args;               \
        }                                                   \
    }
#define KERNEL_BUILDS(result, name, params, args)                          \
    result name##_portable params { return name##_body args; }             \
    NARROW_KERNEL result name##_narrow params { return name##_body args; } \
    WIDE_KERNEL result name##_wide params { return name##_body args; }     \
    KERNEL_ENTRY(result, name, params, args)

// The serial passes that settle what a block pass left over: limbs equal to
// limb_base give their carry on, negative limbs borrow from the next. Each
// returns what leaves the top limb.
KERNEL_STEP uint32_t settle_carries(uint32_t* r, int n) {
    uint32_t c = 0;
    for (int j = 0; j < n; ++j) {
        const uint32_t v = r[j] + c;
        c = v >= limb_base;
        r[j] = c ? v - limb_base : v;
    }
    return c;
}

KERNEL_STEP int32_t settle_borrows(int32_t* out, int n) {
    constexpr int32_t base = static_cast<int32_t>(limb_base);
    int32_t c = 0;
    for (int j = 0; j < n; ++j) {
        const int32_t v = out[j] - c;
        c = v < 0;
        out[j] = c ? v + base : v;
    }
    return c;
}

// Normalises a block of raw column sums, each below 2 * limb_base, into r:
// every column gives its excess to the next at once, and a column that the
// incoming excess lifts to limb_base is settled by a serial pass, which is
// rare. carry (0 or 1) enters the first column; returns the carry out.
KERNEL_STEP uint32_t settle_block(uint32_t* r, const uint32_t* raw, int n, uint32_t carry) {
    r[0] = raw[0] - (raw[0] >= limb_base ? limb_base : 0) + carry;
    for (int j = 1; j < n; ++j) r[j] = raw[j] - (raw[j] >= limb_base ? limb_base : 0) + (raw[j - 1] >= limb_base);
    uint32_t out = raw[n - 1] >= limb_base;
    uint32_t full = 0;
    for (int j = 0; j < n; ++j) full |= r[j] == limb_base;
    if (full != 0) out |= settle_carries(r, n);
    return out;
}

// r[0, n) = a + b over n >= 1 columns; returns the carry out of the last.
// One pass: each column's sum gives up its excess and takes the excess of
// the column below, read from the operands again; a column that this lifts
// to limb_base is settled by a serial pass, which is rare.
KERNEL_STEP uint32_t add_columns_body(uint32_t* r, const uint32_t* a, const uint32_t* b, int n) {
    uint32_t sum = a[0] + b[0];
    r[0] = sum - (sum >= limb_base ? limb_base : 0);
    uint32_t full = 0;
    for (int j = 1; j < n; ++j) {
        const uint32_t s = a[j] + b[j];
        const uint32_t below = a[j - 1] + b[j - 1];
        const uint32_t v = s - (s >= limb_base ? limb_base : 0) + (below >= limb_base);
        r[j] = v;
        full |= v == limb_base;
    }
    sum = a[n - 1] + b[n - 1];
    uint32_t carry = sum >= limb_base;
    if (full != 0) carry |= settle_carries(r, n);
    return carry;
}

#if VECTOR_INTRINSICS
// The same with 512-bit vectors: the excess of each column is a lane of 0 or
// 1, moved one lane up (the top lane into the next block) to become the
// next column's carry, so every limb is read once.
[[gnu::always_inline]] WIDE_KERNEL inline __m512i add_column_block(const uint32_t* a, const uint32_t* b, int j,
                                                                   __mmask16 lanes, __m512i& excess, __mmask16& over,
                                                                   __mmask16& full) {
    const __m512i base = _mm512_set1_epi32(static_cast<int>(limb_base));
    __m512i s = _mm512_add_epi32(_mm512_maskz_loadu_epi32(lanes, a + j), _mm512_maskz_loadu_epi32(lanes, b + j));
    over = _mm512_cmpge_epu32_mask(s, base);
    s = _mm512_mask_sub_epi32(s, over, s, base);
    const __m512i own = _mm512_maskz_mov_epi32(over, _mm512_set1_epi32(1));
    // The zero-masking form under a full mask is the plain shift; the plain
    // intrinsic's undefined filler trips g++'s uninitialised-use warning.
    s = _mm512_add_epi32(s, _mm512_maskz_alignr_epi32(0xFFFF, own, excess, 15));
    excess = own;
    full = _kor_mask16(full, _mm512_cmpeq_epi32_mask(s, base));
    return s;
}

WIDE_KERNEL uint32_t add_columns_wide(uint32_t* r, const uint32_t* a, const uint32_t* b, int n) {
    __m512i excess = _mm512_setzero_si512();
    __mmask16 over = _cvtu32_mask16(0);
    __mmask16 full = _cvtu32_mask16(0);
    int j = 0;
    for (; j + 16 <= n; j += 16)
        _mm512_storeu_si512(r + j, add_column_block(a, b, j, _cvtu32_mask16(0xffffu), excess, over, full));
    int last = 15;
    if (j < n) {
        const __mmask16 lanes = _cvtu32_mask16((1u << (n - j)) - 1);
        _mm512_mask_storeu_epi32(r + j, lanes, add_column_block(a, b, j, lanes, excess, over, full));
        last = n - j - 1;
    }
    uint32_t carry = _cvtmask16_u32(over) >> last & 1;
    if (_cvtmask16_u32(full) != 0) carry |= settle_carries(r, n);
    return carry;
}
// The same with 256-bit vectors: the excess of each column is a lane of -1
// or 0, moved one lane up as in add_columns_wide. A column lifted to
// limb_base is the largest value a column can take, so the lanes' maximum
// tells whether any was.
// v moved one lane up: lane 0 takes the top lane of the vector before,
// which below holds in its lane 0 and then takes over from v.
[[gnu::always_inline]] NARROW_KERNEL inline __m256i lanes_up(__m256i v, __m256i& below) {
    const __m256i moved = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(7, 0, 1, 2, 3, 4, 5, 6));
    const __m256i out = _mm256_blend_epi32(moved, below, 1);
    below = moved;
    return out;
}

// Settles eight column sums, each below 2 * limb_base: a column gives its
// excess to the next one, the top column through excess_below into the next
// eight, and largest keeps the greatest column settled.
[[gnu::always_inline]] NARROW_KERNEL inline __m256i settle_columns(__m256i s, __m256i& excess_below, __m256i& largest) {
    const __m256i base = _mm256_set1_epi32(static_cast<int>(limb_base));
    const __m256i excess = _mm256_cmpgt_epi32(s, _mm256_set1_epi32(static_cast<int>(limb_base - 1)));
    s = _mm256_sub_epi32(s, _mm256_and_si256(excess, base));
    s = _mm256_sub_epi32(s, lanes_up(excess, excess_below));  // the masks are -1 where set
    largest = _mm256_max_epu32(largest, s);
    return s;
}

// Eight columns of the sum from column j >= 1 on, settled: each column's
// sum gives up its excess and takes the excess of the column below, whose
// sum is read again one limb lower (two more loads instead of moving a
// mask across the lanes, which costs more). largest keeps the greatest
// column settled, as in settle_columns.
[[gnu::always_inline]] NARROW_KERNEL inline __m256i sum_columns(const uint32_t* a, const uint32_t* b, int j,
                                                                __m256i& largest) {
    const __m256i base = _mm256_set1_epi32(static_cast<int>(limb_base));
    const __m256i s = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + j)),
                                       _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + j)));
    const __m256i below = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + j - 1)),
                                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + j - 1)));
    // Below limb_base, s - limb_base wraps above s: the minimum is s settled.
    __m256i v = _mm256_min_epu32(s, _mm256_sub_epi32(s, base));
    v = _mm256_sub_epi32(v, _mm256_cmpgt_epi32(below, _mm256_set1_epi32(static_cast<int>(limb_base - 1))));
    largest = _mm256_max_epu32(largest, v);
    return v;
}

// r shares no limb with a or b: the columns below are read again after
// their results are stored.
NARROW_KERNEL uint32_t add_columns_narrow(uint32_t* r, const uint32_t* a, const uint32_t* b, int n) {
    const __m256i base = _mm256_set1_epi32(static_cast<int>(limb_base));
    __m256i largest = _mm256_setzero_si256();
    __m256i other_largest = _mm256_setzero_si256();  // of the second vector of a pair
    const uint32_t first = a[0] + b[0];
    r[0] = first >= limb_base ? first - limb_base : first;
    int j = 1;
    for (; j + 16 <= n; j += 16) {
        const __m256i low = sum_columns(a, b, j, largest);
        const __m256i high = sum_columns(a, b, j + 8, other_largest);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + j), low);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + j + 8), high);
    }
    if (j + 8 <= n) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + j), sum_columns(a, b, j, largest));
        j += 8;
    }
    // The excess of the last column summed, lifts aside (the serial pass
    // below settles them).
    uint32_t carry = a[j - 1] + b[j - 1] >= limb_base;
    for (; j < n; ++j) {
        const uint32_t s = a[j] + b[j] + carry;
        carry = s >= limb_base;
        r[j] = carry ? s - limb_base : s;
    }
    const __m256i full = _mm256_cmpeq_epi32(_mm256_max_epu32(largest, other_largest), base);
    if (!_mm256_testz_si256(full, full)) carry |= settle_carries(r, n);
    return carry;
}
uint32_t add_columns_portable(uint32_t* r, const uint32_t* a, const uint32_t* b, int n) {
    return add_columns_body(r, a, b, n);
}
KERNEL_ENTRY(uint32_t, add_columns, (uint32_t * r, const uint32_t* a, const uint32_t* b, int n), (r, a, b, n))
#else
KERNEL_BUILDS(uint32_t, add_columns, (uint32_t * r, const uint32_t* a, const uint32_t* b, int n), (r, a, b, n))
#endif

// r = a + b with na >= nb; r has room for na + 1 limbs and shares none with
// a or b.
void add_limbs(uint32_t* r, const uint32_t* a, int na, const uint32_t* b, int nb) {
    uint32_t carry = add_columns(r, a, b, nb);
    int i = nb;
    // The columns of a alone: the carry runs on through limbs of 999999999.
    for (; carry != 0 && i < na; ++i) {
        const uint32_t v = a[i] + 1;
        carry = v == limb_base;
        r[i] = carry ? 0 : v;
    }
    std::copy(a + i, a + na, r + i);
    r[na] = carry;
}

// Settles a block of raw column differences, each above -limb_base, into r
// as settle_block settles sums: a negative column borrows from the next at
// once, and a column that the incoming borrow takes below zero is settled by
// a serial pass. borrow (0 or 1) leaves the first column; returns the borrow
// out.
KERNEL_STEP uint32_t settle_difference(uint32_t* r, const int32_t* raw, int n, uint32_t borrow) {
    constexpr int32_t base = static_cast<int32_t>(limb_base);
    int32_t* out = reinterpret_cast<int32_t*>(r);
    out[0] = raw[0] + (raw[0] < 0 ? base : 0) - static_cast<int32_t>(borrow);
    for (int j = 1; j < n; ++j) out[j] = raw[j] + (raw[j] < 0 ? base : 0) - (raw[j - 1] < 0);
    uint32_t result = raw[n - 1] < 0;
    int32_t below = 0;
    for (int j = 0; j < n; ++j) below |= out[j];
    if (below < 0) result |= static_cast<uint32_t>(settle_borrows(out, n));
    return result;
}

// r = a - b with na >= nb; r may be a or b. Returns the borrow out, 0 when
// a >= b as numbers; otherwise r holds a - b + limb_base^na.
KERNEL_STEP uint32_t sub_limbs_body(uint32_t* r, const uint32_t* a, int na, const uint32_t* b, int nb) {
    int32_t raw[block_limbs];
    uint32_t borrow = 0;
    for (int start = 0; start < na; start += block_limbs) {
        const int n = std::min(block_limbs, na - start);
        const int both = std::clamp(nb - start, 0, n);
        const uint32_t* pa = a + start;
        const uint32_t* pb = b + start;
        if (both == 0 && borrow == 0) {
            // Only a's limbs are left and nothing borrows from them.
            if (r != a) std::copy(pa, a + na, r + start);
            break;
        }
        for (int j = 0; j < both; ++j) raw[j] = static_cast<int32_t>(pa[j]) - static_cast<int32_t>(pb[j]);
        for (int j = both; j < n; ++j) raw[j] = static_cast<int32_t>(pa[j]);
        borrow = settle_difference(r + start, raw, n, borrow);
    }
    return borrow;
}
KERNEL_BUILDS(uint32_t, sub_limbs, (uint32_t * r, const uint32_t* a, int na, const uint32_t* b, int nb),
              (r, a, na, b, nb))

// dst += src, the carry running on within dst; the sum must fit in dst.
void add_into(uint32_t* dst, int dst_len, const uint32_t* src, int src_len) {
    uint32_t carry = 0;
    int i = 0;
    for (; i < src_len; ++i) {
        uint32_t s = dst[i] + src[i] + carry;
        carry = s >= limb_base;
        dst[i] = carry ? s - limb_base : s;
    }
    for (; carry && i < dst_len; ++i) {
        uint32_t s = dst[i] + 1;
        carry = s >= limb_base;
        dst[i] = carry ? 0 : s;
    }
}

int significant_length(const uint32_t* a, int n) {
    while (n > 1 && a[n - 1] == 0) --n;
    return n;
}

// r (na + nb limbs, zero on entry) = a * b, column by column. Products of
// two limbs stay below 10^18, so sixteen of them and a carry fit 64 bits;
// the column is reduced to a limb and a carry once per sixteen products
// instead of once per product.
void mul_schoolbook(uint32_t* r, const uint32_t* a, int na, const uint32_t* b, int nb) {
    uint64_t carry = 0;
    for (int k = 0; k < na + nb - 1; ++k) {
        int i = std::max(0, k - nb + 1);
        const int last = std::min(k, na - 1);
        uint64_t low = carry;
        uint64_t high = 0;
        while (i <= last) {
            const int stop = std::min(last, i + 15);
            for (; i <= stop; ++i) low += uint64_t{a[i]} * b[k - i];
            high += low / limb_base;
            low %= limb_base;
        }
        r[k] = static_cast<uint32_t>(low);
        carry = high;
    }
    r[na + nb - 1] = static_cast<uint32_t>(carry);
}

void mul_limbs(uint32_t* r, const uint32_t* a, int na, const uint32_t* b, int nb);
uint32_t mul_small(uint32_t* r, const uint32_t* a, int n, uint32_t m);

// Karatsuba on operands of similar length (na >= nb > na / 2); r zero on entry.
void mul_karatsuba(uint32_t* r, const uint32_t* a, int na, const uint32_t* b, int nb) {
    const int m = na / 2;
    const uint32_t* a0 = a;
    const uint32_t* a1 = a + m;
    const uint32_t* b0 = b;
    const uint32_t* b1 = b + m;
    const int na1 = na - m;
    const int nb1 = nb - m;

    mul_limbs(r, a0, m, b0, m);              // z0 in r[0, 2m)
    mul_limbs(r + 2 * m, a1, na1, b1, nb1);  // z2 in r[2m, na + nb)

    std::vector<uint32_t> sa(na1 + 1), sb(std::max(m, nb1) + 1);
    add_limbs(sa.data(), a1, na1, a0, m);
    if (nb1 >= m) {
        add_limbs(sb.data(), b1, nb1, b0, m);
    } else {
        add_limbs(sb.data(), b0, m, b1, nb1);
    }
    int lsa = significant_length(sa.data(), static_cast<int>(sa.size()));
    int lsb = significant_length(sb.data(), static_cast<int>(sb.size()));
    std::vector<uint32_t> z1(lsa + lsb, 0);
    mul_limbs(z1.data(), sa.data(), lsa, sb.data(), lsb);
    int lz1 = static_cast<int>(z1.size());

    // z1 -= z0 + z2, both of which lie in r already.
    int lz0 = significant_length(r, 2 * m);
    sub_limbs(z1.data(), z1.data(), lz1, r, lz0);
    int lz2 = significant_length(r + 2 * m, na1 + nb1);
    sub_limbs(z1.data(), z1.data(), lz1, r + 2 * m, lz2);

    lz1 = significant_length(z1.data(), lz1);
    add_into(r + m, na + nb - m, z1.data(), lz1);
}

// r (na + nb limbs, zero on entry) = a * b.
void mul_limbs(uint32_t* r, const uint32_t* a, int na, const uint32_t* b, int nb) {
    if (na < nb) {
        std::swap(a, b);
        std::swap(na, nb);
    }
    if (nb == 1) {
        r[na] = mul_small(r, a, na, b[0]);
        return;
    }
    if (nb < karatsuba_threshold) {
        mul_schoolbook(r, a, na, b, nb);
        return;
    }
    if (na >= 2 * nb) {
        // A long operand by a short one: slices of the short one's length.
        std::vector<uint32_t> piece(2 * static_cast<size_t>(nb));
        for (int start = 0; start < na; start += nb) {
            int len = std::min(nb, na - start);
            std::fill(piece.begin(), piece.begin() + len + nb, 0u);
            mul_limbs(piece.data(), a + start, len, b, nb);
            add_into(r + start, na + nb - start, piece.data(), significant_length(piece.data(), len + nb));
        }
        return;
    }
    mul_karatsuba(r, a, na, b, nb);
}

// Splits each product a[j] * m (limb and factor at most limb_base) into its
// low limb and its high limb, apart from the other products: the quotient by
// the base is estimated in double precision (off by at most one either way,
// as both are below 2^30) and corrected from the exact low 32 bits of the
// remainder, which lies within (-limb_base, 2 * limb_base) and so fits a
// signed 32-bit word. factor is m / limb_base.
KERNEL_STEP void split_products(const uint32_t* a, int n, uint32_t m, double factor, uint32_t* low, uint32_t* high) {
    for (int j = 0; j < n; ++j) {
        int32_t q = static_cast<int32_t>(static_cast<double>(static_cast<int32_t>(a[j])) * factor);
        int32_t rest = static_cast<int32_t>(a[j] * m - static_cast<uint32_t>(q) * limb_base);
        const int32_t under = rest < 0;
        const int32_t over = rest >= static_cast<int32_t>(limb_base);
        rest += (under - over) * static_cast<int32_t>(limb_base);
        q += over - under;
        low[j] = static_cast<uint32_t>(rest);
        high[j] = static_cast<uint32_t>(q);
    }
}

// r = a * m for a single factor m of at most limb_base (r may be a); returns
// the carry out. The columns (a low limb plus the high limb of the column
// below) are settled as sums.
KERNEL_STEP uint32_t mul_small_body(uint32_t* r, const uint32_t* a, int n, uint32_t m) {
    const double factor = static_cast<double>(m) / limb_base;
    uint32_t low[block_limbs];
    uint32_t high[block_limbs];
    uint32_t raw[block_limbs];
    uint32_t high_below = 0;
    uint32_t carry = 0;
    for (int start = 0; start < n; start += block_limbs) {
        const int len = std::min(block_limbs, n - start);
        split_products(a + start, len, m, factor, low, high);
        raw[0] = low[0] + high_below;
        for (int j = 1; j < len; ++j) raw[j] = low[j] + high[j - 1];
        high_below = high[len - 1];
        carry = settle_block(r + start, raw, len, carry);
    }
    return high_below + carry;
}
#if VECTOR_INTRINSICS
// The end of a vector pass of r = a * m: the columns from j on one at a
// time, from the exact carry into column j, then the serial settling when
// the pass lifted a column to limb_base. Returns the carry out.
KERNEL_STEP uint32_t finish_product(uint32_t* r, const uint32_t* a, int j, int n, uint32_t m, uint64_t carry,
                                    bool lifted) {
    for (; j < n; ++j) {
        const uint64_t column = uint64_t{a[j]} * m + carry;
        r[j] = static_cast<uint32_t>(column % limb_base);
        carry = column / limb_base;
    }
    if (lifted) carry += settle_carries(r, n);
    return static_cast<uint32_t>(carry);
}

// mul_small_body in one pass of 256-bit vectors, for a factor m below limb_base.
// The high limb of a[j] * m is estimated as the top half of a[j] * mr, mr
// being m * 2^32 / limb_base rounded down: the estimate falls short of the
// quotient by less than a[j] / 2^32 < 1/4, so it is the quotient or one less,
// which the low limb (exact in 32 bits, below 2 * limb_base) corrects. Each
// column then sums its low limb with the high limb of the column below and
// settles as add_columns_narrow does. r may be a: a block is read before it
// is written, and nothing below it is read again.
NARROW_KERNEL uint32_t mul_small_narrow(uint32_t* r, const uint32_t* a, int n, uint32_t m) {
    if (m >= limb_base) return mul_small_body(r, a, n, m);
    const __m256i reciprocal = _mm256_set1_epi64x(static_cast<int64_t>((uint64_t{m} << 32) / limb_base));
    const __m256i factor = _mm256_set1_epi32(static_cast<int>(m));
    const __m256i base = _mm256_set1_epi32(static_cast<int>(limb_base));
    const __m256i top = _mm256_set1_epi32(static_cast<int>(limb_base - 1));
    __m256i high_below = _mm256_setzero_si256();  // lane 0: the high limb of the column below
    __m256i excess_below = _mm256_setzero_si256();
    __m256i largest = _mm256_setzero_si256();
    int j = 0;
    for (; j + 8 <= n; j += 8) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + j));
        // The top halves of the even lanes' products, then the odd lanes'.
        const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(x, reciprocal), 32);
        const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(x, 32), reciprocal);
        __m256i high = _mm256_blend_epi32(even, odd, 0xAA);
        __m256i low = _mm256_sub_epi32(_mm256_mullo_epi32(x, factor), _mm256_mullo_epi32(high, base));
        const __m256i short_by_one = _mm256_cmpgt_epi32(low, top);
        low = _mm256_sub_epi32(low, _mm256_and_si256(short_by_one, base));
        high = _mm256_sub_epi32(high, short_by_one);  // the mask is -1 where set
        const __m256i s = _mm256_add_epi32(low, lanes_up(high, high_below));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + j), settle_columns(s, excess_below, largest));
    }
    const uint64_t carry = static_cast<uint32_t>(_mm256_cvtsi256_si32(high_below)) -
                           static_cast<uint32_t>(_mm256_cvtsi256_si32(excess_below));
    const __m256i full = _mm256_cmpeq_epi32(largest, base);
    return finish_product(r, a, j, n, m, carry, !_mm256_testz_si256(full, full));
}
// The same one pass with 512-bit vectors: sixteen columns at a time, the
// corrections and the excess of each column held in masks. The excess moves
// one lane up as a bit of the mask, the top one into the next sixteen.
WIDE_KERNEL uint32_t mul_small_wide(uint32_t* r, const uint32_t* a, int n, uint32_t m) {
    if (m >= limb_base) return mul_small_body(r, a, n, m);
    const __m512i reciprocal = _mm512_set1_epi64(static_cast<int64_t>((uint64_t{m} << 32) / limb_base));
    const __m512i factor = _mm512_set1_epi32(static_cast<int>(m));
    const __m512i base = _mm512_set1_epi32(static_cast<int>(limb_base));
    const __m512i one = _mm512_set1_epi32(1);
    __m512i high_below = _mm512_setzero_si512();  // lane 15: the high limb of the column below
    uint32_t excess_below = 0;                    // the excess of the column below, 0 or 1
    __mmask16 full = _cvtu32_mask16(0);
    int j = 0;
    for (; j + 16 <= n; j += 16) {
        const __m512i x = _mm512_loadu_si512(a + j);
        // The top halves of the even lanes' products, then the odd lanes'.
        // (The zero-masking forms under full masks are the plain ones, whose
        // undefined filler trips g++'s uninitialised-use warning.)
        const __mmask8 all = _cvtu32_mask8(0xFFu);
        const __m512i even = _mm512_maskz_srli_epi64(all, _mm512_maskz_mul_epu32(all, x, reciprocal), 32);
        const __m512i odd = _mm512_maskz_mul_epu32(all, _mm512_maskz_srli_epi64(all, x, 32), reciprocal);
        __m512i high = _mm512_mask_blend_epi32(_cvtu32_mask16(0xAAAAu), even, odd);
        __m512i low = _mm512_sub_epi32(_mm512_mullo_epi32(x, factor), _mm512_mullo_epi32(high, base));
        const __mmask16 short_by_one = _mm512_cmpge_epu32_mask(low, base);
        low = _mm512_mask_sub_epi32(low, short_by_one, low, base);
        high = _mm512_mask_add_epi32(high, short_by_one, high, one);
        __m512i s = _mm512_add_epi32(low, _mm512_maskz_alignr_epi32(_cvtu32_mask16(0xFFFFu), high, high_below, 15));
        high_below = high;
        const __mmask16 excess = _mm512_cmpge_epu32_mask(s, base);
        s = _mm512_mask_sub_epi32(s, excess, s, base);
        const uint32_t bits = _cvtmask16_u32(excess);
        s = _mm512_mask_add_epi32(s, _cvtu32_mask16((bits << 1 | excess_below) & 0xFFFFu), s, one);
        excess_below = bits >> 15;
        full = _kor_mask16(full, _mm512_cmpeq_epi32_mask(s, base));
        _mm512_storeu_si512(r + j, s);
    }
    const __m128i top_lanes = _mm512_maskz_extracti32x4_epi32(_cvtu32_mask8(0xFu), high_below, 3);
    const uint64_t carry = static_cast<uint32_t>(_mm_extract_epi32(top_lanes, 3)) + uint64_t{excess_below};
    return finish_product(r, a, j, n, m, carry, _cvtmask16_u32(full) != 0);
}
uint32_t mul_small_portable(uint32_t* r, const uint32_t* a, int n, uint32_t m) { return mul_small_body(r, a, n, m); }
KERNEL_ENTRY(uint32_t, mul_small, (uint32_t * r, const uint32_t* a, int n, uint32_t m), (r, a, n, m))
#else
KERNEL_BUILDS(uint32_t, mul_small, (uint32_t * r, const uint32_t* a, int n, uint32_t m), (r, a, n, m))
#endif

// r[0 .. n] -= a[0 .. n - 1] * m for a factor m of at most limb_base, the
// step of the long division. Each column loses a low limb and the high limb
// of the column below, so its raw difference lies above -2 * limb_base and
// borrows 0, 1 or 2 from the next; a column that the incoming borrow takes
// below zero is settled by a serial pass, which is rare. Returns the borrow
// out of r[n]: 0 when a * m <= r, else 1 and r holds r - a * m + base^(n+1).
KERNEL_STEP uint32_t sub_mul_small_body(uint32_t* r, const uint32_t* a, int n, uint32_t m) {
    constexpr int32_t base = static_cast<int32_t>(limb_base);
    const double factor = static_cast<double>(m) / limb_base;
    uint32_t low[block_limbs];
    // high[0] is the high limb of the column below the block; high[j + 1]
    // that of column j.
    uint32_t high[block_limbs + 1];
    // Column j's difference without the high limb from below, and its
    // full difference.
    int32_t part[block_limbs];
    int32_t raw[block_limbs + 1];
    high[0] = 0;
    raw[0] = 0;  // no borrow enters column 0 from below
    int32_t borrow = 0;
    for (int start = 0; start <= n; start += block_limbs) {
        // The last block holds r[n], which loses the last high limb alone.
        const int len = std::min(block_limbs, n + 1 - start);
        const int products = std::min(len, n - start);
        split_products(a + start, products, m, factor, low, high + 1);
        if (products < len) low[products] = 0;
        int32_t* out = reinterpret_cast<int32_t*>(r + start);
        for (int j = 0; j < len; ++j) part[j] = out[j] - static_cast<int32_t>(low[j]);
        for (int j = 0; j < len; ++j) raw[j + 1] = part[j] - static_cast<int32_t>(high[j]);
        int32_t below = 0;
        for (int j = 0; j < len; ++j) {
            const int32_t d = raw[j + 1];
            const int32_t v = d + (d < 0 ? base : 0) + (d < -base ? base : 0) - (raw[j] < 0) - (raw[j] < -base);
            out[j] = v;
            below |= v;
        }
        out[0] -= borrow;
        below |= out[0];
        borrow = (raw[len] < 0) + (raw[len] < -base);
        if (below < 0) borrow += settle_borrows(out, len);
        high[0] = products > 0 ? high[products] : 0;
        raw[0] = 0;
    }
    return borrow != 0;
}
KERNEL_BUILDS(uint32_t, sub_mul_small, (uint32_t * r, const uint32_t* a, int n, uint32_t m), (r, a, n, m))

// r[i] = (a[i] + a[i + 1] * limb_base) / 10^S for i < n, with a[n] taken as
// 0: each limb of a quotient by a power of ten comes from two limbs of the
// dividend alone, so no remainder runs from limb to limb. r may be a.
template <int S>
KERNEL_STEP void shift_digits_down(uint32_t* r, const uint32_t* a, int n) {
    constexpr uint32_t low = pow10_table[S];
    constexpr uint32_t high = pow10_table[limb_digits - S];
    for (int i = 0; i + 1 < n; ++i) r[i] = a[i] / low + a[i + 1] % low * high;
    r[n - 1] = a[n - 1] / low;
}

// r = a / 10^digits truncated, for 0 < digits < limb_digits; r may be a.
KERNEL_STEP void divide_limbs_pow10_body(uint32_t* r, const uint32_t* a, int n, int digits) {
    switch (digits) {
    case 1: shift_digits_down<1>(r, a, n); break;
    case 2: shift_digits_down<2>(r, a, n); break;
    case 3: shift_digits_down<3>(r, a, n); break;
    case 4: shift_digits_down<4>(r, a, n); break;
    case 5: shift_digits_down<5>(r, a, n); break;
    case 6: shift_digits_down<6>(r, a, n); break;
    case 7: shift_digits_down<7>(r, a, n); break;
    default: shift_digits_down<8>(r, a, n); break;
    }
}
KERNEL_BUILDS(void, divide_limbs_pow10, (uint32_t * r, const uint32_t* a, int n, int digits), (r, a, n, digits))

// q = a / d for a single divisor d below the base (q may be a); returns the remainder.
uint32_t div_small(uint32_t* q, const uint32_t* a, int n, uint32_t d) {
    uint64_t rest = 0;
    for (int i = n - 1; i >= 0; --i) {
        uint64_t cur = rest * limb_base + a[i];
        q[i] = static_cast<uint32_t>(cur / d);
        rest = cur % d;
    }
    return static_cast<uint32_t>(rest);
}

// Knuth's algorithm D: u (nu limbs) by v (nv >= 2 limbs, top limb non-zero),
// nu >= nv. q gets nu - nv + 1 limbs, r gets nv limbs; either may be null.
void div_knuth(const uint32_t* u, int nu, const uint32_t* v, int nv, uint32_t* q, uint32_t* r) {
    std::vector<uint32_t> scratch(static_cast<size_t>(nu) + 1 + nv);
    uint32_t* un = scratch.data();
    uint32_t* vn = un + nu + 1;
    // Scale both so that the divisor's top limb is at least half the base;
    // the quotient estimate from the top limbs is then off by at most 2.
    const uint32_t d = limb_base / (v[nv - 1] + 1);
    mul_small(vn, v, nv, d);
    un[nu] = mul_small(un, u, nu, d);
    const uint64_t v_top = vn[nv - 1];
    const uint64_t v_next = vn[nv - 2];

    for (int j = nu - nv; j >= 0; --j) {
        uint64_t numerator = uint64_t{un[j + nv]} * limb_base + un[j + nv - 1];
        uint64_t qhat = numerator / v_top;
        uint64_t rhat = numerator % v_top;
        while (qhat >= limb_base || qhat * v_next > rhat * limb_base + un[j + nv - 2]) {
            --qhat;
            rhat += v_top;
            if (rhat >= limb_base) break;
        }
        // un[j .. j + nv] -= qhat * vn
        if (sub_mul_small(un + j, vn, nv, static_cast<uint32_t>(qhat)) != 0) {
            // The estimate was one too large: add the divisor back once, the
            // carry out of the top limb cancelling the borrow.
            --qhat;
            uint32_t c = 0;
            for (int i = 0; i < nv; ++i) {
                uint32_t s = un[i + j] + vn[i] + c;
                c = s >= limb_base;
                un[i + j] = c ? s - limb_base : s;
            }
            un[j + nv] = (un[j + nv] + c) % limb_base;
        }
        if (q != nullptr) q[j] = static_cast<uint32_t>(qhat);
    }
    if (r != nullptr) div_small(r, un, nv, d);
}

// The quotient alone of u by v, as div_knuth takes them, into q (nu - nv + 1
// limbs). Limbs that are zero at the foot of both operands (a value raised
// to more decimals has them) are dropped first: they leave the quotient as
// it is. A divisor still much longer than the quotient is then cut to the
// quotient's length plus two limbs, the dividend by as many limbs: with
// u = U * B^k + u0 and v = V * B^k + v0 (k limbs dropped, B the base),
// U = Q * V + R gives u - Q * v = R * B^k + u0 - Q * v0, which lies in
// [0, v) whenever R has a limb beyond the quotient's length, for
// Q * v0 < B^(nq + k) <= R * B^k and u0 < B^k. Q is then the quotient;
// otherwise, rarely, the whole division runs.
void div_quotient(const uint32_t* u, int nu, const uint32_t* v, int nv, uint32_t* q) {
    int zeros = 0;
    while (zeros < nv - 1 && u[zeros] == 0 && v[zeros] == 0) ++zeros;
    u += zeros;
    v += zeros;
    nu -= zeros;
    nv -= zeros;
    if (nv == 1) {
        div_small(q, u, nu, v[0]);
        return;
    }
    const int nq = nu - nv + 1;
    const int dropped = nv - (nq + 2);
    if (dropped > 0) {
        std::vector<uint32_t> rest(static_cast<size_t>(nq) + 2);
        div_knuth(u + dropped, nu - dropped, v + dropped, nv - dropped, q, rest.data());
        if (significant_length(rest.data(), nq + 2) > nq) return;
    }
    div_knuth(u, nu, v, nv, q, nullptr);
}

int effective_sign(const INT_DATA& value) { return value.is_zero() ? 0 : (value.sign() < 0 ? -1 : 1); }

// 10^k for 0 <= k < 20.
uint64_t pow10_64(int64_t k) {
    uint64_t power = 1;
    while (k-- > 0) power *= 10;
    return power;
}

}  // namespace

int INT_DATA::compare_magnitudes(const INT_DATA& a, const INT_DATA& b) {
    bool a_zero = a.is_zero();
    bool b_zero = b.is_zero();
    if (a_zero || b_zero) return a_zero == b_zero ? 0 : (a_zero ? -1 : 1);
    uint32_t sa[small_limbs];
    uint32_t sb[small_limbs];
    return compare_limbs(a.read_limbs(sa), a.used_count(), b.read_limbs(sb), b.used_count());
}

void INT_DATA::room_for_result(int n) {
    if (is_heap()) {
        const HEAP_LIMBS* block = heap();
        if (block->holders == 1 && block->capacity >= n && block->capacity / 2 <= n) return;
        leave_heap();
    }
    set_heap(new_heap(std::max(n, small_limbs + 1)));
    form = form_heap;
}

void INT_DATA::finish_result(int n) {
    set_used(n);
    trim();
    sign_value = 1;
    extra_short = 0;
    changed();
}

void INT_DATA::add_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result) {
    if (&result == &a || &result == &b) {
        INT_DATA sum;
        add_magnitudes(a, b, sum);
        result = std::move(sum);
        return;
    }
    uint32_t sa[small_limbs];
    uint32_t sb[small_limbs];
    const uint32_t* pa = a.read_limbs(sa);
    const uint32_t* pb = b.read_limbs(sb);
    int na = std::max(a.used_count(), 1);
    int nb = std::max(b.used_count(), 1);
    if (na < nb) {
        std::swap(pa, pb);
        std::swap(na, nb);
    }
    // A block result shares with a or b is shared, so it is not written.
    result.room_for_result(na + 1);
    add_limbs(result.heap()->limbs(), pa, na, pb, nb);
    result.finish_result(na + 1);
}

void INT_DATA::sub_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result) {
    if (&result == &a || &result == &b) {
        INT_DATA difference;
        sub_magnitudes(a, b, difference);
        result = std::move(difference);
        return;
    }
    uint32_t sa[small_limbs];
    uint32_t sb[small_limbs];
    const uint32_t* pa = a.read_limbs(sa);
    const uint32_t* pb = b.read_limbs(sb);
    int na = std::max(a.used_count(), 1);
    int nb = std::max(b.used_count(), 1);
    result.room_for_result(na);
    sub_limbs(result.heap()->limbs(), pa, na, pb, std::min(na, nb));
    result.finish_result(na);
}

void INT_DATA::mul_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result) {
    INT_DATA product;
    uint64_t x = 0;
    uint64_t y = 0;
    uint64_t whole = 0;
    if (a.machine_magnitude(x) && b.machine_magnitude(y) && !__builtin_mul_overflow(x, y, &whole)) {
        product.set_small(whole);  // an empty operand counts as zero here too
    } else if (a.is_zero() || b.is_zero()) {
        product.set_small(0);
    } else {
        // A product of more than 2^31 limbs could not be held.
        if (int64_t{a.used_count()} + b.used_count() > INT32_MAX) throw std::bad_alloc();
        int n = a.used_count() + b.used_count();
        product.reserve_limbs(n, false);
        std::fill(product.limb_data(), product.limb_data() + n, 0u);
        uint32_t sa[small_limbs];
        uint32_t sb[small_limbs];
        mul_limbs(product.limb_data(), a.read_limbs(sa), a.used_count(), b.read_limbs(sb), b.used_count());
        product.set_used(n);
        product.trim();
    }
    product.sign_value = 1;
    result = std::move(product);
}

void INT_DATA::divide(const INT_DATA& a, const INT_DATA& b, INT_DATA* quotient, INT_DATA* remainder) {
    INT_DATA q;
    INT_DATA r;
    q.sign_value = r.sign_value = 1;
    uint64_t x = 0;
    uint64_t y = 0;
    uint32_t sa[small_limbs];
    uint32_t sb[small_limbs];
    if (a.machine_magnitude(x) && b.machine_magnitude(y) && y != 0) {
        if (quotient) q.set_small(x / y);
        if (remainder) r.set_small(x % y);
    } else if (a.is_zero() || compare_limbs(a.read_limbs(sa), a.used_count(), b.read_limbs(sb), b.used_count()) < 0) {
        q.set_small(0);
        if (a.used_count()) {
            r.set_limbs(a.read_limbs(sa), a.used_count());
        } else {
            r.set_small(0);
        }
    } else if (b.used_count() == 1) {
        q.reserve_limbs(a.used_count(), false);
        uint32_t rest = div_small(q.limb_data(), a.read_limbs(sa), a.used_count(), b.read_limbs(sb)[0]);
        q.set_used(a.used_count());
        q.trim();
        r.set_small(rest);
    } else if (std::min(a.used_count() - b.used_count() + 1, b.used_count()) >= newton_division_limbs) {
        newton_divide(a, b, quotient, remainder);
        return;
    } else {
        const int nq = a.used_count() - b.used_count() + 1;
        if (quotient != nullptr) q.reserve_limbs(nq, false);
        if (remainder != nullptr) r.reserve_limbs(b.used_count(), false);
        if (remainder == nullptr) {
            div_quotient(a.read_limbs(sa), a.used_count(), b.read_limbs(sb), b.used_count(), q.limb_data());
        } else {
            div_knuth(a.read_limbs(sa), a.used_count(), b.read_limbs(sb), b.used_count(),
                      quotient ? q.limb_data() : nullptr, r.limb_data());
        }
        if (quotient != nullptr) {
            q.set_used(nq);
            q.trim();
        } else {
            q.set_small(0);
        }
        if (remainder != nullptr) {
            r.set_used(b.used_count());
            r.trim();
        } else {
            r.set_small(0);
        }
    }
    if (quotient) *quotient = std::move(q);
    if (remainder) *remainder = std::move(r);
}

// Newton's step x + x (B^2k - v x) / B^2k from a reciprocal of v's top half
// doubles the correct limbs; the base case divides directly.
INT_DATA INT_DATA::reciprocal(const INT_DATA& v, int k) {
    INT_DATA power(1);
    power.multiply_pow10(int64_t{2} * k * limb_digits);
    if (k <= 40) {
        INT_DATA x;
        divide(power, v, &x, nullptr);
        return x;
    }
    const int h = k / 2 + 2;
    INT_DATA top = v;
    top.divide_pow10(int64_t{k - h} * limb_digits);
    INT_DATA x = reciprocal(top, h);
    x.multiply_pow10(int64_t{k - h} * limb_digits);
    const INT_DATA error = power - v * x;
    INT_DATA correction = x * error;
    correction.divide_pow10(int64_t{2} * k * limb_digits);  // toward zero, the sign kept
    return x + correction;
}

// a / b for magnitudes with a >= b: the quotient from the top limbs of both
// and the reciprocal of the divisor's, then brought to the exact floor by
// the remainder, which is at most a few divisors away.
void INT_DATA::newton_divide(const INT_DATA& a, const INT_DATA& b, INT_DATA* quotient, INT_DATA* remainder) {
    INT_DATA divisor = b;
    divisor.set_sign(1);
    INT_DATA dividend = a;
    dividend.set_sign(1);
    // The reciprocal needs the quotient's limbs and two more; a divisor
    // with fewer limbs is padded (exactly), a longer one cut (its rest moves
    // the quotient by at most a unit or two).
    const int nb = divisor.used_count();
    const int k = dividend.used_count() - nb + 3;
    const int64_t shift = int64_t{k - nb} * limb_digits;
    INT_DATA top = divisor;
    INT_DATA q = dividend;
    if (shift > 0) {
        top.multiply_pow10(shift);
        q.multiply_pow10(shift);
    } else {
        top.divide_pow10(-shift);
        q.divide_pow10(-shift);
    }
    q = q * reciprocal(top, k);
    q.divide_pow10(int64_t{2} * k * limb_digits);
    INT_DATA r = dividend - q * divisor;
    const INT_DATA one(1);
    while (r.sign() < 0 && !r.is_zero()) {
        q -= one;
        r += divisor;
    }
    while (r >= divisor) {
        q += one;
        r -= divisor;
    }
    q.set_sign(1);
    r.set_sign(1);
    if (quotient) *quotient = std::move(q);
    if (remainder) *remainder = std::move(r);
}

void INT_DATA::div_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result) {
    if (b.is_zero()) throw ARITH(ARITH::pole, b.to_text());
    divide(a, b, &result, nullptr);
}

void INT_DATA::mod_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result) {
    if (b.is_zero()) throw ARITH(ARITH::pole, b.to_text());
    const int8_t sign = a.sign_value;
    divide(a, b, nullptr, &result);
    result.sign_value = sign;
}

inline bool INT_DATA::machine_sum(const INT_DATA& a, bool a_negative, const INT_DATA& b, bool b_negative,
                                  INT_DATA& result) {
    uint64_t x = 0;
    uint64_t y = 0;
    if (!a.machine_magnitude(x) || !b.machine_magnitude(y)) return false;
    uint64_t magnitude = 0;
    bool negative = a_negative;
    if (a_negative != b_negative) {
        // The larger magnitude gives the sign; a zero sum is positive.
        negative = x < y ? b_negative : x > y && a_negative;
        magnitude = x < y ? y - x : x - y;
    } else if (__builtin_add_overflow(x, y, &magnitude)) {
        return false;
    }
    result.set_small(magnitude);
    result.sign_value = negative ? -1 : 1;
    return true;
}

// The sign of a zero sum is +1.
void INT_DATA::signed_sum(const INT_DATA& a, bool a_negative, const INT_DATA& b, bool b_negative, INT_DATA& result) {
    if (machine_sum(a, a_negative, b, b_negative, result)) {
        result.extra_short = 0;
        result.changed();
        return;
    }
    if (a_negative == b_negative) {
        add_magnitudes(a, b, result);
        if (a_negative) result.sign_value = -1;
        return;
    }
    const INT_DATA& positive = a_negative ? b : a;
    const INT_DATA& negative = a_negative ? a : b;
    if (compare_magnitudes(positive, negative) >= 0) {
        sub_magnitudes(positive, negative, result);
    } else {
        sub_magnitudes(negative, positive, result);
        result.sign_value = -1;
    }
}

INT_DATA INT_DATA::signed_sum(const INT_DATA& a, bool a_negative, const INT_DATA& b, bool b_negative) {
    INT_DATA result;
    signed_sum(a, a_negative, b, b_negative, result);
    return result;
}

void INT_DATA::assign_sum(const INT_DATA& a, const INT_DATA& b, bool subtract) {
    const int b_sign = effective_sign(b);
    signed_sum(a, effective_sign(a) < 0, b, subtract ? b_sign > 0 : b_sign < 0, *this);
}

INT_DATA INT_DATA::operator+(const INT_DATA& other) const {
    return signed_sum(*this, effective_sign(*this) < 0, other, effective_sign(other) < 0);
}

INT_DATA INT_DATA::operator-(const INT_DATA& other) const {
    return signed_sum(*this, effective_sign(*this) < 0, other, effective_sign(other) > 0);
}

INT_DATA INT_DATA::negated() const {
    INT_DATA copy(*this);
    if (!copy.is_empty()) copy.sign_value = -copy.sign_value;
    return copy;
}

INT_DATA INT_DATA::operator*(const INT_DATA& other) const {
    INT_DATA product;
    mul_magnitudes(*this, other, product);
    product.sign_value = sign_value * other.sign_value;
    return product;
}

INT_DATA INT_DATA::operator/(const INT_DATA& divisor) const {
    if (divisor.is_zero()) throw ARITH(ARITH::pole, divisor.to_text());
    INT_DATA quotient;
    divide(*this, divisor, &quotient, nullptr);
    quotient.sign_value = sign_value * divisor.sign_value;
    return quotient;
}

// A negative dividend gives a remainder between 0 and |divisor| - 1 whatever
// the divisor's sign; otherwise the remainder keeps the dividend's sign.
INT_DATA INT_DATA::operator%(const INT_DATA& divisor) const {
    if (divisor.is_zero()) throw ARITH(ARITH::pole, divisor.to_text());
    INT_DATA rest;
    divide(*this, divisor, nullptr, &rest);
    if (effective_sign(*this) >= 0) {
        rest.sign_value = sign_value;
        return rest;
    }
    rest.sign_value = 1;
    if (rest.is_zero()) return rest;
    INT_DATA result;
    sub_magnitudes(divisor, rest, result);
    return result;
}

INT_DATA INT_DATA::power(const INT_DATA& exponent) const {
    if (effective_sign(exponent) <= 0) return INT_DATA(1);
    uint32_t scratch[small_limbs];
    const bool odd = exponent.read_limbs(scratch)[0] % 2 == 1;  // the base 10^9 is even
    const int8_t result_sign = odd ? sign_value : (sign_value == 0 ? 0 : 1);
    INT_DATA base(*this);
    base.sign_value = 1;
    base.set_extra_groups(0);
    if (is_zero() || base == INT_DATA(1)) {
        base.sign_value = result_sign;
        if (base.used_count() == 0) base.set_small(0);
        return base;
    }
    // Any base of magnitude 2 or more to an exponent of 10^18 or more could
    // not be held in memory.
    uint64_t e = 0;
    if (exponent.used_count() > 2 || !exponent.machine_magnitude(e)) throw std::bad_alloc();
    // A base that is not zero has a limb at least.
    const int base_limbs = std::max(base.used_count(), 1);
    const uint32_t top = base.read_limbs(scratch)[base_limbs - 1];
    require_room_for_digits(static_cast<double>(e) *
                            (limb_digits * (base_limbs - 1) + std::log10(static_cast<double>(top) + 1)));
    INT_DATA result(1);
    while (true) {
        if (e & 1) result = result * base;
        e >>= 1;
        if (e == 0) break;
        base = base * base;
    }
    result.sign_value = result_sign;
    return result;
}

// Machine words are summed in place; anything else as the plain operators.
INT_DATA& INT_DATA::operator+=(const INT_DATA& other) {
    if (machine_sum(*this, effective_sign(*this) < 0, other, effective_sign(other) < 0, *this)) {
        extra_short = 0;
        changed();
        return *this;
    }
    return *this = *this + other;
}

INT_DATA& INT_DATA::operator-=(const INT_DATA& other) {
    if (machine_sum(*this, effective_sign(*this) < 0, other, effective_sign(other) > 0, *this)) {
        extra_short = 0;
        changed();
        return *this;
    }
    return *this = *this - other;
}
INT_DATA& INT_DATA::operator*=(const INT_DATA& other) {
    uint64_t x = 0;
    uint64_t y = 0;
    uint64_t whole = 0;
    // Two machine words whose product fits a word; an empty operand takes
    // the general way, which gives a zero of sign 0.
    if (!is_empty() && other.used_count() > 0 && machine_magnitude(x) && other.machine_magnitude(y) &&
        !__builtin_mul_overflow(x, y, &whole)) {
        set_small(whole);
        sign_value = static_cast<int8_t>(sign_value * other.sign_value);
        extra_short = 0;
        changed();
        return *this;
    }
    // A factor of one limb (the common loop product) multiplies in place.
    uint32_t scratch[small_limbs];
    if (!is_empty() && other.used_count() == 1 && other.read_limbs(scratch)[0] != 0 && this != &other) {
        const int used = used_count();
        reserve_limbs(used + 1, true);
        uint32_t* data = limb_data();
        const uint32_t carry = mul_small(data, data, used, scratch[0]);
        if (carry != 0) {
            data[used] = carry;
            set_used(used + 1);
        }
        sign_value = static_cast<int8_t>(sign_value * other.sign_value);
        extra_short = 0;
        changed();
        return *this;
    }
    return *this = *this * other;
}
INT_DATA& INT_DATA::operator/=(const INT_DATA& divisor) { return *this = *this / divisor; }
INT_DATA& INT_DATA::operator%=(const INT_DATA& divisor) { return *this = *this % divisor; }
INT_DATA& INT_DATA::power_assign(const INT_DATA& exponent) { return *this = power(exponent); }

INT_DATA INT_DATA::post_increment() {
    static const INT_DATA one(1);
    INT_DATA old(*this);
    *this += one;
    return old;
}

INT_DATA INT_DATA::post_decrement() {
    static const INT_DATA one(1);
    INT_DATA old(*this);
    *this -= one;
    return old;
}

void INT_DATA::multiply_pow10(int64_t k) {
    if (is_empty()) set_small(0);
    changed();
    extra_short = 0;
    if (k <= 0 || is_zero()) return;
    uint64_t whole = 0;
    if (is_small() && k < 20 && !__builtin_mul_overflow(word, pow10_64(k), &whole)) {
        set_small(whole);
        return;
    }
    const int64_t shift = k / limb_digits;
    const int n = used_count();
    if (shift > INT32_MAX - n - 2) throw std::bad_alloc();
    reserve_limbs(n + static_cast<int>(shift) + 1, true);
    uint32_t* data = limb_data();
    data[n] = mul_small(data, data, n, pow10_table[k % limb_digits]);
    std::copy_backward(data, data + n + 1, data + n + 1 + shift);
    std::fill(data, data + shift, 0u);
    set_used(n + static_cast<int>(shift) + 1);
    trim();
}

void INT_DATA::divide_pow10(int64_t k) {
    if (is_empty()) set_small(0);
    changed();
    extra_short = 0;
    if (k <= 0) return;
    if (is_small()) {
        set_small(k < 20 ? word / pow10_64(k) : 0);
        return;
    }
    const int64_t shift = k / limb_digits;
    int used = used_count();
    if (shift >= used) {
        set_small(0);
        return;
    }
    uint32_t* data = limb_data();
    used -= static_cast<int>(shift);
    set_used(used);
    if (k % limb_digits != 0) {
        divide_limbs_pow10(data, data + shift, used, static_cast<int>(k % limb_digits));
    } else if (shift > 0) {
        std::copy(data + shift, data + shift + used, data);
    }
    trim();
}

namespace limbs {

void require_room_for_digits(double digits) {
    // A result with its intermediates takes about four times its own size.
    require_room(digits / limb_digits * sizeof(uint32_t) * 4);
}

KERNEL_SET kernel_set() { return kernels; }

bool use_kernels(KERNEL_SET set) {
    if (set > best_kernels()) return false;
    kernels = set;
    return true;
}

}  // namespace limbs

}  // namespace morvu
