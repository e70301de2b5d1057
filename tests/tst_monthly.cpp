// The monthly view on the offscreen platform: opening, stepping, where the days fall and refilling.
#include "calendar/calendar_window.h"
#include "calendar/monthly_view.h"
#include "calendar/weekly_view.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "notes/daynote_window.h"

#include <QApplication>

using namespace Qt::StringLiterals;

namespace {

const auto Monthly = [] { return FindWindowById(MonthlyWindowId); };
const auto CellText = [](int id) { return GetControlText(FindControl(Monthly(), id)); };

using OpenRow = std::tuple<bool, int, int, QString>;
using PositionRow = std::tuple<int, int, bool, int, QString, int>;

} // namespace

class TestMonthly : public QObject {
    Q_OBJECT

    ZoneScope   zone{"America/New_York"};
    LocaleScope locale{"en_US"};

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(12, 7, 2026, 10, 0));
        QVERIFY(SetUpProgramWindows());
    }
    void init() {
        Prefs().weekStart = WeekStartsSunday;
        ShowCalendar();
    }
    void cleanup() {
        DisposeDocumentWindows();
        App().daynotes.clear();
    }

    // Opened on the calendar's month, the view then steps on its own across the year's end.
    void opensAndSteps_data() {
        AddRows<OpenRow>({
            {"menu command, back from January 2027", {false, 1, MonthlyPreviousButton, u"December 2026"_s}},
            {"weekday initial, forward from December 2026", {true, 12, MonthlyNextButton, u"January 2027"_s}},
        });
    }
    void opensAndSteps() {
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
    void positions_data() {
        AddRows<PositionRow>({
            {"31 days from Saturday, Monday start", {8, 2026, true, 5, u"Mon"_s, 0}},
            {"this December, today", {12, 2026, false, 2, u"Sun"_s, 7}},
            {"next year's December", {12, 2027, false, 3, u"Sun"_s, 0}},
        });
    }
    void positions() {
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
    void refills_data() {
        AddRows<QString>({{"daynote window closes", u"daynote"_s},
                          {"weekly view closes", u"weekly"_s},
                          {"weekly box takes the focus", u"focus"_s}},
                         "where");
    }
    void refills() {
        QFETCH(QString, where);
        ShowCalendarMonth(2026, 12);
        ShowMonthlyView();
        if (where == u"daynote"_s) {
            QWidget* window = OpenDaynote(12, 9, 2026, false, App().daynotes);
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

QTEST_MAIN(TestMonthly)
#include "tst_monthly.moc"
