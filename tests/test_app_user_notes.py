"""User notes handed to the program from outside: one on the command line and one over D-Bus Open open as
note windows; quitting saves both into their own files (read back with plistlib) and records them with
their frames; the next launch reopens both in the frames recorded (moved here to places of our own), so
the next quit records those frames again."""
import os
import plistlib
import tempfile
import time
import urllib.parse

import app_harness as h

h.in_private_bus()

check = h.Checks()


def load(path):
    with open(path, "rb") as f:
        return plistlib.load(f)


def recorded(p):
    """The notes the quit recorded: path and rectangle, in their order."""
    n = 0
    while f"UserNotesOpenAtQuitRect{n}" in p:
        n += 1
    return [(p[f"UserNotesOpenAtQuit{i}"].decode(), p[f"UserNotesOpenAtQuitRect{i}"]) for i in range(n)]


home = h.Home()
work = tempfile.mkdtemp(prefix="vrdx-notes-")
try:
    # Written without the type and creator attributes, as a copy from elsewhere would be: known by content.
    first = os.path.join(work, "first.vrdxnote")
    second = os.path.join(work, "other folder", "second.vrdxnote")
    os.makedirs(os.path.dirname(second))
    for path, text in ((first, "first note"), (second, "second note")):
        with open(path, "wb") as f:
            plistlib.dump({"UserNoteTextKey": text, "UserNoteCfsKey": bytes(24)}, f)

    proc = h.start(home, first)
    time.sleep(1)
    uri = "file://" + urllib.parse.quote(second)
    r = h.gdbus("--dest", h.APP_ID, "--object-path", h.PATH, "--method", "org.freedesktop.Application.Open",
                f"['{uri}']", "{}")
    check("Open answered", r.returncode == 0, r.stderr)
    time.sleep(1)
    status = h.stop(proc, "quit")
    check("first run ends cleanly", status == 0, f"got {status}")

    prefs_path = os.path.join(home.config, "VRDX", "VRDX.plist")
    p = load(prefs_path)
    notes = recorded(p)
    check("both notes recorded at quit", sorted(n[0] for n in notes) == sorted([first, second]), notes)
    check("recent list holds both", sorted(d.decode() for d in p.get("Recent User Notes", [])) ==
          sorted([first, second]), p.get("Recent User Notes"))
    for path, text in ((first, "first note"), (second, "second note")):
        note = load(path)
        check(f"{os.path.basename(path)} saved into its own file, with its 24-byte style",
              note.get("UserNoteTextKey") == text and len(note.get("UserNoteCfsKey", b"")) == 24, note)

    # Places of our own (top, left, bottom, right), unlike anything the desktop would choose by itself.
    frames = {first: "150,90,390,410", second: "230,420,530,760"}
    for n, (path, _) in enumerate(notes):
        p[f"UserNotesOpenAtQuitRect{n}"] = frames[path]
    with open(prefs_path, "wb") as f:
        plistlib.dump(p, f)

    proc = h.start(home)
    time.sleep(1.5)
    status = h.stop(proc, "quit")
    check("second run ends cleanly", status == 0, f"got {status}")
    again = recorded(load(prefs_path))
    check("both reopened in their frames", sorted(again) == sorted(frames.items()), f"{again} vs {frames}")
finally:
    home.remove()

check.finish()
