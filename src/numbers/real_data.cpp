// REAL_DATA: parsing, scale changes, the text form under the output
// precision, exact arithmetic and numeric comparison.

#include "numbers/real_data.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <string_view>

#include "numbers/arith_error.h"
#include "runtime/settings.h"

namespace morvu {

namespace {

// A number text split at its first 'e' or 'E': the number part, the value of
// the exponent part (read as atoi reads it, any further 'e' or 'E' dropped)
// and whether that exponent is within max_exponent, so that the number can
// be held.
struct NUMBER_TEXT {
    std::string_view number;
    int64_t exponent = 0;
    bool in_range = true;
};

NUMBER_TEXT split_number_text(const char* text) {
    NUMBER_TEXT parts;
    std::string_view whole(text == nullptr ? "" : text);
    size_t cut = 0;
    while (cut < whole.size() && (whole[cut] | 0x20) != 'e') ++cut;
    parts.number = whole.substr(0, cut);
    if (cut == whole.size()) return parts;

    std::string exponent;
    for (char c : whole.substr(cut + 1)) {
        if ((c | 0x20) != 'e') exponent.push_back(c);
    }
    size_t i = 0;
    while (i < exponent.size() && std::isspace(static_cast<unsigned char>(exponent[i]))) ++i;
    bool negative = false;
    if (i < exponent.size() && (exponent[i] == '+' || exponent[i] == '-')) negative = exponent[i++] == '-';
    int64_t value = 0;
    for (; i < exponent.size() && exponent[i] >= '0' && exponent[i] <= '9'; ++i) {
        value = value * 10 + (exponent[i] - '0');
        if (value > REAL_DATA::max_exponent) {
            parts.in_range = false;
            return parts;
        }
    }
    parts.exponent = negative ? -value : value;
    return parts;
}

// The count of characters after the last '.' of a number part.
int64_t decimals_of(std::string_view number) {
    size_t point = number.rfind('.');
    return point == std::string_view::npos ? 0 : static_cast<int64_t>(number.size() - point - 1);
}

}  // namespace

REAL_DATA::REAL_DATA(int value) : mantissa(value) {}

REAL_DATA::REAL_DATA(const INT_DATA& mantissa, int scale) : mantissa(mantissa), scale(scale) {}

REAL_DATA::REAL_DATA(INT_DATA&& mantissa, int scale) : mantissa(std::move(mantissa)), scale(scale) {}

bool REAL_DATA::text_in_range(const char* text) {
    NUMBER_TEXT parts = split_number_text(text);
    if (!parts.in_range) return false;
    return decimals_of(parts.number) + std::max<int64_t>(-parts.exponent, 0) <= INT32_MAX;
}

// The exponent moves the point: a positive one appends its zeros to the
// digits and keeps the decimals written, a negative one adds to the scale.
REAL_DATA::REAL_DATA(const char* text) {
    if (!text_in_range(text)) throw ARITH(ARITH::out_of_domain, text == nullptr ? "" : text);
    NUMBER_TEXT parts = split_number_text(text);
    std::string_view number = parts.number;
    const bool negative = !number.empty() && number[0] == '-';
    std::string digit_text;
    digit_text.reserve(number.size() + 1);
    if (negative) digit_text.push_back('-');
    for (char c : number.substr(negative ? 1 : 0)) {
        if (c != '.') digit_text.push_back(c);
    }
    mantissa = INT_DATA(digit_text.c_str());
    mantissa.strip();
    mantissa.changed();  // the digit text loses its leading zeros
    if (parts.exponent > 0) mantissa.multiply_pow10(parts.exponent);
    scale = held_scale(decimals_of(number) + std::max<int64_t>(-parts.exponent, 0));
}

REAL_DATA& REAL_DATA::operator=(const REAL_DATA& other) {
    if (this != &other) {
        mantissa = other.mantissa;
        scale = other.scale;
    }
    return *this;
}

// Cuts toward zero or appends zeros. The mantissa keeps the group count that
// its digit text would give (a leading zero group may remain).
void REAL_DATA::set_scale(int n) {
    if (n == scale) return;
    const int64_t shift = int64_t{n} - scale;
    int64_t length = mantissa.decimal_length() + shift;
    if (shift > 0) {
        mantissa.multiply_pow10(shift);
    } else {
        mantissa.divide_pow10(-shift);
        length = std::max<int64_t>(length, 1);
    }
    if (length < INT32_MAX) {
        mantissa.set_extra_groups(std::max(0, static_cast<int>(length / 3 + 1) - mantissa.canonical_groups()));
    }
    scale = n;
}

const std::string& REAL_DATA::to_text() const { return to_text(output_precision()); }

const std::string& REAL_DATA::to_text(int output_precision) const {
    text_form.clear();
    append_text(text_form, output_precision);
    return text_form;
}

void REAL_DATA::append_text(std::string& out, int output_precision) const {
    if (mantissa.is_zero()) {
        out += '0';
        return;
    }
    if (mantissa.text_state != INT_DATA::plain_text) mantissa.make_digits();
    std::string_view digits = mantissa.digits();
    const int64_t length = static_cast<int64_t>(digits.size());
    // A long text is built in room taken once: growing it by doubling would
    // hold it twice at the last step. The room counts the sign, the point,
    // the digits and every zero the forms below may add.
    const int64_t added_zeros = scale <= 0 ? -int64_t{scale} : std::max<int64_t>(scale - length, 0);
    const size_t most =
        2 + digits.size() + static_cast<size_t>(added_zeros) + static_cast<size_t>(std::max(output_precision, 0)) + 1;
    if (most >= (size_t{1} << 20)) out.reserve(out.size() + most);
    if (mantissa.sign() < 0) out.push_back('-');
    if (scale <= 0) {
        out.append(digits);
        out.append(static_cast<size_t>(-int64_t{scale}), '0');
        if (output_precision > 0) {
            out.push_back('.');
            out.append(static_cast<size_t>(output_precision), '0');
        }
        return;
    }
    // Integer part and decimals; a value below 1 has the integer part "0"
    // and its decimals begin with scale - length zeros.
    std::string_view integer_part = "0";
    std::string_view own_decimals = digits;
    size_t leading_zeros = 0;
    if (length > scale) {
        integer_part = digits.substr(0, static_cast<size_t>(length - scale));
        own_decimals = digits.substr(static_cast<size_t>(length - scale));
    } else {
        leading_zeros = static_cast<size_t>(scale - length);
    }
    out.append(integer_part);
    if (output_precision == 0) return;
    if (output_precision < 0) {
        size_t last = own_decimals.find_last_not_of('0');
        if (last == std::string_view::npos) return;
        out.push_back('.');
        out.append(leading_zeros, '0');
        out.append(own_decimals.substr(0, last + 1));
        return;
    }
    // Exactly q decimals: cut, or padded with zeros.
    size_t wanted = static_cast<size_t>(output_precision);
    out.push_back('.');
    size_t zeros = std::min(leading_zeros, wanted);
    out.append(zeros, '0');
    wanted -= zeros;
    size_t taken = std::min(wanted, own_decimals.size());
    out.append(own_decimals.substr(0, taken));
    out.append(wanted - taken, '0');
}

void REAL_DATA::round_up_nines() {
    if (scale <= 0) return;
    if (mantissa.decimal_length() < scale || mantissa.is_zero()) return;
    if (mantissa.text_state != INT_DATA::plain_text) mantissa.make_digits();
    std::string_view digits = mantissa.digits();
    std::string_view decimals = digits.substr(digits.size() - static_cast<size_t>(scale));
    if (decimals.find_first_not_of('9') != std::string_view::npos) return;
    const bool negative = mantissa.sign() < 0;
    set_scale(0);
    mantissa = negative ? mantissa - INT_DATA(1) : mantissa + INT_DATA(1);
}

namespace {

// The mantissa of a value raised to a larger scale.
INT_DATA raised_mantissa(const REAL_DATA& value, int32_t to_scale) {
    REAL_DATA copy(value);
    copy.set_scale(to_scale);
    return std::move(copy.mantissa);
}

}  // namespace

REAL_DATA REAL_DATA::operator+(const REAL_DATA& other) const {
    if (scale == other.scale) return REAL_DATA(mantissa + other.mantissa, scale);
    if (scale < other.scale) return REAL_DATA(raised_mantissa(*this, other.scale) + other.mantissa, other.scale);
    return REAL_DATA(mantissa + raised_mantissa(other, scale), scale);
}

REAL_DATA REAL_DATA::operator-(const REAL_DATA& other) const {
    if (scale == other.scale) return REAL_DATA(mantissa - other.mantissa, scale);
    if (scale < other.scale) return REAL_DATA(raised_mantissa(*this, other.scale) - other.mantissa, other.scale);
    return REAL_DATA(mantissa - raised_mantissa(other, scale), scale);
}

REAL_DATA REAL_DATA::operator*(const REAL_DATA& other) const {
    return REAL_DATA(mantissa * other.mantissa, held_scale(int64_t{scale} + other.scale));
}

REAL_DATA REAL_DATA::operator/(const REAL_DATA& divisor) const {
    return REAL_DATA(mantissa / divisor.mantissa, held_scale(int64_t{scale} - divisor.scale));
}

REAL_DATA& REAL_DATA::operator+=(const REAL_DATA& other) { return *this = *this + other; }
REAL_DATA& REAL_DATA::operator-=(const REAL_DATA& other) { return *this = *this - other; }
REAL_DATA& REAL_DATA::operator*=(const REAL_DATA& other) { return *this = *this * other; }
REAL_DATA& REAL_DATA::operator/=(const REAL_DATA& divisor) { return *this = *this / divisor; }

bool REAL_DATA::operator==(const REAL_DATA& other) const {
    if (mantissa.is_zero() || other.mantissa.is_zero()) return mantissa.is_zero() && other.mantissa.is_zero();
    if (scale == other.scale) return mantissa == other.mantissa;
    if (scale < other.scale) return raised_mantissa(*this, other.scale) == other.mantissa;
    return mantissa == raised_mantissa(other, scale);
}

bool REAL_DATA::operator<(const REAL_DATA& other) const {
    if (mantissa.is_zero() || other.mantissa.is_zero() || scale == other.scale) {
        if (mantissa.is_zero() && other.mantissa.is_zero()) return false;
        if (mantissa.is_zero()) return INT_DATA(0) < other.mantissa;
        if (other.mantissa.is_zero()) return mantissa < INT_DATA(0);
        return mantissa < other.mantissa;
    }
    if (scale < other.scale) return raised_mantissa(*this, other.scale) < other.mantissa;
    return mantissa < raised_mantissa(other, scale);
}

}  // namespace morvu
