// The preferences record and the stored domain behind it.
#include "core/preferences.h"

#include "core/backups.h"

#include "core/datafiles.h"
#include "core/dates.h"
#include "core/plist.h"
#include "core/records.h"
#include "platform/alerts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>

namespace {

Record domain;              // the stored keys, in file order; unknown keys are kept
int    userNotesAtQuit = 0; // numbers the user notes recorded at this quit

QByteArray EncodeCode(uint16_t code) {
    QByteArray bytes(2, '\0');
    qToLittleEndian<uint16_t>(code, bytes.data());
    return bytes;
}

QByteArray EncodeColour(const RGBColour& c) {
    QByteArray bytes(6, '\0');
    qToLittleEndian<uint16_t>(c.red, bytes.data());
    qToLittleEndian<uint16_t>(c.green, bytes.data() + 2);
    qToLittleEndian<uint16_t>(c.blue, bytes.data() + 4);
    return bytes;
}

uint16_t GetCode(const QString& key, uint16_t defaultValue, bool* present = nullptr) {
    QByteArray bytes;
    const bool found = PrefGetData(key, &bytes, 2);
    if (present) *present = found;
    return found ? qFromLittleEndian<uint16_t>(bytes.constData()) : defaultValue;
}

RGBColour GetColour(const QString& key, RGBColour defaultValue) {
    QByteArray bytes;
    if (!PrefGetData(key, &bytes, 6)) return defaultValue;
    return {qFromLittleEndian<uint16_t>(bytes.constData()),
            qFromLittleEndian<uint16_t>(bytes.constData() + 2),
            qFromLittleEndian<uint16_t>(bytes.constData() + 4)};
}

double FirstOfNextYear() {
    return DateToAbsTime(1, 1, GetCurrentYear() + 1);
}

struct RectKey {
    const QString* key;
    PrefRect Preferences::*field;
};
const RectKey LoadedRects[] = {
    {&CalendarRectKey, &Preferences::calendarRect}, {&UserNoteRectKey, &Preferences::userNoteRect},
    {&WeeklyRectKey, &Preferences::weeklyRect},     {&ListRectKey, &Preferences::listRect},
    {&TimerRectKey, &Preferences::timerRect},       {&EventRectKey, &Preferences::eventRect},
    {&TimeZoneRectKey, &Preferences::timeZoneRect}, {&TimeLogRectKey, &Preferences::timeLogRect},
};

} // namespace

Preferences& Prefs() {
    static Preferences prefs;
    return prefs;
}

QString PreferencesFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/VRDX/VRDX.plist");
}

const Value* PrefCopyValue(const QString& key) {
    return FindField(domain, key);
}

void PrefSetValue(const QString& key, const Value* value) {
    if (value)
        SetField(domain, key, *value);
    else
        RemoveField(domain, key);
}

bool PrefGetBool(const QString& key, bool defaultValue) {
    const Value* v = PrefCopyValue(key);
    const bool*  b = v ? std::get_if<bool>(&v->v) : nullptr;
    return b ? *b : defaultValue;
}

void PrefSetBool(const QString& key, bool value) {
    SetField(domain, key, Value(value));
}

bool PrefGetInt(const QString& key, int32_t* value) {
    const Value*  v = PrefCopyValue(key);
    const qint64* i = v ? std::get_if<qint64>(&v->v) : nullptr;
    if (!i) return false;
    *value = int32_t(*i);
    return true;
}

void PrefSetInt(const QString& key, int32_t value) {
    SetField(domain, key, Value(qint64(value)));
}

bool PrefGetData(const QString& key, QByteArray* bytes, int size) {
    const Value*      v = PrefCopyValue(key);
    const QByteArray* d = v ? ValueData(*v) : nullptr;
    // A shorter value would fill only part of the field; it counts as absent like a longer one.
    if (!d || d->size() != size) return false;
    *bytes = *d;
    return true;
}

void PrefSetData(const QString& key, const QByteArray& bytes) {
    SetField(domain, key, Value(bytes));
}

