// Reminders: due ones found and fired, the launcher badge, the spoken count and the tick's check of moments.
#include "notes/reminders.h"

#include "core/dates.h"
#include "notes/daynote_window.h"
#include "platform/badge.h"
#include "platform/mail.h"
#include "platform/notify.h"
#include "platform/speech.h"
#include "platform/web.h"

#include <limits>
#include <vector>

namespace {

// A due reminder is found again by its daynote's date: opening a window or a web address may change the
// array before the next step reaches the record.
struct DueReminder {
    int    index = 0;
    double noteDate = 0;
    bool   dated = false; // the record has a NoteDateKey
    double reminder = 0;  // its moment
};

DueReminder DueAt(const RecordArray& daynotes, int index, double reminder) {
    DueReminder due{index, 0, false, reminder};
    due.dated = GetRecordDate(daynotes, index, NoteDateKey, &due.noteDate);
    return due;
}

Record* LocateDue(RecordArray& daynotes, const DueReminder& due) {
    double date = 0;
    if (!due.dated || (GetRecordDate(daynotes, due.index, NoteDateKey, &date) && date == due.noteDate))
        return GetRecord(daynotes, due.index, false);
    const int index = FindNoteIndex(daynotes, due.noteDate);
    return IsNoteAtIndex(daynotes, due.noteDate, index) ? GetRecord(daynotes, index, false) : nullptr;
}

QString FieldText(const Record& record, const QString& key) {
    const Value*   value = FindField(record, key);
    const QString* text = value ? ValueText(*value) : nullptr;
    return text ? *text : QString();
}

QString FirstLine(const QString& text) {
    // Stored daynote lines are separated by carriage returns; a pasted line feed counts too.
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) return text.left(i);
    return text;
}

void FireReminder(RecordArray& daynotes, const DueReminder& due) {
    if (due.dated) {
        const GregorianDate d = AbsTimeToDate(due.noteDate);
        OpenDaynote(d.month, d.day, d.year, false, daynotes);
    }
    if (const Record* record = LocateDue(daynotes, due)) {
        // The sheet stores a single blank for "no web address".
        const QString url = FieldText(*record, URLKey);
        if (url.size() >= 2) OpenURLText(url);
    }
    if (Record* record = LocateDue(daynotes, due)) {
        const QString address = FieldText(*record, EmailAddrKey);
        const QString subject = FieldText(*record, EmailSubjectKey);
        const QString message = FieldText(*record, EmailMessageKey);
        // An e-mail goes out once: later checks of the same reminder find no e-mail fields. They go before
        // the sending, which may show an alert and so run the event loop.
        for (const QString* key : {&EmailAddrKey, &EmailSubjectKey, &EmailMessageKey})
            RemoveField(*record, *key);
        if (address.size() >= 2) SendReminderMail(address, QString(), subject, message);
    }
    const Record* record = LocateDue(daynotes, due);
    const QString text = record ? FieldText(*record, NoteDataKey) : QString();
    const QString day = FormatDate(QStringLiteral("EEEE, d MMMM y"), due.dated ? due.noteDate : due.reminder);
    PostDesktopNotification(QStringLiteral("Reminder: %1").arg(day), FirstLine(text));
}

// What FireRemindersReached knows between ticks: no reminder of the array lies in (base, next).
struct ReachedCache {
    bool         valid = false;
    const Value* data = nullptr; // the array's storage: a reloaded array has other storage
    size_t       size = 0;
    double       base = 0;
    double       next = 0;
};
ReachedCache reached;

double EarliestReminderAfter(const RecordArray& daynotes, double after) {
    double earliest = std::numeric_limits<double>::infinity();
    for (int i = 0; i < int(daynotes.size()); ++i) {
        double when = 0;
        if (GetRecordDate(daynotes, i, ReminderDateKey, &when) && when > after && when < earliest)
            earliest = when;
    }
    return earliest;
}

void RememberReached(const RecordArray& daynotes, double base) {
    reached = {true, daynotes.data(), daynotes.size(), base, EarliestReminderAfter(daynotes, base)};
}

} // namespace

int CheckReminders(bool fire, RecordArray& daynotes) {
    const double             now = GetNow();
    std::vector<DueReminder> due;
    for (int i = int(daynotes.size()) - 1; i >= 0; --i) {
        double when = 0;
        if (GetRecordDate(daynotes, i, ReminderDateKey, &when) && now >= when)
            due.push_back(DueAt(daynotes, i, when));
    }
    if (fire)
        for (const DueReminder& d : due) FireReminder(daynotes, d);
    SetLauncherBadge(int(due.size()));
    return int(due.size());
}

int AnnounceReminders(RecordArray& daynotes) {
    const int count = CheckReminders(true, daynotes);
    if (count == 1)
        SpeakAndWait(QStringLiteral("%1 reminder is pending").arg(count));
    else if (count != 0)
        SpeakAndWait(QStringLiteral("%1 reminders are pending").arg(count));
    return count;
}

void SetDefaultReminder(RecordArray& daynotes, int index) {
    double date = 0;
    if (GetRecordValue(daynotes, index, ReminderDateKey) ||
        !GetRecordDate(daynotes, index, NoteDateKey, &date))
        return;
    // A week ahead, from the start of that day whatever time the daynote's date carries.
    SetRecordDate(daynotes, index, ReminderDateKey, StartOfDay(AddDateUnits(date, -7, AddDays)));
    for (const QString* key : {&EmailAddrKey, &EmailSubjectKey, &EmailMessageKey})
        SetRecordValue(daynotes, index, *key, Value(QString()));
    SetRecordValue(daynotes, index, URLKey, Value(QStringLiteral(" ")));
    RemindersChanged();
    CheckReminders(false, daynotes);
}

void ShowAllReminders(RecordArray& daynotes) {
    for (int i = int(daynotes.size()) - 1; i >= 0; --i) {
        if (i >= int(daynotes.size()) || !GetRecordValue(daynotes, i, ReminderDateKey)) continue;
        double date = 0;
        if (!GetRecordDate(daynotes, i, NoteDateKey, &date)) continue;
        const GregorianDate d = AbsTimeToDate(date);
        OpenDaynote(d.month, d.day, d.year, false, daynotes);
    }
}

void FireRemindersReached(double since, double now, RecordArray& daynotes) {
    // Also a clock that went back: what lies between was fired on the way there.
    if (!(since < now)) return;
    if (!reached.valid || reached.data != daynotes.data() || reached.size != daynotes.size() ||
        since < reached.base)
        RememberReached(daynotes, since);
    if (now < reached.next) return;
    std::vector<DueReminder> due;
    for (int i = int(daynotes.size()) - 1; i >= 0; --i) {
        double when = 0;
        if (GetRecordDate(daynotes, i, ReminderDateKey, &when) && when > since && when <= now)
            due.push_back(DueAt(daynotes, i, when));
    }
    for (const DueReminder& d : due) FireReminder(daynotes, d);
    if (!due.empty()) CheckReminders(false, daynotes);
    RememberReached(daynotes, now);
}

void RemindersChanged() {
    reached.valid = false;
}
