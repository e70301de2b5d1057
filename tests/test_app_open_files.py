"""Paths that are not regular files, handed to a running copy over D-Bus Open and by a second launch:
each gets the unsupported-file alert at once, and the running copy keeps answering instead of reading
/dev/zero or a pipe for ever."""
import os
import signal
import subprocess
import tempfile
import time
import urllib.parse

import app_harness as h

h.in_private_bus()

check = h.Checks()


def alert_windows(display):
    """Mapped windows titled "VRD X": the program's alert boxes (the others carry a date or a clock)."""
    tree = subprocess.run(["xwininfo", "-root", "-tree", "-display", display], capture_output=True,
                          text=True).stdout
    return sum("IsViewable" in subprocess.run(["xwininfo", "-id", line.split()[0], "-display", display],
                                              capture_output=True, text=True).stdout
               for line in tree.splitlines() if '"VRD X":' in line)


def answers():
    """An unknown ActivateAction, refused by the main thread: answered means the event loop runs."""
    try:
        return "InvalidArgs" in h.gdbus("--dest", h.APP_ID, "--object-path", h.PATH, "--method",
                                        "org.freedesktop.Application.ActivateAction", "no such", "[]", "{}",
                                        timeout=5).stderr
    except subprocess.TimeoutExpired:
        return False


home = h.Home()
x = h.XServer()
work = tempfile.mkdtemp(prefix="vrdx-open-")
proc = None
try:
    env = dict(home.env(), QT_QPA_PLATFORM="xcb", DISPLAY=x.display)
    proc = subprocess.Popen([h.PROGRAM], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    deadline = time.time() + 20
    while not h.name_owned() and proc.poll() is None and time.time() < deadline:
        time.sleep(0.05)
    check("running", proc.poll() is None and h.name_owned())
    time.sleep(1)
    before = alert_windows(x.display)

    pipe = os.path.join(work, "pipe")
    os.mkfifo(pipe)
    folder = os.path.join(work, "folder")
    os.mkdir(folder)
    handed = [("/dev/zero over D-Bus", "/dev/zero"), ("a pipe over D-Bus", pipe), ("a folder over D-Bus", folder),
              ("/dev/zero by a second launch", None)]
    for n, (what, path) in enumerate(handed, start=1):
        if path:
            uri = "file://" + urllib.parse.quote(path)
            r = h.gdbus("--dest", h.APP_ID, "--object-path", h.PATH, "--method",
                        "org.freedesktop.Application.Open", f"['{uri}']", "{}")
            check(f"{what}: Open answered", r.returncode == 0, r.stderr)
        else:
            second = subprocess.run([h.PROGRAM, "/dev/zero"], env=env, capture_output=True, timeout=30)
            check(f"{what}: the second copy hands over and leaves", second.returncode == 0, second.stderr)
        deadline = time.time() + 10
        while alert_windows(x.display) < before + n and time.time() < deadline:
            time.sleep(0.1)
        check(f"{what}: an alert is shown", alert_windows(x.display) == before + n)
        check(f"{what}: the running copy still answers", answers())
    status = h.stop(proc, signal.SIGTERM)
    check("exit 0 on SIGTERM with the alerts open", status == 0, f"got {status}: {proc.stderr.read()[-2000:]}")
finally:
    if proc and proc.poll() is None:
        proc.kill()  # a copy stuck reading must not outlive the test
        proc.wait()
    x.stop()
    home.remove()
    subprocess.run(["rm", "-rf", work])

check.finish()
