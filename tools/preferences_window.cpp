// The Preferences window: its controls against the preferences record in both directions, the settings that
// act at once, the fields taken at closing, Reset and the timer sound.
#include "tools/preferences_window.h"

#include "core/dates.h"
#include "core/preference_changes.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "platform/help_tags.h"
#include "platform/key_filters.h"
#include "platform/windows.h"
#include "tools/sync_preferences.h"
#include "tools/timer.h"

#include <QFileInfo>
#include <array>

namespace {

constexpr int HelpTagDelayMs = 2000;

// A radio group stores the code of its chosen button; button n stores codes[n - 1].
struct RadioRow {
    int      id;
    uint16_t Preferences::* field;
    std::array<uint16_t, 3> codes; // 0 past the last button
};
constexpr RadioRow RadioRows[] = {
    {ChimeGroup, &Preferences::chime, {ChimeHalfHour, ChimeHour, ChimeSilent}},
    {AutosaveGroup, &Preferences::autosave, {AutosaveHalfHour, AutosaveHourly, AutosaveOff}},
    {WeekStartGroup, &Preferences::weekStart, {WeekStartsSunday, WeekStartsMonday, 0}},
    {ClickSoundGroup, &Preferences::clickSound, {ClickSoundOn, ClickSoundOff, 0}},
    {CountdownNamingGroup, &Preferences::countDownMode, {CountDownUsesDate, CountDownUsesMessage, 0}},
};

struct BoxRow {
    int  id;
    bool Preferences::*field;
};
constexpr BoxRow BoxRows[] = {
    {ShowSecondsBox, &Preferences::showSeconds},
    {HideInBackgroundBox, &Preferences::hideInBackground},
    {HelpTagsBox, &Preferences::helpTags},
    {LaunchAnnounceBox, &Preferences::launchAnnounce},
    {LaunchShowDaynoteBox, &Preferences::launchShowDaynote},
    {BringAllToFrontBox, &Preferences::bringAllToFront},
    {WeekNumberBox, &Preferences::showWeekNumber},
    {SunLineBox, &Preferences::showSunLine},
};

QWidget* PreferencesWindow() {
    return FindWindowById(PreferencesWindowId);
}

const RadioRow* FindRadioRow(int id) {
    for (const RadioRow& row : RadioRows)
        if (row.id == id) return &row;
    return nullptr;
}

const BoxRow* FindBoxRow(int id) {
    for (const BoxRow& row : BoxRows)
        if (row.id == id) return &row;
    return nullptr;
}

// The message field is used only while the countdown line names the message.
void EnableMessageField(QWidget* window) {
    SetControlEnabled(FindControl(window, CountdownMessageField),
                      Prefs().countDownMode == CountDownUsesMessage);
}

// After Reset the desktop shows what the record now says, as each control's own change would.
void ApplyAllAtOnce() {
    SetHelpTags(Prefs().helpTags, HelpTagDelayMs);
    AnnouncePreferenceChange(PrefAspect::All);
}

} // namespace

int CommandOpenPreferences(FourCC) {
    OpenPreferences();
    return EventHandled;
}

QWidget* OpenPreferences() {
    QWidget* window = PreferencesWindow();
    if (window) {
        // What was typed so far is kept: the refill below would otherwise put the stored texts back.
        ClosePreferences(window);
    } else {
        window = CreateWindowFromDefinition(QStringLiteral("Preferences"));
        if (!window) return nullptr;
        SetWindowId(window, PreferencesWindowId);
        InstallKeyFilter(window, AutoDeleteAgeField, FourDigitFilter);
        // The first two weekday names of the locale: Sunday and Monday, the codes 320 and 321 stand for.
        QWidget* weekStart = FindControl(window, WeekStartGroup);
        SetRadioButtonTitle(weekStart, 1, WeekdayNames().value(0));
        SetRadioButtonTitle(weekStart, 2, WeekdayNames().value(1));
    }
    ShowWindow(window);
    FillPreferencesWindow(window);
    return window;
}

