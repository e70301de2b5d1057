// The calendar without a mouse: the arrow keys walk the days and the months, Return opens the day's daynote,
// Ctrl+Return sets the countdown date, and the controls tell assistive technology what they are.
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
        FindControl(Calendar(), NextYearButton)->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 10 && !FocusedDay(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(FocusedDay(), 5);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(FocusedDay(), 0); // one Tab stop in the grid, not 37
    }

    void arrowsWalkTheDays_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("landing");
        QTest::addColumn<QString>("title");
        QTest::newRow("right past the last day") << 12 << 31 << int(Qt::Key_Right) << 1 << "January 2027";
        QTest::newRow("left before the first day") << 1 << 1 << int(Qt::Key_Left) << 31 << "December 2026";
        QTest::newRow("down from the last week") << 2 << 25 << int(Qt::Key_Down) << 4 << "March 2026";
    }
    void arrowsWalkTheDays() {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, key);
        QFETCH(int, landing);
        QFETCH(QString, title);
        ShowCalendarMonth(month == 1 ? 2027 : 2026, month);
        SetFocusToControl(Cell(day));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(GetControlText(FindControl(Calendar(), CalendarTitleControl)), title);
        QCOMPARE(FocusedDay(), landing);
    }

    void returnOpensCtrlReturnSetsTheCountdown_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("ctrl");
        QTest::newRow("Return") << int(Qt::Key_Return) << false;
        QTest::newRow("Space") << int(Qt::Key_Space) << false;
        QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << true;
    }
    void returnOpensCtrlReturnSetsTheCountdown() {
        QFETCH(int, key);
        QFETCH(bool, ctrl);
        const double countdownBefore = Prefs().countDownDate;
        SetFocusToControl(Cell(13));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                        ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(WindowTitled(u"13  December  2026"_s) != nullptr, !ctrl);
        QCOMPARE(Prefs().countDownDate, ctrl ? DateToAbsTime(12, 13, 2026) : countdownBefore);
    }

    void dayCellNames_data() {
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("type"); // 0 no daynote
        QTest::addColumn<QString>("name");
        QTest::newRow("event") << 8 << 3 << "Tuesday 8 December 2026, event daynote";
        QTest::newRow("no daynote") << 10 << 0 << "Thursday 10 December 2026";
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
        face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(WindowTitled(u"08  December  2026"_s));
    }

    // The weekday initials follow the first day of the week; the clock describes the time it shows.
    void weekdayAndClockNames() {
        FillMonthGrid();
        QCOMPARE(AccessibleText(FindControl(Calendar(), 53)), u"Saturday"_s);
        Prefs().weekStart = WeekStartsMonday;
        FillMonthGrid();
        QCOMPARE(AccessibleText(FindControl(Calendar(), 53)), u"Sunday"_s);
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 15, 11)); // the grid was filled at 3:10
        CalendarTick(Calendar());
        QCOMPARE(AccessibleText(FindControl(Calendar(), CalendarClockControl), QAccessible::Description),
                 u"3:11 PM"_s);
    }
};

QTEST_MAIN(TestCalendarKeyboard)
#include "tst_calendar_keyboard.moc"
