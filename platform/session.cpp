// Single instance on the session bus, quit requests from signals and the session manager, sleep and wake.
#include "platform/session.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFileInfo>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

SessionHandlers handlers;
int             signalPipe[2] = {-1, -1};

QStringList LocalPaths(const QStringList& uris) {
    QStringList paths;
    for (const QString& uri : uris) {
        const QUrl url(uri);
        if (url.isLocalFile())
            paths << url.toLocalFile();
        else if (url.scheme().isEmpty())
            paths << uri;
    }
    return paths;
}

void OnSignal(int) {
    const char byte = 1;
    // Nothing but write() is safe here; the event loop does the work.
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

// The object behind org.freedesktop.Application at /org/vrdx/VRDX.
class ApplicationService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

  public:
    using QObject::QObject;

  public slots:
    void Activate(const QVariantMap&) {
        if (handlers.activate) QTimer::singleShot(0, qApp, handlers.activate);
    }

    void Open(const QStringList& uris, const QVariantMap&) {
        const QStringList paths = LocalPaths(uris);
        if (handlers.openFiles && !paths.isEmpty())
            QTimer::singleShot(0, qApp, [paths] { handlers.openFiles(paths); });
    }

    void ActivateAction(const QString& name, const QVariantList&, const QVariantMap&) {
        if (!handlers.isAction || !handlers.isAction(name)) {
            sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No action named \"%1\"").arg(name));
            return;
        }
        // The caller gets its answer first: the action may show an alert or end the program.
        QTimer::singleShot(0, qApp, [name] { handlers.runAction(name); });
    }
};

// logind's sleep signal.
class SleepWatcher : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

  public slots:
    void PrepareForSleep(bool starting) {
        if (handlers.sleepChanged) handlers.sleepChanged(starting);
    }
};

// Lines for daynotes that other programs of the user send.
class DaynoteRequestListener : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

  public slots:
    void FromVRDX(const QString& object) {
        if (handlers.daynoteRequest) handlers.daynoteRequest(object);
    }
};

static DaynoteRequestListener* listener = nullptr;

static void ListenForDaynoteRequests(QDBusConnection bus) {
    if (listener) return;
    // Empty service and path: any sender, any object path. A signal with another argument list does not match
    // the slot and is dropped by the bus library.
    listener = new DaynoteRequestListener(qApp);
    bus.connect(QString(), QString(), QString::fromLatin1(DaynoteRequestInterface),
                QString::fromLatin1(DaynoteRequestSignal), listener, SLOT(FromVRDX(QString)));
}

InstanceRole ClaimSingleInstance(const QStringList& files, const SessionHandlers& h) {
    handlers = h;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return InstanceRole::Alone;
    // Listening starts before the name is taken: a program that waits for the name and then sends a line
    // would otherwise find its signal dropped by the bus, which delivers it only to those already listening.
    ListenForDaynoteRequests(bus);
    const auto reply = bus.interface()->registerService(QString::fromLatin1(ApplicationId),
                                                        QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        auto* service = new ApplicationService(qApp);
        bus.registerObject(QString::fromLatin1(ApplicationObjectPath), service,
                           QDBusConnection::ExportAllSlots);
        return InstanceRole::Primary;
    }
    // Another copy owns the name and takes the lines.
    delete listener;
    listener = nullptr;
    QDBusMessage call;
    if (files.isEmpty()) {
        call = QDBusMessage::createMethodCall(
            QString::fromLatin1(ApplicationId), QString::fromLatin1(ApplicationObjectPath),
            QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
        call << QVariantMap();
    } else {
        QStringList uris;
        for (const QString& f : files)
            uris << QUrl::fromLocalFile(QFileInfo(f).absoluteFilePath()).toString();
        call = QDBusMessage::createMethodCall(
            QString::fromLatin1(ApplicationId), QString::fromLatin1(ApplicationObjectPath),
            QStringLiteral("org.freedesktop.Application"), QStringLiteral("Open"));
        call << uris << QVariantMap();
    }
    // Even when the owner does not answer in time, a second copy would only fight it over the data files.
    const QDBusMessage answer = bus.call(call, QDBus::Block, 10000);
    if (answer.type() == QDBusMessage::ErrorMessage) {
        std::fprintf(stderr,
                     "vrdx: another copy of VRD X owns %s on the session bus but did not answer: %s\n",
                     ApplicationId, qPrintable(answer.errorMessage()));
        return InstanceRole::Unreachable;
    }
    return InstanceRole::Handed;
}

void WatchSessionEvents(const SessionHandlers& h) {
    handlers = h;
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
        QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
            char                     buffer[16];
            [[maybe_unused]] ssize_t n = ::read(signalPipe[0], buffer, sizeof buffer);
            if (handlers.quitRequest) handlers.quitRequest();
        });
        struct sigaction action = {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
    }
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp, [](QSessionManager&) {
        if (handlers.quitRequest) handlers.quitRequest();
    });
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) ListenForDaynoteRequests(session);
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        auto* watcher = new SleepWatcher(qApp);
        system.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                       QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                       watcher, SLOT(PrepareForSleep(bool)));
    }
}

#include "session.moc"
