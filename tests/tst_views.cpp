// The weekly and monthly views on the offscreen platform. Weekly: which week it opens on, boxes typed into
// becoming daynotes, the delete boxes, week steps across daylight saving time and with the focus in a box.
// Monthly: opening, stepping, where the days fall and refilling.
#include "calendar/calendar_window.h"
#include "calendar/monthly_view.h"
#include "calendar/weekly_view.h"
#include "helpers/test_support.h"
#include "notes/daynote_window.h"

using namespace Qt::StringLiterals;

namespace {

const auto Control = [](int id) { return FindControl(FindWindowById(WeeklyWindowId), id); };

using WeekRow = std::tuple<int, bool, int, QString>;
using TypingRow = std::tuple<QString, QString, QString, bool>;
using WeekStepRow = std::tuple<int, int, QStringList>;

const auto Monthly = [] { return FindWindowById(MonthlyWindowId); };
const auto CellText = [](int id) { return GetControlText(FindControl(Monthly(), id)); };

using OpenRow = std::tuple<bool, int, int, QString>;
using PositionRow = std::tuple<int, int, bool, int, QString, int>;

} // namespace

class TestViews : public QObject {
    Q_OBJECT

    ZoneScope   zone{"America/New_York"};
    LocaleScope locale{"en_US"};

  private slots:
    void initTestCase() { QVERIFY(SetUpProgramWindows()); }
    void init() {
        SetTestClock(DateTimeToAbsTime(12, 7, 2026, 10, 0)); // a Monday
        Prefs().weekStart = WeekStartsSunday;
        ShowCalendar();
    }
    void cleanup() {
        DisposeDocumentWindows();
        App().daynotes.clear();
    }

    void weekShown_data() {
        AddRows<WeekRow>({
            {"calendar on March 2027", {7, false, 202703, u"For week beginning February 28, 2027"_s}},
            {"current month, today's week", {9, false, 202612, u"For week beginning December 06, 2026"_s}},
            {"Monday start on a Sunday", {13, true, 202612, u"For week beginning December 07, 2026"_s}},
            {"this month of another year", {9, false, 202712, u"For week beginning November 28, 2027"_s}},
        });
    }
    void weekShown() {
        FETCH_ROW(WeekRow, today, monday, calendar,
                  title); // today in December 2026, the month on show yyyymm
        SetTestClock(DateTimeToAbsTime(12, today, 2026, 10, 0));
        Prefs().weekStart = monday ? WeekStartsMonday : WeekStartsSunday;
        ShowCalendarMonth(calendar / 100, calendar % 100);
        RunCommand(MakeFourCC("Week"));
        QCOMPARE(GetWindowTitle(FindWindowById(WeeklyWindowId)), title);
        QCOMPARE(AbsTimeToDate(WeekStart()).hour, 0);
        QCOMPARE(AccessibleText(Control(FirstWeekBox)), FormatDate(u"EEEE d LLLL yyyy"_s, WeekStart()));
    }

    void weeklyTyping_data() {
        AddRows<TypingRow>({
            {"two characters", {QString(), u"ab"_s, u"ab"_s, true}},
            {"added to a daynote", {u"x"_s, u"y"_s, u"xy"_s, true}},
            {"emptied box", {u"xyz"_s, u"<clear>"_s, u"(none)"_s, false}},
        });
    }
    void weeklyTyping() {
        FETCH_ROW(TypingRow, existing, typed, stored,
                  deletable); // the third day's; "<clear>" empties the box
        if (!existing.isEmpty()) AddDaynote(12, 8, 2026, NoteStandard, existing);
        ShowWeeklyView();
        QCOMPARE(GetControlText(Control(FirstWeekBox + 2)), existing);
        if (typed == u"<clear>"_s)
            ClearText(Control(FirstWeekBox + 2));
        else
            TypeAtEnd(Control(FirstWeekBox + 2), typed);
        QCOMPARE(NoteOn(DateToAbsTime(12, 8, 2026)), stored);
        QCOMPARE(IsControlEnabled(Control(FirstDeleteBox + 2)), deletable);
        QCOMPARE(App().daynotes.size(), size_t(stored == u"(none)"_s ? 0 : 1));
    }

