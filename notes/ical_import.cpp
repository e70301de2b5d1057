// iCalendar import through libical: a strict look at the lines first (libical accepts almost anything),
// then the entries with their zones, spans and repetitions.
#include "notes/ical_import.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/icalendar.h"
#include "core/undo.h"
#include "notes/daynote_window.h"
#include "platform/alerts.h"
#include "platform/file_dialogs.h"
#include "platform/progress.h"
#include "platform/windows.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTimer>
#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#include <QDate>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

constexpr qsizetype MaxFileBytes = 50 * 1024 * 1024;
constexpr qsizetype MaxLineBytes = 1 << 20; // libical's reading time grows with the square of a line's length
constexpr int       MaxDaynoteLength = 100000; // characters one daynote may reach through an import
constexpr int       MaxEntries = 500000;       // lines one import may put on days
constexpr int       MaxOccurrences = 100000;   // occurrences a rule may return, in its window or not
// Periods a rule may step through to reach the end of its window: libical tries each one, matching or not,
// so a rule by the second that never matches would run for ever.
constexpr double MaxRuleSteps = 1e6;
constexpr int MaxSpanDays = 366; // an all-day entry longer than a year is a damaged one, not 10,000 daynotes
constexpr int MaxZoneParts = 1000;            // STANDARD and DAYLIGHT parts of one VTIMEZONE
constexpr int FirstYear = 1, LastYear = 9999; // the years the calendar shows

struct Refusal {
    int     line = 0; // from 1; 0 when no one line is to blame
    QString text;     // that line
    QString reason{}; // empty: the file is not iCalendar at all
};

QString RuleValue(const QString& rule, const QString& part) {
    for (const QString& p : rule.split(QLatin1Char(';')))
        if (p.section(QLatin1Char('='), 0, 0).trimmed().compare(part, Qt::CaseInsensitive) == 0)
            return p.section(QLatin1Char('='), 1).trimmed();
    return {};
}

// A DATE or DATE-TIME value that names no day of the calendar: "" when it is good or not a date at all
// (libical then leaves it out), else why.
QString BadDate(const QString& value) {
    static const QRegularExpression date(QStringLiteral(R"(^(\d{4,})(\d\d)(\d\d)(T\d{6}Z?)?$)"));
    const QRegularExpressionMatch   m = date.match(value.trimmed());
    if (!m.hasMatch()) return {};
    const int year = m.capturedView(1).size() > 5 ? LastYear + 1 : m.capturedView(1).toInt();
    if (year < FirstYear || year > LastYear)
        return QStringLiteral("The date is outside the years %1 to %2.").arg(FirstYear).arg(LastYear);
    if (!QDate(year, m.capturedView(2).toInt(), m.capturedView(3).toInt()).isValid())
        return QStringLiteral("There is no such date.");
    return {};
}

// Date properties, a time zone's repetitions and the rules' end dates, looked at before libical sees them:
// it reads an impossible date as another day and expands a zone's rules by the second without end.
QString BadValue(const QString& name, const QString& value, const QStringList& open) {
    static const QStringList dateNames = {QStringLiteral("DTSTART"), QStringLiteral("DTEND"),
                                          QStringLiteral("DUE"),     QStringLiteral("RDATE"),
                                          QStringLiteral("EXDATE"),  QStringLiteral("RECURRENCE-ID")};
    if (dateNames.contains(name)) {
        for (const QString& item : value.split(QLatin1Char(',')))
            if (QString why = BadDate(item.section(QLatin1Char('/'), 0, 0)); !why.isEmpty()) return why;
        return {};
    }
    if (name != QLatin1String("RRULE")) return {};
    if (QString why = BadDate(RuleValue(value, QStringLiteral("UNTIL"))); !why.isEmpty()) return why;
    const bool inZone = !open.isEmpty() && (open.last() == QLatin1String("STANDARD") ||
                                            open.last() == QLatin1String("DAYLIGHT"));
    if (inZone &&
        RuleValue(value, QStringLiteral("FREQ")).compare(QLatin1String("YEARLY"), Qt::CaseInsensitive))
        return QStringLiteral("A time zone's rule repeats more often than once a year.");
    return {};
}

