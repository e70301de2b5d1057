// Tests of sunrise and sunset: published times for cities around the world (each confirmed by NOAA's
// equations), clock rounding and locale texts, polar days and nights, the location from the preferences
// and from tzdata's zone tables, the zone offset, and the "Rise/Set:" line.
#include "calendar/sun.h"
#include "core/dates.h"
#include "core/preferences.h"
#include "helpers/zone_scope.h"
#include "platform/clock.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

Q_DECLARE_METATYPE(SunEvent)
Q_DECLARE_METATYPE(std::optional<Value>)

namespace {

constexpr double Pi = std::numbers::pi;

void SetLocationPrefs(const std::optional<Value>& latitude, const std::optional<Value>& longitude) {
    PrefSetValue(LocationLatitudeKey, latitude ? &*latitude : nullptr);
    PrefSetValue(LocationLongitudeKey, longitude ? &*longitude : nullptr);
}

double UtcAbsTime(const QDate& date, const QTime& time) {
    return double(QDateTime(date, time, QTimeZone::utc()).toSecsSinceEpoch()) - UnixToAbsoluteOffset;
}

// ICU 72 writes "6:45 AM" with a narrow no-break space; what matters here are the digits and the marker.
QString PlainSpaces(QString text) {
    return text.replace(QChar(0x202F), QLatin1Char(' ')).replace(QChar(0x00A0), QLatin1Char(' '));
}

double Degrees(int d, int m, int s = 0) {
    return d + m / 60.0 + s / 3600.0;
}

int TextMinutes(const QString& hhmm) {
    const QStringList parts = hhmm.split(QLatin1Char(':'));
    return parts[0].toInt() * 60 + parts[1].toInt();
}

// An H.MM clock value (6.45 = 6 h 45 min) as minutes of the day.
int ClockMinutes(double clock) {
    const int hours = int(clock);
    return hours * 60 + int(std::lround((clock - hours) * 100));
}

// Distance on the 24-hour dial, so that 23:59 and 0:01 are two minutes apart.
double DialDistance(double minutesA, double minutesB) {
    const double d = std::fmod(std::fabs(minutesA - minutesB), 1440.0);
    return std::min(d, 1440 - d);
}

// Sunrise or sunset in local hours by the equations of NOAA's solar calculator (after Meeus): a separate
// theory of the sun from the almanac's, sharing only the 90.833° zenith. Iterated at the event's own time.
double NoaaLocalHours(double latitude, double longitudeEast, double utcOffset, const QDate& date, bool rise) {
    auto   rad = [](double deg) { return deg * Pi / 180; };
    auto   deg = [](double rad) { return rad * 180 / Pi; };
    double local = 12;
    for (int pass = 0; pass < 4; ++pass) {
        const double jd = double(date.toJulianDay()) - 0.5 + (local - utcOffset) / 24;
        const double t = (jd - 2451545) / 36525;
        const double l0 = std::fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360);
        const double m = 357.52911 + t * (35999.05029 - 0.0001537 * t);
        const double e = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
        const double c = std::sin(rad(m)) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
                         std::sin(rad(2 * m)) * (0.019993 - 0.000101 * t) + std::sin(rad(3 * m)) * 0.000289;
        const double omega = 125.04 - 1934.136 * t;
        const double apparent = l0 + c - 0.00569 - 0.00478 * std::sin(rad(omega));
        const double eps0 = 23 + (26 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60) / 60;
        const double eps = eps0 + 0.00256 * std::cos(rad(omega));
        const double decl = std::asin(std::sin(rad(eps)) * std::sin(rad(apparent)));
        const double y = std::pow(std::tan(rad(eps / 2)), 2);
        const double eqTime =
            4 * deg(y * std::sin(2 * rad(l0)) - 2 * e * std::sin(rad(m)) +
                    4 * e * y * std::sin(rad(m)) * std::cos(2 * rad(l0)) -
                    0.5 * y * y * std::sin(4 * rad(l0)) - 1.25 * e * e * std::sin(2 * rad(m)));
        const double cosHa = std::cos(rad(90.833)) / (std::cos(rad(latitude)) * std::cos(decl)) -
                             std::tan(rad(latitude)) * std::tan(decl);
        const double haMinutes = 4 * deg(std::acos(cosHa));
        const double noonMinutes = 720 - 4 * longitudeEast - eqTime + utcOffset * 60;
        local = (rise ? noonMinutes - haMinutes : noonMinutes + haMinutes) / 60;
    }
    return local;
}

} // namespace

