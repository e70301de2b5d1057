// The data folder and its files.
#include "core/datafiles.h"

#include "core/dates.h"
#include "core/file_types.h"
#include "core/mac_roman.h"
#include "core/plist.h"
#include "platform/alerts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

bool IsArrayOfRecords(const Value& root) {
    const RecordArray* array = std::get_if<RecordArray>(&root.v);
    if (!array) return false;
    for (const Value& v : *array)
        if (!ValueRecord(v)) return false;
    return true;
}

// Reads an array of records. A missing file is an empty array; a damaged one is moved aside and reported.
bool LoadRecordArrayFile(const QString& path, const QString& what, RecordArray* array) {
    array->clear();
    if (!QFileInfo::exists(path)) return true;
    Value   root;
    QString error;
    if (ReadPropertyListFile(path, &root, &error) && IsArrayOfRecords(root)) {
        *array = std::move(std::get<RecordArray>(root.v));
        return true;
    }
    const QString moved = MoveDamagedFileAside(path);
    if (moved.isEmpty()) {
        ShowAlert(
            AlertStyle::Critical, QStringLiteral("The %1 file could not be read").arg(what),
            QStringLiteral("\"%1\" is damaged and could not be moved aside. VRD X will not write over it; "
                           "move it away yourself and start VRD X again.")
                .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    ShowAlert(AlertStyle::Warning, QStringLiteral("The %1 file could not be read").arg(what),
              QStringLiteral("It was kept as \"%1\" and VRD X starts without it.")
                  .arg(QDir::toNativeSeparators(moved)));
    return true;
}

} // namespace

QString GetAppSupportURL(const QString& name) {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QString() : base + QLatin1Char('/') + name;
}

QString GetDataFolderURL() {
    const QString folder = GetAppSupportURL(DataFolderName);
    if (!folder.isEmpty() && !QFileInfo::exists(folder)) QDir().mkdir(folder);
    return folder;
}

QString GetDataFileURL(const QString& name) {
    return GetAppSupportURL(DataFolderName) + QLatin1Char('/') + name;
}

void MigrateDataFolder() {
    const QString old = GetAppSupportURL(OldDataFolderName);
    const QString current = GetAppSupportURL(DataFolderName);
    if (old.isEmpty() || !QFileInfo(old).isDir() || QFileInfo::exists(current)) return;
    QDir().rename(old, current);
}

bool LoadDaynoteFile(const QString& name, RecordArray* daynotes) {
    GetDataFolderURL();
    return LoadRecordArrayFile(GetDataFileURL(name), QStringLiteral("daynote"), daynotes);
}

bool LoadEventFile(RecordArray* events) {
    return LoadRecordArrayFile(GetDataFileURL(EventFileName), QStringLiteral("event"), events);
}

bool SaveRecordFile(const RecordArray& array, const QString& name) {
    GetDataFolderURL();
    const QString path = GetDataFileURL(name);
    QString       error;
    if (!WritePropertyListFile(path, Value(array), &error)) return false;
    // The atomic rename drops the attributes of the old file, so they are stamped on the new one.
    SetFileTypeAndCreator(path, MakeFourCC(name == DaynoteFileName ? "DNOT" : "EVNT"), CreatorCode);
    return true;
}

void SaveEventList(const RecordArray& eventList) {
    if (eventList.empty()) return;
    SaveRecordFile(StoredFromEventList(eventList), EventFileName);
}

QString MoveDamagedFileAside(const QString& path) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    QString       target = QStringLiteral("%1 (unreadable, set aside %2)").arg(path, stamp);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QStringLiteral("%1 (unreadable, set aside %2 #%3)").arg(path, stamp).arg(n);
    return QFile::rename(path, target) ? target : QString();
}

QString WriteRecoveryFile(const RecordArray& daynotes) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    GetDataFolderURL();
    QString path = GetDataFileURL(QStringLiteral("%1 (recovered %2)").arg(DaynoteFileName, stamp));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = GetDataFileURL(QStringLiteral("%1 (recovered %2 #%3)").arg(DaynoteFileName, stamp).arg(n));
    QString error;
    return WritePropertyListFile(path, Value(daynotes), &error) ? path : QString();
}

bool WriteTextFile(const QString& text, const QString& path) {
    QSaveFile        file(path);
    const QByteArray bytes = EncodeMacRoman(text);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool AppendTextFile(const QString& text, const QString& path) {
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    const QByteArray bytes = EncodeMacRoman(text);
    return file.write(bytes) == bytes.size();
}

QString GetBundleResourcePath(const QString& name) {
    const QString besideProgram = QCoreApplication::applicationDirPath();
    for (const QString& folder : {besideProgram + QStringLiteral("/resources"),
                                  besideProgram + QStringLiteral("/../share/vrdx"), besideProgram}) {
        const QString path = QDir::cleanPath(folder + QLatin1Char('/') + name);
        if (QFileInfo(path).isFile()) return path;
    }
    return QString();
}

QByteArray MakeFileAlias(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.absoluteFilePath().toUtf8() : QByteArray();
}

bool ResolveAliasData(const QByteArray& alias, QString* path) {
    if (alias.isEmpty()) return false;
    const QString candidate = QString::fromUtf8(alias);
    if (!QFileInfo::exists(candidate)) return false;
    *path = candidate;
    return true;
}
