// The Shutdown window with a recording sudo on PATH and logind/systemd stand-ins on a private bus.
#include "helpers/test_support.h"
#include "platform/power_schedule.h"
#include "tools/shutdown.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

// logind and systemd as far as the program asks them: the scheduled shutdown and the sleep timer's state.
class FakeSystemd : public QDBusVirtualObject {
  public:
    QString    shutdownType; // empty: nothing scheduled
    qulonglong shutdownUsec = 0;
    QString    timerState; // empty: the timer is not loaded

    QString introspect(const QString&) const override { return {}; }
    bool    handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QVariantList args = message.arguments();
        if (message.member() == "GetUnit"_L1) {
               connection.send(
                   timerState.isEmpty()
                       ? message.createErrorReply(u"org.freedesktop.systemd1.NoSuchUnit"_s, u"none"_s)
                       : message.createReply(QVariant::fromValue(QDBusObjectPath(
                             u"/org/freedesktop/systemd1/unit/vrdx_2dscheduled_2dsleep_2etimer"_s))));
               return true;
        }
        if (message.member() != "Get"_L1 || args.size() != 2) return false;
        QVariant value;
        if (args[1].toString() == "ScheduledShutdown"_L1) {
               QDBusArgument st;
               st.beginStructure();
               st << shutdownType << shutdownUsec;
               st.endStructure();
               value = QVariant::fromValue(st);
        } else {
               value = timerState;
        }
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        return true;
    }
};

namespace {

// The private session bus stands in for the system bus, before anything connects to either.
const bool privateBus =
    StartPrivateSessionBus() && qputenv("DBUS_SYSTEM_BUS_ADDRESS", qgetenv("DBUS_SESSION_BUS_ADDRESS"));

const QString Password = u"s3cret pass; $(rm -rf ~) \"quoted\" 'x' é"_s;

const auto Window = [] { return FindWindowById(ShutdownWindowId); };

QWidget* OpenAndWait() {
    RunCommand(MakeFourCC("ShDn"));
    (void)QTest::qWaitFor([] { return Window() != nullptr; }, 3000);
    return Window();
}

void SetMoment(QWidget* window, int month, int day, int year, int hour, int minute) {
    SetControlDateTime(FindControl(window, ShutdownDatePicker), year, month, day, 0, 0);
    SetControlDateTime(FindControl(window, ShutdownTimePicker), 2000, 1, 1, hour, minute);
}

using ScheduleRow = std::tuple<int, int, QString, QString>;
using PendingRow = std::tuple<QString, QString, bool>;
using MomentRow = std::pair<double, QString>;

} // namespace

class TestShutdown : public QObject {
    Q_OBJECT

    ZoneScope     zone{"Europe/Berlin"};
    LocaleScope   locale{"en_US"};
    QTemporaryDir bin;
    FakeSystemd   systemd;

    QString Recorded(const char* name) const { return bin.filePath(QString::fromLatin1(name)); }

    void SudoAnswers(int status) {
        QFile f(Recorded("status"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::number(status));
        for (const char* name : {"args", "stdin", "env"}) QFile::remove(Recorded(name));
    }

  private slots:
    void initTestCase() {
        QVERIFY(privateBus);
        QVERIFY(SetUpProgramWindows());
        // sudo records its arguments, its standard input and its environment, and answers as told.
        QFile sudo(bin.filePath(u"sudo"_s));
        QVERIFY(sudo.open(QIODevice::WriteOnly));
        sudo.write("#!/bin/sh\nd=$(dirname \"$0\")\nprintf '%s\\n' \"$@\" > \"$d/args\"\ncat > \"$d/stdin\"\n"
                   "env > \"$d/env\"\nexit $(cat \"$d/status\")\n");
        sudo.close();
        sudo.setPermissions(sudo.permissions() | QFileDevice::ExeOwner);
        qputenv("PATH", bin.path().toLocal8Bit() + ':' + qgetenv("PATH"));
        QCOMPARE(SudoProgram(), bin.filePath(u"sudo"_s));
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerService(u"org.freedesktop.login1"_s));
        QVERIFY(bus.registerService(u"org.freedesktop.systemd1"_s));
        QVERIFY(bus.registerVirtualObject(u"/org/freedesktop"_s, &systemd, QDBusConnection::SubPath));
    }