class tst_Sun : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanup();

    void publishedTimes_data();
    void publishedTimes();
    void polarDaysAndNights_data();
    void polarDaysAndNights();
    void radiansToClock_data();
    void radiansToClock();
    void clockText_data();
    void clockText();
    void lastHalfMinuteShowsMidnight();
    void hoursWestOfGmt_data();
    void hoursWestOfGmt();
    void locationFromZone_data();
    void locationFromZone();
    void locationFromPreferences_data();
    void locationFromPreferences();
    void zoneTables_data();
    void zoneTables();
    void sunLineSameAllDay_data();
    void sunLineSameAllDay();
    void sunLineWithoutTimes_data();
    void sunLineWithoutTimes();
    void sunLineLocationUnknown();

  private:
    std::optional<LocaleScope> english;
};

void tst_Sun::initTestCase() {
    english.emplace("en_US");
}

void tst_Sun::cleanup() {
    SetLocationPrefs(std::nullopt, std::nullopt);
    ClearTestClock();
}

void tst_Sun::publishedTimes_data() {
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitudeEast");
    QTest::addColumn<double>("utcOffset"); // hours east of GMT on that date
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("rise"); // local clock time as published
    QTest::addColumn<QString>("set");

    // Published in the press from timeanddate.com, the University of Iceland Almanac and the National
    // Astronomical Observatory of Japan (whose Tokyo point is 35°39′16″ N 139°44′41″ E).
    const double london[] = {51.5074, -0.1278}, newYork[] = {40.7128, -74.0060};
    const double sydney[] = {-33.8688, 151.2093}, tokyo[] = {Degrees(35, 39, 16), Degrees(139, 44, 41)};
    const double reykjavik[] = {64.1466, -21.9426}, quito[] = {-0.2299, -78.5250};
    auto         row = [](const char* name, const double* place, double offset, QDate date, const char* rise,
                  const char* set) {
        QTest::newRow(name) << place[0] << place[1] << offset << date << QString::fromLatin1(rise)
                            << QString::fromLatin1(set);
    };
    row("London, June solstice 2024", london, 1, QDate(2024, 6, 20), "04:43", "21:21");
    row("London, December solstice 2023", london, 0, QDate(2023, 12, 22), "08:04", "15:53");
    row("London, March equilux 2011", london, 0, QDate(2011, 3, 18), "06:09", "18:09");
    row("New York, June solstice 2024", newYork, -4, QDate(2024, 6, 20), "05:25", "20:31");
    row("New York, December solstice 2023", newYork, -5, QDate(2023, 12, 22), "07:16", "16:32");
    row("Sydney, June solstice 2024 (southern winter)", sydney, 10, QDate(2024, 6, 20), "07:00", "16:54");
    row("Tokyo, June solstice 2024", tokyo, 9, QDate(2024, 6, 21), "04:25", "19:00");
    row("Reykjavik, June solstice 2024 (sets after midnight)", reykjavik, 0, QDate(2024, 6, 21), "02:55",
        "00:04");
    row("Reykjavik, December solstice 2011", reykjavik, 0, QDate(2011, 12, 22), "11:22", "15:30");
    row("Quito, March equinox 2018", quito, -5, QDate(2018, 3, 21), "06:18", "18:24");
    row("Quito, June solstice 2018", quito, -5, QDate(2018, 6, 21), "06:13", "18:19");
    row("Quito, September equinox 2018", quito, -5, QDate(2018, 9, 21), "06:04", "18:10");
    row("Quito, December solstice 2018", quito, -5, QDate(2018, 12, 21), "06:08", "18:16");
}

