// Methods of time: the call forms from a text and from a number of seconds,
// the fields, total seconds and differences, adding seconds, and the time
// of day now. A time is a signed duration: its hours carry the sign and
// never wrap at 24. The arithmetic is the time store's.

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

// The time a text stands for; a text that is no time is refused before
// anything changes. Fields the text leaves out are 0.
TIME_DATA time_of_text(const METHOD_CALL& call) {
    std::string hours, minutes, seconds;
    if (!time_text_parse(calendar_text_arg(call, 0), hours, minutes, seconds)) call.raise(msg_text("zeiketkeizei"));
    return TIME_DATA(calendar_number(hours), calendar_number(minutes), calendar_number(seconds));
}

TIME_DATA& time_of(UNION_DATA* value) { return *value->time_data(); }

}  // namespace

bool time_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        call.raise_if(check_arg_not_empty(*call.args, 0));
        append_made(call, make_time_value(time_of_text(call)));
        return true;
    }
    if (key_is(key, "now\xA7")) {
        call.append(make_time_value(TIME_DATA::now()));
        return true;
    }

    enum { diff, total, hours, minutes, seconds, chop } which;
    if (key_is(key,
               "diff\xA7"
               "time;\xA7"))
        which = diff;
    else if (key_is(key, "int\xA7")) which = total;
    else if (key_is(key, "hours\xA7")) which = hours;
    else if (key_is(key, "minutes\xA7")) which = minutes;
    else if (key_is(key, "seconds\xA7")) which = seconds;
    else if (key_is(key, "chop\xA7")) which = chop;
    else return false;

    TIME_DATA& time = time_of(call.checked_receiver(true));
    switch (which) {
    case diff:
        call.raise_if(check_arg_not_empty(*call.args, 0));
        call.append(make_int_value(TIME_DATA::diff_seconds(time, time_of(argument_value(call.arg(0).cell)))));
        break;
    case total: call.append(make_int_value(time.total_seconds())); break;
    case hours: call.append(make_int_value(time.hours)); break;
    case minutes: call.append(make_int_value(time.minutes)); break;
    case seconds: call.append(make_int_value(time.seconds)); break;
    case chop: call.append(make_str_value(time.to_text(false))); break;
    }
    return true;
}

bool time_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "int;\xA7")) {
        TIME_DATA& time = time_of(calendar_setter_receiver(call, false));
        // An empty number is no count of seconds.
        call.raise_if(check_arg_not_empty(*call.args, 0));
        time.from_seconds(calendar_int_arg(call, 0), true);
        return true;
    }
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        TIME_DATA& time = time_of(calendar_setter_receiver(call, false));
        call.raise_if(check_arg_defined(*call.args, 0));
        TIME_DATA read = time_of_text(call);
        time.set(read.hours, read.minutes, read.seconds, true);
        return true;
    }
    if (key_is(key,
               "add\xA7"
               "int;\xA7")) {
        TIME_DATA& time = time_of(calendar_setter_receiver(call, true));
        call.raise_if(check_arg_not_empty(*call.args, 0));
        time.add_seconds(calendar_int_arg(call, 0));
        return true;
    }
    return false;
}

}  // namespace morvu
