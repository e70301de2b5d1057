// Daynote export on real files: the log, the iCalendar files as Python's icalendar reads them, reveal.
#include "core/datafiles.h"
#include "helpers/test_support.h"
#include "notes/export.h"
#include "notes/ical_import.h"
#include "platform/reveal.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

using namespace Qt::StringLiterals;

// Stands in for the desktop's file manager.
class FileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
  public:
    QStringList shown;
  public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown << uris; }
};

namespace {

const bool privateSession = StartPrivateSessionBus() && !UsePrivateHome().isEmpty(); // before QApplication

using CalendarsRow = std::tuple<QByteArray, QString>;

} // namespace

class TestExport : public QObject {
    Q_OBJECT
    FileManager fileManager;
    FakeDesktop desktop;

  private slots:
    void initTestCase() {
        QVERIFY(privateSession);
        QVERIFY(SetUpProgramWindows()); // the commands run from their menu items
        FillLocaleNameLists();
        desktop.HandleUrls(u"file"_s);
    }
    void cleanup() {
        ClearTestClock();
        App().daynotes.clear();
    }

    void logLayout() {
        RecordArray notes = DaynotesOf({{DateToAbsTime(7, 4, 2024), u"Fireworks, \"picnic\"\rsecond line"_s},
                                        {DateToAbsTime(7, 5, 2024), u"Ελληνικά 日本語 😀"_s}});
        SetRecordValue(notes, 2, NoteDataKey, u"no date"_s);             // a record without NoteDateKey
        SetRecordDate(notes, 3, NoteDateKey, DateToAbsTime(7, 6, 2024)); // and one without NoteDataKey
        SetTestClock(DateToAbsTime(3, 5, 2026) + 3600);
        QString       reason;
        const QString path = WriteDaynoteLog(notes, &reason);
        QCOMPARE(QFileInfo(path).fileName(), u"Export DayNote Log for 5-March-2026"_s); // no leading zero
        QCOMPARE(QFileInfo(path).absolutePath(), GetDataFolderURL());
        const QByteArray expected = "Export DayNote Log for 5-March-2026\n"
                                    "-----------------------------------\n"
                                    "Thursday, July 04, 2024\nFireworks, \"picnic\"\nsecond line\n\n"
                                    "Friday, July 05, 2024\n" +
                                    u"Ελληνικά 日本語 😀"_s.toUtf8() +
                                    "\n\n"
                                    "no date\n\n"
                                    "Saturday, July 06, 2024\n";
        QCOMPARE(ReadBytes(path), expected);
        // Every export replaces the file.
        QVERIFY(!WriteDaynoteLog({}, &reason).isEmpty());
        QCOMPARE(ReadBytes(path),
                 "Export DayNote Log for 5-March-2026\n-----------------------------------\n"_ba);
    }

