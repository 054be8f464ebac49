// The written forms of calendar values and the process-wide date format.
//
// Each parser decides whether a text is a time, a date, a timezone or a
// datetime and splits it into the texts of its fields. They build no payload
// and report nothing but false; their callers raise in their own words. The
// given text is never changed. Outputs are assigned one by one as their fields
// pass, so a field that the text leaves out, or that comes after the field
// that failed, keeps whatever the caller put there.
//
// Field texts: an hours field (time or zone) and the date fields are passed on
// as written, sign and leading zeros included; a minutes or seconds field is
// passed on as its value written with "%d".
//
// date_format holds exactly one 'D', one 'M' and one 'Y' in any order, every
// other character being a literal; the empty text stands for "Y-M-D". It is
// read afresh by every date parse and every date text, so a date written
// under a format reads back under it.

#pragma once

#include <string>

namespace morvu {

// Empty at start-up; changed only after check_date_format accepted the text.
extern std::string date_format;

// The format in force: date_format, or "Y-M-D" when that is empty.
std::string effective_date_format();

// H, H:M or H:M:S. H: optional sign and at least one digit, any length.
// M and S: one or two characters whose leading-integer value is 0 to 59.
bool time_text_parse(const std::string& text, std::string& hours, std::string& minutes, std::string& seconds);

// The fields of the date format: D and M one to three digits, Y one to five;
// the values must form a calendar date. Text after the format is ignored.
bool date_text_parse(const std::string& text, std::string& day, std::string& month, std::string& year);

// H or H:M. H: optional sign and digits, value -12 to 14; M: one or two
// characters whose value is 0, 30 or 45.
bool timezone_text_parse(const std::string& text, std::string& hours, std::string& minutes);

// date 'T' time, optionally followed by a zone that begins with '+' or '-'.
// The three part texts are assigned before the parts are checked.
bool datetime_text_parse(const std::string& text, std::string& date_text, std::string& time_text,
                         std::string& zone_text);

}  // namespace morvu
