"""The whole program from outside: it owns its bus name, a second launch hands over and leaves, and every way
of quitting ends it with status 0 after the quit sequence."""
import signal

import app_harness as h

h.in_private_bus()

check = h.Checks()
home = h.Home()
for how in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP, "quit"):
    app = h.App(home)
    check(f"{how}: owns {h.APP_ID}", h.name_owned())
    if how == signal.SIGTERM:
        second = h.run(h.PROGRAM, env=home.env())
        check("second launch exits 0", second.returncode == 0, second.stderr)
        check("first keeps running", app.proc.poll() is None)
        bad = h.action("no such")
        check("unknown action refused", bad.returncode != 0 and "InvalidArgs" in bad.stderr, bad.stderr)
        check("still running after a refused action", app.proc.poll() is None)
    status = app.stop(how)
    check(f"{how}: exit status 0", status == 0, f"got {status}")
    check(f"{how}: name released", h.wait_until(lambda: not h.name_owned()))
check.finish()