    void init() {
        systemd.shutdownType.clear();
        systemd.shutdownUsec = 0;
        systemd.timerState.clear();
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 17, 29) + 30); // 17:29:30
    }
    void cleanup() { DisposeDocumentWindows(); }

    void firstMomentIsNextFullHour_data() {
        AddRows<MomentRow>({
            {"on the hour", {DateTimeToAbsTime(12, 5, 2026, 9, 0), u"2026-12-05 10:00"_s}},
            {"new year", {DateTimeToAbsTime(12, 31, 2026, 23, 40), u"2027-01-01 00:00"_s}},
        });
    }
    void firstMomentIsNextFullHour() {
        FETCH_ROW(MomentRow, now, offered);
        SetTestClock(now);
        QWidget* window = OpenAndWait();
        QVERIFY(window);
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, unused = 0;
        QVERIFY(GetControlDateTime(FindControl(window, ShutdownDatePicker), &y, &mo, &d, &unused, &unused));
        QVERIFY(
            GetControlDateTime(FindControl(window, ShutdownTimePicker), &unused, &unused, &unused, &h, &mi));
        QCOMPARE(QString::asprintf("%d-%02d-%02d %02d:%02d", y, mo, d, h, mi), offered);
    }

    void schedule_data() {
        const QString notStarted = u"** Shutdown/Restart/Sleep NOT started - check password **"_s;
        // 18:30 is 60.5 minutes after 17:29:30: rounded up, never early.
        const QString halt = u"shutdown\n-h\n+61"_s;
        const QString suspend = u"systemd-run\n--unit=vrdx-scheduled-sleep\n--collect\n"
                                u"--timer-property=AccuracySec=1s\n--timer-property=RemainAfterElapse=no\n"
                                u"--on-calendar=2026-12-05 17:30:00 UTC\nsystemctl\nsuspend"_s;
        const QString at = u" Scheduled for: December 05, 2026, 6:30 PM"_s;
        AddRows<ScheduleRow>({
            {"shut down", {ActionShutDown, 0, halt, u"ShutDown"_s + at}},
            {"restart", {ActionRestart, 0, u"shutdown\n-r\n+61"_s, u"Restart"_s + at}},
            {"sleep", {ActionSleep, 0, suspend, u"Sleep"_s + at}},
            {"wrong password", {ActionShutDown, 1, halt, notStarted}},
            // The minute now running is already past: 17:29 at 17:29:30. Nothing runs.
            {"this minute",
             {ActionShutDown, 0, QString(), u"Date and/or Time must be in future - please re-enter"_s}},
        });
    }
    void schedule() {
        // What sudo answers; its arguments after "--", one per line (empty: sudo is not run); the alert.
        FETCH_ROW(ScheduleRow, action, status, command, answer);
        SudoAnswers(status);
        AlertRecorder recorder;
        QWidget*      window = OpenAndWait();
        QVERIFY(window);
        SetMoment(window, 12, 5, 2026, command.isEmpty() ? 17 : 18, command.isEmpty() ? 29 : 30);
        SetControlValue(FindControl(window, ShutdownActionGroup), action);
        SetControlText(FindControl(window, ShutdownPasswordField), Password);
        QWidget* button = FindControl(window, ShutdownScheduleButton);
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE(recorder.alerts.size(), 1);
        QCOMPARE(recorder.alerts[0].message, answer);
        if (command.isEmpty()) {
            QTest::qWait(200);
            QVERIFY(!QFile::exists(Recorded("args")));
        } else {
            const QStringList args = ReadText(Recorded("args")).split(u'\n');
            QCOMPARE(args.mid(0, 5), (QStringList{u"-S"_s, u"-k"_s, u"-p"_s, QString(), u"--"_s}));
            QCOMPARE(args.mid(5).join(u'\n').trimmed(), command);
            QCOMPARE(ReadText(Recorded("stdin")), Password + u'\n');
            QVERIFY(!ReadText(Recorded("args")).contains(Password));
            QVERIFY(!ReadText(Recorded("env")).contains(u"s3cret"_s));
        }
        if (answer.contains(QLatin1String("Scheduled"))) {
            QVERIFY(!recorder.alerts[0].sheetOf);
            QTRY_VERIFY(!Window()); // disposed of
        } else {
            QCOMPARE(recorder.alerts[0].sheetOf, window); // a note sheet; the entries stay
            QCOMPARE(Window(), window);
            QCOMPARE(GetControlText(FindControl(window, ShutdownPasswordField)), Password);
            QVERIFY(IsControlEnabled(button));
        }
    }

    void alreadyScheduled_data() {
        AddRows<PendingRow>({
            {"poweroff waiting, the sleep timer done", {u"poweroff"_s, u"inactive"_s, true}},
            {"sleep timer waiting", {QString(), u"active"_s, true}},
            {"sleep timer done", {QString(), u"inactive"_s, false}},
        });
    }
    void alreadyScheduled() {
        FETCH_ROW(PendingRow, type, timer, pending); // the scheduled shutdown, the sleep timer's state
        systemd.shutdownType = type;
        systemd.shutdownUsec = type.isEmpty() ? 0 : 1796500000000000ULL;
        systemd.timerState = timer;
        AlertRecorder recorder;
        RunCommand(MakeFourCC("ShDn"));
        if (pending) {
            QTRY_COMPARE(recorder.alerts.size(), 1);
            QCOMPARE(recorder.alerts[0].message, u"Shutdown has already been started"_s);
            QVERIFY(!Window());
        } else {
            QTRY_VERIFY(Window());
            QVERIFY(recorder.alerts.isEmpty());
        }
    }
};

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
