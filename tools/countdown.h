// The countdown: days, hours, minutes and seconds left until the target moment, in a drawer of the calendar
// window, refreshed by the tick while it is open.
#pragma once

#include <QString>

class QWidget;

enum CountdownControl : int {
    CountdownLabel = 217,
    CountdownHours = 222,
    CountdownDays = 223,
    CountdownMinutes = 224,
    CountdownSeconds = 225,
};

// How the target is named, here and on the calendar's countdown line: the user's message when that is the
// choice and the message is neither empty nor a single blank, else the target's date.
QString CountdownTargetText(bool withoutYear);

// Opens the countdown beside the calendar window, or shuts or reopens an existing one as it is.
void ToggleCountdown();
void RefreshCountdown(QWidget* window);

// Write the numbers from the largest one given down; each remembers what it shows.
void ShowCountdownFields(int days, int hours, int minutes, int seconds, QWidget* window);
void ShowCountdownFields(int hours, int minutes, int seconds, QWidget* window);
void ShowCountdownFields(int minutes, int seconds, QWidget* window);
void ShowCountdownFields(int seconds, QWidget* window);
