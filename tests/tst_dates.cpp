// Tests of the calendar date layer: day boundaries, weeks, month names, differences, shifts and note search.
#include "core/dates.h"
#include "helpers/zone_scope.h"
#include "platform/clock.h"

#include <QDate>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <limits>
#include <numeric>
#include <optional>
#include <utility>

namespace {

double Day(const QDate& d) {
    return DateToAbsTime(d.month(), d.day(), d.year());
}

double At(const QDate& d, const QTime& t) {
    return DateTimeToAbsTime(d.month(), d.day(), d.year(), t.hour(), t.minute()) + t.second() +
           t.msec() / 1000.0;
}

Value Note(double date) {
    Record r;
    SetField(r, NoteDataKey, Value(QStringLiteral("note")));
    SetField(r, NoteDateKey, Value(DateValue{date}));
    return Value(std::move(r));
}

Value DatelessNote(const QString& text) {
    Record r;
    SetField(r, NoteDataKey, Value(text));
    return Value(std::move(r));
}

double NoteDateOrLowest(const Value& v) {
    double d = -std::numeric_limits<double>::infinity();
    if (const Record* r = ValueRecord(v)) RecordDate(*r, NoteDateKey, &d);
    return d;
}

} // namespace

class tst_Dates : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void absoluteTimeOrigin_data();
    void absoluteTimeOrigin();
    void daysInMonth_data();
    void daysInMonth();
    void daysInMonthAgreesWithQDate();
    void dayOfWeek_data();
    void dayOfWeek();
    void weekOfYear_data();
    void weekOfYear();
    void weekOfYearAgreesWithIso();
    void weekNumberText_data();
    void weekNumberText();
    void nameLists_data();
    void nameLists();
    void monthNameRoundTrip_data();
    void monthNameRoundTrip();
    void unknownMonthName_data();
    void unknownMonthName();
    void parseDayMonthYear_data();
    void parseDayMonthYear();
    void displayTexts_data();
    void displayTexts();
    void dayBoundaries_data();
    void dayBoundaries();
    void skippedMidnight_data();
    void skippedMidnight();
    void normalisation_data();
    void normalisation();
    void differenceUnits_data();
    void differenceUnits();
    void elapsedUnits_data();
    void elapsedUnits();
    void addDateUnits_data();
    void addDateUnits();
    void nowPlusHoursMinutes_data();
    void nowPlusHoursMinutes();
    void compareNoteDates_data();
    void compareNoteDates();
    void findNoteIndex_data();
    void findNoteIndex();
    void sortDaynotes_data();
    void sortDaynotes();
    void monthOnShowWithoutWindows_data();
    void monthOnShowWithoutWindows();

  private:
    std::optional<ZoneScope>   zoneScope;
    std::optional<LocaleScope> localeScope;
};

void tst_Dates::initTestCase() {
    zoneScope.emplace("America/New_York");
    localeScope.emplace("en_US");
    QVERIFY(localeScope->Succeeded());
}

void tst_Dates::cleanupTestCase() {
    localeScope.reset();
    zoneScope.reset();
    ClearTestClock();
}

void tst_Dates::cleanup() {
    ClearTestClock();
}

// Absolute times count seconds from 2001-01-01T00:00:00Z; the values below were worked out independently.
void tst_Dates::absoluteTimeOrigin_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<double>("absTime");

    QTest::newRow("origin in New York") << QByteArray("America/New_York") << QDate(2001, 1, 1) << 18000.0;
    QTest::newRow("origin in Berlin") << QByteArray("Europe/Berlin") << QDate(2001, 1, 1) << -3600.0;
    QTest::newRow("origin in UTC") << QByteArray("UTC") << QDate(2001, 1, 1) << 0.0;
    QTest::newRow("winter day in New York")
        << QByteArray("America/New_York") << QDate(2026, 12, 5) << 818139600.0;
    QTest::newRow("summer day in Berlin") << QByteArray("Europe/Berlin") << QDate(2026, 7, 1) << 804549600.0;
    QTest::newRow("half-hour zone") << QByteArray("Asia/Kolkata") << QDate(2026, 12, 5) << 818101800.0;
    QTest::newRow("before the origin") << QByteArray("America/New_York") << QDate(1990, 1, 1) << -347137200.0;
}

void tst_Dates::absoluteTimeOrigin() {
    QFETCH(QByteArray, zone);
    QFETCH(QDate, date);
    QFETCH(double, absTime);
    ZoneScope z(zone);

    QCOMPARE(DateToAbsTime(date.month(), date.day(), date.year()), absTime);
    QCOMPARE(MakeDateObject(date.month(), date.day(), date.year()).absTime, absTime);
    QCOMPARE(DateTimeToAbsTime(date.month(), date.day(), date.year(), 13, 45), absTime + 13 * 3600 + 45 * 60);
    const GregorianDate back = AbsTimeToDate(absTime + 59.25);
    QCOMPARE(back.year, date.year());
    QCOMPARE(back.month, date.month());
    QCOMPARE(back.day, date.day());
    QCOMPARE(back.hour, 0);
    QCOMPARE(back.minute, 0);
    QCOMPARE(back.second, 59.25);
}

void tst_Dates::daysInMonth_data() {
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("days");

    QTest::newRow("leap 2024") << 2 << 2024 << 29;
    QTest::newRow("common 2023") << 2 << 2023 << 28;
    QTest::newRow("century 1900") << 2 << 1900 << 28;
    QTest::newRow("four centuries 2000") << 2 << 2000 << 29;
    QTest::newRow("century 2100") << 2 << 2100 << 28;
    QTest::newRow("April 2026") << 4 << 2026 << 30;
    QTest::newRow("December 2026") << 12 << 2026 << 31;
    QTest::newRow("January 2027") << 1 << 2027 << 31;
    // Dates before the 1582 reform are proleptic Gregorian; the Julian calendar would give 29.
    QTest::newRow("February 1500") << 2 << 1500 << 28;
    // A day-saving change inside the month must not lose or add a day.
    QTest::newRow("March 2026, clocks change") << 3 << 2026 << 31;
    QTest::newRow("November 2026, clocks change") << 11 << 2026 << 30;
}

