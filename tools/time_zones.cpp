// Time zones: window, sheet, offsets held on the window's controls, clocks on the tick, and storing.
#include "tools/time_zones.h"

#include "core/dates.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "platform/windows.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int LargestDifference = 47; // items of the pop-up menus: 30 minutes .. 23 h 30m

// The controls of one zone in the window and in the sheet.
struct Zone {
    int useBox, group, nameField, signRadios, popUp; // sheet
    int name, offset, clock;                         // window
};
constexpr Zone Zones[] = {
    {Zone1UseCheckBox, Zone1Group, Zone1NameField, Zone1SignRadios, Zone1DifferencePopUp, ZoneName1Text,
     ZoneOffset1Text, ZoneClock1Text},
    {Zone2UseCheckBox, Zone2Group, Zone2NameField, Zone2SignRadios, Zone2DifferencePopUp, ZoneName2Text,
     ZoneOffset2Text, ZoneClock2Text},
};
constexpr int SignPlus = 1, SignMinus = 2;

QWidget* ZonesWindow() {
    return FindWindowById(TimeZonesWindowId);
}
QWidget* ZoneSheet() {
    return FindWindowById(TimeZoneSheetId);
}

void CreateZoneSheet() {
    if (ZoneSheet()) return;
    QWidget* sheet = CreateLooseSheetFromDefinition(QStringLiteral("TimeZoneSheet"));
    if (!sheet) return;
    SetWindowId(sheet, TimeZoneSheetId);
    for (const Zone& z : Zones) SetControlValue(FindControl(sheet, z.popUp), 1);
}

// The window shows the zone: its name, its offset text and (from the next tick) its clock.
void ShowZone(QWidget* window, const Zone& z, const QString& name, int halfHours) {
    SetControlText(FindControl(window, z.name), name);
    QWidget* offset = FindControl(window, z.offset);
    SetZoneOffset(offset, halfHours);
    SetControlText(offset, ZoneOffsetText(halfHours));
    if (halfHours == 0) SetControlText(FindControl(window, z.clock), QString());
}

void FillWindowFromPreferences(QWidget* window) {
    const Preferences& p = Prefs();
    ShowZone(window, Zones[0], p.timeZone1Name.value_or(QString()), p.timeZone1Offset);
    ShowZone(window, Zones[1], p.timeZone2Name.value_or(QString()), p.timeZone2Offset);
}

// The sheet starts from the zones the window shows, so that OK without a change keeps them as they are.
void FillSheetFromWindow(QWidget* sheet, QWidget* window) {
    for (const Zone& z : Zones) {
        const int  halfHours = GetZoneOffset(FindControl(window, z.offset));
        const bool used = halfHours != 0;
        SetControlValue(FindControl(sheet, z.useBox), used);
        SetControlEnabled(FindControl(sheet, z.group), used);
        if (!used) continue;
        SetControlText(FindControl(sheet, z.nameField), GetControlText(FindControl(window, z.name)));
        SetControlValue(FindControl(sheet, z.signRadios), halfHours > 0 ? SignPlus : SignMinus);
        SetControlValue(FindControl(sheet, z.popUp), std::min(std::abs(halfHours), LargestDifference));
    }
}

} // namespace

int CommandOpenTimeZones(FourCC) {
    OpenTimeZones();
    return EventHandled;
}

void OpenTimeZones() {
    CreateZoneSheet();
    if (QWidget* sheet = ZoneSheet())
        for (const Zone& z : Zones) SetControlValue(FindControl(sheet, z.signRadios), SignPlus);
    QWidget* window = ZonesWindow();
    if (!window) {
        window = CreateWindowFromDefinition(QStringLiteral("TimeZones"));
        if (!window) return;
        SetWindowId(window, TimeZonesWindowId);
        const PrefRect& place = Prefs().timeZoneRect;
        if (place.top > 0) RestoreWindowPlace(window, place.toRect());
    }
    FillWindowFromPreferences(window);
    TimeZonesTick();
    ShowWindow(window);
}

