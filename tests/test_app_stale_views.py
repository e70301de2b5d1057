"""Editors that show a daynote never write an old copy of it back, driven from outside under a real X server:
an iCalendar file imported while the weekly view shows its days, then Next Week (which saves the week's
boxes); and words typed into a weekly box while the same day's daynote window is open, then that window
closed. After a quit, Python's plistlib reads the daynote file: nothing the user or the import added is lost."""
import datetime
import os

import app_harness as h

h.in_private_bus()

check = h.Checks()
ENV = {"TZ": "UTC", "LANG": "en_US.UTF-8"}  # day records at midnight UTC, as plistlib reads them
TODAY = datetime.date.today()  # under TZ=UTC, as the program sees it
WEEK_START = TODAY - datetime.timedelta(days=(TODAY.weekday() + 1) % 7)  # weeks start on Sunday by default


def midnight(day):
    return datetime.datetime(day.year, day.month, day.day)


def answer_alert(x, what, others):
    """Presses Return (the default button) in the next alert box, a "VRD X" window not among others (the
    program has a window of that name of its own); true once that box has gone."""
    box = h.wait_until(lambda: ([w for w in x.visible("VRD X") if w not in others] or [None])[0], 60, 0.1)
    if not check(f"{what}: shown", box):
        return False
    # A key that arrives before the box has taken the focus is lost: press again while it stays.
    for _ in range(6):
        x.xdotool("windowfocus", "--sync", box)
        x.xdotool("key", "Return")
        if h.wait_until(lambda: box not in x.visible("VRD X"), 10, 0.1):
            return check(f"{what}: answered", True)
    return check(f"{what}: answered", False)


def notes_by_day(home):
    """Each day's daynote text, its line ends as line feeds (an XML reader turns carriage returns into them)."""
    return {r["NoteDateKey"].date(): r.get("NoteDataKey", "").replace("\r", "\n")
            for r in (h.read_plist(home.daynotes) if os.path.exists(home.daynotes) else [])}


def lines(text):
    return [line for line in (text or "").split("\n") if line]


def weekly_title(day):
    return "For week beginning " + day.strftime("%B %d, %Y")


# --- An import while the weekly view is open, then Next Week -------------------------------------------------
# One day of the week already has a daynote, which gets a line; another gets a new daynote.
kept_day, new_day = WEEK_START + datetime.timedelta(days=3), WEEK_START + datetime.timedelta(days=5)
home = h.Home()
h.write_plist(home.prefs, {"Weekly Wnd Open": True})
h.write_plist(home.daynotes, [{"NoteDataKey": "Dentist at 10", "NoteDateKey": midnight(kept_day), "NoteTypeKey": 1,
                               "NoteCFSKey": h.STYLE}])
ics = home.root + "/week.ics"
with open(ics, "w", newline="") as f:
    f.write("\r\n".join(["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//test//stale views//EN"] +
                        [line for uid, day, summary in (("a", kept_day, "Team lunch"), ("b", new_day, "Pottery class"))
                         for line in ("BEGIN:VEVENT", f"UID:{uid}", "DTSTAMP:20260101T000000Z",
                                      f"DTSTART;VALUE=DATE:{day:%Y%m%d}",
                                      f"DTEND;VALUE=DATE:{day + datetime.timedelta(days=1):%Y%m%d}",
                                      f"SUMMARY:{summary}", "END:VEVENT")] +
                        ["END:VCALENDAR", ""]))
x = h.XServer()
app = h.App(home, x=x, env=ENV)
weekly = x.window(weekly_title(WEEK_START))
check("import: the weekly view shows the current week", weekly, x.window_tree())
others = x.visible("VRD X")
r = h.open_paths(ics)
check("import: the file handed over D-Bus", r.returncode == 0, r.stderr)
if answer_alert(x, "import: the question", others) and answer_alert(x, "import: the summary", others) and weekly:
    x.xdotool("windowfocus", "--sync", weekly)
    x.xdotool("key", "alt+n")  # Next Week: saves the boxes of the week it leaves
    check("import: the weekly view steps to the next week",
          x.window(weekly_title(WEEK_START + datetime.timedelta(days=7))), x.window_tree())
status = app.stop("quit")
check("import: exit 0 on quit", status == 0, f"got {status}: {app.stderr[-2000:]}")
notes = notes_by_day(home)
check("import: the existing daynote keeps its line and gets the imported one",
      lines(notes.get(kept_day)) == ["Dentist at 10", "Team lunch"], repr(notes))
check("import: the new daynote is there after Next Week", lines(notes.get(new_day)) == ["Pottery class"],
      repr(notes))

# --- Typing into a weekly box while that day's daynote window is open, then closing the window ---------------
WORDS = "Collect the parcel"  # typed by xdotool, which garbles letters outside ASCII under load
home = h.Home()
h.write_plist(home.prefs, {"Weekly Wnd Open": True, "Launch time - Show Daynote": True})
later = TODAY + datetime.timedelta(days=30)  # a daynote file there before, which the save rewrites
h.write_plist(home.daynotes, [{"NoteDataKey": "Far off", "NoteDateKey": midnight(later), "NoteTypeKey": 1,
                               "NoteCFSKey": h.STYLE}])
app = h.App(home, x=x, env=ENV)
weekly = x.window(weekly_title(WEEK_START))
daynote = x.window(TODAY.strftime("%d  %B  %Y"))
check("typing: the weekly view and today's daynote window are on screen", weekly and daynote, x.window_tree())
if weekly and daynote:
    # The days stand in two columns of four, each a label line above its box: click inside today's box.
    index = (TODAY - WEEK_START).days
    geometry = dict(line.split("=") for line in x.xdotool("getwindowgeometry", "--shell", weekly).stdout.split())
    width, height = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
    x.xdotool("windowraise", weekly)  # no window manager: the daynote window may lie over it
    x.xdotool("windowfocus", "--sync", weekly)
    x.xdotool("mousemove", "--sync", "--window", weekly, str(width // 4 + (index // 4) * width // 2),
              str((index % 4) * height // 4 + height // 6))
    x.xdotool("click", "1")
    x.xdotool("type", "--delay", "20", WORDS)
    # The box writes each keystroke to the day; keys still on their way when the focus moves would be lost to
    # the test, not to the program, so the words are first seen in a save.
    check("typing: the weekly box has written the words",
          h.wait_until(lambda: h.action("save").returncode == 0 and lines(notes_by_day(home).get(TODAY)) == [WORDS],
                       60, 0.5), repr(notes_by_day(home)))
    x.xdotool("windowfocus", "--sync", daynote)
    x.xdotool("key", "ctrl+w")  # Close Window, which saves what the daynote window shows
    check("typing: the daynote window closes",
          h.wait_until(lambda: daynote not in x.visible(TODAY.strftime("%d  %B  %Y")), 60, 0.1))
    # Saved now, before the quit has the weekly view write its boxes once more and hide a loss.
    r = h.action("save")
    check("typing: saved over D-Bus", r.returncode == 0, r.stderr)
    notes = notes_by_day(home)
    check("typing: the words are stored once the daynote window has closed", lines(notes.get(TODAY)) == [WORDS]
          and lines(notes.get(later)) == ["Far off"], repr(notes))
status = app.stop("quit")
check("typing: exit 0 on quit", status == 0, f"got {status}: {app.stderr[-2000:]}")
notes = notes_by_day(home)
check("typing: the words are stored after the quit",
      lines(notes.get(TODAY)) == [WORDS] and lines(notes.get(later)) == ["Far off"], repr(notes))
check.finish()
