// The monthly view on the offscreen platform: stepping, where the days fall, styles, opening and refilling.
#include "calendar/calendar_window.h"
#include "calendar/monthly_view.h"
#include "calendar/weekly_view.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "notes/daynote_window.h"
#include "platform/clock.h"
#include "platform/windows.h"

#include <QApplication>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QWidget* Monthly() {
    return FindWindowById(MonthlyWindowId);
}

QString CellText(int id) {
    return GetControlText(FindControl(Monthly(), id));
}

// The monthly view on the month, opened from a calendar that shows it.
void ShowMonth(int month, int year) {
    ShowCalendarMonth(year, month);
    ShowMonthlyView();
}

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

    // The view steps on its own; the calendar stays where it was.
    void stepping_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("title");
        QTest::newRow("back from January") << 1 << 2027 << int(MonthlyPreviousButton) << u"December 2026"_s;
        QTest::newRow("forward from December") << 12 << 2026 << int(MonthlyNextButton) << u"January 2027"_s;
    }
    void stepping() {
        QFETCH(int, month);
        QFETCH(int, year);
        QFETCH(int, button);
        QFETCH(QString, title);
        ShowMonth(month, year);
        QTest::mouseClick(FindControl(Monthly(), button), Qt::LeftButton);
        QCOMPARE(GetWindowTitle(Monthly()), title);
        QCOMPARE(GetMonthlyViewMonth(), GetMonthNbrFromMonthName(title.section(u' ', 0, 0)));
        QCOMPARE(GetMonthlyViewYear(), title.section(u' ', 1).toInt());
        QCOMPARE(GetCalendarMonth(), month);
        QCOMPARE(GetCalendarYear(), year);
        // The grid is the new month's: its last day is in a box.
        const int last = GetDaysInMonth(GetMonthlyViewMonth(), GetMonthlyViewYear());
        const int pos = FirstMonthPosition(GetMonthlyViewMonth(), GetMonthlyViewYear()) + last - 1;
        QCOMPARE(CellText(FirstMonthlyNumber + pos), QString::number(last));
    }

    void positions_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<bool>("monday");
        QTest::addColumn<int>("first"); // position of day 1
        QTest::addColumn<QString>("firstName");
        QTest::newRow("31 days from Saturday, Sunday start") << 8 << false << 6 << u"Sun"_s;
        QTest::newRow("31 days from Saturday, Monday start") << 8 << true << 5 << u"Mon"_s;
        QTest::newRow("30 days from Tuesday, Sunday start") << 9 << false << 2 << u"Sun"_s;
    }
    void positions() {
        QFETCH(int, month);
        QFETCH(bool, monday);
        QFETCH(int, first);
        QFETCH(QString, firstName);
        Prefs().weekStart = monday ? WeekStartsMonday : WeekStartsSunday;
        ShowMonth(month, 2026);
        const int days = GetDaysInMonth(month, 2026);
        QCOMPARE(CellText(FirstMonthlyWeekday), firstName);
        for (int k = 0; k < MonthlyPositions; ++k) {
            const bool inMonth = k >= first && k < first + days;
            QCOMPARE(CellText(FirstMonthlyNumber + k), inMonth ? QString::number(k - first + 1) : u" "_s);
            QCOMPARE(IsControlEnabled(FindControl(Monthly(), FirstMonthlyFrame + k)), inMonth);
        }
    }

    // A daynote's text is shown in the daynote's own style; a day without one stays empty.
    void daynoteStyle_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("face");
        QTest::newRow("small font") << 9 << 0;
        QTest::newRow("large bold font") << 18 << 1;
    }
    void daynoteStyle() {
        QFETCH(int, size);
        QFETCH(int, face);
        NoteFontStyle style;
        style.flags = 0x07; // font, face, size
        style.font = -1;
        style.size = int16_t(size);
        style.style = int16_t(face);
        RecordArray& notes = App().daynotes;
        InsertRecord(notes, 0);
        SetDaynote(notes, 0, u"Dentist"_s, DateToAbsTime(12, 15, 2026), NoteStandard, style);
        ShowMonth(12, 2026);
        const int pos = FirstMonthPosition(12, 2026);
        QWidget*  cell = FindControl(Monthly(), FirstMonthlyNote + pos + 14);
        QCOMPARE(GetControlText(cell), u"Dentist"_s);
        QCOMPARE(GetControlFontStyle(cell).size, size);
        QCOMPARE(GetControlFontStyle(cell).style, face);
        QCOMPARE(CellText(FirstMonthlyNote + pos + 15), QString());
    }

    // Only today's own month and year show a red day number.
    void today_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("redDays");
        QTest::newRow("this December") << 2026 << 1;
        QTest::newRow("next year's December") << 2027 << 0;
    }
    void today() {
        QFETCH(int, year);
        QFETCH(int, redDays);
        ShowMonth(12, year);
        int red = 0;
        for (int id = FirstMonthlyNumber; id <= LastMonthlyNumber; ++id) {
            const NoteFontStyle style = GetControlFontStyle(FindControl(Monthly(), id));
            if (style.fgRed != 0 && GetControlText(FindControl(Monthly(), id)).trimmed().size()) {
                ++red;
                QCOMPARE(CellText(id), u"7"_s);
            }
        }
        QCOMPARE(red, redDays);
    }

    void opens_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("menu command") << u"Mont"_s;
        QTest::newRow("Ctrl-click on a weekday initial") << u"initial"_s;
        QTest::newRow("weekly view's button") << u"weekly"_s;
    }
    void opens() {
        QFETCH(QString, how);
        ShowCalendarMonth(2027, 2);
        if (how == u"Mont"_s) {
            RunCommand(MakeFourCC("Mont"));
        } else if (how == u"initial"_s) {
            QWidget* initial = FindControl(FindWindowById(CalendarWindowId), FirstWeekdayInitial + 2);
            QTest::mouseClick(initial, Qt::LeftButton, Qt::ControlModifier);
            QVERIFY(!FindWindowById(WeeklyWindowId));
        } else {
            ShowWeeklyView();
            QTest::mouseClick(FindControl(FindWindowById(WeeklyWindowId), WeeklyMonthlyButton),
                              Qt::LeftButton);
        }
        QVERIFY(Monthly());
        QVERIFY(IsWindowVisible(Monthly()));
        QCOMPARE(GetWindowTitle(Monthly()), u"February 2027"_s);
    }

    // A daynote changed elsewhere shows up in the view without a step.
    void refills_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("daynote window closes") << u"daynote"_s;
        QTest::newRow("weekly view closes") << u"weekly"_s;
        QTest::newRow("weekly box takes the focus") << u"focus"_s;
    }
    void refills() {
        QFETCH(QString, where);
        ShowMonth(12, 2026);
        const int cell = FirstMonthlyNote + FirstMonthPosition(12, 2026) + 8; // the 9th
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
        QCOMPARE(CellText(cell), u"Lunch"_s);
        QCOMPARE(GetWindowTitle(Monthly()), u"December 2026"_s);
    }

    // The saved bounds give the window its size when it is built.
    void savedBounds() {
        Prefs().monthlyRect = PrefRect::fromRect(QRect(120, 140, 820, 640));
        ShowMonthlyView();
        QCOMPARE(GetWindowContentBounds(Monthly()).size(), QSize(820, 640));
        Prefs().monthlyRect = PrefRect{};
    }
};

QTEST_MAIN(TestMonthly)
#include "tst_monthly.moc"