// The lines of a file looked at a few at a time: the first that is not "NAME;PARAM=...:value" after
// unfolding, or a BEGIN and END that do not pair, or a file without a whole calendar, or a value this program
// refuses.
class LineCheck {
  public:
    explicit LineCheck(const QByteArray& bytes) {
        const QList<QByteArray> lines = bytes.split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            QByteArray line = lines[i];
            if (line.endsWith('\r')) line.chop(1);
            if (line.isEmpty()) continue;
            if ((line[0] == ' ' || line[0] == '\t') && !logical.isEmpty())
                logical.last().text += line.mid(1);
            else
                logical.append({i + 1, line});
        }
        lastLine = std::max(1, int(lines.size()) - (bytes.endsWith('\n') ? 1 : 0));
    }

    bool   Done() const { return next >= logical.size() && finished; }
    double Share() const { return logical.isEmpty() ? 1 : double(next) / double(logical.size()); }

    // Looks at up to `count` more lines; a refusal (line not 0) ends the check.
    Refusal Step(qsizetype count) {
        static const QRegularExpression contentLine(
            QStringLiteral(R"(^[A-Za-z0-9-]+(;[A-Za-z0-9-]+=("[^"]*"|[^";:,]*)(,("[^"]*"|[^";:,]*))*)*:)"));
        for (const qsizetype end = std::min(logical.size(), next + count); next < end; ++next) {
            const Line& raw = logical[next];
            if (raw.text.size() > MaxLineBytes)
                return {raw.number, QString::fromUtf8(raw.text.left(80)) + QStringLiteral("..."),
                        QStringLiteral("A line is longer than %L1 MB.").arg(MaxLineBytes >> 20)};
            const QString                 text = QString::fromUtf8(raw.text);
            const QRegularExpressionMatch match = contentLine.match(text);
            bool                          good = match.hasMatch();
            QString                       why;
            if (good) {
                const QString name =
                    text.section(QLatin1Char(';'), 0, 0).section(QLatin1Char(':'), 0, 0).toUpper();
                const QString value = text.mid(match.capturedLength(0)).trimmed();
                if (name == QLatin1String("BEGIN")) {
                    const QString kind = value.toUpper();
                    sawCalendar |= kind == QLatin1String("VCALENDAR");
                    good = !open.isEmpty() || kind == QLatin1String("VCALENDAR");
                    if (kind == QLatin1String("VTIMEZONE")) zoneParts = 0;
                    if ((kind == QLatin1String("STANDARD") || kind == QLatin1String("DAYLIGHT")) &&
                        ++zoneParts > MaxZoneParts)
                        why = QStringLiteral("A time zone has more than %L1 parts.").arg(MaxZoneParts);
                    open << kind;
                } else if (name == QLatin1String("END")) {
                    good = !open.isEmpty() && open.takeLast() == value.toUpper();
                } else {
                    good = !open.isEmpty();
                    if (good) why = BadValue(name, value, open);
                }
            }
            if (!good || !why.isEmpty()) return {raw.number, text, why};
        }
        if (next < logical.size()) return {};
        finished = true;
        if (!open.isEmpty() || !sawCalendar) return {lastLine, QStringLiteral("(end of file)")};
        return {};
    }

  private:
    struct Line {
        int        number;
        QByteArray text;
    };
    QList<Line> logical;
    qsizetype   next = 0;
    int         lastLine = 1;
    QStringList open;
    bool        sawCalendar = false, finished = false;
    int         zoneParts = 0;
};

// The line of the first RRULE property that reads as the same rule, for naming it in a refusal.
Refusal RuleLine(const QByteArray& bytes, icalproperty* rule, const QString& why) {
    const QByteArray        wanted = icalproperty_get_value_as_string(rule);
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (!line.toUpper().startsWith("RRULE:")) continue;
        const icalrecurrencetype read = icalrecurrencetype_from_string(line.mid(6).constData());
        if (read.freq == ICAL_NO_RECURRENCE) continue;
        if (const char* text = icalrecurrencetype_as_string(const_cast<icalrecurrencetype*>(&read));
            text && wanted == text)
            return {i + 1, QString::fromUtf8(line), why};
    }
    return {0, QString(), why};
}

bool Repeats(icalcomponent* c) {
    return icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY) ||
           icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY);
}

