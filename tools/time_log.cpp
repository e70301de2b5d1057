// The time log: state, window, sheet, tick step, the day's log file and the quit's offer to save.
#include "tools/time_log.h"

#include "core/app_state.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/log_file.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "platform/alerts.h"
#include "platform/key_filters.h"
#include "platform/windows.h"

#include <cmath>
#include <cstdio>

namespace {

TimeLogState timeLog;

const QString PauseTitle = QStringLiteral("Pause");
const QString ResumeTitle = QStringLiteral("Resume");

QWidget* LogWindow() {
    return FindWindowById(TimeLogWindowId);
}
QWidget* LogSheet() {
    return FindWindowById(TimeLogSheetId);
}
QWidget* LogControl(int id) {
    return FindControl(LogWindow(), id);
}

QString DateTimeText(double absTime) {
    return FormatDate(ClockTextPattern, absTime);
}

void CreateTimeLogSheet() {
    if (LogSheet()) return;
    QWidget* sheet = CreateLooseSheetFromDefinition(QStringLiteral("TimeLogSheet"));
    if (!sheet) return;
    SetWindowId(sheet, TimeLogSheetId);
    InstallKeyFilter(sheet, TimeLogProjectField, TextFilter39);
}

// 375 the elapsed time, 378 the project time, anything else zero.
void ShowTimeLogDuration(int controlId) {
    const int64_t seconds = controlId == TimeLogElapsedText       ? TimeLogElapsed()
                            : controlId == TimeLogProjectTimeText ? TimeLogProjectTime()
                                                                  : 0;
    SetControlText(LogControl(controlId), TimeLogDurationText(seconds));
}

// A pause ends: its whole seconds join the paused total.
void EndPause(double moment) {
    timeLog.pausedTotal += std::trunc(moment - timeLog.pauseStart);
}

void TellEntryNotWritten(const QString& reason) {
    const QString message = QStringLiteral("The time log entry could not be saved");
    const QString informative =
        QStringLiteral("VRD X could not write the log file.\n%1\n\nThe entry was:\n%2")
            .arg(reason, TimeLogEntryText());
    if (App().quitting) {
        // Also on the terminal: a quit at logout may leave nobody to read the alert.
        std::fprintf(stderr, "vrdx: %s\n%s", qPrintable(message), qPrintable(informative));
        ShowAlertForAtMost(30, AlertStyle::Critical, message, informative);
    } else {
        ShowAlert(AlertStyle::Critical, message, informative);
    }
}

} // namespace

const TimeLogState& CurrentTimeLog() {
    return timeLog;
}

void ResetTimeLog() {
    timeLog = TimeLogState{};
}

int CommandOpenTimeLog(FourCC) {
    OpenTimeLog();
    return EventHandled;
}

void OpenTimeLog() {
    CreateTimeLogSheet();
    if (QWidget* existing = LogWindow()) {
        ShowWindow(existing);
        return;
    }
    QWidget* window = CreateWindowFromDefinition(QStringLiteral("TimeLog"));
    if (!window) return;
    SetWindowId(window, TimeLogWindowId);
    const PrefRect& place = Prefs().timeLogRect;
    if (place.top > 0) RestoreWindowPlace(window, place.toRect());
    SetControlTitle(LogControl(TimeLogPauseButton), IsTimeLogPaused() ? ResumeTitle : PauseTitle);
    SetControlEnabled(LogControl(TimeLogStopButton), false);
    SetControlEnabled(LogControl(TimeLogPauseButton), false);
    if (timeLog.running) {
        RefreshTimeLogWindow();
        timeLog.now = GetNow();
        if (IsTimeLogPaused()) {
            // The pause so far is accounted, so the project time shown is the one frozen at the pause.
            timeLog.resumeTime = timeLog.now;
            EndPause(timeLog.now);
            timeLog.pauseStart = timeLog.now;
        }
        ShowTimeLogDuration(TimeLogElapsedText);
        ShowTimeLogDuration(TimeLogProjectTimeText);
    }
    ShowWindow(window);
}

void StartTimeLog() {
    QWidget* sheet = LogSheet();
    if (!sheet) return;
    CloseWindow(FindWindowById(TimeLogSheetId));
    timeLog.pauseFlag = 0;
    timeLog.startTime = timeLog.now = timeLog.pausedTotal = 0;
    timeLog.startTime = GetNow();
    timeLog.projectName = GetControlText(FindControl(sheet, TimeLogProjectField));
    SetControlText(LogControl(TimeLogStartText), DateTimeText(timeLog.startTime));
    for (int id : {TimeLogStopText, TimeLogElapsedText, TimeLogProjectTimeText})
        SetControlText(LogControl(id), QString());
    SetControlText(LogControl(TimeLogProjectText), timeLog.projectName);
    SetControlEnabled(LogControl(TimeLogStopButton), true);
    SetControlEnabled(LogControl(TimeLogNewButton), false);
    SetControlEnabled(LogControl(TimeLogPauseButton), true);
    timeLog.running = true;
}

void StopTimeLog() {
    SetControlTitle(LogControl(TimeLogPauseButton), PauseTitle);
    SetControlEnabled(LogControl(TimeLogStopButton), false);
    SetControlEnabled(LogControl(TimeLogPauseButton), false);
    SetControlEnabled(LogControl(TimeLogNewButton), true);
    timeLog.running = false;
    timeLog.now = GetNow();
    SetControlText(LogControl(TimeLogStopText), DateTimeText(timeLog.now));
    ShowTimeLogDuration(TimeLogElapsedText);
    ShowTimeLogDuration(TimeLogProjectTimeText);
    WriteTimeLog();
}

