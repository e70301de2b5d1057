"""Windows on a real screen: under Xvfb with a window manager, the picture of the screen itself (read the way
screenshot tools read it) shows each window painted, not black. Opened by command, with other windows opening
right after, as a user or a launcher script would."""
import app_harness as h

h.in_private_bus()

check = h.Checks()
home = h.Home()
x = h.XServer()
x.start_window_manager()
app = h.App(home, x=x, env={"LANG": "en_US.UTF-8"})

# Each row: the window's title, and the commands that open it and then others after it.
ROWS = [
    ("To Which Year?", ["SCal", "GoYr"]),
    ("Preferences", ["pref", "Mont", "Week"]),
    ("About VRD X", ["abou", "ShTM"]),
]


def painted(title):
    """(painted, what the screen shows) for the window's content: several colours, most of it not black."""
    rect = x.window_rect(title)
    if not rect:
        return False, "not on screen"
    colours, black = x.screen_picture().colours(rect)
    return len(colours) > 2 and black < 0.5, f"{rect}: {len(colours)} colours, {black:.0%} black"


for title, commands in ROWS:
    for command in commands:
        r = h.action(command)
        check(f"{title}: {command} runs", r.returncode == 0, r.stderr)
    shown = h.wait_until(lambda: painted(title)[0], 30, 0.2)
    check(f"{title}: painted on the screen", shown, painted(title)[1])

app.stop()
check.finish()
