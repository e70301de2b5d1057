// Undo and redo of daynote changes: each kind of user change, made through the program's own handlers, is
// one step that takes the array back byte for byte and forward again, after its window has closed; the Edit
// menu names the step and leaves the focused text its own undo first.
#include "calendar/calendar_window.h"
#include "calendar/weekly_view.h"
#include "core/daynote_requests.h"
#include "core/plist.h"
#include "core/undo.h"
#include "helpers/test_support.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/recurring.h"
#include "notes/reminder_sheet.h"
#include "platform/list_view.h"

#include <QUndoStack>

using namespace Qt::StringLiterals;

namespace {

QByteArray Bytes() {
    return WritePropertyList(Value(App().daynotes));
}

double Dec(int day) {
    return DateToAbsTime(12, day, 2026);
}

QWidget* Note(int day) {
    return OpenDaynote(12, day, 2026, App().daynotes);
}
// The Edit menu's Undo or Redo item as shown.
QString MenuText(const char* code) {
    const QStringList items = GetMenuItemTexts(u"menuEdit"_s);
    return items.value(qstrcmp(code, "undo") == 0 ? 0 : 1).remove(u'&');
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
        SetRecordValue(App().daynotes, 0, u"Other Program Key"_s, Value(qint64(42)));
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
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("step");
        const auto row = [](const char* name, const QString& step, const Change& change) {
            QTest::newRow(name) << change << step;
        };
        const QString on8 = u" Daynote of 8 December 2026"_s;
        // Every control hit, command and closed window is one step of its own: a row for each kind of change
        // that steps or names itself otherwise, and one for each of those generic ways.
        row("daynote window closed with new text", u"Add Daynote of 9 December 2026"_s, [] {
            QWidget* w = Note(9);
            SetControlText(FindControl(w, DaynoteTextControl), u"new words"_s);
            CloseById(GetWindowId(w));
        });
        row("weekly box typed into", u"Change"_s + on8, [] {
            ShowWeeklyView();
            TypeAtEnd(ControlOf(WeeklyWindowId, FirstWeekBox + 2), u" more"_s);
        });
        row("holidays added", u"Add Holidays for 2027"_s, [] { CreateHolidays(u"2027"_s); });
        row("another program's line", u"Change"_s + on8,
            [] { ExternalDaynoteRequest(u"Boss;Report;20261208;A"_s, App().daynotes); });
        row("list's delete", u"Delete"_s + on8, [] {
            SelectListRow(1);
            HandleControlEvent(ControlHit, ListDeleteButton, 0);
        });
        row("iCalendar import", u"Import undo-import.ics"_s, [] {
            ImportAllDayEntries(u"undo-import.ics"_s,
                                {{u"20261208"_s, u"Dentist"_s}, {u"20261215"_s, u"Party"_s}});
        });
        row("recurring copies", u"Add 3 Daynotes"_s, [] {
            QWidget* w = Note(8);
            ClickIn(w, RecurringButton);
            QTest::keyClicks(ControlOf(RecurringWindowId, RecurringCountField), u"3"_s);
            QTest::keyClicks(ControlOf(RecurringWindowId, RecurringSpacingField), u"1"_s);
            ClickIn(RecurringWindowId, RecurringCopyButton);
            CloseById(GetWindowId(w));
        });
        row("backup restored", u"Restore from Backup"_s, [] { RestoreWithText(0, u"as it was"_s); });
        row("reminder removed", u"Change Daynote of 10 December 2026"_s, [] {
            QWidget* w = Note(10);
            ClickIn(w, ReminderButton);
            ClickIn(ReminderSheetId, ReminderRemoveButton);
            CloseById(GetWindowId(w));
        });
        row("events made daynotes", u"Change 2 Daynotes"_s, [] {
            WriteEvents({{u"Wedding"_s, DateToAbsTime(12, 8, 2010), 1},
                         {u"Moved"_s, DateToAbsTime(12, 20, 2010), 1}});
            EventsToDaynotes({1, 2});
        });
    }
    void doUndoRedo() {
        QFETCH(Change, change);
        QFETCH(QString, step);
        const QByteArray before = Bytes();
        change();
        if (QTest::currentTestFailed()) return;
        const QByteArray after = Bytes();
        QVERIFY(after != before);
        // Typing is one step however many keys; every window that made the change is gone.
        QCOMPARE(DaynoteUndoStack().count(), 1);
        QCOMPARE(DaynoteUndoStack().undoText(), step);
        DisposeDocumentWindows();
        QCOMPARE(MenuText("undo"), u"Undo "_s + step);
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

    // The focused text keeps its own undo first; the program's step comes once the text has none left.
    void textUndoFirst() {
        ExternalDaynoteRequest(u"Boss;Report;20261209;A"_s, App().daynotes);
        const QString step = u"Add Daynote of 9 December 2026"_s;
        QWidget*      w = Note(11);
        QWidget*      text = FindControl(w, DaynoteTextControl);
        QTest::keyClicks(text, u"ab"_s);
        QTRY_COMPARE(MenuText("undo"), u"Undo"_s);
        RunCommand(MakeFourCC("undo"));
        QCOMPARE(GetControlText(text), QString());
        QTRY_COMPARE(MenuText("undo"), u"Undo "_s + step);
        QVERIFY(NoteIndex(Dec(9)) >= 0);
        // The keyboard too: the text view has nothing left, so its shortcut reaches the program's step.
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(NoteOn(Dec(9)), u"(none)"_s);
    }

    // (What undo does to a day's open editors: tst_daynote_store.)
    // Typing is one step per box until the focus moves on; typing back to the start leaves no step.
    void typingSteps() {
        ShowWeeklyView();
        QWidget* week = FindWindowById(WeeklyWindowId);
        for (int box : {FirstWeekBox + 3, FirstWeekBox + 4, FirstWeekBox + 3}) {
            SetFocusToControl(FindControl(week, box));
            QTest::keyClicks(FindControl(week, box), u"ab"_s);
        }
        QCOMPARE(DaynoteUndoStack().count(), 3);
        QCOMPARE(NoteOn(Dec(9)), u"abab"_s);
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
