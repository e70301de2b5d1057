// Undo and redo of daynote changes: each kind of user change, made through the program's own handlers, is
// one step that takes the array back byte for byte and forward again, after its window has closed; the Edit
// menu names the step and leaves the focused text its own undo first.
#include "calendar/calendar_window.h"
#include "calendar/holidays.h"
#include "calendar/weekly_view.h"
#include "core/app_state.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/daynote_requests.h"
#include "core/dispatch.h"
#include "core/plist.h"
#include "core/preferences.h"
#include "core/undo.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/events.h"
#include "notes/ical_import.h"
#include "notes/recurring.h"
#include "notes/reminder_sheet.h"
#include "notes/restore_backup.h"
#include "platform/clock.h"
#include "platform/list_view.h"
#include "platform/windows.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QUndoStack>

using namespace Qt::StringLiterals;

namespace {

enum Change {
    CloseWithText,
    CloseEmptied,
    WeeklyTyping,
    TickedDayDeleted,
    HolidaysAdded,
    OtherProgram,
    ListDelete,
    ListKeeperBox,
    IcalendarImport,
    RecurringCopies,
    BackupRestored,
    ReminderRemoved,
    ReminderSaved,
    EventsMadeDaynotes,
    ListWriteBack,
    FontChosen
};

QByteArray Bytes() {
    return WritePropertyList(Value(App().daynotes));
}

QString NoteOn(double date) {
    const int index = NoteIndex(date);
    return index < 0 ? u"(none)"_s : StoredText(date);
}

void CloseById(QWidget* window) {
    const int id = GetWindowId(window);
    HandleWindowEvent(WindowClose, id);
    DisposeWindow(window);
}

// The Edit menu's Undo or Redo item as shown.
QString MenuText(const char* code) {
    const QStringList items = GetMenuItemTexts(u"menuEdit"_s);
    return items.value(qstrcmp(code, "undo") == 0 ? 0 : 1).remove(u'&');
}

void Perform(Change change) {
    switch (change) {
    case CloseWithText: {
        QWidget* w = OpenDaynote(12, 9, 2026, false, App().daynotes);
        SetControlText(FindControl(w, DaynoteTextControl), u"new words"_s);
        CloseById(w);
        break;
    }
    case CloseEmptied: {
        QWidget* w = OpenDaynote(12, 8, 2026, false, App().daynotes);
        ClearText(FindControl(w, DaynoteTextControl));
        CloseById(w);
        break;
    }
    case WeeklyTyping: {
        ShowWeeklyView();
        QWidget* box = FindControl(FindWindowById(WeeklyWindowId), FirstWeekBox + 2);
        SetFocusToControl(box);
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(box, u" more"_s);
        break;
    }
    case TickedDayDeleted: {
        ShowWeeklyView();
        QWidget* week = FindWindowById(WeeklyWindowId);
        SetControlValue(FindControl(week, FirstDeleteBox + 2), 1);
        HandleControlEvent(ControlHit, FirstDeleteBox + 2, 0);
        HandleControlEvent(ControlHit, DeleteDaysButton, 0);
        break;
    }
    case HolidaysAdded:
        RunCommand(MakeFourCC("Crea"));
        SetControlText(FindControl(FindWindowById(HolidaysWindowId), HolidaysYearField), u"2027"_s);
        HandleControlEvent(ControlHit, HolidaysCreateButton, 0);
        break;
    case OtherProgram:
        ExternalDaynoteRequest(u"Boss;Report;20261208;A"_s, App().daynotes);
        break;
    case ListDelete:
        RunCommand(MakeFourCC("List"));
        SetListSelection(FindControl(FindWindowById(ListWindowId), DaynoteListView), {1});
        HandleControlEvent(ControlHit, ListDeleteButton, 0);
        break;
    case ListKeeperBox: {
        RunCommand(MakeFourCC("List"));
        QWidget* list = FindWindowById(ListWindowId);
        SetListSelection(FindControl(list, DaynoteListView), {1});
        SetControlValue(FindControl(list, ListKeeperCheckBox), 0);
        HandleControlEvent(ControlHit, ListKeeperCheckBox, 0);
        break;
    }
    case IcalendarImport: {
        const QString path = QDir::temp().filePath(u"undo-import.ics"_s);
        QFile         file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//undo//EN\r\n"
            "BEGIN:VEVENT\r\nUID:a@test\r\nDTSTART;VALUE=DATE:20261208\r\nSUMMARY:Dentist\r\nEND:VEVENT\r\n"
            "BEGIN:VEVENT\r\nUID:b@test\r\nDTSTART;VALUE=DATE:20261215\r\nSUMMARY:Party\r\nEND:VEVENT\r\n"
            "END:VCALENDAR\r\n");
        file.close();
        ImportIcalendarFile(path);
        QFile::remove(path);
        break;
    }
    case RecurringCopies: {
        QWidget* w = OpenDaynote(12, 8, 2026, false, App().daynotes);
        QTest::mouseClick(FindControl(w, RecurringButton), Qt::LeftButton);
        QWidget* sheet = FindWindowById(RecurringWindowId);
        QVERIFY(sheet);
        QTest::keyClicks(FindControl(sheet, RecurringCountField), u"3"_s);
        QTest::keyClicks(FindControl(sheet, RecurringSpacingField), u"1"_s);
        QTest::mouseClick(FindControl(sheet, RecurringCopyButton), Qt::LeftButton);
        CloseById(w);
        break;
    }
    case BackupRestored: {
        RecordArray backup = App().daynotes;
        SetRecordValue(backup, 0, NoteDataKey, Value(u"as it was"_s));
        const QString path = QDir::temp().filePath(u"undo-backup.plist"_s);
        QVERIFY(WritePropertyListFile(path, Value(backup), nullptr));
        BeginDaynoteChange();
        QVERIFY(!RestoreDaynotesFrom(path, App().daynotes).isEmpty());
        EndDaynoteChange();
        QFile::remove(path);
        break;
    }
    case ReminderRemoved: {
        QWidget* w = OpenDaynote(12, 10, 2026, false, App().daynotes);
        QTest::mouseClick(FindControl(w, ReminderButton), Qt::LeftButton);
        QWidget* sheet = FindWindowById(ReminderSheetId);
        QVERIFY(sheet);
        QTest::mouseClick(FindControl(sheet, ReminderRemoveButton), Qt::LeftButton);
        CloseById(w);
        break;
    }
    case ReminderSaved: {
        QWidget* w = OpenDaynote(12, 8, 2026, false, App().daynotes);
        QTest::mouseClick(FindControl(w, ReminderButton), Qt::LeftButton);
        QWidget* sheet = FindWindowById(ReminderSheetId);
        QVERIFY(sheet);
        SetControlValue(FindControl(sheet, ReminderUrlCheckBox), 1);
        SetControlText(FindControl(sheet, ReminderUrlField), u"https://example.org/meeting"_s);
        QTest::mouseClick(FindControl(sheet, ReminderSaveButton), Qt::LeftButton);
        CloseById(w);
        break;
    }
    case EventsMadeDaynotes: {
        RecordArray events;
        for (const auto& [name, month, day] :
             {std::tuple(u"Wedding"_s, 12, 8), std::tuple(u"Moved"_s, 12, 20)}) {
            Record r;
            SetField(r, EventNameKey, Value(name));
            SetField(r, EventDateKey, Value(DateValue{DateToAbsTime(month, day, 2010)}));
            SetField(r, EventUnitKey, Value(qint64(1)));
            events.push_back(Value(std::move(r)));
        }
        QVERIFY(SaveRecordFile(events, EventFileName));
        RunCommand(MakeFourCC("Evet"));
        QWidget* window = FindWindowById(EventListWindowId);
        SetListSelection(FindControl(window, EventList), {1, 2});
        QTest::mouseClick(FindControl(window, EventDaynotesButton), Qt::LeftButton);
        CloseById(window);
        break;
    }
    case ListWriteBack: {
        RunCommand(MakeFourCC("List"));
        QWidget* list = FindWindowById(ListWindowId);
        SetListSelection(FindControl(list, DaynoteListView), {1});
        QWidget* text = FindControl(list, ListTextView);
        SetFocusToControl(text);
        QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(text, u" and more"_s);
        CloseById(list);
        break;
    }
    case FontChosen: {
        QWidget* w = OpenDaynote(12, 8, 2026, false, App().daynotes);
        SetDaynoteFont(w, 9); // what choosing the last item of the font menu does
        CloseById(w);
        break;
    }
    }
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT

