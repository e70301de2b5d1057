// The calendar window.
#include "calendar/calendar_window.h"

#include "calendar/colours.h"
#include "calendar/sun.h"
#include "calendar/weekly_view.h"
#include "calendar/weeks.h"
#include "core/app_state.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/preference_changes.h"
#include "core/preferences.h"
#include "core/sync.h"
#include "core/window_ids.h"
#include "notes/daynote_window.h"
#include "platform/alerts.h"
#include "platform/fatal.h"
#include "platform/windows.h"
#include "tools/countdown.h"
#include "tools/sounds.h"

#include <QRect>
#include <cstdlib>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Building and showing ...... ShowCalendar, BuildCalendarWindow, SetSunLineVisible
//   Month on show ............. ShowCalendarMonth, GoToCurrentMonth, PutDateTimeOnCalTitle, DecOrIncMonth
//   Grid ...................... FillMonthGrid, DrawDayCell, MarkDayCell, FindDayCell, WeekdayInitials,
//                               DayCellName, HighlightDateOnCal and the days the daynote store says changed
//   Tick ...................... CalendarTick, PutTimeOnCal
//   Control actions
// ---------------------------------------------------------------------------------------------------------

namespace {

int lastCountdownDays = CountdownNeverDrawn;

QWidget* CalendarWindow() {
    return FindWindowById(CalendarWindowId);
}

QString ClockPattern() {
    return Prefs().showSeconds ? QStringLiteral("h:mm:ss a") : QStringLiteral("h:mm a");
}

QString CountdownLineText(int days) {
    const QString target = CountdownTargetText(false);
    if (days == 0) return QStringLiteral("< 1 day to %1").arg(target);
    if (days == 1) return QStringLiteral("1 Day to %1").arg(target);
    return QStringLiteral("%1 Days to %2").arg(days).arg(target);
}

// A cell outside the month: no number, no frame, nothing to announce, and disabled, so neither a click nor
// the keyboard nor assistive technology finds a day there.
void ClearDayCell(QWidget* cell) {
    SetControlEnabled(cell, false);
    SetControlText(cell, QString());
    SetControlEmphasis(cell, false);
    SetControlAccessibleName(cell, QString());
    SetControlTabStop(cell, false);
}

// The countdown line, redrawn only when the whole-day count changes.
void RefreshCountdownLine(QWidget* window) {
    const GregorianUnits units =
        GetDifferenceUnits(GetNow(), Prefs().countDownDate, UnitDays | UnitHours | UnitMinutes | UnitSeconds);
    const int days = std::abs(units.days);
    if (days == lastCountdownDays) return;
    SetControlText(FindControl(window, CountdownLine), CountdownLineText(days));
    lastCountdownDays = days;
}

// The sync's one-line status, there only while sync is on.
void DrawSyncStatusLine(QWidget* window) {
    QWidget*      line = FindControl(window, CalendarSyncStatusControl);
    const QString text = SyncStatusText();
    SetControlText(line, text);
    SetControlVisible(line, !text.isEmpty());
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Building and showing
// ---------------------------------------------------------------------------------------------------------

void ShowCalendar() {
    if (QWidget* window = CalendarWindow()) {
        ShowWindow(window);
        return;
    }
    QWidget* window = BuildCalendarWindow();
    if (!window) return;
    lastCountdownDays = CountdownNeverDrawn;
    FillMonthGrid();
    // The line is there from the first frame, for the eye and for assistive technology alike.
    RefreshCountdownLine(window);
    ShowWindow(window);
}

QWidget* BuildCalendarWindow() {
    QWidget* window = CreateWindowFromDefinition(QStringLiteral("Calendar"));
    if (!window) return nullptr;
    SetWindowId(window, CalendarWindowId);
    SetWindowTitleText(window, QStringLiteral("VRD X"));
    const PrefRect saved = Prefs().calendarRect;
    const double   now = GetNow();
    QString        title = MonthYearText(now);
    if (Prefs().showWeekNumber) title = AppendWeekNumber(title, StartOfCurrentWeek());
    SetControlText(FindControl(window, CalendarTitleControl), title);
    PutTimeOnCal(window);
    QWidget* sunLine = FindControl(window, CalendarSunLineControl);
    SetControlText(sunLine, SunLineText());
    SetControlVisible(sunLine, false);
    KeepMenuBarWhole(window);
    FitWindowToContent(window);
    SetSunLineVisible(Prefs().showSunLine, window);
    DrawSyncStatusLine(window);
    FollowSyncStatus(window, [window] { DrawSyncStatusLine(window); });
    // Only the place is restored: the size follows the desktop's font.
    RestoreWindowPlace(window, saved.toRect(), false);
    FollowPreferences(window, [window](PrefAspect aspect) {
        const bool all = aspect == PrefAspect::All;
        if (all || aspect == PrefAspect::SunLine) SetSunLineVisible(Prefs().showSunLine, window);
        if (all || aspect == PrefAspect::WeekStart)
            GoToCurrentMonth(App().daynotes); // the week's first day moves the month grid and the week
        else if (aspect == PrefAspect::WeekNumber || aspect == PrefAspect::TypeColours)
            ShowCalendarMonth(GetCalendarYear(), GetCalendarMonth());
        if (all || aspect == PrefAspect::Countdown) SetLastCountdownDays(CountdownPrefsChanged);
    });
    FollowDaynotes(window, [](const DaynoteChanges& changes) {
        if (changes.everything) {
            FillMonthGrid();
            return;
        }
        const int month = GetCalendarMonth(), year = GetCalendarYear();
        if (!changes.HasBetween(DateToAbsTime(month, 1, year),
                                DateToAbsTime(month, GetDaysInMonth(month, year), year)))
            return;
        const RecordArray& daynotes = App().daynotes;
        for (double day : changes.days) {
            const int index = FindNoteIndex(daynotes, day);
            HighlightDateOnCal(day, IsNoteAtIndex(daynotes, day, index), index, daynotes);
        }
    });
    return window;
}

void SetSunLineVisible(bool show, QWidget* window) {
    QWidget* line = FindControl(window, CalendarSunLineControl);
    if (!line || IsControlVisible(line) == show) return; // a repeated call changes nothing
    QRect     bounds = GetWindowContentBounds(window);
    const int delta = GetControlHeight(line) + 10;
    SetControlVisible(line, show);
    bounds.setBottom(bounds.bottom() + (show ? delta : -delta));
    SetWindowContentBounds(window, bounds);
}

// ---------------------------------------------------------------------------------------------------------
// Month on show
// ---------------------------------------------------------------------------------------------------------

void ShowCalendarMonth(int year, int month) {
    if (!CalendarWindow()) return;
    PutDateTimeOnCalTitle(year, month);
    FillMonthGrid();
}

void GoToCurrentMonth(RecordArray& daynotes) {
    if (FindWindowById(WeeklyWindowId)) SaveWeek(daynotes);
    App().dayMark = GetCurrentDay();
    ShowCalendarMonth(GetCurrentYear(), GetCurrentMonth());
    RefreshWeeklyView();
}

void PutDateTimeOnCalTitle(int year, int month) {
    const QString base = QStringLiteral("%1 %2").arg(GetMonthNameFromMonthNbr(month)).arg(year);
    const QString title = Prefs().showWeekNumber
                              ? QStringLiteral("%1 %2").arg(base, WeekNumberText(StartOfCurrentWeek()))
                              : base;
    QWidget*      window = CalendarWindow();
    if (!window) {
        ShowAlert(AlertStyle::Informational,
                  QStringLiteral("fn PutDateTimeOnCalTitle error - calendar window not found"),
                  QStringLiteral("Contact developer with this message"));
        return;
    }
    PutTimeOnCal(window);
    SetControlText(FindControl(window, CalendarTitleControl), title);
}

void DecOrIncMonth(int buttonId, int* month, int* year) {
    if (buttonId == PreviousMonthButton)
        StepMonth(-1, month, year);
    else if (buttonId == NextMonthButton)
        StepMonth(1, month, year);
    else
        ShowAlert(AlertStyle::Informational, QStringLiteral("Bad Parm in FN DecOrIncMonth - back/forward"),
                  QStringLiteral("Contact developer with this message"));
}

// ---------------------------------------------------------------------------------------------------------
// Grid
// ---------------------------------------------------------------------------------------------------------

void FillMonthGrid() {
    QWidget* window = CalendarWindow();
    if (!window) return;
    const QString      initials = WeekdayInitials(MondayFirst() ? -1 : 0, 1);
    const QStringList& names = WeekdayNames(); // Sunday first
    for (int i = 0; i < 7 && i < initials.size(); ++i) {
        QWidget* initial = FindControl(window, FirstWeekdayInitial + i);
        SetControlText(initial, initials.mid(i, 1));
        if (names.size() == 7) SetControlAccessibleName(initial, names[(i + (MondayFirst() ? 1 : 0)) % 7]);
    }

    const int          month = GetCalendarMonth();
    const int          year = GetCalendarYear();
    const int          w = GetDayOfWeek(DateToAbsTime(month, 1, year));
    const int          first = MondayFirst() ? 53 + w : (w == 7 ? 54 : 54 + w);
    const int          days = GetDaysInMonth(month, year);
    const int          end = first + days;
    const RecordArray& daynotes = App().daynotes;
    // A cell that leaves the month also loses today's frame, or two cells would look like today.
    for (int cell = FirstDayCell; cell < first; ++cell) ClearDayCell(FindControl(window, cell));
    for (int cell = end; cell <= LastDayCell; ++cell) ClearDayCell(FindControl(window, cell));
    const bool currentMonth = month == GetCurrentMonth() && year == GetCurrentYear();
    // Tab enters the grid on today, or on the first of another month.
    const int tabStopDay = currentMonth ? App().dayMark : 1;
    for (int d = 1; d <= days; ++d) {
        const double date = DateToAbsTime(month, d, year);
        const int    index = FindNoteIndex(daynotes, date);
        const bool   has = IsNoteAtIndex(daynotes, date, index);
        DrawDayCell(CalendarWindowId, first + d - 1, has, currentMonth && d == App().dayMark,
                    QStringLiteral(" %1").arg(d), index, daynotes);
        QWidget* cell = FindControl(window, first + d - 1);
        SetControlEnabled(cell, true);
        SetControlTabStop(cell, d == tabStopDay);
    }
}

void DrawDayCell(int windowId, int cellId, bool hasDaynote, bool isToday, const QString& text, int index,
                 const RecordArray& daynotes) {
    QWidget* cell = FindControl(FindWindowById(windowId), cellId);
    if (!cell) return;
    int8_t type = 0;
    if (hasDaynote) GetRecordByte(daynotes, index, NoteTypeKey, &type);
    const QColor colour =
        hasDaynote ? DisplayColour(TypeColour(type), cell) : DisplayColour(QColor(Qt::black), cell);
    NoteFontStyle style;
    style.flags = 0x020B; // font, face, fore colour; added to the meta font
    style.font = -1;
    style.size = 0;
    style.style = isToday ? 1 | 4 : 0; // bold and underlined
    const QRgba64 rgb = colour.rgba64();
    style.fgRed = int16_t(rgb.red());
    style.fgGreen = int16_t(rgb.green());
    style.fgBlue = int16_t(rgb.blue());
    SetControlFontStyle(cell, style);
    SetControlEmphasis(cell, isToday);
    SetControlText(cell, text);
    const double date = DateToAbsTime(GetCalendarMonth(), text.trimmed().toInt(), GetCalendarYear());
    SetControlAccessibleName(cell, DayCellName(date, isToday, hasDaynote, type));
}

QString DayCellName(double date, bool isToday, bool hasDaynote, int type) {
    static const char* const types[] = {"standard ", "holiday ", "event ", "keeper "};
    QString                  name = FormatDate(QStringLiteral("EEEE d MMMM yyyy"), date);
    if (hasDaynote)
        name += QStringLiteral(", %1daynote")
                    .arg(type >= NoteStandard && type <= NoteKeeper ? QLatin1String(types[type - 1])
                                                                    : QLatin1String());
    if (isToday) name += QStringLiteral(", today");
    return name;
}

void MarkDayCell(bool hasDaynote, int day, int cellId, int index, const RecordArray& daynotes) {
    const bool isToday = day == App().dayMark && GetCalendarMonth() == GetCurrentMonth() &&
                         GetCalendarYear() == GetCurrentYear();
    DrawDayCell(CalendarWindowId, cellId, hasDaynote, isToday, QStringLiteral(" %1").arg(day), index,
                daynotes);
}

void HighlightDateOnCal(double date, bool hasDaynote, int index, const RecordArray& daynotes) {
    if (!CalendarWindow()) return;
    const GregorianDate d = AbsTimeToDate(date);
    if (d.month != GetCalendarMonth() || d.year != GetCalendarYear()) return;
    const int cell = FindDayCell(d.day);
    if (cell == 9999) FatalInternalError(QStringLiteral("Failure in FN HighlightDateOnCal"));
    MarkDayCell(hasDaynote, d.day, cell, index, daynotes);
}

int FindDayCell(int day) {
    QWidget* window = CalendarWindow();
    for (int cell = FirstDayCell; cell <= LastDayCell; ++cell)
        if (GetControlText(FindControl(window, cell)).trimmed().toInt() == day) return cell;
    return 9999;
}

// ---------------------------------------------------------------------------------------------------------
// Tick
// ---------------------------------------------------------------------------------------------------------

void PutTimeOnCal(QWidget* window) {
    SetControlText(FindControl(window, CalendarClockControl), FormatDate(ClockPattern(), GetNow()));
}

void SetLastCountdownDays(int days) {
    lastCountdownDays = days;
}

void CalendarTick(QWidget* window) {
    QWidget*      clock = FindControl(window, CalendarClockControl);
    const double  now = GetNow();
    const QString text = FormatDate(ClockPattern(), now);
    if (text != GetControlText(clock)) {
        const GregorianDate d = AbsTimeToDate(now);
        const Preferences&  p = Prefs();
        bool                chime = false, autosave = false;
        if (d.second <= 0.5 && d.minute == 0) {
            chime = p.chime == ChimeHour;
            autosave = p.autosave == AutosaveHourly;
        } else if (d.second <= 0.5 && d.minute == 30) {
            chime = p.chime == ChimeHalfHour;
            autosave = p.autosave == AutosaveHalfHour;
        }
        if (chime) PlaySoundNamed(QStringLiteral("Mantel.aiff"));
        SetControlText(clock, text);
        if (autosave) SaveDaynoteFile(App().daynotes);
        RefreshCountdownLine(window);
    } else if (lastCountdownDays >= CountdownNeverDrawn) {
        // The whole-day count can only change when the clock text does, unless a redraw was asked for.
        RefreshCountdownLine(window);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Control actions
// ---------------------------------------------------------------------------------------------------------

int CalendarYearButton(int controlId, unsigned modifiers) {
    if (modifiers & ModOption) return SendCommand(MakeFourCC("GoYr"));
    ShowCalendarMonth(GetCalendarYear() + (controlId == NextYearButton ? 1 : -1), GetCalendarMonth());
    return EventHandled;
}

int CalendarMonthButton(int controlId, unsigned) {
    int month = GetCalendarMonth(), year = GetCalendarYear();
    DecOrIncMonth(controlId, &month, &year);
    ShowCalendarMonth(year, month);
    return EventHandled;
}

int CalendarTitleClick(int, unsigned) {
    GoToCurrentMonth(App().daynotes);
    return EventHandled;
}

int CalendarCountdownClick(int, unsigned) {
    ToggleCountdown();
    return EventHandled;
}

int CalendarClockClick(int, unsigned) {
    Prefs().showSeconds = !Prefs().showSeconds; // the clock changes at the next tick
    return EventHandled;
}

int CalendarDayStep(int controlId, unsigned) {
    QWidget*  window = CalendarWindow();
    const int day = GetControlText(FindControl(window, controlId)).trimmed().toInt();
    if (day == 0) return EventHandled; // a blank cell has no day to step from
    // A step past the first or last day moves the calendar to that month.
    const QPoint        step = EventArrowStep();
    const int           month = GetCalendarMonth(), year = GetCalendarYear();
    const GregorianDate to =
        AbsTimeToDate(AddDateUnits(DateToAbsTime(month, day, year), step.x() + 7 * step.y(), AddDays));
    if (to.month != month || to.year != year) ShowCalendarMonth(to.year, to.month);
    SetFocusToControl(FindControl(window, FindDayCell(to.day)));
    return EventHandled;
}

int CalendarDayClick(int controlId, unsigned modifiers) {
    const int day = GetControlText(FindControl(CalendarWindow(), controlId)).trimmed().toInt();
    // Option-click on a day makes it the countdown's day instead of opening its daynote.
    if ((modifiers & ModOption) && day != 0) {
        if (Prefs().clickSound == ClickSoundOn) PlaySoundNamed(QStringLiteral("Click.aiff"));
        Prefs().countDownDate = DateToAbsTime(GetCalendarMonth(), day, GetCalendarYear());
        SetLastCountdownDays(CountdownPrefsChanged);
        return EventHandled;
    }
    OpenDaynote(GetCalendarMonth(), day, GetCalendarYear(), App().daynotes);
    return EventHandled;
}
