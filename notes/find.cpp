// The Find window (17).
#include "notes/find.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/window_ids.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "platform/alerts.h"
#include "platform/list_view.h"
#include "platform/windows.h"

#include <QStringMatcher>

namespace {

std::vector<double> foundDates; // placeholder at 0; result row n is element n

QWidget* FindWindow() {
    return FindWindowById(FindWindowId);
}

int FoundCount() {
    return foundDates.empty() ? 0 : int(foundDates.size()) - 1;
}

void FillResults() {
    SetListRowSource(FindControl(FindWindow(), FoundDatesList), FoundCount(),
                     [](int row, int) { return FoundDateText(row); });
}

} // namespace

int CommandShowFind(FourCC) {
    ShowFindWindow();
    return EventHandled;
}

void ShowFindWindow() {
    QWidget* window = FindWindow();
    if (!window) {
        window = CreateWindowFromDefinition(QStringLiteral("FindDaynotes"));
        if (!window) return;
        SetWindowId(window, FindWindowId);
        ShareListWidthEqually(FindControl(window, FoundDatesList));
        foundDates.clear();
        FillResults();
    }
    ShowWindow(window);
    SetFocusToControl(FindControl(window, FindTextField));
}

std::vector<double> FindDaynotes(const QString& text, const RecordArray& daynotes) {
    std::vector<double> dates;
    if (text.isEmpty()) return dates;
    // Built once for the whole search; case is folded letter by letter, everything else compared as it is.
    const QStringMatcher matcher(text, Qt::CaseInsensitive);
    for (auto it = daynotes.rbegin(); it != daynotes.rend(); ++it) {
        const Record*  r = ValueRecord(*it);
        const Value*   data = r ? FindField(*r, NoteDataKey) : nullptr;
        const QString* note = data ? ValueText(*data) : nullptr;
        double         date = 0;
        if (note && matcher.indexIn(*note) >= 0 && RecordDate(*r, NoteDateKey, &date)) dates.push_back(date);
    }
    return dates;
}

QString FoundDateText(int row) {
    if (row < 1 || row > FoundCount()) return QString();
    return FormatDate(QStringLiteral("dd  LLLL  yyyy"), foundDates[size_t(row)]);
}

void CloseFindWindow() {
    foundDates.clear();
}

int FindButtonHit(int, unsigned) {
    QWidget* window = FindWindow();
    if (!window) return EventNotHandled;
    QWidget*      field = FindControl(window, FindTextField);
    const QString text = GetControlText(field);
    foundDates.assign(1, 0);
    FillResults();
    SetFocusToControl(field);
    const std::vector<double> found = FindDaynotes(text, App().daynotes);
    foundDates.insert(foundDates.end(), found.begin(), found.end());
    FillResults();
    if (found.empty())
        ShowAlert(AlertStyle::Informational,
                  QStringLiteral("The following text was not found in any daynotes:"), text);
    return EventHandled;
}

int FoundDateOpened(int, unsigned) {
    const QList<int> selected = GetListSelection(FindControl(FindWindow(), FoundDatesList));
    DateValue        date;
    if (selected.isEmpty() || !ListRowDate(MakeFourCC("cOL1"), selected.first(), &date)) return EventHandled;
    const GregorianDate d = AbsTimeToDate(date.absTime);
    OpenDaynote(d.month, d.day, d.year, App().daynotes);
    return EventHandled;
}

int WeeklyFindHit(int, unsigned) {
    ShowFindWindow();
    return EventHandled;
}
