// Daynote records to and from iCalendar objects through libical.
#include "core/caldav_objects.h"

#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/icalendar.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QUrl>
#include <cmath>

namespace {

const QString         UidPrefix = QStringLiteral("vrdx-daynote-");
const QString         ObjectSuffix = QStringLiteral(".ics");
constexpr const char* TypeProperty = "X-VRDX-TYPE";
constexpr const char* StyleProperty = "X-VRDX-STYLE";
constexpr const char* UrlProperty = "X-VRDX-URL";
constexpr const char* EmailProperty = "X-VRDX-EMAIL";
constexpr const char* SubjectProperty = "X-VRDX-EMAIL-SUBJECT";
constexpr const char* MessageProperty = "X-VRDX-EMAIL-MESSAGE";

// The string-valued reminder keys and the property each travels in.
struct TextKey {
    const QString* key;
    const char*    property;
};
const TextKey ReminderTexts[] = {{&URLKey, UrlProperty},
                                 {&EmailAddrKey, EmailProperty},
                                 {&EmailSubjectKey, SubjectProperty},
                                 {&EmailMessageKey, MessageProperty}};

QString TextOf(const Record& record, const QString& key) {
    const Value*   v = FindField(record, key);
    const QString* t = v ? ValueText(*v) : nullptr;
    return t ? *t : QString();
}

bool HasText(const Record& record, const QString& key) {
    const Value* v = FindField(record, key);
    return v && ValueText(*v);
}

// X- property values travel percent-encoded, where anything iCalendar or libical might treat as special
// (line breaks, commas, semicolons, backslashes, leading blanks) is written as %XX; addresses stay readable.
void AddXProperty(icalcomponent* component, const char* name, const QString& value) {
    const QByteArray encoded = QUrl::toPercentEncoding(value, "@:/?=&+!*'()$#[]");
    icalproperty*    p = icalproperty_new_x(encoded.constData());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(component, p);
}

// The value of an X- property, or false when the component has none of that name.
bool XProperty(icalcomponent* component, const char* name, QString* text) {
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_X_PROPERTY)) {
        if (qstrcmp(icalproperty_get_x_name(p), name) != 0) continue;
        const char* raw = icalproperty_get_x(p);
        *text = QUrl::fromPercentEncoding(raw ? raw : "");
        return true;
    }
    return false;
}

QString ToStoredBreaks(QString text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n"));
    return text.replace(breaks, QStringLiteral("\r"));
}

double AbsTimeOfIcal(icaltimetype t) {
    return double(icaltime_as_timet_with_zone(t, icaltimezone_get_utc_timezone())) - UnixToAbsoluteOffset;
}

} // namespace

QString DaynoteObjectUid(double day) {
    return UidPrefix + FormatDate(QStringLiteral("yyyyMMdd"), day);
}

QString DaynoteObjectName(double day) {
    return DaynoteObjectUid(day) + ObjectSuffix;
}

bool DayOfObjectName(const QString& name, double* day) {
    static const QRegularExpression form(QStringLiteral("^vrdx-daynote-(\\d{4})(\\d{2})(\\d{2})\\.ics$"));
    const QRegularExpressionMatch   m = form.match(name);
    if (!m.hasMatch()) return false;
    const int year = m.captured(1).toInt(), month = m.captured(2).toInt(), date = m.captured(3).toInt();
    if (month < 1 || month > 12 || date < 1 || date > 31) return false;
    *day = DateToAbsTime(month, date, year);
    return true;
}

QByteArray DaynoteToObject(const Record& record) {
    double day = 0;
    if (!RecordDate(record, NoteDateKey, &day)) return QByteArray();
    const GregorianDate             d = AbsTimeToDate(day);
    const QString                   text = TextOf(record, NoteDataKey);
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));

    IcalComponent calendar = NewIcalCalendar();
    // A resource on a server is not a published message.
    if (icalproperty* method = icalcomponent_get_first_property(calendar.get(), ICAL_METHOD_PROPERTY)) {
        icalcomponent_remove_property(calendar.get(), method);
        icalproperty_free(method);
    }
    IcalComponent  event = NewIcalComponent(ICAL_VEVENT_COMPONENT);
    icalcomponent* e = event.get();
    icalcomponent_add_property(e, icalproperty_new_uid(DaynoteObjectUid(day).toUtf8().constData()));
    icalcomponent_add_property(e, icalproperty_new_dtstamp(IcalUtcTime(GetNow())));
    icalproperty* start = icalproperty_new_dtstart(IcalDate(d.year, d.month, d.day));
    icalcomponent_add_property(e, start);
    icaltimetype end = icaltime_add(IcalDate(d.year, d.month, d.day), icaldurationtype_from_int(86400));
    end.is_date = 1;
    icalcomponent_add_property(e, icalproperty_new_dtend(end));
    icalcomponent_add_property(e,
                               icalproperty_new_summary(IcalText(text.split(breaks).value(0)).constData()));
    icalcomponent_add_property(e, icalproperty_new_description(IcalText(text).constData()));
    icalcomponent_add_property(e, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    int8_t type = 0;
    if (RecordByte(record, NoteTypeKey, &type)) AddXProperty(e, TypeProperty, QString::number(type));
    if (const Value* v = FindField(record, NoteCFSKey))
        if (const QByteArray* style = ValueData(*v))
            AddXProperty(e, StyleProperty, QString::fromLatin1(style->toBase64()));
    for (const TextKey& k : ReminderTexts)
        if (HasText(record, *k.key)) AddXProperty(e, k.property, TextOf(record, *k.key));
    double reminder = 0;
    if (RecordDate(record, ReminderDateKey, &reminder)) {
        IcalComponent alarm = NewIcalComponent(ICAL_VALARM_COMPONENT);
        icalcomponent_add_property(alarm.get(), icalproperty_new_action(ICAL_ACTION_DISPLAY));
        icaltriggertype trigger = icaltriggertype_from_int(0);
        trigger.time = IcalUtcTime(reminder);
        icalcomponent_add_property(alarm.get(), icalproperty_new_trigger(trigger));
        icalcomponent_add_property(
            alarm.get(), icalproperty_new_description(IcalText(text.split(breaks).value(0)).constData()));
        AddIcalComponent(e, std::move(alarm));
    }
    AddIcalComponent(calendar.get(), std::move(event));
    return SerializeIcalCalendar(calendar.get());
}

