#pragma once

#include <QAbstractTableModel>

namespace korvi {

class InitList;

// The init list as a table: 対象 (check box), 範囲, 見出し, URL, 拡張子.
// Reads the list directly; whoever changes the list calls Reset().
class InitListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit InitListModel(InitList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // After the rows changed in number or order.
    void Reset();
    // After cells of existing rows changed.
    void RowsChanged(int first, int last);

Q_SIGNALS:
    // A row's check box was switched in the table.
    void checkToggled();

private:
    InitList& list_;
};

}  // namespace korvi
