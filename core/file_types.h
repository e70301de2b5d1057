// File type and creator codes, kept in extended attributes, with a fallback for file systems without them;
// and what the program says of a file of a type it cannot open.
#pragma once

#include "platform/fourcc.h"

#include <QString>

constexpr FourCC CreatorCode = MakeFourCC("Zer2");
constexpr FourCC UserNoteType = MakeFourCC("BTXT");
// The file-name suffix of user notes, the one the program's MIME type registers for them.
inline const QString UserNoteSuffix = QStringLiteral("vrdxnote");

// False for anything but a regular file, and when neither the attributes nor the file's name and content
// tell.
bool GetFileTypeAndCreator(const QString& path, FourCC* type, FourCC* creator);
// Errors (a file system without extended attributes) are ignored.
void SetFileTypeAndCreator(const QString& path, FourCC type, FourCC creator);

// The alert for a file the program cannot open (a daynote, event or preference file, or any other type); a
// second one while it shows joins it as "And N more files could not be opened."
void ReportUnopenableFile(const QString& fileName, FourCC fileType);
// Whether that alert is showing, so that more files join it instead of opening one alert inside another.
bool IsUnopenableReportShowing();
