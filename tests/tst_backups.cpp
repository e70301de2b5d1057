// Dated backups on real files with the test clock: daily copies, the rotation over a year, restoring one.
#include "core/backups.h"
#include "core/datafiles.h"
#include "core/plist.h"
#include "helpers/test_support.h"
#include "notes/restore_backup.h"
#include "platform/list_view.h"

#include <QDir>
#include <QFile>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

RecordArray Daynotes(const QStringList& texts) {
    RecordArray notes;
    for (int i = 0; i < texts.size(); ++i)
        SetDaynote(notes, i, texts[i], DateToAbsTime(1, i + 1, 2026), NoteStandard, NoteFontStyle{});
    return notes;
}

QByteArray Bytes(const RecordArray& notes) {
    return WritePropertyList(Value(notes));
}

void SetDay(const QDate& d) {
    SetTestClock(DateTimeToAbsTime(d.month(), d.day(), d.year(), 12, 0));
}

// The backups of one file, by date.
QList<QDate> BackupDates(const QString& fileName) {
    QList<QDate> dates;
    for (const QString& name : QDir(BackupFolder()).entryList(QDir::Files))
        if (name.startsWith(fileName + u' ') && name.size() == fileName.size() + 11)
            dates << QDate::fromString(name.right(10), u"yyyy-MM-dd"_s);
    std::sort(dates.begin(), dates.end());
    return dates;
}

using RestoreRow = std::pair<int, bool>;

} // namespace

class TestBackups : public QObject {
    Q_OBJECT

    ZoneScope   zone{"Europe/Berlin"};
    LocaleScope locale{"en_US"};

  private slots:
    void initTestCase() { QVERIFY(SetUpProgramWindows()); }

    void init() {
        QDir(GetDataFileURL(QString())).removeRecursively();
        QFile::remove(PreferencesFilePath());
    }
    void cleanup() { DisposeDocumentWindows(); }

    void oneBackupBeforeTheFirstSaveOfADay() {
        SetDay(QDate(2026, 12, 6));
        QVERIFY(SaveRecordFile(Daynotes({u"monday"_s}), DaynoteFileName));
        QVERIFY(SaveRecordFile(Daynotes({u"event"_s}), EventFileName));
        QVERIFY(PrefSync());
        QVERIFY(BackupDates(DaynoteFileName).isEmpty()); // nothing saved before: nothing to keep

        SetDay(QDate(2026, 12, 7));
        for (const QString& text : {u"tuesday"_s, u"later"_s, u"later"_s}) {
            QVERIFY(SaveRecordFile(Daynotes({text}), DaynoteFileName));
            QVERIFY(SaveRecordFile(Daynotes({text}), EventFileName));
            PrefSetInt(u"Saves"_s, int(text.size()));
            QVERIFY(PrefSync());
        }
        // Complete when the save returns: nothing is left writing into the folder (a removal of it right
        // after a save once failed for that).
        const QList<QDate> today{QDate(2026, 12, 7)};
        QCOMPARE(BackupDates(DaynoteFileName), today);
        QCOMPARE(BackupDates(EventFileName), today);
        QCOMPARE(BackupDates(QFileInfo(PreferencesFilePath()).fileName()), today);
        // The file as it was before the day's first save.
        QCOMPARE(ReadBytes(BackupFolder() + u"/VRDX DayNotes 2026-12-07"_s), Bytes(Daynotes({u"monday"_s})));
        QCOMPARE(QDir(BackupFolder()).entryList(QDir::Files).size(), 3); // no temporary left behind
    }

    // A save every day of a year leaves the 14 newest copies and the first of each of the 12 newest months.
    void rotationOverAYear() {
        const QDate first(2026, 1, 1), last(2026, 12, 31);
        for (QDate d = first; d <= last; d = d.addDays(1)) {
            SetDay(d);
            QVERIFY(SaveRecordFile(Daynotes({d.toString()}), DaynoteFileName));
        }
        QSet<QDate> expected;
        for (int i = 0; i < DailyBackupsKept; ++i) expected << last.addDays(-i);
        expected << QDate(2026, 1, 2); // the file first existed on the 1st: January's first copy is the 2nd
        for (int month = 2; month <= 12; ++month) expected << QDate(2026, month, 1);
        const QList<QDate> kept = BackupDates(DaynoteFileName);
        QCOMPARE(QSet<QDate>(kept.begin(), kept.end()), expected);
        QCOMPARE(kept.size(), DailyBackupsKept + MonthlyBackupsKept);
        // The copy of 1 March holds the file of the day before.
        QCOMPARE(ReadBytes(BackupFolder() + u"/VRDX DayNotes 2026-03-01"_s),
                 Bytes(Daynotes({QDate(2026, 2, 28).toString()})));
    }

    // A damaged backup is refused even when the user confirms, also past the window's check.
    void restore_data() {
        AddRows<RestoreRow>({{"confirmed", {AlertFirstButton, false}},
                             {"cancelled", {AlertSecondButton, false}},
                             {"damaged backup, confirmed", {AlertFirstButton, true}}});
    }
    void restore() {
        FETCH_ROW(RestoreRow, answer, damaged);
        const RecordArray earlier = Daynotes({u"first"_s, u"second"_s}), now = Daynotes({u"changed"_s});
        const QString     damagedFile = BackupFolder() + u"/VRDX DayNotes 2026-12-01"_s;
        SetDay(QDate(2026, 12, 6));
        if (!damaged) QVERIFY(SaveRecordFile(earlier, DaynoteFileName));
        SetDay(QDate(2026, 12, 7));
        App().daynotes = now;
        QVERIFY(SaveDaynoteFile(App().daynotes));
        if (damaged)
            QVERIFY(QDir().mkpath(BackupFolder()) &&
                    WriteTextFile(u"<?xml version=\"1.0\"?><plist><array><dict><key>x</key>"_s, damagedFile));
        AlertRecorder recorder;
        recorder.answer = answer;
        RunCommand(MakeFourCC("RBak"));
        QWidget* window = FindWindowById(RestoreBackupWindowId);
        QVERIFY(window);
        QWidget* list = FindControl(window, RestoreBackupList);
        QCOMPARE(ListRowCount(list), 1);
        QCOMPARE(GetListCellText(list, 1, 1), damaged ? u"damaged"_s : u"2"_s); // daynotes in the backup
        ClickIn(window, RestoreBackupButton);
        QCOMPARE(recorder.alerts.size(), 1);
        if (damaged) {
            QCOMPARE(recorder.alerts[0].message, u"This backup cannot be restored"_s);
            QVERIFY(RestoreDaynotesFrom(damagedFile, App().daynotes).isEmpty());
        }
        const bool        restored = answer == AlertFirstButton && !damaged;
        const QStringList aside =
            QDir(GetDataFileURL(QString())).entryList({u"VRDX DayNotes (before restore*"_s}, QDir::Files);
        QCOMPARE(Bytes(App().daynotes), Bytes(restored ? earlier : now));
        QCOMPARE(ReadBytes(GetDataFileURL(DaynoteFileName)), Bytes(restored ? earlier : now));
        QCOMPARE(aside.size(), restored ? 1 : 0);
        if (restored) QCOMPARE(ReadBytes(GetDataFileURL(aside[0])), Bytes(now));
        QCOMPARE(FindWindowById(RestoreBackupWindowId) != nullptr, !restored);
    }
};

QTEST_MAIN(TestBackups)
#include "tst_backups.moc"
