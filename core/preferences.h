// The preferences record: every setting with its key text and default, loaded at start-up and written at
// quit.
#pragma once

#include "core/records.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

// ---------------------------------------------------------------------------------------------------------
// Key texts. Two keys have two blanks after "Calendar".
// ---------------------------------------------------------------------------------------------------------

inline const QString CalendarWndOpenKey = QStringLiteral("Calendar Wnd Open");
inline const QString CountDownWndOpenKey = QStringLiteral("CountDown Wnd Open");
inline const QString MonthlyWndOpenKey = QStringLiteral("Monthly Wnd Open");
inline const QString WeeklyWndOpenKey = QStringLiteral("Weekly Wnd Open");
inline const QString ListWndOpenKey = QStringLiteral("List Wnd Open");
inline const QString EventWndOpenKey = QStringLiteral("Event Wnd Open");
inline const QString TimerWndOpenKey = QStringLiteral("Timer Wnd Open");
inline const QString StdColourKey = QStringLiteral("Calendar - Color for std daynote");
inline const QString KeeperColourKey = QStringLiteral("Calendar - Color for keeper daynote");
inline const QString HolidayColourKey = QStringLiteral("Calendar - Color for holiday daynote");
inline const QString EventColourKey = QStringLiteral("Calendar - Color for event daynote");
inline const QString CountDownDateKey = QStringLiteral("CountDown Date");
inline const QString CountDownModeKey = QStringLiteral("CountDown - Use date or text in message");
inline const QString CountDownMessageKey = QStringLiteral("CountDown - countdown message");
inline const QString HideInBackgroundKey = QStringLiteral("Hide VRD when app in background");
inline const QString HelpTagsKey = QStringLiteral("Help tags");
inline const QString LaunchShowDaynoteKey = QStringLiteral("Launch time - Show Daynote");
inline const QString LaunchAnnounceKey = QStringLiteral("Launch time - AnnounceDateTime");
inline const QString BringAllToFrontKey = QStringLiteral("Bring all windows to front");
inline const QString ChimeKey = QStringLiteral("Chime on hour, silent or half-hour");
inline const QString ShowSecondsKey = QStringLiteral("Calendar  - Show seconds?");
inline const QString ShowWeekNumberKey =
    QStringLiteral("Calendar  - Show current week number next to month/year");
inline const QString ShowSunLineKey = QStringLiteral("Calendar  - Show sunrise/set times");
inline const QString AutoDeleteAgeKey = QStringLiteral("Age in days to automatically delete daynotes");
inline const QString AutosaveKey = QStringLiteral("Autosave daynotes hourly, half-hour or off");
inline const QString WeekStartKey = QStringLiteral("Weekly start day as Sun or Mon");
inline const QString ClickSoundKey = QStringLiteral("Click on/off when clicking on a daynote");
inline const QString WeeklyFontItemKey = QStringLiteral("Save menu item in font menu on weekly");
inline const QString CalendarRectKey = QStringLiteral("Calendar window position rect");
inline const QString UserNoteRectKey = QStringLiteral("User note window position rect");
inline const QString WeeklyRectKey = QStringLiteral("Weekly window position rect");
inline const QString MonthlyRectKey = QStringLiteral("Monthly window position rect");
inline const QString ListRectKey = QStringLiteral("List window position rect");
inline const QString TimerRectKey = QStringLiteral("Timer window position rect");
inline const QString EventRectKey = QStringLiteral("Event window position rect");
inline const QString TimeZoneRectKey = QStringLiteral("Time zone window position rect");
inline const QString TimeLogRectKey = QStringLiteral("TimeLog window position rect");
inline const QString TimeZone1OffsetKey = QStringLiteral("Time zone plus/minus for zone 1");
inline const QString TimeZone2OffsetKey = QStringLiteral("Time zone plus/minus for zone 2");
inline const QString TimeZone1NameKey = QStringLiteral("Time zone 1 name");
inline const QString TimeZone2NameKey = QStringLiteral("Time zone 2 name");
inline const QString TimerSoundKey = QStringLiteral("Timer Sound name");
inline const QString RecentUserNotesKey = QStringLiteral("Recent User Notes");
inline const QString UserNotesOpenAtQuitKey = QStringLiteral("UserNotesOpenAtQuit%1");
inline const QString UserNotesOpenAtQuitRectKey = QStringLiteral("UserNotesOpenAtQuitRect%1");
inline const QString LocationLatitudeKey = QStringLiteral("Location latitude");
inline const QString LocationLongitudeKey = QStringLiteral("Location longitude");
inline const QString SyncEnabledKey = QStringLiteral("Sync with a CalDAV server");
inline const QString SyncServerKey = QStringLiteral("Sync - Server address");
inline const QString SyncUserKey = QStringLiteral("Sync - User name");
inline const QString SyncCalendarKey = QStringLiteral("Sync - Calendar");
inline const QString SyncMinutesKey = QStringLiteral("Sync every (minutes)");

