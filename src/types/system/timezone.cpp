// Methods of timezone: the call form from a text, hours and minutes, and
// the offset of the local zone. An offset carries its sign in its hours,
// also when they are zero (-0:30 is half an hour west of UTC).

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

// The zone a text stands for; a text that is no zone is refused before
// anything changes. Hours alone are a zone of whole hours.
TIMEZONE_DATA zone_of_text(const METHOD_CALL& call) {
    std::string hours, minutes;
    if (!timezone_text_parse(calendar_text_arg(call, 0), hours, minutes)) call.raise(msg_text("zeiketkeizeizon"));
    return TIMEZONE_DATA(calendar_number(hours), calendar_number(minutes));
}

TIMEZONE_DATA& zone_of(UNION_DATA* value) { return *value->timezone_data(); }

}  // namespace

bool timezone_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_is(key,
               "\xA7"
               "str;\xA7")) {
        call.raise_if(check_arg_not_empty(*call.args, 0));
        append_made(call, make_timezone_value(zone_of_text(call)));
        return true;
    }
    if (key_is(key, "local\xA7")) {
        call.append(make_timezone_value(TIMEZONE_DATA::local()));
        return true;
    }

    enum { hours, minutes, chop } which;
    if (key_is(key, "hours\xA7")) which = hours;
    else if (key_is(key, "minutes\xA7")) which = minutes;
    else if (key_is(key, "chop\xA7")) which = chop;
    else return false;

    TIMEZONE_DATA& zone = zone_of(call.checked_receiver(true));
    switch (which) {
    case hours: call.append(make_int_value(zone.hours)); break;
    case minutes: call.append(make_int_value(zone.minutes)); break;
    case chop: call.append(make_str_value(zone.to_text(false))); break;
    }
    return true;
}

bool timezone_procedures(METHOD_CALL& call) {
    if (!key_is(call.key(),
                "\xA7"
                "str;\xA7"))
        return false;
    TIMEZONE_DATA& zone = zone_of(calendar_setter_receiver(call, false));
    call.raise_if(check_arg_defined(*call.args, 0));
    TIMEZONE_DATA read = zone_of_text(call);
    zone.set(read.hours, read.minutes, true);
    return true;
}

}  // namespace morvu
