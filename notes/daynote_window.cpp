// The daynote window.
#include "notes/daynote_window.h"

#include "calendar/calendar_window.h"
#include "core/app_state.h"
#include "core/dates.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "notes/reminders.h"
#include "platform/fatal.h"
#include "platform/windows.h"
#include "tools/sounds.h"
#include "tools/user_notes.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Fonts ..................... FontPreset, FontMenuItemForStyle, SetDaynoteFont
//   Opening ................... OpenDaynote and the window it makes
//   Saving .................... SaveDaynote, InsertDaynote, HighlightDateOnCal
//   Buttons ................... enabling rules, the reminder button's title
// ---------------------------------------------------------------------------------------------------------

namespace {

constexpr int16_t DaynoteStyleFlags = 0x024F;

struct FontRow {
    int16_t font, size, style;
};
constexpr FontRow FontRows[9] = {
    {GenevaFontNumber, 9, 0},        {GenevaFontNumber, 10, 1},       {GenevaFontNumber, 12, 1},
    {GenevaFontNumber, 14, 1},       {LucidaGrandeFontNumber, 9, 1},  {LucidaGrandeFontNumber, 11, 1},
    {LucidaGrandeFontNumber, 13, 1}, {LucidaGrandeFontNumber, 14, 1}, {LucidaGrandeFontNumber, 18, 1},
};

QString DisplayDate(double date) {
    return FormatDate(QStringLiteral("dd  LLLL  yyyy"), date);
}

QWidget* DaynoteWindowTitled(const QString& title) {
    for (QWidget* w : DocumentWindows())
        if (IsDaynoteWindowId(GetWindowId(w)) && GetWindowTitle(w) == title) return w;
    return nullptr;
}

QWidget* FrontDaynoteWindow() {
    for (QWidget* w : DocumentWindows())
        if (IsDaynoteWindowId(GetWindowId(w))) return w;
    return nullptr;
}

void SetButtonsEnabled(QWidget* window, bool enabled) {
    for (int id : {RecurringButton, KeeperCheckBox, ReminderButton})
        SetControlEnabled(FindControl(window, id), enabled);
}

} // namespace

