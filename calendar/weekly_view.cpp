// The weekly view: one week of daynotes beside each other, seven boxes typed into directly and written into
// the daynote array as they change, stepped a week at a time.
#include "calendar/weekly_view.h"
#include "calendar/monthly_view.h"
#include "calendar/weeks.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/preference_changes.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "notes/daynote_window.h"
#include "notes/reminders.h"
#include "platform/windows.h"

#include <cstring>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Week start ................ WeekStart, SetWeekStart (the 'wk01' property of button 26)
//   Filling ................... FillWeek, PutWeekTitle, the day styles, EnableDeleteBoxes, the days the
//                               daynote store says changed
//   Saving and deleting ....... SaveWeek, DeleteCheckedDays
//   Window .................... ShowWeeklyView, RefreshWeeklyView, CloseWeeklyView
//   Control actions
// ---------------------------------------------------------------------------------------------------------

namespace {

const FourCC WeekCreator = MakeFourCC("VRDX");
const FourCC WeekStartTag = MakeFourCC("wk01");

QWidget* WeeklyWindow() {
    return FindWindowById(WeeklyWindowId);
}

void StoreWeekStart(QWidget* window, double start) {
    QByteArray bytes(sizeof start, '\0');
    std::memcpy(bytes.data(), &start, sizeof start);
    SetControlProperty(FindControl(window, NextWeekButton), WeekCreator, WeekStartTag, bytes);
}

double DayInWeek(int i) {
    return AddDateUnits(WeekStart(), i, AddDays);
}

bool IsToday(double date) {
    const GregorianDate d = AbsTimeToDate(date);
    const GregorianDate t = GetToday();
    return d.day == t.day && d.month == t.month && d.year == t.year;
}

enum StyleFlag : int16_t { UseFont = 0x01, UseFace = 0x02, UseForeColour = 0x08, UseJust = 0x40 };
constexpr int16_t Bold = 1, Underline = 4;

// The label styles of a day: the day number bold red for today, the weekday name underlined.
NoteFontStyle LabelStyle(int16_t face, bool red) {
    NoteFontStyle style;
    style.flags = UseFont | UseFace | UseForeColour | UseJust;
    style.font = -1;
    style.style = face;
    style.fgRed = red ? int16_t(-1) : 0; // 65535
    return style;
}

// A day without a daynote is typed in the font menu's default item, in black.
NoteFontStyle EmptyDayStyle() {
    return FontPreset(DefaultFontItem, NoteFontStyle{});
}

void EnableDeleteBoxes(QWidget* window) {
    for (int i = 0; i < 7; ++i)
        SetControlEnabled(FindControl(window, FirstDeleteBox + i),
                          GetControlText(FindControl(window, FirstWeekBox + i)).size() >= 2);
}

// A box shows its day's daynote in the daynote's style; it then holds what it loaded. Text and style are set
// only where they differ, so that a box being typed into keeps its cursor.
void ShowStoredDay(QWidget* window, int i, const RecordArray& daynotes) {
    QWidget*      box = FindControl(window, FirstWeekBox + i);
    const double  d = DayInWeek(i);
    const int     index = FindNoteIndex(daynotes, d);
    QString       text;
    NoteFontStyle style = EmptyDayStyle();
    if (IsNoteAtIndex(daynotes, d, index)) {
        // A daynote without a font record of its own is shown as the daynote window shows it, so that
        // typing into it does not give it one.
        if (!GetRecordFontStyle(daynotes, index, NoteCFSKey, &style)) style = NoteFontStyle{};
        if (const Value* data = GetRecordValue(daynotes, index, NoteDataKey))
            if (const QString* stored = ValueText(*data)) text = *stored;
    }
    if (GetControlFontStyle(box) != style) SetControlFontStyle(box, style);
    if (GetControlText(box) != text) SetControlText(box, text);
    RememberLoaded(box);
}

// The week's days that changed elsewhere are shown again, in the boxes the user has not typed into.
void FollowDaynoteChanges(QWidget* window) {
    FollowPreferences(window, [](PrefAspect aspect) {
        if (aspect == PrefAspect::WeekNumber || aspect == PrefAspect::All) RedrawWeeklyView();
    });
    FollowDaynotes(window, [window](const DaynoteChanges& changes) {
        const double start = WeekStart();
        if (!changes.HasBetween(start, DayInWeek(6))) return;
        // A box the user typed into keeps the words; writing them keeps what the change added too.
        for (int i = 0; i < 7; ++i)
            if (changes.Has(DayInWeek(i)) && DaynoteEditorUntouched(window, FirstWeekBox + i))
                ShowStoredDay(window, i, App().daynotes);
        EnableDeleteBoxes(window);
    });
}

void EnableDeleteButton(QWidget* window) {
    bool any = false;
    for (int id = FirstDeleteBox; id <= LastDeleteBox; ++id)
        any = any || GetControlValue(FindControl(window, id)) != 0;
    SetControlEnabled(FindControl(window, DeleteDaysButton), any);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Week start
// ---------------------------------------------------------------------------------------------------------

double WeekStart() {
    QByteArray bytes;
    double     start = 0;
    if (GetControlProperty(FindControl(WeeklyWindow(), NextWeekButton), WeekCreator, WeekStartTag, &bytes) &&
        bytes.size() == sizeof start)
        std::memcpy(&start, bytes.constData(), sizeof start);
    return start;
}

void SetWeekStart() {
    QWidget* window = WeeklyWindow();
    if (!window) return;
    const int month = GetCalendarMonth();
    const int year = GetCalendarYear();
    const int day = month == GetCurrentMonth() && year == GetCurrentYear() ? GetCurrentDay() : 1;
    StoreWeekStart(window, StartOfWeekOf(DateToAbsTime(month, day, year)));
}

// ---------------------------------------------------------------------------------------------------------
// Filling
// ---------------------------------------------------------------------------------------------------------

void FillWeek(int delta) {
    QWidget* window = WeeklyWindow();
    if (!window) return;
    double start = WeekStart();
    // Calendar days, so that a step across a change of daylight saving time stays at 00:00.
    if (delta != 0) start = AddDateUnits(start, delta, AddDays);
    // Stored before any box changes: a text event raised while filling belongs to the new week.
    StoreWeekStart(window, start);
    const QString      names = WeekdayInitials(MondayFirst() ? -1 : 0, 3);
    const RecordArray& daynotes = App().daynotes;
    for (int i = 0; i < 7; ++i) {
        const double d = DayInWeek(i);
        const bool   today = IsToday(d);
        QWidget*     number = FindControl(window, FirstWeekDayNumber + i);
        SetControlFontStyle(number, LabelStyle(today ? Bold : 0, today));
        SetControlText(number, QString::number(AbsTimeToDate(d).day));
        QWidget* name = FindControl(window, FirstWeekdayName + i);
        SetControlFontStyle(name, LabelStyle(today ? Underline : 0, false));
        SetControlText(name, names.mid(3 * i, 3));

        ShowStoredDay(window, i, daynotes);
        const QString date = FormatDate(QStringLiteral("EEEE d LLLL yyyy"), d);
        SetControlAccessibleName(FindControl(window, FirstWeekBox + i), date);
        SetControlAccessibleName(FindControl(window, FirstDeleteBox + i), QStringLiteral("Delete ") + date);
    }
    PutWeekTitle(window, start);
    EnableDeleteBoxes(window);
}

void PutWeekTitle(QWidget* window, double weekStart) {
    QString title = QStringLiteral("%1 %2").arg(QStringLiteral("For week beginning"),
                                                FormatDate(QStringLiteral("LLLL dd, yyyy"), weekStart));
    if (Prefs().showWeekNumber) title = AppendWeekNumber(title, weekStart);
    SetWindowTitleText(window, title);
}

void RedrawWeeklyView() {
    FillWeek(0);
}

// ---------------------------------------------------------------------------------------------------------
// Saving and deleting
// ---------------------------------------------------------------------------------------------------------

void SaveWeek(RecordArray& daynotes) {
    if (!WeeklyWindow()) return;
    for (int i = 0; i < 7; ++i) {
        const DateValue day{DayInWeek(i)};
        // A record whose text is missing or not a string (another program wrote it) shows as an empty box;
        // left empty, it stays as it is on disk instead of being deleted.
        const int    index = FindNoteIndex(daynotes, day.absTime);
        const Value* text = IsNoteAtIndex(daynotes, day.absTime, index)
                                ? GetRecordValue(daynotes, index, NoteDataKey)
                                : nullptr;
        if (IsNoteAtIndex(daynotes, day.absTime, index) && (!text || !ValueText(*text)) &&
            GetControlText(FindControl(WeeklyWindow(), FirstWeekBox + i)).isEmpty())
            continue;
        SaveDaynote(&day, FirstWeekBox + i, WeeklyWindowId, daynotes);
    }
}

void DeleteCheckedDays(RecordArray& daynotes) {
    QWidget* window = WeeklyWindow();
    if (!window) return;
    for (int i = 0; i < 7; ++i) {
        QWidget* tick = FindControl(window, FirstDeleteBox + i);
        if (!GetControlValue(tick)) continue;
        const double d = DayInWeek(i);
        const int    index = FindNoteIndex(daynotes, d);
        if (IsNoteAtIndex(daynotes, d, index)) RemoveRecord(daynotes, index);
        SetControlValue(tick, 0);
    }
    SetControlEnabled(FindControl(window, DeleteDaysButton), false);
}

// ---------------------------------------------------------------------------------------------------------
// Window
// ---------------------------------------------------------------------------------------------------------

void ShowWeeklyView() {
    if (QWidget* open = WeeklyWindow()) {
        SelectWindow(open);
        return;
    }
    RegisterFontFamilies();
    QWidget* window = CreateWindowFromDefinition(QStringLiteral("Weekly"));
    if (!window) return;
    SetWindowId(window, WeeklyWindowId);
    for (int id = FirstWeekBox; id <= LastWeekBox; ++id)
        SetControlFontStyle(FindControl(window, id), EmptyDayStyle());
    const PrefRect saved = Prefs().weeklyRect;
    if (saved.top > 0) RestoreWindowPlace(window, saved.toRect());
    SetWeekStart();
    FillWeek(0);
    FollowDaynoteChanges(window);
    ShowWindow(window);
}

void RefreshWeeklyView() {
    SetWeekStart();
    FillWeek(0);
}

void CloseWeeklyView() {
    SaveWeek(App().daynotes);
}

// ---------------------------------------------------------------------------------------------------------
// Control actions
// ---------------------------------------------------------------------------------------------------------

int WeekBoxChanged(int controlId, unsigned) {
    QWidget* window = ControlWindow(EventControl());
    if (GetWindowId(window) != WeeklyWindowId) return EventNotHandled;
    const DateValue day{DayInWeek(controlId - FirstWeekBox)};
    SaveDaynote(&day, controlId, WeeklyWindowId, App().daynotes);
    EnableDeleteBoxes(window);
    return EventHandled;
}

int WeekBoxContextClick(int controlId, QWidget* window, QPoint) {
    if (GetWindowId(window) != WeeklyWindowId) return EventNotHandled;
    const GregorianDate d = AbsTimeToDate(DayInWeek(controlId - FirstWeekBox));
    OpenDaynote(d.month, d.day, d.year, App().daynotes);
    return EventHandled;
}

int DeleteBoxHit(int, unsigned) {
    EnableDeleteButton(WeeklyWindow());
    return EventHandled;
}

int DeleteDaysHit(int, unsigned) {
    DeleteCheckedDays(App().daynotes);
    return EventHandled;
}

int WeekStepHit(int controlId, unsigned) {
    SaveWeek(App().daynotes);
    FillWeek(controlId == PreviousWeekButton ? -7 : 7);
    return EventHandled;
}

int CurrentWeekHit(int, unsigned) {
    return SendCommand(MakeFourCC("SCur"));
}

int WeeklyRemindersHit(int, unsigned) {
    ShowAllReminders(App().daynotes);
    return EventHandled;
}

int WeekdayInitialClick(int, unsigned modifiers) {
    return SendCommand(MakeFourCC(modifiers & ModOption ? "Mont" : "Week"));
}
