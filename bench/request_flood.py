#!/usr/bin/env python3
"""Floods of FromVRDX requests from another program, measured on the built program from outside.

For each flood: starts build/vrdx in a fresh home, sends the signals as fast as the session bus takes them,
then prints how long after the last one the program answered a D-Bus call (minus a bare call to the bus
itself), its peak RSS, the longest event-loop turn it measured, and how many requests it took, dropped or
refused. Goals: an answer within a second of the last signal, peak RSS under 300 MB, turns under about 50 ms
(a request to a 9 MB daynote shown in the weekly view costs more: its box is filled again once a turn).

    bench/request_flood.py [--runs K]
"""
import argparse
import datetime
import os
import re
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import app_harness as h  # noqa: E402


def floods():
    today = datetime.date.today()
    midnight = datetime.datetime.combine(today, datetime.time())
    long_note = {"NoteDataKey": "\n".join(f"line {i} " + "x" * 100 for i in range(85000)), "NoteTypeKey": 1,
                 "NoteDateKey": midnight}
    yield "100 requests of 1 MB to one day", [], [
        f"big {i};{chr(97 + i % 26) * (1 << 20)};20300614;A" for i in range(100)]
    yield "20,000 small requests over 400 days", [], [
        f"small {i};task {i};{datetime.date(2031, 1, 1) + datetime.timedelta(days=i % 400):%Y%m%d};A"
        for i in range(20000)]
    yield "350 requests to the week showing a 9 MB daynote", [long_note], [
        f"week {i};small;{today + datetime.timedelta(days=i % 7):%Y%m%d};A" for i in range(350)]


def seconds(call):
    started = time.monotonic()
    call()
    return time.monotonic() - started


def one_run(daynotes, requests):
    home = h.Home()
    h.write_plist(home.daynotes, daynotes)
    meter = os.path.join(home.root, "loop-meter")
    app = h.App(home, env={"VRDX_LOOP_METER": meter})
    bare = statistics.median(seconds(lambda: h.gdbus("--dest", "org.freedesktop.DBus", "--object-path",
                                                     "/org/freedesktop/DBus", "--method",
                                                     "org.freedesktop.DBus.GetId")) for _ in range(5))
    h.send_signals("FromVRDX", requests)
    started = time.monotonic()
    h.wait_until(lambda: h.answers(timeout=60), 300)
    answer = time.monotonic() - started - bare
    with open(f"/proc/{app.proc.pid}/status") as f:
        peak = next(int(line.split()[1]) for line in f if line.startswith("VmHWM:")) / 1024
    app.stop(timeout=300)
    with open(meter) as f:
        turn = float(f.read().split()[1])
    said = {what: sum(int(n) for n in re.findall(rf"(\d+) FromVRDX requests {what}", app.stderr))
            for what in ("dropped", "refused")}
    return answer, peak, turn, said


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=1)
    args = parser.parse_args()
    h.in_private_bus()
    for name, daynotes, requests in floods():
        for run in range(args.runs):
            answer, peak, turn, said = one_run(daynotes, requests)
            print(f"{name}, run {run + 1}: answer {answer * 1000:.0f} ms after the last signal (goal 1000), "
                  f"peak RSS {peak:.0f} MB (goal 300), longest turn {turn:.1f} ms, "
                  f"{len(requests) - said['dropped'] - said['refused']} taken, {said['dropped']} dropped, "
                  f"{said['refused']} refused", flush=True)


if __name__ == "__main__":
    main()