void tst_Dates::daysInMonth() {
    QFETCH(int, month);
    QFETCH(int, year);
    QFETCH(int, days);
    QCOMPARE(GetDaysInMonth(month, year), days);
}

void tst_Dates::daysInMonthAgreesWithQDate() {
    for (int year = 1580; year <= 2420; ++year) {
        for (int month = 1; month <= 12; ++month) {
            const int expected = QDate(year, month, 1).daysInMonth();
            if (GetDaysInMonth(month, year) != expected)
                QFAIL(qPrintable(QStringLiteral("%1/%2: %3 instead of %4")
                                     .arg(month)
                                     .arg(year)
                                     .arg(GetDaysInMonth(month, year))
                                     .arg(expected)));
        }
    }
}

void tst_Dates::dayOfWeek_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("dayOfWeek");

    QTest::newRow("Saturday 5 Dec 2026") << QDate(2026, 12, 5) << 6;
    QTest::newRow("Sunday 6 Dec 2026") << QDate(2026, 12, 6) << 7;
    QTest::newRow("Monday 7 Dec 2026") << QDate(2026, 12, 7) << 1;
    QTest::newRow("Monday 1 Jan 2001") << QDate(2001, 1, 1) << 1;
    QTest::newRow("Tuesday 29 Feb 2000") << QDate(2000, 2, 29) << 2;
    QTest::newRow("Friday 15 Oct 1582") << QDate(1582, 10, 15) << 5;
    // The last Julian day was a Thursday; proleptic Gregorian 4 October 1582 is a Monday.
    QTest::newRow("Monday 4 Oct 1582, proleptic") << QDate(1582, 10, 4) << 1;
}

void tst_Dates::dayOfWeek() {
    QFETCH(QDate, date);
    QFETCH(int, dayOfWeek);
    QCOMPARE(date.dayOfWeek(), dayOfWeek); // the row itself is right

    QCOMPARE(GetDayOfWeek(Day(date)), dayOfWeek);
    // Late in the evening the day in UTC is already the next one; the local day counts.
    QCOMPARE(GetDayOfWeek(At(date, QTime(23, 59, 59))), dayOfWeek);
}

void tst_Dates::weekOfYear_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("week");

    QTest::newRow("Monday 29 Dec 2025 is week 1") << QDate(2025, 12, 29) << QTime(0, 0) << 1;
    QTest::newRow("Sunday 28 Dec 2025 is week 52") << QDate(2025, 12, 28) << QTime(23, 59, 59) << 52;
    QTest::newRow("Friday 1 Jan 2027 is week 53") << QDate(2027, 1, 1) << QTime(12, 0) << 53;
    QTest::newRow("Tuesday 31 Dec 2024 is week 1") << QDate(2024, 12, 31) << QTime(0, 0) << 1;
    QTest::newRow("Monday 28 Dec 2026 is week 53") << QDate(2026, 12, 28) << QTime(0, 0) << 53;
    QTest::newRow("Monday 4 Jan 2021 is week 1") << QDate(2021, 1, 4) << QTime(0, 0) << 1;
    QTest::newRow("Sunday 3 Jan 2021, late, is week 53") << QDate(2021, 1, 3) << QTime(23, 59, 59) << 53;
    QTest::newRow("Thursday 31 Dec 2020 is week 53") << QDate(2020, 12, 31) << QTime(0, 0) << 53;
    QTest::newRow("Saturday 5 Dec 2026 is week 49") << QDate(2026, 12, 5) << QTime(15, 30) << 49;
}

void tst_Dates::weekOfYear() {
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(int, week);
    QCOMPARE(date.weekNumber(), week); // the row itself is right
    QCOMPARE(GetWeekOfYear(At(date, time)), week);
}

void tst_Dates::weekOfYearAgreesWithIso() {
    for (QDate d(2014, 12, 1); d <= QDate(2036, 1, 31); d = d.addDays(1)) {
        if (GetWeekOfYear(Day(d)) != d.weekNumber())
            QFAIL(qPrintable(QStringLiteral("%1: week %2 instead of %3")
                                 .arg(d.toString(Qt::ISODate))
                                 .arg(GetWeekOfYear(Day(d)))
                                 .arg(d.weekNumber())));
    }
}

void tst_Dates::weekNumberText_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("text");

    QTest::newRow("week 1") << QDate(2025, 12, 29) << QStringLiteral("( Week:1 )");
    QTest::newRow("week 49") << QDate(2026, 12, 5) << QStringLiteral("( Week:49 )");
    QTest::newRow("week 53 in January") << QDate(2027, 1, 1) << QStringLiteral("( Week:53 )");
}

void tst_Dates::weekNumberText() {
    QFETCH(QDate, date);
    QFETCH(QString, text);
    QCOMPARE(WeekNumberText(Day(date)), text);

    const QString title = QStringLiteral("December 2026");
    const QString appended = AppendWeekNumber(title, Day(date));
    QVERIFY2(appended.startsWith(title), qPrintable(appended));
    QVERIFY2(appended.endsWith(text), qPrintable(appended));
    QVERIFY2(appended.size() > title.size() + text.size(), "the week number is set apart from the title");
}

