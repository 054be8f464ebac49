// Methods of datetime: the call form from a text, copies of the date, time
// and zone parts, differences in seconds, moving by seconds, conversion to
// another zone, and the local moment now. Every instant is reduced to its
// absolute seconds by the datetime store, so one instant written in two
// zones differs by 0.

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

// The date, time and zone texts of a datetime text, each checked by the
// parser of its part; a text that is no datetime is refused before
// anything changes. A text without a zone is in the zone +0:0.
struct DATETIME_TEXTS {
    std::string date, time, zone;
};

DATETIME_TEXTS datetime_texts(const METHOD_CALL& call) {
    DATETIME_TEXTS parts;
    if (!datetime_text_parse(calendar_text_arg(call, 0), parts.date, parts.time, parts.zone))
        call.raise(msg_text("zeiketkeidatzei"));
    return parts;
}

DATETIME_DATA& datetime_of(UNION_DATA* value) { return *value->datetime_data(); }

}  // namespace

bool datetime_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        call.raise_if(check_arg_not_empty(*call.args, 0));
        const DATETIME_TEXTS parts = datetime_texts(call);
        append_made(call, make_datetime_value(DATETIME_DATA(parts.date, parts.time, parts.zone)));
        return true;
    }
    if (key_is(key, "now\xA7")) {
        call.append(make_datetime_value(DATETIME_DATA::now()));
        return true;
    }

    enum { date, time, timezone, diff, chop } which;
    if (key_is(key, "date\xA7")) which = date;
    else if (key_is(key, "time\xA7")) which = time;
    else if (key_is(key, "timezone\xA7")) which = timezone;
    else if (key_is(key,
                    "diff\xA7"
                    "datetime;\xA7"))
        which = diff;
    else if (key_is(key, "chop\xA7")) which = chop;
    else return false;

    DATETIME_DATA& datetime = datetime_of(call.checked_receiver(true));
    switch (which) {
    case date: call.append(make_date_value(datetime.date)); break;
    case time: call.append(make_time_value(datetime.time)); break;
    case timezone: call.append(make_timezone_value(datetime.zone)); break;
    case diff:
        call.raise_if(check_arg_not_empty(*call.args, 0));
        call.append(
            make_int_value(DATETIME_DATA::diff_seconds(datetime, datetime_of(argument_value(call.arg(0).cell)))));
        break;
    case chop: call.append(make_str_value(datetime.to_text(false))); break;
    }
    return true;
}

bool datetime_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        DATETIME_DATA& datetime = datetime_of(calendar_setter_receiver(call, false));
        call.raise_if(check_arg_defined(*call.args, 0));
        const DATETIME_TEXTS parts = datetime_texts(call);
        datetime.set(parts.date, parts.time, parts.zone, true);
        return true;
    }
    // Seconds move an instant and a zone converts one: an empty datetime is
    // none, and an empty number or zone gives nothing to move by.
    if (key_is(key,
               "add\xA7"
               "int;\xA7")) {
        DATETIME_DATA& datetime = datetime_of(calendar_setter_receiver(call, true));
        call.raise_if(check_arg_not_empty(*call.args, 0));
        datetime.add_seconds(calendar_int_arg(call, 0));
        return true;
    }
    if (key_is(key,
               "to_timezone\xA7"
               "timezone;\xA7")) {
        DATETIME_DATA& datetime = datetime_of(calendar_setter_receiver(call, true));
        call.raise_if(check_arg_not_empty(*call.args, 0));
        const TIMEZONE_DATA& zone = *argument_value(call.arg(0).cell)->timezone_data();
        datetime.to_timezone(TIMEZONE_DATA(zone.hours, zone.minutes));
        return true;
    }
    return false;
}

}  // namespace morvu
