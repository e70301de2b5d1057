// Holidays of a year as holiday daynotes.
#pragma once

#include "core/records.h"

#include <QString>
#include <vector>

class QWidget;

enum HolidaysControl : int {
    HolidaysCreateButton = 235,
    HolidaysYearField = 237,
};

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
