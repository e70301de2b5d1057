// Dispatch tables. A feature joins the program by adding one row to the table of its kind of event.
#include "core/dispatch.h"

#include "calendar/calendar_window.h"
#include "calendar/colours.h"
#include "calendar/holidays.h"
#include "calendar/monthly_view.h"
#include "calendar/twelve_month.h"
#include "calendar/weekly_view.h"
#include "core/app_state.h"
#include "core/datafiles.h"
#include "core/preferences.h"
#include "core/startup.h"
#include "core/sync.h"
#include "core/undo.h"
#include "core/web_page.h"
#include "core/window_ids.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/events.h"
#include "notes/export.h"
#include "notes/find.h"
#include "notes/ical_import.h"
#include "notes/recurring.h"
#include "notes/reminder_sheet.h"
#include "notes/reminders.h"
#include "notes/restore_backup.h"
#include "platform/windows.h"
#include "tools/about.h"
#include "tools/countdown.h"
#include "tools/preferences_window.h"
#include "tools/printing.h"
#include "tools/shutdown.h"
#include "tools/sync_preferences.h"
#include "tools/time_log.h"
#include "tools/time_zones.h"
#include "tools/timer.h"
#include "tools/user_notes.h"

#include <QSize>
#include <QTimer>
#include <algorithm>
#include <initializer_list>
#include <optional>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Command table ............. menu commands by code
//   Control table ............. control events by ID
//   Context and tracking ...... contextual clicks, pointing-hand and I-beam cursors
//   Windows ................... activation, close actions, size limits, window-open flags, quit walk
// ---------------------------------------------------------------------------------------------------------

