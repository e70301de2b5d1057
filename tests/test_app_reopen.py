"""Windows reopened at launch as the last quit left them, from outside: the countdown, the monthly view (its
bounds kept), the Event list (its events written back as plistlib reads them) and the daynote list, which
stays shut over an empty daynote file."""
import datetime
import os
import plistlib
import time

import app_harness as h

os.environ["TZ"] = "America/New_York"  # the program inherits it; 00:00 there is 04:00 or 05:00 UTC
time.tzset()
h.in_private_bus()

check = h.Checks()
home = h.Home()
prefs_path = os.path.join(home.config, "VRDX", "VRDX.plist")
notes_path = os.path.join(home.data, "VRDX", "VRDX DayNotes")
events_path = os.path.join(home.data, "VRDX", "VRDX Events")
events = [
    {"EventNameKey": "Anna’s birthday", "EventDateKey": datetime.datetime(1990, 3, 14, 5, 0), "EventUnitKey": 1},
    {"EventNameKey": "Moved to Berlin", "EventDateKey": datetime.datetime(2019, 8, 31, 4, 0), "EventUnitKey": 4},
]


def launch_with(prefs, **open_flags):
    prefs.update(open_flags)
    with open(prefs_path, "wb") as f:
        plistlib.dump(prefs, f)
    return h.launch_and_quit(home, check)


try:
    prefs = h.launch_and_quit(home, check)
    check("first launch: calendar and countdown open at quit",
          prefs.get("Calendar Wnd Open") is True and prefs.get("CountDown Wnd Open") is True, prefs)
    check("first launch: no monthly view, list or event list at quit",
          not any(prefs.get(k) is True for k in ("Monthly Wnd Open", "List Wnd Open", "Event Wnd Open")), prefs)

    with open(events_path, "wb") as f:
        plistlib.dump(events, f)
    os.utime(events_path, (0, 0))  # a write at quit shows in the time stamp
    prefs.pop("Monthly window position rect", None)
    prefs = launch_with(prefs, **{"CountDown Wnd Open": False, "Monthly Wnd Open": True, "Event Wnd Open": True,
                                  "List Wnd Open": True})
    check("countdown left shut: shut at the next quit", prefs.get("CountDown Wnd Open") is False, prefs)
    check("monthly view reopened, its bounds stored",
          prefs.get("Monthly Wnd Open") is True and "Monthly window position rect" in prefs, prefs)
    check("event list reopened", prefs.get("Event Wnd Open") is True, prefs)
    check("events written back at quit", os.stat(events_path).st_mtime > 0)
    with open(events_path, "rb") as f:
        check("plistlib reads the same events", plistlib.load(f) == events)
    check("no daynotes: the list stays shut", prefs.get("List Wnd Open") is not True, prefs)

    with open(notes_path, "wb") as f:
        plistlib.dump([{"NoteDataKey": "Dentist", "NoteDateKey": datetime.datetime(2026, 12, 15, 5, 0),
                        "NoteTypeKey": 4}], f)
    prefs = launch_with(prefs, **{"CountDown Wnd Open": True, "List Wnd Open": True})
    check("countdown left open: open at the next quit", prefs.get("CountDown Wnd Open") is True, prefs)
    check("daynote list reopened", prefs.get("List Wnd Open") is True, prefs)
    with open(notes_path, "rb") as f:
        check("the daynote unchanged", plistlib.load(f)[0]["NoteDataKey"] == "Dentist")
finally:
    home.remove()

check.finish()