// A DATE or DATE-TIME as this program's absolute time: zoned and UTC times are moments, floating times and
// dates are read in the system time zone.
double ToAbsTime(const icaltimetype& t) {
    if (t.is_date) return DateToAbsTime(t.month, t.day, t.year);
    if (t.zone) return double(icaltime_as_timet_with_zone(t, t.zone)) - UnixToAbsoluteOffset;
    return DateTimeToAbsTime(t.month, t.day, t.year, t.hour, t.minute) + t.second;
}

double SecondsPerPeriod(icalrecurrencetype_frequency freq) {
    switch (freq) {
    case ICAL_SECONDLY_RECURRENCE:
        return 1;
    case ICAL_MINUTELY_RECURRENCE:
        return 60;
    case ICAL_HOURLY_RECURRENCE:
        return 3600;
    case ICAL_DAILY_RECURRENCE:
        return 86400;
    case ICAL_WEEKLY_RECURRENCE:
        return 7 * 86400;
    case ICAL_MONTHLY_RECURRENCE:
        return 28 * 86400;
    default:
        return 365 * 86400;
    }
}

bool HasByParts(const icalrecurrencetype& r) {
    for (const short* part : {r.by_second, r.by_minute, r.by_hour, r.by_day, r.by_month_day, r.by_year_day,
                              r.by_week_no, r.by_month, r.by_set_pos})
        if (part[0] != ICAL_RECURRENCE_ARRAY_MAX) return true;
    return false;
}

struct Entry {
    double  day;
    QString text;
};

// Collects the lines of one component; each all-day day once, however many occurrences span it.
class Occurrences {
  public:
    Occurrences(const QString& summary, int spanDays, QList<Entry>* entries)
        : summary(summary), spanDays(std::clamp(spanDays, 1, MaxSpanDays)), entries(entries) {}

    bool full() const { return entries->size() > MaxEntries; }

    void add(const icaltimetype& start) {
        if (full()) return;
        if (!start.is_date) {
            const double at = ToAbsTime(start);
            entries->append(
                {StartOfDay(at), FormatDate(QStringLiteral("h:mm a"), at) + QLatin1Char(' ') + summary});
            return;
        }
        const QDate  first(start.year, start.month, start.day);
        const qint64 from = std::max(first.toJulianDay(), coveredUntil),
                     until = first.toJulianDay() + spanDays;
        const QDate last(LastYear, 12, 31);
        for (qint64 jd = from; jd < until && jd <= last.toJulianDay() && !full(); ++jd) {
            const QDate d = QDate::fromJulianDay(jd);
            entries->append({DateToAbsTime(d.month(), d.day(), d.year()), summary});
        }
        coveredUntil = std::max(coveredUntil, until);
    }

  private:
    QString       summary;
    int           spanDays;
    QList<Entry>* entries;
    qint64        coveredUntil = 0; // occurrences come in order: days before this are already on the list
};

