"""Floods from other programs: FromVRDX signals of 1 MB to one day keep the memory in bounds, 20,000 small ones
leave the program answering, and a very long daynote in the week on screen does not make each signal cost its
length. Every run ends answering on the bus and saving everything on SIGTERM."""
import datetime
import re

import app_harness as h

h.in_private_bus()

check = h.Checks()
LINE = "TNQ DayNote/Reminder for: {}\rand task: {}\r"


def rss_mb(app, field="VmRSS"):
    with open(f"/proc/{app.proc.pid}/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith(field + ":")) / 1024


def not_taken(app):
    """Requests the program said it dropped or refused."""
    return sum(int(n) for n in re.findall(r"(\d+) FromVRDX requests (?:dropped|refused)", app.stderr))


def flood(name, requests, more=(), days_before=()):
    """Sends the (subject, task, day) requests as signals ("A"), then the raw requests `more`; checks that the
    program answers soon after, stays within its memory and, after SIGTERM, has saved on each day the lines it
    took, in the order sent: all of them but those it said it dropped or refused. The program, its home and
    its daynotes as saved."""
    home = h.Home()
    h.write_plist(home.daynotes, list(days_before))
    app = h.App(home)
    h.send_signals("FromVRDX", [f"{s};{t};{d:%Y%m%d};A" for s, t, d in requests] + list(more))
    # Generous for a busy machine, yet far below what the flood once cost (tens of seconds).
    check(f"{name}: answers soon after the flood", h.wait_until(lambda: h.answers(timeout=5), 15),
          app.stderr[-2000:])
    check(f"{name}: alive", app.proc.poll() is None)
    peak = rss_mb(app, "VmHWM")
    check(f"{name}: peak RSS {peak:.0f} MB under 300 MB", peak < 300)
    status = app.stop()
    check(f"{name}: exit 0 on SIGTERM", status == 0, f"got {status}: {app.stderr[-2000:]}")
    saved = {n["NoteDateKey"].date(): n for n in h.read_plist(home.daynotes)}
    before = {n["NoteDateKey"].date(): n["NoteDataKey"] + "\r" for n in days_before}
    taken = 0
    for day in sorted({d for _, _, d in requests}):
        text = saved[day].get("NoteDataKey", "") if day in saved else ""
        check(f"{name}: {day} keeps what it held", text.startswith(before.get(day, "")))
        text = text[len(before.get(day, "")):]
        lines = re.findall(r"TNQ DayNote/Reminder for: (.*?)\rand task: (.*?)\r", text, re.S)
        sent = iter((s, t) for s, t, d in requests if d == day)
        check(f"{name}: {day} holds whole lines, each sent, in the order sent",
              "\r".join(LINE.format(*line) for line in lines) == text and all(line in sent for line in lines))
        taken += len(lines)
    check(f"{name}: all taken but those said dropped or refused", taken == len(requests) - not_taken(app),
          f"{taken} of {len(requests)}: {app.stderr[-2000:]}")
    return app, saved


# 100 requests of 1 MB each to one day far from the views: the daynote grows until the next line would make it
# longer than the program lets another program make it; the rest is refused (or dropped while queued).
far = datetime.date(2030, 6, 14)
app, _ = flood("1 MB requests", [(f"big {i}", chr(ord("a") + i % 26) * (1 << 20), far) for i in range(100)])
said = [line for line in app.lines if "FromVRDX requests" in line]
check("1 MB requests: what was not taken said in a few lines, not one a request",
      not_taken(app) > 10 and 0 < len(said) < 10, app.stderr[-2000:])

# 20,000 small requests over 400 days: all of them taken.
first = datetime.date(2031, 1, 1)
app, _ = flood("20,000 small requests",
               [(f"small {i}", f"task {i}", first + datetime.timedelta(days=i % 400)) for i in range(20000)])
check("20,000 small requests: none dropped", not_taken(app) == 0, app.stderr[-2000:])

# A daynote of 9 MB today with a reminder, in the week the weekly view shows (open by default): requests go to
# every day of the week, today's among them, and then one takes today's reminder off.
today = datetime.date.today()
midnight = datetime.datetime.combine(today, datetime.time())
long_text = "\n".join(f"line {i} " + "x" * 100 for i in range(85000))
long_note = {"NoteDataKey": long_text, "NoteTypeKey": 1, "NoteDateKey": midnight,
             "ReminderDateKey": midnight + datetime.timedelta(days=400), "EmailAddrKey": "", "EmailSubjectKey": "",
             "EmailMessageKey": "", "URL Key": " "}
app, saved = flood("a 9 MB daynote in the week",
                   [(f"week {i}", "small", today + datetime.timedelta(days=i % 7)) for i in range(350)],
                   [f"off;reminder;{today:%Y%m%d};R"], [long_note])
check("a 9 MB daynote in the week: its reminder taken off", "ReminderDateKey" not in saved[today])
check.finish()