bool PrefGetRect(const QString& key, PrefRect* rect) {
    const Value*   v = PrefCopyValue(key);
    const QString* text = v ? ValueText(*v) : nullptr;
    if (!text) return false;
    const QStringList fields = text->split(QLatin1Char(','));
    if (fields.size() != 4) return false;
    int16_t numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool      ok = false;
        const int n = fields[i].trimmed().toInt(&ok);
        if (!ok || n < INT16_MIN || n > INT16_MAX) return false;
        numbers[i] = int16_t(n);
    }
    *rect = {numbers[0], numbers[1], numbers[2], numbers[3]};
    return true;
}

void PrefSetRect(const QString& key, const PrefRect& r) {
    SetField(domain, key,
             Value(QStringLiteral("%1,%2,%3,%4").arg(r.top).arg(r.left).arg(r.bottom).arg(r.right)));
}

double PrefGetDate(const QString& key, double defaultValue) {
    const Value*     v = PrefCopyValue(key);
    const DateValue* d = v ? ValueDate(*v) : nullptr;
    return d ? d->absTime : defaultValue;
}

void PrefSetDate(const QString& key, double absTime) {
    SetField(domain, key, Value(DateValue{absTime}));
}

bool PrefSync() {
    const QString path = PreferencesFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray bytes = WritePropertyList(Value(domain));
    if (FileHoldsBytes(path, bytes)) return true;
    BackUpBeforeSave(path);
    QString error;
    return WriteBytesAtomically(bytes, path, &error);
}

void SaveFileAlias(const QString& key, const QString& path) {
    const QByteArray alias = MakeFileAlias(path);
    if (!alias.isEmpty()) PrefSetData(key, alias);
}

bool ResolveFileAlias(const QString& key, QString* path) {
    const Value*      v = PrefCopyValue(key);
    const QByteArray* d = v ? ValueData(*v) : nullptr;
    return d && ResolveAliasData(*d, path);
}

