// Start-up, the half-second tick, files handed to the program, sleep and wake, and the quit sequence.
#pragma once

#include "core/records.h"
#include "platform/fourcc.h"

#include <QString>
#include <QStringList>

// The whole run: start-up, the event loop, and the exit status.
int RunApplication(int argc, char** argv);
// False when the program must not run: its daynote file is damaged and could not be set aside.
bool InitializeApplication();

void InstallTick(double firstDelay, double interval);
void TickEntry();
int  Tick(RecordArray& daynotes);
long TickCount(); // passes of Tick since start-up

// Removes daynotes older than the age (in whole days) at `now` (the clock when not given), keepers excepted;
// an age outside 1..9999 is 9999.
void AutoDeleteOldDaynotes(RecordArray& daynotes, int age);
void AutoDeleteOldDaynotes(RecordArray& daynotes, int age, double now);

void OpenDroppedFiles(const QStringList& paths);
void OpenDroppedFile(const QString& path, FourCC fileType);

void SetAsleep(bool asleep);
// Closes every window through its close action and saves everything; runs once.
void QuitSequence();
