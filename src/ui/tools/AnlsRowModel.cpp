#include "ui/tools/AnlsRowModel.h"

namespace korvi {

void AnlsRowModel::Reset(std::vector<AnlsRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

QStringList AnlsRowModel::Cells(const AnlsRow& row) {
    return {QString::number(row.no), QString::number(row.rank), row.title, row.url, row.extension};
}

QString AnlsRowModel::TitleTip(const QString& title) {
    return QStringLiteral("<HTML><BODY><TABLE BORDER=0 WIDTH=300><TR><TD>") + title +
           QStringLiteral("</TD></TR></TABLE></BODY></HTML>");
}

int AnlsRowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int AnlsRowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant AnlsRowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const AnlsRow& r = Row(index.row());
    if (role == Qt::DisplayRole) return Cells(r).value(index.column());
    if (role == Qt::ToolTipRole) return TitleTip(r.title);
    if (role == Qt::TextAlignmentRole && index.column() < 2)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant AnlsRowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList kHeads = {QStringLiteral("No"), QStringLiteral("評価"),
                                       QStringLiteral("タイトル"), QStringLiteral("URL"),
                                       QStringLiteral("拡張子")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return kHeads.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace korvi
