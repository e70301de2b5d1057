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
#include "platform/list_view.h"

#include <QRegularExpression>
#include <QUndoStack>

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
    if (editor == DaynoteWindow)
        return FindControl(OpenDaynote(12, 25, 2026, App().daynotes), DaynoteTextControl);
    if (editor == WeeklyBox) {
        ShowWeeklyView();
        return ControlOf(WeeklyWindowId, DayBox);
    }
    SelectListRow(NoteIndex(Day()) + 1);
    return ControlOf(ListWindowId, ListTextView);
}

// The moment the editor writes back: the window closes, the week steps on.
void WriteBack(Editor editor) {
    if (editor == WeeklyBox) HandleControlEvent(ControlHit, NextWeekButton, 0);
    for (QWidget* w : DocumentWindows())
        if ((editor == DaynoteWindow && IsDaynoteWindowId(GetWindowId(w))) ||
            (editor == ListTextEditor && GetWindowId(w) == ListWindowId))
            CloseById(GetWindowId(w));
    QTest::qWait(0);
}

// Each change runs as the program runs it: through its own handlers, or in one change scope as an action.
void Act(const Change& change) {
    DaynoteChangeScope scope;
    change();
}

void Import() {
    ImportAllDayEntries(u"store-import.ics"_s, {{u"20261225"_s, u"Dentist"_s}});
}

const QString Request = u"Boss;Report;20261225;A"_s;

using MergeTypedTextRow = std::tuple<QString, QString, QString, QString>;
using AnnouncesChangedDaysRow = std::tuple<Change, QStringList>;

} // namespace

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
            int         notWith = -1; // an editor the change cannot meet (its own)
            bool        notAfterWeeklyTyping =
                false; // the weekly view saves typing at once: the step undone, a text no longer the request
        };
        const Row rows[] = {
            {"iCalendar import", old, nothing, Import},
            {"FromVRDX add", old, nothing, [] { ExternalDaynoteRequest(Request, App().daynotes); }},
            {"FromVRDX remove", request, nothing,
             [] { ExternalDaynoteRequest(u"Boss;Report;20261225;R"_s, App().daynotes); }, -1, true},
            {"list delete", old, nothing,
             [] {
                 const bool open = FindWindowById(ListWindowId) != nullptr;
                 SelectListRow(NoteIndex(Day()) + 1);
                 HandleControlEvent(ControlHit, ListDeleteButton, 0);
                 if (!open) CloseById(ListWindowId);
             },
             ListTextEditor},
            {"weekly box typed", old, nothing,
             [] {
                 ShowWeeklyView();
                 TypeAtEnd(ControlOf(WeeklyWindowId, DayBox), u" in the week"_s);
             },
             WeeklyBox},
            {"undo", old, [] { ExternalDaynoteRequest(Request, App().daynotes); },
             [] { QVERIFY(UndoDaynoteChange()); }},
            {"redo", old,
             [] {
                 ExternalDaynoteRequest(Request, App().daynotes);
                 QVERIFY(UndoDaynoteChange());
             },
             [] { QVERIFY(RedoDaynoteChange()); }, -1, true},
            {"restore from backup", old, nothing,
             [] { RestoreWithText(NoteIndex(Day()), u"as it was\rfrom the backup"_s); }},
            {"auto-delete, the day half a year old", old, nothing,
             [] {
                 SetTestClock(DateTimeToAbsTime(6, 1, 2027, 10, 0));
                 Act([] { AutoDeleteOldDaynotes(App().daynotes, 30); });
                 SetTestClock(DateTimeToAbsTime(12, 23, 2026, 10, 0));
             }},
            {"import onto an empty day", QString(), nothing, Import},
        };
        const struct {
            Editor      editor;
            const char* name;
        } editors[] = {
            {DaynoteWindow, "daynote window"}, {WeeklyBox, "weekly box"}, {ListTextEditor, "list text"}};
        for (const auto& e : editors)
            for (const Row& r : rows)
                for (bool typed : {false, true}) {
                    if (e.editor == r.notWith || (e.editor == ListTextEditor && r.start.isEmpty())) continue;
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

    // What a typed editor writes when the day changed elsewhere, in the cases the editors above do not meet.
    void mergeTypedText_data() {
        AddRows<MergeTypedTextRow>({
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
