// Dated backups of the data files: once a day, before the first save of that day, the file as it was is
// copied into the Backups folder beside the data files; the last 14 daily and 12 monthly copies stay. A
// daynote backup can be put back in place of the daynote file.
#pragma once

#include "core/records.h"

#include <QDate>
#include <QList>
#include <QString>

inline const QString BackupFolderName = QStringLiteral("Backups");

constexpr int DailyBackupsKept = 14;
constexpr int MonthlyBackupsKept = 12;

// $XDG_DATA_HOME/VRDX/Backups.
QString BackupFolder();
// "<file name> <yyyy-MM-dd>".
QString BackupName(const QString& fileName, const QDate& date);

// Called just before the file is replaced by an atomic rename. On the first call of the day (the program's
// clock) for a file that exists, the file as it is now becomes its dated backup, and then the older backups
// beyond those kept are removed. The backup is a hard link, made before this returns; where the Backups
// folder cannot take a link to the file, a copy is written on a worker thread through a handle opened here.
void BackUpBeforeSave(const QString& path);
// Waits until every backup started has been written (the quit, and tests).
void WaitForBackups();

// Of the dates of one file's backups, those to remove: all but the 14 newest, and the first backup of each
// of the 12 newest months.
QList<QDate> BackupDatesToRemove(QList<QDate> dates);

struct DaynoteBackup {
    QString path;
    QDate   date;
    int     daynotes = -1; // -1: the backup cannot be read
};
// The daynote file's backups, newest first.
QList<DaynoteBackup> ListDaynoteBackups();

// Puts a daynote backup in place of the daynote file: the backup is read first (a damaged one changes
// nothing), the current file is renamed aside, and the backup's copy is moved into place atomically; then
// *daynotes is the restored array. *setAside is the path the current file was moved to (empty when there
// was none), for taking the restore back. On failure *error says why and the files are as they were.
bool RestoreDaynoteBackup(const QString& backupPath, RecordArray* daynotes, QString* setAside,
                          QString* error);