void ToggleTimeLogPause() {
    QWidget*     pause = LogControl(TimeLogPauseButton);
    const double now = GetNow();
    if (GetControlTitle(pause) == PauseTitle) {
        timeLog.pauseStart = now;
        SetControlTitle(pause, ResumeTitle);
        timeLog.pauseFlag = 255;
        SetControlEnabled(LogControl(TimeLogStopButton), false); // no stop while paused
        return;
    }
    timeLog.resumeTime = now;
    EndPause(now);
    SetControlTitle(pause, PauseTitle);
    timeLog.pauseFlag = 0;
    SetControlEnabled(LogControl(TimeLogStopButton), true);
}

bool IsTimeLogRunning() {
    return timeLog.running;
}

bool IsTimeLogPaused() {
    return timeLog.pauseFlag >= 255;
}

void RefreshTimeLogWindow() {
    if (!timeLog.running || !LogWindow()) return;
    SetControlEnabled(LogControl(TimeLogStopButton), !IsTimeLogPaused());
    SetControlEnabled(LogControl(TimeLogNewButton), false);
    SetControlEnabled(LogControl(TimeLogPauseButton), true);
    SetControlText(LogControl(TimeLogStartText), DateTimeText(timeLog.startTime));
    SetControlText(LogControl(TimeLogStopText), QString());
    SetControlText(LogControl(TimeLogProjectText), timeLog.projectName);
}

void TimeLogTick() {
    if (!LogWindow() || !timeLog.running) return;
    timeLog.now = GetNow();
    ShowTimeLogDuration(TimeLogElapsedText);
    if (!IsTimeLogPaused()) ShowTimeLogDuration(TimeLogProjectTimeText);
}

int64_t TimeLogElapsed() {
    return int64_t(std::trunc(timeLog.now - timeLog.startTime));
}

int64_t TimeLogProjectTime() {
    return int64_t(std::trunc(double(TimeLogElapsed()) - timeLog.pausedTotal));
}

QString TimeLogDurationText(int64_t seconds) {
    seconds = std::max<int64_t>(seconds, 0); // a clock set back shows zero, not a minus in each field
    const int64_t hours = seconds / 3600, rest = seconds % 3600;
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(rest / 60, 2, 10, QLatin1Char('0'))
        .arg(rest % 60, 2, 10, QLatin1Char('0'));
}

QString TimeLogFileName(double absTime) {
    return QStringLiteral("VRDXTimerLogFor") + FormatDate(QStringLiteral("dd.LLLL.yyyy"), absTime);
}

QString TimeLogEntryText() {
    const QString startLine =
        QStringLiteral("%1 %2\n").arg(QStringLiteral("Log Started on:"), DateTimeText(timeLog.startTime));
    return QString(startLine.size(), QLatin1Char('-')) + QLatin1Char('\n') +
           QStringLiteral("Project name: ") + timeLog.projectName + QLatin1Char('\n') + startLine +
           QLatin1Char('\n') +
           QStringLiteral("%1 %2\n\n").arg(QStringLiteral("Log Stopped on:"), DateTimeText(timeLog.now)) +
           QStringLiteral("%1 %2\n\n")
               .arg(QStringLiteral("Elapsed Time  :"), TimeLogDurationText(TimeLogElapsed())) +
           QStringLiteral("%1 %2\n\n")
               .arg(QStringLiteral("Project Time  :"), TimeLogDurationText(TimeLogProjectTime()));
}

bool WriteTimeLog() {
    const double  moment = GetNow();
    const QString day = FormatDate(QStringLiteral("dd.LLLL.yyyy"), moment);
    const QString header = QStringLiteral("%1 %2\n").arg(QStringLiteral("Timer Log Created"), day);
    const QString folder = GetDataFolderURL();
    QString       reason;
    if (folder.isEmpty()) {
        reason = QStringLiteral("There is no data folder.");
    } else if (AppendToLogFile(folder + QLatin1Char('/') + TimeLogFileName(moment), header,
                               TimeLogEntryText(), &reason)) {
        return true;
    }
    TellEntryNotWritten(reason);
    return false;
}

void SaveTimeLogAtQuit() {
    if (!timeLog.running) return;
    const double quitMoment = GetNow();
    if (!App().quitUnattended) {
        const int answer = ShowAlert(
            AlertStyle::Warning,
            QStringLiteral("The active Timer will be lost if VRD X quits without stopping the timer"),
            QStringLiteral("Do you want stop the timer and save the data to the log file?"),
            QStringLiteral("Save timer"), QStringLiteral("No, don't bother"));
        // A signal or the end of the session ends the question unanswered: then nobody is there to decline.
        if (answer != AlertFirstButton && !App().quitUnattended) return;
    }
    // A pause still going on is time away from the project, as a finished one is.
    if (IsTimeLogPaused()) EndPause(quitMoment);
    timeLog.running = false;
    timeLog.now = quitMoment;
    WriteTimeLog();
}

int TimeLogNewHit(int, unsigned) {
    CreateTimeLogSheet();
    QWidget* sheet = LogSheet();
    ShowSheetOn(sheet, LogWindow());
    SetFocusToControl(FindControl(sheet, TimeLogProjectField));
    return EventHandled;
}

int TimeLogStartHit(int, unsigned) {
    StartTimeLog();
    return EventHandled;
}

int TimeLogCancelHit(int, unsigned) {
    CloseWindow(FindWindowById(TimeLogSheetId));
    return EventHandled;
}

int TimeLogStopHit(int, unsigned) {
    StopTimeLog();
    return EventHandled;
}

int TimeLogPauseHit(int, unsigned) {
    ToggleTimeLogPause();
    return EventHandled;
}
