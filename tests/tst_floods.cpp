// Floods kept in proportion: undo holds a bounded amount of text however large and many the steps, and an
// iCalendar import long enough to show its progress can be cancelled without a trace or left to finish as
// it would have at once.
#include "core/daynote_store.h"
#include "core/plist.h"
#include "core/undo.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "notes/ical_import.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QUndoStack>

using namespace Qt::StringLiterals;

namespace {

const double Day = DateToAbsTime(3, 1, 2027);

using UndoRow = std::tuple<int, qsizetype, bool>; // steps, characters a step, whether the day grows by them

// The text of the day after step k of a row that grows it by `grow` characters a step, or sets it anew.
QString StepText(int k, qsizetype size, bool grows) {
    return grows ? QString(k * size, QChar(u'a' + k % 26)).replace(0, 1, u'x')
                 : QString(size, QChar(u'a' + k % 26)) + QString::number(k);
}

// Kilobytes the process holds in memory now.
qint64 ResidentKb() {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

void SetDayText(const QString& text) {
    DaynoteChangeScope change;
    const int          index = FindNoteIndex(App().daynotes, Day);
    if (IsNoteAtIndex(App().daynotes, Day, index))
        SetRecordValue(App().daynotes, index, NoteDataKey, Value(text));
    else
        InsertStyledDaynote(Day, text, NoteStandard, NoteFontStyle{}, index, App().daynotes);
}

// A calendar of `count` all-day entries on consecutive days from 1 January 2000, one a line's worth each.
QByteArray LargeCalendar(int count) {
    QByteArray bytes = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//floods//EN\r\n";
    QDate      day(2000, 1, 1);
    for (int i = 0; i < count; ++i, day = day.addDays(1))
        bytes +=
            "BEGIN:VEVENT\r\nUID:" + QByteArray::number(i) +
            "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART;VALUE=DATE:" + day.toString(u"yyyyMMdd"_s).toLatin1() +
            "\r\nSUMMARY:Entry " + QByteArray::number(i) + "\r\nEND:VEVENT\r\n";
    return bytes + "END:VCALENDAR\r\n";
}

QWidget* ProgressWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle().startsWith(u"Importing"_s)) return w;
    return nullptr;
}

} // namespace

class TestFloods : public QObject {
    Q_OBJECT

    ZoneScope     zone{"Europe/Berlin"};
    AlertRecorder alerts;

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(3, 1, 2027, 10, 0));
        QVERIFY(SetUpProgramWindows());
    }
    void cleanup() {
        App().daynotes.clear();
        DaynoteUndoStack().clear();
    }

    // Whatever the steps, the stack keeps about 64 MB of their text at most, and what it keeps still takes
    // the day back step by step: undoing every step kept leaves the text of the step before the oldest kept.
    void undoCeiling_data() {
        AddRows<UndoRow>({{"one day grown by 256 K characters 80 times", {80, 256 << 10, true}},
                          {"one day set to 4 M characters 40 times", {40, 4 << 20, false}},
                          {"a step above the ceiling alone", {3, 40 << 20, false}},
                          {"300 small steps", {300, 100, false}}});
    }
    void undoCeiling() {
        FETCH_ROW(UndoRow, steps, size, grows);
        const qint64 before = ResidentKb();
        for (int k = 1; k <= steps; ++k) SetDayText(StepText(k, size, grows));
        const qint64 grown = ResidentKb() - before;
        const int    kept = DaynoteUndoStack().count();
        QVERIFY(kept >= 1);
        // The ceiling, the day's text with a few copies of it on the way, and room for the rest.
        const qint64 finalKb = (grows ? steps * size : size) * 2 / 1024;
        QVERIFY2(grown < 64 * 1024 + 4 * finalKb + 64 * 1024,
                 qPrintable(u"%1 MB more held after %2 steps"_s.arg(grown / 1024).arg(steps)));
        for (int k = 0; k < kept; ++k) QVERIFY(UndoDaynoteChange());
        QVERIFY(!UndoDaynoteChange());
        const int oldest = steps - kept;
        QCOMPARE(NoteOn(Day), oldest == 0 ? u"(none)"_s : StepText(oldest, size, grows));
        for (int k = 0; k < kept; ++k) QVERIFY(RedoDaynoteChange());
        QCOMPARE(NoteOn(Day), StepText(steps, size, grows));
    }

    // An import that takes more than a second shows its progress; Cancel leaves the daynotes as they were
    // and no undo step; left alone it ends as the same import done at once on the daynotes as they are by
    // then, in one undo step.
    void importInTurns_data() {
        AddRows<bool>({{"cancelled part way", true}, {"left to finish", false}}, "cancel");
    }
    void importInTurns() {
        QFETCH(bool, cancel);
        AddDaynote(1, 1, 2000, NoteKeeper, u"New Year"_s);
        AddDaynote(3, 1, 2027, NoteStandard, u"Today"_s);
        QTemporaryDir    folder;
        const QString    path = folder.filePath(u"large.ics"_s);
        const QByteArray bytes = LargeCalendar(100000);
        QVERIFY(WriteBytes(path, bytes));
        const QByteArray unchanged = WritePropertyList(Value(App().daynotes));

        SetImportQuietTime(0);
        ImportIcalendarFile(path);
        SetImportQuietTime(1000);
        QVERIFY(IcalendarImportRunning());
        QWidget* progress = ProgressWindow();
        QVERIFY(progress);
        if (cancel) {
            QTest::qWait(10); // a turn or two further
            QVERIFY(IcalendarImportRunning());
            QAbstractButton* button = nullptr;
            for (QAbstractButton* b : progress->findChildren<QAbstractButton*>())
                if (b->accessibleName() == u"Cancel"_s) button = b;
            QVERIFY(button);
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(!IcalendarImportRunning());
            QCOMPARE(WritePropertyList(Value(App().daynotes)), unchanged);
            QCOMPARE(DaynoteUndoStack().count(), 0);
            QVERIFY(alerts.alerts.isEmpty());
        } else {
            // Days the import adds to change meanwhile: one loses its daynote, one gets one.
            {
                DaynoteChangeScope change;
                RemoveRecord(App().daynotes, 0);
                AddDaynote(1, 2, 2000, NoteStandard, u"Walk"_s);
            }
            RecordArray atOnce = App().daynotes;
            QVERIFY(ImportIcalendar(bytes, atOnce, GetNow()).ok);
            QTRY_VERIFY_WITH_TIMEOUT(!IcalendarImportRunning(), 120000);
            QCOMPARE(WritePropertyList(Value(App().daynotes)), WritePropertyList(Value(atOnce)));
            QCOMPARE(DaynoteUndoStack().count(), 2);
            QCOMPARE(DaynoteUndoStack().undoText(), u"Import large.ics"_s);
            QCOMPARE(alerts.alerts.size(), 1);
            QVERIFY(alerts.alerts[0].message.startsWith(u"Imported"_s));
        }
        QTRY_VERIFY(!ProgressWindow());
    }
};

QTEST_MAIN(TestFloods)
#include "tst_floods.moc"
