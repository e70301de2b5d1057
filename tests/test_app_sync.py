"""Two-way CalDAV sync from outside: two program instances with their own homes share one real Radicale server
(htpasswd accounts, a temporary storage folder) and find the password in a real Secret Service (gnome-keyring,
unlocked in the test's own session bus). Each row changes the daynote files of A and B while the program is not
running, then runs the instances in turn; what the files and the server hold afterwards is what the row checks.
The collection is read back over plain HTTP with Python's icalendar."""
import datetime
import json
import os
import re
import shutil
import signal
import struct
import tempfile

import icalendar

import app_harness as h
from caldav_server import Keyring, Radicale

h.in_private_bus()

check = h.Checks()
USER, PASSWORD = "alice", "Pa55-only-in-the-keyring"
STYLE = struct.pack("<12h", 0x024F, -1, 11, 1, 0, 0, 0, 0, 0, 0, 0, 0)
BOLD_ITALIC_14 = struct.pack("<12h", 0x024F, 3, 14, 3, 0, 0, 65535 - 65536, 0, 0, 0, 0, 0)
work = tempfile.mkdtemp(prefix="vrdx-sync-")
h._cleanups.append(lambda: shutil.rmtree(work, ignore_errors=True))


def day(n):
    return datetime.datetime(2026, 12, 1) + datetime.timedelta(days=n)


def note(n, text, **extra):
    return dict({"NoteDataKey": text, "NoteDateKey": day(n), "NoteTypeKey": 1, "NoteCFSKey": STYLE}, **extra)


server = Radicale(work, USER, PASSWORD)
keyring = Keyring(work, server.account())
OLDER_ACCOUNT = f"{USER}@127.0.0.1"  # an earlier version's key, shared by every server on the host
if not check("the keyring takes the password", keyring.store(PASSWORD, OLDER_ACCOUNT)):
    check.finish()
homes = {"A": h.Home(), "B": h.Home()}
for home in homes.values():
    h.write_plist(home.prefs, {"Sync with a CalDAV server": True, "Sync - Server address": f"127.0.0.1:{server.port}",
                               "Sync - User name": USER, "Sync every (minutes)": 15, "Weekly Wnd Open": False,
                               "CountDown Wnd Open": False, "Chime on hour, silent or half-hour": b"\x45\x01"})


def files(name):
    return h.read_plist(homes[name].daynotes) if os.path.exists(homes[name].daynotes) else []


def by_day(records):
    return {r["NoteDateKey"]: r for r in records}


def run(name, change=None):
    """Changes the instance's daynote file, then runs it: its launch sync, then a quit (with its own sync).
    The status lines it wrote."""
    if change:
        h.write_plist(homes[name].daynotes, change(files(name)))
    app = h.App(homes[name])
    app.said("vrdx: sync: Sync", timeout=120)
    h.wait_until(lambda: any(l.startswith(("vrdx: sync: Synced", "vrdx: sync: Sync failed")) for l in app.lines), 120)
    app.stop("quit", timeout=120)
    return [l.strip() for l in app.lines if l.startswith("vrdx: sync:")]


def lines(text):
    """A text's lines, whichever line breaks it has (Python's XML reader turns a raw CR into LF)."""
    return None if text is None else re.split(r"\r\n|\r|\n", text)


def edit(n, text):
    return lambda records: [dict(r, NoteDataKey=text) if r["NoteDateKey"] == day(n) else r for r in records]


def delete(n):
    return lambda records: [r for r in records if r["NoteDateKey"] != day(n)]


# A reminder still to come: one that fired at launch would have sent its e-mail and dropped the address.
with_reminder = note(0, "Dentist at 9\rbring the card – Grüße 😀", NoteTypeKey=4, NoteCFSKey=BOLD_ITALIC_14,
                     ReminderDateKey=day(3650) + datetime.timedelta(hours=8, minutes=30),
                     EmailAddrKey="me@example.org", EmailSubjectKey="Tomorrow", EmailMessageKey="Dentist\rat 9",
                     **{"URL Key": "https://example.org/dentist?a=1&b=2"})
start = [with_reminder] + [note(n, f"day {n}\rsecond line") for n in range(1, 5)] + \
        [note(5, "a holiday", NoteTypeKey=2), note(6, "an event", NoteTypeKey=3)]
status_a = run("A", lambda _: start)
check("the password moved to the server's own key", (keyring.lookup(), keyring.lookup(OLDER_ACCOUNT)) ==
      (PASSWORD, None), str(status_a))
status_b = run("B")
first_objects = server.objects()
b = by_day(files("B"))
for key in ("NoteDataKey", "NoteTypeKey", "NoteCFSKey", "ReminderDateKey", "EmailAddrKey", "URL Key"):
    got = b.get(day(0), {}).get(key)
    check(f"A to B: {key} intact", lines(got) == lines(with_reminder[key]) if isinstance(got, str) else
          got == with_reminder[key], f"{b.get(day(0))} {status_b}")
