// What assistive technology gets from the program's windows: the values they show, check boxes it toggles,
// and text that stays readable on the desktop's colours, light or dark.
#include "calendar/calendar_window.h"
#include "calendar/colours.h"
#include "calendar/weekly_view.h"
#include "helpers/test_support.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/reminder_sheet.h"
#include "platform/list_view.h"
#include "tools/countdown.h"
#include "tools/preferences_window.h"
#include "tools/time_log.h"
#include "tools/time_zones.h"
#include "tools/timer.h"

#include <QAccessible>
#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Saturday 10:07:20 in Berlin, once the test's zone is in force.
double Now() {
    return DateTimeToAbsTime(12, 5, 2026, 10, 7) + 20;
}
double Dentist() {
    return DateToAbsTime(12, 15, 2026);
}

// The window of the definition (CD: the countdown drawer) as a row looks at it: over the calendar, the time
// log running, the list's first row chosen, the weekly view with a daynote to delete whichever day starts the
// week.
QWidget* OpenScene(const QString& definition) {
    ShowCalendar();
    if (definition == u"CD"_s) {
        ToggleCountdown();
        RefreshCountdown(FindWindowById(CountdownWindowId));
        return FindWindowById(CountdownWindowId);
    }
    if (definition == u"Weekly"_s)
        for (int day : {29, 30}) AddDaynote(11, day, 2026, NoteStandard);
    QWidget* window = OpenDefinition(definition, false, [](QWidget* w) {
        if (GetWindowId(w) == ListWindowId) SetListSelection(FindControl(w, DaynoteListView), {1});
    });
    if (definition == u"TimeLog"_s) {
        ClickIn(window, TimeLogNewButton);
        SetControlText(FindControl(FindWindowById(TimeLogSheetId), TimeLogProjectField), u"Garden shed"_s);
        ClickIn(FindWindowById(TimeLogSheetId), TimeLogStartButton);
    }
    return window;
}

// Every node under the interface, depth first.
QList<QAccessibleInterface*> Tree(QAccessibleInterface* node) {
    QList<QAccessibleInterface*> nodes{node};
    for (int i = 0; node && i < node->childCount(); ++i) nodes << Tree(node->child(i));
    return nodes;
}

// What a screen reader reads as the node's content: its name, else the whole of its text.
QString Spoken(QAccessibleInterface* node) {
    const QString name = node->text(QAccessible::Name);
    if (!name.isEmpty() || !node->textInterface()) return name;
    return node->textInterface()->text(0, node->textInterface()->characterCount());
}

// 1 when the setting and what it governs are both on, 0 both off, -1 when they disagree.
int Agree(bool setting, bool shown) {
    return setting == shown ? int(setting) : -1;
}

QWidget* Calendar() {
    return FindWindowById(CalendarWindowId);
}

int SecondsShown() {
    CalendarTick(Calendar());
    const QString clock = GetControlText(FindControl(Calendar(), CalendarClockControl));
    return Agree(Prefs().showSeconds, clock.count(u':') == 2);
}
int MessageNamesTheCountdown() {
    return Agree(Prefs().countDownMode == CountDownUsesMessage,
                 IsControlEnabled(FindControl(FindWindowById(PreferencesWindowId), CountdownMessageField)));
}
int Enabled(int windowId, int controlId) {
    return IsControlEnabled(FindControl(FindWindowById(windowId), controlId)) ? 1 : 0;
}

using ValueRow = std::tuple<QString, int, QString, QString>;
using ToggleRow = std::tuple<QString, int, int (*)()>;
using ColourRow = std::tuple<QString, int>;

enum Place { StandardCell = 1, HolidayCell, EventCell, KeeperCell, PlainCell, DaynoteText };

QPalette DarkPalette() {
    QPalette p;
    for (const auto& [role, colour] : std::initializer_list<std::pair<QPalette::ColorRole, QColor>>{
             {QPalette::Window, QColor(0x35, 0x35, 0x35)},
             {QPalette::WindowText, Qt::white},
             {QPalette::Base, QColor(0x2A, 0x2A, 0x2A)},
             {QPalette::AlternateBase, QColor(0x42, 0x42, 0x42)},
             {QPalette::Text, Qt::white},
             {QPalette::Button, QColor(0x35, 0x35, 0x35)},
             {QPalette::ButtonText, Qt::white},
             {QPalette::Highlight, QColor(0x2A, 0x82, 0xDA)},
             {QPalette::HighlightedText, Qt::white}})
        p.setColor(role, colour);
    return p;
}

