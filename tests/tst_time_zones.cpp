// The time zones window with the test clock: zones set through the sheet, the clocks, what is stored.
#include "helpers/test_support.h"
#include "tools/time_zones.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

const auto Window = [] { return FindWindowById(TimeZonesWindowId); };
const auto Sheet = [] { return FindWindowById(TimeZoneSheetId); };
const auto Text = [](int id) { return GetControlText(FindControl(Window(), id)); };

// One zone set through the sheet as the user does it: 0 items leaves the zone unused.
void SetZone(int zone, const QString& name, int sign, int item) {
    const bool first = zone == 1;
    ClickIn(Window(), ZoneSheetButton);
    QWidget*  sheet = Sheet();
    const int box = first ? Zone1UseCheckBox : Zone2UseCheckBox;
    if (GetControlValue(FindControl(sheet, box)) != (item > 0)) ClickIn(sheet, box);
    QCOMPARE(IsControlEnabled(FindControl(sheet, first ? Zone1Group : Zone2Group)), item > 0);
    if (item > 0) {
        SetControlText(FindControl(sheet, first ? Zone1NameField : Zone2NameField), name);
        SetControlValue(FindControl(sheet, first ? Zone1SignRadios : Zone2SignRadios), sign);
        SetControlValue(FindControl(sheet, first ? Zone1DifferencePopUp : Zone2DifferencePopUp), item);
    }
    ClickIn(sheet, ZonesOkButton);
}

using ZoneRow = std::tuple<int, QString, int, int, QString, QString>;

} // namespace

class TestTimeZones : public QObject {
    Q_OBJECT

    ZoneScope   zone{"Europe/Berlin"};
    LocaleScope locale{"en_US"};
    // 5 December 2026, 23:00 in Berlin: two hours on is the next day.
    const double Now = DateTimeToAbsTime(12, 5, 2026, 23, 0);

  private slots:
    void initTestCase() { QVERIFY(SetUpProgramWindows()); }

    void init() {
        DisposeDocumentWindows();
        SetTestClock(Now);
        Preferences& p = Prefs();
        p.timeZone1Offset = p.timeZone2Offset = 0;
        p.timeZone1Name = p.timeZone2Name = QString();
        RunCommand(MakeFourCC("ShTZ"));
        QVERIFY(Window());
    }

    // Applied through the sheet: the window's texts, its 'zon1' property and the clock on the next tick.
    void zonesFromTheSheet_data() {
        AddRows<ZoneRow>({
            {"Delhi, plus item 11",
             {1, u"Delhi"_s, 1, 11, u"+ 5 h 30m"_s, u"Sunday, December 06, 2026, 4:30:00 AM"_s}},
            {"the last item",
             {2, u"Far"_s, 1, 47, u"+ 23 h 30m"_s, u"Sunday, December 06, 2026, 10:30:00 PM"_s}},
            {"minus 3 h 30: the half hour goes back too",
             {1, u"St. John's"_s, 2, 7, u"- 3 h 30m"_s, u"Saturday, December 05, 2026, 7:30:00 PM"_s}},
        });
    }
    void zonesFromTheSheet() {
        FETCH_ROW(ZoneRow, zone, name, sign, item, offset, clock); // sign 1 plus, 2 minus; items: half hours
        SetZone(zone, name, sign, item);
        QVERIFY(!IsWindowVisible(Sheet()));
        const bool first = zone == 1;
        QCOMPARE(Text(first ? ZoneName1Text : ZoneName2Text) +
                     Text(first ? ZoneOffset1Text : ZoneOffset2Text),
                 name + offset);
        QCOMPARE(GetZoneOffset(FindControl(Window(), first ? ZoneOffset1Text : ZoneOffset2Text)),
                 (sign == 1 ? 1 : -1) * item);
        TickOnce();
        QCOMPARE(Text(first ? ZoneClock1Text : ZoneClock2Text), clock);
        QCOMPARE(Text(LocalClockText), u"Saturday, December 05, 2026, 11:00:00 PM"_s);
        QCOMPARE(Text(first ? ZoneClock2Text : ZoneClock1Text), QString()); // the other zone is unused
    }

    // Names and offsets are stored when the window closes and shown when it opens again.
    void storedAtCloseShownAtOpening() {
        SetZone(1, u"Delhi"_s, 1, 11);
        SetZone(2, u"Azores"_s, 2, 2);
        CloseWindow(Window());
        QTest::qWait(0);
        QCOMPARE(Prefs().timeZone2Offset, -2);
        QFile file(PreferencesFilePath()); // written at once, not only at quit
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().contains("Azores"));
        RunCommand(MakeFourCC("ShTZ"));
        QCOMPARE(Text(ZoneName1Text) + Text(ZoneOffset2Text), u"Delhi- 1 h "_s);
        // Switched off: empty name, text and clock; stored as 0 and an empty name.
        SetZone(1, QString(), 1, 0);
        TickOnce();
        QCOMPARE(Text(ZoneName1Text) + Text(ZoneOffset1Text) + Text(ZoneClock1Text), QString());
        CloseWindow(Window());
        QTest::qWait(0);
        QCOMPARE(Prefs().timeZone1Offset, 0);
        QCOMPARE(*Prefs().timeZone1Name, QString());
    }
};

QTEST_MAIN(TestTimeZones)
#include "tst_time_zones.moc"
