"""Windows reopened at launch as the last quit left them, from outside: the countdown, the monthly view (its
bounds kept), the Event list (its events written back as plistlib reads them) and the daynote list, which
stays shut over an empty daynote file."""
import datetime
import os
import time

import app_harness as h

os.environ["TZ"] = "America/New_York"  # the program inherits it; 00:00 there is 04:00 or 05:00 UTC
time.tzset()
h.in_private_bus()

check = h.Checks()
home = h.Home()
events_path = os.path.join(home.data, "VRDX", "VRDX Events")
events = [
    {"EventNameKey": "Anna’s birthday", "EventDateKey": datetime.datetime(1990, 3, 14, 5, 0), "EventUnitKey": 1},
    {"EventNameKey": "Moved to Berlin", "EventDateKey": datetime.datetime(2019, 8, 31, 4, 0), "EventUnitKey": 4},
]


def launch_with(prefs, **open_flags):
    """One launch with these windows marked open and a SIGTERM once start-up is over; the preferences left."""
    if prefs is not None:
        h.write_plist(home.prefs, dict(prefs, **open_flags))
    status = h.App(home).stop()
    check("exit status 0", status == 0, f"got {status}")
    return h.read_plist(home.prefs)


prefs = launch_with(None)  # the preferences a first launch leaves

h.write_plist(events_path, events)
os.utime(events_path, (0, 0))  # a write at quit shows in the time stamp
prefs.pop("Monthly window position rect", None)
prefs = launch_with(prefs, **{"CountDown Wnd Open": False, "Monthly Wnd Open": True, "Event Wnd Open": True,
                              "List Wnd Open": True})
check("countdown left shut: shut at the next quit", prefs.get("CountDown Wnd Open") is False, prefs)
check("monthly view reopened, its bounds stored",
      prefs.get("Monthly Wnd Open") is True and "Monthly window position rect" in prefs, prefs)
check("event list reopened", prefs.get("Event Wnd Open") is True, prefs)
check("events written back at quit", os.stat(events_path).st_mtime > 0)
check("plistlib reads the same events", h.read_plist(events_path) == events)
check("no daynotes: the list stays shut", prefs.get("List Wnd Open") is not True, prefs)

h.write_plist(home.daynotes, [{"NoteDataKey": "Dentist", "NoteDateKey": datetime.datetime(2026, 12, 15, 5, 0),
                               "NoteTypeKey": 4}])
prefs = launch_with(prefs, **{"CountDown Wnd Open": True, "List Wnd Open": True})
check("countdown left open: open at the next quit", prefs.get("CountDown Wnd Open") is True, prefs)
check("daynote list reopened", prefs.get("List Wnd Open") is True, prefs)
check("the daynote unchanged", h.read_plist(home.daynotes)[0]["NoteDataKey"] == "Dentist")
check.finish()
