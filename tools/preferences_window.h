// The Preferences window: every setting of the preferences record on one window. Buttons and check boxes
// change the record at once; the two text fields are taken when the window closes.
#pragma once

#include "platform/fourcc.h"

#include <QString>

class QWidget;

enum PreferencesControl : int {
    ChimeGroup = 294,
    WeekStartGroup = 297,
    AutosaveGroup = 301,
    ClickSoundGroup = 305,
    CountdownNamingGroup = 308,
    CountdownMessageField = 309,
    AutoDeleteAgeField = 311,
    PreferencesResetButton = 313,
    PreferencesCloseButton = 314,
    ShowSecondsBox = 322,
    HideInBackgroundBox = 328,
    HelpTagsBox = 329,
    LaunchAnnounceBox = 330,
    LaunchShowDaynoteBox = 331,
    BringAllToFrontBox = 332,
    TimerSoundButton = 424,
    TimerSoundLabel = 425,
    WeekNumberBox = 450,
    SunLineBox = 452,
};

// Command 'pref': the window, made the first time, shown and filled from the record.
int      CommandOpenPreferences(FourCC command);
QWidget* OpenPreferences();
// Sets every control from the record; a radio group only when the stored code is one of its own.
void FillPreferencesWindow(QWidget* window);
// The close action of the window: takes the countdown message and the age (below 1 becomes 9999) and has the
// calendar's countdown line redrawn at the next tick.
void ClosePreferences(QWidget* window);
// "Sound selected: <file name>", or the desktop's alert sound when no chosen file is there.
QString SoundLabelText();
void    ShowSoundLabel();

// Control actions of the window.
int PreferencesRadioHit(int controlId, unsigned modifiers);
int PreferencesBoxHit(int controlId, unsigned modifiers);
int PreferencesResetHit(int controlId, unsigned modifiers);
int PreferencesCloseHit(int controlId, unsigned modifiers);
int TimerSoundHit(int controlId, unsigned modifiers);
