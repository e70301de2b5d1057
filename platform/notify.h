// Desktop notifications: a passing message in the desktop's notification area.
#pragma once

#include <QString>

// Posts a notification in the program's name. Returns at once: the desktop is asked in the background, and
// without a notification server nothing is shown and nothing is reported.
void PostDesktopNotification(const QString& summary, const QString& body);
