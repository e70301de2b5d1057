// The Sync group: fields against the record's sync account, calendars found on the server.
#include "tools/sync_preferences.h"

#include "core/preferences.h"
#include "core/secrets.h"
#include "core/sync.h"
#include "core/window_ids.h"
#include "platform/windows.h"

#include <QPointer>

namespace {

// The calendars the pop-up offers, in its order.
QList<CaldavCollection> offered;

QWidget* Window() {
    return FindWindowById(PreferencesWindowId);
}

QString Field(QWidget* window, int id) {
    return GetControlText(FindControl(window, id)).trimmed();
}

void OfferCalendars(QWidget* window, const QList<CaldavCollection>& calendars) {
    offered = calendars;
    const QString chosen = Prefs().sync.calendar;
    if (!chosen.isEmpty() && std::none_of(offered.begin(), offered.end(), [&](const CaldavCollection& c) {
            return c.url.toString() == chosen;
        }))
        offered.prepend({QUrl(chosen), QUrl(chosen).adjusted(QUrl::StripTrailingSlash).fileName()});
    QStringList names;
    int         current = offered.isEmpty() ? 0 : 1; // the first one until the user picks
    for (const CaldavCollection& c : offered) {
        names << c.name;
        if (c.url.toString() == chosen) current = int(names.size());
    }
    QWidget* popUp = FindControl(window, SyncCalendarPopUp);
    SetPopUpItems(popUp, names);
    SetControlValue(popUp, current);
}

void EnableFields(QWidget* window) {
    const bool on = Prefs().sync.enabled;
    for (int id : {SyncServerField, SyncUserField, SyncPasswordField, SyncCalendarPopUp, SyncMinutesField,
                   SyncFindButton})
        SetControlEnabled(FindControl(window, id), on);
}

} // namespace

void FillSyncPreferences(QWidget* window) {
    if (!window) return;
    const SyncSettings& s = Prefs().sync;
    SetControlValue(FindControl(window, SyncEnabledBox), s.enabled ? 1 : 0);
    SetControlText(FindControl(window, SyncServerField), s.server);
    SetControlText(FindControl(window, SyncUserField), s.user);
    SetControlText(FindControl(window, SyncPasswordField), QString());
    SetControlValue(FindControl(window, SyncMinutesField), s.minutes);
    OfferCalendars(window, {});
    EnableFields(window);
}

void TakeSyncPreferences(QWidget* window) {
    if (!window) return;
    SyncSettings&      s = Prefs().sync;
    const SyncSettings before = s;
    s.server = Field(window, SyncServerField);
    s.user = Field(window, SyncUserField);
    s.minutes = std::max(1, GetControlValue(FindControl(window, SyncMinutesField)));
    // Another account starts over with its own first calendar.
    if (s.server != before.server || s.user != before.user) s.calendar.clear();
    const int chosen = GetControlValue(FindControl(window, SyncCalendarPopUp));
    if (chosen >= 1 && chosen <= offered.size()) s.calendar = offered[chosen - 1].url.toString();
    const QString password = GetControlText(FindControl(window, SyncPasswordField));
    SetControlText(FindControl(window, SyncPasswordField), QString());
    if (s == before && password.isEmpty()) return;
    SaveSyncPreferences();
    SyncSettingsChanged();
    if (!s.enabled) return;
    if (password.isEmpty()) return SyncNow();
    // The sync waits for the keyring to hold the new password.
    WriteSecretPassword(SyncAccount(s.server, s.user), password, [](bool, const QString&) { SyncNow(); });
}

int SyncEnabledHit(int, unsigned) {
    QWidget* window = Window();
    if (!window) return EventNotHandled;
    Prefs().sync.enabled = GetControlValue(FindControl(window, SyncEnabledBox)) != 0;
    EnableFields(window);
    SaveSyncPreferences();
    SyncSettingsChanged();
    return EventHandled;
}

int SyncCalendarChosen(int, unsigned) {
    QWidget*  window = Window();
    const int chosen = window ? GetControlValue(FindControl(window, SyncCalendarPopUp)) : 0;
    if (chosen < 1 || chosen > offered.size()) return EventHandled;
    Prefs().sync.calendar = offered[chosen - 1].url.toString();
    SaveSyncPreferences();
    return EventHandled;
}

int SyncFindHit(int, unsigned) {
    QWidget* window = Window();
    if (!window) return EventNotHandled;
    const QString server = Field(window, SyncServerField), user = Field(window, SyncUserField);
    const QString typed = GetControlText(FindControl(window, SyncPasswordField));
    SetControlEnabled(FindControl(window, SyncFindButton), false);
    const auto discover = [server, user](const QString& password) {
        DiscoverCalendars(server, user, password,
                          [](const CaldavStatus& s, const QList<CaldavCollection>& found) {
                              QWidget* window = Window();
                              if (!window) return;
                              SetControlEnabled(FindControl(window, SyncFindButton), Prefs().sync.enabled);
                              if (s.ok()) return OfferCalendars(window, found);
                              offered.clear();
                              QWidget* popUp = FindControl(window, SyncCalendarPopUp);
                              SetPopUpItems(popUp, {QStringLiteral("None found: %1").arg(s.Reason())});
                              SetControlValue(popUp, 1);
                          });
    };
    if (!typed.isEmpty())
        discover(typed);
    else
        ReadSyncPassword(server, user, [discover](bool, const QString& password) { discover(password); });
    return EventHandled;
}
