// Holidays of a year as holiday daynotes, and the one operation that puts a line of text onto a date's
// daynote.
#include "calendar/holidays.h"

#include "core/dates.h"
#include "notes/daynote_window.h"
#include "notes/reminders.h"

bool AddNamedDaynote(double date, const QString& text, int8_t type, bool withReminder,
                     RecordArray& daynotes) {
    const int index = FindNoteIndex(daynotes, date);
    if (IsNoteAtIndex(daynotes, date, index)) {
        const Value*   value = GetRecordValue(daynotes, index, NoteDataKey);
        const QString* old = value ? ValueText(*value) : nullptr;
        if (old && !old->isEmpty()) {
            if (old->contains(text, Qt::CaseInsensitive)) return true;
            SetRecordValue(daynotes, index, NoteDataKey, Value(QStringLiteral("%1\r%2").arg(*old, text)));
        } else {
            SetRecordValue(daynotes, index, NoteDataKey, Value(text));
        }
    } else {
        InsertDaynote(date, text, type, 0, 0, index, daynotes);
    }
    if (withReminder) SetDefaultReminder(daynotes, index);
    HighlightDateOnCal(date, true, index, daynotes);
    return false;
}
