// iCalendar import through libical: a strict look at the lines first (libical accepts almost anything),
// then the entries with their zones, spans and repetitions.
#include "notes/ical_import.h"

#include "calendar/holidays.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/icalendar.h"
#include "core/undo.h"
#include "platform/alerts.h"
#include "platform/file_dialogs.h"
#include "platform/windows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

constexpr int MaxOccurrences = 100000; // a rule that never reaches the window's end stops here
constexpr int MaxSpanDays = 366; // an all-day entry longer than a year is a damaged one, not 10,000 daynotes

// The first line that is not "NAME;PARAM=...:value" after unfolding, or a BEGIN and END that do not pair,
// or a file without a whole calendar; 0 when every line is good.
int FirstBadLine(const QByteArray& bytes, QString* text) {
    static const QRegularExpression contentLine(
        QStringLiteral(R"(^[A-Za-z0-9-]+(;[A-Za-z0-9-]+=("[^"]*"|[^";:,]*)(,("[^"]*"|[^";:,]*))*)*:)"));
    struct Line {
        int     number;
        QString text;
    };
    QList<Line>             logical;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r')) line.chop(1);
        if (line.isEmpty()) continue;
        if ((line[0] == ' ' || line[0] == '\t') && !logical.isEmpty())
            logical.last().text += QString::fromUtf8(line.mid(1));
        else
            logical.append({i + 1, QString::fromUtf8(line)});
    }
    QStringList open;
    bool        sawCalendar = false;
    for (const Line& line : logical) {
        bool good = contentLine.match(line.text).hasMatch();
        if (good) {
            const QString name = line.text.section(QLatin1Char(':'), 0, 0).toUpper();
            const QString value = line.text.section(QLatin1Char(':'), 1).trimmed().toUpper();
            if (name == QLatin1String("BEGIN")) {
                sawCalendar |= value == QLatin1String("VCALENDAR");
                good = !open.isEmpty() || value == QLatin1String("VCALENDAR");
                open << value;
            } else if (name == QLatin1String("END")) {
                good = !open.isEmpty() && open.takeLast() == value;
            } else {
                good = !open.isEmpty();
            }
        }
        if (!good) {
            *text = line.text;
            return line.number;
        }
    }
    if (!open.isEmpty() || !sawCalendar) {
        *text = QStringLiteral("(end of file)");
        return std::max(1, int(lines.size()) - (bytes.endsWith('\n') ? 1 : 0)); // the last line
    }
    return 0;
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

struct Entry {
    double  day;
    QString text;
};

// The days and lines of one occurrence starting at `start`, lasting as the component does.
void AddOccurrence(const icaltimetype& start, int spanDays, const QString& summary, QList<Entry>* entries) {
    const double at = ToAbsTime(start);
    if (!start.is_date) {
        entries->append(
            {StartOfDay(at), FormatDate(QStringLiteral("h:mm a"), at) + QLatin1Char(' ') + summary});
        return;
    }
    for (int d = 0; d < std::clamp(spanDays, 1, MaxSpanDays); ++d)
        entries->append({AddDateUnits(at, d, AddDays), summary});
}

void ReadComponent(icalcomponent* c, double now, QList<Entry>* entries) {
    const char*   summaryText = icalcomponent_get_summary(c);
    const QString summary = QString::fromUtf8(summaryText ? summaryText : "").trimmed();
    if (summary.isEmpty()) return;
    icaltimetype start = icalcomponent_get_dtstart(c);
    if (icaltime_is_null_time(start) && icalcomponent_isa(c) == ICAL_VTODO_COMPONENT)
        start = icalcomponent_get_due(c);
    if (icaltime_is_null_time(start)) return;
    int spanDays = 1;
    if (start.is_date) {
        const icaltimetype end = icalcomponent_get_dtend(c);
        if (!icaltime_is_null_time(end) && end.is_date)
            spanDays = std::max(1, int(std::lround((ToAbsTime(end) - ToAbsTime(start)) / 86400.0)));
    }
    if (!Repeats(c)) {
        AddOccurrence(start, spanDays, summary, entries);
        return;
    }
    const double from = AddDateUnits(now, -12, AddMonths), until = AddDateUnits(now, 12, AddMonths);
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_RRULE_PROPERTY)) {
        icalrecur_iterator* it = icalrecur_iterator_new(icalproperty_get_rrule(p), start);
        if (!it) continue;
        int n = 0;
        for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t) && n < MaxOccurrences;
             t = icalrecur_iterator_next(it), ++n) {
            t.zone = start.zone;
            const double at = ToAbsTime(t);
            if (at > until) break;
            if (at < from || icalproperty_recurrence_is_excluded(c, &start, &t)) continue;
            AddOccurrence(t, spanDays, summary, entries);
        }
        icalrecur_iterator_free(it);
    }
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_RDATE_PROPERTY)) {
        icaltimetype t = icalproperty_get_rdate(p).time;
        if (icaltime_is_null_time(t)) continue;
        if (!t.zone) t.zone = start.zone;
        const double at = ToAbsTime(t);
        if (at >= from && at <= until) AddOccurrence(t, spanDays, summary, entries);
    }
}

