// The time log with the test clock: durations with pauses, the day's log file, reopening, quitting.
#include "core/datafiles.h"
#include "core/startup.h"
#include "helpers/test_support.h"
#include "tools/time_log.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

const auto Window = [] { return FindWindowById(TimeLogWindowId); };
const auto Sheet = [] { return FindWindowById(TimeLogSheetId); };
const auto Text = [](int id) { return GetControlText(FindControl(Window(), id)); };

// A log started through the window and its sheet, as the user does it.
void StartLog(const QString& project) {
    if (!Window()) RunCommand(MakeFourCC("ShTL"));
    ClickIn(Window(), TimeLogNewButton);
    SetControlText(FindControl(Sheet(), TimeLogProjectField), project);
    ClickIn(Sheet(), TimeLogStartButton);
}

const auto LogPath = [](double moment) { return GetDataFileURL(TimeLogFileName(moment)); };

using DurationRow = std::tuple<double, QList<std::pair<double, double>>, QString, QString>;
using QuitRow = std::tuple<bool, int, bool, QString>;

} // namespace

class TestTimeLog : public QObject {
    Q_OBJECT

    ZoneScope     zone{"Europe/Berlin"};
    LocaleScope   locale{"en_US"};
    AlertRecorder alerts;
    // 5 December 2026, 09:00 in Berlin: the day's file is "...05.December.2026".
    const double Start = DateTimeToAbsTime(12, 5, 2026, 9, 0);

  private slots:
    void initTestCase() { QVERIFY(SetUpProgramWindows()); }

    void init() {
        ResetTimeLog();
        DisposeDocumentWindows();
        SetTestClock(Start);
        alerts.alerts.clear();
        alerts.answer = AlertFirstButton;
        App().quitting = App().quitUnattended = false;
        QDir(GetDataFolderURL()).removeRecursively();
    }

    // Elapsed and project time, on the running display and in the entry written at the stop.
    void durations_data() {
        AddRows<DurationRow>({
            {"1 h 2 min 3 s, a 10-minute pause", {3723, {{600, 600}}, u"01:02:03"_s, u"00:52:03"_s}},
            {"100 hours", {360000, {}, u"100:00:00"_s, u"100:00:00"_s}},
            {"each pause cut to whole seconds", {10, {{1, 1.5}, {4, 1.5}}, u"00:00:10"_s, u"00:00:08"_s}},
        });
    }
    void durations() {
        FETCH_ROW(DurationRow, length, pauses, elapsed, project); // pauses: (from, length) after the start
        StartLog(u"Garden shed"_s);
        double at = 0;
        for (const auto& [from, pause] : pauses) {
            Advance(from - at);
            ClickIn(Window(), TimeLogPauseButton);
            QVERIFY(!IsControlEnabled(FindControl(Window(), TimeLogStopButton))); // no stop while paused
            Advance(pause);
            TickOnce();
            ClickIn(Window(), TimeLogPauseButton);
            at = from + pause;
        }
        Advance(length - at);
        TickOnce();
        QCOMPARE(Text(TimeLogElapsedText), elapsed);
        QCOMPARE(Text(TimeLogProjectTimeText), project);
        ClickIn(Window(), TimeLogStopButton);
        const QString file = ReadText(LogPath(CurrentAbsoluteTime()));
        QVERIFY2(
            file.contains(u"Elapsed Time  : "_s + elapsed + u"\n\nProject Time  : "_s + project + u"\n\n"_s),
            qPrintable(file));
    }

