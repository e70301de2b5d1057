"""Dialogs and alerts under calls from another program: a window closed under an open file or page dialog,
the same dialog asked for again and again, thousands of files that cannot be opened, and paths that are no
regular files (/dev/zero, a pipe, a folder) handed over D-Bus Open and by a second launch, which must not be
read for ever. Files that cannot be opened share one alert. Each run must go on answering on the bus, take a
line sent after it all, and save it at SIGTERM."""
import datetime
import os

import app_harness as h

h.in_private_bus()

check = h.Checks()
x = h.XServer()  # a real window system: there, the active window under a dialog is the one it belongs to
today = datetime.date.today()


def send_line(text):
    """A FromVRDX signal adding a line to today's daynote."""
    return h.run(h.program("gdbus"), "emit", "--session", "--object-path", "/org/vrdx/Sender", "--signal",
                 "org.vrdx.VRDX.FromVRDX", f"Hostile;{text};{today:%Y%m%d};A")


def saved_texts(home):
    return [r.get("NoteDataKey", "") for r in h.read_plist(home.daynotes)] if os.path.exists(home.daynotes) else []


# name, the calls in order: actions, ("open", n) for n Open calls naming a file that is no calendar, ("open",
# path) for one Open call and ("second", path) for a second launch handing the path over.
ROWS = [
    ("Cusr, Ousr, then clos", ["Cusr", "Ousr", "clos"]),
    ("page, ImpI, then clos", ["page", "ImpI", "clos"]),
    ("ImpI 300 times, then clos", ["ImpI"] * 300 + ["clos"]),
    ("5,000 files that are no calendar", [("open", 5000)]),
    ("no regular files", [("open", "/dev/zero"), ("open", "pipe"), ("open", "folder"), ("second", "/dev/zero")]),
]

for name, calls in ROWS:
    home = h.Home()
    other = os.path.join(home.root, "notes.txt")
    with open(other, "w") as f:
        f.write("not a calendar\n")
    os.mkfifo(os.path.join(home.root, "pipe"))
    os.mkdir(os.path.join(home.root, "folder"))
    app = h.App(home, x=x)
    refused, before = 0, x.alert_windows()
    for call in calls:
        if call[0] == "second":
            refused += h.run(h.PROGRAM, call[1], env=home.env(**x.env())).returncode != 0
        elif isinstance(call, str):
            refused += h.action(call).returncode != 0
        elif isinstance(call[1], str):
            refused += h.open_paths(os.path.join(home.root, call[1])).returncode != 0
        else:
            # Several files in one call and many calls, as a file manager and a script would send them.
            for _ in range(call[1] // 50):
                refused += h.open_paths(*[other] * 50).returncode != 0
    check(f"{name}: every call answered", refused == 0, f"{refused} refused")
    check(f"{name}: still answers afterwards", h.answers(timeout=30), app.stderr[-2000:])
    if isinstance(calls[0], tuple):
        check(f"{name}: one alert",
              h.wait_until(lambda: x.alert_windows() > before) and x.alert_windows() == before + 1,
              f"{x.alert_windows() - before} alerts")
    check(f"{name}: the line was sent", send_line(name).returncode == 0)
    check(f"{name}: the line arrived", h.wait_until(lambda: h.answers() and app.proc.poll() is None, 30))
    status = app.stop()
    check(f"{name}: exit 0 on SIGTERM", status == 0, f"got {status}: {app.stderr[-2000:]}")
    check(f"{name}: the line sent afterwards is saved", any(name in t for t in saved_texts(home)),
          f"{saved_texts(home)} {app.stderr[-2000:]}")
    check(f"{name}: no crash report", "double free" not in app.stderr and "Segmentation" not in app.stderr)
check.finish()
