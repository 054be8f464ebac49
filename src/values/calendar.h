// The payloads of the calendar values: time (a signed duration), date (a day
// of the proleptic Gregorian calendar), timezone (an offset from UTC) and
// datetime (a date and a time of day read on the clock of a zone).
//
// Every field is an INT_DATA, so no part has a size limit. A payload is empty
// when all its numbers are empty (no limbs); clear() makes it so. `text` is
// the result buffer of the last to_text(): it is replaced by the next call,
// dropped by clear() and never copied. Copies are deep.
//
// Times and zones carry the sign of the whole value in the sign of their
// hours, read from the sign itself and not from the value, so that a
// negative zero counts: -1800 seconds is the time -0:30:0 and the zone
// -0:30 is half an hour west. Minutes and seconds count in the direction of
// the hours.
//
// A day number counts days from 0000-01-01 (day 0), year 0 counted with 365
// days; 0001-01-01 is 365 and 1970-01-01 is 719527. The absolute seconds of a
// datetime are day number x 86400 + seconds of its time - seconds of its zone,
// the same for one instant in every zone.
//
// The reset flag of the setters is false only for a payload that has just
// been constructed; every change of a live payload passes true. The setters
// from text do not check their text: callers test it with the parsers of
// calendar_text.h first.

#pragma once

#include <ctime>
#include <string>

#include "numbers/int_data.h"
#include "values/calendar_text.h"

namespace morvu {

// A number from a field text of the parsers: a leading '+' is dropped, and
// the empty text gives 0.
INT_DATA calendar_number(const std::string& field);

// The decimal text of an hours number with its sign, "-0" for a negative zero.
std::string signed_hours_text(const INT_DATA& hours);

class TIME_DATA {
public:
    INT_DATA hours;    // carries the sign of the whole duration; never wrapped at 24
    INT_DATA minutes;  // 0 to 59 after normalising and in every parsed time
    INT_DATA seconds;  // likewise
    std::string text;  // result of the last to_text

    TIME_DATA() = default;
    TIME_DATA(const INT_DATA& hours, const INT_DATA& minutes, const INT_DATA& seconds);
    TIME_DATA(const TIME_DATA& other);
    TIME_DATA& operator=(const TIME_DATA& other);
    TIME_DATA(TIME_DATA&&) noexcept = default;
    TIME_DATA& operator=(TIME_DATA&&) noexcept = default;
    ~TIME_DATA() = default;

    static TIME_DATA from_text(const std::string& text);
    void set_from_text(const std::string& text, bool reset);
    void set(const INT_DATA& hours, const INT_DATA& minutes, const INT_DATA& seconds, bool reset);
    void clear();
    bool is_empty() const;
    void assign(const TIME_DATA& other);

    // The normalised form of s seconds: hours carry the sign (a negative zero
    // below one hour), minutes and seconds 0 to 59.
    void from_seconds(const INT_DATA& s, bool reset);
    INT_DATA total_seconds() const;
    void add_seconds(const INT_DATA& n);
    static INT_DATA diff_seconds(const TIME_DATA& a, const TIME_DATA& b);

    // "h:m:s"; padded, one-digit parts get a leading "0" (-5 becomes -05).
    const std::string& to_text(bool pad);

    // The local time of day now.
    static TIME_DATA now();

    // Whether the hours carry a minus sign (a negative zero included).
    bool is_negative() const { return hours.sign() < 0; }
};

class DATE_DATA {
public:
    INT_DATA day;
    INT_DATA month;
    INT_DATA year;
    std::string text;  // result of the last to_text

    DATE_DATA() = default;
    DATE_DATA(const INT_DATA& day, const INT_DATA& month, const INT_DATA& year);
    DATE_DATA(const DATE_DATA& other);
    DATE_DATA& operator=(const DATE_DATA& other);
    DATE_DATA(DATE_DATA&&) noexcept = default;
    DATE_DATA& operator=(DATE_DATA&&) noexcept = default;
    ~DATE_DATA() = default;

    static DATE_DATA from_text(const std::string& text);
    void set_from_text(const std::string& text, bool reset);
    void set(const INT_DATA& day, const INT_DATA& month, const INT_DATA& year, bool reset);
    void clear();
    bool is_empty() const;
    void assign(const DATE_DATA& other);

    // The date written by date_format; padded, day and month get two digits
    // and years 0 to 999 four.
    const std::string& to_text(bool pad);

    // The local date now.
    static DATE_DATA today();