void tst_Sun::publishedTimes() {
    QFETCH(double, latitude);
    QFETCH(double, longitudeEast);
    QFETCH(double, utcOffset);
    QFETCH(QDate, date);
    QFETCH(QString, rise);
    QFETCH(QString, set);

    // The reference itself first: a mistyped row would otherwise test nothing.
    const double noaaRise = NoaaLocalHours(latitude, longitudeEast, utcOffset, date, true) * 60;
    const double noaaSet = NoaaLocalHours(latitude, longitudeEast, utcOffset, date, false) * 60;
    QVERIFY2(DialDistance(noaaRise, TextMinutes(rise)) <= 2, qPrintable(QString::number(noaaRise / 60)));
    QVERIFY2(DialDistance(noaaSet, TextMinutes(set)) <= 2, qPrintable(QString::number(noaaSet / 60)));

    const SunAngles sun =
        SunTimes(-longitudeEast, latitude, -utcOffset, date.year(), date.month(), date.day());
    QCOMPARE(sun.riseEvent, SunEvent::Happens);
    QCOMPARE(sun.setEvent, SunEvent::Happens);
    const double riseClock = RadiansToClock(sun.rise), setClock = RadiansToClock(sun.set);
    QVERIFY2(DialDistance(ClockMinutes(riseClock), TextMinutes(rise)) <= 2,
             qPrintable(QString::number(riseClock, 'f', 2)));
    QVERIFY2(DialDistance(ClockMinutes(setClock), TextMinutes(set)) <= 2,
             qPrintable(QString::number(setClock, 'f', 2)));
}

void tst_Sun::polarDaysAndNights_data() {
    QTest::addColumn<double>("latitude");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<SunEvent>("rise");
    QTest::addColumn<SunEvent>("set");

    const SunEvent happens = SunEvent::Happens, up = SunEvent::SunStaysUp, down = SunEvent::SunStaysDown;
    QTest::newRow("80 N in mid-June: midnight sun") << 80.0 << QDate(2026, 6, 15) << up << up;
    QTest::newRow("80 N in mid-December: polar night") << 80.0 << QDate(2026, 12, 15) << down << down;
    QTest::newRow("80 S in mid-December: midnight sun") << -80.0 << QDate(2026, 12, 15) << up << up;
    QTest::newRow("80 S in mid-June: polar night") << -80.0 << QDate(2026, 6, 15) << down << down;
    QTest::newRow("North Pole at the June solstice") << 90.0 << QDate(2026, 6, 21) << up << up;
    QTest::newRow("equator at the December solstice") << 0.0 << QDate(2026, 12, 21) << happens << happens;
    // On the edge of the midnight sun and of the polar night the morning and evening can differ.
    QTest::newRow("69.2 N on 20 May: rises, then stays up") << 69.2 << QDate(2026, 5, 20) << happens << up;
    QTest::newRow("68.5 N on 20 July: was up, sets") << 68.5 << QDate(2026, 7, 20) << up << happens;
    QTest::newRow("71.15 N on 20 November: rises, no set") << 71.15 << QDate(2026, 11, 20) << happens << down;
}

void tst_Sun::polarDaysAndNights() {
    QFETCH(double, latitude);
    QFETCH(QDate, date);
    QFETCH(SunEvent, rise);
    QFETCH(SunEvent, set);

    const SunAngles sun = SunTimes(0, latitude, 0, date.year(), date.month(), date.day());
    QCOMPARE(sun.riseEvent, rise);
    QCOMPARE(sun.setEvent, set);
    QCOMPARE(sun.riseNever(), rise != SunEvent::Happens);
    QCOMPARE(sun.setNever(), set != SunEvent::Happens);
}

