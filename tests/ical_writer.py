# Python's icalendar package as an independent writer for tst_ical_import: two calendars in one file with
# a zone of the file's own (VTIMEZONE), UTC, floating and all-day times, a span of days, a weekly rule with
# an exception, and a to-do that is only due.
import datetime
import sys

import icalendar


def calendar():
    cal = icalendar.Calendar()
    cal.add("prodid", "-//test//writer//EN")
    cal.add("version", "2.0")
    return cal


def event(kind, uid, summary, **props):
    c = icalendar.Event() if kind == "event" else icalendar.Todo()
    c.add("uid", uid)
    c.add("dtstamp", datetime.datetime(2026, 1, 1, tzinfo=datetime.timezone.utc))
    c.add("summary", summary)
    for name, value in props.items():
        c.add(name, value)
    return c


first = calendar()
zone = icalendar.Timezone()
zone.add("tzid", "Eastern-Own")
for part, start, month, byday, offsets in ((icalendar.TimezoneDaylight(), (2007, 3, 11), 3, "2SU", (-5, -4)),
                                           (icalendar.TimezoneStandard(), (2007, 11, 4), 11, "1SU", (-4, -5))):
    part.add("dtstart", datetime.datetime(*start, 2, 0))
    part.add("rrule", {"freq": "yearly", "bymonth": month, "byday": byday})
    part.add("tzoffsetfrom", datetime.timedelta(hours=offsets[0]))
    part.add("tzoffsetto", datetime.timedelta(hours=offsets[1]))
    zone.add_component(part)
first.add_component(zone)
# 21:30 in New York in summer is 01:30 UTC the next day.
zoned = event("event", "zoned", "Call, New York; late")
zoned.add("dtstart", datetime.datetime(2026, 7, 14, 21, 30), parameters={"TZID": "Eastern-Own"})
first.add_component(zoned)
first.add_component(event("event", "utc", "Launch", dtstart=datetime.datetime(2026, 5, 1, 23, 30,
                                                                          tzinfo=datetime.timezone.utc)))
first.add_component(event("event", "span", "Trip", dtstart=datetime.date(2026, 4, 1),
                          dtend=datetime.date(2026, 4, 4)))
first.add_component(event("event", "old", "Long ago", dtstart=datetime.date(1999, 12, 31)))

second = calendar()
weekly = event("event", "weekly", "Yoga", dtstart=datetime.datetime(2025, 1, 6, 18, 0),
               rrule={"freq": "weekly", "count": 300})
weekly.add("exdate", datetime.datetime(2026, 6, 22, 18, 0))
second.add_component(weekly)
second.add_component(event("todo", "due", "Taxes", due=datetime.date(2026, 4, 15)))

with open(sys.argv[1], "wb") as f:
    f.write(first.to_ical() + second.to_ical())
