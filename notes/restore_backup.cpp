// The Restore from Backup window.
#include "notes/restore_backup.h"

#include "core/app_state.h"
#include "core/backups.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/undo.h"
#include "core/window_ids.h"
#include "notes/daynote_window.h"
#include "platform/alerts.h"
#include "platform/list_view.h"
#include "platform/windows.h"

namespace {

constexpr FourCC Creator = MakeFourCC("VRDX");
constexpr FourCC PathsTag = MakeFourCC("BkPs"); // the backups' paths, one a line, in row order

QString DateText(const QDate& date) {
    return FormatDate(QStringLiteral("dd  LLLL  yyyy"), DateToAbsTime(date.month(), date.day(), date.year()));
}

} // namespace

int CommandRestoreBackup(FourCC) {
    OpenRestoreBackupWindow();
    return EventHandled;
}

void OpenRestoreBackupWindow() {
    WaitForBackups(); // today's, if one is being written, belongs in the list
    const QList<DaynoteBackup> backups = ListDaynoteBackups();
    if (backups.isEmpty()) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("There are no backups yet"),
                  QStringLiteral("VRD X copies the daynotes into its Backups folder once a day, before their "
                                 "first save of the day."));
        return;
    }
    QWidget* window = FindWindowById(RestoreBackupWindowId);
    if (!window) {
        window = CreateWindowFromDefinition(QStringLiteral("RestoreBackup"));
        if (!window) return;
        SetWindowId(window, RestoreBackupWindowId);
    }
    QList<QStringList> rows;
    QStringList        paths;
    for (const DaynoteBackup& b : backups) {
        rows << QStringList{DateText(b.date),
                            b.daynotes < 0 ? QStringLiteral("damaged") : QString::number(b.daynotes)};
        paths << b.path;
    }
    QWidget* list = FindControl(window, RestoreBackupList);
    SetListRows(list, rows);
    SetControlProperty(list, Creator, PathsTag, paths.join(QLatin1Char('\n')).toUtf8());
    SetListSelection(list, {1});
    ShowWindow(window);
    SetFocusToControl(list);
}

QString RestoreDaynotesFrom(const QString& backupPath, RecordArray& daynotes) {
    // Editors the user typed into keep the words, and write them over the restored daynotes when they close.
    if (!SaveDaynoteFile(daynotes)) return QString();
    QString setAside, error;
    // Undoing it puts back the array of the file set aside.
    DaynoteChangeScope change(QStringLiteral("Restore from Backup"));
    if (!RestoreDaynoteBackup(backupPath, &daynotes, &setAside, &error)) {
        ShowAlert(AlertStyle::Warning, QStringLiteral("The backup was not restored"), error);
        return QString();
    }
    return setAside.isEmpty() ? GetDataFileURL(DaynoteFileName) : setAside;
}

int RestoreBackupHit(int, unsigned) {
    QWidget*         window = FindWindowById(RestoreBackupWindowId);
    QWidget*         list = FindControl(window, RestoreBackupList);
    QByteArray       bytes;
    const QList<int> selected = GetListSelection(list);
    if (selected.isEmpty() || !GetControlProperty(list, Creator, PathsTag, &bytes)) return EventHandled;
    const QStringList paths = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    const int         row = selected.first();
    if (row < 1 || row > paths.size()) return EventHandled;
    const QString path = paths[row - 1];
    RecordArray   backup;
    if (!ReadRecordArrayFile(path, &backup)) {
        ShowAlert(AlertStyle::Warning, QStringLiteral("This backup cannot be restored"),
                  QStringLiteral("\"%1\" is damaged or is not a daynote file.").arg(path));
        return EventHandled;
    }
    const QString date = GetListCellText(list, row, 0);
    if (ShowAlert(AlertStyle::Warning, QStringLiteral("Restore the daynotes of %1?").arg(date),
                  QStringLiteral("Its %1 daynotes replace the %2 you have now. The current daynote file is "
                                 "kept beside it under a name that says \"before restore\".")
                      .arg(backup.size())
                      .arg(App().daynotes.size()),
                  QStringLiteral("Restore"), QStringLiteral("Cancel")) != AlertFirstButton)
        return EventHandled;
    if (!RestoreDaynotesFrom(path, App().daynotes).isEmpty()) DisposeWindow(window);
    return EventHandled;
}
