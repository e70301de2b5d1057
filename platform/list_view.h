// List views: rows of texts in columns, the rows the user selected, and sorting by a click on a column title.
// Rows keep the number they were given (1 to n) however the list is sorted. Texts are asked for only when a
// row is drawn, so a list of tens of thousands of rows opens at once.
#pragma once

#include <QList>
#include <QStringList>
#include <functional>

class QWidget;

// Replaces every row: row n shows rows[n - 1], one text a column. The selection and the sort are cleared.
void SetListRows(QWidget* list, const QList<QStringList>& rows);
// The text of row n (1 to count) in a column, asked for when the row is drawn.
using ListText = std::function<QString(int row, int column)>;
// Replaces every row by `count` rows whose texts come from `text`. The selection is cleared; a list sorted by
// a column stays sorted by it, the new rows too.
void       SetListRowSource(QWidget* list, int count, ListText text);
int        ListRowCount(const QWidget* list);
QString    GetListCellText(const QWidget* list, int row, int column); // column 0 is the first
QList<int> GetListOrder(const QWidget* list);                         // row numbers as shown, top first
// The row numbers selected, in the order the list shows them.
QList<int> GetListSelection(const QWidget* list);
// Selects the rows (and brings the first into sight, where the arrow keys go on from).
void SetListSelection(QWidget* list, const QList<int>& rows);
// How a click on column title sorts: negative, 0 or positive as row a comes before, with or after row b.
// A second click on the same title reverses the order. Rows that compare equal keep their number order.
using ListCompare = std::function<int(int column, int rowA, int rowB)>;
void SetListSortCompare(QWidget* list, ListCompare compare);
void SortListByColumn(QWidget* list, int column, bool ascending);
// The columns share the list's width equally, also as the window is resized.
void ShareListWidthEqually(QWidget* list);
// For the window layer: gives a list view defined in a window its rows model (titles from its
// "columnTitles" property).
void AttachListModel(QWidget* list);