    static INT_DATA leap_days(const INT_DATA& year);  // 0 or 1
    static bool is_leap_year(const INT_DATA& year);
    static INT_DATA days_before_year(const INT_DATA& year);  // day number of 1 January

    INT_DATA day_of_year() const;  // 1-based
    INT_DATA day_number() const;
    static INT_DATA diff_days(const DATE_DATA& a, const DATE_DATA& b);
    void add_days(const INT_DATA& n);  // any sign, in place
    INT_DATA week_day() const;         // 1 Monday .. 7 Sunday

    // English names; a number outside 1..7 (1..12) gives the empty text.
    static std::string week_day_name(const INT_DATA& week_day);
    static std::string month_name(const INT_DATA& month);

private:
    bool add_machine_days(const INT_DATA& n);
};

// Empty when the text is a usable date format (empty, or exactly one 'D', one
// 'M' and one 'Y'); otherwise "Infeasible date format".
std::string check_date_format(const std::string& format);

class TIMEZONE_DATA {
public:
    INT_DATA hours;    // carries the sign of the whole offset
    INT_DATA minutes;  // counted in the direction of the hours
    std::string text;  // result of the last to_text

    TIMEZONE_DATA() = default;
    TIMEZONE_DATA(const INT_DATA& hours, const INT_DATA& minutes);
    TIMEZONE_DATA(const TIMEZONE_DATA& other);
    TIMEZONE_DATA& operator=(const TIMEZONE_DATA& other);
    TIMEZONE_DATA(TIMEZONE_DATA&&) noexcept = default;
    TIMEZONE_DATA& operator=(TIMEZONE_DATA&&) noexcept = default;
    ~TIMEZONE_DATA() = default;

    // The empty text gives the zone 0:0.
    static TIMEZONE_DATA from_text(const std::string& text);
    void set_from_text(const std::string& text, bool reset);
    void set(const INT_DATA& hours, const INT_DATA& minutes, bool reset);
    void clear();
    bool is_empty() const;
    void assign(const TIMEZONE_DATA& other);

    INT_DATA total_seconds() const;  // local time = UTC + this

    // Always signed: "+h:m"; padded "+hh:mm".
    const std::string& to_text(bool pad);

    // The offset of the local zone (TZ) at 1970-01-01 11:00:00 UTC, so that
    // it is the same all year round.
    static TIMEZONE_DATA local();
    // The offset of the local zone in force at an instant, daylight saving
    // included.
    static TIMEZONE_DATA in_force_at(std::time_t instant);

    bool is_negative() const { return hours.sign() < 0; }
};

class DATETIME_DATA {
public:
    DATE_DATA date;  // the local calendar date
    TIME_DATA time;  // the local time of day; 0 to 23 hours once computed
    TIMEZONE_DATA zone;
    std::string text;  // result of the last to_text

    DATETIME_DATA() = default;
    // From the three part texts, each set without check.
    DATETIME_DATA(const std::string& date_text, const std::string& time_text, const std::string& zone_text);
    // From copies of three payloads.
    DATETIME_DATA(const DATE_DATA& date, const TIME_DATA& time, const TIMEZONE_DATA& zone);
    DATETIME_DATA(const DATETIME_DATA& other);
    DATETIME_DATA& operator=(const DATETIME_DATA& other);
    DATETIME_DATA(DATETIME_DATA&&) noexcept = default;
    DATETIME_DATA& operator=(DATETIME_DATA&&) noexcept = default;
    ~DATETIME_DATA() = default;

    static DATETIME_DATA from_text(const std::string& text);
    void set_from_text(const std::string& text, bool reset);
    void set(const std::string& date_text, const std::string& time_text, const std::string& zone_text, bool reset);
    void clear();
    bool is_empty() const;
    void assign(const DATETIME_DATA& other);

    // date "T" time zone, each part with the same pad flag.
    const std::string& to_text(bool pad);

    INT_DATA total_seconds() const;  // the absolute seconds
    // Date and time become the clock reading s seconds after
    // 0000-01-01T00:00:00, no zone applied; the zone stays.
    void from_seconds(const INT_DATA& s);
    void add_seconds(const INT_DATA& n);  // keeps the zone
    static INT_DATA diff_seconds(const DATETIME_DATA& a, const DATETIME_DATA& b);
    // The same instant written in another zone, which replaces this one.
    void to_timezone(const TIMEZONE_DATA& zone);

    // The local date and time now, with the offset in force now, so that
    // the value names the current instant also in daylight saving.
    static DATETIME_DATA now();
};

}  // namespace morvu