    ZoneScope     zone{"Europe/Berlin"};
    AlertRecorder alerts;

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(12, 7, 2026, 10, 0));
        QVERIFY(SetUpProgramWindows());
    }
    void init() {
        Prefs().weekStart = WeekStartsSunday;
        ShowCalendar();
        // A record with a key of another program's, a font record and a keeper type, and one with a reminder.
        AddDaynote(12, 8, 2026, NoteKeeper, u"old words\rsecond line"_s);
        Record* first = ValueRecord(App().daynotes[0]);
        SetField(*first, u"Other Program Key"_s, Value(qint64(42)));
        SetRecordFontStyle(App().daynotes, 0, NoteFontStyle{}, NoteCFSKey);
        AddDaynote(12, 10, 2026, NoteStandard, u"call"_s);
        SetRecordDate(App().daynotes, 1, ReminderDateKey, DateTimeToAbsTime(12, 10, 2026, 9, 0));
        SetRecordValue(App().daynotes, 1, URLKey, Value(u"https://example.org"_s));
    }
    void cleanup() {
        DisposeDocumentWindows();
        App().daynotes.clear();
        DaynoteUndoStack().clear();
    }

    void doUndoRedo_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("step");
        QTest::newRow("daynote window closed with new text")
            << int(CloseWithText) << u"Add Daynote of 9 December 2026"_s;
        QTest::newRow("daynote window closed emptied")
            << int(CloseEmptied) << u"Delete Daynote of 8 December 2026"_s;
        QTest::newRow("weekly box typed into") << int(WeeklyTyping) << u"Change Daynote of 8 December 2026"_s;
        QTest::newRow("ticked day deleted")
            << int(TickedDayDeleted) << u"Delete Daynote of 8 December 2026"_s;
        QTest::newRow("holidays added") << int(HolidaysAdded) << u"Add Holidays for 2027"_s;
        QTest::newRow("another program's line")
            << int(OtherProgram) << u"Change Daynote of 8 December 2026"_s;
        QTest::newRow("list's delete") << int(ListDelete) << u"Delete Daynote of 8 December 2026"_s;
        QTest::newRow("list's keeper box") << int(ListKeeperBox) << u"Change Daynote of 8 December 2026"_s;
        QTest::newRow("iCalendar import") << int(IcalendarImport) << u"Import undo-import.ics"_s;
        QTest::newRow("recurring copies") << int(RecurringCopies) << u"Add 3 Daynotes"_s;
        QTest::newRow("backup restored") << int(BackupRestored) << u"Restore from Backup"_s;
        QTest::newRow("reminder removed") << int(ReminderRemoved) << u"Change Daynote of 10 December 2026"_s;
        QTest::newRow("reminder saved") << int(ReminderSaved) << u"Change Daynote of 8 December 2026"_s;
        QTest::newRow("events made daynotes") << int(EventsMadeDaynotes) << u"Change 2 Daynotes"_s;
        QTest::newRow("list's text written back")
            << int(ListWriteBack) << u"Change Daynote of 8 December 2026"_s;
        QTest::newRow("font chosen") << int(FontChosen) << u"Change Daynote of 8 December 2026"_s;
    }
    void doUndoRedo() {
        QFETCH(int, change);
        QFETCH(QString, step);
        const QByteArray before = Bytes();
        Perform(Change(change));
        const QByteArray after = Bytes();
        QVERIFY(after != before);
        // Typing is one step however many keys; every window that made the change is gone.
        QCOMPARE(DaynoteUndoStack().count(), 1);
        QCOMPARE(DaynoteUndoStack().undoText(), step);
        DisposeDocumentWindows();
        QCOMPARE(MenuText("undo"), u"Undo "_s + step);
        QVERIFY(IsCommandEnabled(MakeFourCC("undo")));
        RunCommand(MakeFourCC("undo"));
        QCOMPARE(Bytes(), before);
        QCOMPARE(MenuText("redo"), u"Redo "_s + step);
        QCOMPARE(MenuText("undo"), u"Undo"_s);
        QVERIFY(!IsCommandEnabled(MakeFourCC("undo")));
        RunCommand(MakeFourCC("redo"));
        QCOMPARE(Bytes(), after);
        RunCommand(MakeFourCC("undo"));
        QCOMPARE(Bytes(), before);
    }

    // The open windows show the undone day again: the weekly box, the daynote window, the calendar cell.
    void undoRedrawsOpenWindows() {
        ShowWeeklyView();
        QWidget* note = OpenDaynote(12, 9, 2026, false, App().daynotes);
        ExternalDaynoteRequest(u"Boss;Report;20261209;A"_s, App().daynotes);
        QWidget* box = FindControl(FindWindowById(WeeklyWindowId), FirstWeekBox + 3);
        QVERIFY(GetControlText(box).contains(u"Report"_s));
        SetControlText(FindControl(note, DaynoteTextControl), GetControlText(box));
        UndoDaynoteChange();
        QCOMPARE(NoteOn(DateToAbsTime(12, 9, 2026)), u"(none)"_s);
        QCOMPARE(GetControlText(box), QString());
        QCOMPARE(GetControlText(FindControl(note, DaynoteTextControl)), QString());
        // Closing the reloaded window now changes nothing.
        CloseById(note);
        QCOMPARE(NoteOn(DateToAbsTime(12, 9, 2026)), u"(none)"_s);
        RedoDaynoteChange();
        QVERIFY(GetControlText(box).contains(u"Report"_s));
    }

    // Words typed into an open daynote window and not yet saved outlive an undo of that day.
    void undoKeepsUnsavedWords() {
        QWidget* note = OpenDaynote(12, 9, 2026, false, App().daynotes);
        QWidget* text = FindControl(note, DaynoteTextControl);
        SetControlText(text, u"my own words"_s);
        ExternalDaynoteRequest(u"Boss;Report;20261209;A"_s, App().daynotes);
        UndoDaynoteChange();
        QCOMPARE(NoteOn(DateToAbsTime(12, 9, 2026)), u"(none)"_s);
        QCOMPARE(GetControlText(text), u"my own words"_s);
        CloseById(note);
        QCOMPARE(NoteOn(DateToAbsTime(12, 9, 2026)), u"my own words"_s);
    }

    // The focused text keeps its own undo first; the program's step comes once the text has none left.
    void textUndoFirst() {
        ExternalDaynoteRequest(u"Boss;Report;20261209;A"_s, App().daynotes);
        const QString step = u"Add Daynote of 9 December 2026"_s;
        QWidget*      w = OpenDaynote(12, 11, 2026, false, App().daynotes);
        QWidget*      text = FindControl(w, DaynoteTextControl);
        QTest::keyClicks(text, u"ab"_s);
        QTRY_COMPARE(MenuText("undo"), u"Undo"_s);
        RunCommand(MakeFourCC("undo"));
        QCOMPARE(GetControlText(text), QString());
        QTRY_COMPARE(MenuText("undo"), u"Undo "_s + step);
        QVERIFY(NoteIndex(DateToAbsTime(12, 9, 2026)) >= 0);
        // The keyboard too: the text view has nothing left, so its shortcut reaches the program's step.
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(NoteOn(DateToAbsTime(12, 9, 2026)), u"(none)"_s);
    }

    // Typing is one step per box until the focus moves on; typing back to the start leaves no step.
    void typingSteps() {
        ShowWeeklyView();
        QWidget* week = FindWindowById(WeeklyWindowId);
        for (int box : {FirstWeekBox + 3, FirstWeekBox + 4, FirstWeekBox + 3}) {
            SetFocusToControl(FindControl(week, box));
            QTest::keyClicks(FindControl(week, box), u"ab"_s);
        }
        QCOMPARE(DaynoteUndoStack().count(), 3);
        QCOMPARE(NoteOn(DateToAbsTime(12, 9, 2026)), u"abab"_s);
        QWidget* box = FindControl(week, FirstWeekBox + 5);
        SetFocusToControl(box);
        QTest::keyClicks(box, u"x"_s);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(DaynoteUndoStack().count(), 3);
        QCOMPARE(DaynoteUndoStack().undoText(), u"Change Daynote of 9 December 2026"_s);
    }

    // Days held twice or out of order are taken back whole.
    void irregularArray() {
        RecordArray before = App().daynotes;
        before.push_back(before.front());
        RecordArray after = before;
        SetRecordValue(after, 2, NoteDataKey, Value(u"x"_s));
        const std::vector<DaynoteDayChange> changes = DiffDaynotes(before, after);
        QCOMPARE(changes.size(), size_t(1));
        RecordArray applied = after;
        ApplyDaynoteChanges(changes, false, applied);
        QCOMPARE(WritePropertyList(Value(applied)), WritePropertyList(Value(before)));
        ApplyDaynoteChanges(changes, true, applied);
        QCOMPARE(WritePropertyList(Value(applied)), WritePropertyList(Value(after)));
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
