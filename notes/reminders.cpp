// Reminders: due ones found and fired, the launcher badge, the spoken count and the tick's check of moments.
#include "notes/reminders.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/undo.h"
#include "notes/daynote_window.h"
#include "platform/alerts.h"
#include "platform/badge.h"
#include "platform/mail.h"
#include "platform/notify.h"
#include "platform/speech.h"
#include "platform/web.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <deque>
#include <functional>
#include <limits>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr int TurnBudgetMs = 10;    // queued work per event-loop turn, so that the program keeps answering
constexpr int MailsAtOnce = 4;      // mail programs running at the same time
constexpr int QuitMailWaitMs = 500; // at quit, for the e-mails already handed over

const QString ShowRemindersCommand = QStringLiteral("Calendar \u25B8 Open Daynotes with Reminders (Ctrl+R)");

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

// The reminders whose moment lies in (after, until], from the last record to the first: the latest daynotes
// come first, since the array is sorted by date. `next`, when asked for, gets the first moment after `until`
// (infinity when there is none) from the same pass.
std::vector<DueReminder> DueIn(const RecordArray& daynotes, double after, double until,
                               double* next = nullptr) {
    std::vector<DueReminder> due;
    double                   earliest = std::numeric_limits<double>::infinity();
    for (int i = int(daynotes.size()) - 1; i >= 0; --i) {
        double when = 0;
        if (!GetRecordDate(daynotes, i, ReminderDateKey, &when)) continue;
        if (when > after && when <= until)
            due.push_back(DueAt(daynotes, i, when));
        else if (when > until && when < earliest)
            earliest = when;
    }
    if (next) *next = earliest;
    return due;
}

// Identifies an e-mail's record while it is queued or in flight, so that it never goes twice at once.
using MailKey = std::pair<bool, double>;
MailKey KeyOf(const DueReminder& due) {
    return {due.dated, due.dated ? due.noteDate : due.index};
}

struct QueuedMail {
    RecordArray* daynotes = nullptr;
    DueReminder  due;
    QString      address, subject, message;
};

// The work of the checks, done a few items per event-loop turn by a zero timer.
struct ReminderWork {
    std::deque<std::function<void()>> steps;   // windows, web addresses, notifications, the announcement
    std::deque<QueuedMail>            mails;   // waiting for a free mail program
    std::set<MailKey>                 mailing; // queued or in flight
    int                               inFlight = 0;
    int                               failed = 0;
    QString                           failure; // the first reason
    bool                              noMailProgram = false;
    bool                              working = false;
    bool                              finishing = false;
    QTimer*                           timer = nullptr;
};
ReminderWork work;

void RunWork();

void Schedule() {
    if (!work.timer) {
        work.timer = new QTimer(QCoreApplication::instance());
        work.timer->setInterval(0);
        QObject::connect(work.timer, &QTimer::timeout, work.timer, RunWork);
    }
    const bool startable = !work.steps.empty() || (!work.mails.empty() && work.inFlight < MailsAtOnce);
    if (startable && !work.working)
        work.timer->start();
    else
        work.timer->stop();
}

void ReportMailFailures() {
    const int     failed = std::exchange(work.failed, 0);
    const QString reason = std::exchange(work.failure, QString());
    const bool    none = std::exchange(work.noMailProgram, false);
    if (failed == 0) return;
    // One alert for the whole check; shown from the loop, not from inside the mail program's signal.
    QTimer::singleShot(0, QCoreApplication::instance(), [failed, reason, none] {
        if (none)
            ShowAlert(AlertStyle::Warning,
                      QStringLiteral("A sendmail-compatible mail program must be installed BEFORE sending an "
                                     "email reminder "),
                      QStringLiteral("Please install msmtp-mta or set up a mail client and try again"));
        else
            ShowAlert(AlertStyle::Warning,
                      failed == 1 ? QStringLiteral("The reminder e-mail could not be sent")
                                  : QStringLiteral("%1 reminder e-mails could not be sent").arg(failed),
                      reason + QStringLiteral("\rUnsent e-mails are tried again at the next start or change "
                                              "of day."));
    });
}