void tst_Sun::radiansToClock_data() {
    QTest::addColumn<double>("radians");
    QTest::addColumn<double>("clock");

    const double perHour = 2 * Pi / 24;
    QTest::newRow("midnight") << 0.0 << 0.0;
    QTest::newRow("quarter turn is 6 o'clock") << Pi / 2 << 6.00;
    QTest::newRow("half turn is noon") << Pi << 12.00;
    QTest::newRow("6 h 45 min") << 6.75 * perHour << 6.45;
    QTest::newRow("29.45 minutes round down") << (6 + 29.45 / 60) * perHour << 6.29;
    QTest::newRow("29.55 minutes round up") << (6 + 29.55 / 60) * perHour << 6.30;
    QTest::newRow("59.6 minutes carry into the hour") << (6 + 59.6 / 60) * perHour << 7.00;
    QTest::newRow("23 h 59.6 min is 24.00") << (23 + 59.6 / 60) * perHour << 24.00;
    QTest::newRow("23 h 59.4 min stays 23.59") << (23 + 59.4 / 60) * perHour << 23.59;
    QTest::newRow("negative quarter turn is 18 o'clock") << -Pi / 2 << 18.00;
    QTest::newRow("minus half a turn is noon") << -Pi << 12.00;
    QTest::newRow("small negative angle is late evening") << -0.5 * perHour << 23.30;
    QTest::newRow("two turns and a quarter") << 4.5 * Pi << 6.00;
    QTest::newRow("minus three turns plus 1 h 10 min") << -6 * Pi + (1 + 10 / 60.0) * perHour << 1.10;
}

void tst_Sun::radiansToClock() {
    QFETCH(double, radians);
    QFETCH(double, clock);
    const double value = RadiansToClock(radians);
    QVERIFY2(std::fabs(value - clock) < 1e-9, qPrintable(QString::number(value, 'f', 9)));
}

void tst_Sun::clockText_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<double>("clock");
    QTest::addColumn<QString>("text");

    const QString dash = QStringLiteral("—");
    QTest::newRow("en_US morning") << QByteArray("en_US") << 6.45 << QStringLiteral("6:45 AM");
    QTest::newRow("en_US 6.29 reads 29") << QByteArray("en_US") << 6.29 << QStringLiteral("6:29 AM");
    // Stored just below their decimal value (18.1499…, 8.2899…) or giving it back short after subtracting
    // the hours (6.30 − 6 = 0.2999…): read off the binary value they lose a minute.
    QTest::newRow("en_US 18.15 is not 6:14 PM") << QByteArray("en_US") << 18.15 << QStringLiteral("6:15 PM");
    QTest::newRow("en_US 8.29 is not 8:28") << QByteArray("en_US") << 8.29 << QStringLiteral("8:29 AM");
    QTest::newRow("en_US 6.30 is not 6:29") << QByteArray("en_US") << 6.30 << QStringLiteral("6:30 AM");
    QTest::newRow("en_US evening") << QByteArray("en_US") << 18.05 << QStringLiteral("6:05 PM");
    QTest::newRow("en_US noon hour") << QByteArray("en_US") << 12.30 << QStringLiteral("12:30 PM");
    QTest::newRow("en_US midnight") << QByteArray("en_US") << 0.0 << QStringLiteral("12:00 AM");
    QTest::newRow("en_US 24.00 is the next midnight")
        << QByteArray("en_US") << 24.0 << QStringLiteral("12:00 AM");
    QTest::newRow("de_DE morning") << QByteArray("de_DE") << 6.45 << QStringLiteral("06:45");
    QTest::newRow("de_DE 24.00") << QByteArray("de_DE") << 24.0 << QStringLiteral("00:00");
    QTest::newRow("en_GB evening") << QByteArray("en_GB") << 21.21 << QStringLiteral("21:21");
    QTest::newRow("negative value") << QByteArray("en_US") << -1.0 << dash;
    QTest::newRow("past 24.00") << QByteArray("en_US") << 24.30 << dash;
    QTest::newRow("sixty minutes or more") << QByteArray("en_US") << 6.75 << dash;
    QTest::newRow("not a number") << QByteArray("en_US") << std::numeric_limits<double>::quiet_NaN() << dash;
}

