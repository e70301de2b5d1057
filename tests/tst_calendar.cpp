// The calendar window on the offscreen platform with the test clock: the grid, today, type colours, stepping
// months, the countdown line and drawer, chime and autosave, the keeper colour, and the window without a
// mouse: keys, and what the controls tell assistive technology. Holidays of a year: the dates and Easter
// against computations of their own, and the Holidays window adding them as daynotes. Go to year and the
// twelve-month calendar: the year sheet in both modes, the year text against cal's layout, and twelve-month
// windows that each keep their own year.
#include "calendar/calendar_window.h"
#include "calendar/holidays.h"
#include "calendar/twelve_month.h"
#include "core/datafiles.h"
#include "helpers/test_support.h"
#include "platform/beep.h"
#include "platform/styled_lines.h"
#include "tools/countdown.h"
#include "tools/sounds.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

constexpr int NumberIds[] = {CountdownDays, CountdownHours, CountdownMinutes, CountdownSeconds};

const auto Calendar = [] { return FindWindowById(CalendarWindowId); };
const auto Countdown = [] { return FindWindowById(CountdownWindowId); };
const auto Text = [](QWidget* window, int id) { return GetControlText(FindControl(window, id)); };
const auto Cell = [](int day) { return FindControl(Calendar(), FindDayCell(day)); };
const auto CellFace = [](int cell) { return GetControlFontStyle(FindControl(Calendar(), cell)).style; };
const auto CellColour = [](int cell) {
    const NoteFontStyle s = GetControlFontStyle(FindControl(Calendar(), cell));
    return QColor::fromRgba64(uint16_t(s.fgRed), uint16_t(s.fgGreen), uint16_t(s.fgBlue));
};
void SetNow(int month, int day, int year, int hour, int minute, double second) {
    SetTestClock(DateTimeToAbsTime(month, day, year, hour, minute) + second);
}
// The day of the focused cell, 0 when the focus is elsewhere.
int FocusedDay() {
    QWidget*  focus = QApplication::focusWidget();
    const int id = GetControlId(focus);
    return id >= FirstDayCell && id <= LastDayCell ? GetControlText(focus).trimmed().toInt() : 0;
}
QStringList Numbers() {
    QStringList shown;
    for (int id : NumberIds) shown << Text(Countdown(), id);
    return shown;
}

// Now is 15:10 on Saturday 5 December 2026 in New York.
const double Now = DateTimeToAbsTime(12, 5, 2026, 15, 10);

using GridRow = std::tuple<int, int, bool, int, int>;
using TodayRow = std::pair<QDate, int>;
using StepRow = std::tuple<int, int, int, QString>;
using LineRow = std::tuple<int, int, int, QString, QString>;
using ChimeRow = std::tuple<int, int, int, int, bool>;
using ArrowRow = std::tuple<int, int, int, int, QString>;
using OpenRow = std::pair<int, bool>;
using NameRow = std::tuple<int, int, QString>;
using NumbersRow = std::tuple<int, double, QStringList, double, QString>;
using LabelRow = std::tuple<int, QString, QString>;
using AddRow = std::tuple<QString, int, QString, QString, QString>;
using SheetRow = std::tuple<QString, QString, QString, int>;

// The first rows of cal's year layout (as ncal -C prints it, without trailing blanks) of a leap year starting
// on a Monday: a leap February, and six-week months
// in the first and second row.
const char* const Year2024[] = {
    "                              2024",
    "",
    "      January               February               March",
    "Su Mo Tu We Th Fr Sa  Su Mo Tu We Th Fr Sa  Su Mo Tu We Th Fr Sa",
    "    1  2  3  4  5  6               1  2  3                  1  2",
    " 7  8  9 10 11 12 13   4  5  6  7  8  9 10   3  4  5  6  7  8  9",
    "14 15 16 17 18 19 20  11 12 13 14 15 16 17  10 11 12 13 14 15 16",
    "21 22 23 24 25 26 27  18 19 20 21 22 23 24  17 18 19 20 21 22 23",
    "28 29 30 31           25 26 27 28 29        24 25 26 27 28 29 30",
    "                                            31",
    "       April                  May                   June",
    "Su Mo Tu We Th Fr Sa  Su Mo Tu We Th Fr Sa  Su Mo Tu We Th Fr Sa",
    "    1  2  3  4  5  6            1  2  3  4                     1",
    " 7  8  9 10 11 12 13   5  6  7  8  9 10 11   2  3  4  5  6  7  8",
    "14 15 16 17 18 19 20  12 13 14 15 16 17 18   9 10 11 12 13 14 15",
    "21 22 23 24 25 26 27  19 20 21 22 23 24 25  16 17 18 19 20 21 22",
    "28 29 30              26 27 28 29 30 31     23 24 25 26 27 28 29",
    "                                            30",
};
const auto YearSheet = [] { return FindWindowById(GoToYearWindowId); };

