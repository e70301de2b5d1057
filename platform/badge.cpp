// The launcher badge through the com.canonical.Unity.LauncherEntry Update signal on the session bus.
#include "platform/badge.h"

#include "platform/session.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

void SetLauncherBadge(int count) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(LauncherEntryPath),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    // The docks match the signal to a launcher by the desktop file's name.
    const QString appUri = QStringLiteral("application://%1.desktop").arg(QString::fromLatin1(ApplicationId));
    const QVariantMap properties{{QStringLiteral("count"), QVariant::fromValue(qint64(count))},
                                 {QStringLiteral("count-visible"), count > 0}};
    signal << appUri << properties;
    bus.send(signal);
}
