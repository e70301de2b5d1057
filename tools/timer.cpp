// The timer: state, window, sheet, tick step and expiry.
#include "tools/timer.h"

#include "core/dates.h"
#include "core/font_presets.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "platform/alerts.h"
#include "platform/file_dialogs.h"
#include "platform/key_filters.h"
#include "platform/notify.h"
#include "platform/windows.h"
#include "tools/sounds.h"

#include <cmath>

namespace {

TimerState timer;

const QString ExpiredTitle = QStringLiteral("VRDX 24 hour Timer Has Expired");
const QString PauseTitle = QStringLiteral("Pause");
const QString ResumeTitle = QStringLiteral("Resume");

QWidget* TimerWindow() {
    return FindWindowById(TimerWindowId);
}
QWidget* TimerSheet() {
    return FindWindowById(TimerSheetId);
}

int FieldNumber(QWidget* sheet, int controlId) {
    return GetControlText(FindControl(sheet, controlId)).trimmed().toInt();
}

// The absolute time a run of this many seconds ends, counted in whole seconds from now.
double ExpiryFrom(double now, double seconds) {
    return now + std::trunc(seconds);
}

void CreateTimerSheet() {
    if (TimerSheet()) return;
    QWidget* sheet = CreateLooseSheetFromDefinition(QStringLiteral("TimerSheet"));
    if (!sheet) return;
    SetWindowId(sheet, TimerSheetId);
    InstallKeyFilter(sheet, TimerHoursField, TwoDigitFilter);
    InstallKeyFilter(sheet, TimerMinutesField, TwoDigitFilter);
    InstallKeyFilter(sheet, TimerRepetitionsField, TwoDigitFilter);
    InstallKeyFilter(sheet, TimerMessageField, TextFilter40);
    SetControlEnabled(FindControl(sheet, TimerRepetitionsField), false);
}

// The message in Lucida Grande 14 point bold, blue and centred, or the closest family installed.
void StyleMessage(QWidget* window) {
    RegisterFontFamilies();
    NoteFontStyle style;
    style.flags = 0x4F; // font, face, size, colour, justification
    style.font = LucidaGrandeFontNumber;
    style.size = 14;
    style.style = 1;
    style.fgRed = style.fgGreen = 0;
    style.fgBlue = int16_t(uint16_t(65535));
    style.just = 1;
    SetControlFontStyle(FindControl(window, TimerMessageText), style);
}

} // namespace

const TimerState& CurrentTimer() {
    return timer;
}

void ResetTimer() {
    timer = TimerState{};
}

int CommandOpenTimer(FourCC) {
    OpenTimer();
    return EventHandled;
}

void OpenTimer() {
    CreateTimerSheet();
    if (QWidget* existing = TimerWindow()) {
        ShowWindow(existing);
        return;
    }
    QWidget* window = CreateWindowFromDefinition(QStringLiteral("Timer"));
    if (!window) return;
    SetWindowId(window, TimerWindowId);
    StyleMessage(window);
    if (QWidget* sheet = TimerSheet())
        SetControlText(FindControl(window, TimerMessageText),
                       timer.active ? GetControlText(FindControl(sheet, TimerMessageField)) : QString());
    const PrefRect& place = Prefs().timerRect;
    if (place.top > 0) RestoreWindowPlace(window, place.toRect());
    UpdateTimerButtons();
    if (timer.active) {
        QWidget* pause = FindControl(window, TimerPauseButton);
        if (IsTimerPaused()) {
            const double now = GetNow();
            timer.baseRemaining = timer.remaining;
            timer.baseTime = now;
            timer.expiryTime = ExpiryFrom(now, timer.remaining);
            SetWindowTitleText(window, TimerRemainingText());
            SetControlTitle(pause, ResumeTitle);
        } else {
            SetControlTitle(pause, PauseTitle);
        }
    }
    ShowWindow(window);
}

void StartTimer() {
    QWidget* sheet = TimerSheet();
    if (!sheet) return;
    timer.enteredHours = int16_t(FieldNumber(sheet, TimerHoursField));
    timer.enteredMinutes = int16_t(FieldNumber(sheet, TimerMinutesField));
    timer.enteredRepetitions = int16_t(FieldNumber(sheet, TimerRepetitionsField));
    timer.pauseFlag = 0;
    const int hours = timer.enteredHours, minutes = timer.enteredMinutes;
    if (hours < 1 && minutes < 1) return;
    timer.repetitionsLeft =
        GetControlValue(FindControl(sheet, TimerRepeatCheckBox)) ? timer.enteredRepetitions : int16_t(0);
    if (hours > 23 || minutes > 59) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("Hours maximum is 23 & minutes maximum is 59"),
                  QStringLiteral("please adjust HOURS/MINUTES and try again"));
        return;
    }
    const double now = GetNow();
    timer.duration = quint32((hours * 60 + minutes) * 60);
    timer.remaining = timer.baseRemaining = timer.duration;
    timer.baseTime = now;
    timer.expiryTime = now + timer.duration;
    timer.active = true;
    UpdateTimerButtons();
    SetControlText(FindControl(TimerWindow(), TimerMessageText),
                   GetControlText(FindControl(sheet, TimerMessageField)));
}

void StopTimer() {
    timer.remaining = timer.baseRemaining = 0;
    timer.active = false;
    UpdateTimerButtons();
}

