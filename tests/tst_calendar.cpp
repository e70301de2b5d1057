// The calendar window on the offscreen platform with the test clock: the grid, today, type colours, stepping
// months, the countdown line, chime and autosave, and the keeper colour.
#include "calendar/calendar_window.h"
#include "calendar/colours.h"
#include "core/app_state.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/dispatch.h"
#include "core/preferences.h"
#include "core/startup.h"
#include "core/window_ids.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "platform/clock.h"
#include "platform/windows.h"
#include "tools/countdown.h"
#include "tools/sounds.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

QWidget* Calendar() {
    return FindWindowById(CalendarWindowId);
}
QString CellText(int cell) {
    return GetControlText(FindControl(Calendar(), cell));
}
QString Title() {
    return GetControlText(FindControl(Calendar(), CalendarTitleControl));
}
QColor CellColour(int cell) {
    const NoteFontStyle s = GetControlFontStyle(FindControl(Calendar(), cell));
    return QColor::fromRgba64(uint16_t(s.fgRed), uint16_t(s.fgGreen), uint16_t(s.fgBlue));
}
int CellFace(int cell) {
    return GetControlFontStyle(FindControl(Calendar(), cell)).style;
}

void Click(int id, Qt::KeyboardModifiers mods = {}) {
    QTest::mouseClick(FindControl(Calendar(), id), Qt::LeftButton, mods, QPoint(3, 3));
}

} // namespace

class TestCalendar : public QObject {
    Q_OBJECT

    QStringList sounds;

    ZoneScope   zone{"America/New_York"};
    LocaleScope locale{"en_US"};

    void SetNow(int month, int day, int year, int hour, int minute, double second) {
        SetTestClock(DateTimeToAbsTime(month, day, year, hour, minute) + second);
    }

  private slots:
    void initTestCase() {
        QVERIFY(SetUpProgramWindows());
        SetSoundSink([this](const QString& path) { sounds << path; });
    }

    void init() {
        SetNow(12, 5, 2026, 15, 10, 0);
        App().dayMark = 5;
        App().daynotes.clear();
        Prefs() = Preferences{};
        Prefs().countDownDate = DateToAbsTime(1, 1, 2027);
        ShowCalendar();
        QVERIFY(QTest::qWaitForWindowExposed(Calendar()));
        sounds.clear();
    }

    void cleanup() {
        DisposeWindow(Calendar());
        QTest::qWait(0);
    }

