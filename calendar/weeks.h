// Weeks and months as the calendar, weekly and monthly views count them: the first day of a week by the
// week-start preference, the weekday initials in that order, a step of one month.
#pragma once

#include <QString>

bool MondayFirst();
// The weekday names cut to `length` letters, one after another, Sunday first moved by `startOffset`.
QString WeekdayInitials(int startOffset, int length);
// The first day of the week holding the day, at the day's time of day.
double StartOfWeekOf(double day);
double StartOfCurrentWeek();
// One month back (by -1) or forward (by 1), across the year's end.
void StepMonth(int by, int* month, int* year);
