// The program in its session: one instance on a private session bus, files handed over by a second launch,
// actions by name, and quit requests from signals.
#include "helpers/test_support.h"
#include "platform/session.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class TestSession : public QObject {
    Q_OBJECT

    QStringList     opened;
    int             activations = 0;
    QStringList     actionsRun;
    int             quitRequests = 0;
    SessionHandlers handlers;

    QString Program() { return BuildDir() + QStringLiteral("/vrdx"); }

    // Runs a program without blocking the event loop: it may call back into this process over the bus.
    int RunAsync(const QString& program, const QStringList& args, QByteArray* err = nullptr) {
        QProcess p;
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(program, args);
        if (!p.waitForStarted(5000)) return -1;
        QElapsedTimer t;
        t.start();
        while (p.state() != QProcess::NotRunning && t.elapsed() < 20000) QTest::qWait(20);
        if (err) *err = p.readAllStandardError();
        return p.state() == QProcess::NotRunning ? p.exitCode() : -2;
    }

  private slots:
    void initTestCase() {
        handlers.activate = [this] { ++activations; };
        handlers.openFiles = [this](const QStringList& paths) { opened << paths; };
        handlers.isAction = [](const QString& name) {
            return name == QLatin1String("save") || name == QLatin1String("quit");
        };
        handlers.runAction = [this](const QString& name) { actionsRun << name; };
        handlers.quitRequest = [this] { ++quitRequests; };
        QCOMPARE(ClaimSingleInstance({}, handlers), InstanceRole::Primary);
        WatchSessionEvents(handlers);
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QString::fromLatin1(ApplicationId)));
    }

    void secondLaunchHandsOverItsFiles() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a note with blanks"));
        QFile(file).open(QIODevice::WriteOnly);
        // Relative paths arrive absolute: the running copy has another working folder.
        QProcess second;
        second.setWorkingDirectory(dir.path());
        second.start(Program(), {QStringLiteral("a note with blanks")});
        QVERIFY(second.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE(opened, QStringList{QFileInfo(file).absoluteFilePath()});
    }

    void secondLaunchWithoutFilesActivates() {
        const int before = activations;
        QCOMPARE(RunAsync(Program(), {}), 0);
        QTRY_COMPARE(activations, before + 1);
    }

    void actionsByName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("known action") << "save" << true;
        QTest::newRow("unknown action is an error") << "fly!" << false;
    }
    void actionsByName() {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        actionsRun.clear();
        QByteArray err;
        const int  status =
            RunAsync(QStringLiteral("gdbus"),
                     {"call", "--session", "--dest", ApplicationId, "--object-path", ApplicationObjectPath,
                      "--method", "org.freedesktop.Application.ActivateAction", name, "[]", "{}"},
                     &err);
        QCOMPARE(status == 0, accepted);
        if (accepted)
            QTRY_COMPARE(actionsRun, QStringList{name});
        else {
            QVERIFY2(err.contains("InvalidArgs"), err.constData());
            QTest::qWait(50);
            QVERIFY(actionsRun.isEmpty());
        }
    }

    void signalsRequestQuit_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void signalsRequestQuit() {
        QFETCH(int, signal);
        const int before = quitRequests;
        ::raise(signal);
        QTRY_COMPARE(quitRequests, before + 1);
    }
};

int main(int argc, char** argv) {
    if (!StartPrivateSessionBus()) qFatal("no dbus-daemon");
    QApplication app(argc, argv);
    TestSession  test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_session.moc"
