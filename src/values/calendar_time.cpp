#include <ctime>

#include "values/calendar.h"

namespace morvu {

INT_DATA calendar_number(const std::string& field) {
    if (!field.empty() && field[0] == '+') return INT_DATA(field.c_str() + 1);
    return INT_DATA(field.c_str());
}

std::string signed_hours_text(const INT_DATA& hours) {
    std::string digits = hours.to_text();
    if (hours.sign() < 0 && digits[0] != '-') digits.insert(digits.begin(), '-');
    return digits;
}

TIME_DATA::TIME_DATA(const INT_DATA& hours, const INT_DATA& minutes, const INT_DATA& seconds)
    : hours(hours), minutes(minutes), seconds(seconds) {}

TIME_DATA::TIME_DATA(const TIME_DATA& other) : hours(other.hours), minutes(other.minutes), seconds(other.seconds) {}

TIME_DATA& TIME_DATA::operator=(const TIME_DATA& other) {
    assign(other);
    return *this;
}

TIME_DATA TIME_DATA::from_text(const std::string& text) {
    TIME_DATA time;
    time.set_from_text(text, false);
    return time;
}

void TIME_DATA::set_from_text(const std::string& text, bool reset) {
    std::string h, m, s;
    time_text_parse(text, h, m, s);  // a rejected text leaves only the fields that passed
    set(calendar_number(h), calendar_number(m), calendar_number(s), reset);
}

void TIME_DATA::set(const INT_DATA& new_hours, const INT_DATA& new_minutes, const INT_DATA& new_seconds, bool reset) {
    // Copy first: the arguments may be this payload's own numbers.
    INT_DATA h(new_hours), m(new_minutes), s(new_seconds);
    if (reset) clear();
    hours = std::move(h);
    minutes = std::move(m);
    seconds = std::move(s);
}

void TIME_DATA::clear() {
    hours = INT_DATA();
    minutes = INT_DATA();
    seconds = INT_DATA();
    std::string().swap(text);
}

bool TIME_DATA::is_empty() const { return hours.is_empty() && minutes.is_empty() && seconds.is_empty(); }

void TIME_DATA::assign(const TIME_DATA& other) { set(other.hours, other.minutes, other.seconds, true); }

void TIME_DATA::from_seconds(const INT_DATA& s, bool reset) {
    const INT_DATA zero(0);
    bool negative = s < zero;
    INT_DATA magnitude = negative ? s.negated() : s;
    const INT_DATA hour(3600), minute(60);
    INT_DATA h = magnitude / hour;
    INT_DATA rest = magnitude % hour;
    INT_DATA m = rest / minute;
    INT_DATA sec = rest % minute;
    // Below one hour the hours are zero, and only their sign can say that
    // the duration is negative.
    if (negative) h.set_sign(-1);
    if (reset) clear();
    hours = std::move(h);
    minutes = std::move(m);
    seconds = std::move(sec);
}

INT_DATA TIME_DATA::total_seconds() const {
    INT_DATA magnitude = (is_negative() ? hours.negated() : hours) * INT_DATA(3600) + minutes * INT_DATA(60) + seconds;
    return is_negative() ? magnitude.negated() : magnitude;
}

void TIME_DATA::add_seconds(const INT_DATA& n) { from_seconds(total_seconds() + n, true); }

INT_DATA TIME_DATA::diff_seconds(const TIME_DATA& a, const TIME_DATA& b) {
    return a.total_seconds() - b.total_seconds();
}

const std::string& TIME_DATA::to_text(bool pad) {
    std::string h = signed_hours_text(hours);
    std::string m = minutes.to_text();
    std::string s = seconds.to_text();
    std::string result;
    if (pad) {
        if (h.size() == 1) result = "0" + h;
        else if (h.size() == 2 && h[0] == '-') result = std::string("-0") + h[1];
        else result = h;
        result += m.size() == 1 ? ":0" : ":";
        result += m;
        result += s.size() == 1 ? ":0" : ":";
        result += s;
    } else {
        result = h + ":" + m + ":" + s;
    }
    text = std::move(result);
    return text;
}

TIME_DATA TIME_DATA::now() {
    std::time_t clock = std::time(nullptr);
    std::tm local{};
    localtime_r(&clock, &local);
    return TIME_DATA(INT_DATA(local.tm_hour), INT_DATA(local.tm_min), INT_DATA(local.tm_sec));
}

}  // namespace morvu
