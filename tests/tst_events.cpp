// Events on the offscreen platform with the test clock: the elapsed-time texts, the list window's sorting,
// add, change and delete written to the file at once, the duplicate case and events made daynotes. (The file
// as plistlib reads and writes it: the black-box test_app_reopen.py.)
#include "core/datafiles.h"
#include "helpers/test_support.h"
#include "notes/events.h"
#include "platform/list_view.h"

using namespace Qt::StringLiterals;

namespace {

const auto Window = [] { return FindWindowById(EventListWindowId); };
const auto Sheet = [] { return FindWindowById(AddEventSheetId); };
const auto List = [] { return FindControl(Window(), EventList); };

void OpenList() {
    RunCommand(MakeFourCC("Evet"));
    QVERIFY(QTest::qWaitForWindowExposed(Window()));
}

QStringList ShownNames() {
    QStringList names;
    for (int row : GetListOrder(List())) names << GetListCellText(List(), row, 0);
    return names;
}

// The events file as the program reads it: name, date text and unit of each.
QStringList StoredEvents() {
    RecordArray stored;
    if (!LoadEventFile(&stored)) return {u"unreadable"_s};
    QStringList events;
    for (const Value& v : EventListFromStored(stored, ElapsedTimeText)) {
        const Record* r = ValueRecord(v);
        int8_t        unit = 0;
        if (!r) continue;
        RecordByte(*r, EventUnitKey, &unit);
        events << u"%1|%2|%3"_s
                      .arg(*ValueText(*FindField(*r, EventNameKey)), *ValueText(*FindField(*r, EventDateKey)))
                      .arg(unit);
    }
    return events;
}

void FillSheet(const QString& name, int month, int day, int year, int unit, int choice) {
    QVERIFY(Sheet() && IsWindowVisible(Sheet()));
    SetControlText(FindControl(Sheet(), EventNameField), name);
    SetControlDateTime(FindControl(Sheet(), EventDatePicker), year, month, day, 0, 0);
    SetControlValue(FindControl(Sheet(), EventUnitPopUp), unit);
    SetControlValue(FindControl(Sheet(), EventDaynoteChoicePopUp), choice);
}

using ElapsedRow = std::tuple<QDate, int, const char*, QString>;
using SortRow = std::tuple<int, int, QStringList>;
using ToDaynotesRow = std::tuple<int, QList<int>, QStringList, QStringList>;

} // namespace

class TestEvents : public QObject {
    Q_OBJECT

    ZoneScope     zone{"America/New_York"};
    LocaleScope   locale{"en_US"};
    AlertRecorder unexpected; // an alert no test waits for answers at once instead of hanging the run

    static double DaysAgo(int days) { return AddDateUnits(DateToAbsTime(12, 5, 2026), -days, AddDays); }

