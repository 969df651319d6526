#pragma once

#include <QAbstractTableModel>

#include "engine/RunList.h"

namespace korvi {

// The twelve-column run list as a table model over snapshots. Refresh takes
// the next snapshot and signals only what changed: appended rows as inserts,
// rewritten rows as dataChanged over the smallest range per changed block.
class RunListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RunListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Shows the next snapshot of the same run; the number of rows signalled
    // as changed (appended rows not counted).
    int Refresh(const RunListSnapshot& next);
    // Shows the snapshot of a new run (a full reset).
    void Reset(const RunListSnapshot& snapshot);

    const RunListSnapshot& Snapshot() const { return snap_; }
    // The twelve cells of a row.
    static QString Cell(const RunRow& row, int column);

private:
    RunListSnapshot snap_;
};

}  // namespace korvi