void TogglePause() {
    QWidget* window = TimerWindow();
    QWidget* pause = FindControl(window, TimerPauseButton);
    if (GetControlTitle(pause) == PauseTitle) {
        // The tick leaves a paused timer alone: the remaining time stays as the last tick left it.
        SetControlTitle(pause, ResumeTitle);
        SetControlEnabled(FindControl(window, TimerStopButton), false);
        return;
    }
    const double now = GetNow();
    timer.baseRemaining = timer.remaining;
    timer.baseTime = now;
    timer.expiryTime = ExpiryFrom(now, timer.remaining);
    SetControlEnabled(FindControl(window, TimerStopButton), true);
    SetControlTitle(pause, PauseTitle);
}

void UpdateTimerButtons() {
    QWidget* window = TimerWindow();
    if (!window) return;
    QWidget* set = FindControl(window, TimerSetButton);
    QWidget* stop = FindControl(window, TimerStopButton);
    QWidget* pause = FindControl(window, TimerPauseButton);
    if (!timer.active) {
        SetControlEnabled(set, true);
        SetControlEnabled(stop, false);
        SetControlEnabled(pause, false);
        SetWindowTitleText(window, QStringLiteral("No Active Timer"));
        return;
    }
    SetControlEnabled(set, false);
    SetControlEnabled(stop, true);
    SetControlEnabled(pause, true);
    if (IsTimerPaused()) SetControlEnabled(stop, false);
}

bool IsTimerActive() {
    return timer.active;
}

bool IsTimerPaused() {
    return timer.pauseFlag >= 255;
}

double TimerRemaining() {
    return timer.remaining;
}

QString TimerRemainingText() {
    const double now = GetNow();
    timer.remaining = timer.baseRemaining - (now - timer.baseTime);
    // Past the end (the tick after a wake, say) the clock shows zero rather than negative numbers.
    GregorianUnits left;
    if (timer.expiryTime > now)
        left = GetDifferenceUnits(timer.expiryTime, now, UnitHours | UnitMinutes | UnitSeconds);
    const QString clock = QStringLiteral("%1:%2:%3")
                              .arg(left.hours, 2, 10, QLatin1Char('0'))
                              .arg(left.minutes, 2, 10, QLatin1Char('0'))
                              .arg(int(left.seconds), 2, 10, QLatin1Char('0'));
    return clock + QStringLiteral(" Remaining on Timer");
}

void TimerExpired() {
    QWidget*      sheet = TimerSheet();
    const QString message = sheet ? GetControlText(FindControl(sheet, TimerMessageField)) : QString();
    const QString firstLine = QStringLiteral("Your ") + QString::number(timer.duration / 60) +
                              QStringLiteral(" minute timer has expired.");
    const QString text =
        firstLine + QStringLiteral("\r\rYour message: ") + message + QStringLiteral("\r\r") +
        (timer.repetitionsLeft < 1 ? QStringLiteral("No Repetitions are Scheduled")
                                   : QStringLiteral("Subsequent Repetitions Begin When you Press OK"));
    timer.remaining = timer.baseRemaining = 0;
    timer.active = false;
    QString sound;
    ResolveFileAlias(TimerSoundKey, &sound);
    PlaySoundFileOrBeep(sound);
    // Seen in another workspace too, where the alert window is not.
    PostDesktopNotification(ExpiredTitle, firstLine);
    AttentionAlert(ExpiredTitle, text, QString());
    if (timer.repetitionsLeft >= 1) {
        const double now = GetNow();
        --timer.repetitionsLeft;
        timer.remaining = timer.baseRemaining = timer.duration;
        timer.baseTime = now;
        timer.expiryTime = ExpiryFrom(now, timer.remaining);
        timer.active = true;
    } else {
        timer.remaining = timer.baseRemaining = 0;
    }
    UpdateTimerButtons();
}

void TimerTick() {
    if (!IsTimerActive()) return;
    if (timer.remaining > 0) {
        if (IsTimerPaused()) return;
        const QString text = TimerRemainingText();
        QWidget*      window = TimerWindow();
        if (IsWindowVisible(window)) SetWindowTitleText(window, text);
        return;
    }
    TimerExpired();
    if (IsWindowVisible(TimerWindow())) UpdateTimerButtons();
}

bool ChooseTimerSound() {
    const QString path =
        ChooseFileToOpen(QStringLiteral("Pick a system sound..."), QStringLiteral("/usr/share/sounds"));
    if (path.isEmpty()) return false;
    SaveFileAlias(TimerSoundKey, path);
    PrefSync();
    Prefs().timerSoundPath = path;
    return true;
}

int TimerSetHit(int, unsigned) {
    CreateTimerSheet();
    QWidget* sheet = TimerSheet();
    ShowSheetOn(sheet, TimerWindow());
    SetFocusToControl(FindControl(sheet, TimerHoursField));
    return EventHandled;
}

int TimerStopHit(int, unsigned) {
    StopTimer();
    return EventHandled;
}

int TimerPauseHit(int, unsigned) {
    TogglePause();
    timer.pauseFlag = uint8_t(~timer.pauseFlag);
    return EventHandled;
}

int TimerRepeatBoxHit(int, unsigned) {
    QWidget*   sheet = TimerSheet();
    QWidget*   field = FindControl(sheet, TimerRepetitionsField);
    const bool repeat = GetControlValue(FindControl(sheet, TimerRepeatCheckBox));
    SetControlEnabled(field, repeat);
    if (repeat) SetFocusToControl(field);
    return EventHandled;
}

int TimerStartHit(int, unsigned) {
    StartTimer();
    CloseWindow(FindWindowById(TimerSheetId));
    return EventHandled;
}

int TimerCancelHit(int, unsigned) {
    CloseWindow(FindWindowById(TimerSheetId));
    return EventHandled;
}
