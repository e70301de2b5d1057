// Events: the Event list window (15) with its Add event sheet (16), the elapsed-time texts, and event
// daynotes made from the selected events.
#include "notes/events.h"

#include "core/app_state.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "notes/daynote_list.h"
#include "platform/alerts.h"
#include "platform/key_filters.h"
#include "platform/list_view.h"
#include "platform/windows.h"

#include <cstdlib>
#include <unicode/decimfmt.h>
#include <unicode/locid.h>

namespace {

const QString DateTextPattern = QStringLiteral("dd  LLLL  yyyy");
const QString DateTextSeparator = QStringLiteral("  ");
const QString CreateTitle = QStringLiteral("Create");
const QString ChangeTitle = QStringLiteral("Change");
const QString SelectFirstMessage = QStringLiteral("Please select an event first. Thank you");
const QString AddedMessage = QStringLiteral("Daynote(s)/Reminder(s) Successfully Added");

enum DaynoteChoice { ChoiceDaynote = 1, ChoiceDaynoteWithReminder = 2, ChoiceNone = 3 };
enum ListColumn { NameColumn = 0, DateColumn = 1, ElapsedColumn = 2 };
// Items 4 and 5 of the list's contextual menu make the daynotes.
enum ContextItem { ContextDaynotes = 4, ContextReminders = 5 };

RecordArray eventItems;      // placeholder at 0; row n of the list is element n
bool        eventsWritable;  // false when a damaged events file could not be set aside
int         changingRow = 0; // the row the sheet changes; 0 while it adds

QWidget* ListWindow() {
    return FindWindowById(EventListWindowId);
}
QWidget* Sheet() {
    return FindWindowById(AddEventSheetId);
}

QString ItemText(int row, const QString& key) {
    if (row < 1 || row >= int(eventItems.size())) return QString();
    const Record*  item = ValueRecord(eventItems[size_t(row)]);
    const Value*   value = item ? FindField(*item, key) : nullptr;
    const QString* text = value ? ValueText(*value) : nullptr;
    return text ? *text : QString();
}

int8_t ItemUnit(int row) {
    int8_t unit = EventYearsMonthsDays;
    if (const Record* item = ValueRecord(eventItems[size_t(row)])) RecordByte(*item, EventUnitKey, &unit);
    return unit;
}

// The day of a row's date text at 00:00; false for a text that is not a date.
bool ItemDate(int row, int* month, int* day, int* year) {
    return ParseDayMonthYear(ItemText(row, EventDateKey), DateTextSeparator, month, day, year);
}

Record MakeItem(const QString& name, double date, int8_t unit) {
    Record item;
    SetField(item, EventNameKey, Value(name));
    SetField(item, EventDateKey, Value(FormatDate(DateTextPattern, date)));
    SetField(item, EventElapsedTimeKey, Value(ElapsedTimeText(date, unit)));
    SetField(item, EventUnitKey, Value(qint64(unit)));
    return item;
}

void FillList() {
    QList<QStringList> rows;
    for (int row = 1; row < int(eventItems.size()); ++row)
        rows << QStringList{ItemText(row, EventNameKey), ItemText(row, EventDateKey),
                            ItemText(row, EventElapsedTimeKey)};
    SetListRows(FindControl(ListWindow(), EventList), rows);
}

// Written at once, so that an event the user saw added survives a crash.
void WriteEvents() {
    if (eventsWritable && !eventItems.empty()) SaveEventList(eventItems);
}

void UpdateEventButtons() {
    QWidget* window = ListWindow();
    if (!window) return;
    const qsizetype selected = GetListSelection(FindControl(window, EventList)).size();
    SetControlEnabled(FindControl(window, EventDeleteButton), selected == 1);
    SetControlEnabled(FindControl(window, EventChangeButton), selected == 1);
    SetControlEnabled(FindControl(window, EventDaynotesButton), selected >= 1);
    SetControlEnabled(FindControl(window, EventRemindersButton), selected >= 1);
}

int CompareRows(int column, int a, int b) {
    const FourCC  dates = MakeFourCC("ELC2");
    const QString left = column == NameColumn ? ItemText(a, EventNameKey) : ListRowDateKey(dates, a);
    const QString right = column == NameColumn ? ItemText(b, EventNameKey) : ListRowDateKey(dates, b);
    return QString::compare(left, right, Qt::CaseSensitive);
}

QString NumberWithGrouping(int number) {
    UErrorCode                status = U_ZERO_ERROR;
    icu::DecimalFormatSymbols symbols(icu::Locale::getDefault(), status);
    icu::DecimalFormat        format(icu::UnicodeString(u"#,###"), symbols, status);
    icu::UnicodeString        text;
    format.format(int32_t(number), text);
    if (U_FAILURE(status)) return QString::number(number);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

void ShowNote(const QString& message) {
    ShowAlert(AlertStyle::Informational, message, QString());
}

// Made afresh each time it opens, in add mode; change mode retitles it.
QWidget* OpenSheet(bool changing) {
    QWidget* window = ListWindow();
    if (!window) return nullptr;
    DisposeWindow(Sheet());
    QWidget* sheet = CreateSheetFromDefinition(QStringLiteral("AddEventSheet"), window);
    if (!sheet) return nullptr;
    SetWindowId(sheet, AddEventSheetId);
    InstallKeyFilter(sheet, EventNameField, TextFilter40);
    UseLongDateForm(FindControl(sheet, EventDatePicker));
    SetControlText(FindControl(sheet, EventNameLabel),
                   changing ? QStringLiteral("Event Name") : QStringLiteral("New Event Name"));
    SetControlText(FindControl(sheet, EventDateLabel),
                   changing ? QStringLiteral("Event Date") : QStringLiteral("New Event Date"));
    SetControlTitle(FindControl(sheet, EventCreateButton), changing ? ChangeTitle : CreateTitle);
    SetControlText(FindControl(sheet, EventNameField), QString());
    const GregorianDate today = GetToday();
    SetControlDateTime(FindControl(sheet, EventDatePicker), today.year, today.month, today.day, 0, 0);
    SetControlValue(FindControl(sheet, EventUnitPopUp), EventYearsMonthsDays);
    SetControlValue(FindControl(sheet, EventDaynoteChoicePopUp), ChoiceNone);
    return sheet;
}

void ShowSheet(QWidget* sheet) {
    ShowSheetOn(sheet, ListWindow());
    SetFocusToControl(FindControl(sheet, EventNameField));
}

} // namespace

QString ElapsedTimeText(double date, int8_t unit) {
    int mask = UnitYears | UnitMonths | UnitDays;
    if (unit == EventYears) mask = UnitYears;
    if (unit == EventMonths) mask = UnitMonths;
    if (unit == EventDays) mask = UnitDays;
    // From today's midnight, not from this moment: a date ten days ahead is ten days away, as one ten days
    // back is ten days ago.
    const GregorianUnits u = GetDifferenceUnits(StartOfDay(GetNow()), StartOfDay(date), mask);
    const int            years = std::abs(u.years), months = std::abs(u.months), days = std::abs(u.days);
    const QString        yearsText = years == 0   ? QString()
                                     : years == 1 ? QStringLiteral("%1 Year   ").arg(years)
                                                  : QStringLiteral("%1 Years  ").arg(years);
    const QString        monthsText = months == 0   ? QString()
                                      : months == 1 ? QStringLiteral("%1 Month   ").arg(months)
                                                    : QStringLiteral("%1 Months  ").arg(months);
    const QString        daysText = days == 0   ? QString()
                                    : days == 1 ? QStringLiteral("%1 Day ").arg(NumberWithGrouping(days))
                                                : QStringLiteral("%1 Days").arg(NumberWithGrouping(days));
    switch (unit) {
    case EventYears:
        return yearsText;
    case EventMonths:
        return monthsText;
    case EventDays:
        return daysText;
    default:
        return QStringLiteral("%1 %2 %3").arg(yearsText, monthsText, daysText);
    }
}

int CommandShowEvents(FourCC) {
    ShowEventList();
    return EventHandled;
}

void ShowEventList() {
    if (QWidget* existing = ListWindow()) {
        ShowWindow(existing);
        return;
    }
    QWidget* window = CreateWindowFromDefinition(QStringLiteral("EventList"));
    if (!window) return;
    SetWindowId(window, EventListWindowId);
    RecordArray stored;
    eventsWritable = LoadEventFile(&stored);
    eventItems = EventListFromStored(stored, ElapsedTimeText);
    QWidget* list = FindControl(window, EventList);
    ShareListWidthEqually(list);
    SetListSortCompare(list, CompareRows);
    FillList();
    UpdateEventButtons();
    const PrefRect& place = Prefs().eventRect;
    if (place.top > 0) RestoreWindowPlace(window, place.toRect());
    ShowWindow(window);
}

const RecordArray& EventListItems() {
    return eventItems;
}

void CloseEventList() {
    DisposeWindow(Sheet());
    WriteEvents();
    eventItems.clear();
}

int EventAddHit(int, unsigned) {
    changingRow = 0;
    if (QWidget* sheet = OpenSheet(false)) ShowSheet(sheet);
    return EventHandled;
}

int EventChangeHit(int, unsigned) {
    const QList<int> selected = GetListSelection(FindControl(ListWindow(), EventList));
    if (selected.isEmpty()) return EventHandled;
    QWidget* sheet = OpenSheet(true);
    if (!sheet) return EventHandled;
    changingRow = selected.first();
    SetControlText(FindControl(sheet, EventNameField), ItemText(changingRow, EventNameKey));
    int month = 0, day = 0, year = 0;
    if (ItemDate(changingRow, &month, &day, &year))
        SetControlDateTime(FindControl(sheet, EventDatePicker), year, month, day, 0, 0);
    SetControlValue(FindControl(sheet, EventUnitPopUp), ItemUnit(changingRow));
    ShowSheet(sheet);
    return EventHandled;
}

int EventDeleteHit(int, unsigned) {
    const QList<int> selected = GetListSelection(FindControl(ListWindow(), EventList));
    if (selected.isEmpty() || selected.first() >= int(eventItems.size())) return EventHandled;
    eventItems.erase(eventItems.begin() + selected.first());
    FillList();
    UpdateEventButtons();
    WriteEvents();
    return EventHandled;
}

int EventCreateHit(int, unsigned) {
    QWidget* sheet = Sheet();
    if (!sheet || !ListWindow()) return EventHandled;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    GetControlDateTime(FindControl(sheet, EventDatePicker), &year, &month, &day, &hour, &minute);
    const double  date = DateToAbsTime(month, day, year);
    const int     unit = GetControlValue(FindControl(sheet, EventUnitPopUp));
    const int     choice = GetControlValue(FindControl(sheet, EventDaynoteChoicePopUp));
    const QString name = GetControlText(FindControl(sheet, EventNameField));
    const bool    adding = GetControlTitle(FindControl(sheet, EventCreateButton)) == CreateTitle;
    if (choice == ChoiceDaynote || choice == ChoiceDaynoteWithReminder) {
        if (AddNamedDaynote(date, name, NoteEvent, choice == ChoiceDaynoteWithReminder, App().daynotes)) {
            // The daynote looked at is the one on the event's own date, so its year is the one named.
            ShowDuplicateDaynoteAlert(name, year);
            return EventHandled;
        }
    }
    Value item(MakeItem(name, date, int8_t(unit)));
    if (adding)
        eventItems.push_back(std::move(item));
    else if (changingRow >= 1 && changingRow < int(eventItems.size()))
        eventItems[size_t(changingRow)] = std::move(item);
    FillList();
    WriteEvents();
    DisposeWindow(sheet);
    SetControlEnabled(FindControl(ListWindow(), EventDeleteButton), false);
    SetControlEnabled(FindControl(ListWindow(), EventChangeButton), false);
    return EventHandled;
}

int EventCancelHit(int, unsigned) {
    DisposeWindow(Sheet());
    return EventHandled;
}

int EventDaynotesHit(int controlId, unsigned) {
    EventsToDaynotes(controlId == EventRemindersButton);
    return EventHandled;
}

int EventSelectionChanged(int, unsigned) {
    UpdateEventButtons();
    return EventHandled;
}

int EventListContextClick(int, QWidget*, QPoint globalPos) {
    const int year = GetCurrentYear();
    const int chosen = PopUpContextMenu(
        {QStringLiteral("![1] Adds Daynotes for the selected events in %1").arg(year),
         QStringLiteral("![2] Adds Daynotes & Reminders for the selected events in %1").arg(year), QString(),
         QStringLiteral("[1] Create Daynotes from Events Selected"),
         QStringLiteral("[2] Create Daynotes & Reminders from Events Selected")},
        globalPos);
    if (chosen == ContextDaynotes || chosen == ContextReminders) EventsToDaynotes(chosen == ContextReminders);
    return EventHandled;
}

void EventsToDaynotes(bool withReminder) {
    QWidget* window = ListWindow();
    if (!window) return;
    const QList<int> selected = GetListSelection(FindControl(window, EventList));
    if (selected.isEmpty()) {
        ShowNote(SelectFirstMessage);
        return;
    }
    const int year = GetCurrentYear();
    for (int row : selected) {
        int month = 0, day = 0, eventYear = 0;
        if (!ItemDate(row, &month, &day, &eventYear)) continue;
        const QString name = ItemText(row, EventNameKey);
        if (AddNamedDaynote(DateToAbsTime(month, day, year), name, NoteEvent, withReminder, App().daynotes)) {
            ShowDuplicateDaynoteAlert(name, year);
            break;
        }
    }
    ShowNote(AddedMessage);
}
