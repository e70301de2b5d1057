"""The whole program from outside: it owns its bus name while it runs, and every way of quitting ends it with
status 0 and lets the name go. Each run keeps every record of a daynote file written by Python's plistlib:
types (also as reals), reminders, unknown keys and awkward text survive; a note older than the age limit goes
unless it is a keeper. (A second launch handing over: tst_desktop; an unknown action refused: every start of
app_harness.App waits for that answer.)"""
import datetime
import plistlib
import signal

import app_harness as h

h.in_private_bus()

check = h.Checks()


def day(offset):  # recent and future days, which no age rule removes
    return datetime.datetime(2026, 12, 1) + datetime.timedelta(days=offset)


records = [
    {"NoteDataKey": "standard\rsecond line", "NoteDateKey": day(0), "NoteTypeKey": 1, "NoteCFSKey": h.STYLE},
    {"NoteDataKey": "Christmas", "NoteDateKey": day(24), "NoteTypeKey": 2, "NoteCFSKey": h.STYLE},
    {"NoteDataKey": "event <&> ]]> 😀 Grüße", "NoteDateKey": day(30), "NoteTypeKey": 3, "NoteCFSKey": h.STYLE},
    {"NoteDataKey": "keeper from long ago", "NoteDateKey": datetime.datetime(1990, 5, 17), "NoteTypeKey": 4,
     "NoteCFSKey": h.STYLE, "Some future key": [1, 2.5, True, b"\x00\x01", {"nested": "dict"}]},
    # Other writers store the type as a real: still a keeper, and still not one when it says 1.
    {"NoteDataKey": "keeper typed as a real", "NoteDateKey": datetime.datetime(1990, 5, 18), "NoteTypeKey": 4.0,
     "NoteCFSKey": h.STYLE},
    {"NoteDataKey": "with reminder", "NoteDateKey": day(40), "NoteTypeKey": 1, "NoteCFSKey": h.STYLE,
     "ReminderDateKey": day(39) + datetime.timedelta(hours=9, minutes=30), "EmailAddrKey": "a@example.org",
     "EmailSubjectKey": "Subject \"quoted\"; $(rm -rf /)", "EmailMessageKey": "Body\nline 2",
     "URL Key": " "},
]

old_standard = {"NoteDataKey": "standard typed as a real, too old", "NoteDateKey": datetime.datetime(1990, 5, 19),
                "NoteTypeKey": 1.0, "NoteCFSKey": h.STYLE}

home = h.Home()
h.write_plist(home.daynotes, records + [old_standard])
for how in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP, "quit"):
    app = h.App(home)
    check(f"{how}: owns {h.APP_ID}", h.name_owned())
    status = app.stop(how)
    check(f"{how}: exit status 0", status == 0, f"got {status}")
    check(f"{how}: name released", h.wait_until(lambda: not h.name_owned()))
    saved = h.read_plist(home.daynotes)
    check(f"{how}: every record but the old standard one, deleted by age", len(saved) == len(records), len(saved))
    # What plistlib itself gets back from its own file (it writes a carriage return as a line feed).
    by_text = {r["NoteDataKey"]: r for r in saved}
    for r in plistlib.loads(plistlib.dumps(records)):
        got = by_text.get(r["NoteDataKey"])
        check(f"{how}: record kept: " + r["NoteDataKey"][:20], got == r, f"\n got {got}\nwant {r}")
    check(f"{how}: sorted by date", [r["NoteDateKey"] for r in saved] == sorted(r["NoteDateKey"] for r in records))
check.finish()
