#include <cstdlib>
#include <ctime>

#include "values/calendar.h"

namespace morvu {

TIMEZONE_DATA::TIMEZONE_DATA(const INT_DATA& hours, const INT_DATA& minutes) : hours(hours), minutes(minutes) {}

TIMEZONE_DATA::TIMEZONE_DATA(const TIMEZONE_DATA& other) : hours(other.hours), minutes(other.minutes) {}

TIMEZONE_DATA& TIMEZONE_DATA::operator=(const TIMEZONE_DATA& other) {
    assign(other);
    return *this;
}

TIMEZONE_DATA TIMEZONE_DATA::from_text(const std::string& text) {
    TIMEZONE_DATA zone;
    zone.set_from_text(text, false);
    return zone;
}

void TIMEZONE_DATA::set_from_text(const std::string& text, bool reset) {
    std::string h, m;
    timezone_text_parse(text, h, m);  // a rejected text leaves only the fields that passed
    set(calendar_number(h), calendar_number(m), reset);
}

void TIMEZONE_DATA::set(const INT_DATA& new_hours, const INT_DATA& new_minutes, bool reset) {
    INT_DATA h(new_hours), m(new_minutes);  // the arguments may be our own numbers
    if (reset) clear();
    hours = std::move(h);
    minutes = std::move(m);
}

void TIMEZONE_DATA::clear() {
    hours = INT_DATA();
    minutes = INT_DATA();
    std::string().swap(text);
}

bool TIMEZONE_DATA::is_empty() const { return hours.is_empty() && minutes.is_empty(); }

void TIMEZONE_DATA::assign(const TIMEZONE_DATA& other) { set(other.hours, other.minutes, true); }

INT_DATA TIMEZONE_DATA::total_seconds() const {
    INT_DATA magnitude = (is_negative() ? hours.negated() : hours) * INT_DATA(3600) + minutes * INT_DATA(60);
    return is_negative() ? magnitude.negated() : magnitude;
}

const std::string& TIMEZONE_DATA::to_text(bool pad) {
    std::string h = signed_hours_text(hours);
    std::string m = minutes.to_text();
    std::string result;
    if (h[0] != '-') {
        result = "+";
        if (pad && h.size() == 1) result += "0";
        result += h;
    } else if (pad && h.size() == 2) {
        result = std::string("-0") + h[1];
    } else {
        result = h;
    }
    result += pad && m.size() == 1 ? ":0" : ":";
    result += m;
    text = std::move(result);
    return text;
}

TIMEZONE_DATA TIMEZONE_DATA::local() {
    // One fixed instant, 1970-01-01 11:00:00 UTC, so that daylight saving of
    // the current season never enters the zone.
    return in_force_at(39600);
}

TIMEZONE_DATA TIMEZONE_DATA::in_force_at(std::time_t instant) {
    std::tm local_clock{}, utc_clock{};
    localtime_r(&instant, &local_clock);
    gmtime_r(&instant, &utc_clock);
    int offset = (local_clock.tm_hour - utc_clock.tm_hour) * 60 + (local_clock.tm_min - utc_clock.tm_min);
    // Far east or west of UTC the local clock reads another day.
    int local_day = local_clock.tm_year * 1000 + local_clock.tm_yday;
    int utc_day = utc_clock.tm_year * 1000 + utc_clock.tm_yday;
    if (local_day > utc_day) offset += 1440;
    if (local_day < utc_day) offset -= 1440;
    int magnitude = std::abs(offset);
    INT_DATA h(magnitude / 60);
    if (offset < 0) h.set_sign(-1);  // also for a zone less than an hour west
    return TIMEZONE_DATA(h, INT_DATA(magnitude % 60));
}

}  // namespace morvu
