// The monthly view: a whole month as a grid of boxes, each with its day number and that day's daynote text
// in the daynote's own style; read-only, stepped a month at a time on its own.
#include "calendar/monthly_view.h"

#include "calendar/weeks.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/font_presets.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "platform/windows.h"

#include <QRect>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Window .................... ShowMonthlyView, BuildMonthlyWindow, PutMonthlyTitle
//   Filling ................... FillMonth, FirstMonthPosition, RefreshMonthlyView
//   Control actions
// ---------------------------------------------------------------------------------------------------------

namespace {

QWidget* MonthlyWindow() {
    return FindWindowById(MonthlyWindowId);
}

// The day number: bold, underlined and red for today, plain black otherwise, in the desktop's font.
NoteFontStyle NumberStyle(bool today) {
    NoteFontStyle style;
    style.flags = 0x020B; // font, face, fore colour; added to the meta font
    style.font = -1;
    style.style = today ? 1 | 4 : 0;
    style.fgRed = today ? int16_t(-1) : 0; // 65535
    return style;
}

const QString OutsideMonth = QStringLiteral("Not in this month");

// The daynote of one day of the month shown, in its box, in the daynote's own style.
void FillMonthNote(QWidget* note, double date, const RecordArray& daynotes) {
    const int index = FindNoteIndex(daynotes, date);
    QString   text;
    if (IsNoteAtIndex(daynotes, date, index)) {
        NoteFontStyle style;
        if (!GetRecordFontStyle(daynotes, index, NoteCFSKey, &style)) style = NoteFontStyle{};
        SetControlFontStyle(note, style);
        if (const Value* data = GetRecordValue(daynotes, index, NoteDataKey))
            if (const QString* stored = ValueText(*data)) text = *stored;
    }
    SetControlText(note, text);
    // A label is read by its text; an empty one says so.
    SetControlAccessibleName(note, text.isEmpty() ? QStringLiteral("No daynote") : QString());
}

// The days of the month shown that changed elsewhere are drawn again.
void FollowDaynoteChanges(QWidget* window) {
    FollowDaynotes(window, [window](const DaynoteChanges& changes) {
        const int month = GetMonthlyViewMonth(), year = GetMonthlyViewYear();
        if (changes.everything) {
            FillMonth(window, month, year);
            return;
        }
        const int days = GetDaysInMonth(month, year);
        if (!changes.HasBetween(DateToAbsTime(month, 1, year), DateToAbsTime(month, days, year))) return;
        const int first = FirstMonthPosition(month, year);
        for (double day : changes.days) {
            const GregorianDate d = AbsTimeToDate(day);
            if (d.month == month && d.year == year)
                FillMonthNote(FindControl(window, FirstMonthlyNote + first + d.day - 1), day, App().daynotes);
        }
    });
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Window
// ---------------------------------------------------------------------------------------------------------

void ShowMonthlyView() {
    QWidget* window = MonthlyWindow();
    if (!window) {
        window = BuildMonthlyWindow();
        if (!window) return;
        const int month = GetCalendarMonth(), year = GetCalendarYear();
        FillMonth(window, month, year);
        PutMonthlyTitle(window, month, year);
    }
    ShowWindow(window);
}

QWidget* BuildMonthlyWindow() {
    RegisterFontFamilies();
    QWidget* window = CreateWindowFromDefinition(QStringLiteral("Monthly"));
    if (!window) return nullptr;
    SetWindowId(window, MonthlyWindowId);
    KeepMenuBarWhole(window);
    // The saved bounds are the window's whole content: its size as well as its place.
    const QRect saved = Prefs().monthlyRect.toRect();
    if (saved.width() > 0 && saved.height() > 0) {
        SetWindowContentBounds(window, QRect(GetWindowContentBounds(window).topLeft(), saved.size()));
        RestoreWindowPlace(window, saved);
    }
    FollowDaynoteChanges(window);
    return window;
}

void PutMonthlyTitle(QWidget* window, int month, int year) {
    SetWindowTitleText(window, QStringLiteral("%1 %2").arg(GetMonthNameFromMonthNbr(month)).arg(year));
}

// ---------------------------------------------------------------------------------------------------------
// Filling
// ---------------------------------------------------------------------------------------------------------

int FirstMonthPosition(int month, int year) {
    const int w = GetDayOfWeek(DateToAbsTime(month, 1, year)); // 1 Monday .. 7 Sunday
    return MondayFirst() ? w - 1 : (w == 7 ? 0 : w);
}

void FillMonth(QWidget* window, int month, int year) {
    if (!window) return;
    const QString names = WeekdayInitials(MondayFirst() ? -1 : 0, 3);
    for (int i = 0; i < 7; ++i)
        SetControlText(FindControl(window, FirstMonthlyWeekday + i), names.mid(3 * i, 3));

    const int           first = FirstMonthPosition(month, year);
    const int           days = GetDaysInMonth(month, year);
    const GregorianDate today = GetToday();
    const RecordArray&  daynotes = App().daynotes;
    for (int id = FirstMonthlyNote; id <= LastMonthlyNote; ++id)
        SetControlText(FindControl(window, id), QString());
    for (int k = 0; k < MonthlyPositions; ++k) {
        QWidget*  frame = FindControl(window, FirstMonthlyFrame + k);
        QWidget*  number = FindControl(window, FirstMonthlyNumber + k);
        QWidget*  note = FindControl(window, FirstMonthlyNote + k);
        const int d = k - first + 1;
        if (d < 1 || d > days) {
            // A box outside the month: one blank, and nothing for assistive technology to stop at.
            SetControlText(number, QStringLiteral(" "));
            SetControlEnabled(frame, false);
            for (QWidget* w : {frame, number, note}) SetControlAccessibleName(w, OutsideMonth);
            continue;
        }
        const double date = DateToAbsTime(month, d, year);
        const bool   isToday = d == today.day && month == today.month && year == today.year;
        SetControlEnabled(frame, true);
        SetControlFontStyle(number, NumberStyle(isToday));
        SetControlText(number, QString::number(d));
        SetControlAccessibleName(number, QString());
        SetControlAccessibleName(frame, FormatDate(QStringLiteral("EEEE d LLLL yyyy"), date) +
                                            (isToday ? QStringLiteral(", today") : QString()));
        FillMonthNote(note, date, daynotes);
    }
}

void RefreshMonthlyView() {
    if (QWidget* window = MonthlyWindow()) FillMonth(window, GetMonthlyViewMonth(), GetMonthlyViewYear());
}

// ---------------------------------------------------------------------------------------------------------
// Control actions
// ---------------------------------------------------------------------------------------------------------

int MonthlyStepHit(int controlId, unsigned) {
    QWidget* window = MonthlyWindow();
    if (!window) return EventNotHandled;
    int month = GetMonthlyViewMonth(), year = GetMonthlyViewYear();
    StepMonth(controlId == MonthlyNextButton ? 1 : -1, &month, &year);
    FillMonth(window, month, year);
    PutMonthlyTitle(window, month, year);
    return EventHandled;
}

int MonthlyWeeklyHit(int, unsigned) {
    return SendCommand(MakeFourCC("Week"));
}

int ShowMonthlyHit(int, unsigned) {
    ShowMonthlyView();
    return EventHandled;
}
