// The program in its session: one instance on a private session bus and the files a second launch hands over.
// Actions by name and quit signals are tried on the built program by test_app_lifecycle.py.
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

using namespace Qt::StringLiterals;

class TestSession : public QObject {
    Q_OBJECT

    QStringList     opened;
    SessionHandlers handlers;

  private slots:
    void initTestCase() {
        handlers.openFiles = [this](const QStringList& paths) { opened << paths; };
        QCOMPARE(ClaimSingleInstance({}, handlers), InstanceRole::Primary);
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QString::fromLatin1(ApplicationId)));
    }

    void secondLaunchHandsOverItsFiles() {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"a note with blanks"_s);
        QFile(file).open(QIODevice::WriteOnly);
        // Relative paths arrive absolute: the running copy has another working folder.
        QProcess second;
        second.setWorkingDirectory(dir.path());
        second.start(BuildDir() + u"/vrdx"_s, {u"a note with blanks"_s});
        QVERIFY(second.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE(opened, QStringList{QFileInfo(file).absoluteFilePath()});
    }
};

int main(int argc, char** argv) {
    if (!StartPrivateSessionBus()) qFatal("no dbus-daemon");
    QApplication app(argc, argv);
    TestSession  test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_session.moc"
