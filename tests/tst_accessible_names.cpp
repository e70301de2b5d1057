// Every control of the program's windows has a name for assistive technology and is reached from the
// keyboard. One row per window definition: a new window is covered by adding its row and how it opens.
#include "calendar/calendar_window.h"
#include "calendar/twelve_month.h"
#include "core/app_state.h"
#include "core/backups.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/events.h"
#include "notes/recurring.h"
#include "notes/reminder_sheet.h"
#include "notes/restore_backup.h"
#include "platform/clock.h"
#include "platform/file_dialogs.h"
#include "platform/list_view.h"
#include "platform/windows.h"
#include "tools/about.h"
#include "tools/countdown.h"
#include "tools/preferences_window.h"
#include "tools/shutdown.h"
#include "tools/sounds.h"
#include "tools/time_log.h"
#include "tools/time_zones.h"
#include "tools/timer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QTextEdit>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The window as the program opens it, named by its definition, with as many controls enabled as it allows.
QWidget* OpenWindow(const QString& definition) {
    RecordArray& notes = App().daynotes;
    const double date = DateToAbsTime(12, 15, 2026);
    if (notes.empty()) {
        InsertRecord(notes, 0);
        SetDaynote(notes, 0, u"Dentist"_s, date, NoteStandard, NoteFontStyle{});
        SetRecordDate(notes, 0, ReminderDateKey, DateTimeToAbsTime(12, 14, 2026, 9, 0));
        SetRecordValue(notes, 0, URLKey, Value(u"https://example.org"_s));
        SetRecordValue(notes, 0, EmailAddrKey, Value(u"me@example.org"_s));
    }
    if (definition == QLatin1String("Calendar")) {
        ShowCalendar();
        return FindWindowById(CalendarWindowId);
    }
    if (definition == QLatin1String("CD")) {
        ShowCalendar();
        ToggleCountdown();
        return FindWindowById(CountdownWindowId);
    }
    if (definition == QLatin1String("Holidays")) {
        RunCommand(MakeFourCC("Crea"));
        return FindWindowById(HolidaysWindowId);
    }
    if (definition.startsWith(QLatin1String("Timer"))) {
        RunCommand(MakeFourCC("ShTM"));
        if (definition == QLatin1String("Timer")) return FindWindowById(TimerWindowId);
        QTest::mouseClick(FindControl(FindWindowById(TimerWindowId), TimerSetButton), Qt::LeftButton);
        QWidget* sheet = FindWindowById(TimerSheetId);
        QTest::mouseClick(FindControl(sheet, TimerRepeatCheckBox), Qt::LeftButton);
        return sheet;
    }
    if (definition == QLatin1String("EventList") || definition == QLatin1String("AddEventSheet")) {
        RunCommand(MakeFourCC("Evet"));
        QWidget* list = FindWindowById(EventListWindowId);
        if (definition == QLatin1String("EventList")) return list;
        QTest::mouseClick(FindControl(list, EventAddButton), Qt::LeftButton);
        return FindWindowById(AddEventSheetId);
    }
    if (definition.startsWith(QLatin1String("TimeLog"))) {
        RunCommand(MakeFourCC("ShTL"));
        QWidget* log = FindWindowById(TimeLogWindowId);
        if (definition == QLatin1String("TimeLog")) return log;
        QTest::mouseClick(FindControl(log, TimeLogNewButton), Qt::LeftButton);
        return FindWindowById(TimeLogSheetId);
    }
    if (definition.startsWith(QLatin1String("TimeZone"))) {
        RunCommand(MakeFourCC("ShTZ"));
        QWidget* zones = FindWindowById(TimeZonesWindowId);
        if (definition == QLatin1String("TimeZones")) return zones;
        QTest::mouseClick(FindControl(zones, ZoneSheetButton), Qt::LeftButton);
        QWidget* sheet = FindWindowById(TimeZoneSheetId);
        for (int box : {Zone1UseCheckBox, Zone2UseCheckBox})
            if (!GetControlValue(FindControl(sheet, box)))
                QTest::mouseClick(FindControl(sheet, box), Qt::LeftButton);
        return sheet;
    }
    if (definition == QLatin1String("About")) {
        RunCommand(MakeFourCC("abou"));
        return FindWindowById(AboutWindowId);
    }
    if (definition == QLatin1String("ShutDownTimer")) {
        RunCommand(MakeFourCC("ShDn"));
        (void)QTest::qWaitFor([] { return FindWindowById(ShutdownWindowId) != nullptr; }, 3000);
        return FindWindowById(ShutdownWindowId);
    }
    if (definition == QLatin1String("RestoreBackup")) {
        QDir().mkpath(BackupFolder());
        QFile::copy(QStringLiteral(":/resources/ui/RestoreBackup.ui"),
                    BackupFolder() + u"/VRDX DayNotes 2026-12-01"_s);
        RunCommand(MakeFourCC("RBak"));
        return FindWindowById(RestoreBackupWindowId);
    }
    if (definition == QLatin1String("Weekly")) {
        RunCommand(MakeFourCC("Week"));
        return FindWindowById(WeeklyWindowId);
    }
    if (definition == QLatin1String("Monthly")) {
        RunCommand(MakeFourCC("Mont"));
        return FindWindowById(MonthlyWindowId);
    }
    if (definition == QLatin1String("GoToYearWnd")) {
        ShowCalendar();
        RunCommand(MakeFourCC("GoYr"));
        return FindWindowById(GoToYearWindowId);
    }
    if (definition == QLatin1String("12MonthCalWnd")) return BuildTwelveMonthWindow(2026);
    if (definition == QLatin1String("ListNotes")) {
        RunCommand(MakeFourCC("List"));
        QWidget* list = FindWindowById(ListWindowId);
        SetListSelection(FindControl(list, DaynoteListView), {1}); // the row's controls come on
        return list;
    }
    if (definition == QLatin1String("FindDaynotes")) {
        RunCommand(MakeFourCC("Sear"));
        return FindWindowById(FindWindowId);
    }
    if (definition == QLatin1String("Preferences")) {
        Prefs().countDownMode = CountDownUsesMessage; // the message field enabled
        return OpenPreferences();
    }
    if (definition == QLatin1String("UserNote")) {
        const QString           path = QDir::home().filePath(u"names.vrdxnote"_s);
        const OpenFilePresenter previous =
            SetOpenFilePresenter([path](const OpenFileRequest&) { return path; });
        RunCommand(MakeFourCC("Cusr"));
        SetOpenFilePresenter(previous);
        const QList<QWidget*> windows = DocumentWindows();
        return windows.isEmpty() ? nullptr : windows.first();
    }
    QWidget* daynote = OpenDaynote(12, 15, 2026, false, notes);
    if (definition == QLatin1String("Daynote")) return daynote;
    if (definition == QLatin1String("ReminderSheet")) return OpenReminderSheet(daynote);
    if (definition == QLatin1String("Recurring")) return OpenRecurringSheet(daynote, date);
    return nullptr;
}