    void entriesOfADay() {
        StartLog(u"Café ☕ in Zürich"_s);
        Advance(3723);
        ClickIn(Window(), TimeLogStopButton);
        const QString path = LogPath(Start);
        QCOMPARE(QFileInfo(path).fileName(), u"VRDXTimerLogFor05.December.2026"_s);
        const QString start = u"Log Started on: Saturday, December 05, 2026, 9:00:00 AM\n"_s;
        const QString expected = u"Timer Log Created 05.December.2026\n"_s + QString(start.size(), u'-') +
                                 u"\nProject name: Café ☕ in Zürich\n"_s + start +
                                 u"\nLog Stopped on: Saturday, December 05, 2026, 10:02:03 AM\n\n"
                                 "Elapsed Time  : 01:02:03\n\nProject Time  : 01:02:03\n\n"_s;
        QCOMPARE(ReadText(path), expected);
        // A second log of the day follows the first under the one header.
        Advance(3600);
        StartLog(u"second"_s);
        Advance(120);
        ClickIn(Window(), TimeLogStopButton);
        const QString both = ReadText(path);
        QVERIFY2(both.startsWith(expected) && both.count(u"Timer Log Created"_s) == 1 &&
                     both.contains(u"Project name: second\n"_s),
                 qPrintable(both));
        // A log stopped the next day goes to that day's file, with its own header.
        StartLog(u"late"_s);
        Advance(24 * 3600);
        ClickIn(Window(), TimeLogStopButton);
        QVERIFY(
            ReadText(LogPath(CurrentAbsoluteTime())).startsWith(u"Timer Log Created 06.December.2026\n"_s));
        QVERIFY(!ReadText(path).contains(u"late"_s));
    }

    // Closing the window while logging loses nothing; reopened, it shows the log, a paused one frozen.
    void closedAndReopened() {
        MakeTestPanel(98); // the last window closed would end the program
        StartLog(u"Taxes"_s);
        Advance(100);
        TickOnce();
        ClickIn(Window(), TimeLogPauseButton);
        Advance(50);
        TickOnce();
        CloseWindow(Window());
        QTest::qWait(0);
        QVERIFY(!Window());
        Advance(30);
        TickOnce();
        RunCommand(MakeFourCC("ShTL"));
        QCOMPARE(Text(TimeLogProjectText), u"Taxes"_s);
        QCOMPARE(Text(TimeLogPauseButton), u"Resume"_s);
        QCOMPARE(Text(TimeLogElapsedText), u"00:03:00"_s);
        QCOMPARE(Text(TimeLogProjectTimeText), u"00:01:40"_s);
    }

    // At quit the user is asked; with nobody there (a signal, the end of the session) the log is saved
    // unasked, which test_app_time_log.py checks from outside.
    void quitWithARunningLog_data() {
        AddRows<QuitRow>({
            {"the user saves", {false, AlertFirstButton, false, u"00:10:00"_s}},
            {"the user declines", {false, AlertSecondButton, false, QString()}},
            {"saved unasked while paused: the pause is not work", {true, 0, true, u"00:04:00"_s}},
        });
    }
    void quitWithARunningLog() {
        FETCH_ROW(QuitRow, unattended, answer, paused, project); // project: time saved, empty for no entry
        StartLog(u"Quit"_s);
        if (paused) {
            Advance(240);
            ClickIn(Window(), TimeLogPauseButton);
            Advance(360);
        } else {
            Advance(600);
        }
        alerts.answer = answer;
        App().quitUnattended = unattended;
        QuitSequence();
        QCOMPARE(alerts.alerts.size(), unattended ? 0 : 1);
        const QString file = ReadText(LogPath(Start));
        if (project.isEmpty()) {
            QVERIFY(file.isEmpty());
        } else {
            QVERIFY2(file.contains(u"Log Stopped on: Saturday, December 05, 2026, 9:10:00 AM\n"_s),
                     qPrintable(file));
            QVERIFY2(file.contains(u"Project Time  : "_s + project), qPrintable(file));
        }
        QVERIFY(!IsTimeLogRunning() || project.isEmpty());
    }

    // An entry that cannot be written is not lost without a word: the alert carries it.
    void unwritableLogFileIsTold() {
        QVERIFY(QDir().mkpath(LogPath(Start))); // a folder where the file should go
        StartLog(u"Blocked"_s);
        Advance(61);
        ClickIn(Window(), TimeLogStopButton);
        QCOMPARE(alerts.alerts.size(), 1);
        QVERIFY(alerts.alerts[0].informative.contains(u"Project name: Blocked\n"_s));
        QVERIFY(alerts.alerts[0].informative.contains(u"Elapsed Time  : 00:01:01"_s));
    }
};

QTEST_MAIN(TestTimeLog)
#include "tst_time_log.moc"
