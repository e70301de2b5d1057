// Recurring daynotes on the offscreen platform: the sheet opened from a daynote window, the copies it makes
// every so many weeks, months or years, appending to daynotes already there, and what changes nothing.
#include "calendar/calendar_window.h"
#include "helpers/test_support.h"
#include "notes/daynote_window.h"
#include "notes/recurring.h"

using namespace Qt::StringLiterals;

namespace {

RecordArray& Notes() {
    return App().daynotes;
}

// Every daynote as "date|text|type", so a test sees any record that changed.
QStringList AllNotes() {
    QStringList all;
    for (int i = 0; i < int(Notes().size()); ++i) {
        double date = 0;
        int8_t type = 0;
        GetRecordDate(Notes(), i, NoteDateKey, &date);
        GetRecordByte(Notes(), i, NoteTypeKey, &type);
        const Value* v = GetRecordValue(Notes(), i, NoteDataKey);
        all << u"%1|%2|%3"_s
                   .arg(FormatDate(u"yyyy-M-d H:m"_s, date), v && ValueText(*v) ? *ValueText(*v) : QString())
                   .arg(type);
    }
    return all;
}

QWidget* Sheet() {
    return FindWindowById(RecurringWindowId);
}

// Opens the base date's daynote window, and the sheet with its recurring button.
QWidget* OpenSheet(QDate base) {
    QWidget* window = OpenDaynote(base.month(), base.day(), base.year(), Notes());
    ClickIn(window, RecurringButton);
    return Sheet();
}

// Fills the sheet as a user would: the period by arrow keys on the pop-up, the figures typed.
void FillAndCopy(int period, const QString& count, const QString& spacing) {
    QWidget* sheet = Sheet();
    QWidget* popUp = FindControl(sheet, RecurringPeriodPopUp);
    for (int i = 1; i < period; ++i) QTest::keyClick(popUp, Qt::Key_Down);
    QTest::keyClicks(FindControl(sheet, RecurringCountField), count);
    QTest::keyClicks(FindControl(sheet, RecurringSpacingField), spacing);
    ClickIn(sheet, RecurringCopyButton);
}

using CopiesRow = std::tuple<QDate, int, QString, QString, QList<QDate>>;
using CopiesOntoTakenDaysRow = std::tuple<QString, bool, QString, QString>;

} // namespace

class TestRecurring : public QObject {
    Q_OBJECT