void LoadPreferences() {
    domain = Record{};
    const QString path = PreferencesFilePath();
    if (QFileInfo::exists(path)) {
        Value   root;
        QString error;
        if (ReadPropertyListFile(path, &root, &error) && ValueRecord(root)) {
            domain = std::move(*ValueRecord(root));
        } else {
            const QString moved = MoveDamagedFileAside(path);
            ShowAlert(AlertStyle::Warning, QStringLiteral("The preferences file could not be read"),
                      moved.isEmpty()
                          ? QStringLiteral("VRD X uses its default settings.")
                          : QStringLiteral("It was kept as \"%1\" and VRD X uses its default settings.")
                                .arg(QDir::toNativeSeparators(moved)));
        }
    }

    Preferences&      p = Prefs();
    const Preferences d; // the defaults
    p.calendarWndOpen = PrefGetBool(CalendarWndOpenKey, d.calendarWndOpen);
    p.countDownWndOpen = PrefGetBool(CountDownWndOpenKey, d.countDownWndOpen);
    p.monthlyWndOpen = PrefGetBool(MonthlyWndOpenKey, d.monthlyWndOpen);
    p.weeklyWndOpen = PrefGetBool(WeeklyWndOpenKey, d.weeklyWndOpen);
    p.listWndOpen = PrefGetBool(ListWndOpenKey, d.listWndOpen);
    p.eventWndOpen = PrefGetBool(EventWndOpenKey, d.eventWndOpen);
    p.timerWndOpen = PrefGetBool(TimerWndOpenKey, d.timerWndOpen);

    p.stdColour = GetColour(StdColourKey, d.stdColour);
    p.keeperColour = GetColour(KeeperColourKey, d.keeperColour);
    p.holidayColour = GetColour(HolidayColourKey, d.holidayColour);
    p.eventColour = GetColour(EventColourKey, d.eventColour);

    p.countDownDate = PrefGetDate(CountDownDateKey, FirstOfNextYear());
    p.countDownMode = GetCode(CountDownModeKey, d.countDownMode);
    const Value*   message = PrefCopyValue(CountDownMessageKey);
    const QString* messageText = message ? ValueText(*message) : nullptr;
    p.countDownMessage = messageText ? *messageText : QString();

    p.hideInBackground = PrefGetBool(HideInBackgroundKey, d.hideInBackground);
    p.helpTags = PrefGetBool(HelpTagsKey, d.helpTags);
    p.launchShowDaynote = PrefGetBool(LaunchShowDaynoteKey, d.launchShowDaynote);
    p.launchAnnounce = PrefGetBool(LaunchAnnounceKey, d.launchAnnounce);
    p.bringAllToFront = PrefGetBool(BringAllToFrontKey, d.bringAllToFront);

    bool chimePresent = false;
    p.chime = GetCode(ChimeKey, d.chime, &chimePresent);
    p.showSeconds = PrefGetBool(ShowSecondsKey, d.showSeconds);
    p.showWeekNumber = PrefGetBool(ShowWeekNumberKey, d.showWeekNumber);
    p.showSunLine = PrefGetBool(ShowSunLineKey, d.showSunLine);
    p.autoDeleteAge = GetCode(AutoDeleteAgeKey, p.autoDeleteAge);
    if (!chimePresent) { // a first launch
        p.chime = ChimeHour;
        p.autoDeleteAge = 9999;
    }

    p.autosave = GetCode(AutosaveKey, d.autosave);
    p.weekStart = GetCode(WeekStartKey, d.weekStart);
    p.clickSound = GetCode(ClickSoundKey, d.clickSound);
    p.weeklyFontItem = GetCode(WeeklyFontItemKey, d.weeklyFontItem);

    for (const RectKey& r : LoadedRects) PrefGetRect(*r.key, &(p.*r.field));

    if (!PrefGetInt(TimeZone1OffsetKey, &p.timeZone1Offset)) p.timeZone1Offset = 0;
    if (!PrefGetInt(TimeZone2OffsetKey, &p.timeZone2Offset)) p.timeZone2Offset = 0;
    for (auto [key, field] :
         {std::pair{&TimeZone1NameKey, &p.timeZone1Name}, {&TimeZone2NameKey, &p.timeZone2Name}}) {
        const Value*   v = PrefCopyValue(*key);
        const QString* text = v ? ValueText(*v) : nullptr;
        if (text) *field = *text;
    }

    p.timerSoundPath.clear();
    ResolveFileAlias(TimerSoundKey, &p.timerSoundPath);

    p.sync.enabled = PrefGetBool(SyncEnabledKey, d.sync.enabled);
    for (auto [key, field] : {std::pair{&SyncServerKey, &p.sync.server},
                              {&SyncUserKey, &p.sync.user},
                              {&SyncCalendarKey, &p.sync.calendar}}) {
        const Value*   v = PrefCopyValue(*key);
        const QString* text = v ? ValueText(*v) : nullptr;
        *field = text ? *text : QString();
    }
    if (!PrefGetInt(SyncMinutesKey, &p.sync.minutes) || p.sync.minutes < 1) p.sync.minutes = d.sync.minutes;
}

