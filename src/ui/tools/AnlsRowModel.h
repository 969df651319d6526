#pragma once

#include <QAbstractTableModel>

#include <vector>

#include "tools/LogAnls.h"

namespace korvi {

// The link-analysis table: No, 評価, タイトル, URL, 拡張子. A row's tool tip
// shows its title in a fixed-width box.
class AnlsRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Reset(std::vector<AnlsRow> rows);
    const std::vector<AnlsRow>& Rows() const { return rows_; }
    const AnlsRow& Row(int row) const { return rows_[static_cast<size_t>(row)]; }
    // The cells of a row in column order, as shown.
    static QStringList Cells(const AnlsRow& row);
    static QString TitleTip(const QString& title);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<AnlsRow> rows_;
};

}  // namespace korvi
