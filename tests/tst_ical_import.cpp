// iCalendar import: Python-written files in two zones, malformed files refused, the command and handed files.
// (The program's own export read back: tst_export.)
#include "calendar/calendar_window.h"
#include "core/datafiles.h"
#include "core/startup.h"
#include "helpers/test_support.h"
#include "notes/ical_import.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

QString TextOn(const RecordArray& notes, int month, int day, int year) {
    const double date = DateToAbsTime(month, day, year);
    const int    index = FindNoteIndex(notes, date);
    if (!IsNoteAtIndex(notes, date, index)) return QString();
    const Value* text = GetRecordValue(notes, index, NoteDataKey);
    return text && ValueText(*text) ? *ValueText(*text) : QString();
}

using PythonFileInTwoZonesRow = std::tuple<QByteArray, QDate, QString, QDate, QString>;
using MalformedFilesChangeNothingRow = std::tuple<QByteArray, int, QString>;

} // namespace

class TestIcalImport : public QObject {
    Q_OBJECT
    QTemporaryDir folder;
    QByteArray    written;

  private slots:
    void initTestCase() {
        UsePrivateHome();
        const QString path = folder.filePath(u"written.ics"_s);
        QVERIFY(QProcess::execute(
                    RequireProgram(u"/usr/bin/python3"_s),
                    {qEnvironmentVariable("VRDX_SOURCE_DIR") + u"/tests/ical_writer.py"_s, path}) == 0);
        written = ReadBytes(path);
        QVERIFY(!written.isEmpty());
    }

    void pythonFileInTwoZones_data() {
        AddRows<PythonFileInTwoZonesRow>({
            {"Berlin",
             {"Europe/Berlin"_ba, QDate(2026, 7, 15), u"3:30 AM Call, New York; late"_s, QDate(2026, 5, 2),
              u"1:30 AM Launch"_s}},
            {"Los Angeles",
             {"America/Los_Angeles"_ba, QDate(2026, 7, 14), u"6:30 PM Call, New York; late"_s,
              QDate(2026, 5, 1), u"4:30 PM Launch"_s}},
        });
    }
    void pythonFileInTwoZones() {
        FETCH_ROW(PythonFileInTwoZonesRow, zone, callDay, call, launchDay, launch);
        ZoneScope   scope(zone);
        RecordArray notes;
        SetDaynote(notes, 0, u"Packing"_s, DateToAbsTime(4, 2, 2026), NoteStandard, {});
        const double           now = DateTimeToAbsTime(6, 15, 2026, 12, 0);
        const IcalImportResult result = ImportIcalendar(written, notes, now);
        QVERIFY(result.ok);
        auto on = [&](QDate d) { return TextOn(notes, d.month(), d.day(), d.year()); };
        QCOMPARE(on(callDay), call);
        QCOMPARE(on(callDay.addDays(callDay.day() == 15 ? -1 : 1)), QString());
        QCOMPARE(on(launchDay), launch);
        QCOMPARE(on(QDate(2026, 4, 1)), u"Trip"_s); // all day, 1 to 3 April: DTEND is the day after
        QCOMPARE(on(QDate(2026, 4, 2)), u"Packing\rTrip"_s);
        QCOMPARE(on(QDate(2026, 4, 3)), u"Trip"_s);
        QCOMPARE(on(QDate(2026, 4, 4)), QString());
        QCOMPARE(on(QDate(1999, 12, 31)), u"Long ago"_s);
        QCOMPARE(on(QDate(2026, 4, 15)), u"Taxes"_s); // a to-do with only a due date
        // Weekly at 18:00 floating: every Monday within 12 months of now, but the excluded one.
        int yoga = 0;
        for (QDate d(2025, 1, 6); d <= QDate(2028, 1, 1); d = d.addDays(7)) {
            const bool inWindow =
                d >= QDate(2025, 6, 15) && d <= QDate(2027, 6, 15) && d != QDate(2026, 6, 22);
            QCOMPARE(on(d), inWindow ? u"6:00 PM Yoga"_s : QString());
            yoga += inWindow;
        }
        QCOMPARE(QList<int>({result.added, result.appended, result.skipped}), QList<int>({6 + yoga, 1, 0}));
        int8_t type = 0;
        QVERIFY(GetRecordByte(notes, FindNoteIndex(notes, DateToAbsTime(4, 1, 2026)), NoteTypeKey, &type));
        QCOMPARE(type, int8_t(NoteEvent));

        // A second import finds every line in place.
        const RecordArray      before = notes;
        const IcalImportResult again = ImportIcalendar(written, notes, now);
        QVERIFY(again.ok && again.added + again.appended == 0);
        QCOMPARE(again.skipped, result.added + result.appended);
        QVERIFY(notes == before);
    }

