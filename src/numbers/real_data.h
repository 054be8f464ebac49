// REAL_DATA is the number behind the language's real: a decimal fixed-point
// value, never binary floating point. It is an INT_DATA mantissa and a scale,
// the count of decimal digits after the point: value = mantissa * 10^-scale.
//
// The representation is not canonical: 1.5 is (15, 1) as well as (1500, 3),
// and equality and order are numeric. Sums, differences and products are
// exact (a sum has the larger scale of its operands, a product the sum of
// their scales); a quotient is the truncated quotient of the mantissas with
// the dividend's scale minus the divisor's, so a caller who wants n decimals
// sets the dividend's scale to n plus the divisor's first. Nothing is cut to
// the working precision here; only set_scale cuts (toward zero) and only
// round_up_nines rounds. A zero may carry the sign -1 after a cut or a
// product; it equals every other zero and prints "0".
//
// The text form follows the output precision: -1 prints up to the last
// non-zero decimal, 0 the integer part alone, n > 0 exactly n decimals (cut,
// padded with zeros, never rounded).

#pragma once

#include <cstdint>
#include <new>
#include <string>

#include "numbers/int_data.h"

namespace morvu {

// A count of decimals formed from others (a precision and its guard digits,
// twice a precision, a precision and a scale), computed in 64 bits so that
// it cannot overflow. A scale beyond the 32-bit field belongs to no number
// that could be held: that throws std::bad_alloc, as a failed allocation
// would, before any work is done at it.
inline int32_t held_scale(int64_t decimals) {
    if (decimals > INT32_MAX || decimals < INT32_MIN) throw std::bad_alloc();
    return static_cast<int32_t>(decimals);
}

class REAL_DATA {
public:
    INT_DATA mantissa;
    int32_t scale = 0;

    // A number text may move its point by at most this many places with its
    // exponent; beyond it the number is refused (see text_in_range).
    static constexpr int64_t max_exponent = 10'000'000;

    REAL_DATA() = default;  // zero: an empty mantissa, scale 0
    REAL_DATA(int value);
    REAL_DATA(const INT_DATA& mantissa, int scale);
    REAL_DATA(INT_DATA&& mantissa, int scale);
    // Parses [+|-]digits[.digits][(e|E)[+|-]digits] (digits may be missing
    // before the point). A text whose exponent overflows or exceeds
    // max_exponent is refused: it throws ARITH with code 1 and the text.
    explicit REAL_DATA(const char* text);
    REAL_DATA(const REAL_DATA& other) : mantissa(other.mantissa), scale(other.scale) {}
    REAL_DATA(REAL_DATA&& other) noexcept = default;
    REAL_DATA& operator=(const REAL_DATA& other);
    REAL_DATA& operator=(REAL_DATA&& other) noexcept = default;
    ~REAL_DATA() = default;

    // False when a number text's exponent overflows or is out of range, so
    // that the number could not be held; callers that check a user's text
    // with str_is_number check this too and refuse the text as no number.
    static bool text_in_range(const char* text);

    // Sets the number of decimals to n: appends zeros or cuts digits toward
    // zero (no rounding); the sign stays, so -0.5 cut to 0 is a zero of sign -1.
    void set_scale(int n);

    // The text under the process-wide output precision, or under the given
    // one. The text is owned by the value and replaced by its next call.
    const std::string& to_text() const;
    const std::string& to_text(int output_precision) const;
    // The same text appended to out, without the copy that to_text keeps.
    void append_text(std::string& out, int output_precision) const;

    // A value whose decimals are all 9 becomes the neighbouring integer away
    // from zero (2.999 gives 3, -0.99 gives -1); others stay.
    void round_up_nines();

    REAL_DATA operator+(const REAL_DATA& other) const;
    REAL_DATA operator-(const REAL_DATA& other) const;
    REAL_DATA operator*(const REAL_DATA& other) const;
    REAL_DATA operator/(const REAL_DATA& divisor) const;  // zero divisor: ARITH code 0
    REAL_DATA& operator+=(const REAL_DATA& other);
    REAL_DATA& operator-=(const REAL_DATA& other);
    REAL_DATA& operator*=(const REAL_DATA& other);
    REAL_DATA& operator/=(const REAL_DATA& divisor);

    bool operator==(const REAL_DATA& other) const;
    bool operator!=(const REAL_DATA& other) const { return !(*this == other); }
    bool operator<(const REAL_DATA& other) const;
    bool operator>(const REAL_DATA& other) const { return other < *this; }
    bool operator<=(const REAL_DATA& other) const { return !(other < *this); }
    bool operator>=(const REAL_DATA& other) const { return !(*this < other); }

private:
    mutable std::string text_form;
};

}  // namespace morvu
