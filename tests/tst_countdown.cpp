// The countdown drawer on the offscreen platform, with the test clock.
#include "calendar/calendar_window.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/preferences.h"
#include "core/startup.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "platform/clock.h"
#include "platform/windows.h"
#include "tools/countdown.h"
#include "tools/sounds.h"

#include <QTest>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int NumberIds[] = {CountdownDays, CountdownHours, CountdownMinutes, CountdownSeconds};

QWidget* Calendar() {
    return FindWindowById(CalendarWindowId);
}
QWidget* Countdown() {
    return FindWindowById(CountdownWindowId);
}
QString Label() {
    return GetControlText(FindControl(Countdown(), CountdownLabel));
}
QStringList Numbers() {
    QStringList shown;
    for (int id : NumberIds) shown << GetControlText(FindControl(Countdown(), id));
    return shown;
}
void Tick() {
    Tick(App().daynotes);
}

} // namespace

class TestCountdown : public QObject {
    Q_OBJECT

    std::optional<ZoneScope>   zoneScope;
    std::optional<LocaleScope> localeScope;
    double                     now = 0; // 5 December 2026, 15:10 in New York

    // A target the given whole days plus seconds ahead of now.
    double Ahead(int days, double seconds) const { return AddDateUnits(now, days, AddDays) + seconds; }

    void OpenWithTarget(double target) {
        Prefs().countDownDate = target;
        ToggleCountdown();
        QVERIFY(IsWindowVisible(Countdown()));
        Tick();
    }

  private slots:
    void initTestCase() {
        UsePrivateHome();
        zoneScope.emplace("America/New_York");
        localeScope.emplace("en_US");
        now = DateTimeToAbsTime(12, 5, 2026, 15, 10);
        QVERIFY(LoadMenuBar(u"VRDXMenuBar"_s));
        InstallEventHandlers();
        SetSoundSink([](const QString&) {});
    }

    void init() {
        SetTestClock(now);
        App().dayMark = 5;
        Prefs() = Preferences{};
        Prefs().countDownDate = DateToAbsTime(1, 1, 2027);
        ShowCalendar();
        QVERIFY(QTest::qWaitForWindowExposed(Calendar()));
    }

    void cleanup() {
        DisposeWindow(Calendar());
        QTest::qWait(0);
        QVERIFY(!Countdown());
    }

    // The four numbers; then each is marked, the clock moves on, and a tick rewrites from the largest changed
    // unit down.
    void numbersAndRewrites_data() {
        QTest::addColumn<int>("days");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<double>("step");
        QTest::addColumn<QString>("rewritten");
        const QStringList dhms{"1", "2", "3", "4"};
        QTest::newRow("1 d 2 h 3 min 4.7 s, same second") << 1 << 7384.7 << dhms << 0.5 << u""_s;
        QTest::newRow("days roll over") << 1 << 0.7 << QStringList{"1", "0", "0", "0"} << 1.0 << u"dhms"_s;
        // A count that equals a never-drawn mark must still be drawn.
        QTest::newRow("99999 days") << 99999 << 3600.0 << QStringList{"99999", "1", "0", "0"} << 0.5
                                    << u"hms"_s;
    }
    void numbersAndRewrites() {
        QFETCH(int, days);
        QFETCH(double, seconds);
        QFETCH(QStringList, shown);
        QFETCH(double, step);
        QFETCH(QString, rewritten);
        OpenWithTarget(Ahead(days, seconds));
        QCOMPARE(Numbers(), shown);
        for (int id : NumberIds) SetControlText(FindControl(Countdown(), id), u"x"_s);
        SetTestClock(now + step);
        Tick();
        QString    written;
        const char units[] = "dhms";
        for (int i = 0; i < 4; ++i)
            if (GetControlText(FindControl(Countdown(), NumberIds[i])) != QLatin1String("x"))
                written += units[i];
        QCOMPARE(written, rewritten);
    }

    // Ctrl-click on today sets a target already past: the drawer says so and keeps the numbers it showed.
    void pastTarget() {
        OpenWithTarget(Ahead(1, 7384.7));
        QTest::mouseClick(FindControl(Calendar(), FindDayCell(5)), Qt::LeftButton, Qt::ControlModifier,
                          QPoint(3, 3));
        QCOMPARE(Prefs().countDownDate, DateToAbsTime(12, 5, 2026));
        Tick();
        QCOMPARE(Label(), u" Date in past.."_s);
        QCOMPARE(Numbers(), (QStringList{"1", "2", "3", "4"}));
    }

    void targetName_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("name");
        QTest::newRow("date") << 316 << u"Dentist"_s << u"1 January "_s;
        QTest::newRow("single blank") << 315 << u" "_s << u"1 January "_s;
        QTest::newRow("two blanks") << 315 << u"  "_s << u"  "_s;
    }
    void targetName() {
        QFETCH(int, mode);
        QFETCH(QString, message);
        QFETCH(QString, name);
        Prefs().countDownMode = uint16_t(mode);
        Prefs().countDownMessage = message;
        ToggleCountdown();
        QCOMPARE(Label(), u"To: "_s + name);
        Tick();
        QCOMPARE(Label(), u"To:  "_s + name);
    }

    // Shut, the drawer keeps its numbers and is not refreshed; reopened, the next tick brings it up to date.
    void shutAndReopen() {
        OpenWithTarget(Ahead(1, 7384.7));
        ToggleCountdown();
        QVERIFY(!IsWindowVisible(Countdown()));
        SetTestClock(now + 10);
        Tick();
        QCOMPARE(Numbers(), (QStringList{"1", "2", "3", "4"}));
        ToggleCountdown();
        Tick();
        QCOMPARE(Numbers(), (QStringList{"1", "2", "2", "54"}));
    }

    // Opened before the calendar has its final size (as at launch), the drawer is not squeezed away when the
    // window is fitted to its content afterwards.
    void openDrawerSurvivesAFit() {
        OpenWithTarget(Ahead(1, 7384.7));
        QWidget* drawer = Countdown();
        QTest::qWait(400);
        const int width = drawer->width();
        QVERIFY(width > 0);
        FitWindowToContent(Calendar());
        Calendar()->resize(1, Calendar()->height());
        QTest::qWait(0);
        QVERIFY(drawer->width() >= width);
        ToggleCountdown();
    }

    // The countdown line opens the drawer; without the calendar, an alert.
    void waysIn() {
        QTest::mouseClick(FindControl(Calendar(), CountdownLine), Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(IsWindowVisible(Countdown()));
        DisposeWindow(Calendar());
        QTest::qWait(0);
        AlertRecorder recorder;
        ToggleCountdown();
        QCOMPARE(recorder.alerts.size(), 1);
        QVERIFY(!Countdown());
    }
};

QTEST_MAIN(TestCountdown)
#include "tst_countdown.moc"
