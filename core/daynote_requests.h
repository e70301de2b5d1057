// Lines that other programs of the user add to or remove from daynotes, arriving as FromVRDX signals.
#pragma once

#include "core/records.h"

#include <QString>

// The text a request puts on its date: "TNQ DayNote/Reminder for: <subject>\rand task: <task>\r".
QString ExternalDaynoteText(const QString& subject, const QString& task);

// A daynote another program may not grow past, in characters: the program stays responsive and its memory
// in bounds whatever others send.
inline constexpr qsizetype MaxRequestDaynoteLength = 10'000'000;

enum class RequestOutcome {
    Ignored, // not four fields, or no real date in eight digits: nothing changes
    Done,    // added, removed or found there already
    Refused, // the daynote would grow past MaxRequestDaynoteLength: nothing changes
};

// Handles the object of a request, "subject;task;yyyyMMdd;action". Action "A" adds the request's text to the
// date's daynote with the default reminder. Any other action deletes a daynote that holds exactly that text,
// or takes the reminder off one that holds anything else.
RequestOutcome ExternalDaynoteRequest(const QString& object, RecordArray& daynotes);

// Requests as they arrive from the session bus: queued and worked through in turns of a few milliseconds,
// each turn one change of the daynote array (one redraw of the views, one undo step), so that the program
// goes on answering whatever the flood. A queue already full (by number or by size) drops what comes, and
// once the flood is over standard error says, in one line, how many were dropped or refused.
void QueueDaynoteRequest(const QString& object);
// Works through everything queued at once (the quit does, before it saves).
void FlushDaynoteRequests();
