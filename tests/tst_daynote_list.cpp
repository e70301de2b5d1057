// The daynote list and find on the offscreen platform: rows, sorting, write-back, keeper box, counts, find.
#include "helpers/test_support.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/find.h"
#include "platform/list_view.h"

using namespace Qt::StringLiterals;

namespace {

const FourCC C001 = MakeFourCC("C001");
const FourCC C002 = MakeFourCC("C002");

const auto Notes = []() -> RecordArray& { return App().daynotes; };
const auto ListControl = [](int id) { return FindControl(FindWindowById(ListWindowId), id); };
const auto FindControlOf = [](int id) { return FindControl(FindWindowById(FindWindowId), id); };

// Selects a row as a click would: through the list, so the program's selection handler runs.
const auto ChooseRow = [](int row) { SetListSelection(ListControl(DaynoteListView), {row}); };

// Three daynotes in March 2024; the second has a reminder.
void AddThree() {
    AddDaynote(3, 4, 2024, NoteHoliday, u"first"_s);
    AddDaynote(3, 5, 2024, NoteStandard, u"second"_s);
    AddDaynote(3, 6, 2024, NoteStandard, u"third"_s);
    SetRecordDate(Notes(), 1, ReminderDateKey, DateTimeToAbsTime(2, 1, 2024, 9, 0));
}

using SortingRow = std::tuple<int, int, QList<int>>;
using WriteBackRow = std::tuple<QString, QString, QString>;
using FindRow = std::tuple<QString, QStringList>;

} // namespace

class TestDaynoteList : public QObject {
    Q_OBJECT