int ControlIdOf(QWidget* w) {
    for (; w; w = w->parentWidget())
        if (int id = GetControlId(w)) return id;
    return 0;
}

// A radio group is reached through its buttons.
// A radio group takes the focus through its buttons.
bool TakesTabFocus(QWidget* control) {
    if (control->focusPolicy() & Qt::TabFocus) return true;
    for (QRadioButton* radio : control->findChildren<QRadioButton*>())
        if (ControlIdOf(radio) == GetControlId(control)) return true;
    return false;
}

QList<QWidget*> Controls(QWidget* window) {
    QList<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (GetControlId(w) && window->isAncestorOf(w)) controls << w; // not a sheet's; a drawer's too
    return controls;
}

// A text view that types Tab is left with Ctrl+Tab.
bool TypesTab(const QWidget* w) {
    if (auto* t = qobject_cast<const QTextEdit*>(w)) return !t->tabChangesFocus();
    if (auto* t = qobject_cast<const QPlainTextEdit*>(w)) return !t->tabChangesFocus();
    return false;
}

} // namespace

class TestAccessibleNames : public QObject {
    Q_OBJECT

    ZoneScope   zone{"Europe/Berlin"};
    LocaleScope locale{"en_US"};

    static void windows_data() {
        QTest::addColumn<QString>("definition");
        QTest::newRow("Daynote") << u"Daynote"_s;
        QTest::newRow("ReminderSheet") << u"ReminderSheet"_s;
        QTest::newRow("Recurring") << u"Recurring"_s;
        QTest::newRow("Calendar") << u"Calendar"_s;
        QTest::newRow("Timer") << u"Timer"_s;
        QTest::newRow("TimerSheet") << u"TimerSheet"_s;
        QTest::newRow("Holidays") << u"Holidays"_s;
        QTest::newRow("EventList") << u"EventList"_s;
        QTest::newRow("AddEventSheet") << u"AddEventSheet"_s;
        QTest::newRow("Weekly") << u"Weekly"_s;
        QTest::newRow("Monthly") << u"Monthly"_s;
        QTest::newRow("GoToYearWnd") << u"GoToYearWnd"_s;
        QTest::newRow("12MonthCalWnd") << u"12MonthCalWnd"_s;
        QTest::newRow("ListNotes") << u"ListNotes"_s;
        QTest::newRow("FindDaynotes") << u"FindDaynotes"_s;
        QTest::newRow("TimeLog") << u"TimeLog"_s;
        QTest::newRow("TimeLogSheet") << u"TimeLogSheet"_s;
        QTest::newRow("TimeZones") << u"TimeZones"_s;
        QTest::newRow("TimeZoneSheet") << u"TimeZoneSheet"_s;
        QTest::newRow("Preferences") << u"Preferences"_s;
        QTest::newRow("UserNote") << u"UserNote"_s;
        QTest::newRow("ShutDownTimer") << u"ShutDownTimer"_s;
        QTest::newRow("RestoreBackup") << u"RestoreBackup"_s;
    }

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 10, 0));
        QVERIFY(SetUpProgramWindows());
    }

    void cleanup() { DisposeDocumentWindows(); }

    void everyControlHasAName_data() {
        windows_data();
        QTest::newRow("CD") << QStringLiteral("CD"); // no control of its own takes the focus
        // Nor does anything in the About window.
        QTest::newRow("About") << QStringLiteral("About");
    }
    void everyControlHasAName() {
        QFETCH(QString, definition);
        QWidget* window = OpenWindow(definition);
        QVERIFY(window);
        const QList<QWidget*> controls = Controls(window);
        QVERIFY(!controls.isEmpty());
        for (QWidget* control : controls) {
            // A disabled day cell outside the month is no control at that moment.
            if (!control->isEnabled() && GetControlText(control).isEmpty()) continue;
            QVERIFY2(!AccessibleText(control).trimmed().isEmpty(),
                     qPrintable(u"control %1 has no name"_s.arg(GetControlId(control))));
        }
    }

    // Tab (Ctrl+Tab out of a text view) visits every enabled control that takes the focus.
    void tabReachesEveryControl_data() { windows_data(); }
    void tabReachesEveryControl() {
        QFETCH(QString, definition);
        QWidget* window = OpenWindow(definition);
        QVERIFY(window);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QSet<int> expected;
        for (QWidget* control : Controls(window))
            if (control->isEnabled() && control->isVisibleTo(window) && TakesTabFocus(control))
                expected << GetControlId(control);
        QVERIFY(!expected.isEmpty());
        if (definition == QLatin1String("ReminderSheet"))
            QVERIFY(expected.contains(ReminderMessageField) && expected.contains(ReminderRemoveButton));
        QSet<int> reached;
        for (int i = 0; i < 2 * int(expected.size()) + 2; ++i) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus && focus->window() == window);
            reached << ControlIdOf(focus);
            const int id = ControlIdOf(focus);
            QTest::keyClick(focus, Qt::Key_Tab,
                            TypesTab(FindControl(window, id)) ? Qt::ControlModifier : Qt::NoModifier);
        }
        reached.remove(0);
        QCOMPARE(reached, expected);
    }
};

QTEST_MAIN(TestAccessibleNames)
#include "tst_accessible_names.moc"
