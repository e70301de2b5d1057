// Calendar date arithmetic on ICU: days as absolute times of local midnight, formatting and parsing by
// pattern, shifts and differences in Gregorian units, and the binary search of the daynote array.
#pragma once

#include "core/records.h"

#include <QString>
#include <QStringList>

class QWidget;

// ---------------------------------------------------------------------------------------------------------
// Index
//   Types ..................... GregorianDate, GregorianUnits, unit masks
//   Locale name lists ......... filled at start-up
//   Formatting and parsing .... FormatDate and the display texts
//   Building and taking apart . DateToAbsTime, AbsTimeToDate, GetNow, ...
//   Differences and shifts .... GetElapsedUnits, GetDifferenceUnits, AddDateUnits
//   Month on show ............. what the calendar and monthly windows display
//   Daynote array search ...... CompareNoteDates, FindNoteIndex, IsNoteAtIndex, SortDaynotes
// ---------------------------------------------------------------------------------------------------------

struct GregorianDate {
    int    year = 0;   // e.g. 2026
    int    month = 0;  // 1..12
    int    day = 0;    // 1..31
    int    hour = 0;   // 0..23
    int    minute = 0; // 0..59
    double second = 0; // 0 up to 60, with fraction
};

struct GregorianUnits {
    int    years = 0;
    int    months = 0;
    int    days = 0;
    int    hours = 0;
    int    minutes = 0;
    double seconds = 0;
};

enum UnitMask : int {
    UnitYears = 1,
    UnitMonths = 2,
    UnitDays = 4,
    UnitHours = 8,
    UnitMinutes = 16,
    UnitSeconds = 32,
};

// The units of AddDateUnits.
enum AddUnit : int { AddDays = 1, AddMonths = 2, AddYears = 3 };

constexpr double UnixToAbsoluteOffset = 978307200.0; // seconds from 1970 to 2001

// The clock of the time log and the time zones: weekday, date and time to the second.
inline const QString ClockTextPattern = QStringLiteral("EEEE, MMMM dd, yyyy, h:mm:ss a");

// Re-reads the locale and the system time zone (after a change of TZ or of ICU's default locale) and fills
// the month and weekday name lists. Start-up calls it once.
void FillLocaleNameLists();

const QStringList& MonthNames();        // 12 stand-alone full names, index 0 = January
const QStringList& WeekdayNames();      // 7 names, index 0 = Sunday
const QStringList& ShortWeekdayNames(); // 7 abbreviated names, index 0 = Sunday

QString FormatDate(const QString& pattern, double absTime);
QString DayMonthYearText(bool withoutYear, double absTime);
QString MonthYearText(double absTime);
QString WeekNumberText(double absTime);
QString AppendWeekNumber(const QString& text, double absTime);
// Leaves the outputs unchanged and returns false unless the text splits into at least three fields.
bool    ParseDayMonthYear(const QString& text, const QString& separator, int* month, int* day, int* year);
int     GetMonthNbrFromMonthName(const QString& name); // 1..12, 0 when unknown
QString GetMonthNameFromMonthNbr(int month);           // outside 1..12 is an internal error

double        DateToAbsTime(int month, int day, int year);
double        DateTimeToAbsTime(int month, int day, int year, int hour, int minute);
DateValue     MakeDateObject(int month, int day, int year);
GregorianDate AbsTimeToDate(double absTime);
double        GetNow();
GregorianDate GetToday();
int           GetCurrentYear();
int           GetCurrentMonth();
int           GetCurrentDay();
int           GetDayOfWeek(double absTime); // 1 Monday .. 7 Sunday
int           GetDaysInMonth(int month, int year);
int           GetWeekOfYear(double absTime); // ISO 8601
double        StartOfDay(double absTime);    // 00:00 of that day in the system time zone

GregorianUnits GetElapsedUnits(double absTime, int unitMask);
GregorianUnits GetDifferenceUnits(double time1, double time2, int unitMask);
double         AddDateUnits(double absTime, int amount, int unit);
double         GetNowPlusHoursMinutes(int hours, int minutes);

// Month on show: read back from the window titles; the current month and year when the window is closed.
int     GetCalendarMonth();
int     GetCalendarYear();
int     GetMonthlyViewMonth();
int     GetMonthlyViewYear();
QString GetCalendarClockText();
bool    WindowTitleDate(QWidget* window, DateValue* date);

// The sort order of the daynote array; any context other than 2 makes every pair equal.
constexpr int NoteCompareContext = 2;
int           CompareNoteDates(const Value& a, const Value& b, int context);
int           CompareDateWithNote(double date, const Value& note, int context);
int           FindNoteIndex(const RecordArray& array, double date);
bool          IsNoteAtIndex(const RecordArray& array, double date, int index);
bool          SortDaynotes(RecordArray& array); // false when it was in order already
