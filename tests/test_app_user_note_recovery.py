"""A user note whose folder is gone when the program is told to quit: its words go to a recovery file in the
data folder, the terminal names it, and the program ends with status 1."""
import os
import plistlib
import shutil
import signal
import subprocess
import threading
import time

import app_harness as h

h.in_private_bus()

check = h.Checks()
home = h.Home()
try:
    folder = os.path.join(home.root, "notes")
    os.makedirs(folder)
    note = os.path.join(folder, "plans.vrdxnote")
    words = "buy paint\rcall the roofer"
    with open(note, "wb") as f:
        plistlib.dump({"UserNoteTextKey": words, "UserNoteCfsKey": bytes(24)}, f)
    proc = subprocess.Popen([h.PROGRAM, note], env=home.env(), stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    lines = []
    threading.Thread(target=lambda: lines.extend(proc.stderr), daemon=True).start()
    deadline = time.time() + 20
    while not h.name_owned() and proc.poll() is None and time.time() < deadline:
        time.sleep(0.05)
    time.sleep(1)  # the note window is open
    shutil.rmtree(folder)
    proc.send_signal(signal.SIGTERM)
    deadline = time.time() + 20
    while time.time() < deadline and not any("Its text was saved to" in line for line in lines):
        time.sleep(0.05)
    proc.send_signal(signal.SIGTERM)  # a second request closes the alert
    status = proc.wait(timeout=60)
    told = "".join(lines)
    data = os.path.join(home.data, "VRDX")
    recovered = [n for n in os.listdir(data) if n.startswith("plans (recovered")] if os.path.isdir(data) else []
    check("one recovery file in the data folder", len(recovered) == 1, str(recovered))
    if recovered:
        path = os.path.join(data, recovered[0])
        with open(path, "rb") as f:
            saved = plistlib.load(f)
        check("it holds the note's words", saved.get("UserNoteTextKey", "").splitlines() == words.split("\r"), saved)
        check("the terminal names it", path in told, told)
    check("exit status 1", status == 1, f"got {status}")
finally:
    home.remove()
check.finish()
