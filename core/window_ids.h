// Window identifiers and the control IDs that more than one feature refers to.
#pragma once

enum WindowId : int {
    CalendarWindowId = 1,
    MonthlyWindowId = 2,
    CountdownWindowId = 3,
    PreferencesWindowId = 6,
    TimerWindowId = 7,
    TimerSheetId = 8,
    WeeklyWindowId = 9,
    GoToYearWindowId = 10,
    RecurringWindowId = 11,
    ListWindowId = 12,
    HolidaysWindowId = 13,
    AboutWindowId = 14,
    EventListWindowId = 15,
    AddEventSheetId = 16,
    FindWindowId = 17,
    TimeLogSheetId = 18,
    TimeLogWindowId = 19,
    TimeZonesWindowId = 20,
    TimeZoneSheetId = 21,
    ReminderSheetId = 24,
    ShutdownWindowId = 25,
    RestoreBackupWindowId = 27,
    FirstDaynoteWindowId = 51,
    LastDaynoteWindowId = 599,
    FirstUserNoteWindowId = 600,
    LastUserNoteWindowId = 650,
};

enum ControlId : int {
    CalendarTitleControl = 92,
    CalendarClockControl = 93,
    CalendarSunLineControl = 451,
    DaynoteTextControl = 233,
};

constexpr bool IsDaynoteWindowId(int windowId) {
    return windowId >= 50 && windowId <= LastDaynoteWindowId;
}
constexpr bool IsUserNoteWindowId(int windowId) {
    return windowId >= FirstUserNoteWindowId && windowId <= LastUserNoteWindowId;
}
