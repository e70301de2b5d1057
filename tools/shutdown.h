// Scheduled shutdown, restart and sleep: a window with the moment, the action and the administrator
// password; the request is handed to the system through sudo, and the system keeps the schedule.
#pragma once

#include "platform/fourcc.h"

#include <QString>
#include <QStringList>

class QWidget;

enum ShutdownControl : int {
    ShutdownTimePicker = 435,
    ShutdownScheduleButton = 436,
    ShutdownPasswordField = 439,
    ShutdownDatePicker = 440,
    ShutdownActionGroup = 441,
};

enum ShutdownAction : int { ActionShutDown = 1, ActionRestart = 2, ActionSleep = 3 };

// How long sudo and the command behind it may take before the request counts as failed.
constexpr int ShutdownTimeLimitMs = 30000;

// The command run as root for the action at the target moment, both absolute times: shutdown with the
// whole minutes until the target, rounded up so that nothing happens before the moment shown, or a
// transient systemd timer that suspends at the target (given in UTC, whatever the zone of either side).
// Empty for an unknown action.
QStringList ShutdownCommand(int action, double target, double now);
// "ShutDown Scheduled for:", "Restart Scheduled for:", "Sleep Scheduled for:"; "Invalid" otherwise.
QString ShutdownConfirmationLabel(int action);

// Command 'ShDn': unless a schedule is already waiting (then an alert says how to cancel it), a new
// Shutdown window whose date and time show the next full hour.
int  CommandOpenShutdown(FourCC command);
void OpenShutdownWindow();

// Button 436: checks the moment, then runs the request without waiting; its answer confirms the schedule
// and closes the window, or leaves the window as it is with a note sheet.
int ShutdownScheduleHit(int controlId, unsigned modifiers);
