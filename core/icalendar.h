// iCalendar files through libical: owned components, the calendar this program writes, DATE and UTC values,
// text properties, and the file's bytes in both directions.
#pragma once

#include <QByteArray>
#include <QString>
#include <libical/ical.h>
#include <memory>

struct IcalComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
// A component owned by the code that made or parsed it; adding it to a parent hands it over (release()).
using IcalComponent = std::unique_ptr<icalcomponent, IcalComponentFree>;

// The PRODID naming this program and its version.
QString IcalProductId();
// An empty VCALENDAR: PRODID, VERSION 2.0, METHOD PUBLISH and the Gregorian scale.
IcalComponent NewIcalCalendar();
// A component of the kind (ICAL_VTODO_COMPONENT, ICAL_VEVENT_COMPONENT, ...), empty.
IcalComponent NewIcalComponent(icalcomponent_kind kind);
// Adds a child component to a parent, which then owns it.
void AddIcalComponent(icalcomponent* parent, IcalComponent child);

// A calendar day as a DATE value (no time, no zone).
icaltimetype IcalDate(int year, int month, int day);
// A moment (seconds since 1 January 2001 GMT) as a UTC DATE-TIME, to the second.
icaltimetype IcalUtcTime(double absTime);
// A TEXT value for a property: line breaks of any kind become line feeds and other control characters,
// which the format does not allow, are left out; libical escapes the rest when the calendar is written.
QByteArray IcalText(const QString& text);

// The whole calendar as the bytes of a file: UTF-8, CRLF line ends, text escaped and long lines folded.
QByteArray SerializeIcalCalendar(const icalcomponent* calendar);
// A file's bytes as a VCALENDAR component; null when the bytes hold no calendar.
IcalComponent ParseIcalCalendar(const QByteArray& bytes);
