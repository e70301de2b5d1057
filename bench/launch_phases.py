#!/usr/bin/env python3
"""Launch, quit and save with 36,500 daynotes, measured on the built program from outside, under Xvfb and
on a private session bus, against the same runs with an empty data folder.

Prints one table of medians with the goals beside them:
  - launch to the first window painted (the program's own "first-paint" moment, VRDX_PHASES), and to the
    daynotes being in;
  - start until the daynotes are in, answer on the bus, SIGTERM, exit (load + save of a file Python wrote;
    the save writes, since reading leaves out the notes older than the auto-delete age, the first years of
    the file), minus the same with an empty folder, and Python's plistlib load + dump of the
    same file in the same run;
  - SIGTERM to exit with that save and the day's first backup due;
  - the worst D-Bus answer while the 1,387 reminders due at launch are worked through;
  - RSS after launch, and idle CPU over a while with the calendar, weekly view and countdown open.

    bench/launch_phases.py [--runs N] [--daynotes N] [--idle SECONDS]
"""
import argparse
import os
import plistlib
import signal
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests"))
sys.path.insert(0, HERE)
import app_harness as h  # noqa: E402
import daynote_file  # noqa: E402
import reminder_flood  # noqa: E402


def ms(seconds):
    return seconds * 1000


class Run:
    """One launch of the program in `home` on the X server, its phases read from standard error."""

    def __init__(self, home, x, env=None):
        self.started = time.monotonic()
        self.proc = subprocess.Popen([h.PROGRAM], env=home.env(**x.env(), VRDX_PHASES="1", **(env or {})),
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                     text=True)
        self.phases = {}
        self.others = []

    def until(self, phase, timeout=60):
        deadline = time.monotonic() + timeout
        while phase not in self.phases and time.monotonic() < deadline:
            line = self.proc.stderr.readline()
            if not line:
                break
            if line.startswith("vrdx phase "):
                _, _, name, moment = line.split()
                self.phases.setdefault(name, float(moment) / 1000 - self.started)
            else:
                self.others.append(line)
        if phase not in self.phases:
            self.proc.kill()
            raise SystemExit(f"no phase {phase}: " + "".join(self.others))
        return self.phases[phase]

    def rss_mb(self):
        with open(f"/proc/{self.proc.pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) / 1024
        return 0

    def cpu_seconds(self):
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def terminate(self):
        """SIGTERM; the seconds until the process is gone."""
        sent = time.monotonic()
        self.proc.send_signal(signal.SIGTERM)
        self.rest = self.proc.stderr.read()
        self.proc.wait(timeout=60)
        return time.monotonic() - sent


def fresh_home(notes):
    home = h.Home()
    if notes is not None:
        h.write_plist(home.daynotes, notes)
    return home


def launch(notes, x):
    """Launch to first paint and to the daynotes being in, then quit."""
    run = Run(fresh_home(notes), x)
    painted = run.until("first-paint")
    ready = run.until("first-tick")
    run.terminate()
    return painted, ready


def whole_run(notes, x):
    """Start until the daynotes are in and the bus is answered, SIGTERM, exit; and of it, SIGTERM to exit.
    (The bus is answered before the daynotes are in, and a SIGTERM then waits for them.)"""
    home = fresh_home(notes)
    started = time.monotonic()
    run = Run(home, x)
    run.until("first-tick")
    h.wait_until(h.answers, 60, step=0.005)
    quit_time = run.terminate()
    total = time.monotonic() - started
    backups = os.path.join(os.path.dirname(home.daynotes), "Backups")
    backed_up = os.path.isdir(backups) and any(os.scandir(backups))
    return total, quit_time, backed_up


def plistlib_round(notes_path):
    started = time.monotonic()
    with open(notes_path, "rb") as f:
        value = plistlib.load(f)
    plistlib.dumps(value)
    return time.monotonic() - started


def settled(notes, x, idle):
    """RSS a second after the daynotes are in, and CPU use over `idle` seconds after that."""
    run = Run(fresh_home(notes), x)
    run.until("first-tick")
    time.sleep(1)
    rss = run.rss_mb()
    cpu = run.cpu_seconds()
    time.sleep(idle)
    share = (run.cpu_seconds() - cpu) / idle * 100
    run.terminate()
    return rss, share


def median(values):
    return statistics.median(values)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--daynotes", type=int, default=36500)
    parser.add_argument("--due", type=int, default=1387)
    parser.add_argument("--idle", type=float, default=20)
    args = parser.parse_args()
    h.in_private_bus()
    x = h.XServer()
    notes = daynote_file.daynotes(args.daynotes)  # reminders only in the future
    due_notes = daynote_file.daynotes(args.daynotes, due=args.due)
    sample = fresh_home(notes)
    size = os.path.getsize(sample.daynotes) / 1e6

    rows = {k: [] for k in ("paint0", "paintN", "readyN", "whole0", "wholeN", "quitN", "plistlib", "answer")}
    backed_up = True
    for _ in range(args.runs):
        p0, _ = launch(None, x)
        pn, rn = launch(notes, x)
        w0, _, _ = whole_run(None, x)
        wn, qn, b = whole_run(notes, x)
        backed_up = backed_up and b
        rows["paint0"].append(ms(p0))
        rows["paintN"].append(ms(pn))
        rows["readyN"].append(ms(rn))
        rows["whole0"].append(ms(w0))
        rows["wholeN"].append(ms(wn))
        rows["quitN"].append(ms(qn))
        rows["plistlib"].append(ms(plistlib_round(sample.daynotes)))
    reminder_flood.daynotes = lambda total, due: due_notes
    answers, turns = [], []
    for _ in range(max(1, args.runs // 2)):
        answer, turn, _ = reminder_flood.one_run(args.daynotes, args.due)
        answers.append(answer)
        turns.append(turn)
    rss, cpu = settled(notes, x, args.idle)

    m = {k: median(v) for k, v in rows.items() if v}
    over = m["wholeN"] - m["whole0"]
    table = [
        ("launch to first window painted, empty folder", f"{m['paint0']:.0f} ms", ""),
        (f"launch to first window painted, {args.daynotes:,} daynotes", f"{m['paintN']:.0f} ms",
         f"<= {1.3 * m['paint0']:.0f} ms (1.3 x empty) and < 120 ms"),
        (f"launch to the daynotes in (first tick), {args.daynotes:,}", f"{m['readyN']:.0f} ms", ""),
        ("start + answer + SIGTERM + exit, empty folder", f"{m['whole0']:.0f} ms", ""),
        (f"the same with {args.daynotes:,} daynotes ({size:.1f} MB), minus empty", f"{over:.0f} ms", "< 130 ms"),
        ("plistlib load + dump of the same file", f"{m['plistlib']:.0f} ms",
         f">= 8 x the line above ({m['plistlib'] / max(over, 1):.1f} x)"),
        ("SIGTERM to exit with the save and a backup due", f"{m['quitN']:.0f} ms",
         "< 80 ms" + ("" if backed_up else " (NO BACKUP MADE)")),
        (f"worst D-Bus answer, {args.due:,} reminders due at launch", f"{max(answers):.0f} ms", "< 250 ms"),
        ("longest event-loop turn meanwhile", f"{max(turns):.0f} ms", "about 50 ms"),
        (f"RSS after launch, {args.daynotes:,} daynotes", f"{rss:.0f} MB", "< 90 MB"),
        (f"idle CPU over {args.idle:.0f} s, calendar, weekly view, countdown", f"{cpu:.2f} %", "< 0.2 %"),
    ]
    print(f"medians of {args.runs} runs; load average {' '.join(f'{v:.2f}' for v in os.getloadavg())}")
    width = max(len(r[0]) for r in table)
    for name, figure, goal in table:
        print(f"{name:<{width}}  {figure:>9}  {goal}")


if __name__ == "__main__":
    main()
