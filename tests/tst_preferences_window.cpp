// The Preferences window on the offscreen platform: each control against its stored value both ways. The
// About window: lines left out when the build names no value, the copyright year of the day the window was
// made.
#include "calendar/calendar_window.h"
#include "helpers/test_support.h"
#include "platform/help_tags.h"
#include "tools/about.h"
#include "tools/preferences_window.h"

#include <QFile>
#include <QHash>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace {

const bool privateHome = !UsePrivateHome().isEmpty(); // before QApplication

const auto Control = [](int id) { return FindControl(FindWindowById(PreferencesWindowId), id); };

// Each control's field of the record, written out here rather than taken from the window's own table.
const QHash<int, uint16_t Preferences::*> Codes{{294, &Preferences::chime},
                                                {308, &Preferences::countDownMode}};
const QHash<int, bool Preferences::*>     Flags{{322, &Preferences::showSeconds},
                                            {331, &Preferences::launchShowDaynote}};
int                                       Field(int id) {
                                          return Codes.contains(id) ? int(Prefs().*Codes[id]) : int(Prefs().*Flags[id]);
}

// Aimed at the indicator: a stretched check box or radio button takes clicks only there and on its caption.
void ClickOn(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
}
// The n-th button (from 1) of a radio group, or the control itself for 0.
void Click(int id, int n = 0) {
    ClickOn(n ? Control(id)->findChildren<QRadioButton*>().value(n - 1) : Control(id));
}

