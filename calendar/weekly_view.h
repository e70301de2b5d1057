// The weekly view: one week of daynotes beside each other, seven boxes typed into directly and written into
// the daynote array as they change, stepped a week at a time.
#pragma once

#include "core/records.h"

#include <QPoint>
#include <QString>

class QWidget;

enum WeeklyControl : int {
    FirstWeekBox = 8,
    LastWeekBox = 14,
    FirstWeekdayName = 15,
    CurrentWeekButton = 22,
    WeeklyMonthlyButton = 23,
    WeeklyListButton = 24,
    PreviousWeekButton = 25,
    NextWeekButton = 26,
    FirstDeleteBox = 27,
    LastDeleteBox = 33,
    FirstWeekDayNumber = 34,
    DeleteDaysButton = 41,
    WeeklyFindButton = 42,
    WeeklyRemindersButton = 433,
};

// Builds the window the first time (week of the calendar's month, filled from the array), else brings it
// forward.
void ShowWeeklyView();
// Back to the week of the calendar's month (today's week in the current month), refilled.
void RefreshWeeklyView();
// Redraws the week the weekly view shows from the daynote array; nothing to do while it is not open.
void RedrawWeeklyView();
void SetWeekStart();
// Moves the week by delta days (0, 7 or -7) and fills the seven days from the daynote array.
void FillWeek(int delta);
// Writes every box into the daynote of its day.
void SaveWeek(RecordArray& daynotes);
void DeleteCheckedDays(RecordArray& daynotes);
void PutWeekTitle(QWidget* window, double weekStart);
// 00:00 of the first day shown; 0 while the window is not open.
double WeekStart();
// The close action: the boxes go into the array.
void CloseWeeklyView();

// Control actions of the window, and the calendar's weekday initials that open it.
int WeekBoxChanged(int controlId, unsigned modifiers);
int WeekBoxContextClick(int controlId, QWidget* window, QPoint globalPos);
int DeleteBoxHit(int controlId, unsigned modifiers);
int DeleteDaysHit(int controlId, unsigned modifiers);
int WeekStepHit(int controlId, unsigned modifiers);
int CurrentWeekHit(int controlId, unsigned modifiers);
int WeeklyRemindersHit(int controlId, unsigned modifiers);
int WeekdayInitialClick(int controlId, unsigned modifiers);
