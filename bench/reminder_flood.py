#!/usr/bin/env python3
"""Responsiveness under a flood of due reminders, measured on the built program from outside.

Starts build/vrdx on a daynote file with many reminders already due (each with a web address and an
e-mail), asks it over D-Bus again and again while it works through them, and prints the worst answer time
(minus a bare gdbus call to the bus itself) and the longest event-loop turn the program measured.
Goals: every answer within 250 ms, no turn longer than about 50 ms.

    bench/reminder_flood.py [--daynotes N] [--due M] [--runs K]
"""
import argparse
import datetime
import os
import plistlib
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import app_harness as h  # noqa: E402

TESTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests")


def daynotes(total, due):
    """`total` daynotes from 1 January 2025 on, of which the first `due` have a reminder already past."""
    first = datetime.datetime(2025, 1, 1)
    notes = []
    for i in range(total):
        day = first + datetime.timedelta(days=i)
        note = {"NoteDataKey": f"Note {i}\rsecond line", "NoteDateKey": day, "NoteTypeKey": 1}
        if i < due:
            note.update({"ReminderDateKey": day - datetime.timedelta(hours=9), "URL Key": f"https://example.org/?n={i}",
                         "EmailAddrKey": f"n{i}@example.org", "EmailSubjectKey": f"Reminder {i}",
                         "EmailMessageKey": "Don't forget."})
        notes.append(note)
    return notes


def call_seconds(*args):
    started = time.monotonic()
    h.gdbus(*args, timeout=60)
    return time.monotonic() - started


def one_run(total, due):
    home = h.Home()
    try:
        folder = os.path.join(home.data, "VRDX")
        os.makedirs(folder)
        with open(os.path.join(folder, "VRDX DayNotes"), "wb") as f:
            plistlib.dump(daynotes(total, due), f)
        mail = os.path.join(home.root, "mail")
        os.makedirs(mail)
        bin_folder = os.path.join(home.root, "bin")
        os.makedirs(bin_folder)
        with open(os.path.join(bin_folder, "xdg-open"), "w") as f:
            f.write("#!/bin/sh\nexit 0\n")
        os.chmod(os.path.join(bin_folder, "xdg-open"), 0o755)
        meter = os.path.join(home.root, "loop-meter")
        env = dict(home.env(), TZ="Europe/Berlin", LANG="en_US.UTF-8", VRDX_LOOP_METER=meter,
                   VRDX_SENDMAIL=os.path.join(TESTS, "fake-sendmail"), FAKE_SENDMAIL_DIR=mail,
                   PATH=bin_folder + ":" + os.environ["PATH"])
        bare = statistics.median(call_seconds("--dest", "org.freedesktop.DBus", "--object-path",
                                              "/org/freedesktop/DBus", "--method", "org.freedesktop.DBus.GetId")
                                 for _ in range(7))
        proc = subprocess.Popen([h.PROGRAM], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while not h.name_owned():
            time.sleep(0.005)
        worst = 0.0
        deadline = time.time() + 120
        while time.time() < deadline and len(os.listdir(mail)) < due:
            worst = max(worst, call_seconds("--dest", h.APP_ID, "--object-path", h.PATH, "--method",
                                            "org.freedesktop.Application.ActivateAction", "no such", "[]", "{}"))
        mailed = len(os.listdir(mail))
        h.stop(proc, timeout=120)
        with open(meter) as f:
            turn = float(f.read().split()[1])
        return (worst - bare) * 1000, turn, mailed
    finally:
        home.remove()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--daynotes", type=int, default=300)
    parser.add_argument("--due", type=int, default=300)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    h.in_private_bus()
    for run in range(args.runs):
        answer, turn, mailed = one_run(args.daynotes, min(args.due, args.daynotes))
        print(f"run {run + 1}: worst answer {answer:.0f} ms (goal 250), longest event-loop turn {turn:.1f} ms "
              f"(goal 50), {mailed} e-mails handed over")


if __name__ == "__main__":
    main()
