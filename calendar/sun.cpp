// Sunrise and sunset for the calendar window's "Rise/Set:" line, and where the user is on Earth.
#include "calendar/sun.h"

#include "core/dates.h"
#include "core/preferences.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double TwoPi = 2 * std::numbers::pi;

const QString Dash = QStringLiteral("—");
const QString SunLabel = QStringLiteral("Rise/Set:");

QString FromUnicode(const icu::UnicodeString& s) {
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

icu::UnicodeString ToUnicode(const QString& s) {
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(s.utf16()), int32_t(s.size()));
}

double HoursWestOfGMTAt(double absTime) {
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    UErrorCode                     status = U_ZERO_ERROR;
    int32_t                        raw = 0, dst = 0;
    zone->getOffset((absTime + UnixToAbsoluteOffset) * 1000.0, false, raw, dst, status);
    if (U_FAILURE(status)) return 0;
    return (raw + dst) / -3600000.0;
}

// One rise or set: t is the day number plus the fraction of the day at which the event roughly happens.
void RiseOrSet(double t, double phi, double lambda, double zeta, bool rise, double* angle, SunEvent* event) {
    const double m = 0.017202 * t - 0.0574039;                                              // mean anomaly
    double       l = m + 4.93289 + 0.0334405 * std::sin(m) + 0.000349066 * std::sin(2 * m); // true longitude
    l -= std::rint(l / TwoPi) * TwoPi;
    if (l < 0) l += TwoPi;
    // Keeps tan L away from a pole (and the quadrant test below off its edges).
    const double quarters = l / (Pi / 2);
    if (std::fabs(quarters - std::trunc(quarters)) <= 1e-5) l += 4.84814e-6;

    double ra = std::atan(0.91746 * std::tan(l)); // right ascension, put in L's quadrant
    if (l > 1.5 * Pi)
        ra += TwoPi;
    else if (l > Pi / 2)
        ra += Pi;

    const double sinDec = 0.39782 * std::sin(l);
    const double dec = std::atan(sinDec / std::sqrt(1 - sinDec * sinDec));
    const double cosH = (-0.0145439 - sinDec * std::sin(phi)) / (std::cos(dec) * std::cos(phi));
    if (cosH > 1) {
        *event = SunEvent::SunStaysDown;
        return;
    }
    if (cosH < -1) {
        *event = SunEvent::SunStaysUp;
        return;
    }
    const double a = Pi / 2 - std::atan(cosH / std::sqrt(1 - cosH * cosH));
    const double h = rise ? TwoPi - a : a;
    *event = SunEvent::Happens;
    *angle = h + ra - 0.0172028 * t - 1.73364 + lambda - zeta;
}

// "+5230+01322" or "+513030-0000731": degrees and minutes, optionally seconds, north and east positive.
bool ParseIso6709(const QString& text, double* latitude, double* longitude) {
    static const QRegularExpression form(
        QStringLiteral("^([+-])(\\d\\d)(\\d\\d)(\\d\\d)?([+-])(\\d\\d\\d)(\\d\\d)(\\d\\d)?$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) return false;
    auto angle = [&](int first, double limit, double* out) {
        const int degrees = match.captured(first + 1).toInt();
        const int minutes = match.captured(first + 2).toInt();
        const int seconds = match.captured(first + 3).toInt(); // 0 when absent
        if (minutes >= 60 || seconds >= 60) return false;
        const double value = degrees + minutes / 60.0 + seconds / 3600.0;
        if (value > limit) return false;
        *out = match.captured(first) == QLatin1String("-") ? -value : value;
        return true;
    };
    double lat = 0, lon = 0;
    if (!angle(1, 90, &lat) || !angle(5, 180, &lon)) return false;
    *latitude = lat;
    *longitude = lon;
    return true;
}

// Zone name to coordinates text, from a tab-separated zone table; empty when the file is missing.
QHash<QString, QString> ReadZoneTable(const QString& path) {
    QHash<QString, QString> table;
    QFile                   file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return table;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() >= 3 && !table.contains(fields[2])) table.insert(fields[2], fields[1]);
    }
    return table;
}

