"""The whole program from outside: it owns its bus name while it runs, and every way of quitting ends it with
status 0 and lets the name go. (A second launch handing over: tst_desktop; an unknown action refused: every
start of app_harness.App waits for that answer.)"""
import signal

import app_harness as h

h.in_private_bus()

check = h.Checks()
home = h.Home()
for how in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP, "quit"):
    app = h.App(home)
    check(f"{how}: owns {h.APP_ID}", h.name_owned())
    status = app.stop(how)
    check(f"{how}: exit status 0", status == 0, f"got {status}")
    check(f"{how}: name released", h.wait_until(lambda: not h.name_owned()))
check.finish()