    void weeklyDeleteChecked_data() {
        AddRows<bool>({{"ticked day with a daynote", true}, {"ticked day without a daynote", false}},
                      "hasDaynote");
    }
    void weeklyDeleteChecked() {
        QFETCH(bool, hasDaynote);
        if (hasDaynote) AddDaynote(12, 10, 2026, NoteStandard, u"typed"_s);
        AddDaynote(12, 11, 2026, NoteStandard, u"kept"_s);
        ShowWeeklyView();
        // A box holding text that never reached the array (no text event).
        if (!hasDaynote) SetControlText(Control(FirstWeekBox + 4), u"typed"_s);
        SetControlEnabled(Control(FirstDeleteBox + 4), true);
        SetControlValue(Control(FirstDeleteBox + 4), 1);
        QCOMPARE(HandleControlEvent(ControlHit, FirstDeleteBox + 4, 0), EventHandled);
        QVERIFY(IsControlEnabled(Control(DeleteDaysButton)));
        QCOMPARE(HandleControlEvent(ControlHit, DeleteDaysButton, 0), EventHandled);
        QCOMPARE(NoteOn(DateToAbsTime(12, 10, 2026)), u"(none)"_s);
        QCOMPARE(NoteOn(DateToAbsTime(12, 11, 2026)), u"kept"_s);
        QCOMPARE(GetControlText(Control(FirstWeekBox + 4)), hasDaynote ? QString() : u"typed"_s);
    }

    // Each step is calendar weeks: the first day stays at 00:00 across a change of daylight saving time.
    void stepAcrossDaylightSaving_data() {
        AddRows<WeekStepRow>({
            {"forward into summer time", {3, NextWeekButton, {u"3-7"_s, u"3-14"_s, u"3-21"_s}}},
            {"forward into winter time", {11, NextWeekButton, {u"11-7"_s, u"11-14"_s, u"11-21"_s}}},
            {"back into winter time", {4, PreviousWeekButton, {u"3-21"_s, u"3-14"_s, u"3-7"_s}}},
        });
    }
    void stepAcrossDaylightSaving() {
        FETCH_ROW(WeekStepRow, month, button, firstDays);
        ShowCalendarMonth(2027, month);
        ShowWeeklyView();
        for (const QString& expected : firstDays) {
            QCOMPARE(HandleControlEvent(ControlHit, button, 0), EventHandled);
            const GregorianDate d = AbsTimeToDate(WeekStart());
            QCOMPARE(u"%1-%2"_s.arg(d.month).arg(d.day), expected);
            QCOMPARE(d.hour * 60 + d.minute, 0);
        }
    }

    // The focus stays in a box while the week moves: what is typed next goes to the new week's day.
    void stepWithFocusInBox_data() {
        // The daynote already on the box's day of the next week.
        AddRows<QString>({{"onto an empty day", QString()}, {"onto a daynote", u"old"_s}}, "there");
    }
    void stepWithFocusInBox() {
        QFETCH(QString, there);
        const double day = DateToAbsTime(12, 9, 2026), other = DateToAbsTime(12, 16, 2026);
        if (!there.isEmpty()) AddDaynote(12, 16, 2026, NoteStandard, there);
        ShowWeeklyView();
        QWidget* window = FindWindowById(WeeklyWindowId);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        TypeAtEnd(Control(FirstWeekBox + 3), u"abc"_s);
        QCOMPARE(HandleControlEvent(ControlHit, NextWeekButton, 0), EventHandled);
        QCOMPARE(QApplication::focusWidget(), Control(FirstWeekBox + 3));
        QCOMPARE(GetControlText(Control(FirstWeekBox + 3)), there);
        QCOMPARE(NoteOn(day), u"abc"_s);
        QCOMPARE(NoteOn(other), there.isEmpty() ? u"(none)"_s : there);
        TypeAtEnd(Control(FirstWeekBox + 3), u"z"_s);
        QCOMPARE(NoteOn(other), there + u"z"_s);
        ClearText(Control(FirstWeekBox + 3));
        QCOMPARE(NoteOn(other), u"(none)"_s);
        QCOMPARE(NoteOn(day), u"abc"_s);
    }

