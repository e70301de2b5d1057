// Holidays of a year: the dates and Easter against computations of their own, and the Holidays window adding
// them as daynotes, with the duplicate alert and a field without a year.
#include "calendar/calendar_window.h"
#include "calendar/holidays.h"
#include "helpers/test_support.h"
#include "platform/beep.h"

using namespace Qt::StringLiterals;

namespace {

// Easter by the anonymous Gregorian algorithm (Meeus, Jones, Butcher): another method than the program's.
MonthDay AnonymousGregorianEaster(int year) {
    const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    return {(h + l - 7 * m + 114) / 31, (h + l - 7 * m + 114) % 31 + 1};
}

// The nth weekday (1 Monday .. 7 Sunday) of the month; n < 0 is the last one.
QDate NthWeekday(int year, int month, int weekday, int n) {
    const QDate first(year, month, 1), last(year, month, first.daysInMonth());
    return n > 0 ? first.addDays((weekday - first.dayOfWeek() + 7) % 7 + 7 * (n - 1))
                 : last.addDays(-((last.dayOfWeek() - weekday + 7) % 7));
}

using AddRow = std::tuple<QString, int, QString, QString, QString>;

} // namespace

class TestHolidays : public QObject {
    Q_OBJECT

    // The Sundays of daylight saving in the zone: a day counted in seconds would land an hour off.
    ZoneScope zone{"America/New_York"};

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 10, 0));
        QVERIFY(SetUpProgramWindows());
    }
    void cleanup() {
        DisposeDocumentWindows();
        App().daynotes.clear();
    }

    // Every rule through a 28-year cycle, which puts the first of each month on every weekday, against a
    // computation of its own; each at midnight, also on the days of a clock change.
    void holidayDates() {
        QSet<int> firstWeekdays[13];
        for (int year = 2000; year < 2028; ++year) {
            const MonthDay     easter = AnonymousGregorianEaster(year);
            const QList<QDate> expected{{year, 1, 1},
                                        NthWeekday(year, 2, 1, 3), // third Monday
                                        NthWeekday(year, 3, 7, 2), // second Sunday
                                        {year, easter.month, easter.day},
                                        NthWeekday(year, 5, 1, -1), // last Monday
                                        NthWeekday(year, 5, 7, 2),
                                        NthWeekday(year, 6, 7, 3),
                                        {year, 7, 4},
                                        NthWeekday(year, 9, 1, 1),
                                        NthWeekday(year, 11, 7, 1),
                                        NthWeekday(year, 11, 4, 4), // fourth Thursday
                                        {year, 12, 24},
                                        {year, 12, 25}};
            QStringList        wanted, found;
            for (const QDate& d : expected) {
                wanted << d.toString(u"yyyy-M-d 0:00"_s);
                firstWeekdays[d.month()].insert(QDate(year, d.month(), 1).dayOfWeek());
            }
            for (const NamedDate& h : HolidaysOfYear(year)) {
                const GregorianDate d = AbsTimeToDate(h.date);
                found << u"%1-%2-%3 %4:%5"_s.arg(d.year).arg(d.month).arg(d.day).arg(d.hour).arg(
                    d.minute, 2, 10, QLatin1Char('0'));
            }
            QCOMPARE(found, wanted);
        }
        for (int month : {2, 3, 5, 6, 9, 11}) QCOMPARE(firstWeekdays[month].size(), 7);
    }

    void easterEveryYear() {
        for (int year = 1583; year <= 4099; ++year) {
            const MonthDay ours = EasterSunday(year), theirs = AnonymousGregorianEaster(year);
            QVERIFY2(ours.month == theirs.month && ours.day == theirs.day, qPrintable(QString::number(year)));
        }
    }

    // Through the window as the user works it: the command, the year typed, the button.
    void addHolidays_data() {
        const QString dup = u"There is already a daynote for ' %1' on this date in 2026"_s;
        AddRows<AddRow>({
            {"twice",
             {u"2026"_s, 2, QString(), dup.arg(u"New Years (US)"_s), u"11-26 Thanksgiving Day (US)"_s}},
            {"standard daynote keeps its type",
             {u"2026"_s, 1, u"7-4 Picnic"_s, QString(), u"7-4 Picnic\rIndependence Day (US)"_s}},
            {"christmas in other capitals",
             {u"2026"_s, 1, u"12-25 dinner: christmas (global)"_s, dup.arg(u"Christmas (Global)"_s),
              u"12-24 Christmas Eve (Global)"_s}},
            {"empty field", {QString(), 1, QString(), QString(), QString()}},
        });
    }
    void addHolidays() {
        // A standard daynote of 2026 before, "M-D text"; the one alert if any; "M-D text" of that date after.
        FETCH_ROW(AddRow, typed, runs, existing, alert, afterwards);
        const auto day = [](const QString& text) { return text.section(u' ', 0, 0).split(u'-'); };
        if (!existing.isEmpty())
            AddDaynote(day(existing)[0].toInt(), day(existing)[1].toInt(), 2026, NoteStandard,
                       existing.section(u' ', 1));
        ShowCalendar(); // whose December cells the new daynotes mark
        AlertRecorder recorder;
        const int     beeps = BeepCount();
        for (int run = 0; run < runs; ++run) {
            QTRY_VERIFY(!FindWindowById(HolidaysWindowId)); // the last run's window is gone
            QVERIFY(TriggerMenuCommand(MakeFourCC("Crea")));
            QWidget* window = FindWindowById(HolidaysWindowId);
            QVERIFY(QTest::qWaitForWindowActive(window));
            QWidget* field = FindControl(window, HolidaysYearField);
            QCOMPARE(QApplication::focusWidget(), field);
            QTest::keyClicks(field, typed);
            QTest::mouseClick(FindControl(window, HolidaysCreateButton), Qt::LeftButton);
        }
        const bool year = !typed.isEmpty();
        // Without a year the window waits for one, with a beep; otherwise it is gone whatever happened.
        QTRY_COMPARE(FindWindowById(HolidaysWindowId) != nullptr, !year);
        QCOMPARE(BeepCount() - beeps, year ? 0 : 1);
        QCOMPARE(recorder.alerts.size(), alert.isEmpty() ? 0 : 1);
        if (!alert.isEmpty()) QCOMPARE(recorder.alerts[0].message, alert);
        QCOMPARE(int(App().daynotes.size()), year ? 13 : 0);
        if (year) {
            const double date = DateToAbsTime(day(afterwards)[0].toInt(), day(afterwards)[1].toInt(), 2026);
            int8_t       type = 0;
            QCOMPARE(NoteOn(date), afterwards.section(u' ', 1));
            QVERIFY(GetRecordByte(App().daynotes, NoteIndex(date), NoteTypeKey, &type));
            QCOMPARE(type,
                     existing.startsWith(afterwards.section(u' ', 0, 0) + u' ') ? NoteStandard : NoteHoliday);
        }
    }
};

QTEST_MAIN(TestHolidays)
#include "tst_holidays.moc"
