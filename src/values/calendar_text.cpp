#include "values/calendar_text.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "numbers/int_data.h"
#include "runtime/messages.h"
#include "values/calendar.h"

namespace morvu {

std::string date_format;

std::string effective_date_format() { return date_format.empty() ? std::string("Y-M-D") : date_format; }

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The value that atoi gives a field, without atoi's overflow: leading white
// space and a sign are read, reading stops at the first non-digit, no digit
// gives 0, and a value beyond int saturates.
int field_value(const std::string& field) {
    errno = 0;
    long value = std::strtol(field.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// An optional '+' or '-' followed by at least one digit and nothing else.
bool is_signed_digits(const std::string& field) {
    size_t start = (!field.empty() && (field[0] == '+' || field[0] == '-')) ? 1 : 0;
    if (start >= field.size()) return false;
    for (size_t i = start; i < field.size(); ++i)
        if (!is_digit(field[i])) return false;
    return true;
}

// A minutes or seconds field: one or two characters, value 0 to 59.
bool is_sexagesimal_field(const std::string& field) {
    if (field.empty() || field.size() > 2) return false;
    int value = field_value(field);
    return value >= 0 && value <= 59;
}

// The fields of a text cut at every ':'; the last one runs to the end.
std::vector<std::string> colon_fields(const std::string& text) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t colon = text.find(':', start);
        if (colon == std::string::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, colon - start));
        start = colon + 1;
    }
}

// Takes the digit run at pos, at most max_digits long; false when the text
// has no digit there (its end counts as a non-digit).
bool take_digits(const std::string& text, size_t& pos, size_t max_digits, std::string& out) {
    if (pos >= text.size() || !is_digit(text[pos])) return false;
    size_t end = pos;
    while (end < text.size() && end - pos < max_digits && is_digit(text[end])) ++end;
    out = text.substr(pos, end - pos);
    pos = end;
    return true;
}

int month_length(int month, const std::string& year) {
    switch (month) {
    case 2: return DATE_DATA::is_leap_year(INT_DATA(year.c_str())) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11: return 30;
    default: return 31;
    }
}

}  // namespace

bool time_text_parse(const std::string& text, std::string& hours, std::string& minutes, std::string& seconds) {
    std::vector<std::string> fields = colon_fields(text);
    if (fields.size() > 3) return false;  // nothing may follow the seconds
    if (!is_signed_digits(fields[0])) return false;
    hours = fields[0];
    if (fields.size() < 2) return true;
    if (!is_sexagesimal_field(fields[1])) return false;
    minutes = format_string("%d", field_value(fields[1]));
    if (fields.size() < 3) return true;
    if (!is_sexagesimal_field(fields[2])) return false;
    seconds = format_string("%d", field_value(fields[2]));
    return true;
}

bool date_text_parse(const std::string& text, std::string& day, std::string& month, std::string& year) {
    const std::string format = effective_date_format();
    size_t pos = 0;
    for (char f : format) {
        switch (f) {
        case 'D':
            if (!take_digits(text, pos, 3, day)) return false;
            break;
        case 'M':
            if (!take_digits(text, pos, 3, month)) return false;
            break;
        case 'Y':
            if (!take_digits(text, pos, 5, year)) return false;
            break;
        default:
            if (pos >= text.size() || text[pos] != f) return false;
            ++pos;
            break;
        }
    }
    int month_value = field_value(month);
    int day_value = field_value(day);
    if (month_value < 1 || month_value > 12) return false;
    if (day_value < 1) return false;
    return day_value <= month_length(month_value, year);
}

bool timezone_text_parse(const std::string& text, std::string& hours, std::string& minutes) {
    std::vector<std::string> fields = colon_fields(text);
    if (fields.size() > 2) return false;  // nothing may follow the minutes
    if (!is_signed_digits(fields[0])) return false;
    int hours_value = field_value(fields[0]);
    if (hours_value < -12 || hours_value > 14) return false;
    hours = fields[0];
    if (fields.size() < 2) return true;
    const std::string& field = fields[1];
    if (field.empty() || field.size() > 2) return false;
    int minutes_value = field_value(field);
    if (minutes_value != 0 && minutes_value != 30 && minutes_value != 45) return false;
    minutes = format_string("%d", minutes_value);
    return true;
}

bool datetime_text_parse(const std::string& text, std::string& date_text, std::string& time_text,
                         std::string& zone_text) {
    if (text.empty()) return false;
    size_t t = text.find('T');
    if (t == std::string::npos || t == 0 || t + 1 == text.size()) return false;
    size_t plus = text.find('+', t + 1);
    size_t minus = text.find('-', t + 1);
    const size_t last = text.size() - 1;
    if (plus == t + 1 || minus == t + 1) return false;
    if (plus == last || minus == last) return false;
    if (plus != std::string::npos && minus != std::string::npos) return false;
    size_t sign = plus != std::string::npos ? plus : minus;

    date_text = text.substr(0, t);
    if (sign == std::string::npos) {
        time_text = text.substr(t + 1);
        zone_text.clear();
    } else {
        time_text = text.substr(t + 1, sign - t - 1);
        zone_text = text.substr(sign);
    }

    std::string a, b, c;
    if (!date_text_parse(date_text, a, b, c)) return false;
    a.clear();
    b.clear();
    c.clear();
    if (!time_text_parse(time_text, a, b, c)) return false;
    if (zone_text.empty()) return true;
    a.clear();
    b.clear();
    return timezone_text_parse(zone_text, a, b);
}

}  // namespace morvu