    // Opened on the calendar's month, the view then steps on its own across the year's end.
    void monthlyOpensAndSteps_data() {
        AddRows<OpenRow>({
            {"menu command, back from January 2027", {false, 1, MonthlyPreviousButton, u"December 2026"_s}},
            {"weekday initial, forward from December 2026", {true, 12, MonthlyNextButton, u"January 2027"_s}},
        });
    }
    void monthlyOpensAndSteps() {
        FETCH_ROW(OpenRow, byInitial, month, button,
                  title); // by Ctrl-click on a weekday initial, or the menu
        const int year = month == 1 ? 2027 : 2026;
        ShowCalendarMonth(year, month);
        if (byInitial) {
            QWidget* initial = FindControl(FindWindowById(CalendarWindowId), FirstWeekdayInitial + 2);
            QTest::mouseClick(initial, Qt::LeftButton, Qt::ControlModifier);
            QVERIFY(!FindWindowById(WeeklyWindowId));
        } else {
            RunCommand(MakeFourCC("Mont"));
        }
        QVERIFY(Monthly() && IsWindowVisible(Monthly()));
        QCOMPARE(GetWindowTitle(Monthly()), month == 1 ? u"January 2027"_s : u"December 2026"_s);
        QTest::mouseClick(FindControl(Monthly(), button), Qt::LeftButton);
        QCOMPARE(GetWindowTitle(Monthly()), title);
        QCOMPARE(QPoint(GetCalendarMonth(), GetCalendarYear()), QPoint(month, year));
        // The grid is the new month's: its last day is in a box.
        const int last = GetDaysInMonth(GetMonthlyViewMonth(), GetMonthlyViewYear());
        const int pos = FirstMonthPosition(GetMonthlyViewMonth(), GetMonthlyViewYear()) + last - 1;
        QCOMPARE(CellText(FirstMonthlyNumber + pos), QString::number(last));
    }

    // Only today's own month and year show a red day number.
    void monthlyPositions_data() {
        AddRows<PositionRow>({
            {"31 days from Saturday, Monday start", {8, 2026, true, 5, u"Mon"_s, 0}},
            {"this December, today", {12, 2026, false, 2, u"Sun"_s, 7}},
            {"next year's December", {12, 2027, false, 3, u"Sun"_s, 0}},
        });
    }
    void monthlyPositions() {
        FETCH_ROW(PositionRow, month, year, monday, first, firstName, red); // first: day 1's position
        Prefs().weekStart = monday ? WeekStartsMonday : WeekStartsSunday;
        ShowCalendarMonth(year, month);
        ShowMonthlyView();
        const int days = GetDaysInMonth(month, year);
        QCOMPARE(CellText(FirstMonthlyWeekday), firstName);
        for (int k = 0; k < MonthlyPositions; ++k) {
            const bool inMonth = k >= first && k < first + days;
            const int  day = k - first + 1;
            QWidget*   number = FindControl(Monthly(), FirstMonthlyNumber + k);
            QCOMPARE(GetControlText(number), inMonth ? QString::number(day) : u" "_s);
            QCOMPARE(IsControlEnabled(FindControl(Monthly(), FirstMonthlyFrame + k)), inMonth);
            if (inMonth) QCOMPARE(GetControlFontStyle(number).fgRed != 0, day == red);
        }
    }

    // A daynote changed elsewhere shows up in the view without a step.
    void monthlyRefills_data() {
        AddRows<QString>({{"daynote window closes", u"daynote"_s},
                          {"weekly view closes", u"weekly"_s},
                          {"weekly box takes the focus", u"focus"_s}},
                         "where");
    }
    void monthlyRefills() {
        QFETCH(QString, where);
        ShowCalendarMonth(2026, 12);
        ShowMonthlyView();
        if (where == u"daynote"_s) {
            QWidget* window = OpenDaynote(12, 9, 2026, App().daynotes);
            SetControlText(FindControl(window, DaynoteTextControl), u"Lunch"_s);
            CloseWindow(window);
        } else {
            ShowWeeklyView(); // the week of the 7th: Sunday the 6th to Saturday the 12th
            QWidget* weekly = FindWindowById(WeeklyWindowId);
            if (where == u"weekly"_s) {
                SetControlText(FindControl(weekly, FirstWeekBox + 3), u"Lunch"_s);
                CloseWindow(weekly);
            } else {
                AddDaynote(12, 9, 2026, NoteStandard, u"Lunch"_s);
                SetFocusToControl(FindControl(weekly, FirstWeekBox + 1));
                QApplication::processEvents();
            }
        }
        QCOMPARE(CellText(FirstMonthlyNote + FirstMonthPosition(12, 2026) + 8), u"Lunch"_s); // the 9th
        QCOMPARE(GetWindowTitle(Monthly()), u"December 2026"_s);
    }
};

QTEST_MAIN(TestViews)
#include "tst_views.moc"
