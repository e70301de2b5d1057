"""A start-up that shows its windows while the daynote file is still being read: a daynote request from
another program and a quit, arriving as early as they can, find the daynotes in and lose none of them."""
import datetime

import app_harness as h

h.in_private_bus()

check = h.Checks()
COUNT = 60000  # enough that reading the file outlasts the first calls on the bus
first = datetime.datetime(2000, 1, 1)
notes = [{"NoteDataKey": f"Note {i}\rsecond line", "NoteDateKey": first + datetime.timedelta(days=i),
          "NoteTypeKey": 1} for i in range(COUNT)]
existing = first + datetime.timedelta(days=COUNT // 2)
new_day = first + datetime.timedelta(days=COUNT + 10)


def request(day):
    return h.run(h.program("gdbus"), "emit", "--session", "--object-path", "/org/vrdx/Sender", "--signal",
                 "org.vrdx.VRDX.FromVRDX", f"Early;work;{day:%Y%m%d};A")


for case in ("request then quit", "quit at once"):
    home = h.Home()
    h.write_plist(home.daynotes, notes)
    # As soon as its event loop answers, which is before the file is read to the end. The file's days begin at
    # midnight UTC.
    app = h.App(home, env={"TZ": "UTC"})
    if case == "request then quit":
        request(existing)
        request(new_day)
        h.answers()  # a call after the signals: answered once they have been taken in
    status = app.stop()
    check(f"{case}: ends cleanly", status == 0, f"{status} {app.stderr}")
    # Line breaks compared as line feeds: Python's XML reader turns raw carriage returns into them.
    saved = {n["NoteDateKey"]: n["NoteDataKey"].replace("\r", "\n") for n in h.read_plist(home.daynotes)}
    kept = all(saved.get(n["NoteDateKey"], "").startswith(n["NoteDataKey"].replace("\r", "\n")) for n in notes)
    check(f"{case}: every daynote of the file kept", kept and len(saved) >= COUNT, f"{len(saved)} daynotes")
    if case == "request then quit":
        line = "TNQ DayNote/Reminder for: Early\nand task: work\n"
        check("the early request added to a daynote of the file", saved.get(existing, "").endswith(line),
              repr(saved.get(existing)))
        check("the early request made a new daynote", saved.get(new_day) == line, repr(saved.get(new_day)))

check.finish()