// Radio-group value codes.
enum PrefCode : uint16_t {
    CountDownUsesMessage = 315,
    CountDownUsesDate = 316,
    AutosaveHalfHour = 317,
    AutosaveHourly = 318,
    AutosaveOff = 319,
    WeekStartsSunday = 320,
    WeekStartsMonday = 321,
    ChimeHalfHour = 323,
    ChimeHour = 324,
    ChimeSilent = 325,
    ClickSoundOn = 326,
    ClickSoundOff = 327,
};

struct RGBColour {
    uint16_t red = 0, green = 0, blue = 0; // 0..65535
    bool     operator==(const RGBColour&) const = default;
};

// Window content bounds as stored: top, left, bottom, right.
struct PrefRect {
    int16_t         top = 0, left = 0, bottom = 0, right = 0;
    bool            operator==(const PrefRect&) const = default;
    bool            isEmpty() const { return bottom <= top || right <= left; }
    QRect           toRect() const { return QRect(left, top, right - left, bottom - top); }
    static PrefRect fromRect(const QRect& r) {
        return {int16_t(r.top()), int16_t(r.left()), int16_t(r.top() + r.height()),
                int16_t(r.left() + r.width())};
    }
};

// The CalDAV account; its password lives in the desktop's Secret Service, never here.
struct SyncSettings {
    bool    enabled = false;
    QString server;   // the address the user gave
    QString user;     // user name on the server
    QString calendar; // the collection's address; empty: the first one found
    int32_t minutes = 15;
    bool    operator==(const SyncSettings&) const = default;
};

struct Preferences {
    bool calendarWndOpen = true; // reopened at launch
    bool countDownWndOpen = true;
    bool monthlyWndOpen = false;
    bool weeklyWndOpen = true;
    bool listWndOpen = false;
    bool eventWndOpen = false;
    bool timerWndOpen = false; // stored, never reopened

    RGBColour stdColour{65535, 0, 25558};
    RGBColour keeperColour{0, 0, 65535};
    RGBColour holidayColour{0, 65535, 0};
    RGBColour eventColour{65535, 25558, 0};

    double   countDownDate = 0; // 1 January of next year unless set
    uint16_t countDownMode = CountDownUsesDate;
    QString  countDownMessage;

    bool hideInBackground = false;
    bool helpTags = true;
    bool launchShowDaynote = false;
    bool launchAnnounce = false;
    bool bringAllToFront = true;

    uint16_t chime = ChimeHour;
    bool     showSeconds = false;
    bool     showWeekNumber = false;
    bool     showSunLine = true;
    uint16_t autoDeleteAge = 9999; // days; 1..9999
    uint16_t autosave = AutosaveHourly;
    uint16_t weekStart = WeekStartsSunday;
    uint16_t clickSound = ClickSoundOn;
    uint16_t weeklyFontItem = 6;

    PrefRect calendarRect, countDownRect, userNoteRect, weeklyRect, monthlyRect, listRect, timerRect,
        eventRect, timeZoneRect, timeLogRect;

    int32_t                timeZone1Offset = 0;
    int32_t                timeZone2Offset = 0;
    std::optional<QString> timeZone1Name;
    std::optional<QString> timeZone2Name;
    QString                timerSoundPath; // empty: the desktop's alert sound

    SyncSettings sync; // kept through Reset: an account is no display setting
};

Preferences& Prefs();

// ---------------------------------------------------------------------------------------------------------
// The stored domain: $XDG_CONFIG_HOME/VRDX/VRDX.plist. A value of the wrong kind counts as absent.
// ---------------------------------------------------------------------------------------------------------

QString PreferencesFilePath();
bool    PrefGetBool(const QString& key, bool defaultValue);
void    PrefSetBool(const QString& key, bool value);
bool    PrefGetInt(const QString& key, int32_t* value); // false when absent
void    PrefSetInt(const QString& key, int32_t value);
// True and the bytes when the value is data of exactly `size` bytes.
bool         PrefGetData(const QString& key, QByteArray* bytes, int size);
void         PrefSetData(const QString& key, const QByteArray& bytes);
bool         PrefGetRect(const QString& key, PrefRect* rect); // four comma-separated integers, else false
void         PrefSetRect(const QString& key, const PrefRect& rect);
double       PrefGetDate(const QString& key, double defaultValue);
void         PrefSetDate(const QString& key, double absTime);
const Value* PrefCopyValue(const QString& key);
void         PrefSetValue(const QString& key, const Value* value); // nullptr removes the key
bool         PrefSync();                                           // writes the domain atomically

void SaveFileAlias(const QString& key, const QString& path);
bool ResolveFileAlias(const QString& key, QString* path);

// Reads the domain file and fills the record. A damaged file is set aside and the user told.
void LoadPreferences();
void SavePreferences();
// The sync account alone, at once (the preferences window changed it).
void SaveSyncPreferences();
void ResetPreferences();

// User notes open at quit, numbered from 0 in each run; ReopenUserNotes consumes the keys in order and hands
// each resolvable file to `open` with its window bounds.
void RememberOpenUserNote(const QString& path, const PrefRect& rect);
void ReopenUserNotes(const std::function<void(const QString& path, const PrefRect& rect)>& open);
