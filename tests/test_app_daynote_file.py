"""The whole program keeps every record of a daynote file written by Python's plistlib: types (also as reals),
reminders, unknown keys and awkward text survive a start and a SIGTERM; a note
older than the age limit goes unless it is a keeper."""
import datetime
import plistlib

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
status = h.App(home).stop()
check("exit 0 on SIGTERM", status == 0, f"got {status}")
saved = h.read_plist(home.daynotes)
check("same number of records, the old standard one deleted by age", len(saved) == len(records), f"{len(saved)}")
# What plistlib itself gets back from its own file (it writes a carriage return as a line feed).
by_text = {r["NoteDataKey"]: r for r in saved}
for r in plistlib.loads(plistlib.dumps(records)):
    got = by_text.get(r["NoteDataKey"])
    check("record kept: " + r["NoteDataKey"][:20], got == r, f"\n got {got}\nwant {r}")
check("sorted by date", [r["NoteDateKey"] for r in saved] == sorted(r["NoteDateKey"] for r in records))
check("raw line feeds of a foreign file kept as they stand", by_text.get("standard\nsecond line") is not None)

check.finish()
