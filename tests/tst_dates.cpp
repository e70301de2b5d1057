// Tests of the calendar date layer: day boundaries, weeks, month names, differences, shifts and note search.
#include "helpers/test_support.h"

#include <QRandomGenerator>
#include <algorithm>
#include <limits>
#include <numeric>
#include <optional>

namespace {

double Day(const QDate& d) {
    return DateToAbsTime(d.month(), d.day(), d.year());
}

QList<double> Units(const GregorianUnits& u) {
    return {double(u.years), double(u.months), double(u.days), double(u.hours), double(u.minutes), u.seconds};
}

const QString SeqKey = QStringLiteral("Seq"); // an extra key, kept by the store, to see the original order

// A daynote on `date`, or without a date.
Value Note(std::optional<double> date, int seq = 0) {
    Record r;
    SetField(r, NoteDataKey, Value(QStringLiteral("note")));
    if (date) SetField(r, NoteDateKey, Value(DateValue{*date}));
    SetField(r, SeqKey, Value(seq));
    return Value(std::move(r));
}

double NoteDateOrLowest(const Value& v) {
    double d = -std::numeric_limits<double>::infinity();
    RecordDate(*ValueRecord(v), NoteDateKey, &d);
    return d;
}

} // namespace

class tst_Dates : public QObject {
    Q_OBJECT
    ZoneScope   zone{"America/New_York"};
    LocaleScope locale{"en_US"};

  private slots:
    void initTestCase() { QVERIFY(locale.Succeeded()); }
    void cleanup() { ClearTestClock(); }

    void monthLengthsWeekdaysAndWeeks() {
        using M = std::tuple<int, int, int>;
        for (auto [month, year, days] : {M{2, 2024, 29}, M{2, 2023, 28}, M{2, 1900, 28}, M{2, 2000, 29},
                                         M{4, 2026, 30}, M{12, 2026, 31}})
            QCOMPARE(GetDaysInMonth(month, year), days);

        // Late in the evening the day in UTC is already the next one; the local day counts.
        for (const QTime& t : {QTime(0, 0), QTime(23, 59, 59)}) {
            QCOMPARE(GetDayOfWeek(AbsTime(QDate(2026, 12, 5), t)), 6);
            QCOMPARE(GetDayOfWeek(AbsTime(QDate(2026, 12, 6), t)), 7);
            QCOMPARE(GetDayOfWeek(AbsTime(QDate(2026, 12, 7), t)), 1);
        }

        using W = std::tuple<QDate, QTime, int>;
        for (auto [date, time, week] :
             {W{{2025, 12, 28}, {23, 59, 59}, 52}, W{{2025, 12, 29}, {0, 0}, 1}, W{{2024, 12, 31}, {0, 0}, 1},
              W{{2027, 1, 1}, {12, 0}, 53}, W{{2021, 1, 3}, {23, 59, 59}, 53}, W{{2021, 1, 4}, {0, 0}, 1}})
            QCOMPARE(GetWeekOfYear(AbsTime(date, time)), week);
        QCOMPARE(WeekNumberText(Day(QDate(2027, 1, 1))), QStringLiteral("( Week:53 )"));
    }

    // Event dates go to a text field as "dd  LLLL  yyyy" and must come back as the very same day.
    void monthNameRoundTrip_data() {
        QTest::addColumn<QByteArray>("name");
        for (const char* name : {"en_US", "pl_PL", "ar_EG"}) QTest::newRow(name) << QByteArray(name);
    }
    void monthNameRoundTrip() {
        QFETCH(QByteArray, name);
        LocaleScope l(name.constData());
        QVERIFY(l.Succeeded());
        for (QDate d(2024, 1, 1); d.year() == 2024; d = d.addDays(1)) {
            const QString text = FormatDate(QStringLiteral("dd  LLLL  yyyy"), Day(d));
            int           month = -1, day = -1, year = -1;
            const bool    parsed = ParseDayMonthYear(text, QStringLiteral("  "), &month, &day, &year);
            QVERIFY2(parsed && QDate(year, month, day) == d,
                     qPrintable(d.toString(Qt::ISODate) + " " + text));
        }
    }

