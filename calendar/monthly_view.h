// The monthly view: a whole month as a grid of boxes, each with its day number and that day's daynote text
// in the daynote's own style; read-only, stepped a month at a time on its own.
#pragma once

class QWidget;

enum MonthlyControl : int {
    FirstMonthlyFrame = 99, // 37 frames, one per grid position
    LastMonthlyFrame = 135,
    FirstMonthlyWeekday = 136, // seven three-letter weekday names
    FirstMonthlyNumber = 143,  // day numbers
    LastMonthlyNumber = 179,
    FirstMonthlyNote = 180, // daynote texts
    LastMonthlyNote = 216,
    MonthlyPreviousButton = 95,
    MonthlyNextButton = 96,
    MonthlyWeeklyButton = 97,
    MonthlyListButton = 98,
};
constexpr int MonthlyPositions = 37;

// Builds, fills and titles the window with the calendar's month the first time; an open one is shown.
void     ShowMonthlyView();
QWidget* BuildMonthlyWindow();
void     FillMonth(QWidget* window, int month, int year);
// The title holds the month on show: "December 2026".
void PutMonthlyTitle(QWidget* window, int month, int year);
// Refills the open view for the month it shows; nothing while it is closed. The days that change are drawn
// again as the daynote store tells them.
void RefreshMonthlyView();
// The grid position of the first day of the month (0..6), by the week-start preference.
int FirstMonthPosition(int month, int year);

// Control actions of the window, and of the weekly view's button that opens it.
int MonthlyStepHit(int controlId, unsigned modifiers);
int MonthlyWeeklyHit(int controlId, unsigned modifiers);
int ShowMonthlyHit(int controlId, unsigned modifiers);
