"""The time log from outside, under a real X server: a log started from the keyboard and a SIGTERM while it
runs. Nobody is there to answer a question, so the program ends at once and the day's log file holds the
entry, with line feeds."""
import datetime
import os
import signal
import subprocess
import time

import app_harness as h

h.in_private_bus()

check = h.Checks()
PROJECT = "Garden shed, phase 2"  # typed by xdotool, which garbles letters outside ASCII under load


def xdotool(display, *args):
    return subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=display), capture_output=True,
                          text=True, timeout=20)


def window(display, title):
    """The X window of that exact title, waited for; a failed check when it never shows."""
    deadline = time.time() + 15
    while time.time() < deadline:
        found = xdotool(display, "search", "--onlyvisible", "--name", f"^{title}$").stdout.split()
        if found:
            return found[-1]
        time.sleep(0.1)
    check(f"{title} on screen", False)
    return "none"


home = h.Home()
xserver = h.XServer()
try:
    env = home.env()
    env.update(xserver.env())
    env.update(TZ="Europe/Berlin", LANG="en_US.UTF-8")
    proc = subprocess.Popen([h.PROGRAM], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    deadline = time.time() + 20
    while not h.name_owned() and proc.poll() is None and time.time() < deadline:
        time.sleep(0.05)
    r = h.gdbus("--dest", h.APP_ID, "--object-path", h.PATH, "--method",
                "org.freedesktop.Application.ActivateAction", "ShTL", "[]", "{}")
    check("Time Log opened over D-Bus", r.returncode == 0, r.stderr)
    xdotool(xserver.display, "windowfocus", "--sync", window(xserver.display, "Time Log"))
    xdotool(xserver.display, "key", "alt+n")  # New Log...
    xdotool(xserver.display, "windowfocus", "--sync", window(xserver.display, "New Time Log"))
    xdotool(xserver.display, "type", "--delay", "20", PROJECT)
    xdotool(xserver.display, "key", "Return")  # Start
    time.sleep(1.2)
    proc.send_signal(signal.SIGTERM)
    try:
        status = proc.wait(timeout=3)
    except subprocess.TimeoutExpired:
        proc.kill()
        status = "hung"
    check("SIGTERM while logging: exit 0 without waiting for an answer", status == 0, status)

    today = datetime.datetime.now().strftime("%d.%B.%Y")  # C locale month names are the English ones
    path = os.path.join(home.data, "VRDX", "VRDXTimerLogFor" + today)
    text = open(path, "rb").read() if os.path.exists(path) else b""
    check("line feeds, no carriage returns", b"\r" not in text and text.count(b"\n") == 11, repr(text))
    lines = text.decode("utf-8").split("\n")
    check("header, rule as long as the start line with its line end, project",
          lines[:3] == ["Timer Log Created " + today, "-" * (len(lines[3]) + 1), "Project name: " + PROJECT]
          if len(lines) > 3 else False, lines)
    check("stop line", any(line.startswith("Log Stopped on: ") for line in lines), lines)
finally:
    xserver.stop()
    home.remove()

check.finish()
