"""The whole program from outside: it owns its bus name, a second launch hands over and leaves, and every way
of quitting ends it with status 0 after the quit sequence."""
import signal
import subprocess
import time

import app_harness as h

h.in_private_bus()

check = h.Checks()


home = h.Home()
try:
    for how in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP, "quit"):
        proc = h.start(home)
        check(f"{how}: owns {h.APP_ID}", h.name_owned())
        if how == signal.SIGTERM:
            second = subprocess.run([h.PROGRAM], env=home.env(), capture_output=True, timeout=30)
            check("second launch exits 0", second.returncode == 0, second.stderr)
            check("first keeps running", proc.poll() is None)
            bad = h.gdbus("--dest", h.APP_ID, "--object-path", h.PATH, "--method",
                          "org.freedesktop.Application.ActivateAction", "no such", "[]", "{}")
            check("unknown action refused", bad.returncode != 0 and "InvalidArgs" in bad.stderr, bad.stderr)
            check("still running after a refused action", proc.poll() is None)
        status = h.stop(proc, how)
        check(f"{how}: exit status 0", status == 0, f"got {status}")
        deadline = time.time() + 5
        while h.name_owned() and time.time() < deadline:
            time.sleep(0.05)
        check(f"{how}: name released", not h.name_owned())
finally:
    home.remove()

check.finish()