bool ReadComponent(icalcomponent* c, double now, const QByteArray& bytes, QList<Entry>* entries,
                   Refusal* refusal) {
    const char*   summaryText = icalcomponent_get_summary(c);
    const QString summary = QString::fromUtf8(summaryText ? summaryText : "").trimmed();
    if (summary.isEmpty()) return true;
    icaltimetype start = icalcomponent_get_dtstart(c);
    if (icaltime_is_null_time(start) && icalcomponent_isa(c) == ICAL_VTODO_COMPONENT)
        start = icalcomponent_get_due(c);
    if (icaltime_is_null_time(start)) return true;
    int spanDays = 1;
    if (start.is_date) {
        const icaltimetype end = icalcomponent_get_dtend(c);
        if (!icaltime_is_null_time(end) && end.is_date)
            spanDays = std::max(1, int(std::lround((ToAbsTime(end) - ToAbsTime(start)) / 86400.0)));
    }
    Occurrences occurrences(summary, spanDays, entries);
    if (!Repeats(c)) {
        occurrences.add(start);
        return true;
    }
    const double from = AddDateUnits(now, -12, AddMonths), until = AddDateUnits(now, 12, AddMonths);
    QSet<double> excludedMoments, excludedDays;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_EXDATE_PROPERTY)) {
        icaltimetype t = icalproperty_get_exdate(p);
        if (icaltime_is_null_time(t)) continue;
        if (!t.zone) t.zone = start.zone;
        (t.is_date ? excludedDays : excludedMoments).insert(t.is_date ? ToAbsTime(t) : ToAbsTime(t));
    }
    const auto excluded = [&](double at) {
        return excludedMoments.contains(at) || excludedDays.contains(StartOfDay(at));
    };
    const icaltimetype windowEnd = icaltime_from_timet_with_zone(
        time_t(until + UnixToAbsoluteOffset), start.is_date, icaltimezone_get_utc_timezone());
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_RRULE_PROPERTY)) {
        icalrecurrencetype rule = icalproperty_get_rrule(p);
        // The rule stops at the window's end, whatever its own end, and starts at the window when it counts
        // no occurrences from its first.
        if (icaltime_is_null_time(rule.until) || icaltime_compare(rule.until, windowEnd) > 0)
            rule.until = windowEnd;
        icalrecur_iterator* it = icalrecur_iterator_new(rule, start);
        if (!it) continue;
        double stepFrom = ToAbsTime(start);
        if (rule.count == 0 && stepFrom < from) {
            icaltimetype windowStart = icaltime_from_timet_with_zone(
                time_t(from + UnixToAbsoluteOffset), start.is_date, icaltimezone_get_utc_timezone());
            if (!start.is_date && start.zone)
                windowStart = icaltime_convert_to_zone(windowStart, const_cast<icaltimezone*>(start.zone));
            windowStart.zone = start.zone;
            if (icalrecur_iterator_set_start(it, windowStart)) stepFrom = from;
        }
        double steps = (until - stepFrom) / (SecondsPerPeriod(rule.freq) * std::max<short>(1, rule.interval));
        if (rule.count > 0 && !HasByParts(rule)) steps = std::min(steps, double(rule.count));
        if (steps > MaxRuleSteps) {
            icalrecur_iterator_free(it);
            *refusal = RuleLine(bytes, p, QStringLiteral("The entry repeats too often to import."));
            return false;
        }
        int n = 0;
        for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t) && n < MaxOccurrences;
             t = icalrecur_iterator_next(it), ++n) {
            t.zone = start.zone;
            const double at = ToAbsTime(t);
            if (at > until || occurrences.full()) break;
            if (at < from || excluded(at)) continue;
            occurrences.add(t);
        }
        icalrecur_iterator_free(it);
    }
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_RDATE_PROPERTY)) {
        icaltimetype t = icalproperty_get_rdate(p).time;
        if (icaltime_is_null_time(t)) continue;
        if (!t.zone) t.zone = start.zone;
        const double at = ToAbsTime(t);
        if (at >= from && at <= until) occurrences.add(t);
    }
    return true;
}

IcalImportResult Refused(const Refusal& refusal) {
    IcalImportResult result;
    result.failedLine = refusal.line;
    result.failedText = refusal.text;
    result.reason = refusal.reason;
    return result;
}

} // namespace

// One import, done a turn at a time: the lines are looked at, libical reads the file, the entries are read
// component by component and gathered by day, and only the last step changes the daynotes, so that stopping
// before it changes nothing.
class IcalImportJob {
  public:
    IcalImportJob(const QByteArray& bytes, double now) : bytes(bytes), now(now), lines(bytes) {}