// The indexes are this program's; the names themselves are the locale's.
void tst_Dates::nameLists_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("january");
    QTest::addColumn<QString>("december");
    QTest::addColumn<QString>("sunday");
    QTest::addColumn<QString>("saturday");

    QTest::newRow("en_US") << QByteArray("en_US") << QStringLiteral("January") << QStringLiteral("December")
                           << QStringLiteral("Sunday") << QStringLiteral("Saturday");
    QTest::newRow("de_DE") << QByteArray("de_DE") << QStringLiteral("Januar") << QStringLiteral("Dezember")
                           << QStringLiteral("Sonntag") << QStringLiteral("Samstag");
    // Stand-alone forms, not the genitive "stycznia" and "grudnia" used inside a date.
    QTest::newRow("pl_PL, stand-alone")
        << QByteArray("pl_PL") << QStringLiteral("styczeń") << QStringLiteral("grudzień")
        << QStringLiteral("niedziela") << QStringLiteral("sobota");
    QTest::newRow("ru_RU, stand-alone")
        << QByteArray("ru_RU") << QStringLiteral("январь") << QStringLiteral("декабрь")
        << QStringLiteral("воскресенье") << QStringLiteral("суббота");
}

void tst_Dates::nameLists() {
    QFETCH(QByteArray, locale);
    QFETCH(QString, january);
    QFETCH(QString, december);
    QFETCH(QString, sunday);
    QFETCH(QString, saturday);
    LocaleScope l(locale.constData());

    QCOMPARE(MonthNames().size(), 12);
    QCOMPARE(MonthNames().first(), january);
    QCOMPARE(MonthNames().last(), december);
    QCOMPARE(WeekdayNames().size(), 7);
    QCOMPARE(WeekdayNames().first(), sunday);
    QCOMPARE(WeekdayNames().last(), saturday);
    QCOMPARE(ShortWeekdayNames().size(), 7);
    for (int month = 1; month <= 12; ++month) {
        QCOMPARE(GetMonthNameFromMonthNbr(month), MonthNames()[month - 1]);
        QCOMPARE(GetMonthNbrFromMonthName(MonthNames()[month - 1]), month);
    }
}

// Event dates go to a text field as "dd  LLLL  yyyy" and come back through ParseDayMonthYear; every day must
// come back as the very same absolute time, in languages whose month names change inside a date too.
void tst_Dates::monthNameRoundTrip_data() {
    QTest::addColumn<QByteArray>("locale");

    QTest::newRow("en_US") << QByteArray("en_US");
    QTest::newRow("de_DE") << QByteArray("de_DE");
    QTest::newRow("pl_PL") << QByteArray("pl_PL");
    QTest::newRow("ru_RU") << QByteArray("ru_RU");
    QTest::newRow("cs_CZ") << QByteArray("cs_CZ");
    QTest::newRow("fi_FI") << QByteArray("fi_FI");
    QTest::newRow("ja_JP") << QByteArray("ja_JP");
    QTest::newRow("ar_EG, Arabic-Indic digits") << QByteArray("ar_EG");
}

void tst_Dates::monthNameRoundTrip() {
    QFETCH(QByteArray, locale);
    LocaleScope l(locale.constData());

    int     mismatches = 0;
    QString first;
    for (QDate d(2023, 1, 1); d <= QDate(2026, 12, 31); d = d.addDays(1)) {
        const double  absTime = Day(d);
        const QString text = FormatDate(QStringLiteral("dd  LLLL  yyyy"), absTime);
        int           month = -1, day = -1, year = -1;
        const bool    parsed = ParseDayMonthYear(text, QStringLiteral("  "), &month, &day, &year);
        if (parsed && month == d.month() && day == d.day() && year == d.year() &&
            DateToAbsTime(month, day, year) == absTime)
            continue;
        if (mismatches++ == 0)
            first = QStringLiteral("%1 -> \"%2\" -> %3/%4/%5")
                        .arg(d.toString(Qt::ISODate), text)
                        .arg(month)
                        .arg(day)
                        .arg(year);
    }
    QVERIFY2(mismatches == 0,
             qPrintable(QStringLiteral("%1 days wrong, first %2").arg(mismatches).arg(first)));
}

void tst_Dates::unknownMonthName_data() {
    QTest::addColumn<QString>("name");

    QTest::newRow("empty") << QString();
    QTest::newRow("made up") << QStringLiteral("Smarch");
    QTest::newRow("another language") << QStringLiteral("Dezember");
    QTest::newRow("number") << QStringLiteral("12");
    QTest::newRow("abbreviation") << QStringLiteral("Dec");
}

void tst_Dates::unknownMonthName() {
    QFETCH(QString, name);
    QCOMPARE(GetMonthNbrFromMonthName(name), 0);
}

void tst_Dates::parseDayMonthYear_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");

    const QString two = QStringLiteral("  ");
    // -1 means "left as it was".
    QTest::newRow("null text") << QString() << two << false << -1 << -1 << -1;
    QTest::newRow("empty text") << QStringLiteral("") << two << false << -1 << -1 << -1;
    QTest::newRow("one field") << QStringLiteral("05") << two << false << -1 << -1 << -1;
    QTest::newRow("two fields") << QStringLiteral("05  December") << two << false << -1 << -1 << -1;
    QTest::newRow("single blanks with a two-blank separator")
        << QStringLiteral("05 December 2026") << two << false << -1 << -1 << -1;
    QTest::newRow("title") << QStringLiteral("05  December  2026") << two << true << 5 << 12 << 2026;
    QTest::newRow("unpadded day") << QStringLiteral("5  December  2026") << two << true << 5 << 12 << 2026;
    QTest::newRow("single-blank separator")
        << QStringLiteral("29 February 2024") << QStringLiteral(" ") << true << 29 << 2 << 2024;
    QTest::newRow("more than three fields")
        << QStringLiteral("01  January  2027  ( Week:53 )") << two << true << 1 << 1 << 2027;
    QTest::newRow("unknown month gives 0")
        << QStringLiteral("05  Smarch  2026") << two << true << 5 << 0 << 2026;
}

