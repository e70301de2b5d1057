// Daynote export: the log as a text file for people, the iCalendar files built with libical.
#include "notes/export.h"

#include "core/app_state.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/icalendar.h"
#include "core/plist.h"
#include "platform/alerts.h"
#include "platform/reveal.h"
#include "platform/windows.h"

namespace {

const QString ExportedMessage = QStringLiteral("Daynotes exported to:");
const QString RevealButton = QStringLiteral("Reveal File in File Manager");

struct Daynote {
    const QString* text = nullptr; // null without NoteDataKey
    bool           dated = false;
    double         date = 0;
};

Daynote ReadDaynote(const Value& value) {
    Daynote note;
    if (const Record* record = ValueRecord(value)) {
        if (const Value* text = FindField(*record, NoteDataKey)) note.text = ValueText(*text);
        note.dated = RecordDate(*record, NoteDateKey, &note.date);
    }
    return note;
}

// The path of a file in the data folder, which is made when missing; empty (with the reason) without one.
QString DataFolderFile(const QString& name, QString* reason) {
    if (GetDataFolderURL().isEmpty()) {
        if (reason) *reason = QStringLiteral("the desktop names no folder for application data");
        return QString();
    }
    return GetDataFileURL(name);
}

// The same daynote gets the same UID in every export, so that importing again updates the entry instead of
// adding a second one. The array holds one daynote per day, so the date key identifies it; the form keeps
// the to-do and the event of one day apart when both files go into one calendar.
QByteArray DaynoteUid(const GregorianDate& day, IcalForm form) {
    return QStringLiteral("%1%2%3-%4@org.vrdx.VRDX")
        .arg(day.year, 4, 10, QLatin1Char('0'))
        .arg(day.month, 2, 10, QLatin1Char('0'))
        .arg(day.day, 2, 10, QLatin1Char('0'))
        .arg(form == IcalForm::ToDos ? QStringLiteral("todo") : QStringLiteral("event"))
        .toUtf8();
}

IcalComponent DaynoteComponent(const Daynote& note, IcalForm form, const icaltimetype& stamp) {
    const GregorianDate day = AbsTimeToDate(note.date);
    const GregorianDate next = AbsTimeToDate(AddDateUnits(note.date, 1, AddDays));
    const icaltimetype  start = IcalDate(day.year, day.month, day.day);
    IcalComponent       component =
        NewIcalComponent(form == IcalForm::ToDos ? ICAL_VTODO_COMPONENT : ICAL_VEVENT_COMPONENT);
    icalcomponent* c = component.get();
    icalcomponent_add_property(c, icalproperty_new_uid(DaynoteUid(day, form).constData()));
    icalcomponent_add_property(c, icalproperty_new_dtstamp(stamp));
    icalcomponent_add_property(c, icalproperty_new_dtstart(start));
    // An all-day event ends at the start of the next day; a to-do has no end but is due on its day.
    if (form == IcalForm::Events)
        icalcomponent_add_property(c, icalproperty_new_dtend(IcalDate(next.year, next.month, next.day)));
    else
        icalcomponent_add_property(c, icalproperty_new_due(start));
    if (note.text && !note.text->isEmpty()) {
        const QByteArray text = IcalText(*note.text);
        icalcomponent_add_property(c, icalproperty_new_summary(text.constData()));
        icalcomponent_add_property(c, icalproperty_new_description(text.constData()));
    }
    icalcomponent_add_property(c, icalproperty_new_sequence(0));
    icalcomponent_add_property(c, icalproperty_new_priority(2));
    return component;
}

} // namespace

QString DaynoteLogName(double day) {
    const GregorianDate date = AbsTimeToDate(day);
    return QStringLiteral("Export DayNote Log for %1-%2-%3")
        .arg(date.day)
        .arg(GetMonthNameFromMonthNbr(date.month))
        .arg(date.year);
}

QString DaynoteLogText(const RecordArray& daynotes, double day) {
    const QString name = DaynoteLogName(day);
    QString       text =
        name + QLatin1Char('\n') + QString(name.toUcs4().size(), QLatin1Char('-')) + QLatin1Char('\n');
    for (const Value& value : daynotes) {
        const Daynote note = ReadDaynote(value);
        if (note.dated)
            text += FormatDate(QStringLiteral("EEEE, MMMM dd, yyyy"), note.date) + QLatin1Char('\n');
        if (note.text) text += *note.text + QStringLiteral("\n\n");
    }
    return text;
}

QString WriteDaynoteLog(const RecordArray& daynotes, QString* reason) {
    const double  today = GetNow();
    const QString path = DataFolderFile(DaynoteLogName(today), reason);
    if (path.isEmpty() || !WriteTextFile(DaynoteLogText(daynotes, today), path, reason)) return QString();
    return path;
}

QByteArray DaynoteCalendarBytes(const RecordArray& daynotes, IcalForm form, double stamp) {
    IcalComponent      calendar = NewIcalCalendar();
    const icaltimetype stampTime = IcalUtcTime(stamp);
    bool               any = false;
    for (const Value& value : daynotes) {
        // A daynote without a date has no day to be due on or to fill; the log still carries its text.
        const Daynote note = ReadDaynote(value);
        if (!note.dated) continue;
        AddIcalComponent(calendar.get(), DaynoteComponent(note, form, stampTime));
        any = true;
    }
    return any ? SerializeIcalCalendar(calendar.get()) : QByteArray();
}

bool ExportDaynoteCalendar(const RecordArray& daynotes, IcalForm form, QString* reason) {
    const QByteArray bytes = DaynoteCalendarBytes(daynotes, form, GetNow());
    if (bytes.isEmpty()) return true;
    const QString path = DataFolderFile(form == IcalForm::ToDos ? ToDosFileName : EventsFileName, reason);
    return !path.isEmpty() && WriteBytesAtomically(bytes, path, reason);
}

int CommandExportLog(FourCC) {
    QString       reason;
    const QString path = WriteDaynoteLog(App().daynotes, &reason);
    if (path.isEmpty()) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("The daynote log could not be written"), reason);
        return EventHandled;
    }
    if (ShowAlert(AlertStyle::Informational, ExportedMessage, path, QStringLiteral("OK"), RevealButton) ==
        AlertSecondButton)
        RevealFile(path);
    return EventHandled;
}

int CommandExportCalendar(FourCC command) {
    const IcalForm form = command == MakeFourCC("ExpT") ? IcalForm::ToDos : IcalForm::Events;
    QString        reason;
    if (!ExportDaynoteCalendar(App().daynotes, form, &reason))
        ShowAlert(AlertStyle::Informational,
                  form == IcalForm::ToDos ? QStringLiteral("The to-dos could not be exported")
                                          : QStringLiteral("The events could not be exported"),
                  reason);
    return EventHandled;
}
