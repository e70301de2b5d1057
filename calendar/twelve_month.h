// Go to year and the twelve-month calendar: one small sheet asks for a year, which either moves the calendar
// to the same month of that year or opens a window showing the whole year as cal lays it out.
#pragma once

#include "platform/fourcc.h"

#include <QStringList>

class QWidget;

enum TwelveMonthControl : int {
    GoToYearOKButton = 254,
    GoToYearField = 256,
    YearTextControl = 1100, // the twelve-month window's text
};

enum GoToYearMode : int { GoToYearMode = 1, TwelveMonthMode = 2 };

// The year as cal prints it: the year on line 0, a blank line, then four bands of eight lines (month names,
// weekday headers, six week lines), three months side by side, Sunday first, in the locale's names.
// Trailing blanks are left off.
QStringList YearCalendarLines(int year);

enum class YearLineRole { Year, MonthNames, WeekdayHeader, Other };
YearLineRole YearLineRoleAt(int index);

// The identifier of the twelve-month window of a year.
int TwelveMonthWindowId(int year);

// Shows the year sheet on the calendar window in the mode, or says that the calendar must be open first.
void ShowGoToYear(int mode);
// The sheet's OK: go to the typed year, or open its twelve-month calendar (this year's for no year).
void     GoToYearOK();
QWidget* BuildTwelveMonthWindow(int year);
// Gives the window its year's lines, each in the face and colour of its role.
void DrawTwelveMonth(QWidget* window, int year);

int CommandGoToYear(FourCC command);
int CommandTwelveMonth(FourCC command);
int GoToYearOKHit(int controlId, unsigned modifiers);
