// Reminders: daynotes that ask for attention at a set moment, with their optional e-mail and web address.
#pragma once

#include "core/records.h"

// Counts the daynotes whose reminder moment has come and shows the count on the launcher badge. With fire,
// each of them (from the last record to the first) opens its daynote window, opens its web address, sends its
// e-mail once (the e-mail fields are then removed) and posts a desktop notification. Returns the count.
int CheckReminders(bool fire, RecordArray& daynotes);

// CheckReminders with firing, then says how many reminders are pending when there are any.
int AnnounceReminders(RecordArray& daynotes);

// Gives a daynote without a reminder one at 00:00 seven days before its date, without e-mail or web address.
void SetDefaultReminder(RecordArray& daynotes, int index);

// Opens the daynote window of every daynote that has a reminder.
void ShowAllReminders(RecordArray& daynotes);

// Fires, silently and once, every reminder whose moment lies in (since, now]: meant for the clock tick, with
// the previous tick's time as since. Cheap when nothing is due; a clock that went back fires nothing.
void FireRemindersReached(double since, double now, RecordArray& daynotes);

// Tells FireRemindersReached that reminder moments were added, changed or removed.
void RemindersChanged();
