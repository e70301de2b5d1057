// File type and creator codes in the attributes user.vrdx.type and user.vrdx.creator.
#include "core/file_types.h"

#include "core/plist.h"
#include "core/records.h"
#include "platform/alerts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/xattr.h>

namespace {

const char* const TypeAttribute = "user.vrdx.type";
const char* const CreatorAttribute = "user.vrdx.creator";

bool ReadCode(const QByteArray& path, const char* name, FourCC* code) {
    char          bytes[4];
    const ssize_t n = getxattr(path.constData(), name, bytes, sizeof bytes);
    if (n != 4) return false;
    *code = (FourCC(uint8_t(bytes[0])) << 24) | (FourCC(uint8_t(bytes[1])) << 16) |
            (FourCC(uint8_t(bytes[2])) << 8) | FourCC(uint8_t(bytes[3]));
    return true;
}

void WriteCode(const QByteArray& path, const char* name, FourCC code) {
    const char bytes[4] = {char(code >> 24), char(code >> 16), char(code >> 8), char(code)};
    setxattr(path.constData(), name, bytes, sizeof bytes, 0);
}

// A user note is a property-list dictionary with a note text. Only regular files get this far, and the
// read stops at the limit even if the file grows meanwhile.
bool IsUserNoteFile(const QString& path) {
    constexpr qint64 limit = 64 * 1024 * 1024;
    QFile            file(path);
    if (file.size() > limit || !file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.read(limit + 1);
    Value            root;
    QString          error;
    if (bytes.size() > limit || !ReadPropertyList(bytes, &root, &error)) return false;
    const Record* r = ValueRecord(root);
    return r && FindField(*r, QStringLiteral("UserNoteTextKey"));
}

} // namespace

bool GetFileTypeAndCreator(const QString& path, FourCC* type, FourCC* creator) {
    // A device, a pipe or a folder is nothing the program opens, and reading one could block or never end.
    if (!QFileInfo(path).isFile()) return false;
    const QByteArray native = QFile::encodeName(path);
    if (ReadCode(native, TypeAttribute, type)) {
        if (!ReadCode(native, CreatorAttribute, creator)) *creator = 0;
        return true;
    }
    const QString name = QFileInfo(path).fileName();
    if (name == QLatin1String("VRDX DayNotes"))
        *type = MakeFourCC("DNOT");
    else if (name == QLatin1String("VRDX Events"))
        *type = MakeFourCC("EVNT");
    else if (name == QLatin1String("VRDX.plist"))
        *type = MakeFourCC("PREF");
    else if (IsUserNoteFile(path))
        *type = MakeFourCC("BTXT");
    else
        return false;
    *creator = CreatorCode;
    return true;
}

void SetFileTypeAndCreator(const QString& path, FourCC type, FourCC creator) {
    const QByteArray native = QFile::encodeName(path);
    WriteCode(native, TypeAttribute, type);
    WriteCode(native, CreatorAttribute, creator);
}

namespace {
const QString UnopenableAlertKind = QStringLiteral("unopenable file");
} // namespace

bool IsUnopenableReportShowing() {
    return IsJoinedAlertShowing(UnopenableAlertKind);
}

void ReportUnopenableFile(const QString& fileName, FourCC fileType) {
    const auto show = [](const QString& message, const QString& informative) {
        ShowJoinedAlert(UnopenableAlertKind, AlertStyle::Informational, message, informative, [](int more) {
            return more == 1 ? QStringLiteral("And 1 more file could not be opened.")
                             : QStringLiteral("And %L1 more files could not be opened.").arg(more);
        });
    };
    const QString daynotes =
        QStringLiteral("Daynotes and Events can not be opened individually via the file manager");
    const QString automatic =
        QStringLiteral("Daynotes and Events are automatically opened when VRD X is started");
    switch (fileType) {
    case MakeFourCC("DNOT"):
        show(QStringLiteral("%1\r%2").arg(daynotes, automatic), QString());
        break;
    case MakeFourCC("EVNT"):
        show(daynotes, automatic);
        break;
    case MakeFourCC("PREF"):
        show(QStringLiteral(
                 "Recent Items or preference files cannot be opened individually via the file manager"),
             QStringLiteral(
                 "Recent Items or preference files are automatically opened when VRD X is started"));
        break;
    case MakeFourCC("ZTXT"):
        show(QStringLiteral("%1 %2 %3")
                 .arg(QStringLiteral("File:"), fileName, QStringLiteral("Type: ZTXT is unsupported")),
             QString());
        break;
    default:
        show(QStringLiteral("%1 %2 %3")
                 .arg(QStringLiteral("File:"), fileName, QStringLiteral("is unsupported")),
             QString());
        break;
    }
}
