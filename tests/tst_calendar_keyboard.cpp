// The calendar without a mouse, on the offscreen platform: the arrow keys walk the days and the months,
// Return opens the day's daynote and Ctrl+Return sets the countdown date, and every control tells
// assistive technology what it is and, for a day, how to press it.
#include "calendar/calendar_window.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "platform/clock.h"
#include "platform/windows.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

QWidget* Calendar() {
    return FindWindowById(CalendarWindowId);
}
QWidget* Cell(int day) {
    return FindControl(Calendar(), FindDayCell(day));
}
// The day of the focused cell, 0 when the focus is elsewhere.
int FocusedDay() {
    QWidget*  focus = QApplication::focusWidget();
    const int id = GetControlId(focus);
    return id >= FirstDayCell && id <= LastDayCell ? GetControlText(focus).trimmed().toInt() : 0;
}
QString Title() {
    return GetControlText(FindControl(Calendar(), CalendarTitleControl));
}
QWidget* WindowTitled(const QString& title) {
    for (QWidget* w : DocumentWindows())
        if (GetWindowTitle(w) == title) return w;
    return nullptr;
}

} // namespace

class TestCalendarKeyboard : public QObject {
    Q_OBJECT

    ZoneScope   zone{"America/New_York"};
    LocaleScope locale{"en_US"};

  private slots:
    void initTestCase() { QVERIFY(SetUpProgramWindows()); }

    void init() {
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 15, 10));
        App().dayMark = 5;
        App().daynotes.clear();
        Prefs() = Preferences{};
        ShowCalendar();
        QVERIFY(QTest::qWaitForWindowActive(Calendar()));
    }

    void cleanup() { DisposeDocumentWindows(); }

    void tabEntersTheGridOnToday() {
        QWidget* before = FindControl(Calendar(), NextYearButton);
        before->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 10 && !FocusedDay(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(FocusedDay(), 5);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(FocusedDay(), 0); // one Tab stop in the grid, not 37
    }

    void arrowsWalkTheDays_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("keys"); // L R U D
        QTest::addColumn<int>("landing");
        QTest::addColumn<QString>("title");
        QTest::newRow("right, down, left, up come back") << 12 << 5 << "RDLU" << 5 << "December 2026";
        QTest::newRow("a week down") << 12 << 5 << "D" << 12 << "December 2026";
        QTest::newRow("right past the last day") << 12 << 31 << "R" << 1 << "January 2027";
        QTest::newRow("left before the first day") << 1 << 1 << "L" << 31 << "December 2026";
        QTest::newRow("up from the first week") << 12 << 3 << "U" << 26 << "November 2026";
        QTest::newRow("down from the last week") << 2 << 25 << "D" << 4 << "March 2026";
    }
    void arrowsWalkTheDays() {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(QString, keys);
        QFETCH(int, landing);
        QFETCH(QString, title);
        const int year = month == 1 ? 2027 : 2026;
        ShowCalendarMonth(year, month);
        SetFocusToControl(Cell(day));
        QCOMPARE(FocusedDay(), day);
        const QHash<QChar, Qt::Key> arrows{
            {'L', Qt::Key_Left}, {'R', Qt::Key_Right}, {'U', Qt::Key_Up}, {'D', Qt::Key_Down}};
        for (QChar k : keys) QTest::keyClick(QApplication::focusWidget(), arrows[k]);
        QCOMPARE(Title(), title);
        QCOMPARE(FocusedDay(), landing);
    }

    void returnOpensCtrlReturnSetsTheCountdown_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("ctrl");
        QTest::newRow("Return") << int(Qt::Key_Return) << false;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << false;
        QTest::newRow("Space") << int(Qt::Key_Space) << false;
        QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << true;
    }
    void returnOpensCtrlReturnSetsTheCountdown() {
        QFETCH(int, key);
        QFETCH(bool, ctrl);
        const double countdownBefore = Prefs().countDownDate;
        SetFocusToControl(Cell(5));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right); // 6 December
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);  // 13 December
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                        ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QWidget* daynote = WindowTitled(u"13  December  2026"_s);
        if (ctrl) {
            QVERIFY(!daynote);
            QCOMPARE(Prefs().countDownDate, DateToAbsTime(12, 13, 2026));
        } else {
            QVERIFY(daynote);
            QCOMPARE(Prefs().countDownDate, countdownBefore);
        }
    }

    void dayCellNames_data() {
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("type"); // 0 no daynote
        QTest::addColumn<QString>("name");
        QTest::newRow("event") << 8 << 3 << "Tuesday 8 December 2026, event daynote";
        QTest::newRow("holiday") << 25 << 2 << "Friday 25 December 2026, holiday daynote";
        QTest::newRow("unknown type") << 2 << 9 << "Wednesday 2 December 2026, daynote";
        QTest::newRow("no daynote") << 10 << 0 << "Thursday 10 December 2026";
        QTest::newRow("today without a daynote") << 5 << 0 << "Saturday 5 December 2026, today";
        QTest::newRow("today with a keeper") << 5 << 4 << "Saturday 5 December 2026, keeper daynote, today";
    }
    void dayCellNames() {
        QFETCH(int, day);
        QFETCH(int, type);
        QFETCH(QString, name);
        // Named when the grid is filled ...
        if (type) AddDaynote(12, day, 2026, type);
        FillMonthGrid();
        QCOMPARE(AccessibleText(Cell(day)), name);
        // ... and when a saved daynote re-marks its cell.
        App().daynotes.clear();
        FillMonthGrid();
        if (type) {
            AddDaynote(12, day, 2026, type);
            const double date = DateToAbsTime(12, day, 2026);
            MarkDayCell(true, day, FindDayCell(day), FindNoteIndex(App().daynotes, date), App().daynotes);
            QCOMPARE(AccessibleText(Cell(day)), name);
        }
        // A blank cell announces nothing.
        QCOMPARE(AccessibleText(FindControl(Calendar(), FirstDayCell)), QString());
    }

    void pressActionOpensTheDay() {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(Cell(8));
        QVERIFY(face && face->actionInterface());
        QVERIFY(face->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(WindowTitled(u"08  December  2026"_s));
    }

    void controlNames_data() {
        QTest::addColumn<int>("control");
        QTest::addColumn<bool>("monday");
        QTest::addColumn<QString>("name");
        QTest::newRow("previous year") << 43 << false << "Previous year";
        QTest::newRow("previous month") << 44 << false << "Previous month";
        QTest::newRow("next month") << 45 << false << "Next month";
        QTest::newRow("next year") << 46 << false << "Next year";
        QTest::newRow("clock") << int(CalendarClockControl) << false << "Clock";
        QTest::newRow("last initial, Sunday start") << 53 << false << "Saturday";
        QTest::newRow("last initial, Monday start") << 53 << true << "Sunday";
    }
    void controlNames() {
        QFETCH(int, control);
        QFETCH(bool, monday);
        QFETCH(QString, name);
        Prefs().weekStart = monday ? WeekStartsMonday : WeekStartsSunday;
        FillMonthGrid();
        QCOMPARE(AccessibleText(FindControl(Calendar(), control)), name);
    }

    void clockDescribesTheTime() {
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 15, 11)); // the grid was filled at 3:10
        CalendarTick(Calendar());
        QCOMPARE(AccessibleText(FindControl(Calendar(), CalendarClockControl), QAccessible::Description),
                 u"3:11 PM"_s);
    }
};

QTEST_MAIN(TestCalendarKeyboard)
#include "tst_calendar_keyboard.moc"
