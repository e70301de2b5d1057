// The daynote window: the editor of one date's daynote, written back into the daynote array when it closes.
#pragma once

#include "core/daynote_store.h" // InsertStyledDaynote
#include "core/font_presets.h"  // every editor of a daynote sets its font by preset
#include "core/records.h"
#include "core/window_ids.h"
#include "platform/fourcc.h"

#include <QString>
#include <vector>

class QWidget;

enum DaynoteControl : int {
    RecurringButton = 229,
    KeeperCheckBox = 230,
    SpellingButton = 231,
    FontPopUp = 232,
    WeekdayLabel = 234,
    ReminderButton = 423,
};

// Opens (or brings forward) the window of a date. Returns the window, or nothing.
QWidget* OpenDaynote(int month, int day, int year, RecordArray& daynotes);
// Writes a text control into the daynote of its date: with no date, the daynote window's own (from its
// title). An untouched editor writes nothing; one whose day changed elsewhere since it loaded writes the
// user's words joined with that change.
void SaveDaynote(const DateValue* date, int textControlId, int windowId, RecordArray& daynotes);
// A new record at the index, in the font style of the given control, or the default style without one.
void InsertDaynote(double date, const QString& text, int8_t type, int textControlId, int windowId, int index,
                   RecordArray& daynotes);
// Every open daynote window but the one given written into the array (those the user changed: the others
// show what the array holds already).
void SaveOtherDaynoteWindows(const QWidget* except, RecordArray& daynotes);

// Editors of a day's text (a daynote window, a weekly box, the list's text view) remember what they loaded.
// One whose text, font and keeper box are as loaded is untouched: it writes nothing and shows a change made
// elsewhere at once. One the user changed keeps the user's words, and writing it keeps what the change
// elsewhere added too (MergeTypedText).
void RememberLoaded(QWidget* textControl);
bool LoadedText(const QWidget* textControl, QString* text);
bool DaynoteEditorUntouched(QWidget* window, int textControlId);

void SetDaynoteFont(QWidget* window, int item);
// "Modify Reminder..." or "Create Reminder..." by whether the window's daynote has a reminder.
void SetReminderButtonTitle(QWidget* window, const RecordArray& daynotes);

// Control and command actions of the window.
int DaynoteTextChanged(int controlId, unsigned modifiers);
int DaynoteFontChosen(int controlId, unsigned modifiers);
int DaynoteFontCommand(FourCC command);
