// Go to year and the twelve-month calendar on the offscreen platform: the year sheet in both modes, the year
// text against cal's layout, and twelve-month windows that each keep their own year.
#include "calendar/calendar_window.h"
#include "calendar/twelve_month.h"
#include "helpers/test_support.h"
#include "platform/styled_lines.h"

#include <QAccessible>

using namespace Qt::StringLiterals;

namespace {

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
const auto Sheet = [] { return FindWindowById(GoToYearWindowId); };

// Types the year into the sheet of the command and presses OK.
void AnswerSheet(FourCC command, const QString& typed) {
    RunCommand(command);
    QWidget* field = FindControl(Sheet(), GoToYearField);
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

using SheetRow = std::tuple<QString, QString, QString, int>;

} // namespace

class TestTwelveMonth : public QObject {
    Q_OBJECT

    ZoneScope   zone{"Europe/Berlin"};
    LocaleScope locale{"en_US"};

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(3, 10, 2026, 10, 0));
        QVERIFY(SetUpProgramWindows());
        FillLocaleNameLists();
    }
    void init() { ShowCalendar(); }
    void cleanup() {
        DisposeDocumentWindows();
        if (Sheet()) DisposeWindow(Sheet());
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
        QVERIFY(!IsWindowVisible(Sheet()));
        QCOMPARE(GetControlText(FindControl(FindWindowById(CalendarWindowId), CalendarTitleControl)),
                 calendar);
        const QList<QWidget*> windows = TwelveMonthWindows();
        QCOMPARE(windows.size(), twelveMonth ? 1 : 0);
        if (twelveMonth) QCOMPARE(YearShown(windows[0]), QString::number(twelveMonth));
        RunCommand(FourCCFromText(command));
        QCOMPARE(GetControlText(FindControl(Sheet(), GoToYearField)), typed.left(4));
    }

    void ctrlClickOnYearButton() {
        ShowCalendarMonth(2026, 3);
        QTest::mouseClick(FindControl(FindWindowById(CalendarWindowId), NextYearButton), Qt::LeftButton,
                          Qt::ControlModifier);
        QVERIFY(IsWindowVisible(Sheet()));
        QCOMPARE(GetCalendarYear(), 2026);
        // The field holds this year, selected: one Backspace clears it for another.
        QTest::keyClick(FindControl(Sheet(), GoToYearField), Qt::Key_Backspace);
        QTest::keyClicks(FindControl(Sheet(), GoToYearField), u"1999"_s);
        QTest::keyClick(FindControl(Sheet(), GoToYearField), Qt::Key_Return);
        QCOMPARE(GetCalendarYear(), 1999);
        QCOMPARE(GetCalendarMonth(), 3);
    }

    void calendarClosed() {
        DisposeDocumentWindows();
        for (const QString& command : {u"GoYr"_s, u"S12m"_s}) {
            AlertRecorder recorder;
            RunCommand(FourCCFromText(command));
            QCOMPARE(recorder.alerts.size(), 1);
            QVERIFY(!Sheet() || !IsWindowVisible(Sheet()));
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

QTEST_MAIN(TestTwelveMonth)
#include "tst_twelve_month.moc"