// The stored family names are drawn with the closest family this desktop has.
void RegisterFontFamilies() {
    static bool done = false;
    if (done) return;
    done = true;
    SetFontFamilyForNumber(GenevaFontNumber,
                           {QStringLiteral("Geneva"), QStringLiteral("Verdana"),
                            QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    SetFontFamilyForNumber(LucidaGrandeFontNumber, {QStringLiteral("Lucida Grande"),
                                                    QStringLiteral("Cantarell"), QStringLiteral("Noto Sans"),
                                                    QStringLiteral("Ubuntu"), QStringLiteral("DejaVu Sans")});
}

bool IsDaynoteWindowId(int windowId) {
    return windowId >= 50 && windowId <= LastDaynoteWindowId;
}

// ---------------------------------------------------------------------------------------------------------
// Fonts
// ---------------------------------------------------------------------------------------------------------

NoteFontStyle FontPreset(int item, NoteFontStyle style) {
    style.flags = DaynoteStyleFlags;
    if (item < 1 || item > 9) return style;
    const FontRow& row = FontRows[item - 1];
    style.font = row.font;
    style.size = row.size;
    style.style = row.style;
    return style;
}

int FontMenuItemForStyle(const NoteFontStyle& style) {
    const int size = style.size;
    if (style.font == GenevaFontNumber) {
        if (size == 9) return 1;
        if (size == 10) return 2;
        if (size == 14) return 4;
        return 3;
    }
    if (style.font == LucidaGrandeFontNumber) {
        if (size == 9) return 5;
        if (size == 13) return 7;
        if (size == 14) return 8;
        if (size == 18) return 9;
        return 6;
    }
    return DefaultFontItem;
}

void SetDaynoteFont(QWidget* window, int item) {
    QWidget* text = FindControl(window, DaynoteTextControl);
    if (!text) return;
    SetControlFontStyle(text, FontPreset(item, GetControlFontStyle(text)));
    if (item >= 1 && item <= 9) SetControlValue(FindControl(window, FontPopUp), item);
}

// ---------------------------------------------------------------------------------------------------------
// Opening
// ---------------------------------------------------------------------------------------------------------

QWidget* OpenDaynote(int month, int day, int year, bool optionKey, RecordArray& daynotes) {
    if (Prefs().clickSound == ClickSoundOn) PlaySoundNamed(QStringLiteral("Click.aiff"));
    // An empty cell stands for the most recent user note.
    if (day == 0) {
        ChooseRecentUserNote(1);
        return nullptr;
    }
    const double date = DateToAbsTime(month, day, year);
    if (optionKey) {
        Prefs().countDownDate = date;
        SetLastCountdownDays(CountdownPrefsChanged);
        return nullptr;
    }
    const QString title = DisplayDate(date);
    if (QWidget* open = DaynoteWindowTitled(title)) {
        SelectWindow(open);
        return open;
    }
    const int  index = FindNoteIndex(daynotes, date);
    const bool exists = IsNoteAtIndex(daynotes, date, index);

    RegisterFontFamilies();
    // Numbers are not reused in a run until all 549 have been handed out.
    const int id = NextFreeWindowId(App().daynoteWindowCounter, FirstDaynoteWindowId, LastDaynoteWindowId);
    if (!id) return nullptr;
    App().daynoteWindowCounter = id;
    QWidget* window = CreateWindowFromDefinition(QStringLiteral("Daynote"));
    if (!window) return nullptr;
    SetWindowId(window, id);
    if (QWidget* front = FrontDaynoteWindow()) CascadeWindow(window, front);
    SetWindowTitleText(window, title);
    if (!exists) SetButtonsEnabled(window, false);

    NoteFontStyle style;
    int           item = DefaultFontItem;
    QWidget*      text = FindControl(window, DaynoteTextControl);
    if (exists) {
        int8_t type = 0;
        GetRecordByte(daynotes, index, NoteTypeKey, &type);
        SetControlValue(FindControl(window, KeeperCheckBox), type == NoteKeeper);
        const Value*   data = GetRecordValue(daynotes, index, NoteDataKey);
        const QString* stored = data ? ValueText(*data) : nullptr;
        SetControlText(text, stored ? *stored : QString());
        if (GetRecordFontStyle(daynotes, index, NoteCFSKey, &style))
            item = FontMenuItemForStyle(style);
        else
            style = NoteFontStyle{};
    }
    SetReminderButtonTitle(window, daynotes);
    SetControlValue(FindControl(window, FontPopUp), item);
    SetControlFontStyle(text, style);
    SetControlText(FindControl(window, WeekdayLabel), FormatDate(QStringLiteral("EEEE"), date));
    ShowWindow(window);
    SetFocusToControl(text);
    return window;
}

// ---------------------------------------------------------------------------------------------------------
// Saving
// ---------------------------------------------------------------------------------------------------------

void InsertDaynote(double date, const QString& text, int8_t type, int textControlId, int windowId, int index,
                   RecordArray& daynotes) {
    NoteFontStyle style;
    if (windowId && textControlId)
        if (QWidget* control = FindControl(FindWindowById(windowId), textControlId))
            style = GetControlFontStyle(control);
    style.flags = DaynoteStyleFlags;
    InsertStyledDaynote(date, text, type, style, index, daynotes);
}

void InsertStyledDaynote(double date, const QString& text, int8_t type, const NoteFontStyle& style, int index,
                         RecordArray& daynotes) {
    InsertRecord(daynotes, index);
    SetDaynote(daynotes, index, text, date, type, style);
}

void SaveDaynote(const DateValue* date, int textControlId, int windowId, RecordArray& daynotes) {
    QWidget*  window = FindWindowById(windowId);
    QWidget*  control = FindControl(window, textControlId);
    DateValue day;
    if (date)
        day = *date;
    else if (!WindowTitleDate(window, &day))
        return;
    const QString text = GetControlText(control);
    const int     index = FindNoteIndex(daynotes, day.absTime);
    const bool    exists = IsNoteAtIndex(daynotes, day.absTime, index);
    int8_t        type = 0;
    if (exists) GetRecordByte(daynotes, index, NoteTypeKey, &type);
    const bool keeper = date ? type == NoteKeeper : GetControlValue(FindControl(window, KeeperCheckBox)) != 0;

    if (exists && !text.isEmpty()) {
        NoteFontStyle style = GetControlFontStyle(control);
        NoteFontStyle stored;
        // The font record of a daynote whose font nobody changed stays as it was, even one that another
        // program wrote with other flags.
        const bool restyled = GetRecordFontStyle(daynotes, index, NoteCFSKey, &stored)
                                  ? style != stored
                                  : style != NoteFontStyle{};
        SetRecordValue(daynotes, index, NoteDataKey, Value(text));
        if (restyled) {
            style.flags = DaynoteStyleFlags;
            SetRecordFontStyle(daynotes, index, style, NoteCFSKey);
        }
        if (keeper)
            SetRecordByte(daynotes, index, NoteTypeKey, NoteKeeper);
        else if (type == NoteKeeper)
            SetRecordByte(daynotes, index, NoteTypeKey, NoteStandard);
    } else if (exists) {
        const bool hadReminder = GetRecordValue(daynotes, index, ReminderDateKey) != nullptr;
        RemoveRecord(daynotes, index);
        if (hadReminder) {
            RemindersChanged();
            CheckReminders(false, daynotes);
        }
    } else if (!text.isEmpty()) {
        InsertDaynote(day.absTime, text, keeper ? NoteKeeper : NoteStandard, textControlId, windowId, index,
                      daynotes);
    }
    HighlightDateOnCal(day.absTime, !text.isEmpty(), index, daynotes);
}

void SaveOtherDaynoteWindows(const QWidget* except, RecordArray& daynotes) {
    for (QWidget* w : DocumentWindows())
        if (w != except && IsDaynoteWindowId(GetWindowId(w)))
            SaveDaynote(nullptr, DaynoteTextControl, GetWindowId(w), daynotes);
}

void ReloadChangedDaynoteWindows(const RecordArray& daynotes) {
    for (QWidget* w : DocumentWindows()) {
        DateValue date;
        if (!IsDaynoteWindowId(GetWindowId(w)) || !WindowTitleDate(w, &date)) continue;
        const int index = FindNoteIndex(daynotes, date.absTime);
        if (!IsNoteAtIndex(daynotes, date.absTime, index)) continue;
        const Value*   data = GetRecordValue(daynotes, index, NoteDataKey);
        const QString* stored = data ? ValueText(*data) : nullptr;
        QWidget*       text = FindControl(w, DaynoteTextControl);
        if (!stored || GetControlText(text) == *stored) continue;
        SetControlText(text, *stored);
        SetButtonsEnabled(w, !stored->isEmpty());
    }
}

void ReloadDaynoteWindowsOf(const std::vector<double>& days, bool all, const RecordArray& daynotes,
                            const std::function<QString(double day)>& shown) {
    for (QWidget* w : DocumentWindows()) {
        DateValue date;
        if (!IsDaynoteWindowId(GetWindowId(w)) || !WindowTitleDate(w, &date)) continue;
        if (!all && std::find(days.begin(), days.end(), date.absTime) == days.end()) continue;
        if (GetControlText(FindControl(w, DaynoteTextControl)) != shown(date.absTime)) continue;
        const int      index = FindNoteIndex(daynotes, date.absTime);
        const bool     exists = IsNoteAtIndex(daynotes, date.absTime, index);
        const Value*   data = exists ? GetRecordValue(daynotes, index, NoteDataKey) : nullptr;
        const QString* stored = data ? ValueText(*data) : nullptr;
        const QString  text = stored ? *stored : QString();
        int8_t         type = 0;
        if (exists) GetRecordByte(daynotes, index, NoteTypeKey, &type);
        SetControlValue(FindControl(w, KeeperCheckBox), type == NoteKeeper ? 1 : 0);
        QWidget*      control = FindControl(w, DaynoteTextControl);
        NoteFontStyle style;
        int           item = DefaultFontItem;
        if (exists && GetRecordFontStyle(daynotes, index, NoteCFSKey, &style))
            item = FontMenuItemForStyle(style);
        else
            style = NoteFontStyle{};
        if (GetControlText(control) != text) SetControlText(control, text);
        SetControlValue(FindControl(w, FontPopUp), item);
        SetControlFontStyle(control, style);
        SetButtonsEnabled(w, !text.isEmpty());
        SetReminderButtonTitle(w, daynotes);
    }
}

void HighlightDateOnCal(double date, bool hasDaynote, int index, const RecordArray& daynotes) {
    if (!FindWindowById(CalendarWindowId)) return;
    const GregorianDate d = AbsTimeToDate(date);
    if (d.month != GetCalendarMonth() || d.year != GetCalendarYear()) return;
    const int cell = FindDayCell(d.day);
    if (cell == 9999) FatalInternalError(QStringLiteral("Failure in FN HighlightDateOnCal"));
    MarkDayCell(hasDaynote, d.day, cell, index, daynotes);
}

// ---------------------------------------------------------------------------------------------------------
// Buttons
// ---------------------------------------------------------------------------------------------------------

void SetReminderButtonTitle(QWidget* window, const RecordArray& daynotes) {
    DateValue date;
    if (!WindowTitleDate(window, &date)) return;
    const int  index = FindNoteIndex(daynotes, date.absTime);
    const bool has = IsNoteAtIndex(daynotes, date.absTime, index) &&
                     GetRecordValue(daynotes, index, ReminderDateKey) != nullptr;
    SetControlTitle(FindControl(window, ReminderButton),
                    has ? QStringLiteral("Modify Reminder...") : QStringLiteral("Create Reminder..."));
}

int DaynoteTextChanged(int, unsigned) {
    QWidget* window = ControlWindow(EventControl());
    if (!IsDaynoteWindowId(GetWindowId(window))) return EventNotHandled;
    const bool empty = GetControlText(FindControl(window, DaynoteTextControl)).isEmpty();
    const bool enabled = IsControlEnabled(FindControl(window, RecurringButton));
    if (empty && enabled)
        SetButtonsEnabled(window, false);
    else if (!empty && !enabled)
        SetButtonsEnabled(window, true);
    return EventHandled;
}

int DaynoteFontChosen(int, unsigned) {
    QWidget* window = ControlWindow(EventControl());
    SetDaynoteFont(window, GetControlValue(FindControl(window, FontPopUp)));
    return EventHandled;
}

int DaynoteFontCommand(FourCC command) {
    static const FourCC codes[9] = {MakeFourCC("Gen1"), MakeFourCC("Gen2"), MakeFourCC("Gen3"),
                                    MakeFourCC("Gen4"), MakeFourCC("Luc1"), MakeFourCC("Luc2"),
                                    MakeFourCC("Luc3"), MakeFourCC("Luc4"), MakeFourCC("Luc5")};
    QWidget*            front = FrontWindow();
    for (int i = 0; i < 9; ++i)
        if (codes[i] == command && front && IsDaynoteWindowId(GetWindowId(front)))
            SetDaynoteFont(front, i + 1);
    return EventNotHandled;
}
