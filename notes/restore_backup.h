// Restore from Backup: a window lists the daynote backups with their date and daynote count, and the chosen
// one, after a confirmation, takes the place of the daynotes; the current file is set aside.
#pragma once

#include "core/records.h"
#include "platform/fourcc.h"

#include <QString>

enum RestoreBackupControl : int {
    RestoreBackupList = 471,
    RestoreBackupButton = 472,
};

// Command 'RBak': the window, filled afresh; an alert instead when there is no backup yet.
int  CommandRestoreBackup(FourCC command);
void OpenRestoreBackupWindow();

// Restores the backup into the program's daynotes: open daynote windows and the weekly view are written to
// the daynote file first (so that the file set aside holds them), then shown again from the restored array.
// Returns the path of the file set aside, or empty when nothing was restored (after an alert saying why).
QString RestoreDaynotesFrom(const QString& backupPath, RecordArray& daynotes);

// Control actions: the button and a double-click (or Enter) on a row.
int RestoreBackupHit(int controlId, unsigned modifiers);
