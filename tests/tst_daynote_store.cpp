// One day, three editors of it (a daynote window, its weekly box, the list's text view), and every kind of
// change that other parts of the program make to that day while the editor is open: after the editor writes
// back, nothing the user typed and nothing the other change added is lost, and an editor nobody typed into
// wrote nothing and showed the change at once.
#include "calendar/calendar_window.h"
#include "calendar/weekly_view.h"
#include "core/daynote_requests.h"
#include "core/daynote_store.h"
#include "core/startup.h"
#include "core/undo.h"
#include "helpers/test_support.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/recurring.h"
#include "platform/list_view.h"

#include <QRegularExpression>
#include <QUndoStack>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString Gone = u"(none)"_s;
// The day every row works on: Friday 25 December 2026, shown by the weekly view of the week of 23 December.
double Day() {
    return DateToAbsTime(12, 25, 2026);
}
constexpr int DayBox = FirstWeekBox + 5; // the week starts on Sunday 20 December

QString Stored() {
    return NoteIndex(Day()) < 0 ? Gone : StoredText(Day());
}

QStringList Lines(const QString& text) {
    QStringList lines = text.split(QRegularExpression(u"\r\n|\r|\n"_s));
    lines.removeAll(QString());
    return lines;
}

enum Editor { DaynoteWindow, WeeklyBox, ListTextEditor };

// The editor's text control, made and filled from the array.
QWidget* OpenEditor(Editor editor) {
    switch (editor) {
    case DaynoteWindow:
        return FindControl(OpenDaynote(12, 25, 2026, App().daynotes), DaynoteTextControl);
    case WeeklyBox:
        ShowWeeklyView();
        return ControlOf(WeeklyWindowId, DayBox);
    case ListTextEditor: {
        RunCommand(MakeFourCC("List"));
        QWidget*  list = ControlOf(ListWindowId, DaynoteListView);
        const int row = NoteIndex(Day()) + 1;
        SetListSelection(list, {row});
        return ControlOf(ListWindowId, ListTextView);
    }
    }
    return nullptr;
}

// The moment the editor writes back: the window closes, the week steps on.
void WriteBack(Editor editor) {
    switch (editor) {
    case DaynoteWindow:
        for (QWidget* w : DocumentWindows())
            if (IsDaynoteWindowId(GetWindowId(w))) CloseById(GetWindowId(w));
        break;
    case WeeklyBox:
        HandleControlEvent(ControlHit, NextWeekButton, 0);
        break;
    case ListTextEditor:
        CloseById(ListWindowId);
        break;
    }
    QTest::qWait(0);
}

// Each change runs as the program runs it: through its own handlers, or in one change scope as an action.
using Change = std::function<void()>;

void Act(const Change& change) {
    DaynoteChangeScope scope;
    change();
}

void Import() {
    ImportCalendarText(u"store-import.ics"_s,
                       u"BEGIN:VCALENDAR\rVERSION:2.0\rPRODID:-//test//store//EN\r"
                       "BEGIN:VEVENT\rUID:a@test\rDTSTART;VALUE=DATE:20261225\rSUMMARY:Dentist\rEND:VEVENT\r"
                       "END:VCALENDAR\r"_s);
}

void Holidays() {
    CreateHolidays(u"2026"_s);
}

void EventToDaynote() {
    WriteEvents({{u"Anna"_s, DateToAbsTime(12, 25, 1990), 1}});
    EventsToDaynotes({1});
}

void Recur() {
    Act([] { RecurDaynote(DateToAbsTime(12, 18, 2026), 1, 0, RecurWeeks, App().daynotes); });
}

void ListDelete() {
    const bool open = FindWindowById(ListWindowId) != nullptr;
    RunCommand(MakeFourCC("List"));
    SetListSelection(ControlOf(ListWindowId, DaynoteListView), {NoteIndex(Day()) + 1});
    HandleControlEvent(ControlHit, ListDeleteButton, 0);
    if (!open) CloseById(ListWindowId);
}

void Restore() {
    RestoreWithText(NoteIndex(Day()), u"as it was\rfrom the backup"_s);
}

void AutoDelete() {
    // Half a year on, the day is older than the 30 days kept.
    SetTestClock(DateTimeToAbsTime(6, 1, 2027, 10, 0));
    Act([] { AutoDeleteOldDaynotes(App().daynotes, 30); });
    SetTestClock(DateTimeToAbsTime(12, 23, 2026, 10, 0));
}

const QString Request = u"Boss;Report;20261225;A"_s;

