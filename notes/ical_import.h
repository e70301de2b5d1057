// iCalendar import: every VEVENT and VTODO of a file becomes a line on its day's daynote.
#pragma once

#include "core/records.h"
#include "platform/fourcc.h"

#include <QByteArray>
#include <QString>

struct IcalImportResult {
    bool    ok = false;
    int     failedLine = 0; // when refused: the file's line (from 1) to blame, or 0 for none
    QString failedText;     // and its text
    QString reason;         // why it was refused; empty when the file is not iCalendar
    int     added = 0;      // new daynotes
    int     appended = 0;   // lines added to daynotes that existed
    int     skipped = 0;    // lines a daynote already held
};

// Reads the calendars in the bytes and puts each entry on its day through AddNamedDaynote, as an event: the
// summary, after the time in the system time zone for a timed entry. An all-day entry is put on every day it
// spans; a repeating one on each day it falls on from 12 months before `now` to 12 months after it. A line
// the day's daynote already holds is skipped. A file that is not iCalendar changes nothing and says which
// line failed; so does one this program refuses (larger than 50 MB, impossible dates or years the calendar
// lacks, a time zone or an entry repeating without end, a daynote grown past 100,000 characters), with why.
IcalImportResult ImportIcalendar(const QByteArray& bytes, RecordArray& daynotes, double now);

// Imports the file into the program's daynotes and shows what happened: how many daynotes were added,
// appended to and skipped, or the line that made the file unreadable. An import that takes longer than a
// second goes on in turns of the event loop with a progress window whose Cancel changes nothing; a quit
// stops it the same way. Its change of the daynotes is one undo step. While one runs, another is not
// started: the one under way comes to the front.
void ImportIcalendarFile(const QString& path);
// Whether an import goes on in turns.
bool IcalendarImportRunning();
// How long an import runs straight through before it goes on in turns with its progress window (a second;
// tests make it 0 so that a small file is enough).
void SetImportQuietTime(int ms);
// Command 'ImpI': asks for a file, then imports it as above.
int CommandImportIcalendar(FourCC command);
// Whether the file is iCalendar (text/calendar), by its name or its content.
bool IsIcalendarFile(const QString& path);
// A file handed to the program (dropped, opened from the file manager, named on the command line): when it
// is iCalendar (text/calendar), asks whether to import it and does so on "Import". False for other files.
bool OfferIcalendarImport(const QString& path);