struct Choice {
    int control, stored, shown /* 0: no radio button selected */, radio /* 0: a check box */, stores;
};
using LinesRow = std::tuple<QString, QString, QString, QString>;
QString AboutLine(int controlId) {
    QWidget* line = FindControl(FindWindowById(AboutWindowId), controlId);
    return IsControlVisible(line) ? GetControlText(line) : u"(left out)"_s;
}
struct Closing {
    QString age;
    bool    byButton;
    int     stored;
};

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

    void controlsShowAndStore_data() {
        QTest::addColumn<Choice>("row");
        QTest::newRow("chime 324 is the second; the third stores 325") << Choice{294, 324, 2, 3, 325};
        QTest::newRow("chime with a foreign code selects none") << Choice{294, 7, 0, 1, 323};
        QTest::newRow("naming 316; the second stores 315") << Choice{308, 316, 1, 2, 315};
        QTest::newRow("seconds on, clicked off") << Choice{322, 1, 1, 0, 0};
        QTest::newRow("daynote at launch off, clicked on") << Choice{331, 0, 0, 0, 1};
    }
    void controlsShowAndStore() {
        QFETCH(Choice, row);
        if (Codes.contains(row.control))
            Prefs().*Codes[row.control] = uint16_t(row.stored);
        else
            Prefs().*Flags[row.control] = row.stored;
        QVERIFY(OpenPreferences());
        QCOMPARE(GetControlValue(Control(row.control)), row.shown);
        Click(row.control, row.radio);
        QCOMPARE(Field(row.control), row.stores);
        if (row.control == CountdownNamingGroup) // the message is typed only when it names the countdown
            QCOMPARE(IsControlEnabled(Control(CountdownMessageField)), row.stores == CountDownUsesMessage);
    }

    // The text fields reach the record only at closing; the countdown line shows the message next tick.
    void fieldsTakenOnClose_data() {
        QTest::addColumn<Closing>("row");
        QTest::newRow("emptied, close box") << Closing{QString(), false, 9999};
        QTest::newRow("zero, close button") << Closing{u"0"_s, true, 9999};
        QTest::newRow("a year") << Closing{u"365"_s, false, 365};
    }
    void fieldsTakenOnClose() {
        QFETCH(Closing, row);
        Prefs().countDownMode = CountDownUsesMessage;
        Prefs().countDownDate = DateToAbsTime(12, 25, 2026);
        Prefs().autoDeleteAge = 30;
        ShowCalendar();
        QWidget* calendar = FindWindowById(CalendarWindowId);
        CalendarTick(calendar);
        QVERIFY(OpenPreferences());
        for (auto [field, text] :
             {std::pair{AutoDeleteAgeField, row.age}, {CountdownMessageField, u"Holidays"_s}}) {
            ClearText(Control(field));
            QTest::keyClicks(Control(field), text);
        }
        QCOMPARE(int(Prefs().autoDeleteAge), 30); // not before closing
        if (row.byButton)
            Click(PreferencesCloseButton);
        else
            CloseWindow(FindWindowById(PreferencesWindowId));
        QTest::qWait(0);
        QCOMPARE(int(Prefs().autoDeleteAge), row.stored);
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
        Click(WeekStartGroup, 2);
        QCOMPARE(GetControlText(FindControl(calendar, FirstWeekdayInitial)), WeekdayInitials(-1, 1).left(1));
    }

    // The help tags go off at once; Reset shows the defaults at once and brings them back. The sound label
    // names the system's sound when the choice is reset, or the chosen file is gone by the next opening.
    void helpTagsResetAndSoundLabel() {
        Prefs().chime = ChimeSilent;
        const QString sound = qEnvironmentVariable("HOME") + u"/Glass.aiff"_s,
                      system = u"Sound selected: sound from System Settings"_s;
        QVERIFY(WriteBytes(sound, "RIFF"));
        const OpenFilePresenter previous =
            SetOpenFilePresenter([&](const OpenFileRequest&) { return sound; });
        QVERIFY(OpenPreferences());
        QVERIFY(QTest::qWaitForWindowExposed(FindWindowById(PreferencesWindowId)));
        SetHelpTags(true, 0);
        QVERIFY(!ShownTip(Control(PreferencesResetButton)).isEmpty());
        Click(HelpTagsBox);
        QVERIFY(!Prefs().helpTags);
        QVERIFY(ShownTip(Control(PreferencesResetButton)).isEmpty());
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
        QWidget* window = FindWindowById(PreferencesWindowId);
        QVERIFY(window);
        ClearText(Control(AutoDeleteAgeField));
        QTest::keyClicks(Control(AutoDeleteAgeField), u"45"_s);
        QCOMPARE(OpenByCommand("pref", PreferencesWindowId), window);
        QCOMPARE(GetControlText(Control(AutoDeleteAgeField)), u"45"_s);
    }

    void aboutLines_data() {
        AddRows<LinesRow>({
            {"no support address",
             {QString(), u"Example Maker"_s, u"(left out)"_s, u"Copyright \u00A9 2026 Example Maker"_s}},
            {"no holder", {u"help@example.org"_s, QString(), u"Email: help@example.org"_s, u"(left out)"_s}},
        });
    }
    void aboutLines() {
        FETCH_ROW(LinesRow, support, holder, supportLine, copyrightLine);
        ShowAbout({u"3.4"_s, support, holder});
        QCOMPARE(AboutLine(AboutSupportLine), supportLine);
        QCOMPARE(AboutLine(AboutCopyrightLine), copyrightLine);
    }

    // Brought forward, the About window keeps what it showed; made anew, it shows the year of that day.
    void aboutYearOfTheDayItWasMade() {
        const AboutInfo info{u"1.0"_s, QString(), u"Maker"_s};
        ShowAbout(info);
        SetTestClock(DateTimeToAbsTime(1, 2, 2028, 10, 0));
        ShowAbout(info);
        QCOMPARE(AboutLine(AboutCopyrightLine), u"Copyright \u00A9 2026 Maker"_s);
        CloseWindow(FindWindowById(AboutWindowId));
        QTest::qWait(0);
        QVERIFY(!FindWindowById(AboutWindowId));
        ShowAbout(info);
        QCOMPARE(AboutLine(AboutCopyrightLine), u"Copyright \u00A9 2028 Maker"_s);
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 10, 0));
    }
};

QTEST_MAIN(TestPreferencesWindow)
#include "tst_preferences_window.moc"