    // Works until the deadline passes (or to the end with none); true once the result is known.
    bool Step(RecordArray& daynotes, const QDeadlineTimer& deadline) {
        while (!finished && (phase == Phase::Apply || !deadline.hasExpired())) {
            switch (phase) {
            case Phase::Size:
                if (bytes.size() > MaxFileBytes)
                    return Finish(
                        Refused({0, QString(),
                                 QStringLiteral("The file is larger than %L1 MB.").arg(MaxFileBytes >> 20)}));
                phase = Phase::Lines;
                break;
            case Phase::Lines:
                if (const Refusal bad = lines.Step(2000); bad.line) return Finish(Refused(bad));
                if (lines.Done()) phase = Phase::Parse;
                break;
            case Phase::Parse:
                Parse();
                break;
            case Phase::Components:
                if (next == components.size()) {
                    phase = Phase::Days;
                    next = 0;
                } else if (!ReadComponent(components[next++], now, bytes, &entries, &refusal)) {
                    return Finish(Refused(refusal));
                }
                break;
            case Phase::Days:
                if (!GatherDays(daynotes, 2000)) return finished;
                break;
            case Phase::Apply:
                Apply(daynotes);
                return finished;
            }
        }
        return finished;
    }

    // How far it got, 0 to 1: the lines and the entries take about as long as each other.
    double Share() const {
        switch (phase) {
        case Phase::Size:
        case Phase::Lines:
            return 0.3 * lines.Share();
        case Phase::Parse:
            return 0.3;
        case Phase::Components:
            return 0.4 + 0.3 * (components.isEmpty() ? 1 : double(next) / double(components.size()));
        case Phase::Days:
            return 0.7 + 0.3 * (entries.isEmpty() ? 1 : double(next) / double(entries.size()));
        case Phase::Apply:
            return 1;
        }
        return 1;
    }

    IcalImportResult result;

  private:
    enum class Phase { Size, Lines, Parse, Components, Days, Apply };

    bool Finish(const IcalImportResult& r) {
        result = r;
        finished = true;
        return true;
    }