    void parseAndDisplayTexts() {
        using P = std::pair<QString, QList<int>>; // day, month, year; -1 when left as it was
        for (const auto& [text, dmy] :
             {P{QString(), {-1, -1, -1}}, P{"05", {-1, -1, -1}}, P{"05  December", {-1, -1, -1}},
              P{"5  December  2026", {5, 12, 2026}}, P{"01  January  2027  ( Week:53 )", {1, 1, 2027}},
              P{"05  Smarch  2026", {5, 0, 2026}}}) {
            int m = -1, d = -1, y = -1;
            QCOMPARE(ParseDayMonthYear(text, QStringLiteral("  "), &m, &d, &y), dmy[0] != -1);
            QCOMPARE(QList<int>({d, m, y}), dmy);
        }
        for (const QTime& time : {QTime(0, 0), QTime(23, 59, 59)}) {
            QCOMPARE(DayMonthYearText(false, AbsTime(QDate(2026, 12, 5), time)),
                     QStringLiteral("5 December 2026"));
            QCOMPARE(DayMonthYearText(true, AbsTime(QDate(2026, 12, 5), time)),
                     QStringLiteral("5 December "));
        }
    }

    // Days begin at 00:00, or at the first moment after it where a clock change skips midnight.
    void dayBoundaries() {
        using B = std::tuple<const char*, QDate, int, int>; // zone, day, its hours, the hour it begins
        for (auto [zoneName, date, hours, firstHour] :
             {B{"Europe/Berlin", {2026, 3, 29}, 23, 0}, B{"Europe/Berlin", {2026, 10, 25}, 25, 0},
              B{"America/Santiago", {2026, 9, 6}, 23, 1}}) {
            ZoneScope    z(zoneName);
            const double start = Day(date), next = Day(date.addDays(1));
            QCOMPARE(next - start, hours * 3600.0);
            QCOMPARE(AddDateUnits(Day(date.addDays(-1)), 1, AddDays), start);
            QCOMPARE(AddDateUnits(next, -1, AddDays), start);
            QCOMPARE(GetDifferenceUnits(next, start, UnitHours | UnitMinutes | UnitSeconds).hours, hours);
            if (firstHour == 0) { // else a day later is 01:00
                QCOMPARE(AddDateUnits(start, 1, AddDays), next);
                QCOMPARE(Units(GetDifferenceUnits(next, start, UnitDays)), Units({0, 0, 1, 0, 0, 0}));
            }
            const GregorianDate g = AbsTimeToDate(start);
            QCOMPARE(QList<int>({g.year, g.month, g.day, g.hour, g.minute}),
                     QList<int>({date.year(), date.month(), date.day(), firstHour, 0}));
            QCOMPARE(AbsTimeToDate(start - 1).day, date.addDays(-1).day());
            QCOMPARE(StartOfDay(next - 1), start);
            QCOMPARE(StartOfDay(next), next);
        }
    }

    // Each unit counts what the larger units in the mask left over; a negative difference is truncated
    // toward zero unit by unit, so it need not mirror the positive one.
    void differenceUnits() {
        const QDate a(2020, 3, 10), b(2026, 12, 5);
        using D = std::tuple<QDate, QTime, QDate, QTime, int, GregorianUnits>;
        for (const auto& [fromDate, fromTime, toDate, toTime, mask, units] :
             {D{a, {0, 0}, b, {0, 0}, 7, {6, 8, 25, 0, 0, 0}},
              D{b, {0, 0}, a, {0, 0}, 7, {-6, -8, -26, 0, 0, 0}},
              D{a, {12, 0}, b, {11, 59}, 7, {6, 8, 24, 0, 0, 0}},
              D{{2026, 1, 31}, {0, 0}, {2026, 3, 1}, {0, 0}, 7, {0, 1, 1, 0, 0, 0}},
              D{b, {10, 0}, b, {11, 30, 15, 500}, 56, {0, 0, 0, 1, 30, 15.5}},
              D{{2026, 12, 3}, {22, 0}, b, {1, 15, 30}, 56, {0, 0, 0, 27, 15, 30}},
              D{b, {10, 1, 30, 250}, b, {10, 0}, 56, {0, 0, 0, 0, -1, -30.25}}})
            QCOMPARE(Units(GetDifferenceUnits(AbsTime(toDate, toTime), AbsTime(fromDate, fromTime), mask)),
                     Units(units));

        // Elapsed time runs from the event to now: an anniversary today is a whole number of years.
        SetTestClock(AbsTime(b, QTime(0, 0)));
        QCOMPARE(Units(GetElapsedUnits(Day(QDate(1996, 12, 5)), 7)), Units({30, 0, 0, 0, 0, 0}));
        SetTestClock(AbsTime(b, QTime(23, 59, 59)));
        QCOMPARE(Units(GetElapsedUnits(Day(QDate(1996, 12, 6)), 7)), Units({29, 11, 29, 0, 0, 0}));
    }

