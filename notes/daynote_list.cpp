// The daynote list window (12) and the dates behind list rows.
#include "notes/daynote_list.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/preferences.h"
#include "core/window_ids.h"
#include "notes/daynote_window.h"
#include "notes/events.h"
#include "notes/find.h"
#include "notes/recurring.h"
#include "platform/alerts.h"
#include "platform/list_view.h"
#include "platform/windows.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Rows ...................... what each row shows, built from the daynote array, and their texts
//   Selected row .............. the 'List' property, showing a row, writing its text back
//   Window .................... ShowDaynoteList, RefreshDaynoteList, CloseDaynoteList, and the days the
//                               daynote store says changed
//   List row dates ............ ListRowText, ListRowDate, ListRowDateKey
//   Control actions
// ---------------------------------------------------------------------------------------------------------

namespace {

const FourCC     ListCreator = MakeFourCC("VRDX");
const FourCC     SelectedRowTag = MakeFourCC("List");
const QString    DateTextPattern = QStringLiteral("dd  LLLL  yyyy");
const QString    DateTextSeparator = QStringLiteral("  ");
constexpr double NoReminder = -std::numeric_limits<double>::infinity();

enum ListColumn { DateColumn = 0, ReminderColumn = 1 };

// What a row shows of its daynote; the texts are made from it when the row is drawn.
struct ListRow {
    double date = 0;
    int8_t type = 0;
    double reminder = NoReminder; // the ReminderDateKey date, if it is one
    bool   hasReminder = false;   // any ReminderDateKey, as the count goes
    bool   operator==(const ListRow&) const = default;
};

std::vector<ListRow> rows;               // placeholder at 0; row n is element n and daynote n - 1
std::vector<double>  reminderKeys;       // day of each row's reminder, made when first sorted by it
bool                 textEdited = false; // the user typed into the text view since it was filled
double               shownDate = 0;      // the day whose daynote the text view holds; 0 for none
int                  keeperCount = 0, reminderCount = 0;

QWidget* ListWindow() {
    return FindWindowById(ListWindowId);
}
QWidget* Control(int id) {
    return FindControl(ListWindow(), id);
}

int RowCount() {
    return rows.empty() ? 0 : int(rows.size()) - 1;
}

ListRow RowOfNote(const Value& note) {
    ListRow       row;
    const Record* r = ValueRecord(note);
    if (r) {
        RecordDate(*r, NoteDateKey, &row.date);
        RecordByte(*r, NoteTypeKey, &row.type);
        RecordDate(*r, ReminderDateKey, &row.reminder);
        row.hasReminder = FindField(*r, ReminderDateKey) != nullptr;
    }
    return row;
}

std::vector<ListRow> BuildRows(const RecordArray& daynotes) {
    std::vector<ListRow> built;
    built.reserve(daynotes.size() + 1);
    built.emplace_back();
    for (const Value& v : daynotes) built.push_back(RowOfNote(v));
    return built;
}

void Count(const ListRow& row, int sign) {
    keeperCount += row.type == NoteKeeper ? sign : 0;
    reminderCount += row.hasReminder ? sign : 0;
}

QString TypeLabel(int8_t type) {
    switch (type) {
    case NoteKeeper:
        return QStringLiteral("Keeper");
    case NoteHoliday:
        return QStringLiteral("Holiday");
    case NoteEvent:
        return QStringLiteral("Event");
    default:
        return QString();
    }
}

QString RowText(int row, int column) {
    if (row < 1 || row > RowCount()) return QString();
    const ListRow& r = rows[size_t(row)];
    if (column == DateColumn)
        return QStringLiteral("%1  %2").arg(FormatDate(DateTextPattern, r.date), TypeLabel(r.type));
    return r.reminder == NoReminder ? QStringLiteral(" ") : FormatDate(DateTextPattern, r.reminder);
}

// Both columns sort by day: the keys are made once, never from the texts at each comparison.
int CompareRows(int column, int a, int b) {
    double left = rows[size_t(a)].date, right = rows[size_t(b)].date;
    if (column == ReminderColumn) {
        if (reminderKeys.size() != rows.size()) {
            reminderKeys.assign(rows.size(), NoReminder);
            for (size_t i = 1; i < rows.size(); ++i)
                if (rows[i].reminder != NoReminder) reminderKeys[i] = StartOfDay(rows[i].reminder);
        }
        left = reminderKeys[size_t(a)];
        right = reminderKeys[size_t(b)];
    }
    return left < right ? -1 : (left > right ? 1 : 0);
}

// The row of a daynote date; rows follow the array's date order. 0 when none has it.
int RowOfDate(double date) {
    if (rows.size() < 2) return 0;
    auto it = std::lower_bound(rows.begin() + 1, rows.end(), date,
                               [](const ListRow& r, double d) { return r.date < d; });
    return it != rows.end() && it->date == date ? int(it - rows.begin()) : 0;
}

void PutCounts(QWidget* window) {
    const std::pair<int, qint64> counts[] = {{ListDaynoteCount, qint64(RowCount())},
                                             {ListKeeperCount, keeperCount},
                                             {ListReminderCount, reminderCount}};
    for (const auto& [id, count] : counts) SetControlText(FindControl(window, id), QString::number(count));
}

void FillCounts(QWidget* window, const RecordArray& daynotes) {
    keeperCount = reminderCount = 0;
    CountKeepersAndReminders(daynotes, &keeperCount, &reminderCount);
    PutCounts(window);
}

// ---------------------------------------------------------------------------------------------------------
// Selected row
// ---------------------------------------------------------------------------------------------------------

int SelectedRow() {
    QByteArray bytes;
    qint32     row = 0;
    if (GetControlProperty(Control(DaynoteListView), ListCreator, SelectedRowTag, &bytes) &&
        bytes.size() == sizeof row)
        std::memcpy(&row, bytes.constData(), sizeof row);
    return row;
}

void StoreSelectedRow(int row) {
    const qint32 value = row;
    QByteArray   bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    SetControlProperty(Control(DaynoteListView), ListCreator, SelectedRowTag, bytes);
}

// The list shows the row selected without this being taken for the user's choice: the stored row is
// already the one selected.
void SelectRow(int row) {
    StoreSelectedRow(row);
    SetListSelection(Control(DaynoteListView), row ? QList<int>{row} : QList<int>{});
}

void EnableRowControls(bool enabled) {
    for (int id : {ListTextView, ListDeleteButton, ListKeeperCheckBox, ListRecurButton})
        SetControlEnabled(Control(id), enabled);
    if (!enabled) SetControlValue(Control(ListKeeperCheckBox), 0);
}

// Fills the text view, keeper box and date line from the row's daynote.
void ShowRow(int row, const RecordArray& daynotes) {
    textEdited = false;
    shownDate = 0;
    if (row == 0) {
        EnableRowControls(false);
        SetControlText(Control(ListDateLabel), QString());
        SetControlText(Control(ListTextView), QString());
        RememberLoaded(Control(ListTextView));
        return;
    }
    SetControlEnabled(Control(ListTextView), true);
    DateValue date;
    const int index =
        ListRowDate(MakeFourCC("C001"), row, &date) ? FindNoteIndex(daynotes, date.absTime) : -1;
    QWidget* text = Control(ListTextView);
    if (index >= 0 && IsNoteAtIndex(daynotes, date.absTime, index)) {
        NoteFontStyle style;
        if (!GetRecordFontStyle(daynotes, index, NoteCFSKey, &style)) style = NoteFontStyle{};
        SetControlFontStyle(text, style);
        const Value*   data = GetRecordValue(daynotes, index, NoteDataKey);
        const QString* stored = data ? ValueText(*data) : nullptr;
        SetControlText(text, stored ? *stored : QString());
        int8_t type = 0;
        GetRecordByte(daynotes, index, NoteTypeKey, &type);
        SetControlValue(Control(ListKeeperCheckBox), type == NoteKeeper);
        SetControlText(Control(ListDateLabel),
                       FormatDate(QStringLiteral("EEEE, dd MMMM yyyy"), date.absTime));
    } else {
        SetControlText(text, QString());
        SetControlValue(Control(ListKeeperCheckBox), 0);
        SetControlText(Control(ListDateLabel), QStringLiteral("NOT FOUND"));
    }
    for (int id : {ListDeleteButton, ListKeeperCheckBox, ListRecurButton})
        SetControlEnabled(Control(id), true);
    RememberLoaded(text);
    shownDate = rows[size_t(row)].date;
}

// The list shows new rows: the selected daynote stays selected (its row number moves with daynotes added or
// removed before it). One deleted elsewhere while the user typed into it is no row any more, but its words
// stay in the text view, to make it anew when they are written.
void ShowNewRows(QWidget* window, double selectedDate) {
    reminderKeys.clear();
    SetListRowSource(Control(DaynoteListView), RowCount(), RowText);
    PutCounts(window);
    const int row = selectedDate ? RowOfDate(selectedDate) : 0;
    SelectRow(row);
    if (row == 0 && !textEdited) ShowRow(0, App().daynotes);
}

double SelectedDate() {
    const int selected = SelectedRow();
    return selected >= 1 && selected <= RowCount() ? rows[size_t(selected)].date : 0;
}

void UpdateRows(RecordArray& daynotes);

// Only the days the daynote store names are looked at: their rows are added, dropped or redrawn, the counts
// follow, and the selected daynote's text is shown again unless the user is typing into it.
void FollowChanges(const DaynoteChanges& changes) {
    QWidget* window = ListWindow();
    if (!window || rows.empty()) return; // closing: the rows are gone already
    RecordArray& daynotes = App().daynotes;
    if (changes.everything) {
        UpdateRows(daynotes);
        return;
    }
    const double selectedDate = SelectedDate();
    bool         reshaped = false;
    for (double day : changes.days) {
        const int  row = RowOfDate(day);
        const int  index = FindNoteIndex(daynotes, day);
        const bool present = IsNoteAtIndex(daynotes, day, index);
        if (row && !present) {
            Count(rows[size_t(row)], -1);
            rows.erase(rows.begin() + row);
            reshaped = true;
        } else if (present) {
            const ListRow now = RowOfNote(daynotes[size_t(index)]);
            if (row && now == rows[size_t(row)]) continue;
            Count(now, 1);
            if (row) {
                Count(rows[size_t(row)], -1);
                rows[size_t(row)] = now;
            } else {
                rows.insert(rows.begin() + index + 1, now);
            }
            reshaped = true;
        }
    }
    if (reshaped) ShowNewRows(window, selectedDate);
    // Words the user typed stay on screen; writing them keeps what the change added too.
    if (shownDate && changes.Has(shownDate) && !textEdited) ShowRow(RowOfDate(shownDate), daynotes);
}

// Rebuilds the rows from the array when any changed, keeps the selected daynote selected and refreshes its
// text unless the user is editing it.
void UpdateRows(RecordArray& daynotes) {
    QWidget* window = ListWindow();
    if (!window) return;
    const double         selectedDate = SelectedDate();
    std::vector<ListRow> built = BuildRows(daynotes);
    if (built != rows) {
        rows = std::move(built);
        FillCounts(window, daynotes);
        ShowNewRows(window, selectedDate);
    }
    const int row = SelectedRow();
    if (!textEdited && (row || shownDate)) ShowRow(row, daynotes);
}

// Deletes the daynote of the selected row as the delete button does; the rows follow the store.
void DeleteSelected(RecordArray& daynotes) {
    if (!shownDate) return;
    const int index = FindNoteIndex(daynotes, shownDate);
    if (IsNoteAtIndex(daynotes, shownDate, index)) RemoveRecord(daynotes, index);
    StoreSelectedRow(0);
    ShowRow(0, daynotes);
}

} // namespace

