// INT_DATA is the signed integer of unbounded size behind the language's int,
// the mantissa of REAL_DATA and the counter of loops and pending levels.
//
// The magnitude is kept in limbs of 10^9 (nine decimal digits each), least
// significant first, without leading zero limbs; a zero is the single limb 0.
// Up to four limbs (36 digits) live inline in the object, so small ints never
// touch the heap. The sign is +1 or -1. A zero may carry -1 (a product or a
// quotient keeps the product of the signs), yet it prints "0" and equals every
// other zero. The empty object (default constructed, or built from a null
// text) has no limbs and sign 0; it counts as zero everywhere, and a product or
// quotient with an empty operand is a zero of sign 0.
//
// Callers see the magnitude as base-1000 groups: limb_count() and limb(i)
// answer in groups of three digits, and a number built from text keeps the
// group count of its text (n / 3 + 1 groups for n characters, so "123" has the
// groups 123 and 0) until strip() or an operation drops the leading zero
// groups.
//
// Copies share a heap buffer of limbs until one of them changes its limbs:
// every write goes through the non-const limb_data() or reserve_limbs(),
// which give the writer a buffer of its own first.
//
// The signed decimal text is a cache, built on demand by to_text() and kept
// until the value changes. A number built from text keeps that text exactly
// ("007" prints as "007"); copies and results get the plain form ("7").
//
// A zero divisor given to the division or remainder throws ARITH with code 0.
// A result that could not be held in memory (a power to an exponent of 10^18
// or more, the factorial of such a number) throws std::bad_alloc, as any
// allocation that fails does.

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/block_pool.h"

namespace morvu {

class REAL_DATA;

class INT_DATA {
public:
    INT_DATA() noexcept {}
    INT_DATA(int value);
    INT_DATA(long value);
    explicit INT_DATA(const char* text);  // decimal digits with an optional '-'; null: empty
    INT_DATA(const INT_DATA& other);
    INT_DATA(INT_DATA&& other) noexcept;
    INT_DATA& operator=(const INT_DATA& other);
    INT_DATA& operator=(INT_DATA&& other) noexcept;
    ~INT_DATA() = default;

    // The payload of every int cell: recycled, as the cells are.
    static void* operator new(std::size_t size) { return BLOCK_POOL<INT_DATA>::allocate(size); }
    static void operator delete(void* number, std::size_t size) noexcept {
        BLOCK_POOL<INT_DATA>::release(number, size);
    }

    // Representation in base-1000 groups.
    int limb_count() const;     // groups in use, leading zero groups included; 0 when empty
    int limb(int index) const;  // group index (0 to 999); 0 beyond the count
    int sign() const { return sign_value; }
    void set_sign(int sign);
    std::string_view digits() const;  // the magnitude's decimal text, without sign

    // Rebuilds the limbs from the digit text, as the text constructor groups
    // it (the width is always 3). The sign and the digit text stay.
    void split_limbs(int width = 3);
    void free_limbs();  // drops the limbs: the object becomes empty, sign and text stay
    void strip();       // drops leading zero groups
    bool is_empty() const { return used == 0; }
    // The value as a 64-bit integer when it has one and fits; false for an
    // empty number and for magnitudes beyond the 64-bit range.
    bool to_int64(int64_t& out) const {
        if (used != 1 && used != 2) return wide_to_int64(out);
        // Below 10^18: fits whatever the sign.
        const uint32_t* data = limb_data();
        const int64_t magnitude = used == 1 ? int64_t{data[0]} : int64_t{data[1]} * 1'000'000'000 + data[0];
        out = sign_value < 0 ? -magnitude : magnitude;
        return true;
    }
    // Becomes the value, in its plain form, as an arithmetic result would.
    void assign_int64(int64_t value);
    void make_digits() const;            // rebuilds the digit text from the limbs
    const std::string& to_text() const;  // signed decimal text; "0" for every zero

    // Comparison: numeric; every zero (either sign, or empty) equals every other.
    bool is_zero() const;
    bool operator==(const INT_DATA& other) const;
    bool operator!=(const INT_DATA& other) const { return !(*this == other); }
    bool operator<(const INT_DATA& other) const;
    bool operator>(const INT_DATA& other) const { return other < *this; }
    bool operator<=(const INT_DATA& other) const { return !(other < *this); }
    bool operator>=(const INT_DATA& other) const { return !(*this < other); }

