// Events: named dates with the time elapsed since each, their list window and add/change sheet, and turning
// them into event daynotes of the current year.
#pragma once

#include "core/records.h"
#include "platform/fourcc.h"

#include <QPoint>
#include <QString>

class QWidget;

enum EventControl : int {
    EventButtonRow = 333,
    EventAddButton = 334,
    EventDeleteButton = 335,
    EventList = 341,
    EventChangeButton = 343,
    EventNameLabel = 344,
    EventNameField = 345,
    EventDateLabel = 346,
    EventCancelButton = 347,
    EventCreateButton = 348,
    EventDatePicker = 349,
    EventUnitPopUp = 353,
    EventDaynotesButton = 446,
    EventRemindersButton = 447,
    EventDaynoteChoicePopUp = 448,
};

// The time from the date's day to today in the unit (EventUnit), e.g. "3 Years   2 Months   5 Days".
QString ElapsedTimeText(double date, int8_t unit);

// Command 'Evet': the Event list window, made and filled from the events file if needed, brought forward.
int  CommandShowEvents(FourCC command);
void ShowEventList();
// The list behind the window (placeholder at 0, row n is element n); empty while the window is closed.
const RecordArray& EventListItems();
// The close action of the window: the events go back to their file and the list is let go.
void CloseEventList();

// Control actions of the Event list window and the Add event sheet.
int EventAddHit(int controlId, unsigned modifiers);
int EventChangeHit(int controlId, unsigned modifiers);
int EventDeleteHit(int controlId, unsigned modifiers);
int EventCreateHit(int controlId, unsigned modifiers);
int EventCancelHit(int controlId, unsigned modifiers);
int EventDaynotesHit(int controlId, unsigned modifiers);
int EventSelectionChanged(int controlId, unsigned modifiers);
int EventListContextClick(int controlId, QWidget* window, QPoint globalPos);
// Each selected event as an event daynote on its day and month of this year, with reminders or without.
void EventsToDaynotes(bool withReminder);