void MailHandled(const QueuedMail& mail, MailResult result, const QString& reason) {
    --work.inFlight;
    work.mailing.erase(KeyOf(mail.due));
    if (result == MailResult::Taken) {
        // An e-mail changed in the sheet meanwhile is a new one, and keeps its fields.
        Record* record = LocateDue(*mail.daynotes, mail.due);
        if (record && FieldText(*record, EmailAddrKey) == mail.address &&
            FieldText(*record, EmailSubjectKey) == mail.subject &&
            FieldText(*record, EmailMessageKey) == mail.message) {
            // Not the user's change, but the daynote's own windows are told it like any other.
            UnrecordedDaynoteChangeScope change;
            for (const QString* key : {&EmailAddrKey, &EmailSubjectKey, &EmailMessageKey})
                RemoveField(*record, *key);
        }
    } else if (!work.finishing) {
        ++work.failed;
        work.noMailProgram = work.noMailProgram || result == MailResult::NoMailProgram;
        if (work.failure.isEmpty()) work.failure = reason;
    }
    if (work.mails.empty() && work.inFlight == 0) ReportMailFailures();
    Schedule();
}

void StartMail() {
    const QueuedMail mail = std::move(work.mails.front());
    work.mails.pop_front();
    ++work.inFlight;
    SendReminderMail(mail.address, QString(), mail.subject, mail.message,
                     [mail](MailResult result, const QString& reason) { MailHandled(mail, result, reason); });
}

// One window and one mail program at a time, while the turn's time lasts.
void RunWork() {
    if (work.working) return;
    work.working = true;
    QElapsedTimer turn;
    turn.start();
    for (bool busy = true; busy && turn.elapsed() < TurnBudgetMs;) {
        busy = false;
        if (!work.steps.empty()) {
            const std::function<void()> step = std::move(work.steps.front());
            work.steps.pop_front();
            step();
            busy = true;
        }
        if (work.inFlight < MailsAtOnce && !work.mails.empty()) {
            StartMail();
            busy = true;
        }
    }
    work.working = false;
    Schedule();
}

// Queues the reminder's e-mail; fewer than two characters of address is no e-mail, and its fields stay.
bool QueueMail(RecordArray& daynotes, const DueReminder& due) {
    const Record* record = LocateDue(daynotes, due);
    if (!record) return false;
    const QString address = FieldText(*record, EmailAddrKey);
    if (address.size() < 2 || !work.mailing.insert(KeyOf(due)).second) return false;
    work.mails.push_back(
        {&daynotes, due, address, FieldText(*record, EmailSubjectKey), FieldText(*record, EmailMessageKey)});
    return true;
}

void OpenDue(RecordArray& daynotes, const DueReminder& due) {
    if (due.dated) {
        const GregorianDate d = AbsTimeToDate(due.noteDate);
        OpenDaynote(d.month, d.day, d.year, daynotes);
    }
    const Record* record = LocateDue(daynotes, due);
    // The sheet stores a single blank for "no web address".
    const QString url = record ? FieldText(*record, URLKey) : QString();
    if (url.size() >= 2) OpenURLText(url);
    const QString text = record ? FieldText(*record, NoteDataKey) : QString();
    const QString day = FormatDate(QStringLiteral("EEEE, d MMMM y"), due.dated ? due.noteDate : due.reminder);
    PostDesktopNotification(QStringLiteral("Reminder: %1").arg(day), FirstLine(text));
}

void TellMoreDue(int more) {
    const QString message = more == 1 ? QStringLiteral("1 more reminder is due")
                                      : QStringLiteral("%1 more reminders are due").arg(more);
    const QString informative =
        QStringLiteral("The daynotes of the latest %1 are open. %2 opens every daynote with a reminder, %1 "
                       "at a time.")
            .arg(RemindersOpenedAtOnce)
            .arg(ShowRemindersCommand);
    PostDesktopNotification(message, informative);
    QTimer::singleShot(0, QCoreApplication::instance(), [message, informative] {
        ShowAlert(AlertStyle::Informational, message, informative);
    });
}

// Hundreds of windows and browser tabs help nobody and stall the desktop: the latest daynotes open, every
// e-mail still goes, and the user learns how many more there are.
void FireDue(RecordArray& daynotes, const std::vector<DueReminder>& due, bool freshCheck) {
    // A new check covers everything an earlier one still had to open.
    if (freshCheck) work.steps.clear();
    const size_t opened = std::min(due.size(), size_t(RemindersOpenedAtOnce));
    for (size_t i = 0; i < opened; ++i)
        work.steps.push_back([&daynotes, d = due[i]] { OpenDue(daynotes, d); });
    // Without sendmail every e-mail opens a composer window, so those are held to the same number.
    const bool composed = !MailAvailable();
    int        queued = 0;
    for (const DueReminder& d : due) {
        if (composed && queued >= RemindersOpenedAtOnce) break;
        queued += QueueMail(daynotes, d);
    }
    if (due.size() > opened) work.steps.push_back([more = int(due.size() - opened)] { TellMoreDue(more); });
    Schedule();
}

