// The daynote window: the editor of one date's daynote, written back into the daynote array when it closes.
#pragma once

#include <functional>

#include "core/records.h"
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

constexpr int DefaultFontItem = 6;

// Opens (or brings forward) the window of a date. With the Option key (Ctrl) the date becomes the countdown
// target instead and no window opens. Returns the window, or nothing.
QWidget* OpenDaynote(int month, int day, int year, bool optionKey, RecordArray& daynotes);
// Writes a text control into the daynote of its date: with no date, the daynote window's own (from its
// title).
void SaveDaynote(const DateValue* date, int textControlId, int windowId, RecordArray& daynotes);
// A new record at the index, in the font style of the given control, or the default style without one.
void InsertDaynote(double date, const QString& text, int8_t type, int textControlId, int windowId, int index,
                   RecordArray& daynotes);
// A new record at the index in the font style given, stored as it is.
void InsertStyledDaynote(double date, const QString& text, int8_t type, const NoteFontStyle& style, int index,
                         RecordArray& daynotes);
// Every open daynote window but the one given written into the array, and after the array changed, shown
// again from it where its daynote's text changed: a window closing later then saves what the array holds.
void SaveOtherDaynoteWindows(const QWidget* except, RecordArray& daynotes);
void ReloadChangedDaynoteWindows(const RecordArray& daynotes);
// The open windows of the days (of every day with all) shown again from the array, empty where the day has
// no daynote: after an undo or redo put back what those days held. A window whose text is not what `shown`
// says the day held before (words typed there and not yet saved) keeps the user's words.
void ReloadDaynoteWindowsOf(const std::vector<double>& days, bool all, const RecordArray& daynotes,
                            const std::function<QString(double day)>& shown);
void SetDaynoteFont(QWidget* window, int item);
void HighlightDateOnCal(double date, bool hasDaynote, int index, const RecordArray& daynotes);
// "Modify Reminder..." or "Create Reminder..." by whether the window's daynote has a reminder.
void SetReminderButtonTitle(QWidget* window, const RecordArray& daynotes);

// The font presets of the font menu, items 1..9.
NoteFontStyle FontPreset(int item, NoteFontStyle style);
int           FontMenuItemForStyle(const NoteFontStyle& style);
// The font numbers the presets store for "Geneva" and "Lucida Grande".
constexpr int16_t GenevaFontNumber = 3;
constexpr int16_t LucidaGrandeFontNumber = 1024;
// Ties the stored font numbers to the closest families this desktop has installed.
void RegisterFontFamilies();

bool IsDaynoteWindowId(int windowId);

// Control and command actions of the window.
int DaynoteTextChanged(int controlId, unsigned modifiers);
int DaynoteFontChosen(int controlId, unsigned modifiers);
int DaynoteFontCommand(FourCC command);
