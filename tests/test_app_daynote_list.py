"""The daynote list from outside: reopened at launch when the last quit left it open, and not opened over an
empty daynote file (its alert answers itself while the program starts)."""
import datetime
import os
import plistlib
import time

import app_harness as h

os.environ["TZ"] = "America/New_York"  # the program inherits it; 00:00 there is 05:00 UTC in December
time.tzset()
h.in_private_bus()

check = h.Checks()


def launch_with_list_open(home, prefs):
    prefs["List Wnd Open"] = True
    with open(os.path.join(home.config, "VRDX", "VRDX.plist"), "wb") as f:
        plistlib.dump(prefs, f)
    return h.launch_and_quit(home, check)


home = h.Home()
notes_path = os.path.join(home.data, "VRDX", "VRDX DayNotes")
try:
    prefs = h.launch_and_quit(home, check)
    check("first launch: no list at quit", prefs.get("List Wnd Open") is not True, prefs)
    prefs = launch_with_list_open(home, prefs)
    check("no daynotes: the list stays shut", prefs.get("List Wnd Open") is not True, prefs)
    with open(notes_path, "wb") as f:
        plistlib.dump([{"NoteDataKey": "Dentist", "NoteDateKey": datetime.datetime(2026, 12, 15, 5, 0),
                        "NoteTypeKey": 4}], f)
    prefs = launch_with_list_open(home, prefs)
    check("reopened at launch: open at the next quit", prefs.get("List Wnd Open") is True, prefs)
    with open(notes_path, "rb") as f:
        check("the daynote unchanged", plistlib.load(f)[0]["NoteDataKey"] == "Dentist")
finally:
    home.remove()

check.finish()
