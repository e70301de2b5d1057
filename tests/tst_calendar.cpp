// The calendar window on the offscreen platform with the test clock: the grid, today, type colours, stepping
// months, the countdown line and drawer, chime and autosave, the keeper colour, and the window without a
// mouse: keys, and what the controls tell assistive technology.
#include "calendar/calendar_window.h"
#include "calendar/colours.h"
#include "core/datafiles.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "tools/countdown.h"
#include "tools/sounds.h"

#include <QAccessible>
#include <QApplication>
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

} // namespace

class TestCalendar : public QObject {
    Q_OBJECT

    QStringList sounds;
    ZoneScope   zone{"America/New_York"};
    LocaleScope locale{"en_US"};

    void OpenCountdown(double target) {
        Prefs().countDownDate = target;
        ToggleCountdown();
        QVERIFY(IsWindowVisible(Countdown()));
        TickOnce();
    }

  private slots:
    void initTestCase() {
        QVERIFY(SetUpProgramWindows());
        SetSoundSink([this](const QString& path) { sounds << path; });
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
        QCOMPARE(FindDayCell(40), 9999);
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

    void typeColoursReadAsSmallText_data() {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<int>("type");
        const QList<std::pair<const char*, QColor>> themes{{"light", QColor(0xEF, 0xEF, 0xEF)},
                                                           {"dark", QColor(0x2B, 0x2B, 0x2B)}};
        for (const auto& [theme, background] : themes)
            for (int type : {NoteStandard, NoteHoliday, NoteEvent, NoteKeeper})
                QTest::addRow("%s theme, type %d", theme, type) << background << type;
    }
    void typeColoursReadAsSmallText() {
        QFETCH(QColor, background);
        QFETCH(int, type);
        QWidget  probe;
        QPalette palette = probe.palette();
        palette.setColor(QPalette::Window, background);
        palette.setColor(QPalette::WindowText, background.lightness() < 128 ? Qt::white : Qt::black);
        probe.setPalette(palette);
        auto luminance = [](const QColor& c) {
            auto ch = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
        };
        const QColor stored = TypeColour(type);
        const QColor shown = DisplayColour(stored, &probe);
        const double a = luminance(shown), b = luminance(background);
        QVERIFY2((std::max(a, b) + 0.05) / (std::min(a, b) + 0.05) >= 4.5, qPrintable(shown.name()));
        QCOMPARE(shown.hslHue(), stored.hslHue()); // still the type's colour, only lighter or darker
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

    // The weekday initials follow the first day of the week; the clock is named by the time it shows.
    void weekdayAndClockNames() {
        FillMonthGrid();
        QCOMPARE(AccessibleText(FindControl(Calendar(), 53)), u"Saturday"_s);
        Prefs().weekStart = WeekStartsMonday;
        FillMonthGrid();
        QCOMPARE(AccessibleText(FindControl(Calendar(), 53)), u"Sunday"_s);
        SetNow(12, 5, 2026, 15, 11, 0); // the grid was filled at 3:10
        CalendarTick(Calendar());
        QCOMPARE(AccessibleText(FindControl(Calendar(), CalendarClockControl)), u"3:11 PM"_s);
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
        QTest::qWait(400);
        const int width = drawer->width();
        QVERIFY(width > 0);
        FitWindowToContent(Calendar());
        Calendar()->resize(1, Calendar()->height());
        QTest::qWait(0);
        QVERIFY(drawer->width() >= width);
        ToggleCountdown();
    }

    // The countdown line opens the drawer; without the calendar, an alert.
    void countdownWaysIn() {
        ClickIn(Calendar(), CountdownLine, {}, QPoint(3, 3));
        QVERIFY(IsWindowVisible(Countdown()));
        DisposeWindow(Calendar());
        QTest::qWait(0);
        AlertRecorder recorder;
        ToggleCountdown();
        QCOMPARE(recorder.alerts.size(), 1);
        QVERIFY(!Countdown());
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
