"""The Event list from outside: reopened at launch when the last quit left it open, and its events written back
at quit as an XML property list Python's plistlib reads, stamped with type EVNT."""
import datetime
import os
import plistlib
import time

import app_harness as h

os.environ["TZ"] = "America/New_York"  # the program inherits it; 00:00 there is 04:00 or 05:00 UTC
time.tzset()
h.in_private_bus()

check = h.Checks()


def session(home):
    return h.launch_and_quit(home, check)


home = h.Home()
events_path = os.path.join(home.data, "VRDX", "VRDX Events")
events = [
    {"EventNameKey": "Anna’s birthday", "EventDateKey": datetime.datetime(1990, 3, 14, 5, 0), "EventUnitKey": 1},
    {"EventNameKey": "Moved to Berlin", "EventDateKey": datetime.datetime(2019, 8, 31, 4, 0), "EventUnitKey": 4},
]
try:
    prefs = session(home)
    check("first launch: no event list at quit", prefs.get("Event Wnd Open") is not True, prefs)
    os.makedirs(os.path.dirname(events_path), exist_ok=True)
    with open(events_path, "wb") as f:
        plistlib.dump(events, f)
    prefs["Event Wnd Open"] = True
    with open(os.path.join(home.config, "VRDX", "VRDX.plist"), "wb") as f:
        plistlib.dump(prefs, f)
    os.utime(events_path, (0, 0))  # a write at quit shows in the time stamp
    prefs = session(home)
    check("reopened at launch: open at the next quit", prefs.get("Event Wnd Open") is True, prefs)
    check("events written back at quit", os.stat(events_path).st_mtime > 0)
    with open(events_path, "rb") as f:
        check("plistlib reads the same events", plistlib.load(f) == events)
    check("type EVNT", os.getxattr(events_path, "user.vrdx.type") == b"EVNT")
finally:
    home.remove()

check.finish()
