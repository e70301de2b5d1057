// Tests of start-up housekeeping: removal of old daynotes by age, and the half-second tick with sleep.
#include "core/dates.h"
#include "core/records.h"
#include "core/startup.h"
#include "helpers/zone_scope.h"
#include "platform/clock.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTest>
#include <tuple>

namespace {

double At(const QDate& d, const QTime& t) {
    return DateTimeToAbsTime(d.month(), d.day(), d.year(), t.hour(), t.minute()) + t.second();
}

void AddDaynote(RecordArray& notes, const QDate& d, int type) {
    SetDaynote(notes, int(notes.size()), QStringLiteral("note"), DateToAbsTime(d.month(), d.day(), d.year()),
               int8_t(type), {});
}

} // namespace

class tst_Startup : public QObject {
    Q_OBJECT
    ZoneScope zone{"Europe/Berlin"}; // 29 March and 25 October 2026 last 23 and 25 hours

  private slots:
    void cleanup() {
        ClearTestClock();
        SetAsleep(false);
    }
    void cleanupTestCase() { InstallTick(1e6, 1e6); } // no further ticks while the program winds down

    // Whole days count, not hours, also over a 23- or 25-hour day; an age outside 1..9999 is 9999.
    void autoDeleteByAge() {
        const QDate d(2026, 12, 5);
        using A = std::tuple<QDate, QTime, int, int, bool>; // today, now, age, days old, kept
        for (auto [today, time, age, daysOld, kept] :
             {A{d, {0, 0}, 30, 31, false}, A{d, {23, 59, 59}, 30, 30, true}, A{d, {12, 0}, 0, 9999, true},
              A{d, {12, 0}, 0, 10000, false}, A{d, {12, 0}, 10000, 9999, true},
              A{d, {12, 0}, 10000, 10000, false}, A{{2026, 3, 30}, {0, 0}, 1, 2, false},
              A{{2026, 10, 26}, {0, 0}, 1, 1, true}}) {
            SetTestClock(At(today, time));
            RecordArray notes;
            AddDaynote(notes, today.addDays(-daysOld), NoteStandard);
            AutoDeleteOldDaynotes(notes, age);
            QVERIFY2(notes.size() == size_t(kept), qPrintable(QStringLiteral("%1 days old").arg(daysOld)));
        }
    }

    // At age 30 a note 30 days old stays and one 31 days old goes, keepers and future notes stay whatever
    // their age, and so does a record without a date; survivors keep their order.
    void autoDeleteKeepsOrder() {
        const QDate today(2026, 12, 5);
        SetTestClock(At(today, QTime(15, 30)));
        RecordArray notes;
        RecordArray expected;
        for (int daysOld : {45, 3, 31, 30, 400, -2, 0, 90, -400, 29})
            for (int type = NoteStandard; type <= NoteKeeper; ++type) {
                AddDaynote(notes, today.addDays(-daysOld), type);
                if (daysOld <= 30 || type == NoteKeeper) expected.push_back(notes.back());
            }
        SetRecordValue(notes, int(notes.size()), NoteDataKey, Value(QStringLiteral("no date")));
        expected.push_back(notes.back());
        AutoDeleteOldDaynotes(notes, 30);
        QVERIFY(notes == expected);
    }

    void tickFirstAtOnceThenInterval() {
        const long before = TickCount();
        InstallTick(0, 0.5);
        QCOMPARE(TickCount(), before); // the tick runs from the event loop, not from InstallTick
        QTRY_COMPARE_WITH_TIMEOUT(TickCount(), before + 1, 2000);
        // The wait starts once the previous tick was seen, so it can only come out shorter than the spacing.
        for (long n = before + 2; n <= before + 3; ++n) {
            QElapsedTimer timer;
            timer.start();
            QTRY_VERIFY_WITH_TIMEOUT(TickCount() >= n, 3000);
            QVERIFY2(timer.elapsed() >= 400, qPrintable(QStringLiteral("after %1 ms").arg(timer.elapsed())));
            QCOMPARE(TickCount(), n); // one tick at a time
        }
    }

    void asleepStopsTicks() {
        InstallTick(0, 0.5);
        SetAsleep(true); // before even the first tick
        const long asleep = TickCount();
        QTest::qWait(1300); // two intervals and more
        TickEntry();
        QCOMPARE(TickCount(), asleep);
        SetAsleep(false);
        TickEntry();
        QCOMPARE(TickCount(), asleep + 1);
        QTRY_VERIFY_WITH_TIMEOUT(TickCount() > asleep + 1, 2000);
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
