// Text logs that people read (the time log): UTF-8 with line feeds, each entry added whole at the end.
#pragma once

#include <QString>

// Adds the entry at the end of the file. A file that does not exist yet (or is empty) is created with the
// header first, so the header is written once and no earlier entry is ever replaced. The bytes are on the
// disk when it returns true; on failure *reason says where and why.
bool AppendToLogFile(const QString& path, const QString& header, const QString& entry,
                     QString* reason = nullptr);
