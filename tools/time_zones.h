// Time zones: the local clock and two more, each a name and a whole number of half hours from local time,
// set in a sheet and kept in the preferences.
#pragma once

#include "platform/fourcc.h"

#include <QString>

class QWidget;

enum TimeZoneControl : int {
    ZoneName1Text = 379,
    ZoneName2Text = 380,
    ZoneOffset1Text = 381, // each offset text carries its zone's offset in the property 'zon1'
    ZoneOffset2Text = 382,
    ZoneSheetButton = 384,
    LocalClockText = 385,
    ZoneClock1Text = 386,
    ZoneClock2Text = 387,
    Zone1Group = 391,
    Zone1NameField = 393,
    Zone1DifferencePopUp = 394,
    Zone2Group = 395,
    Zone2DifferencePopUp = 397,
    Zone2NameField = 398,
    ZonesOkButton = 399,
    Zone1UseCheckBox = 400,
    Zone1SignRadios = 401,
    Zone2UseCheckBox = 402,
    Zone2SignRadios = 407,
};

// Command 'ShTZ': the sheet prepared and the window opened or brought forward, filled from the stored zones.
int  CommandOpenTimeZones(FourCC command);
void OpenTimeZones();
// The sheet's OK: both zones into the window, then the sheet hides.
void ApplyTimeZones();
// "+ 5 h 30m" for 11 half hours, "- 2 h " for -4; empty for 0.
QString ZoneOffsetText(int halfHours);
// The zone's clock text, empty for offset 0.
void ShowZoneClock(int halfHours, QWidget* control);
// The offset a control holds in its 'zon1' property; 0 without one.
int  GetZoneOffset(const QWidget* control);
void SetZoneOffset(QWidget* control, int halfHours);
// The tick's step while the window exists: the two zone clocks and the local one.
void TimeZonesTick();
// The window closes: its zones become the stored ones (the names at once, the offsets at quit).
void StoreTimeZones();

// Control actions of the window and sheet.
int ZoneSheetHit(int controlId, unsigned modifiers);
int ZonesOkHit(int controlId, unsigned modifiers);
int ZoneUseBoxHit(int controlId, unsigned modifiers);
