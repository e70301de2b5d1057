// Desktop notifications through org.freedesktop.Notifications on the session bus, without waiting.
#include "platform/notify.h"

#include "platform/session.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString NotificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString NotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString NotificationsInterface = QStringLiteral("org.freedesktop.Notifications");

void SendNotify(QDBusConnection bus, const QString& summary, const QString& body) {
    QDBusMessage      call = QDBusMessage::createMethodCall(NotificationsService, NotificationsPath,
                                                            NotificationsInterface, QStringLiteral("Notify"));
    const QString     appId = QString::fromLatin1(ApplicationId);
    const QVariantMap hints{{QStringLiteral("desktop-entry"), appId},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    call << QStringLiteral("VRD X") << uint(0) << appId << summary << body << QStringList() << hints
         << int(-1);
    // The notification's id is of no use to the program: no reply is awaited.
    bus.send(call);
}

} // namespace

void PostDesktopNotification(const QString& summary, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    // A server with "body-markup" reads the body as markup, where "&" or "<" in the daynote's words would
    // break the text; so the capabilities come first, asked without blocking.
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        NotificationsService, NotificationsPath, NotificationsInterface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [bus, summary, body](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         const QDBusPendingReply<QStringList> reply = *w;
                         if (reply.isError()) return; // no notification server
                         const bool markup = reply.value().contains(QStringLiteral("body-markup"));
                         SendNotify(bus, summary, markup ? body.toHtmlEscaped() : body);
                     });
}
