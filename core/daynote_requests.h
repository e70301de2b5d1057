// Lines that other programs of the user add to or remove from daynotes, arriving as FromVRDX signals.
#pragma once

#include "core/records.h"

#include <QString>

// The text a request puts on its date: "TNQ DayNote/Reminder for: <subject>\rand task: <task>\r".
QString ExternalDaynoteText(const QString& subject, const QString& task);

// Handles the object of a request, "subject;task;yyyyMMdd;action". Action "A" adds the request's text to the
// date's daynote with the default reminder. Any other action deletes a daynote that holds exactly that text,
// or takes the reminder off one that holds anything else. An object without four fields, or whose date is not
// eight digits naming a real day, changes nothing. True when the request was accepted.
bool ExternalDaynoteRequest(const QString& object, RecordArray& daynotes);
