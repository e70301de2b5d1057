"""User notes handed to the program from outside: one on the command line and one over D-Bus Open open as
note windows; quitting saves both into their own files (read back with plistlib) and records them with
their frames; the next launch reopens both in the frames recorded (moved here to places of our own), so
the next quit records those frames again. A note whose folder is gone when the program is told to quit: its
words go to a recovery file in the data folder, the terminal names it, and the program ends with status 1."""
import os
import shutil
import signal

import app_harness as h

h.in_private_bus()

check = h.Checks()


def recorded(p):
    """The notes the quit recorded: path and rectangle, in their order."""
    n = 0
    while f"UserNotesOpenAtQuitRect{n}" in p:
        n += 1
    return [(p[f"UserNotesOpenAtQuit{i}"].decode(), p[f"UserNotesOpenAtQuitRect{i}"]) for i in range(n)]


home = h.Home()
work = os.path.join(home.root, "notes")
# Written without the type and creator attributes, as a copy from elsewhere would be: known by content.
texts = {os.path.join(work, "first.vrdxnote"): "first note",
         os.path.join(work, "other folder", "second.vrdxnote"): "second note"}
first, second = texts
for path, text in texts.items():
    h.write_plist(path, {"UserNoteTextKey": text, "UserNoteCfsKey": bytes(24)})

app = h.App(home, first)
r = h.open_paths(second)
check("Open answered", r.returncode == 0, r.stderr)
status = app.stop("quit")  # the quit action comes after the Open on the same bus, so the note is open by then
check("first run ends cleanly", status == 0, f"got {status}")

p = h.read_plist(home.prefs)
notes = recorded(p)
check("both notes recorded at quit", sorted(n[0] for n in notes) == sorted(texts), notes)
check("recent list holds both", sorted(d.decode() for d in p.get("Recent User Notes", [])) == sorted(texts),
      p.get("Recent User Notes"))
for path, text in texts.items():
    note = h.read_plist(path)
    check(f"{os.path.basename(path)} saved into its own file, with its 24-byte style",
          note.get("UserNoteTextKey") == text and len(note.get("UserNoteCfsKey", b"")) == 24, note)

# Places of our own (top, left, bottom, right), unlike anything the desktop would choose by itself.
frames = {first: "150,90,390,410", second: "230,420,530,760"}
for n, (path, _) in enumerate(notes):
    p[f"UserNotesOpenAtQuitRect{n}"] = frames[path]
h.write_plist(home.prefs, p)
status = h.App(home).stop("quit")
check("second run ends cleanly", status == 0, f"got {status}")
again = recorded(h.read_plist(home.prefs))
check("both reopened in their frames", sorted(again) == sorted(frames.items()), f"{again} vs {frames}")

home = h.Home()
folder = os.path.join(home.root, "notes")
words = "buy paint\rcall the roofer"
h.write_plist(os.path.join(folder, "plans.vrdxnote"), {"UserNoteTextKey": words, "UserNoteCfsKey": bytes(24)})
app = h.App(home, os.path.join(folder, "plans.vrdxnote"))
# Files named on the command line open once the start-up is complete, which an action forces; the call after
# it is answered once the note is open. A quit before that would rightly never open it.
check("start-up completed by an action", h.action("SCal").returncode == 0 and h.answers())
shutil.rmtree(folder)
app.proc.send_signal(signal.SIGTERM)
told = app.said("Its text was saved to")
status = app.stop(signal.SIGTERM, timeout=60)  # a second request closes the alert
data = os.path.join(home.data, "VRDX")
recovered = [n for n in os.listdir(data) if n.startswith("plans (recovered")] if os.path.isdir(data) else []
check("folder gone at quit: one recovery file in the data folder", len(recovered) == 1, str(recovered))
if recovered:
    path = os.path.join(data, recovered[0])
    saved = h.read_plist(path)
    check("it holds the note's words", saved.get("UserNoteTextKey", "").splitlines() == words.split("\r"), saved)
    check("the terminal names it", path in told, told)
check("folder gone at quit: exit status 1", status == 1, f"got {status}")
check.finish()
