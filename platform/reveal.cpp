// Revealing a file: the freedesktop file manager interface over D-Bus, the folder as the fallback.
#include "platform/reveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
// Long enough for a file manager that D-Bus has to start first.
constexpr int FileManagerTimeoutMs = 10000;
} // namespace

void RevealFile(const QString& path) {
    const QFileInfo info(path);
    const QUrl      folder = QUrl::fromLocalFile(info.absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded)}
         << QString();
    // Not awaited here: the file manager may be started by the bus, and the program must not freeze
    // meanwhile.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, FileManagerTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher* w) {
                         if (w->isError()) QDesktopServices::openUrl(folder);
                         w->deleteLater();
                     });
}