void SaveDaynoteListText(RecordArray& daynotes) {
    if (!ListWindow() || !shownDate || !textEdited) return;
    const DateValue date{shownDate};
    SaveDaynote(&date, ListTextView, ListWindowId, daynotes);
    textEdited = false;
}

// ---------------------------------------------------------------------------------------------------------
// Window
// ---------------------------------------------------------------------------------------------------------

int CommandShowList(FourCC) {
    ShowDaynoteList();
    return EventHandled;
}

void ShowDaynoteList() {
    RecordArray& daynotes = App().daynotes;
    if (daynotes.empty()) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("There are no Daynotes to List"),
                  QStringLiteral("Daynotes can be created on the Calendar and Weekly View"));
        return;
    }
    if (QWidget* open = ListWindow()) {
        SelectWindow(open);
        return;
    }
    RegisterFontFamilies();
    QWidget* window = CreateWindowFromDefinition(QStringLiteral("ListNotes"));
    if (!window) return;
    SetWindowId(window, ListWindowId);
    QWidget* list = FindControl(window, DaynoteListView);
    ShareListWidthEqually(list);
    SetListSortCompare(list, CompareRows);
    rows.clear();
    textEdited = false;
    shownDate = 0;
    StoreSelectedRow(0);
    UpdateRows(daynotes);
    FollowDaynotes(window, FollowChanges);
    SetWindowTitleText(window, QStringLiteral("DayNote List"));
    const PrefRect& place = Prefs().listRect;
    if (place.top > 0) RestoreWindowPlace(window, place.toRect());
    ShowWindow(window);
}

