// Daynote export: the daynote log for people and the iCalendar files "ToDos.ics" and "Events.ics" for
// calendar programs, all in the data folder.
#pragma once

#include "core/records.h"
#include "platform/fourcc.h"

#include <QByteArray>
#include <QString>

// "Export DayNote Log for 5-July-2024": the log's name on the day (absolute time).
QString DaynoteLogName(double day);
// The log's whole text: its name, a dash line as long as the name, then every daynote's date line and text,
// an empty line after each text.
QString DaynoteLogText(const RecordArray& daynotes, double day);
// Writes the log of today in the data folder; the path, or empty with *reason filled.
QString WriteDaynoteLog(const RecordArray& daynotes, QString* reason);

enum class IcalForm { ToDos, Events };
inline const QString ToDosFileName = QStringLiteral("ToDos.ics");
inline const QString EventsFileName = QStringLiteral("Events.ics");

// A calendar with one to-do or all-day event per dated daynote, in array order, stamped at the moment
// (absolute time); empty when no daynote has a date.
QByteArray DaynoteCalendarBytes(const RecordArray& daynotes, IcalForm form, double stamp);
// Replaces "ToDos.ics" or "Events.ics" in the data folder with the calendar of the daynotes; writes nothing
// (and succeeds) when no daynote has a date.
bool ExportDaynoteCalendar(const RecordArray& daynotes, IcalForm form, QString* reason);

// Commands 'ExpF' (the log, then where it is, with the offer to reveal it), 'ExpT' and 'ExpE' (the
// iCalendar files, silent unless the file cannot be written).
int CommandExportLog(FourCC command);
int CommandExportCalendar(FourCC command);
