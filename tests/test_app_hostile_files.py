"""Data files that are not what they should be: a damaged file, a pipe, a folder or a device at the daynote
file's path is set aside at start-up, untouched, instead of being waited on or replaced; records whose text is
no string survive a quit with the weekly view on their week or a daynote window on their day; a second launch
that cannot reach the first says so and fails."""
import datetime
import os
import signal
import stat

import app_harness as h

h.in_private_bus()

check = h.Checks()


def aside(home):
    folder = os.path.dirname(home.daynotes)
    return [os.path.join(folder, n) for n in os.listdir(folder) if n.startswith("VRDX DayNotes (unreadable")]


DAMAGED = b"<?xml version='1.0'?><plist><array><dict><key>NoteDataKey</key><string>half"
# What is at the daynote file's path, made by the row's function.
ROWS = [("a damaged file", lambda p: open(p, "wb").write(DAMAGED), stat.S_ISREG),
        ("a pipe", os.mkfifo, stat.S_ISFIFO),
        ("a folder", os.mkdir, stat.S_ISDIR),
        ("a link to /dev/zero", lambda p: os.symlink("/dev/zero", p), stat.S_ISLNK)]
for name, make, kind in ROWS:
    home = h.Home()
    os.makedirs(os.path.dirname(home.daynotes))
    make(home.daynotes)
    app = h.App(home, until_loop=False)
    check(f"{name}: start-up goes on to answer", h.answers(timeout=60), app.stderr[-2000:])
    moved = aside(home)
    check(f"{name}: set aside as it was", len(moved) == 1 and kind(os.lstat(moved[0]).st_mode), str(moved))
    if kind is stat.S_ISREG:
        check(f"{name}: untouched", moved and open(moved[0], "rb").read() == DAMAGED)
    status = app.stop()
    check(f"{name}: exit 0 on SIGTERM", status == 0, f"got {status}: {app.stderr[-2000:]}")
    check(f"{name}: a new daynote file", os.path.isfile(home.daynotes) and h.read_plist(home.daynotes) == [])

# Records another program wrote, in the week the weekly view shows (it is open by default).
today = datetime.datetime.combine(datetime.date.today(), datetime.time())
records = [{"NoteDataKey": "plain", "NoteDateKey": today, "NoteTypeKey": 1},
           {"NoteDataKey": 42, "NoteDateKey": today + datetime.timedelta(days=1), "NoteTypeKey": 4},
           {"NoteDataKey": b"\x00\x01data", "NoteDateKey": today + datetime.timedelta(days=2), "NoteTypeKey": 1},
           {"NoteDateKey": today - datetime.timedelta(days=1), "NoteTypeKey": 4,
            "ReminderDateKey": today + datetime.timedelta(days=30), "URL Key": " "}]
home = h.Home()
h.write_plist(home.daynotes, records)
for how in ("quit", signal.SIGTERM):
    app = h.App(home)
    status = app.stop(how)
    check(f"foreign texts, {how}: exit 0", status == 0, f"got {status}: {app.stderr[-2000:]}")
    saved = h.read_plist(home.daynotes)
    for r in records:
        check(f"foreign texts, {how}: kept {r.get('NoteDataKey', 'missing')!r}", r in saved, str(saved))

# Records of a number and of no text on today, with today's daynote window opened at launch: closed untouched (the close
# action of the front window, the daynote window) or open at the quit, it writes nothing back.
for r in records[1::2]:
    kind = type(r.get("NoteDataKey")).__name__ if "NoteDataKey" in r else "missing"
    mine = dict(r, NoteDateKey=today)
    for how in ("closed", "open at quit"):
        home = h.Home()
        h.write_plist(home.daynotes, [mine])
        h.write_plist(home.prefs, {"Launch time - Show Daynote": True})
        app = h.App(home)
        if how == "closed":
            check(f"daynote window on a {kind} text: closed", h.action("clos").returncode == 0 and h.answers())
        status = app.stop("quit")
        check(f"daynote window on a {kind} text, {how}: exit 0", status == 0, f"got {status}: {app.stderr[-2000:]}")
        check(f"daynote window on a {kind} text, {how}: the record as it was",
              h.read_plist(home.daynotes) == [mine], str(h.read_plist(home.daynotes)))

# A second launch while the first cannot answer (stopped): a word on standard error and a failing status.
home = h.Home()
first = h.App(home)
first.proc.send_signal(signal.SIGSTOP)
try:
    second = h.run(h.PROGRAM, env=home.env(), timeout=120)
finally:
    first.proc.send_signal(signal.SIGCONT)
check("second launch: fails", second.returncode != 0, f"got {second.returncode}")
check("second launch: says why", "did not answer" in second.stderr, second.stderr)
check("the first still answers", h.answers())
check("the first ends on SIGTERM", first.stop() == 0)
check.finish()