    void gridPlacement_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::addColumn<bool>("monday");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("starts Sunday, Sunday start") << 3 << 2026 << false << 54 << 84;
        QTest::newRow("starts Sunday, Monday start") << 3 << 2026 << true << 60 << 90;
        QTest::newRow("leap February from Thursday") << 2 << 2024 << false << 58 << 86;
    }
    void gridPlacement() {
        QFETCH(int, month);
        QFETCH(int, year);
        QFETCH(bool, monday);
        QFETCH(int, first);
        QFETCH(int, last);
        Prefs().weekStart = monday ? WeekStartsMonday : WeekStartsSunday;
        ShowCalendarMonth(year, month);
        for (int cell = FirstDayCell; cell <= LastDayCell; ++cell) {
            const QString expected = cell < first || cell > last ? QString() : u" %1"_s.arg(cell - first + 1);
            QCOMPARE(CellText(cell), expected);
        }
        QCOMPARE(FindDayCell(1), first);
        QCOMPARE(FindDayCell(40), 9999);
    }

    // Today (31 December) is framed, bold and underlined in its own month and year only, on one cell at most.
    void todayFrameOnOneDayCellAtMost_data() {
        QTest::addColumn<QDate>("shown"); // the month shown afterwards; invalid: midnight passes elsewhere
        QTest::addColumn<int>("framedDay");
        QTest::newRow("to a month where it holds another day") << QDate(2027, 1, 1) << 0;
        QTest::newRow("same month, another year") << QDate(2025, 12, 1) << 0;
        QTest::newRow("midnight into a new year") << QDate() << 1;
    }
    void todayFrameOnOneDayCellAtMost() {
        QFETCH(QDate, shown);
        QFETCH(int, framedDay);
        const QDate today(2026, 12, 31);
        SetNow(today.month(), today.day(), today.year(), 23, 59, 59.8);
        App().dayMark = today.day();
        GoToCurrentMonth(App().daynotes);
        QCOMPARE(IsControlEmphasised(FindControl(Calendar(), FindDayCell(today.day()))), true);
        if (shown.isValid()) {
            ShowCalendarMonth(2026, 3); // somewhere else first: the frame must not stay behind either way
            ShowCalendarMonth(today.year(), today.month());
            ShowCalendarMonth(shown.year(), shown.month());
        } else {
            ShowCalendarMonth(2026, 3); // the day change brings the calendar back to the current month
            const QDate next = today.addDays(1);
            SetNow(next.month(), next.day(), next.year(), 0, 0, 0.2);
            Tick(App().daynotes);
        }
        QList<int> framed, faced; // by day; 0 a blank cell, whose face draws nothing
        for (int cell = FirstDayCell; cell <= LastDayCell; ++cell) {
            const int day = CellText(cell).trimmed().toInt();
            if (IsControlEmphasised(FindControl(Calendar(), cell))) framed << day;
            if (day && CellFace(cell)) faced << day;
        }
        QCOMPARE(framed, framedDay ? QList<int>{framedDay} : QList<int>{});
        QCOMPARE(faced, framed);
        if (framedDay) QCOMPARE(CellFace(FindDayCell(framedDay)), 1 | 4);
    }

    void cellsColouredByType() {
        AddDaynote(12, 1, 2026, NoteStandard);
        AddDaynote(12, 2, 2026, NoteHoliday);
        AddDaynote(12, 3, 2026, NoteEvent);
        AddDaynote(12, 4, 2026, NoteKeeper);
        AddDaynote(12, 7, 2026, 9); // not a type the program knows
        ShowCalendarMonth(2026, 12);
        QSet<QRgb> seen;
        for (int day : {1, 2, 3, 4}) seen.insert(CellColour(FindDayCell(day)).rgb());
        QCOMPARE(seen.size(), 4);
        QCOMPARE(CellColour(FindDayCell(7)), QColor(Qt::black));
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

    void steppingMonthsAndYears_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("title");
        QTest::newRow("back from January") << 1 << 2027 << 44 << "December 2026";
        QTest::newRow("previous year") << 3 << 2026 << 43 << "March 2025";
        QTest::newRow("title: back to this month")
            << 4 << 1990 << int(CalendarTitleControl) << "December 2026";
    }
    void steppingMonthsAndYears() {
        QFETCH(int, month);
        QFETCH(int, year);
        QFETCH(int, button);
        QFETCH(QString, title);
        Prefs().showWeekNumber = true;
        ShowCalendarMonth(year, month);
        Click(button);
        // Always the current week's number: Sunday 29 November is in ISO week 48.
        QCOMPARE(Title(), title + u" ( Week:48 )"_s);
    }

    void countdownLine_data() {
        QTest::addColumn<int>("month"); // the target day, at 00:00; now is 15:10 on 5 December 2026
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("line");
        const auto row = [](const char* name, int month, int day, int mode, const char* message,
                            const char* line) {
            QTest::newRow(name) << month << day << mode << message << line;
        };
        row("10 days past still counts", 11, 25, 316, "", "10 Days to 25 November 2026");
        row("one day ahead", 12, 7, 316, "", "1 Day to 7 December 2026");
        row("hours ahead", 12, 6, 316, "", "< 1 day to 6 December 2026");
        row("message instead of date", 12, 31, 315, "Christmas break", "25 Days to Christmas break");
    }
    void countdownLine() {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, mode);
        QFETCH(QString, message);
        QFETCH(QString, line);
        Prefs().countDownDate = DateToAbsTime(month, day, 2026);
        Prefs().countDownMode = uint16_t(mode);
        Prefs().countDownMessage = message;
        SetLastCountdownDays(CountdownPrefsChanged);
        CalendarTick(Calendar());
        QCOMPARE(GetControlText(FindControl(Calendar(), CountdownLine)), line);
    }

    void chimeAndAutosave_data() {
        QTest::addColumn<int>("chime");
        QTest::addColumn<int>("autosave");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("chimes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("on the hour, hourly") << 324 << 318 << 0 << 1 << true;
        QTest::newRow("half past, hourly: nothing") << 324 << 318 << 30 << 0 << false;
        QTest::newRow("half past, half-hourly") << 323 << 317 << 30 << 1 << true;
        QTest::newRow("silent, autosave off") << 325 << 319 << 0 << 0 << false;
    }
    void chimeAndAutosave() {
        QFETCH(int, chime);
        QFETCH(int, autosave);
        QFETCH(int, minute);
        QFETCH(int, chimes);
        QFETCH(bool, saved);
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

    // Cancelled, then confirmed: only keeper cells change colour, today's keeping its face.
    void pickingAKeeperColour() {
        AddDaynote(12, 1, 2026, NoteStandard);
        AddDaynote(12, 2, 2026, NoteKeeper);
        AddDaynote(12, 5, 2026, NoteKeeper); // today
        ShowCalendarMonth(2026, 12);
        const QColor standard = CellColour(FindDayCell(1)), keeper = CellColour(FindDayCell(2));
        auto menus = SetMenuPresenter([](const QStringList&, QPoint) { return 6; }); // the keeper colour item
        for (bool confirm : {false, true}) {
            auto     colours = SetColourPresenter([&](const QString&, const QColor&, QColor* chosen) {
                *chosen = QColor(200, 0, 0);
                return confirm;
            });
            QWidget* cell = FindControl(Calendar(), FindDayCell(9));
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), cell->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(cell, &event);
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
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
