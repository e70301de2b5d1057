// Recurring daynotes.
#include "notes/recurring.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/window_ids.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "platform/alerts.h"
#include "platform/key_filters.h"
#include "platform/windows.h"

namespace {

const QString BasePrefix = QStringLiteral("Recurring Daynotes based on: ");
const QString TitleForm = QStringLiteral("dd  LLLL  yyyy");

QString PeriodName(int period) {
    switch (period) {
    case RecurMonths:
        return QStringLiteral("Months");
    case RecurYears:
        return QStringLiteral("Years");
    default:
        return QStringLiteral("Weeks");
    }
}

QWidget* RecurringSheet() {
    QWidget* sheet = FindWindowById(RecurringWindowId);
    if (sheet) return sheet;
    sheet = CreateLooseSheetFromDefinition(QStringLiteral("Recurring"));
    if (!sheet) return nullptr;
    SetWindowId(sheet, RecurringWindowId);
    InstallKeyFilter(sheet, RecurringCountField, TwoDigitFilter);
    InstallKeyFilter(sheet, RecurringSpacingField, TwoDigitFilter);
    return sheet;
}

int FieldNumber(QWidget* sheet, int controlId) {
    return GetControlText(FindControl(sheet, controlId)).trimmed().toInt(); // empty counts 0
}

// The base date read back from the sheet's heading, at 00:00.
bool SheetBaseDate(QWidget* sheet, double* date) {
    const QString heading = GetControlText(FindControl(sheet, RecurringBaseLabel));
    const int     colon = heading.indexOf(QLatin1Char(':'));
    int           month = 0, day = 0, year = 0;
    if (colon < 0 ||
        !ParseDayMonthYear(heading.mid(colon + 1).trimmed(), QStringLiteral("  "), &month, &day, &year))
        return false;
    *date = DateToAbsTime(month, day, year);
    return true;
}

QString RecordText(const RecordArray& daynotes, int index) {
    const Value*   v = GetRecordValue(daynotes, index, NoteDataKey);
    const QString* text = v ? ValueText(*v) : nullptr;
    return text ? *text : QString();
}

} // namespace

QWidget* OpenRecurringSheet(QWidget* owner, double date) {
    const int ownerId = GetWindowId(owner);
    if (!IsDaynoteWindowId(ownerId) && ownerId != ListWindowId) {
        ShowAlert(AlertStyle::Informational,
                  QStringLiteral("Either the List Window or a Daynote window must be open to use this"),
                  QStringLiteral("Please open a daynote or List Window first"));
        return nullptr;
    }
    QWidget* sheet = RecurringSheet();
    if (!sheet) return nullptr;
    SetControlText(FindControl(sheet, RecurringBaseLabel), BasePrefix + FormatDate(TitleForm, date));
    SetControlValue(FindControl(sheet, RecurringPeriodPopUp), RecurWeeks);
    SetControlText(FindControl(sheet, RecurringPeriodLabel), PeriodName(RecurWeeks));
    SetControlText(FindControl(sheet, RecurringCountField), QString());
    SetControlText(FindControl(sheet, RecurringSpacingField), QString());
    ShowSheetOn(sheet, owner);
    SetFocusToControl(FindControl(sheet, RecurringCountField));
    return sheet;
}

bool RecurDaynote(double base, int count, int spacing, int period, RecordArray& daynotes) {
    const int baseIndex = FindNoteIndex(daynotes, base);
    if (!IsNoteAtIndex(daynotes, base, baseIndex)) {
        ShowAlert(AlertStyle::Informational,
                  QStringLiteral("The daynote to be recurred has not been saved yet"),
                  QStringLiteral("Close the daynotes window and reopen"));
        return false;
    }
    const QString text = RecordText(daynotes, baseIndex);
    int8_t        type = NoteStandard;
    GetRecordByte(daynotes, baseIndex, NoteTypeKey, &type);
    NoteFontStyle style;
    if (!GetRecordFontStyle(daynotes, baseIndex, NoteCFSKey, &style)) style = NoteFontStyle{};

    // Weeks are whole days; months and years are calendar steps, so a copy keeps the day of the month
    // where the month has it and stays at 00:00 across a change of daylight saving time.
    const int amount = period == RecurWeeks ? 7 * (spacing + 1) : spacing + 1;
    const int unit = period == RecurMonths ? AddMonths : period == RecurYears ? AddYears : AddDays;
    double    date = base;
    for (int copy = 0; copy < count; ++copy) {
        date = AddDateUnits(date, amount, unit);
        const int index = FindNoteIndex(daynotes, date);
        if (IsNoteAtIndex(daynotes, date, index))
            SetRecordValue(daynotes, index, NoteDataKey,
                           Value(QStringLiteral("%1\r%2").arg(RecordText(daynotes, index), text)));
        else
            InsertStyledDaynote(date, text, type, style, index, daynotes);
    }
    return true;
}

int RecurringButtonHit(int, unsigned) {
    QWidget*  window = ControlWindow(EventControl());
    DateValue date;
    if (!WindowTitleDate(window, &date)) return EventNotHandled;
    OpenRecurringSheet(window, date.absTime);
    return EventHandled;
}

int RecurringPeriodChosen(int, unsigned) {
    QWidget* sheet = ControlWindow(EventControl());
    SetControlText(FindControl(sheet, RecurringPeriodLabel),
                   PeriodName(GetControlValue(FindControl(sheet, RecurringPeriodPopUp))));
    return EventHandled;
}

int RecurringCopyHit(int, unsigned) {
    QWidget*  sheet = ControlWindow(EventControl());
    const int count = FieldNumber(sheet, RecurringCountField);
    const int spacing = FieldNumber(sheet, RecurringSpacingField);
    double    base = 0;
    if (count > 0 && SheetBaseDate(sheet, &base)) {
        // An editor open on a target date shows the copy, or, with the user's words in it, keeps both.
        RecurDaynote(base, count, spacing, GetControlValue(FindControl(sheet, RecurringPeriodPopUp)),
                     App().daynotes);
    }
    HideWindow(sheet);
    return EventHandled;
}