void RefreshDaynoteList() {
    if (ListWindow()) UpdateRows(App().daynotes);
}

void CloseDaynoteList() {
    // The user's words are kept, as a change of row keeps them.
    SaveDaynoteListText(App().daynotes);
    rows.clear();
    reminderKeys.clear();
    textEdited = false;
    shownDate = 0;
}

// ---------------------------------------------------------------------------------------------------------
// List row dates
// ---------------------------------------------------------------------------------------------------------

QString ListRowText(FourCC list, int row) {
    switch (list) {
    case MakeFourCC("C001"):
        return RowText(row, DateColumn);
    case MakeFourCC("C002"):
        return RowText(row, ReminderColumn);
    case MakeFourCC("cOL1"):
        return FoundDateText(row);
    case MakeFourCC("ELC2"): {
        const RecordArray& items = EventListItems();
        const Record*  item = row >= 1 && row < int(items.size()) ? ValueRecord(items[size_t(row)]) : nullptr;
        const Value*   value = item ? FindField(*item, EventDateKey) : nullptr;
        const QString* text = value ? ValueText(*value) : nullptr;
        return text ? *text : QString();
    }
    default:
        return QString();
    }
}

bool ListRowDate(FourCC list, int row, DateValue* date) {
    int month = 0, day = 0, year = 0;
    if (!ParseDayMonthYear(ListRowText(list, row), DateTextSeparator, &month, &day, &year)) return false;
    *date = MakeDateObject(month, day, year);
    return true;
}

