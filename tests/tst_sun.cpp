// Sunrise and sunset: published times, clock rounding, the location, the zone offset and the "Rise/Set:"
// line.
#include "calendar/sun.h"
#include "helpers/test_support.h"

#include <cmath>
#include <numbers>

namespace {

struct Published {
    double lat, lonEast, offset; // offset: hours east of GMT on that date
    QDate  date;
    int    rise, set; // local minutes of the day
};

struct Place {
    const char* zone;
    double      prefLat, prefLon; // NaN: not in the preferences
    QDate       date;
    double      lat, lon, west; // lat NaN: location unknown
    const char* line;
};

using ClockRow = std::tuple<double, double, QString>;

void SetLocationPrefs(double latitude, double longitude) {
    const Value lat(latitude), lon(longitude);
    PrefSetValue(LocationLatitudeKey, std::isnan(latitude) ? nullptr : &lat);
    PrefSetValue(LocationLongitudeKey, std::isnan(longitude) ? nullptr : &lon);
}

// ICU writes "6:45 AM" with a narrow no-break space.
QString Plain(QString text) {
    return text.replace(QChar(0x202F), QLatin1Char(' ')).replace(QChar(0x00A0), QLatin1Char(' '));
}

} // namespace

class tst_Sun : public QObject {
    Q_OBJECT
    LocaleScope english{"en_US"};

  private slots:
    void cleanup() {
        SetLocationPrefs(NAN, NAN);
        ClearTestClock();
    }

    // Times published by timeanddate.com, the University of Iceland Almanac and Japan's observatory.
    void publishedTimes_data() {
        AddRows<Published>(
            {{"London, June", {51.5074, -0.1278, 1, {2024, 6, 20}, 4 * 60 + 43, 21 * 60 + 21}},
             {"Sydney, winter", {-33.8688, 151.2093, 10, {2024, 6, 20}, 7 * 60, 16 * 60 + 54}},
             {"Reykjavik, sets after midnight", {64.1466, -21.9426, 0, {2024, 6, 21}, 2 * 60 + 55, 4}},
             {"Quito, equinox", {-0.2299, -78.525, -5, {2018, 3, 21}, 6 * 60 + 18, 18 * 60 + 24}}},
            "p");
    }
    void publishedTimes() {
        QFETCH(Published, p);
        const SunAngles sun =
            SunTimes(-p.lonEast, p.lat, -p.offset, p.date.year(), p.date.month(), p.date.day());
        QCOMPARE(sun.riseEvent, SunEvent::Happens);
        QCOMPARE(sun.setEvent, SunEvent::Happens);
        for (const auto& [angle, published] : {std::pair{sun.rise, p.rise}, {sun.set, p.set}}) {
            const double clock = RadiansToClock(angle);
            const double off = std::fmod(
                std::fabs(int(clock) * 60 + std::lround(std::fmod(clock, 1) * 100) - published), 1440.0);
            QVERIFY2(std::min(off, 1440 - off) <= 2, qPrintable(QString::number(clock, 'f', 2)));
        }
    }

    void clock_data() { // hours: the angle in hours of the dial; NaN: the clock value is given
        AddRows<ClockRow>({
            {"29.45 minutes round down", {6 + 29.45 / 60, 6.29, "6:29 AM"}},
            {"18.15 read off its binary value", {18.25, 18.15, "6:15 PM"}},
            {"23 h 59.5 min is the next midnight", {23 + 59.5 / 60, 24.0, "12:00 AM"}},
            {"negative angle is late evening", {-0.5, 23.30, "11:30 PM"}},
            {"sixty minutes is no clock", {qQNaN(), 6.75, "—"}},
        });
    }
    void clock() {
        FETCH_ROW(ClockRow, hours, clock, text);
        ZoneScope zone("Europe/Berlin");
        if (!std::isnan(hours)) QCOMPARE(RadiansToClock(hours * std::numbers::pi / 12), clock);
        QCOMPARE(Plain(ClockText(clock, DateTimeToAbsTime(1, 31, 2026, 15, 0))), text);
    }

    // Near an equinox a day moves the times, so reading the date in GMT at 03:00 or 22:00 would show.
    void place_data() {
        const char*  de = "Europe/Berlin";
        const double b[] = {52.5, 13 + 22 / 60.0}; // Berlin in the zone table
        AddRows<Place>(
            {{"Berlin in January", {de, NAN, NAN, {2026, 1, 15}, b[0], b[1], -1, "8:10 AM/4:22 PM"}},
             {"preferences beat the zone", {de, 80, 15, {2026, 7, 15}, 80, 15, -2, "sun up all day"}},
             {"80 N in December", {de, 80, 15, {2026, 12, 15}, 80, 15, -1, "sun down all day"}},
             {"latitude past the pole", {de, 90.5, 10, {2026, 1, 15}, b[0], b[1], -1, "8:10 AM/4:22 PM"}},
             {"New York",
              {"America/New_York", NAN, NAN, {2024, 3, 20}, 40.714, -74.006, 4, "6:58 AM/7:09 PM"}},
             {"Kolkata", {"Asia/Kolkata", NAN, NAN, {2026, 7, 15}, 22.533, 88.367, -5.5, "5:01 AM/6:24 PM"}},
             {"rises, then stays up", {"UTC", 69.2, 0, {2026, 5, 20}, 69.2, 0, 0, "12:13 AM/—"}},
             {"was up, sets", {"UTC", 68.5, 0, {2026, 7, 20}, 68.5, 0, 0, "—/11:52 PM"}},
             {"UTC", {"UTC", NAN, NAN, {2026, 6, 15}, NAN, NAN, 0, "location unknown"}}},
            "p");
    }
    void place() {
        QFETCH(Place, p);
        ZoneScope scope(p.zone);
        SetLocationPrefs(p.prefLat, p.prefLon);
        double lat = 999, lon = 999;
        QCOMPARE(ReadLocation(&lat, &lon), !std::isnan(p.lat));
        if (!std::isnan(p.lat)) QVERIFY(std::fabs(lat - p.lat) < 1e-3 && std::fabs(lon - p.lon) < 1e-3);
        for (int hour : {3, 22}) {
            SetTestClock(DateTimeToAbsTime(p.date.month(), p.date.day(), p.date.year(), hour, 0));
            QCOMPARE(HoursWestOfGMT(), p.west);
            QCOMPARE(Plain(SunLineText()), QStringLiteral("Rise/Set: ") + QString::fromUtf8(p.line));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Sun)
#include "tst_sun.moc"