// Types the year into the sheet of the command and presses OK.
void AnswerSheet(FourCC command, const QString& typed) {
    RunCommand(command);
    QWidget* field = FindControl(YearSheet(), GoToYearField);
    QVERIFY(field);
    SetControlText(field, QString());
    QTest::keyClicks(field, typed);
    QTest::keyClick(field, Qt::Key_Return);
}

QList<QWidget*> TwelveMonthWindows() {
    QList<QWidget*> found;
    for (QWidget* w : DocumentWindows())
        if (GetWindowTitle(w).startsWith(u"Twelve Month Calendar for"_s)) found << w;
    return found;
}

QString YearShown(QWidget* window) {
    const QList<StyledLine> lines = GetControlStyledLines(FindControl(window, YearTextControl));
    return lines.isEmpty() ? QString() : lines.first().text.trimmed();
}

// Easter by the anonymous Gregorian algorithm (Meeus, Jones, Butcher): another method than the program's.
MonthDay AnonymousGregorianEaster(int year) {
    const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    return {(h + l - 7 * m + 114) / 31, (h + l - 7 * m + 114) % 31 + 1};
}

// The nth weekday (1 Monday .. 7 Sunday) of the month; n < 0 is the last one.
QDate NthWeekday(int year, int month, int weekday, int n) {
    const QDate first(year, month, 1), last(year, month, first.daysInMonth());
    return n > 0 ? first.addDays((weekday - first.dayOfWeek() + 7) % 7 + 7 * (n - 1))
                 : last.addDays(-((last.dayOfWeek() - weekday + 7) % 7));
}

} // namespace

class TestCalendar : public QObject {
    Q_OBJECT

    QStringList sounds;
    ZoneScope   zone{"America/New_York"};
    LocaleScope locale{"en_US"};

    // Opens the drawer as a click on the countdown line does.
    void OpenCountdown(double target) {
        Prefs().countDownDate = target;
        ClickIn(Calendar(), CountdownLine, {}, QPoint(3, 3));
        QVERIFY(IsWindowVisible(Countdown()));
        TickOnce();
    }

  private slots:
    void initTestCase() {
        QVERIFY(SetUpProgramWindows());
        SetSoundSink([this](const QString& path) { sounds << path; });
        FillLocaleNameLists();
    }

    void init() {
        SetTestClock(Now);
        App().dayMark = 5;
        App().daynotes.clear();
        Prefs() = Preferences{};
        Prefs().countDownDate = DateToAbsTime(1, 1, 2027);
        ShowCalendar();
        QVERIFY(QTest::qWaitForWindowActive(Calendar()));
        sounds.clear();
    }

    void cleanup() {
        DisposeDocumentWindows();
        if (YearSheet()) DisposeWindow(YearSheet());
        QVERIFY(!Countdown());
    }

    void gridPlacement_data() {
        AddRows<GridRow>({
            {"starts Sunday, Sunday start", {3, 2026, false, 54, 84}},
            {"starts Sunday, Monday start", {3, 2026, true, 60, 90}},
            {"leap February from Thursday", {2, 2024, false, 58, 86}},
        });
    }
    void gridPlacement() {
        FETCH_ROW(GridRow, month, year, monday, first, last); // the cells of the first and last day
        Prefs().weekStart = monday ? WeekStartsMonday : WeekStartsSunday;
        ShowCalendarMonth(year, month);
        for (int cell = FirstDayCell; cell <= LastDayCell; ++cell)
            QCOMPARE(Text(Calendar(), cell),
                     cell < first || cell > last ? QString() : u" %1"_s.arg(cell - first + 1));
        QCOMPARE(FindDayCell(1), first);
    }