void ReadCalendar(icalcomponent* calendar, double now, QList<Entry>* entries) {
    for (icalcomponent_kind kind : {ICAL_VEVENT_COMPONENT, ICAL_VTODO_COMPONENT})
        for (icalcomponent* c = icalcomponent_get_first_component(calendar, kind); c;
             c = icalcomponent_get_next_component(calendar, kind))
            ReadComponent(c, now, entries);
}

} // namespace

IcalImportResult ImportIcalendar(const QByteArray& bytes, RecordArray& daynotes, double now) {
    IcalImportResult result;
    result.failedLine = FirstBadLine(bytes, &result.failedText);
    if (result.failedLine) return result;
    IcalComponent root(icalparser_parse_string(bytes.constData()));
    if (!root) {
        result.failedLine = 1;
        result.failedText = QString::fromUtf8(bytes.left(bytes.indexOf('\n')));
        return result;
    }
    QList<Entry> entries;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        ReadCalendar(root.get(), now, &entries);
    } else {
        for (icalcomponent* cal = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT);
             cal; cal = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            ReadCalendar(cal, now, &entries);
    }
    for (const Entry& e : entries) {
        const bool existed = IsNoteAtIndex(daynotes, e.day, FindNoteIndex(daynotes, e.day));
        if (AddNamedDaynote(e.day, e.text, NoteEvent, false, daynotes))
            ++result.skipped;
        else
            ++(existed ? result.appended : result.added);
    }
    result.ok = true;
    return result;
}

void ImportIcalendarFile(const QString& path) {
    QFile            file(path);
    const bool       read = file.open(QIODevice::ReadOnly);
    const QByteArray bytes = read ? file.readAll() : QByteArray();
    if (!read || file.error() != QFileDevice::NoError) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("The file could not be read"),
                  QStringLiteral("%1: %2").arg(path, file.errorString()));
        return;
    }
    BeginDaynoteChange(QStringLiteral("Import %1").arg(QFileInfo(path).fileName()));
    const IcalImportResult result = ImportIcalendar(bytes, App().daynotes, GetNow());
    EndDaynoteChange();
    if (!result.ok) {
        ShowAlert(AlertStyle::Informational,
                  QStringLiteral("\"%1\" is not an iCalendar file").arg(QFileInfo(path).fileName()),
                  QStringLiteral("Line %1: %2\rNothing was imported.")
                      .arg(result.failedLine)
                      .arg(result.failedText));
        return;
    }
    // The summary is a sheet on the front window, so that it stays with the calendar it describes.
    ShowNoteSheet(
        FrontWindow(), QStringLiteral("Imported \"%1\"").arg(QFileInfo(path).fileName()),
        QStringLiteral("Daynotes added: %1\rDaynotes with a line added: %2\rEntries already there: %3")
            .arg(result.added)
            .arg(result.appended)
            .arg(result.skipped));
}

int CommandImportIcalendar(FourCC) {
    const QString path = ChooseFileToOpen(QStringLiteral("Import iCalendar file"), QDir::homePath());
    if (!path.isEmpty()) ImportIcalendarFile(path);
    return EventHandled;
}

bool OfferIcalendarImport(const QString& path) {
    if (!QMimeDatabase().mimeTypeForFile(path).inherits(QStringLiteral("text/calendar"))) return false;
    if (ShowAlert(AlertStyle::Informational,
                  QStringLiteral("Import \"%1\" into the daynotes?").arg(QFileInfo(path).fileName()),
                  QStringLiteral("Each of its entries becomes a line on its day's daynote."),
                  QStringLiteral("Import"), QStringLiteral("Cancel")) == AlertFirstButton)
        ImportIcalendarFile(path);
    return true;
}
