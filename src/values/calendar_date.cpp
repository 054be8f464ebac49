#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "runtime/messages.h"
#include "values/calendar.h"

namespace morvu {

namespace {

// Slot 0 is no name; 1..7 the week days from Monday; 8..19 the months.
const char* const calendar_names[20] = {
    "",      "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",  "Sunday",  "January",  "February",
    "March", "April",  "May",     "June",      "July",     "August", "September", "October", "November", "December"};

// The name in slot offset + n for n in 1..count; anything else has no name.
std::string table_name(const INT_DATA& n, int offset, int count) {
    if (n < INT_DATA(1) || n > INT_DATA(count)) return std::string();
    int index = std::atoi(n.to_text().c_str());
    return calendar_names[offset + index];
}

// Replaces the first occurrence of letter in text by value.
void replace_first(std::string& text, char letter, const std::string& value) {
    size_t at = text.find(letter);
    if (at != std::string::npos) text.replace(at, 1, value);
}

// Dates of the years 1 to a billion, with a day of 1 to 31 and a month of 1
// to 12, are counted on machine integers: there every step of the counts
// below stays positive (but the year estimate of add_days, which C++
// truncates toward zero as the exact division does) and far inside 64 bits,
// so each gives the value the exact arithmetic gives, and every result is
// made in the plain form an arithmetic result has. Any other date takes
// the exact road.
constexpr int64_t machine_year_limit = 1000000000;
constexpr int64_t machine_days_limit = 1000000000000;

bool machine_fields(const DATE_DATA& date, int64_t& day, int64_t& month, int64_t& year) {
    return date.day.to_int64(day) && date.month.to_int64(month) && date.year.to_int64(year) && day >= 1 && day <= 31 &&
           month >= 1 && month <= 12 && year >= 1 && year <= machine_year_limit;
}

int64_t machine_leap_days(int64_t year) {
    return (year % 4 == 0 ? 1 : 0) + (year % 400 == 0 ? 1 : 0) - (year % 100 == 0 ? 1 : 0);
}

int64_t machine_days_before_year(int64_t year) {
    const int64_t before = year - 1;
    return 365 * year + before / 4 + before / 400 - before / 100;
}

int64_t machine_day_of_year(int64_t day, int64_t month, int64_t year) {
    int64_t result = 30 * (month - 1) + (5 * month) / 9 + day;
    if (month > 2) result += machine_leap_days(year) - 2;
    return result;
}

INT_DATA plain_number(int64_t value) {
    INT_DATA number;
    number.assign_int64(value);
    return number;
}

}  // namespace

DATE_DATA::DATE_DATA(const INT_DATA& day, const INT_DATA& month, const INT_DATA& year)
    : day(day), month(month), year(year) {}

DATE_DATA::DATE_DATA(const DATE_DATA& other) : day(other.day), month(other.month), year(other.year) {}

DATE_DATA& DATE_DATA::operator=(const DATE_DATA& other) {
    assign(other);
    return *this;
}

DATE_DATA DATE_DATA::from_text(const std::string& text) {
    DATE_DATA date;
    date.set_from_text(text, false);
    return date;
}

void DATE_DATA::set_from_text(const std::string& text, bool reset) {
    std::string d, m, y;
    date_text_parse(text, d, m, y);  // a rejected text leaves only the fields that passed
    set(calendar_number(d), calendar_number(m), calendar_number(y), reset);
}

void DATE_DATA::set(const INT_DATA& new_day, const INT_DATA& new_month, const INT_DATA& new_year, bool reset) {
    INT_DATA d(new_day), m(new_month), y(new_year);  // the arguments may be our own numbers
    if (reset) clear();
    day = std::move(d);
    month = std::move(m);
    year = std::move(y);
}

void DATE_DATA::clear() {
    day = INT_DATA();
    month = INT_DATA();
    year = INT_DATA();
    std::string().swap(text);
}

bool DATE_DATA::is_empty() const { return day.is_empty() && month.is_empty() && year.is_empty(); }

void DATE_DATA::assign(const DATE_DATA& other) { set(other.day, other.month, other.year, true); }

const std::string& DATE_DATA::to_text(bool pad) {
    const INT_DATA ten(10), hundred(100), thousand(1000), zero(0);
    std::string d, m, y;
    if (pad) {
        if (day < ten) d = '0';
        if (month < ten) m = '0';
        if (year >= zero) {
            if (year < ten) y += "0";
            if (year < hundred) y += "0";
            if (year < thousand) y += "0";
        }
    }
    d += day.to_text();
    m += month.to_text();
    y += year.to_text();
    std::string result = effective_date_format();
    replace_first(result, 'D', d);
    replace_first(result, 'M', m);
    replace_first(result, 'Y', y);
    text = std::move(result);
    return text;
}

DATE_DATA DATE_DATA::today() {
    std::time_t clock = std::time(nullptr);
    std::tm local{};
    localtime_r(&clock, &local);
    return DATE_DATA(INT_DATA(local.tm_mday), INT_DATA(local.tm_mon + 1), INT_DATA(local.tm_year + 1900));
}

std::string check_date_format(const std::string& format) {
    if (format.empty()) return std::string();
    int days = 0, months = 0, years = 0;
    for (char c : format) {
        if (c == 'D') ++days;
        else if (c == 'M') ++months;
        else if (c == 'Y') ++years;
    }
    if (days == 1 && months == 1 && years == 1) return std::string();
    return msg_text("uzudatfmt");
}

INT_DATA DATE_DATA::leap_days(const INT_DATA& year) {
    const INT_DATA zero(0);
    int leap = 0;
    if (year % INT_DATA(4) == zero) ++leap;
    if (year % INT_DATA(400) == zero) ++leap;
    if (year % INT_DATA(100) == zero) --leap;
    return INT_DATA(leap);
}

bool DATE_DATA::is_leap_year(const INT_DATA& year) { return !leap_days(year).is_zero(); }

INT_DATA DATE_DATA::days_before_year(const INT_DATA& year) {
    int64_t machine_year = 0;
    if (year.to_int64(machine_year) && machine_year >= 1 && machine_year <= machine_year_limit)
        return plain_number(machine_days_before_year(machine_year));
    INT_DATA before = year - INT_DATA(1);
    return INT_DATA(365) * year + before / INT_DATA(4) + before / INT_DATA(400) - before / INT_DATA(100);
}

INT_DATA DATE_DATA::day_of_year() const {
    int64_t d = 0, m = 0, y = 0;
    if (machine_fields(*this, d, m, y)) return plain_number(machine_day_of_year(d, m, y));
    // Months of 30 days, corrected by (5 x month) div 9 to the real lengths;
    // from March on February's shortfall is taken off again.
    INT_DATA result = INT_DATA(30) * (month - INT_DATA(1)) + (INT_DATA(5) * month) / INT_DATA(9) + day;
    if (month > INT_DATA(2)) result += leap_days(year) - INT_DATA(2);
    return result;
}

INT_DATA DATE_DATA::day_number() const {
    int64_t d = 0, m = 0, y = 0;
    if (machine_fields(*this, d, m, y))
        return plain_number(machine_days_before_year(y) + machine_day_of_year(d, m, y) - 1);
    return days_before_year(year) + day_of_year() - INT_DATA(1);
}

INT_DATA DATE_DATA::diff_days(const DATE_DATA& a, const DATE_DATA& b) { return a.day_number() - b.day_number(); }

// add_days on machine integers: false, with nothing changed, where a step
// would leave the range in which they give the exact values.
bool DATE_DATA::add_machine_days(const INT_DATA& n) {
    int64_t d = 0, m = 0, y = 0, count = 0;
    if (!machine_fields(*this, d, m, y) || !n.to_int64(count) || count < -machine_days_limit ||
        count > machine_days_limit)
        return false;
    const int64_t r = machine_day_of_year(d, m, y) + count;
    int64_t target_year = y + (10000 * r) / 3652425;
    if (r < 0) target_year -= 1;
    if (target_year < 2 || target_year > machine_year_limit) return false;
    int64_t r2 = r - machine_days_before_year(target_year) + machine_days_before_year(y);
    const int64_t year_length = 365 + machine_leap_days(target_year);
    if (r2 <= 0) {
        d = r2 + 31;
        m = 12;
        y = target_year - 1;
    } else if (r2 > year_length) {
        d = r2 - year_length;
        m = 1;
        y = target_year + 1;
    } else {
        const int64_t leap = machine_leap_days(target_year);
        if (r2 > 59 + leap) r2 += 2 - leap;
        m = (54 * (1000 * r2 + 29970)) / 1650000;
        d = r2 - 30 * (m - 1) - (5 * m) / 9;
        y = target_year;
    }
    if (d < 1) return false;
    day = plain_number(d);
    month = plain_number(m);
    year = plain_number(y);
    return true;
}

void DATE_DATA::add_days(const INT_DATA& n) {
    if (add_machine_days(n)) return;
    const INT_DATA zero(0), one(1);
    INT_DATA r = day_of_year() + n;  // the target, counted from the start of this year
    // Whole years of 365.2425 days; the estimate may miss by a few days
    // around New Year, which the December and January cases take up.
    INT_DATA q = (INT_DATA(10000) * r) / INT_DATA(3652425);
    INT_DATA y = year + q;
    if (r < zero) y -= one;
    INT_DATA r2 = r - days_before_year(y) + days_before_year(year);  // the target within year y
    INT_DATA year_length = INT_DATA(365) + leap_days(y);
    if (r2 <= zero) {
        day = r2 + INT_DATA(31);
        month = INT_DATA(12);
        year = y - one;
    } else if (r2 > year_length) {
        day = r2 - year_length;
        month = one;
        year = y + one;
    } else {
        INT_DATA leap = leap_days(y);
        if (r2 > INT_DATA(59) + leap) r2 += INT_DATA(2) - leap;  // undo day_of_year's shift
        INT_DATA m = (INT_DATA(54) * (INT_DATA(1000) * r2 + INT_DATA(29970))) / INT_DATA(1650000);
        day = r2 - INT_DATA(30) * (m - one) - (INT_DATA(5) * m) / INT_DATA(9);
        month = m;
        year = y;
    }
}

INT_DATA DATE_DATA::week_day() const {
    int64_t d = 0, m = 0, y = 0;
    if (machine_fields(*this, d, m, y))
        return plain_number((machine_days_before_year(y) + machine_day_of_year(d, m, y) - 2) % 7 + 1);
    return (day_number() - INT_DATA(1)) % INT_DATA(7) + INT_DATA(1);
}

std::string DATE_DATA::week_day_name(const INT_DATA& week_day) { return table_name(week_day, 0, 7); }

std::string DATE_DATA::month_name(const INT_DATA& month) { return table_name(month, 7, 12); }

}  // namespace morvu
