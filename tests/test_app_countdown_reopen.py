"""The countdown drawer from outside: open at the first launch, recorded at quit, and reopened (or not) at the
next launch as the last session left it."""
import os
import plistlib

import app_harness as h

h.in_private_bus()

check = h.Checks()


def session(home):
    return h.launch_and_quit(home, check)


home = h.Home()
try:
    prefs = session(home)
    check("first launch: countdown open at quit", prefs.get("CountDown Wnd Open") is True, prefs)
    check("first launch: calendar open at quit", prefs.get("Calendar Wnd Open") is True, prefs)
    for was_open in (False, True):
        prefs["CountDown Wnd Open"] = was_open
        with open(os.path.join(home.config, "VRDX", "VRDX.plist"), "wb") as f:
            plistlib.dump(prefs, f)
        prefs = session(home)
        check(f"left {'open' if was_open else 'shut'}: same at the next quit",
              prefs.get("CountDown Wnd Open") is was_open, prefs.get("CountDown Wnd Open"))
finally:
    home.remove()

check.finish()
