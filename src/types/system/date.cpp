// Methods of date: the call form from a text, the fields and their names,
// day differences and day arithmetic, week days and leap years, and the
// process-wide date format. The calendar arithmetic is the date store's.

#include <string>

#include "numbers/int_data.h"
#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "types/method_call.h"
#include "types/system/calendar_args.h"
#include "values/calendar.h"
#include "values/calendar_text.h"
#include "values/factories.h"

namespace morvu {

namespace {

// The date a text stands for under the date format in force; a text that
// is no date is refused before anything changes.
DATE_DATA date_of_text(const METHOD_CALL& call) {
    std::string day, month, year;
    if (!date_text_parse(calendar_text_arg(call, 0), day, month, year)) call.raise(msg_text("zeiketkeidat"));
    return DATE_DATA(calendar_number(day), calendar_number(month), calendar_number(year));
}

DATE_DATA& date_of(UNION_DATA* value) { return *value->date_data(); }

}  // namespace

bool date_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        call.raise_if(check_arg_not_empty(*call.args, 0));
        append_made(call, make_date_value(date_of_text(call)));
        return true;
    }
    // The methods that do not look at the receiver.
    if (key_is(key, "get_fmt\xA7")) {
        call.append(make_str_value(date_format));
        return true;
    }
    if (key_is(key, "today\xA7")) {
        call.append(make_date_value(DATE_DATA::today()));
        return true;
    }
    if (key_is(key,
               "leap_year\xA7"
               "int;\xA7")) {
        call.raise_if(check_arg_not_empty(*call.args, 0));
        call.append(make_bool_value(DATE_DATA::is_leap_year(calendar_int_arg(call, 0)), 0));
        return true;
    }

    enum { diff, day, month, month_name, year, chop, leap_year, week_day, week_day_name } which;
    if (key_is(key,
               "diff\xA7"
               "date;\xA7"))
        which = diff;
    else if (key_is(key, "day\xA7")) which = day;
    else if (key_is(key, "month\xA7")) which = month;
    else if (key_is(key, "month_name\xA7")) which = month_name;
    else if (key_is(key, "year\xA7")) which = year;
    else if (key_is(key, "chop\xA7")) which = chop;
    else if (key_is(key, "leap_year\xA7")) which = leap_year;
    else if (key_is(key, "week_day\xA7")) which = week_day;
    else if (key_is(key, "week_day_name\xA7")) which = week_day_name;
    else return false;

    DATE_DATA& date = date_of(call.checked_receiver(true));
    switch (which) {
    case diff:
        call.raise_if(check_arg_not_empty(*call.args, 0));
        call.append(make_int_value(DATE_DATA::diff_days(date, date_of(argument_value(call.arg(0).cell)))));
        break;
    case day: call.append(make_int_value(date.day)); break;
    case month: call.append(make_int_value(date.month)); break;
    case month_name: call.append(make_str_value(DATE_DATA::month_name(date.month))); break;
    case year: call.append(make_int_value(date.year)); break;
    case chop: call.append(make_str_value(date.to_text(false))); break;
    case leap_year: call.append(make_bool_value(DATE_DATA::is_leap_year(date.year), 0)); break;
    case week_day: call.append(make_int_value(date.week_day())); break;
    case week_day_name: call.append(make_str_value(DATE_DATA::week_day_name(date.week_day()))); break;
    }
    return true;
}

bool date_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        DATE_DATA& date = date_of(calendar_setter_receiver(call, false));
        call.raise_if(check_arg_defined(*call.args, 0));
        DATE_DATA read = date_of_text(call);
        date.set(read.day, read.month, read.year, true);
        return true;
    }
    if (key_is(key,
               "add\xA7"
               "int;\xA7")) {
        // Days are added to a date, not to an empty one, and an empty
        // number is no count of days.
        DATE_DATA& date = date_of(calendar_setter_receiver(call, true));
        call.raise_if(check_arg_not_empty(*call.args, 0));
        date.add_days(calendar_int_arg(call, 0));
        return true;
    }
    if (key_is(key,
               "set_fmt\xA7"
               "str;\xA7")) {
        call.raise_if(check_args_defined(*call.args));
        const std::string& format = calendar_text_arg(call, 0);
        call.raise_if(check_date_format(format));
        date_format = format;
        return true;
    }
    return false;
}

}  // namespace morvu
