#!/usr/bin/env python3
"""CalDAV sync, measured on the built program from outside against a real Radicale server.

1. The first sync of N daynotes (default 5,000) to an empty collection.
2. A sync with one day changed out of M daynotes (default 36,500; goal: under 1 s of wall time, moving only
   that day's object). This collection is written straight into Radicale's storage folder, as another client
   would have left it; the program's first sync against it (every object listed and fetched, none sent) is
   reported too. Radicale builds its cache of a collection it did not write at the first listing, which takes
   minutes; the bench asks for it once before the program does. After the timed sync, the time Radicale alone
   needs to name the collection's sync token (it reads every member's cache entries to do so, at every sync) is
   reported as the server's share.

Radicale's PUT of a new object costs time in proportion to the objects already there: before it writes, it
reads every member (file and cache entry) to make sure no other has the UID, and after it, it scans the item
cache and the history folder for leftovers (a stat per member), besides six fsyncs. A first upload of N
objects therefore costs Radicale time in N squared whatever the client does; the program keeps a few uploads
in flight so that the server never waits for it. Radicale answers each request on a connection of its own,
so there is no keep-alive to keep. Radicale's log gives the count of requests by method and status, and the
seconds it spent on them (summed over requests that overlap, so more than the wall time when they wait for
its write lock).

Each sync is timed from File > Sync Now over D-Bus to the status line the program prints; the launch sync is
kept out of the figures by giving the keyring the password only once the program runs.

    bench/sync_bench.py [--first N] [--year-notes M]
"""
import argparse
import base64
import datetime
import os
import re
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import app_harness as h  # noqa: E402
from caldav_server import Keyring, Radicale  # noqa: E402

h.in_private_bus()
USER, PASSWORD = "bench", "bench-password"
STYLE = b"\x4f\x02\xff\xff\x0b\x00\x01\x00" + bytes(16)


def daynotes(count):
    first = datetime.datetime(1990, 1, 1)
    return [{"NoteDataKey": f"Note {i}\rsecond line of {i}", "NoteDateKey": first + datetime.timedelta(days=i),
             "NoteTypeKey": 4, "NoteCFSKey": STYLE} for i in range(count)]


def object_of(record):
    """The object another VRD X would have put on the server for the record."""
    d = record["NoteDateKey"]
    text = record["NoteDataKey"].replace("\r", "\\n")
    return (f"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\nBEGIN:VEVENT\r\n"
            f"UID:vrdx-daynote-{d:%Y%m%d}\r\nDTSTAMP:20260101T000000Z\r\nDTSTART;VALUE=DATE:{d:%Y%m%d}\r\n"
            f"DTEND;VALUE=DATE:{d + datetime.timedelta(days=1):%Y%m%d}\r\nSUMMARY:{text.split(chr(92))[0]}\r\n"
            f"DESCRIPTION:{text}\r\nTRANSP:TRANSPARENT\r\nX-VRDX-TYPE:{record['NoteTypeKey']}\r\n"
            f"X-VRDX-STYLE:{base64.b64encode(record['NoteCFSKey']).decode()}\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")


def server_share(server, depth, prop):
    """Seconds Radicale takes to answer one PROPFIND for the collection."""
    body = f'<propfind xmlns="DAV:"><prop><{prop}/></prop></propfind>'.encode()
    start = time.monotonic()
    server.request("PROPFIND", f"/{USER}/daynotes/", body, {"Depth": str(depth)}, timeout=3600)
    return time.monotonic() - start


def warm_up(server):
    """Seconds Radicale takes to read a collection it did not write and to build its caches for it. Asked by
    sync-collection, which reads the folder once: a PROPFIND of Depth 1 checks each member's name against a
    listing of the whole folder, which for 36,500 members runs for more than half an hour."""
    body = (b'<sync-collection xmlns="DAV:"><sync-token/><sync-level>1</sync-level><prop><getetag/></prop>'
            b'</sync-collection>')
    start = time.monotonic()
    server.request("REPORT", f"/{USER}/daynotes/", body, {"Depth": "1"}, timeout=7200)
    return time.monotonic() - start