void tst_Sun::clockText() {
    QFETCH(QByteArray, locale);
    QFETCH(double, clock);
    QFETCH(QString, text);

    ZoneScope    zone("Europe/Berlin");
    LocaleScope  scope(locale.constData());
    const double today = DateTimeToAbsTime(1, 31, 2026, 15, 0); // 24.00 crosses into February
    QCOMPARE(PlainSpaces(ClockText(clock, today)), text);
}

void tst_Sun::lastHalfMinuteShowsMidnight() {
    ZoneScope    zone("Europe/Berlin");
    const double angle = (23 + 59.7 / 60) * 2 * Pi / 24;
    QCOMPARE(RadiansToClock(angle), 24.0);
    QCOMPARE(PlainSpaces(ClockText(RadiansToClock(angle), DateToAbsTime(12, 31, 2026))),
             QStringLiteral("12:00 AM"));
}

void tst_Sun::hoursWestOfGmt_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<double>("hours");

    QTest::newRow("Berlin in January") << QByteArray("Europe/Berlin") << QDate(2026, 1, 15) << -1.0;
    QTest::newRow("Berlin in July") << QByteArray("Europe/Berlin") << QDate(2026, 7, 15) << -2.0;
    QTest::newRow("New York in January") << QByteArray("America/New_York") << QDate(2026, 1, 15) << 5.0;
    QTest::newRow("New York in July") << QByteArray("America/New_York") << QDate(2026, 7, 15) << 4.0;
    QTest::newRow("Sydney in January (summer time)")
        << QByteArray("Australia/Sydney") << QDate(2026, 1, 15) << -11.0;
    QTest::newRow("Sydney in July") << QByteArray("Australia/Sydney") << QDate(2026, 7, 15) << -10.0;
    QTest::newRow("Kolkata, half an hour") << QByteArray("Asia/Kolkata") << QDate(2026, 7, 15) << -5.5;
    QTest::newRow("UTC") << QByteArray("UTC") << QDate(2026, 7, 15) << 0.0;
}

void tst_Sun::hoursWestOfGmt() {
    QFETCH(QByteArray, zone);
    QFETCH(QDate, date);
    QFETCH(double, hours);

    ZoneScope scope(zone);
    SetTestClock(UtcAbsTime(date, QTime(12, 0)));
    QCOMPARE(HoursWestOfGMT(), hours);
}