    ZoneScope   zone{"Europe/Berlin"};
    LocaleScope locale{"en_US"};

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(3, 10, 2024, 10, 0));
        QVERIFY(SetUpProgramWindows());
    }
    void cleanup() {
        DisposeDocumentWindows();
        CloseDaynoteList();
        Notes().clear();
    }

    // With no daynotes the command explains instead of opening an empty window.
    void emptyArrayAlert() {
        AlertRecorder recorder;
        RunCommand(MakeFourCC("List"));
        QVERIFY(!FindWindowById(ListWindowId));
        QCOMPARE(recorder.alerts.size(), 1);
        QCOMPARE(recorder.alerts[0].message, u"There are no Daynotes to List"_s);
    }

    // The reminder column shows the reminder's local day (a leap day here), not its day in UTC.
    void rowTexts() {
        AddDaynote(3, 5, 2024, NoteKeeper);
        SetRecordDate(Notes(), 0, ReminderDateKey, DateTimeToAbsTime(2, 29, 2024, 0, 30));
        RunCommand(MakeFourCC("List"));
        QWidget* list = ListControl(DaynoteListView);
        QVERIFY(list);
        QCOMPARE(GetListCellText(list, 1, 0), u"05  March  2024  Keeper"_s);
        QCOMPARE(GetListCellText(list, 1, 1), u"29  February  2024"_s);
        QCOMPARE(ListRowDateKey(C002, 1), u"20240229"_s);
    }

    void sorting_data() {
        // days: of March 2024, top first
        AddRows<SortingRow>({
            {"reminder column: none first", {1, 1, QList<int>{4, 6, 7, 5}}},
            {"reminder column, reversed", {1, 2, QList<int>{5, 7, 4, 6}}},
        });
    }
    void sorting() {
        FETCH_ROW(SortingRow, column, clicks, days);
        AddThree();
        AddDaynote(3, 7, 2024, NoteStandard, u"fourth"_s);
        SetRecordDate(Notes(), 3, ReminderDateKey, DateTimeToAbsTime(1, 15, 2024, 9, 0));
        ShowDaynoteList();
        QWidget* list = ListControl(DaynoteListView);
        ChooseRow(3);
        ClickColumnTitle(list, column, clicks);
        QList<int> shown;
        for (int row : GetListOrder(list)) {
            DateValue date;
            QVERIFY(ListRowDate(C001, row, &date));
            shown << AbsTimeToDate(date.absTime).day;
        }
        QCOMPARE(shown, days);
        QCOMPARE(GetControlText(ListControl(ListTextView)), u"third"_s); // the selection stays on its daynote
    }

    // What the user typed for a row reaches its daynote however the row is left.
    void writeBack_data() {
        // typed: "<clear>" empties the text
        AddRows<WriteBackRow>({
            {"arrow key", {u"arrow"_s, u" too"_s, u"second too"_s}},
            {"closing the window", {u"close"_s, u" too"_s, u"second too"_s}},
            {"quitting", {u"quit"_s, u" too"_s, u"second too"_s}},
            {"emptied, another row", {u"row"_s, u"<clear>"_s, QString()}},
        });
    }
    void writeBack() {
        FETCH_ROW(WriteBackRow, how, typed, stored);
        AddThree();
        ShowDaynoteList();
        ChooseRow(2);
        if (typed == u"<clear>"_s)
            ClearText(ListControl(ListTextView));
        else
            TypeAtEnd(ListControl(ListTextView), typed);
        const double second = DateToAbsTime(3, 5, 2024);
        QCOMPARE(StoredText(second), u"second"_s); // not before the row is left
        if (how == u"row"_s) {
            ChooseRow(3);
        } else if (how == u"arrow"_s) {
            QTest::keyClick(ListControl(DaynoteListView), Qt::Key_Down);
        } else if (how == u"close"_s) {
            CloseWindow(FindWindowById(ListWindowId));
            QTest::qWait(0);
        } else {
            CloseAllForQuit();
        }
        QCOMPARE(StoredText(second), stored);
        QCOMPARE(NoteIndex(second) >= 0, !stored.isEmpty());
        if (how == u"row"_s || how == u"arrow"_s) {
            // The row chosen shows its own daynote, also when an emptied one went from before it.
            QCOMPARE(GetControlText(ListControl(ListTextView)), u"third"_s);
            QCOMPARE(GetControlText(ListControl(ListDateLabel)), u"Wednesday, 06 March 2024"_s);
        }
        QCOMPARE(StoredText(DateToAbsTime(3, 6, 2024)), u"third"_s);
    }

    // The keeper box and Delete act on the chosen row; the counts follow.
    void keeperBoxDeleteAndCounts() {
        const auto counts = [] { // daynotes, keepers, reminders
            return QStringList{GetControlText(ListControl(ListDaynoteCount)),
                               GetControlText(ListControl(ListKeeperCount)),
                               GetControlText(ListControl(ListReminderCount))}
                .join(u' ');
        };
        const double first = DateToAbsTime(3, 4, 2024);
        AddThree();
        ShowDaynoteList();
        QCOMPARE(counts(), u"3 0 1"_s);
        QVERIFY(!IsControlEnabled(ListControl(ListDeleteButton)));
        ChooseRow(1);
        ClickIn(ListWindowId, ListKeeperCheckBox);
        QCOMPARE(StoredType(first), int(NoteKeeper));
        QCOMPARE(counts(), u"3 1 1"_s);
        // Off again, the holiday it was becomes a standard daynote.
        ClickIn(ListWindowId, ListKeeperCheckBox);
        QCOMPARE(StoredType(first), int(NoteStandard));
        ChooseRow(2);
        ClickIn(ListWindowId, ListDeleteButton);
        QCOMPARE(NoteIndex(DateToAbsTime(3, 5, 2024)), -1);
        QCOMPARE(ListRowCount(ListControl(DaynoteListView)), 2);
        QCOMPARE(counts(), u"2 0 0"_s);
        QVERIFY(!IsControlEnabled(ListControl(ListTextView))); // nothing chosen to type into
    }

    // A daynote added before the selected one elsewhere moves its row; what is typed still goes to it.
    void followsChangesElsewhere() {
        AddThree();
        ShowDaynoteList();
        ChooseRow(2);
        TypeAtEnd(ListControl(ListTextView), u"!"_s);
        AddDaynote(3, 1, 2024, NoteStandard, u"new"_s);
        RefreshDaynoteList();
        QCOMPARE(GetListSelection(ListControl(DaynoteListView)), QList<int>{3});
        ChooseRow(1);
        QCOMPARE(StoredText(DateToAbsTime(3, 5, 2024)), u"second!"_s);
        QCOMPARE(StoredText(DateToAbsTime(3, 6, 2024)), u"third"_s);
        // An untouched text shows what another window wrote.
        SetRecordValue(Notes(), 0, NoteDataKey, Value(u"changed"_s));
        RefreshDaynoteList();
        QCOMPARE(GetControlText(ListControl(ListTextView)), u"changed"_s);
    }

    void find_data() {
        AddRows<FindRow>({
            {"capitals", {u"DENTIST AT"_s, QStringList{u"06  March  2024"_s, u"04  March  2024"_s}}},
            {"across two daynotes", {u"ten\rbuy"_s, QStringList{}}},
            {"across the end of one", {u"tenbuy"_s, QStringList{}}},
        });
    }
    void find() {
        FETCH_ROW(FindRow, text, found);
        AddDaynote(3, 4, 2024, NoteStandard, u"the dentist at ten"_s);
        AddDaynote(3, 5, 2024, NoteStandard, u"buy milk"_s);
        AddDaynote(3, 6, 2024, NoteStandard, u"Dentist at noon"_s);
        RunCommand(MakeFourCC("Sear"));
        QVERIFY(QTest::qWaitForWindowActive(FindWindowById(FindWindowId)));
        QCOMPARE(QApplication::focusWidget(), FindControlOf(FindTextField));
        SetControlText(FindControlOf(FindTextField), text);
        AlertRecorder recorder;
        QTest::mouseClick(FindControlOf(FindButton), Qt::LeftButton);
        QStringList shown;
        for (int row : GetListOrder(FindControlOf(FoundDatesList)))
            shown << GetListCellText(FindControlOf(FoundDatesList), row, 0);
        QCOMPARE(shown, found);
        QCOMPARE(recorder.alerts.size(), found.isEmpty() ? 1 : 0);
        if (found.isEmpty()) return;
        // Enter (as a double-click) on a found date opens its daynote.
        QWidget* list = FindControlOf(FoundDatesList);
        SetListSelection(list, {2});
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(DaynoteWindowTitles(), QStringList{u"04  March  2024"_s});
    }
};

QTEST_MAIN(TestDaynoteList)
#include "tst_daynote_list.moc"