void tst_Dates::parseDayMonthYear() {
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(bool, parsed);
    QFETCH(int, day);
    QFETCH(int, month);
    QFETCH(int, year);

    int m = -1, d = -1, y = -1;
    QCOMPARE(ParseDayMonthYear(text, separator, &m, &d, &y), parsed);
    QCOMPARE(d, day);
    QCOMPARE(m, month);
    QCOMPARE(y, year);
}

void tst_Dates::displayTexts_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("dayMonthYear");
    QTest::addColumn<QString>("dayMonth");
    QTest::addColumn<QString>("monthYear");

    QTest::newRow("en_US") << QByteArray("en_US") << QDate(2026, 12, 5) << QStringLiteral("5 December 2026")
                           << QStringLiteral("5 December ") << QStringLiteral("December 2026");
    QTest::newRow("en_US, two-digit day")
        << QByteArray("en_US") << QDate(2027, 1, 31) << QStringLiteral("31 January 2027")
        << QStringLiteral("31 January ") << QStringLiteral("January 2027");
    QTest::newRow("de_DE") << QByteArray("de_DE") << QDate(2026, 3, 1) << QStringLiteral("1 März 2026")
                           << QStringLiteral("1 März ") << QStringLiteral("März 2026");
}

void tst_Dates::displayTexts() {
    QFETCH(QByteArray, locale);
    QFETCH(QDate, date);
    QFETCH(QString, dayMonthYear);
    QFETCH(QString, dayMonth);
    QFETCH(QString, monthYear);
    LocaleScope l(locale.constData());

    // Any time of the day shows that day.
    for (const QTime& time : {QTime(0, 0), QTime(23, 59, 59)}) {
        const double t = At(date, time);
        QCOMPARE(DayMonthYearText(false, t), dayMonthYear);
        QCOMPARE(DayMonthYearText(true, t), dayMonth);
        QCOMPARE(MonthYearText(t), monthYear);
    }
}

void tst_Dates::dayBoundaries_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<double>("length");

    QTest::newRow("Berlin, clocks forward") << QByteArray("Europe/Berlin") << QDate(2026, 3, 29) << 82800.0;
    QTest::newRow("Berlin, clocks back") << QByteArray("Europe/Berlin") << QDate(2026, 10, 25) << 90000.0;
    QTest::newRow("Berlin, day before the change")
        << QByteArray("Europe/Berlin") << QDate(2026, 3, 28) << 86400.0;
    QTest::newRow("Berlin, day after the change")
        << QByteArray("Europe/Berlin") << QDate(2026, 10, 26) << 86400.0;
    QTest::newRow("New York, clocks forward")
        << QByteArray("America/New_York") << QDate(2026, 3, 8) << 82800.0;
    QTest::newRow("New York, clocks back") << QByteArray("America/New_York") << QDate(2026, 11, 1) << 90000.0;
    QTest::newRow("New York, leap day") << QByteArray("America/New_York") << QDate(2024, 2, 29) << 86400.0;
}

void tst_Dates::dayBoundaries() {
    QFETCH(QByteArray, zone);
    QFETCH(QDate, date);
    QFETCH(double, length);
    ZoneScope z(zone);

    const QDate  nextDate = date.addDays(1);
    const double start = Day(date);
    const double next = Day(nextDate);
    QCOMPARE(next - start, length);
    QCOMPARE(AddDateUnits(start, 1, AddDays), next);
    QCOMPARE(AddDateUnits(next, -1, AddDays), start);

    for (const auto& [time, d] : {std::pair{start, date}, std::pair{next, nextDate}}) {
        const GregorianDate g = AbsTimeToDate(time);
        QCOMPARE(g.year, d.year());
        QCOMPARE(g.month, d.month());
        QCOMPARE(g.day, d.day());
        QCOMPARE(g.hour, 0);
        QCOMPARE(g.minute, 0);
        QCOMPARE(g.second, 0.0);
    }
    // Every moment of the day belongs to it, and no moment of the neighbours does.
    QCOMPARE(StartOfDay(start), start);
    QCOMPARE(StartOfDay(start + length / 2), start);
    QCOMPARE(StartOfDay(next - 1), start);
    QCOMPARE(StartOfDay(next), next);
    QCOMPARE(AbsTimeToDate(start - 1).day, date.addDays(-1).day());
}

// Where a clock change happens at midnight, the day starts at 01:00; its first moment must still be that day.
void tst_Dates::skippedMidnight_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("date");

    QTest::newRow("Santiago 2026") << QByteArray("America/Santiago") << QDate(2026, 9, 6);
    QTest::newRow("Santiago 2020") << QByteArray("America/Santiago") << QDate(2020, 9, 6);
    QTest::newRow("Havana 2020") << QByteArray("America/Havana") << QDate(2020, 3, 8);
    QTest::newRow("Sao Paulo 2018") << QByteArray("America/Sao_Paulo") << QDate(2018, 11, 4);
}

void tst_Dates::skippedMidnight() {
    QFETCH(QByteArray, zone);
    QFETCH(QDate, date);
    ZoneScope z(zone);

    const double start = Day(date);
    QCOMPARE(Day(date.addDays(1)) - start, 82800.0); // the row really is a short day
    const GregorianDate g = AbsTimeToDate(start);
    QCOMPARE(g.year, date.year());
    QCOMPARE(g.month, date.month());
    QCOMPARE(g.day, date.day());
    QCOMPARE(AbsTimeToDate(start - 1).day, date.addDays(-1).day());
    QCOMPARE(StartOfDay(start + 3600), start);
    QCOMPARE(GetDayOfWeek(start), date.dayOfWeek());
    QCOMPARE(AddDateUnits(Day(date.addDays(-1)), 1, AddDays), start);
    QCOMPARE(GetDaysInMonth(date.month(), date.year()), date.daysInMonth());
}