void FillPreferencesWindow(QWidget* window) {
    if (!window) return;
    const Preferences& p = Prefs();
    for (const RadioRow& row : RadioRows) {
        const uint16_t code = p.*row.field;
        for (size_t i = 0; i < row.codes.size(); ++i)
            if (row.codes[i] != 0 && row.codes[i] == code)
                SetControlValue(FindControl(window, row.id), int(i) + 1);
    }
    for (const BoxRow& row : BoxRows) SetControlValue(FindControl(window, row.id), p.*row.field ? 1 : 0);
    SetControlText(FindControl(window, CountdownMessageField), p.countDownMessage);
    SetControlText(FindControl(window, AutoDeleteAgeField), QString::number(p.autoDeleteAge));
    EnableMessageField(window);
    ShowSoundLabel();
    FillSyncPreferences(window);
}

void ClosePreferences(QWidget* window) {
    if (!window) return;
    Preferences& p = Prefs();
    const int    age = GetControlText(FindControl(window, AutoDeleteAgeField)).trimmed().toInt();
    p.autoDeleteAge = uint16_t(age < 1 || age > 9999 ? 9999 : age);
    p.countDownMessage = GetControlText(FindControl(window, CountdownMessageField));
    AnnouncePreferenceChange(PrefAspect::Countdown);
    TakeSyncPreferences(window);
}

QString SoundLabelText() {
    const QString& path = Prefs().timerSoundPath;
    if (!path.isEmpty() && QFileInfo(path).isFile())
        return QStringLiteral("%1 %2").arg(QStringLiteral("Sound selected:"), QFileInfo(path).fileName());
    return QStringLiteral("Sound selected: sound from System Settings");
}

void ShowSoundLabel() {
    SetControlText(FindControl(PreferencesWindow(), TimerSoundLabel), SoundLabelText());
}

// ---------------------------------------------------------------------------------------------------------
// Control actions
// ---------------------------------------------------------------------------------------------------------

int PreferencesRadioHit(int controlId, unsigned) {
    const RadioRow* row = FindRadioRow(controlId);
    QWidget*        window = PreferencesWindow();
    if (!row || !window) return EventNotHandled;
    const int value = GetControlValue(FindControl(window, controlId));
    if (value < 1 || value > int(row->codes.size()) || row->codes[size_t(value - 1)] == 0)
        return EventHandled;
    Prefs().*row->field = row->codes[size_t(value - 1)];
    if (controlId == WeekStartGroup) AnnouncePreferenceChange(PrefAspect::WeekStart);
    if (controlId == CountdownNamingGroup) EnableMessageField(window);
    return EventHandled;
}

int PreferencesBoxHit(int controlId, unsigned) {
    const BoxRow* row = FindBoxRow(controlId);
    QWidget*      window = PreferencesWindow();
    if (!row || !window) return EventNotHandled;
    Prefs().*row->field = GetControlValue(FindControl(window, controlId)) != 0;
    if (controlId == HelpTagsBox) SetHelpTags(Prefs().helpTags, HelpTagDelayMs);
    if (controlId == WeekNumberBox) AnnouncePreferenceChange(PrefAspect::WeekNumber);
    if (controlId == SunLineBox) AnnouncePreferenceChange(PrefAspect::SunLine);
    return EventHandled;
}

int PreferencesResetHit(int, unsigned) {
    ResetPreferences();
    ApplyAllAtOnce();
    FillPreferencesWindow(PreferencesWindow());
    return EventHandled;
}

int PreferencesCloseHit(int, unsigned) {
    CloseWindow(PreferencesWindow()); // its close action takes the fields
    return EventHandled;
}

int TimerSoundHit(int, unsigned) {
    if (ChooseTimerSound()) ShowSoundLabel();
    return EventHandled;
}