void tst_Sun::locationFromZone_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<bool>("known");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");

    // Rows alternate between zones, so an answer kept from the previous zone would show.
    QTest::newRow("Berlin") << QByteArray("Europe/Berlin") << true << 52.5 << Degrees(13, 22);
    QTest::newRow("Tokyo, with seconds")
        << QByteArray("Asia/Tokyo") << true << Degrees(35, 39, 16) << Degrees(139, 44, 41);
    QTest::newRow("Berlin again") << QByteArray("Europe/Berlin") << true << 52.5 << Degrees(13, 22);
    QTest::newRow("London, west of Greenwich")
        << QByteArray("Europe/London") << true << Degrees(51, 30, 30) << -Degrees(0, 7, 31);
    QTest::newRow("Sydney, southern")
        << QByteArray("Australia/Sydney") << true << -Degrees(33, 52) << Degrees(151, 13);
    QTest::newRow("Guayaquil, south and west")
        << QByteArray("America/Guayaquil") << true << -Degrees(2, 10) << -Degrees(79, 50);
    QTest::newRow("Reykjavik, only in zone.tab")
        << QByteArray("Atlantic/Reykjavik") << true << Degrees(64, 9) << -Degrees(21, 51);
    QTest::newRow("Oslo, only in zone.tab")
        << QByteArray("Europe/Oslo") << true << Degrees(59, 55) << Degrees(10, 45);
    QTest::newRow("US/Eastern, a link")
        << QByteArray("US/Eastern") << true << Degrees(40, 42, 51) << -Degrees(74, 0, 23);
    QTest::newRow("Europe/Kiev, renamed")
        << QByteArray("Europe/Kiev") << true << Degrees(50, 26) << Degrees(30, 31);
    // ICU counts GB the same zone as Guernsey, Jersey and the Isle of Man, listed first; only London will do.
    QTest::newRow("GB, a link") << QByteArray("GB") << true << Degrees(51, 30, 30) << -Degrees(0, 7, 31);
    QTest::newRow("Asia/Calcutta, an old name")
        << QByteArray("Asia/Calcutta") << true << Degrees(22, 32) << Degrees(88, 22);
    QTest::newRow("UTC") << QByteArray("UTC") << false << 0.0 << 0.0;
    QTest::newRow("GMT") << QByteArray("GMT") << false << 0.0 << 0.0;
    QTest::newRow("Etc/GMT+5") << QByteArray("Etc/GMT+5") << false << 0.0 << 0.0;
}

void tst_Sun::locationFromZone() {
    QFETCH(QByteArray, zone);
    QFETCH(bool, known);
    QFETCH(double, latitude);
    QFETCH(double, longitude);

    ZoneScope scope(zone);
    double    lat = 999, lon = 999;
    QCOMPARE(ReadLocation(&lat, &lon), known);
    if (!known) return;
    QVERIFY2(std::fabs(lat - latitude) < 1e-6, qPrintable(QString::number(lat, 'f', 6)));
    QVERIFY2(std::fabs(lon - longitude) < 1e-6, qPrintable(QString::number(lon, 'f', 6)));
}

void tst_Sun::locationFromPreferences_data() {
    QTest::addColumn<std::optional<Value>>("latitude");
    QTest::addColumn<std::optional<Value>>("longitude");
    QTest::addColumn<bool>("fromPreferences");
    QTest::addColumn<double>("expectedLatitude");
    QTest::addColumn<double>("expectedLongitude");

    using V = std::optional<Value>;
    const V none;
    QTest::newRow("reals") << V(Value(40.4168)) << V(Value(-3.7038)) << true << 40.4168 << -3.7038;
    QTest::newRow("integers") << V(Value(qint64(-34))) << V(Value(qint64(18))) << true << -34.0 << 18.0;
    QTest::newRow("real and integer") << V(Value(60.0)) << V(Value(qint64(-150))) << true << 60.0 << -150.0;
    QTest::newRow("the limits") << V(Value(-90.0)) << V(Value(180.0)) << true << -90.0 << 180.0;
    QTest::newRow("latitude past the pole") << V(Value(90.5)) << V(Value(10.0)) << false << 0.0 << 0.0;
    QTest::newRow("longitude past 180 W") << V(Value(10.0)) << V(Value(-180.5)) << false << 0.0 << 0.0;
    QTest::newRow("latitude only") << V(Value(10.0)) << none << false << 0.0 << 0.0;
    QTest::newRow("longitude only") << none << V(Value(10.0)) << false << 0.0 << 0.0;
    QTest::newRow("text") << V(Value(QStringLiteral("48.8"))) << V(Value(QStringLiteral("2.3"))) << false
                          << 0.0 << 0.0;
    QTest::newRow("not a number") << V(Value(std::numeric_limits<double>::quiet_NaN())) << V(Value(2.0))
                                  << false << 0.0 << 0.0;
}