namespace {

using CommandAction = int (*)(FourCC command);
struct CommandRow {
    FourCC        code;
    CommandAction action;
};

int CommandQuit(FourCC) {
    QuitSequence();
    return EventNotHandled; // the standard quit follows
}

int CommandCloseFrontSheet(FourCC) {
    if (QWidget* sheet = FrontSheet()) CloseWindowById(GetWindowId(sheet));
    return EventHandled;
}

int CommandSave(FourCC) {
    SaveDaynoteFile(App().daynotes);
    return EventHandled;
}

int CommandShowCalendar(FourCC) {
    ShowCalendar();
    return EventHandled;
}

int CommandCurrentMonth(FourCC) {
    GoToCurrentMonth(App().daynotes);
    return EventHandled;
}

int CommandShowReminders(FourCC) {
    ShowAllReminders(App().daynotes);
    return EventHandled;
}

int CommandShowCountdown(FourCC) {
    ToggleCountdown();
    return EventHandled;
}

int CommandShowWeekly(FourCC) {
    ShowWeeklyView();
    return EventHandled;
}

int CommandShowMonthly(FourCC) {
    ShowMonthlyView();
    return EventHandled;
}

int CommandShowHolidays(FourCC) {
    ShowHolidaysWindow();
    return EventHandled;
}

int CommandPrint(FourCC) {
    PrintFrontWindow();
    return EventHandled;
}

int CommandPageSetup(FourCC) {
    PageSetup();
    return EventHandled;
}

int CommandAbout(FourCC) {
    ShowAbout();
    return EventHandled;
}

int CommandWebPage(FourCC) {
    OpenProductWebPage();
    return EventHandled;
}

int CommandCheckVersion(FourCC) {
    CheckForNewVersion();
    return EventHandled;
}

const CommandRow CommandTable[] = {
    {MakeFourCC("SRem"), CommandShowReminders},
    {MakeFourCC("Gen1"), DaynoteFontCommand},
    {MakeFourCC("Gen2"), DaynoteFontCommand},
    {MakeFourCC("Gen3"), DaynoteFontCommand},
    {MakeFourCC("Gen4"), DaynoteFontCommand},
    {MakeFourCC("Luc1"), DaynoteFontCommand},
    {MakeFourCC("Luc2"), DaynoteFontCommand},
    {MakeFourCC("Luc3"), DaynoteFontCommand},
    {MakeFourCC("Luc4"), DaynoteFontCommand},
    {MakeFourCC("Luc5"), DaynoteFontCommand},
    {MakeFourCC("SCal"), CommandShowCalendar},
    {MakeFourCC("SCur"), CommandCurrentMonth},
    {MakeFourCC("ShCD"), CommandShowCountdown}, // as a click on the countdown line
    {MakeFourCC("save"), CommandSave},
    {MakeFourCC("quit"), CommandQuit},
    {MakeFourCC("not!"), CommandCloseFrontSheet},
    {MakeFourCC("ShTM"), CommandOpenTimer},
    {MakeFourCC("Crea"), CommandShowHolidays},
    {MakeFourCC("Evet"), CommandShowEvents},
    {MakeFourCC("Week"), CommandShowWeekly},
    {MakeFourCC("Mont"), CommandShowMonthly},
    {MakeFourCC("GoYr"), CommandGoToYear},
    {MakeFourCC("S12m"), CommandTwelveMonth},
    {MakeFourCC("List"), CommandShowList},
    {MakeFourCC("Sear"), CommandShowFind},
    {MakeFourCC("ShTL"), CommandOpenTimeLog},
    {MakeFourCC("ShTZ"), CommandOpenTimeZones},
    {MakeFourCC("pref"), CommandOpenPreferences},
    {MakeFourCC("prnt"), CommandPrint},
    {MakeFourCC("page"), CommandPageSetup},
    {MakeFourCC("abou"), CommandAbout},
    {MakeFourCC("WebP"), CommandWebPage},
    {MakeFourCC("Vers"), CommandCheckVersion},
    {MakeFourCC("Cusr"), UserNoteFileCommand},
    {MakeFourCC("Ousr"), UserNoteFileCommand},
    {MakeFourCC("Gen5"), UserNoteFontCommand},
    {MakeFourCC("Gen6"), UserNoteFontCommand},
    {MakeFourCC("Gen7"), UserNoteFontCommand},
    {MakeFourCC("Gen8"), UserNoteFontCommand},
    {MakeFourCC("Luc6"), UserNoteFontCommand},
    {MakeFourCC("Luc7"), UserNoteFontCommand},
    {MakeFourCC("Luc8"), UserNoteFontCommand},
    {MakeFourCC("Luc9"), UserNoteFontCommand},
    {MakeFourCC("Luc0"), UserNoteFontCommand},
    {MakeFourCC("ExpF"), CommandExportLog},
    {MakeFourCC("ExpT"), CommandExportCalendar},
    {MakeFourCC("ExpE"), CommandExportCalendar},
    {MakeFourCC("ImpI"), CommandImportIcalendar},
    {MakeFourCC("ShDn"), CommandOpenShutdown},
    {MakeFourCC("RBak"), CommandRestoreBackup},
    {MakeFourCC("Sync"), CommandSync},
};

// Rows arrive with the windows that hold their controls.
const std::initializer_list<ControlRow> ControlTable = {
    {PreviousYearButton, PreviousYearButton, ControlHit, CalendarYearButton},
    {NextYearButton, NextYearButton, ControlHit, CalendarYearButton},
    {PreviousMonthButton, NextMonthButton, ControlHit, CalendarMonthButton},
    {CalendarTitleControl, CalendarTitleControl, ControlClick, CalendarTitleClick},
    {CalendarClockControl, CalendarClockControl, ControlClick, CalendarClockClick},
    {CountdownLine, CountdownLine, ControlClick, CalendarCountdownClick},
    {FirstDayCell, LastDayCell, ControlClick, CalendarDayClick},
    {FirstDayCell, LastDayCell, ControlArrowKey, CalendarDayStep},
    {DaynoteTextControl, DaynoteTextControl, ControlTextChanged, DaynoteTextChanged},
    {FontPopUp, FontPopUp, ControlHit, DaynoteFontChosen},
    {RecurringButton, RecurringButton, ControlHit, RecurringButtonHit},
    {RecurringPeriodPopUp, RecurringPeriodPopUp, ControlHit, RecurringPeriodChosen},
    {RecurringCopyButton, RecurringCopyButton, ControlHit, RecurringCopyHit},
    {ReminderButton, ReminderButton, ControlHit, ReminderButtonHit},
    {ReminderUrlCheckBox, ReminderUrlCheckBox, ControlHit, ReminderUrlBoxHit},
    {ReminderMailCheckBox, ReminderMailCheckBox, ControlHit, ReminderMailBoxHit},
    {ReminderRemoveButton, ReminderRemoveButton, ControlHit, ReminderRemoveHit},
    {ReminderCancelButton, ReminderCancelButton, ControlHit, ReminderCancelHit},
    {ReminderSaveButton, ReminderSaveButton, ControlHit, ReminderSaveHit},
    {TimerRepeatCheckBox, TimerRepeatCheckBox, ControlHit, TimerRepeatBoxHit},
    {TimerStartButton, TimerStartButton, ControlHit, TimerStartHit},
    {TimerCancelButton, TimerCancelButton, ControlHit, TimerCancelHit},
    {TimerSetButton, TimerSetButton, ControlHit, TimerSetHit},
    {TimerStopButton, TimerStopButton, ControlHit, TimerStopHit},
    {TimerPauseButton, TimerPauseButton, ControlHit, TimerPauseHit},
    {HolidaysCreateButton, HolidaysCreateButton, ControlHit, HolidaysCreateHit},
    {EventAddButton, EventAddButton, ControlHit, EventAddHit},
    {EventDeleteButton, EventDeleteButton, ControlHit, EventDeleteHit},
    {EventChangeButton, EventChangeButton, ControlHit, EventChangeHit},
    {EventList, EventList, ControlDoubleClick, EventChangeHit},
    {EventList, EventList, ControlSelectionChanged, EventSelectionChanged},
    {EventCancelButton, EventCancelButton, ControlHit, EventCancelHit},
    {EventCreateButton, EventCreateButton, ControlHit, EventCreateHit},
    {EventDaynotesButton, EventRemindersButton, ControlHit, EventDaynotesHit},
    {FirstWeekdayInitial, LastWeekdayInitial, ControlClick, WeekdayInitialClick},
    {FirstWeekBox, LastWeekBox, ControlTextChanged, WeekBoxChanged},
    {FirstDeleteBox, LastDeleteBox, ControlHit, DeleteBoxHit},
    {DeleteDaysButton, DeleteDaysButton, ControlHit, DeleteDaysHit},
    {PreviousWeekButton, NextWeekButton, ControlHit, WeekStepHit},
    {CurrentWeekButton, CurrentWeekButton, ControlHit, CurrentWeekHit},
    {WeeklyRemindersButton, WeeklyRemindersButton, ControlHit, WeeklyRemindersHit},
    {WeeklyMonthlyButton, WeeklyMonthlyButton, ControlHit, ShowMonthlyHit},
    {MonthlyPreviousButton, MonthlyNextButton, ControlHit, MonthlyStepHit},
    {MonthlyWeeklyButton, MonthlyWeeklyButton, ControlHit, MonthlyWeeklyHit},
    {GoToYearOKButton, GoToYearOKButton, ControlHit, GoToYearOKHit},
    {WeeklyListButton, WeeklyListButton, ControlHit, ShowListHit},
    {MonthlyListButton, MonthlyListButton, ControlHit, ShowListHit},
    {WeeklyFindButton, WeeklyFindButton, ControlHit, WeeklyFindHit},
    {DaynoteListView, DaynoteListView, ControlSelectionChanged, DaynoteListSelectionChanged},
    {ListTextView, ListTextView, ControlTextChanged, DaynoteListTextChanged},
    {ListKeeperCheckBox, ListKeeperCheckBox, ControlHit, DaynoteListKeeperHit},
    {ListDeleteButton, ListDeleteButton, ControlHit, DaynoteListDeleteHit},
    {ListRecurButton, ListRecurButton, ControlHit, DaynoteListRecurHit},
    {FindButton, FindButton, ControlHit, FindButtonHit},
    {FoundDatesList, FoundDatesList, ControlDoubleClick, FoundDateOpened},
    {TimeLogStartButton, TimeLogStartButton, ControlHit, TimeLogStartHit},
    {TimeLogCancelButton, TimeLogCancelButton, ControlHit, TimeLogCancelHit},
    {TimeLogNewButton, TimeLogNewButton, ControlHit, TimeLogNewHit},
    {TimeLogStopButton, TimeLogStopButton, ControlHit, TimeLogStopHit},
    {TimeLogPauseButton, TimeLogPauseButton, ControlHit, TimeLogPauseHit},
    {ZoneSheetButton, ZoneSheetButton, ControlHit, ZoneSheetHit},
    {ZonesOkButton, ZonesOkButton, ControlHit, ZonesOkHit},
    {Zone1UseCheckBox, Zone1UseCheckBox, ControlHit, ZoneUseBoxHit},
    {Zone2UseCheckBox, Zone2UseCheckBox, ControlHit, ZoneUseBoxHit},
    {ChimeGroup, ChimeGroup, ControlHit, PreferencesRadioHit},
    {WeekStartGroup, WeekStartGroup, ControlHit, PreferencesRadioHit},
    {AutosaveGroup, AutosaveGroup, ControlHit, PreferencesRadioHit},
    {ClickSoundGroup, ClickSoundGroup, ControlHit, PreferencesRadioHit},
    {CountdownNamingGroup, CountdownNamingGroup, ControlHit, PreferencesRadioHit},
    {ShowSecondsBox, ShowSecondsBox, ControlHit, PreferencesBoxHit},
    {HideInBackgroundBox, BringAllToFrontBox, ControlHit, PreferencesBoxHit},
    {SyncEnabledBox, SyncEnabledBox, ControlHit, SyncEnabledHit},
    {SyncCalendarPopUp, SyncCalendarPopUp, ControlHit, SyncCalendarChosen},
    {SyncFindButton, SyncFindButton, ControlHit, SyncFindHit},
    {WeekNumberBox, WeekNumberBox, ControlHit, PreferencesBoxHit},
    {SunLineBox, SunLineBox, ControlHit, PreferencesBoxHit},
    {PreferencesResetButton, PreferencesResetButton, ControlHit, PreferencesResetHit},
    {PreferencesCloseButton, PreferencesCloseButton, ControlHit, PreferencesCloseHit},
    {TimerSoundButton, TimerSoundButton, ControlHit, TimerSoundHit},
    {UserNoteTextControl, UserNoteTextControl, ControlTextChanged, UserNoteTextChanged},
    {UserNoteFontPopUp, UserNoteFontPopUp, ControlHit, UserNoteFontChosen},
    {ShutdownScheduleButton, ShutdownScheduleButton, ControlHit, ShutdownScheduleHit},
    {RestoreBackupButton, RestoreBackupButton, ControlHit, RestoreBackupHit},
    {RestoreBackupList, RestoreBackupList, ControlDoubleClick, RestoreBackupHit},
};

using ContextAction = int (*)(int controlId, QWidget* window, QPoint globalPos);
struct ContextRow {
    int           first, last;
    ContextAction action;
};
const std::initializer_list<ContextRow> ContextTable = {
    {FirstDayCell, LastDayCell, CalendarCellContextClick},
    {DaynoteTextControl, DaynoteTextControl, DaynoteTextContextClick},
    {EventList, EventList, EventListContextClick},
    {FirstWeekBox, LastWeekBox, WeekBoxContextClick},
    {UserNoteTextControl, UserNoteTextControl, NoteTextContextClick},
};

struct IdRange {
    int first, last;
};

// Clickable controls show the pointing hand, text fields the I-beam, while enabled.
constexpr IdRange PointingHandControls[] = {
    {22, 33},   {41, 46},   {95, 98},   {229, 232}, {235, 235}, {247, 247}, {250, 251}, {254, 254},
    {259, 260}, {284, 284}, {287, 288}, {290, 290}, {294, 294}, {297, 297}, {301, 301}, {305, 305},
    {308, 308}, {313, 314}, {322, 322}, {328, 332}, {334, 335}, {341, 341}, {343, 343}, {347, 348},
    {353, 357}, {359, 359}, {361, 361}, {363, 363}, {365, 365}, {367, 367}, {371, 371}, {376, 376},
    {384, 384}, {399, 399}, {410, 410}, {413, 414}, {417, 419}, {422, 424}, {428, 428}, {430, 433},
    {435, 436}, {440, 442}, {446, 448}, {450, 450}, {452, 452},
};
constexpr IdRange IBeamControls[] = {
    {1, 1},     {8, 14},    {233, 233}, {237, 237}, {244, 245}, {248, 248}, {265, 265}, {269, 269},
    {309, 309}, {311, 311}, {345, 345}, {358, 358}, {421, 421}, {429, 429}, {439, 439}, {443, 445},
};

template <size_t N> bool InRanges(const IdRange (&ranges)[N], int id) {
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [id](const IdRange& r) { return id >= r.first && id <= r.last; });
}

