"""Hundreds of due reminders at start-up, from outside, under a real X server: at most 20 web pages open,
every e-mail reaches the mail program once and loses its fields, every call on the session bus is answered
throughout, and SIGTERM at any moment ends the program with the file whole. (The 20 daynote windows of the
latest: tst_reminders.)"""
import datetime
import time

import app_harness as h

h.in_private_bus()

check = h.Checks()
DUE = 300
first = datetime.datetime(2025, 1, 1)
notes = [{"NoteDataKey": f"Note {i}\rsecond line", "NoteDateKey": first + datetime.timedelta(days=i),
          "NoteTypeKey": 1, "ReminderDateKey": first + datetime.timedelta(days=i, hours=-9),
          "URL Key": f"https://example.org/r?n={i}", "EmailAddrKey": f"n{i}@example.org",
          "EmailSubjectKey": f"Reminder {i}", "EmailMessageKey": "Don't forget.\rAnna"} for i in range(DUE)]
notes.append({"NoteDataKey": "Not yet", "NoteDateKey": datetime.datetime(2099, 1, 1), "NoteTypeKey": 1,
              "ReminderDateKey": datetime.datetime(2098, 12, 25), "URL Key": " ", "EmailAddrKey": "later@example.org",
              "EmailSubjectKey": "s", "EmailMessageKey": "m"})
everyone = sorted(f"n{i}@example.org" for i in range(DUE))
x = h.XServer()


def start():
    """The program on a fresh home holding the file, started without waiting for its start-up to end."""
    home = h.Home()
    h.write_plist(home.daynotes, notes)
    return home, h.App(home, x=x, env={"TZ": "Europe/Berlin", "LANG": "en_US.UTF-8"}, until_loop=False)


def sent_to(home):
    heads = [m.split(b"\r\n\r\n")[0].decode() for m in home.mails()]
    return [line[4:] for head in heads for line in head.split("\r\n") if line.startswith("To: ")]


# SIGTERM once the whole start-up is over (every e-mail out, calling over the bus all the while), and at moments
# of the start-up: the quit comes first, and only e-mails taken lose their fields.
for moment in (None, 0.1, 0.5):
    home, app = start()
    when = f"SIGTERM at {moment} s" if moment else "SIGTERM after the start-up"
    if moment:
        time.sleep(moment)  # when the signal comes, not a limit: every moment must end the same way
    else:
        answered = []
        deadline = time.monotonic() + 120
        while sorted(sent_to(home)) != everyone and time.monotonic() < deadline:
            answered.append(h.answers(timeout=10))
        check("every call during the flood answered", answered and all(answered),
              f"{answered.count(False)} of {len(answered)} unanswered")
        check("every e-mail handed over once", sorted(sent_to(home)) == everyone, f"{len(sent_to(home))} mails")
        latest = f"https://example.org/r?n={DUE - 1}"
        urls = h.wait_until(lambda: latest in (u := home.called("xdg-open")) and u)
        check("20 web pages, the latest", urls and len(urls) == 20, str(urls))
        check("still running and answering", app.proc.poll() is None and h.answers())
    status = app.stop(timeout=20)
    check(f"{when}: exit 0", status == 0, status)
    saved = h.read_plist(home.daynotes)
    check(f"{when}: file whole", len(saved) == DUE + 1, str(len(saved)))
    to = sent_to(home)
    gone = {r["EmailSubjectKey"] for r in notes[:DUE]} - {r.get("EmailSubjectKey") for r in saved}
    taken = {f"Reminder {a[1:].split('@')[0]}" for a in to}
    check(f"{when}: fields gone only for mail taken, none twice", gone <= taken and len(to) == len(set(to)),
          f"{len(gone - taken)} lost, {len(to) - len(set(to))} twice")
    if not moment:
        check("the e-mails sent lost their fields", not any("EmailAddrKey" in r for r in saved[:DUE]))
    check(f"{when}: at most 20 pages", len(home.called("xdg-open")) <= 20, str(len(home.called("xdg-open"))))
    check(f"{when}: reminder date and web address kept", saved[0].get("ReminderDateKey") ==
          notes[0]["ReminderDateKey"] and saved[0].get("URL Key") == "https://example.org/r?n=0", str(saved[0]))
    check(f"{when}: a reminder not due keeps its e-mail", saved[-1].get("EmailAddrKey") == "later@example.org")
check.finish()
