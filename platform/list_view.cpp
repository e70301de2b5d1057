// List views on a tree view over the program's own table model: a row number rides on each shown position,
// sorting permutes the positions only, so that the order can be anything the feature compares (dates behind
// display texts) and the texts themselves are made only for the rows on screen.
#include "platform/list_view.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>
#include <numeric>
#include <vector>

namespace {

const char* const ColumnTitlesProperty = "columnTitles";

class RowsModel : public QAbstractTableModel {
  public:
    RowsModel(QTreeView* view, QStringList titles) : QAbstractTableModel(view), titles(std::move(titles)) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : count; }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(std::max<qsizetype>(titles.size(), 1));
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || !text) return {};
        return text(RowAt(index.row()), index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < titles.size())
            return titles[section];
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    int RowAt(int position) const { return order[size_t(position)]; }
    int PositionOf(int row) const { return row >= 1 && row <= count ? positions[size_t(row - 1)] : -1; }

    void Replace(int rows, ListText source) {
        beginResetModel();
        count = std::max(rows, 0);
        text = std::move(source);
        order.resize(size_t(count));
        std::iota(order.begin(), order.end(), 1);
        if (sortColumn >= 0 && compare) Sort();
        Reindex();
        endResetModel();
    }

    // Stable, over the row numbers; the selection and the current row follow their rows.
    void SortBy(int column, bool up) {
        sortColumn = column;
        ascending = up;
        if (!compare) return;
        emit                  layoutAboutToBeChanged();
        const QModelIndexList before = persistentIndexList();
        std::vector<int>      rows;
        rows.reserve(size_t(before.size()));
        for (const QModelIndex& i : before) rows.push_back(RowAt(i.row()));
        Sort();
        Reindex();
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            after << index(PositionOf(rows[size_t(i)]), before[i].column());
        changePersistentIndexList(before, after);
        emit layoutChanged();
    }

    QStringList titles;
    ListCompare compare;
    int         sortColumn = -1;
    bool        ascending = true;

  private:
    void Sort() {
        std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
            const int c = compare(sortColumn, a, b);
            return ascending ? c < 0 : c > 0;
        });
    }
    void Reindex() {
        positions.resize(order.size());
        for (size_t p = 0; p < order.size(); ++p) positions[size_t(order[p] - 1)] = int(p);
    }

    int              count = 0;
    ListText         text;
    std::vector<int> order;     // position -> row number
    std::vector<int> positions; // row number - 1 -> position
};

QTreeView* View(QWidget* list) {
    return qobject_cast<QTreeView*>(list);
}
const QTreeView* View(const QWidget* list) {
    return qobject_cast<const QTreeView*>(list);
}
RowsModel* Model(const QWidget* list) {
    const QTreeView* view = View(list);
    return view ? dynamic_cast<RowsModel*>(view->model()) : nullptr;
}

QList<int> SelectedPositions(const QTreeView* view) {
    QList<int> positions;
    if (!view->selectionModel()) return positions;
    for (const QModelIndex& i : view->selectionModel()->selectedRows()) positions << i.row();
    std::sort(positions.begin(), positions.end());
    return positions;
}

void ShowSortIndicator(QTreeView* view, const RowsModel* model) {
    view->header()->setSortIndicatorShown(model->sortColumn >= 0);
    if (model->sortColumn >= 0)
        view->header()->setSortIndicator(model->sortColumn,
                                         model->ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

} // namespace

void AttachListModel(QWidget* list) {
    QTreeView* view = View(list);
    if (!view || Model(view)) return;
    view->setModel(new RowsModel(view, view->property(ColumnTitlesProperty).toStringList()));
    view->setUniformRowHeights(true);
    view->setRootIsDecorated(false);
    view->setAllColumnsShowFocus(true);
}

void SetListRows(QWidget* list, const QList<QStringList>& rows) {
    RowsModel* model = Model(list);
    if (!model) return;
    model->sortColumn = -1;
    model->Replace(int(rows.size()), [rows](int row, int column) {
        const QStringList& texts = rows[row - 1];
        return column < texts.size() ? texts[column] : QString();
    });
    ShowSortIndicator(View(list), model);
}

void SetListRowSource(QWidget* list, int count, ListText text) {
    if (RowsModel* model = Model(list)) model->Replace(count, std::move(text));
}

int ListRowCount(const QWidget* list) {
    const RowsModel* model = Model(list);
    return model ? model->rowCount() : 0;
}

QString GetListCellText(const QWidget* list, int row, int column) {
    const RowsModel* model = Model(list);
    const int        position = model ? model->PositionOf(row) : -1;
    return position < 0 ? QString() : model->index(position, column).data().toString();
}

QList<int> GetListOrder(const QWidget* list) {
    QList<int>       order;
    const RowsModel* model = Model(list);
    for (int p = 0; model && p < model->rowCount(); ++p) order << model->RowAt(p);
    return order;
}

QList<int> GetListSelection(const QWidget* list) {
    QList<int>       rows;
    const RowsModel* model = Model(list);
    if (!model) return rows;
    for (int position : SelectedPositions(View(list))) rows << model->RowAt(position);
    return rows;
}

void SetListSelection(QWidget* list, const QList<int>& rows) {
    QTreeView* view = View(list);
    RowsModel* model = Model(list);
    if (!model || !view->selectionModel()) return;
    QItemSelection selection;
    for (int row : rows) {
        const int position = model->PositionOf(row);
        if (position >= 0) selection.select(model->index(position, 0), model->index(position, 0));
    }
    QItemSelectionModel* selected = view->selectionModel();
    selected->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (selection.isEmpty()) return;
    const QModelIndex first = selection.first().topLeft();
    selected->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    view->scrollTo(first);
}

void SetListSortCompare(QWidget* list, ListCompare compare) {
    QTreeView* view = View(list);
    RowsModel* model = Model(list);
    if (!model) return;
    const bool first = !model->compare;
    model->compare = std::move(compare);
    if (!first) return;
    view->header()->setSectionsClickable(true);
    QObject::connect(view->header(), &QHeaderView::sectionClicked, view, [view](int column) {
        const RowsModel* m = Model(view);
        SortListByColumn(view, column, m->sortColumn == column ? !m->ascending : true);
    });
}

void SortListByColumn(QWidget* list, int column, bool ascending) {
    RowsModel* model = Model(list);
    if (!model || !model->compare) return;
    model->SortBy(column, ascending);
    ShowSortIndicator(View(list), model);
    const QModelIndex current = View(list)->currentIndex();
    if (current.isValid()) View(list)->scrollTo(current);
}

void ShareListWidthEqually(QWidget* list) {
    if (QTreeView* view = View(list)) view->header()->setSectionResizeMode(QHeaderView::Stretch);
}