void ApplyTimeZones() {
    QWidget* sheet = ZoneSheet();
    QWidget* window = ZonesWindow();
    if (sheet && window) {
        for (const Zone& z : Zones) {
            if (!GetControlValue(FindControl(sheet, z.useBox))) {
                ShowZone(window, z, QString(), 0);
                continue;
            }
            const int sign = GetControlValue(FindControl(sheet, z.signRadios)) == SignPlus ? 1 : -1;
            ShowZone(window, z, GetControlText(FindControl(sheet, z.nameField)),
                     sign * GetControlValue(FindControl(sheet, z.popUp)));
        }
    }
    CloseWindow(FindWindowById(TimeZoneSheetId));
}

QString ZoneOffsetText(int halfHours) {
    if (halfHours == 0) return QString();
    return QStringLiteral("%1 %2 %3%4")
        .arg(halfHours > 0 ? QStringLiteral("+") : QStringLiteral("-"))
        .arg(std::abs(halfHours) / 2)
        .arg(QStringLiteral("h "), std::abs(halfHours) % 2 ? QStringLiteral("30m") : QString());
}

void ShowZoneClock(int halfHours, QWidget* control) {
    if (halfHours == 0) {
        SetControlText(control, QString());
        return;
    }
    const int hours = halfHours / 2; // toward zero
    const int minutes = halfHours % 2 ? (halfHours > 0 ? 30 : -30) : 0;
    SetControlText(control, FormatDate(ClockTextPattern, GetNowPlusHoursMinutes(hours, minutes)));
}

int GetZoneOffset(const QWidget* control) {
    QByteArray bytes;
    int32_t    halfHours = 0;
    if (GetControlProperty(control, MakeFourCC("VRDX"), MakeFourCC("zon1"), &bytes) &&
        bytes.size() == sizeof halfHours)
        std::memcpy(&halfHours, bytes.constData(), sizeof halfHours);
    return halfHours;
}

void SetZoneOffset(QWidget* control, int halfHours) {
    const int32_t value = halfHours;
    SetControlProperty(control, MakeFourCC("VRDX"), MakeFourCC("zon1"),
                       QByteArray(reinterpret_cast<const char*>(&value), sizeof value));
}

void TimeZonesTick() {
    QWidget* window = ZonesWindow();
    if (!window) return;
    for (const Zone& z : Zones)
        ShowZoneClock(GetZoneOffset(FindControl(window, z.offset)), FindControl(window, z.clock));
    SetControlText(FindControl(window, LocalClockText), FormatDate(ClockTextPattern, GetNow()));
}

void StoreTimeZones() {
    QWidget* window = ZonesWindow();
    if (!window) return;
    Preferences& p = Prefs();
    p.timeZone1Offset = GetZoneOffset(FindControl(window, ZoneOffset1Text));
    p.timeZone2Offset = GetZoneOffset(FindControl(window, ZoneOffset2Text));
    p.timeZone1Name = GetControlText(FindControl(window, ZoneName1Text));
    p.timeZone2Name = GetControlText(FindControl(window, ZoneName2Text));
    const Value name1(*p.timeZone1Name), name2(*p.timeZone2Name);
    PrefSetValue(TimeZone1NameKey, &name1);
    PrefSetValue(TimeZone2NameKey, &name2);
    PrefSync();
}

int ZoneSheetHit(int, unsigned) {
    CreateZoneSheet();
    QWidget* sheet = ZoneSheet();
    QWidget* window = ZonesWindow();
    if (!sheet || !window) return EventHandled;
    FillSheetFromWindow(sheet, window);
    ShowSheetOn(sheet, window);
    SetFocusToControl(FindControl(sheet, Zone1UseCheckBox));
    return EventHandled;
}

int ZonesOkHit(int, unsigned) {
    ApplyTimeZones();
    return EventHandled;
}

int ZoneUseBoxHit(int controlId, unsigned) {
    QWidget*   sheet = ZoneSheet();
    const bool used = GetControlValue(FindControl(sheet, controlId));
    SetControlEnabled(FindControl(sheet, controlId == Zone1UseCheckBox ? Zone1Group : Zone2Group), used);
    return EventNotHandled;
}
