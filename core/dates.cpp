// Calendar date arithmetic on ICU. Formatters and calendars are built once per locale and zone and reused:
// the clock asks for a formatted time twice a second.
#include "core/dates.h"

#include "core/window_ids.h"
#include "platform/clock.h"
#include "platform/fatal.h"
#include "platform/windows.h"

#include <QHash>
#include <QWidget>
#include <algorithm>
#include <ctime>
#include <limits>
#include <memory>
#include <unicode/dtfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <vector>

namespace {

struct DateServices {
    std::unique_ptr<icu::GregorianCalendar>                calendar;     // system zone, proleptic
    std::unique_ptr<icu::GregorianCalendar>                isoCalendar;  // Monday first, 4 minimal days
    QHash<QString, std::shared_ptr<icu::SimpleDateFormat>> formatters;   // by pattern
    QStringList                                            monthNames;   // stand-alone, as titles show them
    QStringList                                            weekdayNames; // index 0 = Sunday
    QStringList                                            shortWeekdayNames;
};

DateServices& Services();

std::unique_ptr<icu::GregorianCalendar> MakeCalendar() {
    UErrorCode status = U_ZERO_ERROR;
    auto       cal = std::make_unique<icu::GregorianCalendar>(icu::TimeZone::createDefault(),
                                                        icu::Locale::getDefault(), status);
    // Dates before 1582 stay Gregorian, as they are in the files.
    cal->setGregorianChange(-std::numeric_limits<double>::max(), status);
    cal->setLenient(true);
    return cal;
}

QStringList SymbolList(const icu::UnicodeString* symbols, int32_t count, int first) {
    QStringList list;
    for (int32_t i = first; i < count; ++i)
        list << QString(reinterpret_cast<const QChar*>(symbols[i].getBuffer()), symbols[i].length());
    return list;
}

void BuildServices(DateServices& s) {
    tzset();
    icu::TimeZone::adoptDefault(icu::TimeZone::detectHostTimeZone());
    s.calendar = MakeCalendar();
    s.isoCalendar = MakeCalendar();
    s.isoCalendar->setFirstDayOfWeek(UCAL_MONDAY);
    s.isoCalendar->setMinimalDaysInFirstWeek(4);
    s.formatters.clear();

    UErrorCode                status = U_ZERO_ERROR;
    icu::DateFormatSymbols    symbols(icu::Locale::getDefault(), status);
    int32_t                   count = 0;
    const icu::UnicodeString* months =
        symbols.getMonths(count, icu::DateFormatSymbols::STANDALONE, icu::DateFormatSymbols::WIDE);
    s.monthNames = SymbolList(months, std::min(count, 12), 0);
    const icu::UnicodeString* days =
        symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
    s.weekdayNames = SymbolList(days, count, 1); // ICU leaves index 0 empty
    days = symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::ABBREVIATED);
    s.shortWeekdayNames = SymbolList(days, count, 1);
}

DateServices& Services() {
    static DateServices services;
    if (!services.calendar) BuildServices(services);
    return services;
}

icu::GregorianCalendar& Calendar() {
    return *Services().calendar;
}

UDate ToUDate(double absTime) {
    return (absTime + UnixToAbsoluteOffset) * 1000.0;
}
double FromUDate(UDate date) {
    return date / 1000.0 - UnixToAbsoluteOffset;
}

icu::UnicodeString ToUnicode(const QString& s) {
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(s.utf16()), int32_t(s.size()));
}

double NoteDate(const Value& note) {
    const Record* r = ValueRecord(note);
    double        date = -std::numeric_limits<double>::infinity(); // a record without a date sorts first
    if (r) RecordDate(*r, NoteDateKey, &date);
    return date;
}

// The day and year of a date text, in whatever digits the locale writes (Arabic-Indic, Devanagari, ...).
int ParseDecimal(const QString& text) {
    int  value = 0;
    bool any = false;
    for (QChar c : text.trimmed()) {
        const int digit = c.digitValue();
        if (digit < 0) break;
        value = value * 10 + digit;
        any = true;
        if (value > 1000000) break;
    }
    return any ? value : 0;
}