// Measured here, not by the program's own arithmetic.
double ContrastOf(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto ch = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class TestAccessibleValues : public QObject {
    Q_OBJECT

    ZoneScope     zone{"Europe/Berlin"};
    LocaleScope   locale{"en_US"};
    AlertRecorder alerts;
    QPalette      light;

  private slots:
    void initTestCase() {
        QVERIFY(SetUpProgramWindows());
        QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
        light = QApplication::style()->standardPalette();
    }

    void init() {
        SetTestClock(Now());
        QApplication::setPalette(light);
        Preferences& p = Prefs();
        p.showSeconds = p.showWeekNumber = p.showSunLine = false;
        p.countDownMode = CountDownUsesDate;
        p.countDownDate = Now() + 86400 + 2 * 3600 + 3 * 60 + 4.7;
        p.timeZone1Name = u"Delhi"_s, p.timeZone1Offset = 11;
        p.timeZone2Name = u"Reykjavík"_s, p.timeZone2Offset = -2;
        AddDaynote(12, 15, 2026, NoteStandard, u"Dentist"_s);
        AddDaynote(12, 24, 2026, NoteKeeper, u"Christmas Eve"_s);
    }

    void cleanup() {
        DisposeAllWindows();
        ResetTimeLog();
        App().daynotes.clear();
    }

    // A label that shows a value gives the value as its name and says what it is in its description, so a
    // screen reader reads "1, days"; the value is the one on screen.
    void valuesInTheTree_data() {
        const QString local = u"Saturday, December 05, 2026, 10:07:20 AM"_s;
        AddRows<ValueRow>({
            {"countdown days", {u"CD"_s, CountdownDays, u"days"_s, u"1"_s}},
            {"countdown seconds", {u"CD"_s, CountdownSeconds, u"seconds"_s, u"4"_s}},
            {"local clock", {u"TimeZones"_s, LocalClockText, u"local time"_s, local}},
            {"zone 1 difference", {u"TimeZones"_s, ZoneOffset1Text, u"zone 1 difference"_s, u"+ 5 h 30m"_s}},
            {"zone 1 clock",
             {u"TimeZones"_s, ZoneClock1Text, u"zone 1 time"_s,
              u"Saturday, December 05, 2026, 3:37:20 PM"_s}},
            {"zone 2 name", {u"TimeZones"_s, ZoneName2Text, u"zone 2 name"_s, u"Reykjavík"_s}},
            {"zone 2 difference", {u"TimeZones"_s, ZoneOffset2Text, u"zone 2 difference"_s, u"- 1 h "_s}},
            {"zone 2 clock",
             {u"TimeZones"_s, ZoneClock2Text, u"zone 2 time"_s,
              u"Saturday, December 05, 2026, 9:07:20 AM"_s}},
            {"time log project", {u"TimeLog"_s, TimeLogProjectText, u"project"_s, u"Garden shed"_s}},
            {"time log start", {u"TimeLog"_s, TimeLogStartText, u"started"_s, local}},
            {"time log elapsed", {u"TimeLog"_s, TimeLogElapsedText, u"elapsed time"_s, u"01:02:03"_s}},
            {"calendar clock", {u"Calendar"_s, CalendarClockControl, u"Clock"_s, u"10:07 AM"_s}},
            {"list daynote count", {u"ListNotes"_s, ListDaynoteCount, u"daynotes"_s, u"2"_s}},
            {"list keeper count", {u"ListNotes"_s, ListKeeperCount, u"keepers"_s, u"1"_s}},
        });
    }
    void valuesInTheTree() {
        FETCH_ROW(ValueRow, scene, controlId, role, value);
        QWidget* window = OpenScene(scene);
        QVERIFY(window);
        if (scene == u"TimeLog"_s) Advance(3723);
        TickOnce();
        const QString shown = GetControlText(FindControl(window, controlId));
        QCOMPARE(shown, value);
        QStringList found;
        for (QAccessibleInterface* node : Tree(QAccessible::queryAccessibleInterface(window)))
            if (node->text(QAccessible::Description) == role) found << Spoken(node);
        QCOMPARE(found, QStringList{shown});
    }

    // A check box toggled by assistive technology (its Toggle action, no click) changes the setting and what
    // the setting governs, and toggled again changes them back; a radio button turned on chooses.
    void assistiveToggle_data() {
        AddRows<ToggleRow>({
            {"show seconds", {u"Preferences"_s, ShowSecondsBox, SecondsShown}},
            {"countdown names the message",
             {u"Preferences"_s, CountdownNamingGroup, MessageNamesTheCountdown}},
            {"zone 1 in use",
             {u"TimeZoneSheet"_s, Zone1UseCheckBox, [] { return Enabled(TimeZoneSheetId, Zone1Group); }}},
            {"timer repeats",
             {u"TimerSheet"_s, TimerRepeatCheckBox,
              [] { return Enabled(TimerSheetId, TimerRepetitionsField); }}},
            {"reminder opens a web address",
             {u"ReminderSheet"_s, ReminderUrlCheckBox,
              [] { return Enabled(ReminderSheetId, ReminderUrlField); }}},
            {"list keeper",
             {u"ListNotes"_s, ListKeeperCheckBox, [] { return int(StoredType(Dentist()) == NoteKeeper); }}},
            {"weekly delete box",
             {u"Weekly"_s, FirstDeleteBox, [] { return Enabled(WeeklyWindowId, DeleteDaysButton); }}},
        });
    }
    void assistiveToggle() {
        FETCH_ROW(ToggleRow, scene, controlId, effect);
        QWidget* window = OpenScene(scene);
        QVERIFY(window);
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(FindControl(window, controlId));
        QVERIFY(control);
        QList<QAccessibleInterface*> radios;
        for (QAccessibleInterface* node : Tree(control))
            if (node->role() == QAccessible::RadioButton) radios << node;
        const int before = effect();
        QCOMPARE(before, radios.isEmpty() ? GetControlValue(FindControl(window, controlId)) : 0);
        // A check box twice; the second radio button, then the first.
        for (int step = 0; step < 2; ++step) {
            QAccessibleInterface* target = radios.isEmpty() ? control : radios.value(1 - step);
            QVERIFY(target && target->actionInterface());
            const QString toggle = QAccessibleActionInterface::toggleAction();
            QVERIFY(target->actionInterface()->actionNames().contains(toggle));
            target->actionInterface()->doAction(toggle);
            QCOMPARE(effect(), step == 0 ? 1 - before : before);
        }
    }

    // Day numbers in the type colours and a daynote's text read as small text (4.5 : 1) on a light and a
    // dark desktop, and when the desktop turns dark while they show.
    void readableOnTheDesktopColours_data() {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<int>("place");
        const std::pair<const char*, int> places[] = {
            {"standard cell", StandardCell}, {"holiday cell", HolidayCell}, {"event cell", EventCell},
            {"keeper cell", KeeperCell},     {"plain cell", PlainCell},     {"daynote text", DaynoteText}};
        for (const char* theme : {"light", "dark", "light, then dark"})
            for (const auto& [name, place] : places)
                QTest::addRow("%s, %s", theme, name) << QString::fromLatin1(theme) << place;
    }
    void readableOnTheDesktopColours() {
        QFETCH(QString, theme);
        QFETCH(int, place);
        QApplication::setPalette(theme == u"dark"_s ? DarkPalette() : light);
        App().daynotes.clear();
        if (place <= KeeperCell) AddDaynote(12, 10, 2026, place);
        ShowCalendar();
        QWidget* shown = place == DaynoteText ? OpenDaynote(12, 10, 2026, App().daynotes)
                                              : FindControl(Calendar(), FindDayCell(10));
        QVERIFY(shown);
        if (place == DaynoteText) {
            TypeAtEnd(FindControl(shown, DaynoteTextControl), u"Dentist"_s);
            shown = FindControl(shown, DaynoteTextControl);
        }
        if (theme == u"light, then dark"_s) {
            QApplication::setPalette(DarkPalette());
            QCoreApplication::processEvents();
        }
        const QPalette palette = shown->palette();
        const bool     text = place == DaynoteText;
        const QColor   ink = palette.color(text ? QPalette::Text : QPalette::WindowText);
        const QColor   ground = palette.color(text ? QPalette::Base : QPalette::Window);
        const double   contrast = ContrastOf(ink, ground);
        QVERIFY2(contrast >= 4.5, qPrintable(u"%1 on %2: %3"_s.arg(ink.name(), ground.name()).arg(contrast)));
        // Still the type's colour, only lighter or darker.
        if (place <= KeeperCell) QCOMPARE(ink.hslHue(), TypeColour(place).hslHue());
    }
};

QTEST_MAIN(TestAccessibleValues)
#include "tst_accessible_values.moc"
