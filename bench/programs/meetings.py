# Twin of meetings.mrv: the same meeting planner with datetime.date.
from datetime import date, timedelta

MONTHS = ["January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
          "November", "December"]


def easter(y):
    a = y % 19
    b = y // 100
    c = y % 100
    h = (19 * a + b - b // 4 - (b - (b + 8) // 25 + 1) // 3 + 15) % 30
    l = (32 + 2 * (b % 4) + 2 * (c // 4) - h - c % 4) % 7
    m = (a + 11 * h + 22 * l) // 451
    return date(y, (h + l - 7 * m + 114) // 31, (h + l - 7 * m + 114) % 31 + 1)


first_year = 1900
last_year = 2199
holidays = {}
for y in range(first_year, last_year + 1):
    holidays[date(y, 1, 1)] = "New Year"
    holidays[date(y, 12, 25)] = "Christmas"
    holidays[date(y, 12, 26)] = "Boxing Day"
    sunday = easter(y)
    holidays[sunday - timedelta(days=2)] = "Good Friday"
    holidays[sunday + timedelta(days=1)] = "Easter Monday"

day = date(first_year, 1, 1)
start = day
last = date(last_year, 12, 31)
one_day = timedelta(days=1)
week = timedelta(days=7)
pending = []
per_kind = {}
per_weekday = [0] * 7
busy = {}
moved = 0
crowded = 0
days = 0
while day <= last:
    days += 1
    weekday = day.isoweekday()
    if weekday == 2 and 8 <= day.day <= 14:
        pending.append("board")
    if weekday == 5:
        week_on = day + week
        if week_on.month != day.month:
            pending.append("social")
    if (day - start).days % 10 == 0:
        pending.append("audit")
    if pending and weekday <= 5 and day not in holidays:
        for kind in pending:
            per_kind[kind] = per_kind.get(kind, 0) + 1
        per_weekday[weekday - 1] += len(pending)
        if len(pending) > 1:
            crowded += 1
        if day.year == 2024:
            busy[day] = len(pending)
        pending = []
    elif pending:
        moved += 1
    day += one_day
print(f"{days} days from {start} to {last}, {len(holidays)} holidays")
for kind in sorted(per_kind):
    print(f"  {kind}: {per_kind[kind]}")
print("meetings by weekday (Mon .. Fri): (" + ",".join(str(n) for n in per_weekday[:5]) + ")")
print(f"days with a meeting waiting to move: {moved}, days with several meetings: {crowded}")

easter_months = [0, 0]
for y in range(first_year, last_year + 1):
    easter_months[easter(y).month - 3] += 1
print(f"Easter in March {easter_months[0]} times, in April {easter_months[1]} times")


def show_month(y, m):
    d = date(y, m, 1)
    print(f"{MONTHS[m - 1]} {y}")
    print(" Mo  Tu  We  Th  Fr  Sa  Su")
    line = "    " * (d.isoweekday() - 1)
    while d.month == m:
        mark = " "
        if d in busy:
            mark = "*" if busy[d] == 1 else "+"
        if d in holidays:
            mark = "h"
        if d.day < 10:
            line += " "
        line += f" {d.day}{mark}"
        if d.isoweekday() == 7:
            print(line)
            line = ""
        d += one_day
    if line:
        print(line)


show_month(2024, 3)
show_month(2024, 12)