QString ListRowDateKey(FourCC list, int row) {
    const QString text = ListRowText(list, row);
    DateValue     date;
    if (text.size() < 2 || !ListRowDate(list, row, &date)) return text;
    return FormatDate(QStringLiteral("yyyyMMdd"), date.absTime);
}

// ---------------------------------------------------------------------------------------------------------
// Control actions
// ---------------------------------------------------------------------------------------------------------

int DaynoteListSelectionChanged(int, unsigned) {
    if (!ListWindow()) return EventNotHandled;
    const QList<int> selection = GetListSelection(Control(DaynoteListView));
    int              row = selection.isEmpty() ? 0 : selection.first();
    if (row == SelectedRow()) return EventHandled;
    RecordArray& daynotes = App().daynotes;
    // The row chosen is remembered by its daynote: writing the last one back may add or remove rows.
    const double date = row ? rows[size_t(row)].date : 0;
    SaveDaynoteListText(daynotes);
    if (row) row = RowOfDate(date);
    SelectRow(row);
    ShowRow(row, daynotes);
    return EventHandled;
}

int DaynoteListTextChanged(int, unsigned) {
    if (GetWindowId(ControlWindow(EventControl())) != ListWindowId) return EventNotHandled;
    textEdited = true;
    return EventHandled;
}

int DaynoteListKeeperHit(int, unsigned) {
    RecordArray& daynotes = App().daynotes;
    DateValue    date;
    const int    row = SelectedRow();
    if (row == 0 || !ListRowDate(MakeFourCC("C001"), row, &date)) return EventHandled;
    const int index = FindNoteIndex(daynotes, date.absTime);
    if (!IsNoteAtIndex(daynotes, date.absTime, index)) return EventHandled;
    const bool keeper = GetControlValue(Control(ListKeeperCheckBox)) != 0;
    SetRecordByte(daynotes, index, NoteTypeKey, keeper ? NoteKeeper : NoteStandard);
    return EventHandled;
}

int DaynoteListDeleteHit(int, unsigned) {
    DeleteSelected(App().daynotes);
    return EventHandled;
}

int DaynoteListRecurHit(int, unsigned) {
    // The copies are made of what the user sees.
    SaveDaynoteListText(App().daynotes);
    DateValue date;
    const int row = SelectedRow();
    if (row && ListRowDate(MakeFourCC("C001"), row, &date)) OpenRecurringSheet(ListWindow(), date.absTime);
    return EventHandled;
}

int ShowListHit(int, unsigned) {
    ShowDaynoteList();
    return EventHandled;
}
