// The calendar window: the month grid with today emphasised and days coloured by daynote type, the title that
// holds the displayed month and year, the live clock with chime and autosave, and the countdown line.
#pragma once

#include "calendar/weeks.h" // the views count weeks alike
#include "core/records.h"

#include <QString>

class QWidget;

enum CalendarControl : int {
    PreviousYearButton = 43,
    PreviousMonthButton = 44,
    NextMonthButton = 45,
    NextYearButton = 46,
    FirstWeekdayInitial = 47,
    LastWeekdayInitial = 53,
    FirstDayCell = 54,
    LastDayCell = 90,
    CountdownLine = 91,
};

// A last countdown day count that no real count equals: the next tick redraws the line.
constexpr int CountdownNeverDrawn = 9999999;
constexpr int CountdownPrefsChanged = 99999999;

void     ShowCalendar();
QWidget* BuildCalendarWindow();
void     ShowCalendarMonth(int year, int month);
void     GoToCurrentMonth(RecordArray& daynotes);
void     PutDateTimeOnCalTitle(int year, int month);
void     FillMonthGrid();
// Steps a month back (44) or forward (45); another button ID is reported and changes nothing.
void DecOrIncMonth(int buttonId, int* month, int* year);
void CalendarTick(QWidget* window);
int  FindDayCell(int day); // 9999 when no cell shows the day
void MarkDayCell(bool hasDaynote, int day, int cellId, int index, const RecordArray& daynotes);
// Re-marks the cell of a day in the colour of its daynote's type, when the calendar shows its month. The
// window does it for every day the daynote store says changed.
void HighlightDateOnCal(double date, bool hasDaynote, int index, const RecordArray& daynotes);
void DrawDayCell(int windowId, int cellId, bool hasDaynote, bool isToday, const QString& text, int index,
                 const RecordArray& daynotes);
void SetSunLineVisible(bool show, QWidget* window);
void PutTimeOnCal(QWidget* window);
void SetLastCountdownDays(int days);

// What assistive technology announces for a day cell: "Tuesday 8 December 2026, event daynote, today".
QString DayCellName(double date, bool isToday, bool hasDaynote, int type);

// Control actions of the window.
int CalendarYearButton(int controlId, unsigned modifiers);
int CalendarMonthButton(int controlId, unsigned modifiers);
int CalendarTitleClick(int controlId, unsigned modifiers);
int CalendarClockClick(int controlId, unsigned modifiers);
int CalendarCountdownClick(int controlId, unsigned modifiers);
int CalendarDayClick(int controlId, unsigned modifiers);
// An arrow key on a day cell: a day left or right, a week up or down, into the next or previous month.
int CalendarDayStep(int controlId, unsigned modifiers);
