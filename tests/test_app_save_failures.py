"""Saving the daynote file from outside: a save that fails at quit puts the daynotes in a recovery file, says
where on the terminal and in an alert that cannot hold the quit for ever, and ends with a non-zero status; when
even that fails, it says so."""
import datetime
import os
import shutil
import signal
import struct

import app_harness as h

h.in_private_bus()

check = h.Checks()
style = struct.pack("<12h", 0x024F, -1, 11, 1, 0, 0, 0, 0, 0, 0, 0, 0)
records = [{"NoteDataKey": f"note {n}", "NoteDateKey": datetime.datetime(2026, 12, 1 + n), "NoteTypeKey": 1,
            "NoteCFSKey": style} for n in range(3)]

home = h.Home()
# The data folder turns into a file while the program runs: the daynotes go to the home folder.
h.write_plist(home.daynotes, records)
app = h.App(home)
folder = os.path.dirname(home.daynotes)
shutil.rmtree(folder)
open(folder, "w").close()
app.proc.send_signal(signal.SIGTERM)
told = app.said("were saved to")
recovered = [n for n in os.listdir(home.root) if n.startswith("VRDX DayNotes (recovered")]
check("recovery file in the home folder", len(recovered) == 1, str(os.listdir(home.root)))
check("the terminal names the file, the reason and the recovery file",
      "The daynotes could not be saved" in told and "Not a directory" in told and all(n in told for n in recovered),
      told)
check("every daynote recovered", recovered and h.read_plist(os.path.join(home.root, recovered[0])) == records)
status = app.stop()  # a second request closes the alert
check("failed save: non-zero exit", isinstance(status, int) and status != 0, f"got {status}")

# Nowhere to write at all: said so, and the alert answers itself, so the quit still ends.
blocked = os.path.join(home.root, "blocked")
open(blocked, "w").close()
app = h.App(home, env={"HOME": os.path.join(blocked, "home"), "XDG_DATA_HOME": os.path.join(blocked, "share")})
app.proc.send_signal(signal.SIGTERM)
told = app.said("could not be saved anywhere else")
check("the terminal says nothing was saved", "could not be saved anywhere else" in told, told)
status = app.stop(None, timeout=120)  # no second request: the alert answers itself
check("no save anywhere: non-zero exit", isinstance(status, int) and status != 0, f"got {status}")
check.finish()