def requests_since(server, offset):
    """What Radicale's log says of the requests since the offset: the count by method and status, and the
    seconds Radicale spent answering them."""
    with open(server.log, errors="replace") as f:
        f.seek(offset)
        text = f.read()
    counts, seconds = {}, 0.0
    for method, took, status in re.findall(r"\] (\w+) response status for .*? in ([0-9.]+) seconds: (\d+)", text):
        counts[f"{method} {status}"] = counts.get(f"{method} {status}", 0) + 1
        seconds += float(took)
    return ", ".join(f"{n} {k}" for k, n in sorted(counts.items())) or "none", seconds


def timed_sync(app, server):
    """Seconds from Sync Now to the status line, that line, and Radicale's account of the requests."""
    seen = len(app.lines)
    offset = os.path.getsize(server.log)
    start = time.monotonic()
    h.action("Sync")
    h.wait_until(lambda: any(l.startswith(("vrdx: sync: Synced", "vrdx: sync: Sync failed"))
                             for l in app.lines[seen:]), 3600, step=0.005)
    seconds = time.monotonic() - start
    said = next(l.strip() for l in app.lines[seen:] if l.startswith("vrdx: sync: Sync"))
    time.sleep(0.5)  # the log line of the last answer
    return seconds, said, *requests_since(server, offset)


def launch(home, keyring, server):
    """The program with the keyring holding no password yet, so that its launch sync ends at once."""
    keyring.clear(server.account())
    app = h.App(home)
    app.said("vrdx: sync: Sync failed", timeout=600)
    keyring.store(PASSWORD, server.account())
    return app


def run(count, work, keyring, label, prefill=False):
    server = Radicale(os.path.join(work, label), USER, PASSWORD, log=os.path.join(work, f"{label}.log"))
    records = daynotes(count)
    if prefill:
        folder = os.path.join(server.storage, "collection-root", USER, "daynotes")
        for r in records:
            with open(os.path.join(folder, f"vrdx-daynote-{r['NoteDateKey']:%Y%m%d}.ics"), "w", newline="") as f:
                f.write(object_of(r))
    home = h.Home()
    h.write_plist(home.prefs, {"Sync with a CalDAV server": True, "Sync - Server address": f"127.0.0.1:{server.port}",
                               "Sync - User name": USER, "Sync every (minutes)": 600, "Weekly Wnd Open": False,
                               "CountDown Wnd Open": False})
    h.write_plist(home.daynotes, records)
    if prefill:
        print(f"Radicale reads the {count} objects it did not write and builds its caches: {warm_up(server):.1f} s",
              flush=True)
    app = launch(home, keyring, server)
    seconds, said, asked, spent = timed_sync(app, server)
    against = "a collection holding them already" if prefill else "an empty collection"
    print(f"first sync of {count} daynotes to {against}: {seconds:.2f} s ({said}); "
          f"objects on the server: {len(server.names())}; requests: {asked}; Radicale busy {spent:.1f} s", flush=True)
    app.stop("quit", timeout=600)
    return server, home


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--first", type=int, default=5000)
    parser.add_argument("--year-notes", type=int, default=36500)
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="vrdx-sync-bench-")
    try:
        keyring = Keyring(work, "")
        if args.first:
            run(args.first, work, keyring, "first")
        if not args.year_notes:
            return
        server, home = run(args.year_notes, work, keyring, "year", prefill=True)
        records = h.read_plist(home.daynotes)
        records[len(records) // 2]["NoteDataKey"] += "\rone more line"
        h.write_plist(home.daynotes, records)
        folder = os.path.join(server.storage, "collection-root", USER, "daynotes")
        before = {n: os.stat(os.path.join(folder, n)).st_mtime_ns for n in server.names()}
        app = launch(home, keyring, server)
        seconds, said, asked, spent = timed_sync(app, server)
        after = {n: os.stat(os.path.join(folder, n)).st_mtime_ns for n in server.names()}
        moved = [n for n in after if before.get(n) != after[n]]
        print(f"one day changed of {args.year_notes}: {seconds:.3f} s ({said}); objects written: {len(moved)}; "
              f"requests: {asked}; Radicale busy {spent:.3f} s; "
              f"Radicale alone naming its sync token: {server_share(server, 0, 'sync-token'):.3f} s")
        app.stop("quit", timeout=600)
    finally:
        shutil.rmtree(work, ignore_errors=True)


main()
