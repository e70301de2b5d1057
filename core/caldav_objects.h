// Daynotes as CalDAV calendar objects: one all-day VEVENT per day, named and identified by the date alone,
// so the same day written on two machines meets on the server as one resource.
#pragma once

#include "core/records.h"

#include <QByteArray>
#include <QString>

// "vrdx-daynote-yyyyMMdd": the UID of the day's object, and with ".ics" its resource name.
QString DaynoteObjectUid(double day);
QString DaynoteObjectName(double day);
// The day a resource name of ours stands for; false for any other name (other clients' objects).
bool DayOfObjectName(const QString& name, double* day);

// The VCALENDAR of one daynote record: DTSTART of its day, SUMMARY its first line, DESCRIPTION its text,
// TRANSP TRANSPARENT, the reminder as a display VALARM, type, style, e-mail and web address as X-VRDX-
// properties. Empty when the record has no date.
QByteArray DaynoteToObject(const Record& record);
// A daynote record back from an object of ours (the first VEVENT whose UID is a day's); false when the
// bytes hold none. The text's line breaks come back as carriage returns, the program's stored form.
bool ObjectToDaynote(const QByteArray& bytes, Record* record, double* day);

// What a sync compares: the text (whatever its line breaks), type, style and reminder fields of a record,
// hashed. Keys nobody else reads do not count.
QByteArray DaynoteSyncHash(const Record& record);

// Both sides changed one day: the local record with its text followed by the lines of the server's text it
// lacks; a reminder only the server has is taken over. Nothing either side wrote is lost.
Record MergeDaynoteConflict(const Record& local, const Record& server);
