#!/usr/bin/env python3
"""Reference results for the calendar test, computed with Python's datetime.

Writes one case per line, tokens separated by blanks, drawn with a fixed seed
so that a failing case reproduces. Day numbers count from 0000-01-01 with year
0 taken as 365 days, so the day number of a date from year 1 on is its
proleptic ordinal - 1 + 365. Week days run from 1 (Monday) to 7 (Sunday).
Line kinds:

  D year month day day_number week_day day_of_year leap
  A year month day n year2 month2 day2         (the date moved by n days)
  Z total_seconds text zone_text target_zone_text converted_text
      (a datetime in one zone, its absolute seconds counted from
       0000-01-01T00:00:00 UTC, and the same instant in another zone,
       written with two-digit fields)
"""

import datetime
import random

ORDINAL_OFFSET = 365 - 1
LAST = datetime.date(9999, 12, 31).toordinal()
# Written with two-digit fields; "-00:30" is half an hour west.
ZONES = ["+00:00", "+01:00", "-05:30", "+05:30", "+14:00", "-12:00", "-03:30", "+09:45",
         "+00:30", "-00:30"]


def zone_minutes(zone):
    magnitude = int(zone[1:3]) * 60 + int(zone[4:6])
    return -magnitude if zone[0] == "-" else magnitude


def zone_text(zone):
    return zone


def clock_text(moment):
    return "%04d-%02d-%02dT%02d:%02d:%02d" % (moment.year, moment.month, moment.day, moment.hour,
                                              moment.minute, moment.second)


def date_line(date):
    ordinal = date.toordinal()
    leap = 1 if (date.year % 4 == 0 and date.year % 100 != 0) or date.year % 400 == 0 else 0
    return "D %d %d %d %d %d %d %d" % (date.year, date.month, date.day, ordinal + ORDINAL_OFFSET,
                                       date.isoweekday(), date.timetuple().tm_yday, leap)


def main():
    rng = random.Random(20240105)
    fixed = [datetime.date(1, 1, 1), datetime.date(1970, 1, 1), datetime.date(2024, 1, 1),
             datetime.date(2000, 2, 29), datetime.date(1900, 3, 1), datetime.date(9999, 12, 31)]
    for date in fixed:
        print(date_line(date))
    for _ in range(3000):
        print(date_line(datetime.date.fromordinal(rng.randint(1, LAST))))

    for i in range(6000):
        start = rng.randint(1, LAST)
        if i % 3 == 0:
            # Around New Year, where the year estimate is tight.
            year = rng.randint(1, 9999)
            month = rng.choice([1, 12])
            day = rng.choice([1, 2]) if month == 1 else rng.choice([30, 31])
            start = datetime.date(year, month, day).toordinal()
        span = rng.choice([1, 2, 31, 60, 366, 1500, 40000, 4000000])
        n = rng.randint(-span, span)
        end = min(max(start + n, 1), LAST)
        n = end - start
        a = datetime.date.fromordinal(start)
        b = datetime.date.fromordinal(end)
        print("A %d %d %d %d %d %d %d" % (a.year, a.month, a.day, n, b.year, b.month, b.day))

    utc = datetime.timezone.utc
    epoch = datetime.datetime(1, 1, 1, tzinfo=utc)
    for _ in range(800):
        zone = rng.choice(ZONES)
        target = rng.choice(ZONES)
        tz = datetime.timezone(datetime.timedelta(minutes=zone_minutes(zone)))
        tz2 = datetime.timezone(datetime.timedelta(minutes=zone_minutes(target)))
        date = datetime.date.fromordinal(rng.randint(2, LAST - 1))
        moment = datetime.datetime(date.year, date.month, date.day, rng.randint(0, 23),
                                   rng.randint(0, 59), rng.randint(0, 59), tzinfo=tz)
        seconds = int((moment - epoch).total_seconds()) + 365 * 86400
        converted = moment.astimezone(tz2)
        print("Z %d %s%s %s %s%s" % (seconds, clock_text(moment), zone_text(zone),
                                      zone_text(target), clock_text(converted), zone_text(target)))


if __name__ == "__main__":
    main()
