"""Hundreds of due reminders at start-up, from outside, under a real X server: at most 20 daynote windows and
20 web pages open, every e-mail reaches the mail program once and loses its fields, the main thread answers on
the session bus throughout, and SIGTERM at any moment ends the program within a second with the file whole."""
import datetime
import os
import plistlib
import re
import signal
import subprocess
import time

import app_harness as h

h.in_private_bus()

check = h.Checks()
HERE = os.path.dirname(os.path.abspath(__file__))
DUE = 300
TITLE = re.compile(r'"(\d\d  \w+  \d{4})\b')


def daynotes():
    first = datetime.datetime(2025, 1, 1)
    notes = []
    for i in range(DUE):
        day = first + datetime.timedelta(days=i)
        notes.append({"NoteDataKey": f"Note {i}\rsecond line", "NoteDateKey": day, "NoteTypeKey": 1,
                      "ReminderDateKey": day - datetime.timedelta(hours=9), "URL Key": f"https://example.org/r?n={i}",
                      "EmailAddrKey": f"n{i}@example.org", "EmailSubjectKey": f"Reminder {i}",
                      "EmailMessageKey": "Don't forget.\rAnna"})
    notes.append({"NoteDataKey": "Not yet", "NoteDateKey": datetime.datetime(2099, 1, 1), "NoteTypeKey": 1,
                  "ReminderDateKey": datetime.datetime(2098, 12, 25), "URL Key": " ",
                  "EmailAddrKey": "later@example.org", "EmailSubjectKey": "s", "EmailMessageKey": "m"})
    return notes


def call_time(*args):
    started = time.monotonic()
    r = h.gdbus(*args)
    return time.monotonic() - started, r.stderr.strip()


def answered_in_time(base):
    """ActivateAction with an unknown name: the main thread must refuse it, within 250 ms of a bare gdbus call."""
    took, said = call_time("--dest", h.APP_ID, "--object-path", h.PATH, "--method",
                           "org.freedesktop.Application.ActivateAction", "no such", "[]", "{}")
    return "No action named" in said and took - base < 0.25, f"{took - base:.3f} s: {said}"


def mails(folder):
    to = []
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name, "stdin")
        if os.path.exists(path):
            head = open(path, "rb").read().split(b"\r\n\r\n")[0].decode()
            to += [line[4:] for line in head.split("\r\n") if line.startswith("To: ")]
    return to


class Run:
    """One start of the program on a fresh copy of the file, with its own mail folder and browser log."""

    def __init__(self, home, tag):
        self.file = os.path.join(home.data, "VRDX", "VRDX DayNotes")
        os.makedirs(os.path.dirname(self.file), exist_ok=True)
        with open(self.file, "wb") as f:
            plistlib.dump(daynotes(), f)
        self.mail = os.path.join(home.root, f"mail-{tag}")
        self.opened = os.path.join(home.root, f"opened-{tag}")
        os.makedirs(self.mail)
        env = dict(home.env(), **xserver.env(), TZ="Europe/Berlin", LANG="en_US.UTF-8",
                   VRDX_SENDMAIL=os.path.join(HERE, "fake-sendmail"), FAKE_SENDMAIL_DIR=self.mail,
                   XDG_OPEN_LOG=self.opened, PATH=os.path.join(home.root, "bin") + ":" + os.environ["PATH"])
        env.pop("XDG_CURRENT_DESKTOP", None)
        self.proc = subprocess.Popen([h.PROGRAM], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                     text=True)
        deadline = time.time() + 20
        while not h.name_owned():
            assert self.proc.poll() is None and time.time() < deadline, "no bus name: " + self.proc.stderr.read()
            time.sleep(0.01)

    def urls(self):
        return open(self.opened).read().split() if os.path.exists(self.opened) else []

    def term(self):
        """SIGTERM: the exit status, or "hung" when it takes more than a second."""
        self.proc.send_signal(signal.SIGTERM)
        try:
            return self.proc.wait(timeout=1)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            return "hung"

    def saved(self):
        with open(self.file, "rb") as f:
            return plistlib.load(f)


home = h.Home()
xserver = h.XServer()
try:
    os.makedirs(os.path.join(home.root, "bin"))
    browser = os.path.join(home.root, "bin", "xdg-open")
    with open(browser, "w") as f:
        f.write('#!/bin/sh\nprintf \'%s\\n\' "$1" >>"$XDG_OPEN_LOG"\n')
    os.chmod(browser, 0o755)

    # The whole start-up, until every e-mail is out.
    base = sorted(call_time("--dest", "org.freedesktop.DBus", "--object-path", "/org/freedesktop/DBus", "--method",
                            "org.freedesktop.DBus.GetId")[0] for _ in range(7))[3]  # a bare gdbus call
    run = Run(home, "all")
    slow = []
    deadline = time.time() + 40
    while time.time() < deadline and len(mails(run.mail)) < DUE:
        ok, said = answered_in_time(base)
        if not ok:
            slow.append(said)
    time.sleep(1)
    ok, said = answered_in_time(base)
    check("ActivateAction answered within 250 ms throughout", not slow and ok, f"{len(slow)} late: {slow[:3]}")
    titles = set(TITLE.findall(xserver.window_tree()))
    check("20 daynote windows, the latest", len(titles) == 20 and "27  October  2025" in titles, str(sorted(titles)))
    urls = run.urls()
    check("20 web pages, the latest", len(urls) == 20 and f"https://example.org/r?n={DUE - 1}" in urls, str(urls))
    to = mails(run.mail)
    check("every e-mail handed over once", sorted(to) == sorted(f"n{i}@example.org" for i in range(DUE)),
          f"{len(to)} mails, {len(set(to))} addresses")
    status = run.term()
    check("SIGTERM after the start-up: exit 0 within 1 s", status == 0, status)
    saved = run.saved()
    check("file whole", len(saved) == DUE + 1, str(len(saved)))
    check("the e-mails sent lost their fields", not any("EmailAddrKey" in r for r in saved[:DUE]))
    check("reminder date and web address kept", saved[0].get("ReminderDateKey") == daynotes()[0]["ReminderDateKey"]
          and saved[0].get("URL Key") == "https://example.org/r?n=0", str(saved[0]))
    check("a reminder not due keeps its e-mail", saved[-1].get("EmailAddrKey") == "later@example.org")

    # SIGTERM at moments of the start-up: the quit comes first, and only e-mails taken lose their fields.
    for moment in (0.1, 0.5):
        run = Run(home, f"at-{moment}")
        time.sleep(moment)
        status = run.term()
        check(f"SIGTERM at {moment} s: exit 0 within 1 s", status == 0, status)
        saved = run.saved()
        check(f"SIGTERM at {moment} s: file whole", len(saved) == DUE + 1, str(len(saved)))
        to = mails(run.mail)
        gone = {r["EmailSubjectKey"] for r in daynotes()[:DUE]} - {r.get("EmailSubjectKey") for r in saved}
        taken = {f"Reminder {a[1:].split('@')[0]}" for a in to}
        check(f"SIGTERM at {moment} s: fields gone only for mail taken, none twice",
              gone <= taken and len(to) == len(set(to)), f"{len(gone - taken)} lost, {len(to) - len(set(to))} twice")
        check(f"SIGTERM at {moment} s: at most 20 pages", len(run.urls()) <= 20, str(len(run.urls())))
finally:
    xserver.stop()
    home.remove()

check.finish()
