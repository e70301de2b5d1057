// The 24-hour timer: its window and sheet, the countdown driven by the tick, the alert when it runs out, and
// the choice of its sound.
#pragma once

#include "platform/fourcc.h"

#include <QString>

enum TimerControl : int {
    TimerHoursField = 244,
    TimerMinutesField = 245,
    TimerRepeatCheckBox = 247,
    TimerRepetitionsField = 248,
    TimerStartButton = 250,
    TimerCancelButton = 251,
    TimerSetButton = 417,
    TimerStopButton = 418,
    TimerPauseButton = 419,
    TimerMessageText = 420,
    TimerMessageField = 421,
};

// The one timer of the program. It lives in memory only: quitting loses it.
struct TimerState {
    bool    active = false;
    uint8_t pauseFlag = 0; // 255 while paused
    quint32 duration = 0;  // seconds of each run
    int16_t repetitionsLeft = 0;
    double  remaining = 0;     // seconds left at the last tick
    double  baseRemaining = 0; // remaining at the last start, repetition or resume
    double  baseTime = 0;      // absolute time of the last start, repetition or resume
    double  expiryTime = 0;    // baseTime + whole seconds of baseRemaining
    int16_t enteredHours = 0, enteredMinutes = 0, enteredRepetitions = 0;
};
const TimerState& CurrentTimer();
// Back to the state at launch (tests start each case from there).
void ResetTimer();

// Command 'ShTM': the Timer window, made (with its sheet) if needed and brought forward.
int  CommandOpenTimer(FourCC command);
void OpenTimer();

void    StartTimer(); // from the sheet's fields
void    StopTimer();
void    TogglePause(); // the caller then complements the pause flag
void    UpdateTimerButtons();
bool    IsTimerActive();
bool    IsTimerPaused();
double  TimerRemaining();
QString TimerRemainingText(); // recomputes the remaining time: "01:29:59 Remaining on Timer"
// The run is over: the sound, the attention alert and, after it, the next repetition if one is due.
void TimerExpired();
// The tick's timer step: the title while it runs, the alert once it has run out.
void TimerTick();

// The sound-file dialog; the file chosen is stored at once. False when the user cancelled.
bool ChooseTimerSound();

// Control actions of the Timer window and sheet.
int TimerSetHit(int controlId, unsigned modifiers);
int TimerStopHit(int controlId, unsigned modifiers);
int TimerPauseHit(int controlId, unsigned modifiers);
int TimerRepeatBoxHit(int controlId, unsigned modifiers);
int TimerStartHit(int controlId, unsigned modifiers);
int TimerCancelHit(int controlId, unsigned modifiers);
