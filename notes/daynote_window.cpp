// The daynote window.
#include "notes/daynote_window.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/font_presets.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "platform/windows.h"
#include "tools/sounds.h"
#include "tools/user_notes.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Fonts ..................... SetDaynoteFont
//   Opening ................... OpenDaynote and the window it makes
//   Loaded texts .............. what an editor loaded, and whether the user changed it since
//   Saving .................... SaveDaynote, InsertDaynote
//   Following the store ....... an open window shows what changed elsewhere
//   Buttons ................... enabling rules, the reminder button's title
// ---------------------------------------------------------------------------------------------------------

namespace {

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

const FourCC LoadCreator = MakeFourCC("VRDX");
const FourCC LoadedTextTag = MakeFourCC("lTxt");
const FourCC LoadedStyleTag = MakeFourCC("lCFS");
const FourCC LoadedKeeperTag = MakeFourCC("lKpr");

bool LoadedKeeper(QWidget* window) {
    QByteArray bytes;
    return GetControlProperty(FindControl(window, KeeperCheckBox), LoadCreator, LoadedKeeperTag, &bytes) &&
           bytes == "1";
}

// Fills a daynote window from the array: text, keeper box, font, buttons.
void ShowStoredDaynote(QWidget* window, double date, const RecordArray& daynotes) {
    const int      index = FindNoteIndex(daynotes, date);
    const bool     exists = IsNoteAtIndex(daynotes, date, index);
    const Value*   data = exists ? GetRecordValue(daynotes, index, NoteDataKey) : nullptr;
    const QString* stored = data ? ValueText(*data) : nullptr;
    const QString  text = stored ? *stored : QString();
    int8_t         type = 0;
    if (exists) GetRecordByte(daynotes, index, NoteTypeKey, &type);
    QWidget* keeper = FindControl(window, KeeperCheckBox);
    SetControlValue(keeper, type == NoteKeeper ? 1 : 0);
    SetControlProperty(keeper, LoadCreator, LoadedKeeperTag, type == NoteKeeper ? "1" : "0");
    QWidget*      control = FindControl(window, DaynoteTextControl);
    NoteFontStyle style;
    int           item = DefaultFontItem;
    if (exists && GetRecordFontStyle(daynotes, index, NoteCFSKey, &style))
        item = FontMenuItemForStyle(style);
    else
        style = NoteFontStyle{};
    if (GetControlText(control) != text) SetControlText(control, text);
    SetControlValue(FindControl(window, FontPopUp), item);
    SetControlFontStyle(control, style);
    RememberLoaded(control);
    SetButtonsEnabled(window, exists);
    SetReminderButtonTitle(window, daynotes);
}

// A daynote window follows the changes of its day made elsewhere: untouched, it shows them at once; with the
// user's words in it, it keeps them, to be joined with the change when it closes.
void FollowDaynoteWindow(QWidget* window) {
    FollowDaynotes(window, [window](const DaynoteChanges& changes) {
        DateValue date;
        if (!WindowTitleDate(window, &date) || !changes.Has(date.absTime)) return;
        if (DaynoteEditorUntouched(window, DaynoteTextControl))
            ShowStoredDaynote(window, date.absTime, App().daynotes);
        else
            SetReminderButtonTitle(window, App().daynotes);
    });
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Loaded texts
// ---------------------------------------------------------------------------------------------------------

void RememberLoaded(QWidget* control) {
    SetControlProperty(control, LoadCreator, LoadedTextTag, GetControlText(control).toUtf8());
    SetControlProperty(control, LoadCreator, LoadedStyleTag, EncodeFontStyle(GetControlFontStyle(control)));
}

bool LoadedText(const QWidget* control, QString* text) {
    QByteArray bytes;
    if (!GetControlProperty(control, LoadCreator, LoadedTextTag, &bytes)) return false;
    *text = QString::fromUtf8(bytes);
    return true;
}

bool DaynoteEditorUntouched(QWidget* window, int textControlId) {
    QWidget* control = FindControl(window, textControlId);
    QString  loaded;
    if (!LoadedText(control, &loaded)) return false;
    QByteArray    bytes;
    NoteFontStyle style;
    if (GetControlText(control) != loaded ||
        !GetControlProperty(control, LoadCreator, LoadedStyleTag, &bytes) ||
        !DecodeFontStyle(bytes, &style) || GetControlFontStyle(control) != style)
        return false;
    QWidget* keeper = IsDaynoteWindowId(GetWindowId(window)) ? FindControl(window, KeeperCheckBox) : nullptr;
    return !keeper || (GetControlValue(keeper) != 0) == LoadedKeeper(window);
}

// ---------------------------------------------------------------------------------------------------------
// Fonts
// ---------------------------------------------------------------------------------------------------------

void SetDaynoteFont(QWidget* window, int item) {
    QWidget* text = FindControl(window, DaynoteTextControl);
    if (!text) return;
    SetControlFontStyle(text, FontPreset(item, GetControlFontStyle(text)));
    if (item >= 1 && item <= 9) SetControlValue(FindControl(window, FontPopUp), item);
}

// ---------------------------------------------------------------------------------------------------------
// Opening
// ---------------------------------------------------------------------------------------------------------

QWidget* OpenDaynote(int month, int day, int year, RecordArray& daynotes) {
    if (Prefs().clickSound == ClickSoundOn) PlaySoundNamed(QStringLiteral("Click.aiff"));
    // An empty cell stands for the most recent user note.
    if (day == 0) {
        ChooseRecentUserNote(1);
        return nullptr;
    }
    const double  date = DateToAbsTime(month, day, year);
    const QString title = DisplayDate(date);
    if (QWidget* open = DaynoteWindowTitled(title)) {
        SelectWindow(open);
        return open;
    }
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

    ShowStoredDaynote(window, date, daynotes);
    FollowDaynoteWindow(window);
    SetControlText(FindControl(window, WeekdayLabel), FormatDate(QStringLiteral("EEEE"), date));
    ShowWindow(window);
    SetFocusToControl(FindControl(window, DaynoteTextControl));
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

void SaveDaynote(const DateValue* date, int textControlId, int windowId, RecordArray& daynotes) {
    QWidget*  window = FindWindowById(windowId);
    QWidget*  control = FindControl(window, textControlId);
    DateValue day;
    if (date)
        day = *date;
    else if (!WindowTitleDate(window, &day))
        return;
    // An editor the user has not changed since it loaded writes nothing: what it shows may be older than
    // what another window or feature has put on the day since.
    if (DaynoteEditorUntouched(window, textControlId)) return;
    QString       text = GetControlText(control);
    const int     index = FindNoteIndex(daynotes, day.absTime);
    const bool    exists = IsNoteAtIndex(daynotes, day.absTime, index);
    const Value*  data = exists ? GetRecordValue(daynotes, index, NoteDataKey) : nullptr;
    const QString stored = data && ValueText(*data) ? *ValueText(*data) : QString();
    QString       loaded;
    if (LoadedText(control, &loaded)) {
        // The day changed elsewhere while the user typed: both are kept.
        const QString merged = MergeTypedText(text, loaded, stored);
        if (merged != text) {
            SetControlText(control, merged);
            text = merged;
        }
    }
    int8_t type = 0;
    if (exists) GetRecordByte(daynotes, index, NoteTypeKey, &type);
    const bool keeper = date ? type == NoteKeeper : GetControlValue(FindControl(window, KeeperCheckBox)) != 0;

    if (exists && !text.isEmpty()) {
        NoteFontStyle style = GetControlFontStyle(control);
        NoteFontStyle held;
        // The font record of a daynote whose font nobody changed stays as it was, even one that another
        // program wrote with other flags.
        const bool restyled =
            GetRecordFontStyle(daynotes, index, NoteCFSKey, &held) ? style != held : style != NoteFontStyle{};
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
        RemoveRecord(daynotes, index);
    } else if (!text.isEmpty()) {
        InsertDaynote(day.absTime, text, keeper ? NoteKeeper : NoteStandard, textControlId, windowId, index,
                      daynotes);
    }
    // What the editor holds is now what the day holds.
    RememberLoaded(control);
    if (!date)
        SetControlProperty(FindControl(window, KeeperCheckBox), LoadCreator, LoadedKeeperTag,
                           keeper ? "1" : "0");
}

void SaveOtherDaynoteWindows(const QWidget* except, RecordArray& daynotes) {
    for (QWidget* w : DocumentWindows())
        if (w != except && IsDaynoteWindowId(GetWindowId(w)))
            SaveDaynote(nullptr, DaynoteTextControl, GetWindowId(w), daynotes);
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
