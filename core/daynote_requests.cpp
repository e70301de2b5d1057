// Lines that other programs of the user add to or remove from daynotes, arriving as FromVRDX signals.
#include "core/daynote_requests.h"
#include "core/daynote_store.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/undo.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <deque>

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

RequestOutcome ExternalDaynoteRequest(const QString& object, RecordArray& daynotes) {
    const QStringList fields = object.split(QLatin1Char(';'));
    double            date = 0;
    if (fields.size() != 4 || !RequestDate(fields[2], &date)) return RequestOutcome::Ignored;
    const QString text = ExternalDaynoteText(fields[0], fields[1]);
    // Another program's change is the user's to take back like any other.
    DaynoteChangeScope change;
    if (fields[3] == QLatin1String("A")) {
        const int    index = FindNoteIndex(daynotes, date);
        const Value* value =
            IsNoteAtIndex(daynotes, date, index) ? GetRecordValue(daynotes, index, NoteDataKey) : nullptr;
        const QString* held = value ? ValueText(*value) : nullptr;
        if ((held ? held->size() + 1 : 0) + text.size() > MaxRequestDaynoteLength &&
            !(held && held->contains(text, Qt::CaseInsensitive)))
            return RequestOutcome::Refused;
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
    return RequestOutcome::Done;
}

namespace {

constexpr qsizetype MaxQueued = 50'000;                   // requests waiting at once
constexpr qsizetype MaxQueuedBytes = qsizetype(16) << 20; // and the text they hold
constexpr qint64    TurnNs = 5'000'000;                   // a turn ends once it has run this long

std::deque<QString> queue;
qsizetype           queuedBytes = 0;
qsizetype           dropped = 0, refused = 0; // since the queue was last empty
bool                turnPlanned = false;
QTimer*             reportTimer = nullptr; // says the flood's losses once requests have stopped coming

qsizetype Bytes(const QString& object) {
    return object.size() * qsizetype(sizeof(QChar));
}

// Said once a flood is over rather than once a request, so that the flood does not go on in the terminal.
void ReportFlood() {
    if (dropped > 0)
        std::fprintf(stderr,
                     "vrdx: %lld FromVRDX requests dropped: more came at once than %lld requests or %lld MB "
                     "can wait\n",
                     static_cast<long long>(dropped), static_cast<long long>(MaxQueued),
                     static_cast<long long>(MaxQueuedBytes >> 20));
    if (refused > 0)
        std::fprintf(
            stderr,
            "vrdx: %lld FromVRDX requests refused: the daynote would be longer than %lld characters\n",
            static_cast<long long>(refused), static_cast<long long>(MaxRequestDaynoteLength));
    dropped = refused = 0;
}

// Up to a turn's time of requests, all in one change of the daynote array.
void RunTurn(qint64 budgetNs) {
    turnPlanned = false;
    QElapsedTimer turn;
    turn.start();
    {
        DaynoteChangeScope change;
        while (!queue.empty() && (budgetNs < 0 || turn.nsecsElapsed() < budgetNs)) {
            const QString object = std::move(queue.front());
            queue.pop_front();
            queuedBytes -= Bytes(object);
            if (ExternalDaynoteRequest(object, App().daynotes) == RequestOutcome::Refused) ++refused;
        }
    }
    if (queue.empty()) {
        // A flood arriving slower than it is taken empties the queue many times; wait for a quiet second.
        if (dropped > 0 || refused > 0) {
            if (!reportTimer) {
                reportTimer = new QTimer();
                reportTimer->setSingleShot(true);
                reportTimer->setInterval(1000);
                QObject::connect(reportTimer, &QTimer::timeout, [] { ReportFlood(); });
            }
            reportTimer->start();
        }
    } else if (!turnPlanned) {
        // The event loop answers the bus and draws before the next turn.
        turnPlanned = true;
        QTimer::singleShot(0, [] { RunTurn(TurnNs); });
    }
}

} // namespace

void QueueDaynoteRequest(const QString& object) {
    if (reportTimer) reportTimer->stop(); // the flood is not over
    if (qsizetype(queue.size()) >= MaxQueued || queuedBytes + Bytes(object) > MaxQueuedBytes) {
        ++dropped;
    } else {
        queue.push_back(object);
        queuedBytes += Bytes(object);
    }
    // Even a drop gets a turn: the turn that finds the queue empty says what was dropped.
    if (!turnPlanned) {
        turnPlanned = true;
        QTimer::singleShot(0, [] { RunTurn(TurnNs); });
    }
}

void FlushDaynoteRequests() {
    if (!queue.empty() || dropped || refused) RunTurn(-1);
    if (reportTimer) reportTimer->stop();
    ReportFlood();
}
