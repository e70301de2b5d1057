// Recurring daynotes: a sheet that copies a saved daynote onto later dates, one copy every so many weeks,
// months or years.
#pragma once

#include "core/records.h"

class QWidget;

enum RecurringControl : int {
    RecurringCopyButton = 259,
    RecurringPeriodPopUp = 260,
    RecurringCountField = 265,
    RecurringPeriodLabel = 268,
    RecurringSpacingField = 269,
    RecurringBaseLabel = 270,
};

enum RecurringPeriod : int { RecurWeeks = 1, RecurMonths = 2, RecurYears = 3 };

// The sheet on its owner (a daynote window or the daynote list) for the daynote of the date, emptied and with
// the focus in the count. Any other owner gets an alert instead. Returns the sheet or nothing.
QWidget* OpenRecurringSheet(QWidget* owner, double date);

// Copies the daynote of the base date `count` times, each (spacing + 1) periods after the one before. A date
// that already has a daynote gets the text appended on a new line. False, after an alert, when the base date
// has no daynote; nothing changes then.
bool RecurDaynote(double base, int count, int spacing, int period, RecordArray& daynotes);

// Control actions.
int RecurringButtonHit(int controlId, unsigned modifiers);
int RecurringPeriodChosen(int controlId, unsigned modifiers);
int RecurringCopyHit(int controlId, unsigned modifiers);