void tst_Sun::locationFromPreferences() {
    QFETCH(std::optional<Value>, latitude);
    QFETCH(std::optional<Value>, longitude);
    QFETCH(bool, fromPreferences);
    QFETCH(double, expectedLatitude);
    QFETCH(double, expectedLongitude);

    // Berlin's table entry is what an unusable preference falls back to.
    ZoneScope zone("Europe/Berlin");
    SetLocationPrefs(latitude, longitude);
    double lat = 999, lon = 999;
    QVERIFY(ReadLocation(&lat, &lon));
    if (!fromPreferences) {
        expectedLatitude = 52.5;
        expectedLongitude = Degrees(13, 22);
    }
    QVERIFY2(std::fabs(lat - expectedLatitude) < 1e-9, qPrintable(QString::number(lat, 'f', 6)));
    QVERIFY2(std::fabs(lon - expectedLongitude) < 1e-9, qPrintable(QString::number(lon, 'f', 6)));

    // A preference removed takes effect at once: nothing of it is kept.
    SetLocationPrefs(std::nullopt, std::nullopt);
    QVERIFY(ReadLocation(&lat, &lon));
    QCOMPARE(lat, 52.5);
}

void tst_Sun::zoneTables_data() {
    QTest::addColumn<QString>("zone1970"); // file contents; a null text leaves the file out
    QTest::addColumn<QString>("zone");     // zone.tab
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("known");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");

    const QString header = QStringLiteral("# tz zone descriptions\n#\n");
    const QString berlin1970 =
        header + QStringLiteral("DE,DK,NO\t+5230+01322\tEurope/Berlin\tmost of Germany\n");
    const QString sydneySeconds = header + QStringLiteral("AU\t-335130+1511230\tAustralia/Sydney\n");
    const QString oldTable = header + QStringLiteral("\nDE\t+5000+01000\tEurope/Berlin\n"
                                                     "NO\t+5955+01045\tEurope/Oslo\n");
    QTest::newRow("zone1970.tab entry")
        << berlin1970 << oldTable << "Europe/Berlin" << true << 52.5 << Degrees(13, 22);
    QTest::newRow("zone.tab when zone1970.tab is missing")
        << QString() << oldTable << "Europe/Berlin" << true << 50.0 << 10.0;
    QTest::newRow("zone.tab for a zone zone1970.tab merged away")
        << berlin1970 << oldTable << "Europe/Oslo" << true << Degrees(59, 55) << Degrees(10, 45);
    QTest::newRow("seconds, south and east") << sydneySeconds << QString() << "Australia/Sydney" << true
                                             << -Degrees(33, 51, 30) << Degrees(151, 12, 30);
    QTest::newRow("TZ written as a path")
        << berlin1970 << QString() << "/usr/share/zoneinfo/Europe/Berlin" << true << 52.5 << Degrees(13, 22);
    QTest::newRow("TZ with the POSIX colon")
        << berlin1970 << QString() << ":Europe/Berlin" << true << 52.5 << Degrees(13, 22);
    QTest::newRow("unlisted zone") << berlin1970 << oldTable << "Asia/Tokyo" << false << 0.0 << 0.0;
    QTest::newRow("no tables at all") << QString() << QString() << "Europe/Berlin" << false << 0.0 << 0.0;
    QTest::newRow("malformed coordinates") << header + QStringLiteral("DE\t+5230+0132\tEurope/Berlin\n")
                                           << QString() << "Europe/Berlin" << false << 0.0 << 0.0;
    QTest::newRow("minutes of 60") << header + QStringLiteral("DE\t+5260+01322\tEurope/Berlin\n") << QString()
                                   << "Europe/Berlin" << false << 0.0 << 0.0;
}