struct SizeLimitRow {
    int   first, last;
    QSize minimum;
};
constexpr SizeLimitRow SizeLimits[] = {
    {WeeklyWindowId, WeeklyWindowId, {499, 461}},
    {MonthlyWindowId, MonthlyWindowId, {669, 530}},
    {ListWindowId, ListWindowId, {765, 416}},
    {EventListWindowId, EventListWindowId, {620, 175}},
    {FindWindowId, FindWindowId, {575, 445}},
    {50, LastDaynoteWindowId, {520, 150}},
    {FirstUserNoteWindowId, LastUserNoteWindowId, {220, 110}},
};

bool* WindowOpenFlag(int windowId) {
    Preferences& p = Prefs();
    switch (windowId) {
    case CalendarWindowId:
        return &p.calendarWndOpen;
    case MonthlyWindowId:
        return &p.monthlyWndOpen;
    case CountdownWindowId:
        return &p.countDownWndOpen;
    case TimerWindowId:
        return &p.timerWndOpen;
    case WeeklyWindowId:
        return &p.weeklyWndOpen;
    case ListWindowId:
        return &p.listWndOpen;
    case EventListWindowId:
        return &p.eventWndOpen;
    default:
        return nullptr;
    }
}

// With no tray icon, the last document window is the user's only way in: closing it ends the program.
void QuitIfUnreachable() {
    if (App().quitting || HasTrayIcon() || !DocumentWindows().isEmpty()) return;
    QuitSequence();
    RunStandardCommand(MakeFourCC("quit"));
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------------------------------------

void InstallEventHandlers() {
    EventSinks sinks;
    sinks.control = [](int kind, int id, unsigned mods) {
        if (kind == ControlTrackEnter || kind == ControlTrackExit) return HandleTrackingArea(kind, id);
        return HandleControlEvent(kind, id, mods);
    };
    sinks.contextClick = HandleContextClick;
    sinks.window = HandleWindowEvent;
    sinks.command = HandleAppEvent;
    sinks.application = HandleAppActivation;
    sinks.focusChanged = [] { UpdateCommandStatus(MakeFourCC("clos")); };
    sinks.menuItem = UserNoteMenuItem;
    SetEventSinks(std::move(sinks));
    SetApplicationUndoStack(&DaynoteUndoStack());
}

// Every user action below is one undo step for whatever it changes in the daynote array.
int HandleAppEvent(FourCC command) {
    DaynoteChangeScope change;
    for (const CommandRow& row : CommandTable)
        if (row.code == command) return row.action(command);
    return EventNotHandled;
}

bool IsKnownCommand(FourCC command) {
    if (command == 0) return false;
    for (const CommandRow& row : CommandTable)
        if (row.code == command) return true;
    return MenuCommands().contains(command);
}

void RunCommand(FourCC command) {
    if (TriggerMenuCommand(command)) return;
    if (HandleAppEvent(command) != EventHandled) RunStandardCommand(command);
}

void UpdateCommandStatus(FourCC command) {
    if (command != MakeFourCC("clos")) return;
    SetCommandEnabled(command, ActiveWindow() != nullptr);
}

void ActivateApplication() {
    BringAllWindowsToFront();
    RunCommand(MakeFourCC("SCal"));
}

void HandleAppActivation(int kind) {
    DaynoteChangeScope change;
    if (kind == AppDeactivated) {
        SaveWeek(App().daynotes);
        if (Prefs().hideInBackground) HideApplication();
    } else if (kind == AppActivated) {
        if (Prefs().bringAllToFront) BringAllWindowsToFront();
    }
}

// ---------------------------------------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------------------------------------

int DispatchControlEvent(std::span<const ControlRow> table, int kind, int controlId, unsigned modifiers) {
    for (const ControlRow& row : table)
        if (controlId >= row.first && controlId <= row.last && kind == row.kind)
            return row.action(controlId, modifiers);
    return EventNotHandled;
}

int HandleControlEvent(int kind, int controlId, unsigned modifiers) {
    // Typing in a daynote or note window stays in the window until it closes: no step to look for.
    std::optional<DaynoteChangeScope> change;
    if (kind != ControlTextChanged || (controlId != DaynoteTextControl && controlId != UserNoteTextControl))
        change.emplace();
    // A box of the weekly view writes each keystroke: one step per day until something else happens.
    if (kind == ControlTextChanged && controlId >= FirstWeekBox && controlId <= LastWeekBox)
        MarkDaynoteChangeAsTyping();
    return DispatchControlEvent(std::span<const ControlRow>(ControlTable.begin(), ControlTable.size()), kind,
                                controlId, modifiers);
}

int HandleContextClick(int controlId, QWidget* window, QPoint globalPos) {
    DaynoteChangeScope change;
    for (const ContextRow& row : ContextTable)
        if (controlId >= row.first && controlId <= row.last) return row.action(controlId, window, globalPos);
    return EventNotHandled;
}

int HandleTrackingArea(int kind, int controlId) {
    QWidget* control = EventControl();
    if (!control) return EventNotHandled;
    if (kind == ControlTrackExit) {
        SetControlCursor(control, CursorShape::Arrow);
        return EventHandled;
    }
    if (!IsControlEnabled(control)) return EventNotHandled;
    if (InRanges(PointingHandControls, controlId))
        SetControlCursor(control, CursorShape::PointingHand);
    else if (InRanges(IBeamControls, controlId))
        SetControlCursor(control, CursorShape::IBeam);
    else
        return EventNotHandled;
    return EventHandled;
}

// ---------------------------------------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------------------------------------

int HandleWindowEvent(int kind, int windowId) {
    if (kind == WindowActivated) {
        // The desktop has already brought the window forward; raising it again here would fight a modal
        // sheet for the focus.
        SetResizeLimits(windowId);
        if (windowId == TimeLogWindowId) RefreshTimeLogWindow();
        return EventHandled;
    }
    if (kind != WindowClose) return EventNotHandled;
    DaynoteChangeScope change;
    if (CloseWindowById(windowId) != 0) return EventHandled; // the close action kept the window
    if (windowId == TimerSheetId || windowId == AddEventSheetId || windowId == ReminderSheetId ||
        windowId == GoToYearWindowId)
        return EventHandled;
    // Made once and only hidden, so that their fields keep what was typed.
    if (windowId == TimeLogSheetId || windowId == TimeZoneSheetId) return EventHandled;
    QTimer::singleShot(0, [] { QuitIfUnreachable(); });
    return EventNotHandled;
}

void SaveWindowPosition(int windowId) {
    QWidget*       window = FindWindowById(windowId);
    Preferences&   p = Prefs();
    PrefRect*      field = nullptr;
    const QString* key = nullptr;
    switch (windowId) {
    case CalendarWindowId:
        field = &p.calendarRect, key = &CalendarRectKey;
        break;
    case MonthlyWindowId:
        field = &p.monthlyRect, key = &MonthlyRectKey;
        break;
    case TimerWindowId:
        field = &p.timerRect, key = &TimerRectKey;
        break;
    case WeeklyWindowId:
        field = &p.weeklyRect, key = &WeeklyRectKey;
        break;
    case ListWindowId:
        field = &p.listRect, key = &ListRectKey;
        break;
    case EventListWindowId:
        field = &p.eventRect, key = &EventRectKey;
        break;
    case TimeLogWindowId:
        field = &p.timeLogRect, key = &TimeLogRectKey;
        break;
    case TimeZonesWindowId:
        field = &p.timeZoneRect, key = &TimeZoneRectKey;
        break;
    default:
        return;
    }
    // A window never shown has no place of its own to remember: the one stored stays.
    QRect bounds;
    if (!GetWindowPlace(window, &bounds)) return;
    *field = PrefRect::fromRect(bounds);
    PrefSetRect(*key, *field);
    PrefSync();
}

int CloseWindowById(int windowId) {
    switch (windowId) {
    case CalendarWindowId:
        SaveWindowPosition(windowId);
        DisposeWindow(FindWindowById(CountdownWindowId));
        break;
    case TimerWindowId:
        SaveWindowPosition(windowId);
        break;
    case MonthlyWindowId:
        SaveWindowPosition(windowId);
        break;
    case TimeLogWindowId:
        SaveWindowPosition(windowId);
        break;
    case TimeZonesWindowId:
        SaveWindowPosition(windowId);
        StoreTimeZones();
        break;
    case PreferencesWindowId:
        ClosePreferences(FindWindowById(windowId));
        break;
    case EventListWindowId:
        SaveWindowPosition(windowId);
        CloseEventList();
        break;
    case ListWindowId:
        SaveWindowPosition(windowId);
        CloseDaynoteList();
        break;
    case FindWindowId:
        CloseFindWindow();
        break;
    case WeeklyWindowId:
        CloseWeeklyView();
        SaveWindowPosition(windowId);
        break;
    case TimerSheetId:
    case TimeLogSheetId:
    case TimeZoneSheetId:
    case GoToYearWindowId:
        HideWindow(FindWindowById(windowId));
        break;
    // A sheet here has a close button (and Escape): closing the reminder sheet that way cancels it, and it is
    // made afresh each time it opens.
    case ReminderSheetId:
    case AddEventSheetId:
        DisposeWindow(FindWindowById(windowId));
        break;
    default:
        if (IsDaynoteWindowId(windowId)) {
            SaveDaynote(nullptr, DaynoteTextControl, windowId, App().daynotes);
        } else if (IsUserNoteWindowId(windowId) && !CloseUserNote(windowId) && !App().quitting) {
            return 1; // a note that could not be saved stays open
        }
        break;
    }
    return 0;
}

void MarkWindowOpen(int windowId, bool open) {
    if (bool* flag = WindowOpenFlag(windowId)) *flag = open;
}

void CloseAllForQuit() {
    const QList<QWidget*> windows = DocumentWindows();
    for (QWidget* w : windows) {
        const int id = GetWindowId(w);
        if (id == 0) continue;
        MarkWindowOpen(id, true);
        CloseWindowById(id);
    }
    // Their close actions have run; the close box must not run them again.
    for (QWidget* w : windows) DisposeWindow(w);
}

void SetResizeLimits(int windowId) {
    QWidget* window = FindWindowById(windowId);
    if (!window) return;
    for (const SizeLimitRow& row : SizeLimits) {
        if (windowId >= row.first && windowId <= row.last) {
            SetWindowSizeLimits(window, row.minimum, MainScreenVisibleFrame().size());
            return;
        }
    }
}
