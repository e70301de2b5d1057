// Go to year and the twelve-month calendar: one small sheet asks for a year, which either moves the calendar
// to the same month of that year or opens a window showing the whole year as cal lays it out.
#include "calendar/twelve_month.h"

#include "calendar/calendar_window.h"
#include "core/dates.h"
#include "core/window_ids.h"
#include "platform/alerts.h"
#include "platform/key_filters.h"
#include "platform/styled_lines.h"
#include "platform/text_selection.h"
#include "platform/windows.h"

#include <QRect>
#include <cstring>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Year text ................. YearCalendarLines, YearLineRoleAt
//   Sheet ..................... ShowGoToYear, GoToYearOK
//   Window .................... TwelveMonthWindowId, BuildTwelveMonthWindow, DrawTwelveMonth
//   Commands and control actions
// ---------------------------------------------------------------------------------------------------------

namespace {

const FourCC  SheetCreator = MakeFourCC("VRDX");
const FourCC  ModeTag = MakeFourCC("GOTO");
const QString TwelveMonthTitle = QStringLiteral("Twelve Month Calendar for");

constexpr int MonthWidth = 20, MonthGap = 2, YearWidth = 3 * MonthWidth + 2 * MonthGap;

QString Centred(const QString& text, int width) {
    const QString cut = text.left(width);
    const int     left = (width - int(cut.size())) / 2;
    return QString(left, QLatin1Char(' ')) + cut + QString(width - left - int(cut.size()), QLatin1Char(' '));
}

QString RightTrimmed(QString text) {
    while (text.endsWith(QLatin1Char(' '))) text.chop(1);
    return text;
}

// Six week lines of one month, each seven two-column days apart by one blank.
QStringList MonthWeeks(int month, int year) {
    const int   w = GetDayOfWeek(DateToAbsTime(month, 1, year)); // 1 Monday .. 7 Sunday
    const int   first = w % 7;                                   // Sunday column 0
    const int   days = GetDaysInMonth(month, year);
    QStringList weeks;
    for (int row = 0; row < 6; ++row) {
        QStringList cells;
        for (int col = 0; col < 7; ++col) {
            const int d = row * 7 + col - first + 1;
            cells << (d >= 1 && d <= days ? QStringLiteral("%1").arg(d, 2) : QStringLiteral("  "));
        }
        weeks << cells.join(QLatin1Char(' '));
    }
    return weeks;
}

QWidget* GoToYearSheet() {
    return FindWindowById(GoToYearWindowId);
}

int SheetMode(QWidget* sheet) {
    QByteArray bytes;
    int32_t    mode = 0;
    if (GetControlProperty(sheet, SheetCreator, ModeTag, &bytes) && bytes.size() == sizeof mode)
        std::memcpy(&mode, bytes.constData(), sizeof mode);
    return mode;
}

void StoreSheetMode(QWidget* sheet, int32_t mode) {
    QByteArray bytes(sizeof mode, '\0');
    std::memcpy(bytes.data(), &mode, sizeof mode);
    SetControlProperty(sheet, SheetCreator, ModeTag, bytes);
}

bool IsTwelveMonthWindow(const QWidget* window) {
    return GetWindowTitle(window).contains(TwelveMonthTitle, Qt::CaseInsensitive);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Year text
// ---------------------------------------------------------------------------------------------------------

QStringList YearCalendarLines(int year) {
    QStringList   lines{RightTrimmed(Centred(QString::number(year), YearWidth)), QString()};
    const QString gap(MonthGap, QLatin1Char(' '));
    QStringList   header;
    for (const QString& name : ShortWeekdayNames()) header << Centred(name.left(2), 2);
    const QString headerLine = header.join(QLatin1Char(' '));
    for (int band = 0; band < 4; ++band) {
        QStringList names, headers;
        QStringList weeks[3];
        for (int i = 0; i < 3; ++i) {
            const int month = 3 * band + i + 1;
            names << Centred(GetMonthNameFromMonthNbr(month), MonthWidth);
            headers << headerLine;
            weeks[i] = MonthWeeks(month, year);
        }
        lines << RightTrimmed(names.join(gap)) << RightTrimmed(headers.join(gap));
        for (int row = 0; row < 6; ++row)
            lines << RightTrimmed(weeks[0][row] + gap + weeks[1][row] + gap + weeks[2][row]);
    }
    return lines;
}

YearLineRole YearLineRoleAt(int index) {
    if (index == 0) return YearLineRole::Year;
    if (index < 2 || index > 33) return YearLineRole::Other;
    switch ((index - 2) % 8) {
    case 0:
        return YearLineRole::MonthNames;
    case 1:
        return YearLineRole::WeekdayHeader;
    default:
        return YearLineRole::Other;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Sheet
// ---------------------------------------------------------------------------------------------------------

void ShowGoToYear(int mode) {
    QWidget* calendar = FindWindowById(CalendarWindowId);
    if (!calendar) {
        ShowAlert(AlertStyle::Informational,
                  QStringLiteral("Calendar (Ctrl+1) must be open for this function"),
                  QStringLiteral("Please open the calendar window first"));
        return;
    }
    QWidget* sheet = GoToYearSheet();
    if (!sheet) {
        // Made once and only hidden afterwards, so the field keeps the last year typed.
        sheet = CreateLooseSheetFromDefinition(QStringLiteral("GoToYearWnd"));
        if (!sheet) return;
        SetWindowId(sheet, GoToYearWindowId);
        SetWindowTitleText(sheet, QStringLiteral("To Which Year?"));
        SetControlText(FindControl(sheet, GoToYearField), QString::number(GetCurrentYear()));
        InstallKeyFilter(sheet, GoToYearField, FourDigitFilter);
    }
    StoreSheetMode(sheet, mode);
    ShowSheetOn(sheet, calendar);
    QWidget* field = FindControl(sheet, GoToYearField);
    SetFocusToControl(field);
    SelectAllControlText(field); // one Backspace makes room for another year
}

void GoToYearOK() {
    QWidget* sheet = GoToYearSheet();
    if (!sheet) return;
    int       year = GetControlText(FindControl(sheet, GoToYearField)).trimmed().toInt();
    const int mode = SheetMode(sheet);
    HideWindow(sheet);
    if (mode == GoToYearMode) {
        if (year >= 1) ShowCalendarMonth(year, GetCalendarMonth());
        return;
    }
    if (year < 1) year = GetCurrentYear();
    BuildTwelveMonthWindow(year);
}

// ---------------------------------------------------------------------------------------------------------
// Window
// ---------------------------------------------------------------------------------------------------------

int TwelveMonthWindowId(int year) {
    // Years up to 650 would take the numbers of the program's own windows (the calendar, sheets, daynote and
    // user note windows) and be found, or closed, as one of them; they move past the four-digit years.
    return year > LastUserNoteWindowId ? year : year + 10000;
}

QWidget* BuildTwelveMonthWindow(int year) {
    QWidget* previous = nullptr;
    for (QWidget* w : DocumentWindows())
        if (IsTwelveMonthWindow(w)) {
            previous = w;
            break;
        }
    QWidget* window = CreateWindowFromDefinition(QStringLiteral("12MonthCalWnd"));
    if (!window) return nullptr;
    SetWindowId(window, TwelveMonthWindowId(year));
    SetWindowTitleText(window, QStringLiteral("%1 %2").arg(TwelveMonthTitle).arg(year));
    SetWindowContentBounds(window, QRect(50, 50, 750, 700));
    // Cascaded from the newest one open, so neither hides the other's title.
    if (previous) SetWindowPosition(window, GetWindowPosition(previous) + QPoint(22, 22));
    DrawTwelveMonth(window, year);
    WidenWindowToContent(window); // all three columns of months, with no sideways scrolling
    ShowWindow(window);
    return window;
}

void DrawTwelveMonth(QWidget* window, int year) {
    const QStringList texts = YearCalendarLines(year);
    QList<StyledLine> lines;
    for (int i = 0; i < texts.size(); ++i) {
        StyledLine line{texts[i]};
        switch (YearLineRoleAt(i)) {
        case YearLineRole::Year:
            line.bold = true, line.colour = QColor(0, 0, 255);
            break;
        case YearLineRole::MonthNames:
            line.bold = true, line.colour = QColor(255, 0, 0);
            break;
        case YearLineRole::WeekdayHeader:
            line.bold = true;
            break;
        case YearLineRole::Other:
            break;
        }
        lines << line;
    }
    // The window keeps its own lines: another year opened later never shows up in it.
    QWidget* text = FindControl(window, YearTextControl);
    SetControlStyledLines(text, lines);
    SetControlAccessibleName(text, QStringLiteral("%1 %2").arg(TwelveMonthTitle).arg(year));
}

// ---------------------------------------------------------------------------------------------------------
// Commands and control actions
// ---------------------------------------------------------------------------------------------------------

int CommandGoToYear(FourCC) {
    ShowGoToYear(GoToYearMode);
    return EventHandled;
}

int CommandTwelveMonth(FourCC) {
    ShowGoToYear(TwelveMonthMode);
    return EventHandled;
}

int GoToYearOKHit(int, unsigned) {
    GoToYearOK();
    return EventHandled;
}
