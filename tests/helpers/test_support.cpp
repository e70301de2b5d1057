// Shared by the GUI tests.
#include "helpers/test_support.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {
qint64 busPid = 0;
void   StopBus() {
      if (busPid > 0) ::kill(pid_t(busPid), SIGTERM);
}
} // namespace

bool StartPrivateSessionBus() {
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--fork"), QStringLiteral("--print-address=1"),
                  QStringLiteral("--print-pid=1")});
    if (!daemon.waitForFinished(10000)) return false;
    const QList<QByteArray> lines = daemon.readAllStandardOutput().split('\n');
    if (lines.size() < 2) return false;
    qputenv("DBUS_SESSION_BUS_ADDRESS", lines[0].trimmed());
    busPid = lines[1].trimmed().toLongLong();
    std::atexit(StopBus);
    return true;
}

AlertRecorder::AlertRecorder() {
    previous = SetAlertPresenter([this](const AlertRequest& r) {
        alerts << r;
        return answer;
    });
}

AlertRecorder::~AlertRecorder() {
    SetAlertPresenter(previous);
}

QString TestDefinitionFolder() {
    return qEnvironmentVariable("VRDX_SOURCE_DIR") + QStringLiteral("/tests/ui");
}
QString BuildDir() {
    return qEnvironmentVariable("VRDX_BUILD_DIR");
}

QString UsePrivateHome() {
    static QTemporaryDir home;
    for (const char* sub : {"data", "config", "cache"}) QDir(home.path()).mkpath(QString::fromLatin1(sub));
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toUtf8());
    return home.path();
}