    void Parse() {
        root.reset(icalparser_parse_string(bytes.constData()));
        if (!root) {
            Finish(Refused({1, QString::fromUtf8(bytes.left(bytes.indexOf('\n')))}));
            return;
        }
        QList<icalcomponent*> calendars;
        if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT)
            calendars << root.get();
        else
            for (icalcomponent* cal = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT);
                 cal; cal = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
                calendars << cal;
        for (icalcomponent* calendar : calendars)
            for (icalcomponent_kind kind : {ICAL_VEVENT_COMPONENT, ICAL_VTODO_COMPONENT})
                for (icalcomponent* c = icalcomponent_get_first_component(calendar, kind); c;
                     c = icalcomponent_get_next_component(calendar, kind))
                    components << c;
        phase = Phase::Components;
        next = 0;
    }

    // Each day's lines are gathered first and checked, so that a refusal changes nothing and the cost stays
    // in proportion to the entries however many fall on one day. False once refused.
    bool GatherDays(const RecordArray& daynotes, qsizetype count) {
        if (next == 0 && entries.size() > MaxEntries) {
            Finish(Refused(
                {0, QString(), QStringLiteral("The file holds more than %L1 entries.").arg(MaxEntries)}));
            return false;
        }
        for (const qsizetype end = std::min(entries.size(), next + count); next < end; ++next) {
            const Entry& e = entries[next];
            auto         it = days.find(e.day);
            if (it == days.end()) {
                Day       day;
                const int index = FindNoteIndex(daynotes, e.day);
                if (IsNoteAtIndex(daynotes, e.day, index)) {
                    day.index = index;
                    const Value* value = GetRecordValue(daynotes, index, NoteDataKey);
                    if (const QString* old = value ? ValueText(*value) : nullptr) day.base = day.text = *old;
                    for (const QString& line : day.text.split(QLatin1Char('\r'), Qt::SkipEmptyParts))
                        day.lines.insert(line.toLower());
                }
                it = days.insert(e.day, day);
                order << e.day;
            }
            Day&          day = *it;
            const QString folded = e.text.toLower();
            if (day.lines.contains(folded)) {
                ++result.skipped;
                continue;
            }
            day.lines.insert(folded);
            day.added << e.text;
            // A day without a daynote gets one with its first line; every further line is appended.
            const bool newDaynote = day.index < 0 && !day.changed;
            if (day.text.isEmpty())
                day.text = e.text;
            else
                day.text += QLatin1Char('\r') + e.text;
            day.changed = true;
            if (day.text.size() > MaxDaynoteLength) {
                Finish(Refused({0, QString(),
                                QStringLiteral("The daynote of %1 would be longer than %L2 characters.")
                                    .arg(FormatDate(QStringLiteral("d MMMM yyyy"), e.day))
                                    .arg(MaxDaynoteLength)}));
                return false;
            }
            ++(newDaynote ? result.added : result.appended);
        }
        if (next == entries.size()) phase = Phase::Apply;
        return true;
    }

    // The days as gathered; a day changed meanwhile (the import went on in turns) gets the lines the import
    // adds joined to what it holds now.
    void Apply(RecordArray& daynotes) {
        QList<double> added;
        for (double date : order) {
            const Day& day = days[date];
            if (!day.changed) continue;
            const int index = FindNoteIndex(daynotes, date);
            if (!IsNoteAtIndex(daynotes, date, index)) {
                added << date;
                continue;
            }
            const Value*   value = GetRecordValue(daynotes, index, NoteDataKey);
            const QString* held = value ? ValueText(*value) : nullptr;
            const QString  now = held ? *held : QString();
            SetRecordValue(daynotes, index, NoteDataKey,
                           Value(day.index >= 0 && now == day.base ? day.text : Joined(now, day.added)));
        }
        for (double date : added) {
            const Day& day = days[date];
            InsertDaynote(date, day.index < 0 ? day.text : Joined(QString(), day.added), NoteEvent, 0, 0,
                          int(daynotes.size()), daynotes);
        }
        // The views learn which days changed from the change scope the import runs in.
        if (!added.isEmpty()) SortDaynotes(daynotes);
        result.ok = true;
        finished = true;
    }

    static QString Joined(QString text, const QStringList& lines) {
        QSet<QString> held;
        for (const QString& line : text.split(QLatin1Char('\r'), Qt::SkipEmptyParts))
            held.insert(line.toLower());
        for (const QString& line : lines) {
            if (held.contains(line.toLower())) continue;
            held.insert(line.toLower());
            text += text.isEmpty() ? line : QLatin1Char('\r') + line;
        }
        return text;
    }

    struct Day {
        int           index = -1; // in the daynotes, or -1 for a new daynote
        QString       base;       // the text the day held when gathered
        QString       text;
        QStringList   added; // the lines the import adds
        QSet<QString> lines; // folded to lower case, to skip what the day already holds
        bool          changed = false;
    };

    QByteArray            bytes;
    double                now;
    Phase                 phase = Phase::Size;
    bool                  finished = false;
    LineCheck             lines;
    IcalComponent         root;
    QList<icalcomponent*> components;
    qsizetype             next = 0; // the next component, then the next entry
    QList<Entry>          entries;
    Refusal               refusal;
    QHash<double, Day>    days;
    QList<double>         order; // days in the order their first entry came
};

IcalImportResult ImportIcalendar(const QByteArray& bytes, RecordArray& daynotes, double now) {
    IcalImportJob job(bytes, now);
    job.Step(daynotes, QDeadlineTimer::Forever);
    return job.result;
}