    void logCommandAndReveal() {
        App().daynotes = DaynotesOf({{DateToAbsTime(1, 2, 2026), u"x"_s}});
        AlertRecorder recorder;
        recorder.answer = AlertSecondButton;
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fm"_s);
        QVERIFY(bus.registerObject(u"/org/freedesktop/FileManager1"_s, &fileManager,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(u"org.freedesktop.FileManager1"_s));
        RunCommand(MakeFourCC("ExpF"));
        QCOMPARE(recorder.alerts.size(), 1);
        const AlertRequest alert = recorder.alerts.first(); // its second button reveals the file
        QVERIFY(QFileInfo::exists(alert.informative));
        QTRY_COMPARE(fileManager.shown,
                     QStringList{QUrl::fromLocalFile(alert.informative).toString(QUrl::FullyEncoded)});
        QVERIFY(desktop.opened.isEmpty());

        // Without a file manager on the bus the folder opens instead.
        QVERIFY(bus.unregisterService(u"org.freedesktop.FileManager1"_s));
        RevealFile(alert.informative);
        QTRY_COMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(GetDataFolderURL())});
        QDBusConnection::disconnectFromBus(u"fm"_s);
    }

    void writeFailuresAreReported() {
        // A folder where the file should be: the atomic rename fails, even for root.
        SetTestClock(DateToAbsTime(3, 5, 2026));
        const QString log = GetDataFileURL(DaynoteLogName(GetNow())), events = GetDataFileURL(EventsFileName);
        QFile::remove(events);
        QFile::remove(log);
        QVERIFY(QDir().mkpath(log + u"/x"_s) && QDir().mkpath(events + u"/x"_s));
        AlertRecorder recorder;
        RunCommand(MakeFourCC("ExpE")); // no daynotes: nothing to write, so nothing fails
        RunCommand(MakeFourCC("ExpF"));
        App().daynotes = DaynotesOf({{DateToAbsTime(1, 2, 2026), u"x"_s}});
        RunCommand(MakeFourCC("ExpE"));
        QVERIFY(QDir(log).removeRecursively() && QDir(events).removeRecursively());
        QCOMPARE(recorder.alerts.size(), 2); // each names its file and the system's reason
        QVERIFY(recorder.alerts[0].informative.startsWith(log + u": Is a directory"_s));
        QVERIFY(recorder.alerts[1].informative.startsWith(events + u": Is a directory"_s));
    }

    void calendars_data() {
        AddRows<CalendarsRow>({
            {"to-dos", {"ExpT"_ba, ToDosFileName}},
            {"events", {"ExpE"_ba, EventsFileName}},
        });
    }
    void calendars() {
        FETCH_ROW(CalendarsRow, command, file);
        const bool    todo = file == ToDosFileName;
        const QString path = GetDataFileURL(file);
        QFile::remove(path);
        const FourCC      code = FourCCFromText(QString::fromLatin1(command));
        const QStringList texts = {
            u"Lunch, then; a walk \\ back"_s,
            u"first line\nsecond line\rthird line"_s,
            u"Ελληνικά, 日本語 und Ümlaute 😀 "_s.repeated(4),
            u"plain"_s,
        };
        // Two in one month: each keeps a UID of its own.
        App().daynotes = DaynotesOf({{DateToAbsTime(12, 4, 2024), texts[0]},
                                     {DateToAbsTime(12, 31, 2024), texts[1]},
                                     {DateToAbsTime(2, 28, 2025), texts[2]},
                                     {DateToAbsTime(3, 1, 2025), texts[3]}});
        SetTestClock(DateToAbsTime(6, 1, 2026) + 3723); // 01:02:03 local time; the stamp is in UTC
        RunCommand(code);
        const QByteArray bytes = ReadBytes(path);
        // CRLF only, folded at 75 octets, never inside a character.
        QVERIFY(!bytes.isEmpty() && bytes.endsWith("END:VCALENDAR\r\n"));
        for (const QByteArray& line : bytes.chopped(1).split('\n')) {
            QVERIFY2(line.endsWith('\r') && line.size() - 1 <= 75, line.constData());
            QCOMPARE(QString::fromUtf8(line).toUtf8(), line);
        }
        const QJsonArray components = PythonReading(u"ical_reader.py"_s, path)[u"components"_s].toArray();
        QCOMPARE(components.size(), 4);
        QStringList   uids;
        const QString stamp = QDateTime::fromSecsSinceEpoch(qint64(GetNow() + UnixToAbsoluteOffset), Qt::UTC)
                                  .toString(u"yyyyMMddTHHmmss+0000"_s); // in UTC, not local time
        for (int i = 0; i < 4; ++i) {
            const QJsonObject c = components[i].toObject();
            QCOMPARE(c[u"kind"_s].toString(), todo ? u"VTODO"_s : u"VEVENT"_s);
            QString expected = texts[i];
            QCOMPARE(c[u"summary"_s].toString(), expected.replace(u'\r', u'\n'));
            QCOMPARE(c[u"description"_s].toString(), expected);
            QCOMPARE(c[u"dtstamp"_s].toString(), stamp);
            QVERIFY(c[u"dtstartIsDate"_s].toBool());
            QVERIFY(c[u"due"_s].isNull() != todo);
            QVERIFY(c[u"dtend"_s].isNull() == todo); // a to-do may not have an end
            uids << c[u"uid"_s].toString();
            QVERIFY2(uids.last().startsWith(c[u"dtstart"_s].toString() + u'-'), qPrintable(uids.last()));
        }
        // A to-do is due on its day; an event ends the next, across the year's and February's end.
        const QJsonObject december = components[1].toObject();
        QCOMPARE(december[u"dtstart"_s].toString(), u"20241231"_s);
        if (todo) {
            QCOMPARE(december[u"due"_s].toString(), u"20241231"_s);
        } else {
            QCOMPARE(december[u"dtend"_s].toString(), u"20250101"_s);
            QCOMPARE(components[2].toObject()[u"dtend"_s].toString(), u"20250301"_s);
        }
        QCOMPARE(QSet<QString>(uids.begin(), uids.end()).size(), 4);
        // The program's own import takes every text back, as the summary has it (breaks as LF, trimmed).
        RecordArray back;
        QVERIFY(ImportIcalendar(bytes, back, GetNow()).ok);
        QCOMPARE(back.size(), size_t(4));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(*ValueText(*GetRecordValue(back, i, NoteDataKey)),
                     QString(texts[i]).replace(u'\r', u'\n').trimmed());

        // A second export replaces the file and keeps every daynote's UID; an emptied array leaves it alone.
        App().daynotes.erase(App().daynotes.begin() + 2);
        RunCommand(code);
        const QJsonArray again = PythonReading(u"ical_reader.py"_s, path)[u"components"_s].toArray();
        QCOMPARE(again.size(), 3);
        QCOMPARE(again[0].toObject()[u"uid"_s].toString(), uids[0]);
        QCOMPARE(again[2].toObject()[u"uid"_s].toString(), uids[3]);
        const QByteArray second = ReadBytes(path);
        App().daynotes.clear();
        RunCommand(code);
        QCOMPARE(ReadBytes(path), second);
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