    // Today (31 December) is framed, bold and underlined in its own month and year only, on one cell at most.
    void todayFrameOnOneDayCellAtMost_data() {
        // The month shown afterwards (invalid: midnight passes elsewhere), the day framed there.
        AddRows<TodayRow>({
            {"to a month where it holds another day", {QDate(2027, 1, 1), 0}},
            {"same month, another year", {QDate(2025, 12, 1), 0}},
            {"midnight into a new year", {QDate(), 1}},
        });
    }
    void todayFrameOnOneDayCellAtMost() {
        FETCH_ROW(TodayRow, shown, framedDay);
        SetNow(12, 31, 2026, 23, 59, 59.8);
        App().dayMark = 31;
        GoToCurrentMonth(App().daynotes);
        QCOMPARE(IsControlEmphasised(Cell(31)), true);
        ShowCalendarMonth(2026, 3); // somewhere else first: the frame must not stay behind either way
        if (shown.isValid()) {
            ShowCalendarMonth(2026, 12);
            ShowCalendarMonth(shown.year(), shown.month());
        } else { // the day change brings the calendar back to the current month
            SetNow(1, 1, 2027, 0, 0, 0.2);
            TickOnce();
        }
        QList<int> framed, faced; // by day; 0 a blank cell, whose face draws nothing
        for (int cell = FirstDayCell; cell <= LastDayCell; ++cell) {
            const int day = Text(Calendar(), cell).trimmed().toInt();
            if (IsControlEmphasised(FindControl(Calendar(), cell))) framed << day;
            if (day && CellFace(cell)) faced << day;
        }
        QCOMPARE(framed, framedDay ? QList<int>{framedDay} : QList<int>{});
        QCOMPARE(faced, framed);
        if (framedDay) QCOMPARE(CellFace(FindDayCell(framedDay)), 1 | 4);
    }

