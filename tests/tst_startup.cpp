// Start-up: removal of old daynotes by age, the tick and sleep, the help tags, and a damaged daynote file
// that cannot be set aside.
#include "core/backups.h"
#include "core/datafiles.h"
#include "core/startup.h"
#include "helpers/test_support.h"

#include <QDir>

namespace {

void AddDaynote(RecordArray& notes, const QDate& d, int type) {
    SetDaynote(notes, int(notes.size()), QStringLiteral("note"), DateToAbsTime(d.month(), d.day(), d.year()),
               int8_t(type), {});
}

} // namespace

class tst_Startup : public QObject {
    Q_OBJECT
    ZoneScope zone{"Europe/Berlin"}; // 29 March and 25 October 2026 last 23 and 25 hours

  private slots:
    void initTestCase() { UsePrivateHome(); }
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
             {A{d, {0, 0}, 30, 31, false}, A{d, {23, 59, 59}, 30, 30, true}, A{d, {12, 0}, 0, 10000, false},
              A{d, {12, 0}, 10000, 9999, true}, A{{2026, 3, 30}, {0, 0}, 1, 2, false},
              A{{2026, 10, 26}, {0, 0}, 1, 1, true}}) {
            SetTestClock(AbsTime(today, time));
            RecordArray notes;
            AddDaynote(notes, today.addDays(-daysOld), NoteStandard);
            AutoDeleteOldDaynotes(notes, age);
            QVERIFY2(notes.size() == size_t(kept), qPrintable(QStringLiteral("%1 days old").arg(daysOld)));
        }
    }

    // At age 30 a note 30 days old stays and one 31 days old goes, keepers (also typed as reals) and future
    // notes stay whatever their age, and so does a record without a date; survivors keep their order.
    void autoDeleteKeepsOrder() {
        const QDate today(2026, 12, 5);
        SetTestClock(AbsTime(today, QTime(15, 30)));
        RecordArray notes;
        RecordArray expected;
        for (int daysOld : {45, 3, 31, 30, 400, -2, 0, 90, -400, 29})
            for (int type = NoteStandard; type <= NoteKeeper; ++type) {
                AddDaynote(notes, today.addDays(-daysOld), type);
                if (daysOld <= 30 || type == NoteKeeper) expected.push_back(notes.back());
            }
        // Types as other writers store them: a real 4 is a keeper; a real 1, or a number that would wrap
        // round to 4 in a byte, is not.
        for (const Value& type : {Value(4.0), Value(1.0), Value(qint64(260))}) {
            AddDaynote(notes, today.addDays(-400), NoteStandard);
            SetRecordValue(notes, int(notes.size()) - 1, NoteTypeKey, type);
            if (type == Value(4.0)) expected.push_back(notes.back());
        }
        SetRecordValue(notes, int(notes.size()), NoteDataKey, Value(QStringLiteral("no date")));
        expected.push_back(notes.back());
        AutoDeleteOldDaynotes(notes, 30);
        QVERIFY(notes == expected);
    }

    // The first tick comes from the event loop, not from InstallTick; asleep, no tick runs, and waking
    // brings them back.
    void ticksAndSleep() {
        const long before = TickCount();
        InstallTick(0, 0.5);
        QCOMPARE(TickCount(), before);
        QTRY_COMPARE_WITH_TIMEOUT(TickCount(), before + 1, 2000);
        SetAsleep(true);
        const long asleep = TickCount();
        QTest::qWait(1300); // two intervals and more
        TickEntry();
        QCOMPARE(TickCount(), asleep);
        SetAsleep(false);
        TickEntry();
        QCOMPARE(TickCount(), asleep + 1);
    }

    // The preference switches every tooltip of the program on or off.
    void helpTagsAtStartUp_data() { AddRows<bool>({{"help tags off", false}, {"help tags on", true}}, "on"); }
    void helpTagsAtStartUp() {
        QFETCH(bool, on);
        PrefSetBool(HelpTagsKey, on);
        QVERIFY(PrefSync());
        AlertRecorder recorder;
        QVERIFY(InitializeApplication());
        QWidget tagged;
        tagged.setToolTip(QStringLiteral("a help tag"));
        tagged.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tagged));
        QCOMPARE(ShownTip(&tagged).isEmpty(), !on);
    }

    // Last, as it quits. A damaged daynote file that cannot be moved aside stops the start-up, and nothing
    // is written over it, not even by the quit that follows.
    void unmovableDamagedFileStopsStartUp() {
        // So deep that the file and a temporary file beside it fit in a path, but the longer set-aside name
        // does not: the rename fails as it would on a read-only disk, which root could still write.
        const QString tail = QStringLiteral("/VRDX/") + DaynoteFileName;
        QString       deep = QDir::homePath() + QStringLiteral("/deep");
        while (deep.size() + tail.size() < 4070)
            deep += QLatin1Char('/') + QString(qMin(200, 4070 - int(deep.size() + tail.size()) - 1), u'd');
        const QString    path = deep + tail;
        const QByteArray damaged = "<?xml version=\"1.0\"?><plist><array><dict><key>NoteDataKey</key>";
        QVERIFY(QDir().mkpath(deep + QStringLiteral("/VRDX")));
        QVERIFY(WriteBytes(path, damaged));
        qputenv("XDG_DATA_HOME", QFile::encodeName(deep));
        App() = AppState{}; // as in a new process: nothing loaded yet
        AlertRecorder recorder;
        QVERIFY(!InitializeApplication());
        QCOMPARE(recorder.alerts.size(), 1);
        QVERIFY2(recorder.alerts[0].informative.contains(path), qPrintable(recorder.alerts[0].informative));
        QuitSequence();
        QCOMPARE(ReadBytes(path), damaged);
        QStringList left =
            QDir(deep + QStringLiteral("/VRDX")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        left.removeOne(BackupFolderName); // the preferences' daily copy has its folder there
        QCOMPARE(left, QStringList{DaynoteFileName});
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
