// Appending entries to text logs.
#include "core/log_file.h"

#include <QFile>
#include <cerrno>
#include <unistd.h>

bool AppendToLogFile(const QString& path, const QString& header, const QString& entry, QString* reason) {
    QFile file(path);
    // Append mode: every write lands at the end, whatever else has been added since the file was opened.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (reason) *reason = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = ((file.size() == 0 ? header : QString()) + entry).toUtf8();
    // One write: an entry is never left half written between two others.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        if (reason) *reason = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        if (reason) *reason = QStringLiteral("%1: %2").arg(path, qt_error_string(errno));
        return false;
    }
    return true;
}