void tst_Dates::normalisation_data() {
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("year");
    QTest::addColumn<QDate>("same");

    QTest::newRow("31 April") << 4 << 31 << 2026 << QDate(2026, 5, 1);
    QTest::newRow("30 February") << 2 << 30 << 2026 << QDate(2026, 3, 2);
    QTest::newRow("day 0") << 3 << 0 << 2026 << QDate(2026, 2, 28);
    QTest::newRow("day 0, leap year") << 3 << 0 << 2024 << QDate(2024, 2, 29);
    QTest::newRow("day 0 of January") << 1 << 0 << 2027 << QDate(2026, 12, 31);
    QTest::newRow("day -1") << 1 << -1 << 2026 << QDate(2025, 12, 30);
    QTest::newRow("day 32 of December") << 12 << 32 << 2026 << QDate(2027, 1, 1);
    QTest::newRow("day 366") << 1 << 366 << 2026 << QDate(2027, 1, 1);
    QTest::newRow("month 13") << 13 << 1 << 2026 << QDate(2027, 1, 1);
    QTest::newRow("month 0") << 0 << 15 << 2026 << QDate(2025, 12, 15);
    QTest::newRow("month 25") << 25 << 10 << 2026 << QDate(2028, 1, 10);
    QTest::newRow("month -1") << -1 << 10 << 2026 << QDate(2025, 11, 10);
}

void tst_Dates::normalisation() {
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, year);
    QFETCH(QDate, same);
    QCOMPARE(DateToAbsTime(month, day, year), Day(same));
}

namespace {
void AddUnitColumns() {
    QTest::addColumn<int>("years");
    QTest::addColumn<int>("months");
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("hours");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<double>("seconds");
}

void CompareUnits(const GregorianUnits& u) {
    QFETCH(int, years);
    QFETCH(int, months);
    QFETCH(int, days);
    QFETCH(int, hours);
    QFETCH(int, minutes);
    QFETCH(double, seconds);
    QCOMPARE(u.years, years);
    QCOMPARE(u.months, months);
    QCOMPARE(u.days, days);
    QCOMPARE(u.hours, hours);
    QCOMPARE(u.minutes, minutes);
    QCOMPARE(u.seconds, seconds);
}
} // namespace

// Each unit counts only what the larger units in the mask left over, and stops short of the target: a
// negative difference is truncated toward zero unit by unit, so it need not mirror the positive one.
void tst_Dates::differenceUnits_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("fromDate");
    QTest::addColumn<QTime>("fromTime");
    QTest::addColumn<QDate>("toDate");
    QTest::addColumn<QTime>("toTime");
    QTest::addColumn<int>("mask");
    AddUnitColumns();

    const QByteArray ny("America/New_York");
    const QDate      a(2020, 3, 10), b(2026, 12, 5);
    const QTime      midnight(0, 0);
    QTest::newRow("mask 7") << ny << a << midnight << b << midnight << 7 << 6 << 8 << 25 << 0 << 0 << 0.0;
    QTest::newRow("mask 1") << ny << a << midnight << b << midnight << 1 << 6 << 0 << 0 << 0 << 0 << 0.0;
    QTest::newRow("mask 2") << ny << a << midnight << b << midnight << 2 << 0 << 80 << 0 << 0 << 0 << 0.0;
    QTest::newRow("mask 4") << ny << a << midnight << b << midnight << 4 << 0 << 0 << 2461 << 0 << 0 << 0.0;
    QTest::newRow("mask 3") << ny << a << midnight << b << midnight << 3 << 6 << 8 << 0 << 0 << 0 << 0.0;
    QTest::newRow("mask 6") << ny << a << midnight << b << midnight << 6 << 0 << 80 << 25 << 0 << 0 << 0.0;
    QTest::newRow("mask 0") << ny << a << midnight << b << midnight << 0 << 0 << 0 << 0 << 0 << 0 << 0.0;
    QTest::newRow("mask 7, backwards")
        << ny << b << midnight << a << midnight << 7 << -6 << -8 << -26 << 0 << 0 << 0.0;
    QTest::newRow("mask 4, backwards")
        << ny << b << midnight << a << midnight << 4 << 0 << 0 << -2461 << 0 << 0 << 0.0;
    QTest::newRow("mask 7, short of a whole day")
        << ny << a << QTime(12, 0) << b << QTime(11, 59) << 7 << 6 << 8 << 24 << 0 << 0 << 0.0;
    QTest::newRow("mask 7, end of month pins") << ny << QDate(2026, 1, 31) << midnight << QDate(2026, 3, 1)
                                               << midnight << 7 << 0 << 1 << 1 << 0 << 0 << 0.0;
    QTest::newRow("mask 56") << ny << b << QTime(10, 0) << b << QTime(11, 30, 15, 500) << 56 << 0 << 0 << 0
                             << 1 << 30 << 15.5;
    QTest::newRow("mask 56 over days") << ny << QDate(2026, 12, 3) << QTime(22, 0) << b << QTime(1, 15, 30)
                                       << 56 << 0 << 0 << 0 << 27 << 15 << 30.0;
    QTest::newRow("mask 60 over days") << ny << QDate(2026, 12, 3) << QTime(22, 0) << b << QTime(1, 15, 30)
                                       << 60 << 0 << 0 << 1 << 3 << 15 << 30.0;
    QTest::newRow("mask 56, backwards")
        << ny << b << QTime(10, 1, 30, 250) << b << QTime(10, 0) << 56 << 0 << 0 << 0 << 0 << -1 << -30.25;
    QTest::newRow("mask 32 alone") << ny << b << QTime(10, 0) << b << QTime(11, 0) << 32 << 0 << 0 << 0 << 0
                                   << 0 << 3600.0;
    // Days are calendar days; hours are real hours.
    QTest::newRow("mask 4, clocks forward") << ny << QDate(2026, 3, 7) << QTime(12, 0) << QDate(2026, 3, 9)
                                            << QTime(12, 0) << 4 << 0 << 0 << 2 << 0 << 0 << 0.0;
    QTest::newRow("mask 4, clocks back") << ny << QDate(2026, 10, 31) << midnight << QDate(2026, 11, 2)
                                         << midnight << 4 << 0 << 0 << 2 << 0 << 0 << 0.0;
    QTest::newRow("mask 8, clocks forward") << ny << QDate(2026, 3, 7) << QTime(12, 0) << QDate(2026, 3, 9)
                                            << QTime(12, 0) << 8 << 0 << 0 << 0 << 47 << 0 << 0.0;
    QTest::newRow("mask 60, clocks back") << ny << QDate(2026, 10, 31) << midnight << QDate(2026, 11, 2)
                                          << midnight << 60 << 0 << 0 << 2 << 0 << 0 << 0.0;
    QTest::newRow("mask 4, Berlin clocks forward")
        << QByteArray("Europe/Berlin") << QDate(2026, 3, 29) << midnight << QDate(2026, 3, 30) << midnight
        << 4 << 0 << 0 << 1 << 0 << 0 << 0.0;
    QTest::newRow("mask 56, Berlin clocks forward")
        << QByteArray("Europe/Berlin") << QDate(2026, 3, 29) << midnight << QDate(2026, 3, 30) << midnight
        << 56 << 0 << 0 << 0 << 23 << 0 << 0.0;
}

