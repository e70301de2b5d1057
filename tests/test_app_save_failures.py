"""Saving the daynote file from outside: a save that fails at quit puts the daynotes in a recovery file, says
where on the terminal and in an alert that cannot hold the quit for ever, and ends with a non-zero status; when
even that fails, it says so."""
import datetime
import os
import plistlib
import shutil
import signal
import struct
import subprocess
import threading
import time

import app_harness as h

h.in_private_bus()

check = h.Checks()

style = struct.pack("<12h", 0x024F, -1, 11, 1, 0, 0, 0, 0, 0, 0, 0, 0)
records = [{"NoteDataKey": f"note {n}", "NoteDateKey": datetime.datetime(2026, 12, 1 + n), "NoteTypeKey": 1,
            "NoteCFSKey": style} for n in range(3)]
running = []


def start(env):
    proc = subprocess.Popen([h.PROGRAM], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    running.append(proc)
    proc.lines = []
    threading.Thread(target=lambda: proc.lines.extend(proc.stderr), daemon=True).start()
    deadline = time.time() + 20
    while not h.name_owned():
        if proc.poll() is not None or time.time() > deadline:
            raise AssertionError("vrdx did not claim its bus name")
        time.sleep(0.05)
    return proc


def wait_for(proc, text, timeout=20):
    deadline = time.time() + timeout
    while time.time() < deadline and not any(text in line for line in proc.lines):
        time.sleep(0.05)
    return "".join(proc.lines)


home = h.Home()
try:
    # The data folder turns into a file while the program runs: the daynotes go to the home folder.
    folder = os.path.join(home.data, "VRDX")
    os.makedirs(folder)
    with open(os.path.join(folder, "VRDX DayNotes"), "wb") as f:
        plistlib.dump(records, f)
    proc = start(home.env())
    # The bus name is claimed before the file is read; an answer from the event loop comes after.
    h.gdbus("--dest", h.APP_ID, "--object-path", h.PATH, "--method",
            "org.freedesktop.Application.ActivateAction", "no such", "[]", "{}")
    shutil.rmtree(folder)
    open(folder, "w").close()
    proc.send_signal(signal.SIGTERM)
    told = wait_for(proc, "were saved to")
    recovered = [n for n in os.listdir(home.root) if n.startswith("VRDX DayNotes (recovered")]
    check("recovery file in the home folder", len(recovered) == 1, str(os.listdir(home.root)))
    check("the terminal names the file, the reason and the recovery file",
          "The daynotes could not be saved" in told and "Not a directory" in told and
          all(n in told for n in recovered), told)
    check("every daynote recovered", recovered and plistlib.load(open(os.path.join(home.root, recovered[0]), "rb"))
          == records)
    proc.send_signal(signal.SIGTERM)  # a second request closes the alert
    status = proc.wait(timeout=20)
    check("failed save: non-zero exit", status != 0, f"got {status}")

    # Nowhere to write at all: said so, and the alert answers itself, so the quit still ends.
    blocked = os.path.join(home.root, "blocked")
    open(blocked, "w").close()
    env = dict(home.env(), HOME=os.path.join(blocked, "home"), XDG_DATA_HOME=os.path.join(blocked, "share"))
    proc = start(env)
    proc.send_signal(signal.SIGTERM)
    told = wait_for(proc, "could not be saved anywhere else")
    check("the terminal says nothing was saved", "could not be saved anywhere else" in told, told)
    status = proc.wait(timeout=120)  # the alert answers itself
    check("no save anywhere: non-zero exit", status != 0, f"got {status}")
finally:
    for p in running:
        if p.poll() is None:
            p.kill()
            p.wait()
    home.remove()

check.finish()