check("A to B: every day arrives", sorted(b) == sorted(r["NoteDateKey"] for r in start), f"{sorted(b)} {status_a}")
check("A to B: types intact", [b.get(day(n), {}).get("NoteTypeKey") for n in (5, 6)] == [2, 3])

rows = [
    # name, change on A, change on B, then: day -> expected text on both (None: gone on both)
    ("both edited: both texts", edit(1, "day 1\rsecond line\rfrom A"), edit(1, "day 1\rsecond line\rfrom B"),
     {1: "day 1\rsecond line\rfrom B\rfrom A"}),
    ("delete on A removes on B", delete(2), None, {2: None}),
    ("delete on A, edit on B: the edit stays", delete(3), edit(3, "day 3\redited on B"), {3: "day 3\redited on B"}),
]
for name, change_a, change_b, expected in rows:
    if change_b:  # B's edit is made while A's change is not yet known there
        h.write_plist(homes["B"].daynotes, change_b(files("B")))
    run("A", change_a)
    said_b = run("B")
    run("A")
    for n, text in expected.items():
        for who in "AB":
            got = by_day(files(who)).get(day(n), {}).get("NoteDataKey")
            check(f"{name}: {who}", lines(got) == lines(text), f"{got!r} != {text!r}; B said {said_b}")
    if name.startswith("both edited"):
        check("the conflict is named in the status", any("merged both versions" in l for l in said_b), str(said_b))

# A sync token the server no longer knows: every member is listed again, and nothing is lost or doubled.
state_path = os.path.join(homes["A"].data, "VRDX", "VRDX Sync State")
with open(state_path) as f:
    state = json.load(f)
check("the state holds a sync token", bool(state.get("token")), str(state.get("token")))
state["token"] = state["token"][:-8] + "0" * 8
with open(state_path, "w") as f:
    json.dump(state, f)
kept_names = sorted(server.names())
said = run("A", edit(4, "day 4\rafter the token was lost"))
check("unknown token: synced", said and said[-1].startswith("vrdx: sync: Synced"), str(said))
check("unknown token: the edit arrives, nothing else moves",
      (sorted(server.names()), b"after the token was lost" in server.objects()[f"vrdx-daynote-{day(4):%Y%m%d}.ics"])
      == (kept_names, True), str(sorted(server.names())))

# The server goes away in the middle of a long first upload: nothing is lost, and the next sync completes.
many = [note(100 + n, f"bulk {n}") for n in range(400)]
h.write_plist(homes["A"].daynotes, files("A") + many)
before = len(server.names())
app = h.App(homes["A"])
h.wait_until(lambda: len(server.names()) > before + 20, 120, step=0.01)
server.stop()
failed = app.said("vrdx: sync: Sync failed", timeout=120)
check("server stopped: the status says so", "Sync failed: server not reachable" in failed, failed[-500:])
app.stop("quit", timeout=120)
check("server stopped: nothing lost here", by_day(files("A")).keys() >= {r["NoteDateKey"] for r in many})
server.start()
said = run("A")
check("server back: the next sync completes", said and said[-1].startswith("vrdx: sync: Synced"), str(said))
objects = server.objects()
check("server back: every daynote on the server", len(objects) == len(files("A")), f"{len(objects)} {len(files('A'))}")

# What another client reads: valid objects, one per daynote, each UID the same as at the first sync.
uids = {}
for name, body in objects.items():
    try:
        events = [c for c in icalendar.Calendar.from_ical(body).walk("VEVENT")]
    except ValueError as e:
        events = []
        check(f"{name} parses", False, str(e))
    check(f"{name}: one all-day event", len(events) == 1 and not isinstance(events[0].decoded("DTSTART"),
                                                                               datetime.datetime), name)
    if events:
        uids[name] = str(events[0]["UID"])
for name in first_objects:
    if name in objects:
        check(f"{name}: UID stable across syncs", uids.get(name) == str(icalendar.Calendar.from_ical(
            first_objects[name]).walk("VEVENT")[0]["UID"]))
check("one object per daynote, no UID twice", len(set(uids.values())) == len(files("A")))

# A wrong password: the status says so and nothing changes, here or on the server.
keyring.store("not the password")
h.write_plist(homes["B"].daynotes, edit(4, "changed while the password is wrong")(files("B")))
kept_b, kept_server = files("B"), server.objects()
said = run("B")
check("wrong password: the status says so", any("user name or password refused" in l for l in said), str(said))
check("wrong password: the daynotes stay", files("B") == kept_b)
check("wrong password: the server stays", server.objects() == kept_server)
keyring.store(PASSWORD)

# The password lives in the keyring only.
for who, home in homes.items():
    for folder in (home.data, home.config):
        for root, _, names in os.walk(folder):
            for n in names:
                with open(os.path.join(root, n), "rb") as f:
                    check(f"{who}: no password in {n}", PASSWORD.encode() not in f.read())
check.finish()
