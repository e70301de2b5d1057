// Tells the windows that show a preference when the user changed it, so the preferences window never needs
// to know which windows those are.
#pragma once

#include <QObject>
#include <functional>

enum class PrefAspect {
    SunLine,     // the sunrise/sunset line shown or not
    WeekStart,   // Sunday or Monday first
    WeekNumber,  // week numbers in the month and week titles
    Countdown,   // the countdown's date, naming or message
    TypeColours, // the calendar's colours of the daynote types
    All,         // Reset: any of them
};

void AnnouncePreferenceChange(PrefAspect aspect);
// Calls `follow` after every announced change, for as long as `context` lives.
void FollowPreferences(QObject* context, std::function<void(PrefAspect)> follow);
