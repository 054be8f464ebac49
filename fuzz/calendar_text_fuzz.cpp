// Feeds arbitrary texts to the calendar text parsers of time, date, zone
// and datetime. A text a parser accepts is read into its value, which must
// write itself as text without fault.

#include <cstddef>
#include <cstdint>
#include <string>

#include "values/calendar.h"
#include "values/calendar_text.h"

using namespace morvu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1024) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string first, second, third;
    if (time_text_parse(text, first, second, third)) {
        TIME_DATA time = TIME_DATA::from_text(text);
        time.to_text(true);
        time.to_text(false);
    }
    if (date_text_parse(text, first, second, third)) {
        DATE_DATA date = DATE_DATA::from_text(text);
        date.to_text(true);
        date.to_text(false);
    }
    if (timezone_text_parse(text, first, second)) {
        TIMEZONE_DATA zone = TIMEZONE_DATA::from_text(text);
        zone.to_text(true);
    }
    if (datetime_text_parse(text, first, second, third)) {
        DATETIME_DATA datetime = DATETIME_DATA::from_text(text);
        datetime.to_text(true);
        datetime.to_text(false);
    }
    return 0;
}
