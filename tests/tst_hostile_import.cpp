// iCalendar files built to hang, flood or fool the import: each one ends, refused with a reason and the
// daynotes untouched, or imported within its limits. Also the unsupported-file alerts of a flood of files.
#include "core/plist.h"
#include "core/startup.h"
#include "helpers/test_support.h"
#include "notes/ical_import.h"

#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray Calendar(const QByteArray& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//hostile//EN\r\n" + body + "END:VCALENDAR\r\n";
}

QByteArray Event(const QByteArray& lines) {
    return "BEGIN:VEVENT\r\nUID:x\r\nSUMMARY:Hostile\r\n" + lines + "END:VEVENT\r\n";
}

// The line (from 1) of the first line that starts with the text.
int LineOf(const QByteArray& bytes, const QByteArray& start) {
    const qsizetype at = bytes.indexOf("\n" + start);
    return at < 0 ? 0 : int(bytes.left(at + 1).count('\n')) + 1;
}

double DateOf(const Value& note) {
    double date = 0;
    return ValueRecord(note) && RecordDate(*ValueRecord(note), NoteDateKey, &date) ? date : 0;
}

using UnsupportedFilesJoinOneAlertRow = std::tuple<int, QString>;

} // namespace

class TestHostileImport : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { UsePrivateHome(); }

    void hostileFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");  // part of the refusal's reason; empty when imported
        QTest::addColumn<QByteArray>("line"); // start of the line the refusal names; empty for none
        QTest::addColumn<int>("added");       // new daynotes when imported; -1 for "some"

        const QByteArray secondly = "RRULE:FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30";
        QTest::newRow("never-matching rule by the second")
            << Calendar(Event("DTSTART:20240101T000000Z\r\n" + secondly + "\r\n")) << u"repeats too often"_s
            << secondly << 0;
        QTest::newRow("never-matching daily rule with a count")
            << Calendar(Event(
                   "DTSTART;VALUE=DATE:20240101\r\nRRULE:FREQ=DAILY;COUNT=3;BYMONTH=2;BYMONTHDAY=30\r\n"))
            << QString() << QByteArray() << 0;
        QTest::newRow("every minute for two years")
            << Calendar(Event("DTSTART:20230601T000000Z\r\nRRULE:FREQ=MINUTELY\r\n"))
            << u"repeats too often"_s << "RRULE:FREQ=MINUTELY"_ba << 0;
        const QByteArray zoneRule = "RRULE:FREQ=SECONDLY";
        QTest::newRow("time zone repeating by the second")
            << Calendar("BEGIN:VTIMEZONE\r\nTZID:Hostile\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
                        "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\n" +
                        zoneRule + "\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n" +
                        Event("DTSTART;TZID=Hostile:20240601T100000\r\n"))
            << u"time zone"_s << zoneRule << 0;
        QByteArray spans;
        for (int i = 0; i < 150; ++i)
            spans += "BEGIN:VEVENT\r\nUID:s" + QByteArray::number(i) + "\r\nSUMMARY:Span " +
                     QByteArray::number(i) +
                     "\r\nDTSTART;VALUE=DATE:20240101\r\nDTEND;VALUE=DATE:20260101\r\nRRULE:FREQ=DAILY\r\n"
                     "END:VEVENT\r\n";
        QTest::newRow("150 daily two-year spans") << Calendar(spans) << QString() << QByteArray() << -1;
        QByteArray oneDay;
        for (int i = 0; i < 100000; ++i)
            oneDay += "BEGIN:VEVENT\r\nSUMMARY:Entry " + QByteArray::number(i) +
                      "\r\nDTSTART;VALUE=DATE:20240610\r\nEND:VEVENT\r\n";
        QTest::newRow("100,000 entries on one day")
            << Calendar(oneDay) << u"longer than 100,000 characters"_s << QByteArray() << 0;
        QTest::newRow("end in year 10000")
            << Calendar(Event("DTSTART;VALUE=DATE:20240601\r\nDTEND;VALUE=DATE:99999999\r\n"))
            << u"no such date"_s << "DTEND"_ba << 0;
        QTest::newRow("start in year 10000") << Calendar(Event("DTSTART;VALUE=DATE:100000101\r\n"))
                                             << u"outside the years"_s << "DTSTART"_ba << 0;
        QTest::newRow("30 February as a rule's end")
            << Calendar(Event("DTSTART;VALUE=DATE:20240201\r\nRRULE:FREQ=DAILY;UNTIL=20240230\r\n"))
            << u"no such date"_s << "RRULE"_ba << 0;
        QTest::newRow("one summary of 200,000 characters")
            << Calendar("BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20240610\r\nSUMMARY:" + QByteArray(200000, 'x') +
                        "\r\nEND:VEVENT\r\n")
            << u"longer than 100,000 characters"_s << QByteArray() << 0;
        QTest::newRow("one line of 20 MB")
            << Calendar("BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20240610\r\nSUMMARY:" +
                        QByteArray(20 << 20, 'x') + "\r\nEND:VEVENT\r\n")
            << u"longer than 1 MB"_s << "SUMMARY"_ba << 0;
        QTest::newRow("larger than 50 MB")
            << Calendar(
                   Event("DTSTART;VALUE=DATE:20240610\r\nDESCRIPTION:" + QByteArray(51 << 20, 'x') + "\r\n"))
            << u"larger than 50 MB"_s << QByteArray() << 0;
        QTest::newRow("a good daily rule")
            << Calendar(Event("DTSTART;VALUE=DATE:20240601\r\nRRULE:FREQ=DAILY;COUNT=10\r\n")) << QString()
            << QByteArray() << 9; // and 10 June, which was there
    }
    void hostileFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QFETCH(QByteArray, line);
        QFETCH(int, added);
        RecordArray notes;
        SetDaynote(notes, 0, u"Before"_s, DateToAbsTime(6, 10, 2024), NoteStandard, {});
        const RecordArray      before = notes;
        const IcalImportResult result = ImportIcalendar(bytes, notes, DateTimeToAbsTime(6, 15, 2024, 12, 0));
        if (!reason.isEmpty()) {
            QVERIFY(!result.ok);
            QVERIFY2(result.reason.contains(reason), qPrintable(result.reason));
            QCOMPARE(result.failedLine, line.isEmpty() ? 0 : LineOf(bytes, line));
            QVERIFY(notes == before);
            return;
        }
        QVERIFY2(result.ok, qPrintable(result.reason + u' ' + result.failedText.left(100)));
        if (added >= 0)
            QCOMPARE(result.added, added);
        else
            QVERIFY(result.added > 0);
        for (size_t i = 1; i < notes.size(); ++i) QVERIFY(DateOf(notes[i - 1]) < DateOf(notes[i]));
    }

    // Many spans over one day: the day holds each summary once, after what it held.
    void spansShareTheirDays() {
        QByteArray body;
        for (int i = 0; i < 3; ++i)
            body +=
                "BEGIN:VEVENT\r\nSUMMARY:Span " + QByteArray::number(i) +
                "\r\nDTSTART;VALUE=DATE:20240601\r\nDTEND;VALUE=DATE:20240701\r\nRRULE:FREQ=DAILY;COUNT=5\r\n"
                "END:VEVENT\r\n";
        RecordArray notes;
        SetDaynote(notes, 0, u"Before"_s, DateToAbsTime(6, 10, 2024), NoteStandard, {});
        const IcalImportResult result =
            ImportIcalendar(Calendar(body), notes, DateTimeToAbsTime(6, 15, 2024, 12, 0));
        QVERIFY(result.ok);
        QCOMPARE(result.added, 34 - 1); // 1 June to 4 July, but 10 June was there
        QCOMPARE(result.appended, 3 + 33 * 2);
        const int index = FindNoteIndex(notes, DateToAbsTime(6, 10, 2024));
        QCOMPARE(*ValueText(*GetRecordValue(notes, index, NoteDataKey)), u"Before\rSpan 0\rSpan 1\rSpan 2"_s);
    }

    // A failed save names the system's reason; one cut short by the file size limit leaves the old file
    // whole.
    void failedSaveKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"file"_s);
        QVERIFY(WriteBytesAtomically("old"_ba, path, nullptr));
        rlimit saved = {};
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
        rlimit limit = saved;
        limit.rlim_cur = 100;
        setrlimit(RLIMIT_FSIZE, &limit);
        QString    error;
        const bool written = WriteBytesAtomically(QByteArray(1000, 'x'), path, &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!written);
        QVERIFY2(error.endsWith(u"File too large"_s), qPrintable(error));
        QCOMPARE(ReadBytes(path), "old"_ba);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"file"_s});       // no temporary left
        QVERIFY(!WriteBytesAtomically("x"_ba, dir.filePath(u"no/such/file"_s), &error)); // nowhere to start
        QVERIFY2(error.endsWith(u"No such file or directory"_s), qPrintable(error));
    }

    // Files handed over while the unsupported-file alert shows join it instead of opening alerts inside it.
    void unsupportedFilesJoinOneAlert_data() {
        AddRows<UnsupportedFilesJoinOneAlertRow>({
            {"one", {1, u"And 1 more file could not be opened."_s}},
            {"thousands", {3799, u"And 3,799 more files could not be opened."_s}},
        });
    }
    void unsupportedFilesJoinOneAlert() {
        FETCH_ROW(UnsupportedFilesJoinOneAlertRow, more, note);
        QTemporaryDir dir;
        const QString other = dir.filePath(u"notes.txt"_s);
        QFile         file(other);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("plain text\n") > 0);
        file.close();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        int            shown = 0;
        QString        seen, message;
        AlertPresenter previous = SetAlertPresenter([&](const AlertRequest& request) {
            // What arrives while the alert is up: the handler runs inside its loop.
            if (++shown == 1)
                for (int i = 0; i < more; ++i) OpenDroppedFiles({other});
            seen = JoinedAlertText(request.joinKind);
            message = request.message;
            return AlertFirstButton;
        });
        OpenDroppedFiles({other});
        SetAlertPresenter(previous);
        QCOMPARE(shown, 1);
        QCOMPARE(message, u"File: notes.txt is unsupported"_s);
        QVERIFY(seen.endsWith(note));
    }
};

QTEST_MAIN(TestHostileImport)
#include "tst_hostile_import.moc"