double showCursor = std::numeric_limits<double>::infinity(); // where Show Reminders goes on from

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

// The badge and the plan of moments follow every change that touched a reminder, whoever made it.
[[maybe_unused]] const bool followingStore = [] {
    FollowDaynotes(&TheDaynoteStore(), [](const DaynoteChanges& changes) {
        if (!changes.reminders) return;
        RemindersChanged();
        CheckReminders(false, App().daynotes);
    });
    return true;
}();

} // namespace

int CheckReminders(bool fire, RecordArray& daynotes) {
    const double                   now = GetNow();
    double                         next = 0;
    const std::vector<DueReminder> due =
        DueIn(daynotes, -std::numeric_limits<double>::infinity(), now, &next);
    // The ticks that follow start from what this pass found; a change that firing makes says so again.
    reached = {true, daynotes.data(), daynotes.size(), now, next};
    if (fire) FireDue(daynotes, due, true);
    SetLauncherBadge(int(due.size()));
    return int(due.size());
}

int AnnounceReminders(RecordArray& daynotes) {
    const int count = CheckReminders(true, daynotes);
    // Said once the windows are open, as the check fires before it announces.
    if (count != 0) {
        work.steps.push_back([count] {
            Speak(count == 1 ? QStringLiteral("%1 reminder is pending").arg(count)
                             : QStringLiteral("%1 reminders are pending").arg(count));
        });
        Schedule();
    }
    return count;
}

void ShowAllReminders(RecordArray& daynotes) {
    std::vector<double> dates; // latest first
    for (int i = int(daynotes.size()) - 1; i >= 0; --i) {
        double date = 0;
        if (GetRecordValue(daynotes, i, ReminderDateKey) && GetRecordDate(daynotes, i, NoteDateKey, &date))
            dates.push_back(date);
    }
    const size_t total = dates.size();
    const bool   paged = total > size_t(RemindersOpenedAtOnce);
    size_t       first = 0;
    while (paged && first < total && dates[first] >= showCursor) ++first;
    if (first == total) first = 0;
    const size_t end = std::min(total, first + RemindersOpenedAtOnce);
    for (size_t i = first; i < end; ++i)
        work.steps.push_back([&daynotes, date = dates[i]] {
            const GregorianDate d = AbsTimeToDate(date);
            OpenDaynote(d.month, d.day, d.year, daynotes);
        });
    showCursor = paged && end < total ? dates[end - 1] : std::numeric_limits<double>::infinity();
    if (paged)
        PostDesktopNotification(
            QStringLiteral("Daynotes %1 to %2 of the %3 with reminders are open")
                .arg(first + 1)
                .arg(end)
                .arg(total),
            end < total
                ? QStringLiteral("%1 opens the next %2.").arg(ShowRemindersCommand).arg(RemindersOpenedAtOnce)
                : QStringLiteral("%1 starts again with the latest.").arg(ShowRemindersCommand));
    Schedule();
}

void FireRemindersReached(double since, double now, RecordArray& daynotes) {
    // Also a clock that went back: what lies between was fired on the way there.
    if (!(since < now)) return;
    if (!reached.valid || reached.data != daynotes.data() || reached.size != daynotes.size() ||
        since < reached.base)
        RememberReached(daynotes, since);
    if (now < reached.next) return;
    const std::vector<DueReminder> due = DueIn(daynotes, since, now);
    if (!due.empty()) {
        FireDue(daynotes, due, false);
        CheckReminders(false, daynotes);
    }
    RememberReached(daynotes, now);
}

void RemindersChanged() {
    reached.valid = false;
}

bool ReminderWorkPending() {
    return !work.steps.empty() || !work.mails.empty() || work.inFlight > 0;
}

void FinishReminderWork() {
    work.finishing = true;
    work.steps.clear();
    for (const QueuedMail& mail : work.mails) work.mailing.erase(KeyOf(mail.due));
    work.mails.clear();
    FinishPendingMail(QuitMailWaitMs);
    work.failed = 0;
    work.failure.clear();
    work.noMailProgram = false;
    work.finishing = false;
    if (work.timer) work.timer->stop();
}