  private slots:
    void initTestCase() { QVERIFY(SetUpProgramWindows()); }
    void init() {
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 15, 10));
        App().daynotes.clear();
        QFile::remove(GetDataFileURL(EventFileName));
    }
    void cleanup() { DisposeDocumentWindows(); }

    void elapsedTimeText_data() {
        const QDate longAgo(2023, 9, 30);
        AddRows<ElapsedRow>({
            {"3 y 2 m 5 d", {longAgo, 4, "en_US", u"3 Years   2 Months   5 Days"_s}},
            {"3 y 2 m 5 d in days", {longAgo, 3, "en_US", u"1,162 Days"_s}},
            {"3 y 2 m 5 d in months: all of them", {longAgo, 2, "en_US", u"38 Months  "_s}},
            {"3 y 2 m 5 d in years", {longAgo, 1, "en_US", u"3 Years  "_s}},
            {"one month in months", {QDate(2026, 11, 5), 2, "en_US", u"1 Month   "_s}},
            {"one year and a half in years", {QDate(2025, 6, 5), 1, "en_US", u"1 Year   "_s}},
            {"future, as far as the past",
             {QDate(2029, 2, 10), 4, "en_US", u"2 Years   2 Months   5 Days"_s}},
            {"1.234 days in German", {QDate(2023, 7, 20), 3, "de_DE", u"1.234 Days"_s}},
        });
    }
    void elapsedTimeText() {
        FETCH_ROW(ElapsedRow, date, unit, localeName, text);
        LocaleScope scope(localeName);
        QCOMPARE(ElapsedTimeText(DateToAbsTime(date.month(), date.day(), date.year()), int8_t(unit)), text);
    }

    // Names compare case-sensitively; the elapsed column orders by the date, never by its text.
    void sortByColumnTitle_data() {
        AddRows<SortRow>({
            {"name", {0, 1, {"Bob", "Carl", "anna"}}},
            {"elapsed", {2, 1, {"anna", "Bob", "Carl"}}},
            {"elapsed twice", {2, 2, {"Carl", "Bob", "anna"}}},
        });
    }
    void sortByColumnTitle() {
        FETCH_ROW(SortRow, column, clicks, order);
        // As texts "1,200 Days" < "10 Days" < "900 Days"; as dates anna < Bob < Carl.
        WriteEvents(
            {{u"Carl"_s, DaysAgo(10), 3}, {u"anna"_s, DaysAgo(1200), 3}, {u"Bob"_s, DaysAgo(900), 3}});
        OpenList();
        QCOMPARE(ShownNames(), (QStringList{"Carl", "anna", "Bob"}));
        ClickColumnTitle(List(), column, clicks);
        QCOMPARE(ShownNames(), order);
    }

    // Each change reaches the file before the window closes, so a crash loses nothing the user saw.
    void addChangeDeleteWrittenAtOnce() {
        OpenList();
        ClickIn(Window(), EventAddButton);
        FillSheet(u"Moved to Berlin"_s, 3, 1, 2020, 1, 3);
        ClickIn(Sheet(), EventCreateButton);
        QVERIFY(!Sheet());
        QCOMPARE(StoredEvents(), QStringList{u"Moved to Berlin|01  March  2020|1"_s});

        SetListSelection(List(), {1});
        ClickIn(Window(), EventChangeButton); // the sheet comes filled in: the date below is the event's
        SetControlText(FindControl(Sheet(), EventNameField), u"Moved to Hamburg"_s);
        SetControlValue(FindControl(Sheet(), EventUnitPopUp), 3);
        ClickIn(Sheet(), EventCreateButton);
        QCOMPARE(StoredEvents(), QStringList{u"Moved to Hamburg|01  March  2020|3"_s});
        QCOMPARE(ListRowCount(List()), 1);

        SetListSelection(List(), {1});
        ClickIn(Window(), EventDeleteButton);
        QCOMPARE(ListRowCount(List()), 0);
        QCOMPARE(StoredEvents(), QStringList{});
        QVERIFY(QFile::exists(GetDataFileURL(EventFileName)));
    }

    // A daynote asked for whose date already holds the name: the alert, the sheet stays, nothing changes.
    void duplicateKeepsSheetOpen() {
        AddDaynote(3, 1, 2020, NoteStandard, u"Lunch\rMOVED TO BERLIN"_s);
        const RecordArray daynotesBefore = App().daynotes;
        WriteEvents({{u"Other"_s, DaysAgo(5), 4}});
        const QByteArray fileBefore = ReadBytes(GetDataFileURL(EventFileName));
        RunCommand(MakeFourCC("Evet"));
        ClickIn(Window(), EventAddButton);
        FillSheet(u"Moved to Berlin"_s, 3, 1, 2020, 4, 2);
        AlertRecorder alerts;
        ClickIn(Sheet(), EventCreateButton);
        QCOMPARE(alerts.alerts.size(), 1);
        QVERIFY(alerts.alerts[0].message.startsWith(u"There is already a daynote"_s));
        QVERIFY(Sheet() && IsWindowVisible(Sheet()));
        QCOMPARE(ListRowCount(List()), 1);
        QVERIFY(App().daynotes == daynotesBefore);
        QCOMPARE(ReadBytes(GetDataFileURL(EventFileName)), fileBefore);
    }

    // Selected events become event daynotes on their day of this year; a duplicate stops the run there.
    void eventsToDaynotes_data() {
        const QString added = u"Daynote(s)/Reminder(s) Successfully Added"_s;
        // The button, the rows chosen, the alerts, the daynotes as "MMdd type reminder text" in 2026.
        AddRows<ToDaynotesRow>({
            {"446 two events", {446, {1, 3}, {added}, {"0314 3 0 Anna", "0704 1 0 party\rBob"}}},
            {"447 with reminders", {447, {1}, {added}, {"0314 3 1 Anna", "0704 1 0 party"}}},
            {"duplicate stops the run",
             {446,
              {3, 2, 1},
              {u"There is already a daynote for ' Party' on this date in 2026"_s, added},
              {"0314 3 0 Anna", "0704 1 0 party"}}},
        });
    }
    void eventsToDaynotes() {
        FETCH_ROW(ToDaynotesRow, button, selected, messages, daynotes);
        AddDaynote(7, 4, 2026, NoteStandard, u"party"_s);
        WriteEvents({{u"Anna"_s, DateToAbsTime(3, 14, 1990), 1},
                     {u"Party"_s, DateToAbsTime(7, 4, 2010), 1},
                     {u"Bob"_s, DateToAbsTime(7, 4, 2001), 1}});
        OpenList();
        SetListSelection(List(), selected);
        AlertRecorder alerts;
        ClickIn(Window(), button);
        QStringList shown;
        for (const AlertRequest& a : alerts.alerts) shown << a.message;
        QCOMPARE(shown, messages);
        QStringList notes;
        for (const Value& v : App().daynotes) {
            const Record* r = ValueRecord(v);
            double        date = 0, reminder = 0;
            int8_t        type = 0;
            RecordDate(*r, NoteDateKey, &date);
            RecordByte(*r, NoteTypeKey, &type);
            notes << u"%1 %2 %3 %4"_s.arg(FormatDate(u"MMdd"_s, date))
                         .arg(type)
                         .arg(RecordDate(*r, ReminderDateKey, &reminder) ? 1 : 0)
                         .arg(*ValueText(*FindField(*r, NoteDataKey)));
            QCOMPARE(AbsTimeToDate(date).year, 2026);
        }
        QCOMPARE(notes, daynotes);
    }
};

QTEST_MAIN(TestEvents)
#include "tst_events.moc"
