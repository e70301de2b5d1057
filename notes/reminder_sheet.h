// The reminder sheet of a daynote window: sets, changes or removes the daynote's reminder.
#pragma once

class QWidget;

enum ReminderSheetControl : int {
    ReminderDayPicker = 426,
    ReminderDateLabel = 427,
    ReminderUrlCheckBox = 428,
    ReminderUrlField = 429,
    ReminderRemoveButton = 430,
    ReminderCancelButton = 431,
    ReminderSaveButton = 432,
    ReminderMailCheckBox = 442,
    ReminderAddressField = 443,
    ReminderSubjectField = 444,
    ReminderMessageField = 445,
    ReminderTimePicker = 449,
};

// The sheet on a daynote window; a daynote not saved yet gets an alert instead. Returns the sheet or nothing.
QWidget* OpenReminderSheet(QWidget* daynoteWindow);

// Control actions.
int ReminderButtonHit(int controlId, unsigned modifiers);
int ReminderUrlBoxHit(int controlId, unsigned modifiers);
int ReminderMailBoxHit(int controlId, unsigned modifiers);
int ReminderSaveHit(int controlId, unsigned modifiers);
int ReminderRemoveHit(int controlId, unsigned modifiers);
int ReminderCancelHit(int controlId, unsigned modifiers);
