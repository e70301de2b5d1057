// List views on the tree widget: row numbers ride on each item, sorting is done here so that the order can be
// anything the feature compares (dates behind display texts), not the texts themselves.
#include "platform/list_view.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>

namespace {

const char* const SortColumnProperty = "vrdxSortColumn";
const char* const SortAscendingProperty = "vrdxSortAscending";
constexpr int     RowRole = Qt::UserRole + 1;

QTreeWidget* Tree(QWidget* list) {
    return qobject_cast<QTreeWidget*>(list);
}
const QTreeWidget* Tree(const QWidget* list) {
    return qobject_cast<const QTreeWidget*>(list);
}

int RowOf(const QTreeWidgetItem* item) {
    return item->data(0, RowRole).toInt();
}

QTreeWidgetItem* ItemOfRow(const QTreeWidget* tree, int row) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (RowOf(tree->topLevelItem(i)) == row) return tree->topLevelItem(i);
    return nullptr;
}

// Each list keeps its comparison in a small object it owns, so it goes when the list goes.
const QString SortHolderName = QStringLiteral("vrdxListSort");
class SortHolder : public QObject {
  public:
    SortHolder(QTreeWidget* tree, ListCompare compare) : QObject(tree), compare(std::move(compare)) {
        setObjectName(SortHolderName);
    }
    ListCompare compare;
};

SortHolder* Holder(const QTreeWidget* tree) {
    // Found by name: a class without its own meta-object cannot be told apart by a cast.
    return static_cast<SortHolder*>(tree->findChild<QObject*>(SortHolderName, Qt::FindDirectChildrenOnly));
}

} // namespace

void SetListRows(QWidget* list, const QList<QStringList>& rows) {
    QTreeWidget* tree = Tree(list);
    if (!tree) return;
    tree->clear();
    tree->header()->setSortIndicatorShown(false);
    tree->setProperty(SortColumnProperty, QVariant());
    QList<QTreeWidgetItem*> items;
    for (int n = 0; n < rows.size(); ++n) {
        auto* item = new QTreeWidgetItem(rows[n]);
        item->setData(0, RowRole, n + 1);
        items << item;
    }
    tree->addTopLevelItems(items);
}

int ListRowCount(const QWidget* list) {
    const QTreeWidget* tree = Tree(list);
    return tree ? tree->topLevelItemCount() : 0;
}

QString GetListCellText(const QWidget* list, int row, int column) {
    const QTreeWidget*     tree = Tree(list);
    const QTreeWidgetItem* item = tree ? ItemOfRow(tree, row) : nullptr;
    return item ? item->text(column) : QString();
}

QList<int> GetListOrder(const QWidget* list) {
    QList<int>         order;
    const QTreeWidget* tree = Tree(list);
    for (int i = 0; tree && i < tree->topLevelItemCount(); ++i) order << RowOf(tree->topLevelItem(i));
    return order;
}

QList<int> GetListSelection(const QWidget* list) {
    QList<int>         rows;
    const QTreeWidget* tree = Tree(list);
    for (int i = 0; tree && i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->isSelected()) rows << RowOf(tree->topLevelItem(i));
    return rows;
}

void SetListSelection(QWidget* list, const QList<int>& rows) {
    QTreeWidget* tree = Tree(list);
    if (!tree) return;
    tree->clearSelection();
    for (int row : rows)
        if (QTreeWidgetItem* item = ItemOfRow(tree, row)) item->setSelected(true);
}

void SetListSortCompare(QWidget* list, ListCompare compare) {
    QTreeWidget* tree = Tree(list);
    if (!tree) return;
    tree->setSortingEnabled(false);
    if (SortHolder* old = Holder(tree)) {
        old->compare = std::move(compare);
        return;
    }
    new SortHolder(tree, std::move(compare));
    tree->header()->setSectionsClickable(true);
    QObject::connect(tree->header(), &QHeaderView::sectionClicked, tree, [tree](int column) {
        const QVariant current = tree->property(SortColumnProperty);
        const bool     again = current.isValid() && current.toInt() == column;
        SortListByColumn(tree, column, again ? !tree->property(SortAscendingProperty).toBool() : true);
    });
}

void SortListByColumn(QWidget* list, int column, bool ascending) {
    QTreeWidget* tree = Tree(list);
    SortHolder*  holder = tree ? Holder(tree) : nullptr;
    if (!holder || !holder->compare) return;
    const QList<int>        selected = GetListSelection(tree);
    QList<QTreeWidgetItem*> items;
    while (tree->topLevelItemCount() > 0) items << tree->takeTopLevelItem(0);
    std::stable_sort(items.begin(), items.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        const int order = holder->compare(column, RowOf(a), RowOf(b));
        return ascending ? order < 0 : order > 0;
    });
    tree->addTopLevelItems(items);
    SetListSelection(tree, selected);
    tree->setProperty(SortColumnProperty, column);
    tree->setProperty(SortAscendingProperty, ascending);
    tree->header()->setSortIndicatorShown(true);
    tree->header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void ShareListWidthEqually(QWidget* list) {
    if (QTreeWidget* tree = Tree(list)) tree->header()->setSectionResizeMode(QHeaderView::Stretch);
}
