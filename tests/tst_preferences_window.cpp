// The Preferences window on the offscreen platform: each control against its stored value both ways.
#include "calendar/calendar_window.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "platform/clock.h"
#include "platform/file_dialogs.h"
#include "platform/help_tags.h"
#include "platform/windows.h"
#include "tools/preferences_window.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QHelpEvent>
#include <QRadioButton>
#include <QTest>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

const bool privateHome = !UsePrivateHome().isEmpty(); // before QApplication

const auto Window = [] { return FindWindowById(PreferencesWindowId); };
const auto Control = [](int id) { return FindControl(Window(), id); };

// Each control's field of the record, written out here rather than taken from the window's own table.
const QHash<int, uint16_t Preferences::*> Codes{{294, &Preferences::chime},
                                                {308, &Preferences::countDownMode}};
const QHash<int, bool Preferences::*>     Flags{{322, &Preferences::showSeconds},
                                            {331, &Preferences::launchShowDaynote}};

// Aimed at the indicator: a stretched check box or radio button takes clicks only there and on its caption.
void ClickOn(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
}
const auto ChooseRadio = [](int groupId, int n) {
    ClickOn(Control(groupId)->findChildren<QRadioButton*>().value(n - 1));
};
const auto Click = [](int id) { ClickOn(Control(id)); };