void tst_Dates::differenceUnits() {
    QFETCH(QByteArray, zone);
    QFETCH(QDate, fromDate);
    QFETCH(QTime, fromTime);
    QFETCH(QDate, toDate);
    QFETCH(QTime, toTime);
    QFETCH(int, mask);
    ZoneScope z(zone);

    CompareUnits(GetDifferenceUnits(At(toDate, toTime), At(fromDate, fromTime), mask));
}

// Elapsed time runs from the event to now.
void tst_Dates::elapsedUnits_data() {
    QTest::addColumn<QDate>("nowDate");
    QTest::addColumn<QTime>("nowTime");
    QTest::addColumn<QDate>("event");
    QTest::addColumn<int>("mask");
    AddUnitColumns();

    const QDate today(2026, 12, 5);
    const QTime afternoon(15, 30);
    QTest::newRow("past, mask 7") << today << afternoon << QDate(2020, 3, 10) << 7 << 6 << 8 << 25 << 0 << 0
                                  << 0.0;
    QTest::newRow("past, mask 1") << today << afternoon << QDate(2020, 3, 10) << 1 << 6 << 0 << 0 << 0 << 0
                                  << 0.0;
    QTest::newRow("past, mask 60") << today << afternoon << QDate(2026, 12, 4) << 60 << 0 << 0 << 1 << 15
                                   << 30 << 0.0;
    QTest::newRow("birthday today") << today << QTime(0, 0) << QDate(1996, 12, 5) << 7 << 30 << 0 << 0 << 0
                                    << 0 << 0.0;
    QTest::newRow("birthday tomorrow")
        << today << QTime(23, 59, 59) << QDate(1996, 12, 6) << 7 << 29 << 11 << 29 << 0 << 0 << 0.0;
    QTest::newRow("future, mask 4") << today << afternoon << QDate(2026, 12, 25) << 4 << 0 << 0 << -19 << 0
                                    << 0 << 0.0;
    QTest::newRow("future, mask 2") << today << afternoon << QDate(2027, 2, 5) << 2 << 0 << -1 << 0 << 0 << 0
                                    << 0.0;
}

void tst_Dates::elapsedUnits() {
    QFETCH(QDate, nowDate);
    QFETCH(QTime, nowTime);
    QFETCH(QDate, event);
    QFETCH(int, mask);

    SetTestClock(At(nowDate, nowTime));
    CompareUnits(GetElapsedUnits(Day(event), mask));
}

