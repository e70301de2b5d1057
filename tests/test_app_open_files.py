"""Paths that are not regular files, handed to a running copy over D-Bus Open and by a second launch:
the first gets the unsupported-file alert at once and the others join it (one alert), and the running copy
keeps answering instead of reading /dev/zero or a pipe for ever."""
import os

import app_harness as h

h.in_private_bus()

check = h.Checks()


home = h.Home()
x = h.XServer()
pipe, folder = os.path.join(home.root, "pipe"), os.path.join(home.root, "folder")
os.mkfifo(pipe)
os.mkdir(folder)
app = h.App(home, x=x)
before = x.alert_windows()
for n, (what, path) in enumerate([("/dev/zero over D-Bus", "/dev/zero"), ("a pipe over D-Bus", pipe),
                                  ("a folder over D-Bus", folder), ("/dev/zero by a second launch", None)], 1):
    if path:
        r = h.open_paths(path)
        check(f"{what}: Open answered", r.returncode == 0, r.stderr)
    else:
        second = h.run(h.PROGRAM, "/dev/zero", env=home.env(**x.env()))
        check(f"{what}: the second copy hands over and leaves", second.returncode == 0, second.stderr)
    shown = h.wait_until(lambda: x.alert_windows() >= before + 1, step=0.2)
    check(f"{what}: one alert is shown", shown and x.alert_windows() == before + 1)
    check(f"{what}: the running copy still answers", h.answers())
status = app.stop()
check("exit 0 on SIGTERM with the alerts open", status == 0, f"got {status}: {app.stderr[-2000:]}")
check.finish()
