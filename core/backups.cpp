// Dated backups of the data files and the restore of a daynote backup.
#include "core/backups.h"

#include "core/datafiles.h"
#include "core/dates.h"
#include "core/plist.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <unistd.h>
#include <vector>

namespace {

const QString DateForm = QStringLiteral("yyyy-MM-dd");

struct BackupJob {
    QString           target;
    std::future<void> done;
};
std::vector<BackupJob> running; // begun, and perhaps not written yet

QDate Today() {
    const GregorianDate now = AbsTimeToDate(GetNow());
    return QDate(now.year, now.month, now.day);
}

// The date of a backup of the file, from its name; invalid for anything else.
QDate BackupDate(const QString& fileName, const QString& backupName) {
    const QString prefix = fileName + QLatin1Char(' ');
    if (!backupName.startsWith(prefix) || backupName.size() != prefix.size() + DateForm.size()) return {};
    return QDate::fromString(backupName.mid(prefix.size()), DateForm);
}

QByteArray ReadAll(int fd) {
    QByteArray bytes;
    char       buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {};
        return bytes;
    }
}

void RemoveOldBackups(const QString& folder, const QString& fileName) {
    QList<QDate> dates;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        if (const QDate d = BackupDate(fileName, name); d.isValid()) dates << d;
    for (const QDate& d : BackupDatesToRemove(dates))
        QFile::remove(folder + QLatin1Char('/') + BackupName(fileName, d));
}

// On the worker: the old contents, through the open handle, to a temporary file renamed into place.
void WriteBackup(int fd, QString target, QString folder, QString fileName) {
    const QByteArray bytes = ReadAll(fd);
    ::close(fd);
    if (bytes.isEmpty() || !WriteBytesAtomically(bytes, target, nullptr))
        return; // no backup yet: the next save tries again
    RemoveOldBackups(folder, fileName);
}

} // namespace

QString BackupFolder() {
    return GetDataFileURL(BackupFolderName);
}

QString BackupName(const QString& fileName, const QDate& date) {
    return fileName + QLatin1Char(' ') + date.toString(DateForm);
}

void BackUpBeforeSave(const QString& path) {
    const QString folder = BackupFolder();
    const QString target = folder + QLatin1Char('/') + BackupName(QFileInfo(path).fileName(), Today());
    std::erase_if(running, [](BackupJob& job) {
        return job.done.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
    const bool begun = std::any_of(running.begin(), running.end(),
                                   [&target](const BackupJob& job) { return job.target == target; });
    if (begun || QFileInfo::exists(target)) return;
    if (!QFileInfo::exists(path) || !QDir().mkpath(folder)) return; // nothing saved yet: nothing to keep
    // The save that follows writes a new file and renames it over this one, so a second name for the old
    // file is a complete backup: no bytes copied, nothing left running when the save returns.
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) == 0) {
        RemoveOldBackups(folder, QFileInfo(path).fileName());
        return;
    }
    if (errno == EEXIST) return;
    // Another file system, or one without links: a copy, read through a handle the save cannot change.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    running.push_back({target, std::async(std::launch::async, WriteBackup, fd, target, folder,
                                          QFileInfo(path).fileName())});
}

void WaitForBackups() {
    for (BackupJob& job : running) job.done.wait();
    running.clear();
}

QList<QDate> BackupDatesToRemove(QList<QDate> dates) {
    std::sort(dates.begin(), dates.end(), std::greater<>());
    QSet<QDate> keep;
    for (int i = 0; i < dates.size() && i < DailyBackupsKept; ++i) keep << dates[i];
    // Newest first, so the last date seen in a month is its first backup.
    QList<QDate> firstOfMonth;
    for (const QDate& d : dates) {
        if (!firstOfMonth.isEmpty() && firstOfMonth.last().year() == d.year() &&
            firstOfMonth.last().month() == d.month())
            firstOfMonth.last() = d;
        else
            firstOfMonth << d;
    }
    for (int i = 0; i < firstOfMonth.size() && i < MonthlyBackupsKept; ++i) keep << firstOfMonth[i];
    QList<QDate> remove;
    for (const QDate& d : dates)
        if (!keep.contains(d)) remove << d;
    return remove;
}

QList<DaynoteBackup> ListDaynoteBackups() {
    const QString        folder = BackupFolder();
    QList<DaynoteBackup> backups;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        const QDate date = BackupDate(DaynoteFileName, name);
        if (!date.isValid()) continue;
        DaynoteBackup b{folder + QLatin1Char('/') + name, date, -1};
        RecordArray   array;
        if (ReadRecordArrayFile(b.path, &array)) b.daynotes = int(array.size());
        backups << b;
    }
    std::sort(backups.begin(), backups.end(),
              [](const DaynoteBackup& a, const DaynoteBackup& b) { return a.date > b.date; });
    return backups;
}

bool RestoreDaynoteBackup(const QString& backupPath, RecordArray* daynotes, QString* setAside,
                          QString* error) {
    setAside->clear();
    RecordArray restored;
    if (!ReadRecordArrayFile(backupPath, &restored)) {
        *error = QStringLiteral("\"%1\" is damaged or is not a daynote file.")
                     .arg(QDir::toNativeSeparators(backupPath));
        return false;
    }
    const QString current = GetDataFileURL(DaynoteFileName);
    // The copy is made beside the daynote file first, so that putting it in place is a rename.
    const QString incoming = current + QStringLiteral(" (restoring)");
    QFile::remove(incoming);
    if (!QFile::copy(backupPath, incoming)) {
        *error = QStringLiteral("The backup could not be copied into \"%1\".")
                     .arg(QDir::toNativeSeparators(QFileInfo(current).path()));
        return false;
    }
    if (QFileInfo::exists(current)) {
        const QString stamp = QDateTime::fromSecsSinceEpoch(qint64(GetNow() + UnixToAbsoluteOffset))
                                  .toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
        QString aside = QStringLiteral("%1 (before restore %2)").arg(current, stamp);
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = QStringLiteral("%1 (before restore %2 #%3)").arg(current, stamp).arg(n);
        // A hard link keeps the current file whole under its new name while the rename below replaces it; a
        // file system without links gets a copy.
        if (::link(QFile::encodeName(current).constData(), QFile::encodeName(aside).constData()) != 0 &&
            !QFile::copy(current, aside)) {
            *error = QStringLiteral("The current daynote file could not be set aside: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
            QFile::remove(incoming);
            return false;
        }
        *setAside = aside;
    }
    if (::rename(QFile::encodeName(incoming).constData(), QFile::encodeName(current).constData()) != 0) {
        *error = QStringLiteral("The backup could not be put in place: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        QFile::remove(incoming);
        if (!setAside->isEmpty()) {
            QFile::remove(*setAside);
            setAside->clear();
        }
        return false;
    }
    *daynotes = std::move(restored);
    return true;
}