void tst_Dates::addDateUnits_data() {
    QTest::addColumn<QDate>("fromDate");
    QTest::addColumn<QTime>("fromTime");
    QTest::addColumn<int>("amount");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QDate>("toDate");
    QTest::addColumn<QTime>("toTime");

    const QDate d(2026, 12, 5);
    const QTime t(14, 45, 30);
    QTest::newRow("unit 0 does nothing") << d << t << 5 << 0 << d << t;
    QTest::newRow("unit 4 does nothing") << d << t << 5 << 4 << d << t;
    QTest::newRow("unit -1 does nothing") << d << t << 5 << -1 << d << t;
    QTest::newRow("no days") << d << t << 0 << int(AddDays) << d << t;
    QTest::newRow("one day") << d << t << 1 << int(AddDays) << QDate(2026, 12, 6) << t;
    QTest::newRow("one day back") << d << t << -1 << int(AddDays) << QDate(2026, 12, 4) << t;
    QTest::newRow("into the next year") << d << t << 27 << int(AddDays) << QDate(2027, 1, 1) << t;
    QTest::newRow("a leap year of days")
        << QDate(2024, 1, 1) << t << 366 << int(AddDays) << QDate(2025, 1, 1) << t;
    QTest::newRow("day over clocks forward keeps the time")
        << QDate(2026, 3, 7) << QTime(12, 0) << 1 << int(AddDays) << QDate(2026, 3, 8) << QTime(12, 0);
    QTest::newRow("day over clocks back keeps the time")
        << QDate(2026, 10, 31) << QTime(23, 0) << 2 << int(AddDays) << QDate(2026, 11, 2) << QTime(23, 0);
    QTest::newRow("one month") << d << t << 1 << int(AddMonths) << QDate(2027, 1, 5) << t;
    QTest::newRow("thirteen months back") << d << t << -13 << int(AddMonths) << QDate(2025, 11, 5) << t;
    // A month after 31 January is the last day of February, never early March.
    QTest::newRow("31 Jan + 1 month")
        << QDate(2026, 1, 31) << t << 1 << int(AddMonths) << QDate(2026, 2, 28) << t;
    QTest::newRow("31 Jan + 1 month, leap year")
        << QDate(2024, 1, 31) << t << 1 << int(AddMonths) << QDate(2024, 2, 29) << t;
    QTest::newRow("31 Mar - 1 month")
        << QDate(2026, 3, 31) << t << -1 << int(AddMonths) << QDate(2026, 2, 28) << t;
    QTest::newRow("31 Jan + 2 months")
        << QDate(2026, 1, 31) << t << 2 << int(AddMonths) << QDate(2026, 3, 31) << t;
    QTest::newRow("one year") << d << t << 1 << int(AddYears) << QDate(2027, 12, 5) << t;
    QTest::newRow("29 Feb + 1 year") << QDate(2024, 2, 29) << t << 1 << int(AddYears) << QDate(2025, 2, 28)
                                     << t;
    QTest::newRow("29 Feb + 4 years")
        << QDate(2024, 2, 29) << t << 4 << int(AddYears) << QDate(2028, 2, 29) << t;
    QTest::newRow("years back") << d << t << -30 << int(AddYears) << QDate(1996, 12, 5) << t;
}

void tst_Dates::addDateUnits() {
    QFETCH(QDate, fromDate);
    QFETCH(QTime, fromTime);
    QFETCH(int, amount);
    QFETCH(int, unit);
    QFETCH(QDate, toDate);
    QFETCH(QTime, toTime);
    QCOMPARE(AddDateUnits(At(fromDate, fromTime), amount, unit), At(toDate, toTime));
}

// Hours and minutes from now are real time, whatever the wall clock does in between.
void tst_Dates::nowPlusHoursMinutes_data() {
    QTest::addColumn<QDate>("nowDate");
    QTest::addColumn<QTime>("nowTime");
    QTest::addColumn<int>("hours");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<double>("seconds");

    const QDate d(2026, 12, 5);
    QTest::newRow("nothing") << d << QTime(15, 30) << 0 << 0 << 0.0;
    QTest::newRow("2 h 30 min") << d << QTime(15, 30) << 2 << 30 << 9000.0;
    QTest::newRow("past midnight") << d << QTime(23, 50) << 0 << 20 << 1200.0;
    QTest::newRow("backwards") << d << QTime(15, 30) << -1 << -15 << -4500.0;
    QTest::newRow("90 minutes") << d << QTime(15, 30) << 0 << 90 << 5400.0;
    QTest::newRow("over clocks forward") << QDate(2026, 3, 8) << QTime(1, 30) << 1 << 0 << 3600.0;
}

void tst_Dates::nowPlusHoursMinutes() {
    QFETCH(QDate, nowDate);
    QFETCH(QTime, nowTime);
    QFETCH(int, hours);
    QFETCH(int, minutes);
    QFETCH(double, seconds);

    const double now = At(nowDate, nowTime) + 0.75;
    SetTestClock(now);
    QCOMPARE(GetNowPlusHoursMinutes(hours, minutes), now + seconds);
}

void tst_Dates::compareNoteDates_data() {
    QTest::addColumn<bool>("aHasDate");
    QTest::addColumn<double>("a");
    QTest::addColumn<bool>("bHasDate");
    QTest::addColumn<double>("b");
    QTest::addColumn<int>("context");
    QTest::addColumn<int>("expected");

    QTest::newRow("earlier") << true << 100.0 << true << 200.0 << 2 << -1;
    QTest::newRow("later") << true << 200.0 << true << 100.0 << 2 << 1;
    QTest::newRow("same") << true << 100.0 << true << 100.0 << 2 << 0;
    QTest::newRow("negative dates") << true << -5e8 << true << -4e8 << 2 << -1;
    QTest::newRow("one second apart") << true << 818139600.0 << true << 818139601.0 << 2 << -1;
    QTest::newRow("no date first") << false << 0.0 << true << -1e12 << 2 << -1;
    QTest::newRow("no date after a date") << true << -1e12 << false << 0.0 << 2 << 1;
    QTest::newRow("neither has a date") << false << 0.0 << false << 0.0 << 2 << 0;
    QTest::newRow("context 0 makes all equal") << true << 100.0 << true << 200.0 << 0 << 0;
    QTest::newRow("context 1 makes all equal") << true << 200.0 << true << 100.0 << 1 << 0;
    QTest::newRow("context 3 makes all equal") << false << 0.0 << true << 100.0 << 3 << 0;
}

void tst_Dates::compareNoteDates() {
    QFETCH(bool, aHasDate);
    QFETCH(double, a);
    QFETCH(bool, bHasDate);
    QFETCH(double, b);
    QFETCH(int, context);
    QFETCH(int, expected);

    const Value noteA = aHasDate ? Note(a) : DatelessNote(QStringLiteral("a"));
    const Value noteB = bHasDate ? Note(b) : DatelessNote(QStringLiteral("b"));
    QCOMPARE(CompareNoteDates(noteA, noteB, context), expected);
    QCOMPARE(CompareNoteDates(noteB, noteA, context), -expected);
    if (aHasDate) QCOMPARE(CompareDateWithNote(a, noteB, context), expected);
}

