// sudo with the password on its standard input, and the shutdown and sleep schedules read from logind and
// systemd over the system bus.
#include "platform/power_schedule.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <memory>

namespace {

constexpr int BusTimeLimitMs = 2000;

// Calls a method on the system bus; then() gets the reply, or an error message when there was none in time.
void CallSystemBus(const QString& service, const QString& path, const QString& interface,
                   const QString& method, const QVariantList& arguments,
                   std::function<void(const QDBusMessage& reply)> then) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call, BusTimeLimitMs), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [then = std::move(then)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         then(w->reply());
                     });
}

QVariant PropertyOf(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
}

void GetProperty(const QString& service, const QString& path, const QString& interface, const QString& name,
                 std::function<void(const QVariant& value)> then) {
    CallSystemBus(service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                  {interface, name},
                  [then = std::move(then)](const QDBusMessage& r) { then(PropertyOf(r)); });
}

// logind keeps one scheduled shutdown as (type, microseconds since 1970); no type or no time: none.
bool ShutdownScheduled(const QVariant& value) {
    if (!value.canConvert<QDBusArgument>()) return false;
    const QDBusArgument argument = value.value<QDBusArgument>();
    QString             type;
    qulonglong          usec = 0;
    argument.beginStructure();
    argument >> type >> usec;
    argument.endStructure();
    return !type.isEmpty() && usec > 0;
}

void ReadSleepTimer(std::function<void(bool)> done) {
    const QString systemd = QStringLiteral("org.freedesktop.systemd1");
    CallSystemBus(systemd, QStringLiteral("/org/freedesktop/systemd1"),
                  QStringLiteral("org.freedesktop.systemd1.Manager"), QStringLiteral("GetUnit"),
                  {QString::fromLatin1(SleepTimerUnit) + QStringLiteral(".timer")},
                  [systemd, done](const QDBusMessage& reply) {
                      // Not loaded: the timer has elapsed (it unloads itself then) or never was.
                      if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
                          return done(false);
                      const QString unit = qvariant_cast<QDBusObjectPath>(reply.arguments().first()).path();
                      GetProperty(systemd, unit, QStringLiteral("org.freedesktop.systemd1.Unit"),
                                  QStringLiteral("ActiveState"), [done](const QVariant& state) {
                                      done(state.toString() == QLatin1String("active"));
                                  });
                  });
}

} // namespace

QString SudoProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("sudo"));
}

void RunAsAdministrator(const QStringList& command, QByteArray password, int timeLimitMs,
                        std::function<void(int status)> done) {
    const auto    forget = [&password] { password.fill('\0'); };
    const QString sudo = SudoProgram();
    if (sudo.isEmpty()) {
        forget();
        QTimer::singleShot(0, qApp, [done] { done(-1); });
        return;
    }
    auto* process = new QProcess(qApp);
    process->setProgram(sudo);
    // -k: the password typed is checked even when sudo remembers an earlier one; -p "": no prompt text in
    // the output; --: what follows is the command, whatever it looks like.
    process->setArguments(QStringList{QStringLiteral("-S"), QStringLiteral("-k"), QStringLiteral("-p"),
                                      QString(), QStringLiteral("--")} +
                          command);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // Both errorOccurred and finished may come for one process; only the first answer counts.
    auto       answered = std::make_shared<bool>(false);
    const auto finish = [process, done, answered](int status) {
        if (std::exchange(*answered, true)) return;
        process->deleteLater();
        done(status);
    };
    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, process, [process] {
        process->setProperty("timedOut", true);
        process->kill();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) finish(-1);
    });
    QObject::connect(
        process, &QProcess::finished, process, [process, finish](int exitCode, QProcess::ExitStatus status) {
            const bool failed = status != QProcess::NormalExit || process->property("timedOut").toBool();
            finish(failed ? -1 : exitCode);
        });
    process->start();
    if (process->state() == QProcess::NotRunning) {
        forget();
        return; // reported through errorOccurred
    }
    // One line for sudo to read; end of input after it, so a wrong password cannot wait for another try.
    password.append('\n');
    process->write(password);
    forget();
    process->closeWriteChannel();
    limit->start(timeLimitMs);
}

void ReadPendingShutdown(std::function<void(bool pending)> done) {
    if (!QDBusConnection::systemBus().isConnected()) {
        QTimer::singleShot(0, qApp, [done] { done(false); });
        return;
    }
    GetProperty(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ScheduledShutdown"),
                [done](const QVariant& value) {
                    if (ShutdownScheduled(value)) return done(true);
                    ReadSleepTimer(done);
                });
}