int Compare(double a, double b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

void FillLocaleNameLists() {
    BuildServices(Services());
}

const QStringList& MonthNames() {
    return Services().monthNames;
}
const QStringList& WeekdayNames() {
    return Services().weekdayNames;
}
const QStringList& ShortWeekdayNames() {
    return Services().shortWeekdayNames;
}

QString FormatDate(const QString& pattern, double absTime) {
    auto& formatter = Services().formatters[pattern];
    if (!formatter) {
        UErrorCode status = U_ZERO_ERROR;
        formatter =
            std::make_shared<icu::SimpleDateFormat>(ToUnicode(pattern), icu::Locale::getDefault(), status);
        if (U_FAILURE(status)) {
            formatter.reset();
            Services().formatters.remove(pattern);
            return QString();
        }
        formatter->adoptCalendar(Calendar().clone());
    }
    icu::UnicodeString out;
    formatter->format(ToUDate(absTime), out);
    return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
}

QString DayMonthYearText(bool withoutYear, double absTime) {
    GregorianDate d = AbsTimeToDate(absTime);
    QString       month = FormatDate(QStringLiteral("LLLL"), absTime);
    if (withoutYear) return QStringLiteral("%1 %2 ").arg(d.day).arg(month);
    return QStringLiteral("%1 %2 %3").arg(d.day).arg(month).arg(d.year);
}

QString MonthYearText(double absTime) {
    return FormatDate(QStringLiteral("LLLL yyyy"), absTime);
}

QString WeekNumberText(double absTime) {
    return QStringLiteral("( Week:%1 )").arg(GetWeekOfYear(absTime));
}

QString AppendWeekNumber(const QString& text, double absTime) {
    return text + QLatin1Char(' ') + WeekNumberText(absTime);
}

bool ParseDayMonthYear(const QString& text, const QString& separator, int* month, int* day, int* year) {
    if (text.isNull()) return false;
    const QStringList fields = text.split(separator);
    if (fields.size() < 3) return false;
    *day = ParseDecimal(fields[0]);
    *month = GetMonthNbrFromMonthName(fields[1]);
    *year = ParseDecimal(fields[2]);
    return true;
}

int GetMonthNbrFromMonthName(const QString& name) {
    const QStringList& months = MonthNames();
    for (int i = int(months.size()) - 1; i >= 0; --i)
        if (months[i] == name) return i + 1;
    return 0;
}

QString GetMonthNameFromMonthNbr(int month) {
    if (month < 1 || month > MonthNames().size())
        FatalInternalError(QStringLiteral("error in fn GetMonthNameFromMonthNbr"));
    return MonthNames()[month - 1];
}

double DateTimeToAbsTime(int month, int day, int year, int hour, int minute) {
    icu::GregorianCalendar& cal = Calendar();
    UErrorCode              status = U_ZERO_ERROR;
    cal.clear();
    cal.set(year, month - 1, day, hour, minute, 0);
    return FromUDate(cal.getTime(status));
}

double DateToAbsTime(int month, int day, int year) {
    return DateTimeToAbsTime(month, day, year, 0, 0);
}

DateValue MakeDateObject(int month, int day, int year) {
    return DateValue{DateToAbsTime(month, day, year)};
}

GregorianDate AbsTimeToDate(double absTime) {
    icu::GregorianCalendar& cal = Calendar();
    UErrorCode              status = U_ZERO_ERROR;
    cal.setTime(ToUDate(absTime), status);
    GregorianDate d;
    d.year = cal.get(UCAL_EXTENDED_YEAR, status);
    d.month = cal.get(UCAL_MONTH, status) + 1;
    d.day = cal.get(UCAL_DATE, status);
    d.hour = cal.get(UCAL_HOUR_OF_DAY, status);
    d.minute = cal.get(UCAL_MINUTE, status);
    d.second = cal.get(UCAL_SECOND, status) + cal.get(UCAL_MILLISECOND, status) / 1000.0;
    return d;
}

double GetNow() {
    return CurrentAbsoluteTime();
}

GregorianDate GetToday() {
    return AbsTimeToDate(GetNow());
}
int GetCurrentYear() {
    return GetToday().year;
}
int GetCurrentMonth() {
    return GetToday().month;
}
int GetCurrentDay() {
    return GetToday().day;
}

int GetDayOfWeek(double absTime) {
    icu::GregorianCalendar& cal = Calendar();
    UErrorCode              status = U_ZERO_ERROR;
    cal.setTime(ToUDate(absTime), status);
    const int dow = cal.get(UCAL_DAY_OF_WEEK, status); // 1 Sunday .. 7 Saturday
    return dow == UCAL_SUNDAY ? 7 : dow - 1;
}

int GetDaysInMonth(int month, int year) {
    for (int day = 31; day > 28; --day)
        if (AbsTimeToDate(DateToAbsTime(month, day, year)).month == month) return day;
    return 28;
}

int GetWeekOfYear(double absTime) {
    icu::GregorianCalendar& cal = *Services().isoCalendar;
    UErrorCode              status = U_ZERO_ERROR;
    cal.setTime(ToUDate(absTime), status);
    return cal.get(UCAL_WEEK_OF_YEAR, status);
}

double StartOfDay(double absTime) {
    GregorianDate d = AbsTimeToDate(absTime);
    return DateToAbsTime(d.month, d.day, d.year);
}

GregorianUnits GetDifferenceUnits(double time1, double time2, int unitMask) {
    icu::GregorianCalendar& cal = Calendar();
    UErrorCode              status = U_ZERO_ERROR;
    const UDate             target = ToUDate(time1);
    cal.setTime(ToUDate(time2), status);
    GregorianUnits units;
    // fieldDifference moves the calendar, so the largest unit goes first.
    if (unitMask & UnitYears) units.years = cal.fieldDifference(target, UCAL_YEAR, status);
    if (unitMask & UnitMonths) units.months = cal.fieldDifference(target, UCAL_MONTH, status);
    if (unitMask & UnitDays) units.days = cal.fieldDifference(target, UCAL_DATE, status);
    if (unitMask & UnitHours) units.hours = cal.fieldDifference(target, UCAL_HOUR_OF_DAY, status);
    if (unitMask & UnitMinutes) units.minutes = cal.fieldDifference(target, UCAL_MINUTE, status);
    if (unitMask & UnitSeconds) units.seconds = (target - cal.getTime(status)) / 1000.0;
    return units;
}

GregorianUnits GetElapsedUnits(double absTime, int unitMask) {
    return GetDifferenceUnits(GetNow(), absTime, unitMask);
}

double AddDateUnits(double absTime, int amount, int unit) {
    UCalendarDateFields field;
    switch (unit) {
    case AddDays:
        field = UCAL_DATE;
        break;
    case AddMonths:
        field = UCAL_MONTH;
        break;
    case AddYears:
        field = UCAL_YEAR;
        break;
    default:
        return absTime;
    }
    icu::GregorianCalendar& cal = Calendar();
    UErrorCode              status = U_ZERO_ERROR;
    cal.setTime(ToUDate(absTime), status);
    cal.add(field, amount, status);
    return FromUDate(cal.getTime(status));
}

double GetNowPlusHoursMinutes(int hours, int minutes) {
    return GetNow() + 3600.0 * std::clamp(hours, -128, 127) + 60.0 * std::clamp(minutes, -128, 127);
}

namespace {

// Month and year from a title "<month name> <year>", which a week number may follow.
bool ParseMonthYearText(const QString& text, int* month, int* year) {
    const int blank = text.indexOf(QLatin1Char(' '));
    if (blank < 0) return false;
    *month = GetMonthNbrFromMonthName(text.left(blank));
    *year = ParseDecimal(text.mid(blank + 1, 4));
    return true;
}

bool CalendarMonthYear(int* month, int* year) {
    QWidget* window = FindWindowById(CalendarWindowId);
    QWidget* title = window ? FindControl(window, CalendarTitleControl) : nullptr;
    return title && ParseMonthYearText(GetControlText(title), month, year);
}

bool MonthlyViewMonthYear(int* month, int* year) {
    QWidget* window = FindWindowById(MonthlyWindowId);
    return window && ParseMonthYearText(GetWindowTitle(window), month, year);
}

} // namespace

int GetCalendarMonth() {
    int month = 0, year = 0;
    return CalendarMonthYear(&month, &year) ? month : GetCurrentMonth();
}

int GetCalendarYear() {
    int month = 0, year = 0;
    return CalendarMonthYear(&month, &year) ? year : GetCurrentYear();
}

int GetMonthlyViewMonth() {
    int month = 0, year = 0;
    return MonthlyViewMonthYear(&month, &year) ? month : GetCurrentMonth();
}

int GetMonthlyViewYear() {
    int month = 0, year = 0;
    return MonthlyViewMonthYear(&month, &year) ? year : GetCurrentYear();
}

QString GetCalendarClockText() {
    QWidget* window = FindWindowById(CalendarWindowId);
    QWidget* clock = window ? FindControl(window, CalendarClockControl) : nullptr;
    return clock ? GetControlText(clock) : QString();
}

bool WindowTitleDate(QWidget* window, DateValue* date) {
    int month = 0, day = 0, year = 0;
    if (!window || !ParseDayMonthYear(GetWindowTitle(window), QStringLiteral("  "), &month, &day, &year))
        return false;
    *date = MakeDateObject(month, day, year);
    return true;
}

int CompareNoteDates(const Value& a, const Value& b, int context) {
    if (context != NoteCompareContext) return 0;
    return Compare(NoteDate(a), NoteDate(b));
}

int CompareDateWithNote(double date, const Value& note, int context) {
    if (context != NoteCompareContext) return 0;
    return Compare(date, NoteDate(note));
}

int FindNoteIndex(const RecordArray& array, double date) {
    auto it = std::lower_bound(array.begin(), array.end(), date, [](const Value& note, double d) {
        return CompareDateWithNote(d, note, NoteCompareContext) > 0;
    });
    return int(it - array.begin());
}

bool IsNoteAtIndex(const RecordArray& array, double date, int index) {
    if (index < 0 || index >= int(array.size())) return false;
    return CompareDateWithNote(date, array[size_t(index)], NoteCompareContext) == 0 &&
           NoteDate(array[size_t(index)]) == date;
}

bool SortDaynotes(RecordArray& array) {
    // Each record's date is looked up once; a file the program wrote is already in order, and that is found
    // in one pass.
    std::vector<double> dates(array.size());
    for (size_t i = 0; i < array.size(); ++i) dates[i] = NoteDate(array[i]);
    if (std::is_sorted(dates.begin(), dates.end())) return false;
    std::vector<size_t> order(array.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&dates](size_t a, size_t b) { return dates[a] < dates[b]; });
    RecordArray sorted;
    sorted.reserve(array.size());
    for (size_t i : order) sorted.push_back(std::move(array[i]));
    array = std::move(sorted);
    return true;
}
