#include "ui/engine/RunListModel.h"

#include <algorithm>

namespace korvi {

namespace {

bool SameRow(const RunRow& a, const RunRow& b) {
    return a.no == b.no && a.state == b.state && a.depth == b.depth && a.result == b.result &&
           a.context == b.context && a.title == b.title && a.url == b.url && a.size == b.size &&
           a.dlLen == b.dlLen && a.planLen == b.planLen && a.ext == b.ext && a.ref == b.ref;
}

}  // namespace

RunListModel::RunListModel(QObject* parent) : QAbstractTableModel(parent) {}

int RunListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : snap_.Count();
}

int RunListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(RunListColumns().size());
}

QString RunListModel::Cell(const RunRow& row, int column) {
    switch (column) {
        case 0:
            return QString::number(row.no);
        case 1:
            return QString::number(row.state);
        case 2:
            return row.result;
        case 3:
            return QString::number(row.depth);
        case 4:
            return row.context;
        case 5:
            return row.title;
        case 6:
            return row.url;
        case 7:
            return row.size;
        case 8:
            return row.dlLen;
        case 9:
            return row.planLen;
        case 10:
            return row.ext;
        case 11:
            return row.ref;
        default:
            return QString();
    }
}

QVariant RunListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= snap_.Count()) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const QString text = Cell(snap_.Row(index.row()), index.column());
        // Long context texts and URLs are read whole in the tool tip.
        if (role == Qt::ToolTipRole && text.size() < 40) return {};
        return text;
    }
    if (role == Qt::TextAlignmentRole) {
        static const int kNumbers[] = {0, 1, 3, 7, 8, 9};
        if (std::find(std::begin(kNumbers), std::end(kNumbers), index.column()) !=
            std::end(kNumbers))
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant RunListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return RunListColumns().value(section);
    return section + 1;
}

int RunListModel::Refresh(const RunListSnapshot& next) {
    const int before = snap_.Count();
    const int after = next.Count();
    if (after < before) {  // never within one run; start over
        Reset(next);
        return after;
    }
    // Changed ranges among the rows shown already, found by block identity
    // and narrowed to the first and last differing row of each block.
    std::vector<std::pair<int, int>> changed;
    int changedRows = 0;
    for (int b = 0; b * RunList::kBlock < before; ++b) {
        if (snap_.SharesBlock(next, b)) continue;
        const int from = b * RunList::kBlock;
        const int to = std::min(before, from + RunList::kBlock);
        int first = -1;
        int last = -1;
        for (int i = from; i < to; ++i) {
            if (SameRow(snap_.Row(i), next.Row(i))) continue;
            if (first < 0) first = i;
            last = i;
        }
        if (first >= 0) {
            changed.emplace_back(first, last);
            changedRows += last - first + 1;
        }
    }
    if (after > before) {
        beginInsertRows(QModelIndex(), before, after - 1);
        snap_ = next;
        endInsertRows();
    } else {
        snap_ = next;
    }
    const int lastColumn = columnCount() - 1;
    for (const auto& [first, last] : changed)
        Q_EMIT dataChanged(index(first, 0), index(last, lastColumn), {Qt::DisplayRole});
    return changedRows;
}

void RunListModel::Reset(const RunListSnapshot& snapshot) {
    beginResetModel();
    snap_ = snapshot;
    endResetModel();
}

}  // namespace korvi