namespace {

// Work done within one turn of the event loop once the import shows its progress.
constexpr int TurnMs = 50;
// An import that takes longer than this shows its progress and can be cancelled.
int quietMs = 1000;

// The import under way in turns; one at a time.
struct RunningImport {
    std::unique_ptr<IcalImportJob> job;
    QString                        name;
    QPointer<QWidget>              progress;
};
std::unique_ptr<RunningImport> running;

void ReportImport(const QString& name, const IcalImportResult& result) {
    if (!result.ok) {
        const QString line =
            result.failedLine
                ? QStringLiteral("Line %1: %2\r").arg(result.failedLine).arg(result.failedText.left(200))
                : QString();
        if (result.reason.isEmpty())
            ShowAlert(AlertStyle::Informational, QStringLiteral("\"%1\" is not an iCalendar file").arg(name),
                      line + QStringLiteral("Nothing was imported."));
        else
            ShowAlert(AlertStyle::Informational, QStringLiteral("\"%1\" was not imported").arg(name),
                      result.reason + QLatin1Char('\r') + line + QStringLiteral("Nothing was imported."));
        return;
    }
    // The summary is a sheet on the front window, so that it stays with the calendar it describes.
    ShowNoteSheet(
        FrontWindow(), QStringLiteral("Imported \"%1\"").arg(name),
        QStringLiteral("Daynotes added: %1\rDaynotes with a line added: %2\rEntries already there: %3")
            .arg(result.added)
            .arg(result.appended)
            .arg(result.skipped));
}

// One step of the import, its change of the daynotes (made by the last step only) one undo step.
bool StepImport(RunningImport& import, const QDeadlineTimer& deadline) {
    DaynoteChangeScope change(QStringLiteral("Import %1").arg(import.name));
    return import.job->Step(App().daynotes, deadline);
}

void EndImport() {
    std::unique_ptr<RunningImport> done = std::move(running);
    CloseProgressWindow(done->progress);
    ReportImport(done->name, done->job->result);
}

void ImportTurn() {
    if (!running) return; // cancelled
    // A quit under way saves the daynotes as they are: the import stops where it is and changes nothing.
    if (App().quitting) {
        CloseProgressWindow(running->progress);
        running.reset();
        return;
    }
    if (StepImport(*running, QDeadlineTimer(TurnMs))) {
        EndImport();
        return;
    }
    SetProgress(running->progress, running->job->Share());
    QTimer::singleShot(0, qApp, ImportTurn);
}

} // namespace

void ImportIcalendarFile(const QString& path) {
    if (running) {
        // One import at a time: the one under way comes to the front.
        if (running->progress) SelectWindow(running->progress);
        return;
    }
    QFile      file(path);
    const bool read = file.open(QIODevice::ReadOnly);
    // One byte past the limit is enough to refuse the file; a larger one is never read whole.
    const QByteArray bytes = read ? file.read(MaxFileBytes + 1) : QByteArray();
    if (!read || file.error() != QFileDevice::NoError) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("The file could not be read"),
                  QStringLiteral("%1: %2").arg(path, file.errorString()));
        return;
    }
    running = std::make_unique<RunningImport>();
    running->job = std::make_unique<IcalImportJob>(bytes, GetNow());
    running->name = QFileInfo(path).fileName();
    // Most files are done before anyone would wonder; a longer import goes on in turns, with its progress
    // and a Cancel that changes nothing.
    if (StepImport(*running, QDeadlineTimer(quietMs))) {
        EndImport();
        return;
    }
    running->progress = ShowProgressWindow(
        QStringLiteral("Importing \"%1\"").arg(running->name),
        QStringLiteral("Reading the entries of \"%1\"...").arg(running->name), [] { running.reset(); });
    SetProgress(running->progress, running->job->Share());
    QTimer::singleShot(0, qApp, ImportTurn);
}

void SetImportQuietTime(int ms) {
    quietMs = ms;
}

bool IcalendarImportRunning() {
    return running != nullptr;
}

int CommandImportIcalendar(FourCC) {
    const QString path = ChooseFileToOpen(QStringLiteral("Import iCalendar file"), QDir::homePath());
    if (!path.isEmpty()) ImportIcalendarFile(path);
    return EventHandled;
}

bool IsIcalendarFile(const QString& path) {
    return QMimeDatabase().mimeTypeForFile(path).inherits(QStringLiteral("text/calendar"));
}

bool OfferIcalendarImport(const QString& path) {
    if (!IsIcalendarFile(path)) return false;
    if (ShowAlert(AlertStyle::Informational,
                  QStringLiteral("Import \"%1\" into the daynotes?").arg(QFileInfo(path).fileName()),
                  QStringLiteral("Each of its entries becomes a line on its day's daynote."),
                  QStringLiteral("Import"), QStringLiteral("Cancel")) == AlertFirstButton)
        ImportIcalendarFile(path);
    return true;
}
