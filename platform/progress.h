// A window with a progress bar and a Cancel button, for work the program does in turns of the event loop.
// It is not modal: the program goes on answering while it shows.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// Shows the window; `cancel` runs once when the user presses Cancel or closes the window (not when the
// program closes it). The window, to be handed to the functions below.
QWidget* ShowProgressWindow(const QString& title, const QString& text, std::function<void()> cancel);
// The share of the work done, 0 to 1.
void SetProgress(QWidget* progress, double done);
void CloseProgressWindow(QWidget* progress);