    void malformedFilesChangeNothing_data() {
        const QByteArray head =
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20260101\r\n";
        AddRows<MalformedFilesChangeNothingRow>({
            {"line without a colon",
             {head + "SUMMARY:ok\r\nthis is no property\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n", 6,
              u"this is no property"_s}},
            {"component not closed", {head + "SUMMARY:ok\r\nEND:VCALENDAR\r\n", 6, u"END:VCALENDAR"_s}},
            {"cut off", {head + "SUMMARY:o\r\n k\r\n", 6, u"(end of file)"_s}},
            {"empty", {QByteArray(), 1, u"(end of file)"_s}},
        });
    }
    void malformedFilesChangeNothing() {
        FETCH_ROW(MalformedFilesChangeNothingRow, bytes, line, text);
        RecordArray notes;
        SetDaynote(notes, 0, u"kept"_s, DateToAbsTime(1, 1, 2026), NoteStandard, {});
        const RecordArray      before = notes;
        const IcalImportResult result = ImportIcalendar(bytes, notes, GetNow());
        QVERIFY(!result.ok);
        QCOMPARE(result.failedLine, line);
        QCOMPARE(result.failedText, text);
        QVERIFY(notes == before);
    }

    void importCommand() {
        QVERIFY(SetUpProgramWindows()); // the command runs from its menu item
        ShowCalendar();                 // which the summary sheet is attached to
        const QString bad = folder.filePath(u"bad.ics"_s);
        QVERIFY(WriteTextFile(u"BEGIN:VCALENDAR\r\ngarbage\r\n"_s, bad));
        AlertRecorder recorder;
        App().daynotes.clear();
        RecordArray imported;
        for (const QString& chosen :
             {folder.filePath(u"written.ics"_s), bad, QString()}) { // the last cancelled
            DialogAnswer answer(chosen);
            RunCommand(MakeFourCC("ImpI"));
            if (imported.empty()) imported = App().daynotes;
        }
        QVERIFY(!imported.empty() && App().daynotes == imported);
        QCOMPARE(recorder.alerts.size(), 2);
        QCOMPARE(recorder.alerts[0].message, u"Imported \"written.ics\""_s);
        QVERIFY(recorder.alerts[0].sheetOf && recorder.alerts[0].sheetOf == FrontWindow());
        QCOMPARE(recorder.alerts[0].informative.section(u'\r', 0, 0),
                 u"Daynotes added: %1"_s.arg(App().daynotes.size()));
        QCOMPARE(recorder.alerts[1].informative, u"Line 2: garbage\rNothing was imported."_s);
        App().daynotes.clear();
    }

    void handedFilesAskFirst() {
        const QString path = folder.filePath(u"handed.ics"_s);
        QVERIFY(QFile::copy(folder.filePath(u"written.ics"_s), path));
        AlertRecorder recorder;
        recorder.answer = AlertSecondButton; // "Cancel"
        OpenDroppedFiles({path});
        QVERIFY(App().daynotes.empty());
        recorder.answer = AlertFirstButton;
        OpenDroppedFiles({path});
        QVERIFY(!App().daynotes.empty());
        QCOMPARE(recorder.alerts.size(), 3); // asked twice, the summary once
        App().daynotes.clear();
    }
};

QTEST_MAIN(TestIcalImport)
#include "tst_ical_import.moc"
