// Reminders: daynotes that ask for attention at a set moment, with their optional e-mail and web address.
#pragma once

#include "core/daynote_store.h" // SetDefaultReminder
#include "core/records.h"

// Daynote windows and web addresses one check opens at most; the others wait for Show Reminders.
constexpr int RemindersOpenedAtOnce = 20;

// Counts the daynotes whose reminder moment has come and shows the count on the launcher badge. With fire,
// each of them reopens its daynote window and web address and posts a desktop notification (the latest
// RemindersOpenedAtOnce daynotes when more are due, with one alert and one notification about the others),
// and every e-mail is handed to the mail program once: its fields go when the program has taken it. That
// work is queued and done a few items per event-loop turn; the array must outlive it (the program's does).
// Returns the count.
int CheckReminders(bool fire, RecordArray& daynotes);

// CheckReminders with firing, then says how many reminders are pending when there are any.
int AnnounceReminders(RecordArray& daynotes);

// Opens the daynote windows of the daynotes that have a reminder, latest first; when there are more than
// RemindersOpenedAtOnce, each call opens the next of them, starting over after the earliest.
void ShowAllReminders(RecordArray& daynotes);

// Fires, silently and once, every reminder whose moment lies in (since, now]: meant for the clock tick, with
// the previous tick's time as since. Cheap when nothing is due; a clock that went back fires nothing.
void FireRemindersReached(double since, double now, RecordArray& daynotes);

// Tells FireRemindersReached that reminder moments were added, changed or removed.
void RemindersChanged();

// Whether queued reminder work (windows, web addresses, e-mails, the announcement) remains.
bool ReminderWorkPending();
// For the quit: drops the queued work and gives e-mails already handed over a moment to be taken, so that
// the daynote file saved next knows which were sent. E-mails not taken keep their fields and go next time.
void FinishReminderWork();
