"""A user note whose folder is gone when the program is told to quit: its words go to a recovery file in the
data folder, the terminal names it, and the program ends with status 1."""
import os
import shutil
import signal

import app_harness as h

h.in_private_bus()

check = h.Checks()
home = h.Home()
folder = os.path.join(home.root, "notes")
note = os.path.join(folder, "plans.vrdxnote")
words = "buy paint\rcall the roofer"
h.write_plist(note, {"UserNoteTextKey": words, "UserNoteCfsKey": bytes(24)})

app = h.App(home, note)  # answering on the bus: the note named on the command line is open
shutil.rmtree(folder)
app.proc.send_signal(signal.SIGTERM)
told = app.said("Its text was saved to")
status = app.stop(signal.SIGTERM, timeout=60)  # a second request closes the alert
data = os.path.join(home.data, "VRDX")
recovered = [n for n in os.listdir(data) if n.startswith("plans (recovered")] if os.path.isdir(data) else []
check("one recovery file in the data folder", len(recovered) == 1, str(recovered))
if recovered:
    path = os.path.join(data, recovered[0])
    saved = h.read_plist(path)
    check("it holds the note's words", saved.get("UserNoteTextKey", "").splitlines() == words.split("\r"), saved)
    check("the terminal names it", path in told, told)
check("exit status 1", status == 1, f"got {status}")
check.finish()
