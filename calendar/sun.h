// Sunrise and sunset for the calendar window's "Rise/Set:" line, and where the user is on Earth.
#pragma once

#include <QString>

// The system time zone's offset from GMT now (daylight saving included), in hours west: −1 for Berlin in
// winter, 5 for New York in winter, −5.5 for Kolkata.
double HoursWestOfGMT();

// Whether the sun crosses the horizon for a rise or a set, and if not, which side it stays on.
enum class SunEvent { Happens, SunStaysUp, SunStaysDown };

// Rise and set as angles of local clock time (2π = 24 h, not reduced: RadiansToClock does that). An angle is
// meaningful only when its event happens.
struct SunAngles {
    double   rise = 0;
    double   set = 0;
    SunEvent riseEvent = SunEvent::Happens;
    SunEvent setEvent = SunEvent::Happens;

    bool riseNever() const { return riseEvent != SunEvent::Happens; }
    bool setNever() const { return setEvent != SunEvent::Happens; }
};

// Sunrise and sunset on a date by the 1990 "Almanac for Computers" method (zenith 90° 50′). lambdaW: degrees
// of longitude, west positive; latitude: degrees, north positive; z: the zone's hours west of GMT.
SunAngles SunTimes(double lambdaW, double latitude, double z, int year, int month, int day);

// An angle of clock time as hours and minutes written H.MM (6.45 is 6 h 45 min), rounded to the nearest
// minute; 23 h 59.5 min and later round up to 24.00.
double RadiansToClock(double x);

// An H.MM clock value in the current locale's short time style ("6:45 AM", "06:45") on the local day of
// todayAbsTime; 24.00 shows as the next day's midnight. Anything else outside 0.00..23.59 gives "—".
QString ClockText(double clockValue, double todayAbsTime);

// The user's location in degrees (north and east positive): the "Location latitude" and "Location
// longitude" preferences when both are set and in range, else the system time zone's place in tzdata's zone
// tables. False when neither tells (UTC, for one). The zone's answer is kept until the zone changes.
bool ReadLocation(double* latitudeDeg, double* longitudeDegEast);

// The place of a time zone in the tables of a zoneinfo folder: zone1970.tab, then zone.tab; link names
// ("US/Eastern", "Asia/Calcutta") are tried under the names the tables use. Reads the files on every call.
bool ZoneTableLocation(const QString& zoneinfoFolder, const QString& zoneName, double* latitudeDeg,
                       double* longitudeDegEast);

// "Rise/Set: 6:45 AM/8:31 PM" for today at the user's location; "Rise/Set: sun up all day", "Rise/Set: sun
// down all day" or "Rise/Set: location unknown" when there are no times to show, and "—" for a single
// missing time.
QString SunLineText();