void SavePreferences() {
    const Preferences& p = Prefs();
    PrefSetBool(CalendarWndOpenKey, p.calendarWndOpen);
    PrefSetBool(CountDownWndOpenKey, p.countDownWndOpen);
    PrefSetBool(MonthlyWndOpenKey, p.monthlyWndOpen);
    PrefSetBool(WeeklyWndOpenKey, p.weeklyWndOpen);
    PrefSetBool(ListWndOpenKey, p.listWndOpen);
    PrefSetBool(EventWndOpenKey, p.eventWndOpen);
    PrefSetBool(TimerWndOpenKey, p.timerWndOpen);
    PrefSetData(StdColourKey, EncodeColour(p.stdColour));
    PrefSetData(KeeperColourKey, EncodeColour(p.keeperColour));
    PrefSetData(HolidayColourKey, EncodeColour(p.holidayColour));
    PrefSetData(EventColourKey, EncodeColour(p.eventColour));
    PrefSetDate(CountDownDateKey, p.countDownDate);
    PrefSetData(CountDownModeKey, EncodeCode(p.countDownMode));
    SetField(domain, CountDownMessageKey, Value(p.countDownMessage));
    PrefSetBool(HideInBackgroundKey, p.hideInBackground);
    PrefSetBool(HelpTagsKey, p.helpTags);
    PrefSetBool(LaunchShowDaynoteKey, p.launchShowDaynote);
    PrefSetBool(LaunchAnnounceKey, p.launchAnnounce);
    PrefSetBool(BringAllToFrontKey, p.bringAllToFront);
    PrefSetData(ChimeKey, EncodeCode(p.chime));
    PrefSetBool(ShowSecondsKey, p.showSeconds);
    PrefSetBool(ShowWeekNumberKey, p.showWeekNumber);
    PrefSetBool(ShowSunLineKey, p.showSunLine);
    PrefSetData(AutoDeleteAgeKey, EncodeCode(p.autoDeleteAge));
    PrefSetData(AutosaveKey, EncodeCode(p.autosave));
    PrefSetData(WeekStartKey, EncodeCode(p.weekStart));
    PrefSetData(ClickSoundKey, EncodeCode(p.clickSound));
    PrefSetData(WeeklyFontItemKey, EncodeCode(p.weeklyFontItem));
    PrefSetRect(UserNoteRectKey, p.userNoteRect);
    PrefSetInt(TimeZone1OffsetKey, p.timeZone1Offset);
    PrefSetInt(TimeZone2OffsetKey, p.timeZone2Offset);
    if (!p.timerSoundPath.isEmpty()) SaveFileAlias(TimerSoundKey, p.timerSoundPath);
    SaveSyncPreferences();
}

void SaveSyncPreferences() {
    const SyncSettings& sync = Prefs().sync;
    PrefSetBool(SyncEnabledKey, sync.enabled);
    SetField(domain, SyncServerKey, Value(sync.server));
    SetField(domain, SyncUserKey, Value(sync.user));
    SetField(domain, SyncCalendarKey, Value(sync.calendar));
    PrefSetInt(SyncMinutesKey, sync.minutes);
    PrefSync();
}

void ResetPreferences() {
    Preferences&       p = Prefs();
    const PrefRect     timeLog = p.timeLogRect;
    const SyncSettings sync = p.sync;
    const Preferences  defaults;
    p = defaults;
    p.sync = sync;
    p.countDownDate = FirstOfNextYear();
    p.countDownMessage = QString();
    p.timeZone1Name = QString();
    p.timeZone2Name = QString();
    p.monthlyRect = {103, 58, 633, 727};
    p.eventRect = {216, 213, 687, 900};
    p.timeLogRect = timeLog;
    PrefSetValue(TimerSoundKey, nullptr);
    PrefSync();
}

void RememberOpenUserNote(const QString& path, const PrefRect& rect) {
    SaveFileAlias(UserNotesOpenAtQuitKey.arg(userNotesAtQuit), path);
    PrefSetRect(UserNotesOpenAtQuitRectKey.arg(userNotesAtQuit), rect);
    ++userNotesAtQuit;
}

void ReopenUserNotes(const std::function<void(const QString& path, const PrefRect& rect)>& open) {
    for (int n = 0;; ++n) {
        PrefRect rect;
        if (!PrefGetRect(UserNotesOpenAtQuitRectKey.arg(n), &rect)) break;
        QString    path;
        const bool resolved = ResolveFileAlias(UserNotesOpenAtQuitKey.arg(n), &path);
        PrefSetValue(UserNotesOpenAtQuitKey.arg(n), nullptr);
        PrefSetValue(UserNotesOpenAtQuitRectKey.arg(n), nullptr);
        PrefSync();
        if (resolved && open) open(path, rect);
    }
}
