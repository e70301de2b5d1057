// Holidays of a year: the dates, Easter against a computation of its own, and the Holidays window adding
// them as daynotes, with the duplicate alert and a field without a year.
#include "calendar/calendar_window.h"
#include "calendar/holidays.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "platform/windows.h"

#include <QApplication>
#include <QTest>

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

QString DayText(double date) {
    const GregorianDate d = AbsTimeToDate(date);
    return u"%1-%2 %3:%4"_s.arg(d.month).arg(d.day).arg(d.hour).arg(d.minute, 2, 10, QLatin1Char('0'));
}

QString NoteText(int month, int day, int year, int8_t* type = nullptr) {
    const RecordArray& notes = App().daynotes;
    const double       date = DateToAbsTime(month, day, year);
    const int          index = FindNoteIndex(notes, date);
    if (!IsNoteAtIndex(notes, date, index)) return u"(none)"_s;
    if (type) GetRecordByte(notes, index, NoteTypeKey, type);
    return *ValueText(*GetRecordValue(notes, index, NoteDataKey));
}

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

    void holidayDates_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("days");
        QTest::newRow("2026") << 2026 << u"1-1 2-16 3-8 4-5 5-25 5-10 6-21 7-4 9-7 11-1 11-26 12-24 12-25"_s;
        QTest::newRow("1 February a Monday")
            << 2021 << u"1-1 2-15 3-14 4-4 5-31 5-9 6-20 7-4 9-6 11-7 11-25 12-24 12-25"_s;
    }
    void holidayDates() {
        QFETCH(int, year);
        QFETCH(QString, days);
        QStringList found;
        for (const NamedDate& h : HolidaysOfYear(year)) {
            QCOMPARE(AbsTimeToDate(h.date).year, year);
            found << DayText(h.date);
        }
        // Midnight also on the days of a clock change.
        QCOMPARE(found.join(u' '), days.replace(u' ', u" 0:00 "_s) + u" 0:00"_s);
    }

    void easterEveryYear() {
        for (int year = 1583; year <= 4099; ++year) {
            const MonthDay ours = EasterSunday(year), theirs = AnonymousGregorianEaster(year);
            QVERIFY2(ours.month == theirs.month && ours.day == theirs.day, qPrintable(QString::number(year)));
        }
    }

    // Through the window as the user works it: the command, the year typed, the button.
    void addHolidays_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("runs");
        QTest::addColumn<QString>("existing"); // a standard daynote of 2026 "M-D text"
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("afterwards"); // "M-D text" of that date after the run
        const QString dup = u"There is already a daynote for ' %1' on this date in 2026"_s;
        QTest::newRow("twice") << u"2026"_s << 2 << QString() << dup.arg(u"New Years (US)"_s)
                               << u"11-26 Thanksgiving Day (US)"_s;
        QTest::newRow("standard daynote keeps its type")
            << u"2026"_s << 1 << u"7-4 Picnic"_s << QString() << u"7-4 Picnic\rIndependence Day (US)"_s;
        QTest::newRow("christmas in other capitals")
            << u"2026"_s << 1 << u"12-25 dinner: christmas (global)"_s << dup.arg(u"Christmas (Global)"_s)
            << u"12-24 Christmas Eve (Global)"_s;
        QTest::newRow("empty field") << QString() << 1 << QString() << QString() << QString();
    }
    void addHolidays() {
        QFETCH(QString, typed);
        QFETCH(int, runs);
        QFETCH(QString, existing);
        QFETCH(QString, alert);
        QFETCH(QString, afterwards);
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
            int8_t type = 0;
            QCOMPARE(NoteText(day(afterwards)[0].toInt(), day(afterwards)[1].toInt(), 2026, &type),
                     afterwards.section(u' ', 1));
            QCOMPARE(type,
                     existing.startsWith(afterwards.section(u' ', 0, 0) + u' ') ? NoteStandard : NoteHoliday);
        }
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestHolidays test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_holidays.moc"