    ZoneScope   zone{"Europe/Berlin"}; // summer time begins on 28 March 2027
    LocaleScope locale{"en_US"};

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(3, 1, 2027, 10, 0));
        QVERIFY(SetUpProgramWindows());
    }

    void cleanup() {
        DisposeDocumentWindows();
        Notes().clear();
    }

    void sheetOpensEmptyEachTime() {
        AddDaynote(3, 1, 2027, NoteStandard, u"Gym"_s);
        QWidget* sheet = OpenSheet(QDate(2027, 3, 1));
        QVERIFY(sheet && QTest::qWaitForWindowActive(sheet));
        QCOMPARE(QApplication::focusWidget(), FindControl(sheet, RecurringCountField));
        QTest::keyClicks(FindControl(sheet, RecurringCountField), u"12"_s);
        QTest::keyClick(FindControl(sheet, RecurringPeriodPopUp), Qt::Key_Down);
        // Emptied again, the count makes no copies; the sheet is put away for the next use.
        ClearText(FindControl(sheet, RecurringCountField));
        QTest::keyClicks(FindControl(sheet, RecurringSpacingField), u"5"_s);
        ClickIn(sheet, RecurringCopyButton);
        QVERIFY(!IsWindowVisible(sheet));
        QCOMPARE(int(Notes().size()), 1);
        // Opened again, nothing of the last use is left.
        QCOMPARE(OpenSheet(QDate(2027, 3, 1)), sheet);
        QCOMPARE(GetControlText(FindControl(sheet, RecurringSpacingField)), QString());
        QCOMPARE(GetControlValue(FindControl(sheet, RecurringPeriodPopUp)), int(RecurWeeks));
    }

    void copies_data() {
        AddRows<CopiesRow>({
            {"weeks, k = 1, across summer time",
             {QDate(2027, 3, 1), 1, u"3"_s, u"1"_s,
              QList<QDate>{{2027, 3, 15}, {2027, 3, 29}, {2027, 4, 12}}}},
            {"weeks, empty spacing counts 0",
             {QDate(2027, 3, 22), 1, u"2"_s, QString(), QList<QDate>{{2027, 3, 29}, {2027, 4, 5}}}},
            {"months from the 31st continue from February's last day",
             {QDate(2027, 1, 31), 2, u"2"_s, u"0"_s, QList<QDate>{{2027, 2, 28}, {2027, 3, 28}}}},
            {"years, every second",
             {QDate(2026, 6, 10), 3, u"2"_s, u"1"_s, QList<QDate>{{2028, 6, 10}, {2030, 6, 10}}}},
        });
    }
    void copies() {
        FETCH_ROW(CopiesRow, base, period, count, spacing, expected);
        AddDaynote(base.month(), base.day(), base.year(), NoteKeeper, u"Gym\rbring shoes"_s);
        NoteFontStyle style = FontPreset(9, NoteFontStyle{});
        SetRecordFontStyle(Notes(), 0, style, NoteCFSKey);
        ShowCalendar();
        ShowCalendarMonth(expected[0].year(), expected[0].month());
        QVERIFY(OpenSheet(base));
        FillAndCopy(period, count, spacing);
        QVERIFY(!IsWindowVisible(Sheet()));
        QStringList want; // at midnight, whatever the summer time
        for (const QDate& day : QList<QDate>{base} + expected)
            want << u"%1-%2-%3 0:0|Gym\rbring shoes|4"_s.arg(day.year()).arg(day.month()).arg(day.day());
        QCOMPARE(AllNotes(), want);
        for (int i = 1; i < int(Notes().size()); ++i) {
            NoteFontStyle copied;
            QVERIFY(GetRecordFontStyle(Notes(), i, NoteCFSKey, &copied) && copied == style);
            QVERIFY(!GetRecordValue(Notes(), i, ReminderDateKey));
        }
        // The calendar shows the first copy's month with the copy marked.
        const int cell = FindDayCell(expected[0].day());
        QVERIFY(cell != 9999);
        QVERIFY(AccessibleText(FindControl(FindWindowById(CalendarWindowId), cell)).contains(u"daynote"_s));
    }

    // A copy onto a day with a daynote is appended to it; the daynote keeps its type and reminder. A window
    // left open on that day would otherwise write its own text over the copy when it closes.
    void copiesOntoTakenDays_data() {
        AddRows<CopiesOntoTakenDaysRow>({
            {"another text", {u"Dentist"_s, false, QString(), u"Dentist\rGym"_s}},
            {"open, empty window", {QString(), true, QString(), u"Gym"_s}},
            {"open, unsaved words", {QString(), true, u"Plan"_s, u"Plan\rGym"_s}},
            {"open, saved daynote", {u"Dentist"_s, true, QString(), u"Dentist\rGym"_s}},
        });
    }
    void copiesOntoTakenDays() {
        FETCH_ROW(CopiesOntoTakenDaysRow, existing, open, typed, after);
        const double eighth = DateToAbsTime(3, 8, 2027), reminder = DateTimeToAbsTime(3, 7, 2027, 9, 0);
        AddDaynote(3, 1, 2027, NoteStandard, u"Gym"_s);
        AddDaynote(3, 10, 2027, NoteStandard, u"Untouched"_s);
        if (!existing.isEmpty()) {
            AddDaynote(3, 8, 2027, NoteHoliday, existing);
            SetRecordDate(Notes(), NoteIndex(eighth), ReminderDateKey, reminder);
        }
        QWidget* target = open ? OpenDaynote(3, 8, 2027, Notes()) : nullptr;
        if (target) TypeAtEnd(FindControl(target, DaynoteTextControl), typed);
        OpenSheet(QDate(2027, 3, 1));
        FillAndCopy(RecurWeeks, u"1"_s, u"0"_s);
        if (target) {
            // An untouched window shows the copy at once; one typed into keeps the words until it closes.
            QCOMPARE(GetControlText(FindControl(target, DaynoteTextControl)),
                     typed.isEmpty() ? after : typed);
            CloseAndSettle(target);
        }
        QCOMPARE(StoredText(eighth), after);
        QCOMPARE(StoredText(DateToAbsTime(3, 10, 2027)), u"Untouched"_s);
        double kept = 0;
        QCOMPARE(StoredType(eighth), int(existing.isEmpty() ? NoteStandard : NoteHoliday));
        QCOMPARE(GetRecordDate(Notes(), NoteIndex(eighth), ReminderDateKey, &kept), !existing.isEmpty());
        QCOMPARE(kept, existing.isEmpty() ? 0 : reminder);
    }

    // Words typed but not yet saved are no daynote to copy, and the calendar window is no place to start
    // from: the alert, and nothing changes.
    void refusedWithoutASavedDaynote_data() {
        QTest::addColumn<bool>("fromCalendar");
        QTest::newRow("unsaved words") << false;
        QTest::newRow("from the calendar window") << true;
    }
    void refusedWithoutASavedDaynote() {
        QFETCH(bool, fromCalendar);
        AddDaynote(3, 10, 2027, NoteStandard, u"Other"_s);
        const QStringList before = AllNotes();
        AlertRecorder     recorder;
        if (fromCalendar) {
            ShowCalendar();
            QVERIFY(!OpenRecurringSheet(FindWindowById(CalendarWindowId), DateToAbsTime(3, 1, 2027)));
        } else {
            QWidget* window = OpenDaynote(3, 1, 2027, Notes());
            TypeAtEnd(FindControl(window, DaynoteTextControl), u"typed only"_s);
            ClickIn(window, RecurringButton);
            FillAndCopy(RecurWeeks, u"3"_s, u"0"_s);
        }
        QCOMPARE(AllNotes(), before);
        QVERIFY(!Sheet() || !IsWindowVisible(Sheet()));
        QCOMPARE(recorder.alerts.size(), 1);
    }
};

QTEST_MAIN(TestRecurring)
#include "tst_recurring.moc"
