// Holidays of a year as holiday daynotes, and the one operation that puts a line of text onto a date's
// daynote (holidays, events, other programs).
#pragma once

#include "core/records.h"

#include <QString>

// Puts the text on the date's daynote: appended after a carriage return to a daynote that does not already
// hold it (compared without case; its type is kept), or as a new daynote of the type. With a reminder asked
// for, a daynote without one gets the default reminder. The calendar is re-marked. True when nothing was
// added because the daynote already holds the text.
bool AddNamedDaynote(double date, const QString& text, int8_t type, bool withReminder, RecordArray& daynotes);