// The tooltip the control shows when the pointer rests on it, or an empty text.
QString ShownTip(QWidget* control) {
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), control->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(control, &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

class TestPreferencesWindow : public QObject {
    Q_OBJECT

    ZoneScope   zone{"Europe/Berlin"};
    LocaleScope locale{"en_US"};

  private slots:
    void initTestCase() {
        QVERIFY(privateHome);
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 10, 0));
        QVERIFY(SetUpProgramWindows());
    }

    void init() { Prefs() = Preferences{}; }

    void cleanup() {
        SetHelpTags(true, 2000);
        DisposeDocumentWindows();
    }

    void radioGroups_data() {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown"); // 0: no button selected
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("stores");
        QTest::newRow("chime 324 is the second; the third stores 325") << 294 << 324 << 2 << 3 << 325;
        QTest::newRow("chime with a foreign code selects none") << 294 << 7 << 0 << 1 << 323;
        QTest::newRow("naming 316; the second stores 315") << 308 << 316 << 1 << 2 << 315;
    }
    void radioGroups() {
        QFETCH(int, group);
        QFETCH(int, stored);
        QFETCH(int, shown);
        QFETCH(int, chosen);
        QFETCH(int, stores);
        uint16_t& code = Prefs().*Codes.value(group);
        code = uint16_t(stored);
        QVERIFY(OpenPreferences());
        QCOMPARE(GetControlValue(Control(group)), shown);
        ChooseRadio(group, chosen);
        QCOMPARE(int(code), stores);
        if (group == CountdownNamingGroup) // the message is typed only when it names the countdown
            QCOMPARE(IsControlEnabled(Control(CountdownMessageField)), stores == CountDownUsesMessage);
    }

    void checkBoxes_data() {
        QTest::addColumn<int>("box");
        for (int id : {322, 331}) QTest::addRow("box %d", id) << id;
    }
    void checkBoxes() {
        QFETCH(int, box);
        bool& flag = Prefs().*Flags.value(box);
        for (bool stored : {true, false}) {
            flag = stored;
            QVERIFY(OpenPreferences());
            QCOMPARE(GetControlValue(Control(box)), stored ? 1 : 0);
            Click(box);
            QCOMPARE(flag, !stored);
        }
    }

    // The text fields reach the record only at closing; the countdown line shows the message next tick.
    void fieldsTakenOnClose_data() {
        QTest::addColumn<QString>("age");
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<int>("stored");
        QTest::newRow("emptied, close box") << QString() << false << 9999;
        QTest::newRow("zero, close button") << u"0"_s << true << 9999;
        QTest::newRow("a year") << u"365"_s << false << 365;
    }
    void fieldsTakenOnClose() {
        QFETCH(QString, age);
        QFETCH(bool, byButton);
        QFETCH(int, stored);
        Prefs().countDownMode = CountDownUsesMessage;
        Prefs().countDownDate = DateToAbsTime(12, 25, 2026);
        Prefs().autoDeleteAge = 30;
        ShowCalendar();
        QWidget* calendar = FindWindowById(CalendarWindowId);
        CalendarTick(calendar);
        QVERIFY(OpenPreferences());
        ClearText(Control(AutoDeleteAgeField));
        QTest::keyClicks(Control(AutoDeleteAgeField), age);
        ClearText(Control(CountdownMessageField));
        QTest::keyClicks(Control(CountdownMessageField), u"Holidays"_s);
        QCOMPARE(int(Prefs().autoDeleteAge), 30); // not before closing
        if (byButton)
            Click(PreferencesCloseButton);
        else
            CloseWindow(Window());
        QTest::qWait(0);
        QCOMPARE(int(Prefs().autoDeleteAge), stored);
        QCOMPARE(Prefs().countDownMessage, u"Holidays"_s);
        CalendarTick(calendar);
        QCOMPARE(GetControlText(FindControl(calendar, CountdownLine)), u"19 Days to Holidays"_s);
    }

    void calendarActsAtOnce() {
        ShowCalendar();
        QWidget*      calendar = FindWindowById(CalendarWindowId);
        QWidget*      title = FindControl(calendar, CalendarTitleControl);
        QWidget*      sunLine = FindControl(calendar, CalendarSunLineControl);
        const QString plain = GetControlText(title);
        QVERIFY(IsControlVisible(sunLine));
        QCOMPARE(GetControlText(FindControl(calendar, FirstWeekdayInitial)), WeekdayInitials(0, 1).left(1));
        QVERIFY(OpenPreferences());
        Click(WeekNumberBox);
        QCOMPARE(GetControlText(title), AppendWeekNumber(plain, StartOfCurrentWeek()));
        Click(SunLineBox);
        QVERIFY(!IsControlVisible(sunLine));
        ChooseRadio(WeekStartGroup, 2);
        QCOMPARE(GetControlText(FindControl(calendar, FirstWeekdayInitial)), WeekdayInitials(-1, 1).left(1));
    }

    void helpTags() {
        QVERIFY(OpenPreferences());
        QWidget* reset = Control(PreferencesResetButton);
        QVERIFY(QTest::qWaitForWindowExposed(Window()));
        SetHelpTags(true, 0);
        QVERIFY(!ShownTip(reset).isEmpty());
        Click(HelpTagsBox);
        QVERIFY(!Prefs().helpTags);
        QVERIFY(ShownTip(reset).isEmpty());
    }

    // Reset shows the defaults at once and brings the help tags back. The sound label names the system's
    // sound when the choice is reset, or the chosen file is gone by the next opening.
    void resetAndSoundLabel() {
        Prefs().chime = ChimeSilent;
        Prefs().helpTags = false;
        const QString sound = qEnvironmentVariable("HOME") + u"/Glass.aiff"_s,
                      system = u"Sound selected: sound from System Settings"_s;
        QFile file(sound);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("RIFF") == 4);
        file.close();
        const OpenFilePresenter previous =
            SetOpenFilePresenter([&](const OpenFileRequest&) { return sound; });
        QVERIFY(OpenPreferences());
        Click(TimerSoundButton);
        QCOMPARE(GetControlText(Control(TimerSoundLabel)), u"Sound selected: Glass.aiff"_s);
        Click(PreferencesResetButton);
        QCOMPARE(GetControlText(Control(TimerSoundLabel)), system);
        QCOMPARE(GetControlValue(Control(ChimeGroup)), 2);
        QVERIFY(!ShownTip(Control(PreferencesResetButton)).isEmpty());
        Click(TimerSoundButton);
        SetOpenFilePresenter(previous);
        QVERIFY(QFile::remove(sound));
        Click(PreferencesCloseButton);
        QTest::qWait(0);
        QVERIFY(OpenPreferences());
        QCOMPARE(GetControlText(Control(TimerSoundLabel)), system);
        PrefSetValue(TimerSoundKey, nullptr);
        PrefSync();
    }

    // One window however often it is asked for, from the Edit menu's shortcut too; typed text survives.
    void openedOnce() {
        ShowCalendar();
        QWidget* calendar = FindWindowById(CalendarWindowId);
        QVERIFY(QTest::qWaitForWindowActive(calendar));
        QTest::keyClick(calendar, Qt::Key_Comma, Qt::ControlModifier);
        QWidget* window = Window();
        QVERIFY(window);
        ClearText(Control(AutoDeleteAgeField));
        QTest::keyClicks(Control(AutoDeleteAgeField), u"45"_s);
        RunCommand(MakeFourCC("pref"));
        QCOMPARE(Window(), window);
        QCOMPARE(GetControlText(Control(AutoDeleteAgeField)), u"45"_s);
    }
};

QTEST_MAIN(TestPreferencesWindow)
#include "tst_preferences_window.moc"
