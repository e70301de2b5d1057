// The data folder and its files.
#include "core/datafiles.h"

#include "core/backups.h"

#include "core/dates.h"
#include "core/file_types.h"
#include "core/plist.h"
#include "platform/alerts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <future>
#include <malloc.h>
#include <map>
#include <sys/stat.h>
#include <thread>

namespace {

bool IsArrayOfRecords(const Value& root) {
    const RecordArray* array = std::get_if<RecordArray>(&root.v);
    if (!array) return false;
    for (const Value& v : *array)
        if (!ValueRecord(v)) return false;
    return true;
}

// What reading a record-array file found, before anything is done about it: touches nothing but the file,
// so that it may run on any thread.
// Which version of a file is on the disk: another program's write or rename changes at least one of these.
struct FileStamp {
    dev_t    device = 0;
    ino_t    inode = 0;
    off_t    size = -1;
    timespec modified{};
    bool     operator==(const FileStamp& o) const {
            return device == o.device && inode == o.inode && size == o.size &&
                   modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

FileStamp StampOf(const QString& path) {
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return {};
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

// What each record file held when this program last read or wrote it, by path. Its records share their
// storage with the ones in use until those are changed, so a save of an array that still shares all of them,
// over the very file that was read or written, has nothing to write.
struct StoredFile {
    FileStamp   stamp;
    RecordArray records;
};
std::map<QString, StoredFile> storedFiles;

void RememberStored(const QString& path, const RecordArray& records, const FileStamp& stamp) {
    if (stamp.size < 0)
        storedFiles.erase(path);
    else
        storedFiles[path] = {stamp, records};
}

bool StillStored(const QString& path, const RecordArray& records) {
    const auto it = storedFiles.find(path);
    return it != storedFiles.end() && SharedRecords(it->second.records, records) &&
           StampOf(path) == it->second.stamp;
}

struct ArrayFileRead {
    bool      missing = false;
    bool      array = false;    // a readable array of records
    bool      prepared = false; // changed after reading, so no longer what the file holds
    FileStamp stamp;            // the file read, when it did not change while being read
    Value     root;
};

ArrayFileRead ReadArrayFile(const QString& path) {
    ArrayFileRead read;
    if (!QFileInfo::exists(path)) {
        read.missing = true;
        return read;
    }
    QString         error;
    const FileStamp before = StampOf(path);
    read.array = ReadPropertyListFile(path, &read.root, &error, &RecordKeys()) && IsArrayOfRecords(read.root);
    if (read.array && StampOf(path) == before) read.stamp = before;
    return read;
}

// A missing file is an empty array; a damaged one is moved aside and reported.
bool TakeArrayFileRead(const QString& path, const QString& what, ArrayFileRead&& read, RecordArray* array) {
    array->clear();
    if (read.missing) return true;
    if (read.array) {
        *array = std::move(std::get<RecordArray>(read.root.v));
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

bool LoadRecordArrayFile(const QString& path, const QString& what, RecordArray* array) {
    return TakeArrayFileRead(path, what, ReadArrayFile(path), array);
}

// The daynote file being read on a worker: its path, and the result once there.
struct BackgroundRead {
    QString                    path;
    std::future<ArrayFileRead> result;
};
BackgroundRead background;

// Creates the folder and every missing folder above it, private to the user as XDG asks for data folders.
// QDir::mkpath does not say why it failed, and the user must be told.
bool CreateFolderPath(const QString& folder, QString* reason) {
    const QString target = QDir::cleanPath(folder);
    QStringList   missing;
    for (QString f = target; !QFileInfo::exists(f);) {
        missing.prepend(f);
        const QString parent = QFileInfo(f).path();
        if (parent == f) break;
        f = parent;
    }
    int error = 0;
    for (const QString& f : missing) {
        if (::mkdir(QFile::encodeName(f).constData(), 0700) == 0) continue;
        const int e = errno;
        if (e == EEXIST && QFileInfo(f).isDir()) continue; // made meanwhile by someone else
        error = e;
        break;
    }
    // Also when something that is not a folder has the name.
    if (!error && !QFileInfo(target).isDir()) error = ENOTDIR;
    if (!error) return true;
    if (reason) {
        QString where = target;
        for (const QString& f : missing)
            if (!QFileInfo(f).isDir()) {
                where = f;
                break;
            }
        *reason = QStringLiteral("%1: %2").arg(where, QString::fromLocal8Bit(std::strerror(error)));
    }
    return false;
}

bool SaveFailureShown = false; // one alert at a time: a tick under an open alert must not stack another

} // namespace

QString GetAppSupportURL(const QString& name) {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QString() : base + QLatin1Char('/') + name;
}

QString GetDataFolderURL() {
    const QString folder = GetAppSupportURL(DataFolderName);
    // A new account under a bare window manager may not even have ~/.local/share.
    if (!folder.isEmpty() && !QFileInfo::exists(folder)) CreateFolderPath(folder, nullptr);
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

namespace {

// Touches nothing but the file and the array: may run on any thread.
ArrayFileRead ReadPreparedArrayFile(const QString& path, const DaynotePreparation& prepare) {
    ArrayFileRead read = ReadArrayFile(path);
    RecordArray*  array = std::get_if<RecordArray>(&read.root.v);
    if (read.array && prepare && !array->empty()) read.prepared = prepare(*array);
    return read;
}

// The array read, remembered as the file's contents unless the preparation changed it.
bool TakeDaynoteFileRead(const QString& path, ArrayFileRead&& read, RecordArray* daynotes) {
    const FileStamp stamp = read.prepared ? FileStamp{} : read.stamp;
    if (!TakeArrayFileRead(path, QStringLiteral("daynote"), std::move(read), daynotes)) return false;
    RememberStored(path, *daynotes, stamp);
    return true;
}

} // namespace

void StartReadingDaynoteFile(const QString& name, DaynotePreparation prepare, std::function<void()> read) {
    GetDataFolderURL();
    background.path = GetDataFileURL(name);
    std::promise<ArrayFileRead> promise;
    background.result = promise.get_future();
    std::thread([path = background.path, prepare = std::move(prepare), read = std::move(read),
                 promise = std::move(promise)]() mutable {
        promise.set_value(ReadPreparedArrayFile(path, prepare));
        QMetaObject::invokeMethod(QCoreApplication::instance(), read, Qt::QueuedConnection);
        // Reading freed several times what the daynotes keep. It goes back to the system from here, while
        // the event loop already goes on with the daynotes.
        malloc_trim(0);
    }).detach();
}

bool FinishReadingDaynoteFile(const QString& name, const DaynotePreparation& prepare, RecordArray* daynotes) {
    if (background.result.valid())
        return TakeDaynoteFileRead(background.path, background.result.get(), daynotes);
    GetDataFolderURL();
    const QString path = GetDataFileURL(name);
    return TakeDaynoteFileRead(path, ReadPreparedArrayFile(path, prepare), daynotes);
}

bool ReadRecordArrayFile(const QString& path, RecordArray* array) {
    Value   root;
    QString error;
    if (!ReadPropertyListFile(path, &root, &error) || !IsArrayOfRecords(root)) return false;
    *array = std::move(std::get<RecordArray>(root.v));
    return true;
}

bool LoadEventFile(RecordArray* events) {
    return LoadRecordArrayFile(GetDataFileURL(EventFileName), QStringLiteral("event"), events);
}

bool FileHoldsBytes(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() != bytes.size()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // A piece at a time, so that a large file costs no copy of itself and a difference ends the reading.
    constexpr qsizetype Piece = qsizetype(1) << 20;
    QByteArray          piece(std::min(Piece, bytes.size()), Qt::Uninitialized);
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 n = file.read(piece.data(), std::min(Piece, bytes.size() - done));
        if (n <= 0 || std::memcmp(piece.constData(), bytes.constData() + done, size_t(n)) != 0) return false;
        done += n;
    }
    char extra;
    return file.read(&extra, 1) == 0; // and no more than that
}

bool SaveRecordFile(const RecordArray& array, const QString& name, QString* reason) {
    const QString folder = GetAppSupportURL(DataFolderName);
    if (folder.isEmpty()) {
        if (reason) *reason = QStringLiteral("the desktop names no folder for application data");
        return false;
    }
    if (!CreateFolderPath(folder, reason)) return false;
    const QString path = GetDataFileURL(name);
    // Nothing changed since the file was read or written: no write, no backup, the file untouched.
    if (StillStored(path, array)) return true;
    bool replaced = false; // not when the file holds these bytes already
    if (!WritePropertyListFile(path, array, reason, &replaced, [&path] { BackUpBeforeSave(path); }))
        return false;
    // The atomic rename drops the attributes of the old file, so they are stamped on the new one.
    if (replaced)
        SetFileTypeAndCreator(path, MakeFourCC(name == DaynoteFileName ? "DNOT" : "EVNT"), CreatorCode);
    RememberStored(path, array, StampOf(path));
    return true;
}

bool SaveDaynoteFile(const RecordArray& daynotes) {
    QString reason;
    if (SaveRecordFile(daynotes, DaynoteFileName, &reason)) return true;
    if (SaveFailureShown) return false;
    SaveFailureShown = true;
    ShowAlert(AlertStyle::Informational, DaynotesNotSavedMessage,
              QStringLiteral("VRD X could not write \"%1\".\r%2\rIt keeps your daynotes and tries again at "
                             "the next save and when it quits.")
                  .arg(GetDataFileURL(DaynoteFileName), reason));
    SaveFailureShown = false;
    return false;
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
    const QString name = QStringLiteral("%1 (recovered %2").arg(DaynoteFileName, stamp);
    // The data folder first; when that is what failed, the home folder still keeps the words.
    for (const QString& folder : {GetDataFolderURL(), QDir::homePath()}) {
        if (folder.isEmpty() || !QFileInfo(folder).isDir()) continue;
        QString path = QStringLiteral("%1/%2)").arg(folder, name);
        for (int n = 2; QFileInfo::exists(path); ++n)
            path = QStringLiteral("%1/%2 #%3)").arg(folder, name).arg(n);
        if (WritePropertyListFile(path, Value(daynotes), nullptr)) return path;
    }
    return QString();
}

namespace {
QByteArray TextFileBytes(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines.toUtf8();
}
} // namespace

bool WriteTextFile(const QString& text, const QString& path, QString* reason) {
    return WriteBytesAtomically(TextFileBytes(text), path, reason);
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
