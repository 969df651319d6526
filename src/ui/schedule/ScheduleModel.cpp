#include "ui/schedule/ScheduleModel.h"

#include <algorithm>

#include "schedule/KorviSchd.h"

namespace korvi {

ScheduleModel::ScheduleModel(KorviSchd& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    rows_ = table_.Rows();
}

void ScheduleModel::Reload() {
    beginResetModel();
    rows_ = table_.Rows();
    endResetModel();
}

int ScheduleModel::AddRow(const QStringList& row) {
    table_.AddRow(row);
    Reload();
    changed_ = true;
    return static_cast<int>(rows_.size()) - 1;
}

bool ScheduleModel::CopyRow(int row) {
    if (!table_.CopyRow(row)) return false;
    Reload();
    changed_ = true;
    return true;
}

bool ScheduleModel::DelRows(QList<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    bool any = false;
    for (int r : rows) any = table_.DelRow(r) || any;
    if (!any) return false;
    Reload();
    changed_ = true;
    return true;
}

int ScheduleModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ScheduleModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : KorviSchd::kCols;
}

QVariant ScheduleModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size()) return {};
    const QString cell = rows_.at(index.row()).value(index.column());
    if (index.column() == KorviSchd::kEnable) {
        if (role == Qt::CheckStateRole)
            return cell == QStringLiteral("1") ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return cell;
        case Qt::TextAlignmentRole:
            if (index.column() == KorviSchd::kName || index.column() == KorviSchd::kOption)
                return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
            return Qt::AlignCenter;
        default:
            return {};
    }
}

bool ScheduleModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= rows_.size()) return false;
    QString cell;
    if (index.column() == KorviSchd::kEnable) {
        if (role != Qt::CheckStateRole) return false;
        cell = value.toInt() == Qt::Checked ? QStringLiteral("1") : QStringLiteral("0");
    } else {
        if (role != Qt::EditRole) return false;
        cell = value.toString();
    }
    QStringList& row = rows_[index.row()];
    while (row.size() < KorviSchd::kCols) row.append(QString());
    if (row.at(index.column()) == cell) return true;
    row[index.column()] = cell;
    table_.SetRows(rows_);
    changed_ = true;
    Q_EMIT dataChanged(index, index, {role});
    return true;
}

Qt::ItemFlags ScheduleModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == KorviSchd::kEnable) return f | Qt::ItemIsUserCheckable;
    return f | Qt::ItemIsEditable;
}

QVariant ScheduleModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return KorviSchd::Headers().value(section);
}

}  // namespace korvi
