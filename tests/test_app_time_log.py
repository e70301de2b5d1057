"""The time log from outside, under a real X server: a log started from the keyboard and a SIGTERM while it
runs. Nobody is there to answer a question, so the program ends without one and the day's log file holds the
entry, with line feeds."""
import datetime
import os
import zoneinfo

import app_harness as h

h.in_private_bus()

check = h.Checks()
PROJECT = "Garden shed, phase 2"  # typed by xdotool, which garbles letters outside ASCII under load


home = h.Home()
x = h.XServer()
app = h.App(home, x=x, env={"TZ": "Europe/Berlin", "LANG": "en_US.UTF-8"})
r = h.action("ShTL")
check("Time Log opened over D-Bus", r.returncode == 0, r.stderr)
log = x.window("Time Log")
if check("Time Log on screen", log):
    x.xdotool("windowfocus", "--sync", log)
    x.xdotool("key", "alt+n")  # New Log...
sheet = x.window("New Time Log")
if check("New Time Log on screen", sheet):
    x.xdotool("windowfocus", "--sync", sheet)
    x.xdotool("type", "--delay", "20", PROJECT)
    x.xdotool("key", "Return")  # Start: the sheet closes once the log runs
    check("log started", h.wait_until(lambda: not x.visible("New Time Log"), 60, 0.1))
status = app.stop()
check("SIGTERM while logging: exit 0 without waiting for an answer", status == 0, status)

today = datetime.datetime.now(zoneinfo.ZoneInfo("Europe/Berlin")).strftime("%d.%B.%Y")  # English month names
path = os.path.join(home.data, "VRDX", "VRDXTimerLogFor" + today)
text = open(path, "rb").read() if os.path.exists(path) else b""
check("line feeds, no carriage returns", b"\r" not in text and text.count(b"\n") == 11, repr(text))
lines = text.decode("utf-8").split("\n")
check("header, rule as long as the start line with its line end, project",
      len(lines) > 3 and lines[:3] == ["Timer Log Created " + today, "-" * (len(lines[3]) + 1),
                                       "Project name: " + PROJECT], lines)
check("stop line", any(line.startswith("Log Stopped on: ") for line in lines), lines)
check.finish()
