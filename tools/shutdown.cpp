// The Shutdown window and the requests it hands to the system.
#include "tools/shutdown.h"

#include "core/dates.h"
#include "core/window_ids.h"
#include "platform/alerts.h"
#include "platform/power_schedule.h"
#include "platform/windows.h"

#include <QDateTime>
#include <QTimeZone>
#include <cmath>

namespace {

const QString PastTargetNote = QStringLiteral("Date and/or Time must be in future - please re-enter");
const QString NotStartedNote = QStringLiteral("** Shutdown/Restart/Sleep NOT started - check password **");

// The moment of the window's date and time pickers, seconds 0; false when they cannot be read. Each picker
// carries a date and a time: the day is the date picker's, the hour and minute the time picker's.
bool TargetMoment(QWidget* window, double* target) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, unused = 0;
    if (!GetControlDateTime(FindControl(window, ShutdownDatePicker), &year, &month, &day, &unused, &unused) ||
        !GetControlDateTime(FindControl(window, ShutdownTimePicker), &unused, &unused, &unused, &hour,
                            &minute))
        return false;
    *target = DateTimeToAbsTime(month, day, year, hour, minute);
    return true;
}

// Each request is marked on its window, which the user may close (and so destroy) while sudo runs.
constexpr FourCC Creator = MakeFourCC("VRDX");
constexpr FourCC RequestTag = MakeFourCC("ShRq");
int              lastRequest = 0;

QByteArray RequestBytes(int request) {
    return QByteArray::number(request);
}

QWidget* WindowOfRequest(int request) {
    for (QWidget* window : DocumentWindows()) {
        QByteArray bytes;
        if (GetWindowId(window) == ShutdownWindowId &&
            GetControlProperty(FindControl(window, ShutdownScheduleButton), Creator, RequestTag, &bytes) &&
            bytes == RequestBytes(request))
            return window;
    }
    return nullptr;
}

void ReportResult(int request, int action, double target, int status) {
    QWidget* window = WindowOfRequest(request);
    if (window) SetControlEnabled(FindControl(window, ShutdownScheduleButton), true);
    if (status != 0) {
        ShowNoteSheet(window, NotStartedNote);
        return;
    }
    if (window) DisposeWindow(window);
    ShowAlert(AlertStyle::Informational,
              QStringLiteral("%1 %2").arg(ShutdownConfirmationLabel(action),
                                          FormatDate(QStringLiteral("MMMM dd, yyyy, h:mm a"), target)),
              QString());
}

} // namespace

QStringList ShutdownCommand(int action, double target, double now) {
    const qint64  minutes = std::max<qint64>(1, qint64(std::ceil((target - now) / 60.0)));
    const QString inMinutes = QStringLiteral("+%1").arg(minutes);
    switch (action) {
    case ActionShutDown:
        return {QStringLiteral("shutdown"), QStringLiteral("-h"), inMinutes};
    case ActionRestart:
        return {QStringLiteral("shutdown"), QStringLiteral("-r"), inMinutes};
    case ActionSleep: {
        const QDateTime utc = QDateTime::fromSecsSinceEpoch(qint64(std::floor(target + UnixToAbsoluteOffset)),
                                                            QTimeZone::utc());
        // The timer unloads itself once it has fired, so the name is free for the next schedule.
        return {
            QStringLiteral("systemd-run"),
            QStringLiteral("--unit=%1").arg(QString::fromLatin1(SleepTimerUnit)),
            QStringLiteral("--collect"),
            QStringLiteral("--timer-property=AccuracySec=1s"),
            QStringLiteral("--timer-property=RemainAfterElapse=no"),
            QStringLiteral("--on-calendar=%1 UTC").arg(utc.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
            QStringLiteral("systemctl"),
            QStringLiteral("suspend")};
    }
    default:
        return {};
    }
}

QString ShutdownConfirmationLabel(int action) {
    switch (action) {
    case ActionShutDown:
        return QStringLiteral("ShutDown Scheduled for:");
    case ActionRestart:
        return QStringLiteral("Restart Scheduled for:");
    case ActionSleep:
        return QStringLiteral("Sleep Scheduled for:");
    default:
        return QStringLiteral("Invalid");
    }
}

int CommandOpenShutdown(FourCC) {
    OpenShutdownWindow();
    return EventHandled;
}

void OpenShutdownWindow() {
    ReadPendingShutdown([](bool pending) {
        if (pending) {
            ShowAlert(AlertStyle::Informational, QStringLiteral("Shutdown has already been started"),
                      QStringLiteral("To cancel it, type \"sudo shutdown -c\" in a terminal (shut down or "
                                     "restart), or \"sudo systemctl stop %1.timer\" (sleep).")
                          .arg(QString::fromLatin1(SleepTimerUnit)));
            return;
        }
        QWidget* window = CreateWindowFromDefinition(QStringLiteral("ShutDownTimer"));
        if (!window) return;
        SetWindowId(window, ShutdownWindowId);
        // The next full hour: the first moment offered is already in the future.
        const GregorianDate now = AbsTimeToDate(GetNow());
        const GregorianDate next =
            AbsTimeToDate(DateTimeToAbsTime(now.month, now.day, now.year, now.hour, 0) + 3600.0);
        UseLongDateForm(FindControl(window, ShutdownDatePicker));
        UseClockForm(FindControl(window, ShutdownTimePicker), QStringLiteral("h:mm a"));
        SetControlDateTime(FindControl(window, ShutdownDatePicker), next.year, next.month, next.day,
                           next.hour, next.minute);
        SetControlDateTime(FindControl(window, ShutdownTimePicker), next.year, next.month, next.day,
                           next.hour, next.minute);
        ShowWindow(window);
        SetFocusToControl(FindControl(window, ShutdownPasswordField));
    });
}

int ShutdownScheduleHit(int, unsigned) {
    QWidget* window = ControlWindow(EventControl());
    double   target = 0;
    if (!window || !TargetMoment(window, &target)) return EventNotHandled;
    const double now = GetNow();
    if (target <= now) {
        ShowNoteSheet(window, PastTargetNote);
        return EventHandled;
    }
    const int         action = GetControlValue(FindControl(window, ShutdownActionGroup));
    const QStringList command = ShutdownCommand(action, target, now);
    if (command.isEmpty()) return EventHandled;
    // One request at a time from this window, until sudo has answered.
    QWidget*  button = FindControl(window, ShutdownScheduleButton);
    const int request = ++lastRequest;
    SetControlProperty(button, Creator, RequestTag, RequestBytes(request));
    SetControlEnabled(button, false);
    RunAsAdministrator(
        command, GetControlText(FindControl(window, ShutdownPasswordField)).toUtf8(), ShutdownTimeLimitMs,
        [request, action, target](int status) { ReportResult(request, action, target, status); });
    return EventHandled;
}
