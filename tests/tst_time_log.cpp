// The time log with the test clock: durations with pauses, the day's log file, reopening, quitting.
#include "core/app_state.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/startup.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "platform/alerts.h"
#include "platform/clock.h"
#include "platform/windows.h"
#include "tools/time_log.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QWidget* Window() {
    return FindWindowById(TimeLogWindowId);
}
QWidget* Sheet() {
    return FindWindowById(TimeLogSheetId);
}
QString Text(int id) {
    return GetControlText(FindControl(Window(), id));
}
void Click(QWidget* window, int id) {
    QTest::mouseClick(FindControl(window, id), Qt::LeftButton);
}
void Advance(double seconds) {
    SetTestClock(CurrentAbsoluteTime() + seconds);
}
void TickOnce() {
    Tick(App().daynotes);
}

// A log started through the window and its sheet, as the user does it.
void StartLog(const QString& project) {
    if (!Window()) RunCommand(MakeFourCC("ShTL"));
    Click(Window(), TimeLogNewButton);
    SetControlText(FindControl(Sheet(), TimeLogProjectField), project);
    Click(Sheet(), TimeLogStartButton);
}

QString LogPath(double moment) {
    return GetDataFileURL(TimeLogFileName(moment));
}
QString Slurp(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// "at+length at+length": pauses in seconds from the start.
QList<QPair<double, double>> Pauses(const QString& text) {
    QList<QPair<double, double>> pauses;
    for (const QString& p : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        pauses << qMakePair(p.section(QLatin1Char('+'), 0, 0).toDouble(),
                            p.section(QLatin1Char('+'), 1).toDouble());
    return pauses;
}

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
        QTest::addColumn<double>("length");
        QTest::addColumn<QString>("pauses");
        QTest::addColumn<QString>("elapsed");
        QTest::addColumn<QString>("project");
        QTest::newRow("1 h 2 min 3 s, a 10-minute pause")
            << 3723.0 << u"600+600"_s << u"01:02:03"_s << u"00:52:03"_s;
        QTest::newRow("100 hours") << 360000.0 << QString() << u"100:00:00"_s << u"100:00:00"_s;
        QTest::newRow("each pause cut to whole seconds")
            << 10.0 << u"1+1.5 4+1.5"_s << u"00:00:10"_s << u"00:00:08"_s;
    }
    void durations() {
        QFETCH(double, length);
        QFETCH(QString, pauses);
        QFETCH(QString, elapsed);
        QFETCH(QString, project);
        StartLog(u"Garden shed"_s);
        double at = 0;
        for (const auto& [from, pause] : Pauses(pauses)) {
            Advance(from - at);
            Click(Window(), TimeLogPauseButton);
            QVERIFY(!IsControlEnabled(FindControl(Window(), TimeLogStopButton))); // no stop while paused
            Advance(pause);
            TickOnce();
            Click(Window(), TimeLogPauseButton);
            at = from + pause;
        }
        Advance(length - at);
        TickOnce();
        QCOMPARE(Text(TimeLogElapsedText), elapsed);
        QCOMPARE(Text(TimeLogProjectTimeText), project);
        Click(Window(), TimeLogStopButton);
        const QString file = Slurp(LogPath(CurrentAbsoluteTime()));
        QVERIFY2(
            file.contains(u"Elapsed Time  : "_s + elapsed + u"\n\nProject Time  : "_s + project + u"\n\n"_s),
            qPrintable(file));
    }

    void entriesOfADay() {
        StartLog(u"Café ☕ in Zürich"_s);
        Advance(3723);
        Click(Window(), TimeLogStopButton);
        const QString path = LogPath(Start);
        QCOMPARE(QFileInfo(path).fileName(), u"VRDXTimerLogFor05.December.2026"_s);
        const QString start = u"Log Started on: Saturday, December 05, 2026, 9:00:00 AM\n"_s;
        const QString expected = u"Timer Log Created 05.December.2026\n"_s + QString(start.size(), u'-') +
                                 u"\nProject name: Café ☕ in Zürich\n"_s + start +
                                 u"\nLog Stopped on: Saturday, December 05, 2026, 10:02:03 AM\n\n"
                                 "Elapsed Time  : 01:02:03\n\nProject Time  : 01:02:03\n\n"_s;
        QCOMPARE(Slurp(path), expected);
        // A second log of the day follows the first under the one header.
        Advance(3600);
        StartLog(u"second"_s);
        Advance(120);
        Click(Window(), TimeLogStopButton);
        const QString both = Slurp(path);
        QVERIFY2(both.startsWith(expected) && both.count(u"Timer Log Created"_s) == 1 &&
                     both.contains(u"Project name: second\n"_s),
                 qPrintable(both));
        // A log stopped the next day goes to that day's file, with its own header.
        StartLog(u"late"_s);
        Advance(24 * 3600);
        Click(Window(), TimeLogStopButton);
        QVERIFY(Slurp(LogPath(CurrentAbsoluteTime())).startsWith(u"Timer Log Created 06.December.2026\n"_s));
        QVERIFY(!Slurp(path).contains(u"late"_s));
    }

    // Closing the window while logging loses nothing; reopened, it shows the log, a paused one frozen.
    void closedAndReopened() {
        MakeTestPanel(98); // the last window closed would end the program
        StartLog(u"Taxes"_s);
        Advance(100);
        TickOnce();
        Click(Window(), TimeLogPauseButton);
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
        QTest::addColumn<bool>("unattended");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("project");
        QTest::newRow("the user saves") << false << AlertFirstButton << false << "00:10:00";
        QTest::newRow("the user declines") << false << AlertSecondButton << false << "";
        QTest::newRow("saved unasked while paused: the pause is not work") << true << 0 << true << "00:04:00";
    }
    void quitWithARunningLog() {
        QFETCH(bool, unattended);
        QFETCH(int, answer);
        QFETCH(bool, paused);
        QFETCH(QString, project);
        StartLog(u"Quit"_s);
        if (paused) {
            Advance(240);
            Click(Window(), TimeLogPauseButton);
            Advance(360);
        } else {
            Advance(600);
        }
        alerts.answer = answer;
        App().quitUnattended = unattended;
        QuitSequence();
        QCOMPARE(alerts.alerts.size(), unattended ? 0 : 1);
        const QString file = Slurp(LogPath(Start));
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
        Click(Window(), TimeLogStopButton);
        QCOMPARE(alerts.alerts.size(), 1);
        QVERIFY(alerts.alerts[0].informative.contains(u"Project name: Blocked\n"_s));
        QVERIFY(alerts.alerts[0].informative.contains(u"Elapsed Time  : 00:01:01"_s));
    }
};

QTEST_MAIN(TestTimeLog)
#include "tst_time_log.moc"
