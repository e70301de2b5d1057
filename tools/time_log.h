// The time log: how long the user works on a named project, with pauses, shown in its window while it runs
// and written as one entry to the day's log file when it stops.
#pragma once

#include "platform/fourcc.h"

#include <QString>
#include <cstdint>

enum TimeLogControl : int {
    TimeLogStartButton = 363,
    TimeLogProjectField = 364,
    TimeLogCancelButton = 365,
    TimeLogNewButton = 367,
    TimeLogStartText = 369,
    TimeLogStopText = 370,
    TimeLogStopButton = 371,
    TimeLogProjectText = 373,
    TimeLogElapsedText = 375,
    TimeLogPauseButton = 376,
    TimeLogProjectTimeText = 378,
};

// The one log of the program. It lives in memory only; the quit writes a running one.
struct TimeLogState {
    bool    running = false;
    uint8_t pauseFlag = 0;   // 255 while paused
    double  startTime = 0;   // absolute times
    double  now = 0;         // the last tick's moment while running; the stop moment after the stop
    double  pauseStart = 0;  // the last pause began
    double  resumeTime = 0;  // the last pause ended
    double  pausedTotal = 0; // whole seconds of the finished pauses
    QString projectName;
};
const TimeLogState& CurrentTimeLog();
void                ResetTimeLog(); // back to the state at launch

// Command 'ShTL': the Time log window, made (with its sheet) if needed and brought forward.
int  CommandOpenTimeLog(FourCC command);
void OpenTimeLog();

void StartTimeLog(); // from the sheet's project name
void StopTimeLog();  // and writes the entry
void ToggleTimeLogPause();
bool IsTimeLogRunning();
bool IsTimeLogPaused();
// On activation: the buttons and texts of a running log.
void RefreshTimeLogWindow();
// The tick's step: elapsed and, unless paused, project time, while the window exists.
void TimeLogTick();

// Whole seconds since the start, and the same less the pauses, at the log's "now".
int64_t TimeLogElapsed();
int64_t TimeLogProjectTime();
// "01:02:03"; the hours grow past two digits ("100:00:00").
QString TimeLogDurationText(int64_t seconds);
// "VRDXTimerLogFor05.December.2026" for a moment on that day.
QString TimeLogFileName(double absTime);
// The lines of one entry, rule first, for the log as it stands.
QString TimeLogEntryText();
// Appends the entry to the day's file in the data folder, made with its header when it is new. A failure is
// told to the user, since the entry is then only in the alert.
bool WriteTimeLog();

// The quit's step for a running log, stopped at the moment the quit began. The user who quits is asked
// whether to save it; when nobody can answer (the quit came from a signal or the end of the session, or one
// of those arrived while the question was up) it is saved.
void SaveTimeLogAtQuit();

// Control actions of the Time log window and sheet.
int TimeLogNewHit(int controlId, unsigned modifiers);
int TimeLogStartHit(int controlId, unsigned modifiers);
int TimeLogCancelHit(int controlId, unsigned modifiers);
int TimeLogStopHit(int controlId, unsigned modifiers);
int TimeLogPauseHit(int controlId, unsigned modifiers);
