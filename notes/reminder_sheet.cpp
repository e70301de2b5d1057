// The reminder sheet.
#include "notes/reminder_sheet.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/window_ids.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/reminders.h"
#include "platform/alerts.h"
#include "platform/windows.h"

namespace {

QWidget* Sheet() {
    return ControlWindow(EventControl());
}
QWidget* Control(QWidget* sheet, int id) {
    return FindControl(sheet, id);
}

// The daynote of the date the sheet shows, or -1.
int SheetDaynoteIndex(QWidget* sheet, double* date = nullptr) {
    int                month = 0, day = 0, year = 0;
    const RecordArray& daynotes = App().daynotes;
    if (!ParseDayMonthYear(GetControlText(Control(sheet, ReminderDateLabel)), QStringLiteral("  "), &month,
                           &day, &year))
        return -1;
    const double when = DateToAbsTime(month, day, year);
    if (date) *date = when;
    const int index = FindNoteIndex(daynotes, when);
    return IsNoteAtIndex(daynotes, when, index) ? index : -1;
}

QString RecordText(int index, const QString& key) {
    const Value*   v = GetRecordValue(App().daynotes, index, key);
    const QString* text = v ? ValueText(*v) : nullptr;
    return text ? *text : QString();
}

void EnableFields(QWidget* sheet) {
    SetControlEnabled(Control(sheet, ReminderUrlField), GetControlValue(Control(sheet, ReminderUrlCheckBox)));
    const bool mail = GetControlValue(Control(sheet, ReminderMailCheckBox));
    for (int id : {ReminderAddressField, ReminderSubjectField, ReminderMessageField})
        SetControlEnabled(Control(sheet, id), mail);
}

void CloseSheet(QWidget* sheet) {
    QWidget* owner = GetSheetOwner(sheet);
    DisposeWindow(sheet);
    if (owner) SetReminderButtonTitle(owner, App().daynotes);
}

void SetPickers(QWidget* sheet, double when) {
    const GregorianDate d = AbsTimeToDate(when);
    SetControlDateTime(Control(sheet, ReminderDayPicker), d.year, d.month, d.day, 0, 0);
    SetControlDateTime(Control(sheet, ReminderTimePicker), d.year, d.month, d.day, d.hour, d.minute);
}

} // namespace

QWidget* OpenReminderSheet(QWidget* daynoteWindow) {
    if (!daynoteWindow) return nullptr;
    QWidget* sheet = CreateSheetFromDefinition(QStringLiteral("ReminderSheet"), daynoteWindow);
    if (!sheet) return nullptr;
    SetWindowId(sheet, ReminderSheetId);
    UseLongDateForm(Control(sheet, ReminderDayPicker));
    // Hours are counted as the calendar's clock counts them.
    UseClockForm(Control(sheet, ReminderTimePicker), QStringLiteral("h:mm a"));
    SetControlText(Control(sheet, ReminderDateLabel), GetWindowTitle(daynoteWindow));
    const int index = SheetDaynoteIndex(sheet);
    if (index < 0) {
        DisposeWindow(sheet);
        ShowAlert(AlertStyle::Informational, QStringLiteral("Daynote has not been saved"),
                  QStringLiteral("Close the daynote to save it and re-open to create reminder"));
        return nullptr;
    }
    const QString url = RecordText(index, URLKey);
    const QString address = RecordText(index, EmailAddrKey);
    SetControlValue(Control(sheet, ReminderUrlCheckBox), url.size() > 1);
    SetControlText(Control(sheet, ReminderUrlField), url);
    SetControlText(Control(sheet, ReminderSubjectField), RecordText(index, EmailSubjectKey));
    SetControlText(Control(sheet, ReminderMessageField), RecordText(index, EmailMessageKey));
    SetControlText(Control(sheet, ReminderAddressField), address);
    SetControlValue(Control(sheet, ReminderMailCheckBox), address.size() > 1);
    double when = 0;
    if (GetRecordDate(App().daynotes, index, ReminderDateKey, &when)) {
        SetControlEnabled(Control(sheet, ReminderRemoveButton), true);
        SetControlTitle(Control(sheet, ReminderSaveButton), QStringLiteral("Modify Reminder"));
        SetPickers(sheet, when);
    } else {
        SetControlEnabled(Control(sheet, ReminderRemoveButton), false);
        SetControlTitle(Control(sheet, ReminderSaveButton), QStringLiteral("Create Reminder"));
        SetControlValue(Control(sheet, ReminderUrlCheckBox), 0);
        SetPickers(sheet, GetNow());
    }
    EnableFields(sheet);
    ShowWindow(sheet);
    return sheet;
}

