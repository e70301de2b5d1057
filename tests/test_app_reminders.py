"""A due reminder at start-up, from outside: under a real X server the program opens that daynote's window,
hands the e-mail to the sendmail program once, and after SIGTERM the record has lost its e-mail keys and kept
its reminder date and web address."""
import datetime
import os
import plistlib
import signal
import struct
import subprocess
import time

import app_harness as h

h.in_private_bus()

check = h.Checks()


style = struct.pack("<12h", 0x024F, -1, 11, 1, 0, 0, 0, 0, 0, 0, 0, 0)
due_day = datetime.datetime(2026, 12, 1)  # reminders are due when their moment has passed
records = [
    {"NoteDataKey": "Call the plumber", "NoteDateKey": due_day, "NoteTypeKey": 1, "NoteCFSKey": style,
     "ReminderDateKey": datetime.datetime(2026, 11, 30, 9, 0), "URL Key": " ",
     "EmailAddrKey": "me@example.org", "EmailSubjectKey": "Plumber; \"today\" $(touch /tmp/vrdx-pwned)",
     "EmailMessageKey": "Call before noon\rnumber in the notes"},
    {"NoteDataKey": "Far away", "NoteDateKey": datetime.datetime(2099, 1, 1), "NoteTypeKey": 1,
     "NoteCFSKey": style, "ReminderDateKey": datetime.datetime(2098, 12, 25), "URL Key": " ",
     "EmailAddrKey": "later@example.org", "EmailSubjectKey": "s", "EmailMessageKey": "m"},
]

home = h.Home()
xserver = h.XServer()
try:
    folder = os.path.join(home.data, "VRDX")
    os.makedirs(folder)
    path = os.path.join(folder, "VRDX DayNotes")
    with open(path, "wb") as f:
        plistlib.dump(records, f)
    mail_dir = os.path.join(home.root, "mail")
    os.makedirs(mail_dir)

    env = home.env()
    env.update(xserver.env())
    env.update(TZ="Europe/Berlin", LANG="en_US.UTF-8",
               VRDX_SENDMAIL=os.path.join(os.path.dirname(os.path.abspath(__file__)), "fake-sendmail"),
               FAKE_SENDMAIL_DIR=mail_dir)
    proc = subprocess.Popen([h.PROGRAM], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    title = "01  December  2026"
    found = False
    deadline = time.time() + 20
    while time.time() < deadline and not found:
        found = title in xserver.window_tree()
        time.sleep(0.2)
    check("the due daynote's window opened", found)
    time.sleep(0.5)
    status = h.stop(proc, signal.SIGTERM)
    check("exit 0 on SIGTERM", status == 0, f"got {status}: {proc.stderr.read()[-2000:]}")

    mails = sorted(os.listdir(mail_dir))
    check("the mail program was called once", len(mails) == 1, str(mails))
    if mails:
        message = open(os.path.join(mail_dir, mails[0], "stdin"), "rb").read().decode("utf-8", "replace")
        argv = open(os.path.join(mail_dir, mails[0], "argv")).read().split("\n")
        check("sendmail -t -i", argv[:2] == ["-t", "-i"], str(argv))
        check("to the reminder's address", "To: me@example.org" in message, message)
        check("subject intact", "Plumber; \"today\" $(touch /tmp/vrdx-pwned)" in message, message)
        check("body intact", "Call before noon" in message and "number in the notes" in message, message)
    check("nothing ran from the subject", not os.path.exists("/tmp/vrdx-pwned"))

    with open(path, "rb") as f:
        saved = plistlib.load(f)
    fired = [r for r in saved if r["NoteDataKey"] == "Call the plumber"][0]
    later = [r for r in saved if r["NoteDataKey"] == "Far away"][0]
    check("e-mail keys removed after firing",
          not any(k in fired for k in ("EmailAddrKey", "EmailSubjectKey", "EmailMessageKey")), str(fired))
    check("reminder date kept", fired.get("ReminderDateKey") == records[0]["ReminderDateKey"], str(fired))
    check("web address kept", fired.get("URL Key") == " ", str(fired))
    check("a reminder not due keeps its e-mail", later.get("EmailAddrKey") == "later@example.org", str(later))
finally:
    xserver.stop()
    home.remove()

check.finish()