    // Arithmetic. Sums and differences that are zero get the sign +1; products
    // and quotients get the product of the signs. Division truncates toward
    // zero. The remainder lies between 0 and |divisor| - 1 for a negative
    // dividend and has the dividend's sign otherwise (7 % -3 is 1, -7 % 3 is 2,
    // -7 % -3 is 2).
    INT_DATA operator+(const INT_DATA& other) const;
    INT_DATA operator-(const INT_DATA& other) const;
    INT_DATA operator*(const INT_DATA& other) const;
    INT_DATA operator/(const INT_DATA& divisor) const;
    INT_DATA operator%(const INT_DATA& divisor) const;
    INT_DATA negated() const;                        // empty stays empty
    INT_DATA power(const INT_DATA& exponent) const;  // 1 for an exponent <= 0

    INT_DATA& operator+=(const INT_DATA& other);
    INT_DATA& operator-=(const INT_DATA& other);
    INT_DATA& operator*=(const INT_DATA& other);
    INT_DATA& operator/=(const INT_DATA& divisor);
    INT_DATA& operator%=(const INT_DATA& divisor);
    INT_DATA& power_assign(const INT_DATA& exponent);
    INT_DATA post_increment();  // returns the old value
    INT_DATA post_decrement();

    // Magnitude operations: each replaces result by a magnitude with the sign
    // +1 (mod_magnitudes: a's sign), which the caller may change.
    // sub_magnitudes needs |b| <= |a|; a zero b makes the divisions throw ARITH.
    static void add_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result);
    static void sub_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result);
    static void mul_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result);
    static void div_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result);
    static void mod_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result);

    // Number theory.
    // Exact for n >= 2; 0 and 1 are not prime, and a negative n is prime
    // unless 2, 3, 5 or 7 divides it.
    bool is_prime() const;
    static INT_DATA factorial(const INT_DATA& n);                    // 1 for n < 2
    static INT_DATA binomial(const INT_DATA& n, const INT_DATA& k);  // 0 for n < k
    static INT_DATA gcd(INT_DATA a, INT_DATA b);                     // >= 1; 1 with a zero operand
    static INT_DATA lcm(const INT_DATA& a, const INT_DATA& b);       // a * b / gcd

private:
    friend class REAL_DATA;

    static constexpr int inline_capacity = 4;

    // The limbs for writing: a buffer shared with a copy is copied first.
    uint32_t* limb_data() {
        if (heap_limbs && heap_limbs.use_count() > 1) reserve_limbs(used, true);
        return heap_limbs ? heap_limbs.get() : inline_limbs;
    }
    const uint32_t* limb_data() const { return heap_limbs ? heap_limbs.get() : inline_limbs; }
    // Room for n limbs in a buffer of this object's own; the old limbs are
    // kept only when keep is set.
    void reserve_limbs(int n, bool keep);
    void copy_limbs_of(const INT_DATA& other);      // shares other's heap buffer, or copies
    void set_limbs(const uint32_t* source, int n);  // copies n limbs and trims leading zeros
    void trim();                                    // drops leading zero limbs, keeps one
    void changed() { text_valid = false; }
    void take_text_and_empty(INT_DATA& other) noexcept;  // ends both moves
    void build_from_text(const char* text);
    bool wide_to_int64(int64_t& out) const;  // to_int64 for an empty number and three limbs or more
    void parse_body(std::string_view body);
    int canonical_groups() const;
    int64_t decimal_length() const;  // digits of the magnitude; 1 for zero
    // In place, the sign kept: times 10^k, and divided by 10^k truncating
    // toward zero (k >= 0). REAL_DATA moves its point with them.
    void multiply_pow10(int64_t k);
    void divide_pow10(int64_t k);
    static int compare_magnitudes(const INT_DATA& a, const INT_DATA& b);  // -1, 0 or 1
    // a + b where each counts as negative when its flag is set.
    static INT_DATA signed_sum(const INT_DATA& a, bool a_negative, const INT_DATA& b, bool b_negative);
    // The magnitudes' quotient and remainder, either output may be null.
    static void divide(const INT_DATA& a, const INT_DATA& b, INT_DATA* quotient, INT_DATA* remainder);

    std::shared_ptr<uint32_t[]> heap_limbs;  // null while the limbs fit inline
    uint32_t inline_limbs[inline_capacity] = {};
    int32_t used = 0;  // limbs of 10^9 in use; 0 only when empty
    int32_t capacity = inline_capacity;
    int32_t sign_value = 0;          // +1 or -1; 0 when empty (see above)
    int32_t extra_groups = 0;        // leading zero groups kept from a text
    mutable std::string text_cache;  // '-' when negative, then the digit text
    mutable bool text_valid = false;
    mutable bool text_plain = false;  // the cache is the plain form (no "007")
};

// The value as a machine integer, saturated at the int range: values beyond
// it give INT32_MAX or INT32_MIN, so range checks refuse them instead of
// seeing a wrapped value. An empty int gives 0.
int32_t machine_int(const INT_DATA& value);

}  // namespace morvu
