// Windows drawn in the screen's own colour map, so that every screen reader of pixels sees them.
#pragma once

// From now on every window the program shows, alerts and menus too, uses the default colour map of its
// screen where it has the screen's own visual. Qt gives each window a colour map of its own making; screen
// pictures taken the X way (xwd -root, import -window root) read a window through its colour map and show
// such a window black while it is painted. Does nothing off X11.
void UseScreenColormapForAllWindows();
