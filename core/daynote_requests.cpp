// Lines that other programs of the user add to or remove from daynotes, arriving as FromVRDX signals.
#include "core/daynote_store.h"
#include "core/daynote_requests.h"

#include "core/dates.h"
#include "core/undo.h"

#include <QStringList>

namespace {

// The day of a "yyyyMMdd" field; false for anything but eight digits naming a day of the calendar.
bool RequestDate(const QString& field, double* date) {
    if (field.size() != 8) return false;
    for (const QChar c : field)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    const int year = field.left(4).toInt();
    const int month = field.mid(4, 2).toInt();
    const int day = field.mid(6, 2).toInt();
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > GetDaysInMonth(month, year)) return false;
    *date = DateToAbsTime(month, day, year);
    return true;
}

} // namespace

QString ExternalDaynoteText(const QString& subject, const QString& task) {
    return QStringLiteral("%1 %2\r%3 %4\r")
        .arg(QStringLiteral("TNQ DayNote/Reminder for:"), subject, QStringLiteral("and task:"), task);
}

bool ExternalDaynoteRequest(const QString& object, RecordArray& daynotes) {
    const QStringList fields = object.split(QLatin1Char(';'));
    double            date = 0;
    if (fields.size() != 4 || !RequestDate(fields[2], &date)) return false;
    const QString text = ExternalDaynoteText(fields[0], fields[1]);
    // Another program's change is the user's to take back like any other.
    DaynoteChangeScope change;
    if (fields[3] == QLatin1String("A")) {
        AddNamedDaynote(date, text, NoteStandard, true, daynotes);
    } else {
        const int index = FindNoteIndex(daynotes, date);
        if (IsNoteAtIndex(daynotes, date, index)) {
            const Value*   value = GetRecordValue(daynotes, index, NoteDataKey);
            const QString* held = value ? ValueText(*value) : nullptr;
            // Only a daynote that is nothing but this request's line goes; one the user wrote more into keeps
            // its text and loses only the reminder.
            if (held && *held == text)
                RemoveRecord(daynotes, index);
            else
                RemoveReminderFields(daynotes, index);
        }
    }
    return true;
}
