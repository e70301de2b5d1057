// iCalendar files through libical, which does the escaping, folding and parsing.
#include "core/icalendar.h"

#include "core/dates.h"

#include <cmath>
#include <cstdlib>

QString IcalProductId() {
    return QStringLiteral("-//org.vrdx//VRD X %1//EN").arg(QStringLiteral(VRDX_VERSION));
}

IcalComponent NewIcalCalendar() {
    IcalComponent calendar(icalcomponent_new_vcalendar());
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid(IcalProductId().toUtf8().constData()));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_method(ICAL_METHOD_PUBLISH));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    return calendar;
}

IcalComponent NewIcalComponent(icalcomponent_kind kind) {
    return IcalComponent(icalcomponent_new(kind));
}

void AddIcalComponent(icalcomponent* parent, IcalComponent child) {
    icalcomponent_add_component(parent, child.release());
}

icaltimetype IcalDate(int year, int month, int day) {
    icaltimetype date = icaltime_null_date();
    date.year = year;
    date.month = month;
    date.day = day;
    return date;
}

icaltimetype IcalUtcTime(double absTime) {
    const auto unixTime = time_t(std::floor(absTime + UnixToAbsoluteOffset));
    return icaltime_from_timet_with_zone(unixTime, 0, icaltimezone_get_utc_timezone());
}

QByteArray IcalText(const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            clean += QLatin1Char('\n');
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\t') ||
                   (c.unicode() >= 0x20 && c.unicode() != 0x7f)) {
            clean += c;
        }
    }
    return clean.toUtf8();
}

QByteArray SerializeIcalCalendar(const icalcomponent* calendar) {
    char*            text = icalcomponent_as_ical_string_r(const_cast<icalcomponent*>(calendar));
    const QByteArray bytes(text);
    std::free(text);
    return bytes;
}

IcalComponent ParseIcalCalendar(const QByteArray& bytes) {
    IcalComponent parsed(icalparser_parse_string(bytes.constData()));
    if (parsed && icalcomponent_isa(parsed.get()) != ICAL_VCALENDAR_COMPONENT) {
        // Several top-level calendars come back wrapped in an XROOT; the first one is the file's calendar.
        icalcomponent* first = icalcomponent_get_first_component(parsed.get(), ICAL_VCALENDAR_COMPONENT);
        if (!first) return IcalComponent();
        icalcomponent_remove_component(parsed.get(), first);
        return IcalComponent(first);
    }
    return parsed;
}
