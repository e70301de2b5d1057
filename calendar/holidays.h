// Holidays of a year as holiday daynotes, and the one operation that puts a line of text onto a date's
// daynote (holidays, events, other programs).
#pragma once

#include "core/records.h"

#include <QString>
#include <vector>

class QWidget;

enum HolidaysControl : int {
    HolidaysCreateButton = 235,
    HolidaysYearField = 237,
};

// Puts the text on the date's daynote: appended after a carriage return to a daynote that does not already
// hold it (compared without case; its type is kept), or as a new daynote of the type. With a reminder asked
// for, a daynote without one gets the default reminder. The calendar is re-marked. True when nothing was
// added because the daynote already holds the text.
bool AddNamedDaynote(double date, const QString& text, int8_t type, bool withReminder, RecordArray& daynotes);

struct MonthDay {
    int month = 0;
    int day = 0;
};
// Gregorian Easter Sunday (March or April) of the year.
MonthDay EasterSunday(int year);

struct NamedDate {
    double  date = 0; // 00:00 of the day in the system time zone
    QString text;
};
// The thirteen holidays of the year in the order they are created.
std::vector<NamedDate> HolidaysOfYear(int year);

// Command 'Crea': the Holidays window, made if needed and brought forward with the focus in its year field.
void ShowHolidaysWindow();
// Adds the holidays of the year in the window's field as holiday daynotes, up to the first one already there,
// which is named in an alert. A field without a year (empty or 0) beeps and adds nothing: false then.
bool AddHolidays(QWidget* window, RecordArray& daynotes);

// Control action of the create button: the holidays, then the window closes.
int HolidaysCreateHit(int controlId, unsigned modifiers);

// "There is already a daynote for ' <text>' on this date in <year>", when AddNamedDaynote found the text
// there.
void ShowDuplicateDaynoteAlert(const QString& text, int year);