    // Each type has its colour and an unknown type is black; picking a keeper colour, cancelled, then
    // confirmed, changes only keeper cells, today's keeping its face.
    void cellColoursAndTheKeeperColour() {
        AddDaynote(12, 1, 2026, NoteStandard);
        AddDaynote(12, 2, 2026, NoteKeeper);
        AddDaynote(12, 3, 2026, NoteHoliday);
        AddDaynote(12, 4, 2026, NoteEvent);
        AddDaynote(12, 5, 2026, NoteKeeper); // today
        AddDaynote(12, 7, 2026, 9);          // not a type the program knows
        ShowCalendarMonth(2026, 12);
        QSet<QRgb> seen;
        for (int day : {1, 2, 3, 4}) seen.insert(CellColour(FindDayCell(day)).rgb());
        QCOMPARE(seen.size(), 4);
        QCOMPARE(CellColour(FindDayCell(7)), QColor(Qt::black));
        const QColor standard = CellColour(FindDayCell(1)), keeper = CellColour(FindDayCell(2));
        auto menus = SetMenuPresenter([](const QStringList&, QPoint) { return 6; }); // the keeper colour item
        for (bool confirm : {false, true}) {
            auto colours = SetColourPresenter([&](const QString&, const QColor&, QColor* chosen) {
                *chosen = QColor(200, 0, 0);
                return confirm;
            });
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2),
                                    Cell(9)->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(Cell(9), &event);
            SetColourPresenter(colours);
            QCOMPARE(CellColour(FindDayCell(1)), standard);
            QCOMPARE(CellColour(FindDayCell(2)) == keeper, !confirm);
        }
        SetMenuPresenter(menus);
        QCOMPARE(Prefs().keeperColour, (RGBColour{uint16_t(200 * 257), 0, 0}));
        QCOMPARE(CellColour(FindDayCell(2)).hue(), 0);
        QCOMPARE(CellColour(FindDayCell(5)).hue(), 0);
        QCOMPARE(CellFace(FindDayCell(5)), 1 | 4);
    }

    void steppingMonthsAndYears_data() {
        AddRows<StepRow>({
            {"back from January", {1, 2027, 44, u"December 2026"_s}},
            {"previous year", {3, 2026, 43, u"March 2025"_s}},
            {"title: back to this month", {4, 1990, int(CalendarTitleControl), u"December 2026"_s}},
        });
    }
    void steppingMonthsAndYears() {
        FETCH_ROW(StepRow, month, year, button, title);
        Prefs().showWeekNumber = true;
        ShowCalendarMonth(year, month);
        ClickIn(Calendar(), button, {}, QPoint(3, 3));
        // Always the current week's number: Sunday 29 November is in ISO week 48.
        QCOMPARE(Text(Calendar(), CalendarTitleControl), title + u" ( Week:48 )"_s);
    }

    void countdownLine_data() {
        AddRows<LineRow>({
            {"10 days past still counts", {11, 25, 316, u""_s, u"10 Days to 25 November 2026"_s}},
            {"one day ahead", {12, 7, 316, u""_s, u"1 Day to 7 December 2026"_s}},
            {"hours ahead", {12, 6, 316, u""_s, u"< 1 day to 6 December 2026"_s}},
        });
    }
    void countdownLine() {
        FETCH_ROW(LineRow, month, day, mode, message, line); // the target day at 00:00
        Prefs().countDownDate = DateToAbsTime(month, day, 2026);
        Prefs().countDownMode = uint16_t(mode);
        Prefs().countDownMessage = message;
        SetLastCountdownDays(CountdownPrefsChanged);
        CalendarTick(Calendar());
        QCOMPARE(Text(Calendar(), CountdownLine), line);
    }

    void chimeAndAutosave_data() {
        AddRows<ChimeRow>({
            {"on the hour, hourly", {324, 318, 0, 1, true}},
            {"half past, hourly: nothing", {324, 318, 30, 0, false}},
            {"half past, half-hourly", {323, 317, 30, 1, true}},
            {"silent, autosave off", {325, 319, 0, 0, false}},
        });
    }
    void chimeAndAutosave() {
        FETCH_ROW(ChimeRow, chime, autosave, minute, chimes, saved);
        for (bool seconds : {false, true}) {
            QFile::remove(GetDataFileURL(DaynoteFileName));
            Prefs().chime = uint16_t(chime);
            Prefs().autosave = uint16_t(autosave);
            Prefs().showSeconds = seconds;
            AddDaynote(12, 5, 2026, NoteStandard);
            const int hour = minute == 0 ? 16 : 15;
            SetNow(12, 5, 2026, 15, minute == 0 ? 59 : minute - 1, 59.6);
            CalendarTick(Calendar());
            sounds.clear();
            EndCurrentSound();
            // Ticks every half second across the start of the minute: only the first may chime or save.
            for (double s : {0.1, 0.6, 1.1, 1.6}) {
                SetNow(12, 5, 2026, hour, minute, s);
                CalendarTick(Calendar());
            }
            QCOMPARE(sounds.size(), chimes);
            QCOMPARE(QFileInfo::exists(GetDataFileURL(DaynoteFileName)), saved);
            App().daynotes.clear();
        }
    }

    void tabEntersTheGridOnToday() {
        FindControl(Calendar(), NextYearButton)->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 10 && !FocusedDay(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(FocusedDay(), 5);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(FocusedDay(), 0); // one Tab stop in the grid, not 37
    }

    void arrowsWalkTheDays_data() {
        AddRows<ArrowRow>({
            {"right past the last day", {12, 31, Qt::Key_Right, 1, u"January 2027"_s}},
            {"left before the first day", {1, 1, Qt::Key_Left, 31, u"December 2026"_s}},
            {"down from the last week", {2, 25, Qt::Key_Down, 4, u"March 2026"_s}},
        });
    }
    void arrowsWalkTheDays() {
        FETCH_ROW(ArrowRow, month, day, key, landing, title);
        ShowCalendarMonth(month == 1 ? 2027 : 2026, month);
        SetFocusToControl(Cell(day));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(Text(Calendar(), CalendarTitleControl), title);
        QCOMPARE(FocusedDay(), landing);
    }

    // A day opens by Return, Space or assistive technology's press; Ctrl+Return sets the countdown date.
    void openingADayWithoutTheMouse_data() {
        // The key (0: the press action), with Ctrl.
        AddRows<OpenRow>({{"Return", {Qt::Key_Return, false}},
                          {"Space", {Qt::Key_Space, false}},
                          {"press action", {0, false}},
                          {"Ctrl+Return", {Qt::Key_Return, true}}});
    }
    void openingADayWithoutTheMouse() {
        FETCH_ROW(OpenRow, key, ctrl);
        SetFocusToControl(Cell(13));
        if (key) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                            ctrl ? Qt::ControlModifier : Qt::NoModifier);
        } else {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(Cell(13));
            QVERIFY(face && face->actionInterface());
            face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
        QTRY_COMPARE(WindowTitled(u"13  December  2026"_s) != nullptr, !ctrl);
        QCOMPARE(Prefs().countDownDate, DateToAbsTime(ctrl ? 12 : 1, ctrl ? 13 : 1, ctrl ? 2026 : 2027));
    }

    void dayCellNames_data() {
        AddRows<NameRow>({
            {"event", {8, NoteEvent, u"Tuesday 8 December 2026, event daynote"_s}},
            {"no daynote", {10, 0, u"Thursday 10 December 2026"_s}},
            {"today with a keeper", {5, NoteKeeper, u"Saturday 5 December 2026, keeper daynote, today"_s}},
        });
    }
    void dayCellNames() {
        FETCH_ROW(NameRow, day, type, name); // type 0: no daynote
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
            MarkDayCell(true, day, FindDayCell(day), NoteIndex(date), App().daynotes);
            QCOMPARE(AccessibleText(Cell(day)), name);
        }
        // A blank cell announces nothing.
        QCOMPARE(AccessibleText(FindControl(Calendar(), FirstDayCell)), QString());
    }

    // The weekday initials follow the first day of the week.
    void weekdayNames() {
        FillMonthGrid();
        QCOMPARE(AccessibleText(FindControl(Calendar(), 53)), u"Saturday"_s);
        Prefs().weekStart = WeekStartsMonday;
        FillMonthGrid();
        QCOMPARE(AccessibleText(FindControl(Calendar(), 53)), u"Sunday"_s);
    }

    // The drawer's four numbers; then each is marked, the clock moves on, and a tick rewrites from the
    // largest changed unit down.
    void countdownNumbersAndRewrites_data() {
        const QStringList dhms{"1", "2", "3", "4"};
        AddRows<NumbersRow>({
            {"1 d 2 h 3 min 4.7 s, same second", {1, 7384.7, dhms, 0.5, u""_s}},
            {"days roll over", {1, 0.7, {"1", "0", "0", "0"}, 1.0, u"dhms"_s}},
            // A count that equals a never-drawn mark must still be drawn.
            {"99999 days", {99999, 3600.0, {"99999", "1", "0", "0"}, 0.5, u"hms"_s}},
        });
    }
    void countdownNumbersAndRewrites() {
        FETCH_ROW(NumbersRow, days, seconds, shown, step, rewritten); // rewritten: units a tick writes again
        OpenCountdown(AddDateUnits(Now, days, AddDays) + seconds);
        QCOMPARE(Numbers(), shown);
        for (int id : NumberIds) SetControlText(FindControl(Countdown(), id), u"x"_s);
        SetTestClock(Now + step);
        TickOnce();
        QString written;
        for (int i = 0; i < 4; ++i)
            if (Text(Countdown(), NumberIds[i]) != "x"_L1) written += QLatin1Char("dhms"[i]);
        QCOMPARE(written, rewritten);
    }

    // Ctrl-click on today sets a target already past: the drawer says so and keeps the numbers it showed.
    // Shut, it keeps its numbers and is not refreshed; reopened, the next tick brings it up to date.
    void countdownPastTargetAndShut() {
        OpenCountdown(AddDateUnits(Now, 1, AddDays) + 7384.7);
        ClickIn(Calendar(), FindDayCell(5), Qt::ControlModifier, QPoint(3, 3));
        QCOMPARE(Prefs().countDownDate, DateToAbsTime(12, 5, 2026));
        TickOnce();
        QCOMPARE(Text(Countdown(), CountdownLabel), u" Date in past.."_s);
        QCOMPARE(Numbers(), (QStringList{"1", "2", "3", "4"}));
        Prefs().countDownDate = AddDateUnits(Now, 1, AddDays) + 7384.7;
        TickOnce();
        ToggleCountdown();
        QVERIFY(!IsWindowVisible(Countdown()));
        SetTestClock(Now + 10);
        TickOnce();
        QCOMPARE(Numbers(), (QStringList{"1", "2", "3", "4"}));
        ToggleCountdown();
        TickOnce();
        QCOMPARE(Numbers(), (QStringList{"1", "2", "2", "54"}));
    }

    void countdownTargetName_data() {
        AddRows<LabelRow>({
            {"date", {316, u"Dentist"_s, u"1 January "_s}},
            {"single blank", {315, u" "_s, u"1 January "_s}},
            {"two blanks", {315, u"  "_s, u"  "_s}},
        });
    }
    void countdownTargetName() {
        FETCH_ROW(LabelRow, mode, message, name);
        Prefs().countDownMode = uint16_t(mode);
        Prefs().countDownMessage = message;
        ToggleCountdown();
        QCOMPARE(Text(Countdown(), CountdownLabel), u"To: "_s + name);
        TickOnce();
        QCOMPARE(Text(Countdown(), CountdownLabel), u"To:  "_s + name);
    }

    // Opened before the calendar has its final size (as at launch), the drawer is not squeezed away when the
    // window is fitted to its content afterwards.
    void openDrawerSurvivesAFit() {
        OpenCountdown(AddDateUnits(Now, 1, AddDays));
        QWidget* drawer = Countdown();
        QVERIFY(QTest::qWaitFor([drawer] { return drawer->width() >= drawer->sizeHint().width(); }));
        const int width = drawer->width();
        QVERIFY(width > 0);
        FitWindowToContent(Calendar());
        Calendar()->resize(1, Calendar()->height());
        QTest::qWait(0);
        QVERIFY(drawer->width() >= width);
        ToggleCountdown();
    }

    // Every rule through a 28-year cycle, which puts the first of each month on every weekday, against a
    // computation of its own; each at midnight, also on the days of a clock change.
    void holidayDates() {
        QSet<int> firstWeekdays[13];
        for (int year = 2000; year < 2028; ++year) {
            const MonthDay     easter = AnonymousGregorianEaster(year);
            const QList<QDate> expected{{year, 1, 1},
                                        NthWeekday(year, 2, 1, 3), // third Monday
                                        NthWeekday(year, 3, 7, 2), // second Sunday
                                        {year, easter.month, easter.day},
                                        NthWeekday(year, 5, 1, -1), // last Monday
                                        NthWeekday(year, 5, 7, 2),
                                        NthWeekday(year, 6, 7, 3),
                                        {year, 7, 4},
                                        NthWeekday(year, 9, 1, 1),
                                        NthWeekday(year, 11, 7, 1),
                                        NthWeekday(year, 11, 4, 4), // fourth Thursday
                                        {year, 12, 24},
                                        {year, 12, 25}};
            QStringList        wanted, found;
            for (const QDate& d : expected) {
                wanted << d.toString(u"yyyy-M-d 0:00"_s);
                firstWeekdays[d.month()].insert(QDate(year, d.month(), 1).dayOfWeek());
            }
            for (const NamedDate& h : HolidaysOfYear(year)) {
                const GregorianDate d = AbsTimeToDate(h.date);
                found << u"%1-%2-%3 %4:%5"_s.arg(d.year).arg(d.month).arg(d.day).arg(d.hour).arg(
                    d.minute, 2, 10, QLatin1Char('0'));
            }
            QCOMPARE(found, wanted);
        }
        for (int month : {2, 3, 5, 6, 9, 11}) QCOMPARE(firstWeekdays[month].size(), 7);
    }

    void easterEveryYear() {
        for (int year = 1583; year <= 4099; ++year) {
            const MonthDay ours = EasterSunday(year), theirs = AnonymousGregorianEaster(year);
            QVERIFY2(ours.month == theirs.month && ours.day == theirs.day, qPrintable(QString::number(year)));
        }
    }

    // Through the window as the user works it: the command, the year typed, the button.
    void addHolidays_data() {
        const QString dup = u"There is already a daynote for ' %1' on this date in 2026"_s;
        AddRows<AddRow>({
            {"twice",
             {u"2026"_s, 2, QString(), dup.arg(u"New Years (US)"_s), u"11-26 Thanksgiving Day (US)"_s}},
            {"standard daynote keeps its type",
             {u"2026"_s, 1, u"7-4 Picnic"_s, QString(), u"7-4 Picnic\rIndependence Day (US)"_s}},
            {"christmas in other capitals",
             {u"2026"_s, 1, u"12-25 dinner: christmas (global)"_s, dup.arg(u"Christmas (Global)"_s),
              u"12-24 Christmas Eve (Global)"_s}},
            {"empty field", {QString(), 1, QString(), QString(), QString()}},
        });
    }
    void addHolidays() {
        // A standard daynote of 2026 before, "M-D text"; the one alert if any; "M-D text" of that date after.
        FETCH_ROW(AddRow, typed, runs, existing, alert, afterwards);
        const auto day = [](const QString& text) { return text.section(u' ', 0, 0).split(u'-'); };
        if (!existing.isEmpty())
            AddDaynote(day(existing)[0].toInt(), day(existing)[1].toInt(), 2026, NoteStandard,
                       existing.section(u' ', 1));
        ShowCalendar(); // whose December cells the new daynotes mark
        AlertRecorder recorder;
        const int     beeps = BeepCount();
        for (int run = 0; run < runs; ++run) {
            QTRY_VERIFY(!FindWindowById(HolidaysWindowId)); // the last run's window is gone
            QVERIFY(TriggerMenuCommand(MakeFourCC("Crea")));
            QWidget* window = FindWindowById(HolidaysWindowId);
            QVERIFY(QTest::qWaitForWindowActive(window));
            QWidget* field = FindControl(window, HolidaysYearField);
            QCOMPARE(QApplication::focusWidget(), field);
            QTest::keyClicks(field, typed);
            QTest::mouseClick(FindControl(window, HolidaysCreateButton), Qt::LeftButton);
        }
        const bool year = !typed.isEmpty();
        // Without a year the window waits for one, with a beep; otherwise it is gone whatever happened.
        QTRY_COMPARE(FindWindowById(HolidaysWindowId) != nullptr, !year);
        QCOMPARE(BeepCount() - beeps, year ? 0 : 1);
        QCOMPARE(recorder.alerts.size(), alert.isEmpty() ? 0 : 1);
        if (!alert.isEmpty()) QCOMPARE(recorder.alerts[0].message, alert);
        QCOMPARE(int(App().daynotes.size()), year ? 13 : 0);
        if (year) {
            const double date = DateToAbsTime(day(afterwards)[0].toInt(), day(afterwards)[1].toInt(), 2026);
            int8_t       type = 0;
            QCOMPARE(NoteOn(date), afterwards.section(u' ', 1));
            QVERIFY(GetRecordByte(App().daynotes, NoteIndex(date), NoteTypeKey, &type));
            QCOMPARE(type,
                     existing.startsWith(afterwards.section(u' ', 0, 0) + u' ') ? NoteStandard : NoteHoliday);
        }
    }

    void yearText() {
        QStringList expected;
        for (const char* line : Year2024) expected << QString::fromLatin1(line);
        QCOMPARE(YearCalendarLines(2024).mid(0, expected.size()), expected);
    }

    // The sheet from March 2026, in each mode; the field keeps what was typed.
    void sheet_data() {
        AddRows<SheetRow>({
            {"go to 2030", {u"GoYr"_s, u"2030"_s, u"March 2030"_s, 0}},
            {"twelve months of 2027", {u"S12m"_s, u"2027"_s, u"March 2026"_s, 2027}},
            {"five digits typed", {u"S12m"_s, u"20281"_s, u"March 2026"_s, 2028}},
        });
    }
    void sheet() {
        // The calendar's title afterwards, the year of the twelve-month window opened (0 for none).
        FETCH_ROW(SheetRow, command, typed, calendar, twelveMonth);
        ShowCalendarMonth(2026, 3);
        AnswerSheet(FourCCFromText(command), typed);
        QVERIFY(!IsWindowVisible(YearSheet()));
        QCOMPARE(GetControlText(FindControl(FindWindowById(CalendarWindowId), CalendarTitleControl)),
                 calendar);
        const QList<QWidget*> windows = TwelveMonthWindows();
        QCOMPARE(windows.size(), twelveMonth ? 1 : 0);
        if (twelveMonth) QCOMPARE(YearShown(windows[0]), QString::number(twelveMonth));
        RunCommand(FourCCFromText(command));
        QCOMPARE(GetControlText(FindControl(YearSheet(), GoToYearField)), typed.left(4));
    }

    void ctrlClickOnYearButton() {
        ShowCalendarMonth(2026, 3);
        QTest::mouseClick(FindControl(FindWindowById(CalendarWindowId), NextYearButton), Qt::LeftButton,
                          Qt::ControlModifier);
        QVERIFY(IsWindowVisible(YearSheet()));
        QCOMPARE(GetCalendarYear(), 2026);
        // The field holds this year, selected: one Backspace clears it for another.
        QTest::keyClick(FindControl(YearSheet(), GoToYearField), Qt::Key_Backspace);
        QTest::keyClicks(FindControl(YearSheet(), GoToYearField), u"1999"_s);
        QTest::keyClick(FindControl(YearSheet(), GoToYearField), Qt::Key_Return);
        QCOMPARE(GetCalendarYear(), 1999);
        QCOMPARE(GetCalendarMonth(), 3);
    }

    // Without the calendar, Go To Year, the twelve months and the countdown drawer answer with an alert.
    void calendarClosed() {
        DisposeDocumentWindows();
        for (const QString& command : {u"GoYr"_s, u"S12m"_s, u"drawer"_s}) {
            AlertRecorder recorder;
            if (command == u"drawer"_s)
                ToggleCountdown();
            else
                RunCommand(FourCCFromText(command));
            QCOMPARE(recorder.alerts.size(), 1);
            QVERIFY(!YearSheet() || !IsWindowVisible(YearSheet()));
            QVERIFY(!Countdown());
        }
    }

    // Each window draws its own year, also after the other one was opened and it was resized.
    void ownYearAfterResize() {
        QWidget* first = BuildTwelveMonthWindow(2026);
        QWidget* second = BuildTwelveMonthWindow(2027);
        QVERIFY(first && second);
        QVERIFY(QTest::qWaitForWindowExposed(first));
        SetWindowContentBounds(first, QRect(GetWindowContentBounds(first).topLeft(), QSize(700, 650)));
        QApplication::processEvents();
        QCOMPARE(YearShown(first), u"2026"_s);
        QCOMPARE(YearShown(second), u"2027"_s);
        // Assistive technology reads the year a row at a time.
        QAccessibleInterface* view =
            QAccessible::queryAccessibleInterface(FindControl(first, YearTextControl));
        QVERIFY(view && view->textInterface());
        const QStringList lines = YearCalendarLines(2026);
        for (int i : {0, 2, 3, 4}) {
            const int offset = int(lines.mid(0, i).join(u'\n').size()) + (i ? 1 : 0);
            int       start = 0, end = 0;
            QCOMPARE(view->textInterface()
                         ->textAtOffset(offset, QAccessible::LineBoundary, &start, &end)
                         .remove(u'\n'),
                     lines[i]);
        }
        QCOMPARE(view->text(QAccessible::Name), u"Twelve Month Calendar for 2026"_s);
    }

    // A year that is also the number of one of the program's windows does not take that number: the
    // calendar opened afterwards is a calendar.
    void lowYearKeepsOtherWindows() {
        DisposeDocumentWindows();
        QWidget* window = BuildTwelveMonthWindow(1);
        QVERIFY(window);
        QCOMPARE(YearShown(window), u"1"_s);
        ShowCalendar();
        QWidget* calendar = FindWindowById(CalendarWindowId);
        QVERIFY(calendar && calendar != window);
        QVERIFY(FindControl(calendar, CalendarTitleControl));
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