// Sorted arrays of random days, probed at every note, between notes, before and after all of them, and at
// times inside a day; the answer must be the first note not before the probe.
void tst_Dates::findNoteIndex_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("dateless");
    QTest::addColumn<quint32>("seed");

    for (int count : {0, 1, 2, 3, 4, 7, 8, 31, 64, 1000})
        QTest::addRow("%d notes", count) << count << 0 << quint32(count + 17);
    QTest::newRow("only dateless records") << 0 << 3 << 5u;
    QTest::newRow("dateless records first") << 50 << 2 << 6u;
}

void tst_Dates::findNoteIndex() {
    QFETCH(int, count);
    QFETCH(int, dateless);
    QFETCH(quint32, seed);

    QRandomGenerator random(seed);
    RecordArray      notes;
    for (int i = 0; i < dateless; ++i) notes.push_back(DatelessNote(QStringLiteral("no date %1").arg(i)));
    QDate d = QDate(1995, 1, 1).addDays(random.bounded(3000));
    for (int i = 0; i < count; ++i) {
        notes.push_back(Note(Day(d)));
        d = d.addDays(1 + random.bounded(i % 3 == 0 ? 40 : 3));
    }
    const int size = int(notes.size());

    QList<double> probes = {-1e15, 1e15, 0.0};
    if (count > 0) {
        const double first = NoteDateOrLowest(notes[size_t(dateless)]);
        const double last = NoteDateOrLowest(notes.back());
        probes << first - 86400 << first - 1 << last + 1 << last + 86400;
    }
    for (int i = dateless; i < size; ++i) {
        const double date = NoteDateOrLowest(notes[size_t(i)]);
        probes << date << date - 86400 << date + 86400 << date + 43200 << date - 0.5;
    }

    for (double probe : probes) {
        int expected = 0;
        while (expected < size && NoteDateOrLowest(notes[size_t(expected)]) < probe) ++expected;
        const int found = FindNoteIndex(notes, probe);
        if (found != expected)
            QFAIL(qPrintable(
                QStringLiteral("probe %1: %2 instead of %3").arg(probe, 0, 'f').arg(found).arg(expected)));
        const bool present = expected < size && NoteDateOrLowest(notes[size_t(expected)]) == probe;
        QCOMPARE(IsNoteAtIndex(notes, probe, found), present);
        QVERIFY(!IsNoteAtIndex(notes, probe, size));
        QVERIFY(!IsNoteAtIndex(notes, probe, -1));
        if (present && found + 1 < size) QVERIFY(!IsNoteAtIndex(notes, probe, found + 1));
    }
}

// Notes of the same day keep their order; notes without a date come first, also in their order.
void tst_Dates::sortDaynotes_data() {
    QTest::addColumn<QList<int>>("days"); // -1 is a record without a date

    QTest::newRow("empty") << QList<int>{};
    QTest::newRow("already sorted") << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("reversed") << QList<int>{5, 4, 3, 2, 1};
    QTest::newRow("equal days keep their order") << QList<int>{3, 1, 3, 2, 1, 3, 0, 1};
    QTest::newRow("dateless first") << QList<int>{4, -1, 2, -1, 0, -1};
    QTest::newRow("only dateless") << QList<int>{-1, -1, -1};
    QList<int>       many;
    QRandomGenerator random(42);
    for (int i = 0; i < 500; ++i) many << int(random.bounded(60)) - 1;
    QTest::newRow("500 shuffled with repeats") << many;
}

void tst_Dates::sortDaynotes() {
    QFETCH(QList<int>, days);

    const QString seqKey =
        QStringLiteral("Seq"); // an extra key, kept by the store, to see the original order
    RecordArray notes;
    for (int i = 0; i < days.size(); ++i) {
        Value note =
            days[i] < 0 ? DatelessNote(QStringLiteral("x")) : Note(Day(QDate(2026, 1, 1).addDays(days[i])));
        SetField(*ValueRecord(note), seqKey, Value(i));
        notes.push_back(std::move(note));
    }
    SortDaynotes(notes);

    QCOMPARE(int(notes.size()), int(days.size()));
    QList<int> order;
    for (const Value& v : notes) order << int(std::get<qint64>(FindField(*ValueRecord(v), seqKey)->v));
    QList<int> expected(days.size());
    std::iota(expected.begin(), expected.end(), 0);
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) { return days[a] < days[b]; });
    QCOMPARE(order, expected);
}

void tst_Dates::monthOnShowWithoutWindows_data() {
    QTest::addColumn<QDate>("nowDate");
    QTest::addColumn<QTime>("nowTime");

    QTest::newRow("afternoon") << QDate(2026, 12, 5) << QTime(15, 30);
    QTest::newRow("New Year's Eve, last second") << QDate(2026, 12, 31) << QTime(23, 59, 59);
    QTest::newRow("New Year, first second") << QDate(2027, 1, 1) << QTime(0, 0);
    QTest::newRow("leap day") << QDate(2024, 2, 29) << QTime(12, 0);
}

void tst_Dates::monthOnShowWithoutWindows() {
    QFETCH(QDate, nowDate);
    QFETCH(QTime, nowTime);

    SetTestClock(At(nowDate, nowTime));
    QCOMPARE(GetCalendarMonth(), nowDate.month());
    QCOMPARE(GetCalendarYear(), nowDate.year());
    QCOMPARE(GetMonthlyViewMonth(), nowDate.month());
    QCOMPARE(GetMonthlyViewYear(), nowDate.year());
    QCOMPARE(GetCurrentDay(), nowDate.day());
    QVERIFY(GetCalendarClockText().isEmpty());
}

QTEST_MAIN(tst_Dates)
#include "tst_dates.moc"