using MergeTypedTextRow = std::tuple<QString, QString, QString, QString>;
using AnnouncesChangedDaysRow = std::tuple<Change, QStringList>;

} // namespace

Q_DECLARE_METATYPE(Change)

class TestDaynoteStore : public QObject {
    Q_OBJECT

    ZoneScope     zone{"Europe/Berlin"};
    AlertRecorder alerts;

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(12, 23, 2026, 10, 0));
        QVERIFY(SetUpProgramWindows());
    }
    void init() {
        Prefs().weekStart = WeekStartsSunday;
        ShowCalendar();
        AddDaynote(12, 18, 2026, NoteStandard, u"Gym"_s);
    }
    void cleanup() {
        DisposeDocumentWindows();
        App().daynotes.clear();
        DaynoteUndoStack().clear();
    }

    void editorMeetsChangeElsewhere_data() {
        QTest::addColumn<int>("editor");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("start"); // the day's daynote before (empty for none)
        QTest::addColumn<Change>("before"); // done before the editor opens
        QTest::addColumn<Change>("change"); // made elsewhere while it is open
        const Change  nothing = [] {};
        const QString old = u"old words"_s;
        const QString request = ExternalDaynoteText(u"Boss"_s, u"Report"_s);
        struct Row {
            const char* name;
            QString     start;
            Change      before, change;
            bool        byList = false; // the list's own delete: no row for the list's own editor
            bool        notAfterWeeklyTyping =
                false; // the weekly view saves typing at once: the step undone, a text no longer the request
        };
        const Row rows[] = {
            {"iCalendar import", old, nothing, Import, false},
            {"holidays", old, nothing, Holidays, false},
            {"FromVRDX add", old, nothing, [] { ExternalDaynoteRequest(Request, App().daynotes); }, false},
            {"FromVRDX remove", request, nothing,
             [] { ExternalDaynoteRequest(u"Boss;Report;20261225;R"_s, App().daynotes); }, false, true},
            {"events to daynotes", old, nothing, EventToDaynote, false},
            {"recurring copies", old, nothing, Recur, false},
            {"list delete", old, nothing, ListDelete, true},
            {"undo", old, [] { ExternalDaynoteRequest(Request, App().daynotes); },
             [] { QVERIFY(UndoDaynoteChange()); }, false},
            {"redo", old,
             [] {
                 ExternalDaynoteRequest(Request, App().daynotes);
                 QVERIFY(UndoDaynoteChange());
             },
             [] { QVERIFY(RedoDaynoteChange()); }, false, true},
            {"restore from backup", old, nothing, Restore, false},
            {"auto-delete", old, nothing, AutoDelete, false},
            {"import onto an empty day", QString(), nothing, Import, false},
        };
        const struct {
            Editor      editor;
            const char* name;
        } editors[] = {
            {DaynoteWindow, "daynote window"}, {WeeklyBox, "weekly box"}, {ListTextEditor, "list text"}};
        for (const auto& e : editors)
            for (const Row& r : rows)
                for (bool typed : {false, true}) {
                    if (e.editor == ListTextEditor && (r.byList || r.start.isEmpty())) continue;
                    if (e.editor == WeeklyBox && typed && r.notAfterWeeklyTyping) continue;
                    QTest::addRow("%s, %s, %s", e.name, r.name, typed ? "typed" : "untouched")
                        << int(e.editor) << typed << r.start << r.before << r.change;
                }
    }
    void editorMeetsChangeElsewhere() {
        QFETCH(int, editor);
        QFETCH(bool, typed);
        QFETCH(QString, start);
        QFETCH(Change, before);
        QFETCH(Change, change);
        const Editor which = Editor(editor);
        if (!start.isEmpty()) AddDaynote(12, 25, 2026, NoteStandard, start);
        before();
        const QString loaded = Stored();
        QWidget*      text = OpenEditor(which);
        QVERIFY(text);
        QCOMPARE(GetControlText(text), loaded == Gone ? QString() : loaded);
        if (typed) TypeAtEnd(text, u" and mine"_s);
        const QString mine = GetControlText(text);
        // The weekly view writes each keystroke: its typing is part of the day before the change.
        const bool    unsaved = typed && which != WeeklyBox;
        const QString beforeChange = Stored();

        change();
        const QString afterChange = Stored();
        QVERIFY2(afterChange != beforeChange, "the change did not touch the day");
        if (unsaved)
            QCOMPARE(GetControlText(text), mine); // the user's words stay on screen
        else
            QCOMPARE(GetControlText(text), afterChange == Gone ? QString() : afterChange); // shown at once

        WriteBack(which);
        const QString after = Stored();
        if (!unsaved) {
            QCOMPARE(after, afterChange); // the editor wrote nothing
            return;
        }
        QVERIFY2(after != Gone, "the user's words were lost with the day");
        const QStringList kept = Lines(after);
        for (const QString& line : Lines(mine))
            QVERIFY2(kept.contains(line), qPrintable(u"typed line lost: "_s + line));
        const QStringList had = Lines(beforeChange == Gone ? QString() : beforeChange);
        for (const QString& line : Lines(afterChange == Gone ? QString() : afterChange))
            if (!had.contains(line)) QVERIFY2(kept.contains(line), qPrintable(u"added line lost: "_s + line));
        // The user's words come first, the change's lines after them.
        QVERIFY(after.startsWith(mine));
    }

    // What a typed editor writes when the day changed elsewhere.
    void mergeTypedText_data() {
        AddRows<MergeTypedTextRow>({
            {"nothing changed elsewhere", {u"a b"_s, u"a"_s, u"a"_s, u"a b"_s}},
            {"a line added", {u"a b"_s, u"a"_s, u"a\rx"_s, u"a b\rx"_s}},
            {"deleted elsewhere", {u"a b"_s, u"a"_s, QString(), u"a b"_s}},
            {"a line the user deleted stays deleted", {u"b"_s, u"a\rb"_s, u"a\rb\rx"_s, u"b\rx"_s}},
            {"a line the user typed too", {u"a\rx"_s, u"a"_s, u"a\rx"_s, u"a\rx"_s}},
            {"an emptied editor keeps the new line", {QString(), u"a"_s, u"a\rx"_s, u"x"_s}},
            {"the request's closing break",
             {u"a!"_s, u"a"_s, u"a\rT for: B\rand task: R\r"_s, u"a!\rT for: B\rand task: R"_s}},
            {"line breaks of another kind", {u"a!"_s, u"a"_s, u"a\nx\r\ny"_s, u"a!\rx\ry"_s}},
        });
    }
    void mergeTypedText() {
        FETCH_ROW(MergeTypedTextRow, typed, loaded, stored, written);
        QCOMPARE(MergeTypedText(typed, loaded, stored), written);
    }

    // The announcement names the days an action changed, once, when the outermost action ends.
    void announcesChangedDays_data() {
        // told: "yyyyMMdd" of the days, "all", "+reminders"
        AddRows<AnnouncesChangedDaysRow>({
            {"one day added",
             {Change([] { AddDaynote(12, 24, 2026, NoteStandard); }), QStringList{u"20261224"_s}}},
            {"two days, nested actions",
             {Change([] {
                  DaynoteChangeScope inner;
                  AddDaynote(12, 24, 2026, NoteStandard);
                  AddDaynote(12, 26, 2026, NoteStandard);
              }),
              QStringList{u"20261224"_s, u"20261226"_s}}},
            {"a reminder",
             {Change([] { ExternalDaynoteRequest(Request, App().daynotes); }),
              QStringList{u"20261225"_s, u"+reminders"_s}}},
            {"nothing changed", {Change([] {}), QStringList{}}},
            {"the array replaced",
             {Change([] {
                  RecordArray many;
                  for (int d = 1; d <= 200; ++d) {
                      const int index = int(many.size());
                      InsertStyledDaynote(AddDateUnits(Day(), d, AddDays), u"x"_s, NoteStandard,
                                          NoteFontStyle{}, index, many);
                  }
                  App().daynotes = many;
              }),
              QStringList{u"all"_s}}},
        });
    }
    void announcesChangedDays() {
        FETCH_ROW(AnnouncesChangedDaysRow, change, told);
        { DaynoteChangeScope settle; } // what the test's set-up did is told before listening
        QList<QStringList> heard;
        QObject            listener;
        FollowDaynotes(&listener, [&heard](const DaynoteChanges& changes) {
            QStringList days;
            if (changes.everything) days << u"all"_s;
            for (double d : changes.days) days << FormatDate(u"yyyyMMdd"_s, d);
            if (changes.reminders) days << u"+reminders"_s;
            heard << days;
        });
        {
            DaynoteChangeScope outer;
            change();
            QVERIFY(heard.isEmpty()); // not while the action runs
        }
        QCOMPARE(heard, told.isEmpty() ? QList<QStringList>{} : QList<QStringList>{told});
    }
};

QTEST_MAIN(TestDaynoteStore)
#include "tst_daynote_store.moc"