bool ObjectToDaynote(const QByteArray& bytes, Record* record, double* day) {
    IcalComponent calendar = ParseIcalCalendar(bytes);
    if (!calendar) return false;
    for (icalcomponent* e = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        const char* uid = icalcomponent_get_uid(e);
        double      date = 0;
        if (!uid || !DayOfObjectName(QString::fromUtf8(uid) + ObjectSuffix, &date)) continue;
        const icaltimetype start = icalcomponent_get_dtstart(e);
        if (!icaltime_is_null_time(start)) date = DateToAbsTime(start.month, start.day, start.year);

        Record      r;
        const char* description = icalcomponent_get_description(e);
        if (!description) description = icalcomponent_get_summary(e);
        SetField(r, NoteDataKey, Value(ToStoredBreaks(QString::fromUtf8(description ? description : ""))));
        SetField(r, NoteDateKey, Value(DateValue{date}));
        QString   type, style;
        const int t = XProperty(e, TypeProperty, &type) ? type.toInt() : 0;
        SetField(r, NoteTypeKey, Value(qint64(t >= NoteStandard && t <= NoteKeeper ? t : NoteStandard)));
        QByteArray styleBytes =
            XProperty(e, StyleProperty, &style) ? QByteArray::fromBase64(style.toLatin1()) : QByteArray();
        NoteFontStyle decoded;
        if (!DecodeFontStyle(styleBytes, &decoded)) styleBytes = EncodeFontStyle(NoteFontStyle());
        SetField(r, NoteCFSKey, Value(styleBytes));
        if (icalcomponent* alarm = icalcomponent_get_first_component(e, ICAL_VALARM_COMPONENT)) {
            if (icalproperty* p = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY)) {
                const icaltriggertype trigger = icalproperty_get_trigger(p);
                const double          moment = !icaltime_is_null_time(trigger.time)
                                                   ? AbsTimeOfIcal(trigger.time)
                                                   : date + icaldurationtype_as_int(trigger.duration);
                SetField(r, ReminderDateKey, Value(DateValue{std::floor(moment)}));
            }
        }
        for (const TextKey& k : ReminderTexts) {
            QString value;
            if (XProperty(e, k.property, &value)) SetField(r, *k.key, Value(value));
        }
        *record = std::move(r);
        *day = date;
        return true;
    }
    return false;
}

QByteArray DaynoteSyncHash(const Record& record) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const auto         add = [&hash](const QByteArray& part) {
        hash.addData(QByteArray::number(part.size()));
        hash.addData(QByteArrayView(":"));
        hash.addData(part);
    };
    add(ToStoredBreaks(TextOf(record, NoteDataKey)).toUtf8());
    int8_t type = 0;
    add(RecordByte(record, NoteTypeKey, &type) ? QByteArray::number(type) : QByteArray());
    const Value* style = FindField(record, NoteCFSKey);
    add(style && ValueData(*style) ? *ValueData(*style) : QByteArray());
    double reminder = 0;
    add(RecordDate(record, ReminderDateKey, &reminder) ? QByteArray::number(std::floor(reminder), 'f', 0)
                                                       : QByteArray("-"));
    for (const TextKey& k : ReminderTexts)
        add(HasText(record, *k.key) ? TextOf(record, *k.key).toUtf8() : "-");
    return hash.result().toHex();
}

Record MergeDaynoteConflict(const Record& local, const Record& server) {
    Record merged = local;
    SetField(merged, NoteDataKey,
             Value(MergeTypedText(TextOf(local, NoteDataKey), QString(), TextOf(server, NoteDataKey))));
    if (!FindField(local, ReminderDateKey) && FindField(server, ReminderDateKey)) {
        for (const QString* key :
             {&ReminderDateKey, &URLKey, &EmailAddrKey, &EmailSubjectKey, &EmailMessageKey})
            if (const Value* v = FindField(server, *key)) SetField(merged, *key, *v);
    }
    return merged;
}
