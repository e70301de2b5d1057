"""The monthly view from outside: reopened at launch when the last quit left it open, and its bounds kept at
quit."""
import os
import plistlib

import app_harness as h

h.in_private_bus()

check = h.Checks()

home = h.Home()
try:
    prefs = h.launch_and_quit(home, check)
    check("first launch: no monthly view at quit", prefs.get("Monthly Wnd Open") is not True, prefs)
    prefs["Monthly Wnd Open"] = True
    prefs.pop("Monthly window position rect", None)
    with open(os.path.join(home.config, "VRDX", "VRDX.plist"), "wb") as f:
        plistlib.dump(prefs, f)
    prefs = h.launch_and_quit(home, check)
    check("reopened at launch: open at the next quit", prefs.get("Monthly Wnd Open") is True, prefs)
    check("its bounds stored at quit", "Monthly window position rect" in prefs, prefs)
finally:
    home.remove()

check.finish()
