#include <ctime>

#include "values/calendar.h"

namespace morvu {

DATETIME_DATA::DATETIME_DATA(const std::string& date_text, const std::string& time_text, const std::string& zone_text) {
    set(date_text, time_text, zone_text, false);
}

DATETIME_DATA::DATETIME_DATA(const DATE_DATA& date, const TIME_DATA& time, const TIMEZONE_DATA& zone)
    : date(date), time(time), zone(zone) {}

DATETIME_DATA::DATETIME_DATA(const DATETIME_DATA& other) : date(other.date), time(other.time), zone(other.zone) {}

DATETIME_DATA& DATETIME_DATA::operator=(const DATETIME_DATA& other) {
    assign(other);
    return *this;
}

DATETIME_DATA DATETIME_DATA::from_text(const std::string& text) {
    DATETIME_DATA datetime;
    datetime.set_from_text(text, false);
    return datetime;
}

void DATETIME_DATA::set_from_text(const std::string& text, bool reset) {
    std::string date_text, time_text, zone_text;
    datetime_text_parse(text, date_text, time_text, zone_text);
    set(date_text, time_text, zone_text, reset);
}

void DATETIME_DATA::set(const std::string& date_text, const std::string& time_text, const std::string& zone_text,
                        bool reset) {
    if (reset) clear();
    date.set_from_text(date_text, reset);
    time.set_from_text(time_text, reset);
    zone.set_from_text(zone_text, reset);  // no zone in the text: 0:0
}

void DATETIME_DATA::clear() {
    date.clear();
    time.clear();
    zone.clear();
    std::string().swap(text);
}

bool DATETIME_DATA::is_empty() const { return date.is_empty() && time.is_empty() && zone.is_empty(); }

void DATETIME_DATA::assign(const DATETIME_DATA& other) {
    std::string().swap(text);
    date.assign(other.date);
    time.assign(other.time);
    zone.assign(other.zone);
}

const std::string& DATETIME_DATA::to_text(bool pad) {
    std::string result = date.to_text(pad);
    result += "T";
    result += time.to_text(pad);
    result += zone.to_text(pad);  // always begins with its sign
    text = std::move(result);
    return text;
}

INT_DATA DATETIME_DATA::total_seconds() const {
    return date.day_number() * INT_DATA(86400) + time.total_seconds() - zone.total_seconds();
}

void DATETIME_DATA::from_seconds(const INT_DATA& s) {
    const INT_DATA day_seconds(86400);
    INT_DATA days = s / day_seconds;
    // Division truncates; before 0000-01-01 take the day below, so that the
    // time of day stays within 0 to 23 hours.
    if (days * day_seconds > s) days -= INT_DATA(1);
    date.set(INT_DATA(1), INT_DATA(1), INT_DATA(0), true);
    date.add_days(days);
    time.from_seconds(s - days * day_seconds, true);
}

void DATETIME_DATA::add_seconds(const INT_DATA& n) { from_seconds(total_seconds() + zone.total_seconds() + n); }

INT_DATA DATETIME_DATA::diff_seconds(const DATETIME_DATA& a, const DATETIME_DATA& b) {
    return a.total_seconds() - b.total_seconds();
}

void DATETIME_DATA::to_timezone(const TIMEZONE_DATA& new_zone) {
    TIMEZONE_DATA target(new_zone);  // the argument may be our own zone
    from_seconds(total_seconds() + target.total_seconds());
    zone.assign(target);
}

DATETIME_DATA DATETIME_DATA::now() {
    std::time_t clock = std::time(nullptr);
    std::tm local{};
    localtime_r(&clock, &local);
    DATETIME_DATA result;
    result.date.assign(DATE_DATA(INT_DATA(local.tm_mday), INT_DATA(local.tm_mon + 1), INT_DATA(local.tm_year + 1900)));
    result.time.assign(TIME_DATA(INT_DATA(local.tm_hour), INT_DATA(local.tm_min), INT_DATA(local.tm_sec)));
    result.zone.assign(TIMEZONE_DATA::in_force_at(clock));  // the same reading
    return result;
}

}  // namespace morvu
