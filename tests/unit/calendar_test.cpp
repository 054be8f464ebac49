#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "values/calendar.h"
#include "values/calendar_text.h"

namespace morvu {
namespace {

INT_DATA num(long value) { return INT_DATA(value); }
std::string text_of(const INT_DATA& n) { return n.to_text(); }

// Every test starts from the default date format and ends with it.
class Calendar : public ::testing::Test {
protected:
    void SetUp() override { date_format.clear(); }
    void TearDown() override { date_format.clear(); }
};

// Sets TZ for the scope and puts the old setting back.
class TZ_SCOPE {
public:
    explicit TZ_SCOPE(const char* zone) {
        const char* old = std::getenv("TZ");
        had_old = old != nullptr;
        if (had_old) old_value = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TZ_SCOPE() {
        if (had_old) setenv("TZ", old_value.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    TZ_SCOPE(const TZ_SCOPE&) = delete;
    TZ_SCOPE& operator=(const TZ_SCOPE&) = delete;

private:
    bool had_old = false;
    std::string old_value;
};

// The lines of the Python datetime oracle, split into tokens.
std::vector<std::vector<std::string>> oracle_lines(char kind) {
    static std::vector<std::vector<std::string>> all = [] {
        std::vector<std::vector<std::string>> lines;
        std::string command = std::string("python3 ") + MORVU_TEST_TOOLS_DIR + "/calendar_oracle.py";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return lines;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            std::istringstream in(buffer);
            std::vector<std::string> tokens;
            for (std::string token; in >> token;) tokens.push_back(token);
            if (!tokens.empty()) lines.push_back(tokens);
        }
        pclose(pipe);
        return lines;
    }();
    std::vector<std::vector<std::string>> selected;
    for (const auto& line : all)
        if (line[0].size() == 1 && line[0][0] == kind) selected.push_back(line);
    return selected;
}

DATE_DATA date_of(const std::string& y, const std::string& m, const std::string& d) {
    return DATE_DATA(INT_DATA(d.c_str()), INT_DATA(m.c_str()), INT_DATA(y.c_str()));
}

// ---- text parsing ----

TEST_F(Calendar, TimeTextForms) {
    std::string h, m, s;
    EXPECT_TRUE(time_text_parse("12", h, m, s));
    EXPECT_EQ(h, "12");
    EXPECT_EQ(m, "");
    EXPECT_EQ(s, "");
    h = m = s = "";
    EXPECT_TRUE(time_text_parse("12:5", h, m, s));
    EXPECT_EQ(m, "5");
    EXPECT_TRUE(time_text_parse("-007:05:09", h, m, s));
    EXPECT_EQ(h, "-007");
    EXPECT_EQ(m, "5");
    EXPECT_EQ(s, "9");
    // Only length and value of minutes and seconds count, as atoi reads them.
    EXPECT_TRUE(time_text_parse("10:ab:7x", h, m, s));
    EXPECT_EQ(m, "0");
    EXPECT_EQ(s, "7");
    for (const char* bad :
         {"", "12:", ":30", "1:2:3:4", "+:10", "-", "10:60:00", "10:-1:00", "10:100", "1a:00", "10:00:"}) {
        EXPECT_FALSE(time_text_parse(bad, h, m, s)) << bad;
    }
}

TEST_F(Calendar, DateTextUnderFormats) {
    std::string d, m, y;
    EXPECT_TRUE(date_text_parse("2024-2-29", d, m, y));
    EXPECT_EQ(y, "2024");
    EXPECT_EQ(m, "2");
    EXPECT_EQ(d, "29");
    EXPECT_FALSE(date_text_parse("2023-2-29", d, m, y));
    EXPECT_FALSE(date_text_parse("1900-2-29", d, m, y));
    EXPECT_TRUE(date_text_parse("2000-2-29", d, m, y));
    EXPECT_FALSE(date_text_parse("2024-4-31", d, m, y));
    EXPECT_TRUE(date_text_parse("2024-12-31", d, m, y));
    EXPECT_FALSE(date_text_parse("2024-0-10", d, m, y));
    EXPECT_FALSE(date_text_parse("2024-13-1", d, m, y));
    EXPECT_FALSE(date_text_parse("2024-1-0", d, m, y));
    EXPECT_TRUE(date_text_parse("2024-001-015", d, m, y));
    EXPECT_EQ(m, "001");
    EXPECT_EQ(d, "015");
    EXPECT_TRUE(date_text_parse("12345-1-1", d, m, y));
    EXPECT_EQ(y, "12345");
    EXPECT_FALSE(date_text_parse("123456-1-1", d, m, y));
    EXPECT_TRUE(date_text_parse("2024-01-15xyz", d, m, y));
    EXPECT_FALSE(date_text_parse("2024-01", d, m, y));
    EXPECT_FALSE(date_text_parse("-2024-01-01", d, m, y));

    date_format = "D.M.Y";
    EXPECT_TRUE(date_text_parse("15.01.2024", d, m, y));
    EXPECT_EQ(d, "15");
    EXPECT_EQ(y, "2024");
    EXPECT_FALSE(date_text_parse("2024-01-15", d, m, y));

    date_format = "M/D/Y";
    EXPECT_TRUE(date_text_parse("2/29/2024", d, m, y));
    EXPECT_EQ(m, "2");
    EXPECT_FALSE(date_text_parse("29/2/2024", d, m, y));

    // Digit runs without separators are cut greedily.
    date_format = "YMD";
    EXPECT_FALSE(date_text_parse("20240115", d, m, y));
    EXPECT_TRUE(date_text_parse("020240115", d, m, y));
    EXPECT_EQ(y, "02024");
    EXPECT_EQ(m, "011");
    EXPECT_EQ(d, "5");
}

TEST_F(Calendar, ZoneTextForms) {
    std::string h, m;
    EXPECT_TRUE(timezone_text_parse("+14", h, m));
    EXPECT_EQ(h, "+14");
    EXPECT_EQ(m, "");
    EXPECT_TRUE(timezone_text_parse("-12:45", h, m));
    EXPECT_EQ(h, "-12");
    EXPECT_EQ(m, "45");
    EXPECT_TRUE(timezone_text_parse("-0:30", h, m));
    EXPECT_EQ(h, "-0");
    for (const char* bad : {"+15", "-13", "5:15", "5:30:45", "", "+", "5:", "5:300"})
        EXPECT_FALSE(timezone_text_parse(bad, h, m)) << bad;
}

TEST_F(Calendar, DatetimeTextForms) {
    std::string date, time, zone;
    EXPECT_TRUE(datetime_text_parse("2024-01-15T10:30:00", date, time, zone));
    EXPECT_EQ(date, "2024-01-15");
    EXPECT_EQ(time, "10:30:00");
    EXPECT_EQ(zone, "");
    EXPECT_TRUE(datetime_text_parse("2024-01-15T10:30:00+02:00", date, time, zone));
    EXPECT_EQ(time, "10:30:00");
    EXPECT_EQ(zone, "+02:00");
    EXPECT_TRUE(datetime_text_parse("2024-01-15T10:30:00-05:30", date, time, zone));
    EXPECT_EQ(zone, "-05:30");
    for (const char* bad :
         {"", "T10:00", "2024-01-15T", "2024-01-15T-5:00", "2024-01-15T10:00+", "2024-01-15T10:00+01:00-1",
          "2024-01-15", "2024-02-30T10:00", "2024-01-15T10:61", "2024-01-15T10:00+15"})
        EXPECT_FALSE(datetime_text_parse(bad, date, time, zone)) << bad;

    date_format = "D.M.Y";
    EXPECT_TRUE(datetime_text_parse("15.01.2024T10:30", date, time, zone));
    EXPECT_FALSE(datetime_text_parse("2024-01-15T10:30", date, time, zone));
}

// ---- dates ----

TEST_F(Calendar, DayNumbersWeekDaysAndLeapYearsMatchPython) {
    auto lines = oracle_lines('D');
    ASSERT_GT(lines.size(), 1000u);
    for (const auto& line : lines) {
        DATE_DATA date = date_of(line[1], line[2], line[3]);
        SCOPED_TRACE(line[1] + "-" + line[2] + "-" + line[3]);
        EXPECT_EQ(text_of(date.day_number()), line[4]);
        EXPECT_EQ(text_of(date.week_day()), line[5]);
        EXPECT_EQ(text_of(date.day_of_year()), line[6]);
        EXPECT_EQ(DATE_DATA::is_leap_year(date.year), line[7] == "1");
    }
}

TEST_F(Calendar, AddingDaysMatchesPython) {
    auto lines = oracle_lines('A');
    ASSERT_GT(lines.size(), 1000u);
    for (const auto& line : lines) {
        DATE_DATA date = date_of(line[1], line[2], line[3]);
        DATE_DATA start(date);
        date.add_days(INT_DATA(line[4].c_str()));
        SCOPED_TRACE(line[1] + "-" + line[2] + "-" + line[3] + " + " + line[4]);
        EXPECT_EQ(text_of(date.year), line[5]);
        EXPECT_EQ(text_of(date.month), line[6]);
        EXPECT_EQ(text_of(date.day), line[7]);
        EXPECT_EQ(text_of(DATE_DATA::diff_days(date, start)), line[4]);
    }
}

TEST_F(Calendar, DayNumbersFromYearZero) {
    EXPECT_EQ(text_of(date_of("0", "1", "1").day_number()), "0");
    EXPECT_EQ(text_of(date_of("1", "1", "1").day_number()), "365");
    EXPECT_EQ(text_of(date_of("1970", "1", "1").day_number()), "719527");
    EXPECT_EQ(text_of(date_of("2024", "1", "1").day_number()), "739250");
    // Every day number from 0000-01-01 on reaches the date of that number.
    DATE_DATA origin = date_of("0", "1", "1");
    for (long n : {365L, 366L, 719527L, 739250L, 3652423L}) {
        DATE_DATA date(origin);
        date.add_days(num(n));
        EXPECT_EQ(text_of(date.day_number()), std::to_string(n));
    }
    EXPECT_EQ(text_of(date_of("2024", "3", "1").day_of_year()), "61");
    EXPECT_EQ(text_of(date_of("2023", "3", "1").day_of_year()), "60");
    EXPECT_EQ(text_of(date_of("2024", "12", "31").day_of_year()), "366");
    EXPECT_EQ(text_of(DATE_DATA::diff_days(date_of("2024", "3", "1"), date_of("2024", "2", "1"))), "29");
    EXPECT_EQ(text_of(DATE_DATA::diff_days(date_of("2023", "3", "1"), date_of("2023", "2", "1"))), "28");
}

TEST_F(Calendar, AddingDaysAcrossMonthsAndYears) {
    struct CASE {
        const char *y, *m, *d;
        long n;
        const char* expected;
    };
    for (const CASE& c : {CASE{"2024", "2", "28", 1, "2024-2-29"}, CASE{"2023", "2", "28", 1, "2023-3-1"},
                          CASE{"2024", "1", "1", -1, "2023-12-31"}, CASE{"2024", "3", "1", -1, "2024-2-29"},
                          CASE{"2005", "1", "1", 36158, "2104-1-1"}, CASE{"1999", "12", "31", 2, "2000-1-2"}}) {
        DATE_DATA date = date_of(c.y, c.m, c.d);
        date.add_days(num(c.n));
        EXPECT_EQ(date.to_text(false), c.expected);
    }
}

TEST_F(Calendar, DateTextsUnderTheFormat) {
    DATE_DATA date = date_of("2024", "1", "5");
    EXPECT_EQ(date.to_text(false), "2024-1-5");
    EXPECT_EQ(date.to_text(true), "2024-01-05");
    EXPECT_EQ(date_of("33", "1", "5").to_text(true), "0033-01-05");
    EXPECT_EQ(date_of("0", "12", "25").to_text(true), "0000-12-25");
    date_format = "D.M.Y";
    EXPECT_EQ(date.to_text(true), "05.01.2024");
    date_format = "M/D/Y";
    EXPECT_EQ(date.to_text(false), "1/5/2024");
    // A date written under a format reads back under it.
    DATE_DATA back = DATE_DATA::from_text(date.to_text(true));
    EXPECT_EQ(text_of(DATE_DATA::diff_days(back, date)), "0");
    date_format = "";
    DATE_DATA parsed = DATE_DATA::from_text("2024-001-015");
    EXPECT_EQ(parsed.to_text(true), "2024-01-15");
}

TEST_F(Calendar, DateFormatCheck) {
    for (const char* good : {"", "Y-M-D", "D.M.Y", "M/D/Y", "YMD", "(D) M Y"})
        EXPECT_EQ(check_date_format(good), "") << good;
    for (const char* bad : {"DD.MM.YYYY", "Y-M", "y-m-d", "D-M-Y-D"})
        EXPECT_EQ(check_date_format(bad), "Infeasible date format") << bad;
}

TEST_F(Calendar, NamesOnlyInsideTheirTables) {
    EXPECT_EQ(DATE_DATA::month_name(num(1)), "January");
    EXPECT_EQ(DATE_DATA::month_name(num(12)), "December");
    EXPECT_EQ(DATE_DATA::week_day_name(num(1)), "Monday");
    EXPECT_EQ(DATE_DATA::week_day_name(num(7)), "Sunday");
    EXPECT_EQ(DATE_DATA::week_day_name(date_of("1970", "1", "1").week_day()), "Thursday");
    // Numbers outside the tables have no name; none reads past them.
    for (long n : {0L, -1L, 8L, 13L, 20L, 2147483647L}) EXPECT_EQ(DATE_DATA::week_day_name(num(n)), "") << n;
    for (long n : {0L, -5L, 13L, 20L}) EXPECT_EQ(DATE_DATA::month_name(num(n)), "") << n;
    EXPECT_EQ(DATE_DATA::month_name(INT_DATA("100000000000000000000001")), "");
}

TEST_F(Calendar, EmptyPayloadsAndCopies) {
    DATE_DATA date;
    EXPECT_TRUE(date.is_empty());
    EXPECT_TRUE(date.text.empty());
    DATE_DATA other = date_of("2024", "1", "5");
    other.to_text(true);
    date.assign(other);
    EXPECT_FALSE(date.is_empty());
    EXPECT_TRUE(date.text.empty());  // the text buffer is never copied
    date.clear();
    EXPECT_TRUE(date.is_empty());
    date.assign(date_of("1", "1", "1"));
    date.assign(date);  // onto itself
    EXPECT_EQ(date.to_text(false), "1-1-1");

    TIME_DATA time;
    EXPECT_TRUE(time.is_empty());
    time.assign(TIME_DATA::from_text("1:2:3"));
    EXPECT_FALSE(time.is_empty());
    DATETIME_DATA datetime;
    EXPECT_TRUE(datetime.is_empty());
    TIMEZONE_DATA zone;
    EXPECT_TRUE(zone.is_empty());
}

// ---- times ----

TEST_F(Calendar, TimeFromSecondsAndBack) {
    struct CASE {
        long seconds;
        const char* plain;
        const char* padded;
    };
    for (const CASE& c :
         {CASE{0, "0:0:0", "00:00:00"}, CASE{3599, "0:59:59", "00:59:59"}, CASE{3600, "1:0:0", "01:00:00"},
          CASE{-3600, "-1:0:0", "-01:00:00"}, CASE{3725, "1:2:5", "01:02:05"}, CASE{-3725, "-1:2:5", "-01:02:05"},
          CASE{86400, "24:0:0", "24:00:00"}, CASE{90000, "25:0:0", "25:00:00"}, CASE{-1800, "-0:30:0", "-00:30:00"},
          CASE{-1, "-0:0:1", "-00:00:01"}, CASE{-3599, "-0:59:59", "-00:59:59"},
          CASE{-360000, "-100:0:0", "-100:00:00"}}) {
        TIME_DATA time;
        time.from_seconds(num(c.seconds), false);
        EXPECT_EQ(time.to_text(false), c.plain);
        EXPECT_EQ(time.to_text(true), c.padded);
        EXPECT_EQ(text_of(time.total_seconds()), std::to_string(c.seconds));
        // And through the text form.
        TIME_DATA read = TIME_DATA::from_text(c.padded);
        EXPECT_EQ(text_of(read.total_seconds()), std::to_string(c.seconds)) << c.padded;
    }
}

TEST_F(Calendar, TimeSignsAndArithmetic) {
    EXPECT_EQ(text_of(TIME_DATA::from_text("-1:30:0").total_seconds()), "-5400");
    EXPECT_EQ(text_of(TIME_DATA::from_text("1:30:0").total_seconds()), "5400");
    EXPECT_EQ(text_of(TIME_DATA::from_text("+1:30").total_seconds()), "5400");
    EXPECT_EQ(text_of(TIME_DATA::from_text("5").total_seconds()), "18000");
    TIME_DATA time = TIME_DATA::from_text("23:59:59");
    time.add_seconds(num(1));
    EXPECT_EQ(time.to_text(false), "24:0:0");
    time = TIME_DATA::from_text("1:0:0");
    time.add_seconds(num(-7200));
    EXPECT_EQ(time.to_text(true), "-01:00:00");
    time = TIME_DATA::from_text("0:10:0");
    time.add_seconds(num(-1200));
    EXPECT_EQ(time.to_text(true), "-00:10:00");
    time.add_seconds(num(600));
    EXPECT_EQ(time.to_text(true), "00:00:00");
    EXPECT_EQ(text_of(TIME_DATA::diff_seconds(TIME_DATA::from_text("2:0:0"), TIME_DATA::from_text("0:30:0"))), "5400");
    EXPECT_EQ(text_of(TIME_DATA::diff_seconds(TIME_DATA::from_text("0:30:0"), TIME_DATA::from_text("2:0:0"))), "-5400");
    // Times from text keep their fields; padding leaves long hours alone.
    EXPECT_EQ(TIME_DATA::from_text("30:5:7").to_text(true), "30:05:07");
    EXPECT_EQ(TIME_DATA(num(-12), num(0), num(0)).to_text(true), "-12:00:00");
    EXPECT_EQ(TIME_DATA(num(123), num(4), num(56)).to_text(true), "123:04:56");
    EXPECT_EQ(TIME_DATA(num(5), num(7), num(9)).to_text(false), "5:7:9");
    // Huge durations have no limit.
    TIME_DATA big;
    big.from_seconds(INT_DATA("-360000000000000000000007"), true);
    EXPECT_EQ(big.to_text(false), "-100000000000000000000:0:7");
    EXPECT_EQ(text_of(big.total_seconds()), "-360000000000000000000007");
}

TEST_F(Calendar, TimeNowIsAClockReading) {
    TZ_SCOPE zone("UTC0");
    TIME_DATA time = TIME_DATA::now();
    EXPECT_GE(time.hours, num(0));
    EXPECT_LE(time.hours, num(23));
    EXPECT_LE(time.minutes, num(59));
}

// ---- zones ----

TEST_F(Calendar, ZoneSecondsAndTexts) {
    struct CASE {
        const char* text;
        long seconds;
        const char* plain;
        const char* padded;
    };
    for (const CASE& c : {CASE{"+0:0", 0, "+0:0", "+00:00"}, CASE{"-12:0", -43200, "-12:0", "-12:00"},
                          CASE{"14", 50400, "+14:0", "+14:00"}, CASE{"-3:30", -12600, "-3:30", "-03:30"},
                          CASE{"9", 32400, "+9:0", "+09:00"}, CASE{"12:45", 45900, "+12:45", "+12:45"},
                          CASE{"-0:30", -1800, "-0:30", "-00:30"}, CASE{"+05:30", 19800, "+5:30", "+05:30"},
                          CASE{"", 0, "+0:0", "+00:00"}}) {
        TIMEZONE_DATA zone = TIMEZONE_DATA::from_text(c.text);
        EXPECT_EQ(text_of(zone.total_seconds()), std::to_string(c.seconds)) << c.text;
        EXPECT_EQ(zone.to_text(false), c.plain);
        EXPECT_EQ(zone.to_text(true), c.padded);
        // The padded text reads back to the same offset.
        EXPECT_EQ(text_of(TIMEZONE_DATA::from_text(zone.to_text(true)).total_seconds()), std::to_string(c.seconds));
    }
    TIMEZONE_DATA copy(TIMEZONE_DATA::from_text("-0:30"));
    EXPECT_TRUE(copy.is_negative());
}

TEST_F(Calendar, LocalZoneFromTz) {
    struct CASE {
        const char* tz;
        const char* expected;
        long seconds;
    };
    for (const CASE& c :
         {CASE{"UTC0", "+0:0", 0}, CASE{"IST-5:30", "+5:30", 19800}, CASE{"NST+3:30", "-3:30", -12600},
          CASE{"EST+5", "-5:0", -18000}, CASE{"XHM+0:30", "-0:30", -1800},
          // The local clock reads another day than UTC here.
          CASE{"LINT-14", "+14:0", 50400}, CASE{"BIT+12", "-12:0", -43200}, CASE{"CHAST-13:45", "+13:45", 49500},
          // Daylight saving of the season never enters.
          CASE{"CET-1CEST,M3.5.0,M10.5.0/3", "+1:0", 3600}, CASE{"AEST-10AEDT,M10.1.0,M4.1.0/3", "+11:0", 39600}}) {
        TZ_SCOPE zone(c.tz);
        TIMEZONE_DATA local = TIMEZONE_DATA::local();
        EXPECT_EQ(local.to_text(false), c.expected) << c.tz;
        EXPECT_EQ(text_of(local.total_seconds()), std::to_string(c.seconds)) << c.tz;
    }
}

TEST_F(Calendar, ZoneInForceFollowsDaylightSaving) {
    struct CASE {
        const char* tz;
        std::time_t instant;
        const char* expected;
    };
    for (const CASE& c : {
             // 2026-07-15 12:00 and 2026-01-15 12:00 UTC.
             CASE{"CET-1CEST,M3.5.0,M10.5.0/3", 1784116800, "+02:00"},
             CASE{"CET-1CEST,M3.5.0,M10.5.0/3", 1768478400, "+01:00"},
             CASE{"AEST-10AEDT,M10.1.0,M4.1.0/3", 1784116800, "+10:00"},
             CASE{"AEST-10AEDT,M10.1.0,M4.1.0/3", 1768478400, "+11:00"},
             CASE{"NST3:30NDT,M3.2.0,M11.1.0", 1784116800, "-02:30"},
             // 2026-12-31 23:30 UTC: the local clock is in the next year.
             CASE{"LINT-14", 1798759800, "+14:00"},
             CASE{"BIT+12", 1798759800, "-12:00"},
         }) {
        TZ_SCOPE zone(c.tz);
        EXPECT_EQ(TIMEZONE_DATA::in_force_at(c.instant).to_text(true), c.expected) << c.tz << " " << c.instant;
    }
}

TEST_F(Calendar, NowNamesTheCurrentInstant) {
    // In whatever season the test runs, now's date, time and zone give the
    // instant of the clock: its absolute seconds are those of 1970-01-01
    // plus the clock's reading, within the second or two between reads.
    // The last zone keeps daylight saving on every day but 1 January, the
    // day of the local zone's instant.
    for (const char* tz :
         {"CET-1CEST,M3.5.0,M10.5.0/3", "AEST-10AEDT,M10.1.0,M4.1.0/3", "UTC0", "XST-1XDT,J2/0,J365/25"}) {
        TZ_SCOPE zone(tz);
        const std::time_t before = std::time(nullptr);
        DATETIME_DATA now = DATETIME_DATA::now();
        const std::time_t after = std::time(nullptr);
        const INT_DATA epoch = num(719527) * num(86400);
        const INT_DATA seconds = now.total_seconds() - epoch;
        EXPECT_FALSE(seconds < num(static_cast<long>(before))) << tz;
        EXPECT_FALSE(num(static_cast<long>(after)) < seconds) << tz;
        EXPECT_EQ(now.zone.to_text(true), TIMEZONE_DATA::in_force_at(before).to_text(true)) << tz;
    }
}

// ---- datetimes ----

TEST_F(Calendar, DatetimeSecondsAndConversionsMatchPython) {
    auto lines = oracle_lines('Z');
    ASSERT_GT(lines.size(), 100u);
    for (const auto& line : lines) {
        SCOPED_TRACE(line[2] + " in " + line[3]);
        std::string date, time, zone;
        ASSERT_TRUE(datetime_text_parse(line[2], date, time, zone));
        DATETIME_DATA moment(date, time, zone);
        EXPECT_EQ(text_of(moment.total_seconds()), line[1]);
        EXPECT_EQ(moment.to_text(true), line[2]);
        DATETIME_DATA converted(moment);
        converted.to_timezone(TIMEZONE_DATA::from_text(line[3]));
        EXPECT_EQ(converted.to_text(true), line[4]);
        EXPECT_EQ(text_of(DATETIME_DATA::diff_seconds(converted, moment)), "0");
    }
}

TEST_F(Calendar, DatetimeEdgeCases) {
    DATETIME_DATA a = DATETIME_DATA::from_text("1970-01-01T00:00:00+00:00");
    EXPECT_EQ(text_of(a.total_seconds()), text_of(num(719527) * num(86400)));
    DATETIME_DATA b = DATETIME_DATA::from_text("1970-01-01T01:00:00+01:00");
    EXPECT_EQ(text_of(DATETIME_DATA::diff_seconds(a, b)), "0");

    DATETIME_DATA origin;
    origin.zone.set(num(0), num(0), false);
    origin.from_seconds(num(0));
    EXPECT_EQ(origin.to_text(true), "0000-01-01T00:00:00+00:00");
    // Before the origin the time of day stays a clock reading.
    origin.from_seconds(num(-1));
    EXPECT_EQ(origin.to_text(true), "-1-12-31T23:59:59+00:00");
    EXPECT_EQ(text_of(origin.time.total_seconds()), "86399");

    DATETIME_DATA leap = DATETIME_DATA::from_text("2024-02-28T23:00:00+01:00");
    leap.add_seconds(num(3600));
    EXPECT_EQ(leap.to_text(true), "2024-02-29T00:00:00+01:00");
    DATETIME_DATA new_year = DATETIME_DATA::from_text("1995-12-31T23:00:00+00:00");
    new_year.add_seconds(num(3600));
    EXPECT_EQ(new_year.to_text(true), "1996-01-01T00:00:00+00:00");
    DATETIME_DATA back = DATETIME_DATA::from_text("2024-01-01T00:00:00+00:00");
    back.add_seconds(num(-1));
    EXPECT_EQ(back.to_text(true), "2023-12-31T23:59:59+00:00");
    EXPECT_EQ(back.to_text(false), "2023-12-31T23:59:59+0:0");

    DATETIME_DATA noon = DATETIME_DATA::from_text("2024-01-05T12:00:00+01:00");
    INT_DATA before = noon.total_seconds();
    noon.to_timezone(TIMEZONE_DATA::from_text("5:30"));
    EXPECT_EQ(noon.to_text(true), "2024-01-05T16:30:00+05:30");
    EXPECT_EQ(text_of(noon.total_seconds()), text_of(before));
    noon.to_timezone(noon.zone);  // its own zone
    EXPECT_EQ(noon.to_text(true), "2024-01-05T16:30:00+05:30");
    noon.to_timezone(TIMEZONE_DATA::from_text("-0:30"));
    EXPECT_EQ(noon.to_text(true), "2024-01-05T10:30:00-00:30");

    // A time read from text stays as it is until recomputed.
    DATETIME_DATA late = DATETIME_DATA::from_text("2024-01-05T25:00:00+00:00");
    EXPECT_EQ(late.to_text(true), "2024-01-05T25:00:00+00:00");
    EXPECT_EQ(text_of(DATETIME_DATA::diff_seconds(late, DATETIME_DATA::from_text("2024-01-06T01:00:00"))), "0");
    late.add_seconds(num(0));
    EXPECT_EQ(late.to_text(true), "2024-01-06T01:00:00+00:00");

    // No zone in the text: the zone 0:0.
    DATETIME_DATA bare = DATETIME_DATA::from_text("2024-01-15T10:30");
    EXPECT_EQ(bare.to_text(false), "2024-1-15T10:30:0+0:0");
    DATETIME_DATA parts(DATE_DATA::from_text("2024-1-15"), TIME_DATA::from_text("10:30"),
                        TIMEZONE_DATA::from_text("-5:30"));
    EXPECT_EQ(parts.to_text(true), "2024-01-15T10:30:00-05:30");

    date_format = "D.M.Y";
    EXPECT_EQ(DATETIME_DATA::from_text("15.1.2024T7:05+1").to_text(true), "15.01.2024T07:05:00+01:00");
}

TEST_F(Calendar, DatetimeNowCarriesTheLocalZone) {
    TZ_SCOPE zone("IST-5:30");
    DATETIME_DATA now = DATETIME_DATA::now();
    EXPECT_EQ(now.zone.to_text(false), "+5:30");
    EXPECT_LE(now.time.hours, num(23));
    // The instant agrees with the system clock within a few seconds.
    INT_DATA expected = num(719527) * num(86400) + INT_DATA(static_cast<long>(std::time(nullptr)));
    INT_DATA gap = now.total_seconds() - expected;
    EXPECT_LE(gap, num(5));
    EXPECT_GE(gap, num(-5));
    DATE_DATA today = DATE_DATA::today();
    EXPECT_FALSE(today.is_empty());
}

}  // namespace
}  // namespace morvu
