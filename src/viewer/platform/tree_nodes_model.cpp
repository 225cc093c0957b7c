#include "tree_nodes_model.h"

#include "windows1252.h"

#include <limits>

namespace qel::platform {

namespace {
// A view counts rows in int.
int ToRowCount(std::size_t count) noexcept {
    return count > static_cast<std::size_t>(std::numeric_limits<int>::max())
               ? std::numeric_limits<int>::max()
               : static_cast<int>(count);
}
} // namespace

TTreeNodesModel::TTreeNodesModel(QObject* parent) : QAbstractItemModel(parent) {}

TTreeNodesModel::Change::Change(TTreeNodesModel& model) : model_(model) {
    model_.beginResetModel();
}

TTreeNodesModel::Change::~Change() {
    model_.endResetModel();
}

QModelIndex TTreeNodesModel::IndexOf(qel::TTreeNode node) const {
    if (node == qel::kNoNode || node >= items_.Count())
        return {};
    return createIndex(static_cast<int>(items_.Row(node)), 0, static_cast<quintptr>(node));
}

qel::TTreeNode TTreeNodesModel::NodeOf(const QModelIndex& index) noexcept {
    return static_cast<qel::TTreeNode>(index.internalId());
}

QModelIndex TTreeNodesModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0 || (parent.isValid() && parent.column() != 0))
        return {};
    const qel::TTreeNode parentNode = ParentNode(parent);
    if (static_cast<std::size_t>(row) >= items_.ChildCount(parentNode))
        return {};
    return createIndex(
        row, 0, static_cast<quintptr>(items_.Child(parentNode, static_cast<std::size_t>(row))));
}

QModelIndex TTreeNodesModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    return IndexOf(items_.Parent(NodeOf(child)));
}

QModelIndex TTreeNodesModel::sibling(int row, int column, const QModelIndex& idx) const {
    if (!idx.isValid() || column != 0)
        return {};
    if (row == idx.row())
        return idx;
    return index(row, column, parent(idx));
}

int TTreeNodesModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return ToRowCount(items_.ChildCount(ParentNode(parent)));
}

int TTreeNodesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() && parent.column() != 0 ? 0 : 1;
}

bool TTreeNodesModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant TTreeNodesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return FromWindows1252(items_.Caption(NodeOf(index)));
}

Qt::ItemFlags TTreeNodesModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // The items change only through a model reset, so a leaf stays one; the view then keeps no
    // expansion state for it.
    if (items_.ChildCount(NodeOf(index)) == 0)
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

} // namespace qel::platform
