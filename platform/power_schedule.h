// Scheduled shutdown, restart and sleep on the system's side: a command run as root through sudo, with the
// password handed over on sudo's standard input, and the schedules systemd keeps (logind's scheduled
// shutdown, the program's transient sleep timer).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// The transient timer unit that puts the system to sleep at the chosen moment.
constexpr const char* SleepTimerUnit = "vrdx-scheduled-sleep";

// sudo as found on PATH; empty when there is none.
QString SudoProgram();

// Runs the command through `sudo -S` without waiting for it. The password is written to sudo's standard
// input and to nothing else: never an argument, never the environment. done gets the exit status, or -1
// when sudo could not be started, crashed or did not finish within the time limit (it is stopped then).
// The password bytes are overwritten once written.
void RunAsAdministrator(const QStringList& command, QByteArray password, int timeLimitMs,
                        std::function<void(int status)> done);

// Whether a shutdown, restart or sleep is already waiting: logind's ScheduledShutdown, or the sleep timer
// active in systemd. Asked on the system bus without blocking; with no system bus nothing is waiting.
// done is called once, possibly at once.
void ReadPendingShutdown(std::function<void(bool pending)> done);
