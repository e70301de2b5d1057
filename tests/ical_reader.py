# Python's icalendar package as an independent reader for tst_export: the components of an iCalendar file
# as JSON, one object per to-do or event, with each property as the package decodes it.
import json
import sys

import icalendar


def text(component, name):
    return str(component[name]) if name in component else None


def date(component, name):
    return component[name].dt.strftime("%Y%m%d") if name in component else None


with open(sys.argv[1], "rb") as f:
    calendar = icalendar.Calendar.from_ical(f.read())
components = []
for component in calendar.subcomponents:
    components.append({
        "kind": component.name,
        "uid": text(component, "UID"),
        "summary": text(component, "SUMMARY"),
        "description": text(component, "DESCRIPTION"),
        "dtstart": date(component, "DTSTART"),
        "dtstartIsDate": "DTSTART" in component and not hasattr(component["DTSTART"].dt, "hour"),
        "due": date(component, "DUE"),
        "dtend": date(component, "DTEND"),
        "dtstamp": component["DTSTAMP"].dt.strftime("%Y%m%dT%H%M%S%z") if "DTSTAMP" in component else None,
    })
print(json.dumps({"prodid": str(calendar.get("PRODID", "")), "version": str(calendar.get("VERSION", "")),
                  "components": components}))