    void addDateUnits() {
        const QDate d(2026, 12, 5);
        using A = std::tuple<QDate, int, int, QDate>;
        for (auto [from, amount, unit, to] :
             {A{d, 5, 0, d}, A{d, 5, 4, d}, A{d, 27, AddDays, {2027, 1, 1}},
              A{d, -13, AddMonths, {2025, 11, 5}}, A{{2026, 1, 31}, 1, AddMonths, {2026, 2, 28}},
              A{{2024, 1, 31}, 1, AddMonths, {2024, 2, 29}}, A{{2024, 2, 29}, 1, AddYears, {2025, 2, 28}},
              A{{2026, 3, 7}, 1, AddDays, {2026, 3, 8}}})
            QCOMPARE(AddDateUnits(AbsTime(from, QTime(14, 45, 30)), amount, unit),
                     AbsTime(to, QTime(14, 45, 30)));
    }

    // Sorted random days, probed at, between, before and after the notes, against a linear search.
    void findNoteIndex_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("dateless"); // records without a date, which come first
        for (auto [count, dateless] : {std::pair{0, 0}, {1000, 0}, {0, 3}, {50, 2}})
            QTest::addRow("%d + %d", count, dateless) << count << dateless;
    }
    void findNoteIndex() {
        QFETCH(int, count);
        QFETCH(int, dateless);
        QRandomGenerator random(quint32(count * 31 + dateless));
        RecordArray      notes;
        for (int i = 0; i < dateless; ++i) notes.push_back(Note(std::nullopt));
        QDate d = QDate(1995, 1, 1).addDays(random.bounded(3000));
        for (int i = 0; i < count; ++i, d = d.addDays(1 + random.bounded(i % 3 == 0 ? 40 : 3)))
            notes.push_back(Note(Day(d)));

        const int     size = int(notes.size());
        QList<double> probes = {-1e15, 1e15, 0.0};
        for (int i = dateless; i < size; ++i) {
            const double date = NoteDateOrLowest(notes[size_t(i)]);
            probes << date << date - 86400 << date + 86400 << date + 43200 << date - 0.5;
        }
        for (double probe : probes) {
            int expected = 0;
            while (expected < size && NoteDateOrLowest(notes[size_t(expected)]) < probe) ++expected;
            const int found = FindNoteIndex(notes, probe);
            QVERIFY2(found == expected,
                     qPrintable(QString::number(probe, 'f') + " " + QString::number(found)));
            const bool present = expected < size && NoteDateOrLowest(notes[size_t(expected)]) == probe;
            QCOMPARE(IsNoteAtIndex(notes, probe, found), present);
            QVERIFY(!IsNoteAtIndex(notes, probe, size) && !IsNoteAtIndex(notes, probe, -1));
            if (present && found + 1 < size) QVERIFY(!IsNoteAtIndex(notes, probe, found + 1));
        }
    }

    // Notes of the same day keep their order; notes without a date (-1) come first, also in their order.
    void sortDaynotes() {
        QList<int>       many;
        QRandomGenerator random(42);
        for (int i = 0; i < 500; ++i) many << int(random.bounded(60)) - 1;
        for (const QList<int>& days : {QList<int>{3, 1, 3, 2, 1, 3, 0, 1}, {4, -1, 2, -1, 0, -1}, many}) {
            RecordArray notes;
            for (int i = 0; i < days.size(); ++i)
                notes.push_back(Note(
                    days[i] < 0 ? std::nullopt : std::optional(Day(QDate(2026, 1, 1).addDays(days[i]))), i));
            SortDaynotes(notes);

            QList<int> order, expected(days.size());
            for (const Value& v : notes)
                order << int(std::get<qint64>(FindField(*ValueRecord(v), SeqKey)->v));
            std::iota(expected.begin(), expected.end(), 0);
            std::stable_sort(expected.begin(), expected.end(),
                             [&](int a, int b) { return days[a] < days[b]; });
            QCOMPARE(order, expected);
        }
    }
};

QTEST_MAIN(tst_Dates)
#include "tst_dates.moc"