void tst_Sun::zoneTables() {
    QFETCH(QString, zone1970);
    QFETCH(QString, zone);
    QFETCH(QString, name);
    QFETCH(bool, known);
    QFETCH(double, latitude);
    QFETCH(double, longitude);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    auto write = [&](const char* file, const QString& text) {
        if (text.isNull()) return;
        QFile out(folder.filePath(QString::fromLatin1(file)));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text.toUtf8());
    };
    write("zone1970.tab", zone1970);
    write("zone.tab", zone);

    double lat = 999, lon = 999;
    QCOMPARE(ZoneTableLocation(folder.path(), name, &lat, &lon), known);
    if (!known) return;
    QVERIFY2(std::fabs(lat - latitude) < 1e-9, qPrintable(QString::number(lat, 'f', 6)));
    QVERIFY2(std::fabs(lon - longitude) < 1e-9, qPrintable(QString::number(lon, 'f', 6)));
}

void tst_Sun::sunLineSameAllDay_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("line");

    // Near an equinox the times move a minute or more a day, so reading the date in GMT (the day before
    // at 03:00 in Tokyo, the day after at 22:00 in New York) would change the line.
    QTest::newRow("Tokyo") << QByteArray("Asia/Tokyo") << QDate(2024, 3, 20)
                           << QStringLiteral("Rise/Set: 5:45 AM/5:53 PM");
    QTest::newRow("New York, summer time") << QByteArray("America/New_York") << QDate(2024, 3, 20)
                                           << QStringLiteral("Rise/Set: 6:58 AM/7:09 PM");
    QTest::newRow("Sydney, summer time") << QByteArray("Australia/Sydney") << QDate(2024, 3, 20)
                                         << QStringLiteral("Rise/Set: 6:59 AM/7:06 PM");
}

void tst_Sun::sunLineSameAllDay() {
    QFETCH(QByteArray, zone);
    QFETCH(QDate, date);
    QFETCH(QString, line);

    ZoneScope scope(zone);
    SetTestClock(DateTimeToAbsTime(date.month(), date.day(), date.year(), 3, 0));
    const QString early = PlainSpaces(SunLineText());
    SetTestClock(DateTimeToAbsTime(date.month(), date.day(), date.year(), 22, 0));
    const QString late = PlainSpaces(SunLineText());
    QCOMPARE(early, line);
    QCOMPARE(late, line);
}

void tst_Sun::sunLineWithoutTimes_data() {
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("line");

    QTest::newRow("80 N in mid-June")
        << 80.0 << 15.0 << QDate(2026, 6, 15) << QStringLiteral("Rise/Set: sun up all day");
    QTest::newRow("80 N in mid-December")
        << 80.0 << 15.0 << QDate(2026, 12, 15) << QStringLiteral("Rise/Set: sun down all day");
    QTest::newRow("80 S in mid-December")
        << -80.0 << 15.0 << QDate(2026, 12, 15) << QStringLiteral("Rise/Set: sun up all day");
    QTest::newRow("rises, then stays up")
        << 69.2 << 0.0 << QDate(2026, 5, 20) << QStringLiteral("Rise/Set: 12:13 AM/—");
    QTest::newRow("was up, sets") << 68.5 << 0.0 << QDate(2026, 7, 20)
                                  << QStringLiteral("Rise/Set: —/11:52 PM");
}

void tst_Sun::sunLineWithoutTimes() {
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(QDate, date);
    QFETCH(QString, line);

    ZoneScope scope("UTC");
    SetLocationPrefs(Value(latitude), Value(longitude));
    SetTestClock(DateTimeToAbsTime(date.month(), date.day(), date.year(), 12, 0));
    QCOMPARE(PlainSpaces(SunLineText()), line);
}

void tst_Sun::sunLineLocationUnknown() {
    ZoneScope scope("UTC");
    SetTestClock(DateTimeToAbsTime(6, 15, 2026, 12, 0));
    QCOMPARE(SunLineText(), QStringLiteral("Rise/Set: location unknown"));
}

QTEST_GUILESS_MAIN(tst_Sun)
#include "tst_sun.moc"