int ReminderButtonHit(int, unsigned) {
    OpenReminderSheet(ControlWindow(EventControl()));
    return EventHandled;
}

int ReminderUrlBoxHit(int, unsigned) {
    QWidget* sheet = Sheet();
    EnableFields(sheet);
    if (GetControlValue(Control(sheet, ReminderUrlCheckBox)))
        SetFocusToControl(Control(sheet, ReminderUrlField));
    return EventHandled;
}

int ReminderMailBoxHit(int, unsigned) {
    QWidget* sheet = Sheet();
    EnableFields(sheet);
    if (!GetControlValue(Control(sheet, ReminderMailCheckBox))) return EventHandled;
    SetControlText(Control(sheet, ReminderSubjectField),
                   QStringLiteral("Reminder Daynote on date: ") +
                       GetControlText(Control(sheet, ReminderDateLabel)));
    const int index = SheetDaynoteIndex(sheet);
    if (index < 0) {
        SetControlText(Control(sheet, ReminderSubjectField), QStringLiteral(" "));
        return EventHandled;
    }
    if (GetRecordValue(App().daynotes, index, NoteDataKey))
        SetControlText(Control(sheet, ReminderMessageField), RecordText(index, NoteDataKey));
    SetFocusToControl(Control(sheet, ReminderAddressField));
    return EventHandled;
}

int ReminderSaveHit(int, unsigned) {
    QWidget*     sheet = Sheet();
    RecordArray& daynotes = App().daynotes;
    const int    index = SheetDaynoteIndex(sheet);
    if (index >= 0) {
        if (!GetControlValue(Control(sheet, ReminderUrlCheckBox)))
            SetControlText(Control(sheet, ReminderUrlField), QStringLiteral(" "));
        if (!GetControlValue(Control(sheet, ReminderMailCheckBox)))
            for (int id : {ReminderAddressField, ReminderSubjectField, ReminderMessageField})
                SetControlText(Control(sheet, id), QStringLiteral(" "));
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, unused = 0;
        GetControlDateTime(Control(sheet, ReminderDayPicker), &year, &month, &day, &unused, &unused);
        int y2 = 0, m2 = 0, d2 = 0;
        GetControlDateTime(Control(sheet, ReminderTimePicker), &y2, &m2, &d2, &hour, &minute);
        SetRecordValue(daynotes, index, URLKey, Value(GetControlText(Control(sheet, ReminderUrlField))));
        SetRecordDate(daynotes, index, ReminderDateKey, DateTimeToAbsTime(month, day, year, hour, minute));
        SetRecordValue(daynotes, index, EmailAddrKey,
                       Value(GetControlText(Control(sheet, ReminderAddressField))));
        SetRecordValue(daynotes, index, EmailSubjectKey,
                       Value(GetControlText(Control(sheet, ReminderSubjectField))));
        SetRecordValue(daynotes, index, EmailMessageKey,
                       Value(GetControlText(Control(sheet, ReminderMessageField))));
    }
    CloseSheet(sheet);
    return EventHandled;
}

int ReminderRemoveHit(int, unsigned) {
    QWidget*  sheet = Sheet();
    const int index = SheetDaynoteIndex(sheet);
    if (index >= 0) {
        RemoveReminderFields(App().daynotes, index);
    }
    CloseSheet(sheet);
    return EventHandled;
}

int ReminderCancelHit(int, unsigned) {
    CloseSheet(Sheet());
    return EventHandled;
}
