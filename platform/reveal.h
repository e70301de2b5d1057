// Showing a file to the user in the desktop's file manager.
#pragma once

#include <QString>

// Asks the file manager (org.freedesktop.FileManager1.ShowItems on the session bus) to show the file
// selected in its folder; when no file manager answers, the folder is opened with the desktop's handler.
// Returns at once: the answer is awaited in the event loop.
void RevealFile(const QString& path);
