#include "ui/engine/InitListModel.h"

#include "engine/lists/InitList.h"

namespace korvi {

InitListModel::InitListModel(InitList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {}

int InitListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.RowCount();
}

int InitListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant InitListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= list_.RowCount()) return {};
    const InitRow& row = list_.Rows()[size_t(index.row())];
    if (index.column() == 0) {
        if (role == Qt::CheckStateRole) return row.obj ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
        case 1:
            return RangeSymbol(row.rng);
        case 2:
            return row.ttl;
        case 3:
            return row.url;
        default:
            return row.ext;
    }
}

bool InitListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole ||
        index.row() >= list_.RowCount())
        return false;
    const bool on = value.toInt() == Qt::Checked;
    list_.SetCheck({index.row()}, on);
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    Q_EMIT checkToggled();
    return true;
}

QVariant InitListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    static const QStringList headings = InitColumnHeadings();
    return headings.value(section);
}

Qt::ItemFlags InitListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

void InitListModel::Reset() {
    beginResetModel();
    endResetModel();
}

void InitListModel::RowsChanged(int first, int last) {
    if (first < 0 || last < first || last >= list_.RowCount()) return;
    Q_EMIT dataChanged(index(first, 0), index(last, columnCount() - 1));
}

}  // namespace korvi