// The names a zone may be listed under: itself, then the zones ICU treats as the same in the same country
// (US/Eastern → America/New_York, Asia/Calcutta → Asia/Kolkata). Equivalents in other countries are left
// out: ICU counts GB the same as Guernsey and Jersey.
QStringList ZoneNameCandidates(QString name) {
    if (name.startsWith(QLatin1Char(':'))) name.remove(0, 1); // the POSIX "TZ=:Europe/Berlin" form
    const qsizetype folder = name.lastIndexOf(QLatin1String("zoneinfo/"));
    if (folder >= 0) name = name.mid(folder + 9); // a TZ given as a path into the zone files

    QStringList names{name};
    const auto  id = ToUnicode(name);
    UErrorCode  status = U_ZERO_ERROR;
    char        region[8] = {};
    icu::TimeZone::getRegion(id, region, sizeof region, status);
    if (U_FAILURE(status) || region[0] == 0) return names;
    const int32_t count = icu::TimeZone::countEquivalentIDs(id);
    for (int32_t i = 0; i < count; ++i) {
        const icu::UnicodeString other = icu::TimeZone::getEquivalentID(id, i);
        char                     otherRegion[8] = {};
        status = U_ZERO_ERROR;
        icu::TimeZone::getRegion(other, otherRegion, sizeof otherRegion, status);
        if (U_SUCCESS(status) && qstrcmp(region, otherRegion) == 0 && !names.contains(FromUnicode(other)))
            names << FromUnicode(other);
    }
    return names;
}

QString SystemZoneName() {
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    icu::UnicodeString             id;
    zone->getID(id);
    return FromUnicode(id);
}

bool PreferenceDegrees(const QString& key, double limit, double* degrees) {
    const Value* v = PrefCopyValue(key);
    if (!v) return false;
    double value = 0;
    if (const double* real = std::get_if<double>(&v->v))
        value = *real;
    else if (const qint64* integer = std::get_if<qint64>(&v->v))
        value = double(*integer);
    else
        return false;
    if (!std::isfinite(value) || std::fabs(value) > limit) return false;
    *degrees = value;
    return true;
}

struct ZoneLocation {
    bool   known = false;
    double latitude = 0, longitude = 0;
};

} // namespace

double HoursWestOfGMT() {
    return HoursWestOfGMTAt(GetNow());
}

SunAngles SunTimes(double lambdaW, double latitude, double z, int year, int month, int day) {
    const double phi = latitude * TwoPi / 360;
    const double lambda = lambdaW * TwoPi / 360;
    const double zeta = z * TwoPi / 24;

    // Day of the year; every fourth year counts as a leap year, as the method has it.
    const double n1 = std::trunc(275.0 * month / 9);
    const double n2 = std::trunc((month + 9) / 12.0);
    const double quarterYear = year / 4.0;
    const double n3 = std::fabs(quarterYear - std::trunc(quarterYear)) <= 1e-5 ? 1 : 2;
    const double n = n1 - n2 * n3 + day - 30;

    SunAngles sun;
    RiseOrSet(n + (lambda + Pi / 2) / TwoPi, phi, lambda, zeta, true, &sun.rise, &sun.riseEvent);
    RiseOrSet(n + (lambda + 1.5 * Pi) / TwoPi, phi, lambda, zeta, false, &sun.set, &sun.setEvent);
    return sun;
}

double RadiansToClock(double x) {
    double r = x - std::rint(x / TwoPi) * TwoPi;
    if (r < 0) r += TwoPi;
    const double h = r * 3.81972;
    const double hours = std::trunc(h);
    const double m = (h - hours) * 60;
    double       minutes = std::trunc(m);
    if (m - minutes >= 0.5) minutes += 1;
    return minutes >= 60 ? hours + 1 : hours + minutes / 100;
}

QString ClockText(double clockValue, double todayAbsTime) {
    if (!std::isfinite(clockValue) || clockValue < 0 || clockValue >= 25) return Dash;
    // Hours and minutes are read from the printed value, not the binary one: 18.15 is stored as 18.1499…
    // and 6.30 − 6 comes out as 0.2999…, either a minute short. QString::number ignores LC_NUMERIC, which
    // would give printf a decimal comma.
    const QString   printed = QString::number(clockValue, 'f', 6);
    const qsizetype point = printed.indexOf(QLatin1Char('.'));
    int             hour = printed.left(point).toInt();
    const int       minute = printed.mid(point + 1, 2).toInt();
    if (minute >= 60 || (hour == 24 && minute != 0) || hour > 24) return Dash;
    int nextDay = 0;
    if (hour == 24) { // a rise or set in the last half minute of the day rounds to 24.00
        hour = 0;
        nextDay = 1;
    }
    const GregorianDate today = AbsTimeToDate(todayAbsTime);
    // The calendar is lenient, so the day after the last of a month is the 1st of the next.
    const double when = DateTimeToAbsTime(today.month, today.day + nextDay, today.year, hour, minute);

    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, icu::Locale::getDefault()));
    if (!format) return Dash;
    icu::UnicodeString text;
    format->format((when + UnixToAbsoluteOffset) * 1000.0, text);
    return FromUnicode(text);
}

bool ZoneTableLocation(const QString& zoneinfoFolder, const QString& zoneName, double* latitudeDeg,
                       double* longitudeDegEast) {
    // zone1970.tab lists one zone per region since 1970; zone.tab still names the zones (Oslo, Reykjavík)
    // that zone1970.tab has merged into another.
    const QHash<QString, QString> tables[] = {
        ReadZoneTable(zoneinfoFolder + QLatin1String("/zone1970.tab")),
        ReadZoneTable(zoneinfoFolder + QLatin1String("/zone.tab")),
    };
    for (const QString& name : ZoneNameCandidates(zoneName))
        for (const auto& table : tables) {
            const auto found = table.constFind(name);
            if (found != table.constEnd() && ParseIso6709(*found, latitudeDeg, longitudeDegEast)) return true;
        }
    return false;
}

bool ReadLocation(double* latitudeDeg, double* longitudeDegEast) {
    double latitude = 0, longitude = 0;
    if (PreferenceDegrees(LocationLatitudeKey, 90, &latitude) &&
        PreferenceDegrees(LocationLongitudeKey, 180, &longitude)) {
        *latitudeDeg = latitude;
        *longitudeDegEast = longitude;
        return true;
    }

    // The tables are read again only when the zone changes.
    static QMutex                 mutex;
    static std::optional<QString> cachedZone;
    static ZoneLocation           cached;
    const QString                 zone = SystemZoneName();
    QMutexLocker                  lock(&mutex);
    if (cachedZone != zone) {
        cached = ZoneLocation{};
        cached.known = ZoneTableLocation(QStringLiteral("/usr/share/zoneinfo"), zone, &cached.latitude,
                                         &cached.longitude);
        cachedZone = zone;
    }
    if (!cached.known) return false;
    *latitudeDeg = cached.latitude;
    *longitudeDegEast = cached.longitude;
    return true;
}

QString SunLineText() {
    double latitude = 0, longitude = 0;
    if (!ReadLocation(&latitude, &longitude)) return SunLabel + QStringLiteral(" location unknown");

    // One reading of the clock, so the date and the zone offset belong to the same moment.
    const double        now = GetNow();
    const GregorianDate today = AbsTimeToDate(now);
    const SunAngles     sun =
        SunTimes(-longitude, latitude, HoursWestOfGMTAt(now), today.year, today.month, today.day);
    if (sun.riseNever() && sun.riseEvent == sun.setEvent)
        return SunLabel + (sun.riseEvent == SunEvent::SunStaysUp ? QStringLiteral(" sun up all day")
                                                                 : QStringLiteral(" sun down all day"));
    auto time = [&](SunEvent event, double angle) {
        return event == SunEvent::Happens ? ClockText(RadiansToClock(angle), now) : Dash;
    };
    return QStringLiteral("%1 %2/%3")
        .arg(SunLabel, time(sun.riseEvent, sun.rise), time(sun.setEvent, sun.set));
}
